#pragma once
// The page parser of "xlsx" and "csv": one is made for every page. It runs
// the page capture over the page with itself as delegate, collects the text
// into runs of a VQExcelPage (and the filled areas into the style's fills
// when the options ask for them), and hands the page to the document.
#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "pdf/VQPDFConentParserDelegate.h"
#include "pdf/capture/VQPDFPageCapture.h"
#include "platform/pdf/PdfDocument.h"
#include "xlsx/VQExcelDocument.h"
#include "xlsx/VQExcelPage.h"

namespace vq {

class VQExcelPDFPageParser : public VQPDFConentParserDelegate {
 public:
  // `fontCache`, when given, holds fonts this thread built for earlier pages.
  VQExcelPDFPageParser(VQExcelDocument& document, const std::atomic<bool>& isShouldCancel,
                       std::shared_ptr<VQPDFFontCache> fontCache = nullptr);

  // false only for a missing page.
  bool convertPDFPage(const std::optional<pdf::Page>& page, int64_t pageNumber);

  void didScanTextTextOffset(VQPDFConentParser* parser, const std::string& text, const Size& offset) override;
  void didScanPathStrokeFill(VQPDFConentParser* parser, const Path& path, bool stroke, bool fill) override;

  VQExcelPage* currentPage() const { return currentPage_.get(); }

 private:
  VQExcelRunTextProperty currentRProperty(const VQPDFPageCapture::Glyph& glyph) const;

  VQExcelDocument& documentHandle_;
  const std::atomic<bool>& isShouldCancel_;
  VQPDFPageCapture capture_;
  uint64_t runTextCount_ = 0;
  bool isNotScanTextYet_ = true;
  std::unique_ptr<VQExcelPage> currentPage_;
};

}  // namespace vq

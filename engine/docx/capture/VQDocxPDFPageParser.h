#pragma once
// The per-page parser of the DOCX converter: one is made for every page and
// dropped after it. It captures one PDF page into a VQDocxPage that the
// document then writes as a part file.
#include <cstdint>
#include <memory>
#include <optional>

#include "front/exporter/VQPDFOptions.h"
#include "platform/pdf/PdfDocument.h"

namespace vq {

class VQDocxDocument;
class VQDocxPage;

class VQDocxPDFPageParser {
 public:
  // Keeps the document (the pages it makes refer to images through it) and
  // the conversion's options.
  VQDocxPDFPageParser(std::shared_ptr<VQDocxDocument> document, const VQPDFOptions& moreOptions);
  ~VQDocxPDFPageParser();
  VQDocxPDFPageParser(const VQDocxPDFPageParser&) = delete;
  VQDocxPDFPageParser& operator=(const VQDocxPDFPageParser&) = delete;

  // Captures the page as the page at 1-based position `toPageIndex`. An
  // absent page gives false and leaves currentPage() as it was.
  bool convertPDFPage(const std::optional<pdf::Page>& page, int64_t toPageIndex, bool isFirstPage, bool isLastPage);

  // The page made by the last successful convertPDFPage, or nullptr.
  const std::shared_ptr<VQDocxPage>& currentPage() const { return currentPage_; }
  const std::shared_ptr<VQDocxDocument>& documentHandle() const { return documentHandle_; }
  const VQPDFOptions& moreOptions() const { return moreOptions_; }

 private:
  std::shared_ptr<VQDocxDocument> documentHandle_;
  VQPDFOptions moreOptions_;
  std::shared_ptr<VQDocxPage> currentPage_;
};

}  // namespace vq

#pragma once
// The page parser of the flow-text formats ("html", "rtf", "txt"): runs the
// page capture over a page with itself as delegate, turns the text it
// reports into glyphs with their placement and run formatting, and has the
// document object lay out and write the page. One parser serves every page
// of a conversion, one page at a time.
#include <atomic>
#include <memory>
#include <string>

#include "flowtext/VQFlowTextCapture.h"
#include "flowtext/VQFlowTextDocument.h"
#include "pdf/VQPDFConentParserDelegate.h"
#include "pdf/capture/VQPDFPageCapture.h"
#include "platform/pdf/PdfDocument.h"

namespace vq {

class VQPDFFont;

class VQFlowTextPDFPageParser : public VQPDFConentParserDelegate {
 public:
  // `stylesFromRendering`: bold also from the render mode (fill and stroke)
  // and italic also from a slanted glyph; without it text takes its style
  // from the font only. Text reports are ignored
  // once `isShouldCancel` is set.
  VQFlowTextPDFPageParser(flowtext::VQFlowTextDocument& document, VQPDFPageCaptureSettings settings,
                          bool stylesFromRendering, const std::atomic<bool>& isShouldCancel);

  // Captures the page into the document's current page and writes it.
  void convertPDFPage(const pdf::Page& page);

  void didScanTextTextOffset(VQPDFConentParser* parser, const std::string& text, const Size& offset) override;

  // The set-up of the page converted last.
  const VQPageSetup& currentPageSetup() const { return capture_.pageSetup(); }

 private:
  // Run formatting of the glyph's render state.
  flowtext::VQFlowTextRPr currentRProperty(const VQPDFPageCapture::Glyph& glyph, const VQPDF_CTMInfo& info);

  flowtext::VQFlowTextDocument& document_;
  flowtext::VQFlowTextCapture text_;
  VQPDFPageCapture capture_;
  const bool stylesFromRendering_;
  const std::atomic<bool>& isShouldCancel_;
  // Bold and italic read from the last font's name: runs of one font follow
  // one another, and the name test is costly to repeat for every glyph.
  // Holding the font keeps its address from being reused by another.
  std::shared_ptr<const VQPDFFont> styleFont_;
  bool styleFontBold_ = false;
  bool styleFontItalic_ = false;
};

}  // namespace vq

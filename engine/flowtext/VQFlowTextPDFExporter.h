#pragma once
// The page exporters of the flow-text formats: "html", "rtf" and "txt". Each
// runs the content interpreter over a page, turns the upright text it reports
// into run texts of the document object's current page, and has the document
// object lay out and write the page. Pages are converted one at a time.
#include <memory>
#include <string>
#include <thread>

#include "flowtext/VQFlowTextCapture.h"
#include "flowtext/VQFlowTextFormats.h"
#include "front/exporter/VQPDFExporter.h"
#include "pdf/capture/VQPageSetup.h"
#include "pdf/VQPDFConentParserDelegate.h"
#include "pdf/VQPDFTransform.h"

namespace vq {

class VQPDFRenderStateStack;
class VQPDFFontCache;
class VQPDFFont;

class VQFlowTextPDFExporter : public VQPDFExporter, public VQPDFConentParserDelegate {
 public:
  ~VQFlowTextPDFExporter() override;

  // Throws std::runtime_error when the destination cannot be created.
  void convertPDFBegin(const std::string& destPath, const std::shared_ptr<const pdf::Document>& document) override;
  bool convertPDFPage(const std::optional<pdf::Page>& page, int64_t toPageIndex, int64_t toTotalPages) override;
  // Throws std::runtime_error when the destination cannot be written.
  void convertPDFEnd(const std::shared_ptr<const pdf::Document>& document) override;
  void cancelConvertPDF() override { isShouldCancel = true; }
  // Removes whatever was written of the destination.
  void convertPDFClean() override;

  void didScanTextTextOffset(VQPDFConentParser* parser, const std::string& text, const Size& offset) override;

  flowtext::VQFlowTextDocument* papyrant() const { return papyrant_.get(); }
  const VQPageSetup& currentPageSetup() const { return pageSetup_; }

  // Text transform of the top render state in display space:
  // text matrix x CTM x page transform.
  AffineTransform currentDisplayTextTransform() const;
  // The same after moving the text position by `offset` in text space.
  AffineTransform nextDisplayTextTransform(const Size& offset) const;
  // Display length of a distance along the text line given in text space.
  double convertToDisplaySpaceWidth(double width) const;
  // Run formatting of the top render state.
  flowtext::VQFlowTextRPr currentRProperty(const VQPDF_CTMInfo& info) const;

 protected:
  // Bold from the render mode (fill and stroke) and italic from a slanted or
  // unevenly scaled text matrix; plain text takes style from the font only.
  virtual bool stylesFromRendering() const { return true; }

 private:
  std::unique_ptr<flowtext::VQFlowTextDocument> papyrant_;
  std::unique_ptr<flowtext::VQFlowTextCapture> capture_;
  std::shared_ptr<VQPDFRenderStateStack> renderingStateStack_;
  VQPageSetup pageSetup_;
  // Fonts built for the pages of the document being converted: made by
  // convertPDFBegin, dropped by convertPDFEnd / convertPDFClean (object
  // numbers mean nothing across documents). A cache is not thread-safe, so
  // only the thread that converts the first page uses it.
  std::shared_ptr<VQPDFFontCache> fontCache_;
  // Bold and italic read from the last font's name: runs of one font follow
  // one another, and the name test is costly to repeat for every glyph.
  // Holding the font keeps its address from being reused by another.
  mutable std::shared_ptr<const VQPDFFont> styleFont_;
  mutable bool styleFontBold_ = false;
  mutable bool styleFontItalic_ = false;
  std::thread::id fontCacheThread_;
  bool fontCacheThreadSet_ = false;
};

class VQHTMLPDFExporter : public VQFlowTextPDFExporter {};
class VQRTFPDFExporter : public VQFlowTextPDFExporter {};
class VQTextPDFExporter : public VQFlowTextPDFExporter {
 protected:
  bool stylesFromRendering() const override { return false; }
};

// The exporter for "html", "rtf" or "txt"; nullptr for any other type.
std::shared_ptr<VQPDFExporter> VQFlowTextNewExporter(const std::string& destDocType, const std::string& destDocPath,
                                                     const VQPDFOptions& moreOptions);

}  // namespace vq

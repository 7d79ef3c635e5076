#pragma once
// The page exporters of the flow-text formats: "html", "rtf" and "txt". Each
// keeps the document object of a conversion and hands every page to one
// page parser (VQFlowTextPDFPageParser), which captures the page's upright
// text and has the document lay out and write it. Pages are converted one
// at a time.
#include <memory>
#include <string>

#include "exporter/VQPDFExporter.h"
#include "flowtext/VQFlowTextDocument.h"
#include "flowtext/VQFlowTextPDFPageParser.h"

namespace vq {

class VQFlowTextPDFExporter : public VQPDFExporter {
 public:
  ~VQFlowTextPDFExporter() override;

  // Throws std::runtime_error when the destination cannot be created.
  void convertPDFBegin(const std::string& destPath, const std::shared_ptr<const pdf::Document>& document) override;
  bool convertPDFPage(const std::optional<pdf::Page>& page, int64_t toPageIndex, int64_t toTotalPages) override;
  // Throws std::runtime_error when the destination cannot be written.
  void convertPDFEnd(const std::shared_ptr<const pdf::Document>& document) override;
  // Removes whatever was written of the destination.
  void convertPDFClean() override;

  flowtext::VQFlowTextDocument* papyrant() const { return papyrant_.get(); }
  // Between convertPDFBegin and convertPDFEnd / convertPDFClean.
  const VQFlowTextPDFPageParser* pageParser() const { return pageParser_.get(); }

 protected:
  // Bold from the render mode (fill and stroke) and italic from a slanted
  // glyph; plain text takes style from the font only.
  virtual bool stylesFromRendering() const { return true; }

 private:
  std::unique_ptr<flowtext::VQFlowTextDocument> papyrant_;
  // Made by convertPDFBegin with the fonts built for the pages of the
  // document being converted, dropped by convertPDFEnd / convertPDFClean
  // (object numbers mean nothing across documents).
  std::unique_ptr<VQFlowTextPDFPageParser> pageParser_;
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

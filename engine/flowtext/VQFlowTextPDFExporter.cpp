#include "flowtext/VQFlowTextPDFExporter.h"

#include <stdexcept>

#include "flowtext/VQFlowTextFormats.h"
#include "pdf/VQPDFFontCache.h"

namespace vq {

std::shared_ptr<VQPDFExporter> VQFlowTextNewExporter(const std::string& destDocType, const std::string& destDocPath,
                                                     const VQPDFOptions& moreOptions) {
  auto make = [&](auto exporter) { return VQSetUpExporter(exporter, destDocType, destDocPath, moreOptions); };
  if (destDocType == "html") return make(std::make_shared<VQHTMLPDFExporter>());
  if (destDocType == "rtf") return make(std::make_shared<VQRTFPDFExporter>());
  if (destDocType == "txt") return make(std::make_shared<VQTextPDFExporter>());
  return nullptr;
}

VQFlowTextPDFExporter::~VQFlowTextPDFExporter() = default;

void VQFlowTextPDFExporter::convertPDFBegin(const std::string& destPath, const std::shared_ptr<const pdf::Document>&) {
  pageParser_.reset();
  papyrant_ = flowtext::VQFlowTextMakeDocument(destDocType, destPath, static_cast<int64_t>(toTotalPages));
  isShouldCancel = false;
  if (!papyrant_) throw std::runtime_error("No flow-text document for the type \"" + destDocType + "\"");
  if (!papyrant_->writeDocumentBegin())
    throw std::runtime_error("Can't create the file " + destPath + ": " +
                             flowtext::VQFlowTextFileWriter::LastOpenFailure());
  VQPDFPageCaptureSettings settings;
  settings.annotations = moreOptions.isParserAnnots != 0;
  // Text output takes no pixels: the interpreter decodes no image.
  settings.decodeImages = false;
  settings.fontCache = std::make_shared<VQPDFFontCache>();
  settings.cancel = &isShouldCancel;
  pageParser_ =
      std::make_unique<VQFlowTextPDFPageParser>(*papyrant_, std::move(settings), stylesFromRendering(), isShouldCancel);
}

bool VQFlowTextPDFExporter::convertPDFPage(const std::optional<pdf::Page>& page, int64_t, int64_t) {
  if (!page || !pageParser_) return false;
  pageParser_->convertPDFPage(*page);
  return true;
}

void VQFlowTextPDFExporter::convertPDFEnd(const std::shared_ptr<const pdf::Document>&) {
  pageParser_.reset();
  if (!papyrant_) throw std::runtime_error("The conversion has no document");
  if (!papyrant_->packetZipFileIfNeed()) throw std::runtime_error(papyrant_->failureReason());
}

void VQFlowTextPDFExporter::convertPDFClean() {
  pageParser_.reset();
  if (papyrant_) papyrant_->convertPDFClean();
}

}  // namespace vq

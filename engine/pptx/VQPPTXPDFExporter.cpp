#include "pptx/VQPPTXPDFExporter.h"

#include <stdexcept>

#include "pptx/VQPPTXDocument.h"
#include "pptx/VQPPTXPDFPageParser.h"

namespace vq {

std::shared_ptr<VQPDFExporter> VQPPTXNewExporter(const std::string& destDocType, const std::string& destDocPath,
                                                 const VQPDFOptions& moreOptions) {
  if (destDocType != "pptx") return nullptr;
  return VQSetUpExporter(std::make_shared<VQPPTXPDFExporter>(), destDocType, destDocPath, moreOptions);
}

VQPPTXPDFExporter::VQPPTXPDFExporter() = default;
VQPPTXPDFExporter::~VQPPTXPDFExporter() = default;

int64_t VQPPTXPDFExporter::numFinishedPages() {
  if (!documentHandle_) return 0;
  const int64_t count = documentHandle_->writePagesCount();
  return count > 0 ? count - 1 : 0;
}

bool VQPPTXPDFExporter::writePagesInOrderIfReadyTemp() { return isNewConvered_.exchange(false); }

void VQPPTXPDFExporter::convertPDFBegin(const std::string& destPath, const std::shared_ptr<const pdf::Document>&) {
  documentHandle_.reset();
  documentHandle_ = std::make_shared<VQPPTXDocument>(destPath, toTotalPages);
  documentHandle_->writeDocumentBegin();
  fontCaches_ = std::make_unique<VQPDFThreadFontCaches>();
  isShouldCancel = false;
}

bool VQPPTXPDFExporter::convertPDFPage(const std::optional<pdf::Page>& page, int64_t toPageIndex, int64_t) {
  if (!page || !documentHandle_) return false;
  if (toPageIndex < 1 || static_cast<uint64_t>(toPageIndex) > documentHandle_->totalNumOfPages()) return false;
  VQPDFPageCaptureSettings settings;
  settings.annotations = moreOptions.isParserAnnots != 0;
  if (fontCaches_) settings.fontCache = fontCaches_->forPage(*page);
  settings.cancel = &isShouldCancel;
  VQPPTXPDFPageParser parser(*documentHandle_, std::move(settings));
  parser.isShouldCancel = &isShouldCancel;
  if (!parser.convertPDFPage(page, toPageIndex)) return false;
  documentHandle_->updateDocumentPageSize(parser.currentPageCropBox().size);
  isNewConvered_ = true;
  return true;
}

void VQPPTXPDFExporter::skipPDFPage(int64_t, int64_t) {}

void VQPPTXPDFExporter::convertPDFEnd(const std::shared_ptr<const pdf::Document>&) {
  if (!documentHandle_) throw std::runtime_error("The conversion has no presentation document");
  auto document = std::move(documentHandle_);
  document->packetZipFileIfNeed();
}

void VQPPTXPDFExporter::convertPDFClean() {
  if (documentHandle_) documentHandle_->convertPDFClean();
  documentHandle_.reset();
}

}  // namespace vq

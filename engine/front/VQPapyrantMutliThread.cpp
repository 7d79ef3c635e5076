#include "front/VQPapyrantMutliThread.h"

namespace vq {

std::map<std::string, std::string> VQPapyrantSupportDocTypes();

VQPapyrantMutliThread::VQPapyrantMutliThread() : core_(VQFrontKind::PageParallel, this) {}

VQPapyrantMutliThread::~VQPapyrantMutliThread() = default;

void VQPapyrantMutliThread::convertPDFAtPath(const std::string& pdfPath, const std::string& pdfPassword,
                                             const std::vector<uint64_t>& pdfPageIndexs, const std::string& destDocType,
                                             const std::string& destDocPath, const VQPDFOptions& moreOptions) {
  core_.start(VQConversionRequest{pdfPath, pdfPassword, pdfPageIndexs, destDocType, destDocPath, moreOptions}, [this] {
    if (delegate_) delegate_->didStartConversion(this, std::nullopt);
  });
}

void VQPapyrantMutliThread::stopConvertsionIfNeed() { core_.stop(); }

bool VQPapyrantMutliThread::isConverting() const { return core_.isConverting(); }
double VQPapyrantMutliThread::conversionSpendTime() const { return core_.conversionSpendTime(); }
std::string VQPapyrantMutliThread::pdfPath() const { return core_.request().pdfPath; }
std::string VQPapyrantMutliThread::pdfPassword() const { return core_.request().pdfPassword; }
std::vector<uint64_t> VQPapyrantMutliThread::pdfPageIndexs() const { return core_.request().pdfPageIndexs; }
std::string VQPapyrantMutliThread::destDocType() const { return core_.request().destDocType; }
std::string VQPapyrantMutliThread::destDocPath() const { return core_.request().destDocPath; }
VQPDFOptions VQPapyrantMutliThread::moreOptions() const { return core_.request().moreOptions; }
std::shared_ptr<VQPDFExporter> VQPapyrantMutliThread::currentExporter() const { return core_.currentExporter(); }
void VQPapyrantMutliThread::setExporterFactory(VQExporterFactory factory) {
  core_.setExporterFactory(std::move(factory));
}

std::map<std::string, std::string> VQPapyrantMutliThread::supportDocTypes() { return VQPapyrantSupportDocTypes(); }

void VQPapyrantMutliThread::reportPage(uint64_t done, uint64_t total) {
  if (delegate_) delegate_->toPageIndexToTotalPages(this, done, total);
}
void VQPapyrantMutliThread::reportPageFailed(uint64_t pdfPageIndex, const VQError& error) {
  if (delegate_) delegate_->pdfPageIndexFaildWithError(this, pdfPageIndex, error);
}
void VQPapyrantMutliThread::reportWillSave() {
  if (delegate_) delegate_->willSaveDoc(this, std::nullopt);
}
void VQPapyrantMutliThread::reportException(const VQException& exception) {
  if (delegate_) delegate_->catchException(this, exception);
}
void VQPapyrantMutliThread::reportProgress(uint64_t pageIndex, uint64_t progress) {
  if (delegate_) delegate_->pageIndexProgress(this, pageIndex, progress);
}
void VQPapyrantMutliThread::reportEnd(const std::optional<VQError>& error) {
  if (delegate_) delegate_->didEndConversion(this, error);
}

}  // namespace vq

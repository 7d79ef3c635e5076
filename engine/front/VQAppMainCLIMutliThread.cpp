#include "front/VQAppMainCLIMutliThread.h"

namespace vq {

VQAppMainCLIMutliThread::VQAppMainCLIMutliThread() { papyrant_.setDelegate(this); }

void VQAppMainCLIMutliThread::startConversion(const std::string& path, const std::vector<uint64_t>& pages,
                                              const std::string& format, const std::string& destination,
                                              const VQPDFOptions& options) {
  papyrant_.convertPDFAtPath(path, "", pages, format, destination, options);
}

void VQAppMainCLIMutliThread::didStartConversion(VQPapyrantMutliThread*, const std::optional<VQError>&) {
  printStarted(papyrant_.pdfPath());
}

void VQAppMainCLIMutliThread::didEndConversion(VQPapyrantMutliThread*, const std::optional<VQError>& error) {
  printEnded(error, papyrant_.pdfPath(), papyrant_.destDocPath(), papyrant_.conversionSpendTime());
}

void VQAppMainCLIMutliThread::toPageIndexToTotalPages(VQPapyrantMutliThread*, uint64_t pageIndex, uint64_t totalPages) {
  printPage(pageIndex, totalPages);
}

void VQAppMainCLIMutliThread::willSaveDoc(VQPapyrantMutliThread*, const std::optional<VQError>&) {
  printWillSave(papyrant_.destDocPath());
}

void VQAppMainCLIMutliThread::catchException(VQPapyrantMutliThread*, const VQException& exception) {
  printException(exception);
}

void VQAppMainCLIMutliThread::pdfPageIndexFaildWithError(VQPapyrantMutliThread*, uint64_t pdfPageIndex,
                                                         const VQError&) {
  noteFailedPage(pdfPageIndex);
}

}  // namespace vq

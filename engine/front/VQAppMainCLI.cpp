#include "front/VQAppMainCLI.h"

namespace vq {

VQAppMainCLI::VQAppMainCLI() { papyrant_.setDelegate(this); }

void VQAppMainCLI::startConversion(const std::string& path, const std::vector<uint64_t>& pages,
                                   const std::string& format, const std::string& destination,
                                   const VQPDFOptions& options) {
  papyrant_.convertPDFAtPath(path, "", pages, format, destination, options);
}

void VQAppMainCLI::didStartConversion(VQPapyrant*, const std::optional<VQError>&) { printStarted(papyrant_.pdfPath()); }

void VQAppMainCLI::didEndConversion(VQPapyrant*, const std::optional<VQError>& error) {
  printEnded(error, papyrant_.pdfPath(), papyrant_.destDocPath(), papyrant_.conversionSpendTime());
}

void VQAppMainCLI::toPageIndexToTotalPages(VQPapyrant*, uint64_t pageIndex, uint64_t totalPages) {
  printPage(pageIndex, totalPages);
}

void VQAppMainCLI::willSaveDoc(VQPapyrant*, const std::optional<VQError>&) { printWillSave(papyrant_.destDocPath()); }

void VQAppMainCLI::catchException(VQPapyrant*, const VQException& exception) { printException(exception); }

void VQAppMainCLI::pdfPageIndexFaildWithError(VQPapyrant*, uint64_t pdfPageIndex, const VQError&) {
  noteFailedPage(pdfPageIndex);
}

}  // namespace vq

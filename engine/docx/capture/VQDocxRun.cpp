#include "docx/capture/VQDocxRun.h"

#include "office/VQDocxUtilities.h"

namespace vq {

VQDocxRun::VQDocxRun() : rProperty(VQDocxUtilities::defaultRProperty()) {}

void VQDocxRun::setPdfScanIndex(uint64_t index) {
  pdfScanIndex_ = index;
  if (pdfScanIndex_orignal_ != kNoScanIndex) pdfScanIndex_orignal_ = index;
}

bool VQDocxRun::isPDFScanIndexContinue(const VQDocxRun& other) const {
  const uint64_t a = pdfScanIndex_, b = other.pdfScanIndex_;
  // Compared as a distance, so that the largest index is no neighbour of 0.
  return (a > b ? a - b : b - a) <= 1;
}

std::shared_ptr<VQDocxObject> VQDocxRun::cloneObject() const {
  auto copy = std::make_shared<VQDocxRun>();
  copyRunFieldsTo(*copy);
  return copy;
}

void VQDocxRun::copyRunFieldsTo(VQDocxRun& to) const {
  to.setPdfScanIndex_orignal(pdfScanIndex_orignal_);
  to.setPdfScanIndex(pdfScanIndex_);
  to.pdfScanLength = pdfScanLength;
  to.rProperty = rProperty;
  to.ctmInfo = ctmInfo;
  to.isExtGStateSMask = isExtGStateSMask;
  to.isAnnotion = isAnnotion;
  to.isShading = isShading;
  to.pdfAnnotionIndex = pdfAnnotionIndex;
}

}  // namespace vq

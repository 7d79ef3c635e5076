#include "docx/capture/VQDocxRunPict.h"

#include <fmt/format.h>

namespace vq {

std::string VQDocxRunPict::description() const {
  return fmt::format("<{}: {}:[pdfScanIndex:{}]>", className(), fmt::ptr(this), static_cast<int64_t>(pdfScanIndex()));
}

std::shared_ptr<VQDocxObject> VQDocxRunPict::cloneObject() const {
  auto copy = std::make_shared<VQDocxRunPict>();
  copyPictFieldsTo(*copy);
  return copy;
}

void VQDocxRunPict::copyPictFieldsTo(VQDocxRunPict& to) const {
  copyRunFieldsTo(to);
  to.pictZIndex = pictZIndex;
}

}  // namespace vq

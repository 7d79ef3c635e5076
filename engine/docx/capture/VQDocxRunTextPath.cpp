#include "docx/capture/VQDocxRunTextPath.h"

namespace vq {

Rect VQDocxRunTextPath::displayRect() const {
  if (!pictInfo) return RectZero;
  return RectMake(pictInfo->displayX, pictInfo->displayY, pictInfo->displayWidth, pictInfo->displayHeight);
}

std::shared_ptr<VQDocxObject> VQDocxRunTextPath::cloneObject() const {
  auto copy = std::make_shared<VQDocxRunTextPath>();
  copyPictFieldsTo(*copy);
  copy->runText = runText;
  if (pictInfo) {
    std::unique_ptr<VQDocxRunPictInfo> info = pictInfo->copy();
    copy->pictInfo = std::shared_ptr<VQDocxTextPathInfo>(static_cast<VQDocxTextPathInfo*>(info.release()));
  }
  return copy;
}

}  // namespace vq

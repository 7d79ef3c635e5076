#include "docx/capture/VQDocxRunImage.h"

namespace vq {

Rect VQDocxRunImage::displayRect() const {
  if (!pictInfo) return RectZero;
  return RectMake(pictInfo->displayX, pictInfo->displayY, pictInfo->displayWidth, pictInfo->displayHeight);
}

std::shared_ptr<VQDocxObject> VQDocxRunImage::cloneObject() const {
  return std::shared_ptr<VQDocxRunImage>(new VQDocxRunImage(*this));
}

}  // namespace vq

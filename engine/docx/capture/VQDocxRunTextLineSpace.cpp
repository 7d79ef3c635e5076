#include "docx/capture/VQDocxRunTextLineSpace.h"

#include <fmt/format.h>

namespace vq {

std::optional<VQDocxRunTextLineSpace> VQDocxRunTextLineSpace::RunTextLineSpaceWithLeftRunText(
    std::shared_ptr<VQDocxRunText> left, std::shared_ptr<VQDocxRunText> right) {
  if (!left && !right) return std::nullopt;
  VQDocxRunTextLineSpace space;
  if (left && right) {
    const VQPDF_CTMInfo& l = left->ctmInfo;
    const double gap = right->ctmInfo.xLeft - l.xRight;
    space.spaceRect =
        gap > 0 ? RectMake(l.xRight, l.yTop, gap, l.frame.size.height)
                : RectMake(right->ctmInfo.xLeft - kTouchingWidth / 2, l.yTop, kTouchingWidth, l.frame.size.height);
  } else if (left) {
    const VQPDF_CTMInfo& l = left->ctmInfo;
    space.spaceRect = RectMake(l.xRight, l.yTop, kOpenEndWidth, l.frame.size.height);
  } else {
    const VQPDF_CTMInfo& r = right->ctmInfo;
    space.spaceRect = RectMake(0, r.yTop, r.xLeft, r.frame.size.height);
  }
  space.leftRunText = std::move(left);
  space.rightRunText = std::move(right);
  return space;
}

std::string VQDocxRunTextLineSpace::description() const {
  auto text = [](const std::shared_ptr<VQDocxRunText>& run) { return run ? run->runText() : std::string("(null)"); };
  return fmt::format("<VQDocxRunTextLineSpace: {}:[spaceRect:{}][leftRunText:{}][rightRunText:{}]>", fmt::ptr(this),
                     NSStringFromCGRect_VQLib(spaceRect), text(leftRunText), text(rightRunText));
}

}  // namespace vq

#pragma once
// The gap between two neighbouring runs of a text line, as a rectangle in
// page display space. The line builder makes one for every gap of a line
// (including the stretch before its first run and after its last), and the
// line and column builders look for white bands, the column gutters, among
// them. A copy shares the two runs.
#include <memory>
#include <optional>
#include <string>

#include "docx/capture/VQDocxRunText.h"
#include "platform/graphics/VQGeometry.h"

namespace vq {

struct VQDocxRunTextLineSpace {
  // How far the gap after a line's last run reaches: to the right of
  // anything a page holds.
  static constexpr double kOpenEndWidth = static_cast<double>(99999.9f);
  // The width of the gap between touching or overlapping runs.
  static constexpr double kTouchingWidth = 0.2;

  Rect spaceRect;
  std::shared_ptr<VQDocxRunText> leftRunText;   // nullptr at the start of a line
  std::shared_ptr<VQDocxRunText> rightRunText;  // nullptr at the end of a line

  // The gap between the two runs, at the height of the left one (of the
  // right one before a line's first run); nothing when both are absent.
  // Touching or overlapping runs get a sliver kTouchingWidth wide about the
  // right run's left edge, so that no gap is empty.
  static std::optional<VQDocxRunTextLineSpace> RunTextLineSpaceWithLeftRunText(std::shared_ptr<VQDocxRunText> left,
                                                                               std::shared_ptr<VQDocxRunText> right);

  // "<VQDocxRunTextLineSpace: 0x...:[spaceRect:...][leftRunText:...][rightRunText:...]>"
  std::string description() const;
};

}  // namespace vq

#include "docx/capture/VQDocxRunTextBox.h"

#include <algorithm>
#include <array>

namespace vq {

Rect VQDocxRunTextBox::displayRect() const {
  if (!pictInfo) return RectZero;
  return pictInfo->textBoxRect();
}

VQDocxRunText::Array VQDocxRunTextBox::allRunTextArray() const {
  VQDocxRunText::Array runs;
  for (const auto& paragraph : paragraphArray) {
    if (!paragraph) continue;
    const auto own = paragraph->allRunTextArray();
    runs.insert(runs.end(), own.begin(), own.end());
  }
  return runs;
}

int32_t VQDocxRunTextBox::RotationOfRunTextBoxArray(const Array& boxes) {
  // Counts of the groups 0, 90, 180 and 270, in that order.
  std::array<size_t, 4> counts{};
  for (const auto& box : boxes) {
    const double r = box && box->pictInfo ? box->pictInfo->rotation : 0;
    if (r > 85 && r < 95) ++counts[1];
    else if (r > 175 && r < 185) ++counts[2];
    else if (r > 265 && r < 275) ++counts[3];
    else ++counts[0];
  }
  // The largest group; on a tie the earlier group wins, so that an even split
  // leaves the page as it is rather than turning it.
  const auto largest = std::max_element(counts.begin(), counts.end());
  if (*largest == 0) return 0;
  return static_cast<int32_t>(90 * (largest - counts.begin()));
}

std::shared_ptr<VQDocxObject> VQDocxRunTextBox::cloneObject() const {
  auto copy = std::make_shared<VQDocxRunTextBox>();
  copyPictFieldsTo(*copy);
  copy->paragraphArray = paragraphArray;
  if (pictInfo) {
    std::unique_ptr<VQDocxRunPictInfo> info = pictInfo->copy();
    copy->pictInfo = std::shared_ptr<VQDocxTextBoxInfo>(static_cast<VQDocxTextBoxInfo*>(info.release()));
  }
  return copy;
}

}  // namespace vq

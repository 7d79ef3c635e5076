#pragma once
// A floating text box: a rectangle placed absolutely on the page holding
// paragraphs of its own. The capture makes one for text turned a quarter or
// half turn, so that such text stays text a user can edit.
#include <cstdint>
#include <memory>
#include <vector>

#include "docx/capture/VQDocxParagraph.h"
#include "docx/capture/VQDocxRunPict.h"
#include "docx/capture/VQDocxRunPictInfo.h"

namespace vq {

class VQDocxRunTextBox : public VQDocxRunPict {
 public:
  using Array = std::vector<std::shared_ptr<VQDocxRunTextBox>>;

  VQDocxRunTextBox() = default;

  std::shared_ptr<VQDocxRunTextBox> clone() const { return std::static_pointer_cast<VQDocxRunTextBox>(cloneObject()); }

  // Position, size, turn, fill and outline; may be absent.
  std::shared_ptr<VQDocxTextBoxInfo> pictInfo;
  // The box's paragraphs, top to bottom.
  VQDocxParagraph::Array paragraphArray;

  // The record's box; the zero rectangle without one.
  Rect displayRect() const override;
  // The text runs of all paragraphs, paragraph after paragraph.
  VQDocxRunText::Array allRunTextArray() const;

  // The turn most of the boxes share: 90, 180 or 270 when the largest group
  // of boxes is turned so, else 0 (also for no boxes).
  static int32_t RotationOfRunTextBoxArray(const Array& boxes);

 protected:
  VQDocxRunTextBox(const VQDocxRunTextBox&) = default;
  VQDocxRunTextBox& operator=(const VQDocxRunTextBox&) = default;
  // A copy shares the paragraphs and keeps of the record only its place and size.
  std::shared_ptr<VQDocxObject> cloneObject() const override;
};

}  // namespace vq

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
  // The box's sections when its text was laid out as a small page; they win
  // over the paragraphs.
  std::vector<std::shared_ptr<VQDocxObject>> allPageSectionArray;

  // The record's box; the zero rectangle without one.
  Rect displayRect() const override;
  // The text runs of all paragraphs, paragraph after paragraph.
  VQDocxRunText::Array allRunTextArray() const;

  // A VML text box in a run, placed absolutely on the page, holding the
  // sections, else the paragraphs, else one small empty paragraph.
  void writeWithXMLWriter(XMLFileWriter& writer) override;

  // The turn most of the boxes share: 90, 180 or 270 when the largest group
  // of boxes is turned so, else 0 (also for no boxes).
  static int32_t RotationOfRunTextBoxArray(const Array& boxes);

 protected:
  void writeContent(XMLFileWriter& writer);
  VQDocxRunTextBox(const VQDocxRunTextBox&) = default;
  VQDocxRunTextBox& operator=(const VQDocxRunTextBox&) = default;
  // A copy shares the paragraphs and keeps of the record only its place and size.
  std::shared_ptr<VQDocxObject> cloneObject() const override;
};

}  // namespace vq

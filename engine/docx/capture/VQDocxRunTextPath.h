#pragma once
// Text that flowing Word text cannot show, drawn at an angle other than a
// quarter turn or mirrored: the glyphs of one base line gathered into a
// string, placed absolutely on the page by its record, and written as WordArt.
#include <memory>
#include <string>

#include "docx/capture/VQDocxRunPict.h"
#include "docx/capture/VQDocxRunPictInfo.h"

namespace vq {

class VQDocxRunTextPath : public VQDocxRunPict {
 public:
  VQDocxRunTextPath() = default;

  std::shared_ptr<VQDocxRunTextPath> clone() const {
    return std::static_pointer_cast<VQDocxRunTextPath>(cloneObject());
  }

  // The characters along the path.
  std::string runText;
  // Position, size, turn, flips, fill and outline; may be absent.
  std::shared_ptr<VQDocxTextPathInfo> pictInfo;

  // The record's box; the zero rectangle without one.
  Rect displayRect() const override;
  // WordArt in a run: a VML text-path shape placed absolutely on the page,
  // turned and mirrored as the text is.
  void writeWithXMLWriter(XMLFileWriter& writer) override;

 protected:
  VQDocxRunTextPath(const VQDocxRunTextPath&) = default;
  VQDocxRunTextPath& operator=(const VQDocxRunTextPath&) = default;
  // A copy keeps the text, and of the record only the position and size.
  std::shared_ptr<VQDocxObject> cloneObject() const override;
};

}  // namespace vq

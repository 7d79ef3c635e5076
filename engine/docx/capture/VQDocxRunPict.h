#pragma once
// The base of the runs that float over the text as VML drawings (paths,
// pictures, text boxes, WordArt): it adds their stacking order.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "docx/capture/VQDocxRun.h"

namespace vq {

class VQDocxRunPict : public VQDocxRun {
 public:
  VQDocxRunPict() = default;

  std::shared_ptr<VQDocxRunPict> clone() const { return std::static_pointer_cast<VQDocxRunPict>(cloneObject()); }

  // The VML z-index: pictures stack behind the text, text boxes above it.
  int64_t pictZIndex = 0;

  // Each kind of drawing knows its box; the base has none.
  Rect displayRect() const override { return RectZero; }
  // "<Class: 0x...:[pdfScanIndex:N]>"
  std::string description() const override;

 protected:
  // The fill and outline attributes of a VML shape: "filled" and its colour,
  // "stroked" and, for a stroked shape, its weight and colour.
  static void WriteShapeFillAndStroke(XMLFileWriter& writer, bool filled, const std::optional<std::string>& fillcolor,
                                      bool stroked, double strokeweight, const std::optional<std::string>& strokecolor);
  // The opening of a VML shape in a run: the run, its properties, the
  // picture and the shape with its id and type (the shape type's id with "#").
  void WriteShapeStart(XMLFileWriter& writer, const char* id, const char* shapeType) const;
  // The closing of a shape placed on the page: its page-anchored wrap, then
  // the ends of the shape, the picture and the run.
  static void WritePageWrapAndEndShape(XMLFileWriter& writer);

  VQDocxRunPict(const VQDocxRunPict&) = default;
  VQDocxRunPict& operator=(const VQDocxRunPict&) = default;

  std::shared_ptr<VQDocxObject> cloneObject() const override;
  void copyPictFieldsTo(VQDocxRunPict& to) const;
};

}  // namespace vq

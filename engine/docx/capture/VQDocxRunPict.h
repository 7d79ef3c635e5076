#pragma once
// The base of the runs that float over the text as VML drawings (paths,
// pictures, text boxes, WordArt): it adds their stacking order.
#include <cstdint>
#include <memory>
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
  VQDocxRunPict(const VQDocxRunPict&) = default;
  VQDocxRunPict& operator=(const VQDocxRunPict&) = default;

  std::shared_ptr<VQDocxObject> cloneObject() const override;
  void copyPictFieldsTo(VQDocxRunPict& to) const;
};

}  // namespace vq

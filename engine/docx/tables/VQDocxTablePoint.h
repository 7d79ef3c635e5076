#pragma once
// A corner of a table grid: a crossing of two rules, the end of a rule, or
// a corner the grid completion added where a crossing is missing.
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/graphics/VQGeometry.h"

namespace vq {

class VQDocxTableLine;

class VQDocxTablePoint {
 public:
  using Array = std::vector<std::shared_ptr<VQDocxTablePoint>>;

  // Stores the type bits and derives the flags from them.
  void setType(uint8_t type) {
    type_ = type;
    isIntersectShow = (type & 1) != 0;
    isEnd = (type & 2) != 0;
    isIntersectHide = (type & 4) != 0;
    isDeleted = (type & 8) != 0;
    isIntersect = isIntersectShow && isIntersectHide;
  }
  uint8_t type() const { return type_; }

  Point point = PointZero;
  bool isIntersectHide = false;
  bool isIntersectShow = false;
  bool isIntersect = false;
  bool isDeleted = false;
  bool isEnd = false;
  // The rules through the point (within 15.1).
  std::vector<std::shared_ptr<VQDocxTableLine>> tableLines;

 private:
  uint8_t type_ = 0;
};

}  // namespace vq

#pragma once
// One edge of a table cell between two grid points: the rules that run
// through both points and cover the edge, the paths that draw them, and the
// WordprocessingML border (style, width, colour) they make.
#include <memory>

#include "docx/tables/VQDocxTableLine.h"
#include "docx/tables/VQDocxTablePoint.h"

namespace vq {

class VQDocxTableBorder {
 public:
  VQDocxTableBorder(std::shared_ptr<VQDocxTablePoint> point1, std::shared_ptr<VQDocxTablePoint> point2,
                    bool isHorizontal);

  bool isHorizontal = false;
  double borderLength = 0;
  std::shared_ptr<VQDocxTablePoint> borderPoint1;  // left or upper end
  std::shared_ptr<VQDocxTablePoint> borderPoint2;  // right or lower end
  Rect bounds = RectZero;
  VQDocxTableLine::Array tableLines;
  VQDocxTableLine::Array childLineArray;
  VQDocxTableLine::Array styleLineArray;
  VQDocxRunPath::Array allRunPaths;

  void initProcessTableLines();
  VQDocx_Border borderProperty() const;
  VQDocx_Color borderColor() const;
  double borderWidth(VQDocx_Color color) const;

  static VQDocxTableLine::Array CreateAllChildTableLines(const VQDocxTableLine::Array& lines, double miniLength,
                                                         bool isHorizontal);
  static VQDocxRunPath::Array CreateAllRunPathArray(const VQDocxTableLine::Array& lines);
};

}  // namespace vq

#pragma once
// A candidate table: a group of crossing rules with the paths they came
// from, the texts inside, the nearby paths that are not its rules, its grid
// points in rows, and the candidates nested in it. It decides whether it is
// a real grid and builds the table.
#include <memory>
#include <vector>

#include "docx/capture/VQDocxRunText.h"
#include "docx/tables/VQDocxRuledTable.h"
#include "docx/tables/VQDocxTableLine.h"
#include "docx/tables/VQDocxTablePoint.h"

namespace vq {

class VQDocxPage;

class VQDocxTableArea {
 public:
  using Ptr = std::shared_ptr<VQDocxTableArea>;
  using Array = std::vector<Ptr>;

  explicit VQDocxTableArea(const VQDocxTableLine::Array& lines);

  Array allSubAreaArray;
  VQDocxRunPath::Array allRunPathArray;
  VQDocxRunText::Array allRunTextArray;
  VQDocxTableLine::Array tableLines;
  VQDocxTableLine::Array tableLines_removed;
  VQDocxTablePoint::Array intersectPointArray;
  VQDocxRunPath::Array allRunPathArray_excluded;
  std::vector<VQDocxTablePoint::Array> tablePoints;
  Rect bounds = RectZero;
  uint64_t minPDFScanIndex = 0, maxPDFScanIndex = 0;
  uint64_t minTextPDFScanIndex = 0, maxTextPDFScanIndex = 0;

  bool isValidTableLines() const;
  void setAllTableLinesInvalid();
  bool addRunText(const std::shared_ptr<VQDocxRunText>& text);
  void caculateIntersectionPoints();
  bool isGraphChart() const;
  bool isValidTableArea();
  // The table of the area (and of its nested areas); nullptr when the area
  // is no table after all.
  std::shared_ptr<VQDocxRuledTable> createTableWithPage(VQDocxPage* page);

  static Array FindTable(const VQDocxTableArea& area, const Array& areas);
  static VQDocxTablePoint::Array FindSameXYTablePoints(const VQDocxTablePoint::Array& points, bool compareY);
  static std::vector<VQDocxTablePoint::Array> SortTablePointsGroup(const VQDocxTablePoint::Array& points);
};

}  // namespace vq

#pragma once
// One horizontal or vertical rule of a candidate table: a segment cut from
// a vector path, or the merge of parallel fragments of one rule. The class
// operations do the line-level work of the detection: grouping rules that
// touch, merging fragments, recognising a frame around the whole page, and
// classifying the style of a cell edge.
#include <memory>
#include <vector>

#include "docx/capture/VQDocxRunPath.h"
#include "office/VQDocxTypes.h"
#include "platform/graphics/VQGeometry.h"

namespace vq {

class VQDocxTableLine {
 public:
  using Ptr = std::shared_ptr<VQDocxTableLine>;
  using Array = std::vector<Ptr>;

  Array subLineArray;                          // the lines merged into this one
  std::shared_ptr<VQDocxRunPath> initRunPath;  // the path it was cut from; none when merged
  VQDocxRunPath::Array allRunPathArray;        // every contributing path, once
  bool isInvalid = false;
  bool isHorizontalLine = false;
  Point startPoint = PointZero;
  Point endPoint = PointZero;
  double lineLength = 0;
  Rect boundingBox = RectZero;

  float min_x() const;
  float max_x() const;
  float min_y() const;
  float max_y() const;

  // Orientation, length and drawn box from the end points and the path.
  void updateLineInfo();
  void add2SubLineArray(const Array& lines);
  void add2AllRunPathArray(const VQDocxRunPath::Array& paths);
  bool isShortLine(double limit);
  // Marks the line and its sub-lines.
  void setIsInvalid(bool invalid);
  bool isStroked() const;
  bool isFilled() const;
  // The stroke colour of the first stroked path; none without one.
  std::optional<Color> tableLineColor() const;
  Ptr isIntersectLines(const Array& lines) const;
  int32_t borderStyleForLinePoint1(Point p1, Point p2, VQDocx_Color backgroundColor) const;

  static bool IsIntersect(const VQDocxTableLine& a, const VQDocxTableLine& b);
  static Rect BoundsOfTableLines(const Array& lines);
  static Array FindIntersectLines(Array& lines);
  static std::vector<Array> FindIntersectLinesGroups(const Array& lines, double minFontSize);
  static Array MergeParallelLinesIfNeed(const Array& lines, bool isLengthExtend, double minFontSize);
  static Array FindMergeParallelLines(Array& lines, bool isLengthExtend, double minFontSize);
  static Ptr ContinuFindMergeParallelLines(const Array& lines, const Array& group, bool isLengthExtend);
  static Ptr MergeParallelLines(const Array& group);
  // The frame lines [top, left, right, bottom] of a frame drawn round all
  // lines, or nothing.
  static Array FindRemoveFrameLinesIfNeed(const Array& lines);
  static Array CreateStyleLineArray(const Array& lines, Point p1, Point p2, VQDocx_Color backgroundColor);
  static int32_t BorderStyleForTableLines(const Array& styleLines, Point p1, Point p2, VQDocx_Color backgroundColor,
                                          double* grapDistance);
  static bool IsHaveSameStartLines(const Array& lines);
  static bool IsHaveSameStartLines(const Array& lines, double value);
};

}  // namespace vq

#pragma once
// Tests that sort vector paths into lines: which paths are axis-parallel
// lines, thin rectangles turned into centre lines with a width, and how
// parallel segments overlap. Two coordinates closer than 1 point count as
// equal in the line tests.
#include <optional>
#include <vector>

#include "platform/graphics/VQGeometry.h"
#include "platform/graphics/VQPath.h"

namespace vq {

class VQLineUtilites {
 public:
  // Every point of every element in order: one for a move or a line, control
  // point(s) and end point for curves, none for a close.
  static std::vector<Point> NSArrayFromCGPath(const Path& path);
  // Move and line points only; nothing when the path holds a curve, gives
  // fewer than two points, or has two consecutive points that are not
  // right-angle neighbours (an axis-parallel polyline is what remains).
  static std::optional<std::vector<Point>> NSArrayFromCGPath_NoCurve(const Path& path);
  // A move to the first point and a line to each further one.
  static Path CGPathFromLinePointArray(const std::vector<Point>& points);

  static bool IsVerticalLineP1(Point p1, Point p2);    // dx < 1 and dy >= 1
  static bool IsHorizontalLineP1(Point p1, Point p2);  // dy < 1 and dx >= 1
  static bool IsRightAngleLineP1(Point p1, Point p2);  // dx < 1 or dy < 1

  // Stroke width after a transform: half of |w(a + c)| + |w(b + d)|, at
  // least 0.1 (single precision).
  static double LineWidthApplyTransform(double width, const AffineTransform& t);

  // Four corners of a rectangle in any rotation: five of the six corner pairs
  // distinct (p1, p3 is not compared) and each of the four corner triangles
  // right-angled, compared exactly in single precision.
  static bool IsRectangeP1(Point p1, Point p2, Point p3, Point p4);
  // 4 or 5 points: IsRectangeP1 on the first four.
  static bool IsRectange(const std::vector<Point>& points);
  // 4 to 6 points whose first four form an axis-parallel rectangle (exact
  // coordinates, either order of sides).
  static bool IsHorizontalRectange(const std::vector<Point>& points);
  // 4 to 6 points with one pair of opposite sides both exactly vertical or
  // both exactly horizontal.
  static bool IsQuadrilateral2LinesParallel(const std::vector<Point>& points);
  // A quadrilateral with parallel sides, two sides shorter than maxWidth (6
  // when below 1), and |p1p2| more than twice |p2p3| or the other way round.
  static bool IsQuadrilateralLikeLine(const std::vector<Point>& points, double maxWidth);
  // The centre line along the long side of a thin rectangle of 4 or 5
  // points, with the short side's length in *lineWidth; nothing otherwise.
  static std::optional<std::vector<Point>> ConvertRectangeToLine(const std::vector<Point>& points, double* lineWidth);
};

// Segment p1-p2 runs horizontally or vertically within 1 point.
bool isHVLine(Point p1, Point p2);
// 1, 2 or 3 when the triangle has its right angle at p1, p2 or p3 (squared
// side lengths compared exactly in single precision), else 0; *counter (when
// given) is raised by one for every non-zero answer.
int JudgeIsRightAngle(Point p1, Point p2, Point p3, int* counter);
float PointsDistance(Point p1, Point p2);
// The point lies on segment a-b (within 1), or on its extension within
// `tolerance` beyond a or beyond b.
bool IsAlmostPointOnRange(Point p, Point a, Point b, double tolerance);
// x, y, width and height each differ by at most the tolerance.
bool IsEqualRect(double tolerance, const Rect& r1, const Rect& r2);
inline bool IsEqualRect(const Rect& r1, const Rect& r2, double tolerance) { return IsEqualRect(tolerance, r1, r2); }
// Length of the overlap of the intervals [a1, a2] and [b1, b2] (either
// order), 0 when they do not meet.
float OverlapeOfLine(float a1, float a2, float b1, float b2);
// Overlap of segments p1-p2 and p3-p4 when both are vertical (or both
// horizontal) within 1 and some pair of their ends lies closer than
// `distance` across them; 0 otherwise.
float ParallelLineOverlapLength(Point p1, Point p2, Point p3, Point p4, double distance);

}  // namespace vq

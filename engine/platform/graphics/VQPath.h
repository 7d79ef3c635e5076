#pragma once
// A vector path: an ordered list of elements (move, line, quadratic curve,
// cubic curve, close), each with the points it carries. Coordinates are
// whatever space the builder works in; a path never transforms itself except
// through transformed().
#include <array>
#include <vector>

#include "platform/graphics/VQGeometry.h"

namespace vq {

// The numeric values are the element codes of the element-list form of
// paths (0 move .. 4 close).
enum class PathElementType {
  MoveToPoint = 0,
  AddLineToPoint = 1,
  AddQuadCurveToPoint = 2,
  AddCurveToPoint = 3,
  CloseSubpath = 4,
};

// Number of points an element of this type carries: 1, 1, 2, 3, 0.
int PathElementPointCount(PathElementType type);

struct PathElement {
  PathElementType type = PathElementType::MoveToPoint;
  // Control points first, end point last; only pointCount() are meaningful.
  std::array<Point, 3> points{};

  int pointCount() const { return PathElementPointCount(type); }
  const Point& endPoint() const { return points[pointCount() > 0 ? pointCount() - 1 : 0]; }
  friend bool operator==(const PathElement& a, const PathElement& b);
};

class Path {
 public:
  Path() = default;

  void moveTo(Point p);
  void moveTo(double x, double y) { moveTo(Point{x, y}); }
  // A line or curve with no current point starts a subpath at its first point.
  void lineTo(Point p);
  void lineTo(double x, double y) { lineTo(Point{x, y}); }
  void quadCurveTo(Point cp, Point p);
  void curveTo(Point cp1, Point cp2, Point p);
  // Closes the current subpath; nothing happens without one.
  void closeSubpath();

  // Move, three lines, close: counter-clockwise from the origin in a y-up space.
  void addRect(const Rect& r);
  // Move to the right-middle point, four cubic curves, close.
  void addEllipseInRect(const Rect& r);
  // Move to the first point, a line to each further one.
  void addLines(const std::vector<Point>& points);
  // Appends every element of another path, mapped through t.
  void addPath(const Path& other, const AffineTransform& t = AffineTransformIdentity);
  void appendElement(const PathElement& e);

  bool isEmpty() const { return elements_.empty(); }
  const std::vector<PathElement>& elements() const { return elements_; }
  size_t elementCount() const { return elements_.size(); }
  auto begin() const { return elements_.begin(); }
  auto end() const { return elements_.end(); }

  // The end point of the last element; after a close, the start of that
  // subpath. Zero for an empty path (check isEmpty()).
  Point currentPoint() const { return current_; }
  bool hasCurrentPoint() const { return hasCurrent_; }

  // Tight box of the drawn shape: curves contribute their extrema, not their
  // control points. The null rectangle for an empty path.
  Rect boundingBox() const;
  // Box of every point the elements carry, control points included. Null for
  // an empty path.
  Rect boundingBoxOfPath() const;
  // True for a single axis-aligned rectangle: a move, three or four lines
  // (the fourth back to the start), and an optional close.
  bool isRect(Rect* rect = nullptr) const;
  bool containsCurves() const;

  Path transformed(const AffineTransform& t) const;

  friend bool operator==(const Path& a, const Path& b) { return a.elements_ == b.elements_; }

 private:
  std::vector<PathElement> elements_;
  Point current_{};
  Point subpathStart_{};
  bool hasCurrent_ = false;
};

}  // namespace vq

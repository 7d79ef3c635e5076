#pragma once
// Geometry value types of the platform layer. Semantics follow the usual
// desktop graphics conventions the converters were designed around:
// rectangles may be null (no area, position meaningless) or infinite,
// negative sizes are standardised before any test, and transforms built with
// translate/scale/rotate *prepend* the new operation (the new operation acts
// first on points, then the existing transform).
#include <cmath>
#include <limits>

namespace vq {

struct Point {
  double x = 0;
  double y = 0;
  friend bool operator==(const Point&, const Point&) = default;
};

struct Size {
  double width = 0;
  double height = 0;
  friend bool operator==(const Size&, const Size&) = default;
};

struct Rect {
  Point origin;
  Size size;
  friend bool operator==(const Rect&, const Rect&) = default;
};

inline constexpr Point PointMake(double x, double y) { return Point{x, y}; }
inline constexpr Size SizeMake(double w, double h) { return Size{w, h}; }
inline constexpr Rect RectMake(double x, double y, double w, double h) { return Rect{{x, y}, {w, h}}; }

// The affine matrix [a b 0; c d 0; tx ty 1]; a point maps as
// x' = a*x + c*y + tx, y' = b*x + d*y + ty.
struct AffineTransform {
  double a = 1, b = 0, c = 0, d = 1, tx = 0, ty = 0;
  friend bool operator==(const AffineTransform&, const AffineTransform&) = default;
};

inline constexpr AffineTransform AffineTransformIdentity{};
inline constexpr AffineTransform AffineTransformMake(double a, double b, double c, double d, double tx, double ty) {
  return AffineTransform{a, b, c, d, tx, ty};
}

}  // namespace vq

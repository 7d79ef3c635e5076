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

// ---- Special rectangles -------------------------------------------------

inline constexpr Point PointZero{};
inline constexpr Size SizeZero{};
inline constexpr Rect RectZero{};
// The null rectangle: the result of intersecting disjoint rectangles. Its
// origin is at +infinity so that no coordinate test can ever succeed on it.
inline constexpr Rect RectNull{{std::numeric_limits<double>::infinity(), std::numeric_limits<double>::infinity()},
                               {0, 0}};
// A rectangle with no bounds: every point lies inside it.
inline constexpr Rect RectInfinite{{-std::numeric_limits<double>::max() / 2, -std::numeric_limits<double>::max() / 2},
                                   {std::numeric_limits<double>::max(), std::numeric_limits<double>::max()}};

bool RectIsNull(const Rect& r);
bool RectIsInfinite(const Rect& r);
// Null, or zero width or zero height.
bool RectIsEmpty(const Rect& r);
// Same rectangle with non-negative width and height; null stays null.
Rect RectStandardize(const Rect& r);

// Edges and centre of the standardised rectangle.
double RectGetMinX(const Rect& r);
double RectGetMidX(const Rect& r);
double RectGetMaxX(const Rect& r);
double RectGetMinY(const Rect& r);
double RectGetMidY(const Rect& r);
double RectGetMaxY(const Rect& r);
double RectGetWidth(const Rect& r);   // always >= 0
double RectGetHeight(const Rect& r);  // always >= 0

// Smallest rectangle with whole-number edges that contains r.
Rect RectIntegral(const Rect& r);
// The null rectangle is the identity of union.
Rect RectUnion(const Rect& r1, const Rect& r2);
// Rectangles that only touch give a zero-size (not null) rectangle; disjoint
// ones give the null rectangle.
Rect RectIntersection(const Rect& r1, const Rect& r2);
// Min edges inclusive, max edges exclusive.
bool RectContainsPoint(const Rect& r, const Point& p);
// True when r2 lies inside r1, edges included. Nothing contains more than a
// null r1 does (nothing); every non-null rectangle contains the null one.
bool RectContainsRect(const Rect& r1, const Rect& r2);
bool RectIntersectsRect(const Rect& r1, const Rect& r2);
// Moves each edge inwards by dx / dy (outwards for negative values); a
// rectangle inset past zero size becomes null.
Rect RectInset(const Rect& r, double dx, double dy);
Rect RectOffset(const Rect& r, double dx, double dy);
inline bool RectEqualToRect(const Rect& a, const Rect& b) {
  return (RectIsNull(a) && RectIsNull(b)) || RectStandardize(a) == RectStandardize(b);
}
// A rectangle through the two points (any order).
Rect RectFromPoints(const Point& p1, const Point& p2);

// ---- Transforms ---------------------------------------------------------

// The small transforms are inline: the content interpreter runs several of
// them for every glyph it places.
inline Point PointApplyAffineTransform(const Point& p, const AffineTransform& t) {
  return Point{t.a * p.x + t.c * p.y + t.tx, t.b * p.x + t.d * p.y + t.ty};
}
// Sizes are vectors: the translation does not act on them.
inline Size SizeApplyAffineTransform(const Size& s, const AffineTransform& t) {
  return Size{t.a * s.width + t.c * s.height, t.b * s.width + t.d * s.height};
}
// Bounding box of the four transformed corners; null and infinite rectangles
// stay what they are.
Rect RectApplyAffineTransform(const Rect& r, const AffineTransform& t);

inline AffineTransform AffineTransformMakeTranslation(double tx, double ty) { return {1, 0, 0, 1, tx, ty}; }
inline AffineTransform AffineTransformMakeScale(double sx, double sy) { return {sx, 0, 0, sy, 0, 0}; }
AffineTransform AffineTransformMakeRotation(double radians);
// t1 first, then t2.
inline AffineTransform AffineTransformConcat(const AffineTransform& t1, const AffineTransform& t2) {
  return {t1.a * t2.a + t1.b * t2.c, t1.a * t2.b + t1.b * t2.d,           t1.c * t2.a + t1.d * t2.c,
          t1.c * t2.b + t1.d * t2.d, t1.tx * t2.a + t1.ty * t2.c + t2.tx, t1.tx * t2.b + t1.ty * t2.d + t2.ty};
}
// These prepend: the result applies the new operation first, then t.
inline AffineTransform AffineTransformTranslate(const AffineTransform& t, double tx, double ty) {
  return AffineTransformConcat(AffineTransformMakeTranslation(tx, ty), t);
}
inline AffineTransform AffineTransformScale(const AffineTransform& t, double sx, double sy) {
  return AffineTransformConcat(AffineTransformMakeScale(sx, sy), t);
}
AffineTransform AffineTransformRotate(const AffineTransform& t, double radians);
// A singular (or non-finite) transform is returned unchanged.
AffineTransform AffineTransformInvert(const AffineTransform& t);
bool AffineTransformIsInvertible(const AffineTransform& t);
bool AffineTransformIsIdentity(const AffineTransform& t);

}  // namespace vq

#include "platform/graphics/VQGeometry.h"

#include <algorithm>

namespace vq {

bool RectIsNull(const Rect& r) {
  return (std::isinf(r.origin.x) && r.origin.x > 0) || (std::isinf(r.origin.y) && r.origin.y > 0);
}

bool RectIsInfinite(const Rect& r) { return r == RectInfinite; }

bool RectIsEmpty(const Rect& r) { return RectIsNull(r) || r.size.width == 0 || r.size.height == 0; }

Rect RectStandardize(const Rect& r) {
  if (RectIsNull(r)) return RectNull;
  Rect s = r;
  if (s.size.width < 0) {
    s.origin.x += s.size.width;
    s.size.width = -s.size.width;
  }
  if (s.size.height < 0) {
    s.origin.y += s.size.height;
    s.size.height = -s.size.height;
  }
  return s;
}

double RectGetMinX(const Rect& r) { return RectStandardize(r).origin.x; }
double RectGetMinY(const Rect& r) { return RectStandardize(r).origin.y; }
double RectGetMaxX(const Rect& r) {
  Rect s = RectStandardize(r);
  return s.origin.x + s.size.width;
}
double RectGetMaxY(const Rect& r) {
  Rect s = RectStandardize(r);
  return s.origin.y + s.size.height;
}
double RectGetMidX(const Rect& r) {
  Rect s = RectStandardize(r);
  return s.origin.x + s.size.width / 2;
}
double RectGetMidY(const Rect& r) {
  Rect s = RectStandardize(r);
  return s.origin.y + s.size.height / 2;
}
double RectGetWidth(const Rect& r) { return std::fabs(r.size.width); }
double RectGetHeight(const Rect& r) { return std::fabs(r.size.height); }

Rect RectIntegral(const Rect& r) {
  if (RectIsNull(r) || RectIsInfinite(r)) return r;
  Rect s = RectStandardize(r);
  double x0 = std::floor(s.origin.x), y0 = std::floor(s.origin.y);
  double x1 = std::ceil(s.origin.x + s.size.width), y1 = std::ceil(s.origin.y + s.size.height);
  return RectMake(x0, y0, x1 - x0, y1 - y0);
}

Rect RectUnion(const Rect& r1, const Rect& r2) {
  if (RectIsNull(r1)) return RectStandardize(r2);
  if (RectIsNull(r2)) return RectStandardize(r1);
  if (RectIsInfinite(r1) || RectIsInfinite(r2)) return RectInfinite;
  Rect a = RectStandardize(r1), b = RectStandardize(r2);
  double x0 = std::min(a.origin.x, b.origin.x), y0 = std::min(a.origin.y, b.origin.y);
  double x1 = std::max(a.origin.x + a.size.width, b.origin.x + b.size.width);
  double y1 = std::max(a.origin.y + a.size.height, b.origin.y + b.size.height);
  return RectMake(x0, y0, x1 - x0, y1 - y0);
}

Rect RectIntersection(const Rect& r1, const Rect& r2) {
  if (RectIsNull(r1) || RectIsNull(r2)) return RectNull;
  if (RectIsInfinite(r1)) return RectStandardize(r2);
  if (RectIsInfinite(r2)) return RectStandardize(r1);
  Rect a = RectStandardize(r1), b = RectStandardize(r2);
  double x0 = std::max(a.origin.x, b.origin.x), y0 = std::max(a.origin.y, b.origin.y);
  double x1 = std::min(a.origin.x + a.size.width, b.origin.x + b.size.width);
  double y1 = std::min(a.origin.y + a.size.height, b.origin.y + b.size.height);
  if (x1 < x0 || y1 < y0) return RectNull;
  return RectMake(x0, y0, x1 - x0, y1 - y0);
}

bool RectContainsPoint(const Rect& r, const Point& p) {
  if (RectIsNull(r)) return false;
  Rect s = RectStandardize(r);
  return p.x >= s.origin.x && p.x < s.origin.x + s.size.width && p.y >= s.origin.y && p.y < s.origin.y + s.size.height;
}

bool RectContainsRect(const Rect& r1, const Rect& r2) {
  if (RectIsNull(r1)) return false;
  if (RectIsNull(r2)) return true;
  if (RectIsInfinite(r1)) return true;
  Rect a = RectStandardize(r1), b = RectStandardize(r2);
  return b.origin.x >= a.origin.x && b.origin.y >= a.origin.y &&
         b.origin.x + b.size.width <= a.origin.x + a.size.width &&
         b.origin.y + b.size.height <= a.origin.y + a.size.height;
}

bool RectIntersectsRect(const Rect& r1, const Rect& r2) { return !RectIsNull(RectIntersection(r1, r2)); }

Rect RectInset(const Rect& r, double dx, double dy) {
  if (RectIsNull(r)) return RectNull;
  Rect s = RectStandardize(r);
  s.origin.x += dx;
  s.origin.y += dy;
  s.size.width -= 2 * dx;
  s.size.height -= 2 * dy;
  if (s.size.width < 0 || s.size.height < 0) return RectNull;
  return s;
}

Rect RectOffset(const Rect& r, double dx, double dy) {
  if (RectIsNull(r)) return RectNull;
  Rect s = RectStandardize(r);
  s.origin.x += dx;
  s.origin.y += dy;
  return s;
}

Rect RectFromPoints(const Point& p1, const Point& p2) {
  double x0 = std::min(p1.x, p2.x), y0 = std::min(p1.y, p2.y);
  return RectMake(x0, y0, std::max(p1.x, p2.x) - x0, std::max(p1.y, p2.y) - y0);
}

Rect RectApplyAffineTransform(const Rect& r, const AffineTransform& t) {
  if (RectIsNull(r) || RectIsInfinite(r)) return r;
  Rect s = RectStandardize(r);
  const Point corners[4] = {
      PointApplyAffineTransform(s.origin, t),
      PointApplyAffineTransform({s.origin.x + s.size.width, s.origin.y}, t),
      PointApplyAffineTransform({s.origin.x, s.origin.y + s.size.height}, t),
      PointApplyAffineTransform({s.origin.x + s.size.width, s.origin.y + s.size.height}, t),
  };
  double x0 = corners[0].x, x1 = corners[0].x, y0 = corners[0].y, y1 = corners[0].y;
  for (const Point& c : corners) {
    x0 = std::min(x0, c.x);
    x1 = std::max(x1, c.x);
    y0 = std::min(y0, c.y);
    y1 = std::max(y1, c.y);
  }
  return RectMake(x0, y0, x1 - x0, y1 - y0);
}

AffineTransform AffineTransformMakeRotation(double radians) {
  double c = std::cos(radians), s = std::sin(radians);
  return {c, s, -s, c, 0, 0};
}

AffineTransform AffineTransformRotate(const AffineTransform& t, double radians) {
  return AffineTransformConcat(AffineTransformMakeRotation(radians), t);
}

bool AffineTransformIsInvertible(const AffineTransform& t) {
  double det = t.a * t.d - t.b * t.c;
  return det != 0 && std::isfinite(det) && std::isfinite(t.tx) && std::isfinite(t.ty);
}

AffineTransform AffineTransformInvert(const AffineTransform& t) {
  if (!AffineTransformIsInvertible(t)) return t;
  double det = t.a * t.d - t.b * t.c;
  AffineTransform r;
  r.a = t.d / det;
  r.b = -t.b / det;
  r.c = -t.c / det;
  r.d = t.a / det;
  r.tx = -(t.tx * r.a + t.ty * r.c);
  r.ty = -(t.tx * r.b + t.ty * r.d);
  return r;
}

bool AffineTransformIsIdentity(const AffineTransform& t) { return t == AffineTransformIdentity; }

}  // namespace vq

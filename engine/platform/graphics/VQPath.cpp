#include "platform/graphics/VQPath.h"

#include <algorithm>

namespace vq {

int PathElementPointCount(PathElementType type) {
  switch (type) {
    case PathElementType::MoveToPoint:
    case PathElementType::AddLineToPoint:
      return 1;
    case PathElementType::AddQuadCurveToPoint:
      return 2;
    case PathElementType::AddCurveToPoint:
      return 3;
    case PathElementType::CloseSubpath:
      return 0;
  }
  return 0;
}

bool operator==(const PathElement& a, const PathElement& b) {
  if (a.type != b.type) return false;
  for (int i = 0; i < a.pointCount(); ++i)
    if (!(a.points[i] == b.points[i])) return false;
  return true;
}

void Path::appendElement(const PathElement& e) {
  switch (e.type) {
    case PathElementType::MoveToPoint:
      elements_.push_back(e);
      current_ = subpathStart_ = e.points[0];
      hasCurrent_ = true;
      break;
    case PathElementType::AddLineToPoint:
    case PathElementType::AddQuadCurveToPoint:
    case PathElementType::AddCurveToPoint:
      if (!hasCurrent_) moveTo(e.points[0]);
      elements_.push_back(e);
      current_ = e.endPoint();
      break;
    case PathElementType::CloseSubpath:
      if (!hasCurrent_ || elements_.back().type == PathElementType::CloseSubpath) return;
      elements_.push_back(e);
      current_ = subpathStart_;
      break;
  }
}

void Path::moveTo(Point p) { appendElement({PathElementType::MoveToPoint, {p, {}, {}}}); }
void Path::lineTo(Point p) { appendElement({PathElementType::AddLineToPoint, {p, {}, {}}}); }
void Path::quadCurveTo(Point cp, Point p) { appendElement({PathElementType::AddQuadCurveToPoint, {cp, p, {}}}); }
void Path::curveTo(Point cp1, Point cp2, Point p) { appendElement({PathElementType::AddCurveToPoint, {cp1, cp2, p}}); }
void Path::closeSubpath() { appendElement({PathElementType::CloseSubpath, {}}); }

void Path::addRect(const Rect& r) {
  const double x0 = r.origin.x, y0 = r.origin.y, x1 = x0 + r.size.width, y1 = y0 + r.size.height;
  moveTo(x0, y0);
  lineTo(x1, y0);
  lineTo(x1, y1);
  lineTo(x0, y1);
  closeSubpath();
}

void Path::addEllipseInRect(const Rect& r) {
  const Rect s = RectStandardize(r);
  // Control-point distance that makes a cubic quarter arc deviate least from
  // a circle: 4/3 * (sqrt(2) - 1).
  constexpr double kKappa = 0.5522847498307936;
  const double cx = s.origin.x + s.size.width / 2, cy = s.origin.y + s.size.height / 2;
  const double rx = s.size.width / 2, ry = s.size.height / 2;
  const double kx = rx * kKappa, ky = ry * kKappa;
  moveTo(cx + rx, cy);
  curveTo({cx + rx, cy + ky}, {cx + kx, cy + ry}, {cx, cy + ry});
  curveTo({cx - kx, cy + ry}, {cx - rx, cy + ky}, {cx - rx, cy});
  curveTo({cx - rx, cy - ky}, {cx - kx, cy - ry}, {cx, cy - ry});
  curveTo({cx + kx, cy - ry}, {cx + rx, cy - ky}, {cx + rx, cy});
  closeSubpath();
}

void Path::addLines(const std::vector<Point>& points) {
  if (points.empty()) return;
  moveTo(points[0]);
  for (size_t i = 1; i < points.size(); ++i) lineTo(points[i]);
}

void Path::addPath(const Path& other, const AffineTransform& t) {
  const bool identity = AffineTransformIsIdentity(t);
  for (PathElement e : other.elements_) {
    if (!identity)
      for (int i = 0; i < e.pointCount(); ++i) e.points[i] = PointApplyAffineTransform(e.points[i], t);
    appendElement(e);
  }
}

Path Path::transformed(const AffineTransform& t) const {
  Path p;
  p.elements_.reserve(elements_.size());
  p.addPath(*this, t);
  return p;
}

bool Path::containsCurves() const {
  return std::any_of(elements_.begin(), elements_.end(), [](const PathElement& e) {
    return e.type == PathElementType::AddQuadCurveToPoint || e.type == PathElementType::AddCurveToPoint;
  });
}

namespace {

struct Box {
  double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  bool any = false;
  void add(Point p) {
    if (!any) {
      x0 = x1 = p.x;
      y0 = y1 = p.y;
      any = true;
      return;
    }
    x0 = std::min(x0, p.x);
    x1 = std::max(x1, p.x);
    y0 = std::min(y0, p.y);
    y1 = std::max(y1, p.y);
  }
  Rect rect() const { return any ? RectMake(x0, y0, x1 - x0, y1 - y0) : RectNull; }
};

Point quadAt(Point p0, Point p1, Point p2, double t) {
  const double u = 1 - t;
  return {u * u * p0.x + 2 * u * t * p1.x + t * t * p2.x, u * u * p0.y + 2 * u * t * p1.y + t * t * p2.y};
}

Point cubicAt(Point p0, Point p1, Point p2, Point p3, double t) {
  const double u = 1 - t;
  const double a = u * u * u, b = 3 * u * u * t, c = 3 * u * t * t, d = t * t * t;
  return {a * p0.x + b * p1.x + c * p2.x + d * p3.x, a * p0.y + b * p1.y + c * p2.y + d * p3.y};
}

// Parameters in (0, 1) where one coordinate of a cubic has a turning point:
// roots of A t^2 + B t + C, the derivative divided by 3.
int cubicExtrema(double p0, double p1, double p2, double p3, double out[2]) {
  const double A = -p0 + 3 * p1 - 3 * p2 + p3;
  const double B = 2 * (p0 - 2 * p1 + p2);
  const double C = p1 - p0;
  int n = 0;
  auto keep = [&](double t) {
    if (t > 0 && t < 1) out[n++] = t;
  };
  if (std::fabs(A) < 1e-12) {
    if (std::fabs(B) > 1e-12) keep(-C / B);
    return n;
  }
  const double disc = B * B - 4 * A * C;
  if (disc < 0) return 0;
  const double sq = std::sqrt(disc);
  keep((-B + sq) / (2 * A));
  keep((-B - sq) / (2 * A));
  return n;
}

}  // namespace

Rect Path::boundingBox() const {
  Box box;
  Point cur{};
  Point start{};
  for (const PathElement& e : elements_) {
    switch (e.type) {
      case PathElementType::MoveToPoint:
        cur = start = e.points[0];
        box.add(cur);
        break;
      case PathElementType::AddLineToPoint:
        box.add(cur);
        cur = e.points[0];
        box.add(cur);
        break;
      case PathElementType::AddQuadCurveToPoint: {
        const Point p0 = cur, p1 = e.points[0], p2 = e.points[1];
        box.add(p0);
        box.add(p2);
        const double dx = p0.x - 2 * p1.x + p2.x, dy = p0.y - 2 * p1.y + p2.y;
        if (dx != 0) {
          const double t = (p0.x - p1.x) / dx;
          if (t > 0 && t < 1) box.add(quadAt(p0, p1, p2, t));
        }
        if (dy != 0) {
          const double t = (p0.y - p1.y) / dy;
          if (t > 0 && t < 1) box.add(quadAt(p0, p1, p2, t));
        }
        cur = p2;
        break;
      }
      case PathElementType::AddCurveToPoint: {
        const Point p0 = cur, p1 = e.points[0], p2 = e.points[1], p3 = e.points[2];
        box.add(p0);
        box.add(p3);
        double ts[2];
        int n = cubicExtrema(p0.x, p1.x, p2.x, p3.x, ts);
        for (int i = 0; i < n; ++i) box.add(cubicAt(p0, p1, p2, p3, ts[i]));
        n = cubicExtrema(p0.y, p1.y, p2.y, p3.y, ts);
        for (int i = 0; i < n; ++i) box.add(cubicAt(p0, p1, p2, p3, ts[i]));
        cur = p3;
        break;
      }
      case PathElementType::CloseSubpath:
        cur = start;
        break;
    }
  }
  return box.rect();
}

Rect Path::boundingBoxOfPath() const {
  Box box;
  for (const PathElement& e : elements_)
    for (int i = 0; i < e.pointCount(); ++i) box.add(e.points[i]);
  return box.rect();
}

bool Path::isRect(Rect* rect) const {
  const size_t n = elements_.size();
  if (n < 4 || n > 6) return false;
  if (elements_[0].type != PathElementType::MoveToPoint) return false;
  size_t lines = 0;
  size_t i = 1;
  while (i < n && elements_[i].type == PathElementType::AddLineToPoint) {
    ++lines;
    ++i;
  }
  if (lines < 3 || lines > 4) return false;
  if (i < n && elements_[i].type == PathElementType::CloseSubpath) ++i;
  if (i != n) return false;
  const Point p0 = elements_[0].points[0], p1 = elements_[1].points[0], p2 = elements_[2].points[0],
              p3 = elements_[3].points[0];
  if (lines == 4 && !(elements_[4].points[0] == p0)) return false;
  const bool horizontalFirst = p0.y == p1.y && p1.x == p2.x && p2.y == p3.y && p3.x == p0.x;
  const bool verticalFirst = p0.x == p1.x && p1.y == p2.y && p2.x == p3.x && p3.y == p0.y;
  if (!horizontalFirst && !verticalFirst) return false;
  if (rect) *rect = RectFromPoints(p0, p2);
  return true;
}

}  // namespace vq

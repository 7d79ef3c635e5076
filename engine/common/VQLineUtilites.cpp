#include "common/VQLineUtilites.h"

#include <algorithm>
#include <cmath>

namespace vq {

namespace {
double dist(Point a, Point b) { return std::hypot(a.x - b.x, a.y - b.y); }
Point mid(Point a, Point b) { return {(a.x + b.x) / 2, (a.y + b.y) / 2}; }
float squared(Point a, Point b) {
  const auto dx = static_cast<float>(a.x - b.x), dy = static_cast<float>(a.y - b.y);
  return dx * dx + dy * dy;
}
}  // namespace

std::vector<Point> VQLineUtilites::NSArrayFromCGPath(const Path& path) {
  std::vector<Point> points;
  for (const PathElement& e : path)
    for (int i = 0; i < e.pointCount(); ++i) points.push_back(e.points[i]);
  return points;
}

std::optional<std::vector<Point>> VQLineUtilites::NSArrayFromCGPath_NoCurve(const Path& path) {
  std::vector<Point> points;
  for (const PathElement& e : path) {
    if (e.type == PathElementType::AddQuadCurveToPoint || e.type == PathElementType::AddCurveToPoint)
      return std::nullopt;
    if (e.type != PathElementType::CloseSubpath) points.push_back(e.points[0]);
  }
  if (points.size() < 2) return std::nullopt;
  for (size_t i = 1; i < points.size(); ++i)
    if (!IsRightAngleLineP1(points[i - 1], points[i])) return std::nullopt;
  return points;
}

Path VQLineUtilites::CGPathFromLinePointArray(const std::vector<Point>& points) {
  Path p;
  p.addLines(points);
  return p;
}

bool VQLineUtilites::IsVerticalLineP1(Point p1, Point p2) {
  return std::fabs(p1.x - p2.x) < 1 && std::fabs(p1.y - p2.y) >= 1;
}
bool VQLineUtilites::IsHorizontalLineP1(Point p1, Point p2) {
  return std::fabs(p1.y - p2.y) < 1 && std::fabs(p1.x - p2.x) >= 1;
}
bool VQLineUtilites::IsRightAngleLineP1(Point p1, Point p2) { return isHVLine(p1, p2); }

double VQLineUtilites::LineWidthApplyTransform(double w, const AffineTransform& t) {
  const double width = (std::fabs(w * t.a + w * t.c) + std::fabs(w * t.b + w * t.d)) / 2;
  return std::max(width, static_cast<double>(0.1f));
}

bool VQLineUtilites::IsRectangeP1(Point p1, Point p2, Point p3, Point p4) {
  if (p1 == p2 || p1 == p4 || p2 == p3 || p2 == p4 || p3 == p4) return false;
  return JudgeIsRightAngle(p1, p2, p3, nullptr) != 0 && JudgeIsRightAngle(p1, p2, p4, nullptr) != 0 &&
         JudgeIsRightAngle(p1, p3, p4, nullptr) != 0 && JudgeIsRightAngle(p3, p2, p4, nullptr) != 0;
}

bool VQLineUtilites::IsRectange(const std::vector<Point>& pts) {
  if (pts.size() != 4 && pts.size() != 5) return false;
  return IsRectangeP1(pts[0], pts[1], pts[2], pts[3]);
}

bool VQLineUtilites::IsHorizontalRectange(const std::vector<Point>& p) {
  if (p.size() < 4 || p.size() > 6) return false;
  return (p[0].y == p[1].y && p[1].x == p[2].x && p[2].y == p[3].y && p[3].x == p[0].x) ||
         (p[0].x == p[1].x && p[1].y == p[2].y && p[2].x == p[3].x && p[3].y == p[0].y);
}

bool VQLineUtilites::IsQuadrilateral2LinesParallel(const std::vector<Point>& p) {
  if (p.size() < 4 || p.size() > 6) return false;
  return (p[0].x == p[1].x && p[2].x == p[3].x) || (p[0].y == p[1].y && p[2].y == p[3].y) ||
         (p[0].x == p[3].x && p[1].x == p[2].x) || (p[0].y == p[3].y && p[1].y == p[2].y);
}

bool VQLineUtilites::IsQuadrilateralLikeLine(const std::vector<Point>& p, double maxWidth) {
  if (maxWidth < 1) maxWidth = 6;
  if (!IsQuadrilateral2LinesParallel(p)) return false;
  const double s12 = dist(p[0], p[1]), s23 = dist(p[1], p[2]), s34 = dist(p[2], p[3]), s41 = dist(p[3], p[0]);
  const int shortSides = (s12 < maxWidth) + (s23 < maxWidth) + (s34 < maxWidth) + (s41 < maxWidth);
  return shortSides >= 2 && (s12 > 2 * s23 || s23 > 2 * s12);
}

std::optional<std::vector<Point>> VQLineUtilites::ConvertRectangeToLine(const std::vector<Point>& p,
                                                                        double* lineWidth) {
  if (p.size() != 4 && p.size() != 5) return std::nullopt;
  const double s12 = dist(p[0], p[1]), s23 = dist(p[1], p[2]);
  if (s12 > s23) {
    if (lineWidth) *lineWidth = s23;
    return std::vector<Point>{mid(p[0], p[3]), mid(p[1], p[2])};
  }
  if (lineWidth) *lineWidth = s12;
  return std::vector<Point>{mid(p[0], p[1]), mid(p[2], p[3])};
}

bool isHVLine(Point p1, Point p2) { return std::fabs(p1.x - p2.x) < 1 || std::fabs(p1.y - p2.y) < 1; }

int JudgeIsRightAngle(Point p1, Point p2, Point p3, int* counter) {
  const float s12 = squared(p1, p2), s13 = squared(p1, p3), s23 = squared(p2, p3);
  int answer = 0;
  if (s12 + s13 == s23) answer = 1;
  else if (s13 == s12 + s23) answer = 2;
  else if (s12 == s13 + s23) answer = 3;
  if (answer != 0 && counter) ++*counter;
  return answer;
}

float PointsDistance(Point p1, Point p2) { return static_cast<float>(dist(p1, p2)); }

bool IsAlmostPointOnRange(Point p, Point a, Point b, double tolerance) {
  const double pa = dist(p, a), pb = dist(p, b), ab = dist(a, b);
  if (std::fabs(pa + pb - ab) < 1) return true;
  if (pa <= tolerance && std::fabs(pa + ab - pb) < tolerance) return true;
  return pb <= tolerance && std::fabs(ab + pb - pa) < tolerance;
}

bool IsEqualRect(double tolerance, const Rect& r1, const Rect& r2) {
  return std::fabs(r1.origin.x - r2.origin.x) <= tolerance && std::fabs(r1.origin.y - r2.origin.y) <= tolerance &&
         std::fabs(r1.size.width - r2.size.width) <= tolerance &&
         std::fabs(r1.size.height - r2.size.height) <= tolerance;
}

float OverlapeOfLine(float a1, float a2, float b1, float b2) {
  const float lo = std::max(std::min(a1, a2), std::min(b1, b2));
  const float hi = std::min(std::max(a1, a2), std::max(b1, b2));
  return hi > lo ? hi - lo : 0.0f;
}

float ParallelLineOverlapLength(Point p1, Point p2, Point p3, Point p4, double distance) {
  auto near = [distance](double u1, double u2, double v1, double v2) {
    return std::fabs(u1 - v1) < distance || std::fabs(u1 - v2) < distance || std::fabs(u2 - v1) < distance ||
           std::fabs(u2 - v2) < distance;
  };
  if (std::fabs(p1.x - p2.x) < 1 && std::fabs(p3.x - p4.x) < 1) {
    if (!near(p1.x, p2.x, p3.x, p4.x)) return 0;
    return OverlapeOfLine(static_cast<float>(p1.y), static_cast<float>(p2.y), static_cast<float>(p3.y),
                          static_cast<float>(p4.y));
  }
  if (std::fabs(p1.y - p2.y) < 1 && std::fabs(p3.y - p4.y) < 1) {
    if (!near(p1.y, p2.y, p3.y, p4.y)) return 0;
    return OverlapeOfLine(static_cast<float>(p1.x), static_cast<float>(p2.x), static_cast<float>(p3.x),
                          static_cast<float>(p4.x));
  }
  return 0;
}

}  // namespace vq

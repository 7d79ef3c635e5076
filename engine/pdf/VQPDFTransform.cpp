#include "pdf/VQPDFTransform.h"

#include <cmath>
#include <numbers>

namespace vq {

namespace {

// Ascent and descent as fractions of the glyph height. A font whose ascent
// equals its descent (a broken descriptor) gets the usual 0.8 / -0.2 split.
void NormaliseAscentDescent(double* ascent, double* descent) {
  double a = *ascent, d = *descent;
  double h = a - d;
  if (h == 0 || !std::isfinite(h)) {
    *ascent = 0.8;
    *descent = -0.2;
    return;
  }
  if (h != 1) {
    *ascent = a / h;
    *descent = d / h;
  }
}

// Degrees of a vector in [0, 360), rounded half away from zero in single
// precision; 360 itself is the same direction as 0.
float WholeDegrees(float x, float y) {
  float deg = std::atan2(y, x) * 180.0f / std::numbers::pi_v<float>;
  while (deg < 0) deg += 360.0f;
  while (deg >= 360.0f) deg -= 360.0f;
  float r = std::round(deg);
  return r >= 360.0f ? 0.0f : r;
}

Point Apply(const AffineTransform& m, double x, double y) {
  return {m.a * x + m.c * y + m.tx, m.b * x + m.d * y + m.ty};
}

}  // namespace

Size VQPDFTransformGetFontSize(double s, double a, double d, const AffineTransform& m) {
  return {s * std::hypot(m.a, m.b), s * std::fabs(a - d) * std::hypot(m.c, m.d)};
}

float VQPDFTransformGetRotation(const AffineTransform& m) {
  return WholeDegrees(static_cast<float>(m.a), static_cast<float>(m.b));
}

VQPDF_CTMInfo VQPDFTransformGetFontCTMInfo(double s, double ascent, double descent, const AffineTransform& m) {
  NormaliseAscentDescent(&ascent, &descent);
  VQPDF_CTMInfo info;
  Point p = Apply(m, 0, s * ascent);
  Point q = Apply(m, 0, s * descent);
  info.flip = (m.a * m.d - m.b * m.c) < 0 ? 1 : 0;
  info.rotation = VQPDFTransformGetRotation(m);
  info.yTop = info.yAscent = p.y;
  info.yBase = m.ty;
  info.yDescent = info.yBottom = q.y;
  info.xTop = info.xAscent = p.x;
  info.xBase = m.tx;
  info.xDescent = info.xBottom = q.x;
  info.xLeft = m.tx;
  info.xRight = m.a + m.tx;
  info.yLeft = m.ty;
  info.yRight = m.b + m.ty;
  info.frame = RectMake(info.xLeft, info.yTop, info.xRight - info.xLeft, info.yBottom - info.yTop);
  info.topLeft = p;
  info.bottomLeft = q;
  Size size = VQPDFTransformGetFontSize(s, ascent, descent, m);
  auto atLeast3 = [](double v) {
    float f = static_cast<float>(v);
    if (std::isnan(f) || f < 3.0f) f = 3.0f;
    return static_cast<double>(f);
  };
  info.fontSize = {atLeast3(size.width), atLeast3(size.height)};
  return info;
}

Rect VQPDFTransformGetFontFrame(double s, double ascent, double descent, const AffineTransform& m1,
                                const AffineTransform& m2) {
  NormaliseAscentDescent(&ascent, &descent);
  Point origin = Apply(m1, 0, s * ascent);
  Point bottom = Apply(m1, 0, s * descent);
  return RectMake(origin.x, origin.y, std::fabs(m2.tx - origin.x), std::fabs(bottom.y - origin.y));
}

}  // namespace vq

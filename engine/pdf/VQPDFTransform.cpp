#include "pdf/VQPDFTransform.h"

#include <fmt/format.h>

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <numbers>
#include <vector>

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

float VQPDFTransformGetShear(float rotation, const AffineTransform& m) {
  float deg = std::atan2(static_cast<float>(-m.d), static_cast<float>(-m.c)) * 180.0f / std::numbers::pi_v<float>;
  deg -= rotation;
  while (deg < 0) deg += 360.0f;
  while (deg >= 360.0f) deg -= 360.0f;
  float r = std::round(deg);
  return r >= 360.0f ? 0.0f : r;
}

float VQPDFTwoPointDirectionAngle(double x1, double y1, double x2, double y2) {
  return WholeDegrees(static_cast<float>(x2 - x1), static_cast<float>(y2 - y1));
}

VQPDF_CTMInfo VQPDFTransformGetFontCTMInfo(double s, double ascent, double descent, const AffineTransform& m) {
  NormaliseAscentDescent(&ascent, &descent);
  VQPDF_CTMInfo info;
  Point p = Apply(m, 0, s * ascent);
  Point q = Apply(m, 0, s * descent);
  // Display space turns y downwards, so a glyph drawn as the reader expects
  // has a negative determinant there; a positive one shows it mirrored.
  info.flip = (m.a * m.d - m.b * m.c) > 0 ? 1 : 0;
  // A line's glyphs share their size and turn, which only the linear part
  // of the transform and the type's measures give: the last ones asked for
  // on this thread are kept, matched bit for bit so that a signed zero or a
  // NaN is never taken for another value.
  struct Measured {
    bool filled = false;
    double key[7] = {};
    float rotation = 0;
    Size fontSize;
  };
  thread_local Measured last;
  const double key[7] = {s, ascent, descent, m.a, m.b, m.c, m.d};
  if (!last.filled || std::memcmp(key, last.key, sizeof key) != 0) {
    std::memcpy(last.key, key, sizeof key);
    last.rotation = VQPDFTransformGetRotation(m);
    const Size size = VQPDFTransformGetFontSize(s, ascent, descent, m);
    auto atLeast3 = [](double v) {
      float f = static_cast<float>(v);
      if (std::isnan(f) || f < 3.0f) f = 3.0f;
      return static_cast<double>(f);
    };
    last.fontSize = {atLeast3(size.width), atLeast3(size.height)};
    last.filled = true;
  }
  info.rotation = last.rotation;
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
  info.fontSize = last.fontSize;
  return info;
}

Point VQPDFTransformGetFontTopLeft(double s, double ascent, double descent, const AffineTransform& m) {
  NormaliseAscentDescent(&ascent, &descent);
  return Apply(m, 0, s * ascent);
}

Rect VQPDFTransformGetFontFrame(double s, double ascent, double descent, const AffineTransform& m1,
                                const AffineTransform& m2) {
  NormaliseAscentDescent(&ascent, &descent);
  Point origin = Apply(m1, 0, s * ascent);
  Point bottom = Apply(m1, 0, s * descent);
  return RectMake(origin.x, origin.y, std::fabs(m2.tx - origin.x), std::fabs(bottom.y - origin.y));
}

VQPDF_CTMInfo VQPDFCTMInfo_UpdateWithNewTextWidthFront(double w, VQPDF_CTMInfo info) {
  double delta = w - info.frame.size.width;
  info.frame.origin.x -= delta;
  info.xLeft -= delta;
  info.topLeft.x -= delta;
  info.bottomLeft.x -= delta;
  info.frame.size.width = w;
  return info;
}

VQPDF_CTMInfo VQPDFCTMInfo_AddSpaceBehind(double w, VQPDF_CTMInfo info) {
  info.frame.size.width += w;
  info.xRight = info.xLeft + info.frame.size.width;
  return info;
}

AffineTransform VQPDFTransformGetTransfromForRotatedPage(int angle, double w, double h) {
  angle %= 360;
  if (angle < 0) angle += 360;
  AffineTransform t = AffineTransformScale(AffineTransformTranslate(AffineTransformIdentity, 0, h), 1, -1);
  switch (angle) {
    case 90:
      t = AffineTransformRotate(AffineTransformTranslate(t, 0, h), -std::numbers::pi / 2);
      break;
    case 180:
      t = AffineTransformRotate(AffineTransformTranslate(t, w, h), std::numbers::pi);
      break;
    case 270:
      t = AffineTransformRotate(AffineTransformTranslate(t, w, 0), std::numbers::pi / 2);
      break;
    default:
      break;
  }
  return t;
}

std::string NSStringFromCGRect_VQLib(const Rect& r) {
  return fmt::format("[{:f}, {:f}, {:f}, {:f}]", r.origin.x, r.origin.y, r.size.width, r.size.height);
}
std::string NSStringFromCGPoint_VQLib(const Point& p) { return fmt::format("[{:f}, {:f}]", p.x, p.y); }
std::string NSStringFromCGSize_VQLib(const Size& s) { return fmt::format("[{:f}, {:f}]", s.width, s.height); }

namespace {

std::vector<float> ReadParts(const std::string& text) {
  std::vector<float> parts;
  if (text.size() < 2) return parts;
  std::string inner = text.substr(1, text.size() - 2);
  size_t pos = 0;
  while (pos <= inner.size()) {
    size_t next = inner.find(", ", pos);
    std::string part = inner.substr(pos, next == std::string::npos ? std::string::npos : next - pos);
    // from_chars ignores the process locale, as the writer above does.
    float value = 0;
    std::from_chars(part.data(), part.data() + part.size(), value);
    parts.push_back(value);
    if (next == std::string::npos) break;
    pos = next + 2;
  }
  return parts;
}

}  // namespace

Point CGPointFromString_VQLib(const std::string& text) {
  auto parts = ReadParts(text);
  Point p;
  if (parts.size() >= 2) p = {parts[0], parts[1]};
  return p;
}

Rect CGRectFromString_VQLib(const std::string& text) {
  auto parts = ReadParts(text);
  Rect r;
  if (parts.size() >= 4) r = RectMake(parts[0], parts[1], parts[2], parts[3]);
  return r;
}

}  // namespace vq

#pragma once
// Small measures the DOCX capture and layout take of page rectangles and
// values: edges of display-space rectangles as they stand (not standardised:
// a frame's own origin and size are what the layout compares), numbers that
// must not reach a written record unless finite, and the characters that
// count as blank or control.
#include <cmath>

#include "platform/graphics/VQGeometry.h"

namespace vq::docxmeasure {

inline double bottomOf(const Rect& r) { return r.origin.y + r.size.height; }
inline double rightOf(const Rect& r) { return r.origin.x + r.size.width; }
inline double middleX(const Rect& r) { return r.origin.x + r.size.width / 2; }

inline bool isFiniteRect(const Rect& r) {
  return std::isfinite(r.origin.x) && std::isfinite(r.origin.y) && std::isfinite(r.size.width) &&
         std::isfinite(r.size.height);
}

// The value, or `fallback` when it is no number.
inline double finiteOr(double value, double fallback = 0) { return std::isfinite(value) ? value : fallback; }

// White space, line breaks and control characters.
inline bool isBlankOrControl(char32_t c) {
  return c <= 0x20 || (c >= 0x7F && c <= 0xA0) || c == 0x1680 || (c >= 0x2000 && c <= 0x200B) || c == 0x2028 ||
         c == 0x2029 || c == 0x202F || c == 0x205F || c == 0x3000 || c == 0xFEFF;
}

}  // namespace vq::docxmeasure

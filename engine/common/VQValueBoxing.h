#pragma once
// Boxed points and rectangles. Lists of points are std::vector<Point>; a
// rectangle that may be absent is std::optional<Rect>, and an absent one
// unboxes as the zero rectangle.
#include <optional>

#include "platform/graphics/VQGeometry.h"

namespace vq {

inline std::optional<Point> valueWithCGPoint_VQLib(const Point& p) { return p; }
inline Point CGPointValue_VQLib(const std::optional<Point>& v) { return v.value_or(Point{}); }
inline std::optional<Rect> valueWithCGRect_VQLib(const Rect& r) { return r; }
inline Rect CGRectValue_VQLib(const std::optional<Rect>& v) { return v.value_or(Rect{}); }

}  // namespace vq

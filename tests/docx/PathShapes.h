#pragma once
// Small paths for the tests of path runs and their capture.
#include "platform/graphics/VQGeometry.h"
#include "platform/graphics/VQPath.h"

namespace vqtest {

inline vq::Path Line(double x1, double y1, double x2, double y2) {
  vq::Path p;
  p.moveTo(x1, y1);
  p.lineTo(x2, y2);
  return p;
}

inline vq::Path RectPath(const vq::Rect& r) {
  vq::Path p;
  p.addRect(r);
  return p;
}

}  // namespace vqtest

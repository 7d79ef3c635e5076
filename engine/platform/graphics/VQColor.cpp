#include "platform/graphics/VQColor.h"

#include <algorithm>

namespace vq {

namespace {
double unit(double v) { return std::clamp(v, 0.0, 1.0); }
double comp(const Color& c, size_t i) { return i < c.components.size() ? unit(c.components[i]) : 0.0; }
}  // namespace

RGBA ColorToRGBA(const Color& c) {
  RGBA out;
  out.a = unit(c.alpha);
  switch (c.model) {
    case ColorModel::Gray:
      out.r = out.g = out.b = comp(c, 0);
      break;
    case ColorModel::RGB:
      out.r = comp(c, 0);
      out.g = comp(c, 1);
      out.b = comp(c, 2);
      break;
    case ColorModel::Other:
      if (c.components.size() == 4) {
        const double k = comp(c, 3);
        out.r = (1 - comp(c, 0)) * (1 - k);
        out.g = (1 - comp(c, 1)) * (1 - k);
        out.b = (1 - comp(c, 2)) * (1 - k);
      }
      break;
  }
  return out;
}

}  // namespace vq

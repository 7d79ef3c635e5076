#include "common/VQHexColor.h"

#include <algorithm>
#include <cmath>

#include <fmt/format.h>

namespace vq {

namespace {
long scaled(const Color& c, size_t i) {
  const double v = i < c.components.size() ? c.components[i] : 0.0;
  return std::isfinite(v) ? std::lround(v * 255) : 0;
}
// Two hex digits per component even for values outside 0..1.
long byte(long v) { return std::clamp(v, 0L, 255L); }
}  // namespace

std::optional<std::string> VQHexColor::getHexColorFromCGColor(const Color* color) {
  if (!color) return std::nullopt;
  return getHexColorFromCGColor(*color);
}

std::string VQHexColor::getHexColorFromCGColor(const Color& c) {
  switch (c.model) {
    case ColorModel::RGB:
      return fmt::format("{:02x}{:02x}{:02x}", byte(scaled(c, 0)), byte(scaled(c, 1)), byte(scaled(c, 2)));
    case ColorModel::Gray: {
      const long g = byte(scaled(c, 0));
      return fmt::format("{:02x}{:02x}{:02x}", g, g, g);
    }
    case ColorModel::Other:
      break;
  }
  return "000000";
}

Color VQHexColor::whiteCGColor() { return ColorMakeRGB(1, 1, 1, 1); }

bool VQHexColor::isBlackColor(const Color* color) {
  if (!color) return false;
  switch (color->model) {
    case ColorModel::RGB:
      return scaled(*color, 0) <= 10 && scaled(*color, 1) <= 10 && scaled(*color, 2) <= 10;
    case ColorModel::Gray:
      return scaled(*color, 0) <= 10;
    case ColorModel::Other:
      break;
  }
  return true;
}

}  // namespace vq

#pragma once
// A colour value that carries its model. Colour-space conversion is not done
// here: the content interpreter turns PDF colours into Gray or RGB values
// before anything is drawn; Other keeps components of any other model (CMYK,
// Lab, ...) for code that only needs to know the model.
#include <cstddef>
#include <utility>
#include <vector>

namespace vq {

enum class ColorModel { Gray, RGB, Other };

struct Color {
  ColorModel model = ColorModel::Gray;
  std::vector<double> components;  // colour components, without alpha, 0..1
  double alpha = 1;

  friend bool operator==(const Color&, const Color&) = default;
};

inline Color ColorMakeGray(double gray, double alpha = 1) { return Color{ColorModel::Gray, {gray}, alpha}; }
inline Color ColorMakeRGB(double r, double g, double b, double alpha = 1) {
  return Color{ColorModel::RGB, {r, g, b}, alpha};
}
inline Color ColorMakeOther(std::vector<double> components, double alpha = 1) {
  return Color{ColorModel::Other, std::move(components), alpha};
}

struct RGBA {
  double r = 0, g = 0, b = 0, a = 1;
};

// The colour as device RGB for drawing: grey repeats its value; Other with 4
// components is read as CMYK with the naive complement rule, any other Other
// draws black. Components are clamped to 0..1.
RGBA ColorToRGBA(const Color& c);

}  // namespace vq

#pragma once
// Colours as the six hexadecimal digits that office formats store.
#include <optional>
#include <string>

#include "platform/graphics/VQColor.h"

namespace vq {

class VQHexColor {
 public:
  // "rrggbb" in lower case: RGB colours from their first three components,
  // grey colours from the grey value three times, each times 255 rounded
  // half away from zero (and kept within 00..ff); "000000" for any other
  // model. Nothing for no colour.
  static std::optional<std::string> getHexColorFromCGColor(const Color* color);
  static std::string getHexColorFromCGColor(const Color& color);
  // Opaque device-RGB white.
  static Color whiteCGColor();
  // Every RGB component (or the grey value) times 255, rounded, is at most
  // 10; colours of any other model count as black; no colour is not black.
  static bool isBlackColor(const Color* color);
  static bool isBlackColor(const Color& color) { return isBlackColor(&color); }
};

}  // namespace vq

#include "office/VQNumberFormat.h"

#include <fmt/format.h>

#include <cmath>

namespace vq {

std::string VQFormatFixed(double value, int decimals) {
  if (!std::isfinite(value)) value = 0;
  std::string text = fmt::format("{:.{}f}", value, decimals < 0 ? 0 : decimals);
  if (text[0] == '-' && text.find_first_not_of("-0.") == std::string::npos) text.erase(0, 1);
  return text;
}

std::string VQFormatRounded(double value) { return VQFormatFixed(std::round(value), 0); }

}  // namespace vq

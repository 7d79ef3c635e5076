#include "flowtext/VQRTFState.h"

#include <fmt/format.h>

#include <cmath>

namespace vq::flowtext {

std::string VQRTFEscape(std::string_view text) { return VQRTFFileWriter().formatText(text); }

std::string VQRTFFontEntry::rtfFormat() const {
  if (fontName.empty()) return ";";
  // The name ends at ';' in a font table entry, so the name keeps none; line
  // ends would become paragraph marks inside the table.
  std::string clean;
  for (char c : fontName)
    if (c != ';' && c != '\n' && c != '\r') clean += c;
  return fmt::format("\\f{}\\fnil\\fcharset0 {};", fontIndex, VQRTFEscape(clean));
}

std::string VQRTFColorEntry::rtfFormat() const {
  double r = red * 255, g = green * 255, b = blue * 255;
  if (red > 0.9 && green > 0.9 && blue > 0.9) r = g = b = 127.5;
  return fmt::format("\\red{:.0f}\\green{:.0f}\\blue{:.0f};", r, g, b);
}

void VQRTFState::resetToDefault() {
  state_ = VQRTF_State();
  colors_.assign(1, VQRTFColorEntry());
  fonts_.assign(1, VQRTFFontEntry());
  fonts_[0].fontIndex = 0;
}

int VQRTFState::fontIndexOf(const VQRTFFontEntry& font) {
  for (size_t i = 0; i < fonts_.size(); ++i)
    if (fonts_[i].fontName == font.fontName) return static_cast<int>(i);
  fonts_.push_back(font);
  fonts_.back().fontIndex = static_cast<int>(fonts_.size() - 1);
  return fonts_.back().fontIndex;
}

int VQRTFState::colorIndexOf(const VQRTFColorEntry& color) {
  for (size_t i = 0; i < colors_.size(); ++i)
    if (colors_[i].isEqualToColor(color)) return static_cast<int>(i);
  colors_.push_back(color);
  return static_cast<int>(colors_.size() - 1);
}

void VQRTFState::writeFontAttributesIfNeed(const VQRTFFontEntry& font, VQFlowTextFileWriter& w) {
  const int index = fontIndexOf(font);
  double truncated = std::trunc(font.fontSize);
  if (!std::isfinite(truncated)) truncated = 24;
  const auto size = static_cast<float>(truncated);
  const bool first = state_.fontIndex == -1;
  bool wrote = false;
  if (first || index != state_.fontIndex) {
    w.write(fmt::format("\\f{}", index));
    wrote = true;
  }
  if (first || font.italic != state_.italic) {
    w.write(font.italic ? "\\i" : "\\i0");
    wrote = true;
  }
  if (first || font.bold != state_.bold) {
    w.write(font.bold ? "\\b" : "\\b0");
    wrote = true;
  }
  if (first || font.underline != state_.underline) {
    w.write(font.underline > 0 ? "\\ul" : "\\ul0");
    wrote = true;
  }
  if (first || size != state_.fontSize) {
    w.write(fmt::format("\\fs{:.0f}", size));
    wrote = true;
  }
  state_.fontIndex = index;
  state_.fontSize = size;
  state_.bold = font.bold;
  state_.italic = font.italic;
  state_.underline = font.underline;
  if (wrote) w.write(" ");
}

void VQRTFState::writeForegroundColorAttributesIfNeed(const VQRTFColorEntry& color, VQFlowTextFileWriter& w) {
  const int index = colorIndexOf(color);
  if (index == state_.foregroundColorIndex) return;
  w.write(fmt::format("\\cf{} ", index));
  state_.foregroundColorIndex = index;
}

void VQRTFState::writeRegistedFonts(VQFlowTextFileWriter& w) const {
  for (const auto& f : fonts_) w.write(f.rtfFormat());
}

void VQRTFState::writeRegistedColors(VQFlowTextFileWriter& w) const {
  for (const auto& c : colors_) w.write(c.rtfFormat());
}

}  // namespace vq::flowtext

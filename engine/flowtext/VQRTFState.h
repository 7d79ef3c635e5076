#pragma once
// The RTF writer state of one document: the font and colour tables that grow
// while runs are written, and the last font, size, style and colour written,
// so a run writes only the control words that change.
#include <string>
#include <vector>

#include "flowtext/VQFlowTextFileWriter.h"

namespace vq::flowtext {

struct VQRTF_State {
  float fontSize = -1;  // half points, last "\fs"
  int fontIndex = -1;   // last "\f"; -1: no run written yet
  int foregroundColorIndex = -1;
  int backgroundColorIndex = 0;
  bool bold = false;
  bool italic = false;
  int underline = 0;
  int superscript = 0;
};

struct VQRTFFontEntry {
  int fontIndex = -1;
  std::string fontName = "Arial Unicode MS";
  double fontSize = 12;  // half points
  bool bold = false;
  bool italic = false;
  int underline = 0;
  // "\f0\fnil\fcharset0 Name;" with the name escaped for RTF.
  std::string rtfFormat() const;
};

struct VQRTFColorEntry {
  double red = 0, green = 0, blue = 0, alpha = 1;  // 0..1
  bool isEqualToColor(const VQRTFColorEntry& o) const { return red == o.red && green == o.green && blue == o.blue; }
  // Near-white text is written grey so it stays readable on white paper.
  std::string rtfFormat() const;
};

class VQRTFState {
 public:
  VQRTFState() { resetToDefault(); }
  void resetToDefault();
  const VQRTF_State& state() const { return state_; }

  void writeFontAttributesIfNeed(const VQRTFFontEntry& font, VQFlowTextFileWriter& w);
  void writeForegroundColorAttributesIfNeed(const VQRTFColorEntry& color, VQFlowTextFileWriter& w);
  void writeRegistedFonts(VQFlowTextFileWriter& w) const;
  void writeRegistedColors(VQFlowTextFileWriter& w) const;
  size_t fontCount() const { return fonts_.size(); }
  size_t colorCount() const { return colors_.size(); }

 private:
  int fontIndexOf(const VQRTFFontEntry& font);
  int colorIndexOf(const VQRTFColorEntry& color);

  VQRTF_State state_;
  std::vector<VQRTFFontEntry> fonts_;
  std::vector<VQRTFColorEntry> colors_;
};

// Escapes text for RTF (braces, backslashes, non-ASCII as \u, tab as \tab).
std::string VQRTFEscape(std::string_view text);

}  // namespace vq::flowtext

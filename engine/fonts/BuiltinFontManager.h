#pragma once
// The 14 standard PDF fonts (process-wide, read-only after first use), the
// matching of font names to them, and the glyph-name <-> Unicode table.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/graphics/VQGeometry.h"

namespace vq {

namespace fontdata {
struct GlyphWidth;
}

// A standard font's glyph widths: a view of its generated table, which is
// sorted by glyph name.
class BuiltinFontWidths {
 public:
  BuiltinFontWidths() = default;
  BuiltinFontWidths(const fontdata::GlyphWidth* widths, size_t count) : widths_(widths), count_(count) {}

  // The width of the glyph that the glyph-name table names for a Unicode value.
  bool getCharacter(uint32_t unicode, uint16_t* width) const;
  bool getString(const std::string& glyphName, uint16_t* width) const;
  bool widthOfSpace(uint16_t* width) const { return getString("space", width); }
  size_t widthsCount() const { return count_; }

  // Glyph name -> Unicode value (0 when unknown); "uniXXXX" names read as hex
  // when exactly four characters follow, as decimal otherwise.
  static uint16_t nameToUnicodeID(const std::string& glyphName);
  // Unicode value -> glyph name; ".notdef" for 0 and "uniXXXX" for unknown values.
  static std::string unicodeIDToName(uint32_t unicode);

 private:
  const fontdata::GlyphWidth* widths_ = nullptr;
  size_t count_ = 0;
};

class BuiltinFont {
 public:
  std::string fontName;
  std::string baseEncoding;
  double ascent = 0;   // text-space units
  double descent = 0;  // text-space units
  Rect bbox;           // thousandths: origin (llx, lly), size (urx, ury)
  BuiltinFontWidths fontWidths;
  // The glyph name a code of the font's own encoding draws (Symbol,
  // ZapfDingbats), or nullptr: always nullptr for the fonts that the
  // standard encodings read.
  const char* glyphNameForCode(uint8_t code) const { return codes_ ? codes_[code] : nullptr; }
  bool hasOwnEncoding() const { return codes_ != nullptr; }

 private:
  friend class BuiltinFontManager;
  const char* const* codes_ = nullptr;
};

class BuiltinFontManager {
 public:
  static const BuiltinFontManager& sharedManager();

  // The standard font a PDF font name stands for (aliases such as
  // Arial,Bold included), or nullptr.
  const BuiltinFont* findBuildinFont(const std::string& name) const;
  // Substitutes by index: 0 fixed / 4 sans-serif / 8 serif, + 2 bold, + 1 italic.
  const std::array<const BuiltinFont*, 12>& fontsSubstArray() const { return subst_; }
  const std::vector<BuiltinFont>& fonts() const { return fonts_; }

 private:
  BuiltinFontManager();
  std::vector<BuiltinFont> fonts_;
  std::array<const BuiltinFont*, 12> subst_{};
};

}  // namespace vq

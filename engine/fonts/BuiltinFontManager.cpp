#include "fonts/BuiltinFontManager.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstring>
#include <map>

#include "fonts/BuiltinFontData.h"

namespace vq {

namespace {

// Names that PDF producers write for the standard fonts.
const std::map<std::string, std::string>& aliases() {
  static const std::map<std::string, std::string> table = {
      {"Arial", "Helvetica"},
      {"Arial,Bold", "Helvetica-Bold"},
      {"Arial,BoldItalic", "Helvetica-BoldOblique"},
      {"Arial,Italic", "Helvetica-Oblique"},
      {"Arial-Bold", "Helvetica-Bold"},
      {"Arial-BoldItalic", "Helvetica-BoldOblique"},
      {"Arial-BoldItalicMT", "Helvetica-BoldOblique"},
      {"Arial-BoldMT", "Helvetica-Bold"},
      {"Arial-Italic", "Helvetica-Oblique"},
      {"Arial-ItalicMT", "Helvetica-Oblique"},
      {"ArialMT", "Helvetica"},
      {"Courier,Bold", "Courier-Bold"},
      {"Courier,BoldItalic", "Courier-BoldOblique"},
      {"Courier,Italic", "Courier-Oblique"},
      {"CourierNew", "Courier"},
      {"CourierNew,Bold", "Courier-Bold"},
      {"CourierNew,BoldItalic", "Courier-BoldOblique"},
      {"CourierNew,Italic", "Courier-Oblique"},
      {"CourierNew-Bold", "Courier-Bold"},
      {"CourierNew-BoldItalic", "Courier-BoldOblique"},
      {"CourierNew-Italic", "Courier-Oblique"},
      {"CourierNewPS-BoldItalicMT", "Courier-BoldOblique"},
      {"CourierNewPS-BoldMT", "Courier-Bold"},
      {"CourierNewPS-ItalicMT", "Courier-Oblique"},
      {"CourierNewPSMT", "Courier"},
      {"Helvetica,Bold", "Helvetica-Bold"},
      {"Helvetica,BoldItalic", "Helvetica-BoldOblique"},
      {"Helvetica,Italic", "Helvetica-Oblique"},
      {"Helvetica-BoldItalic", "Helvetica-BoldOblique"},
      {"Helvetica-Italic", "Helvetica-Oblique"},
      {"Symbol,Bold", "Symbol"},
      {"Symbol,BoldItalic", "Symbol"},
      {"Symbol,Italic", "Symbol"},
      {"TimesNewRoman", "Times-Roman"},
      {"TimesNewRoman,Bold", "Times-Bold"},
      {"TimesNewRoman,BoldItalic", "Times-BoldItalic"},
      {"TimesNewRoman,Italic", "Times-Italic"},
      {"TimesNewRoman-Bold", "Times-Bold"},
      {"TimesNewRoman-BoldItalic", "Times-BoldItalic"},
      {"TimesNewRoman-Italic", "Times-Italic"},
      {"TimesNewRomanPS", "Times-Roman"},
      {"TimesNewRomanPS-Bold", "Times-Bold"},
      {"TimesNewRomanPS-BoldItalic", "Times-BoldItalic"},
      {"TimesNewRomanPS-BoldItalicMT", "Times-BoldItalic"},
      {"TimesNewRomanPS-BoldMT", "Times-Bold"},
      {"TimesNewRomanPS-Italic", "Times-Italic"},
      {"TimesNewRomanPS-ItalicMT", "Times-Italic"},
      {"TimesNewRomanPSMT", "Times-Roman"},
      {"TimesNewRomanPSMT,Bold", "Times-Bold"},
      {"TimesNewRomanPSMT,BoldItalic", "Times-BoldItalic"},
      {"TimesNewRomanPSMT,Italic", "Times-Italic"},
  };
  return table;
}

// The glyph-name list is searched through its generated orders; the first
// entry of a name or of a value is the one found.
const fontdata::GlyphNameEntry* findGlyphByName(const char* name) {
  const uint16_t* first = fontdata::kGlyphNamesByName;
  const uint16_t* last = first + fontdata::kGlyphNameCount;
  const uint16_t* it = std::lower_bound(first, last, name, [](uint16_t i, const char* key) {
    return std::strcmp(fontdata::kGlyphNames[i].name, key) < 0;
  });
  if (it == last || std::strcmp(fontdata::kGlyphNames[*it].name, name) != 0) return nullptr;
  return &fontdata::kGlyphNames[*it];
}

const fontdata::GlyphNameEntry* findGlyphByValue(uint16_t value) {
  const uint16_t* first = fontdata::kGlyphNamesByValue;
  const uint16_t* last = first + fontdata::kGlyphNameCount;
  const uint16_t* it = std::lower_bound(
      first, last, value, [](uint16_t i, uint16_t key) { return fontdata::kGlyphNames[i].unicode < key; });
  if (it == last || fontdata::kGlyphNames[*it].unicode != value) return nullptr;
  return &fontdata::kGlyphNames[*it];
}

bool equalsIgnoringCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

}  // namespace

bool BuiltinFontWidths::getString(const std::string& glyphName, uint16_t* width) const {
  const fontdata::GlyphWidth* last = widths_ + count_;
  const fontdata::GlyphWidth* it =
      std::lower_bound(widths_, last, glyphName.c_str(),
                       [](const fontdata::GlyphWidth& w, const char* key) { return std::strcmp(w.name, key) < 0; });
  if (it == last || glyphName != it->name) return false;
  if (width) *width = it->width;
  return true;
}

bool BuiltinFontWidths::getCharacter(uint32_t unicode, uint16_t* width) const {
  if (unicode > 0xFFFF) return false;
  const fontdata::GlyphNameEntry* entry = findGlyphByValue(static_cast<uint16_t>(unicode));
  return entry && getString(entry->name, width);
}

uint16_t BuiltinFontWidths::nameToUnicodeID(const std::string& glyphName) {
  if (const auto* entry = findGlyphByName(glyphName.c_str())) return entry->unicode;
  if (glyphName.size() > 3 && glyphName.compare(0, 3, "uni") == 0) {
    std::string rest = glyphName.substr(3);
    uint64_t value = 0;
    int base = rest.size() == 4 ? 16 : 10;
    auto [p, ec] = std::from_chars(rest.data(), rest.data() + rest.size(), value, base);
    if (ec == std::errc() && value <= 0xFFFF) return static_cast<uint16_t>(value);
    (void)p;
  }
  return 0;
}

std::string BuiltinFontWidths::unicodeIDToName(uint32_t unicode) {
  uint16_t v = static_cast<uint16_t>(unicode);
  if (v == 0) return ".notdef";
  if (const auto* entry = findGlyphByValue(v)) return entry->name;
  static const char* hex = "0123456789abcdef";
  std::string name = "uni";
  for (int shift = 12; shift >= 0; shift -= 4) name += hex[(v >> shift) & 0xF];
  return name;
}

BuiltinFontManager::BuiltinFontManager() {
  fonts_.reserve(14);
  for (const auto& rec : fontdata::kBuiltinFonts) {
    BuiltinFont f;
    f.fontName = rec.fontName;
    f.baseEncoding = rec.baseEncoding;
    f.ascent = rec.ascent / 1000.0;
    f.descent = rec.descent / 1000.0;
    f.bbox = RectMake(rec.bbox[0], rec.bbox[1], rec.bbox[2], rec.bbox[3]);
    f.fontWidths = BuiltinFontWidths(rec.widths, rec.widthCount);
    f.codes_ = rec.codes;
    fonts_.push_back(std::move(f));
  }
  const char* order[12] = {"Courier",     "Courier-Oblique",   "Courier-Bold",   "Courier-BoldOblique",
                           "Helvetica",   "Helvetica-Oblique", "Helvetica-Bold", "Helvetica-BoldOblique",
                           "Times-Roman", "Times-Italic",      "Times-Bold",     "Times-BoldItalic"};
  for (int i = 0; i < 12; ++i)
    for (const auto& f : fonts_)
      if (f.fontName == order[i]) subst_[i] = &f;
}

const BuiltinFontManager& BuiltinFontManager::sharedManager() {
  static const BuiltinFontManager manager;  // thread-safe first use
  return manager;
}

const BuiltinFont* BuiltinFontManager::findBuildinFont(const std::string& name) const {
  if (name.empty()) return nullptr;
  std::string candidate = name;
  std::replace(candidate.begin(), candidate.end(), ' ', '-');
  if (auto it = aliases().find(candidate); it != aliases().end()) candidate = it->second;
  for (const auto& f : fonts_)
    if (equalsIgnoringCase(f.fontName, candidate)) return &f;
  return nullptr;
}

}  // namespace vq

#include "fonts/VQPDFSimple8BitFont.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <set>

#include "fonts/BuiltinFontManager.h"
#include "fonts/VQPDFCharCodeToUnicode.h"
#include "fonts/VQPDFFontDescriptor.h"
#include "fonts/VQPDFFontUtilities.h"
#include "platform/text/FontFace.h"
#include "platform/text/Utf8.h"

namespace vq {

namespace {

const uint16_t kCP1252High[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                  0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                  0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                  0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

const uint16_t kMacRomanHigh[128] = {
    0x00C4, 0x00C5, 0x00C7, 0x00C9, 0x00D1, 0x00D6, 0x00DC, 0x00E1, 0x00E0, 0x00E2, 0x00E4, 0x00E3, 0x00E5,
    0x00E7, 0x00E9, 0x00E8, 0x00EA, 0x00EB, 0x00ED, 0x00EC, 0x00EE, 0x00EF, 0x00F1, 0x00F3, 0x00F2, 0x00F4,
    0x00F6, 0x00F5, 0x00FA, 0x00F9, 0x00FB, 0x00FC, 0x2020, 0x00B0, 0x00A2, 0x00A3, 0x00A7, 0x2022, 0x00B6,
    0x00DF, 0x00AE, 0x00A9, 0x2122, 0x00B4, 0x00A8, 0x2260, 0x00C6, 0x00D8, 0x221E, 0x00B1, 0x2264, 0x2265,
    0x00A5, 0x00B5, 0x2202, 0x2211, 0x220F, 0x03C0, 0x222B, 0x00AA, 0x00BA, 0x03A9, 0x00E6, 0x00F8, 0x00BF,
    0x00A1, 0x00AC, 0x221A, 0x0192, 0x2248, 0x2206, 0x00AB, 0x00BB, 0x2026, 0x00A0, 0x00C0, 0x00C3, 0x00D5,
    0x0152, 0x0153, 0x2013, 0x2014, 0x201C, 0x201D, 0x2018, 0x2019, 0x00F7, 0x25CA, 0x00FF, 0x0178, 0x2044,
    0x20AC, 0x2039, 0x203A, 0xFB01, 0xFB02, 0x2021, 0x00B7, 0x201A, 0x201E, 0x2030, 0x00C2, 0x00CA, 0x00C1,
    0x00CB, 0x00C8, 0x00CD, 0x00CE, 0x00CF, 0x00CC, 0x00D3, 0x00D4, 0xF8FF, 0x00D2, 0x00DA, 0x00DB, 0x00D9,
    0x0131, 0x02C6, 0x02DC, 0x00AF, 0x02D8, 0x02D9, 0x02DA, 0x00B8, 0x02DD, 0x02DB, 0x02C7};

// UTF-8 text -> UTF-16 units.
int toUnits(const std::string& utf8, uint32_t* u, int uSize) {
  int n = 0;
  // Walked in place: this runs for every glyph of a re-encoded font. Bytes
  // that form no character are skipped.
  for (size_t i = 0; i < utf8.size();) {
    char32_t decoded = 0;
    const size_t length = text::decodeUTF8At(utf8, i, &decoded);
    if (length == 0) {
      ++i;
      continue;
    }
    i += length;
    const uint32_t cp = decoded;
    if (cp >= 0x10000) {
      if (n + 2 > uSize) break;
      u[n++] = 0xD800 + ((cp - 0x10000) >> 10);
      u[n++] = 0xDC00 + ((cp - 0x10000) & 0x3FF);
    } else {
      if (n + 1 > uSize) break;
      u[n++] = cp;
    }
  }
  return n;
}

// Glyph names of TeX's fonts (Computer Modern, the AMS symbols, the EC and
// Latin Modern families) that the Adobe glyph list lacks, or maps into the
// private use area. Only characters these glyphs unambiguously draw.
const std::map<std::string, uint32_t>& texGlyphNames() {
  static const std::map<std::string, uint32_t> kNames = {
      {"angbracketleft", 0x27E8},
      {"angbracketright", 0x27E9},
      {"arrowbothv", 0x2195},
      {"arrowdblbothv", 0x21D5},
      {"arrownortheast", 0x2197},
      {"arrownorthwest", 0x2196},
      {"arrowsoutheast", 0x2198},
      {"arrowsouthwest", 0x2199},
      {"bardbl", 0x2016},
      {"ceilingleft", 0x2308},
      {"ceilingright", 0x2309},
      {"coproduct", 0x2210},
      {"dotlessj", 0x0237},
      {"epsilon1", 0x03B5},
      {"equivasymptotic", 0x224D},
      {"floorleft", 0x230A},
      {"floorright", 0x230B},
      {"follows", 0x227B},
      {"followsequal", 0x2AB0},
      {"greatermuch", 0x226B},
      {"harpoonleftdown", 0x21BD},
      {"harpoonleftup", 0x21BC},
      {"harpoonrightdown", 0x21C1},
      {"harpoonrightup", 0x21C0},
      {"intersectionsq", 0x2293},
      {"latticetop", 0x22A4},
      {"lessmuch", 0x226A},
      {"lscript", 0x2113},
      {"mho", 0x2127},
      {"negationslash", 0x0338},
      {"owner", 0x220B},
      {"pi1", 0x03D6},
      {"precedesequal", 0x2AAF},
      {"rho1", 0x03F1},
      {"similarequal", 0x2243},
      {"star", 0x22C6},
      {"triangleleft", 0x25C1},
      {"triangleright", 0x25B7},
      {"turnstileleft", 0x22A2},
      {"turnstileright", 0x22A3},
      {"unionsq", 0x2294},
      {"visiblespace", 0x2423},
      {"wreathproduct", 0x2240},
  };
  return kNames;
}

// The characters of one glyph-name component: TeX's names above, the glyph
// list's value, uniXXXX[YYYY...] (groups of four hex digits) or uXXXX to
// uXXXXXX, or the base of one of TeX's sized delimiters and operators
// (parenleftbig, summationdisplay); empty when it names none.
std::string componentText(const std::string& name, int depth = 0) {
  std::string out;
  if (auto it = texGlyphNames().find(name); it != texGlyphNames().end()) {
    text::appendUTF8(out, it->second);
    return out;
  }
  auto hexValue = [](const std::string& digits, uint32_t* value) {
    uint32_t v = 0;
    for (char ch : digits) {
      int d = ch >= '0' && ch <= '9'   ? ch - '0'
              : ch >= 'A' && ch <= 'F' ? ch - 'A' + 10
              : ch >= 'a' && ch <= 'f' ? ch - 'a' + 10
                                       : -1;
      if (d < 0) return false;
      v = v * 16 + static_cast<uint32_t>(d);
    }
    *value = v;
    return true;
  };
  auto isCharacter = [](uint32_t v) { return v > 0 && v <= 0x10FFFF && (v < 0xD800 || v > 0xDFFF); };
  if (name.size() >= 7 && name.compare(0, 3, "uni") == 0 && (name.size() - 3) % 4 == 0) {
    for (size_t i = 3; i < name.size(); i += 4) {
      uint32_t v = 0;
      if (!hexValue(name.substr(i, 4), &v) || !isCharacter(v)) {
        out.clear();
        break;
      }
      text::appendUTF8(out, v);
    }
    if (!out.empty()) return out;
  }
  if (name.size() >= 5 && name.size() <= 7 && name[0] == 'u') {
    uint32_t v = 0;
    if (hexValue(name.substr(1), &v) && isCharacter(v)) {
      text::appendUTF8(out, v);
      return out;
    }
  }
  uint16_t v = BuiltinFontWidths::nameToUnicodeID(name);
  // A ligature glyph (fi, ffl ...) is text of its letters: the presentation
  // forms are for drawing, and searching or editing wants the letters.
  static const char* const kLigatures[] = {"ff", "fi", "fl", "ffi", "ffl", "\xC5\xBFt", "st"};
  if (v >= 0xFB00 && v <= 0xFB06) return kLigatures[v - 0xFB00];
  if (v) {
    text::appendUTF8(out, v);
    return out;
  }
  // TeX's extension font names each size of a delimiter or operator after
  // the base glyph: parenleftbig ... parenleftBigg, integraltext, summationdisplay.
  if (depth == 0) {
    for (const char* size : {"bigg", "Bigg", "big", "Big", "text", "display"}) {
      const size_t n = std::char_traits<char>::length(size);
      if (name.size() > n && name.compare(name.size() - n, n, size) == 0)
        return componentText(name.substr(0, name.size() - n), depth + 1);
    }
  }
  return out;
}

// Names made of one or two letters and a decimal number (a65, g12, cc101)
// name a glyph by its code, as fonts made from bitmap and TeX fonts do:
// returns the number, or -1 for any other name.
int numericGlyphName(const std::string& name) {
  size_t letters = 0;
  while (letters < name.size() && letters < 3 &&
         ((name[letters] >= 'a' && name[letters] <= 'z') || (name[letters] >= 'A' && name[letters] <= 'Z')))
    ++letters;
  size_t digits = name.size() - letters;
  if (letters < 1 || letters > 2 || digits < 1 || digits > 3) return -1;
  int value = 0;
  for (size_t i = letters; i < name.size(); ++i) {
    if (name[i] < '0' || name[i] > '9') return -1;
    value = value * 10 + (name[i] - '0');
  }
  return value;
}

// What a glyph name says about its text.
struct GlyphNameText {
  std::string text;
  bool known = false;  // the name resolved to characters (or, for numeric names, to none)
};

// Text of a glyph name: the glyph list's (or TeX's) value of the whole name;
// else the part before the first "." (a.sc, f_i.liga) split at "_" into
// components that each name characters; else, for a numeric name (see
// above), its printable ASCII character when `numeric`, no character
// otherwise; else the character the embedded font program's own Unicode map
// gives its glyph of that name. Any other name stands for no known
// character: its text is empty, as a name is never the text.
GlyphNameText glyphNameText(const std::string& fullName, bool numeric, const text::FontFace* program) {
  GlyphNameText result;
  if (std::string whole = componentText(fullName); !whole.empty()) return {whole, true};
  const std::string name = fullName.substr(0, fullName.find('.'));
  if (name.empty()) return result;  // .notdef and other suffix-only names
  std::string out;
  bool all = true;
  for (size_t start = 0; start <= name.size();) {
    size_t end = name.find('_', start);
    if (end == std::string::npos) end = name.size();
    std::string part = componentText(name.substr(start, end - start));
    if (part.empty()) {
      all = false;
      break;
    }
    out += part;
    start = end + 1;
  }
  if (all && !out.empty()) return {out, true};
  if (int n = numericGlyphName(name); numeric && n >= 0) {
    // Fonts that name glyphs by their codes come from TeX's bitmap fonts,
    // whose text encoding sets the f-ligatures at 11 to 15: as control
    // characters those codes would drop the letters from every word they
    // are in.
    static constexpr const char* kTeXLigatures[] = {"ff", "fi", "fl", "ffi", "ffl"};
    if (n >= 0x20 && n < 0x7F) result.text = std::string(1, static_cast<char>(n));
    else if (n >= 11 && n <= 15) result.text = kTeXLigatures[n - 11];
    result.known = true;
    return result;
  }
  if (program) {
    // Private-use values say no more than the name did.
    if (auto v = program->unicodeOfGlyphName(fullName); v && *v >= 0x20 && !(*v >= 0xE000 && *v <= 0xF8FF)) {
      text::appendUTF8(result.text, *v);
      result.known = true;
    }
  }
  return result;
}

// The rectangle enclosing the corners (llx, lly, urx, ury) under `m`, as
// corners again.
Rect transformedCorners(double llx, double lly, double urx, double ury, const AffineTransform& m) {
  const Rect r = RectApplyAffineTransform(RectStandardize(RectMake(llx, lly, urx - llx, ury - lly)), m);
  return RectMake(RectGetMinX(r), RectGetMinY(r), RectGetMaxX(r), RectGetMaxY(r));
}

// Four or six finite numbers of an array, or nullopt.
template <size_t N>
std::optional<std::array<double, N>> numbersOf(const pdf::Object& array) {
  if (!array.isArray() || array.size() != N) return std::nullopt;
  std::array<double, N> v{};
  for (size_t i = 0; i < N; ++i) {
    auto n = array.at(i).number();
    if (!n || !std::isfinite(*n)) return std::nullopt;
    v[i] = *n;
  }
  return v;
}

// The code a number of /Differences sets. Codes past the byte range name
// nothing, so a far-off or non-finite number is held just outside it (the
// names after it then map nothing, and counting on from it cannot overflow).
int64_t DifferencesCode(double n) {
  if (!(n >= 0)) return -1;
  return n > 256 ? 256 : static_cast<int64_t>(n);
}

// The characters Wingdings draws at the codes used as marks and bullets
// (check marks, ballot boxes, squares, circles, arrowheads); 0 elsewhere.
uint32_t wingdingsCharacter(uint8_t code) {
  static const std::map<uint8_t, uint32_t> kMarks = {
      {0x4A, 0x263A}, {0x4C, 0x2639}, {0x4E, 0x2620}, {0x54, 0x2744}, {0x58, 0x2720}, {0x59, 0x2721}, {0x5B, 0x262F},
      {0x6C, 0x25CF}, {0x6E, 0x25A0}, {0x6F, 0x25A1}, {0x71, 0x2751}, {0x75, 0x25C6}, {0x76, 0x2756}, {0xA1, 0x25CB},
      {0xA7, 0x25AA}, {0xD8, 0x27A2}, {0xFC, 0x2714}, {0xFD, 0x2612}, {0xFE, 0x2611},
  };
  auto it = kMarks.find(code);
  return it == kMarks.end() ? 0 : it->second;
}

// The characters of the Symbol font's own encoding (Greek letters, math
// operators, the bullet), through its glyph names; 0 where it has none.
uint32_t symbolCharacter(uint8_t code) {
  static const BuiltinFont* symbol = BuiltinFontManager::sharedManager().findBuildinFont("Symbol");
  const char* name = symbol ? symbol->glyphNameForCode(code) : nullptr;
  return name ? BuiltinFontWidths::nameToUnicodeID(name) : 0;
}

// The table of a font named as one of the symbol fonts whose layout is
// known, whatever subset prefix or style suffix its name carries
// (ABCDEF+Wingdings-Regular, SymbolMT); null for any other name. Wingdings
// 2 and 3 place other marks at the same codes.
uint32_t (*symbolTableForName(const std::string& baseFont))(uint8_t) {
  std::string name = baseFont.substr(baseFont.find('+') == 6 ? 7 : 0);
  std::string folded;
  for (char ch : name)
    if (std::isalnum(static_cast<unsigned char>(ch))) folded += static_cast<char>(std::tolower(ch));
  if (folded.starts_with("wingdings") && !folded.starts_with("wingdings2") && !folded.starts_with("wingdings3"))
    return wingdingsCharacter;
  if (folded == "symbol" || folded.starts_with("symbolmt") || folded.starts_with("symbolregular"))
    return symbolCharacter;
  return nullptr;
}

}  // namespace

uint32_t VQPDFSimple8BitFont::DecodeByte(int encoding, uint8_t b) {
  switch (encoding) {
    case kVQStringEncodingASCII:
      return b < 0x80 ? b : 0;
    case kVQStringEncodingWindowsCP1252:
      if (b >= 0x80 && b < 0xA0) return kCP1252High[b - 0x80];
      return b;
    case kVQStringEncodingMacRoman:
      return b < 0x80 ? b : kMacRomanHigh[b - 0x80];
    default:
      return 0;  // a single byte is never UTF-16 text
  }
}

void VQPDFSimple8BitFont::setEncodingName(const std::string& name) {
  fontEncodingName = name;
  if (name == "MacRomanEncoding" || name == "MacExpertEncoding") stringEncoding = kVQStringEncodingMacRoman;
  else if (name == "WinAnsiEncoding") stringEncoding = kVQStringEncodingWindowsCP1252;
  else if (name == "PDFDocEncoding") stringEncoding = kVQStringEncodingUTF16;
  else stringEncoding = kVQStringEncodingASCII;
}

void VQPDFSimple8BitFont::readDifferences(const pdf::Object& array) {
  if (!array.isArray()) return;
  // Numeric names are read as codes only when every name the glyph list
  // does not know is numeric and its number is the code it is placed at: a
  // font that names glyphs by code names all of them that way, while g12 or
  // a6 elsewhere may well be a glyph index.
  bool numeric = false;
  int64_t at = 0;
  for (const pdf::Object& item : array.elements()) {
    if (auto n = item.number()) {
      at = DifferencesCode(*n);
      continue;
    }
    auto name = item.name();
    if (!name) continue;
    const int64_t code = at++;
    if (name->empty() || (*name)[0] == '.' || !componentText(*name).empty()) continue;
    if (numericGlyphName(name->substr(0, name->find('.'))) != code) {
      numeric = false;
      break;
    }
    numeric = true;
  }
  const text::FontFace* program = fontDescriptor ? fontDescriptor->embFont.get() : nullptr;
  std::array<std::string, 256> found;
  std::set<int> textless;
  int64_t code = 0;
  for (const pdf::Object& item : array.elements()) {
    if (auto number = item.number()) {
      code = DifferencesCode(*number);
    } else if (auto name = item.name()) {
      if (code >= 0 && code <= 255) {
        GlyphNameText t = glyphNameText(*name, numeric, program);
        // A name that resolves to nothing is no character either: the code
        // no longer draws the base encoding's. Only .notdef (and other
        // suffix-only names) leave the base encoding in force.
        if (!t.text.empty()) found[static_cast<int>(code)] = t.text;
        else if (!name->empty() && (*name)[0] != '.') textless.insert(static_cast<int>(code));
      }
      ++code;
    }
  }
  differences = std::move(found);
  textlessCodes = std::move(textless);
}

void VQPDFSimple8BitFont::addBuiltinEncoding(const pdf::Object& encoding) {
  // A Type 1 font without /Encoding, or whose /Differences name no base
  // encoding, uses the encoding of its font program: TeX's fonts put quotes,
  // dashes, ligatures and math symbols at codes where WinAnsi has other
  // characters, and only the program's glyph names say which.
  if (!(encoding.isNull() || (encoding.isDictionary() && !encoding.get("BaseEncoding").name()))) return;
  auto take = [&](int c, const std::string& name) {
    if (name.empty() || !differences[c].empty() || textlessCodes.count(c)) return;
    // Only names that resolve: a private name says nothing about the text.
    GlyphNameText t = glyphNameText(name, false, nullptr);
    if (t.known && !t.text.empty()) differences[c] = t.text;
  };
  const bool embedded = fontDescriptor && fontDescriptor->embFont;
  if (!embedded) {
    // Symbol and ZapfDingbats as the reader's own fonts: their codes are
    // Greek letters, math operators and ornaments, never WinAnsi's letters.
    if (builtinFont && builtinFont->hasOwnEncoding() && subtype != "Type3")
      for (int c = 0; c < 256; ++c)
        if (const char* name = builtinFont->glyphNameForCode(static_cast<uint8_t>(c))) take(c, name);
    return;
  }
  if (subtype != "Type1" && subtype != "MMType1") return;
  if (fontDescriptor->embFontNum != 1 && fontDescriptor->embFontNum != 3) return;
  const std::vector<std::string> names = fontDescriptor->embFont->builtinEncodingGlyphNames();
  for (size_t code = 0; code < names.size() && code < 256; ++code) take(static_cast<int>(code), names[code]);
}

void VQPDFSimple8BitFont::setEncodingWithEncodingObject(const pdf::Object& encoding) {
  differences = {};
  textlessCodes.clear();
  if (auto name = encoding.name()) {
    setEncodingName(*name);
  } else if (encoding.isDictionary()) {
    if (auto base = encoding.get("BaseEncoding").name()) setEncodingName(*base);
    readDifferences(encoding.get("Differences"));
  }
}

bool VQPDFSimple8BitFont::initWithDictionary(const pdf::Object& dictionary, const std::string& key) {
  objectKey = key;
  stringEncoding = kVQStringEncodingNone;
  setBuiltinFontWithFontDictionary(dictionary);
  setFontDescriptorWithFontDictionary(dictionary);
  setSubtypeBaseFontName(dictionary);
  if (subtype == "Type3") applyGlyphMatrix(dictionary);

  pdf::Object procs = dictionary.get("CharProcs");
  if (procs.isDictionary()) {
    for (const std::string& glyph : procs.keys()) {
      pdf::Object entry = procs.get(glyph);
      VQPDFFontCharProc proc;
      if (entry.isStream()) {
        proc.xObjectStream = entry;
        proc.xObjectDictionary = entry.streamDictionary();
      } else if (auto t = entry.text()) {
        proc.text = *t;
      } else if (auto n = entry.name()) {
        proc.text = VQPDFFontUtilities::NameBytesToUTF8(*n);
      } else {
        continue;
      }
      type3_charProcs.emplace(glyph, std::move(proc));
    }
  }

  setEncodingWithEncodingObject(dictionary.get("Encoding"));
  addBuiltinEncoding(dictionary.get("Encoding"));
  if (stringEncoding == kVQStringEncodingNone) {
    stringEncoding = defaultStringEncoding();
    fontEncodingName = stringEncoding == kVQStringEncodingWindowsCP1252 ? "WinAnsiEncoding" : "StandardEncoding";
  }
  setWidthsWithFontDictionary(dictionary);
  setToUnicodeWithFontDictionary(dictionary, 8);
  if (subtype != "Type3") symbolCharacters = symbolTableForName(baseFontName);
  wMode = 0;
  updateFontSystemReplaceName();
  updateBankSpaceWidth();
  return true;
}

Point VQPDFSimple8BitFont::glyphAdvance(double width) const {
  if (!glyphMatrix) return {width / 1000, 0};
  // The displacement (w, 0) in glyph space, without the matrix's offset.
  return {width * glyphMatrix->a, width * glyphMatrix->b};
}

void VQPDFSimple8BitFont::applyGlyphMatrix(const pdf::Object& dictionary) {
  // Type 3 glyphs are drawn in a space of the font's choosing: /Widths,
  // /FontBBox and the descriptor's metrics are all in its units, and only
  // /FontMatrix says how large they are in text space.
  AffineTransform m = AffineTransformMake(0.001, 0, 0, 0.001, 0, 0);
  if (auto v = numbersOf<6>(dictionary.get("FontMatrix")); v && (*v)[0] * (*v)[3] - (*v)[1] * (*v)[2] != 0)
    m = AffineTransformMake((*v)[0], (*v)[1], (*v)[2], (*v)[3], (*v)[4], (*v)[5]);
  glyphMatrix = m;
  // A matrix with an axis of no length was refused above, so both are
  // measurable.
  const double along = std::hypot(m.a, m.b), across = std::hypot(m.c, m.d);
  glyphOrientation = AffineTransformMake(m.a / along, m.b / along, m.c / across, m.d / across, 0, 0);
  if (auto b = numbersOf<4>(dictionary.get("FontBBox"))) {
    Rect box = transformedCorners((*b)[0], (*b)[1], (*b)[2], (*b)[3], m);
    // Many producers write [0 0 0 0]: that box says nothing.
    if (box.size.width > box.origin.x && box.size.height > box.origin.y) type3BBox = box;
  }
  if (!fontDescriptor) return;
  VQPDFFontDescriptor& d = *fontDescriptor;
  const pdf::Object dd = dictionary.get("FontDescriptor");
  auto glyphUnits = [&](const char* key) { return dd.get(key).number().value_or(0); };
  // Heights are measured across the baseline, widths along it.
  if (double a = glyphUnits("Ascent"); a != 0) d.ascent = a * across;
  if (double de = glyphUnits("Descent"); de != 0) d.descent = -std::fabs(de) * across;
  d.averageWidth = glyphUnits("AvgWidth") * along;
  d.maxWidth = glyphUnits("MaxWidth") * along;
  d.missingWidth = glyphAdvance(glyphUnits("MissingWidth")).x;
  if (auto b = numbersOf<4>(dd.get("FontBBox"))) d.fontBBox = transformedCorners((*b)[0], (*b)[1], (*b)[2], (*b)[3], m);
}

void VQPDFSimple8BitFont::setWidthsWithFontDictionary(const pdf::Object& dictionary) {
  double missing = fontDescriptor ? fontDescriptor->missingWidth : 0;
  charWidths.assign(kWidthCount, missing);
  charRises.clear();
  auto fillFrom = [&](const BuiltinFont& f, int count) {
    uint16_t w = 0;
    if (f.fontWidths.widthOfSpace(&w)) charWidths[32] = w / 1000.0;
    for (int i = 0; i < count; ++i) {
      // A font of its own encoding is measured by the glyph at each code;
      // the others by the glyph of the character the code reads as.
      bool found = false;
      if (!f.hasOwnEncoding()) {
        found = f.fontWidths.getCharacter(static_cast<uint32_t>(i), &w);
      } else if (i < 256) {
        const char* name = f.glyphNameForCode(static_cast<uint8_t>(i));
        found = name && f.fontWidths.getString(name, &w);
      }
      if (found) charWidths[i] = w / 1000.0;
    }
  };
  if (builtinFont) fillFrom(*builtinFont, kWidthCount);

  pdf::Object widths = dictionary.get("Widths");
  if (widths.isArray()) {
    int64_t first =
        dictionary.get("FirstChar").number() ? static_cast<int64_t>(*dictionary.get("FirstChar").number()) : 0;
    int64_t last =
        dictionary.get("LastChar").number() ? static_cast<int64_t>(*dictionary.get("LastChar").number()) : 255;
    if (first < 0 || first > 255) first = 0;
    if (last < 0 || last > 255) last = 255;
    size_t n = widths.size();
    if (last >= first) n = std::min<size_t>(n, static_cast<size_t>(last - first + 1));
    const bool rises = glyphMatrix && glyphMatrix->b != 0;
    if (rises) charRises.assign(kWidthCount, 0);
    for (size_t i = 0; i < n && first + static_cast<int64_t>(i) < kWidthCount; ++i) {
      // A width past a hundred ems is no width: such values (1e300) would
      // send every later glyph of the line to infinity. The glyph keeps the
      // width it had.
      constexpr double kMostWidth = 100000;
      if (auto w = widths.at(i).number(); w && std::isfinite(*w) && std::fabs(*w) <= kMostWidth) {
        const Point advance = glyphAdvance(*w);
        charWidths[first + i] = advance.x;
        if (rises) charRises[first + i] = advance.y;
      }
    }
  } else if (!builtinFont) {
    int index = 0;
    if (fontDescriptor) {
      index = fontDescriptor->isFixedWidth() ? 0 : fontDescriptor->isSerif() ? 8 : 4;
      if (fontDescriptor->isBold()) index += 2;
      if (fontDescriptor->isItalic()) index += 1;
    }
    if (const BuiltinFont* subst = BuiltinFontManager::sharedManager().fontsSubstArray()[index]) fillFrom(*subst, 256);
  }
}

size_t VQPDFSimple8BitFont::getNextChar(const uint8_t* bytes, size_t len, uint32_t* code, uint32_t* u, int uSize,
                                        int* uLen, float* dx, float* dy, float* ox, float* oy) const {
  *code = 0;
  *uLen = 0;
  *dx = *dy = *ox = *oy = 0;
  if (len == 0 || !bytes) return 1;
  uint8_t c = bytes[0];
  *code = c;
  const std::string& diff = differences[c];
  const bool hasDiff = !diff.empty();
  if (embToUnicodeMap) {
    int n = embToUnicodeMap->mapToUnicode(c, u, uSize);
    if (n == 0 && hasDiff) n = toUnits(diff, u, uSize);
    *uLen = n;
  } else if (stringEncoding != kVQStringEncodingNone) {
    if (hasDiff) {
      *uLen = toUnits(diff, u, uSize);
    } else if (textlessCodes.count(c)) {
      // Its glyph name says it stands for no character.
    } else if (uSize > 0) {
      // A byte the encoding cannot read stands for itself.
      uint32_t v = DecodeByte(stringEncoding, c);
      if (v == 0xFB01 || v == 0xFB02) {
        // Mac Roman's fi and fl: the letters, as for ligature glyph names.
        *uLen = toUnits(v == 0xFB01 ? "fi" : "fl", u, uSize);
      } else {
        u[0] = v != 0 ? v : c;
        *uLen = 1;
      }
    }
  } else if (uSize > 0) {
    u[0] = c;
    *uLen = 1;
  }
  // A symbol font's text in the private use area (U+F000 plus the code, as
  // its own character map and the maps made from it place the glyphs) is
  // shown by no other font: where the font's encoding says what the code
  // draws, the text is that character.
  if (symbolCharacters && *uLen == 1 && u[0] >= 0xF000 && u[0] <= 0xF0FF) {
    if (const uint32_t v = symbolCharacters(static_cast<uint8_t>(u[0] - 0xF000))) u[0] = v;
  }
  *dx = static_cast<float>(charWidths[c]);
  if (!charRises.empty()) *dy = static_cast<float>(charRises[c]);
  return 1;
}

double VQPDFSimple8BitFont::embFontWidthForCode(uint32_t code) const {
  if (!fontDescriptor || !fontDescriptor->embFont) return 0;
  return fontDescriptor->embFontWidthForCharCode(static_cast<uint16_t>(code));
}

void VQPDFSimple8BitFont::updateBankSpaceWidth() {
  auto width = [&](int code) {
    const double w = embFontWidthForCode(static_cast<uint32_t>(code));
    return w > 0 && w <= 1 ? w : charWidths[code];
  };
  auto readsAsBlank = [&](int code) {
    const uint8_t byte = static_cast<uint8_t>(code);
    const VQPDFFontChar c = getNextChar(&byte, 1);
    return c.uLen == 1 && c.units[0] == 0x20;
  };
  blankCode = 32;
  if (!readsAsBlank(32)) {
    // Fonts re-encoded by their producer put the blank at a code of their
    // own. One the page gives no width (TeX's fonts carry a blank at 160
    // that their text never uses) measures nothing; a font without a
    // measurable blank is still measured at code 32.
    for (int code = 0; code < 256; ++code) {
      if (code != 32 && readsAsBlank(code) && width(code) > 0 && width(code) <= 1) {
        blankCode = code;
        break;
      }
    }
  }
  const double w = width(blankCode);
  if (w > 0 && w <= 1) bankSpaceCharWidth = w;
}

double VQPDFSimple8BitFont::widthOfSpace() const { return widthOfSpaceFromDescriptor(charWidths[blankCode]); }

double VQPDFSimple8BitFont::ascent() const {
  if (fontDescriptor) return fontDescriptor->ascent;
  if (builtinFont) return builtinFont->ascent;
  return 0.95;
}

double VQPDFSimple8BitFont::descent() const {
  if (fontDescriptor) return fontDescriptor->descent;
  if (builtinFont) return builtinFont->descent;
  return -0.35;
}

Rect VQPDFSimple8BitFont::fontBBox() const {
  if (type3BBox) return *type3BBox;
  if (fontDescriptor && fontDescriptor->embFontNum != 0) return fontDescriptor->fontBBox;
  if (builtinFont) return builtinFont->bbox;
  if (fontDescriptor) return fontDescriptor->fontBBox;
  return RectMake(0.95, -0.35, 1, 1);
}

}  // namespace vq

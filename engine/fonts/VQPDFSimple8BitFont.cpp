#include "fonts/VQPDFSimple8BitFont.h"

#include <algorithm>

#include "fonts/BuiltinFontManager.h"
#include "fonts/VQPDFCharCodeToUnicode.h"
#include "fonts/VQPDFFontUtilities.h"
#include "platform/text/Utf8.h"

namespace vq {

namespace {

const uint16_t kCP1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

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
  for (uint32_t cp : text::decodeUTF8(utf8)) {
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

// Text of a glyph name: its table value; a ligature name (f_f_i) made of known
// names gives their characters; otherwise the name without its underscores.
std::string glyphNameText(const std::string& name) {
  std::string out;
  if (uint16_t v = BuiltinFontWidths::nameToUnicodeID(name)) {
    text::appendUTF8(out, v);
    return out;
  }
  if (name.find('_') != std::string::npos) {
    size_t start = 0;
    bool all = true;
    while (start <= name.size()) {
      size_t end = name.find('_', start);
      if (end == std::string::npos) end = name.size();
      uint16_t v = BuiltinFontWidths::nameToUnicodeID(name.substr(start, end - start));
      if (!v) { all = false; break; }
      text::appendUTF8(out, v);
      start = end + 1;
    }
    if (all && !out.empty()) return out;
  }
  out = name;
  out.erase(std::remove(out.begin(), out.end(), '_'), out.end());
  return VQPDFFontUtilities::NameBytesToUTF8(out);
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
  std::map<int, std::string> found;
  int64_t code = 0;
  for (const pdf::Object& item : array.elements()) {
    if (auto n = item.integer()) {
      code = *n;
    } else if (auto number = item.number()) {
      code = static_cast<int64_t>(*number);
    } else if (auto name = item.name()) {
      if (code >= 0 && code <= 255) {
        std::string t = glyphNameText(*name);
        if (!t.empty()) found[static_cast<int>(code)] = t;
      }
      ++code;
    }
  }
  differences = std::move(found);
}

void VQPDFSimple8BitFont::setEncodingWithEncodingObject(const pdf::Object& encoding) {
  differences.clear();
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
  if (stringEncoding == kVQStringEncodingNone) {
    stringEncoding = defaultStringEncoding();
    fontEncodingName = stringEncoding == kVQStringEncodingWindowsCP1252 ? "WinAnsiEncoding" : "StandardEncoding";
  }
  setWidthsWithFontDictionary(dictionary);
  setToUnicodeWithFontDictionary(dictionary, 8);
  wMode = 0;
  updateFontSystemReplaceName();
  updateBankSpaceWidth();
  return true;
}

void VQPDFSimple8BitFont::setWidthsWithFontDictionary(const pdf::Object& dictionary) {
  double missing = fontDescriptor ? fontDescriptor->missingWidth : 0;
  charWidths.assign(kWidthCount, missing);
  auto fillFrom = [&](const BuiltinFont& f, int count) {
    uint16_t w = 0;
    if (f.fontWidths.widthOfSpace(&w)) charWidths[32] = w / 1000.0;
    for (int i = 0; i < count; ++i)
      if (f.fontWidths.getCharacter(static_cast<uint32_t>(i), &w)) charWidths[i] = w / 1000.0;
  };
  if (builtinFont) fillFrom(*builtinFont, kWidthCount);

  pdf::Object widths = dictionary.get("Widths");
  if (widths.isArray()) {
    int64_t first = dictionary.get("FirstChar").number() ? static_cast<int64_t>(*dictionary.get("FirstChar").number()) : 0;
    int64_t last = dictionary.get("LastChar").number() ? static_cast<int64_t>(*dictionary.get("LastChar").number()) : 255;
    if (first < 0 || first > 255) first = 0;
    if (last < 0 || last > 255) last = 255;
    size_t n = widths.size();
    if (last >= first) n = std::min<size_t>(n, static_cast<size_t>(last - first + 1));
    for (size_t i = 0; i < n && first + static_cast<int64_t>(i) < kWidthCount; ++i)
      if (auto w = widths.at(i).number()) charWidths[first + i] = *w / 1000;
  } else if (!builtinFont) {
    int index = 0;
    if (fontDescriptor) {
      index = fontDescriptor->isFixedWidth() ? 0 : fontDescriptor->isSerif() ? 8 : 4;
      if (fontDescriptor->isBold()) index += 2;
      if (fontDescriptor->isItalic()) index += 1;
    }
    if (const BuiltinFont* subst = BuiltinFontManager::sharedManager().fontsSubstArray()[index])
      fillFrom(*subst, 256);
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
  auto diff = differences.find(c);
  bool hasDiff = diff != differences.end() && !diff->second.empty();
  if (embToUnicodeMap) {
    int n = embToUnicodeMap->mapToUnicode(c, u, uSize);
    if (n == 0 && hasDiff) n = toUnits(diff->second, u, uSize);
    *uLen = n;
  } else if (stringEncoding != kVQStringEncodingNone) {
    if (hasDiff) {
      *uLen = toUnits(diff->second, u, uSize);
    } else if (uSize > 0) {
      // A byte the encoding cannot read stands for itself.
      uint32_t v = DecodeByte(stringEncoding, c);
      u[0] = v != 0 ? v : c;
      *uLen = 1;
    }
  } else if (uSize > 0) {
    u[0] = c;
    *uLen = 1;
  }
  *dx = static_cast<float>(charWidths[c]);
  return 1;
}

double VQPDFSimple8BitFont::embFontWidthForCode(uint32_t code) const {
  if (!fontDescriptor || !fontDescriptor->embFont) return 0;
  return fontDescriptor->embFontWidthForCharCode(static_cast<uint16_t>(code));
}

void VQPDFSimple8BitFont::updateBankSpaceWidth() {
  double w = embFontWidthForCode(32);
  if (!(w > 0 && w <= 1)) w = charWidths[32];
  if (w > 0 && w <= 1) bankSpaceCharWidth = w;
}

double VQPDFSimple8BitFont::widthOfSpace() const { return widthOfSpaceFromDescriptor(charWidths[32]); }

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
  if (fontDescriptor && fontDescriptor->embFontNum != 0) return fontDescriptor->fontBBox;
  if (builtinFont) return builtinFont->bbox;
  if (fontDescriptor) return fontDescriptor->fontBBox;
  return RectMake(0.95, -0.35, 1, 1);
}

const VQPDFFontCharProc* VQPDFSimple8BitFont::charProcForKey(const std::string& glyphName) const {
  auto it = type3_charProcs.find(glyphName);
  return it == type3_charProcs.end() ? nullptr : &it->second;
}

}  // namespace vq

#include "fonts/VQPDFFont.h"

#include <algorithm>
#include <cctype>

#include "fonts/BuiltinFontManager.h"
#include "fonts/VQPDFCharCodeToUnicode.h"
#include "fonts/VQPDFFontUtilities.h"
#include "fonts/VQPDFSimple8BitFont.h"
#include "fonts/VQPDFType0Font.h"
#include "platform/text/Utf8.h"

namespace vq {

namespace {

std::string lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
  return s;
}

bool isPlaceholderName(const std::string& name) {
  std::string l = lower(name);
  return l.find("unknown") != std::string::npos || l.find("null") != std::string::npos ||
         l.find("font0000") != std::string::npos;
}

}  // namespace

std::string VQUnicodeUnitsToUTF8(const uint32_t* units, int count) {
  std::string out;
  for (int i = 0; i < count; ++i) {
    uint32_t u = units[i];
    if (u >= 0xD800 && u <= 0xDBFF) {
      if (i + 1 < count && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF) {
        text::appendUTF8(out, 0x10000 + ((u - 0xD800) << 10) + (units[i + 1] - 0xDC00));
        ++i;
      }
      continue;  // an unpaired high surrogate is no character
    }
    // Low surrogates alone, NUL and values past U+10FFFF are dropped too.
    if (u == 0) continue;
    text::appendUTF8(out, u);
  }
  return out;
}

VQPDFFont::~VQPDFFont() = default;

std::shared_ptr<VQPDFFont> VQPDFFont::NewFontWithDictionary(const pdf::Object& dictionary,
                                                            const std::string& objectKey) {
  if (!dictionary.isDictionary() || !dictionary.get("Type").isName("Font")) return nullptr;
  auto subtype = dictionary.get("Subtype").name();
  if (!subtype) return nullptr;
  std::shared_ptr<VQPDFFont> font;
  if (*subtype == "Type0") font = std::make_shared<VQPDFType0Font>();
  else if (*subtype == "Type1") font = std::make_shared<VQPDFType1Font>();
  else if (*subtype == "MMType1") font = std::make_shared<VQPDFMMType1Font>();
  else if (*subtype == "Type3") font = std::make_shared<VQPDFType3Font>();
  else if (*subtype == "TrueType") font = std::make_shared<VQPDFTrueTypeFont>();
  else return nullptr;
  if (!font->initWithDictionary(dictionary, objectKey)) return nullptr;
  return font;
}

size_t VQPDFFont::getNextChar(const uint8_t*, size_t, uint32_t*, uint32_t*, int, int* uLen, float*, float*, float*,
                              float*) const {
  if (uLen) *uLen = 0;
  return 1;
}

VQPDFFontChar VQPDFFont::getNextChar(const uint8_t* bytes, size_t len) const {
  VQPDFFontChar c;
  if (len == 0 || !bytes) return c;
  size_t n = getNextChar(bytes, len, &c.code, c.units, VQPDFFontChar::kMaxUnits, &c.uLen, &c.dx, &c.dy, &c.ox, &c.oy);
  c.uLen = std::clamp(c.uLen, 0, VQPDFFontChar::kMaxUnits);
  c.bytesUsed = std::clamp<size_t>(n, 1, len);
  c.text = VQUnicodeUnitsToUTF8(c.units, c.uLen);
  c.isSpace = c.bytesUsed == 1 && bytes[0] == 32;
  return c;
}

double VQPDFFont::embFontWidthForCode(uint32_t) const { return 0; }
double VQPDFFont::widthOfSpace() const { return 1.0; }
double VQPDFFont::ascent() const { return 0.95; }
double VQPDFFont::descent() const { return -0.35; }
Rect VQPDFFont::fontBBox() const { return RectMake(0.95, -0.35, 1, 1); }
void VQPDFFont::updateBankSpaceWidth() {}

bool VQPDFFont::initWithDictionary(const pdf::Object& dictionary, const std::string& key) {
  stringEncoding = kVQStringEncodingASCII;
  objectKey = key;
  wMode = 0;
  bankSpaceCharWidth = 0;
  setFontDescriptorWithFontDictionary(dictionary);
  setSubtypeBaseFontName(dictionary);
  setBuiltinFontWithFontDictionary(dictionary);
  setWidthsWithFontDictionary(dictionary);
  setToUnicodeWithFontDictionary(dictionary, 8);
  updateFontSystemReplaceName();
  return true;
}

void VQPDFFont::setWidthsWithFontDictionary(const pdf::Object&) {}

void VQPDFFont::setFontDescriptorWithFontDictionary(const pdf::Object& dictionary) {
  pdf::Object d = dictionary.get("FontDescriptor");
  if (d.isDictionary()) fontDescriptor = VQPDFFontDescriptor::initWithPDFDictionary(d);
}

void VQPDFFont::setSubtypeBaseFontName(const pdf::Object& dictionary) {
  if (auto s = dictionary.get("Subtype").name()) subtype = VQPDFFontUtilities::NameBytesToUTF8(*s);
  auto base = dictionary.get("BaseFont").name();
  if (!base) return;
  baseFontName = VQPDFFontUtilities::NameBytesToUTF8(*base);
  baseFontName_New = baseFontName;
  if (isPlaceholderName(baseFontName_New)) baseFontName_New.clear();
  if (baseFontName_New.empty() && fontDescriptor) {
    if (!fontDescriptor->embPostScriptName.empty()) baseFontName_New = fontDescriptor->embPostScriptName;
    else if (!fontDescriptor->embFullName.empty()) baseFontName_New = fontDescriptor->embFullName;
    if (isPlaceholderName(baseFontName_New)) baseFontName_New.clear();
  }
  // A subset prefix (ABCDEF+) is not part of the name.
  if (auto p = baseFontName_New.find("+."); p != std::string::npos) fontName = baseFontName_New.substr(p + 2);
  else if (auto q = baseFontName_New.find('+'); q != std::string::npos) fontName = baseFontName_New.substr(q + 1);
  else fontName = baseFontName_New;

  if (auto full = VQPDFFontUtilities::FontNameInComputer(fontName); full && !full->empty()) {
    fontName = *full;
  } else if (fontDescriptor) {
    for (const std::string* candidate : {&fontDescriptor->embPostScriptName, &fontDescriptor->embFullName}) {
      if (auto found = VQPDFFontUtilities::FontNameInComputer(*candidate); found && !found->empty()) {
        baseFontName_New = *candidate;
        fontName = *found;
        break;
      }
    }
  }
  if (auto family = VQPDFFontUtilities::FamilyNameInComputer(fontName); family && !family->empty())
    fontFamilyName = *family;
  else fontFamilyName = VQPDFFontUtilities::FamilyNameCut(fontName);
}

void VQPDFFont::setBuiltinFontWithFontDictionary(const pdf::Object& dictionary) {
  if (fontName.empty() || baseFontName.empty()) setSubtypeBaseFontName(dictionary);
  if (fontName.empty()) return;
  builtinFont = BuiltinFontManager::sharedManager().findBuildinFont(fontName);
}

void VQPDFFont::setToUnicodeWithFontDictionary(const pdf::Object& dictionary, int nBits) {
  pdf::Object stream = dictionary.get("ToUnicode");
  if (!stream.isStream()) return;
  auto data = stream.decodedData();
  if (!data) return;
  auto map = VQPDFCharCodeToUnicode::NewToUnicodeCMap(*data, nBits);
  // A stream that maps nothing is no map: the font's own encoding gives the
  // text, instead of every code reading as unknown.
  if (!map->isEmpty()) embToUnicodeMap = std::move(map);
}

void VQPDFFont::setExtendFontFileWithFontDictionary(const pdf::Object& dictionary) {
  if (fontName.empty() || baseFontName.empty()) setSubtypeBaseFontName(dictionary);
  if (subtype != "Type1" && subtype != "TrueType") extFontFile.clear();
}

void VQPDFFont::updateFontSystemReplaceName() {
  if (VQPDFFontUtilities::SystemFontNameIsExist(fontName)) {
    if (auto full = VQPDFFontUtilities::SystemFontFullNameForFontName(fontName)) fontName = *full;
    fontSystemReplaceName = fontName;
    return;
  }
  if (VQPDFFontUtilities::SystemFontNameIsExist(fontFamilyName)) {
    if (fontDescriptor) {
      if (VQPDFFontUtilities::isBoldFontName(fontName)) fontDescriptor->setFontBold(true);
      if (VQPDFFontUtilities::isItalicFontName(fontName)) fontDescriptor->setFontItalic(true);
    }
    if (auto full = VQPDFFontUtilities::SystemFontFullNameForFontName(fontFamilyName)) fontSystemReplaceName = *full;
    return;
  }
  findReplaceNameByKeyword();
  if (!fontSystemReplaceName.empty()) return;
  if (fontDescriptor) {
    if (VQPDFFontUtilities::isAllCapFontName(fontName)) fontDescriptor->setFontAllCap(true);
    if (VQPDFFontUtilities::isSerifFontName(fontName)) fontDescriptor->setFontSerif(true);
    bool fixed = fontDescriptor->isFixedWidth(), serif = fontDescriptor->isSerif();
    fontSystemReplaceName = fixed ? (serif ? "Courier" : "Consolas") : (serif ? "Times" : "Arial Unicode MS");
  } else {
    fontSystemReplaceName = VQPDFFontUtilities::isSerifFontName(fontName) ? "Times" : "Arial Unicode MS";
  }
}

void VQPDFFont::findReplaceNameByKeyword() {
  std::optional<std::string> found = VQPDFFontUtilities::ReplaceFontNameInFontBook(fontName);
  if ((!found || found->empty()) && fontDescriptor)
    found = VQPDFFontUtilities::ReplaceFontNameInFontBook(fontDescriptor->embPostScriptName);
  if ((!found || found->empty()) && fontDescriptor)
    found = VQPDFFontUtilities::ReplaceFontNameInFontBook(fontDescriptor->embFullName);
  if (found && !found->empty()) fontSystemReplaceName = *found;
}

double VQPDFFont::widthOfSpaceFromDescriptor(double r) const {
  if ((r <= 0 || r >= 1) && fontDescriptor) {
    r = fontDescriptor->embFontWidthForBankSpace();
    if (r <= 0) {
      const auto& d = *fontDescriptor;
      r = d.missingWidth > 0 ? std::min(d.missingWidth, 1.0) : 1.0;
      if (d.averageWidth > 0) r = std::min(r, d.averageWidth);
      if (d.maxWidth > 0) r = std::min(r, d.maxWidth);
      if (d.fontBBox.size.width > 0) r = std::min(r, d.fontBBox.size.width);
    }
  }
  if (r <= 0 || r >= 1) return fontDescriptor && fontDescriptor->isFixedWidth() ? 1.0 : 0.5;
  return r;
}

}  // namespace vq

#include "fonts/VQPDFType0Font.h"

#include <algorithm>

#include "fonts/VQPDFCharCodeToUnicode.h"
#include "fonts/VQPDFCodeToCIDMap.h"
#include "fonts/VQPDFFontDescriptor.h"
#include "fonts/VQPDFFontUtilities.h"
#include "platform/text/FontFace.h"

namespace vq {

namespace {

constexpr int kMaxEmbeddedUseDepth = 4;

// The entry whose range holds cid among entries sorted by first CID; ranges
// may overlap, so earlier entries are tried too when the nearest one ends early.
template <typename Entry>
const Entry* findRange(const std::vector<Entry>& entries, uint32_t cid) {
  auto it =
      std::upper_bound(entries.begin(), entries.end(), cid, [](uint32_t c, const Entry& e) { return c < e.first; });
  while (it != entries.begin()) {
    --it;
    if (cid <= it->last) return &*it;
  }
  return nullptr;
}

std::optional<uint32_t> cidOf(const pdf::Object& o) {
  auto v = o.integer();
  if (!v || *v < 0 || *v > 0xFFFFFFFFLL) return std::nullopt;
  return static_cast<uint32_t>(*v);
}

}  // namespace

// ---- descendant CIDFonts -------------------------------------------------

bool VQPDFCIDTypeFont::initWithDictionary(const pdf::Object& dictionary, const std::string& key) {
  objectKey = key;
  embToUnicodeMap.reset();
  cidWidths = VQPDFCIDWidths{};
  setSubtypeBaseFontName(dictionary);
  pdf::Object info = dictionary.get("CIDSystemInfo");
  if (info.isDictionary()) {
    std::string registry = info.get("Registry").text().value_or("Adobe");
    std::string ordering = info.get("Ordering").text().value_or("Identity");
    int64_t supplement = info.get("Supplement").integer().value_or(0);
    registry = VQPDFFontUtilities::NameBytesToUTF8(registry);
    ordering = VQPDFFontUtilities::NameBytesToUTF8(ordering);
    cidSystemRegion = registry + "-" + ordering;
    cidSystemInfo = cidSystemRegion + "-" + std::to_string(supplement);
    extToUnicodeMap = VQPDFMapTool::SharedToUnicodeMap(cidSystemRegion);
  }
  setFontDescriptorWithFontDictionary(dictionary);
  setExtendFontFileWithFontDictionary(dictionary);
  setWidthsWithFontDictionary(dictionary);
  return true;
}

void VQPDFCIDTypeFont::setWidthsWithFontDictionary(const pdf::Object& dictionary) {
  VQPDFCIDWidths w;
  if (auto dw = dictionary.get("DW").number()) w.defaultWidth = *dw / 1000;

  pdf::Object array = dictionary.get("W");
  size_t n = array.isArray() ? array.size() : 0;
  for (size_t i = 0; i + 1 < n;) {
    auto c = cidOf(array.at(i));
    if (!c) break;
    pdf::Object next = array.at(i + 1);
    if (next.isArray()) {
      uint64_t cid = *c;
      for (const pdf::Object& e : next.elements()) {
        auto width = e.number();
        if (!width || cid > 0xFFFFFFFFu) continue;
        w.exceptions.push_back({static_cast<uint32_t>(cid), static_cast<uint32_t>(cid), *width / 1000});
        ++cid;
      }
      i += 2;
    } else if (auto c2 = cidOf(next); c2 && i + 2 < n) {
      if (auto width = array.at(i + 2).number()) w.exceptions.push_back({*c, *c2, *width / 1000});
      i += 3;
    } else {
      i += 1;
    }
  }
  std::stable_sort(w.exceptions.begin(), w.exceptions.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });

  if (auto dw2 = dictionary.get("DW2").integer()) w.defaultHeight = static_cast<double>(*dw2) / 1000;

  pdf::Object array2 = dictionary.get("W2");
  size_t n2 = array2.isArray() ? array2.size() : 0;
  for (size_t i = 0; i + 1 < n2;) {
    auto c = cidOf(array2.at(i));
    if (!c) break;
    pdf::Object next = array2.at(i + 1);
    if (next.isArray()) {
      uint64_t cid = *c;
      auto items = next.elements();
      for (size_t k = 0; k + 3 <= items.size(); k += 3) {
        auto h = items[k].number(), vx = items[k + 1].number(), vy = items[k + 2].number();
        if (!h || !vx || !vy || cid > 0xFFFFFFFFu) continue;
        w.verticalExceptions.push_back(
            {static_cast<uint32_t>(cid), static_cast<uint32_t>(cid), *h / 1000, *vx / 1000, *vy / 1000});
        ++cid;
      }
      i += 2;
    } else if (auto c2 = cidOf(next); c2 && i + 4 < n2) {
      auto h = array2.at(i + 2).number(), vx = array2.at(i + 3).number(), vy = array2.at(i + 4).number();
      if (h && vx && vy) w.verticalExceptions.push_back({*c, *c2, *h / 1000, *vx / 1000, *vy / 1000});
      i += 5;
    } else if (c2) {
      break;  // a range without its three numbers ends the array
    } else {
      i += 1;
    }
  }
  std::stable_sort(w.verticalExceptions.begin(), w.verticalExceptions.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  cidWidths = std::move(w);
}

void VQPDFCIDTypeFont::getCIDWidths(uint32_t cid, int mode, float* dx, float* dy, float* ox, float* oy) const {
  if (mode == 1) {
    double h = cidWidths.defaultHeight, vx = cidWidths.defaultWidth / 2, vy = cidWidths.defaultVerticalOriginY;
    // Every CID of a range has the range's metrics (searching by the range's
    // start, not its end, so CIDs inside a range are found).
    if (const auto* e = findRange(cidWidths.verticalExceptions, cid)) {
      h = e->height;
      vx = e->vx;
      vy = e->vy;
    }
    *dx = 0;
    *dy = static_cast<float>(h);
    *ox = static_cast<float>(vx);
    *oy = static_cast<float>(vy);
    return;
  }
  double width = cidWidths.defaultWidth;
  if (const auto* e = findRange(cidWidths.exceptions, cid)) width = e->width;
  *dx = static_cast<float>(width);
  *dy = *ox = *oy = 0;
}

bool VQPDFCIDType2Font::initWithDictionary(const pdf::Object& dictionary, const std::string& key) {
  VQPDFCIDTypeFont::initWithDictionary(dictionary, key);
  cidToGID.clear();
  identity = false;
  pdf::Object map = dictionary.get("CIDToGIDMap");
  if (map.isStream()) {
    if (auto data = map.decodedData()) {
      cidToGID.reserve(data->size() / 2);
      for (size_t i = 0; i + 1 < data->size(); i += 2)
        cidToGID.push_back(
            static_cast<uint16_t>((static_cast<uint8_t>((*data)[i]) << 8) | static_cast<uint8_t>((*data)[i + 1])));
    }
  } else if (map.isName()) {
    identity = true;
  }
  return true;
}

uint32_t VQPDFCIDType2Font::glyphForCID(uint32_t cid) const { return cid < cidToGID.size() ? cidToGID[cid] : cid; }

// ---- the Type 0 font -----------------------------------------------------

std::shared_ptr<VQPDFFont> VQPDFType0Font::copy() const {
  auto c = std::make_shared<VQPDFType0Font>(*this);
  for (auto& d : c->descendantFonts) d = std::static_pointer_cast<VQPDFCIDTypeFont>(d->copy());
  return c;
}

void VQPDFType0Font::setDescendantFonts(const pdf::Object& dictionary) {
  descendantFonts.clear();
  pdf::Object array = dictionary.get("DescendantFonts");
  for (const pdf::Object& d : array.elements()) {
    if (!d.isDictionary()) continue;
    auto sub = d.get("Subtype").name();
    if (!sub) continue;
    std::shared_ptr<VQPDFCIDTypeFont> font;
    if (*sub == "CIDFontType0") font = std::make_shared<VQPDFCIDType0Font>();
    else if (*sub == "CIDFontType2") font = std::make_shared<VQPDFCIDType2Font>();
    else continue;
    if (font->setUp(d, objectKey)) descendantFonts.push_back(std::move(font));
  }
}

std::shared_ptr<const VQPDFCodeToCIDMap> VQPDFType0Font::embeddedCMap(VQPDFCodeToCIDMapCache& cache,
                                                                      const pdf::Object& stream, int depth) const {
  std::string collection = cidTypeFont() ? cidTypeFont()->cidSystemInfo : "";
  std::string name = VQPDFFontUtilities::NameBytesToUTF8(stream.get("CMapName").name().value_or(""));
  std::shared_ptr<const VQPDFCodeToCIDMap> used;
  pdf::Object use = stream.get("UseCMap");
  if (auto useName = use.name()) used = cache.getToCIDMap(collection, *useName);
  else if (use.isStream() && depth < kMaxEmbeddedUseDepth) used = embeddedCMap(cache, use, depth + 1);
  auto text = stream.decodedData();
  if (!text || text->empty()) {
    if (used) return used;
    return name.empty() ? nullptr : VQPDFCodeToCIDMap::NewToCIDMap(&cache, collection, name);
  }
  auto map = VQPDFCodeToCIDMap::ParseCMapText(&cache, collection, name, *text, used.get());
  if (auto mode = stream.get("WMode").integer()) map->wMode = *mode == 1 ? 1 : 0;
  return map;
}

bool VQPDFType0Font::initWithDictionary(const pdf::Object& dictionary, const std::string& key) {
  objectKey = key;
  stringEncoding = kVQStringEncodingNone;
  setDescendantFonts(dictionary);
  setSubtypeBaseFontName(dictionary);
  fontDescriptor = cidTypeFont() ? cidTypeFont()->fontDescriptor : nullptr;

  std::string collection = cidTypeFont() ? cidTypeFont()->cidSystemInfo : "";
  VQPDFCodeToCIDMapCache cache;
  pdf::Object encoding = dictionary.get("Encoding");
  if (auto name = encoding.name()) {
    cMapName = VQPDFFontUtilities::NameBytesToUTF8(*name);
    extToCIDMap = VQPDFCodeToCIDMap::NewToCIDMap(&cache, collection, cMapName);
  } else if (encoding.isStream()) {
    // An embedded CMap: its own code space and CIDs, on top of its /UseCMap.
    extToCIDMap = embeddedCMap(cache, encoding, 0);
    if (extToCIDMap) cMapName = extToCIDMap->cMapName;
  }
  if (!extToCIDMap) return false;
  wMode = extToCIDMap->wMode;

  if (cidTypeFont()) extToUnicodeMap = VQPDFMapTool::SharedToUnicodeMap(cidTypeFont()->cidSystemRegion);
  setToUnicodeWithFontDictionary(dictionary, 16);
  updateFontSystemReplaceName();
  updateBankSpaceWidth();
  return true;
}

void VQPDFType0Font::cidWidths(uint32_t cid, float* dx, float* dy, float* ox, float* oy) const {
  if (const VQPDFCIDTypeFont* d = cidTypeFont()) {
    d->getCIDWidths(cid, extToCIDMap ? extToCIDMap->wMode : 0, dx, dy, ox, oy);
  } else {
    *dx = *dy = *ox = *oy = 0;
  }
}

namespace {

// The collections' CID-to-Unicode files give some CIDs as a base character
// with an ideographic variation selector naming the collection's glyph shape.
// That shape belongs to the collection's own fonts, not to whatever font
// shows the text here, and the selector is no character of the text: only
// the base character is kept. Works on UTF-16 units; returns the new count.
int dropVariationSelectors(uint32_t* u, int count) {
  int kept = 0;
  for (int i = 0; i < count; ++i) {
    if (u[i] >= 0xFE00 && u[i] <= 0xFE0F) continue;
    // U+E0100..U+E01EF as a surrogate pair: DB40 DD00..DDEF.
    if (u[i] == 0xDB40 && i + 1 < count && u[i + 1] >= 0xDD00 && u[i + 1] <= 0xDDEF) {
      ++i;
      continue;
    }
    u[kept++] = u[i];
  }
  return kept;
}

}  // namespace

size_t VQPDFType0Font::getNextChar(const uint8_t* bytes, size_t len, uint32_t* code, uint32_t* u, int uSize, int* uLen,
                                   float* dx, float* dy, float* ox, float* oy) const {
  *code = 0;
  *uLen = 0;
  *dx = *dy = *ox = *oy = 0;
  if (!extToCIDMap || len == 0 || !bytes) return 1;
  uint32_t raw = 0;
  size_t n = 1;
  uint32_t cid = extToCIDMap->getCID(bytes, len, &raw, &n);
  if (n == 0 || n > len) n = 1;
  if (cid == 0) cid = bytes[0];
  *code = cid;
  int got = 0;
  if (embToUnicodeMap) {
    uint32_t value = 0;
    for (size_t i = 0; i < n; ++i) value = (value << 8) | bytes[i];
    got = embToUnicodeMap->mapToUnicode(value, u, uSize);
  } else if (extToUnicodeMap) {
    got = dropVariationSelectors(u, extToUnicodeMap->mapToUnicode(cid, u, uSize));
  }
  // Without a map of its own, an embedded TrueType program's Unicode map
  // names the character its glyph draws.
  if (got == 0 && uSize > 0 && fontDescriptor && fontDescriptor->embFont && fontDescriptor->embFontNum == 2) {
    if (auto c = fontDescriptor->embFont->unicodeOfGlyph(cidTypeFont() ? cidTypeFont()->glyphForCID(cid) : cid)) {
      u[0] = *c;
      got = 1;
    }
  }
  if (got == 0 && uSize > 0) {
    u[0] = cid;
    got = 1;
  }
  *uLen = got;
  cidWidths(cid, dx, dy, ox, oy);
  return n;
}

double VQPDFType0Font::embFontWidthForCode(uint32_t code) const {
  if (!fontDescriptor || !fontDescriptor->embFont) return 0;
  uint32_t glyph = cidTypeFont() ? cidTypeFont()->glyphForCID(code) : code;
  return fontDescriptor->embFontWidthForGlyphCode(glyph);
}

void VQPDFType0Font::updateBankSpaceWidth() {
  const VQPDFCharCodeToUnicode* map = embToUnicodeMap ? embToUnicodeMap.get() : extToUnicodeMap.get();
  uint32_t space = map ? map->spaceCIDCode() : 0;
  if (space == 0) {
    bankSpaceCharWidth = 0;
    return;
  }
  double w = embFontWidthForCode(space);
  if (w > 0 && w <= 1) {
    bankSpaceCharWidth = w;
    return;
  }
  float dx, dy, ox, oy;
  cidWidths(space, &dx, &dy, &ox, &oy);
  if (dx > 0 && dx <= 1) bankSpaceCharWidth = dx;
}

double VQPDFType0Font::widthOfSpace() const {
  const VQPDFCharCodeToUnicode* map = embToUnicodeMap ? embToUnicodeMap.get() : extToUnicodeMap.get();
  uint32_t space = map ? map->spaceCIDCode() : 0;
  if (space == 0) space = 32;
  float dx = 0, dy, ox, oy;
  if (const VQPDFCIDTypeFont* d = cidTypeFont()) d->getCIDWidths(space, 0, &dx, &dy, &ox, &oy);
  return widthOfSpaceFromDescriptor(dx);
}

double VQPDFType0Font::ascent() const { return fontDescriptor ? fontDescriptor->ascent : 0.95; }
double VQPDFType0Font::descent() const { return fontDescriptor ? fontDescriptor->descent : -0.35; }
Rect VQPDFType0Font::fontBBox() const {
  return fontDescriptor ? fontDescriptor->fontBBox : RectMake(0.95, -0.35, 1, 1);
}

}  // namespace vq

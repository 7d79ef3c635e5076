#include "fonts/VQPDFFontUtilities.h"

#include <unicode/ucnv.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <pugixml.hpp>
#include <unordered_map>

#include "common/VQResources.h"
#include "platform/text/FontFace.h"
#include "platform/text/InstalledFonts.h"
#include "platform/text/Utf8.h"

namespace vq {

namespace {

std::string lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
  return s;
}

bool containsAny(const std::string& name, std::initializer_list<const char*> fragments) {
  if (name.empty()) return false;
  std::string l = lower(name);
  for (const char* f : fragments)
    if (l.find(f) != std::string::npos) return true;
  return false;
}

std::string removeChars(std::string s, const char* chars) {
  s.erase(std::remove_if(s.begin(), s.end(), [&](char c) { return std::strchr(chars, c) != nullptr; }), s.end());
  return s;
}

std::string normalizedFontName(const std::string& s) { return removeChars(lower(s), "+- ,."); }
std::string normalizedFamilyName(const std::string& s) { return removeChars(s, "- ,."); }

std::string wordName(const std::string& family, const std::string& face, const std::string& display) {
  if (face.empty()) return display;
  if (face == family) return family;
  return family + " " + face;
}

std::optional<std::string> readFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Everything derived from one font book, built once per provider generation.
struct BookIndex {
  std::shared_ptr<const VQFontBook> book;
  std::unordered_map<std::string, std::string> fullNameByKey;  // normalised name -> "Full name"
  std::unordered_map<std::string, std::string> familyByKey;    // normalised name -> family or "Full name"
};

std::shared_ptr<const BookIndex> buildIndex(std::shared_ptr<const VQFontBook> book) {
  auto index = std::make_shared<BookIndex>();
  index->book = book;
  if (!book) return index;
  for (const auto& [family, records] : *book) {
    for (const auto& [ps, r] : records)
      for (const std::string* key : {&r.fullName, &r.wordName, &r.postScriptName})
        if (auto k = normalizedFontName(*key); !k.empty()) index->fullNameByKey.emplace(k, r.fullName);
    if (auto k = normalizedFamilyName(family); !k.empty()) index->familyByKey.emplace(k, family);
    for (const auto& [ps, r] : records)
      for (const std::string* key : {&r.fullName, &r.wordName, &r.postScriptName})
        if (auto k = normalizedFamilyName(*key); !k.empty()) index->familyByKey.emplace(k, r.fullName);
  }
  return index;
}

template <typename T>
struct Cached {
  std::mutex mutex;
  unsigned generation = 0;
  std::shared_ptr<const T> value;
  bool done = false;
};

std::shared_ptr<const BookIndex> currentIndex() {
  static Cached<BookIndex> cache;
  unsigned gen = text::InstalledFonts::generation();
  std::lock_guard lock(cache.mutex);
  if (!cache.done || cache.generation != gen) {
    cache.value = buildIndex(VQPDFFontUtilities::GetFontBook());
    cache.generation = gen;
    cache.done = true;
  }
  return cache.value;
}

}  // namespace

bool VQPDFFontUtilities::isBoldFontName(const std::string& name) {
  return containsAny(name, {"bold", "-bd",  "-md",           "-medi",          "cmbx",  ".b",  "medium", "w7",  "w8",
                            "w9",   "w10",  "w12",           "heavy",          "black", "_rz", "_rzi",   "_rb", "_rbo",
                            "_mb",  "_mbo", "linliolinumtb", "linlibertinetb", "-blk"});
}

bool VQPDFFontUtilities::isItalicFontName(const std::string& name) {
  return containsAny(
      name,
      {"italic",   ".i",        "blackadderitc", "ital",    "cmti",     "oblique",       "-lightit",       "-mediumit",
       "-blackit", "-blackobl", "-heavyit",      "-boldit", "-boldobl", "-ltobl",        "-bdit",          "-blkit",
       "_ri",      "_rbo",      "_mo",           "_mbo",    "reguital", "linbiolinumti", "linlibertineti", "-hvit"});
}

bool VQPDFFontUtilities::isSerifFontName(const std::string& name) {
  return containsAny(
      name, {"roman", "serif", "times", "cmtt", "ectt", "lmtt",      "cmmi", "cmti", "literata",    "cmbx",
             "cmcsc", "cmr",   "ecr",   "lmr",  "cmsy", "nimbusrom", "advt", "advp", "urwpalladio", "linlibertine"});
}

bool VQPDFFontUtilities::isAllCapFontName(const std::string& name) { return containsAny(name, {"cmcsc"}); }

std::shared_ptr<const VQFontBook> VQPDFFontUtilities::GetFontBookInThisDevice() {
  static Cached<VQFontBook> cache;
  unsigned gen = text::InstalledFonts::generation();
  std::lock_guard lock(cache.mutex);
  if (cache.done && cache.generation == gen) return cache.value;
  auto faces = text::InstalledFonts::faces();
  auto book = std::make_shared<VQFontBook>();
  for (const auto& f : *faces) {
    VQFontBookRecord r;
    r.fullName = f.fullName;
    r.postScriptName = f.postScriptName;
    r.face = f.style;
    r.wordName = wordName(f.family, f.style, f.fullName);
    (*book)[f.family].emplace(r.postScriptName, std::move(r));
  }
  cache.value = book->empty() ? nullptr : std::shared_ptr<const VQFontBook>(book);
  cache.generation = gen;
  cache.done = true;
  return cache.value;
}

std::optional<VQFontBook> VQPDFFontUtilities::ParseFontBookPlist(const std::string& xml) {
  pugi::xml_document doc;
  if (!doc.load_buffer(xml.data(), xml.size())) return std::nullopt;
  pugi::xml_node root = doc.child("plist").child("dict");
  if (!root) return std::nullopt;
  VQFontBook book;
  for (pugi::xml_node k = root.child("key"); k; k = k.next_sibling("key")) {
    pugi::xml_node fonts = k.next_sibling();
    if (std::string(fonts.name()) != "dict") continue;
    auto& family = book[k.text().get()];
    for (pugi::xml_node fk = fonts.child("key"); fk; fk = fk.next_sibling("key")) {
      pugi::xml_node rec = fk.next_sibling();
      if (std::string(rec.name()) != "dict") continue;
      VQFontBookRecord r;
      for (pugi::xml_node rk = rec.child("key"); rk; rk = rk.next_sibling("key")) {
        std::string key = rk.text().get();
        pugi::xml_node v = rk.next_sibling();
        if (key == "Full name") r.fullName = v.text().get();
        else if (key == "PostScript name") r.postScriptName = v.text().get();
        else if (key == "Word name") r.wordName = v.text().get();
        else if (key == "face") r.face = v.text().get();
        else if (key == "ascender") r.ascender = v.text().as_float();
        else if (key == "descender") r.descender = v.text().as_float();
        else if (key == "leading") r.leading = v.text().as_float();
        else if (key == "capHeight") r.capHeight = v.text().as_float();
        else if (key == "italicAngle") r.italicAngle = v.text().as_float();
        else if (key == "xHeight") r.xHeight = v.text().as_float();
      }
      family.emplace(fk.text().get(), std::move(r));
    }
  }
  return book;
}

std::optional<VQFontReplaceBook> VQPDFFontUtilities::ParseReplaceBookPlist(const std::string& xml) {
  pugi::xml_document doc;
  if (!doc.load_buffer(xml.data(), xml.size())) return std::nullopt;
  pugi::xml_node root = doc.child("plist").child("dict");
  if (!root) return std::nullopt;
  VQFontReplaceBook book;
  for (pugi::xml_node k = root.child("key"); k; k = k.next_sibling("key")) {
    pugi::xml_node list = k.next_sibling();
    if (std::string(list.name()) != "array") continue;
    std::vector<std::string> names;
    for (pugi::xml_node s = list.child("string"); s; s = s.next_sibling("string")) names.push_back(s.text().get());
    book.emplace_back(k.text().get(), std::move(names));
  }
  return book;
}

std::shared_ptr<const VQFontBook> VQPDFFontUtilities::GetFontBookInMyBundlePlist() {
  static const std::shared_ptr<const VQFontBook> book = []() -> std::shared_ptr<const VQFontBook> {
    auto path = VQResourcePath("VQPDFParser", "FontBook.plist");
    if (!path) return nullptr;
    auto text = readFile(*path);
    if (!text) return nullptr;
    auto parsed = ParseFontBookPlist(*text);
    return parsed ? std::make_shared<const VQFontBook>(std::move(*parsed)) : nullptr;
  }();
  return book;
}

std::shared_ptr<const VQFontReplaceBook> VQPDFFontUtilities::GetFontBookInMyBundlePlist_Replace() {
  static const std::shared_ptr<const VQFontReplaceBook> book = []() -> std::shared_ptr<const VQFontReplaceBook> {
    auto path = VQResourcePath("VQPDFParser", "FontBook_Replace.plist");
    if (!path) return nullptr;
    auto text = readFile(*path);
    if (!text) return nullptr;
    auto parsed = ParseReplaceBookPlist(*text);
    return parsed ? std::make_shared<const VQFontReplaceBook>(std::move(*parsed)) : nullptr;
  }();
  return book;
}

std::shared_ptr<const VQFontBook> VQPDFFontUtilities::GetFontBook() {
  auto bundled = GetFontBookInMyBundlePlist();
  if (bundled && !bundled->empty()) return bundled;
  return GetFontBookInThisDevice();
}

std::optional<std::string> VQPDFFontUtilities::FontNameExistInFontBook(const std::string& name) {
  std::string key = normalizedFontName(name);
  if (key.empty()) return std::nullopt;
  auto index = currentIndex();
  auto it = index->fullNameByKey.find(key);
  if (it == index->fullNameByKey.end()) return std::nullopt;
  return it->second;
}

std::optional<std::string> VQPDFFontUtilities::FamilyNameExistInFontBook(const std::string& name) {
  std::string key = normalizedFamilyName(name);
  if (key.empty()) return std::nullopt;
  auto index = currentIndex();
  auto it = index->familyByKey.find(key);
  if (it == index->familyByKey.end()) return std::nullopt;
  return it->second;
}

std::string VQPDFFontUtilities::FamilyNameCut(const std::string& name) {
  for (const char* sep : {"-", ",", "+.", "+"})
    if (auto p = name.find(sep); p != std::string::npos) return name.substr(0, p);
  return name;
}

std::optional<std::string> VQPDFFontUtilities::ReplaceFontNameInFontBook(const std::string& name) {
  if (name.empty()) return std::nullopt;
  auto book = GetFontBook_Replace();
  if (!book || book->empty()) return std::nullopt;
  std::string l = lower(name);
  if (l.find("null") != std::string::npos) return std::nullopt;
  for (const auto& [replacement, names] : *book) {
    for (const auto& n : names) {
      if (n == name) return replacement;
      if (!n.empty() && l.find(lower(n)) != std::string::npos) return replacement;
    }
  }
  return std::nullopt;
}

bool VQPDFFontUtilities::SystemFontNameIsExist(const std::string& name) {
  return text::InstalledFonts::findExact(name).has_value();
}

std::optional<std::string> VQPDFFontUtilities::ShownFontNameForName(const std::string& name) {
  if (name.empty()) return std::nullopt;
  if (SystemFontNameIsExist(name)) return name;
  const auto face = text::InstalledFonts::findShownFace(name);
  if (!face || face->family.empty()) return std::nullopt;
  return face->family;
}

std::optional<std::string> VQPDFFontUtilities::SystemFontFullNameForFontName(const std::string& name) {
  auto face = text::InstalledFonts::findExact(name);
  if (!face || face->fullName.empty()) return std::nullopt;
  return face->fullName;
}

double VQPDFFontUtilities::SystemFontName(const std::string& name, double fontSize, const std::string& utf8) {
  auto face = text::InstalledFonts::findExact(name);
  if (!face) return 0;
  auto loaded = text::InstalledFonts::load(*face);
  return loaded ? loaded->widthOfString(utf8, fontSize) : 0;
}

double VQPDFFontUtilities::CGFontWidthOfGlyphCode(const text::FontFace& font, double fontSize, uint32_t glyph) {
  return font.advanceOfGlyph(glyph) * fontSize;
}

double VQPDFFontUtilities::CGFontWidthOfCharCode(const text::FontFace& font, double fontSize, uint32_t character) {
  return font.advanceOfChar(character) * fontSize;
}

double VQPDFFontUtilities::CGFontWidthOfString(const text::FontFace& font, double fontSize, const std::string& utf8) {
  return font.widthOfString(utf8, fontSize);
}

std::string VQPDFFontUtilities::wordNameForFontName(const std::string& postScriptName) {
  auto faces = text::InstalledFonts::faces();
  for (const auto& f : *faces)
    if (f.postScriptName == postScriptName) return wordName(f.family, f.style, f.fullName);
  return postScriptName;
}

std::string VQPDFFontUtilities::NameBytesToUTF8(const std::string& bytes) {
  if (text::isValidUTF8(bytes)) return bytes;
  UErrorCode status = U_ZERO_ERROR;
  UConverter* conv = ucnv_open("GBK", &status);
  if (U_SUCCESS(status) && conv) {
    std::unique_ptr<UConverter, decltype(&ucnv_close)> owner(conv, &ucnv_close);
    ucnv_setToUCallBack(conv, UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    std::vector<UChar> units(bytes.size() * 2 + 1);
    int32_t n = ucnv_toUChars(conv, units.data(), static_cast<int32_t>(units.size()), bytes.data(),
                              static_cast<int32_t>(bytes.size()), &status);
    if (U_SUCCESS(status)) {
      std::string out;
      for (int32_t i = 0; i < n; ++i) {
        uint32_t u = units[i];
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < n) {
          u = 0x10000 + ((u - 0xD800) << 10) + (units[i + 1] - 0xDC00);
          ++i;
        }
        text::appendUTF8(out, u);
      }
      return out;
    }
  }
  std::string out;
  for (unsigned char c : bytes) text::appendUTF8(out, c);
  return out;
}

}  // namespace vq

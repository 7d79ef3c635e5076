#include "common/VQConverterUtilities.h"

#include <unicode/brkiter.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <map>
#include <memory>
#include <unordered_map>

#include "platform/text/InstalledFonts.h"
#include "platform/text/Utf8.h"

namespace vq {

namespace {

// Width of one line at a size: each character in the font when it has the
// glyph, else in an installed face that has it (a text is still laid out
// when its font lacks some characters, in whatever face stands in for them),
// else nothing.
// The advances (in ems) of characters in faces, remembered per thread, with
// -1 for a character the face lacks. Measuring goes through the same few
// faces and characters again and again, and asking a face takes its lock,
// on which page threads would otherwise queue. `generation` is the installed
// fonts' generation: faces of an earlier one may be gone. The cache holds
// the faces it answers for, so a face that goes cannot leave its answers to
// another one loaded at the same address.
double cachedAdvance(const std::shared_ptr<text::FontFace>& font, uint32_t c, unsigned generation) {
  thread_local unsigned cachedGeneration = 0;
  thread_local std::map<std::shared_ptr<text::FontFace>, std::unordered_map<uint32_t, double>> cache;
  if (generation != cachedGeneration) {
    cache.clear();
    cachedGeneration = generation;
  }
  auto& advances = cache[font];
  auto it = advances.find(c);
  if (it == advances.end()) it = advances.emplace(c, font->glyphForChar(c) ? font->advanceOfChar(c) : -1.0).first;
  return it->second;
}

double lineWidth(const std::shared_ptr<text::FontFace>& font, const std::string& line, double size) {
  const unsigned generation = text::InstalledFonts::generation();
  double sum = 0;
  for (uint32_t c : text::decodeUTF8(line)) {
    if (const double advance = cachedAdvance(font, c, generation); advance >= 0) {
      sum += advance;
      continue;
    }
    auto standIn = text::InstalledFonts::findCovering(c);
    if (!standIn) continue;
    if (auto loaded = text::InstalledFonts::load(*standIn)) sum += loaded->advanceOfChar(c);
  }
  return sum * size;
}

// The overlap's width and height; either is <= 0 when the rectangles do not overlap.
Size overlap(const Rect& ra, const Rect& rb) {
  Rect a = RectStandardize(ra), b = RectStandardize(rb);
  double w = std::min(a.origin.x + a.size.width, b.origin.x + b.size.width) - std::max(a.origin.x, b.origin.x);
  double h = std::min(a.origin.y + a.size.height, b.origin.y + b.size.height) - std::max(a.origin.y, b.origin.y);
  return SizeMake(w, h);
}

std::string toUTF8(const icu::UnicodeString& s) {
  std::string out;
  s.toUTF8String(out);
  return out;
}

}  // namespace

bool VQConverterUtilities::isBlankString(const std::optional<std::string>& s) {
  if (!s) return true;
  for (uint32_t cp : text::decodeUTF8(*s)) {
    int8_t type = u_charType(static_cast<UChar32>(cp));
    // Control characters include the invisible format ones (zero-width space, BOM).
    bool blank = u_isUWhiteSpace(static_cast<UChar32>(cp)) || type == U_CONTROL_CHAR || type == U_FORMAT_CHAR ||
                 type == U_LINE_SEPARATOR || type == U_PARAGRAPH_SEPARATOR;
    if (!blank) return false;
  }
  return true;
}

bool VQConverterUtilities::IsFullWidthCharacter(const std::string& s) {
  if (s.empty()) return false;
  // A lone invalid byte cannot be converted either: both count as full width.
  return static_cast<unsigned char>(s[0]) >= 0x80;
}

namespace {

bool isHyphen(char32_t c) { return c == U'-' || c == U'\u2010' || c == U'\u00AD'; }
bool isBlank(char32_t c) { return u_isUWhiteSpace(static_cast<UChar32>(c)); }

}  // namespace

VQConverterUtilities::HyphenJoin VQConverterUtilities::LineEndHyphenJoin(std::u32string_view lineEnd,
                                                                         std::u32string_view nextLine) {
  if (lineEnd.size() < 2 || nextLine.empty() || !isHyphen(lineEnd.back())) return HyphenJoin::None;
  const auto before = static_cast<UChar32>(lineEnd[lineEnd.size() - 2]);
  const auto next = static_cast<UChar32>(nextLine.front());
  if (!u_isalnum(before) || !u_isalnum(next)) return HyphenJoin::None;
  if (!u_isalpha(before) || !u_islower(next)) return HyphenJoin::Keep;
  // A soft hyphen only ever marks where a word may break.
  if (lineEnd.back() == U'\u00AD') return HyphenJoin::Drop;
  size_t wordStart = lineEnd.size() - 1;
  while (wordStart > 0 && !isBlank(lineEnd[wordStart - 1])) --wordStart;
  size_t nextEnd = 0;
  while (nextEnd < nextLine.size() && !isBlank(nextLine[nextEnd])) ++nextEnd;
  const auto holdsHyphen = [](std::u32string_view word) {
    return std::any_of(word.begin(), word.end(), [](char32_t c) { return c == U'-' || c == U'\u2010'; });
  };
  const bool compound = holdsHyphen(lineEnd.substr(wordStart, lineEnd.size() - 1 - wordStart)) ||
                        holdsHyphen(nextLine.substr(0, nextEnd));
  return compound ? HyphenJoin::Keep : HyphenJoin::Drop;
}

std::vector<std::string> VQConverterUtilities::ComponentsSeparatedByWords(const std::string& s) {
  std::vector<std::string> out;
  if (s.empty()) return out;
  icu::UnicodeString us = icu::UnicodeString::fromUTF8(s);
  UErrorCode status = U_ZERO_ERROR;
  bool byCharacters = IsFullWidthCharacter(s);
  std::unique_ptr<icu::BreakIterator> it(
      byCharacters ? icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status)
                   : icu::BreakIterator::createWordInstance(icu::Locale::getRoot(), status));
  if (U_FAILURE(status) || !it) return {s};
  it->setText(us);
  int32_t start = it->first();
  for (int32_t end = it->next(); end != icu::BreakIterator::DONE; start = end, end = it->next()) {
    // By words, only the words themselves: the spaces and punctuation between them are left out.
    if (!byCharacters && it->getRuleStatus() == UBRK_WORD_NONE) continue;
    out.push_back(toUTF8(us.tempSubStringBetween(start, end)));
  }
  return out;
}

double VQConverterUtilities::TextWidth(const std::string& text, const std::string& fontName, double fontSize, double) {
  if (text.empty()) return 0;
  auto face = text::InstalledFonts::findExact(fontName);
  if (!face) return 0;
  auto loaded = text::InstalledFonts::load(*face);
  if (!loaded) return 0;
  double widest = 0;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    widest = std::max(widest, lineWidth(loaded, text.substr(start, end - start), fontSize));
    start = end + 1;
  }
  return widest;
}

float VQConverterUtilities::String(const std::string& s, const std::string& t) {
  icu::UnicodeString a = icu::UnicodeString::fromUTF8(s), b = icu::UnicodeString::fromUTF8(t);
  const int32_t n = a.length(), m = b.length();
  // An empty s would divide by zero: two empty strings are alike, and
  // nothing is like an empty string.
  if (n == 0) return m == 0 ? 100.0f : 0.0f;
  std::vector<int32_t> prev(m + 1), cur(m + 1);
  for (int32_t j = 0; j <= m; ++j) prev[j] = j;
  for (int32_t i = 1; i <= n; ++i) {
    cur[0] = i;
    for (int32_t j = 1; j <= m; ++j) {
      int32_t cost = a.charAt(i - 1) == b.charAt(j - 1) ? 0 : 1;
      cur[j] = std::min({prev[j] + 1, cur[j - 1] + 1, prev[j - 1] + cost});
    }
    std::swap(prev, cur);
  }
  double d = prev[m];
  return static_cast<float>(100.0 - d * 100.0 / n);
}

double VQConverterUtilities::PecentAreaOfIntersectRect(const Rect& a, const Rect& b) {
  Size o = overlap(a, b);
  if (o.width <= 0 || o.height <= 0) return 0;
  Rect sa = RectStandardize(a);
  double area = sa.size.width * sa.size.height;
  return area > 0 ? o.width * o.height / area : 0;
}

double VQConverterUtilities::WidthOfNoneIntersectRect(const Rect& a, const Rect& b) {
  Size o = overlap(a, b);
  if (o.width <= 0 || o.height <= 0) return 0;
  return RectStandardize(a).size.width - o.width;
}

}  // namespace vq

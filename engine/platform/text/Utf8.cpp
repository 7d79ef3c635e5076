#include "platform/text/Utf8.h"

namespace vq::text {

size_t utf8SequenceLength(unsigned char lead) {
  if (lead < 0x80) return 1;
  if ((lead & 0xE0) == 0xC0) return 2;
  if ((lead & 0xF0) == 0xE0) return 3;
  if ((lead & 0xF8) == 0xF0) return 4;
  return 0;
}

size_t decodeUTF8At(std::string_view s, size_t i, char32_t* codePoint) {
  const auto b0 = static_cast<unsigned char>(s[i]);
  const size_t n = utf8SequenceLength(b0);
  if (n == 1) {
    if (codePoint) *codePoint = b0;
    return 1;
  }
  if (n == 0 || i + n > s.size()) return 0;
  // The lead byte keeps 5, 4 or 3 payload bits; the smallest value each
  // length may carry rules out overlong forms.
  static constexpr char32_t kMinimum[5] = {0, 0, 0x80, 0x800, 0x10000};
  char32_t v = b0 & (0x7F >> n);
  for (size_t k = 1; k < n; ++k) {
    const auto b = static_cast<unsigned char>(s[i + k]);
    if ((b & 0xC0) != 0x80) return 0;
    v = (v << 6) | (b & 0x3F);
  }
  if (v < kMinimum[n] || v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF)) return 0;
  if (codePoint) *codePoint = v;
  return n;
}

size_t encodeUTF8(char32_t cp, char (&buf)[4]) {
  if (cp < 0x80) {
    buf[0] = static_cast<char>(cp);
    return 1;
  }
  if (cp < 0x800) {
    buf[0] = static_cast<char>(0xC0 | (cp >> 6));
    buf[1] = static_cast<char>(0x80 | (cp & 0x3F));
    return 2;
  }
  if (cp < 0x10000) {
    buf[0] = static_cast<char>(0xE0 | (cp >> 12));
    buf[1] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    buf[2] = static_cast<char>(0x80 | (cp & 0x3F));
    return 3;
  }
  if (cp > 0x10FFFF) return 0;
  buf[0] = static_cast<char>(0xF0 | (cp >> 18));
  buf[1] = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
  buf[2] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
  buf[3] = static_cast<char>(0x80 | (cp & 0x3F));
  return 4;
}

void appendUTF8(std::string& out, uint32_t cp) {
  if (cp >= 0xD800 && cp <= 0xDFFF) return;
  char buf[4];
  out.append(buf, encodeUTF8(cp, buf));
}

std::vector<uint32_t> decodeUTF8(std::string_view s) {
  std::vector<uint32_t> out;
  for (size_t i = 0; i < s.size();) {
    char32_t cp = 0;
    const size_t n = decodeUTF8At(s, i, &cp);
    if (n == 0) {
      ++i;
      continue;
    }
    out.push_back(cp);
    i += n;
  }
  return out;
}

bool isValidUTF8(std::string_view s) {
  for (size_t i = 0; i < s.size();) {
    const size_t n = decodeUTF8At(s, i);
    if (n == 0) return false;
    i += n;
  }
  return true;
}

namespace {
// Bytes of the character at text[i], or 1 for a byte that starts none.
size_t stepAt(std::string_view text, size_t i) {
  const size_t n = decodeUTF8At(text, i);
  return n ? n : 1;
}
}  // namespace

std::string_view utf8PrefixWithinBytes(std::string_view text, size_t maxBytes) {
  if (text.size() <= maxBytes) return text;
  size_t i = 0;
  while (i < text.size()) {
    const size_t step = stepAt(text, i);
    if (i + step > maxBytes) break;
    i += step;
  }
  return text.substr(0, i);
}

std::string_view utf8PrefixCharacters(std::string_view text, size_t maxCharacters) {
  size_t i = 0;
  for (size_t count = 0; i < text.size() && count < maxCharacters; ++count) i += stepAt(text, i);
  return text.substr(0, i);
}

size_t utf8CharacterCount(std::string_view text) {
  size_t count = 0;
  for (size_t i = 0; i < text.size(); ++count) i += stepAt(text, i);
  return count;
}

std::u32string utf8ToCodePoints(std::string_view text) {
  std::u32string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    char32_t cp = 0;
    const size_t n = decodeUTF8At(text, i, &cp);
    out.push_back(n ? cp : U'\uFFFD');
    i += n ? n : 1;
  }
  return out;
}

char32_t utf8FirstCodePoint(std::string_view text) {
  if (text.empty()) return 0;
  char32_t cp = 0;
  return decodeUTF8At(text, 0, &cp) ? cp : U'\uFFFD';
}

char32_t utf8LastCodePoint(std::string_view text) {
  if (text.empty()) return 0;
  // A lead byte cannot be inside another character, so reading from the
  // text's start meets the last one where it begins: at most three
  // continuation bytes back from the end.
  size_t start = text.size() - 1;
  while (start > 0 && text.size() - start < 4 && (static_cast<unsigned char>(text[start]) & 0xC0) == 0x80) --start;
  char32_t cp = 0;
  return decodeUTF8At(text, start, &cp) == text.size() - start ? cp : U'\uFFFD';
}

}  // namespace vq::text

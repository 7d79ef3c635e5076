#include "front/utilities/VQUtf8.h"

namespace vq {

namespace {

// Length of the valid UTF-8 sequence at text[i], or 0 when none starts there
// (stray continuation byte, overlong form, surrogate, beyond U+10FFFF,
// truncated sequence).
size_t sequenceLength(std::string_view text, size_t i, char32_t* codePoint) {
  const auto b0 = static_cast<unsigned char>(text[i]);
  if (b0 < 0x80) {
    if (codePoint) *codePoint = b0;
    return 1;
  }
  size_t n;
  char32_t cp;
  char32_t min;
  if ((b0 & 0xE0) == 0xC0) {
    n = 2;
    cp = b0 & 0x1F;
    min = 0x80;
  } else if ((b0 & 0xF0) == 0xE0) {
    n = 3;
    cp = b0 & 0x0F;
    min = 0x800;
  } else if ((b0 & 0xF8) == 0xF0) {
    n = 4;
    cp = b0 & 0x07;
    min = 0x10000;
  } else {
    return 0;
  }
  if (i + n > text.size()) return 0;
  for (size_t k = 1; k < n; ++k) {
    const auto b = static_cast<unsigned char>(text[i + k]);
    if ((b & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (b & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  if (codePoint) *codePoint = cp;
  return n;
}

}  // namespace

std::string_view Utf8PrefixWithinBytes(std::string_view text, size_t maxBytes) {
  if (text.size() <= maxBytes) return text;
  size_t i = 0;
  while (i < text.size()) {
    const size_t n = sequenceLength(text, i, nullptr);
    const size_t step = n ? n : 1;
    if (i + step > maxBytes) break;
    i += step;
  }
  return text.substr(0, i);
}

std::string_view Utf8PrefixCharacters(std::string_view text, size_t maxCharacters) {
  size_t i = 0;
  for (size_t count = 0; i < text.size() && count < maxCharacters; ++count) {
    const size_t n = sequenceLength(text, i, nullptr);
    i += n ? n : 1;
  }
  return text.substr(0, i);
}

size_t Utf8CharacterCount(std::string_view text) {
  size_t count = 0;
  for (size_t i = 0; i < text.size(); ++count) {
    const size_t n = sequenceLength(text, i, nullptr);
    i += n ? n : 1;
  }
  return count;
}

std::u32string Utf8ToCodePoints(std::string_view text) {
  std::u32string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    char32_t cp = 0;
    const size_t n = sequenceLength(text, i, &cp);
    out.push_back(n ? cp : U'\uFFFD');
    i += n ? n : 1;
  }
  return out;
}

}  // namespace vq

#include "platform/text/Utf8.h"

namespace vq::text {

void appendUTF8(std::string& out, uint32_t cp) {
  if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return;
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

namespace {
// Length of the well-formed sequence at s[i], or 0.
size_t sequenceAt(const std::string& s, size_t i, uint32_t* cp) {
  auto b = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
  unsigned char c = b(i);
  size_t n;
  uint32_t v;
  if (c < 0x80) { *cp = c; return 1; }
  if (c >= 0xC2 && c <= 0xDF) { n = 2; v = c & 0x1F; }
  else if (c >= 0xE0 && c <= 0xEF) { n = 3; v = c & 0x0F; }
  else if (c >= 0xF0 && c <= 0xF4) { n = 4; v = c & 0x07; }
  else return 0;
  if (i + n > s.size()) return 0;
  for (size_t k = 1; k < n; ++k) {
    if ((b(i + k) & 0xC0) != 0x80) return 0;
    v = (v << 6) | (b(i + k) & 0x3F);
  }
  // Overlong forms, surrogates and values above U+10FFFF are not characters.
  if ((n == 3 && v < 0x800) || (n == 4 && (v < 0x10000 || v > 0x10FFFF)) || (v >= 0xD800 && v <= 0xDFFF))
    return 0;
  *cp = v;
  return n;
}
}  // namespace

std::vector<uint32_t> decodeUTF8(const std::string& s) {
  std::vector<uint32_t> out;
  for (size_t i = 0; i < s.size();) {
    uint32_t cp;
    size_t n = sequenceAt(s, i, &cp);
    if (n == 0) { ++i; continue; }
    out.push_back(cp);
    i += n;
  }
  return out;
}

bool isValidUTF8(const std::string& s) {
  for (size_t i = 0; i < s.size();) {
    uint32_t cp;
    size_t n = sequenceAt(s, i, &cp);
    if (n == 0) return false;
    i += n;
  }
  return true;
}

}  // namespace vq::text

#include "pdf/VQPDFUnicode.h"

namespace vq {

size_t mapUTF8(uint32_t u, char* buf, size_t bufSize) {
  if (u < 0x80) {
    if (bufSize < 1) return 0;
    buf[0] = static_cast<char>(u);
    return 1;
  }
  if (u < 0x800) {
    if (bufSize < 2) return 0;
    buf[0] = static_cast<char>(0xC0 | (u >> 6));
    buf[1] = static_cast<char>(0x80 | (u & 0x3F));
    return 2;
  }
  if (u < 0x10000) {
    if (bufSize < 3) return 0;
    buf[0] = static_cast<char>(0xE0 | (u >> 12));
    buf[1] = static_cast<char>(0x80 | ((u >> 6) & 0x3F));
    buf[2] = static_cast<char>(0x80 | (u & 0x3F));
    return 3;
  }
  if (u <= 0x10FFFF) {
    if (bufSize < 4) return 0;
    buf[0] = static_cast<char>(0xF0 | (u >> 18));
    buf[1] = static_cast<char>(0x80 | ((u >> 12) & 0x3F));
    buf[2] = static_cast<char>(0x80 | ((u >> 6) & 0x3F));
    buf[3] = static_cast<char>(0x80 | (u & 0x3F));
    return 4;
  }
  return 0;
}

bool IsWhiteSpace(uint16_t u) {
  switch (u) {
    case 0x0009: case 0x000A: case 0x000B: case 0x000C: case 0x000D: case 0x0020: case 0x0085:
    case 0x00A0: case 0x1680: case 0x180E: case 0x2000: case 0x2001: case 0x2002: case 0x2003:
    case 0x2004: case 0x2009: case 0x200A: case 0x2028: case 0x2029: case 0x202F: case 0x205F:
    case 0x3000:
      return true;
    default:
      return false;
  }
}

void FixUnusualUnicodeMap(uint32_t* units, int* count) {
  if (*count == 3 && units[0] == 0x002D && units[1] == 0x00AD && units[2] == 0x2010) {
    units[0] = 0x2010;
    *count = 1;
  } else if (*count == 4 && units[0] == 0x0009 && units[1] == 0x000D && units[2] == 0x0020 && units[3] == 0x00A0) {
    units[0] = 0x0020;
    *count = 1;
  }
}

}  // namespace vq

#include "pdf/VQPDFUnicode.h"

#include <cstring>

#include "platform/text/Utf8.h"

namespace vq {

size_t mapUTF8(uint32_t u, char* buf, size_t bufSize) {
  // Surrogate values are not refused here: they come out in their
  // three-byte form.
  char bytes[4];
  const size_t n = text::encodeUTF8(u, bytes);
  if (n == 0 || n > bufSize) return 0;
  std::memcpy(buf, bytes, n);
  return n;
}

bool IsWhiteSpace(uint16_t u) {
  switch (u) {
    case 0x0009:
    case 0x000A:
    case 0x000B:
    case 0x000C:
    case 0x000D:
    case 0x0020:
    case 0x0085:
    case 0x00A0:
    case 0x1680:
    case 0x180E:
    case 0x2000:
    case 0x2001:
    case 0x2002:
    case 0x2003:
    case 0x2004:
    case 0x2009:
    case 0x200A:
    case 0x2028:
    case 0x2029:
    case 0x202F:
    case 0x205F:
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

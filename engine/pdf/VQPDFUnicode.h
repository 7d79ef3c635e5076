#pragma once
// Unicode helpers of the text operators.
#include <cstddef>
#include <cstdint>

namespace vq {

// UTF-8 form of a code point into buf; the byte count, 0 above U+10FFFF or
// when the buffer is too small.
size_t mapUTF8(uint32_t codePoint, char* buf, size_t bufSize);
// White space that a single-character code is shown as (and spaced as): the
// ASCII controls 9..13, space, NEL, NBSP and the Unicode space separators
// 0x1680, 0x180E, 0x2000..0x2004, 0x2009, 0x200A, 0x2028, 0x2029, 0x202F,
// 0x205F, 0x3000.
bool IsWhiteSpace(uint16_t unit);
// Two odd ToUnicode mappings seen in real fonts: hyphen-minus + soft hyphen +
// hyphen (a hyphen glyph mapped to every hyphen) becomes U+2010, and tab + CR
// + space + NBSP (a space glyph mapped to every blank) becomes a space.
void FixUnusualUnicodeMap(uint32_t* units, int* count);

}  // namespace vq

#pragma once
// Small UTF-8 helpers shared by the text and font code.
#include <cstdint>
#include <string>
#include <vector>

namespace vq::text {

// Appends the UTF-8 form of a code point; nothing for surrogates or values
// above U+10FFFF.
void appendUTF8(std::string& out, uint32_t codePoint);
// The code points of a UTF-8 string; bytes that do not form a character are skipped.
std::vector<uint32_t> decodeUTF8(const std::string& utf8);
bool isValidUTF8(const std::string& bytes);

}  // namespace vq::text

#pragma once
// Cutting and counting UTF-8 text by characters, never through the middle
// of a character's byte sequence.
#include <cstddef>
#include <string>
#include <string_view>

namespace vq {

// The longest prefix of at most maxBytes bytes that ends on a character
// boundary (a multi-byte character that does not fit is left out whole).
std::string_view Utf8PrefixWithinBytes(std::string_view text, size_t maxBytes);
// The first maxCharacters characters (code points); all of a shorter text.
std::string_view Utf8PrefixCharacters(std::string_view text, size_t maxCharacters);
// Number of code points; each byte that starts no valid sequence counts as one.
size_t Utf8CharacterCount(std::string_view text);
// Code points of the text; invalid bytes become U+FFFD.
std::u32string Utf8ToCodePoints(std::string_view text);

}  // namespace vq

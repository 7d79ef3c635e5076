#pragma once
// UTF-8 encoding, decoding, validation and cutting shared by every module.
// A well-formed sequence here is the shortest form of a scalar value: overlong
// forms, encoded surrogates, values above U+10FFFF and truncated sequences are
// not characters.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vq::text {

// Bytes a sequence starting with this lead byte claims (1..4), or 0 for a
// continuation byte or 0xF8..0xFF.
size_t utf8SequenceLength(unsigned char lead);
// Length of the well-formed sequence at text[i] (i < text.size()) and its code
// point, or 0 when none starts there.
size_t decodeUTF8At(std::string_view text, size_t i, char32_t* codePoint = nullptr);
// Writes the UTF-8 form of a code point into buf and returns its length; 0
// above U+10FFFF. Surrogate values are written as their three-byte form, so
// callers that must not produce them check first.
size_t encodeUTF8(char32_t codePoint, char (&buf)[4]);

// Appends the UTF-8 form of a code point; nothing for surrogates or values
// above U+10FFFF.
void appendUTF8(std::string& out, uint32_t codePoint);
// The code points of a UTF-8 string; bytes that do not form a character are skipped.
std::vector<uint32_t> decodeUTF8(std::string_view utf8);
bool isValidUTF8(std::string_view bytes);

// The longest prefix of at most maxBytes bytes that ends on a character
// boundary (a multi-byte character that does not fit is left out whole; each
// byte that starts no character counts as one).
std::string_view utf8PrefixWithinBytes(std::string_view text, size_t maxBytes);
// The first maxCharacters characters; all of a shorter text.
std::string_view utf8PrefixCharacters(std::string_view text, size_t maxCharacters);
// Number of characters; each byte that starts no character counts as one.
size_t utf8CharacterCount(std::string_view text);
// Code points of the text; each byte that starts no character becomes U+FFFD.
std::u32string utf8ToCodePoints(std::string_view text);
// The first and the last of those code points, read at the text's ends alone
// (0 for an empty text): asking of a growing text what its end holds costs
// the same whatever its length.
char32_t utf8FirstCodePoint(std::string_view text);
char32_t utf8LastCodePoint(std::string_view text);

}  // namespace vq::text

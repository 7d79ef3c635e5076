#include "platform/text/Utf8.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace {

using namespace vq::text;

TEST(Utf8Test, DecodeAtAcceptsShortestFormsOnly) {
  struct Case {
    std::string_view bytes;
    size_t length;  // 0: no character starts at byte 0
    char32_t codePoint;
  };
  const Case cases[] = {
      {"A", 1, U'A'},
      {"\xC2\x80", 2, 0x80},
      {"\xDF\xBF", 2, 0x7FF},
      {"\xE0\xA0\x80", 3, 0x800},
      {"\xED\x9F\xBF", 3, 0xD7FF},
      {"\xEE\x80\x80", 3, 0xE000},
      {"\xEF\xBF\xBF", 3, 0xFFFF},
      {"\xF0\x90\x80\x80", 4, 0x10000},
      {"\xF4\x8F\xBF\xBF", 4, 0x10FFFF},
      {"\x80", 0, 0},                  // stray continuation byte
      {"\xC0\xAF", 0, 0},              // overlong '/'
      {"\xC1\xBF", 0, 0},              // overlong
      {"\xE0\x9F\xBF", 0, 0},          // overlong
      {"\xF0\x8F\xBF\xBF", 0, 0},      // overlong
      {"\xED\xA0\x80", 0, 0},          // high surrogate
      {"\xED\xBF\xBF", 0, 0},          // low surrogate
      {"\xF4\x90\x80\x80", 0, 0},      // above U+10FFFF
      {"\xF8\x88\x80\x80\x80", 0, 0},  // five-byte form
      {"\xFF", 0, 0},
      {"\xE2\x82", 0, 0},   // truncated at the end
      {"\xE2(\xAC", 0, 0},  // continuation missing
  };
  for (const Case& c : cases) {
    char32_t cp = 0;
    EXPECT_EQ(c.length, decodeUTF8At(c.bytes, 0, &cp)) << testing::PrintToString(std::string(c.bytes));
    EXPECT_EQ(c.length == c.bytes.size(), isValidUTF8(c.bytes));
    if (c.length) {
      EXPECT_EQ(c.codePoint, cp);
      // Encoding the decoded value gives back the same bytes.
      char buf[4];
      ASSERT_EQ(c.length, encodeUTF8(cp, buf));
      EXPECT_EQ(c.bytes, std::string_view(buf, c.length));
    }
  }
}

TEST(Utf8Test, EncodeAndAppendEdges) {
  char buf[4];
  EXPECT_EQ(0u, encodeUTF8(0x110000, buf));
  EXPECT_EQ(3u, encodeUTF8(0xD800, buf));  // surrogates are written by the raw encoder
  EXPECT_EQ("\xED\xA0\x80", std::string_view(buf, 3));
  std::string out;
  for (uint32_t cp : {0x41u, 0xD800u, 0xDFFFu, 0x110000u, 0xE9u}) appendUTF8(out, cp);
  EXPECT_EQ("A\xC3\xA9", out);  // appendUTF8 drops both
}

TEST(Utf8Test, CuttingAndCountingTreatBadBytesAsOneCharacter) {
  // 'a', e-acute (2), a bad byte, euro (3), a surrogate form (3 bad bytes), 'z'
  const std::string_view text = "a\xC3\xA9\xFF\xE2\x82\xAC\xED\xA0\x80z";
  struct Case {
    size_t limit;
    size_t bytesWithinLimit;   // utf8PrefixWithinBytes
    size_t bytesOfCharacters;  // utf8PrefixCharacters
  };
  const Case cases[] = {
      {0, 0, 0}, {1, 1, 1},  {2, 1, 3},  {3, 3, 4},    {4, 4, 7},
      {6, 4, 9}, {7, 7, 10}, {9, 9, 11}, {11, 11, 11}, {50, 11, 11},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.bytesWithinLimit, utf8PrefixWithinBytes(text, c.limit).size()) << c.limit;
    EXPECT_EQ(c.bytesOfCharacters, utf8PrefixCharacters(text, c.limit).size()) << c.limit;
  }
  EXPECT_EQ(8u, utf8CharacterCount(text));
  EXPECT_EQ((std::u32string{U'a', 0xE9, 0xFFFD, 0x20AC, 0xFFFD, 0xFFFD, 0xFFFD, U'z'}), utf8ToCodePoints(text));
  EXPECT_EQ((std::vector<uint32_t>{'a', 0xE9, 0x20AC, 'z'}), decodeUTF8(text));
}

TEST(Utf8Test, CutsOnlyAtCharacterBoundaries) {
  const std::string text = "a\u00E9\u4E2D\U0001F600b";  // 1 + 2 + 3 + 4 + 1 bytes
  struct Case {
    size_t limit;
    size_t bytes;
  } byBytes[] = {{0, 0}, {1, 1}, {2, 1}, {3, 3}, {5, 3}, {6, 6}, {9, 6}, {10, 10}, {11, 11}, {50, 11}};
  for (const Case& c : byBytes) EXPECT_EQ(c.bytes, utf8PrefixWithinBytes(text, c.limit).size()) << c.limit;
  Case byCharacters[] = {{0, 0}, {2, 3}, {4, 10}, {9, 11}};
  for (const Case& c : byCharacters) EXPECT_EQ(c.bytes, utf8PrefixCharacters(text, c.limit).size()) << c.limit;
  EXPECT_EQ(5u, utf8CharacterCount(text));
  EXPECT_EQ((std::u32string{U'a', 0xFFFD, U'b'}), utf8ToCodePoints("a\xFF"
                                                                   "b"));
  EXPECT_EQ((std::u32string{U'a', 0xFFFD, U'(', U'b'}), utf8ToCodePoints("a\xC3(b"));
  EXPECT_EQ((std::u32string{0xFFFD, 0xFFFD, 0xFFFD}), utf8ToCodePoints("\xED\xA0\x80"));  // a surrogate
}

// The ends of a text read alone agree with reading it whole, bad bytes
// (a stray continuation, a cut sequence, a surrogate form) included.
TEST(Utf8Test, EndsAgreeWithTheWholeReading) {
  const std::string_view texts[] = {
      "a",     "ab",       "\xC3\xA9",  "x\xE2\x82\xAC", "\U0001F600",       "a\U0001F600",          "\x80",
      "a\x80", "\xE2\x82", "a\xE2\x82", "\xED\xA0\x80",  "\x80\x80\x80\x80", "\xF0\x9F\x98\x80\x80", "\xFF",
      "\xC3(",
  };
  for (const std::string_view text : texts) {
    SCOPED_TRACE(testing::PrintToString(std::string(text)));
    const std::u32string whole = utf8ToCodePoints(text);
    ASSERT_FALSE(whole.empty());
    EXPECT_EQ(utf8FirstCodePoint(text), whole.front());
    EXPECT_EQ(utf8LastCodePoint(text), whole.back());
  }
  EXPECT_EQ(utf8FirstCodePoint(""), 0u);
  EXPECT_EQ(utf8LastCodePoint(""), 0u);
}

}  // namespace

#include <gtest/gtest.h>

#include "common/VQConverterUtilities.h"

namespace {

using vq::VQConverterUtilities;

TEST(VQConverterUtilitiesTest, LikePercent) {
  struct Row {
    const char* s;
    const char* t;
    float percent;
  } rows[] = {{"kitten", "sitting", 50.0f},
              {"abc", "abc", 100.0f},
              {"ab", "abcdef", -100.0f},
              {"", "", 100.0f},  // nothing to divide by: two empty strings are alike
              {"", "abc", 0.0f},
              {"abc", "", 0.0f},
              {"\xC3\xA9t\xC3\xA9", "ete", 33.333336f}};  // compared by character, not byte
  for (const auto& r : rows) EXPECT_FLOAT_EQ(VQConverterUtilities::String(r.s, r.t), r.percent) << r.s << "/" << r.t;
}

TEST(VQConverterUtilitiesTest, TextTests) {
  EXPECT_TRUE(VQConverterUtilities::isBlankString(std::nullopt));
  EXPECT_TRUE(VQConverterUtilities::isBlankString(std::string(" \t\n\r\x01\xE3\x80\x80\xE2\x80\x8B")));
  EXPECT_FALSE(VQConverterUtilities::isBlankString(std::string(" a ")));
  EXPECT_TRUE(VQConverterUtilities::IsFullWidthCharacter("\xC3\xA9t\xC3\xA9"));
  EXPECT_FALSE(VQConverterUtilities::IsFullWidthCharacter("A\xC3\xA9"));
  EXPECT_FALSE(VQConverterUtilities::IsFullWidthCharacter(""));
  EXPECT_EQ(VQConverterUtilities::ComponentsSeparatedByWords("Hello, big world."),
            (std::vector<std::string>{"Hello", "big", "world"}));
  EXPECT_EQ(VQConverterUtilities::ComponentsSeparatedByWords("\xE4\xB8\xAD\xE6\x96\x87"
                                                             "a"),
            (std::vector<std::string>{"\xE4\xB8\xAD", "\xE6\x96\x87", "a"}));
}

TEST(VQConverterUtilitiesTest, RectangleOverlap) {
  vq::Rect a = vq::RectMake(0, 0, 10, 10);
  EXPECT_DOUBLE_EQ(VQConverterUtilities::PecentAreaOfIntersectRect(a, vq::RectMake(5, 0, 10, 10)), 0.5);
  EXPECT_DOUBLE_EQ(VQConverterUtilities::PecentAreaOfIntersectRect(a, vq::RectMake(10, 0, 10, 10)), 0);
  EXPECT_DOUBLE_EQ(VQConverterUtilities::PecentAreaOfIntersectRect(vq::RectMake(10, 10, -10, -10), a), 1.0);
  EXPECT_DOUBLE_EQ(VQConverterUtilities::WidthOfNoneIntersectRect(a, vq::RectMake(5, 0, 10, 10)), 5);
  EXPECT_DOUBLE_EQ(VQConverterUtilities::WidthOfNoneIntersectRect(a, vq::RectMake(0, 10, 10, 10)), 0);
}

}  // namespace

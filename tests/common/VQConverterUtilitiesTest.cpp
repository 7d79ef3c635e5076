#include <gtest/gtest.h>

#include <fstream>

#include "common/VQConverterUtilities.h"
#include "platform/text/InstalledFonts.h"
#include "platform/text/Utf8.h"
#include "support/TestSupport.h"

namespace {

using vq::VQConverterUtilities;
using vq::text::InstalledFace;
using vq::text::InstalledFonts;

// Two faces, whatever the machine has: Liberation Sans, which has no
// ideographs, and a face built here that has U+4E16 and U+754C at 1 em and
// 0.9 em.
class FixedFaces : public vq::text::FontProvider {
 public:
  explicit FixedFaces(std::string ideographs) : ideographs_(std::move(ideographs)) {}
  std::vector<InstalledFace> faces() const override {
    return {{"Liberation Sans", "Regular", "Liberation Sans", "LiberationSans",
             "/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf", 0},
            {"Ideographs", "Regular", "Ideographs", "Ideographs", ideographs_, 0}};
  }

 private:
  std::string ideographs_;
};

class TextWidthTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string file = (dir_ / "ideographs.ttf").string();
    std::ofstream(file, std::ios::binary) << vqtest::BuildTrueTypeFont("Ideographs", {{0x4E16, 1000}, {0x754C, 900}});
    InstalledFonts::setProvider(std::make_shared<FixedFaces>(file));
  }
  void TearDown() override { InstalledFonts::setProvider(nullptr); }
  vqtest::ScratchDir dir_;
};

TEST_F(TextWidthTest, CharactersTheFontLacksAreMeasuredInAFaceThatHasThem) {
  const double hello = VQConverterUtilities::TextWidth("Hello", "LiberationSans", 10, 0);
  const double space = VQConverterUtilities::TextWidth(" ", "LiberationSans", 10, 0);
  ASSERT_GT(hello, 0);
  ASSERT_GT(space, 0);
  struct Row {
    const char* text;
    const char* font;
    double width;
  } rows[] = {
      {"Hello \xE4\xB8\x96\xE7\x95\x8C", "LiberationSans", hello + space + 19},  // "Hello 世界"
      {"\xE4\xB8\x96\xE7\x95\x8C", "Liberation Sans", 19},
      {"\xE4\xB8\x96\xE7\x95\x8C", "Ideographs", 19},
      {"Hello \xE0\xB8\x81", "LiberationSans", hello + space},           // no face has U+0E01: it measures nothing
      {"Hi\nHello \xE4\xB8\x96", "LiberationSans", hello + space + 10},  // the widest line
      {"Hello", "NoSuchFont", 0},                                        // an unknown font measures nothing
      {"\xE4\xB8\x96", "NoSuchFont", 0},
      {"", "LiberationSans", 0},
  };
  for (const auto& r : rows)
    EXPECT_NEAR(VQConverterUtilities::TextWidth(r.text, r.font, 10, 0), r.width, 1e-9) << r.text << " in " << r.font;
}

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

// How a line ending in a hyphen joins the next: a hyphen that breaks a word
// goes, a compound's or the text's own stays with no blank after it, and a
// dash between words is no hyphen of a word.
TEST(VQConverterUtilitiesTest, LineEndHyphenJoin) {
  using Join = VQConverterUtilities::HyphenJoin;
  const struct {
    const char* end;
    const char* next;
    Join join;
  } cases[] = {
      {"the line is mate-", "rial enough", Join::Drop},
      {"mate\xE2\x80\x90", "rial", Join::Drop},  // U+2010
      {"mate\xC2\xAD", "rial", Join::Drop},      // a soft hyphen
      {"read right-", "to-left", Join::Keep},    // the next word is a compound
      {"read right-", "to-left, here", Join::Keep},
      {"read right-to-", "left", Join::Keep},  // the word before holds a hyphen
      {"right\xE2\x80\x90to\xE2\x80\x90", "left", Join::Keep},
      {"right-to\xC2\xAD", "left", Join::Drop},           // a soft hyphen only ever breaks
      {"the rest of non-", "English words", Join::Keep},  // before a capital
      {"pages 10-", "12", Join::Keep},                    // between digits
      {"a dash -", "then", Join::None},                   // standing alone
      {"words -", "- and more", Join::None},
      {"-", "then", Join::None},
      {"mate-", "", Join::None},
      {"mate-", " rial", Join::None},
      {"material", "enough", Join::None},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.end) + " / " + c.next);
    EXPECT_EQ(
        VQConverterUtilities::LineEndHyphenJoin(vq::text::utf8ToCodePoints(c.end), vq::text::utf8ToCodePoints(c.next)),
        c.join);
  }
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

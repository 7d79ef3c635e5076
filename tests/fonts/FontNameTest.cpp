// Font names: cleaning /BaseFont, installed-font matching against a fixed
// font list, replacement names and the style tests.
#include <gtest/gtest.h>

#include "FontFixture.h"
#include "fonts/VQPDFFontUtilities.h"
#include "platform/text/Utf8.h"

namespace {

using vq::VQPDFFontUtilities;
using vqtest::FontFixture;

class FontNameTest : public ::testing::Test {
 protected:
  void SetUp() override { vqtest::useFakeInstalledFonts(); }
};

TEST_F(FontNameTest, BaseFontBecomesNamesAndReplacement) {
  struct Row {
    const char* font;
    const char* fontName;
    const char* family;
    const char* replacement;
  } rows[] = {
      // Not installed: the subset prefix goes, the family is the name's first part.
      {"<< /Type /Font /Subtype /TrueType /BaseFont /ABCDEF+Arial-BoldMT >>", "Arial-BoldMT", "Arial", "Arial"},
      // Installed (any spelling): the face's full name.
      {"<< /Type /Font /Subtype /TrueType /BaseFont /XYZABC+LiberationSans-Bold >>", "Liberation Sans Bold",
       "Liberation Sans Bold", "Liberation Sans Bold"},
      {"<< /Type /Font /Subtype /TrueType /BaseFont /Liberation#20Serif >>", "Liberation Serif", "Liberation Serif",
       "Liberation Serif"},
      // The family is installed although this face is not.
      {"<< /Type /Font /Subtype /TrueType /BaseFont /LiberationMono,Italic >>", "LiberationMono,Italic",
       "LiberationMono", "Liberation Mono"},
      // Unknown names: fall-backs by the descriptor's flags, or by the name without one.
      {"<< /Type /Font /Subtype /TrueType /BaseFont /Qwerty /FontDescriptor << /Type /FontDescriptor /Flags 3 >> >>",
       "Qwerty", "Qwerty", "Courier"},
      {"<< /Type /Font /Subtype /TrueType /BaseFont /Qwerty /FontDescriptor << /Type /FontDescriptor /Flags 1 >> >>",
       "Qwerty", "Qwerty", "Consolas"},
      {"<< /Type /Font /Subtype /Type1 /BaseFont /PeterTimes >>", "PeterTimes", "PeterTimes", "Times New Roman"},
      {"<< /Type /Font /Subtype /Type1 /BaseFont /Qwerty-Roman >>", "Qwerty-Roman", "Qwerty", "Times"},
      {"<< /Type /Font /Subtype /Type1 /BaseFont /Qwerty >>", "Qwerty", "Qwerty", "Arial Unicode MS"},
      {"<< /Type /Font /Subtype /Type1 /BaseFont /Font0000 >>", "", "", "Arial Unicode MS"},
  };
  for (const auto& r : rows) {
    FontFixture fx;
    fx.addFont("F", fx.parse(r.font));
    auto font = vq::VQPDFFont::NewFontWithDictionary(fx.font("F"), "F");
    ASSERT_TRUE(font) << r.font;
    EXPECT_EQ(font->fontName, r.fontName) << r.font;
    EXPECT_EQ(font->fontFamilyName, r.family) << r.font;
    EXPECT_EQ(font->fontSystemReplaceName, r.replacement) << r.font;
  }
}

TEST_F(FontNameTest, FamilyMatchMarksStyleFromTheName) {
  FontFixture fx;
  fx.addFont("F", fx.parse("<< /Type /Font /Subtype /TrueType /BaseFont /LiberationMono-BoldItalic "
                           "/FontDescriptor << /Type /FontDescriptor /Flags 32 >> >>"));
  auto font = vq::VQPDFFont::NewFontWithDictionary(fx.font("F"), "F");
  ASSERT_TRUE(font && font->fontDescriptor);
  EXPECT_TRUE(font->fontDescriptor->isBold());
  EXPECT_TRUE(font->fontDescriptor->isItalic());
}

TEST_F(FontNameTest, NameBytesThatAreNotUTF8BecomeUTF8) {
  FontFixture fx;
  // GBK bytes of the name 宋体, and a Latin-1 byte that no GBK sequence explains.
  fx.addFont("G", fx.parse("<< /Type /Font /Subtype /TrueType /BaseFont /#CB#CE#CC#E5 >>"));
  fx.addFont("L", fx.parse("<< /Type /Font /Subtype /TrueType /BaseFont /Caf#E9 >>"));
  auto g = vq::VQPDFFont::NewFontWithDictionary(fx.font("G"), "G");
  auto l = vq::VQPDFFont::NewFontWithDictionary(fx.font("L"), "L");
  ASSERT_TRUE(g && l);
  EXPECT_EQ(g->baseFontName, "\xE5\xAE\x8B\xE4\xBD\x93");
  EXPECT_EQ(g->fontSystemReplaceName, "SimSun");
  for (const std::string* s : {&l->baseFontName, &l->fontName, &l->fontFamilyName, &l->fontSystemReplaceName})
    EXPECT_TRUE(vq::text::isValidUTF8(*s)) << *s;
  EXPECT_EQ(l->baseFontName, "Caf\xC3\xA9");
}

TEST(FontNameTests, StyleTests) {
  struct Row {
    const char* name;
    bool bold, italic, serif, allCap;
  } rows[] = {
      {"HelveticaNeue-Medium", true, false, false, false},
      {"W11", false, false, false, false},
      {"Times.I", false, true, true, false},
      {"Arial-BoldItalicMT", true, true, false, false},
      {"CMCSC10", false, false, true, true},
      {"", false, false, false, false},
  };
  for (const auto& r : rows) {
    EXPECT_EQ(VQPDFFontUtilities::isBoldFontName(r.name), r.bold) << r.name;
    EXPECT_EQ(VQPDFFontUtilities::isItalicFontName(r.name), r.italic) << r.name;
    EXPECT_EQ(VQPDFFontUtilities::isSerifFontName(r.name), r.serif) << r.name;
    EXPECT_EQ(VQPDFFontUtilities::isAllCapFontName(r.name), r.allCap) << r.name;
  }
}

TEST(FontNameTests, CutsAndReplacements) {
  EXPECT_EQ(VQPDFFontUtilities::FamilyNameCut("Foo,Bold"), "Foo");
  EXPECT_EQ(VQPDFFontUtilities::FamilyNameCut("Foo-Bold,Italic"), "Foo");
  EXPECT_EQ(VQPDFFontUtilities::FamilyNameCut("ABC+.Foo"), "ABC");
  EXPECT_EQ(VQPDFFontUtilities::FamilyNameCut("Foo"), "Foo");
  EXPECT_FALSE(VQPDFFontUtilities::ReplaceFontNameInFontBook("NullFont"));
  EXPECT_FALSE(VQPDFFontUtilities::ReplaceFontNameInFontBook(""));
  EXPECT_EQ(VQPDFFontUtilities::ReplaceFontNameInFontBook("CourierNewPSMT"), "Courier New");
  auto book = VQPDFFontUtilities::ParseReplaceBookPlist(
      "<plist><dict><key>A</key><array><string>x</string></array><key>B</key><array/></dict></plist>");
  ASSERT_TRUE(book);
  ASSERT_EQ(book->size(), 2u);
  EXPECT_EQ((*book)[0].first, "A");
  EXPECT_FALSE(VQPDFFontUtilities::ParseReplaceBookPlist("<plist><dict>"));
  auto fonts = VQPDFFontUtilities::ParseFontBookPlist(
      "<plist><dict><key>Foo</key><dict><key>Foo-Bold</key><dict><key>Full name</key><string>Foo Bold</string>"
      "<key>ascender</key><real>7.5</real></dict></dict></dict></plist>");
  ASSERT_TRUE(fonts);
  EXPECT_EQ(fonts->at("Foo").at("Foo-Bold").fullName, "Foo Bold");
  EXPECT_FLOAT_EQ(fonts->at("Foo").at("Foo-Bold").ascender, 7.5f);
}

}  // namespace

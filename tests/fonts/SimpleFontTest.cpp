// One-byte fonts read from real font dictionaries: encodings, Differences,
// ToUnicode, widths from /Widths, the standard 14 and substitutes, Type 3.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include <fmt/format.h>

#include "FontFixture.h"
#include "fonts/VQPDFFontCollection.h"
#include "fonts/VQPDFSimple8BitFont.h"

namespace {

using vqtest::FontFixture;

class SimpleFontTest : public ::testing::Test {
 protected:
  void SetUp() override { vqtest::useFakeInstalledFonts(); }
};

TEST_F(SimpleFontTest, FactoryAndCollection) {
  FontFixture fx;
  fx.addFont("F1", fx.parse("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>"));
  fx.addFont("NoType", fx.parse("<< /Subtype /Type1 /BaseFont /Helvetica >>"));
  fx.addFont("Open", fx.parse("<< /Type /Font /Subtype /OpenType /BaseFont /Foo >>"));
  vq::pdf::Object dict = fx.fonts();
  vq::VQPDFFontCollection collection(dict);
  ASSERT_TRUE(collection.fontForKey("F1"));
  EXPECT_EQ(collection.fontForKey("F1")->objectKey, "F1");
  EXPECT_FALSE(collection.fontForKey("NoType"));
  EXPECT_FALSE(collection.fontForKey("Open"));
  EXPECT_FALSE(collection.fontForKey("Missing"));
  EXPECT_EQ(collection.fonts().size(), 1u);
  EXPECT_TRUE(vq::VQPDFFontCollection(vq::pdf::Object()).fonts().empty());
}

// Fonts without /Widths, standard font or descriptor are measured with the
// first substitute, Courier (0.6 for every character).
struct DecodeCase {
  const char* name;
  const char* font;  // the font dictionary in PDF syntax
  std::string bytes;
  std::string text;  // UTF-8
  float dx;
};

class SimpleDecodeTest : public SimpleFontTest, public ::testing::WithParamInterface<DecodeCase> {};

TEST_P(SimpleDecodeTest, DecodesCodeToTextAndAdvance) {
  const DecodeCase& c = GetParam();
  FontFixture fx;
  fx.addFont("F", fx.parse(c.font));
  auto font = vq::VQPDFFont::NewFontWithDictionary(fx.font("F"), "F");
  ASSERT_TRUE(font);
  auto ch = font->getNextChar(c.bytes);
  EXPECT_EQ(ch.bytesUsed, 1u);
  EXPECT_EQ(ch.code, static_cast<uint8_t>(c.bytes[0]));
  EXPECT_EQ(ch.text, c.text);
  EXPECT_NEAR(ch.dx, c.dx, 1e-6);
  EXPECT_EQ(ch.dy, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SimpleDecodeTest,
    ::testing::Values(
        DecodeCase{"TrueTypeDefaultsToWinAnsi", "<< /Type /Font /Subtype /TrueType /BaseFont /Foo >>", "\x93",
                   "\xE2\x80\x9C", 0},
        DecodeCase{"WinAnsiEuro", "<< /Type /Font /Subtype /Type1 /BaseFont /Foo /Encoding /WinAnsiEncoding >>", "\x80",
                   "\xE2\x82\xAC", 0},
        DecodeCase{"MacRoman", "<< /Type /Font /Subtype /Type1 /BaseFont /Foo /Encoding /MacRomanEncoding >>", "\x8E",
                   "\xC3\xA9", 0},
        DecodeCase{"Type3WithoutEncodingKeepsTheCode",
                   "<< /Type /Font /Subtype /Type3 /FontMatrix [0.001 0 0 0.001 0 0] /CharProcs << >> "
                   "/FirstChar 147 /LastChar 147 /Widths [500] >>",
                   "\x93", "\xC2\x93", 0.5},
        DecodeCase{"DifferencesLigatureName",
                   "<< /Type /Font /Subtype /Type1 /BaseFont /Foo /Encoding << /Differences [65 /f_i] >> >>", "A", "fi",
                   0.6},
        DecodeCase{"DifferencesUniName",
                   "<< /Type /Font /Subtype /Type1 /BaseFont /Foo /Encoding << /Differences [66 /g7 /uni0041] >> >>",
                   "C", "A", 0.6},
        // Bitmap fonts from TeX name each glyph by its code.
        DecodeCase{"Type3NumericGlyphName",
                   "<< /Type /Font /Subtype /Type3 /FontMatrix [0.001 0 0 0.001 0 0] /CharProcs << >> "
                   "/Encoding << /Differences [12 /a12 101 /a101] >> /FirstChar 101 /LastChar 101 /Widths [500] >>",
                   "e", "e", 0.5},
        DecodeCase{"NumericGlyphNameOutsideAsciiHasNoText",
                   "<< /Type /Font /Subtype /Type3 /FontMatrix [0.001 0 0 0.001 0 0] /CharProcs << >> "
                   "/Encoding << /Differences [5 /a5 101 /a101] >> /FirstChar 101 /LastChar 101 /Widths [500] >>",
                   "\x05", "", 0},
        // ... but at 11 to 15 they are TeX's f-ligatures.
        DecodeCase{"NumericGlyphNameOfATeXLigature",
                   "<< /Type /Font /Subtype /Type3 /FontMatrix [0.001 0 0 0.001 0 0] /CharProcs << >> "
                   "/Encoding << /Differences [12 /a12 101 /a101] >> /FirstChar 101 /LastChar 101 /Widths [500] >>",
                   "\x0C", "fi", 0},
        // Neither names a code, and a name is never the text.
        DecodeCase{"NumericNameAmongPrivateNamesIsNoCode",
                   "<< /Type /Font /Subtype /Type1 /BaseFont /Foo /Encoding << /Differences [65 /a65 /foo] >> >>", "A",
                   "", 0.6},
        DecodeCase{"NumericNameAwayFromItsCodeIsNoCode",
                   "<< /Type /Font /Subtype /Type1 /BaseFont /Foo /Encoding << /Differences [65 /g66] >> >>", "A", "",
                   0.6},
        DecodeCase{"GlyphNameSuffixIsDropped",
                   "<< /Type /Font /Subtype /Type1 /BaseFont /Foo /Encoding << /Differences [65 /B.sc] >> >>", "A", "B",
                   0.6},
        DecodeCase{"LigatureNameWithSuffix",
                   "<< /Type /Font /Subtype /Type1 /BaseFont /Foo /Encoding << /Differences [65 /f_f_l.alt] >> >>", "A",
                   "ffl", 0.6},
        DecodeCase{"LigatureGlyphIsItsLetters",
                   "<< /Type /Font /Subtype /Type1 /BaseFont /Foo /Encoding << /Differences [65 /fi] >> >>", "A", "fi",
                   0.6},
        DecodeCase{"UniNameOfTwoCharacters",
                   "<< /Type /Font /Subtype /Type1 /BaseFont /Foo /Encoding << /Differences [65 /uni00410042] >> >>",
                   "A", "AB", 0.6},
        DecodeCase{"UNameBeyondTheBasicPlane",
                   "<< /Type /Font /Subtype /Type1 /BaseFont /Foo /Encoding << /Differences [65 /u1F600] >> >>", "A",
                   "\xF0\x9F\x98\x80", 0.6},
        DecodeCase{"NotdefKeepsTheBaseEncoding",
                   "<< /Type /Font /Subtype /Type1 /BaseFont /Foo /Encoding << /Differences [65 /.notdef] >> >>", "A",
                   "A", 0.6},
        DecodeCase{"DifferencesCodesFarOutOfRangeMapNothing",
                   "<< /Type /Font /Subtype /Type1 /BaseFont /Foo /Encoding << /Differences [9223372036854775807 /a /b "
                   "99999999999999999999999.5 /c -5 /d 65 /B] >> >>",
                   "A", "B", 0.6},
        DecodeCase{"MacRomanLigature", "<< /Type /Font /Subtype /Type1 /BaseFont /Foo /Encoding /MacRomanEncoding >>",
                   "\xDE", "fi", 0.6},
        DecodeCase{"DifferencesStandardName",
                   "<< /Type /Font /Subtype /Type1 /BaseFont /Foo /Encoding << /BaseEncoding /WinAnsiEncoding "
                   "/Differences [32 /quotedblleft] >> >>",
                   " ", "\xE2\x80\x9C", 0.6},
        DecodeCase{"WidthsArray",
                   "<< /Type /Font /Subtype /TrueType /BaseFont /Foo /FirstChar 65 /LastChar 66 "
                   "/Widths [600 700] >>",
                   "B", "B", 0.7},
        DecodeCase{"StandardFourteenWidth", "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>", "A", "A", 0.667},
        DecodeCase{"StandardFourteenAlias", "<< /Type /Font /Subtype /TrueType /BaseFont /Arial,Bold >>", "i", "i",
                   0.278},
        DecodeCase{"FirstCharOutOfRangeReadsFromZero",
                   "<< /Type /Font /Subtype /TrueType /BaseFont /Foo /FirstChar 300 /LastChar 400 /Widths [100 200] >>",
                   "\x01", "\x01", 0.2},
        DecodeCase{"LastCharBelowFirstCharSetsNoLimit",
                   "<< /Type /Font /Subtype /TrueType /BaseFont /Foo /FirstChar 65 /LastChar 10 /Widths [100 200 300] "
                   ">>",
                   "C", "C", 0.3},
        // Symbol and ZapfDingbats read their codes through their own
        // encoding, and are measured by the glyph at the code.
        DecodeCase{"StandardSymbolGreek", "<< /Type /Font /Subtype /Type1 /BaseFont /Symbol >>", "a", "\xCE\xB1",
                   0.631},
        DecodeCase{"StandardSymbolMathOperator", "<< /Type /Font /Subtype /Type1 /BaseFont /Symbol >>", "\xA5",
                   "\xE2\x88\x9E", 0.713},
        DecodeCase{"StandardSymbolUnderANamedBaseEncoding",
                   "<< /Type /Font /Subtype /Type1 /BaseFont /Symbol /Encoding /WinAnsiEncoding >>", "a", "a", 0.631},
        DecodeCase{"StandardDingbatWidth", "<< /Type /Font /Subtype /Type1 /BaseFont /ZapfDingbats >>", "n", "n",
                   0.761},
        DecodeCase{"SubstituteTimesBoldFromFlags",
                   "<< /Type /Font /Subtype /TrueType /BaseFont /Foo /FontDescriptor << /Type /FontDescriptor "
                   "/FontName /Foo /Flags 262146 >> >>",
                   "A", "A", 0.722}),
    [](const auto& info) { return std::string(info.param.name); });

// Glyph names of /Differences that are not in the glyph list: the forms
// that spell characters, TeX's own names and the sizes of its delimiters are
// read; any other name is no text, never the name itself.
TEST_F(SimpleFontTest, DifferencesNamesOutsideTheGlyphList) {
  FontFixture fx;
  fx.addFont("F", fx.parse("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding << /Differences [65 "
                           "/angbracketleft /angbracketright /uni2022 /u1F600 /f_f_i /a.sc /nonsense /dotlessj "
                           "/visiblespace /parenleftBig /summationdisplay /uni00410042.alt /uniD800 /x_nonsense "
                           "/angbracketleftbigg /.notdef /lscript /u110000 /Bigg] >> >>"));
  auto f = vq::VQPDFFont::NewFontWithDictionary(fx.font("F"), "F");
  ASSERT_TRUE(f);
  const struct {
    char code;
    const char* text;
  } cases[] = {
      {'A', "\xE2\x9F\xA8"},      // angbracketleft
      {'B', "\xE2\x9F\xA9"},      // angbracketright
      {'C', "\xE2\x80\xA2"},      // uni2022
      {'D', "\xF0\x9F\x98\x80"},  // u1F600
      {'E', "ffi"},               // f_f_i
      {'F', "a"},                 // a.sc
      {'G', ""},                  // nonsense
      {'H', "\xC8\xB7"},          // dotlessj
      {'I', "\xE2\x90\xA3"},      // visiblespace
      {'J', "("},                 // parenleftBig
      {'K', "\xE2\x88\x91"},      // summationdisplay
      {'L', "AB"},                // uni00410042.alt
      {'M', ""},                  // uniD800: a surrogate is no character
      {'N', ""},                  // x_nonsense: one component names nothing
      {'O', "\xE2\x9F\xA8"},      // angbracketleftbigg
      {'P', "P"},                 // .notdef keeps the base encoding
      {'Q', "\xE2\x84\x93"},      // lscript
      {'R', ""},                  // u110000: past the last character
      {'S', ""},                  // Bigg: a size of nothing
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.code);
    const auto ch = f->getNextChar(std::string(1, c.code));
    EXPECT_EQ(ch.text, c.text);
    EXPECT_GT(ch.dx, 0);  // textless codes still advance
  }
}

// A name that no rule reads is looked up in the embedded program: the
// character its own Unicode map gives the glyph of that name.
TEST_F(SimpleFontTest, DifferencesNameReadThroughTheEmbeddedProgram) {
  std::ifstream in("/usr/share/fonts/truetype/liberation2/LiberationSerif-Bold.ttf", std::ios::binary);
  ASSERT_TRUE(in) << "fonts-liberation2 is needed";
  std::string program((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  FontFixture fx;
  QPDFObjectHandle descriptor = fx.parse("<< /Type /FontDescriptor /FontName /Serif /Flags 32 >>");
  descriptor.replaceKey("/FontFile2", fx.stream(program));
  QPDFObjectHandle font = fx.parse(
      "<< /Type /Font /Subtype /TrueType /BaseFont /Serif /Encoding << /Differences [65 /maqaf /nonsense] >> >>");
  font.replaceKey("/FontDescriptor", descriptor);
  fx.addFont("E", font);
  auto f = vq::VQPDFFont::NewFontWithDictionary(fx.font("E"), "E");
  ASSERT_TRUE(f);
  EXPECT_EQ(f->getNextChar(std::string("A")).text, "\xD6\xBE");  // U+05BE
  EXPECT_EQ(f->getNextChar(std::string("B")).text, "");
}

TEST_F(SimpleFontTest, ToUnicodeWinsAndMissingCodesStillAdvance) {
  FontFixture fx;
  QPDFObjectHandle font = fx.parse(
      "<< /Type /Font /Subtype /TrueType /BaseFont /Foo /FirstChar 65 /LastChar 67 /Widths [500 600 700] "
      "/Encoding << /Differences [67 /C] >> >>");
  font.replaceKey("/ToUnicode", fx.stream("/CIDInit /ProcSet findresource begin 1 beginbfchar <42> <0062> endbfchar "
                                          "1 beginbfrange <44> <44> <006600660069> endbfrange end"));
  fx.addFont("F", font);
  auto f = vq::VQPDFFont::NewFontWithDictionary(fx.font("F"), "F");
  ASSERT_TRUE(f);
  auto a = f->getNextChar(std::string("A"));
  EXPECT_EQ(a.uLen, 0);  // neither the map nor Differences knows 0x41
  EXPECT_EQ(a.text, "");
  EXPECT_FLOAT_EQ(a.dx, 0.5f);
  EXPECT_EQ(f->getNextChar(std::string("B")).text, "b");
  EXPECT_EQ(f->getNextChar(std::string("C")).text, "C");  // Differences fills the map's gap
  EXPECT_EQ(f->getNextChar(std::string("D")).text, "ffi");
}

// Symbol fonts put their glyphs at U+F000 plus the code, and the ToUnicode
// maps made from their character maps say so: no other font shows those
// values, so a check mark came out as a box. Where the font's encoding is
// known, the text is the character the code draws.
TEST_F(SimpleFontTest, SymbolFontPrivateUseTextIsTheCharacterItDraws) {
  const struct {
    const char* baseFont;
    int code;
    std::string text;
  } cases[] = {
      {"Wingdings", 0xFC, "\u2714"},                 // check mark
      {"ABCDEF+Wingdings-Regular", 0xFE, "\u2611"},  // ballot box with check
      {"Wingdings", 0xA7, "\u25AA"},                 // square bullet
      {"Wingdings", 0x41, "\uF041"},                 // a code it has no character for
      {"SymbolMT", 0xB7, "\u2022"},                  // bullet
      {"Symbol", 0x61, "\u03B1"},                    // alpha
      {"Wingdings2", 0xFC, "\uF0FC"},                // another layout
      {"Arial", 0xFC, "\uF0FC"},                     // not a symbol font
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.baseFont);
    FontFixture fx;
    QPDFObjectHandle font = fx.parse(
        fmt::format("<< /Type /Font /Subtype /TrueType /BaseFont /{} /FirstChar 32 /LastChar 255 >>", c.baseFont));
    font.replaceKey("/ToUnicode", fx.stream(fmt::format("/CIDInit /ProcSet findresource begin 1 beginbfchar <{:02X}> "
                                                        "<F0{:02X}> endbfchar end",
                                                        c.code, c.code)));
    fx.addFont("F", font);
    auto f = vq::VQPDFFont::NewFontWithDictionary(fx.font("F"), "F");
    ASSERT_TRUE(f);
    EXPECT_EQ(f->getNextChar(std::string(1, static_cast<char>(c.code))).text, c.text);
  }
}

TEST_F(SimpleFontTest, SpaceWidthAndWordSpaceFlag) {
  FontFixture fx;
  fx.addFont("Q",
             fx.parse("<< /Type /Font /Subtype /TrueType /BaseFont /Foo /FirstChar 32 /LastChar 32 /Widths [250] >>"));
  fx.addFont("W", fx.parse("<< /Type /Font /Subtype /TrueType /BaseFont /Foo /FirstChar 32 /LastChar 32 /Widths [1000] "
                           "/FontDescriptor << /Type /FontDescriptor /Flags 32 /AvgWidth 400 >> >>"));
  auto q = vq::VQPDFFont::NewFontWithDictionary(fx.font("Q"), "Q");
  auto w = vq::VQPDFFont::NewFontWithDictionary(fx.font("W"), "W");
  ASSERT_TRUE(q && w);
  EXPECT_DOUBLE_EQ(q->widthOfSpace(), 0.25);
  EXPECT_DOUBLE_EQ(q->bankSpaceCharWidth, 0.25);
  EXPECT_DOUBLE_EQ(w->widthOfSpace(), 0.4);  // 1.0 is no space width: the descriptor's average stands in
  EXPECT_TRUE(q->getNextChar(std::string(" ")).isSpace);
  EXPECT_FALSE(q->getNextChar(std::string("a")).isSpace);
}

// The blank's width is the glyph's that reads as the blank, whatever its
// code; code 32 stays the measure while it reads as the blank or nothing
// does.
TEST_F(SimpleFontTest, BlankWidthFromTheCodeThatReadsAsTheBlank) {
  FontFixture fx;
  const std::string widths = "/FirstChar 32 /LastChar 34 /Widths [600 300 500]";
  fx.addFont("D", fx.parse("<< /Type /Font /Subtype /Type1 /BaseFont /Foo " + widths +
                           " /Encoding << /Differences [32 /a /space] >> >>"));
  QPDFObjectHandle mapped = fx.parse("<< /Type /Font /Subtype /TrueType /BaseFont /Foo " + widths + " >>");
  mapped.replaceKey("/ToUnicode", fx.stream("/CIDInit /ProcSet findresource begin 12 dict begin begincmap "
                                            "1 begincodespacerange <00> <FF> endcodespacerange 2 beginbfchar "
                                            "<20> <0061> <22> <0020> endbfchar endcmap end end"));
  fx.addFont("U", mapped);
  fx.addFont("B", fx.parse("<< /Type /Font /Subtype /Type1 /BaseFont /Foo " + widths +
                           " /Encoding << /Differences [33 /space] >> >>"));
  fx.addFont("N", fx.parse("<< /Type /Font /Subtype /Type1 /BaseFont /Foo " + widths +
                           " /Encoding << /Differences [32 /a 33 /b] >> >>"));
  const struct {
    const char* key;
    double blank;
  } cases[] = {{"D", 0.3}, {"U", 0.5}, {"B", 0.6}, {"N", 0.6}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.key);
    auto font = vq::VQPDFFont::NewFontWithDictionary(fx.font(c.key), c.key);
    ASSERT_TRUE(font);
    EXPECT_DOUBLE_EQ(font->bankSpaceCharWidth, c.blank);
    EXPECT_DOUBLE_EQ(font->widthOfSpace(), c.blank);
  }
}

TEST_F(SimpleFontTest, Type3KeepsGlyphProceduresByName) {
  FontFixture fx;
  QPDFObjectHandle font = fx.parse(
      "<< /Type /Font /Subtype /Type3 /FontMatrix [0.001 0 0 0.001 0 0] /FontBBox [0 0 1000 1000] "
      "/Encoding << /Differences [97 /square] >> /FirstChar 97 /LastChar 97 /Widths [1000] >>");
  QPDFObjectHandle procs = QPDFObjectHandle::newDictionary();
  procs.replaceKey("/square", fx.stream("1000 0 d0 0 0 1000 1000 re f"));
  font.replaceKey("/CharProcs", procs);
  fx.addFont("T", font);
  auto f = std::dynamic_pointer_cast<vq::VQPDFSimple8BitFont>(vq::VQPDFFont::NewFontWithDictionary(fx.font("T"), "T"));
  ASSERT_TRUE(f);
  ASSERT_EQ(f->type3_charProcs.size(), 1u);
  EXPECT_TRUE(f->type3_charProcs.at("square").xObjectStream.isStream());
  EXPECT_FLOAT_EQ(f->getNextChar(std::string("a")).dx, 1.0f);
}

// Everything a Type 3 font measures in glyph units goes through its matrix
// (here hundredths of text space): widths, the space, the bounding box and
// the descriptor's metrics.
TEST_F(SimpleFontTest, Type3MetricsGoThroughTheFontMatrix) {
  FontFixture fx;
  fx.addFont("B", fx.parse("<< /Type /Font /Subtype /Type3 /FontMatrix [0.01 0 0 0.01 0 0] /FontBBox [-5 -20 80 90] "
                           "/CharProcs << >> /FirstChar 32 /LastChar 33 /Widths [25 60] >>"));
  fx.addFont("D", fx.parse("<< /Type /Font /Subtype /Type3 /FontMatrix [0.01 0 0 0.01 0 0] /FontBBox [0 0 0 0] "
                           "/CharProcs << >> /FirstChar 33 /LastChar 33 /Widths [60] /FontDescriptor << /Type "
                           "/FontDescriptor /Flags 32 /Ascent 80 /Descent -10 /MissingWidth 30 /AvgWidth 40 >> >>"));
  auto b = vq::VQPDFFont::NewFontWithDictionary(fx.font("B"), "B");
  auto d = vq::VQPDFFont::NewFontWithDictionary(fx.font("D"), "D");
  ASSERT_TRUE(b && d);
  EXPECT_FLOAT_EQ(b->getNextChar(std::string("!")).dx, 0.6f);
  EXPECT_DOUBLE_EQ(b->widthOfSpace(), 0.25);
  EXPECT_DOUBLE_EQ(b->bankSpaceCharWidth, 0.25);
  const vq::Rect box = b->fontBBox();  // corners, as the descriptor keeps them
  EXPECT_NEAR(box.origin.x, -0.05, 1e-12);
  EXPECT_NEAR(box.origin.y, -0.2, 1e-12);
  EXPECT_NEAR(box.size.width, 0.8, 1e-12);
  EXPECT_NEAR(box.size.height, 0.9, 1e-12);

  EXPECT_FLOAT_EQ(d->getNextChar(std::string("!")).dx, 0.6f);
  EXPECT_FLOAT_EQ(d->getNextChar(std::string("\"")).dx, 0.3f);  // the missing width
  EXPECT_DOUBLE_EQ(d->ascent(), 0.8);
  EXPECT_DOUBLE_EQ(d->descent(), -0.1);
  EXPECT_DOUBLE_EQ(d->widthOfSpace(), 0.3);  // no space glyph: the missing width
}

TEST_F(SimpleFontTest, MetricsFromDescriptorStandardFontOrDefaults) {
  FontFixture fx;
  fx.addFont("D", fx.parse("<< /Type /Font /Subtype /TrueType /BaseFont /Foo /FontDescriptor << /Type /FontDescriptor "
                           "/Ascent 800 /Descent 200 /CapHeight 700 /FontBBox [-100 -200 1000 900] >> >>"));
  fx.addFont("H", fx.parse("<< /Type /Font /Subtype /Type1 /BaseFont /Times-Roman >>"));
  fx.addFont("N", fx.parse("<< /Type /Font /Subtype /Type1 /BaseFont /Foo >>"));
  fx.addFont("X", fx.parse("<< /Type /Font /Subtype /Type1 /BaseFont /Foo /FontDescriptor << /Ascent 800 >> >>"));
  auto d = vq::VQPDFFont::NewFontWithDictionary(fx.font("D"), "D");
  auto h = vq::VQPDFFont::NewFontWithDictionary(fx.font("H"), "H");
  auto n = vq::VQPDFFont::NewFontWithDictionary(fx.font("N"), "N");
  auto x = vq::VQPDFFont::NewFontWithDictionary(fx.font("X"), "X");
  ASSERT_TRUE(d && h && n && x);
  EXPECT_DOUBLE_EQ(d->ascent(), 0.8);
  EXPECT_DOUBLE_EQ(d->descent(), -0.2);
  EXPECT_DOUBLE_EQ(d->fontDescriptor->capHeight, 700);
  EXPECT_EQ(d->fontBBox(), vq::RectMake(-0.1, -0.2, 1.0, 0.9));
  EXPECT_DOUBLE_EQ(h->ascent(), 0.683);
  EXPECT_EQ(h->fontBBox(), vq::RectMake(-168, -218, 1000, 898));
  EXPECT_DOUBLE_EQ(n->height(), 1.3);
  EXPECT_FALSE(x->fontDescriptor);  // a descriptor without /Type is refused
}

}  // namespace

namespace {

TEST_F(SimpleFontTest, EmbeddedProgramGivesNamesTraitsAndWidths) {
  std::ifstream in("/usr/share/fonts/truetype/liberation2/LiberationSerif-Bold.ttf", std::ios::binary);
  ASSERT_TRUE(in) << "fonts-liberation2 is needed";
  std::string program((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  FontFixture fx;
  QPDFObjectHandle descriptor = fx.parse("<< /Type /FontDescriptor /FontName /Font0000 /Flags 32 >>");
  descriptor.replaceKey("/FontFile2", fx.stream(program));
  QPDFObjectHandle font = fx.parse("<< /Type /Font /Subtype /TrueType /BaseFont /Font0000 >>");
  font.replaceKey("/FontDescriptor", descriptor);
  fx.addFont("E", font);
  QPDFObjectHandle broken = fx.parse("<< /Type /FontDescriptor /FontName /Broken /Flags 32 >>");
  broken.replaceKey("/FontFile2", fx.stream("not a font program"));
  QPDFObjectHandle brokenFont = fx.parse("<< /Type /Font /Subtype /TrueType /BaseFont /Broken >>");
  brokenFont.replaceKey("/FontDescriptor", broken);
  fx.addFont("B", brokenFont);

  auto f = vq::VQPDFFont::NewFontWithDictionary(fx.font("E"), "E");
  ASSERT_TRUE(f && f->fontDescriptor);
  const auto& d = *f->fontDescriptor;
  EXPECT_EQ(d.embFontNum, 2);
  EXPECT_EQ(d.embPostScriptName, "LiberationSerif-Bold");
  EXPECT_EQ(d.embFullName, "Liberation Serif Bold");
  EXPECT_TRUE(d.isBold());
  EXPECT_EQ(f->baseFontName_New, "LiberationSerif-Bold");  // the placeholder name gives way
  EXPECT_NEAR(f->embFontWidthForCode('A'), 0.722, 1e-3);
  EXPECT_NEAR(f->bankSpaceCharWidth, 0.25, 1e-3);

  auto b = vq::VQPDFFont::NewFontWithDictionary(fx.font("B"), "B");
  ASSERT_TRUE(b && b->fontDescriptor);
  EXPECT_EQ(b->fontDescriptor->embFontNum, 2);
  EXPECT_FALSE(b->fontDescriptor->embFont);
  EXPECT_EQ(b->embFontWidthForCode('A'), 0);
}

}  // namespace

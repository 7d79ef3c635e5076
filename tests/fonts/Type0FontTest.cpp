// Composite fonts: encoding CMaps (identity, predefined with usecmap,
// embedded streams), ToUnicode and collection maps, W/W2 widths, CIDToGIDMap.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "FontFixture.h"
#include "fonts/VQPDFType0Font.h"
#include "platform/text/FontFace.h"

namespace {

using vqtest::FontFixture;

class Type0FontTest : public ::testing::Test {
 protected:
  void SetUp() override { vqtest::useFakeInstalledFonts(); }

  // A Type 0 font over one descendant; `encoding` and `descendant` are PDF syntax.
  std::shared_ptr<vq::VQPDFType0Font> make(FontFixture& fx, const std::string& encoding, const std::string& descendant,
                                           const std::string& toUnicode = "") {
    QPDFObjectHandle font = fx.parse("<< /Type /Font /Subtype /Type0 /BaseFont /ABCDEF+MSMincho >>");
    font.replaceKey("/Encoding", fx.parse(encoding));
    QPDFObjectHandle d = fx.parse(descendant);
    font.replaceKey("/DescendantFonts", QPDFObjectHandle::newArray({d}));
    if (!toUnicode.empty()) font.replaceKey("/ToUnicode", fx.stream(toUnicode));
    fx.addFont("C", font);
    return std::dynamic_pointer_cast<vq::VQPDFType0Font>(vq::VQPDFFont::NewFontWithDictionary(fx.font("C"), "C"));
  }
};

const char* kJapan1 =
    "<< /Type /Font /Subtype /CIDFontType0 /BaseFont /MSMincho /CIDSystemInfo << /Registry (Adobe) /Ordering "
    "(Japan1) /Supplement 6 >> /DW 1000 /W [1 [500 600] 10 20 250] >>";

TEST_F(Type0FontTest, IdentityHWithToUnicodeAndWidths) {
  FontFixture fx;
  auto font = make(fx, "/Identity-H", kJapan1,
                   "3 beginbfchar <0001> <0041> <000A> <D83DDE00> <000B> <845BDB40DD00> endbfchar 1 beginbfrange "
                   "<0010> <0012> <0061> endbfrange");
  ASSERT_TRUE(font);
  struct Row {
    std::string bytes;
    uint32_t cid;
    std::string text;
    float dx;
  } rows[] = {
      {std::string("\x00\x01", 2), 1, "A", 0.5f},
      {std::string("\x00\x02", 2), 2, "\x02", 0.6f},                            // no mapping: the CID itself
      {std::string("\x00\x0A", 2), 10, "\xF0\x9F\x98\x80", 0.25f},              // a surrogate pair is one character
      {std::string("\x00\x0B", 2), 11, "\xE8\x91\x9B\xF3\xA0\x84\x80", 0.25f},  // a producer's selector stays
      {std::string("\x00\x11", 2), 17, "b", 0.25f},
      {std::string("\x00\x15", 2), 21, "\x15", 1.0f},
  };
  for (const auto& r : rows) {
    auto c = font->getNextChar(r.bytes);
    EXPECT_EQ(c.bytesUsed, 2u);
    EXPECT_EQ(c.code, r.cid);
    EXPECT_EQ(c.text, r.text) << r.cid;
    EXPECT_FLOAT_EQ(c.dx, r.dx) << r.cid;
    EXPECT_FALSE(c.isSpace);
  }
  // A lone last byte is one code whose CID is the byte itself.
  auto last = font->getNextChar(std::string("\x07", 1));
  EXPECT_EQ(last.bytesUsed, 1u);
  EXPECT_EQ(last.code, 7u);
  EXPECT_EQ(font->wMode, 0);
  EXPECT_EQ(font->fontName, "MSMincho");
}

TEST_F(Type0FontTest, CollectionMapGivesTextWithoutToUnicode) {
  FontFixture fx;
  auto font = make(fx, "/Identity-H", kJapan1);
  ASSERT_TRUE(font);
  // Adobe-Japan1 CID 34 is the letter A; CID 1 is the space.
  EXPECT_EQ(vqtest::decodeAll(*font, std::string("\x00\x22\x00\x01", 4)), "A ");
  // The collection gives CID 1481 as U+845B with a variation selector naming
  // its own glyph shape; the text is the character alone.
  EXPECT_EQ(font->getNextChar(std::string("\x05\xC9", 2)).text, "\xE8\x91\x9B");
  EXPECT_EQ(font->cidTypeFont()->cidSystemRegion, "Adobe-Japan1");
  EXPECT_EQ(font->cidTypeFont()->cidSystemInfo, "Adobe-Japan1-6");
}

TEST_F(Type0FontTest, PredefinedVerticalCMapWithUseCMap) {
  FontFixture fx;
  auto font = make(fx, "/90ms-RKSJ-V",
                   "<< /Type /Font /Subtype /CIDFontType0 /BaseFont /MSMincho /CIDSystemInfo << /Registry (Adobe) "
                   "/Ordering (Japan1) /Supplement 2 >> /DW2 [880 -1000] /W2 [843 843 -900 450 800] >>");
  ASSERT_TRUE(font);
  EXPECT_EQ(font->wMode, 1);
  auto hiragana = font->getNextChar(std::string("\x82\xA0", 2));  // from 90ms-RKSJ-H through usecmap
  EXPECT_EQ(hiragana.bytesUsed, 2u);
  EXPECT_EQ(hiragana.code, 843u);
  EXPECT_FLOAT_EQ(hiragana.dx, 0);
  EXPECT_FLOAT_EQ(hiragana.dy, -0.9f);
  EXPECT_FLOAT_EQ(hiragana.ox, 0.45f);
  EXPECT_EQ(font->getNextChar(std::string("\x81\x41", 2)).code, 7887u);  // the vertical map's own entry
  auto ascii = font->getNextChar(std::string("A"));
  EXPECT_EQ(ascii.bytesUsed, 1u);
  // The DW2 array form leaves the default height and origin.
  EXPECT_FLOAT_EQ(ascii.dy, -1.0f);
  EXPECT_FLOAT_EQ(ascii.oy, 0.88f);
}

TEST_F(Type0FontTest, VerticalMetricsHoldForEveryCIDOfARange) {
  FontFixture fx;
  auto font = make(fx, "/Identity-V",
                   "<< /Type /Font /Subtype /CIDFontType2 /BaseFont /Foo /W2 [100 200 -500 250 700 5 [-600 300 "
                   "800 -700 350 900]] >>");
  ASSERT_TRUE(font);
  struct Row {
    uint16_t cid;
    float dy, ox, oy;
  } rows[] = {{5, -0.6f, 0.3f, 0.8f},    {6, -0.7f, 0.35f, 0.9f},   {7, -1.0f, 0.5f, 0.88f},  {100, -0.5f, 0.25f, 0.7f},
              {150, -0.5f, 0.25f, 0.7f}, {200, -0.5f, 0.25f, 0.7f}, {201, -1.0f, 0.5f, 0.88f}};
  for (const auto& r : rows) {
    std::string bytes{static_cast<char>(r.cid >> 8), static_cast<char>(r.cid & 0xFF)};
    auto c = font->getNextChar(bytes);
    EXPECT_FLOAT_EQ(c.dy, r.dy) << r.cid;
    EXPECT_FLOAT_EQ(c.ox, r.ox) << r.cid;
    EXPECT_FLOAT_EQ(c.oy, r.oy) << r.cid;
  }
}

TEST_F(Type0FontTest, EmbeddedCMapStreamWithUseCMap) {
  FontFixture fx;
  QPDFObjectHandle cmap = fx.stream(
      "/CIDInit /ProcSet findresource begin 12 dict begin begincmap /CMapName /Custom def "
      "1 begincodespacerange <00> <7F> endcodespacerange 1 begincidrange <41> <43> 500 endcidrange "
      "endcmap CMapName currentdict /CMap defineresource pop end end",
      "<< /Type /CMap /CMapName /Custom /UseCMap /90ms-RKSJ-H /CIDSystemInfo << /Registry (Adobe) /Ordering (Japan1) "
      "/Supplement 2 >> >>");
  QPDFObjectHandle font = fx.parse("<< /Type /Font /Subtype /Type0 /BaseFont /Foo >>");
  font.replaceKey("/Encoding", cmap);
  font.replaceKey("/DescendantFonts", QPDFObjectHandle::newArray({fx.parse(kJapan1)}));
  fx.addFont("E", font);
  auto f = vq::VQPDFFont::NewFontWithDictionary(fx.font("E"), "E");
  ASSERT_TRUE(f);
  EXPECT_EQ(f->getNextChar(std::string("B")).code, 501u);
  auto kana = f->getNextChar(std::string("\x82\xA0", 2));
  EXPECT_EQ(kana.bytesUsed, 2u);
  EXPECT_EQ(kana.code, 843u);
  EXPECT_EQ(kana.text, "\xE3\x81\x82");  // あ through the collection map
}

TEST_F(Type0FontTest, UnusableEncodingsMakeNoFont) {
  for (const char* encoding : {"/NoSuchCMap", "/..#2F..#2Fetc#2Fpasswd", "42"}) {
    FontFixture fx;
    EXPECT_FALSE(make(fx, encoding, kJapan1)) << encoding;
  }
}

TEST_F(Type0FontTest, CIDToGIDMapStream) {
  FontFixture fx;
  QPDFObjectHandle d = fx.parse("<< /Type /Font /Subtype /CIDFontType2 /BaseFont /Foo >>");
  d.replaceKey("/CIDToGIDMap", fx.stream(std::string("\x01\x02\x00\x05\x07", 5)));
  QPDFObjectHandle font = fx.parse("<< /Type /Font /Subtype /Type0 /BaseFont /Foo /Encoding /Identity-H >>");
  font.replaceKey("/DescendantFonts", QPDFObjectHandle::newArray({d}));
  fx.addFont("G", font);
  auto f = std::dynamic_pointer_cast<vq::VQPDFType0Font>(vq::VQPDFFont::NewFontWithDictionary(fx.font("G"), "G"));
  ASSERT_TRUE(f);
  auto* cid2 = dynamic_cast<const vq::VQPDFCIDType2Font*>(f->cidTypeFont());
  ASSERT_NE(cid2, nullptr);
  EXPECT_EQ(cid2->glyphForCID(0), 258u);
  EXPECT_EQ(cid2->glyphForCID(1), 5u);
  EXPECT_EQ(cid2->glyphForCID(2), 2u);  // beyond the map (the odd last byte is ignored)
}

}  // namespace

// A TrueType program embedded without any map to text still says, through
// its own Unicode map, which character each glyph draws.
TEST_F(Type0FontTest, EmbeddedTrueTypeMapGivesTextWithoutToUnicode) {
  const std::string path = "/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf";
  auto face = vq::text::FontFace::fromFile(path);
  if (!face) GTEST_SKIP() << "no " << path;
  std::ifstream in(path, std::ios::binary);
  const std::string program((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  FontFixture fx;
  QPDFObjectHandle descriptor = fx.parse(
      "<< /Type /FontDescriptor /FontName /ABCDEF+LiberationSans /Flags 32 /FontBBox [0 -200 1000 900] "
      "/ItalicAngle 0 /Ascent 900 /Descent -200 /CapHeight 700 /StemV 80 >>");
  descriptor.replaceKey("/FontFile2", fx.stream(program));
  QPDFObjectHandle descendant = fx.parse(
      "<< /Type /Font /Subtype /CIDFontType2 /BaseFont /ABCDEF+LiberationSans /CIDSystemInfo << /Registry (Adobe) "
      "/Ordering (Identity) /Supplement 0 >> /CIDToGIDMap /Identity /DW 1000 >>");
  descendant.replaceKey("/FontDescriptor", descriptor);
  QPDFObjectHandle font = fx.parse("<< /Type /Font /Subtype /Type0 /BaseFont /ABCDEF+LiberationSans >>");
  font.replaceKey("/Encoding", fx.parse("/Identity-H"));
  font.replaceKey("/DescendantFonts", QPDFObjectHandle::newArray({descendant}));
  fx.addFont("T", font);
  auto type0 = vq::VQPDFFont::NewFontWithDictionary(fx.font("T"), "T");
  ASSERT_TRUE(type0);
  std::string bytes;
  for (char c : std::string("Hi!")) {
    const uint32_t g = face->glyphForChar(static_cast<unsigned char>(c)).value_or(0);
    ASSERT_NE(g, 0u);
    bytes += static_cast<char>(g >> 8);
    bytes += static_cast<char>(g & 0xFF);
  }
  EXPECT_EQ(vqtest::decodeAll(*type0, bytes), "Hi!");
}

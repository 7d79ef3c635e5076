// ToUnicode and encoding CMap parsing, including text that tries to make the
// tables grow without bound or loop forever.
#include <gtest/gtest.h>

#include <chrono>

#include "fonts/BuiltinFontManager.h"
#include "fonts/VQPDFCharCodeToUnicode.h"
#include "fonts/VQPDFCodeToCIDMap.h"

namespace {

std::vector<uint32_t> lookup(const vq::VQPDFCharCodeToUnicode& map, uint32_t code) {
  uint32_t u[16];
  int n = map.mapToUnicode(code, u, 16);
  return std::vector<uint32_t>(u, u + n);
}

using Units = std::vector<uint32_t>;

TEST(ToUnicodeTest, SectionsAndForms) {
  struct Row {
    const char* text;
    int nBits;
    uint32_t code;
    Units expected;
  } rows[] = {
      {"1 beginbfchar <0041> <0061> endbfchar", 16, 0x41, {0x61}},
      {"1 beginbfrange <0010> <0012> <0041> endbfrange", 16, 0x12, {0x43}},
      {"1 beginbfrange <0005> <0007> [<0061> <0062>] endbfrange", 16, 0x06, {0x62}},
      {"1 beginbfrange <0005> <0007> [<0061> <0062>] endbfrange", 16, 0x07, {}},
      {"1 beginbfchar <0001> <00660069> endbfchar", 16, 1, {0x66, 0x69}},
      {"1 beginbfchar <0001> <D835DC00> endbfchar", 16, 1, {0xD835, 0xDC00}},
      {"1 beginbfrange <0001> <0003> <00660066> endbfrange", 16, 3, {0x66, 0x68}},
      {"1 beginbfchar <0100> <0041> endbfchar", 8, 0x100, {}},
      {"1 beginbfchar <41> <0041> endbfchar % comment <42> <0042>\n", 8, 0x42, {}},
      {"1 beginbfchar <1234567890> <0041> endbfchar", 32, 0x34567890, {}},  // more than 8 digits
      {"1 beginbfchar <0G41> <0041> endbfchar", 16, 0x41, {}},
      {"2 beginbfchar <0041> <0061> <0042> endbfchar", 16, 0x41, {0x61}},  // truncated section
      // The direct table grows to the codes in use: the top of it, codes
      // past what was mapped, and codes above it.
      {"2 beginbfchar <0041> <0061> <FFFF> <0042> endbfchar", 16, 0xFFFF, {0x42}},
      {"1 beginbfchar <0041> <0061> endbfchar", 16, 0x4000, {}},
      {"1 beginbfchar <00010000> <0043> endbfchar", 32, 0x10000, {0x43}},
      {"2 beginbfchar <0300> <00660069> <0041> <0061> endbfchar", 16, 0x300, {0x66, 0x69}},
  };
  for (const auto& r : rows) {
    auto map = vq::VQPDFCharCodeToUnicode::NewToUnicodeCMap(r.text, r.nBits);
    EXPECT_EQ(lookup(*map, r.code), r.expected) << r.text;
  }
}

TEST(ToUnicodeTest, SpaceCode) {
  EXPECT_EQ(vq::VQPDFCharCodeToUnicode::NewToUnicodeCMap("1 beginbfchar <0003> <0020> endbfchar", 16)->spaceCIDCode(),
            3u);
  EXPECT_EQ(
      vq::VQPDFCharCodeToUnicode::NewToUnicodeCMap("1 beginbfchar <0003> <00410020> endbfchar", 16)->spaceCIDCode(),
      3u);
  EXPECT_EQ(vq::VQPDFCharCodeToUnicode::NewToUnicodeCMap("", 16)->spaceCIDCode(), 0u);
}

TEST(ToUnicodeTest, HugeRangesStayBoundedAndFinish) {
  auto start = std::chrono::steady_clock::now();
  // 32-bit codes: the last range ends at the largest code, where a 32-bit
  // counter would wrap and never finish.
  auto map = vq::VQPDFCharCodeToUnicode::NewToUnicodeCMap(
      "3 beginbfrange <00000000> <FFFFFFFF> <0041> <FFFFFF00> <FFFFFFFF> <0042> <FFFFFFF0> <FFFFFFFF> <00410042> "
      "endbfrange 1 beginbfchar <FFFFFFFF> <0043> endbfchar",
      32);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
  EXPECT_EQ(lookup(*map, 1), Units{0x42});
  EXPECT_EQ(lookup(*map, 0xFFFFFFFF), Units{0x43});
  EXPECT_EQ(lookup(*map, 0xFFFFFF01), Units{0x43});
}

TEST(CodeToCIDMapTest, Lookup) {
  const char* text =
      "/WMode 1 def 2 begincodespacerange <00> <7F> <8140> <9FFC> endcodespacerange "
      "1 begincodespacerange <A0> <DFFF> endcodespacerange "  // lengths differ: ignored
      "1 begincidrange <8140> <817E> 633 endcidrange 1 begincidchar <41> 34 endcidchar";
  auto map = vq::VQPDFCodeToCIDMap::NewToCIDMap(nullptr, "Adobe-Japan1-6", "Test", text);
  ASSERT_TRUE(map);
  EXPECT_EQ(map->wMode, 1);
  struct Row {
    std::string bytes;
    uint32_t cid, code;
    size_t used;
  } rows[] = {
      {"\x81\x41", 634, 0x8141, 2},
      {"A", 34, 0x41, 1},
      {"\xA1\x41", 0, 0xA1, 1},
      {"\x81", 0, 0x81, 1},  // bytes run out inside a two-byte code
  };
  for (const auto& r : rows) {
    uint32_t code = 0;
    size_t used = 0;
    EXPECT_EQ(map->getCID(reinterpret_cast<const uint8_t*>(r.bytes.data()), r.bytes.size(), &code, &used), r.cid);
    EXPECT_EQ(code, r.code);
    EXPECT_EQ(used, r.used);
  }
  auto identity = vq::VQPDFCodeToCIDMap::NewToCIDMap(nullptr, "", "Identity-H");
  uint32_t code;
  size_t used;
  const uint8_t bytes[] = {0x30, 0x42};
  EXPECT_EQ(identity->getCID(bytes, 2, &code, &used), 0x3042u);
  EXPECT_EQ(used, 2u);
  EXPECT_EQ(identity->getCID(bytes, 1, &code, &used), 0u);
  EXPECT_EQ(used, 1u);
  EXPECT_FALSE(vq::VQPDFCodeToCIDMap::NewToCIDMap(nullptr, "", "NoSuchCMap"));
}

TEST(CodeToCIDMapTest, FullFourByteCodeSpaceIsBounded) {
  auto map = vq::VQPDFCodeToCIDMap::NewToCIDMap(
      nullptr, "", "Big",
      "1 begincodespacerange <00000000> <FFFFFFFF> endcodespacerange 1 begincidrange <00000000> <000000FF> 1 "
      "endcidrange 1 begincodespacerange <0000000000> <FFFFFFFFFF> endcodespacerange");
  ASSERT_TRUE(map);
  const uint8_t bytes[] = {0, 0, 0, 5};
  uint32_t code;
  size_t used;
  EXPECT_EQ(map->getCID(bytes, 4, &code, &used), 6u);
  EXPECT_EQ(used, 4u);
}

TEST(BuiltinFontTest, NamesAndGlyphs) {
  const auto& m = vq::BuiltinFontManager::sharedManager();
  struct Row {
    const char* name;
    const char* expected;  // nullptr: none
  } rows[] = {{"Times New Roman", nullptr},
              {"TimesNewRoman,Bold", "Times-Bold"},
              {"helvetica", "Helvetica"},
              {"Arial BoldMT", "Helvetica-Bold"},
              {"", nullptr},
              {"ZapfDingbats", "ZapfDingbats"}};
  for (const auto& r : rows) {
    const vq::BuiltinFont* f = m.findBuildinFont(r.name);
    if (r.expected) {
      ASSERT_NE(f, nullptr) << r.name;
      EXPECT_EQ(f->fontName, r.expected);
    } else {
      EXPECT_EQ(f, nullptr) << r.name;
    }
  }
  EXPECT_EQ(m.fontsSubstArray()[10]->fontName, "Times-Bold");
  uint16_t w = 0;
  EXPECT_TRUE(m.findBuildinFont("Helvetica")->fontWidths.getCharacter(0x41, &w));
  EXPECT_EQ(w, 667);
  EXPECT_EQ(vq::BuiltinFontWidths::nameToUnicodeID("uni0041"), 0x41);
  EXPECT_EQ(vq::BuiltinFontWidths::nameToUnicodeID("uni00410"), 410);
  EXPECT_EQ(vq::BuiltinFontWidths::nameToUnicodeID("quotedblleft"), 0x201C);
  EXPECT_EQ(vq::BuiltinFontWidths::nameToUnicodeID("nosuchglyph"), 0);
  EXPECT_EQ(vq::BuiltinFontWidths::unicodeIDToName(0x20), "space");
  EXPECT_EQ(vq::BuiltinFontWidths::unicodeIDToName(0xE000), "unie000");
  EXPECT_EQ(vq::BuiltinFontWidths::unicodeIDToName(0), ".notdef");
}

}  // namespace

// The readers of converted files and the word comparison, on small inputs
// written by hand: a reader that drops, doubles or joins text would make the
// round trips blame the converter for its own fault, or hide one.
#include <gtest/gtest.h>

#include "WordCheck.h"
#include "support/OutputText.h"

namespace {

using Words = std::vector<std::string>;

Words WordsOf(const std::string& text) { return vqtest::SplitWords(text); }

TEST(OutputText, RtfReader) {
  struct Case {
    const char* rtf;
    Words words;
  } cases[] = {
      // Tables, \info and \* destinations are no text; \'hh is Windows-1252.
      {R"({\rtf1\ansi{\fonttbl\f0\fnil Arial;}{\colortbl\red0\green0\blue0;}{\*\generator Gen 1;})"
       R"({\info{\doccomm hidden}}\f0\fs20 caf\'e9 \'93quoted\'94\par next})",
       {"café", "“quoted”", "next"}},
      // \uN skips \ucN fallback characters (a group's setting); \uc0 has none; pairs of
      // surrogates make one character; negative values count from 65536.
      {R"({\rtf1 na\uc1\u239?ve end\uc0\u8217 s \uc0\u55357 \uc0\u56832  \uc1 x\u-4064?y})",
       {"naïve", "end’s", "😀", "x\uF020y"}},
      // Breaks, tabs and cells part words; escaped symbols are text; an
      // optional hyphen is nothing; a backslash before a line end is a
      // paragraph mark; raw line ends are not.
      {"{\\rtf1 a\\tab b\\line c\\cell d\\\n e\\{x\\}\\\\ har\\-bour sp\nlit}",
       {"a", "b", "c", "d", "e{x}\\", "harbour", "split"}},
  };
  for (const auto& c : cases) EXPECT_EQ(WordsOf(vqtest::RtfText(c.rtf)), c.words) << c.rtf;
}

TEST(OutputText, DocxReader) {
  const std::string xml =
      R"(<w:document xmlns:w="w" xmlns:mc="mc" xmlns:wps="wps"><w:body>)"
      R"(<w:p><w:pPr><w:tabs><w:tab w:val="left" w:pos="720"/></w:tabs><w:rPr><w:b/></w:rPr></w:pPr>)"
      R"(<w:r><w:t>Har</w:t></w:r><w:r><w:t>bour</w:t><w:tab/><w:t>pier</w:t><w:br/><w:t>east</w:t></w:r>)"
      R"(<w:r><w:t xml:space="preserve"> </w:t></w:r><w:r><w:t>quay</w:t></w:r>)"
      R"(<w:r><mc:AlternateContent><mc:Choice><w:drawing><wps:txbx><w:txbxContent><w:p><w:r><w:t>boxed</w:t></w:r></w:p>)"
      R"(</w:txbxContent></wps:txbx></w:drawing></mc:Choice><mc:Fallback><w:pict><w:txbxContent><w:p><w:r>)"
      R"(<w:t>boxed</w:t></w:r></w:p></w:txbxContent></w:pict></mc:Fallback></mc:AlternateContent></w:r>)"
      R"(<w:r><w:t>after</w:t></w:r></w:p>)"
      R"(<w:tbl><w:tr><w:tc><w:p><w:r><w:t>one</w:t></w:r></w:p></w:tc><w:tc><w:p><w:r><w:t>two</w:t></w:r></w:p></w:tc></w:tr></w:tbl>)"
      R"(<w:p><w:r><w:t>last</w:t></w:r></w:p><w:sectPr/></w:body></w:document>)";
  EXPECT_EQ(WordsOf(vqtest::DocxText(xml)),
            (Words{"Harbour", "pier", "east", "quay", "boxed", "after", "one", "two", "last"}));

  // Paragraphs: the box's paragraph is one of its own, an empty one is none,
  // and a page break, or the end of a section, stands before the next text.
  const std::string paragraphs =
      R"(<w:document xmlns:w="w"><w:body><w:p><w:r><w:t>first</w:t></w:r></w:p><w:p/>)"
      R"(<w:p><w:r><w:t>cut</w:t><w:drawing><w:txbxContent><w:p><w:r><w:t>boxed</w:t></w:r></w:p></w:txbxContent>)"
      R"(</w:drawing><w:br w:type="page"/></w:r></w:p><w:p><w:r><w:t>on</w:t></w:r></w:p>)"
      R"(<w:p><w:pPr><w:sectPr/></w:pPr><w:r><w:t>end</w:t></w:r></w:p><w:p><w:r><w:t>next</w:t></w:r></w:p>)"
      R"(</w:body></w:document>)";
  std::vector<std::pair<std::string, bool>> read;
  for (const auto& p : vqtest::DocxParagraphs(paragraphs)) read.emplace_back(p.text, p.afterBreak);
  EXPECT_EQ(read,
            (std::vector<std::pair<std::string, bool>>{
                {"first", false}, {"boxed", false}, {"cut", false}, {"on", true}, {"end", false}, {"next", true}}));
}

TEST(OutputText, XlsxReaderShowsNumbersAsTheirFormats) {
  std::map<std::string, std::string> parts;
  parts["xl/workbook.xml"] =
      R"(<workbook xmlns:r="r"><sheets><sheet name="B" r:id="rId2"/><sheet name="A" r:id="rId1"/></sheets></workbook>)";
  parts["xl/_rels/workbook.xml.rels"] = R"(<Relationships><Relationship Id="rId1" Target="worksheets/sheet1.xml"/>)"
                                        R"(<Relationship Id="rId2" Target="worksheets/sheet2.xml"/></Relationships>)";
  parts["xl/sharedStrings.xml"] =
      R"(<sst><si><t>Unit price</t></si><si><r><t>Fen</t></r><r><t>ce</t></r><rPh><t>fensu</t></rPh></si></sst>)";
  parts["xl/styles.xml"] =
      R"(<styleSheet><numFmts><numFmt numFmtId="164" formatCode="#,##0.00"/><numFmt numFmtId="165" formatCode="&quot;$&quot;#,##0.00;[Red]-&quot;$&quot;#,##0.00"/></numFmts>)"
      R"(<cellXfs><xf numFmtId="0"/><xf numFmtId="164"/><xf numFmtId="10"/><xf numFmtId="165"/><xf numFmtId="3"/></cellXfs></styleSheet>)";
  parts["xl/worksheets/sheet1.xml"] =
      R"(<worksheet><sheetData><row r="2"><c r="C2" s="1"><v>1125</v></c><c r="A2" t="s"><v>1</v></c>)"
      R"(<c r="B2" s="0"><v>18.20</v></c></row><row r="1"><c r="A1" t="s"><v>0</v></c></row></sheetData></worksheet>)";
  parts["xl/worksheets/sheet2.xml"] =
      R"(<worksheet><sheetData><row r="1"><c r="A1" t="inlineStr"><is><t>first</t></is></c><c r="B1" s="2"><v>0.125</v></c>)"
      R"(<c r="C1" s="3"><v>-4.75</v></c><c r="D1" s="4"><v>1234567</v></c><c r="E1" t="b"><v>1</v></c></row></sheetData></worksheet>)";
  EXPECT_EQ(WordsOf(vqtest::XlsxText(parts)),
            (Words{"first", "12.50%", "-$4.75", "1,234,567", "TRUE", "Unit", "price", "Fence", "18.2", "1,125.00"}));
}

TEST(OutputText, CsvReader) {
  // UTF-16 little-endian with its byte-order mark, as the converter writes
  // tables; a quoted field keeps its separators.
  const std::u16string text = u"Item\tPrice\n\t\"1,125.00\"\tcaf\u00E9\n\"say \"\"hi\"\"\",end\n";
  std::string bytes = "\xFF\xFE";
  for (char16_t u : text) bytes += static_cast<char>(u & 0xFF), bytes += static_cast<char>(u >> 8);
  EXPECT_EQ(WordsOf(vqtest::CsvText(bytes)), (Words{"Item", "Price", "1,125.00", "café", "say", "\"hi\"", "end"}));
  EXPECT_EQ(WordsOf(vqtest::CsvText("\xEF\xBB\xBF"
                                    "a,b\tc")),
            (Words{"a", "b", "c"}));
}

TEST(OutputText, PptxReaderFollowsTheSlideList) {
  std::map<std::string, std::string> parts;
  parts["ppt/presentation.xml"] =
      R"(<p:presentation xmlns:p="p" xmlns:r="r"><p:sldIdLst><p:sldId id="257" r:id="rId3"/><p:sldId id="256" r:id="rId2"/></p:sldIdLst></p:presentation>)";
  parts["ppt/_rels/presentation.xml.rels"] =
      R"(<Relationships><Relationship Id="rId2" Target="slides/slide1.xml"/><Relationship Id="rId3" Target="slides/slide2.xml"/></Relationships>)";
  parts["ppt/slides/slide1.xml"] =
      R"(<p:sld xmlns:p="p" xmlns:a="a"><p:cSld><p:spTree><p:sp><p:txBody><a:p><a:r><a:t>Val</a:t></a:r><a:r><a:t>ley</a:t></a:r>)"
      R"(<a:br/><a:r><a:t>Trust</a:t></a:r></a:p></p:txBody></p:sp><p:sp><p:txBody><a:p><a:r><a:t>next</a:t></a:r></a:p></p:txBody></p:sp>)"
      R"(</p:spTree></p:cSld></p:sld>)";
  parts["ppt/slides/slide2.xml"] =
      R"(<p:sld xmlns:p="p" xmlns:a="a"><p:cSld><p:spTree><p:graphicFrame><a:tbl><a:tr><a:tc><a:txBody><a:p><a:r><a:t>cell</a:t></a:r></a:p>)"
      R"(</a:txBody></a:tc><a:tc><a:txBody><a:p><a:r><a:t>two</a:t></a:r></a:p></a:txBody></a:tc></a:tr></a:tbl></p:graphicFrame></p:spTree></p:cSld></p:sld>)";
  EXPECT_EQ(WordsOf(vqtest::PptxText(parts)), (Words{"cell", "two", "Valley", "Trust", "next"}));
}

TEST(OutputText, HtmlReader) {
  const std::string html =
      "<!DOCTYPE HTML><html><head><title>hidden</title><style>p.p0 {font: 13px}</style></head><body>\n"
      "<!-- a comment --><p class=\"p0\" title=\"a > b\"><span>Har</span><b>bour</b>&nbsp;pier<br \\>east</p>"
      "<div>caf&#233; &#x2019;s &amp; &lt;tag&gt;</div><table><tr><td>one</td><td>two</td></tr></table>"
      "<SCRIPT>var x = '<p>';</SCRIPT>end</body></html>";
  EXPECT_EQ(WordsOf(vqtest::HtmlText(html)),
            (Words{"Harbour", "pier", "east", "café", "’s", "&", "<tag>", "one", "two", "end"}));
}

TEST(WordCheck, Normalisation) {
  struct Case {
    const char* text;
    Words words;
  } cases[] = {
      {"\uFB01sh o\uFB00 caf\u00E9", {"fish", "off", "café"}},                                     // NFKC
      {"\u2022 one \u25CF two \u2013 1. three a) iv. (3) four", {"one", "two", "three", "four"}},  // bullets, labels
      {"sketches. \u201Cquoted,\u201D (aside) end.Next", {"sketches", "quoted", "aside", "end.Next"}},
      {"chandler\u2019s forty\u2011two", {"chandler's", "forty-two"}},
      {"har\u00ADbour glu\u200Bed", {"harbour", "glued"}},  // invisible characters join
      {"18.20 3.10 1,125.00 2400 0.5", {"18.2", "3.1", "1,125", "2400", "0.5"}},
  };
  for (const auto& c : cases) EXPECT_EQ(rtest::NormalisedWords(c.text), c.words) << c.text;
}

TEST(WordCheck, Comparison) {
  const std::vector<Words> source = {{"alder", "rises", "high", "up"}, {"wendle", "meanders", "south"}};
  struct Case {
    const char* name;
    Words output;
    bool interleave;
    Words rtest::WordCheck::*list;
    Words expected;
  } cases[] = {
      {"missing", {"alder", "high", "up", "wendle", "meanders", "south"}, false, &rtest::WordCheck::missing, {"rises"}},
      {"doubled",
       {"alder", "rises", "rises", "high", "up", "wendle", "meanders", "south"},
       false,
       &rtest::WordCheck::doubled,
       {"rises"}},
      {"glued",
       {"alderrises", "high", "up", "wendle", "meanders", "south"},
       false,
       &rtest::WordCheck::glued,
       {"alderrises"}},
      {"split",
       {"al", "der", "rises", "high", "up", "wendle", "meanders", "south"},
       false,
       &rtest::WordCheck::unexpected,
       {"al", "der"}},
      {"moved",
       {"rises", "high", "alder", "up", "wendle", "meanders", "south"},
       false,
       &rtest::WordCheck::outOfOrder,
       {"alder"}},
      {"interleaved, read in order",
       {"alder", "wendle", "rises", "meanders", "high", "up", "south"},
       false,
       &rtest::WordCheck::outOfOrder,
       {"wendle", "meanders"}},
      {"interleaved, streams may interleave",
       {"alder", "wendle", "rises", "meanders", "high", "up", "south"},
       true,
       &rtest::WordCheck::outOfOrder,
       {}},
      {"a stream out of its order",
       {"alder", "south", "rises", "wendle", "meanders", "high", "up"},
       true,
       &rtest::WordCheck::outOfOrder,
       {"south"}},
  };
  for (const auto& c : cases) {
    const auto check = rtest::CompareWords(source, c.output, c.interleave);
    EXPECT_EQ(check.*c.list, c.expected) << c.name;
    EXPECT_EQ(check.ok(), c.expected.empty()) << c.name << "\n" << check.describe();
  }
}

// Paragraphs joined or split against the source's; cells of one row may share
// a line, and a paragraph may go on after a break.
TEST(WordCheck, ParagraphComparison) {
  const std::vector<rtest::SourceParagraph> source = {{{"alder", "rises"}, 0},
                                                      {{"wendle", "meanders"}, 0},
                                                      {{"cell", "one"}, 1},
                                                      {{"cell", "two"}, 1},
                                                      {{"row", "two"}, 2}};
  using Output = std::vector<rtest::OutputParagraph>;
  struct Case {
    const char* name;
    Output output;
    size_t joined, split;
  } cases[] = {
      {"as the source",
       {{{"alder", "rises"}}, {{"wendle", "meanders"}}, {{"cell", "one", "cell", "two"}}, {{"row", "two"}}},
       0,
       0},
      {"joined", {{{"alder", "rises", "wendle", "meanders"}}, {{"cell", "one", "cell", "two", "row", "two"}}}, 2, 0},
      {"split",
       {{{"alder"}}, {{"rises"}}, {{"wendle", "meanders"}}, {{"cell", "one"}}, {{"cell", "two"}}, {{"row", "two"}}},
       0,
       1},
      {"split at a break",
       {{{"alder"}},
        {{"rises"}, true},
        {{"wendle", "meanders"}},
        {{"cell", "one"}},
        {{"cell", "two"}},
        {{"row", "two"}}},
       0,
       0},
  };
  for (const auto& c : cases) {
    const auto check = rtest::CompareParagraphs(source, c.output);
    EXPECT_EQ(check.joined.size(), c.joined) << c.name << "\n" << check.describe();
    EXPECT_EQ(check.split.size(), c.split) << c.name << "\n" << check.describe();
  }
}

}  // namespace

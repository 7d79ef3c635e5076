// Text capture of the page parser over small hand-written pages.
#include <gtest/gtest.h>

#include <fmt/format.h>

#include <algorithm>
#include <fstream>

#include "XlsxTestSupport.h"
#include "platform/pdf/PdfDocument.h"
#include "support/TestSupport.h"
#include "xlsx/VQExcelPDFPageParser.h"

namespace {

std::string OnePagePdf(const std::string& content) {
  return vqtest::BuildPDF({
      "<< /Type /Catalog /Pages 2 0 R >>",
      "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
      "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Resources << /Font << /F1 4 0 R /F2 6 0 R >> >> "
      "/Contents 5 0 R >>",
      "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>",
      vqtest::PDFStream(content),
      // A font whose "blank" is an em wide, as TeX fonts have at that code.
      "<< /Type /Font /Subtype /Type1 /BaseFont /CMR10 /FirstChar 32 /LastChar 52 "
      "/Widths [1000 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 500 500 500 500 500] >>",
  });
}

// The runs the parser leaves on the page of `content`, after the grid.
std::vector<vq::VQExcelRunText> CapturedRuns(const vqtest::ScratchDir& dir, const std::string& content) {
  const auto pdfPath = dir / "page.pdf";
  std::ofstream(pdfPath, std::ios::binary) << OnePagePdf(content);
  auto document = vq::pdf::Document::open(pdfPath.string(), "");
  EXPECT_TRUE(document);
  if (!document) return {};
  vq::VQExcelDocument doc((dir / "page.csv").string(), 1, vq::VQExcelOptions{}, false);
  doc.writeDocumentBegin();
  std::atomic<bool> cancel{false};
  vq::VQExcelPDFPageParser parser(doc, cancel);
  EXPECT_TRUE(parser.convertPDFPage(document->page(1), 1));
  std::vector<vq::VQExcelRunText> runs;
  for (const auto& r : parser.currentPage()->allRunTextArray) runs.push_back(*r);
  return runs;
}

struct CaptureCase {
  const char* name;
  std::string content;
  std::vector<std::string> texts;  // the page's runs after the grid, in order; empty: not compared
  float rotation;                  // of the first run, display space (y downwards)
};

TEST(VQExcelPageParser, CapturesAndJoinsRuns) {
  const std::vector<CaptureCase> cases = {
      {"a leading blank is dropped", "BT /F1 12 Tf 72 700 Td ( ) Tj (Hello) Tj ET", {"Hello"}, 0},
      {"adjoining shows join", "BT /F1 12 Tf 72 700 Td (12) Tj (34) Tj ET", {"1234"}, 0},
      // Helvetica's blank is 0.278 em.
      {"a word space joins with a blank", "BT /F1 12 Tf 72 700 Td [(12) -278 (34)] TJ ET", {"12 34"}, 0},
      {"a word gap joins with a blank when the font's blank cannot be believed",
       "BT /F2 12 Tf 72 700 Td [(12) -300 (34)] TJ ET",
       {"12 34"},
       0},
      {"kerning joins without a blank when the font's blank cannot be believed",
       "BT /F2 12 Tf 72 700 Td [(12) -50 (34)] TJ ET",
       {"1234"},
       0},
      {"a wide gap keeps words apart", "BT /F2 12 Tf 72 700 Td [(12) -2000 (34)] TJ ET", {"12", "34"}, 0},
      // One word in two colours is one word; the cell's rich text keeps both.
      {"a colour change inside a word", "BT /F1 12 Tf 72 700 Td (ab) Tj 1 0 0 rg (cd) Tj ET", {"abcd"}, 0},
      {"a larger size keeps runs apart", "BT /F1 12 Tf 72 700 Td (ab) Tj /F1 20 Tf (cd) Tj ET", {"ab", "cd"}, 0},
      // Rising text turns clockwise in display space: 88 degrees snap to 270.
      {"88 degrees count as vertical", "BT /F1 12 Tf 0.0349 0.99939 -0.99939 0.0349 300 300 Tm (Up) Tj ET", {}, 270},
      {"45 degrees are kept", "BT /F1 12 Tf 0.7071 0.7071 -0.7071 0.7071 300 300 Tm (Slant) Tj ET", {}, 315},
  };
  vqtest::ScratchDir dir;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto runs = CapturedRuns(dir, c.content);
    std::vector<std::string> texts;
    for (const auto& r : runs) texts.push_back(r.text);
    if (!c.texts.empty()) {
      EXPECT_EQ(texts, c.texts);
    }
    ASSERT_FALSE(runs.empty());
    EXPECT_NEAR(runs.front().ctmInfo.rotation, c.rotation, 1);
  }
}

// A line of many words, shown one by one with word spaces between, is one
// run joined a piece at a time; each join looks only where the pieces meet,
// so the line costs its length, not its square (a page repeating such a line
// took seconds and a gigabyte).
TEST(VQExcelPageParser, ALongLineJoinsWordByWord) {
  constexpr int kWords = 20000;
  std::string shows, expected;
  for (int i = 0; i < kWords; ++i) {
    shows += "(ab) -278 ";
    expected += i ? " ab" : "ab";
  }
  vqtest::ScratchDir dir;
  const auto runs = CapturedRuns(dir, "BT /F1 10 Tf 10 700 Td [" + shows + "] TJ ET");
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(runs.front().text, expected);
}

// Rules round the boxes of a table, stroked or filled as thin bars, make the
// lines inside one box one cell; the same lines without the rules stay apart.
TEST(VQExcelPageParser, RuledBoxesHoldTheirLines) {
  const std::string text =
      "BT /F1 10 Tf 76 628 Td (First line) Tj 0 -14 Td (second line) Tj ET BT /F1 10 Tf 276 628 Td (Other) Tj ET ";
  const std::vector<std::pair<std::string, std::vector<std::string>>> cases = {
      {"0.5 w 72 600 200 40 re S 272 600 200 40 re S " + text, {"First line\nsecond line", "Other"}},
      {"0 0 0 rg 72 640 400 0.4 re f 72 600 400 0.4 re f 72 600 0.4 40 re f 272 600 0.4 40 re f 472 600 0.4 40 re f " +
           text,
       {"First line\nsecond line", "Other"}},
      {text, {"First line", "Other", "second line"}},
  };
  vqtest::ScratchDir dir;
  for (const auto& [content, texts] : cases) {
    SCOPED_TRACE(content);
    std::vector<std::string> got;
    for (const auto& r : CapturedRuns(dir, content)) got.push_back(r.text);
    std::sort(got.begin(), got.end());
    EXPECT_EQ(got, texts);
  }
}

// Two columns whose base lines are offset by half a line: each line of one
// column overlaps two lines of the other, down the page. Every line is still
// a row of its own column, whole: a justified line's stretched blank is read
// against the lines above and below it in its column, and a word in another
// colour is a word of its line, however short the line below it.
TEST(VQExcelPageParser, ColumnsWithOffsetBaseLinesKeepTheirLines) {
  const std::string right =
      "BT /F1 10 Tf 12 TL 250 694 Td (The space between) Tj T* (controlled by the) Tj T* (eter columnsep) Tj T* "
      "(for the columns) Tj ET";
  const std::vector<std::pair<std::string, std::vector<std::string>>> cases = {
      {"BT /F1 10 Tf 12 TL 72 700 Td (the page text runs on) Tj T* [(If such) -1200 (text is unusually)] TJ T* "
       "(long the value of) Tj T* (might need adjusting) Tj ET " +
           right,
       {"1:1 the page text runs on", "1:2 The space between", "2:1 If such text is unusually", "2:2 controlled by the",
        "3:1 long the value of", "3:2 eter columnsep", "4:1 might need adjusting", "4:2 for the columns"}},
      {"BT /F1 10 Tf 12 TL 72 700 Td (case ) Tj 0 0 1 rg (multicols) Tj 0 0 0 rg ( does work) Tj ET "
       "BT /F1 10 Tf 72 688 Td (ror.) Tj ET "
       "BT /F1 10 Tf 12 TL 250 694 Td (The space between) Tj T* (controlled by the) Tj ET",
       {"1:1 case multicols does work", "1:2 The space between", "2:1 ror.", "2:2 controlled by the"}},
  };
  vqtest::ScratchDir dir;
  for (const auto& [content, expected] : cases) {
    SCOPED_TRACE(content);
    std::vector<std::string> got, want = expected;
    for (const auto& r : CapturedRuns(dir, content))
      got.push_back(fmt::format("{}:{} {}", r.rowIndex, r.columnIndex, r.text));
    std::sort(got.begin(), got.end());
    std::sort(want.begin(), want.end());
    EXPECT_EQ(got, want);
  }
}

}  // namespace

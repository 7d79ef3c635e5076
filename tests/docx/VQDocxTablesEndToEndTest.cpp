// Ruled tables drawn in a PDF come out of the DOCX conversion as Word
// tables: one w:tbl per table, merged cells where rules stop, nested tables
// inside their cell, each cell text once and inside its cell; a frame round
// the page becomes the page border, and a bar chart stays a drawing.
#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <fmt/format.h>

#include <map>
#include <string>
#include <vector>

#include "docx/DocxConversionSupport.h"

namespace {

// A ruled grid: horizontal rules at `ys`, vertical ones at `xs` (PDF
// space), the text "R<r>C<c>" in every cell.
std::string RuledGrid(const std::vector<int>& xs, const std::vector<int>& ys, bool texts = true) {
  std::string c = "0 0 0 RG 1 w ";
  for (int y : ys) c += fmt::format("{} {} m {} {} l S ", xs.front(), y, xs.back(), y);
  for (int x : xs) c += fmt::format("{} {} m {} {} l S ", x, ys.front(), x, ys.back());
  if (texts)
    for (size_t r = 0; r + 1 < ys.size(); ++r)
      for (size_t k = 0; k + 1 < xs.size(); ++k)
        c += fmt::format("BT /F1 9 Tf {} {} Td (R{}C{}) Tj ET ", xs[k] + 4, ys[r] - 16, r, k);
  return c;
}

struct Counts {
  size_t tables = 0;
  size_t gridSpans = 0;
  size_t vMergeRestarts = 0;
  std::map<std::string, int> cellTexts;  // text of each w:t inside a w:tc
  std::map<std::string, int> bodyTexts;  // text of each w:t outside tables
  bool pageBorder = false;
};

Counts Count(const std::string& mainPart) {
  Counts c;
  pugi::xml_document doc;
  if (!doc.load_string(mainPart.c_str())) return c;
  c.tables = doc.select_nodes("//w:tbl").size();
  c.gridSpans = doc.select_nodes("//w:tcPr/w:gridSpan").size();
  c.vMergeRestarts = doc.select_nodes("//w:tcPr/w:vMerge[@w:val='restart']").size();
  for (const auto& t : doc.select_nodes("//w:t")) {
    std::string text = t.node().text().get();
    while (!text.empty() && text.back() == ' ') text.pop_back();
    if (text.empty()) continue;
    bool inCell = false;
    for (auto n = t.node().parent(); n; n = n.parent())
      if (std::string(n.name()) == "w:tc") inCell = true;
    ++(inCell ? c.cellTexts : c.bodyTexts)[text];
  }
  c.pageBorder = !doc.select_nodes("//w:sectPr/w:pgBorders").empty();
  return c;
}

// Each of the texts is written once, in a table cell, and not in the body.
void ExpectOnlyInCells(const Counts& counts, const std::vector<std::string>& texts) {
  for (const auto& text : texts) {
    EXPECT_EQ(counts.cellTexts.count(text), 1u) << text;
    EXPECT_EQ(counts.bodyTexts.count(text), 0u) << text;
  }
  for (const auto& [text, n] : counts.cellTexts) EXPECT_EQ(n, 1) << text;
}

// The counts of the converted content; its main part goes to `mainPart`.
// Every package must hold to the schema.
Counts ConvertValid(const std::string& content, std::string* mainPart) {
  vqtest::ScratchDir dir;
  *mainPart = vqtest::ConvertToMainPart(vqtest::OneHelveticaPagePDF(content), dir);
  EXPECT_FALSE(mainPart->empty());
  EXPECT_EQ(vqtest::SchemaProblems(*mainPart, dir.path()), "");
  return Count(*mainPart);
}

TEST(VQDocxTablesEndToEnd, PlainGridBecomesOneTableWithEveryTextInItsCell) {
  std::string mainPart;
  const Counts c = ConvertValid(
      RuledGrid({72, 222, 372, 522}, {700, 670, 640, 610}) + "BT /F1 12 Tf 72 500 Td (Body below) Tj ET ", &mainPart);
  EXPECT_EQ(c.tables, 1u);
  for (int r = 0; r < 3; ++r)
    for (int k = 0; k < 3; ++k) EXPECT_EQ(c.cellTexts.count(fmt::format("R{}C{}", r, k)), 1u) << r << k;
  for (const auto& [text, n] : c.cellTexts) EXPECT_EQ(n, 1) << text;
  for (const auto& [text, n] : c.bodyTexts) EXPECT_EQ(text.rfind("R", 0), std::string::npos) << text;
  EXPECT_EQ(mainPart.find("<w:pict"), std::string::npos) << "the rules are the table's borders now";
}

TEST(VQDocxTablesEndToEnd, RulesThatStopMergeCells) {
  // The header row has no inner rules: one cell across three columns. The
  // first column's two lower cells have no rule between them.
  std::string c = "0 0 0 RG 1 w 72 700 m 522 700 l S 72 670 m 522 670 l S 222 640 m 522 640 l S 72 610 m 522 610 l S ";
  c += "72 700 m 72 610 l S 522 700 m 522 610 l S 222 670 m 222 610 l S 372 670 m 372 610 l S ";
  c += "BT /F1 9 Tf 250 684 Td (Header) Tj ET BT /F1 9 Tf 76 640 Td (Tall) Tj ET ";
  c += "BT /F1 9 Tf 226 654 Td (B1) Tj ET BT /F1 9 Tf 376 654 Td (C1) Tj ET ";
  c += "BT /F1 9 Tf 226 624 Td (B2) Tj ET BT /F1 9 Tf 376 624 Td (C2) Tj ET ";
  std::string mainPart;
  const Counts counts = ConvertValid(c, &mainPart);
  EXPECT_EQ(counts.tables, 1u);
  EXPECT_GE(counts.gridSpans, 1u);
  EXPECT_EQ(counts.vMergeRestarts, 1u);
  EXPECT_NE(mainPart.find("<w:vMerge/>"), std::string::npos);
  ExpectOnlyInCells(counts, {"Header", "Tall", "B1", "C1", "B2", "C2"});
}

TEST(VQDocxTablesEndToEnd, NestedGridStandsInsideItsCellAndLosesNoText) {
  // An outer 2 x 2 table whose first cell holds a small 2 x 2 grid.
  std::string c = RuledGrid({72, 300, 540}, {700, 560, 420}, false);
  c += RuledGrid({90, 180, 270}, {680, 640, 600}, false);
  c += "BT /F1 9 Tf 95 660 Td (in1) Tj ET BT /F1 9 Tf 185 660 Td (in2) Tj ET ";
  c += "BT /F1 9 Tf 95 620 Td (in3) Tj ET BT /F1 9 Tf 185 620 Td (in4) Tj ET ";
  c += "BT /F1 9 Tf 310 650 Td (outB) Tj ET BT /F1 9 Tf 80 480 Td (outC) Tj ET ";
  std::string mainPart;
  const Counts counts = ConvertValid(c, &mainPart);
  EXPECT_EQ(counts.tables, 2u);
  pugi::xml_document doc;
  ASSERT_TRUE(doc.load_string(mainPart.c_str()));
  EXPECT_EQ(doc.select_nodes("//w:tc//w:tbl").size(), 1u);
  ExpectOnlyInCells(counts, {"in1", "in2", "in3", "in4", "outB", "outC"});
}

TEST(VQDocxTablesEndToEnd, PageFrameBecomesThePageBorderAndIsNotDrawnToo) {
  // A frame 36 points inside a 612 x 792 page (about 77 % of it), and a
  // table inside it.
  std::string c = "0 0 0 RG 1 w 36 36 540 720 re S ";
  c += RuledGrid({100, 250, 400}, {600, 570, 540});
  std::string mainPart;
  const Counts counts = ConvertValid(c, &mainPart);
  EXPECT_TRUE(counts.pageBorder);
  EXPECT_EQ(counts.tables, 1u);
  EXPECT_EQ(mainPart.find("<w:pict"), std::string::npos) << "the frame is drawn by the page border only";
  pugi::xml_document doc;
  ASSERT_TRUE(doc.load_string(mainPart.c_str()));
  const auto top = doc.select_node("//w:pgBorders/w:top").node();
  EXPECT_STREQ(doc.select_node("//w:pgBorders").node().attribute("w:offsetFrom").value(), "page");
  EXPECT_STREQ(top.attribute("w:space").value(), "31") << "36 points from the edge, within Word's limit";
}

TEST(VQDocxTablesEndToEnd, BarChartIsNoTable) {
  // Axes, light grid lines and filled bars standing on the base line.
  std::string c = "0 0 0 RG 1 w 100 400 m 100 700 l S 100 400 m 500 400 l S ";
  for (int y : {475, 550, 625, 700}) c += fmt::format("0.5 w 100 {} m 500 {} l S ", y, y);
  int x = 130;
  for (int h : {120, 220, 80, 260}) {
    c += fmt::format("0 0 1 rg {} 400 50 {} re f ", x, h);
    x += 90;
  }
  c += "0 g BT /F1 9 Tf 130 385 Td (Q1) Tj ET ";
  std::string mainPart;
  EXPECT_EQ(ConvertValid(c, &mainPart).tables, 0u);
}

}  // namespace

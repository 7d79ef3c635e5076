// The line-level work of the table detection: crossing points of rules,
// rules cut and merged, border codes of parallel strokes, candidate areas
// validated into grids, and the WordprocessingML of rows, cells and merged
// groups.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "docx/capture/PlacedTextRun.h"
#include "docx/layout/PlacedPathRun.h"
#include "docx/tables/KDScanLine.h"
#include "docx/tables/VQDocxRuledTableParser.h"
#include "docx/tables/VQDocxTableArea.h"
#include "office/OfficeTestSupport.h"

namespace {

using vq::KDLine;
using vq::KDPoint;
using vq::VQDocxTableLine;

KDLine Segment(float x1, float y1, float x2, float y2) {
  KDLine l;
  l.startFlag = l.endFlag = 1;
  l.startX = x1;
  l.startY = y1;
  l.endX = x2;
  l.endY = y2;
  return l;
}

std::vector<KDPoint> Crossings(const std::vector<KDLine>& lines) {
  vq::KDScanLine scan(lines, 15);
  scan.FindIntersection();
  return scan.GetAllPoint();
}

const KDPoint* PointAt(const std::vector<KDPoint>& points, float x, float y) {
  for (const auto& p : points)
    if (std::fabs(p.x - x) < 0.5f && std::fabs(p.y - y) < 0.5f) return &p;
  return nullptr;
}

TEST(KDScanLine, MissingInnerCrossingOfAGridIsAddedByTheGrid) {
  // Rules at 0, 100, 200 and 300 both ways; the vertical rule at x 100 is
  // broken round y 100, so that crossing is not drawn.
  std::vector<KDLine> lines;
  for (float v : {0.f, 100.f, 200.f, 300.f}) lines.push_back(Segment(0, v, 300, v));
  for (float v : {0.f, 200.f, 300.f}) lines.push_back(Segment(v, 0, v, 300));
  lines.push_back(Segment(100, 0, 100, 60));
  lines.push_back(Segment(100, 140, 100, 300));
  const auto points = Crossings(lines);
  const KDPoint* added = PointAt(points, 100, 100);
  ASSERT_NE(added, nullptr);
  EXPECT_EQ(added->type & 4, 4) << "a corner the grid completion added";
  const KDPoint* drawn = PointAt(points, 200, 100);
  ASSERT_NE(drawn, nullptr);
  EXPECT_EQ(drawn->type & 3, 3) << "a crossing";
}

TEST(KDScanLine, RulesMeetAsDrawn) {
  struct Case {
    const char* name;
    std::vector<KDLine> lines;
    float x, y;  // the one crossing expected
  };
  const std::vector<Case> cases = {
      // y2 = 100.0001 would be a steep slope; the rule lies on its axis.
      {"jitter", {Segment(0, 100, 200, 100.0001f), Segment(100, 0, 100, 200)}, 100, 100.00005f},
      {"stop 10 short", {Segment(0, 100, 90, 100), Segment(100, 110, 100, 200)}, 100, 100},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto points = Crossings(c.lines);
    ASSERT_FALSE(points.empty());
    for (const auto& p : points) {
      EXPECT_TRUE(std::isfinite(p.x) && std::isfinite(p.y));
      EXPECT_TRUE(p.x >= -1 && p.x <= 201 && p.y >= -1 && p.y <= 201) << p.x << "," << p.y;
    }
    const KDPoint* crossing = PointAt(points, c.x, c.y);
    ASSERT_NE(crossing, nullptr);
    EXPECT_EQ(crossing->type & 2, 2);
  }
  EXPECT_TRUE(Crossings({}).empty());
}

TEST(KDScanLine, DenseGridGivesEveryCrossingOnce) {
  // 150 x 150 rules 10 apart: every crossing is listed once, and the
  // search stays within reach of a page of many rules.
  std::vector<KDLine> lines;
  for (int k = 0; k < 150; ++k) {
    lines.push_back(Segment(0, 10.f * k, 1490, 10.f * k));
    lines.push_back(Segment(10.f * k, 0, 10.f * k, 1490));
  }
  const auto points = Crossings(lines);
  // Crossings 10 apart merge with none (4 points for crossings alike).
  EXPECT_EQ(points.size(), 150u * 150u);
}

TEST(KDScanLine, PointsMergeByKind) {
  struct Case {
    KDPoint a, b;
    bool equal;
  };
  const Case cases[] = {
      {{3, 0, 0}, {1, 12, 0}, true},   // a crossing absorbs an end 12 away
      {{1, 0, 0}, {1, 5, 0}, false},   // two ends 5 apart stay two
      {{1, 0, 0}, {1, 3, 0}, true},    // 3 apart they are one
      {{4, 0, 0}, {3, 12, 0}, false},  // grid corners match within 4 only
  };
  for (const auto& c : cases) EXPECT_EQ(vq::KDScanLine::isPointMaxEqual(c.a, c.b), c.equal) << c.b.x;
}

std::shared_ptr<VQDocxTableLine> Line(double x1, double y1, double x2, double y2, double weight = 1) {
  auto line = std::make_shared<VQDocxTableLine>();
  line->startPoint = vq::PointMake(x1, y1);
  line->endPoint = vq::PointMake(x2, y2);
  const vq::Rect box = vq::RectMake(std::min(x1, x2), std::min(y1, y2), std::fabs(x2 - x1), std::fabs(y2 - y1));
  line->initRunPath = vqtest::PlacedPathRun(box, {false, true, vq::ColorMakeRGB(0, 0, 0), weight});
  line->add2AllRunPathArray({line->initRunPath});
  line->updateLineInfo();
  return line;
}

TEST(VQDocxTableLine, OrientationAndMerging) {
  EXPECT_TRUE(Line(0, 0, 2, 50)->isHorizontalLine) << "|dx| of 2 counts as horizontal";
  EXPECT_FALSE(Line(0, 0, 1.99, 50)->isHorizontalLine);
  // Fragments 2 apart across and 200 apart along one rule are one rule;
  // a fragment of 8 is too short to join.
  const auto merged =
      VQDocxTableLine::MergeParallelLinesIfNeed({Line(0, 100, 100, 100), Line(300, 102, 400, 102)}, true, 12);
  ASSERT_EQ(merged.size(), 1u);
  EXPECT_DOUBLE_EQ(merged[0]->lineLength, 400);
  EXPECT_EQ(
      VQDocxTableLine::MergeParallelLinesIfNeed({Line(0, 100, 100, 100), Line(300, 102, 308, 102)}, true, 12).size(),
      2u);
}

TEST(VQDocxRunPathBorders, ParallelStrokesGiveDoubleAndThickThinStyles) {
  struct Case {
    double weightA, weightB, gap;
    int32_t style;
    double gapOut;  // -1: untouched
  };
  const Case cases[] = {
      {0.5, 0.5, 1.5, 15, -1}, {0.5, 0.5, 0.1, 2, -1}, {2, 0.5, 3, 17, 3}, {2, 0.5, 1, 18, -1}, {2, 0.5, 0.5, 19, -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.gap);
    // Centre distance = gap + half of both weights.
    const double yB = 100 + c.gap + (c.weightA + c.weightB) / 2;
    auto a = vqtest::PlacedPathRun(vq::RectMake(0, 100, 200, 0), {false, true, vq::ColorMakeRGB(0, 0, 0), c.weightA});
    auto b = vqtest::PlacedPathRun(vq::RectMake(0, yB, 200, 0), {false, true, vq::ColorMakeRGB(0, 0, 0), c.weightB});
    b->setPdfScanIndex(1);
    double gap = -1;
    EXPECT_EQ(vq::VQDocxRunPath::BorderStyleFor2RunPaths({a, b}, vq::PointMake(0, 100), vq::PointMake(200, 100),
                                                         {255, 255, 255, 255}, &gap, 0),
              c.style);
    if (c.gapOut >= 0) {
      EXPECT_NEAR(gap, c.gapOut, 1e-3);
    }
  }
  double gap = 0;
  EXPECT_EQ(vq::VQDocxRunPath::BorderStyleFor2TableLineDistance(0.1, 1, &gap), 2);
  EXPECT_EQ(vq::VQDocxRunPath::BorderStyleFor2TableLineDistance(2, 1, &gap), 17);
  EXPECT_DOUBLE_EQ(gap, 2);
  EXPECT_EQ(vq::VQDocxRunPath::BorderStyleForRunPaths({}, {}, {}, {}, &gap), 1);
}

// The rules of a grid with `columns` columns of 20 and `rows` rows of 20.
VQDocxTableLine::Array Grid(int columns, int rows) {
  VQDocxTableLine::Array lines;
  for (int r = 0; r <= rows; ++r) lines.push_back(Line(10, 10 + 20 * r, 10 + 20 * columns, 10 + 20 * r));
  for (int c = 0; c <= columns; ++c) lines.push_back(Line(10 + 20 * c, 10, 10 + 20 * c, 10 + 20 * rows));
  return lines;
}

TEST(VQDocxTableArea, ValidGridsOnly) {
  struct Case {
    const char* name;
    VQDocxTableLine::Array lines;
    bool valid;
  };
  VQDocxTableLine::Array box = Grid(1, 1);
  box.push_back(Line(10, 10, 30, 10));  // a fifth rule over the top one
  const Case cases[] = {
      {"3 x 2", Grid(3, 2), true},
      {"single box (4 points)", box, false},
      {"63 columns", Grid(63, 1), true},
      {"64 columns", Grid(64, 1), false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    vq::VQDocxTableArea area(c.lines);
    EXPECT_EQ(area.isValidTableArea(), c.valid);
  }
}

// A table built from a grid, with its properties made.
std::shared_ptr<vq::VQDocxRuledTable> TableOf(const VQDocxTableLine::Array& lines) {
  vq::VQDocxTableArea area(lines);
  if (!area.isValidTableArea()) return nullptr;
  auto table = area.createTableWithPage(nullptr);
  if (table) table->convertToXMLProperty();
  return table;
}

TEST(VQDocxRuledTable, RowsCellsAndMergedGroupsAreWritten) {
  const auto table = TableOf(Grid(2, 2));
  ASSERT_NE(table, nullptr);
  ASSERT_EQ(table->tableRowArray.size(), 2u);
  EXPECT_EQ(table->tblGridProperty.gridCount, 2);
  EXPECT_FLOAT_EQ(table->tblGridProperty.gridCol[0], 20);
  const std::string cell = vqtest::writeXML([&](vq::XMLFileWriter& w) {
    vq::VQDocxUtilities::WriteTcProperty(table->tableRowArray[0]->tableCellArray[0]->tcProperty, {0, 1}, {0, 1},
                                         table->tblProperty, w);
  });
  EXPECT_EQ(cell.rfind("<w:tcPr><w:tcW w:w=\"400\" w:type=\"dxa\"/>", 0), 0u) << cell;
  const std::string row =
      vqtest::writeXML([&](vq::XMLFileWriter& w) { table->tableRowArray[1]->writeWithXMLWriter(w); });
  EXPECT_EQ(row.rfind("<w:tr><w:trPr><w:trHeight w:val=\"400\" w:hRule=\"exact\"/></w:trPr><w:tc>", 0), 0u) << row;

  // Without the inner borders the four cells are one group: the first cell
  // spans both columns and starts the vertical merge, the second row's
  // first cell continues it, the others write nothing.
  auto merged = TableOf(Grid(2, 2));
  ASSERT_NE(merged, nullptr);
  for (const auto& r : merged->tableRowArray)
    for (const auto& c : r->tableCellArray) {
      c->tcProperty.tcBorders.right.val = c->columnRange.location == 0 ? 1 : c->tcProperty.tcBorders.right.val;
      c->tcProperty.tcBorders.left.val = c->columnRange.location == 1 ? 1 : c->tcProperty.tcBorders.left.val;
      c->tcProperty.tcBorders.bottom.val = c->rowRange.location == 0 ? 1 : c->tcProperty.tcBorders.bottom.val;
      c->tcProperty.tcBorders.top.val = c->rowRange.location == 1 ? 1 : c->tcProperty.tcBorders.top.val;
    }
  merged->createMergeCellsGroup();
  ASSERT_EQ(merged->cellGroupArray.size(), 1u);
  const auto& group = merged->cellGroupArray.front();
  EXPECT_EQ(group->tcProperty.gridSpan, 2);
  EXPECT_EQ(group->tcProperty.vMerge, 2);
  const std::string first =
      vqtest::writeXML([&](vq::XMLFileWriter& w) { merged->tableRowArray[1]->writeWithXMLWriter(w); });
  EXPECT_NE(first.find("<w:gridSpan w:val=\"2\"/><w:vMerge/>"), std::string::npos) << first;
  EXPECT_NE(
      first.find("<w:p><w:pPr><w:rPr><w:sz w:val=\"5\"/><w:szCs w:val=\"5\"/></w:rPr></w:pPr></w:p></w:tc></w:tr>"),
      std::string::npos)
      << first;
  EXPECT_EQ(first.find("<w:tc>", first.find("<w:tc>") + 1), std::string::npos) << "one cell for the merged row";
}

TEST(VQDocxTableArea, EveryTextGoesToOneCellAndANestedAreaThatIsNoTableGivesItsTextsBack) {
  // A 3 x 1 grid (cells 10-30, 30-50, 50-70 across, 10-30 down).
  vq::VQDocxTableArea area(Grid(3, 1));
  // Straddling all three cells, more in the middle one: no cell holds half
  // of it, and it must still be written once.
  area.addRunText(vqtest::PlacedTextRun({.text = "wide", .x = 25, .width = 30, .top = 15, .height = 8}));
  area.addRunText(vqtest::PlacedTextRun({.text = "left", .x = 12, .width = 10, .top = 15, .height = 8}));
  // A nested candidate of two rules only: no grid.
  auto nested =
      std::make_shared<vq::VQDocxTableArea>(VQDocxTableLine::Array{Line(52, 12, 68, 12), Line(52, 28, 68, 28)});
  nested->addRunText(vqtest::PlacedTextRun({.text = "inner", .x = 55, .width = 10, .top = 15, .height = 8}));
  area.allSubAreaArray.push_back(nested);
  ASSERT_TRUE(area.isValidTableArea());
  const auto table = area.createTableWithPage(nullptr);
  ASSERT_NE(table, nullptr);
  EXPECT_TRUE(table->subTables.empty());
  EXPECT_TRUE(nested->tableLines.front()->isInvalid) << "its rules go back to the page";
  std::vector<std::string> texts;
  for (const auto& cell : table->tableRowArray.front()->tableCellArray) texts.push_back(cell->cellText());
  EXPECT_EQ(texts, (std::vector<std::string>{"left", "wide", "inner"}));
  EXPECT_EQ(table->allRunTextArray().size(), 3u) << "the page takes all three off as table text";
}

}  // namespace

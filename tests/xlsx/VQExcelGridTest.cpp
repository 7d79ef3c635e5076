// Grid numbering of small run lists, line joining, merged ranges and column names.
#include <gtest/gtest.h>

#include <map>

#include "XlsxTestSupport.h"
#include "support/TestSupport.h"
#include "xlsx/VQExcelDocument.h"
#include "xlsx/VQExcelPage.h"
#include "xlsx/VQExcelSortUtilities.h"

namespace {

using vq::VQExcelRunPtr;
using xtest::MakeRun;

struct Placed {
  std::string text;
  uint64_t row, col, rowLength, colLength;
};

struct GridCase {
  const char* name;
  std::vector<VQExcelRunPtr> runs;
  std::vector<Placed> expected;
};

VQExcelRunPtr RunWithBase(const std::string& text, double x, double top, double width, double base, double bottom) {
  auto r = MakeRun(text, x, top, width, bottom - top);
  r->ctmInfo.yBase = base;
  return r;
}

TEST(VQExcelGrid, NumbersRowsColumnsAndSpans) {
  const std::vector<GridCase> cases = {
      {"side by side, then below",
       {MakeRun("A", 10, 10, 30), MakeRun("B", 100, 10, 30), MakeRun("C", 10, 30, 30)},
       {{"A", 1, 1, 0, 0}, {"B", 1, 2, 0, 0}, {"C", 2, 1, 0, 0}}},
      {"a wide title spans the columns below it",
       {MakeRun("Title", 10, 10, 200), MakeRun("a", 10, 30, 30), MakeRun("b", 150, 30, 30)},
       {{"Title", 1, 1, 0, 1}, {"a", 2, 1, 0, 0}, {"b", 2, 2, 0, 0}}},
      {"two lines of one cell are joined into one row",
       {RunWithBase("Total", 10, 10, 40, 19, 20), RunWithBase("amount", 10, 18.5, 40, 27.5, 28.5),
        MakeRun("X", 100, 10, 20)},
       {{"Total amount", 1, 1, 0, 0}, {"X", 1, 2, 0, 0}}},
      {"pieces of one line are joined, a far piece is not",
       {MakeRun("12", 10, 10, 10), MakeRun("34", 21, 10, 10), MakeRun("far", 200, 10, 20)},
       {{"1234", 1, 1, 0, 0}, {"far", 1, 2, 0, 0}}},
      {"words a word gap apart share a cell, with their blank",
       {MakeRun("Animal", 10, 10, 30), MakeRun("Description", 43, 10, 55), MakeRun("Size", 200, 10, 20)},
       {{"Animal Description", 1, 1, 0, 0}, {"Size", 1, 2, 0, 0}}},
      {"the raised and lowered letters of a logo make one word",
       {MakeRun("L", 10, 10, 6), MakeRun("A", 13, 9, 5, 7, 7), MakeRun("T", 17, 10, 6), MakeRun("E", 22, 12, 6),
        MakeRun("X", 27, 10, 6)},
       {{"LATEX", 1, 1, 0, 0}}},
      {"a raised letter tucked further back under the letter before",
       {MakeRun("L", 10, 10, 6.2), MakeRun("A", 12.6, 9, 5.9, 7, 7), MakeRun("TEX", 17, 10, 18)},
       {{"LATEX", 1, 1, 0, 0}}},
      {"the letter after a lowered one is set back under it",
       {MakeRun("Digestion of T", 10, 10, 70), MakeRun("E", 78, 12, 8), MakeRun("X", 82, 10, 8)},
       {{"Digestion of TEX", 1, 1, 0, 0}}},
      {"a lowered letter in the colour of the word it belongs to",
       {MakeRun("Syntax:", 10, 10, 35), MakeRun("{T", 47.5, 10, 10, 10, 10, "0000ff"),
        MakeRun("E", 57, 12, 6, 10, 10, "0000ff"), MakeRun("X string}", 62, 10, 40, 10, 10, "0000ff")},
       {{"Syntax: {TEX string}", 1, 1, 0, 0}}},
      {"a footnote mark goes with its word",
       {MakeRun("Schrod", 10, 10, 30), MakeRun("*", 40, 8, 4, 6, 6)},
       {{"Schrod*", 1, 1, 0, 0}}},
      {"a footnote's mark goes with the text it starts, a blank between",
       {MakeRun("1", 10, 8, 3, 6, 6), MakeRun("Well, not quite", 14, 10, 60)},
       {{"1 Well, not quite", 1, 1, 0, 0}}},
      {"a touching footnote mark too",
       {MakeRun("*", 10, 8, 3, 6, 6), MakeRun("This file", 13.3, 10, 40)},
       {{"* This file", 1, 1, 0, 0}}},
      {"text far after a raised mark is not taken into the mark",
       {MakeRun("1", 10, 8, 3, 6, 6), MakeRun("Well, not quite", 40, 10, 60)},
       {{"1", 1, 1, 0, 0}, {"Well, not quite", 1, 2, 0, 0}}},
      // Gaps of 12 points are wider than words are set apart at this size:
      // the lines around tell a paragraph's stretched line from a table.
      {"a loosely set line of a paragraph stays in one cell",
       {MakeRun("loosely", 10, 10, 40), MakeRun("set", 62, 10, 20), MakeRun("and the line below", 10, 22, 100)},
       {{"loosely set", 1, 1, 0, 0}, {"and the line below", 2, 1, 0, 0}}},
      {"a table's columns as far apart stay apart",
       {MakeRun("a", 10, 10, 20), MakeRun("b", 42, 10, 20), MakeRun("c", 10, 22, 20), MakeRun("d", 42, 22, 20)},
       {{"a", 1, 1, 0, 0}, {"b", 1, 2, 0, 0}, {"c", 2, 1, 0, 0}, {"d", 2, 2, 0, 0}}},
      // A heading runs across the gutter of the two columns below it: the
      // lines further down, whose neighbours leave the gutter open, stay in
      // their columns (a line joined across it is no paragraph line that
      // runs across it for the next).
      {"a column gap crossed once stays a column gap further down",
       {MakeRun("Heading across both columns", 10, 10, 190), MakeRun("left a", 10, 22, 90),
        MakeRun("right a", 118, 22, 82), MakeRun("left b", 10, 34, 90), MakeRun("right b", 118, 34, 82),
        MakeRun("left c", 10, 46, 90), MakeRun("right c", 118, 46, 82)},
       {{"Heading across both columns", 1, 1, 0, 1},
        {"left a right a", 2, 1, 0, 1},
        {"left b", 3, 1, 0, 0},
        {"right b", 3, 2, 0, 0},
        {"left c", 4, 1, 0, 0},
        {"right c", 4, 2, 0, 0}}},
      {"a line alone keeps its wide gap",
       {MakeRun("alone", 10, 10, 30), MakeRun("here", 52, 10, 20), MakeRun("far below", 10, 80, 100)},
       {{"alone", 1, 1, 0, 0}, {"here", 1, 2, 0, 0}, {"far below", 2, 1, 0, 1}}},
      {"a word of another size keeps its place in the line",
       {MakeRun("have an", 10, 10, 40), MakeRun("level", 52.5, 10, 20, 10, 12), MakeRun("number", 75, 10, 35),
        MakeRun("and the line below it", 10, 22, 106)},
       {{"have an", 1, 1, 0, 0}, {"level", 1, 2, 0, 0}, {"number", 1, 3, 0, 0}, {"and the line below it", 2, 1, 0, 2}}},
      {"a word of another colour is a word of its line",
       {MakeRun("have an", 10, 10, 40), MakeRun("level", 52.5, 10, 20, 10, 10, "0000ff"), MakeRun("number", 75, 10, 35),
        MakeRun("and the line below it", 10, 22, 106)},
       {{"have an level number", 1, 1, 0, 0}, {"and the line below it", 2, 1, 0, 0}}},
      // Lines set so tight that their boxes overlap are still one below the
      // other, in the page's order, and lines starting at one x are one column.
      {"the lines of an address keep their order and their column",
       {RunWithBase("1236 University Drive", 10, 10, 100, 20, 22),
        RunWithBase("Red Deer, Alberta", 10, 19, 80, 29, 31)},
       {{"1236 University Drive", 1, 1, 0, 0}, {"Red Deer, Alberta", 2, 1, 0, 0}}},
      {"labels starting at one x share a column",
       {RunWithBase("Net revenues", 10, 10, 60, 20, 22), RunWithBase("1,234", 150, 10, 25, 20, 22),
        RunWithBase("Costs", 11, 19, 25, 29, 31), RunWithBase("567", 150, 19, 15, 29, 31)},
       {{"Net revenues", 1, 1, 0, 0}, {"1,234", 1, 2, 0, 0}, {"Costs", 2, 1, 0, 0}, {"567", 2, 2, 0, 0}}},
      {"lines starting apart stay in columns of their own",
       {RunWithBase("Net revenues", 10, 10, 60, 20, 22), RunWithBase("Costs", 30, 19, 25, 29, 31)},
       {{"Net revenues", 1, 1, 1, 0}, {"Costs", 2, 2, 0, 0}}},
      {"an empty page", {}, {}},
  };
  vqtest::ScratchDir dir;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    vq::VQExcelDocument doc((dir / "grid.xlsx").string(), 1, vq::VQExcelOptions{}, true);
    vq::VQExcelPage page(1, doc.savedWorkFolder(), doc.manager(), doc.excelStyle(), doc.sharedStrings());
    page.allRunTextArray = c.runs;
    page.typesetRunTexts();
    ASSERT_EQ(page.allRunTextArray.size(), c.expected.size());
    std::map<std::string, Placed> got;
    for (const auto& r : page.allRunTextArray)
      got[r->text] = {r->text, r->rowIndex, r->columnIndex, r->rowLength, r->columnLength};
    for (const auto& e : c.expected) {
      SCOPED_TRACE(e.text);
      ASSERT_TRUE(got.count(e.text));
      const auto& g = got[e.text];
      EXPECT_EQ(g.row, e.row);
      EXPECT_EQ(g.col, e.col);
      EXPECT_EQ(g.rowLength, e.rowLength);
      EXPECT_EQ(g.colLength, e.colLength);
    }
  }
}

// Glyphs as the page hands them over, one by one.
TEST(VQExcelGrid, CapturedGlyphsJoinOrDropAsTheyAreDrawn) {
  auto turned = [](const std::string& text, double x, double top, float rotation) {
    auto r = MakeRun(text, x, top, 10, 10);  // a glyph's box: 10 across, 10 along
    r->ctmInfo.rotation = rotation;
    r->ctmInfo.yBase = r->ctmInfo.yBottom;
    return r;
  };
  struct Case {
    const char* name;
    std::vector<VQExcelRunPtr> glyphs;
    std::vector<std::string> runs;
  } cases[] = {
      {"text drawn twice over itself is there once",
       {MakeRun("a", 10, 10, 5), MakeRun("b", 15, 10, 5), MakeRun("a", 10.2, 10, 5), MakeRun("b", 15.2, 10, 5)},
       {"ab"}},
      {"the same letter elsewhere stays", {MakeRun("a", 10, 10, 5), MakeRun("a", 100, 10, 5)}, {"a", "a"}},
      {"text running up the page joins in reading order",
       {turned("座", 20, 100, 270), turned("位", 20, 90, 270), turned("号", 20, 80, 270)},
       {"座位号"}},
      {"text running down the page joins", {turned("a", 20, 10, 90), turned("b", 20, 20, 90)}, {"ab"}},
      {"turned glyphs of two columns stay apart", {turned("a", 20, 10, 90), turned("b", 60, 20, 90)}, {"a", "b"}},
  };
  vqtest::ScratchDir dir;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    vq::VQExcelDocument doc((dir / "glyphs.xlsx").string(), 1, vq::VQExcelOptions{}, true);
    vq::VQExcelPage page(1, doc.savedWorkFolder(), doc.manager(), doc.excelStyle(), doc.sharedStrings());
    for (const auto& g : c.glyphs) page.addToAllRunTextArray(g);
    std::vector<std::string> got;
    for (const auto& r : page.allRunTextArray) got.push_back(r->text);
    EXPECT_EQ(got, c.runs);
  }
}

TEST(VQExcelGrid, LinePiecesJoinByOverlapChoice) {
  struct Case {
    int option;
    double gap;  // from the first piece's right edge to the second's left edge
    bool joined;
  };
  // Gaps of 2.5 to 9 points are word gaps at this size: they join whatever the choice.
  const Case cases[] = {{0, 2, false},  {0, 1.9, true}, {0, -2.5, true}, {0, -3, false},
                        {1, -10, true}, {1, 2.9, true}, {1, 10, false},  {2, -2.5, false},
                        {2, 1.9, true}, {0, 4, true},   {2, 8, true},    {0, 12, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "option " << c.option << " gap " << c.gap);
    vq::VQExcelRuns runs = {MakeRun("a", 10, 10, 20), MakeRun("b", 30 + c.gap, 10, 20)};
    EXPECT_EQ(vq::VQExcelSortUtilities::FindRunTextsMergedInWidth(runs, c.option).size(), c.joined ? 2u : 1u);
  }
  // Base lines 0.8 points apart still count as one line; a word in another
  // colour joins, type of another size does not.
  vq::VQExcelRuns lifted = {MakeRun("a", 10, 10, 20), MakeRun("b", 31, 10.8, 20)};
  EXPECT_EQ(vq::VQExcelSortUtilities::FindRunTextsMergedInWidth(lifted, 0).size(), 2u);
  vq::VQExcelRuns red = {MakeRun("a", 10, 10, 20), MakeRun("b", 31, 10, 20, 10, 10, "ff0000")};
  EXPECT_EQ(vq::VQExcelSortUtilities::FindRunTextsMergedInWidth(red, 0).size(), 2u);
  vq::VQExcelRuns larger = {MakeRun("a", 10, 10, 20), MakeRun("b", 31, 10, 20, 10, 14)};
  EXPECT_EQ(vq::VQExcelSortUtilities::FindRunTextsMergedInWidth(larger, 0).size(), 1u);
}

// A justified line of a narrow column stretches all its blanks alike, past
// what a word gap may be: a blank as wide as the one the line's last word
// was taken at is one too, unless no line around runs across it (a column
// gap runs down the page). The line below may leave a blank open by chance.
// After a label set apart by a blank of its own (a list item's number), the
// first stretched blank is as wide as the next, where a line of the item's
// type two away runs across both; gaps of one width under a heading in
// other type are columns.
TEST(VQExcelGrid, JustifiedBlanksAgainstColumnGaps) {
  using vq::VQExcelRuns;
  struct Case {
    const char* name;
    VQExcelRuns line;
    VQExcelRuns below;
    VQExcelRuns twoBelow;
    size_t joined;
  };
  auto line = [](double third) {
    return VQExcelRuns{MakeRun("The", 10, 10, 30), MakeRun("release", 52, 10, 28), MakeRun("contains", third, 10, 28)};
  };
  // This line below crosses the first blank and leaves the second open.
  const VQExcelRuns below = {MakeRun("major changes:", 10, 22, 60), MakeRun("will", 88, 22, 32)};
  const Case cases[] = {
      {"a line two below runs across", line(92), below, {MakeRun("now support up to", 10, 34, 110)}, 3},
      {"the gap lines up down the column",
       line(92),
       below,
       {MakeRun("a", 10, 34, 30), MakeRun("b", 52, 34, 28), MakeRun("c", 92, 34, 28)},
       2},
      {"a gap wider than the line's blank", line(95), below, {MakeRun("now support up to", 10, 34, 110)}, 2},
      {"a list item's justified line",
       {MakeRun("= 1.", 10, 10, 20), MakeRun("TEX", 33, 10, 18), MakeRun("will", 61, 10, 16),
        MakeRun("now", 87, 10, 16)},
       {},
       {MakeRun("nal and in the transcript file:", 10, 30, 100)},
       4},
      {"columns over a heading",
       {MakeRun("typeset right-", 10, 10, 90), MakeRun("before.", 118, 10, 30), MakeRun("The next", 166, 10, 74)},
       {},
       {MakeRun("Preface to version 1.7", 10, 28, 240, 14, 14)},
       1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    vq::VQExcelNeighbourLines around;
    around.below[0] = &c.below;
    around.below[1] = &c.twoBelow;
    EXPECT_EQ(vq::VQExcelSortUtilities::FindRunTextsMergedInWidth(c.line, 0, around).size(), c.joined);
  }
}

TEST(VQExcelGrid, JoinedLinesSeparators) {
  struct Case {
    const char* first;
    const char* second;
    const char* color;
    const char* expected;
  };
  const Case cases[] = {{"Total", "amount", "000000", "Total amount"},
                        {"\xE4\xB8\xAD\xE6\x96\x87", "\xE6\x96\x87", "000000", "\xE4\xB8\xAD\xE6\x96\x87\xE6\x96\x87"},
                        {"Total", "amount", "ff0000", "Total\namount"}};
  for (const auto& c : cases) {
    vq::VQExcelRuns runs = {MakeRun(c.first, 10, 10, 40), MakeRun(c.second, 10, 21, 40, 10, 10, c.color)};
    EXPECT_EQ(vq::VQExcelSortUtilities::MergeRunTextsInHeight(runs)->text, c.expected);
  }
}

TEST(VQExcelGrid, JoinedPiecesKeepTheirBlanks) {
  struct Case {
    const char* name;
    std::vector<VQExcelRunPtr> runs;
    const char* expected;
  };
  const std::vector<Case> cases = {
      {"touching pieces", {MakeRun("Anim", 10, 10, 20), MakeRun("al", 30.5, 10, 10)}, "Animal"},
      {"a word gap", {MakeRun("in", 10, 10, 10), MakeRun("this", 23, 10, 20)}, "in this"},
      {"a blank of its own", {MakeRun("in ", 10, 10, 13), MakeRun("this", 23, 10, 20)}, "in this"},
      {"ideographs",
       {MakeRun("\xE4\xB8\xAD", 10, 10, 10), MakeRun("\xE6\x96\x87", 23, 10, 10)},
       "\xE4\xB8\xAD\xE6\x96\x87"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(vq::VQExcelSortUtilities::MergeRunTextsInWidth(c.runs)->text, c.expected);
  }
  // A typewriter word in running text is set apart by the text's narrower blank.
  auto code = MakeRun("\\textwidth", 10, 10, 52), word = MakeRun("and", 64.2, 10, 15);
  code->gapFont.blankEm = 0.525;
  word->gapFont.blankEm = 0.333;
  EXPECT_EQ(vq::VQExcelSortUtilities::MergeRunTextsInWidth({code, word})->text, "\\textwidth and");
  // Runs that end up in one cell are written with a blank between them.
  vq::VQExcelStringItem item;
  item.runArray = {MakeRun("Animal", 10, 10, 30), MakeRun("Description", 100, 10, 50)};
  EXPECT_EQ(item.content(), "Animal Description");
}

TEST(VQExcelGrid, ColumnCorrectionNeverMovesIntoATakenCell) {
  vqtest::ScratchDir dir;
  vq::VQExcelDocument doc((dir / "grid.xlsx").string(), 1, vq::VQExcelOptions{}, true);
  vq::VQExcelPage page(1, doc.savedWorkFolder(), doc.manager(), doc.excelStyle(), doc.sharedStrings());
  // Column 1 holds a and the late-starting x; x's centre lies past column 2's
  // start, but row 1 of column 2 is b's.
  auto a = MakeRun("a", 10, 30, 20), x = MakeRun("x", 40, 10, 40), b = MakeRun("b", 50, 10.5, 20);
  a->rowIndex = 2, a->columnIndex = 1;
  x->rowIndex = 1, x->columnIndex = 1;
  b->rowIndex = 1, b->columnIndex = 2;
  page.allRunTextArray = {a, x, b};
  page.correctColumnNumber(0);
  EXPECT_EQ(x->columnIndex, 1u);
  EXPECT_EQ(b->columnIndex, 2u);
  // Once the cell is free, the run moves.
  b->rowIndex = 3;
  page.correctColumnNumber(0);
  EXPECT_EQ(x->columnIndex, 2u);
}

// A merged range shows only its first cell's value: no range may cover
// another cell that holds one.
TEST(VQExcelGrid, MergedRangesCoverOnlyEmptyCells) {
  const std::vector<std::pair<const char*, vq::VQExcelRuns>> layouts = {
      {"a tall run beside two lines",
       {MakeRun("tall", 10, 10, 30, 40), MakeRun("one", 60, 10, 30), MakeRun("two", 60, 30, 30),
        MakeRun("below", 10, 30, 30)}},
      {"a wide run over a taken row",
       {MakeRun("Wide title text", 10, 10, 200, 30), MakeRun("a", 10, 30, 30), MakeRun("b", 150, 30, 30),
        MakeRun("c", 100, 50, 30)}},
  };
  vqtest::ScratchDir dir;
  for (const auto& [name, runs] : layouts) {
    SCOPED_TRACE(name);
    vq::VQExcelDocument doc((dir / "grid.xlsx").string(), 1, vq::VQExcelOptions{}, true);
    vq::VQExcelPage page(1, doc.savedWorkFolder(), doc.manager(), doc.excelStyle(), doc.sharedStrings());
    page.allRunTextArray = runs;
    page.typesetRunTexts();
    for (const auto& r : page.allRunTextArray)
      for (const auto& o : page.allRunTextArray) {
        if (r == o) continue;
        const bool covered = o->rowIndex >= r->rowIndex && o->rowIndex <= r->rowIndex + r->rowLength &&
                             o->columnIndex >= r->columnIndex && o->columnIndex <= r->columnIndex + r->columnLength;
        EXPECT_FALSE(covered) << r->text << " covers " << o->text;
      }
  }
}

TEST(VQExcelGrid, CrossingMergedRangesAreRemoved) {
  using M = vq::VQMergedCell;
  const M a1b2{{1, 1}, {2, 2}}, b2c3{{2, 2}, {3, 3}}, c1d2{{1, 3}, {2, 4}};
  EXPECT_EQ(a1b2.mergerCellInfo(), "A1:B2");
  EXPECT_TRUE(a1b2.isCross(b2c3));
  EXPECT_FALSE(a1b2.isCross(c1d2));
  // B1:C2 crosses both A1:B2 and C1:D2, which do not cross each other.
  const M b1c2{{1, 2}, {2, 3}};
  const auto fixed = vq::VQExcelFixedCrossMergedCells({a1b2, b1c2, c1d2});
  ASSERT_EQ(fixed.size(), 2u);
  EXPECT_EQ(fixed[0], a1b2);
  EXPECT_EQ(fixed[1], c1d2);
  // Equal ranges are not counted as crossing each other.
  EXPECT_FALSE(vq::VQExcelIsHaveCrossMergedCells({a1b2, a1b2}));
}

TEST(VQExcelGrid, ColumnNames) {
  const std::pair<int64_t, const char*> cases[] = {{1, "A"},   {26, "Z"},   {27, "AA"},   {52, "AZ"},
                                                   {53, "BA"}, {702, "ZZ"}, {703, "AAA"}, {16384, "XFD"}};
  for (auto [n, name] : cases) {
    EXPECT_EQ(vq::VQExcelUtilities::getColumnName(n).value_or("<none>"), name);
    EXPECT_EQ(vq::VQExcelUtilities::getColumnNumber(name), static_cast<uint64_t>(n));
  }
  EXPECT_FALSE(vq::VQExcelUtilities::getColumnName(0));
  EXPECT_FALSE(vq::VQExcelUtilities::getColumnName(-3));
}

}  // namespace

// A line joined from words of several colours and faces keeps each word's
// look: the cell's rich text runs change where the page's did.
TEST(VQExcelGrid, JoinedWordsKeepTheirLook) {
  auto bold = MakeRun("number", 75, 10, 35);
  bold->rPr.b = true;
  bold->rPr.rFont = "Helvetica-Bold";
  vq::VQExcelRuns line = {MakeRun("have an", 10, 10, 40), MakeRun("level", 52.5, 10, 20, 10, 10, "0000ff"), bold,
                          MakeRun("too", 112.5, 10, 15)};
  ASSERT_EQ(vq::VQExcelSortUtilities::FindRunTextsMergedInWidth(line, 0).size(), 4u);
  const auto joined = vq::VQExcelSortUtilities::MergeRunTextsInWidth(line);
  EXPECT_EQ(joined->text, "have an level number too");
  const auto pieces = joined->styledPieces();
  ASSERT_EQ(pieces.size(), 4u);
  const std::pair<std::string, std::string> expected[] = {
      {"have an ", "000000"}, {"level ", "0000ff"}, {"number ", "000000"}, {"too", "000000"}};
  for (size_t i = 0; i < pieces.size(); ++i) {
    EXPECT_EQ(pieces[i].first, expected[i].first);
    EXPECT_EQ(pieces[i].second.rgbColor, expected[i].second);
    EXPECT_EQ(pieces[i].second.b, i == 2);
  }
}

// Text inside one ruled cell of the page is one cell, its lines apart; a
// box open on one side is no cell.
TEST(VQExcelGrid, LinesOfARuledCellAreOneCell) {
  using R = vq::VQExcelRule;
  vqtest::ScratchDir dir;
  vq::VQExcelDocument doc((dir / "grid.xlsx").string(), 1, vq::VQExcelOptions{}, true);
  vq::VQExcelPage page(1, doc.savedWorkFolder(), doc.manager(), doc.excelStyle(), doc.sharedStrings());
  // Two boxes side by side, and below them rules across only.
  page.rules = {R{true, 0, 0, 200},   R{true, 40, 0, 200},  R{false, 0, 0, 40},
                R{false, 100, 0, 40}, R{false, 200, 0, 40}, R{true, 100, 0, 200}};
  page.allRunTextArray = {RunWithBase("A long", 5, 4, 40, 14, 16), RunWithBase("cell text", 5, 20, 45, 30, 32),
                          RunWithBase("B", 105, 4, 10, 14, 16), RunWithBase("open", 5, 50, 30, 60, 62),
                          RunWithBase("above and below", 5, 66, 80, 76, 78)};
  page.typesetRunTexts();
  std::map<std::string, std::pair<uint64_t, uint64_t>> got;
  for (const auto& r : page.allRunTextArray) got[r->text] = {r->rowIndex, r->columnIndex};
  const std::map<std::string, std::pair<uint64_t, uint64_t>> expected = {
      {"A long\ncell text", {1, 1}}, {"B", {1, 2}}, {"open", {2, 1}}, {"above and below", {3, 1}}};
  EXPECT_EQ(got, expected);
}

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

#include "PlacedTextRun.h"
#include "docx/capture/VQDocxRunTextColum.h"

namespace {

using namespace vq;
using Band = VQDocxRunTextColum;
using Line = VQDocxRunTextLine;

// One run of a hand-made line. Text positions lie far apart, so every pair
// of runs leaves a gap in its line. The type is tiny against the geometry
// (a tenth of a point in lines 12 high), so that the least column gap and
// width, which scale with it and are tested on their own, leave the other
// rules alone.
struct RunAt {
  double x = 0, width = 10, top = 0, height = 12;
  double typeSize = 0.1;
  uint64_t index = 0;
  const char* text = "ab";
  double wordHeight = 0;
  std::optional<uint64_t> textIndex = std::nullopt;  // 10 x index unless given
};

std::shared_ptr<VQDocxRunText> TextRun(const RunAt& r) {
  auto run = vqtest::PlacedTextRun({.text = r.text,
                                    .index = r.index,
                                    .textIndex = r.textIndex.value_or(10 * r.index),
                                    .x = r.x,
                                    .width = r.width,
                                    .top = r.top,
                                    .height = r.height,
                                    .base = r.top + r.height * 0.8,
                                    .wordHeight = r.wordHeight});
  run->ctmInfo.fontSize = SizeMake(r.typeSize, r.typeSize);
  return run;
}

std::shared_ptr<Line> LineOf(std::initializer_list<RunAt> placed) {
  Line::RunArray runs;
  for (const auto& r : placed) runs.push_back(TextRun(r));
  return std::make_shared<Line>(runs);
}

// A line of runs from left to right, given as (x from, x to) pairs.
std::shared_ptr<Line> LineAt(double top, std::initializer_list<std::pair<double, double>> spans, uint64_t index = 0,
                             double height = 12, double typeSize = RunAt{}.typeSize) {
  Line::RunArray runs;
  for (const auto& [from, to] : spans)
    runs.push_back(
        TextRun({.x = from, .width = to - from, .top = top, .height = height, .typeSize = typeSize, .index = index++}));
  return std::make_shared<Line>(runs);
}

// The rivers as (x, right edge) pairs to a thousandth, the open right end
// cut to 1000.
std::vector<std::pair<double, double>> RiversOf(const Band& band) {
  const auto thousandths = [](double v) { return std::round(v * 1000) / 1000; };
  std::vector<std::pair<double, double>> rivers;
  for (const auto& r : band.spaceColumArray)
    rivers.emplace_back(thousandths(r.origin.x), thousandths(std::min(r.origin.x + r.size.width, 1000.0)));
  return rivers;
}

using Pairs = std::vector<std::pair<double, double>>;

// How often each run of the band's lines turns up in its groups.
std::vector<int> GroupCountsOfRuns(const Band& band) {
  std::vector<int> counts;
  for (const auto& line : band.lineArray())
    for (const auto& run : line->runTextArray()) {
      int count = 0;
      for (const auto& group : band.columGroupArray)
        for (const auto& groupLine : group)
          count +=
              static_cast<int>(std::count(groupLine->runTextArray().begin(), groupLine->runTextArray().end(), run));
      counts.push_back(count);
    }
  return counts;
}

TEST(VQDocxRunTextColum, RiversAreWhiteInEveryLine) {
  struct Case {
    const char* name;
    std::vector<std::shared_ptr<Line>> lines;
    bool columnMode;
    Pairs rivers;
  };
  const Case cases[] = {
      {"one line, two pieces", {LineAt(100, {{72, 200}, {250, 500}})}, true, {{0, 72}, {200, 250}, {500, 1000}}},
      {"gaps narrow each other",
       {LineAt(100, {{72, 200}, {220, 500}}), LineAt(116, {{72, 210}, {240, 500}}, 5)},
       true,
       {{0, 72}, {210, 220}, {500, 1000}}},
      {"text covers the gap",
       {LineAt(100, {{72, 200}, {220, 500}}), LineAt(116, {{72, 500}}, 5)},
       true,
       {{0, 72}, {500, 1000}}},
      {"gap splits a river",
       {LineAt(100, {{72, 100}, {300, 500}}), LineAt(116, {{72, 150}, {160, 180}, {250, 500}}, 5)},
       true,
       {{0, 72}, {150, 160}, {180, 250}, {500, 1000}}},
      {"no column mode", {LineAt(100, {{72, 200}, {250, 500}})}, false, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto band = Band::CreateRunTextColum(c.lines, c.columnMode);
    EXPECT_EQ(RiversOf(*band), c.rivers);
    for (const auto& r : band->spaceColumArray) {
      EXPECT_DOUBLE_EQ(r.origin.y, band->columGroupFrame.origin.y);
      EXPECT_DOUBLE_EQ(r.size.height, band->columGroupFrame.size.height);
    }
    band->createColumGroup();
    EXPECT_EQ(band->columGroupArray.size(), std::max<size_t>(c.rivers.size(), 2) - 1);
    EXPECT_EQ(GroupCountsOfRuns(*band), std::vector<int>(GroupCountsOfRuns(*band).size(), 1));
  }
}

TEST(VQDocxRunTextColum, RiversPartColumnsOfRunningTextOnly) {
  // Two lines of 10-point type alike: an inner river is 7.5 points wide at
  // least, and, once the band is optimized, every column 100 points.
  const auto optimized = [](const Band::LineArray& lines) {
    auto b = Band::CreateRunTextColum(lines, true);
    const Pairs found = RiversOf(*b);
    b->createColumGroup();
    b->optimizeColumnSpaces();
    return std::make_pair(found, RiversOf(*b));
  };
  const auto band = [&](std::initializer_list<std::pair<double, double>> spans) {
    return optimized({LineAt(100, spans, 0, 12, 10), LineAt(116, spans, 10, 12, 10)});
  };
  // Runs far apart in the content stream, the second reaching over the first.
  const auto overlapping = [](double top, uint64_t index) {
    return LineOf({{.x = 72, .width = 128, .top = top, .typeSize = 10, .index = index},
                   {.x = 199, .width = 301, .top = top, .typeSize = 10, .index = index + 5}});
  };
  const struct {
    const char* name;
    std::pair<Pairs, Pairs> got;  // the rivers found, and those left after optimizing
    Pairs found, optimized;
  } cases[] = {
      {"word gaps that line up", band({{72, 200}, {207, 500}}), {{0, 72}, {500, 1000}}, {{0, 72}, {500, 1000}}},
      {"a column gap",
       band({{72, 200}, {208, 500}}),
       {{0, 72}, {200, 208}, {500, 1000}},
       {{0, 72}, {200, 208}, {500, 1000}}},
      {"text from elsewhere running into the line",
       optimized({overlapping(100, 0), overlapping(116, 1)}),
       {{0, 72}, {198.9, 199.1}, {500, 1000}},
       {{0, 72}, {198.9, 199.1}, {500, 1000}}},
      {"a list's numbers", band({{72, 84}, {100, 400}}), {{0, 72}, {84, 100}, {400, 1000}}, {{0, 72}, {400, 1000}}},
      {"a last column of labels",
       band({{72, 300}, {320, 360}}),
       {{0, 72}, {300, 320}, {360, 1000}},
       {{0, 72}, {360, 1000}}},
      {"a column of running text",
       band({{72, 172}, {190, 400}}),
       {{0, 72}, {172, 190}, {400, 1000}},
       {{0, 72}, {172, 190}, {400, 1000}}},
      {"a narrow middle column gives up its narrower river, the left one",
       band({{72, 250}, {270, 330}, {370, 540}}),
       {{0, 72}, {250, 270}, {330, 370}, {540, 1000}},
       {{0, 72}, {330, 370}, {540, 1000}}},
      {"... the right one",
       band({{72, 250}, {290, 350}, {360, 540}}),
       {{0, 72}, {250, 290}, {350, 360}, {540, 1000}},
       {{0, 72}, {250, 290}, {540, 1000}}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.got.first, c.found) << c.name;
    EXPECT_EQ(c.got.second, c.optimized) << c.name;
  }
}

TEST(VQDocxRunTextColum, FrameAndScanRangeOfTheLines) {
  const auto band = Band::CreateRunTextColum({LineAt(116, {{100, 300}}, 7), LineAt(100, {{72, 200}}, 2)}, true);
  EXPECT_EQ(band->columGroupFrame, RectMake(72, 100, 228, 28));
  EXPECT_EQ(band->minPDFScanIndex, 2u);
  EXPECT_EQ(band->maxPDFScanIndex, 8u);

  const auto empty = Band::CreateRunTextColum({}, true);
  EXPECT_EQ(empty->columGroupFrame, RectZero);
  EXPECT_TRUE(empty->spaceColumArray.empty());
  EXPECT_DOUBLE_EQ(empty->bottomNeedSpace(), 0);
  EXPECT_TRUE(empty->isPDFScanIndexContinuousRunTextInEveryColum());
  EXPECT_TRUE(empty->columGroupArray.empty());

  // A line whose frame is no number leaves the band's frame alone.
  auto broken = LineAt(200, {{72, 100}});
  broken->lineFrame = RectMake(std::numeric_limits<double>::quiet_NaN(), 200, 28, 12);
  const auto mixed = Band::CreateRunTextColum({LineAt(100, {{72, 200}}), broken}, true);
  EXPECT_EQ(mixed->columGroupFrame, RectMake(72, 100, 128, 12));
  mixed->createColumGroup();
  EXPECT_TRUE(std::isfinite(mixed->bottomNeedSpace()));
}

TEST(VQDocxRunTextColum, TwoColumnsOfLinesGiveTwoGroupsWithEveryLineOnce) {
  Band::LineArray lines;
  for (int k = 0; k < 4; ++k) lines.push_back(LineAt(100 + 16 * k, {{72, 280}, {320, 540}}, 10 * k));
  lines.push_back(LineAt(164, {{72, 200}}, 50));  // the left column ends a line early
  const auto band = Band::CreateRunTextColum(lines, true);
  EXPECT_EQ(RiversOf(*band), (Pairs{{0, 72}, {280, 320}, {540, 1000}}));

  band->createColumGroup();
  ASSERT_EQ(band->columGroupArray.size(), 2u);
  EXPECT_EQ(band->columGroupArray[0].size(), 5u);
  EXPECT_EQ(band->columGroupArray[1].size(), 4u);
  for (const auto& line : band->columGroupArray[0])
    EXPECT_LT(line->lineFrame.origin.x + line->lineFrame.size.width, 300);
  for (const auto& line : band->columGroupArray[1]) EXPECT_GT(line->lineFrame.origin.x, 300);
  // The wholly left line is the band's own; split lines are new.
  EXPECT_EQ(band->columGroupArray[0].back(), lines.back());
  EXPECT_NE(band->columGroupArray[0].front(), lines.front());
  EXPECT_EQ(GroupCountsOfRuns(*band), std::vector<int>(9, 1));

  // Cutting again keeps the groups there are.
  const auto groups = band->columGroupArray;
  band->createColumGroup();
  EXPECT_EQ(band->columGroupArray, groups);

  // Both columns read down in turn, so they stay after optimizing.
  band->optimizeColumnSpaces();
  band->createColumGroup();
  band->optimizeColumnGroups();
  EXPECT_EQ(band->columGroupArray.size(), 2u);
  EXPECT_FALSE(band->isPDFScanIndexContinuousRunTextInEveryColum());
}

TEST(VQDocxRunTextColum, RunAcrossACutGoesToTheColumnOfItsMiddle) {
  // Overlapping runs leave a sliver gap inside the left run; with the second
  // line's gap the band gets a river that runs through that run.
  const auto first =
      LineOf({{.x = 100, .width = 110, .top = 100, .index = 0}, {.x = 200, .width = 100, .top = 100, .index = 3}});
  const auto second = LineAt(116, {{100, 150}, {250, 300}}, 5);
  const auto band = Band::CreateRunTextColum({first, second}, true);
  ASSERT_EQ(band->spaceColumArray.size(), 3u) << band->description();
  band->createColumGroup();
  ASSERT_EQ(band->columGroupArray.size(), 2u);
  EXPECT_EQ(GroupCountsOfRuns(*band), std::vector<int>(4, 1));
  EXPECT_EQ(band->columGroupArray[0].front()->runTextArray().front(), first->runTextArray().front());

  // A run that reaches over a cut set by hand lands on its middle's side.
  const auto wide = LineAt(100, {{72, 400}});
  const auto handCut = Band::CreateRunTextColum({wide, LineAt(116, {{72, 200}}, 5)}, true);
  handCut->spaceColumArray = {RectMake(0, 100, 72, 28), RectMake(300, 100, 10, 28), RectMake(540, 100, 100, 28)};
  handCut->createColumGroup();
  ASSERT_EQ(handCut->columGroupArray.size(), 2u);
  EXPECT_EQ(handCut->columGroupArray[0], (Band::LineArray{wide, handCut->lineArray()[1]}));
  EXPECT_TRUE(handCut->columGroupArray[1].empty());
  EXPECT_EQ(GroupCountsOfRuns(*handCut), std::vector<int>(2, 1));
}

TEST(VQDocxRunTextColum, OptimizingDropsRiversBetweenFalseColumns) {
  struct Case {
    const char* name;
    std::vector<std::shared_ptr<Line>> lines;
    Pairs riversAfter;
    size_t groupsAfter;
  };
  const Case cases[] = {
      {"no shared height", {LineAt(100, {{72, 250}}), LineAt(130, {{320, 540}}, 5)}, {{0, 72}, {540, 1000}}, 1},
      {"one line only", {LineAt(100, {{72, 200}, {250, 500}})}, {}, 1},
      {"inner column 30 wide",
       {LineAt(100, {{72, 250}, {300, 330}, {380, 540}}), LineAt(116, {{72, 250}, {300, 330}, {380, 540}}, 5)},
       {{0, 72}, {330, 380}, {540, 1000}},
       2},
      {"inner column 36 wide",
       {LineAt(100, {{72, 250}, {300, 336}, {380, 540}}), LineAt(116, {{72, 250}, {300, 336}, {380, 540}}, 5)},
       {{0, 72}, {250, 300}, {336, 380}, {540, 1000}},
       3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto band = Band::CreateRunTextColum(c.lines, true);
    band->createColumGroup();
    band->optimizeColumnSpaces();
    EXPECT_EQ(RiversOf(*band), c.riversAfter);
    band->createColumGroup();
    band->optimizeColumnGroups();
    EXPECT_EQ(band->columGroupArray.size(), c.groupsAfter);
    EXPECT_EQ(GroupCountsOfRuns(*band), std::vector<int>(GroupCountsOfRuns(*band).size(), 1));
  }
}

TEST(VQDocxRunTextColum, OptimizingGroupsThatOutnumberTheRiversStaysInBounds) {
  // More groups than river gaps: the pair a-b marks the river after a; the
  // pair b-c would mark one past the last river and marks nothing.
  const auto a = LineAt(100, {{72, 200}});
  const auto b = LineAt(130, {{250, 300}}, 5);
  const auto c = LineAt(160, {{350, 500}}, 9);
  Band band;
  band.setLineArray({a, b, c});
  band.spaceColumArray = {RectMake(0, 100, 72, 72), RectMake(500, 100, 100, 72)};
  band.columGroupArray = {{a}, {b}, {c}};
  band.optimizeColumnSpaces();
  EXPECT_EQ(RiversOf(band), (Pairs{{0, 72}}));
  EXPECT_TRUE(band.columGroupArray.empty());
  band.createColumGroup();
  EXPECT_EQ(band.columGroupArray, (Band::GroupArray{{a, b, c}}));
}

TEST(VQDocxRunTextColum, FirstRiverReachesThePageEdge) {
  const auto band = Band::CreateRunTextColum({LineAt(100, {{72, 500}}), LineAt(116, {{72, 500}}, 5)}, true);
  band->spaceColumArray = {RectMake(20, 100, 30, 28), RectMake(500, 100, 100, 28)};
  band->optimizeColumnSpaces();
  EXPECT_EQ(RiversOf(*band), (Pairs{{0, 50}, {500, 600}}));
}

TEST(VQDocxRunTextColum, RegroupingKeepsEveryGroup) {
  const auto left = LineAt(100, {{72, 250}});
  const auto middle = LineAt(100, {{290, 340}}, 5);
  const auto right = LineAt(100, {{380, 540}}, 9);
  Band band;
  band.setLineArray({left, middle, right});
  band.spaceColumArray = {RectMake(0, 0, 72, 1), RectMake(330, 0, 50, 1), RectMake(540, 0, 100, 1)};
  // The middle group reaches into the river on its right: it lies in no
  // stretch and moves whole to the one that holds its middle.
  band.columGroupArray = {{left}, {middle}, {right}, {}};
  band.updateColumGroupArrayWhileSpaceUpdated();
  EXPECT_EQ(band.columGroupArray, (Band::GroupArray{{left, middle}, {right}}));

  band.spaceColumArray.resize(1);
  band.updateColumGroupArrayWhileSpaceUpdated();
  EXPECT_EQ(band.columGroupArray, (Band::GroupArray{{left, middle, right}}));
}

TEST(VQDocxRunTextColum, SmallAndBlankColumns) {
  const auto text = LineAt(100, {{72, 250}});
  const auto narrow = LineAt(100, {{300, 330}});
  const auto blank = LineOf({{.x = 400, .width = 50, .top = 100, .text = " "}});
  Band band;
  band.columGroupArray = {{narrow}, {text}};
  EXPECT_TRUE(band.findSmallWidthColumns().empty());
  EXPECT_TRUE(band.findBankSpaceColumns().empty());

  band.columGroupArray = {{narrow}, {narrow}, {blank}, {}, {text}};
  EXPECT_EQ(band.findSmallWidthColumns(), (Band::GroupArray{{narrow}, {}}));
  EXPECT_EQ(band.findBankSpaceColumns(), (Band::GroupArray{{blank}, {}}));
  band.optimizeColumnGroups();
  EXPECT_EQ(band.columGroupArray, (Band::GroupArray{{narrow}, {narrow}, {text}}));

  band.columGroupArray = {{blank}};
  EXPECT_TRUE(band.findBankSpaceColumns().empty());
}

TEST(VQDocxRunTextColum, BottomNeedSpace) {
  struct Case {
    const char* name;
    std::vector<std::shared_ptr<Line>> lines;
    double expected;
  };
  const Case cases[] = {
      {"regular stack", {LineAt(100, {{72, 200}}, 0, 12), LineAt(116, {{72, 200}}, 1, 12)}, 4},
      {"heights apart", {LineAt(100, {{72, 200}}, 0, 12), LineAt(116, {{72, 200}}, 1, 14.5)}, 0},
      {"overlapping lines", {LineAt(100, {{72, 200}}, 0, 12), LineAt(110, {{72, 200}}, 1, 12)}, 0},
      {"one short line", {LineOf({{.x = 72, .width = 100, .top = 100, .height = 10, .wordHeight = 13.8}})}, 3.8},
      {"one tall line", {LineOf({{.x = 72, .width = 100, .top = 100, .height = 14, .wordHeight = 13.8}})}, 0},
      {"lowest line first in its group", {LineAt(100, {{72, 200}}, 0, 12), LineAt(116, {{300, 500}}, 1, 12)}, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Band band;
    band.setLineArray(c.lines);
    if (c.lines.size() == 2 && c.lines[1]->lineFrame.origin.x > 250)
      band.columGroupArray = {{c.lines[0]}, {c.lines[1]}};
    else band.columGroupArray = {c.lines};
    EXPECT_NEAR(band.bottomNeedSpace(), c.expected, 1e-9);
  }
}

TEST(VQDocxRunTextColum, ScanContinuityPerColumn) {
  // Left column painted first, then the right one.
  const auto ordered = Band::CreateRunTextColum(
      {LineOf({{.x = 72, .width = 100, .top = 100, .index = 0}, {.x = 300, .width = 100, .top = 100, .index = 2}}),
       LineOf({{.x = 72, .width = 100, .top = 116, .index = 1}, {.x = 300, .width = 100, .top = 116, .index = 3}})},
      true);
  EXPECT_TRUE(ordered->isPDFScanIndexContinuousRunTextInEveryColum());
  EXPECT_EQ(ordered->columGroupArray.size(), 2u);

  // Rows painted across both columns.
  const auto rows = Band::CreateRunTextColum(
      {LineOf({{.x = 72, .width = 100, .top = 100, .index = 0}, {.x = 300, .width = 100, .top = 100, .index = 1}}),
       LineOf({{.x = 72, .width = 100, .top = 116, .index = 2}, {.x = 300, .width = 100, .top = 116, .index = 3}})},
      true);
  EXPECT_FALSE(rows->isPDFScanIndexContinuousRunTextInEveryColum());

  // A path painted between the lines of the left column (scan position 1)
  // holds a scan position but no text position: it breaks no column.
  const auto ruled =
      Band::CreateRunTextColum({LineOf({{.x = 72, .width = 100, .top = 100, .index = 0, .textIndex = 0},
                                        {.x = 300, .width = 100, .top = 100, .index = 3, .textIndex = 2}}),
                                LineOf({{.x = 72, .width = 100, .top = 116, .index = 2, .textIndex = 1},
                                        {.x = 300, .width = 100, .top = 116, .index = 4, .textIndex = 3}})},
                               true);
  EXPECT_TRUE(ruled->isPDFScanIndexContinuousRunTextInEveryColum());
}

TEST(VQDocxRunTextColum, GroupComparisons) {
  const auto a = LineAt(100, {{72, 200}});
  const auto level = LineAt(101, {{150, 300}});
  const auto lower = LineAt(130, {{150, 300}});
  const auto twin = LineAt(100.5, {{180, 300}});
  EXPECT_TRUE(Band::ColumYIntersectLineArrayA({a}, {lower, level}));
  EXPECT_FALSE(Band::ColumYIntersectLineArrayA({a}, {lower}));
  EXPECT_FALSE(Band::ColumYIntersectLineArrayA({}, {a}));
  EXPECT_FALSE(Band::ColumYIntersectLineArrayA({a}, {}));

  EXPECT_TRUE(Band::IsSingleColumLineArrayA({a}, {level, lower}));
  EXPECT_TRUE(Band::IsSingleColumLineArrayA({level, lower}, {a}));
  EXPECT_FALSE(Band::IsSingleColumLineArrayA({a}, {level, twin}));
  EXPECT_FALSE(Band::IsSingleColumLineArrayA({a}, {lower}));
  EXPECT_FALSE(Band::IsSingleColumLineArrayA({a, lower}, {level, twin}));
}

std::shared_ptr<Band> BandAt(double top, double height, std::initializer_list<std::pair<double, double>> spans,
                             uint64_t index, int lines = 1) {
  Band::LineArray all;
  for (int k = 0; k < lines; ++k) all.push_back(LineAt(top + k * (height + 4), spans, index + 10 * k, height));
  return Band::CreateRunTextColum(all, true);
}

TEST(VQDocxRunTextColum, FindMergeRunTextColumArray) {
  EXPECT_TRUE(Band::FindMergeRunTextColumArray({}).empty());
  const auto top = BandAt(100, 6, {{72, 500}}, 0);
  const auto one = Band::FindMergeRunTextColumArray({top});
  EXPECT_EQ(one, Band::Array{top});

  // Touching lines 6 and 5 high allow a gap of 10.
  const auto far = BandAt(117, 5, {{72, 500}}, 10);
  EXPECT_EQ(Band::FindMergeRunTextColumArray({top, far}), Band::Array{top});
  const auto near = BandAt(115.5, 5, {{72, 500}}, 10);
  const auto twoColumns = BandAt(125, 5, {{72, 250}, {320, 500}}, 20);
  const auto alike = BandAt(125, 5, {{100, 450}}, 20);
  EXPECT_EQ(Band::FindMergeRunTextColumArray({top, near, alike}), (Band::Array{top, near, alike}));
  // The full-width lines above cover the new band's gutter: the join would lose a river.
  EXPECT_EQ(Band::FindMergeRunTextColumArray({top, near, twoColumns}), (Band::Array{top, near}));
}

TEST(VQDocxRunTextColum, MergingInterleavedBandsThatLoseARiver) {
  // Two columns above three: the join loses the gutter at 380-420, which is
  // allowed only when the two bands' text is interleaved in the stream and
  // each joined column still reads as one stretch.
  auto upper = Band::CreateRunTextColum(
      {LineOf({{.x = 72, .width = 128, .top = 100, .index = 0}, {.x = 300, .width = 200, .top = 100, .index = 3}})},
      true);
  auto lowerWith = [](uint64_t left, uint64_t middle, uint64_t right) {
    return Band::CreateRunTextColum({LineOf({{.x = 72, .width = 128, .top = 116, .index = left},
                                             {.x = 300, .width = 80, .top = 116, .index = middle},
                                             {.x = 420, .width = 80, .top = 116, .index = right}})},
                                    true);
  };
  struct Case {
    const char* name;
    std::shared_ptr<Band> lower;
    size_t found;
  };
  const Case cases[] = {
      {"interleaved, columns unbroken", lowerWith(1, 4, 5), 2},
      {"interleaved, left column broken", lowerWith(2, 4, 5), 1},
      {"one after the other", lowerWith(10, 13, 14), 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(c.lower->spaceColumArray.size(), 4u);
    EXPECT_EQ(Band::FindMergeRunTextColumArray({upper, c.lower}).size(), c.found);
  }
}

TEST(VQDocxRunTextColum, FindSingleRunTextColumArray) {
  EXPECT_TRUE(Band::FindSingleRunTextColumArray({}).empty());
  const auto a = BandAt(100, 12, {{72, 500}}, 0);
  const auto b = BandAt(116, 12, {{72, 300}}, 10);
  const auto c = BandAt(132, 12, {{72, 300}}, 20);
  const auto tall = BandAt(148, 12, {{72, 300}}, 30, 2);
  const auto away = BandAt(180, 12, {{72, 300}}, 30);
  EXPECT_EQ(Band::FindSingleRunTextColumArray({a, b, c, tall}), (Band::Array{a, b, c}));
  EXPECT_EQ(Band::FindSingleRunTextColumArray({a, b, away}), (Band::Array{a, b}));
  EXPECT_EQ(Band::FindSingleRunTextColumArray({tall, a}), Band::Array{tall});
}

TEST(VQDocxRunTextColum, Description) {
  const auto band = Band::CreateRunTextColum({LineAt(100, {{72, 200}, {250, 500}}, 3)}, true);
  const std::string text = band->description();
  EXPECT_NE(text.find("<VQDocxRunTextColum: 0x"), std::string::npos) << text;
  EXPECT_NE(text.find("[spaceColumArray.count:3][lineArray.count:1]"), std::string::npos) << text;
  EXPECT_NE(text.find("[pdfScanIndex:3~5][spaceRects:(0.000000-72.000000), (200.000000-50.000000)"), std::string::npos)
      << text;
}

}  // namespace

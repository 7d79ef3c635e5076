#include <gtest/gtest.h>

#include "PlacedTextRun.h"
#include "docx/capture/VQDocxRunTextLine.h"

namespace {

using namespace vq;
using Line = VQDocxRunTextLine;

// One run of a hand-made line; scan and text positions are both `index`.
struct RunAt {
  double x = 0, width = 10, top = 0, height = 12, base = 10;
  uint64_t index = 0;
  float size = 12;
  const char* text = "ab";
};

std::shared_ptr<VQDocxRunText> TextRun(const RunAt& r) {
  return vqtest::PlacedTextRun({.text = r.text,
                                .index = r.index,
                                .textIndex = r.index,
                                .x = r.x,
                                .width = r.width,
                                .top = r.top,
                                .height = r.height,
                                .base = r.base,
                                .size = r.size});
}

std::shared_ptr<Line> LineOf(std::initializer_list<RunAt> placed) {
  Line::RunArray runs;
  for (const auto& r : placed) runs.push_back(TextRun(r));
  return std::make_shared<Line>(runs);
}

std::shared_ptr<Line> LineAt(double top, double height, double base = 0, uint64_t index = 0) {
  return LineOf({{.top = top, .height = height, .base = base, .index = index}});
}

std::string TextOf(const Line::Array& lines) {
  std::string text;
  for (const auto& line : lines) {
    if (!text.empty()) text += " / ";
    text += line->lineText;
  }
  return text;
}

TEST(VQDocxRunTextLineArrays, PicksSortsAndFrames) {
  EXPECT_EQ(Line::FindMaxHeightRunTextLine({}), nullptr);
  EXPECT_EQ(Line::FindMinIndexRunText({}), nullptr);
  EXPECT_TRUE(Line::SortRunTextLineArrayByTopY({}).empty());
  EXPECT_EQ(Line::FrameOfLineArray({}), RectZero);

  auto a = LineAt(30, 12, 40, 5);
  auto b = LineAt(10, 20, 25, 2);
  auto c = LineAt(10, 20, 26, 9);
  auto d = LineAt(50, 8, 20, 1);
  const Line::Array lines{a, b, c, d};
  EXPECT_EQ(Line::FindMaxHeightRunTextLine(lines), b);  // the first of equals
  EXPECT_EQ(Line::FindTopYRunTextLine(lines), b);
  EXPECT_EQ(Line::FindBottomRunTextLine(lines), d);
  EXPECT_EQ(Line::FindBaseYRunTextLine(lines), d);
  EXPECT_EQ(Line::FindMinIndexRunTextLine(lines), d);
  EXPECT_EQ(Line::SortRunTextLineArrayByTopY(lines), (Line::Array{b, c, a, d}));
  EXPECT_EQ(Line::SortRunTextLineArrayByBaseY(lines), (Line::Array{d, b, c, a}));
  EXPECT_EQ(Line::SortRunTextLineArrayByIndex(lines), (Line::Array{d, b, a, c}));
  EXPECT_EQ(Line::FrameOfLineArray(lines), RectMake(0, 10, 10, 48));
  EXPECT_EQ(Line::GetRunTextLineUnionFrame(lines), Line::FrameOfLineArray(lines));

  auto narrow = LineOf({{.x = 5, .width = 3}});
  EXPECT_EQ(Line::FindMinWidthtRunTextLine({a, narrow, b}), narrow);
}

TEST(VQDocxRunTextLineArrays, BandsOfVerticallyOverlappingLines) {
  struct Case {
    const char* what;
    double top1, height1, top2, height2;
    size_t band;
  } cases[] = {
      {"middle 6 inside 5 to 17", 0, 12, 5, 12, 2},
      {"middle 6 on the top edge 6", 0, 12, 6, 12, 1},
      {"small line's middle on the tall line's bottom", 0, 20, 15, 10, 1},
      {"small line's middle inside the tall line", 0, 20, 14, 10, 2},
  };
  for (const auto& c : cases) {
    auto first = LineAt(c.top1, c.height1, c.top1 + c.height1 - 2);
    auto second = LineAt(c.top2, c.height2, c.top2 + c.height2 - 2);
    EXPECT_EQ(Line::FindIntersectRunTextLineArrayY({second, first}).size(), c.band) << c.what;
  }
  // The band comes back with the highest base line first.
  auto low = LineAt(0, 20, 19);
  auto raised = LineAt(4, 10, 12);
  EXPECT_EQ(Line::FindIntersectRunTextLineArrayY({low, raised}), (Line::Array{raised, low}));
  EXPECT_TRUE(Line::FindIntersectRunTextLineArrayY({}).empty());
}

TEST(VQDocxRunTextLineArrays, ChainsInTextOrder) {
  // Runs 3 points apart, so that none join and the line text has blanks
  // between them; text positions equal scan positions.
  auto lineOf = [](std::initializer_list<uint64_t> indexes) {
    auto line = std::make_shared<Line>();
    for (uint64_t i : indexes) {
      const std::string text = std::to_string(i);
      line->addRunTextArray({TextRun({.x = 20.0 * i, .width = 17, .index = i, .text = text.c_str()})});
    }
    return line;
  };
  const auto split = Line::SplitRunTextLineForContinuous(*lineOf({7, 1, 8, 2, 9, 3}));
  ASSERT_EQ(split.size(), 2u);
  EXPECT_EQ(TextOf(split), "1 2 3 / 7 8 9");
  EXPECT_EQ(Line::SplitRunTextLineForContinuous(*lineOf({1, 2, 3, 4, 5, 6})).size(), 1u);
  EXPECT_TRUE(Line::SplitRunTextLineForContinuous(Line()).empty());
  EXPECT_EQ(TextOf(Line::SplitRunTextLineArrayContinuous({lineOf({1, 5}), lineOf({2, 3})})), "1 / 5 / 2 3");

  // In place: the runs end in scan order.
  Line::RunArray runs{TextRun({.index = 2}), TextRun({.index = 1})};
  EXPECT_TRUE(Line::IsRunTextArrayPDFTextIndexContinuous(runs));
  EXPECT_EQ(runs[0]->pdfScanIndex(), 1u);
  Line::RunArray none;
  EXPECT_FALSE(Line::IsRunTextArrayPDFTextIndexContinuous(none));

  // A line that does not continue the text is skipped, and the search goes on.
  auto start = lineOf({0, 1});
  auto elsewhere = lineOf({2});
  elsewhere->runTextArray()[0]->textScanIndex = 10;
  auto next = lineOf({3});
  next->runTextArray()[0]->textScanIndex = 2;
  EXPECT_EQ(Line::FindRunTextLineArrayIndexContinuous({next, elsewhere, start}), (Line::Array{start, next}));
  EXPECT_FALSE(Line::IsRunLineArrayPDFTextIndexContinuous({start, elsewhere}));
}

TEST(VQDocxRunTextLineArrays, LinesThatMakeOneVisualLine) {
  // Two tall lines side by side and a small line that would grow the group
  // by `growth`; a line under 10 points high may grow it by less than 5.
  struct Case {
    double growth;
    size_t lines;
  } cases[] = {{4.9, 3}, {5, 2}};
  for (const auto& c : cases) {
    auto left = LineOf({{.x = 0, .width = 50, .top = 0, .height = 20, .base = 16, .index = 0}});
    auto right = LineOf({{.x = 60, .width = 50, .top = 0, .height = 20, .base = 16, .index = 10}});
    auto small = LineOf({{.x = 120, .width = 30, .top = 11 + c.growth, .height = 9, .base = 23, .index = 20}});
    EXPECT_EQ(Line::FindRunTextLineArrayAs1Line({small, left, right}).size(), c.lines) << c.growth;
  }

  // Lines painted over one another are not wide enough to be one line.
  auto a = LineOf({{.x = 0, .width = 50}});
  auto b = LineOf({{.x = 0, .width = 50, .index = 5}});
  auto beside = LineOf({{.x = 60, .width = 50, .index = 5}});
  EXPECT_FALSE(Line::IsRunLineArrayMergeWidthEnough({a, b}));
  EXPECT_TRUE(Line::IsRunLineArrayMergeWidthEnough({a, beside}));
  EXPECT_FALSE(Line::IsRunLineArrayMergeWidthEnough({}));
  // Lines that share no height at all are not one line.
  EXPECT_FALSE(Line::IsRunLineArrayMergeHeightEnough({LineAt(0, 12), LineAt(30, 12)}));
  EXPECT_TRUE(Line::IsRunLineArrayMergeHeightEnough({LineAt(0, 12), LineAt(5, 12)}));
  EXPECT_FALSE(Line::IsRunLineArrayMergeHeightEnough({}));
}

// A 20-point line with a gap in which a 9-point line sits `raise` above its base line.
Line::Array ScriptBand(double raise, double smallHeight = 9) {
  auto tall = LineOf({{.x = 0, .width = 50, .top = 0, .height = 20, .base = 16, .index = 0, .size = 20},
                      {.x = 70, .width = 30, .top = 0, .height = 20, .base = 16, .index = 5, .size = 20}});
  auto small =
      LineOf({{.x = 55, .width = 10, .top = 2, .height = smallHeight, .base = 16 - raise, .index = 2, .size = 9}});
  return {tall, small};
}

TEST(VQDocxRunTextLineArrays, RaisedAndLoweredText) {
  EXPECT_TRUE(Line::IsScriptRunTextLineArray(ScriptBand(3)));
  EXPECT_FALSE(Line::IsScriptRunTextLineArray(ScriptBand(1.5)));  // within max(2, 1)
  EXPECT_FALSE(Line::IsScriptRunTextLineArray({ScriptBand(3)[0]}));

  const auto band = ScriptBand(3);
  Line::SetupScriptRunTextLineArray(band);
  const auto& raised = band[1]->runTextArray()[0];
  EXPECT_EQ(raised->rProperty.sz, 9);  // well under 20 / 1.9: its own size, ⌈20 × 9 / 20⌉
  EXPECT_EQ(raised->rProperty.szCs, 9);
  EXPECT_EQ(raised->rProperty.scrpit, 1);
  EXPECT_EQ(raised->ctmInfo.yBase, 16);
  EXPECT_TRUE(Line::IsScriptLine(*band[1]));
  EXPECT_FALSE(Line::IsScriptLine(*band[0]));

  const auto lowered = ScriptBand(-3, 12);
  Line::SetupScriptRunTextLineArray(lowered);
  const auto& run = lowered[1]->runTextArray()[0];
  EXPECT_EQ(run->rProperty.sz, 20);  // nearly as tall: the full size
  EXPECT_EQ(run->rProperty.scrpit, 2);

  // A line without height gives no size to scale to: its text keeps its own.
  const auto flat = ScriptBand(3, 0);
  Line::SetupScriptRunTextLineArray(flat);
  EXPECT_EQ(flat[1]->runTextArray()[0]->rProperty.sz, 9);
  EXPECT_EQ(flat[1]->runTextArray()[0]->rProperty.scrpit, 1);

  struct Overlap {
    double overlap;
    bool result;
  } overlaps[] = {{9, true}, {7, false}};
  for (const auto& o : overlaps) {
    auto a = TextRun({.x = 0, .width = 30, .height = 10});
    auto b = TextRun({.x = 30 - o.overlap, .width = 30, .height = 8});
    EXPECT_EQ(Line::HaveXOverlapRunTextArray({b, a}), o.result) << o.overlap;
  }
  EXPECT_FALSE(Line::HaveXOverlapRunTextArray({TextRun({})}));
}

TEST(VQDocxRunTextLineArrays, DropCapital) {
  struct Case {
    const char* what;
    const char* bigText;
    float otherSize;
    bool found;
  } cases[] = {
      {"5 points above the rest", "W", 25, true},
      {"only 4 points above", "W", 26, false},
      {"more than one character", "We", 20, false},
      {"one character outside ASCII", "\xC3\x89", 20, true},
  };
  for (const auto& c : cases) {
    auto body = LineOf({{.x = 40, .size = c.otherSize, .text = "rite"}, {.x = 80, .index = 9, .size = 12}});
    auto cap = LineOf({{.size = 30, .text = c.bigText}});
    const auto found = Line::FindFirstBigFontRunTextLine({body, cap});
    EXPECT_EQ(found.size(), c.found ? 1u : 0u) << c.what;
    if (c.found) {
      EXPECT_EQ(found[0]->runText(), c.bigText);
    }
  }
  EXPECT_TRUE(Line::FindFirstBigFontRunTextLine({LineOf({{.size = 30, .text = "W"}})}).empty());
}

TEST(VQDocxRunTextLineArrays, RegularSpacingAndOverlappingLines) {
  auto tops = [](std::initializer_list<double> ys) {
    Line::Array lines;
    for (double y : ys) lines.push_back(LineAt(y, 12));
    return lines;
  };
  EXPECT_TRUE(Line::IsRunTextLineSameDistanceY(tops({100, 112, 124, 137.4})));
  EXPECT_FALSE(Line::IsRunTextLineSameDistanceY(tops({100, 112, 124, 138})));
  EXPECT_TRUE(Line::IsRunTextLineSameDistanceY(tops({100, 300})));
  EXPECT_FALSE(Line::IsRunTextLineSameDistanceY({}));

  // Each line must reach more than a point into the one above it.
  EXPECT_EQ(Line::FindOverlapRunTextLineY(tops({0, 10.9, 22.5, 30})).size(), 2u);
  EXPECT_TRUE(Line::FindOverlapRunTextLineY(tops({0, 11.5})).empty());
  EXPECT_TRUE(Line::FindOverlapRunTextLineY(tops({0})).empty());
}

TEST(VQDocxRunTextLineArrays, BlanksDuplicatesAndJoining) {
  auto blank = TextRun({.text = " "});
  auto word = TextRun({.x = 30, .index = 1});
  EXPECT_EQ(Line::FindBankSpaceRunTextArray({word, blank}), (Line::RunArray{blank}));
  EXPECT_TRUE(Line::IsBankSpaceRunTextArray({}));
  EXPECT_FALSE(Line::IsBankSpaceRunTextArray({blank, word}));

  auto shadow = TextRun({.x = 31, .index = 7});
  EXPECT_EQ(Line::FindDuplicateRunTexts({word, blank, shadow}), (Line::RunArray{word, shadow}));
  EXPECT_TRUE(Line::FindDuplicateRunTexts({}).empty());

  auto one = LineOf({{.x = 0, .index = 0, .text = "a"}});
  auto two = LineOf({{.x = 50, .index = 4, .text = "b"}});
  EXPECT_EQ(Line::MergeRunTextLineArray({}), nullptr);
  EXPECT_EQ(Line::MergeRunTextLineArray({one}), one);
  const auto joined = Line::MergeRunTextLineArray({two, one});
  ASSERT_NE(joined, nullptr);
  EXPECT_EQ(joined->lineText, "a | b");
  EXPECT_EQ(joined->lineFrame, RectMake(0, 0, 60, 12));

  EXPECT_FALSE(Line::IsAllScriptRunTextArray({}));
  auto up = TextRun({});
  up->rProperty.scrpit = 1;
  auto down = TextRun({.index = 1});
  down->rProperty.scrpit = 2;
  EXPECT_FALSE(Line::IsAllScriptRunTextArray({up, down}));
  EXPECT_TRUE(Line::IsAllScriptRunTextArray({up, up}));
}

}  // namespace

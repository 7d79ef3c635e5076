#include "docx/capture/VQDocxRunTextLine.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "PlacedTextRun.h"

namespace {

using namespace vq;

// Scan and text positions are both `index`.
std::shared_ptr<VQDocxRunText> TextRun(const std::string& text, uint64_t index, double x, double width,
                                       double top = 100, double height = 12, double base = 110) {
  return vqtest::PlacedTextRun({.text = text,
                                .index = index,
                                .textIndex = index,
                                .x = x,
                                .width = width,
                                .top = top,
                                .height = height,
                                .base = base});
}

TEST(VQDocxRunTextLine, OneRunLineTakesTheRunsMeasures) {
  auto run = TextRun("Hello", 4, 20, 30, 90, 14, 101);
  run->pdfScanLength = 3;
  run->wordSingleLineHeight = 0.5;  // a lone run keeps even a hint below 1
  run->wordSingleLineBlankTop = 2;
  VQDocxRunTextLine line({run});

  ASSERT_EQ(line.runTextArray().size(), 1u);
  EXPECT_EQ(line.runTextArray()[0], run);
  EXPECT_EQ(line.lineFrame, RectMake(20, 90, 30, 14));
  EXPECT_EQ(line.yBaseLine, 101);
  EXPECT_EQ(line.lineHeightMin, 14);
  EXPECT_EQ(line.minPDFScanIndex, 4u);
  EXPECT_EQ(line.maxPDFScanIndex, 7u);
  EXPECT_EQ(line.wordSingleLineHeight, 0.5);
  EXPECT_EQ(line.wordSingleLineBlankTop, 2);
  EXPECT_EQ(line.lineText, "Hello");
  ASSERT_EQ(line.spaceRowArray.size(), 2u);
  EXPECT_EQ(line.spaceRowArray[0].leftRunText, nullptr);
  EXPECT_EQ(line.spaceRowArray[0].rightRunText, run);
  EXPECT_EQ(line.spaceRowArray[1].leftRunText, run);
  EXPECT_EQ(line.spaceRowArray[1].rightRunText, nullptr);
}

TEST(VQDocxRunTextLine, TouchingPiecesOfOneOperatorBecomeOneRun) {
  auto a = TextRun("Hel", 5, 10, 15);
  auto b = TextRun("lo ", 6, 25, 14);
  auto c = TextRun("you", 7, 39.5, 15, 99, 14);  // overlaps b a little and reaches higher
  b->pdfScanLength = 1;
  // Given out of order: the line puts them into scan order first.
  VQDocxRunTextLine line({c, a, b});

  ASSERT_EQ(line.runTextArray().size(), 1u);
  const auto& run = line.runTextArray()[0];
  EXPECT_EQ(run, a);  // the first piece stands for the whole
  EXPECT_EQ(run->runText(), "Hello you");
  EXPECT_EQ(run->textWidth, 44);
  EXPECT_EQ(run->ctmInfo.frame, RectMake(10, 99, 44.5, 14));
  EXPECT_EQ(run->ctmInfo.xLeft, 10);
  EXPECT_EQ(run->ctmInfo.xRight, 54.5);
  EXPECT_EQ(run->ctmInfo.yTop, 99);
  EXPECT_EQ(run->ctmInfo.yBottom, 113);
  EXPECT_EQ(run->ctmInfo.bottomLeft, PointMake(10, 113));
  EXPECT_EQ(run->ctmInfo.yBase, 110);  // the base line stays the first piece's
  EXPECT_FLOAT_EQ(run->insideSpacing, 0.5f);
  EXPECT_FLOAT_EQ(run->rProperty.spacing, 0.5f);
  EXPECT_EQ(run->pdfScanIndex(), 5u);
  EXPECT_EQ(run->pdfScanLength, 3u);
  EXPECT_EQ(run->textScanIndex, 5u);
  EXPECT_EQ(run->textScanLength, 3u);
  EXPECT_EQ(b->runText(), "lo ");  // absorbed pieces are left alone
  EXPECT_EQ(line.lineText, "Hello you");
  EXPECT_EQ(line.spaceRowArray.size(), 2u);
  EXPECT_EQ(line.minPDFScanIndex, 5u);
  EXPECT_EQ(line.maxPDFScanIndex, 8u);
}

TEST(VQDocxRunTextLine, PiecesThatDoNotJoin) {
  struct Case {
    const char* what;
    uint64_t index;
    double x, base;
    bool bold;
    bool joins;
  } cases[] = {
      {"next position, touching", 2, 30, 110, false, true},
      {"base line 0.9 lower", 2, 30, 110.9, false, true},
      {"base line exactly 1 lower", 2, 30, 111, false, false},
      {"skips a scan position", 3, 30, 110, false, false},
      {"other properties", 2, 30, 110, true, false},
      {"0.9 right of the previous", 2, 30.9, 110, false, true},
      {"exactly 1 right of the previous", 2, 31, 110, false, false},
      {"left of the first", 2, 5, 110, false, false},
  };
  for (const auto& c : cases) {
    auto first = TextRun("ab", 1, 10, 20);
    auto next = TextRun("cd", c.index, c.x, 10, 100, 12, c.base);
    next->rProperty.b = c.bold;
    VQDocxRunTextLine line({first, next});
    EXPECT_EQ(line.runTextArray().size(), c.joins ? 1u : 2u) << c.what;
    // Whatever happens, no text is lost.
    std::string all;
    for (const auto& run : line.runTextArray()) all += run->runText();
    EXPECT_TRUE(all == "abcd" || all == "cdab") << c.what << ": " << all;
  }
}

TEST(VQDocxRunTextLine, RunsEndLeftToRight) {
  auto right = TextRun("right", 1, 200, 30);
  auto left = TextRun("left", 3, 10, 20);
  auto middle = TextRun("middle", 7, 100, 30);
  VQDocxRunTextLine line({right, left, middle});
  ASSERT_EQ(line.runTextArray().size(), 3u);
  EXPECT_EQ(line.runTextArray()[0], left);
  EXPECT_EQ(line.runTextArray()[1], middle);
  EXPECT_EQ(line.runTextArray()[2], right);
  EXPECT_EQ(line.minPDFScanIndex, 1u);
  EXPECT_EQ(line.maxPDFScanIndex, 8u);
}

TEST(VQDocxRunTextLine, SeparatorsInTheLineText) {
  struct Case {
    const char* what;
    double gap;
    bool sameOperator;
    bool nextInText;
    const char* text;
    size_t gaps;
  } cases[] = {
      {"same operator, 0.5 apart", 0.5, true, true, "abcd", 2},
      {"same operator, 3 apart", 3, true, true, "ab cd", 2},
      {"same operator, 5 apart", 5, true, true, "ab\tcd", 2},
      {"other operators, 0.5 apart", 0.5, false, true, "abcd", 2},
      {"other operators, 7 apart", 7, false, true, "ab cd", 2},
      {"apart in text order", 7, true, false, "ab | cd", 3},
  };
  for (const auto& c : cases) {
    // Different properties keep the runs apart so that only the text is tested.
    auto a = TextRun("ab", 1, 10, 20);
    auto b = TextRun("cd", 2, 30 + c.gap, 20);
    b->rProperty.i = 1;
    a->pdfScanIndex_ShowText = 1;
    b->pdfScanIndex_ShowText = c.sameOperator ? 1 : 2;
    b->textScanIndex = c.nextInText ? 2 : 5;
    VQDocxRunTextLine line({a, b});
    EXPECT_EQ(line.lineText, c.text) << c.what;
    ASSERT_EQ(line.spaceRowArray.size(), c.gaps) << c.what;
    if (c.gaps == 3) {
      EXPECT_EQ(line.spaceRowArray[1].leftRunText, a);
      EXPECT_EQ(line.spaceRowArray[1].rightRunText, b);
      EXPECT_EQ(line.spaceRowArray[1].spaceRect, RectMake(30, 100, 7, 12));
    }
  }
}

TEST(VQDocxRunTextLine, MeasuresOverSeveralRuns) {
  auto tall = TextRun("A", 1, 10, 10, 90, 20, 106);
  auto low = TextRun("b", 4, 40, 10, 100, 12, 112);
  tall->wordSingleLineHeight = 23;
  tall->wordSingleLineBlankTop = 1;
  low->wordSingleLineHeight = 14;
  low->wordSingleLineBlankTop = 3;
  VQDocxRunTextLine line({tall, low});
  EXPECT_EQ(line.lineFrame, RectMake(10, 90, 40, 22));
  EXPECT_EQ(line.yBaseLine, 112);  // the lowest base line
  EXPECT_EQ(line.lineHeightMin, 20);
  EXPECT_EQ(line.wordSingleLineHeight, 23);
  EXPECT_EQ(line.wordSingleLineBlankTop, 3);

  // Word's line height is unknown as soon as one run does not know it.
  low->wordSingleLineHeight = 0.5;
  line.updateLineInfo(line.runTextArray());
  EXPECT_EQ(line.wordSingleLineHeight, 0);

  // A hint that is no number never becomes the line's.
  low->wordSingleLineHeight = 14;
  low->wordSingleLineBlankTop = std::numeric_limits<double>::quiet_NaN();
  tall->wordSingleLineBlankTop = std::numeric_limits<double>::quiet_NaN();
  line.updateLineInfo(line.runTextArray());
  EXPECT_TRUE(std::isfinite(line.wordSingleLineBlankTop));
  EXPECT_EQ(line.wordSingleLineBlankTop, 0);
}

TEST(VQDocxRunTextLine, FillingWithoutProcessing) {
  VQDocxRunTextLine line;
  line.addRunTextArray({});
  EXPECT_TRUE(line.runTextArray().empty());
  EXPECT_EQ(line.lineFrame, RectZero);
  line.processRunTextArray();  // nothing to do
  EXPECT_TRUE(line.spaceRowArray.empty());

  auto b = TextRun("b", 2, 21, 10);
  auto a = TextRun("a", 1, 10, 10);
  line.addRunTextArray({b, a});
  // Kept as given: no ordering, no joining, and no text yet.
  ASSERT_EQ(line.runTextArray().size(), 2u);
  EXPECT_EQ(line.runTextArray()[0], b);
  EXPECT_EQ(line.lineText, "");
  EXPECT_EQ(line.lineFrame, RectMake(10, 100, 21, 12));
  EXPECT_EQ(line.allRunTextWidth(), 20);

  VQDocxRunTextLine copy = line;
  copy.addRunTextArray({TextRun("c", 9, 300, 10)});
  EXPECT_EQ(line.runTextArray().size(), 2u);  // the copy's runs are its own list
  EXPECT_EQ(copy.runTextArray()[0], b);       // of the same shared runs

  line.setRunTextArray({a});
  EXPECT_EQ(line.lineFrame, RectMake(10, 100, 10, 12));
  EXPECT_EQ(line.maxPDFScanIndex, 2u);
}

TEST(VQDocxRunTextLine, BlankBehindTheLastRun) {
  VQDocxRunTextLine empty;
  empty.addBlankSpaceTextBehind();
  EXPECT_EQ(empty.behindTextSpaceWidth(), 0);
  EXPECT_EQ(empty.getTextWidth("abc"), 0);

  auto a = TextRun("ab", 1, 10, 20);
  auto b = TextRun("cd", 5, 50, 20);
  b->spaceWidth = 4;
  VQDocxRunTextLine line({a, b});
  const std::string text = line.lineText;
  line.addBlankSpaceTextBehind();
  EXPECT_EQ(b->runText(), "cd ");
  EXPECT_EQ(line.behindTextSpaceWidth(), 4);
  EXPECT_EQ(line.lineFrame.size.width, 64);
  EXPECT_EQ(line.lineText, text);  // the text and gaps stay as processed
}

TEST(VQDocxRunTextLine, RemovingScriptsPutsTextOnItsBottomEdge) {
  auto raised = TextRun("2", 1, 10, 5, 95, 9.3, 101);
  raised->rProperty.scrpit = 1;
  raised->rProperty.sz = 20;
  auto broken = TextRun("x", 9, 40, 5);
  broken->rProperty.sz = 11;
  broken->rProperty.scrpit = 2;
  broken->ctmInfo.fontSize.height = std::numeric_limits<double>::quiet_NaN();
  auto flat = TextRun("y", 20, 60, 5, 100, 0.4);
  flat->rProperty.sz = 8;
  VQDocxRunTextLine line({raised, broken, flat});
  line.removeScript();
  EXPECT_EQ(raised->rProperty.sz, 9);
  EXPECT_EQ(raised->rProperty.szCs, 9);
  EXPECT_EQ(raised->rProperty.scrpit, 0);
  EXPECT_EQ(raised->ctmInfo.yBase, 95 + 9.3);
  // A size that is no number, or one too small to see, is never written:
  // the run keeps its own.
  EXPECT_EQ(broken->rProperty.sz, 11);
  EXPECT_EQ(broken->rProperty.scrpit, 0);
  EXPECT_EQ(flat->rProperty.sz, 8);
  EXPECT_EQ(flat->ctmInfo.yBase, 100.4);
}

TEST(VQDocxRunTextLine, PicksAndMergesOfRuns) {
  EXPECT_EQ(VQDocxRunTextLine::FindNewScanRunText({}), nullptr);
  EXPECT_EQ(VQDocxRunTextLine::FindXLeftRunText({}), nullptr);
  EXPECT_TRUE(VQDocxRunTextLine::FindLeft2RightMergeRunTextArray({}).empty());
  EXPECT_EQ(VQDocxRunTextLine::MergeLeft2RightRunTextArray({}), nullptr);

  auto a = TextRun("a", 3, 50, 10);
  auto b = TextRun("b", 3, 20, 10);
  auto c = TextRun("c", 1, 20, 10);
  EXPECT_EQ(VQDocxRunTextLine::FindNewScanRunText({a, b, c}), c);
  EXPECT_EQ(VQDocxRunTextLine::FindNewScanRunText({a, b}), a);  // the earlier of equals
  EXPECT_EQ(VQDocxRunTextLine::FindXLeftRunText({a, b, c}), b);

  // A lone run is returned as it is.
  EXPECT_EQ(VQDocxRunTextLine::MergeLeft2RightRunTextArray({a}), a);
  EXPECT_EQ(a->runText(), "a");
  EXPECT_EQ(a->pdfScanLength, 1u);
}

TEST(VQDocxRunTextLine, DescriptionNamesTextAndGaps) {
  VQDocxRunTextLine line({TextRun("ab", 1, 10, 20), TextRun("cd", 5, 50, 20)});
  const std::string d = line.description();
  EXPECT_NE(d.find("<VQDocxRunTextLine: 0x"), std::string::npos) << d;
  EXPECT_NE(d.find("[lineText:ab | cd]"), std::string::npos) << d;
  EXPECT_NE(d.find("[pdfScanIndex:1~6]"), std::string::npos) << d;
  EXPECT_NE(d.find("[spaceRects:(0.000000-10.000000), (30.000000-20.000000), (70.000000-"), std::string::npos) << d;
}

}  // namespace

// Routing of strings and the rebuilding of lines, columns and paragraphs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "FlowTextTestSupport.h"
#include "flowtext/VQFlowTextCapture.h"
#include "flowtext/VQFlowTextPageBuilder.h"

namespace {

using namespace ftest;

// The run as Tz 30 shows it: its type along the line a third as wide.
VQFlowTextRunText Condensed(VQFlowTextRunText r) {
  r.gapFont.fontSize *= 0.3;
  r.spaceWidth *= 0.3;
  return r;
}

TEST(VQFlowTextRoute, AnglesAndMirroring) {
  struct Case {
    double rotation;
    bool flip;
    VQFlowTextRoute route;
  } cases[] = {
      {0, false, VQFlowTextRoute::MainText},   {4, false, VQFlowTextRoute::MainText},
      {5, false, VQFlowTextRoute::TextPath},   {45, false, VQFlowTextRoute::TextPath},
      {85, false, VQFlowTextRoute::TextPath},  {86, false, VQFlowTextRoute::TextBox},
      {90, false, VQFlowTextRoute::TextBox},   {95, false, VQFlowTextRoute::TextPath},
      {180, false, VQFlowTextRoute::TextPath}, {265, false, VQFlowTextRoute::TextPath},
      {270, false, VQFlowTextRoute::TextBox},  {275, false, VQFlowTextRoute::TextPath},
      {355, false, VQFlowTextRoute::TextPath}, {356, false, VQFlowTextRoute::MainText},
      {358, false, VQFlowTextRoute::MainText}, {360, false, VQFlowTextRoute::MainText},
      {0, true, VQFlowTextRoute::TextPath},    {90, true, VQFlowTextRoute::TextPath},
      {NAN, false, VQFlowTextRoute::TextPath},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.rotation << (c.flip ? " flipped" : ""));
    EXPECT_EQ(VQFlowTextRouteFor(c.rotation, c.flip), c.route);
  }
}

TEST(VQFlowTextCapture, RunsAndDroppedStrings) {
  vqtest::ScratchDir dir;
  VQTextWriter doc((dir / "out.txt").string(), 1);
  ASSERT_TRUE(doc.writeDocumentBegin());
  doc.writeDocumentBegin(612, 792);
  VQFlowTextCapture capture(doc);
  capture.beginPage();

  auto glyph = [](const std::string& text, double x, double rotation, bool flip = false) {
    VQFlowTextGlyph g;
    g.text = text;
    g.placement = MakeRun(text, x, 100, 0).ctmInfo;
    g.rotation = rotation;
    g.flip = flip;
    g.nextTopLeftX = x + 6;
    g.nextTopLeftY = g.placement.topLeft.y;
    return g;
  };
  // A page's first blank carries no position and is dropped; later blanks stay.
  EXPECT_EQ(capture.addText(glyph(" ", 70, 0)), VQFlowTextRoute::Dropped);
  EXPECT_EQ(capture.addText(glyph("\t", 70, 0)), VQFlowTextRoute::Dropped);
  EXPECT_EQ(capture.addText(glyph("A", 72, 0)), VQFlowTextRoute::MainText);
  EXPECT_EQ(capture.addText(glyph(" ", 78, 359.6)), VQFlowTextRoute::MainText);
  EXPECT_EQ(capture.addText(glyph("V", 90, 90)), VQFlowTextRoute::TextBox);
  EXPECT_TRUE(doc.currentPage().isUsingTextBox);
  EXPECT_EQ(capture.addText(glyph("M", 90, 0, true)), VQFlowTextRoute::TextPath);
  EXPECT_TRUE(doc.currentPage().isUsingTextPath);
  // The same string drawn again over itself is text once.
  EXPECT_EQ(capture.addText(glyph("M", 90.3, 0, true)), VQFlowTextRoute::Dropped);
  EXPECT_EQ(capture.addText(glyph("i", 96, 0, true)), VQFlowTextRoute::TextPath);
  EXPECT_EQ(capture.addText(glyph("B", 84, 2)), VQFlowTextRoute::MainText);
  EXPECT_FALSE(doc.currentPage().isUsingTextPath);
  // Turned text is kept apart from the upright runs, a text for each box
  // or path, in the order drawn.
  std::vector<std::string> turned;
  for (const auto& r : doc.currentPage().turnedRunTextArray) turned.push_back(r.runText);
  EXPECT_EQ(turned, (std::vector<std::string>{"V", "Mi"}));

  const auto& runs = doc.currentPage().allRunTextArray;
  ASSERT_EQ(runs.size(), 3u);
  std::string texts;
  for (size_t i = 0; i < runs.size(); ++i) {
    texts += runs[i].runText;
    EXPECT_EQ(runs[i].pdfScanIndex, static_cast<int64_t>(i));
    EXPECT_DOUBLE_EQ(runs[i].textWidth, 6);
  }
  EXPECT_EQ(texts, "A B");

  // Upright text drawn again over itself, later on the page (a line drawn
  // once stroked, once filled), is text once when the page ends; the same
  // letter elsewhere stays.
  EXPECT_EQ(capture.addText(glyph("A", 72.3, 0)), VQFlowTextRoute::MainText);
  EXPECT_EQ(capture.addText(glyph("A", 200, 0)), VQFlowTextRoute::MainText);
  capture.endPage();
  texts.clear();
  for (const auto& r : doc.currentPage().allRunTextArray) texts += r.runText;
  EXPECT_EQ(texts, "A BA");
}

// The paragraphs' texts, one string per paragraph, runs joined with '|'.
std::vector<std::string> ParagraphTexts(const std::vector<VQFlowTextRunText>& runs) {
  std::vector<std::string> out;
  for (const auto& p : VQFlowTextCreatParagraphs(runs).paragraphs) {
    std::string s;
    for (const auto& r : p.runArray) s += (s.empty() ? "" : "|") + r.runText;
    out.push_back(s);
  }
  return out;
}

using Texts = std::vector<std::string>;

TEST(VQFlowTextPageBuilder, LinesPartsColumnsAndJoins) {
  struct Case {
    const char* name;
    std::vector<VQFlowTextRunText> runs;
    Texts paragraphs;
  } cases[] = {
      // Runs closer than 1 point continue a part; a gap the word-gap rule
      // reads as one (half the blank here) adds one blank, a narrower one none.
      {"part join", {MakeRun("Hel", 72, 82, 18), MakeRun("lo", 90.5, 82, 10)}, {"Hel|lo"}},
      {"part gap", {MakeRun("Hel", 72, 82, 18, 12), MakeRun("lo", 93, 82, 10, 12)}, {"Hel |lo"}},
      {"gap below half a blank", {MakeRun("Hel", 72, 82, 18, 20), MakeRun("lo", 92, 82, 10, 20)}, {"Hel|lo"}},
      // Condensed type (its displayed em a third of its size): a gap under a
      // point is a word gap, inside a part as between parts.
      {"condensed gap inside a part",
       {Condensed(MakeRun("Hel", 72, 82, 6, 12)), Condensed(MakeRun("lo", 78.7, 82, 4, 12))},
       {"Hel| lo"}},
      {"condensed gap between parts",
       {Condensed(MakeRun("Hel", 72, 82, 6, 30)), Condensed(MakeRun("lo", 79.5, 82, 4, 30))},
       {"Hel |lo"}},
      // Lines of one column, each its own paragraph.
      {"two lines", {MakeRun("one", 72, 82, 20), MakeRun("two", 72, 96, 20)}, {"one", "two"}},
      // Bottoms 4 below with 10-point text start a paragraph; 1.5 below join.
      {"4 below", {MakeRun("a", 72, 82, 20), MakeRun("b", 72, 86, 20)}, {"a", "b"}},
      {"1.5 below", {MakeRun("a", 72, 82, 20), MakeRun("b", 72, 83.5, 20)}, {"a|b"}},
      // A superscript whose bottom lies above its line's bottom is kept.
      {"superscript", {MakeRun("x", 72, 82, 50), MakeRun("2", 122.5, 79, 4, 6)}, {"x|2"}},
      {"word beside on a lower baseline",
       {MakeRun("Package", 72, 82, 50), MakeRun("rcs", 125, 83.5, 15)},
       {"Package |rcs"}},
      // A full stop of another face on the same baseline reaches lower than
      // the words around it: it stays in its place on the line.
      {"a stop of a face that reaches lower",
       {WithBase(MakeRun("one", 72, 82, 20), 80.5), WithBase(MakeRun("two", 96, 82, 24), 80.5),
        WithBase(MakeRun(".", 120, 83.3, 3), 80.7), WithBase(MakeRun("three", 128, 82, 30), 80.5)},
       {"one |two|. |three"}},
      // The raised A and lowered E of a logo join their line, in their
      // places, the A set back over the L before it.
      {"lowered letter of a logo",
       {MakeRun("put LaT", 72, 82, 36), MakeRun("E", 107, 84.2, 6), MakeRun("X documents", 112, 82, 55)},
       {"put LaT|E|X documents"}},
      {"raised letter set back",
       {MakeRun("put L", 72, 82, 25), MakeRun("A", 94, 80, 5, 7), MakeRun("T", 99, 82, 6), MakeRun("E", 104.5, 84.2, 6),
        MakeRun("X", 110, 82, 7)},
       {"put L|A|T|E|X"}},
      // Large type sets its words further apart than text columns of small
      // type are: a slide's line stays one paragraph.
      {"words of large type",
       {MakeRun("PDF", 72, 82, 60, 36), MakeRun("information", 145, 82, 150, 36), MakeRun("and", 308, 82, 50, 36)},
       {"PDF |information |and"}},
      // Columns of touching lines of running text: 8 points apart are one
      // column, 8.5 two, left first.
      {"one column",
       {MakeRun("L1", 72, 82, 100), MakeRun("R1", 180, 82, 50), MakeRun("L2", 72, 91, 100), MakeRun("R2", 180, 91, 50)},
       {"L1 |R1", "L2 |R2"}},
      {"two columns",
       {MakeRun("L1", 72, 82, 100), MakeRun("R1", 180.5, 82, 100), MakeRun("L2", 72, 91, 100),
        MakeRun("R2", 180.5, 91, 100)},
       {"L1", "L2", "R1", "R2"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ParagraphTexts(c.runs), c.paragraphs);
  }
}

// The runs of a page in reading order, blanks the builder adds left out.
std::vector<std::string> RunOrder(std::vector<VQFlowTextRunText> runs) {
  std::vector<std::string> order;
  for (const auto& p : VQFlowTextCreatParagraphs(std::move(runs)).paragraphs)
    for (const auto& r : p.runArray) {
      std::string text = r.runText;
      std::erase(text, ' ');
      order.push_back(text);
    }
  return order;
}

TEST(VQFlowTextPageBuilder, RunsOfEqualPlaceKeepTheirDrawnOrder) {
  // Pages long enough to be sorted rather than walked: runs that tie on
  // their top and their left keep the order they were drawn in, however
  // the page was drawn (lines bottom-up, a line right to left).
  constexpr int kLines = 12, kPerLine = 6;
  std::vector<VQFlowTextRunText> bottomUp, rightToLeft;
  std::vector<std::string> expected;
  for (int line = 0; line < kLines; ++line)
    for (int k = 0; k < kPerLine; ++k) {
      const std::string a = "a" + std::to_string(line) + "_" + std::to_string(k);
      expected.push_back(a);
      expected.push_back("b" + a.substr(1));
    }
  for (int line = kLines - 1; line >= 0; --line)
    for (int k = 0; k < kPerLine; ++k)
      for (const char* first : {"a", "b"})
        bottomUp.push_back(
            MakeRun(first + std::to_string(line) + "_" + std::to_string(k), 72 + 10 * k, 82 + 14 * line, 10));
  for (int line = 0; line < kLines; ++line)
    for (int k = kPerLine - 1; k >= 0; --k)
      for (const char* first : {"a", "b"})
        rightToLeft.push_back(
            MakeRun(first + std::to_string(line) + "_" + std::to_string(k), 72 + 10 * k, 82 + 14 * line, 10));
  EXPECT_EQ(RunOrder(bottomUp), expected);
  EXPECT_EQ(RunOrder(rightToLeft), expected);

  // A place that is not a number orders nothing; every run still comes out
  // once, and nothing crashes.
  std::vector<VQFlowTextRunText> broken = bottomUp;
  broken[3].ctmInfo.topLeft.y = NAN;
  broken[7].ctmInfo.topLeft.x = NAN;
  broken[7].ctmInfo.bottomLeft.x = NAN;
  std::vector<std::string> got = RunOrder(broken), all = expected;
  std::sort(got.begin(), got.end());
  std::sort(all.begin(), all.end());
  EXPECT_EQ(got, all);
}

TEST(VQFlowTextPageBuilder, ColumnBreaksAndBlankParagraphs) {
  auto layout = VQFlowTextCreatParagraphs({MakeRun("L1", 72, 82, 100), MakeRun("R1", 180.5, 82, 100),
                                           MakeRun("L2", 72, 91, 100), MakeRun("R2", 180.5, 91, 100)});
  ASSERT_EQ(layout.paragraphs.size(), 4u);
  EXPECT_FALSE(layout.paragraphs[0].breakColumn);
  EXPECT_TRUE(layout.paragraphs[2].breakColumn);
  EXPECT_DOUBLE_EQ(layout.paragraphs[2].pProperty.indLeft, 0);  // relative to its column
  EXPECT_DOUBLE_EQ(layout.textMargin.left, 72);
  EXPECT_DOUBLE_EQ(layout.textMargin.top, 72);

  // A first block at y = 200 leaves 128 points below the 72-point margin:
  // ten blank paragraphs of 12.8 points.
  layout = VQFlowTextCreatParagraphs({MakeRun("low", 72, 212, 20, 12)});
  ASSERT_EQ(layout.paragraphs.size(), 11u);
  for (int i = 0; i < 10; ++i) {
    EXPECT_TRUE(layout.paragraphs[i].runArray.empty());
    EXPECT_NEAR(layout.paragraphs[i].pProperty.line, 12.8, 1e-4);
  }

  EXPECT_TRUE(VQFlowTextCreatParagraphs({}).paragraphs.empty());
  // Degenerate gaps make no blank paragraphs and never loop.
  EXPECT_TRUE(VQFlowTextParagraph::BlankParagraph(NAN, 12, 0, {}).empty());
  EXPECT_EQ(VQFlowTextParagraph::BlankParagraph(1e12, 0, 0, {}).size(), 1000u);
}

TEST(VQFlowTextDocument, BlankCountForGaps) {
  struct Case {
    double gap, spaceWidth;
    int blanks;
  } cases[] = {
      {30, 4, 8},   {1, 4, 1},    {0, 4, 0},         {-3, 4, 0},  {30, 0, 1},
      {30, 0.2, 1}, {30, NAN, 1}, {30, INFINITY, 1}, {NAN, 4, 0}, {10000, 0.5, kMaxBlanksPerGap},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.gap << " / " << c.spaceWidth);
    EXPECT_EQ(VQFlowTextBlankCount(c.gap, c.spaceWidth), c.blanks);
  }
}

}  // namespace

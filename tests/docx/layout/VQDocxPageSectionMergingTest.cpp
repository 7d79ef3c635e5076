#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "docx/layout/PageSectionParagraphs.h"
#include "docx/layout/VQDocxPageSection.h"

namespace {

using namespace vq;
using vqtest::ParagraphOfRuns;
using vqtest::PlacedLine;
using vqtest::TextParagraph;
using vqtest::TextRunAt;

using Paragraphs = VQDocxParagraph::Array;

// Left-aligned lines of a wrapped paragraph: each line but the last fills
// the column, `pitch` points apart.
Paragraphs Wrapped(const std::vector<std::string>& texts, double pitch = 14, double top = 100) {
  Paragraphs out;
  for (size_t i = 0; i < texts.size(); ++i) {
    const bool last = i + 1 == texts.size();
    out.push_back(TextParagraph(
        {.text = texts[i], .width = last ? 150.0 : 380.0, .top = top + pitch * static_cast<double>(i), .room = pitch}));
  }
  return out;
}

std::vector<size_t> RunSizes(VQDocxPageSection& section, const Paragraphs& paragraphs) {
  std::vector<size_t> sizes;
  for (const auto& p : section.mergeParagraphsIfNeed(paragraphs)) sizes.push_back(p->lineArray.size());
  return sizes;
}

bool AllFinite(const VQDocx_PPr& p) {
  for (float v : {p.spacing.before, p.spacing.line, p.spacing.after, p.spacing.word1LineHeight, p.ind.left, p.ind.right,
                  p.ind.firstLine})
    if (!std::isfinite(v)) return false;
  return true;
}

TEST(VQDocxPageSectionMerging, EmptyAndSingleColumnsAreReturnedAsTheyAre) {
  VQDocxPageSection section;
  EXPECT_TRUE(section.mergeParagraphsIfNeed({}).empty());
  int align = 7;
  EXPECT_TRUE(section.findMergeParagraphs({}, &align).empty());
  EXPECT_EQ(align, 7);
  EXPECT_EQ(section.mergeParagraphs({}, 0), nullptr);
  EXPECT_FALSE(section.canBeExtendWidth({}, 0));

  const auto lone = TextParagraph({});
  const auto result = section.mergeParagraphsIfNeed({lone});
  ASSERT_EQ(result.size(), 1u);
  EXPECT_EQ(result[0], lone);
  EXPECT_EQ(section.mergeParagraphs({lone}, 3), lone);
}

TEST(VQDocxPageSectionMerging, WrappedLinesBecomeOneParagraph) {
  VQDocxPageSection section;
  const auto lines = Wrapped({"The first line of text", "the second line of it", "and the last one"});
  int align = 0;
  EXPECT_EQ(section.findMergeParagraphs(lines, &align).size(), 3u);
  EXPECT_EQ(align, 3);
  const auto result = section.mergeParagraphsIfNeed(lines);
  ASSERT_EQ(result.size(), 1u);
  const auto& merged = result[0];
  EXPECT_EQ(merged->paragraphText, "The first line of text the second line of it and the last one");
  EXPECT_EQ(merged->pProperty.jc, 3);
  EXPECT_DOUBLE_EQ(merged->yBefore(), 0);
  EXPECT_DOUBLE_EQ(merged->yHeight(), 42);
  EXPECT_DOUBLE_EQ(merged->yAfter(), 0);
  EXPECT_TRUE(AllFinite(merged->pProperty));
}

// A line that starts with a bullet or a list label starts a paragraph; a word
// beginning with "o", a year ending a sentence or an abbreviation does not.
TEST(VQDocxPageSectionMerging, ListLabelsAndBulletsKeepALineApart) {
  struct Row {
    std::string second;
    size_t runSize;
  };
  const Row rows[] = {{"of the first line", 2},   {"or the first line", 2},  {"on the first line", 2},
                      {"over the first line", 2}, {"o the item", 1},         {"o\tthe item", 1},
                      {"• the item", 1},          {". the item", 1},         {"● the item", 1},
                      {"1. the item", 1},         {"12) the item", 1},       {"(b) the item", 1},
                      {"iv. the item", 1},        {"2019. was the year", 2}, {"e.g. the item", 2}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.second);
    VQDocxPageSection section;
    int align = 0;
    EXPECT_EQ(section.findMergeParagraphs(Wrapped({"The start of a paragraph", row.second}), &align).size(),
              row.runSize);
  }
}

TEST(VQDocxPageSectionMerging, AnOInARunOfItsOwnIsABullet) {
  VQDocxPageSection section;
  auto first = TextParagraph({.text = "The start of a paragraph", .width = 380, .top = 100, .room = 14});
  // "o" and the text after it drawn as two runs that touch.
  auto item = ParagraphOfRuns({TextRunAt("o", 0, 6, 114, 12), TextRunAt("ther things", 6, 100, 114, 12)},
                              {.top = 114, .room = 14});
  item->firstRunTextLine()->lineText = "other things";
  int align = 0;
  EXPECT_EQ(section.findMergeParagraphs({first, item}, &align).size(), 1u);
}

TEST(VQDocxPageSectionMerging, LeadersAndLabelsRefuseOrEndARun) {
  VQDocxPageSection section;
  int align = 0;
  // A contents line with a dot leader never merges, neither as first nor later line.
  EXPECT_EQ(section.findMergeParagraphs(Wrapped({"Chapter one....... 3", "the second line"}), &align).size(), 1u);
  EXPECT_EQ(section.findMergeParagraphs(Wrapped({"The first line", "Chapter one....... 3"}), &align).size(), 1u);
  EXPECT_EQ(section.findMergeParagraphs(Wrapped({"The first line", "and so on\u2026 more"}), &align).size(), 1u);
  // A label line ending in a colon starts no run; as a later line it ends one.
  EXPECT_EQ(section.findMergeParagraphs(Wrapped({"Name:", "John Smith of London"}), &align).size(), 1u);
  EXPECT_EQ(
      section.findMergeParagraphs(Wrapped({"The first line of text", "the list follows:", "one more line"}), &align)
          .size(),
      2u);
}

// A list item goes on at its label or at its text, never left of the label;
// a row of cells (words a wide gap apart) merges with nothing, though the gap
// after a bullet is an item's indent.
TEST(VQDocxPageSectionMerging, ListItemsAndTableRows) {
  VQDocxPageSection section;
  int align = 0;
  const auto item =
      TextParagraph({.text = "• the item, long enough to wrap", .x = 18, .width = 362, .top = 100, .room = 14});
  for (const auto& [x, runSize] : {std::pair{0.0, 1u}, {18.0, 2u}, {30.0, 2u}}) {
    SCOPED_TRACE(x);
    const auto next = TextParagraph({.text = "the next line", .x = x, .width = 150, .top = 114, .room = 14});
    EXPECT_EQ(section.findMergeParagraphs({item, next}, &align).size(), runSize);
  }
  auto row = [](double top) {
    return ParagraphOfRuns({TextRunAt("Fence posts", 0, 60, top, 12), TextRunAt("4.75", 340, 40, top, 12)},
                           {.top = top, .room = 14});
  };
  EXPECT_EQ(section.findMergeParagraphs({row(100), row(114)}, &align).size(), 1u);
  const auto bulleted =
      ParagraphOfRuns({TextRunAt("•", 0, 4, 100, 12), TextRunAt("a packed lunch with water", 18, 362, 100, 12)},
                      {.top = 100, .room = 14});
  const auto rest = TextParagraph({.text = "for the whole day", .x = 18, .width = 150, .top = 114});
  EXPECT_EQ(section.findMergeParagraphs({bulleted, rest}, &align).size(), 2u);
}

// Whether a line ended its paragraph is measured against the column's text,
// not the run's own lines; a line that ends short of it by less than the
// next word and a blank was full.
TEST(VQDocxPageSectionMerging, LinesEndAgainstTheColumnsRightEdge) {
  VQDocxPageSection section;
  // Two short lines after a label: the second is a little longer than the
  // first, whose next word would have fitted in the column.
  const Paragraphs list = {
      TextParagraph({.text = "Bring these items:", .width = 380, .top = 100, .room = 14}),
      TextParagraph({.text = "binoculars if you own a pair", .width = 150, .top = 114, .room = 14}),
      TextParagraph({.text = "On arrival follow these", .width = 160, .top = 128, .room = 14})};
  EXPECT_EQ(RunSizes(section, list), (std::vector<size_t>{1, 1, 1}));
  // 362 + a 3 pt blank + a 16 pt word pass the 380 pt edge: the word went on.
  const Paragraphs ragged = {
      TextParagraph({.text = "A line that fills the column", .width = 380, .top = 100, .room = 14}),
      TextParagraph(
          {.text = "a line a little short of it", .width = 362, .top = 114, .room = 14, .firstWordWidth = 16}),
      TextParagraph({.text = "and the end", .width = 100, .top = 128, .room = 14, .firstWordWidth = 16})};
  EXPECT_EQ(RunSizes(section, ragged), (std::vector<size_t>{3}));
}

TEST(VQDocxPageSectionMerging, AChangedLinePitchStartsANewRun) {
  VQDocxPageSection section;
  auto lines = Wrapped({"The first line of text", "the second line of it"});
  lines.push_back(TextParagraph({.text = "a line further down", .width = 380, .top = 131, .room = 17}));
  lines.push_back(TextParagraph({.text = "and the last one", .width = 150, .top = 148, .room = 17}));
  EXPECT_EQ(RunSizes(section, lines), (std::vector<size_t>{2, 2}));
}

TEST(VQDocxPageSectionMerging, AWordThatWouldHaveFittedKeepsLinesApart) {
  VQDocxPageSection section;
  // A 200 pt line in a 400 pt column, and a next line whose first word is 40 pt wide.
  const auto a = TextParagraph({.text = "A short line", .width = 200, .top = 100, .room = 14});
  const auto b =
      TextParagraph({.text = "Another line of text", .width = 300, .top = 114, .room = 14, .firstWordWidth = 40});
  EXPECT_FALSE(section.canBeExtendWidth({a, b}, 0));
  int align = 0;
  EXPECT_EQ(section.findMergeParagraphs({a, b}, &align).size(), 1u);
}

TEST(VQDocxPageSectionMerging, AContentBoxWithoutHeightIsNeverDividedBy) {
  VQDocxPageSection section;
  auto a = TextParagraph({.text = "Wide line", .width = 300, .top = 100, .room = 14});
  auto b = TextParagraph({.text = "x y", .width = 10, .top = 114, .room = 14});
  b->contentFrame = RectMake(0, 114, 10, 12);
  // Width over a zero height would count as endless and let the run pass.
  a->contentFrame = RectMake(0, 100, 300, 0);
  EXPECT_FALSE(section.canBeExtendWidth({a, b}, 0));
  a->contentFrame = RectZero;
  b->contentFrame = RectZero;
  EXPECT_FALSE(section.canBeExtendWidth({a, b}, 0));
  EXPECT_FALSE(section.canBeExtendWidth({a}, 0));
}

TEST(VQDocxPageSectionMerging, RoomForTheLines) {
  VQDocxPageSection section;
  const auto lines = Wrapped({"The first line", "the second"}, 14);
  EXPECT_TRUE(section.testAllHeightEnough(lines, 14));
  EXPECT_TRUE(section.testAllHeightEnough(lines, 15.3));   // 28 - 30.6 = -2.6 > -3.06
  EXPECT_FALSE(section.testAllHeightEnough(lines, 16.8));  // 28 - 33.6 = -5.6 < -3.36
  EXPECT_FALSE(section.testAllHeightEnough(lines, std::numeric_limits<double>::quiet_NaN()));
}

TEST(VQDocxPageSectionMerging, AlignmentOfTwoLines) {
  struct Row {
    double ax, aw, bx, bw;
    int expected;
  };
  const Row rows[] = {
      {0, 380, 0, 380, 3},      // both edges
      {0, 380, 0, 150, 0},      // left edges
      {100, 300, 250, 150, 1},  // right edges, second starts right
      {100, 300, 50, 350, 0},   // right edges, second starts left of a line that starts left of the middle
      {250, 150, 220, 180, 1},  // the same, first line starts right of the middle
      {100, 200, 150, 100, 2},  // centres
      {0, 100, 200, 50, 0},     // nothing in common
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.expected);
    const auto a = TextParagraph({.x = row.ax, .width = row.aw, .top = 100});
    const auto b = TextParagraph({.x = row.bx, .width = row.bw, .top = 114});
    EXPECT_EQ(VQDocxPageSection::Recognize2LineTextAlignForMerger({a, b}), row.expected);
  }
  const auto right = TextParagraph({.textAlign = 1});
  EXPECT_EQ(VQDocxPageSection::Recognize2LineTextAlignForMerger({right}), 1);
  EXPECT_EQ(VQDocxPageSection::Recognize2LineTextAlignForMerger({}), 0);
}

TEST(VQDocxPageSectionMerging, AlignmentOfThreeLines) {
  struct Row {
    double x[3], w[3];
    int expected;
  };
  const Row rows[] = {
      {{0, 0, 0}, {380, 380, 150}, 3},        // left edges and a right edge
      {{0, 0, 0}, {100, 200, 300}, 0},        // left edges only
      {{0, 0, 50}, {300, 300, 250}, 1},       // A and B share both edges, B and C the right
      {{100, 100, 150}, {200, 100, 100}, 2},  // left AB, centres of A and C
      {{50, 0, 0}, {350, 400, 380}, 3},       // left BC, right AB
      {{60, 0, 0}, {100, 200, 300}, 0},       // left BC only
      {{100, 50, 150}, {300, 350, 250}, 1},   // right edges only
      {{100, 50, 220}, {300, 350, 60}, 2},    // right AB, centres of A and C
      {{100, 150, 50}, {200, 100, 300}, 2},   // all centred
      {{0, 100, 0}, {300, 250, 350}, 3},      // right BC, A and C start alike
      {{0, 100, 50}, {300, 250, 300}, 1},     // right BC only
      {{0, 100, 130}, {100, 100, 40}, 2},     // centres of B and C
      {{0, 10, 45}, {100, 200, 30}, 0},       // nothing in common
      {{0, 0, 0}, {380, 378.8, 320}, 0},      // ragged lines of nearly one length
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << "expected " << row.expected << " x0 " << row.x[0]);
    Paragraphs ps;
    for (int i = 0; i < 3; ++i) ps.push_back(TextParagraph({.x = row.x[i], .width = row.w[i], .top = 100 + 14.0 * i}));
    EXPECT_EQ(VQDocxPageSection::Recognize3LineTextAlignForMerger(ps), row.expected);
  }
  // Only A and C share their centres: the middle line's own alignment.
  Paragraphs ps = {TextParagraph({.x = 100, .width = 100, .top = 100}),
                   TextParagraph({.x = 0, .width = 120, .top = 114, .textAlign = 1}),
                   TextParagraph({.x = 50, .width = 200, .top = 128})};
  EXPECT_EQ(VQDocxPageSection::Recognize3LineTextAlignForMerger(ps), 1);
  EXPECT_EQ(VQDocxPageSection::Recognize3LineTextAlignForMerger({ps[0], ps[1]}), 0);
}

TEST(VQDocxPageSectionMerging, MergingLeavesTheSharedLinesAndRunsAlone) {
  VQDocxPageSection section;
  const auto lines = Wrapped({"The first line of text", "the second line of it", "and the last one"});
  std::vector<std::string> runTexts, lineTexts;
  for (const auto& p : lines) {
    lineTexts.push_back(p->firstRunTextLine()->lineText);
    runTexts.push_back(p->firstRunTextLine()->runTextArray().back()->runText());
  }
  const auto once = section.mergeParagraphsIfNeed(lines);
  const auto twice = section.mergeParagraphsIfNeed(lines);
  ASSERT_EQ(once.size(), 1u);
  ASSERT_EQ(twice.size(), 1u);
  EXPECT_EQ(once[0]->paragraphText, twice[0]->paragraphText);
  for (size_t i = 0; i < lines.size(); ++i) {
    EXPECT_EQ(lines[i]->firstRunTextLine()->lineText, lineTexts[i]);
    EXPECT_EQ(lines[i]->firstRunTextLine()->runTextArray().back()->runText(), runTexts[i]);
    EXPECT_EQ(lines[i]->lineArray.size(), 1u);
  }
  // A merged paragraph merged again with a further line gains no second blank.
  const auto more = TextParagraph({.text = "one more", .width = 100, .top = 142, .room = 14});
  const auto again = section.mergeParagraphs({once[0], more}, 0);
  EXPECT_EQ(again->paragraphText, "The first line of text the second line of it and the last one one more");
  // A line the run holds twice is one line of text.
  const auto doubled = section.mergeParagraphs({lines[0], lines[0]}, 0);
  EXPECT_EQ(doubled->lineArray.size(), 1u);
  EXPECT_EQ(doubled->paragraphText, "The first line of text");
}

TEST(VQDocxPageSectionMerging, LinesEndingInABlankOrFullWidthNeedNoBlank) {
  VQDocxPageSection section;
  const auto a = TextParagraph({.text = "ends with a blank ", .width = 380, .top = 100, .room = 14});
  const auto b = TextParagraph({.text = "next", .width = 100, .top = 114, .room = 14});
  EXPECT_EQ(section.mergeParagraphs({a, b}, 0)->paragraphText, "ends with a blank next");

  const auto c = TextParagraph({.text = "中文的第一行", .width = 380, .top = 100, .room = 14});
  const auto d = TextParagraph({.text = "第二行", .width = 100, .top = 114, .room = 14});
  EXPECT_EQ(section.mergeParagraphs({c, d}, 0)->paragraphText, "中文的第一行第二行");
  // Full width on one side only still takes a blank.
  const auto e = TextParagraph({.text = "中文的第一行", .width = 380, .top = 100, .room = 14});
  const auto f = TextParagraph({.text = "Latin", .width = 100, .top = 114, .room = 14});
  EXPECT_EQ(section.mergeParagraphs({e, f}, 0)->paragraphText, "中文的第一行 Latin");
}

TEST(VQDocxPageSectionMerging, MergedParagraphProperties) {
  VQDocxPageSection section;
  // The first line indented 20 pt, the others at the column's edge; the
  // column reaches 20 pt beyond the text.
  auto lines = Paragraphs{TextParagraph({.text = "Indented first line", .x = 20, .width = 360, .top = 100, .room = 14}),
                          TextParagraph({.text = "the second line", .width = 380, .top = 114, .room = 14}),
                          TextParagraph({.text = "the last", .width = 100, .top = 128, .room = 14})};
  lines[1]->breakColumn = true;
  const auto merged = section.mergeParagraphs(lines, 0);
  EXPECT_EQ(merged->pProperty.jc, 0);
  EXPECT_FLOAT_EQ(merged->pProperty.ind.left, 0);
  EXPECT_FLOAT_EQ(merged->pProperty.ind.firstLine, 20);
  // 400 - 383 (the blank that keeps the second line's last word apart from
  // the next line widens its text by 3 pt) leaves less than the twentieth of
  // the measure the word processor's face may need: no right indent.
  EXPECT_FLOAT_EQ(merged->pProperty.ind.right, 0);
  EXPECT_TRUE(merged->breakColumn);
  EXPECT_FALSE(merged->sectProperty.shouldWrite);
  EXPECT_TRUE(AllFinite(merged->pProperty));

  // Centred lines take the smallest indent of all.
  const auto centred = section.mergeParagraphs(lines, 2);
  EXPECT_EQ(centred->pProperty.jc, 2);
  EXPECT_FLOAT_EQ(centred->pProperty.ind.left, 0);
}

TEST(VQDocxPageSectionMerging, NoNumberReachesTheMergedProperties) {
  VQDocxPageSection section;
  const double nan = std::numeric_limits<double>::quiet_NaN();
  auto lines = Wrapped({"The first line of text", "the second line of it"});
  lines[0]->setYBefore(nan, 14, std::numeric_limits<double>::infinity());
  lines[0]->pProperty.ind.left = static_cast<float>(nan);
  lines[0]->columnFrame = RectMake(0, 0, nan, 800);
  const auto merged = section.mergeParagraphs(lines, 0);
  EXPECT_TRUE(AllFinite(merged->pProperty));
  EXPECT_TRUE(std::isfinite(merged->yBefore()));
  EXPECT_TRUE(std::isfinite(merged->yHeight()));
  EXPECT_TRUE(std::isfinite(merged->yAfter()));
}

}  // namespace

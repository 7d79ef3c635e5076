#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "docx/layout/PageSectionParagraphs.h"
#include "docx/layout/VQDocxPage.h"
#include "docx/layout/VQDocxPageSection.h"
#include "office/VQDocxUtilities.h"

namespace {

using namespace vq;
using vqtest::BlankSpacer;
using vqtest::Colum;
using vqtest::TextParagraph;

VQDocx_SectPr PageSectProperty() {
  VQDocx_SectPr s = VQDocxUtilities::defaultSectPropertyHiden();
  s.pgSz.w = 612;
  s.pgSz.h = 792;
  s.pgMar.top = s.pgMar.bottom = s.pgMar.left = s.pgMar.right = 72;
  return s;
}

// A one-line text paragraph at `top` whose spacing is set as given.
std::shared_ptr<VQDocxParagraph> Text(double top, double before, double line, double after,
                                      const std::string& text = "some words") {
  auto p = TextParagraph({.text = text, .top = top});
  p->pProperty.spacing.before = static_cast<float>(before);
  p->pProperty.spacing.line = static_cast<float>(line);
  p->pProperty.spacing.after = static_cast<float>(after);
  p->setYBefore(before, line, after);
  return p;
}

std::shared_ptr<VQDocxParagraph> ParagraphAt(const VQDocxPageSection::ParagraphColum& colum, size_t i) {
  return std::dynamic_pointer_cast<VQDocxParagraph>(colum.at(i));
}

TEST(VQDocxPageSectionSpacing, RoundingCorrectionMakesTheWrittenLinesAddUp) {
  VQDocxPageSection section(PageSectProperty());
  const VQDocxParagraph::Array paragraphs = {BlankSpacer(12.33), BlankSpacer(12.33), BlankSpacer(12.33)};
  section.fixErrorHeightSpacingInParagraphs(paragraphs);
  EXPECT_FLOAT_EQ(paragraphs[0]->pProperty.spacing.line, 12.33f);
  EXPECT_FLOAT_EQ(paragraphs[1]->pProperty.spacing.line, 12.33f);
  // 3 x 247 twentieths written against 36.99 measured.
  EXPECT_NEAR(paragraphs[2]->pProperty.spacing.line, 12.27, 0.001);
}

TEST(VQDocxPageSectionSpacing, RoundingCorrectionOfNothingOrANaNLineChangesNothing) {
  VQDocxPageSection section(PageSectProperty());
  section.fixErrorHeightSpacingInParagraphs({});
  const VQDocxParagraph::Array paragraphs = {BlankSpacer(std::numeric_limits<double>::quiet_NaN()), BlankSpacer(12.33)};
  section.fixErrorHeightSpacingInParagraphs(paragraphs);
  EXPECT_FLOAT_EQ(paragraphs[1]->pProperty.spacing.line, 12.33f);
}

TEST(VQDocxPageSectionSpacing, GroupsOfOneParagraphGetNoRoundingCorrection) {
  VQDocxPageSection section(PageSectProperty());
  auto lone = BlankSpacer(12.33);
  auto a = BlankSpacer(12.33), b = BlankSpacer(12.33);
  section.paragraphGroupArray = {Colum({lone}), Colum({a, b})};
  section.headBlankParagraphArray = {BlankSpacer(12.33)};
  section.optimizeParagraphs();
  EXPECT_FLOAT_EQ(lone->pProperty.spacing.line, 12.33f);
  EXPECT_FLOAT_EQ(section.headBlankParagraphArray[0]->pProperty.spacing.line, 12.33f);
  EXPECT_NEAR(b->pProperty.spacing.line, 12.33 + 24.66 - 24.70, 0.001);
}

TEST(VQDocxPageSectionSpacing, SpaceBetweenTextParagraphsMovesOntoTheSecond) {
  VQDocxPageSection section(PageSectProperty());
  auto first = Text(100, 0, 12, 6), second = Text(118, 0, 12, 0);
  auto third = Text(130, 0, 12, 0);
  section.paragraphGroupArray = {Colum({first, second, third})};
  const auto groups = section.autoFitParagraphSpacing(3);
  ASSERT_EQ(groups.size(), 1u);
  ASSERT_EQ(groups[0].size(), 3u);
  EXPECT_FLOAT_EQ(first->pProperty.spacing.after, 0);
  EXPECT_DOUBLE_EQ(first->yAfter(), 0);
  EXPECT_FLOAT_EQ(second->pProperty.spacing.before, 6);
  EXPECT_DOUBLE_EQ(second->yBefore(), 6);
  // No space between the second and the third: both left alone.
  EXPECT_FLOAT_EQ(second->pProperty.spacing.after, 0);
  EXPECT_FLOAT_EQ(third->pProperty.spacing.before, 0);
}

TEST(VQDocxPageSectionSpacing, BlankBelowTextIsFittedOrFolded) {
  struct Row {
    double blankLine;
    double textAfter;       // expected space after the text
    bool blankStays;        // whether the blank is still in the group
    double blankLineAfter;  // its line when it stays
  };
  // A 12 pt line with 6 pt after: a 30 pt blank gives 6 to the text, a 16 pt
  // one is folded into it (6 + 16).
  const Row rows[] = {{30, 12, true, 24}, {16, 22, false, 0}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.blankLine);
    VQDocxPageSection section(PageSectProperty());
    auto text = Text(100, 0, 12, 6);
    auto blank = BlankSpacer(row.blankLine);
    section.paragraphGroupArray = {Colum({text, blank})};
    const auto groups = section.autoFitParagraphSpacing(3);
    EXPECT_FLOAT_EQ(text->pProperty.spacing.after, static_cast<float>(row.textAfter));
    ASSERT_EQ(groups[0].size(), row.blankStays ? 2u : 1u);
    if (row.blankStays) {
      EXPECT_FLOAT_EQ(blank->pProperty.spacing.line, static_cast<float>(row.blankLineAfter));
    }
  }
}

TEST(VQDocxPageSectionSpacing, AfterAFoldedBlankTheNextParagraphMeetsTheTextAbove) {
  VQDocxPageSection section(PageSectProperty());
  auto text = Text(100, 0, 12, 6);
  auto blank = BlankSpacer(16);
  auto next = Text(140, 0, 12, 0);
  section.paragraphGroupArray = {Colum({text, blank, next})};
  const auto groups = section.autoFitParagraphSpacing(3);
  ASSERT_EQ(groups[0].size(), 2u);
  EXPECT_EQ(ParagraphAt(groups[0], 0), text);
  EXPECT_EQ(ParagraphAt(groups[0], 1), next);
  // The 22 pt after the text moved before the next text paragraph.
  EXPECT_FLOAT_EQ(text->pProperty.spacing.after, 0);
  EXPECT_FLOAT_EQ(next->pProperty.spacing.before, 22);
}

TEST(VQDocxPageSectionSpacing, BlanksThatNeedNoFittingAreLeftAlone) {
  VQDocxPageSection section(PageSectProperty());
  // The text's space after already reaches its line's height.
  auto text = Text(100, 0, 12, 12);
  auto blank1 = BlankSpacer(16), blank2 = BlankSpacer(16), blank3 = BlankSpacer(20);
  auto after = Text(200, 3, 12, 0);
  section.paragraphGroupArray = {Colum({text, blank1, blank2, blank3, after})};
  const auto groups = section.autoFitParagraphSpacing(3);
  ASSERT_EQ(groups[0].size(), 5u);
  EXPECT_FLOAT_EQ(text->pProperty.spacing.after, 12);
  for (const auto& blank : {blank1, blank2}) EXPECT_FLOAT_EQ(blank->pProperty.spacing.line, 16);
  EXPECT_FLOAT_EQ(blank3->pProperty.spacing.line, 20);
  EXPECT_FLOAT_EQ(after->pProperty.spacing.before, 3);
}

TEST(VQDocxPageSectionSpacing, BlankThatStartsAColumnOrIsNoNumberIsNeverFolded) {
  VQDocxPageSection section(PageSectProperty());
  auto text = Text(100, 0, 12, 6);
  auto breaking = BlankSpacer(16);
  breaking->breakColumn = true;
  auto text2 = Text(300, 0, 12, 6);
  auto nan = BlankSpacer(std::numeric_limits<double>::quiet_NaN());
  section.paragraphGroupArray = {Colum({text, breaking}), Colum({text2, nan})};
  const auto groups = section.autoFitParagraphSpacing(3);
  ASSERT_EQ(groups[0].size(), 2u);
  ASSERT_EQ(groups[1].size(), 2u);
  EXPECT_TRUE(ParagraphAt(groups[0], 1)->breakColumn);
  EXPECT_TRUE(std::isfinite(text2->pProperty.spacing.after));
  EXPECT_FLOAT_EQ(text2->pProperty.spacing.after, 6);
}

TEST(VQDocxPageSectionSpacing, TablesKeepTheirPlaceAndStopSpaceMoving) {
  VQDocxPageSection section(PageSectProperty());
  auto above = Text(100, 0, 12, 6);
  auto table = std::make_shared<VQDocxTable>();
  auto below = Text(200, 0, 12, 0);
  section.paragraphGroupArray = {{above, table, below}};
  const auto groups = section.autoFitParagraphSpacing(3);
  ASSERT_EQ(groups[0].size(), 3u);
  EXPECT_EQ(groups[0][1], table);
  EXPECT_FLOAT_EQ(above->pProperty.spacing.after, 6);
  EXPECT_FLOAT_EQ(below->pProperty.spacing.before, 0);
}

// Three wrapped lines of one left-aligned paragraph, 14 pt apart.
VQDocxPageSection::ParagraphColum WrappedLines() {
  return Colum({TextParagraph({.text = "The first line of text", .width = 380, .top = 100, .room = 14}),
                TextParagraph({.text = "the second line of it", .width = 380, .top = 114, .room = 14}),
                TextParagraph({.text = "and the last one", .width = 150, .top = 128, .room = 14})});
}

TEST(VQDocxPageSectionSpacing, MergingFollowsTheConversionOption) {
  for (const bool merge : {false, true}) {
    SCOPED_TRACE(merge);
    VQDocxPage page(612, 792, AffineTransformIdentity, 1, 1, true, true);
    VQPDFOptions options = page.moreOptions();
    options.wordOptions.isMergeParagraphs = merge;
    page.setMoreOptions(options);
    VQDocxPageSection section(PageSectProperty());
    section.superPage = &page;
    section.paragraphGroupArray = {WrappedLines()};
    const auto* groupsObject = &section.paragraphGroupArray;
    section.optimizeParagraphs();
    EXPECT_EQ(&section.paragraphGroupArray, groupsObject);
    ASSERT_EQ(section.paragraphGroupArray.size(), 1u);
    const auto& colum = section.paragraphGroupArray[0];
    if (!merge) {
      EXPECT_EQ(colum.size(), 3u);
    } else {
      ASSERT_EQ(colum.size(), 1u);
      const auto merged = ParagraphAt(colum, 0);
      ASSERT_TRUE(merged);
      EXPECT_EQ(merged->lineArray.size(), 3u);
      EXPECT_EQ(merged->paragraphText, "The first line of text the second line of it and the last one");
    }
  }
}

TEST(VQDocxPageSectionSpacing, ASectionWithoutPageMergesAsTheProductDefault) {
  EXPECT_TRUE(VQWordOptions{}.isMergeParagraphs);
  VQDocxPageSection section(PageSectProperty());
  section.paragraphGroupArray = {WrappedLines()};
  section.optimizeParagraphs();
  ASSERT_EQ(section.paragraphGroupArray.size(), 1u);
  EXPECT_EQ(section.paragraphGroupArray[0].size(), 1u);
}

TEST(VQDocxPageSectionSpacing, AnEmptySectionStaysEmpty) {
  VQDocxPageSection section(PageSectProperty());
  section.optimizeParagraphs();
  EXPECT_TRUE(section.paragraphGroupArray.empty());
  section.paragraphGroupArray = {{}};
  section.optimizeParagraphs();
  ASSERT_EQ(section.paragraphGroupArray.size(), 1u);
  EXPECT_TRUE(section.paragraphGroupArray[0].empty());
}

}  // namespace

namespace {

struct Spacing {
  double before, line, after;
};

struct SettleCase {
  const char* name;
  std::vector<Spacing> texts;  // text paragraphs, or a spacer where line < 0 (its line is -line)
  double owed;                 // from the sections above
  std::vector<Spacing> expected;
  double left;  // what the column still owes
};

}  // namespace

// Room a paragraph lost to a negative space is taken from the room below it,
// so that the column keeps the height of its slice of the page.
TEST(VQDocxPageSectionSpacing, NegativeRoomIsTakenFromTheRoomBelow) {
  const SettleCase cases[] = {
      {"from the next paragraph's space before", {{0, 12, -4}, {6, 12, 0}}, 0, {{0, 12, 0}, {2, 12, 0}}, 0},
      {"from a spacer's line, which keeps a point",
       {{0, 12, -30}, {0, -10, 0}, {1, 12, 0}},
       0,
       {{0, 12, 0}, {0, 1.05, 0}, {0, 12, 0}},
       30 - 8.95 - 1},
      {"nothing below to give", {{0, 12, -3}}, 0, {{0, 12, 0}}, 3},
      {"owed by the sections above", {{4, 12, 2}}, 5, {{0, 12, 1}}, 0},
      {"a negative space before", {{-2, 12, 3}}, 0, {{0, 12, 1}}, 0},
      {"a text line the writer raises", {{0, 3, 0}}, 0, {{0, 3, 0}}, 2},
      {"text lines never shrink", {{0, 12, 0}, {0, 12, 0}}, 4, {{0, 12, 0}, {0, 12, 0}}, 4},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    VQDocxPageSection::ParagraphColum colum;
    for (size_t i = 0; i < c.texts.size(); ++i) {
      const Spacing& s = c.texts[i];
      if (s.line < 0) {
        colum.push_back(BlankSpacer(-s.line, s.before, s.after));
        continue;
      }
      auto p = Text(100 + 20.0 * static_cast<double>(i), 0, 12, 0);
      p->pProperty.spacing.before = static_cast<float>(s.before);
      p->pProperty.spacing.line = static_cast<float>(s.line);
      p->pProperty.spacing.after = static_cast<float>(s.after);
      colum.push_back(p);
    }
    EXPECT_NEAR(VQDocxPageSection::settleNegativeSpacing(colum, c.owed), c.left, 1e-4);
    for (size_t i = 0; i < colum.size(); ++i) {
      const auto& s = ParagraphAt(colum, i)->pProperty.spacing;
      EXPECT_NEAR(s.before, c.expected[i].before, 1e-4) << i;
      EXPECT_NEAR(s.line, c.expected[i].line, 1e-4) << i;
      EXPECT_NEAR(s.after, c.expected[i].after, 1e-4) << i;
    }
  }
}

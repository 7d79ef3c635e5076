#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "docx/layout/PageSectionParagraphs.h"
#include "docx/layout/VQDocxPageSection.h"
#include "office/VQDocxUtilities.h"

namespace {

using namespace vq;
using vqtest::BlankSpacer;
using vqtest::Colum;
using vqtest::TextParagraph;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// A text paragraph of `lines` lines with the given spacing and a 12 pt mark.
std::shared_ptr<VQDocxParagraph> Spaced(double before, double line, double after, size_t lines = 1) {
  auto p = TextParagraph({.text = "some words", .top = 100});
  for (size_t i = 1; i < lines; ++i) p->lineArray.push_back(p->lineArray.front());
  p->pProperty.spacing.before = static_cast<float>(before);
  p->pProperty.spacing.line = static_cast<float>(line);
  p->pProperty.spacing.after = static_cast<float>(after);
  p->rProperty.sz = 12;
  return p;
}

TEST(VQDocxPageSectionBlanks, BorrowingRules) {
  struct Row {
    const char* name;
    double before, line, after;
    size_t lines;
    bool blank;  // a paragraph without text
    double ySpace;
    bool afterFirst;
    bool can;
    double newBefore, newLine, newAfter;
  };
  const Row rows[] = {
      {"own before", 6, 12, 0, 1, false, -2, false, true, 3.9, 12, 0},
      {"own after", 0, 12, 5, 1, false, -2, true, true, 0, 12, 2.9},
      {"before and after", 1, 12, 1.5, 1, false, -2, false, true, 0.4, 12, 0},
      {"before and after, after first", 1, 12, 1.5, 1, false, -2, true, true, 0, 12, 0.4},
      {"blank line", 0, 12, 0, 0, true, -11.8, false, true, 0, 0.1, 0},
      {"blank line too small", 0, 12, 0, 0, true, -12, false, false, 0, 12, 0},
      {"three lines", 0, 14, 0, 3, false, -9.4, false, true, 0, 14 - 9.5 / 3, 0},
      {"three lines too few", 0, 14, 0, 3, false, -9.6, false, false, 0, 14, 0},
      {"nothing to lend", 0, 12, 0, 1, false, -3, false, false, 0, 12, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    auto p =
        row.blank ? BlankSpacer(row.line, row.before, row.after) : Spaced(row.before, row.line, row.after, row.lines);
    EXPECT_EQ(VQDocxPageSection::BorrowParagraph(p, row.ySpace, row.afterFirst, false), row.can);
    EXPECT_FLOAT_EQ(p->pProperty.spacing.before, static_cast<float>(row.before));
    EXPECT_FLOAT_EQ(p->pProperty.spacing.line, static_cast<float>(row.line));
    EXPECT_FLOAT_EQ(p->pProperty.spacing.after, static_cast<float>(row.after));
    EXPECT_EQ(VQDocxPageSection::BorrowParagraph(p, row.ySpace, row.afterFirst, true), row.can);
    EXPECT_NEAR(p->pProperty.spacing.before, row.newBefore, 1e-5);
    EXPECT_NEAR(p->pProperty.spacing.line, row.newLine, 1e-5);
    EXPECT_NEAR(p->pProperty.spacing.after, row.newAfter, 1e-5);
  }
}

TEST(VQDocxPageSectionBlanks, NoNumberIsBorrowedOrLent) {
  auto p = Spaced(6, 12, 0);
  EXPECT_FALSE(VQDocxPageSection::BorrowParagraph(p, kNaN, false, true));
  EXPECT_FALSE(VQDocxPageSection::BorrowParagraph(p, -std::numeric_limits<double>::infinity(), false, true));
  EXPECT_FALSE(VQDocxPageSection::BorrowParagraph(nullptr, -2, false, true));
  auto broken = Spaced(kNaN, 12, 0);
  EXPECT_FALSE(VQDocxPageSection::BorrowParagraph(broken, -2, false, true));
  EXPECT_FLOAT_EQ(p->pProperty.spacing.before, 6);
  // A space that is no overlap needs nothing: the paragraph stays as it is.
  EXPECT_TRUE(VQDocxPageSection::BorrowParagraph(p, 5, false, true));
  EXPECT_FLOAT_EQ(p->pProperty.spacing.before, 6);
}

TEST(VQDocxPageSectionBlanks, AColumnLendsFromTheParagraphNearestTheArea) {
  auto first = Spaced(5, 12, 5), last = Spaced(5, 12, 5);
  auto table = std::make_shared<VQDocxTable>();
  const VQDocxPageSection::ParagraphColum colum = {first, last, table};
  // Before the area the last paragraph lends its space after.
  EXPECT_TRUE(VQDocxPageSection::BorrowParagraphColum(colum, -2, true, true));
  EXPECT_FLOAT_EQ(last->pProperty.spacing.after, 2.9f);
  EXPECT_FLOAT_EQ(first->pProperty.spacing.after, 5);
  // After the area the first paragraph lends its space before.
  EXPECT_TRUE(VQDocxPageSection::BorrowParagraphColum(colum, -2, false, true));
  EXPECT_FLOAT_EQ(first->pProperty.spacing.before, 2.9f);
  EXPECT_FLOAT_EQ(last->pProperty.spacing.before, 5);
  EXPECT_FALSE(VQDocxPageSection::BorrowParagraphColum({table}, -2, false, true));
  EXPECT_FALSE(VQDocxPageSection::BorrowParagraphColum({}, -2, false, true));
}

TEST(VQDocxPageSectionBlanks, EveryColumnLendsOrNoneDoes) {
  auto rich = Spaced(0, 12, 6), poor = Spaced(0, 12, 0);
  const VQDocxPageSection::ParagraphGroupArray groups = {Colum({rich}), Colum({poor})};
  EXPECT_FALSE(VQDocxPageSection::BorrowParagraphArray0(groups, -2));
  EXPECT_FLOAT_EQ(rich->pProperty.spacing.after, 6);
  EXPECT_FALSE(VQDocxPageSection::BorrowParagraphArrayN(groups, -2));
  EXPECT_FLOAT_EQ(rich->pProperty.spacing.before, 0);
  EXPECT_FALSE(VQDocxPageSection::BorrowParagraphArray0({}, -2));
  EXPECT_FALSE(VQDocxPageSection::BorrowParagraphArrayN({}, -2));

  auto rich2 = Spaced(4, 12, 6);
  const VQDocxPageSection::ParagraphGroupArray both = {Colum({rich}), Colum({rich2})};
  EXPECT_TRUE(VQDocxPageSection::BorrowParagraphArray0(both, -2));
  EXPECT_FLOAT_EQ(rich->pProperty.spacing.after, 3.9f);
  EXPECT_FLOAT_EQ(rich2->pProperty.spacing.after, 3.9f);
  EXPECT_TRUE(VQDocxPageSection::BorrowParagraphArrayN(both, -2));
  EXPECT_FLOAT_EQ(rich2->pProperty.spacing.before, 1.9f);
}

TEST(VQDocxPageSectionBlanks, GivingSpace) {
  auto first = Spaced(1, 12, 1), last = Spaced(1, 12, 1);
  auto table = std::make_shared<VQDocxTable>();
  const VQDocxPageSection::ParagraphColum colum = {table, first, last, table};
  EXPECT_FALSE(VQDocxPageSection::GiveYSpace(-1, true, colum));
  EXPECT_FALSE(VQDocxPageSection::GiveYSpace(kNaN, true, colum));
  EXPECT_FALSE(VQDocxPageSection::GiveYSpace(1e300, true, colum));  // beyond what spacing can hold
  EXPECT_FLOAT_EQ(first->pProperty.spacing.before, 1);
  EXPECT_TRUE(VQDocxPageSection::GiveYSpace(3, true, colum));
  EXPECT_FLOAT_EQ(first->pProperty.spacing.before, 4);
  EXPECT_TRUE(VQDocxPageSection::GiveYSpace(2, false, colum));
  EXPECT_FLOAT_EQ(last->pProperty.spacing.after, 3);
  EXPECT_FLOAT_EQ(first->pProperty.spacing.after, 1);
  EXPECT_FALSE(VQDocxPageSection::GiveYSpace(2, false, VQDocxPageSection::ParagraphColum{table}));

  auto other = Spaced(0, 12, 0);
  const VQDocxPageSection::ParagraphGroupArray groups = {{table}, Colum({other})};
  EXPECT_FALSE(VQDocxPageSection::GiveYSpace(-1, true, groups));
  EXPECT_TRUE(VQDocxPageSection::GiveYSpace(5, true, groups));
  EXPECT_FLOAT_EQ(other->pProperty.spacing.before, 5);
  EXPECT_FALSE(VQDocxPageSection::GiveYSpace(5, true, VQDocxPageSection::ParagraphGroupArray{}));
}

TEST(VQDocxPageSectionBlanks, SpaceBeforeAColumnBecomesBlankParagraphs) {
  VQDocxPageSection section;
  auto p = Spaced(30, 0, 0);
  p->contentFrame = RectMake(50, 200, 100, 12);
  p->columnFrame = RectMake(40, 0, 300, 800);
  p->pProperty.ind.left = 10;
  p->pProperty.ind.right = 5;
  p->pProperty.jc = 3;
  p->breakColumn = true;
  p->sectProperty.shouldWrite = 1;  // the paragraph carries the section's break
  section.writeBeforeBlankParagraphs(p);
  ASSERT_EQ(section.allWriteXMLObjects.size(), 2u);
  auto a = std::dynamic_pointer_cast<VQDocxParagraph>(section.allWriteXMLObjects[0]);
  auto b = std::dynamic_pointer_cast<VQDocxParagraph>(section.allWriteXMLObjects[1]);
  ASSERT_TRUE(a && b);
  EXPECT_TRUE(a->breakColumn);
  EXPECT_FALSE(b->breakColumn);
  double total = 0;
  for (const auto& blank : {a, b}) {
    EXPECT_TRUE(blank->isParagraphBlankText());
    EXPECT_FALSE(blank->sectProperty.shouldWrite);
    EXPECT_FLOAT_EQ(blank->pProperty.ind.left, 10);
    EXPECT_FLOAT_EQ(blank->pProperty.ind.right, 5);
    EXPECT_EQ(blank->pProperty.jc, 3);
    EXPECT_TRUE(RectEqualToRect(blank->columnFrame, p->columnFrame));
    total += blank->pProperty.spacing.line;
  }
  EXPECT_NEAR(total, 30, 1e-5);
  EXPECT_DOUBLE_EQ(a->contentFrame.origin.y, 170);
  // The paragraph itself is the caller's to change.
  EXPECT_TRUE(p->breakColumn);
  EXPECT_FLOAT_EQ(p->pProperty.spacing.before, 30);
}

TEST(VQDocxPageSectionBlanks, NoBlankForNoSpace) {
  VQDocxPageSection section;
  section.writeBeforeBlankParagraphs(nullptr);
  section.writeBeforeBlankParagraphs(Spaced(0, 12, 0));
  section.writeBeforeBlankParagraphs(Spaced(kNaN, 12, 0));
  EXPECT_TRUE(section.allWriteXMLObjects.empty());
}

}  // namespace

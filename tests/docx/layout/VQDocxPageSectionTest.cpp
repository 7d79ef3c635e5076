#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "docx/capture/PlacedTextRun.h"
#include "docx/layout/VQDocxPage.h"
#include "docx/layout/VQDocxPageSection.h"
#include "office/VQDocxUtilities.h"

using vq::Rect;
using vq::RectMake;
using vq::VQDocxPageSection;
using vq::VQDocxParagraph;
using vq::VQDocxRunTextLine;
using vqtest::PlacedText;

namespace {

using Section = VQDocxPageSection;
using Line = VQDocxRunTextLine;

// A 612 x 792 page with 72-point margins.
vq::VQDocx_SectPr letterPage() {
  vq::VQDocx_SectPr s = vq::VQDocxUtilities::defaultSectPropertyHiden();
  s.pgSz = {612, 792};
  s.pgMar.top = s.pgMar.left = s.pgMar.right = s.pgMar.bottom = 72;
  return s;
}

uint64_t gPainted = 0;

// A one-run line from x to x + width whose frame spans top to top + height.
std::shared_ptr<Line> lineAt(double x, double top, double width = 100, double height = 12,
                             const std::string& text = "ab", double wordHeight = 0) {
  PlacedText p;
  p.text = text;
  p.index = p.textIndex = gPainted++;
  p.x = x;
  p.width = width;
  p.top = top;
  p.height = height;
  p.base = top + height * 0.8;
  p.size = static_cast<float>(height);
  p.wordHeight = wordHeight;
  return std::make_shared<Line>(Line::RunArray{vqtest::PlacedTextRun(p)});
}

// A section of the text area of a letter page, with the lines' frame as its
// text area; the builder runs on the groups.
std::shared_ptr<Section> sectionOf(Section::ColumGroupArray groups, bool firstPage = true, bool head = false) {
  auto section = std::make_shared<Section>(letterPage());
  section->sectionFrame = RectMake(72, 72, 468, 648);
  Line::Array all;
  for (const auto& group : groups) all.insert(all.end(), group.begin(), group.end());
  section->columGroupFrame = Line::FrameOfLineArray(all);
  section->isDocumentFirstPage = firstPage;
  section->isPageHeadSection = head;
  section->setColumGroupArray(std::move(groups));
  return section;
}

std::vector<std::shared_ptr<VQDocxParagraph>> paragraphsOf(const Section::ParagraphColum& colum) {
  std::vector<std::shared_ptr<VQDocxParagraph>> out;
  for (const auto& object : colum)
    if (auto p = std::dynamic_pointer_cast<VQDocxParagraph>(object)) out.push_back(p);
  return out;
}

double heightOf(const std::vector<std::shared_ptr<VQDocxParagraph>>& paragraphs) {
  double h = 0;
  for (const auto& p : paragraphs) h += p->yHeight();
  return h;
}

}  // namespace

// ---- the blank section and the column list -------------------

TEST(VQDocxPageSectionTest, BlankSectionCoversTheAreaTheMarginsLeave) {
  const auto section = Section::BankPageSectionWithSectProperty(letterPage(), 1);
  EXPECT_EQ(section->sectionArea, 1);
  EXPECT_TRUE(vq::RectEqualToRect(section->sectionFrame, RectMake(72, 72, 468, 648)));
  ASSERT_EQ(section->paragraphGroupArray.size(), 1u);
  ASSERT_EQ(section->columGroupArray().size(), 1u);
  const auto paragraph = section->firstParagraph();
  ASSERT_NE(paragraph, nullptr);
  EXPECT_EQ(paragraph->sectProperty.shouldWrite, 0);
  EXPECT_EQ(paragraph->sectProperty.type, 1);
  EXPECT_EQ(paragraph->sectProperty.cols.num, vq::VQDocxUtilities::defaultColsProperty().num);
  const double line = paragraph->pProperty.spacing.line;
  EXPECT_TRUE(vq::RectEqualToRect(paragraph->contentFrame, RectMake(72, 72, 1, line)));
  EXPECT_TRUE(vq::RectEqualToRect(section->columGroupFrame, paragraph->contentFrame));
  EXPECT_DOUBLE_EQ(section->footBlankHeight, 648 - line - 1);
  EXPECT_TRUE(section->allRunTextArray().empty());
}

TEST(VQDocxPageSectionTest, OneColumnGroupKeepsItsColumns) {
  const auto section = sectionOf({{lineAt(72, 100, 300)}});
  EXPECT_EQ(section->sectProperty().cols.num, letterPage().cols.num);
  EXPECT_EQ(section->sectProperty().cols.col, nullptr);
}

TEST(VQDocxPageSectionTest, ProposedColumnSpaceFollowsTheNarrowestGap) {
  // 40 points apart: 40 - 2.836 is above the largest space.
  auto wide = sectionOf({{lineAt(72, 100, 200)}, {lineAt(312, 100, 200)}});
  EXPECT_NEAR(wide->minSeparatedColumSpace(), 35.45, 1e-5);
  // 10 points apart: 7.16.
  auto narrow = sectionOf({{lineAt(72, 100, 200)}, {lineAt(282, 100, 200)}});
  EXPECT_NEAR(narrow->minSeparatedColumSpace(), 7.16, 1e-9);
  EXPECT_DOUBLE_EQ(Section::_minLeftXOfLineArrayA({}), 0);
  EXPECT_DOUBLE_EQ(Section::_maxRightXOfLineArrayA_SpaceBehind({}), 0);
}

TEST(VQDocxPageSectionTest, EqualColumnsWhenTheSplitFallsInTheGap) {
  // Equal split of 468 with space 7.16: boundary 72 + 230.42 + 3.58 = 306.
  auto section = sectionOf({{lineAt(72, 100, 231)}, {lineAt(313, 100, 227)}});
  double s = section->minSeparatedColumSpace();
  EXPECT_NEAR(s, 7.16, 1e-9);
  ASSERT_TRUE(section->IsPageSectionEquallySeparatedColums(&s));
  EXPECT_NEAR(s, 2.836, 1e-6);  // m = 3
  const auto& cols = section->sectProperty().cols;
  ASSERT_EQ(cols.num, 2u);
  ASSERT_NE(cols.col, nullptr);
  EXPECT_NEAR(cols.space, 2.836, 1e-5);
  EXPECT_NEAR(cols.equalWidth, (468 - 2.836) / 2, 1e-3);
  EXPECT_EQ(cols.sep, 1);
  for (size_t k = 0; k < 2; ++k) {
    EXPECT_FLOAT_EQ(cols.col[k].w, cols.equalWidth);
    EXPECT_FLOAT_EQ(cols.col[k].space, cols.space);
  }
}

TEST(VQDocxPageSectionTest, UnequalColumnsWhenTheSplitMeetsText) {
  auto section = sectionOf({{lineAt(72, 100, 128)}, {lineAt(210, 100, 330)}});
  double s = 7.16;
  EXPECT_FALSE(section->IsPageSectionEquallySeparatedColums(&s));
  EXPECT_DOUBLE_EQ(s, 7.16) << "left untouched";
  const auto& cols = section->sectProperty().cols;
  ASSERT_EQ(cols.num, 2u);
  EXPECT_FLOAT_EQ(cols.col[0].space, 10);
  EXPECT_FLOAT_EQ(cols.col[0].w, 128);
  EXPECT_FLOAT_EQ(cols.col[1].space, 0);
  EXPECT_FLOAT_EQ(cols.col[1].w, 540 - (72 + 10 + 128));
  EXPECT_FLOAT_EQ(cols.space, 0);
  EXPECT_FLOAT_EQ(cols.equalWidth, 0);

  auto touching = sectionOf({{lineAt(72, 100, 128)}, {lineAt(200.1, 100, 330)}});
  EXPECT_FLOAT_EQ(touching->sectProperty().cols.col[0].space, 0.2836f);
}

TEST(VQDocxPageSectionTest, ACopyKeepsItsColumnListWhenTheOriginalGoes) {
  auto section = sectionOf({{lineAt(72, 100, 128)}, {lineAt(210, 100, 330)}});
  auto copy = section->clone();
  const auto* col = copy->sectProperty().cols.col;
  section.reset();
  ASSERT_NE(col, nullptr);
  EXPECT_FLOAT_EQ(copy->sectProperty().cols.col[0].w, 128);

  // A record whose list belongs to someone else is copied in.
  std::vector<vq::VQDocx_Col> foreign{{100, 10}, {200, 0}};
  vq::VQDocx_SectPr s = letterPage();
  s.cols.num = 2;
  s.cols.col = foreign.data();
  Section own(s);
  foreign.assign({{1, 1}, {1, 1}});
  EXPECT_NE(own.sectProperty().cols.col, foreign.data());
  EXPECT_FLOAT_EQ(own.sectProperty().cols.col[1].w, 200);
}

TEST(VQDocxPageSectionTest, SingleLineAreaGrowsToItsWordLineHeight) {
  auto section = sectionOf({{lineAt(72, 100, 300, 12, "ab", 15)}});
  const Rect before = section->columGroupFrame;
  section->updateColumGroupFrame();
  EXPECT_DOUBLE_EQ(section->columGroupFrame.origin.y, before.origin.y);
  EXPECT_DOUBLE_EQ(section->columGroupFrame.size.height, before.size.height + 3);

  // Centred or bottom-aligned: half of it upwards.
  vq::VQDocx_SectPr s = section->sectProperty();
  s.vAlign = 1;
  section->setSectProperty(s);
  const Rect again = section->columGroupFrame;
  section->updateColumGroupFrame();
  EXPECT_DOUBLE_EQ(section->columGroupFrame.origin.y, again.origin.y - 3);
  EXPECT_DOUBLE_EQ(section->columGroupFrame.size.height, again.size.height + 6);

  // A growth that would reach a table is undone.
  auto table = std::make_shared<vq::VQDocxTable>();
  table->bounds = RectMake(72, vq::RectGetMaxY(section->columGroupFrame) + 1, 468, 50);
  section->allTableArray.push_back(table);
  const Rect kept = section->columGroupFrame;
  section->updateColumGroupFrame();
  EXPECT_TRUE(vq::RectEqualToRect(section->columGroupFrame, kept));

  // No room below: nothing.
  section->allTableArray.clear();
  section->columGroupFrame.size.height = vq::RectGetMaxY(section->sectionFrame) - section->columGroupFrame.origin.y;
  const Rect full = section->columGroupFrame;
  section->updateColumGroupFrame();
  EXPECT_TRUE(vq::RectEqualToRect(section->columGroupFrame, full));
}

TEST(VQDocxPageSectionTest, LastLineGapOfEqualLinesIsAdded) {
  auto section = sectionOf({{lineAt(72, 100), lineAt(72, 120)}});
  const Rect before = section->columGroupFrame;
  section->updateColumGroupFrame();
  EXPECT_DOUBLE_EQ(section->columGroupFrame.size.height, before.size.height + 8);
}

// ---- paragraphs from column groups ---------------------------

TEST(VQDocxPageSectionTest, LargeGapsBecomeBlankParagraphs) {
  {
    auto section = sectionOf({{lineAt(72, 72), lineAt(72, 72 + 12 + 40)}});
    const auto ps = paragraphsOf(section->paragraphGroupArray[0]);
    // The text area grows by the 40-point gap below the last line too, so
    // both lines are followed by 16 points of blank paragraphs.
    ASSERT_EQ(ps.size(), 4u);
    EXPECT_DOUBLE_EQ(ps[0]->yAfter(), 24);
    EXPECT_TRUE(ps[1]->lineArray.empty());
    EXPECT_NEAR(ps[1]->yHeight(), 16, 0.05);
    EXPECT_FALSE(ps[2]->lineArray.empty());
    EXPECT_DOUBLE_EQ(ps[2]->yBefore(), 0) << "only the first line carries space before";
    EXPECT_TRUE(ps[3]->lineArray.empty());
  }
  {
    auto section = sectionOf({{lineAt(72, 72), lineAt(72, 72 + 12 + 30)}});
    const auto ps = paragraphsOf(section->paragraphGroupArray[0]);
    ASSERT_EQ(ps.size(), 2u);
    EXPECT_DOUBLE_EQ(ps[0]->yAfter(), 30);
  }
}

TEST(VQDocxPageSectionTest, SpaceBelowTheLastLineOfAColumnMakesNoBlanks) {
  // One column: the gap down to the grown text area bottom is far below.
  auto two = sectionOf({{lineAt(72, 72, 200), lineAt(72, 300, 200)}, {lineAt(312, 72, 200)}});
  ASSERT_EQ(two->paragraphGroupArray.size(), 2u);
  const auto right = paragraphsOf(two->paragraphGroupArray[1]);
  ASSERT_EQ(right.size(), 1u);
  EXPECT_TRUE(right[0]->breakColumn);
  EXPECT_FALSE(paragraphsOf(two->paragraphGroupArray[0]).front()->breakColumn);
}

TEST(VQDocxPageSectionTest, EmptyColumnGroupGetsABlankParagraph) {
  auto section = sectionOf({{lineAt(72, 100, 200)}, {}});
  ASSERT_EQ(section->paragraphGroupArray.size(), 2u);
  const auto ps = paragraphsOf(section->paragraphGroupArray[1]);
  ASSERT_FALSE(ps.empty());
  EXPECT_NEAR(heightOf(ps), 24, 0.05);
  EXPECT_TRUE(ps[0]->lineArray.empty());
}

TEST(VQDocxPageSectionTest, HeadGapAboveTheText) {
  {
    auto section = sectionOf({{lineAt(72, 72 + 30, 300, 10)}});
    EXPECT_DOUBLE_EQ(section->columGroupFrame.origin.y, 72 + 20);
    EXPECT_NEAR(heightOf(section->headBlankParagraphArray), 20, 0.05);
  }
  {
    auto section = sectionOf({{lineAt(72, 72 + 15, 300, 10)}});
    EXPECT_DOUBLE_EQ(section->columGroupFrame.origin.y, 72);
    EXPECT_TRUE(section->headBlankParagraphArray.empty());
  }
}

TEST(VQDocxPageSectionTest, HeadOfALaterPageFoldsItsSpaceBefore) {
  {
    auto section = sectionOf({{lineAt(72, 72 + 3, 300, 10)}}, false, true);
    const auto first = section->firstParagraph();
    ASSERT_NE(first, nullptr);
    EXPECT_FLOAT_EQ(first->pProperty.spacing.before, 0);
    EXPECT_FLOAT_EQ(first->pProperty.spacing.line, 13);
    EXPECT_TRUE(section->headBlankParagraphArray.empty());
  }
  {
    auto section = sectionOf({{lineAt(72, 72 + 12, 300, 10)}}, false, true);
    const auto first = section->firstParagraph();
    ASSERT_NE(first, nullptr);
    EXPECT_FLOAT_EQ(first->pProperty.spacing.before, 0);
    EXPECT_NEAR(heightOf(section->headBlankParagraphArray), 12, 0.05);
  }
  {
    // On the document's first page the space stays.
    auto section = sectionOf({{lineAt(72, 72 + 12, 300, 10)}}, true, true);
    EXPECT_FLOAT_EQ(section->firstParagraph()->pProperty.spacing.before, 12);
  }
}

TEST(VQDocxPageSectionTest, FootHeightAndFootBlankParagraphs) {
  auto section = sectionOf({{lineAt(72, 72, 300)}});
  EXPECT_GT(section->footBlankHeight, 1);
  section->createFootBlankParagraphArray();
  EXPECT_NEAR(heightOf(section->footBlankParagraphArray), section->footBlankHeight, 0.05);

  Section none;
  none.footBlankHeight = 1;
  none.createFootBlankParagraphArray();
  EXPECT_TRUE(none.footBlankParagraphArray.empty());
  none.footBlankHeight = std::nan("");
  none.createFootBlankParagraphArray();
  EXPECT_TRUE(none.footBlankParagraphArray.empty());
}

TEST(VQDocxPageSectionTest, EmptyGroupsAreStoredAndNothingElse) {
  Section section(letterPage());
  section.setColumGroupArray({});
  EXPECT_TRUE(section.columGroupArray().empty());
  EXPECT_TRUE(section.paragraphGroupArray.empty());
  EXPECT_TRUE(section.headBlankParagraphArray.empty());
}

TEST(VQDocxPageSectionTest, OverlappingLinesShareTheirUnionHeight) {
  // Three 12-point lines 10 points apart overlap by 2 points each.
  auto section = sectionOf({{lineAt(72, 72), lineAt(72, 82), lineAt(72, 92), lineAt(72, 130)}});
  const auto ps = paragraphsOf(section->paragraphGroupArray[0]);
  ASSERT_EQ(ps.size(), 4u);
  for (size_t k = 0; k < 3; ++k) EXPECT_NEAR(ps[k]->yHeight(), 32.0 / 3, 1e-9);
  EXPECT_DOUBLE_EQ(ps[0]->yAfter(), 0);
  EXPECT_NEAR(ps[2]->yAfter(), 130 - 104, 1e-9);
}

TEST(VQDocxPageSectionTest, NumberOfAlignedLines) {
  const Line::Array lines{lineAt(72, 100), lineAt(73.5, 120), lineAt(90, 140)};
  EXPECT_EQ(Section::NumberOf(lines, 0), 2u);
  EXPECT_EQ(Section::NumberOf({}, 0), 0u);
  EXPECT_EQ(Section::NumberOf(lines, 3), 2u);
  EXPECT_EQ(Section::NumberOf({lineAt(72, 100, 100), lineAt(72, 120, 50)}, 3), 1u);
}

TEST(VQDocxPageSectionTest, AlignmentOfALine) {
  const Rect C = RectMake(72, 72, 468, 600);
  // Single column: the reference is the column.
  EXPECT_EQ(Section::RecognizeTextAlign(lineAt(74, 100, 468 - 42), nullptr, 0, 0, C, C), 0);
  EXPECT_EQ(Section::RecognizeTextAlign(lineAt(112, 100, 468 - 41), nullptr, 0, 0, C, C), 1);
  EXPECT_EQ(Section::RecognizeTextAlign(lineAt(102, 100, 468 - 60), nullptr, 0, 0, C, C), 2);
  // Full width takes the trend; so does a missing or tiny line.
  EXPECT_EQ(Section::RecognizeTextAlign(lineAt(72, 100, 466), nullptr, 0, 2, C, C), 2);
  EXPECT_EQ(Section::RecognizeTextAlign(nullptr, nullptr, 0, 1, C, C), 1);
  EXPECT_EQ(Section::RecognizeTextAlign(lineAt(200, 100, 2), nullptr, 0, 3, C, C), 3);
  // Left edge with the previous line's: left.
  EXPECT_EQ(Section::RecognizeTextAlign(lineAt(112.5, 100, 400), lineAt(112, 80, 100), 0, 1, C, C), 0);
  // Trend 2, text frame as reference.
  const Rect E = RectMake(100, 72, 200, 100);
  const Rect column = RectMake(72, 72, 300, 600);
  EXPECT_EQ(Section::RecognizeTextAlign(lineAt(101, 100, 198), nullptr, 0, 2, E, column), 3);
  EXPECT_EQ(Section::RecognizeTextAlign(lineAt(110, 100, 180), nullptr, 0, 2, E, column), 2);
  EXPECT_EQ(Section::RecognizeTextAlign(lineAt(150, 100, 149), nullptr, 0, 2, E, column), 1);
  EXPECT_EQ(Section::RecognizeTextAlign(lineAt(101, 100, 100), nullptr, 0, 2, E, column), 3);
  // Column middle beyond the text: left; text beyond it: right.
  EXPECT_EQ(Section::RecognizeTextAlign(lineAt(80, 100, 50), nullptr, 0, 2, RectMake(80, 72, 100, 10), column), 0);
  EXPECT_EQ(Section::RecognizeTextAlign(lineAt(300, 100, 50), nullptr, 0, 2, RectMake(250, 72, 100, 10), column), 1);
}

TEST(VQDocxPageSectionTest, AlignmentTrendOfAColumn) {
  const Rect C = RectMake(72, 72, 468, 600);
  EXPECT_EQ(Section::RecognizeTextAlignTrend({}, C, C), 0);
  EXPECT_EQ(Section::RecognizeTextAlignTrend({lineAt(72, 100)}, C, C), 0);
  // Flush left after the first line.
  const Line::Array left{lineAt(300, 100), lineAt(72, 120, 300), lineAt(72, 140, 200), lineAt(72, 160, 250)};
  EXPECT_EQ(Section::RecognizeTextAlignTrend(left, C, C), 0);
  // Both edges.
  const Line::Array both{lineAt(300, 100), lineAt(72, 120, 300), lineAt(72, 140, 300), lineAt(72, 160, 300)};
  EXPECT_EQ(Section::RecognizeTextAlignTrend(both, C, C), 3);
  // Right edges.
  const Line::Array right{lineAt(72, 100), lineAt(340, 120, 200), lineAt(240, 140, 300), lineAt(440, 160, 100)};
  EXPECT_EQ(Section::RecognizeTextAlignTrend(right, C, C), 1);
  // Centred lines.
  const Line::Array centre{lineAt(72, 100), lineAt(256, 120, 100), lineAt(206, 140, 200), lineAt(156, 160, 300)};
  EXPECT_EQ(Section::RecognizeTextAlignTrend(centre, C, C), 2);
  // Three lines or fewer: from the frames alone.
  const Line::Array few{lineAt(72, 100), lineAt(256, 120, 100), lineAt(206, 140, 200)};
  EXPECT_EQ(Section::RecognizeTextAlignTrend(few, RectMake(206, 100, 200, 52), C), 2);
  EXPECT_EQ(Section::RecognizeTextAlignTrend(few, RectMake(72, 100, 200, 52), C), 0);
}

TEST(VQDocxPageSectionTest, IndentQueries) {
  auto make = [](float left) {
    auto p = std::make_shared<VQDocxParagraph>();
    p->pProperty.ind.left = left;
    return p;
  };
  EXPECT_DOUBLE_EQ(Section::Ind_MinLeftOfParagraphs({}), 0);
  EXPECT_DOUBLE_EQ(Section::Ind_MinLeftOfParagraphs({make(20), make(5), make(9)}), 5);
  EXPECT_DOUBLE_EQ(Section::Ind_SubMinLeftOfParagraphs({}), 0);
  EXPECT_DOUBLE_EQ(Section::Ind_SubMinLeftOfParagraphs({make(20)}), 20);
  EXPECT_DOUBLE_EQ(Section::Ind_SubMinLeftOfParagraphs({make(2), make(9), make(7)}), 7);
}

TEST(VQDocxPageSectionTest, RaisedPiecesJoinTheirLine) {
  auto line = lineAt(72, 92, 100, 10, "ab");
  auto raised = lineAt(172, 91.2, 6, 6, "2");
  const auto groups = Section::MergeRunTextLineWithColumGroupArray({{line, raised}, {}});
  ASSERT_EQ(groups.size(), 2u);
  EXPECT_TRUE(groups[1].empty());
  ASSERT_EQ(groups[0].size(), 1u);
  EXPECT_EQ(groups[0][0]->runTextArray().size(), 2u);
}

// ---- area sections ---------------------------------------------

namespace {

// An area record of a 612 x 792 page whose margins leave `area` free.
vq::VQDocx_SectPr areaRecord(const Rect& area) {
  vq::VQDocx_SectPr s = vq::VQDocxUtilities::defaultSectPropertyHiden();
  s.pgSz = {612, 792};
  s.type = 6;
  s.pgMar.top = static_cast<float>(area.origin.y);
  s.pgMar.left = static_cast<float>(area.origin.x);
  s.pgMar.right = static_cast<float>(612 - vq::RectGetMaxX(area));
  s.pgMar.bottom = static_cast<float>(792 - vq::RectGetMaxY(area));
  return s;
}

std::shared_ptr<vq::VQDocxRunText> runAt(const std::string& text, uint64_t index, double x, double top,
                                         double height = 10) {
  PlacedText p;
  p.text = text;
  p.index = p.textIndex = index;
  p.x = x;
  p.width = 6.0 * static_cast<double>(text.size());
  p.top = top;
  p.height = height;
  p.base = top + height * 0.8;
  p.size = static_cast<float>(height);
  return vqtest::PlacedTextRun(p);
}

}  // namespace

TEST(VQDocxPageSectionTest, AreaWithoutTextMakesNoSection) {
  vq::VQDocxRunText::Array none;
  EXPECT_TRUE(Section::CreatePageSection(none, areaRecord(RectMake(100, 100, 200, 50)), 1, false, nullptr).empty());
  vq::VQDocxRunText::Array blanks{runAt(" ", 0, 110, 110), runAt("  ", 1, 130, 110)};
  EXPECT_TRUE(Section::CreatePageSection(blanks, areaRecord(RectMake(100, 100, 200, 50)), 1, false, nullptr).empty());
  EXPECT_TRUE(blanks.empty());
}

TEST(VQDocxPageSectionTest, AreaKeepsTheFirstOfRepeatedText) {
  auto first = runAt("Cell", 0, 110, 120);
  auto second = runAt("Cell", 1, 110.3, 120.1);
  vq::VQDocxRunText::Array runs{first, second};
  vq::VQDocxPage page(612, 792, vq::AffineTransformIdentity, 1, 1, true, true);
  const auto sections = Section::CreatePageSection(runs, areaRecord(RectMake(100, 100, 200, 50)), 1, false, &page);
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(runs[0], first);
  EXPECT_EQ(runs[0]->pdfScanIndex(), 0u);
  ASSERT_EQ(sections.size(), 1u);
  const auto& s = *sections[0];
  EXPECT_EQ(s.sectionArea, 1);
  EXPECT_EQ(s.superPage, nullptr);
  EXPECT_TRUE(s.isDocumentFirstPage && s.isDocumentLastPage && s.isPageHeadSection && s.isPageFootSection);
  EXPECT_EQ(s.sectProperty().type, 6);
  EXPECT_DOUBLE_EQ(s.sectionFrame.origin.x, 100);
  EXPECT_DOUBLE_EQ(s.sectionFrame.size.width, 200);
  EXPECT_DOUBLE_EQ(vq::RectGetMaxY(s.sectionFrame), 150);
  ASSERT_NE(s.firstTextParagraph(), nullptr);
}

TEST(VQDocxPageSectionTest, AreaVerticalAlignment) {
  // A 10-point line (frame top to bottom) in an area 100 points from 100.
  auto vAlignOf = [](double above, double below) {
    const Rect area = RectMake(100, 100, 200, above + 10 + below);
    vq::VQDocxRunText::Array runs{runAt("Text", 0, 110, 100 + above)};
    const auto sections = Section::CreatePageSection(runs, areaRecord(area), 1, false, nullptr);
    EXPECT_EQ(sections.size(), 1u);
    return sections.empty() ? -1 : sections[0]->sectProperty().vAlign;
  };
  EXPECT_EQ(vAlignOf(20, 21), 1);
  EXPECT_EQ(vAlignOf(20, 60), 0);
  EXPECT_EQ(vAlignOf(60, 20), 2);
  EXPECT_EQ(vAlignOf(0, 20), 0);
}

TEST(VQDocxPageSectionTest, CentredAreaSectionStartsJustAboveItsText) {
  const Rect area = RectMake(100, 100, 200, 51);
  vq::VQDocxRunText::Array runs{runAt("Text", 0, 110, 120)};
  const auto sections = Section::CreatePageSection(runs, areaRecord(area), 1, false, nullptr);
  ASSERT_EQ(sections.size(), 1u);
  EXPECT_EQ(sections[0]->sectProperty().vAlign, 1);
  EXPECT_LE(sections[0]->sectionFrame.origin.y, 120);
  EXPECT_GE(sections[0]->sectionFrame.origin.y, 112);
}

TEST(VQDocxPageSectionTest, MovingContentUp) {
  Section section(letterPage());
  auto first = std::make_shared<VQDocxParagraph>();
  first->pProperty.spacing.before = 4;
  auto last = std::make_shared<VQDocxParagraph>();
  last->pProperty.spacing.after = 5;
  section.paragraphGroupArray.push_back({first, last});
  EXPECT_DOUBLE_EQ(section.moveUpParagraphIfNeed(-1), 0);
  EXPECT_FLOAT_EQ(first->pProperty.spacing.before, 4);
  EXPECT_DOUBLE_EQ(section.moveUpParagraphIfNeed(6), 0);
  EXPECT_FLOAT_EQ(first->pProperty.spacing.before, 0);
  EXPECT_FLOAT_EQ(last->pProperty.spacing.after, 3);
  EXPECT_DOUBLE_EQ(section.moveUpParagraphIfNeed(5), 2);
  EXPECT_FLOAT_EQ(last->pProperty.spacing.after, 0);

  Section empty;
  EXPECT_DOUBLE_EQ(empty.moveUpParagraphIfNeed(7), 7);
}

// A one-letter capital beside the text it begins waits on the page for its
// text box, in an area as on the page itself.
TEST(VQDocxPageSectionTest, AreaDropCapitalWaitsOnThePage) {
  // A run from y 100 standing on `base`, as large as it is high.
  auto run = [](const char* text, uint64_t index, double x, double width, double height, double base) {
    return vqtest::PlacedTextRun({.text = text,
                                  .index = index,
                                  .textIndex = index,
                                  .x = x,
                                  .width = width,
                                  .top = 100,
                                  .height = height,
                                  .base = base,
                                  .size = static_cast<float>(height)});
  };
  auto capitalRun = [&] { return run("T", 0, 72, 24, 30, 124); };
  auto textRun = [&] { return run("he quick", 1, 100, 100, 10, 108); };
  {
    vq::VQDocxPage page(612, 792, vq::AffineTransformIdentity, 1, 1, true, true);
    vq::VQDocxRunText::Array runs{capitalRun(), textRun()};
    const auto capital = runs[0];
    const auto sections = Section::CreatePageSection(runs, areaRecord(RectMake(60, 90, 300, 60)), 0, false, &page);
    ASSERT_EQ(page.pendingDropCapitalRuns.size(), 1u);
    ASSERT_EQ(page.pendingDropCapitalRuns[0].size(), 1u);
    EXPECT_EQ(page.pendingDropCapitalRuns[0][0], capital);
    ASSERT_EQ(sections.size(), 1u);
    for (const auto& run : sections[0]->allRunTextArray()) EXPECT_NE(run, capital);
    EXPECT_FALSE(sections[0]->allRunTextArray().empty());
  }
  {
    vq::VQDocxPage page(612, 792, vq::AffineTransformIdentity, 1, 1, true, true);
    page.allRunTextArray = {capitalRun(), textRun()};
    page.updateAllPDFScanIndex();
    page.createTextColumSets();
    ASSERT_EQ(page.pendingDropCapitalRuns.size(), 1u);
    EXPECT_EQ(page.pendingDropCapitalRuns[0][0]->runText(), "T");
  }
}

// What is no number never reaches the written column list.
TEST(VQDocxPageSectionTest, ColumnListStaysFiniteWithoutAPageWidth) {
  auto section = std::make_shared<Section>([] {
    auto s = letterPage();
    s.pgSz.w = std::numeric_limits<float>::quiet_NaN();
    return s;
  }());
  section->sectionFrame = RectMake(72, 72, 468, 648);
  section->columGroupFrame = RectMake(72, 100, 468, 12);
  section->setColumGroupArray({{lineAt(72, 100, 128)}, {lineAt(210, 100, 330)}});
  const auto& cols = section->sectProperty().cols;
  ASSERT_EQ(cols.num, 2u);
  for (size_t k = 0; k < 2; ++k) {
    EXPECT_TRUE(std::isfinite(cols.col[k].w));
    EXPECT_TRUE(std::isfinite(cols.col[k].space));
  }
  EXPECT_TRUE(std::isfinite(cols.space));
  EXPECT_TRUE(std::isfinite(cols.equalWidth));
  double nan = std::nan("");
  EXPECT_FALSE(section->IsPageSectionEquallySeparatedColums(&nan));
}

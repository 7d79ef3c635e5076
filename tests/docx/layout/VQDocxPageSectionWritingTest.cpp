#include <gtest/gtest.h>

#include "PageSectionParagraphs.h"
#include "SectionTestSupport.h"
#include "docx/capture/VQDocxProperty.h"
#include "docx/layout/VQDocxPage.h"
#include "docx/layout/VQDocxPageSection.h"
#include "office/WordSchemaOrder.h"

namespace {

using namespace vq;
using vqtest::FakeTable;
using vqtest::Paragraph;
using vqtest::Table;
using vqtest::WrittenBody;
using Section = VQDocxPageSection;

const AffineTransform kTransform{1, 0, 0, -1, 0, 792};

struct Page {
  VQDocxPage page{612, 792, kTransform, 2, 2, false, false};
};

// Paragraphs carry their section's properties, not written.
void Adopt(Section& section) {
  VQDocx_SectPr s = section.sectProperty();
  s.shouldWrite = 0;
  for (const auto& colum : section.paragraphGroupArray)
    for (const auto& object : colum)
      if (auto p = std::dynamic_pointer_cast<VQDocxParagraph>(object)) p->sectProperty = s;
  for (const auto& p : section.headBlankParagraphArray) p->sectProperty = s;
}

// A single-column section of a Letter page with two text paragraphs from
// y 100, being its page's only section.
std::shared_ptr<Section> TextSection(VQDocxPage& page, bool firstPage, bool lastPage) {
  auto section = std::make_shared<Section>(vqtest::LetterSectProperty());
  section->superPage = &page;
  section->isDocumentFirstPage = firstPage;
  section->isDocumentLastPage = lastPage;
  section->isPageHeadSection = true;
  section->isPageFootSection = true;
  section->sectionFrame = RectMake(72, 72, 468, 648);
  section->columGroupFrame = RectMake(72, 100, 468, 24);
  section->paragraphGroupArray = {
      {Paragraph(RectMake(72, 100, 100, 12), "one"), Paragraph(RectMake(72, 112, 100, 12), "two")}};
  Adopt(*section);
  return section;
}

// A two-column section with one head blank line above its columns.
std::shared_ptr<Section> TwoColumnSection(VQDocxPage& page) {
  auto section = TextSection(page, false, false);
  section->setCols(VQDocxUtilities::defaultColsProperty(), {{224, 20}, {224, 0}});
  section->columGroupFrame = RectMake(80, 100, 460, 24);
  const Rect left = RectMake(72, 100, 224, 24);
  const Rect right = RectMake(316, 100, 224, 24);
  section->paragraphGroupArray = {
      {Paragraph(RectMake(80, 100, 100, 12), "a1", left), Paragraph(RectMake(80, 112, 100, 12), "a2", left)},
      {Paragraph(RectMake(316, 100, 100, 12), "b1", right), Paragraph(RectMake(316, 112, 100, 12), "b2", right)}};
  section->headBlankParagraphArray = {Paragraph(RectMake(72, 76, 2, 12)), Paragraph(RectMake(72, 88, 2, 12))};
  Adopt(*section);
  return section;
}

WrittenBody Write(const std::vector<std::shared_ptr<Section>>& sections) {
  WrittenBody body([&](XMLFileWriter& w) {
    for (const auto& section : sections) section->writeWithXMLWriter(w);
  });
  for (const auto& p : body.body.children("w:p")) vqtest::ExpectParagraphPropertiesInOrder(p);
  for (const auto& s : body.body.children("w:sectPr")) vqtest::ExpectSchemaOrder(s, vqtest::kSectPrOrder);
  return body;
}

pugi::xml_node BreakOf(const pugi::xml_node& p) { return p.child("w:pPr").child("w:sectPr"); }

std::string TypeOf(const pugi::xml_node& sectPr) { return sectPr.child("w:type").attribute("w:val").as_string(); }

size_t CountSectPr(const std::string& xml) {
  size_t n = 0;
  for (size_t at = xml.find("<w:sectPr"); at != std::string::npos; at = xml.find("<w:sectPr", at + 1)) ++n;
  return n;
}

TEST(VQDocxPageSectionWriting, OnePageSectionEndsWithItsBreak) {
  struct Case {
    const char* name;
    bool firstPage, lastPage;
    bool bare;         // the document's final w:sectPr instead of a break paragraph
    const char* type;  // "" starts a new page
    bool pageFlag;
  };
  const Case cases[] = {
      {"page in the middle", false, false, false, "", true},
      {"first page", true, false, false, "continuous", false},
      {"last page", false, true, true, "", true},
      {"only page", true, true, true, "continuous", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Page page;
    auto section = TextSection(page.page, c.firstPage, c.lastPage);
    section->createXMLObjects();
    EXPECT_EQ(page.page.isWriteSectionBreakPage, c.pageFlag);
    const auto written = Write({section});
    const auto children = written.children();
    ASSERT_EQ(children.size(), 3u) << written.xml;
    EXPECT_STREQ(children[0].child("w:r") ? "" : children[0].name(), "w:p");
    EXPECT_EQ(CountSectPr(written.xml), 1u) << written.xml;
    const pugi::xml_node last = children.back();
    const pugi::xml_node sectPr = c.bare ? last : BreakOf(last);
    EXPECT_STREQ(last.name(), c.bare ? "w:sectPr" : "w:p") << written.xml;
    ASSERT_TRUE(sectPr) << written.xml;
    EXPECT_EQ(TypeOf(sectPr), c.type);
    EXPECT_EQ(sectPr.child("w:pgSz").attribute("w:w").as_int(), 12240);
    if (c.bare) {
      EXPECT_TRUE(std::dynamic_pointer_cast<VQDocxProperty>(section->allWriteXMLObjects.back()));
    }
  }
}

// A break paragraph shows nothing and takes no indents from the paragraph it
// closes: LibreOffice passes an empty paragraph's indents on to the next
// section, where a wide right indent squeezes a narrow column.
TEST(VQDocxPageSectionWriting, ABreakParagraphHasNoIndents) {
  Page page;
  auto section = TextSection(page.page, false, false);
  auto last = std::dynamic_pointer_cast<VQDocxParagraph>(section->paragraphGroupArray.back().back());
  ASSERT_TRUE(last);
  last->pProperty.ind = VQDocx_Ind{20, 40, 270};
  section->createXMLObjects();
  const auto written = Write({section});
  const pugi::xml_node breakParagraph = written.children().back();
  ASSERT_TRUE(BreakOf(breakParagraph)) << written.xml;
  for (const char* side : {"w:left", "w:right", "w:firstLine", "w:hanging"})
    EXPECT_EQ(breakParagraph.child("w:pPr").child("w:ind").attribute(side).as_int(), 0) << side << written.xml;
  EXPECT_NE(written.xml.find("w:right=\"5400\""), std::string::npos) << "the text paragraph keeps its indent";
}

TEST(VQDocxPageSectionWriting, OnlyTheFirstBreakOfAPageStartsIt) {
  Page page;
  auto head = TextSection(page.page, false, false);
  head->isPageFootSection = false;
  head->footBlankHeight = 0.5;
  auto foot = TextSection(page.page, false, false);
  foot->isPageHeadSection = false;
  foot->previousPageSection = head;
  head->createXMLObjects();
  foot->createXMLObjects();
  const auto written = Write({head, foot});
  std::vector<std::string> types;
  for (const auto& p : written.body.children("w:p"))
    if (BreakOf(p)) types.push_back(TypeOf(BreakOf(p)));
  EXPECT_EQ(types, (std::vector<std::string>{"", "continuous"})) << written.xml;
}

TEST(VQDocxPageSectionWriting, TwoColumnsBetweenBreaks) {
  Page page;
  auto section = TwoColumnSection(page.page);
  section->createXMLObjects();
  const auto written = Write({section});
  const auto children = written.children();
  ASSERT_EQ(children.size(), 8u) << written.xml;
  // Head blank lines, a one-column break, the columns, the columns' break.
  for (size_t k : {0u, 1u}) {
    EXPECT_FALSE(BreakOf(children[k]));
    EXPECT_EQ(children[k].child("w:pPr").child("w:ind").attribute("w:left").as_int(), 160) << "8 pt in, as the text";
  }
  const auto singleColumn = BreakOf(children[2]);
  ASSERT_TRUE(singleColumn) << written.xml;
  EXPECT_FALSE(singleColumn.child("w:cols"));
  EXPECT_EQ(TypeOf(singleColumn), "") << "the page starts here";
  for (size_t k = 3; k < 7; ++k) EXPECT_FALSE(BreakOf(children[k]));
  const auto columns = BreakOf(children[7]);
  ASSERT_TRUE(columns) << written.xml;
  EXPECT_EQ(columns.child("w:cols").attribute("w:num").as_int(), 2);
  EXPECT_EQ(TypeOf(columns), "continuous");
}

TEST(VQDocxPageSectionWriting, NoBreaksInsideTextBoxesOrTableCells) {
  struct Case {
    const char* name;
    int type;
    int32_t area;
  };
  const Case cases[] = {{"text box", 6, 0}, {"table cell", 1, 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    for (const bool lastPage : {false, true}) {
      Page page;
      auto section = TwoColumnSection(page.page);
      VQDocx_SectPr s = section->sectProperty();
      s.type = c.type;
      section->setSectProperty(s);
      section->sectionArea = c.area;
      section->isDocumentLastPage = lastPage;
      section->footBlankHeight = 20;  // a foot of blank lines would end the columns too
      section->createXMLObjects();
      const auto written = Write({section});
      EXPECT_EQ(CountSectPr(written.xml), 0u) << written.xml;
      EXPECT_FALSE(page.page.isWriteSectionBreakPage) << "the page's own first break still starts it";
    }
  }
}

TEST(VQDocxPageSectionWriting, ColumnsGiveTheirSmallestSpaceAfterToTheFoot) {
  Page page;
  auto section = TwoColumnSection(page.page);
  section->headBlankParagraphArray.clear();
  const auto leftLast = std::static_pointer_cast<VQDocxParagraph>(section->paragraphGroupArray[0].back());
  const auto rightLast = std::static_pointer_cast<VQDocxParagraph>(section->paragraphGroupArray[1].back());
  leftLast->pProperty.spacing.after = 5;
  rightLast->pProperty.spacing.after = 3;
  section->createXMLObjects();
  EXPECT_EQ(rightLast->pProperty.spacing.after, 3);
  EXPECT_EQ(leftLast->pProperty.spacing.after, 0);
  EXPECT_EQ(section->footBlankHeight, 0);
  EXPECT_TRUE(section->footBlankParagraphArray.empty());
}

TEST(VQDocxPageSectionWriting, HeadBlankLinesLineUpWithARightAlignedFirstParagraph) {
  Page page;
  auto section = TextSection(page.page, false, false);
  const auto first = std::static_pointer_cast<VQDocxParagraph>(section->paragraphGroupArray[0][0]);
  first->pProperty.jc = 1;
  first->pProperty.ind.left = 3;
  first->columnFrame = RectMake(72, 0, 468, 792);
  first->contentFrame = RectMake(428.5, 100, 100, 12);  // ends 11.5 pt left of the column's edge
  section->headBlankParagraphArray = {Paragraph(RectMake(72, 76, 2, 12)), Paragraph(RectMake(72, 88, 2, 12))};
  section->createXMLObjects();
  for (const auto& blank : section->headBlankParagraphArray) {
    EXPECT_EQ(blank->pProperty.jc, 1);
    EXPECT_EQ(blank->pProperty.ind.left, 3);
    EXPECT_FLOAT_EQ(blank->pProperty.ind.right, 10.5f);
  }
  ASSERT_GE(section->allWriteXMLObjects.size(), 2u);
  EXPECT_EQ(section->allWriteXMLObjects[0], section->headBlankParagraphArray[0]);
}

TEST(VQDocxPageSectionWriting, ABreakWithoutParagraphKeepsThePageSize) {
  // The right column holds only a table, so no paragraph closes the
  // columns; the break still describes the page.
  Page page;
  auto section = TwoColumnSection(page.page);
  section->headBlankParagraphArray.clear();
  section->paragraphGroupArray[1] = {Table(316, 100, 100, 24)};
  section->createXMLObjects();
  const auto written = Write({section});
  const auto last = written.children().back();
  ASSERT_TRUE(BreakOf(last)) << written.xml;
  EXPECT_EQ(BreakOf(last).child("w:pgSz").attribute("w:w").as_int(), 12240);
  EXPECT_EQ(BreakOf(last).child("w:pgSz").attribute("w:h").as_int(), 15840);
}

TEST(VQDocxPageSectionWriting, PendingTablesFloatAnchoredToAParagraph) {
  struct Case {
    const char* name;
    Rect table;
    size_t anchor;  // paragraph index
    bool relative;
  };
  // Text paragraphs at y 100 and 112 (middles 106 and 118).
  const Case cases[] = {
      {"below the text", RectMake(300, 150, 100, 100), 1, true},
      {"just below the first line's middle", RectMake(300, 108, 100, 100), 0, true},
      {"above all text", RectMake(300, 80, 100, 10), 0, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Page page;
    auto section = TextSection(page.page, false, false);
    section->columGroupFrame = RectMake(400, 400, 10, 10);  // no table stands among the paragraphs
    const auto table = std::make_shared<FakeTable>(c.table);
    section->allTableArray = {table};
    section->createXMLObjects();
    EXPECT_EQ(table->sectPropertyCount, 1);
    EXPECT_EQ(table->convertCount, 1);
    EXPECT_TRUE(table->isFloating);
    EXPECT_FALSE(table->isInline);
    const auto anchor = std::static_pointer_cast<VQDocxParagraph>(section->paragraphGroupArray[0][c.anchor]);
    EXPECT_EQ(table->relativeParagraph.lock(), c.relative ? anchor : nullptr);
    ASSERT_FALSE(anchor->writeRunGroupArray.empty());
    EXPECT_EQ(anchor->writeRunGroupArray.front().front(), table);
  }
}

TEST(VQDocxPageSectionWriting, AFloatingTableIsNeverDroppedForWantOfAParagraph) {
  struct Case {
    const char* name;
    Section::ParagraphGroupArray groups;
  };
  auto hairline = Paragraph(RectMake(72, 100, 2, 1));  // left out when written
  const Case cases[] = {
      {"no column", {}},
      {"an empty column", {{}}},
      {"only a blank line too thin to be written", {{hairline}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Page page;
    auto section = TextSection(page.page, false, true);
    section->paragraphGroupArray = c.groups;
    const auto table = Table(300, 150, 100, 100);
    section->allTableArray = {table};
    section->createXMLObjects();
    EXPECT_TRUE(table->isFloating);
    const auto written = Write({section});
    EXPECT_EQ(written.body.select_nodes("w:p/w:tbl").size(), 1u) << written.xml;
    EXPECT_STREQ(written.body.last_child().name(), "w:sectPr") << "the document's last section property ends the body";
    EXPECT_EQ(CountSectPr(written.xml), 1u);
  }
}

TEST(VQDocxPageSectionWriting, TablesInBlankRoomGoIntoTheFlow) {
  struct Case {
    const char* name;
    bool headBlanks;
    double footBlankHeight;
    Rect table;
    std::vector<std::string> written;  // element names of the body
  };
  const Case cases[] = {
      // Head blank lines from y 64 to 100 above the text.
      {"among the head blank lines", true, 0, RectMake(100, 66, 200, 32), {"w:tbl", "w:p", "w:p", "w:p"}},
      // The page's foot room, from y 620 down to the section's bottom at 720:
      // only the table is written, the rest of the room is the page's own.
      {"in the foot room", false, 100, RectMake(100, 650, 200, 40), {"w:p", "w:p", "w:tbl", "w:p"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Page page;
    auto section = TextSection(page.page, false, false);
    if (c.headBlanks)
      section->headBlankParagraphArray = {Paragraph(RectMake(72, 64, 2, 12)), Paragraph(RectMake(72, 76, 2, 12)),
                                          Paragraph(RectMake(72, 88, 2, 12))};
    section->footBlankHeight = c.footBlankHeight;
    const auto table = std::make_shared<FakeTable>(c.table);
    section->allTableArray = {table};
    section->createXMLObjects();
    EXPECT_TRUE(table->isInline);
    EXPECT_FALSE(table->isFloating);
    const auto written = Write({section});
    std::vector<std::string> names;
    for (const auto& child : written.children()) names.emplace_back(child.name());
    EXPECT_EQ(names, c.written) << written.xml;
    EXPECT_TRUE(BreakOf(written.body.last_child())) << written.xml;
  }
}

}  // namespace

namespace {

// The spacing the w:p is written with, in twentieths of a point.
struct WrittenSpacing {
  int before, line, after;
};

WrittenSpacing SpacingOf(const pugi::xml_node& p) {
  const auto s = p.child("w:pPr").child("w:spacing");
  return {s.attribute("w:before").as_int(), s.attribute("w:line").as_int(), s.attribute("w:after").as_int()};
}

}  // namespace

// The empty paragraph that carries a break is a line of the flow: it takes
// a point, not the height of the paragraph it closes, so a one-line section
// is not written twice as tall and a full page keeps its closing break.
TEST(VQDocxPageSectionWriting, ABreakParagraphTakesAPoint) {
  Page page;
  auto section = TextSection(page.page, false, false);
  auto last = std::dynamic_pointer_cast<VQDocxParagraph>(section->paragraphGroupArray.back().back());
  ASSERT_TRUE(last);
  last->pProperty.spacing.before = 6;
  last->pProperty.spacing.after = 4;
  section->createXMLObjects();
  const auto written = Write({section});
  const pugi::xml_node breakParagraph = written.children().back();
  ASSERT_TRUE(BreakOf(breakParagraph)) << written.xml;
  const WrittenSpacing s = SpacingOf(breakParagraph);
  EXPECT_EQ(s.before, 0) << written.xml;
  EXPECT_EQ(s.line, 20) << written.xml;
  EXPECT_EQ(s.after, 0) << written.xml;
  EXPECT_STREQ(breakParagraph.child("w:pPr").child("w:spacing").attribute("w:lineRule").value(), "exact");
}

// What a section writes beyond its slice (a line taller than the PDF's, its
// closing break) is taken from the room of the sections below it.
TEST(VQDocxPageSectionWriting, OverflowIsTakenFromTheSectionBelow) {
  Page page;
  auto upper = TextSection(page.page, false, false);
  upper->isPageFootSection = false;
  upper->sectionFrame = RectMake(72, 72, 468, 52);
  auto first = std::dynamic_pointer_cast<VQDocxParagraph>(upper->paragraphGroupArray.back().back());
  first->pProperty.spacing.after = -6;
  auto lower = TextSection(page.page, false, false);
  lower->isPageHeadSection = false;
  lower->sectionFrame = RectMake(72, 124, 468, 596);
  lower->columGroupFrame = RectMake(72, 140, 468, 24);
  auto below = std::dynamic_pointer_cast<VQDocxParagraph>(lower->paragraphGroupArray.front().front());
  below->pProperty.spacing.before = 10;
  page.page.allPageSectionArray = {upper, lower};
  page.page.createXMLObjects();
  EXPECT_EQ(first->pProperty.spacing.after, 0);
  // Six points lost, and the upper section's break line.
  EXPECT_NEAR(below->pProperty.spacing.before, 10 - 6 - Section::kSectionBreakLine, 1e-4);
  // Its own break line has nothing below it on the page to come out of.
  EXPECT_NEAR(lower->overflowHeight, Section::kSectionBreakLine, 1e-9);
}

// Columns of one line each are one line of text with wide gaps: they are
// written as one paragraph with a tab stop at each column's text, without
// a section of their own (a word processor lays out every section again
// when one before it changes, and pages of them take minutes to open).
TEST(VQDocxPageSectionWriting, ColumnsOfOneLineAreOneParagraphWithTabs) {
  Page page;
  auto section = TextSection(page.page, false, false);
  section->isPageHeadSection = false;
  section->isPageFootSection = false;
  section->setCols(VQDocxUtilities::defaultColsProperty(), {{224, 20}, {224, 0}});
  const Rect left = RectMake(72, 100, 224, 14);
  const Rect right = RectMake(316, 100, 224, 14);
  auto a = vqtest::TextParagraph({.text = "left", .x = 80, .width = 100, .top = 100, .column = left});
  auto b = vqtest::TextParagraph({.text = "right", .x = 330, .width = 100, .top = 101, .column = right});
  a->pProperty.spacing = {.before = 2, .after = 1, .line = 12};
  b->pProperty.spacing = {.before = 3, .after = 0, .line = 12};
  section->paragraphGroupArray = {{a}, {b}};
  Adopt(*section);
  section->createXMLObjects();
  const auto written = Write({section});
  const auto children = written.children();
  ASSERT_EQ(children.size(), 1u) << written.xml;
  EXPECT_EQ(CountSectPr(written.xml), 0u) << written.xml;
  const pugi::xml_node p = children.front();
  EXPECT_TRUE(p.select_node(".//w:r/w:tab")) << written.xml;
  // The stop stands where the right column's text starts.
  EXPECT_EQ(p.child("w:pPr").child("w:tabs").child("w:tab").attribute("w:pos").as_int(), (330 - 72) * 20)
      << written.xml;
  // As tall as the taller column: from the higher top to the lower bottom.
  const WrittenSpacing spacing = SpacingOf(p);
  EXPECT_EQ(spacing.before, 40);
  EXPECT_EQ(spacing.line, 260);
  EXPECT_EQ(spacing.after, 0);
}

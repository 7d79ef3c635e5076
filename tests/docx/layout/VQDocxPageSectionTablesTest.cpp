#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>

#include "SectionTestSupport.h"
#include "docx/capture/VQDocxRunPict.h"
#include "docx/layout/VQDocxPageSection.h"

namespace {

using namespace vq;
using vqtest::FakeTable;
using vqtest::OfKind;
using vqtest::Paragraph;
using vqtest::Table;
using Section = VQDocxPageSection;
using Objects = std::vector<std::shared_ptr<VQDocxObject>>;

double TotalHeight(const VQDocxParagraph::Array& paragraphs) {
  return std::accumulate(paragraphs.begin(), paragraphs.end(), 0.0,
                         [](double sum, const auto& p) { return sum + p->pProperty.spacing.line; });
}

// Blank lines of 12 pt from `top` down, in the column at x 72 of 468 pt.
VQDocxParagraph::Array BlankLines(double top, int count, double x = 72, double width = 468) {
  VQDocxParagraph::Array out;
  for (int k = 0; k < count; ++k)
    out.push_back(Paragraph(RectMake(x, top + 12 * k, 2, 12), "", RectMake(x, 0, width, 792)));
  return out;
}

TEST(VQDocxPageSectionTables, FrameOfParagraphArray) {
  const auto a = Paragraph(RectMake(100, 50, 10, 12));
  const auto b = Paragraph(RectMake(80, 62, 200, 12));
  const auto tiny = Paragraph(RectMake(0, 0, 0.4, 500));
  EXPECT_EQ(Section::FrameOfParagraphArray({tiny, a, b}, true), RectMake(72, 50, 468, 24))
      << "the first paragraph that counts reaches across its column";
  EXPECT_EQ(Section::FrameOfParagraphArray({tiny, a, b}, false), RectMake(80, 50, 200, 24));
  EXPECT_EQ(Section::FrameOfParagraphArray({}, true), RectZero);
  EXPECT_EQ(Section::FrameOfParagraphArray({tiny, nullptr}, true), RectZero);
}

TEST(VQDocxPageSectionTables, FindBlankParagraphArrayTestsTheTablesInnerPart) {
  struct Case {
    const char* name;
    Rect table;
    Rect frame;
    bool found;
  };
  const Case cases[] = {
      {"30 x 30 is its inner 2 x 2", RectMake(100, 100, 30, 30), RectMake(114, 114, 2, 2), true},
      {"30 x 30 beside its inner part", RectMake(100, 100, 30, 30), RectMake(115, 114, 2, 2), false},
      {"200 x 100 is its inner 160 x 60", RectMake(100, 100, 200, 100), RectMake(120, 120, 160, 60), true},
      {"200 x 100 needs all of it", RectMake(100, 100, 200, 100), RectMake(121, 120, 160, 60), false},
      {"3 x 3 has no inner part", RectMake(100, 100, 3, 3), RectMake(100, 100, 3, 3), true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto table = Table(c.table.origin.x, c.table.origin.y, c.table.size.width, c.table.size.height);
    EXPECT_EQ(Section::FindBlankParagraphArray(c.frame, {table}).size(), c.found ? 1u : 0u);
  }
  const auto second = Table(100, 300, 200, 100);
  const auto first = Table(100, 100, 200, 100);
  const auto outside = Table(600, 100, 200, 100);
  EXPECT_EQ(Section::FindBlankParagraphArray(RectMake(0, 0, 500, 500), {second, outside, nullptr, first}),
            (Section::TableArray{second, first}))
      << "in the order given";
}

// Area from y 100 to 200 across the column; blank lines of 12 pt.
struct Area {
  Rect frame = RectMake(72, 100, 468, 100);
  std::shared_ptr<VQDocxParagraph> example = Paragraph(RectMake(72, 100, 2, 12));
};

TEST(VQDocxPageSectionTables, RoomAroundATableBecomesMarginsOrBlankLines) {
  struct Case {
    const char* name;
    Rect table;
    double marginTop, marginBottom;
    double blankAbove, blankBelow;  // heights of the blank lines made
  };
  const Case cases[] = {
      {"room above and below", RectMake(100, 130, 200, 40), 0, 0, 30, 30},
      {"2 pt each side stays with the table", RectMake(100, 102, 200, 96), 2, 2, 0, 0},
      {"4 pt each side becomes blank lines", RectMake(100, 104, 200, 92), 0, 0, 4, 4},
      {"exactly filling", RectMake(100, 100, 200, 100), 0, 0, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Area area;
    const auto table = std::make_shared<FakeTable>(c.table);
    Section::TableArray tables{table};
    const Objects objects =
        Section::CreateParagraphsAndTables(tables, true, area.frame, area.example, nullptr, nullptr);
    ASSERT_FALSE(objects.empty());
    EXPECT_EQ(objects.front(), table) << "the placed table comes first";
    EXPECT_TRUE(table->isInline);
    EXPECT_EQ(tables.size(), 1u);
    EXPECT_NEAR(table->marginTop, c.marginTop, 1e-9);
    EXPECT_NEAR(table->marginBottom, c.marginBottom, 1e-9);
    const auto blanks = OfKind<VQDocxParagraph>(objects);
    ASSERT_EQ(blanks.size() + 1, objects.size());
    VQDocxParagraph::Array above, below;
    for (const auto& p : blanks) (p->contentFrame.origin.y < RectGetMinY(c.table) ? above : below).push_back(p);
    EXPECT_NEAR(TotalHeight(above), c.blankAbove, 0.05);
    EXPECT_NEAR(TotalHeight(below), c.blankBelow, 0.05);
    for (const auto& p : blanks) {
      EXPECT_FALSE(p->sectProperty.shouldWrite);
      EXPECT_EQ(p->sectProperty.cols.num, 1u);
    }
  }
}

TEST(VQDocxPageSectionTables, TablesArePlacedTopToBottom) {
  Area area;
  const auto lower = Table(100, 160, 100, 20);
  const auto upper = Table(100, 110, 100, 20);
  Section::TableArray tables{lower, upper};
  const Objects objects = Section::CreateParagraphsAndTables(tables, true, area.frame, area.example, nullptr, nullptr);
  ASSERT_GE(objects.size(), 2u);
  EXPECT_EQ(objects[0], upper);
  EXPECT_EQ(objects[1], lower);
  EXPECT_EQ(tables, (Section::TableArray{upper, lower})) << "sorted in place";
}

TEST(VQDocxPageSectionTables, TablesThatCannotBePlacedStayOut) {
  {
    SCOPED_TRACE("an area that is not blank");
    Area area;
    const auto table = Table(100, 130, 200, 40);
    Section::TableArray tables{table};
    EXPECT_TRUE(Section::CreateParagraphsAndTables(tables, false, area.frame, area.example, nullptr, nullptr).empty());
    EXPECT_TRUE(tables.empty()) << "skipped tables leave the list";
    EXPECT_FALSE(table->isInline);
  }
  {
    // The left table goes in; the one overlapping it and starting right of
    // it stays out, and the room below the placed one stays blank lines.
    SCOPED_TRACE("overlapping tables");
    Area area;
    const auto left = Table(80, 120, 100, 40);
    const auto right = Table(300, 125, 100, 40);
    Section::TableArray tables{right, left};
    const Objects objects =
        Section::CreateParagraphsAndTables(tables, true, area.frame, area.example, nullptr, nullptr);
    EXPECT_EQ(tables, (Section::TableArray{left}));
    EXPECT_FALSE(right->isInline);
    ASSERT_FALSE(objects.empty());
    EXPECT_EQ(objects.front(), left);
    EXPECT_EQ(OfKind<FakeTable>(objects).size(), 1u);
    EXPECT_NEAR(TotalHeight(OfKind<VQDocxParagraph>(objects)), 20 + 40, 0.05);
  }
  {
    // Many tables that overlap one another every which way: the order
    // cannot be consistent, and sorting must still keep every table.
    SCOPED_TRACE("no consistent order");
    Area area;
    Section::TableArray tables;
    for (int k = 0; k < 40; ++k) tables.push_back(Table(80 + (k * 37) % 90, 100 + (k * 13) % 60, 30 + k % 7, 20));
    const auto given = tables;
    Section::CreateParagraphsAndTables(tables, false, area.frame, area.example, nullptr, nullptr);
    EXPECT_TRUE(tables.empty());
    Section::TableArray placed = given;
    Section::CreateParagraphsAndTables(placed, true, area.frame, area.example, nullptr, nullptr);
    for (const auto& table : placed) EXPECT_NE(std::find(given.begin(), given.end(), table), given.end());
    std::sort(placed.begin(), placed.end());
    EXPECT_EQ(std::adjacent_find(placed.begin(), placed.end()), placed.end()) << "no table twice";
  }
}

TEST(VQDocxPageSectionTables, ATableLeftOutBorrowsNoSpace) {
  // The table overlaps the text above by 5 pt. The paragraph spacing
  // above may lend the room only to a table that goes into the flow; here
  // the area is not blank, so whatever the borrowing answers the paragraphs
  // before keep their spacing.
  Area area;
  const auto before = Paragraph(RectMake(72, 80, 200, 12), "text above");
  before->pProperty.spacing.after = 10;
  before->pProperty.spacing.before = 10;
  const auto after = Paragraph(RectMake(72, 200, 200, 12), "text below");
  after->pProperty.spacing.before = 10;
  const Section::ParagraphGroupArray leading{{before}};
  const Section::ParagraphGroupArray following{{after}};
  const auto table = Table(100, 95, 200, 108);
  Section::TableArray tables{table};
  Section::CreateParagraphsAndTables(tables, false, area.frame, area.example, &leading, &following);
  EXPECT_TRUE(tables.empty());
  EXPECT_EQ(before->pProperty.spacing.after, 10);
  EXPECT_EQ(before->pProperty.spacing.before, 10);
  EXPECT_EQ(after->pProperty.spacing.before, 10);
}

TEST(VQDocxPageSectionTables, InsertTablesReplacesOnlyBlankAreas) {
  // Three blank lines from y 100 to 136; the table from 104 to 132.
  {
    SCOPED_TRACE("blank area");
    const auto blanks = BlankLines(100, 3);
    const auto table = Table(100, 104, 200, 28);
    const Objects objects = Section::InsertTables({table}, blanks, nullptr, nullptr);
    ASSERT_EQ(objects.size(), 3u);
    EXPECT_EQ(objects[0], table);
    const auto made = OfKind<VQDocxParagraph>(objects);
    ASSERT_EQ(made.size(), 2u);
    EXPECT_LT(made[0]->contentFrame.origin.y, made[1]->contentFrame.origin.y) << "the room above, then below";
    for (const auto& p : made) EXPECT_NEAR(p->pProperty.spacing.line, 4, 0.05);
  }
  struct Case {
    const char* name;
    std::function<void(VQDocxParagraph::Array&)> change;
  };
  const Case kept[] = {
      {"text at the top", [](auto& b) { b[0] = Paragraph(b[0]->contentFrame, "Heading", b[0]->columnFrame); }},
      {"text in the middle", [](auto& b) { b[1] = Paragraph(b[1]->contentFrame, "Words", b[1]->columnFrame); }},
      {"a drawing anchored in the middle",
       [](auto& b) { b[1]->insertRunPictArray({std::make_shared<VQDocxRunPict>()}); }},
  };
  for (const auto& c : kept) {
    SCOPED_TRACE(c.name);
    auto blanks = BlankLines(100, 3);
    c.change(blanks);
    const auto table = Table(100, 104, 200, 28);
    const Objects objects = Section::InsertTables({table}, blanks, nullptr, nullptr);
    EXPECT_EQ(objects, Objects(blanks.begin(), blanks.end())) << "nothing the paragraphs show is lost";
    EXPECT_FALSE(table->isInline);
  }
}

// Two columns of a Letter page: blank lines from y 112 to 148 between text
// at 100 and 148, in each column.
struct TwoColumns {
  Section section;
  Rect left, right;

  explicit TwoColumns(std::vector<VQDocx_Col> cols, bool withColumnList = true) {
    VQDocx_SectPr s = vqtest::LetterSectProperty();
    section.setSectProperty(s);
    const double leftWidth = cols[0].w;
    const double rightX = 72 + cols[0].w + cols[0].space;
    if (withColumnList) {
      section.setCols(VQDocxUtilities::defaultColsProperty(), cols);
    } else {
      s.cols.num = cols.size();
      section.setSectProperty(s);
    }
    left = RectMake(72, 100, leftWidth, 200);
    right = RectMake(rightX, 100, 540 - rightX, 200);
    section.columGroupFrame = RectMake(72, 100, 468, 200);
    for (const Rect& column : {left, right}) {
      Section::ParagraphColum colum;
      colum.push_back(Paragraph(RectMake(column.origin.x, 100, 100, 12), "top", column));
      for (const auto& p : BlankLines(112, 3, column.origin.x, column.size.width)) colum.push_back(p);
      colum.push_back(Paragraph(RectMake(column.origin.x, 148, 100, 12), "bottom", column));
      section.paragraphGroupArray.push_back(colum);
    }
  }
  size_t Count(const std::shared_ptr<VQDocxObject>& table) const {
    size_t n = 0;
    for (const auto& colum : section.paragraphGroupArray)
      n += static_cast<size_t>(std::count(colum.begin(), colum.end(), table));
    return n;
  }
};

TEST(VQDocxPageSectionTables, WriteContentPlacesTablesInTheirColumn) {
  struct Case {
    const char* name;
    std::vector<VQDocx_Col> cols;
    bool withColumnList;
    double tableX, tableWidth;
    int column;  // -1: stays pending
  };
  const Case cases[] = {
      {"in the right column", {{224, 20}, {224, 0}}, true, 330, 150, 1},
      {"across both columns", {{224, 20}, {224, 0}}, true, 100, 400, -1},
      {"on a narrow gap, in one column only", {{230, 4}, {234, 0}}, true, 302, 4, 0},
      {"equal columns without their list", {{234, 0}, {234, 0}}, false, 330, 150, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TwoColumns columns(c.cols, c.withColumnList);
    Section& section = columns.section;
    const auto table = Table(c.tableX, 113, c.tableWidth, 34);
    Section::TableArray pending{table};
    section.writeContentWithTableArray(pending);
    if (c.column < 0) {
      EXPECT_EQ(pending.size(), 1u);
      EXPECT_EQ(columns.Count(table), 0u);
      EXPECT_EQ(section.allWriteXMLObjects.size(), 10u);
      continue;
    }
    EXPECT_TRUE(pending.empty());
    EXPECT_EQ(columns.Count(table), 1u);
    const auto& colum = section.paragraphGroupArray[static_cast<size_t>(c.column)];
    ASSERT_EQ(colum.size(), 3u) << "text, the table, text";
    EXPECT_EQ(colum[1], table);
    EXPECT_EQ(table->columnFrame, c.column == 0 ? columns.left : columns.right);
    EXPECT_NEAR(table->marginTop, 1, 1e-6);
    EXPECT_NEAR(table->marginBottom, 1, 1e-6);
    // The write list is the columns' objects, column after column.
    Objects expected;
    for (const auto& col : section.paragraphGroupArray) expected.insert(expected.end(), col.begin(), col.end());
    EXPECT_EQ(section.allWriteXMLObjects, expected);
  }
}

TEST(VQDocxPageSectionTables, FirstParagraphOfAColumnDropsItsSpaceBefore) {
  TwoColumns columns({{224, 20}, {224, 0}});
  const auto first = std::static_pointer_cast<VQDocxParagraph>(columns.section.paragraphGroupArray[1][0]);
  first->pProperty.spacing.before = 20;
  first->breakColumn = true;
  const auto second = std::static_pointer_cast<VQDocxParagraph>(columns.section.paragraphGroupArray[1][4]);
  second->pProperty.spacing.before = 20;
  Section::TableArray none;
  columns.section.writeContentWithTableArray(none);
  EXPECT_EQ(first->pProperty.spacing.before, 0) << "its space is written as blank lines instead";
  EXPECT_FALSE(first->breakColumn);
  EXPECT_EQ(second->pProperty.spacing.before, 20);
}

}  // namespace

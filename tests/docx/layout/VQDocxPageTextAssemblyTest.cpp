#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "docx/capture/PlacedTextRun.h"
#include "docx/layout/VQDocxPage.h"

using vq::VQDocxPage;
using vqtest::PlacedText;

namespace {

// A page whose text is laid down as words of 10-point lines: each word is
// one run, and the runs are painted in the order they are added.
struct TextPage {
  VQDocxPage page{612, 792, vq::AffineTransformIdentity, 1, 1, true, true};
  uint64_t painted = 0;

  void word(const std::string& text, double x, double base, double height = 10) {
    PlacedText p;
    p.text = text;
    p.index = p.textIndex = painted++;
    p.x = x;
    p.width = 6.0 * static_cast<double>(text.size());
    p.base = base;
    p.top = base - height * 0.8;
    p.height = height;
    p.size = static_cast<float>(height);
    page.allRunTextArray.push_back(vqtest::PlacedTextRun(p));
  }
  // A line of words "w<n>" from x, 40 points apart.
  void line(int words, double x, double base, const std::string& prefix = "w") {
    for (int k = 0; k < words; ++k) word(prefix + std::to_string(k), x + 40.0 * k, base);
  }
  const VQDocxPage& assemble() {
    page.updateAllPDFScanIndex();
    page.createTextColumSets();
    return page;
  }
};

std::string textOf(const vq::VQDocxRunTextLine::Array& lines) {
  std::string text;
  for (const auto& line : lines)
    for (const auto& run : line->runTextArray()) text += run->runText();
  return text;
}

}  // namespace

// Text painted twice at one place, as fake bold does, keeps only its later
// copy; the other runs stay.
TEST(VQDocxPageTextAssemblyTest, RepeatedTextKeepsItsLastCopy) {
  TextPage t;
  t.word("Bold", 100, 100);
  t.word("Bold", 100.5, 100.2);
  t.word("Bold", 300, 100);  // same text elsewhere on the line
  const auto later = t.page.allRunTextArray[1];
  const auto& page = t.assemble();
  ASSERT_EQ(page.allRunTextArray.size(), 2u);
  EXPECT_EQ(page.allRunTextArray[0], later);
  ASSERT_EQ(page.allColumSetArray.size(), 1u);
  EXPECT_EQ(textOf(page.allColumSetArray[0]->lineArray()), "BoldBold");
}

// A line of blanks makes no line and its runs leave the page; with trimming
// on, every blank run of a line leaves it too (the line measures the gaps
// between its words itself).
TEST(VQDocxPageTextAssemblyTest, BlankLinesAndEdgeBlanksLeaveThePage) {
  for (const bool trim : {true, false}) {
    SCOPED_TRACE(trim);
    TextPage t;
    t.page.setMoreOptions([&] {
      vq::VQPDFOptions o;
      o.wordOptions.isTrimmingBlankSpaceCharacters = trim;
      return o;
    }());
    t.word(" ", 100, 100);
    t.word("  ", 120, 100);
    t.word(" ", 94, 130);
    t.word("a", 100, 130);
    t.word(" ", 106, 130);
    t.word("b", 112, 130);
    t.word(" ", 118, 130);
    const auto& page = t.assemble();
    EXPECT_EQ(page.allRunTextArray.size(), trim ? 2u : 5u);
    ASSERT_EQ(page.allColumSetArray.size(), 1u);
    const auto& lines = page.allColumSetArray[0]->lineArray();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(textOf(lines), trim ? "ab" : " a b ");
  }
}

// Two columns of lines side by side, the left one painted first, become one
// column set of two column groups, each with its own lines in order.
TEST(VQDocxPageTextAssemblyTest, ColumnsSideBySideBecomeColumnGroups) {
  TextPage t;
  for (int k = 0; k < 8; ++k) t.line(5, 72, 100 + 12.0 * k, "L");
  for (int k = 0; k < 8; ++k) t.line(5, 330, 100 + 12.0 * k, "R");
  const auto& page = t.assemble();
  ASSERT_EQ(page.allColumSetArray.size(), 1u);
  const auto& groups = page.allColumSetArray[0]->columGroupArray;
  ASSERT_EQ(groups.size(), 2u);
  for (size_t g = 0; g < 2; ++g) {
    ASSERT_EQ(groups[g].size(), 8u);
    for (const auto& line : groups[g]) EXPECT_EQ(line->lineText.substr(0, 1), g == 0 ? "L" : "R") << line->lineText;
    EXPECT_LT(groups[g].front()->yBaseLine, groups[g].back()->yBaseLine) << "top to bottom";
  }
}

// A full-width heading, two columns, then a full-width footer far below:
// the columns form a set of their own between the two single-column sets.
TEST(VQDocxPageTextAssemblyTest, ColumnSetsFollowTheChangingColumnCount) {
  TextPage t;
  t.line(12, 72, 80, "H");
  for (int k = 0; k < 10; ++k) t.line(5, 72, 130 + 12.0 * k, "L");
  for (int k = 0; k < 10; ++k) t.line(5, 330, 130 + 12.0 * k, "R");
  t.line(12, 72, 700, "F");
  const auto& page = t.assemble();
  ASSERT_EQ(page.allColumSetArray.size(), 3u);
  EXPECT_EQ(page.allColumSetArray[0]->columGroupArray.size(), 1u);
  EXPECT_EQ(page.allColumSetArray[1]->columGroupArray.size(), 2u);
  EXPECT_EQ(page.allColumSetArray[2]->columGroupArray.size(), 1u);
  EXPECT_EQ(textOf(page.allColumSetArray[2]->lineArray()).substr(0, 2), "F0");
}

// A raised small word beside a line of text joins that line instead of
// making a line of its own.
TEST(VQDocxPageTextAssemblyTest, RaisedTextJoinsItsLine) {
  TextPage t;
  t.line(4, 72, 100);
  t.word("2", 72 + 40 * 4, 96, 6);
  t.line(4, 72, 130, "n");
  const auto& page = t.assemble();
  ASSERT_EQ(page.allColumSetArray.size(), 1u);
  const auto& lines = page.allColumSetArray[0]->lineArray();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(textOf({lines[0]}), "w0w1w2w32");
}

#include "docx/capture/VQDocxParagraph.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <pugixml.hpp>
#include <string_view>

#include "PlacedTextRun.h"
#include "docx/capture/VQDocxRunTab.h"
#include "office/OfficeTestSupport.h"
#include "office/VQDocxUtilities.h"

namespace {

using namespace vq;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// A run of `width` points from x, on a 12-point line whose top is `top`,
// with a blank `spaceWidth` wide.
std::shared_ptr<VQDocxRunText> TextRun(const std::string& text, double x, double width, double spaceWidth = 3,
                                       double top = 100, uint64_t index = 0) {
  auto run = vqtest::PlacedTextRun(
      {.text = text, .index = index, .textIndex = index, .x = x, .width = width, .top = top, .base = top + 10});
  run->spaceWidth = spaceWidth;
  run->spaceWidth_orignal = spaceWidth;
  return run;
}

// A line of the runs as given (no joining or reordering), with its text.
std::shared_ptr<VQDocxRunTextLine> Line(const VQDocxRunText::Array& runs, const std::string& text = "") {
  auto line = std::make_shared<VQDocxRunTextLine>();
  line->setRunTextArray(runs);
  line->lineText = text;
  if (text.empty())
    for (const auto& run : runs) line->lineText += (line->lineText.empty() ? "" : " ") + run->runText();
  return line;
}

std::vector<std::string> GroupTexts(const VQDocxParagraph::RunGroup& group) {
  std::vector<std::string> out;
  for (const auto& run : group) {
    if (auto text = std::dynamic_pointer_cast<VQDocxRunText>(run)) out.push_back(text->runText());
    else if (std::dynamic_pointer_cast<VQDocxRunTab>(run)) out.push_back("<tab>");
    else out.push_back("<pict>");
  }
  return out;
}

// Schema order of the children of w:pPr and w:rPr that the writers use.
const std::vector<std::string_view> kPPrOrder = {
    "pStyle",  "keepNext", "keepLines", "pageBreakBefore", "framePr", "widowControl", "numPr", "pBdr", "shd", "tabs",
    "spacing", "ind",      "jc",        "outlineLvl",      "rPr",     "sectPr"};
const std::vector<std::string_view> kRPrOrder = {"rStyle", "rFonts",    "b",      "bCs",     "i",         "iCs",
                                                 "caps",   "smallCaps", "strike", "dstrike", "noProof",   "vanish",
                                                 "color",  "spacing",   "w",      "kern",    "position",  "sz",
                                                 "szCs",   "highlight", "u",      "shd",     "vertAlign", "lang"};

void ExpectSchemaOrder(const pugi::xml_node& node, const std::vector<std::string_view>& order) {
  size_t at = 0;
  for (const auto& child : node.children()) {
    const std::string_view name = std::string_view(child.name()).substr(2);  // after "w:"
    const auto found = std::find(order.begin() + static_cast<std::ptrdiff_t>(at), order.end(), name);
    EXPECT_TRUE(found != order.end()) << node.name() << ": " << name << " out of order or unknown";
    if (found != order.end()) at = static_cast<size_t>(found - order.begin());
  }
}

// The paragraph as written, parsed, with every property list checked
// against the schema order.
struct Written {
  std::string xml;
  pugi::xml_document doc;
  pugi::xml_node p;

  explicit Written(VQDocxParagraph& paragraph) {
    xml = vqtest::writeXML([&](XMLFileWriter& w) { paragraph.writeWithXMLWriter(w); });
    EXPECT_TRUE(doc.load_string(xml.c_str(), pugi::parse_default | pugi::parse_ws_pcdata)) << xml;
    p = doc.child("w:p");
    EXPECT_TRUE(p) << xml;
    ExpectSchemaOrder(pPr(), kPPrOrder);
    ExpectSchemaOrder(pPr().child("w:rPr"), kRPrOrder);
    for (const auto& r : p.children("w:r")) {
      ExpectSchemaOrder(r.child("w:rPr"), kRPrOrder);
      // Blanks at a text's ends survive in Word only when kept explicitly.
      const std::string t = r.child("w:t").text().as_string();
      if (!t.empty() && (t.front() == ' ' || t.back() == ' ')) {
        EXPECT_STREQ(r.child("w:t").attribute("xml:space").as_string(), "preserve") << t;
      }
    }
  }
  pugi::xml_node pPr() const { return p.child("w:pPr"); }
  double spacing(const char* attribute) const { return pPr().child("w:spacing").attribute(attribute).as_double(); }
  std::string jc() const { return pPr().child("w:jc").attribute("w:val").as_string(); }
  std::string text() const {
    std::string out;
    for (const auto& r : p.children("w:r")) {
      if (r.child("w:tab")) out += "\t";
      out += r.child("w:t").text().as_string();
    }
    return out;
  }
};

TEST(VQDocxParagraph, ParagraphWithoutLinesKeepsItsDefaults) {
  VQDocxParagraph p(VQDocxParagraph::LineArray{});
  EXPECT_TRUE(p.writeRunGroupArray.empty());
  EXPECT_EQ(p.paragraphText, "");
  EXPECT_EQ(p.contentFrame, RectZero);
  EXPECT_EQ(p.pProperty.spacing.line, 12);
  EXPECT_STREQ(p.pProperty.spacing.lineRule, "exact");
  EXPECT_EQ(p.rProperty.sz, 12);
  EXPECT_FALSE(p.firstWord.has_value());
  EXPECT_TRUE(p.isParagraphBlankText());

  // A text-box paragraph filled run by run has lines but no write groups
  // yet: resolving changes nothing.
  VQDocxParagraph box;
  box.addRunTextArray({TextRun("ab", 10, 20)});
  box.addRunTextArray({TextRun("cd", 40, 20)});
  ASSERT_EQ(box.lineArray.size(), 1u);
  EXPECT_EQ(box.lineArray[0]->runTextArray().size(), 2u);
  box.setYBefore(5, 30, 5);
  EXPECT_EQ(box.resolvePProperty(), 0);
  EXPECT_EQ(box.pProperty.spacing.line, 12);
  EXPECT_EQ(box.pProperty.spacing.before, 0);
  box.convertToWriteRunArrayFloatRunPict();
  ASSERT_EQ(box.writeRunGroupArray.size(), 1u);
  EXPECT_EQ(GroupTexts(box.writeRunGroupArray[0]), (std::vector<std::string>{"ab", "cd"}));

  EXPECT_EQ(VQDocxParagraph::FirstParagraph({}), nullptr);
  EXPECT_EQ(VQDocxParagraph::FirstParagraph({std::make_shared<VQDocxObject>()}), nullptr);
  auto second = std::make_shared<VQDocxParagraph>();
  EXPECT_EQ(
      VQDocxParagraph::FirstParagraph({std::make_shared<VQDocxObject>(), second, std::make_shared<VQDocxParagraph>()}),
      second);
}

TEST(VQDocxParagraph, WriteGroupsJoinSpaceTabOrMergeNeighbours) {
  struct Case {
    const char* name;
    double gap;         // from the first run's right edge to the second's left edge
    double firstWidth;  // the first run is "ab" at x 10
    bool twoLines;      // a second line follows
    std::vector<std::string> group;
    std::string text;  // the first line's part of the paragraph text
    double firstSpacing, secondSpacing;
  };
  const Case cases[] = {
      {"tight: joined, gap shared", 0.5, 20, false, {"ab", "cd"}, "abcd", 0.25, 0.25},
      {"wide gap on one line: a tab", 40, 20, false, {"ab", "<tab>", "cd"}, "ab\tcd", 0, 0},
      // The word processor stretches a wrapped line's blanks itself.
      {"wide gap among wrapped lines: a blank of its own width", 40, 20, true, {"ab ", "cd"}, "ab cd", 0, 0},
      {"narrow gap among wrapped lines: a narrowed blank", 1.5, 20, true, {"ab ", "cd"}, "ab cd", -1.5, 0},
      {"overlap with equal formatting: merged", -18, 20, false, {"abcd"}, "abcd", -18, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto first = TextRun("ab", 10, c.firstWidth);
    auto second = TextRun("cd", 10 + c.firstWidth + c.gap, 20);
    VQDocxParagraph::LineArray lines{Line({first, second})};
    if (c.twoLines) lines.push_back(Line({TextRun("ef", 10, 20, 3, 120)}));
    VQDocxParagraph p(lines, 0, 14, 0, RectMake(0, 0, 300, 400), 0, VQDocxUtilities::defaultSectPropertyHiden());

    ASSERT_EQ(p.writeRunGroupArray.size(), c.twoLines ? 2u : 1u);
    const auto& group = p.writeRunGroupArray[0];
    EXPECT_EQ(GroupTexts(group), c.group);
    EXPECT_EQ(p.paragraphText, c.text + (c.twoLines ? "ef" : ""));
    auto firstWritten = std::dynamic_pointer_cast<VQDocxRunText>(group.front());
    auto lastWritten = std::dynamic_pointer_cast<VQDocxRunText>(group.back());
    EXPECT_NEAR(firstWritten->outsideSpacing, c.firstSpacing, 1e-9);
    if (group.size() > 1) {
      EXPECT_NEAR(lastWritten->outsideSpacing, c.secondSpacing, 1e-9);
    }
    if (c.group.size() == 3) {
      auto tab = std::dynamic_pointer_cast<VQDocxRunTab>(group[1]);
      ASSERT_TRUE(tab);
      EXPECT_EQ(tab->tabPostion, 70);
      EXPECT_EQ(tab->tabWidth, 40);
    }
  }
}

// One-line paragraphs of 12-point runs: where a blank is kept.
TEST(VQDocxParagraph, BlanksAfterALoneLetterAndAfterPunctuation) {
  struct Case {
    const char* name;
    VQDocxRunText::Array runs;
    std::string text;
  } cases[] = {
      // A blank measured in a stand-in face is wider than the text's own:
      // a one-letter word keeps the blank after it.
      {"one-letter word", {TextRun("며", 10, 11, 7.2), TextRun("통내", 24.1, 22, 7.2)}, "며 통내"},
      {"a lone letter letter-spaced", {TextRun("T", 10, 8, 3), TextRun("I", 19, 4, 3)}, "TI"},
      // A sentence gap, wider than a blank, after text: a blank.
      {"after a sentence",
       {TextRun("찾는다", 10, 33, 7.2), TextRun(".", 43, 3, 3), TextRun("이", 51, 11, 7.2)},
       "찾는다. 이"},
      // The same gap after a label that starts the line: a tab.
      {"after a label", {TextRun("1.", 10, 9, 3), TextRun("설", 24, 11, 7.2)}, "1.\t설"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    VQDocxParagraph p(VQDocxParagraph::LineArray{Line(c.runs)}, 0, 14, 0, RectMake(0, 0, 300, 400), 0,
                      VQDocxUtilities::defaultSectPropertyHiden());
    EXPECT_EQ(p.paragraphText, c.text);
  }
}

TEST(VQDocxParagraph, BuildingWriteGroupsLeavesTheSharedRunsAsTheyWere) {
  // Every step that changes runs: a merge, a blank cut off into its own run,
  // a blank appended, extra spacing.
  auto a = TextRun("ab", 10, 20);
  auto b = TextRun("cd", 12, 20);  // overlaps a: merged
  auto c = TextRun("ef ", 60, 20);
  c->pdfScanLength = 2;  // stands for two positions: its blank can be cut off
  auto d = TextRun("gh", 100, 20);
  auto f = TextRun("kl", 140, 20);
  auto e = TextRun("ij", 10, 20, 3, 120);
  auto lines = VQDocxParagraph::LineArray{Line({a, b, c, d, f}), Line({e})};
  const VQDocx_SectPr hidden = VQDocxUtilities::defaultSectPropertyHiden();

  VQDocxParagraph p(lines, 0, 30, 0, RectMake(0, 0, 300, 400), 0, hidden);
  const std::string text = p.paragraphText;
  EXPECT_EQ(text, "abcd ef gh klij");
  for (const auto& run : VQDocxRunText::Array{a, b, c, d, e, f}) EXPECT_EQ(run->outsideSpacing, 0) << run->runText();
  EXPECT_EQ(a->runText(), "ab");
  EXPECT_EQ(c->runText(), "ef ");
  EXPECT_EQ(d->runText(), "gh");
  EXPECT_EQ(lines[0]->runTextArray().size(), 5u);

  // A later step rebuilding the paragraph from the same lines, or writing it
  // twice, sees the same text.
  p.convertToWriteRunArray(lines);
  EXPECT_EQ(p.paragraphText, text);
  VQDocxParagraph again(lines, 0, 30, 0, RectMake(0, 0, 300, 400), 0, hidden);
  EXPECT_EQ(again.paragraphText, text);
  EXPECT_EQ(Written(p).xml, Written(p).xml);
  EXPECT_EQ(Written(p).text(), text);
}

TEST(VQDocxParagraph, SingleLineSpacingFromTheRoom) {
  struct Case {
    const char* name;
    double before, height, after;
    double wordLine, blankTop;  // Word's single line of the font; 0 unknown
    double expectBefore, expectLine, expectAfter;
  };
  const Case cases[] = {
      {"no room: a one-point line", 0.3, 0.5, 4, 14, 2, 0, 1, 0},
      {"Word line taller than the room", 2, 10, 3, 14, 1, 2, 10, 3},
      {"Word line with its blank top", 6, 12, 5, 14, 2, 4, 14, 5},
      {"blank top larger than the room above", 1, 12, 5, 12.5, 2, 1, 12, 5},
      {"no Word line: the line frame", 6, 10, 5, 0, 0, 6, 12, 3},
      {"no Word line, frame taller than the room", 0, 10, 5, 0, 0, 0, 10, 5},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto run = TextRun("Title", 30, 50);
    run->rProperty.sz = 11;
    auto line = Line({run});
    line->wordSingleLineHeight = c.wordLine;
    line->wordSingleLineBlankTop = c.blankTop;
    VQDocxParagraph p({line}, c.before, c.height, c.after, RectMake(20, 0, 300, 400), 0,
                      VQDocxUtilities::defaultSectPropertyHiden());
    EXPECT_FLOAT_EQ(p.pProperty.spacing.before, c.expectBefore);
    EXPECT_FLOAT_EQ(p.pProperty.spacing.line, c.expectLine);
    EXPECT_FLOAT_EQ(p.pProperty.spacing.after, c.expectAfter);
    EXPECT_FLOAT_EQ(p.resolvedHeight, c.expectLine - 12);
    EXPECT_EQ(p.pProperty.ind.left, 10);
    EXPECT_EQ(p.rProperty.sz, 11);  // the mark takes the line's last run
    EXPECT_EQ(p.contentFrame, RectMake(30, 100, 50, 12));
  }
}

TEST(VQDocxParagraph, MultiLineSpacingSnapsToWordOrToEvenFractions) {
  struct Case {
    const char* name;
    std::vector<double> tops;  // of 12-point lines
    double wordLine;
    double before, height, after;
    double expectLine;
  };
  const Case cases[] = {
      // Pitch 19.6 = 1.4 Word lines of 14: one and a half lines.
      {"Word line and a half", {100, 119.6}, 14, 0, 42, 0, 21},
      // No Word line: two lines round the pitch to halves, three to quarters.
      {"two lines, halves", {100, 113.3}, 0, 0, 26.6, 0, 13.5},
      {"three lines, quarters", {100, 113.3, 126.6}, 0, 0, 39.9, 0, 13.25},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    VQDocxParagraph::LineArray lines;
    for (double top : c.tops) {
      auto line = Line({TextRun("word", 10, 40, 3, top)});
      line->wordSingleLineHeight = c.wordLine;
      lines.push_back(line);
    }
    VQDocxParagraph p(lines, c.before, c.height, c.after, RectMake(0, 0, 300, 400), 0,
                      VQDocxUtilities::defaultSectPropertyHiden());
    EXPECT_FLOAT_EQ(p.pProperty.spacing.line, c.expectLine);
    EXPECT_TRUE(std::isfinite(p.pProperty.spacing.before));
    EXPECT_STREQ(p.pProperty.spacing.lineRule, "exact");
  }
}

TEST(VQDocxParagraph, MeasuresThatAreNoNumberNeverReachTheSpacing) {
  auto run = TextRun("ab", 10, 20);
  VQDocxParagraph p({Line({run})}, kNaN, 12, 3, RectMake(0, 0, 300, 400), 0,
                    VQDocxUtilities::defaultSectPropertyHiden());
  EXPECT_EQ(p.pProperty.spacing.line, 12);
  p.setSpaceLine(std::numeric_limits<double>::infinity());
  p.setSpaceLineBefore(kNaN);
  EXPECT_EQ(p.pProperty.spacing.line, 12);
  EXPECT_EQ(p.pProperty.spacing.before, 0);
  p.pProperty.ind.left = static_cast<float>(kNaN);
  const Written w(p);
  EXPECT_EQ(w.xml.find("nan"), std::string::npos) << w.xml;
  EXPECT_EQ(w.xml.find("inf"), std::string::npos) << w.xml;

  const auto spacers = VQDocxParagraph::BlankParagraph(20, 0, kNaN, kNaN, 0, VQDocxUtilities::defaultRProperty(),
                                                       VQDocxUtilities::defaultSectPropertyHiden(), 0, RectZero);
  ASSERT_EQ(spacers.size(), 1u);
  EXPECT_EQ(spacers[0]->pProperty.ind.left, 0);
  EXPECT_EQ(spacers[0]->pProperty.ind.right, 0);

  // A first run without text gives the first word no spacing share.
  auto empty = TextRun("", 10, 0);
  empty->insideSpacing = 2;
  auto line = Line({empty, TextRun("word", 12, 20)}, "word");
  VQDocxParagraph q({line});
  EXPECT_EQ(q.firstWord, "word");
  EXPECT_TRUE(std::isfinite(q.firstWordWidth));

  // A line break moves the word with its punctuation.
  VQDocxParagraph r({Line({TextRun("(gravel.) and more", 0, 90)}, "(gravel.) and more")});
  EXPECT_EQ(r.firstWord, "(gravel.)");
}

// The twentieths of a point a spacer writes as its exact line.
int WrittenTwips(VQDocxParagraph& p) {
  const Written w(p);
  EXPECT_STREQ(w.pPr().child("w:spacing").attribute("w:lineRule").as_string(), "exact");
  return w.pPr().child("w:spacing").attribute("w:line").as_int();
}

TEST(VQDocxParagraph, BlankParagraphsFillTheHeightExactlyAsWritten) {
  struct Case {
    double height, size, spaceLine;
    std::vector<double> lines;  // the exact lines, top to bottom
  };
  const Case cases[] = {
      {30, 12, 0, {12, 18}},
      {19, 12, 0, {19}},        // less than a line and 8 points: one spacer of the whole height
      {30, 11.5, 0, {12, 18}},  // the lines are whole points: the rest is measured with them
      {100, 12.3f, 0, {13, 13, 13, 13, 13, 13, 22}},
      {30.03, 10, 12, {12, 18}},  // what a twentieth cannot carry is left out, never added
      {25, 0, 0, {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}},
  };
  VQDocx_RPr mark = VQDocxUtilities::defaultRProperty();
  const VQDocx_SectPr hidden = VQDocxUtilities::defaultSectPropertyHiden();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.height);
    mark.sz = static_cast<float>(c.size);
    auto spacers =
        VQDocxParagraph::BlankParagraph(c.height, c.spaceLine, 5, 0, 0, mark, hidden, 50, RectMake(20, 0, 300, 400));
    ASSERT_EQ(spacers.size(), c.lines.size());
    int twips = 0;
    double room = 0, top = 50;
    for (size_t i = 0; i < spacers.size(); ++i) {
      VQDocxParagraph& p = *spacers[i];
      EXPECT_FLOAT_EQ(p.pProperty.spacing.line, c.lines[i]);
      EXPECT_EQ(p.contentFrame.origin.x, 25);
      EXPECT_DOUBLE_EQ(p.contentFrame.origin.y, top);
      EXPECT_DOUBLE_EQ(p.contentFrame.size.height, c.lines[i]);
      top += c.lines[i];
      room += p.yBefore() + p.yHeight() + p.yAfter();
      twips += WrittenTwips(p);
    }
    EXPECT_EQ(twips, static_cast<int>(std::floor(c.height * 20 + 1e-6)));
    EXPECT_NEAR(room, twips / 20.0, 1e-6);
  }
  for (double height : {0.0, -4.0, kNaN, std::numeric_limits<double>::infinity()})
    EXPECT_TRUE(VQDocxParagraph::BlankParagraph(height, 0, 0, 0, 0, mark, hidden, 0, RectZero).empty()) << height;
}

TEST(VQDocxParagraph, WritingTabsAlignmentAndColumnBreak) {
  const Rect column = RectMake(20, 0, 300, 400);
  const VQDocx_SectPr hidden = VQDocxUtilities::defaultSectPropertyHiden();
  {
    // One line with a tab: left-aligned whatever was recognised, one left
    // stop at the tab's position from the column's edge.
    VQDocxParagraph p({Line({TextRun("ab", 30, 20), TextRun("cd", 90, 20)})}, 0, 14, 0, column, 2, hidden);
    const Written w(p);
    EXPECT_EQ(w.jc(), "left");
    EXPECT_EQ(p.pProperty.jc, 0);
    const auto tab = w.pPr().child("w:tabs").child("w:tab");
    EXPECT_STREQ(tab.attribute("w:val").as_string(), "left");
    EXPECT_EQ(tab.attribute("w:pos").as_int(), 70 * 20);
    EXPECT_EQ(w.text(), "ab\tcd");
    // A tenth of the line's 80 points past the column: the word processor
    // may set it a little wider without wrapping it.
    EXPECT_EQ(w.pPr().child("w:ind").attribute("w:right").as_int(), -160);
  }
  {
    // Two lines: no tabs are written, and no stops.
    VQDocxParagraph p({Line({TextRun("ab", 30, 20), TextRun("cd", 90, 20)}), Line({TextRun("ef", 30, 20, 3, 120)})}, 0,
                      30, 0, column, 0, hidden);
    ASSERT_TRUE(p.haveRunTab() == false);
    const Written w(p);
    EXPECT_FALSE(w.pPr().child("w:tabs"));
    EXPECT_EQ(w.text(), "ab cdef");
    EXPECT_FALSE(w.pPr().child("w:ind").attribute("w:right")) << "wrapped lines keep the column";
  }
  {
    // A column break comes after the properties and before the runs.
    VQDocxParagraph p({Line({TextRun("ab", 30, 20)})}, 0, 14, 0, column, 0, hidden);
    p.breakColumn = true;
    const Written w(p);
    const auto second = w.pPr().next_sibling();
    EXPECT_STREQ(second.name(), "w:r");
    EXPECT_STREQ(second.child("w:br").attribute("w:type").as_string(), "column");
    EXPECT_TRUE(second.child("w:rPr"));
    EXPECT_EQ(std::string(second.next_sibling().child("w:t").text().as_string()), "ab");
  }
  {
    // Right and centred single lines take their place from the indents.
    VQDocxParagraph right({Line({TextRun("ab", 250, 40)})}, 0, 14, 0, column, 1, hidden);
    const Written r(right);
    EXPECT_EQ(r.jc(), "right");
    EXPECT_EQ(r.pPr().child("w:ind").attribute("w:right").as_int(), 580);  // 29 points
    VQDocxParagraph centred({Line({TextRun("ab", 100, 60)})}, 0, 14, 0, column, 2, hidden);
    const Written c(centred);
    EXPECT_EQ(c.jc(), "center");
    EXPECT_EQ(c.pPr().child("w:ind").attribute("w:left").as_int(), -1600);  // the middle at 130: -80 points
    VQDocxParagraph both({Line({TextRun("ab", 100, 60)})}, 0, 14, 0, column, 3, hidden);
    EXPECT_EQ(Written(both).jc(), "left");  // a single line cannot be justified
  }
}

TEST(VQDocxParagraph, WrappedLinesShareTheirSlackAsSpacing) {
  const VQDocx_SectPr hidden = VQDocxUtilities::defaultSectPropertyHiden();
  // Centred, the second line 20 points narrower than the content: a quarter
  // of the line height (3), spread over at least five runs.
  auto l1 = Line({TextRun("abcd", 10, 40), TextRun("efgh", 50.5, 59.5)});
  auto l2 = Line({TextRun("ij", 20, 30, 3, 120), TextRun("kl", 50.5, 39.5, 3, 120)});
  VQDocxParagraph p({l1, l2}, 0, 30, 0, RectMake(0, 0, 300, 400), 2, hidden);
  ASSERT_EQ(p.writeRunGroupArray.size(), 2u);
  const double before = std::dynamic_pointer_cast<VQDocxRunText>(p.writeRunGroupArray[1][0])->outsideSpacing;
  const Written w(p);
  const auto runs = w.p.children("w:r");
  std::vector<pugi::xml_node> written(runs.begin(), runs.end());
  ASSERT_EQ(written.size(), 4u);
  // The third run's spacing is its share over its two characters, in twips.
  const double expected = (before + 0.6) / 2 * 20;
  const auto spacing = written[2].child("w:rPr").child("w:spacing");
  EXPECT_EQ(spacing.attribute("w:val").as_int(), std::lround(expected)) << w.xml;
  // Writing spread the slack over copies: the paragraph's runs are unchanged.
  EXPECT_EQ(std::dynamic_pointer_cast<VQDocxRunText>(p.writeRunGroupArray[1][0])->outsideSpacing, before);
}

TEST(VQDocxParagraph, LeaderDrawnOverTextBecomesItsUnderline) {
  struct Case {
    const char* leader;
    const char* underline;
  };
  const Case cases[] = {{".....", "dotted"}, {"_____", "single"}, {"=====", "double"}, {"._._.", "dash"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.leader);
    auto text = TextRun("Chapter", 10, 60);
    auto leader = TextRun(c.leader, 12, 50);
    leader->rProperty.color = {255, 0, 0, 255};  // drawn apart from the text, not merged into it
    auto page = TextRun("7", 200, 6);
    auto line = Line({text, leader, page});
    VQDocxParagraph p({line}, 0, 14, 0, RectMake(0, 0, 300, 400), 0, VQDocxUtilities::defaultSectPropertyHiden());
    const Written w(p);
    std::vector<pugi::xml_node> runs;
    for (const auto& r : w.p.children("w:r")) runs.push_back(r);
    ASSERT_GE(runs.size(), 2u);
    EXPECT_STREQ(runs[0].child("w:rPr").child("w:u").attribute("w:val").as_string(), c.underline);
    bool leaderBlanked = false;
    for (const auto& r : runs) leaderBlanked |= std::string(r.child("w:t").text().as_string()) == " ";
    EXPECT_TRUE(leaderBlanked) << w.xml;
    EXPECT_EQ(leader->runText(), c.leader);  // the page's run keeps its text
  }
}

TEST(VQDocxParagraph, SectionMaySkipOnlyInvisibleFlatParagraphs) {
  const VQDocx_RPr mark = VQDocxUtilities::defaultRProperty();
  const VQDocx_SectPr hidden = VQDocxUtilities::defaultSectPropertyHiden();
  auto flat = [&] {
    auto p = std::make_shared<VQDocxParagraph>(VQDocxParagraph::LineArray{});
    p->setSpaceLine(1);
    return p;
  };
  EXPECT_TRUE(flat()->isCanIgnore());
  auto withPicture = flat();
  withPicture->insertRunPictArray({std::make_shared<VQDocxRunPict>()});
  EXPECT_FALSE(withPicture->isCanIgnore());
  auto breaking = flat();
  breaking->sectProperty.shouldWrite = 1;
  EXPECT_FALSE(breaking->isCanIgnore());
  auto spacer = VQDocxParagraph::BlankParagraph(12, 0, 0, 0, 0, mark, hidden, 0, RectZero);
  ASSERT_EQ(spacer.size(), 1u);
  EXPECT_FALSE(spacer[0]->isCanIgnore());
  VQDocxParagraph text({Line({TextRun("ab", 0, 10)})});
  text.setSpaceLine(0.5);
  EXPECT_FALSE(text.isCanIgnore());
  // Written, that short text line is raised to five points.
  EXPECT_EQ(Written(text).spacing("w:line"), 100);
}

TEST(VQDocxParagraph, OutlineTitleMatching) {
  struct Case {
    const char* lineText;
    const char* title;
    bool likeDetect;
    int level;
    bool match;
  };
  const Case cases[] = {
      {"1. Getting Started", "getting started", false, 0, true},
      {"Getting\tStarted", "GETTING STARTED", false, 0, true},
      {"Getting", "Getting Started Quickly", false, 0, false},  // a third of the title is 7 characters
      {"Getting Star", "Getting Started Quickly", false, 0, true},
      {"Getting Startd Quickly", "Getting Started Quickly", true, 0, true},
      {"Getting Startd Quickly", "Getting Started Quickly", false, 0, false},
      {"Getting Started", "Getting Started", false, 1, false},  // already a heading
      {"Getting Started", " \t", false, 0, false},              // no title matches nothing
      {"Überblick", "ÜBERBLICK", false, 0, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.lineText);
    VQDocxParagraph p({Line({TextRun("x", 0, 10)}, c.lineText)});
    p.setupOutline(c.level);
    EXPECT_EQ(p.compareOutLine(c.title, c.likeDetect), c.match) << c.title;
  }
}

TEST(VQDocxParagraph, CopiesShareLinesButNotTheirGroupArrays) {
  VQDocxParagraph p({Line({TextRun("ab", 0, 10)})});
  auto copy = p.clone();
  EXPECT_EQ(copy->lineArray[0], p.lineArray[0]);
  EXPECT_EQ(copy->paragraphText, "ab");
  copy->insertRunPictArray({std::make_shared<VQDocxRunPict>()});
  EXPECT_EQ(p.writeRunGroupArray[0].size(), 1u);
  EXPECT_EQ(copy->writeRunGroupArray[0].size(), 2u);
  EXPECT_EQ(copy->lastRunText(), p.lastRunText());
  EXPECT_NE(p.description().find("[Align:left][paragraphText:ab]"), std::string::npos) << p.description();
}

TEST(VQDocxParagraph, SameFontAndBlankText) {
  auto a = TextRun("ab", 0, 10);
  VQDocxSetText(a->rProperty.rFonts_backup, "Arial");
  auto b = TextRun("cd", 0, 10);
  VQDocxSetText(b->rProperty.rFonts_backup, "Arial");
  b->rProperty.sz = 12.8f;
  auto c = TextRun("ef", 0, 10);
  VQDocxSetText(c->rProperty.rFonts_backup, "Arial");
  c->rProperty.sz = 14;
  VQDocxParagraph pa({Line({a})}), pb({Line({b})}), pc({Line({c})});
  EXPECT_TRUE(pa.isHaveSameFontNameParagraph(pb));
  EXPECT_FALSE(pa.isHaveSameFontNameParagraph(pc));
  VQDocxParagraph blank({Line({TextRun(" ", 0, 3)}, " \t\u200b")});
  EXPECT_TRUE(blank.isParagraphBlankText());
  EXPECT_FALSE(pa.isParagraphBlankText());
}

}  // namespace

// A word gap narrower than the blank that stands for it is taken up by the
// word before the blank, whose characters share it, rather than by the
// blank alone; a gap wider than the blank widens the blank.
TEST(VQDocxParagraph, NarrowWordGapsCondenseTheWordBeforeTheBlank) {
  const struct {
    double gap;
    double word, blank;  // the spacing each run is written with
  } cases[] = {{2, -1, 0}, {4, 0, 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.gap);
    auto first = TextRun("abc", 10, 20, 3);
    first->pdfScanLength = 2;  // its blank is cut off into a run of its own
    auto second = TextRun("de", 30 + c.gap, 20, 3);
    const VQDocx_SectPr hidden = VQDocxUtilities::defaultSectPropertyHiden();
    VQDocxParagraph p({Line({first, second})}, 0, 30, 0, RectMake(0, 0, 300, 400), 0, hidden);
    ASSERT_EQ(p.writeRunGroupArray.size(), 1u);
    const auto& group = p.writeRunGroupArray.front();
    ASSERT_EQ(group.size(), 3u);
    const auto word = std::dynamic_pointer_cast<VQDocxRunText>(group[0]);
    const auto blank = std::dynamic_pointer_cast<VQDocxRunText>(group[1]);
    ASSERT_TRUE(word && blank);
    EXPECT_EQ(blank->runText(), " ");
    EXPECT_NEAR(word->outsideSpacing, c.word, 1e-9);
    EXPECT_NEAR(blank->outsideSpacing, c.blank, 1e-9);
  }
}

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <memory>
#include <string>
#include <vector>

#include "docx/capture/PlacedTextRun.h"
#include "docx/layout/VQDocxPage.h"
#include "office/OfficeTestSupport.h"

using vq::VQDocxPage;

namespace {

vq::VQDocx_PgMar Margins(float top, float right, float bottom, float left) {
  vq::VQDocx_PgMar m{};
  m.top = top;
  m.right = right;
  m.bottom = bottom;
  m.left = left;
  return m;
}

// A page of words: each word a run, painted in the order added, on 10-point
// lines.
struct WordPage {
  VQDocxPage page{612, 792, vq::AffineTransformIdentity, 1, 1, true, true};
  uint64_t painted = 0;

  std::shared_ptr<vq::VQDocxRunText> word(const std::string& text, double x, double base) {
    vqtest::PlacedText p;
    p.text = text;
    p.index = p.textIndex = painted++;
    p.x = x;
    p.width = 6.0 * static_cast<double>(text.size());
    p.base = base;
    p.top = base - 8;
    p.height = 10;
    p.size = 10;
    auto run = vqtest::PlacedTextRun(p);
    page.allRunTextArray.push_back(run);
    return run;
  }
  void line(double x, double base, int words = 8) {
    for (int k = 0; k < words; ++k) word("w" + std::to_string(k), x + 40.0 * k, base);
  }
  std::shared_ptr<vq::VQDocxRunImage> image(const std::string& path, vq::Rect frame) {
    auto image = std::make_shared<vq::VQDocxRunImage>();
    image->imagePath = path;
    image->pictInfo = std::make_shared<vq::VQDocxImageInfo>();
    image->pictInfo->displayX = frame.origin.x;
    image->pictInfo->displayY = frame.origin.y;
    image->pictInfo->displayWidth = frame.size.width;
    image->pictInfo->displayHeight = frame.size.height;
    image->setPdfScanIndex(painted++);
    page.allRunImageArray.push_back(image);
    return image;
  }
};

}  // namespace

TEST(VQDocxPageSectionsTest, MarginStepValues) {
  const struct {
    double x, step;
  } cases[] = {{0, 0},      {20.2, 21},  {35.7, 36},    {35.75, 36}, {71.7, 36},
               {71.75, 72}, {143.7, 72}, {143.75, 144}, {500, 144}};
  for (const auto& c : cases) EXPECT_EQ(VQDocxPage::PageMarginStepValue(c.x), c.step) << c.x;
}

TEST(VQDocxPageSectionsTest, SnappedMarginsNeverExceedTheMeasuredOnes) {
  const struct {
    vq::VQDocx_PgMar measured;
    float top, right, bottom, left, header, footer;
  } cases[] = {
      {Margins(100, 100, 100, 100), 72, 72, 72, 72, 35.4f, 35.4f},
      {Margins(50, 50, 150, 100), 36, 36, 144, 36, 35.4f, 35.4f},
      {Margins(10, 50, 80, 20), 10, 36, 72, 20, 0, 35.4f},
      {Margins(200, 40, 200, 40), 144, 36, 144, 36, 35.4f, 35.4f},
  };
  for (const auto& c : cases) {
    const vq::VQDocx_PgMar r = VQDocxPage::bestPgMarWithMaxPGMar(c.measured);
    SCOPED_TRACE(c.measured.top);
    EXPECT_EQ(r.top, c.top);
    EXPECT_EQ(r.right, c.right);
    EXPECT_EQ(r.bottom, c.bottom);
    EXPECT_EQ(r.left, c.left);
    EXPECT_EQ(r.header, c.header);
    EXPECT_EQ(r.footer, c.footer);
    EXPECT_EQ(r.gutter, 0);
  }
}

// Text painted before a photograph over it is hidden by it; a PNG (which may
// be transparent) hides nothing, and text painted later stands on top.
TEST(VQDocxPageSectionsTest, TextUnderALaterPhotographIsDropped) {
  WordPage t;
  const auto under = t.word("under", 100, 100);
  const auto beside = t.word("beside", 300, 100);
  const auto belowPng = t.word("png", 100, 300);
  t.image("/tmp/a.JPG", vq::RectMake(90, 80, 100, 40));
  t.image("/tmp/b.png", vq::RectMake(90, 280, 100, 40));
  const auto over = t.word("over", 110, 110);
  t.page.filterAllRunTextArray();
  EXPECT_EQ(t.page.allRunTextArray, (vq::VQDocxRunText::Array{beside, belowPng, over}));
  (void)under;
}

TEST(VQDocxPageSectionsTest, APageWithoutTextGetsOneBlankSectionWithInchMargins) {
  WordPage t;
  t.page.processPDFPage();
  const auto& m = t.page.sectProperty.pgMar;
  EXPECT_EQ(m.top, 72);
  EXPECT_EQ(m.left, 72);
  EXPECT_EQ(m.right, 72);
  EXPECT_EQ(m.bottom, 72);
  EXPECT_EQ(m.header, 72);
  EXPECT_EQ(m.footer, 72);
  ASSERT_EQ(t.page.allPageSectionArray.size(), 1u);
  const auto& section = *t.page.allPageSectionArray[0];
  EXPECT_TRUE(section.isPageHeadSection);
  EXPECT_TRUE(section.isPageFootSection);
  EXPECT_TRUE(section.isDocumentFirstPage);
  EXPECT_TRUE(section.isDocumentLastPage);
  EXPECT_EQ(section.superPage, &t.page);
}

// One section per column set, tiling the text area from the top margin to
// the bottom margin without gaps.
TEST(VQDocxPageSectionsTest, SectionsTileTheTextArea) {
  WordPage t;
  t.line(72, 100);
  for (int k = 0; k < 8; ++k) t.line(72, 200 + 12.0 * k, 4);
  for (int k = 0; k < 8; ++k) t.line(340, 200 + 12.0 * k, 4);
  t.line(72, 500);
  t.page.processPDFPage();
  const auto& sections = t.page.allPageSectionArray;
  ASSERT_EQ(t.page.allColumSetArray.size(), 3u);
  ASSERT_EQ(sections.size(), 3u);
  const auto& m = t.page.sectProperty.pgMar;
  EXPECT_EQ(sections.front()->sectionFrame.origin.y, m.top);
  for (size_t k = 1; k < sections.size(); ++k) {
    const auto& above = sections[k - 1]->sectionFrame;
    EXPECT_EQ(sections[k]->sectionFrame.origin.y, above.origin.y + above.size.height);
    EXPECT_EQ(sections[k]->previousPageSection, sections[k - 1]);
  }
  // The text area ends at the measured margin (an inch, as the top); the
  // margin written is half of it, so that taller lines in a word
  // processor do not spill the page's last line onto a page of its own.
  const auto& last = sections.back()->sectionFrame;
  EXPECT_NEAR(last.origin.y + last.size.height, 792 - 72, 1e-9);
  EXPECT_EQ(m.bottom, 36);
  for (const auto& section : sections) {
    EXPECT_EQ(section->sectionFrame.origin.x, m.left);
    EXPECT_EQ(section->sectionFrame.size.width, 612 - m.left - m.right);
  }
  EXPECT_TRUE(sections.front()->isPageHeadSection);
  EXPECT_FALSE(sections[1]->isPageHeadSection || sections[1]->isPageFootSection);
  EXPECT_TRUE(sections.back()->isPageFootSection);
  EXPECT_EQ(sections[1]->columGroupArray().size(), 2u);
  EXPECT_EQ(m.left, 72) << "text starts an inch in";
}

namespace {

// A text box of one paragraph whose runs stand at the given places.
std::shared_ptr<vq::VQDocxRunTextBox> BoxOf(const std::vector<std::pair<std::string, double>>& glyphs) {
  vq::VQDocxRunText::Array runs;
  for (const auto& [text, y] : glyphs) {
    vqtest::PlacedText p;
    p.text = text;
    p.x = 40;
    p.base = y;
    p.top = y - 8;
    auto run = vqtest::PlacedTextRun(p);
    run->ctmInfo.fontSize = vq::SizeMake(12, 12);
    runs.push_back(run);
  }
  auto paragraph = std::make_shared<vq::VQDocxParagraph>();
  paragraph->addRunTextArray(runs);
  auto box = std::make_shared<vq::VQDocxRunTextBox>();
  box->pictInfo = std::make_shared<vq::VQDocxTextBoxInfo>();
  box->paragraphArray = {paragraph};
  return box;
}

// Loads body content written by a page, with the prefixes it uses declared.
bool LoadFragment(pugi::xml_document& doc, const std::string& xml) {
  return static_cast<bool>(
      doc.load_string(("<root xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\" "
                       "xmlns:v=\"urn:schemas-microsoft-com:vml\" "
                       "xmlns:o=\"urn:schemas-microsoft-com:office:office\" "
                       "xmlns:w10=\"urn:schemas-microsoft-com:office:word\">" +
                       xml + "</root>")
                          .c_str()));
}

std::string BoxText(const vq::VQDocxRunTextBox& box) {
  std::string text;
  for (const auto& run : box.allRunTextArray()) text += run->runText();
  return text;
}

}  // namespace

// Turned text painted twice at one place (fake bold) is kept once; the same
// text elsewhere stays, and a box left without text goes.
TEST(VQDocxPageSectionsTest, RepeatedTurnedTextIsKeptOnce) {
  WordPage t;
  t.page.allRunTextBoxArray = {BoxOf({{"A", 100}, {"B", 112}}), BoxOf({{"A", 100}, {"B", 112}, {"C", 124}}),
                               BoxOf({{"A", 100}}), BoxOf({{"A", 400}})};
  t.page.processPDFPage();
  ASSERT_EQ(t.page.allRunTextBoxArray.size(), 3u);
  EXPECT_EQ(BoxText(*t.page.allRunTextBoxArray[0]), "AB");
  EXPECT_EQ(BoxText(*t.page.allRunTextBoxArray[1]), "C");
  EXPECT_EQ(BoxText(*t.page.allRunTextBoxArray[2]), "A");
}

// Text boxes ride in the page's first text paragraph; a page without text
// carries them in its blank section's paragraph, so none is lost.
TEST(VQDocxPageSectionsTest, TextBoxesAreAnchoredInAParagraph) {
  for (const bool withText : {true, false}) {
    SCOPED_TRACE(withText);
    WordPage t;
    if (withText) t.line(72, 300, 3);
    const auto box = BoxOf({{"Z", 500}});
    t.page.allRunTextBoxArray = {box};
    t.page.processPDFPage();
    const std::string xml = vqtest::writeXML([&](vq::XMLFileWriter& w) { t.page.writePageWithXMLWriter(w); });
    pugi::xml_document doc;
    ASSERT_TRUE(LoadFragment(doc, xml)) << xml;
    const auto boxes = doc.select_nodes("//w:p/w:r/w:pict/v:shape/v:textbox");
    ASSERT_EQ(boxes.size(), 1u) << xml;
    EXPECT_STREQ(doc.select_node("//w:txbxContent//w:t").node().text().get(), "Z");
    if (withText) {
      const auto anchor = boxes.first().node().parent().parent().parent().parent();
      EXPECT_NE(std::string(anchor.select_node("w:r/w:t").node().text().get()).find("w0"), std::string::npos)
          << "the first text paragraph carries it";
    }
  }
}

// Annotation text leaves the page's flow: each annotation's runs become one
// text box at their place, laid out as a small page of its own, with no
// section break inside it.
TEST(VQDocxPageSectionsTest, AnnotationTextStandsInTextBoxesOfItsOwn) {
  WordPage t;
  t.line(72, 100, 3);
  for (const auto& [text, x, annotation] :
       {std::tuple{"Back", 400.0, 1}, std::tuple{"Next", 450.0, 2}, std::tuple{"Page", 420.0, 1}}) {
    auto run = t.word(text, x, 700);
    run->isAnnotion = true;
    run->pdfAnnotionIndex = annotation;
  }
  t.page.processPDFPage();
  for (const auto& run : t.page.allRunTextArray) EXPECT_FALSE(run->isAnnotion) << run->runText();
  ASSERT_EQ(t.page.allRunTextBoxArray.size(), 2u);
  const auto& first = *t.page.allRunTextBoxArray[0];
  EXPECT_TRUE(first.isAnnotion);
  EXPECT_NEAR(first.pictInfo->displayX, 400, 1e-9);
  EXPECT_NEAR(first.pictInfo->displayWidth, 20 + 24 + 2, 1e-9) << "the runs' frame and a point either side";
  const std::string xml = vqtest::writeXML([&](vq::XMLFileWriter& w) { t.page.writePageWithXMLWriter(w); });
  pugi::xml_document doc;
  ASSERT_TRUE(LoadFragment(doc, xml)) << xml;
  std::string boxes;
  for (const auto& node : doc.select_nodes("//w:txbxContent")) {
    for (const auto& text : node.node().select_nodes(".//w:t")) boxes += text.node().text().get();
    boxes += "|";
    EXPECT_FALSE(node.node().select_node(".//w:sectPr")) << "no section break inside a text box";
  }
  EXPECT_NE(boxes.find("Back"), std::string::npos) << boxes;
  EXPECT_NE(boxes.find("Page"), std::string::npos) << boxes;
  EXPECT_NE(boxes.find("Next"), std::string::npos) << boxes;
}

// A large initial beside the first lines of its paragraph leaves those lines
// and stands in a text box of its own, so that its text is neither lost nor
// glued to a line.
TEST(VQDocxPageSectionsTest, DropCapitalStandsInATextBox) {
  WordPage t;
  const uint64_t first = t.painted++;
  t.page.allRunTextArray.push_back(vqtest::PlacedTextRun({.text = "T",
                                                          .index = first,
                                                          .textIndex = first,
                                                          .x = 72,
                                                          .width = 30,
                                                          .top = 90,
                                                          .height = 40,
                                                          .base = 128,
                                                          .size = 40}));
  for (int k = 0; k < 3; ++k) t.line(110, 100 + 12.0 * k, 5);
  t.line(72, 148, 6);
  t.page.processPDFPage();
  std::string lines;
  for (const auto& set : t.page.allColumSetArray)
    for (const auto& line : set->lineArray()) lines += line->lineText + "|";
  EXPECT_EQ(lines.find('T'), std::string::npos) << lines;
  ASSERT_EQ(t.page.allRunTextBoxArray.size(), 1u) << lines;
  const auto& box = *t.page.allRunTextBoxArray.front();
  EXPECT_NEAR(box.pictInfo->displayX, 72, 1e-9);
  EXPECT_FALSE(box.allPageSectionArray.empty());
}

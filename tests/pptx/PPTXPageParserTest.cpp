// What the page parser makes of the interpreter's reports.
#include <cmath>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include <gtest/gtest.h>

#include "pdf/VQPDFColorSpace.h"
#include "pdf/VQPDFRenderState.h"
#include "pdf/capture/VQPageSetup.h"
#include "pdf/raster/VQPDFExporterRaster.h"
#include "platform/pdf/PdfDocument.h"
#include "pptx/VQPPTXDocument.h"
#include "pptx/VQPPTXPDFPageParser.h"
#include "pptx/VQPPTXPage.h"
#include "support/TestSupport.h"

using namespace vq;
namespace fs = std::filesystem;

namespace {

Path pagePath(std::initializer_list<Point> points, bool close) {
  Path p;
  p.addLines(points);
  if (close) p.closeSubpath();
  return p;
}

// One US Letter page's parser, begun and ready for the interpreter's reports.
struct LetterPage {
  vqtest::ScratchDir dir;
  VQPPTXDocument doc{(dir / "p.pptx").string(), 1};
  VQPPTXPDFPageParser parser{doc};
  LetterPage() {
    doc.writeDocumentBegin();
    const Rect page = RectMake(0, 0, 612, 792);
    parser.beginPageForTesting(VQPageSetupMake(page, page, 0), 1);
  }
  VQPDFRenderState& state() { return parser.renderingStateStack().topRenderingState(); }
};

}  // namespace

// A full-page fill is the page's background: dark or light, it stays, so
// light text on a dark page shows on the slide.
TEST(VQPPTXPDFPageParser, PathsBecomeFreeformsBackgroundsToo) {
  vqtest::ScratchDir dir;
  VQPPTXDocument doc((dir / "p.pptx").string(), 1);
  doc.writeDocumentBegin();
  const Rect page = RectMake(0, 0, 612, 792);
  const Path full = pagePath({{0, 0}, {612, 0}, {612, 792}, {0, 792}}, true);
  struct Case {
    const char* name;
    Path path;
    bool stroke, fill, white;
    std::optional<Rect> box;  // display box of the freeform, none when dropped
  };
  const Case cases[] = {
      {"black page fill", full, false, true, false, page},
      {"white page fill", full, false, true, true, page},
      {"stroked page", full, true, false, false, page},
      // A rule drawn as a zero-height path is as high as its stroke.
      {"hairline rule", pagePath({{0, 692}, {200, 692}}, false), true, false, false, RectMake(0, 98, 200, 4)},
      {"empty path", Path{}, true, true, false, std::nullopt},
  };
  for (const auto& c : cases) {
    VQPPTXPDFPageParser parser(doc);
    parser.beginPageForTesting(VQPageSetupMake(page, page, 0), 1);
    auto& state = parser.renderingStateStack().topRenderingState();
    state.lineWidth = 4;
    if (c.white) {
      state.fillColorSpace = VQPDFColorSpace::DefaultDeviceRGBColorSpace();
      state.fillColor.c[0] = state.fillColor.c[1] = state.fillColor.c[2] = 255;
    }
    parser.didScanPathStrokeFill(nullptr, c.path, c.stroke, c.fill);
    auto& shapes = parser.currentPage()->sharepsArr;
    ASSERT_EQ(shapes.size(), c.box ? 1u : 0u) << c.name;
    if (!c.box) continue;
    const auto* ff = dynamic_cast<VQPPTXFreeform*>(shapes[0].get());
    ASSERT_NE(ff, nullptr);
    const Rect r = ff->spInfo.displayRect();
    EXPECT_NEAR(r.origin.x, c.box->origin.x, 1e-6) << c.name;
    EXPECT_NEAR(r.origin.y, c.box->origin.y, 1e-6) << c.name;
    EXPECT_NEAR(r.size.width, c.box->size.width, 1e-6) << c.name;
    EXPECT_NEAR(r.size.height, c.box->size.height, 1e-6) << c.name;
  }
}

// Dash lengths follow the drawing's scale, like the line width.
TEST(VQPPTXPDFPageParser, DashesAreInSlidePoints) {
  LetterPage letter;
  auto& parser = letter.parser;
  auto& state = letter.state();
  state.ctm = AffineTransformMakeScale(2, 2);
  state.lineWidth = 1;
  state.lineDashPattern = {3, 1, 0.5, 1};
  parser.didScanPathStrokeFill(nullptr, pagePath({{10, 10}, {100, 10}}, false), true, false);
  const auto& shapes = parser.currentPage()->sharepsArr;
  ASSERT_EQ(shapes.size(), 1u);
  const auto* ff = dynamic_cast<const VQPPTXFreeform*>(shapes[0].get());
  ASSERT_NE(ff, nullptr);
  EXPECT_NEAR(ff->spInfo.strokeweight, 2, 1e-9);
  EXPECT_EQ(ff->spInfo.strokeDashPattern, (std::vector<double>{6, 2, 1, 2}));
}

// A picture drawn again through its clip keeps its own resolution, from
// 144 up to 300 dpi, within a bitmap budget for very large pages.
TEST(VQPPTXPDFPageParser, ClippedPicturesKeepTheirResolution) {
  struct Case {
    const char* name;
    int pixelWidth, pixelHeight;
    double width, height;
    Size page;
    double scale;
    double minScale = 2;  // the least resolution asked for
  };
  const Case cases[] = {
      {"picture at 72 dpi, 288 dpi asked", 100, 100, 100, 100, {612, 792}, 4, 4},
      {"more than 300 dpi asked", 100, 100, 100, 100, {612, 792}, 300.0 / 72, 8},
      {"full-page scan at 853 dpi", 2336, 2857, 197.2, 241.2, {187, 242}, 300.0 / 72},
      {"picture at 216 dpi", 300, 150, 100, 50, {612, 792}, 3},
      {"picture at 72 dpi", 100, 100, 100, 100, {612, 792}, 2},
      {"tall picture counts its height", 10, 900, 100, 300, {612, 792}, 3},
      {"largest page", 10000, 10000, 1583, 1583, {1583, 1583}, std::sqrt(36e6) / 1583},
      {"empty frame", 100, 100, 0, 0, {612, 792}, 2},
  };
  for (const auto& c : cases)
    EXPECT_NEAR(
        VQPDFExporterRaster::ClippedPictureScale(c.pixelWidth, c.pixelHeight, c.width, c.height, c.page, c.minScale),
        c.scale, 1e-9)
        << c.name;
}

// Real pages: the text reaches the slide in text boxes, upright pages keep
// their crop box as the slide size.
TEST(VQPPTXPDFPageParserCorpus, PageTextLandsInTextBoxes) {
  struct Case {
    const char* file;
    int page;
    std::vector<std::string> words;
    std::string absentFace;   // a face the slide must not name
    std::string presentFace;  // the face of the same kind it names instead
  };
  const Case cases[] = {
      {"minimal-jspdf.pdf", 1, {"Hello, world!"}, "", ""},
      {"text-distiller.pdf", 1, {"The rcs Package\n", "Joachim Schrod", "August 2, 1995\n"}, "CMR10", "Times"},
      {"annots-links-jpeg.pdf", 2, {"Subjects"}, "Arial Unicode MS", "Arial"},
      // Faces without a blank of their own (TeX's Type 3 fonts) and faces
      // with a wide one (a Korean face's Latin text) still get word gaps.
      {"fonts-type3.pdf", 2, {"in the medium series a slanted shape"}, "", ""},
      {"cjk-korean-cidtype2.pdf", 1, {"Some English to begin with."}, "", ""},
  };
  for (const auto& c : cases) {
    vqtest::ScratchDir dir;
    const auto document = pdf::Document::open(vqtest::corpusFile(c.file).string(), "");
    ASSERT_TRUE(document);
    VQPPTXDocument doc((dir / "t.pptx").string(), 1);
    doc.writeDocumentBegin();
    VQPPTXPDFPageParser parser(doc);
    ASSERT_TRUE(parser.convertPDFPage(document->page(c.page), 1));
    EXPECT_FALSE(parser.convertPDFPage(std::nullopt, 1));
    const std::string slide = vqtest::readFile(fs::path(doc.savedWorkFolder()) / "ppt/slides/slide1.xml");
    // Runs of one paragraph joined, paragraphs apart.
    std::string text;
    const std::regex piece(R"(<a:t>([^<]*)</a:t>|</a:p>)");
    for (std::sregex_iterator it(slide.begin(), slide.end(), piece), end; it != end; ++it)
      text += (*it)[1].matched ? (*it)[1].str() : "\n";
    for (const auto& w : c.words) EXPECT_NE(text.find(w), std::string::npos) << c.file << ": " << w << "\n" << text;
    EXPECT_NE(slide.find("<p:cNvSpPr txBox=\"1\"/>"), std::string::npos);
    // Its text is set in a face of the same kind that readers have.
    if (!c.absentFace.empty()) {
      EXPECT_EQ(slide.find("typeface=\"" + c.absentFace + "\""), std::string::npos) << c.file;
      EXPECT_NE(slide.find("typeface=\"" + c.presentFace + "\""), std::string::npos) << c.file;
    }
  }
}

// Text reports fed by hand (no font: 10 pt, a space of a quarter em, so
// 2.5 points): how characters join runs, paragraphs and boxes.
TEST(VQPPTXPDFPageParser, TextJoinsLinesParagraphsAndBoxes) {
  struct Glyph {
    std::string text;
    double x, y;  // PDF user space, y up
    double angle = 0;
    int mode = 0;  // text rendering mode
    double size = 10;
  };
  struct Case {
    const char* name;
    std::vector<Glyph> glyphs;
    std::vector<std::vector<std::string>> boxes;  // box -> paragraph texts
    std::vector<double> rotations;
  };
  const Case cases[] = {
      {"lone space opens nothing", {{" ", 100, 700}}, {}, {}},
      {"three spaces forward", {{"A", 100, 700}, {"B", 113.5, 700}}, {{"A   B"}}, {0}},
      {"five spaces forward", {{"A", 100, 700}, {"B", 118.5, 700}}, {{"A"}, {"B"}}, {0, 0}},
      {"next line", {{"A", 100, 700}, {"B", 100, 686}}, {{"A", "B"}}, {0}},
      {"far line", {{"A", 100, 700}, {"B", 100, 600}}, {{"A"}, {"B"}}, {0, 0}},
      // A glyph half a line or more off its line is a box of its own, where
      // the page has it: a fraction's numerator, its denominator a line
      // below in the same box; the text after it takes a new box.
      {"fraction",
       {{"(", 100, 700}, {"p", 106, 708}, {"2", 106.5, 691.8}, {")", 112, 700}},
       {{"("}, {"p", "2"}, {")"}},
       {0, 0, 0}},
      // A superscript, less than half a line up, keeps to its line.
      {"superscript", {{"x", 100, 700}, {"1", 106, 704}, {"y", 110, 700}}, {{"x1y"}}, {0}},
      {"turned text", {{"A", 100, 700, 88}, {"B", 100, 650, 3}}, {{"A"}, {"B"}}, {90, 0}},
      // Turned text joins like upright text, its gaps measured down or up
      // the slide.
      {"text down the page",
       {{"A", 100, 700, 90}, {"B", 100, 694, 90}, {"C", 100, 686.5, 90}, {"D", 100, 668, 90}},
       {{"AB C"}, {"D"}},
       {90, 90}},
      {"text up the page",
       {{"A", 100, 100, 270}, {"B", 100, 106, 270}, {"C", 100, 113.5, 270}, {"D", 100, 132, 270}},
       {{"AB C"}, {"D"}},
       {270, 270}},
      // An accent set over a letter, before or after it, makes one accented
      // letter; one that only touches the glyph before stays as it is.
      {"accent then letter", {{"\u00A8", 100, 700}, {"a", 100.5, 700}}, {{"a\u0308"}}, {0}},
      {"letter then accent", {{"c", 100, 700}, {"\u00B8", 100.5, 700}}, {{"c\u0327"}}, {0}},
      {"accent after a quote",
       {{"\u2018", 100, 700}, {"\u00A8", 105, 700}, {"a", 105.5, 700}},
       {{"\u2018a\u0308"}},
       {0}},
      // Fake bold: the same text again a hair to the side shows once, bold.
      {"overprinted text", {{"A", 100, 700}, {"B", 106, 700}, {"A", 100.3, 700}, {"B", 106.3, 700}}, {{"AB"}}, {0}},
      {"same text elsewhere", {{"A", 100, 700}, {"A", 100, 600}}, {{"A"}, {"A"}}, {0, 0}},
      // A logo's letters, smaller and raised or lowered, each set back
      // over the one before: one line, each letter once.
      {"logo letters set back",
       {{"L", 100, 700}, {"A", 101.5, 703, 0, 0, 7}, {"T", 106, 700}, {"E", 110.3, 697.8}, {"X", 115.05, 700}},
       {{"LATEX"}},
       {0}},
      // Bold faked glyph by glyph: each printed again at once a hair aside.
      {"glyphs printed twice",
       {{"P", 100, 700}, {"P", 100.3, 700}, {"o", 106.3, 700}, {"o", 106.6, 700}},
       {{"Po"}},
       {0}},
      {"OCR layer over its text",
       {{"A", 100, 700}, {"B", 106, 700}, {"A", 100.3, 700, 0, 3}, {"B", 106.3, 700, 0, 3}},
       {{"AB"}, {"AB"}},
       {0, 0}},
      // An OCR layer keeps its text, in runs of its own.
      {"invisible text", {{"A", 100, 700}, {"B", 106, 700, 0, 3}, {"C", 112, 700, 0, 7}}, {{"ABC"}}, {0}},
  };
  vqtest::ScratchDir dir;
  VQPPTXDocument doc((dir / "t.pptx").string(), 1);
  doc.writeDocumentBegin();
  const Rect page = RectMake(0, 0, 612, 792);
  for (const auto& c : cases) {
    VQPPTXPDFPageParser parser(doc);
    parser.beginPageForTesting(VQPageSetupMake(page, page, 0), 1);
    auto& state = parser.renderingStateStack().topRenderingState();
    for (const auto& g : c.glyphs) {
      state.fontSize = g.size;
      // Rotation in display space (y down) turns the other way round.
      const double rad = -g.angle * M_PI / 180;
      state.textMatrix = AffineTransformMake(std::cos(rad), std::sin(rad), -std::sin(rad), std::cos(rad), g.x, g.y);
      state.textRenderMode = g.mode;
      parser.didScanTextTextOffset(nullptr, g.text, Size{6, 0});
    }
    parser.endTextBoxWritingIfNeed();
    const auto& shapes = parser.currentPage()->sharepsArr;
    ASSERT_EQ(shapes.size(), c.boxes.size()) << c.name;
    for (size_t b = 0; b < shapes.size(); ++b) {
      const auto* box = dynamic_cast<const VQPPTXTextbox*>(shapes[b].get());
      ASSERT_NE(box, nullptr);
      EXPECT_EQ(box->spInfo.rotation, c.rotations[b]) << c.name;
      std::vector<std::string> texts;
      for (const auto& p : box->paragraphs) {
        std::string t;
        for (const auto& r : p.runArray) t += r.text;
        if (!t.empty()) texts.push_back(t);
      }
      EXPECT_EQ(texts, c.boxes[b]) << c.name;
      if (std::string(c.name) == "overprinted text") {
        EXPECT_EQ(box->paragraphs.back().runArray[0].rProperty.b, 1);
      }
      if (std::string(c.name) == "invisible text") {
        const auto& runs = box->paragraphs.back().runArray;
        ASSERT_EQ(runs.size(), 2u);
        EXPECT_EQ(runs[0].rProperty.invisible, 0);
        EXPECT_EQ(runs[1].rProperty.invisible, 1);
        EXPECT_EQ(runs[1].text, "BC");
      }
      if (std::string(c.name) == "next line") {
        ASSERT_EQ(box->paragraphs.size(), 2u);
        EXPECT_NEAR(box->paragraphs[1].pProperty.lnSpc, 14, 1e-6);
        EXPECT_NEAR(box->paragraphs[1].pProperty.marL, 0, 1e-6);
      }
    }
  }
}

// A slide turns a text box about its centre: turned text must land where the
// page drew it, its glyphs inside the box as the slide shows it.
TEST(VQPPTXPDFPageParser, TurnedTextBoxesCoverTheirGlyphs) {
  vqtest::ScratchDir dir;
  VQPPTXDocument doc((dir / "t.pptx").string(), 1);
  doc.writeDocumentBegin();
  const Rect page = RectMake(0, 0, 612, 792);
  for (const double angle : {0.0, 90.0, 180.0, 270.0}) {
    VQPPTXPDFPageParser parser(doc);
    parser.beginPageForTesting(VQPageSetupMake(page, page, 0), 1);
    auto& state = parser.renderingStateStack().topRenderingState();
    state.fontSize = 10;
    const double rad = -angle * M_PI / 180;
    std::vector<Point> origins;  // slide points, y down
    for (int i = 0; i < 12; ++i) {
      const double x = 300 + 6 * i * std::cos(rad), y = 400 + 6 * i * std::sin(rad);
      state.textMatrix = AffineTransformMake(std::cos(rad), std::sin(rad), -std::sin(rad), std::cos(rad), x, y);
      parser.didScanTextTextOffset(nullptr, std::string(1, static_cast<char>('A' + i)), Size{6, 0});
      origins.push_back({x, 792 - y});
    }
    parser.endTextBoxWritingIfNeed();
    const auto& shapes = parser.currentPage()->sharepsArr;
    ASSERT_EQ(shapes.size(), 1u) << angle;
    const auto& s = dynamic_cast<const VQPPTXTextbox&>(*shapes[0]).spInfo;
    ASSERT_EQ(s.rotation, angle);
    // What the writer puts down: the box before turning, its extents
    // exchanged for a quarter turn.
    const bool quarter = angle == 90 || angle == 270;
    const double cx = quarter ? s.displayHeight : s.displayWidth, cy = quarter ? s.displayWidth : s.displayHeight;
    const Point centre{s.displayX + cx / 2, s.displayY + cy / 2};
    for (const Point& p : origins) {
      EXPECT_LE(std::fabs(p.x - centre.x), s.displayWidth / 2 + 0.01) << angle;
      EXPECT_LE(std::fabs(p.y - centre.y), s.displayHeight / 2 + 0.01) << angle;
    }
  }
}

// Text starts at its box's left edge (no insets): the box must stand where
// the first glyph does and be as wide as its widest line, or a slide program
// that centres a line in its box moves it off the page's place.
TEST(VQPPTXPDFPageParser, TextBoxIsTheExtentOfItsText) {
  LetterPage letter;
  auto& parser = letter.parser;
  auto& state = letter.state();
  state.fontSize = 10;
  // Twelve glyphs 6 pt apart at x 100, then an indented line of four below.
  for (int i = 0; i < 12; ++i) {
    state.textMatrix = AffineTransformMakeTranslation(100 + 6 * i, 700);
    parser.didScanTextTextOffset(nullptr, std::string(1, static_cast<char>('A' + i)), Size{6, 0});
  }
  for (int i = 0; i < 4; ++i) {
    state.textMatrix = AffineTransformMakeTranslation(130 + 6 * i, 686);
    parser.didScanTextTextOffset(nullptr, std::string(1, static_cast<char>('a' + i)), Size{6, 0});
  }
  parser.endTextBoxWritingIfNeed();
  const auto& shapes = parser.currentPage()->sharepsArr;
  ASSERT_EQ(shapes.size(), 1u);
  const auto& box = dynamic_cast<const VQPPTXTextbox&>(*shapes[0]);
  EXPECT_NEAR(box.spInfo.displayX, 100, 1e-6);
  EXPECT_NEAR(box.spInfo.displayWidth, 72, 1e-4);
  ASSERT_EQ(box.paragraphs.size(), 2u);
  EXPECT_NEAR(box.paragraphs[1].pProperty.marL, 30, 1e-6);
  EXPECT_EQ(box.bodyPr.lIns, 0);
  EXPECT_EQ(box.bodyPr.rIns, 0);
}

// Path capture of the DOCX page parser: paths reported by hand with a render
// state set by hand become path runs (or do not), and the corpus's vector
// drawings reach the written document.
#include <gtest/gtest.h>

#include "docx/PathShapes.h"

#include <cmath>
#include <limits>
#include <memory>
#include <string>

#include "docx/VQDocxPDFPageParser.h"
#include "docx/capture/VQDocxRunImage.h"
#include "docx/capture/VQDocxRunPath.h"
#include "docx/capture/VQDocxRunText.h"
#include "docx/capture/VQDocxRunTextPath.h"
#include "docx/layout/VQDocxPage.h"
#include "office/OfficeTestSupport.h"
#include "pdf/VQPDFColorSpace.h"
#include "pdf/VQPDFRenderState.h"
#include "pdf/capture/VQPageSetup.h"
#include "support/TestSupport.h"

using vq::Path;
using vq::Rect;
using vq::RectMake;
using vq::VQDocxPDFPageParser;

namespace {

// A page that keeps what the capture recorded as it was.
class CapturedPage : public vq::VQDocxPage {
 public:
  using VQDocxPage::VQDocxPage;
  void processPDFPage() override {}
  int autoRotationOfPDFPage() const override { return 0; }
};

class Parser : public VQDocxPDFPageParser {
 public:
  Parser() : VQDocxPDFPageParser(nullptr, {}) {
    const Rect letter = RectMake(0, 0, 612, 792);  // display y = 792 - PDF y
    beginPageForTesting(vq::VQPageSetupMake(letter, letter, 0), 1);
    auto& s = state();
    s.fillColorSpace = vq::VQPDFColorSpace::DefaultDeviceRGBColorSpace();
    s.strokeColorSpace = vq::VQPDFColorSpace::DefaultDeviceRGBColorSpace();
  }
  vq::VQPDFRenderState& state() { return renderingStateStack().topRenderingState(); }
  vq::VQDocxPage& page() { return *currentPage(); }
  vq::VQDocxRunPath::Array& paths() { return page().allRunPathArray; }
  void setFill(int r, int g, int b) {
    state().fillColor.c[0] = r, state().fillColor.c[1] = g, state().fillColor.c[2] = b;
  }
  void setStroke(int r, int g, int b) {
    state().strokeColor.c[0] = r, state().strokeColor.c[1] = g, state().strokeColor.c[2] = b;
  }
  // A path in PDF page space.
  void paint(const Path& path, bool stroke, bool fill) { didScanPathStrokeFill(nullptr, path, stroke, fill); }

 protected:
  std::shared_ptr<vq::VQDocxPage> newPage(double w, double h, const vq::AffineTransform& t, int64_t pdf, int64_t word,
                                          bool first, bool last) override {
    return std::make_shared<CapturedPage>(w, h, t, pdf, word, first, last);
  }
};

using vqtest::Line;
using vqtest::RectPath;

}  // namespace

// A horizontal hairline's frame is as high as its weight, centred on it.
TEST(VQDocxPDFPageParserPaths, StrokedLineBecomesARun) {
  Parser parser;
  parser.state().lineWidth = 2;
  parser.setStroke(255, 0, 0);
  parser.paint(Line(100, 700, 300, 700), true, false);
  ASSERT_EQ(parser.paths().size(), 1u);
  const auto& run = *parser.paths()[0];
  EXPECT_EQ(run.displayRect(), RectMake(100, 91, 200, 2));
  EXPECT_EQ(run.runLineType(), vq::VQDocxRunLineTypeHorizontal);
  EXPECT_EQ(run.runCGPath(), Line(100, 92, 300, 92)) << "in display space";
  EXPECT_TRUE(run.pictInfo()->stroked);
  EXPECT_FALSE(run.pictInfo()->filled);
  EXPECT_DOUBLE_EQ(run.pictInfo()->strokeweight, 2);
  EXPECT_EQ(run.pictInfo()->strokecolorString(), "#FF0000");
  EXPECT_EQ(run.pdfScanIndex(), 0u);
  EXPECT_EQ(run.pictZIndex, vq::VQDocxPictZIndexStart);
  EXPECT_EQ(parser.page().pg_pageRunCount, 1);

  // A filled shape without height, and a path painted neither way, are dropped.
  parser.paint(Line(100, 600, 300, 600), false, true);
  parser.paint(RectPath(RectMake(10, 10, 10, 10)), false, false);
  parser.paint(Path(), true, true);
  EXPECT_EQ(parser.paths().size(), 1u);
}

TEST(VQDocxPDFPageParserPaths, AlphaFilters) {
  Parser parser;
  parser.state().strokeAlpha = 0.005;
  parser.state().fillAlpha = 0.5;
  parser.paint(RectPath(RectMake(100, 100, 50, 50)), true, true);
  EXPECT_EQ(parser.paths().size(), 1u) << "stroked and filled: the fill shows";
  parser.paint(RectPath(RectMake(100, 100, 50, 50)), true, false);
  EXPECT_EQ(parser.paths().size(), 1u) << "only an invisible stroke";
  parser.state().fillAlpha = 0.001;
  parser.paint(RectPath(RectMake(100, 100, 50, 50)), false, true);
  EXPECT_EQ(parser.paths().size(), 1u);
}

// Crowded pages: from 2000 paths on no clipping, simplifying or point list;
// above 120000 nothing more.
TEST(VQDocxPDFPageParserPaths, PathCountLimits) {
  Parser parser;
  parser.paint(RectPath(RectMake(100, 100, 50, 50)), false, true);
  ASSERT_EQ(parser.paths().size(), 1u);
  const auto first = parser.paths()[0];
  EXPECT_TRUE(first->runLinePointArray());

  parser.paths().assign(2000, first);
  parser.paint(RectPath(RectMake(100, 100, 100, 3)), false, true);
  ASSERT_EQ(parser.paths().size(), 2001u);
  EXPECT_FALSE(parser.paths().back()->runLinePointArray()) << "no point list";
  EXPECT_TRUE(parser.paths().back()->pictInfo()->filled) << "no bar simplification";

  parser.paths().assign(VQDocxPDFPageParser::kMostPaths, first);
  parser.paint(RectPath(RectMake(100, 100, 50, 50)), false, true);
  EXPECT_EQ(parser.paths().size(), VQDocxPDFPageParser::kMostPaths + 1) << "exactly 120000: still taken";
  parser.paint(RectPath(RectMake(100, 100, 50, 50)), false, true);
  EXPECT_EQ(parser.paths().size(), VQDocxPDFPageParser::kMostPaths + 1);
}

// A near-white fill before any graphics is the paper: the text under it
// goes, and so does the fill. After a picture it is a path.
TEST(VQDocxPDFPageParserPaths, NearWhitePaperRemovesTheTextUnderIt) {
  Parser parser;
  auto covered = std::make_shared<vq::VQDocxRunText>();
  covered->ctmInfo.frame = RectMake(100, 100, 20, 10);
  auto outside = std::make_shared<vq::VQDocxRunText>();
  outside->ctmInfo.frame = RectMake(500, 700, 20, 10);
  parser.page().allRunTextArray = {covered, outside};
  parser.setFill(255, 252, 251);
  parser.paint(RectPath(RectMake(0, 300, 400, 492)), false, true);  // display (0, 0, 400, 492)
  EXPECT_TRUE(parser.paths().empty());
  EXPECT_EQ(parser.page().allRunTextArray, std::vector<std::shared_ptr<vq::VQDocxRunText>>{outside});

  parser.page().allRunImageArray.push_back(std::make_shared<vq::VQDocxRunImage>());
  parser.paint(RectPath(RectMake(0, 300, 400, 492)), false, true);
  EXPECT_EQ(parser.paths().size(), 1u);
  EXPECT_EQ(parser.page().allRunTextArray.size(), 1u);
}

// A filled bar under 5 points thick is drawn as its centre line, stroked in
// the fill's colour and opacity.
TEST(VQDocxPDFPageParserPaths, ThinFilledBarsBecomeLines) {
  Parser parser;
  parser.setFill(255, 0, 0);
  parser.setStroke(0, 0, 255);
  parser.state().fillAlpha = 0.5;
  parser.paint(RectPath(RectMake(100, 500, 100, 3)), false, true);
  ASSERT_EQ(parser.paths().size(), 1u);
  const auto& bar = *parser.paths()[0];
  EXPECT_TRUE(bar.pictInfo()->stroked);
  EXPECT_FALSE(bar.pictInfo()->filled);
  EXPECT_DOUBLE_EQ(bar.pictInfo()->strokeweight, 3);
  EXPECT_EQ(bar.pictInfo()->strokecolorString(), "#FF0000");
  EXPECT_FLOAT_EQ(bar.pictInfo()->strokeAlpha(), 0.5f);
  EXPECT_EQ(bar.runLineType(), vq::VQDocxRunLineTypeHorizontal);
  EXPECT_EQ(bar.runCGPath().elementCount(), 2u);
  EXPECT_EQ(bar.displayRect(), RectMake(100, 289, 100, 3));

  parser.paint(RectPath(RectMake(100, 400, 100, 6)), false, true);
  ASSERT_EQ(parser.paths().size(), 2u);
  EXPECT_TRUE(parser.paths()[1]->pictInfo()->filled) << "6 points thick stays a shape";
}

TEST(VQDocxPDFPageParserPaths, Clips) {
  Parser parser;
  // A rectangle half outside its clip rectangle is cut to the part inside.
  parser.state().clipBezierPaths = {vq::VQPDFClipPath::NewClipPath(RectPath(RectMake(100, 100, 100, 100)), 1)};
  parser.paint(RectPath(RectMake(150, 150, 100, 30)), false, true);
  ASSERT_EQ(parser.paths().size(), 1u);
  EXPECT_EQ(parser.paths()[0]->displayRect(), RectMake(150, 612, 50, 30));

  // A path wholly outside its clip, or under a clip that leaves nothing,
  // is not taken; nor is one under an empty clip on a crowded page.
  parser.paint(RectPath(RectMake(300, 300, 10, 10)), false, true);
  parser.state().clipBezierPaths = {vq::VQPDFClipPath::NewClipPath(RectPath(RectMake(100, 100, 0, 100)), 1)};
  parser.paint(RectPath(RectMake(150, 150, 10, 10)), false, true);
  EXPECT_EQ(parser.paths().size(), 1u);
  const auto first = parser.paths()[0];
  parser.paths().assign(2500, first);
  parser.paint(RectPath(RectMake(150, 150, 10, 10)), false, true);
  EXPECT_EQ(parser.paths().size(), 2500u);

  // A rectangle filled exactly over a rounded clip shows the clip's outline.
  Parser rounded;
  Path round;
  round.addEllipseInRect(RectMake(100, 100, 100, 100));
  rounded.state().clipBezierPaths = {vq::VQPDFClipPath::NewClipPath(round, 1)};
  rounded.paint(RectPath(RectMake(100, 100, 100, 100)), false, true);
  ASSERT_EQ(rounded.paths().size(), 1u);
  EXPECT_TRUE(rounded.paths()[0]->isHaveCurve());
  EXPECT_EQ(rounded.paths()[0]->clipBezierPaths.size(), 1u);
}

// Paths without a usable place: no numbers, off the page.
TEST(VQDocxPDFPageParserPaths, UnusableGeometryIsSkipped) {
  Parser parser;
  const double nan = std::numeric_limits<double>::quiet_NaN();
  parser.paint(Line(nan, 10, 100, 10), true, false);
  parser.paint(Line(10, 10, std::numeric_limits<double>::infinity(), 10), true, false);
  parser.paint(RectPath(RectMake(-500, -500, 100, 100)), false, true);
  EXPECT_TRUE(parser.paths().empty());
}

// A path closes an open text path first; its colours are its own, not
// references into the state the interpreter drops.
TEST(VQDocxPDFPageParserPaths, ClosesOpenTextAndKeepsItsOwnColours) {
  Parser parser;
  parser.page().isUsingTextPath = true;
  parser.page().cachedTextPathInfo = std::make_shared<vq::VQDocxTextPathInfo>();
  parser.page().cachedTextPathString = "ab";
  parser.setFill(0, 128, 0);
  parser.state().lineDashPattern = {30, 10};
  parser.state().lineDashPhase = 5;
  parser.state().ctm = vq::AffineTransformMake(0.1, 0, 0, 0.1, 0, 0);
  parser.paint(RectPath(RectMake(100, 100, 50, 50)), true, true);
  ASSERT_EQ(parser.page().allRunTextPathArray.size(), 1u);
  EXPECT_FALSE(parser.page().isUsingTextPath);
  ASSERT_EQ(parser.paths().size(), 1u);
  const auto run = parser.paths()[0];
  EXPECT_LT(parser.page().allRunTextPathArray[0]->pdfScanIndex(), run->pdfScanIndex());
  ASSERT_TRUE(run->pictInfo()->strokeDashPattern);
  ASSERT_EQ(run->pictInfo()->strokeDashPattern->size(), 2u);
  EXPECT_NEAR((*run->pictInfo()->strokeDashPattern)[0], 3, 1e-9) << "dashes in display space";
  EXPECT_NEAR((*run->pictInfo()->strokeDashPattern)[1], 1, 1e-9);
  EXPECT_EQ(run->pictInfo()->strokeDashPhase, 1);

  parser.renderingStateStack().reset();
  parser.setFill(255, 0, 0);
  EXPECT_EQ(run->pictInfo()->fillcolorString(), "#008000");
}

// Soft masks: content of a mask group is kept marked; a path under a soft
// mask with no picture to mask is dropped and uses the mask up.
TEST(VQDocxPDFPageParserPaths, SoftMasks) {
  Parser parser;
  parser.state().isParseringExtGState = true;
  parser.paint(RectPath(RectMake(10, 10, 10, 10)), false, true);
  ASSERT_EQ(parser.paths().size(), 1u);
  EXPECT_TRUE(parser.paths()[0]->isExtGStateSMask);
  parser.state().isParseringExtGState = false;
  parser.state().haveSoftMask = true;
  parser.state().softMaskBlendMode = 15;
  parser.paint(RectPath(RectMake(10, 10, 10, 10)), false, true);
  EXPECT_EQ(parser.paths().size(), 1u);
  EXPECT_FALSE(parser.state().haveSoftMask);
}

// The corpus's vector drawings reach the page and are written as VML shapes
// with no number that is not one.
TEST(VQDocxPDFPageParserPathsCorpus, VectorDrawingsAreWritten) {
  for (const char* name : {"vector-ghostscript.pdf", "logo-cairo.pdf"}) {
    SCOPED_TRACE(name);
    auto pdf = vq::pdf::Document::open(vqtest::corpusFile(name).string(), "");
    ASSERT_TRUE(pdf);
    size_t shapes = 0;
    for (int n = 1; n <= pdf->pageCount(); ++n) {
      VQDocxPDFPageParser parser(nullptr, {});
      ASSERT_TRUE(parser.convertPDFPage(pdf->page(n), n, n == 1, n == pdf->pageCount()));
      for (const auto& run : parser.currentPage()->allRunPathArray) {
        ASSERT_TRUE(run->pictInfo());
        const Rect r = run->displayRect();
        EXPECT_TRUE(std::isfinite(r.origin.x) && std::isfinite(r.size.width) && r.size.width > 0) << n;
      }
      std::string xml =
          vqtest::writeXML([&](vq::XMLFileWriter& w) { parser.currentPage()->writePageWithXMLWriter(w); });
      for (size_t at = xml.find("<v:shape "); at != std::string::npos; at = xml.find("<v:shape ", at + 1)) ++shapes;
      for (size_t at = xml.find("<v:"); at != std::string::npos; at = xml.find("<v:", at + 1)) {
        const std::string tag = xml.substr(at, xml.find('>', at) - at);
        EXPECT_EQ(tag.find("nan"), std::string::npos) << tag;
        EXPECT_EQ(tag.find("inf"), std::string::npos) << tag;
      }
    }
    EXPECT_GT(shapes, 0u);
  }
}

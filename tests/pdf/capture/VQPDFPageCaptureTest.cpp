// The page capture every format parses pages with: where a glyph lies on
// turned, offset and scaled pages, and the conversion's settings
// (annotations, image decoding, the document's font cache) reaching the
// interpreter.
#include <fmt/format.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <numbers>
#include <string>
#include <thread>
#include <vector>

#include "pdf/VQPDFConentParserDelegate.h"
#include "pdf/VQPDFFontCache.h"
#include "pdf/VQPDFRenderState.h"
#include "pdf/VQPDFXObject.h"
#include "pdf/capture/VQPDFPageCapture.h"
#include "pdf/images/VQPDFImageDecoder.h"
#include "pdf/images/VQPDFImageFileTracker.h"
#include "platform/imageio/VQImageIO.h"
#include "platform/pdf/PdfDocument.h"
#include "support/TestSupport.h"

namespace {

using vq::AffineTransform;
using vq::AffineTransformMake;
using vq::RectMake;
using vq::Size;
using vq::VQPDFPageCapture;

struct GlyphCase {
  const char* name;
  vq::Rect crop;
  int rotate;
  AffineTransform textMatrix;  // upright on the display page
  double x, y;                 // where the text origin lands on the display page
  double scale;                // display points per text-space unit
  double rise = 0;             // the text rise (Ts), in unscaled text space
};

// A glyph at text origin (150, 250) in user space, under a CTM that moves it
// to (160, 270) on the page; 10-point text, no font (ascent 0.95, descent
// -0.35), the text matrix scaling by 2 (by 1 on the halved oversized page).
TEST(VQPDFPageCapture, GlyphGeometryOnTurnedOffsetAndScaledPages) {
  const GlyphCase cases[] = {
      {"offset crop", RectMake(100, 200, 300, 400), 0, AffineTransformMake(2, 0, 0, 2, 150, 250), 60, 330, 2},
      {"turned 90", RectMake(100, 200, 300, 400), 90, AffineTransformMake(0, 2, -2, 0, 150, 250), 70, 60, 2},
      {"turned 180", RectMake(100, 200, 300, 400), 180, AffineTransformMake(-2, 0, 0, -2, 150, 250), 240, 70, 2},
      {"turned 270", RectMake(100, 200, 300, 400), 270, AffineTransformMake(0, -2, 2, 0, 150, 250), 330, 240, 2},
      // 3166 points high: scaled by one half to the largest display size.
      {"oversized", RectMake(0, 0, 2000, 3166), 0, AffineTransformMake(2, 0, 0, 2, 150, 250), 80, 1448, 1},
      // The rise moves the glyph off its line through the text matrix.
      {"raised", RectMake(100, 200, 300, 400), 0, AffineTransformMake(2, 0, 0, 2, 150, 250), 60, 324, 2, 3},
      {"lowered", RectMake(100, 200, 300, 400), 0, AffineTransformMake(2, 0, 0, 2, 150, 250), 60, 334, 2, -2},
      {"raised on a turned page", RectMake(100, 200, 300, 400), 90, AffineTransformMake(0, 2, -2, 0, 150, 250), 70, 54,
       2, 3},
  };
  const double ascent = 0.95 / 1.3;  // of the glyph height, which is the font size
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    VQPDFPageCapture capture;
    capture.beginPage(vq::VQPageSetupMake(RectMake(-1000, -1000, 5000, 5000), c.crop, c.rotate));
    ASSERT_TRUE(capture.hasPage());
    auto& state = capture.renderingStateStack().topRenderingState();
    state.fontSize = 10;
    state.textMatrix = c.textMatrix;
    state.textRise = c.rise;
    state.ctm = AffineTransformMake(1, 0, 0, 1, 10, 20);

    const auto glyph = capture.glyph(Size{5, 0});
    const AffineTransform& t = glyph.transform();
    EXPECT_NEAR(t.a, c.scale, 1e-9);
    EXPECT_NEAR(t.b, 0, 1e-9);
    EXPECT_NEAR(t.c, 0, 1e-9);
    EXPECT_NEAR(t.d, -c.scale, 1e-9);  // y grows downwards: upright text
    EXPECT_NEAR(t.tx, c.x, 1e-9);
    EXPECT_NEAR(t.ty, c.y, 1e-9);
    EXPECT_NEAR(glyph.nextTransform().tx, c.x + 5 * c.scale, 1e-9);
    EXPECT_NEAR(glyph.nextTransform().ty, c.y, 1e-9);

    const auto& at = glyph.placement();
    EXPECT_EQ(at.rotation, 0);
    EXPECT_NEAR(at.topLeft.x, c.x, 1e-9);
    EXPECT_NEAR(at.topLeft.y, c.y - 10 * c.scale * ascent, 1e-9);
    EXPECT_NEAR(at.bottomLeft.y, c.y + 10 * c.scale * (1 - ascent), 1e-9);
    EXPECT_NEAR(glyph.nextPlacement().topLeft.x, c.x + 5 * c.scale, 1e-9);
    EXPECT_NEAR(glyph.fontSize().width, 10 * c.scale, 1e-9);
    // Across the line the font size spans ascent to descent, unnormalised.
    EXPECT_NEAR(glyph.fontSize().height, 10 * 1.3 * c.scale, 1e-9);

    // A blank of 2.5 text units: its width on the display page, and the
    // glyph height across the line.
    const Size blank = glyph.displaySize(2.5);
    EXPECT_NEAR(blank.width, 2.5 * c.scale, 1e-9);
    EXPECT_NEAR(blank.height, 10 * c.scale, 1e-9);
    EXPECT_EQ(glyph.displayWidth(2.5), blank.width);

    capture.endPage();
    EXPECT_FALSE(capture.hasPage());
  }
}

// The position after an advance is the whole chain with the text position
// moved: the glyph's shortcut must give it bit for bit, signed zeros and
// roundings included, on awkward matrices (negative scaling, negative
// zeros, uneven, turned and sheared).
TEST(VQPDFPageCapture, AdvancesGiveTheWholeChainBitForBit) {
  struct AdvanceCase {
    const char* name;
    AffineTransform textMatrix, ctm;
    double horizontalScaling, rise;
    Size advance;
  };
  const AdvanceCase cases[] = {
      {"plain", AffineTransformMake(12, 0, 0, 12, 72.5, 700.25), AffineTransformMake(1, 0, 0, 1, 0, 0), 1, 0,
       Size{0.611f * 12, 0}},
      {"negative zeros", AffineTransformMake(-0.0, 9.3, -9.3, -0.0, 301.7, 44.1),
       AffineTransformMake(0.1, -0.0, 0.0, -0.1, -0.0, 792.0), 0.85, 1.7, Size{3.1f, -0.0}},
      {"mirrored scaling", AffineTransformMake(7.7, 0.3, -0.2, 8.1, 13.37, 91.9),
       AffineTransformMake(1.3, 0.7, -0.4, 0.9, 5.5, -3.25), -1.1, -0.6, Size{4.4f, 0.2f}},
      {"sheared vertical", AffineTransformMake(1, 0, 0.33, 1, 0.1, 0.2), AffineTransformMake(0, 11, -11, 0, 400, 20),
       1.0 / 3, 0, Size{0, -1.0f / 3}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    VQPDFPageCapture capture;
    capture.beginPage(vq::VQPageSetupMake(RectMake(0, 0, 612, 792), RectMake(10, 20, 590, 760), 90));
    auto& state = capture.renderingStateStack().topRenderingState();
    state.fontSize = 11;
    state.textMatrix = c.textMatrix;
    state.textRise = c.rise;
    state.ctm = c.ctm;
    state.horizontalScaling = c.horizontalScaling;

    const auto glyph = capture.glyph(c.advance);
    AffineTransform orientation;
    if (c.horizontalScaling < 0) orientation.a = -orientation.a, orientation.b = -orientation.b;
    const AffineTransform raised = vq::AffineTransformTranslate(c.textMatrix, 0, c.rise);
    const AffineTransform& page = capture.pageSetup().transform;
    const auto whole = [&](const Size& advance) {
      const Size scaled{advance.width * c.horizontalScaling, advance.height};
      return vq::AffineTransformConcat(orientation, vq::VQDisplayTextTransform(raised, c.ctm, page, scaled));
    };
    const auto same = [](const AffineTransform& x, const AffineTransform& y) {
      return std::memcmp(&x, &y, sizeof x) == 0;
    };
    EXPECT_TRUE(same(glyph.nextTransform(), whole(c.advance)));
    const AffineTransform after = whole(Size{2.5, 0});
    EXPECT_EQ(glyph.displayAdvance(2.5), std::hypot(after.tx - glyph.transform().tx, after.ty - glyph.transform().ty));
    EXPECT_EQ(
        glyph.displayWidth(2.5),
        std::fabs(
            vq::VQPDFTransformGetFontFrame(11, glyph.ascent(), glyph.descent(), glyph.transform(), after).size.width));
    capture.endPage();
  }
}

// Whether a glyph leans is measured from its own base line, so turning,
// mirroring or squeezing text does not make it lean, and a slant shows on a
// turned page as on an upright one.
TEST(VQPDFPageCapture, GlyphsLeanOnlyWhenSlanted) {
  const auto slant = [](double degrees) { return std::tan(degrees * std::numbers::pi / 180); };
  const auto turn = [](double degrees, double lean) {
    const double c = std::cos(degrees * std::numbers::pi / 180), s = std::sin(degrees * std::numbers::pi / 180);
    // The slant (x moves with y) applied before the turn.
    return AffineTransformMake(c, s, lean * c - s, lean * s + c, 100, 100);
  };
  struct Case {
    const char* name;
    int pageRotate;
    AffineTransform textMatrix;
    bool slanted;
  };
  const Case cases[] = {
      {"upright", 0, AffineTransformMake(1, 0, 0, 1, 100, 100), false},
      {"slanted 2 degrees", 0, AffineTransformMake(1, 0, slant(2), 1, 100, 100), false},
      {"slanted 5 degrees", 0, AffineTransformMake(1, 0, slant(5), 1, 100, 100), true},
      {"slanted 12 degrees", 0, AffineTransformMake(1, 0, slant(12), 1, 100, 100), true},
      {"slanted 12 degrees back", 0, AffineTransformMake(1, 0, -slant(12), 1, 100, 100), true},
      {"turned 3 degrees", 0, turn(3, 0), false},
      {"turned 30 degrees", 0, turn(30, 0), false},
      {"turned 30 degrees and slanted", 0, turn(30, slant(12)), true},
      {"turned a quarter", 0, turn(90, 0), false},
      {"condensed", 0, AffineTransformMake(0.7, 0, 0, 1, 100, 100), false},
      {"mirrored", 0, AffineTransformMake(-1, 0, 0, 1, 100, 100), false},
      {"mirrored and slanted", 0, AffineTransformMake(-1, 0, slant(12), 1, 100, 100), true},
      {"upright on a turned page", 90, AffineTransformMake(1, 0, 0, 1, 100, 100), false},
      {"slanted on a turned page", 90, AffineTransformMake(1, 0, slant(12), 1, 100, 100), true},
      {"squeezed to a line", 0, AffineTransformMake(1, 0, 1, 0, 100, 100), false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    VQPDFPageCapture capture;
    const vq::Rect box = RectMake(0, 0, 612, 792);
    capture.beginPage(vq::VQPageSetupMake(box, box, c.pageRotate));
    auto& state = capture.renderingStateStack().topRenderingState();
    state.fontSize = 12;
    state.textMatrix = c.textMatrix;
    EXPECT_EQ(capture.glyph(Size{5, 0}).isSlanted(), c.slanted);
    capture.endPage();
  }
}

// What the interpreter reported through the capture.
class Recorder : public vq::VQPDFConentParserDelegate {
 public:
  explicit Recorder(const VQPDFPageCapture& capture) : capture_(capture) {}
  struct Text {
    std::string text;
    std::shared_ptr<vq::VQPDFFont> font;
    AffineTransform transform;
  };
  std::vector<Text> texts;
  int paths = 0;
  int images = 0;

  void didScanTextTextOffset(vq::VQPDFConentParser*, const std::string& text, const Size& offset) override {
    const auto glyph = capture_.glyph(offset);
    texts.push_back({text, glyph.state().font, glyph.transform()});
  }
  void didScanPathStrokeFill(vq::VQPDFConentParser*, const vq::Path&, bool, bool) override { ++paths; }
  // Asks for the file, as an exporter that places pictures does.
  void didScanXObjectImage(vq::VQPDFConentParser*, const std::shared_ptr<vq::VQPDFImageXObject>& image) override {
    image->decodedImagePath();
    ++images;
  }

 private:
  const VQPDFPageCapture& capture_;
};

std::shared_ptr<vq::pdf::Document> WriteAndOpen(const vqtest::ScratchDir& dir, const std::string& bytes) {
  const auto path = dir / "page.pdf";
  std::ofstream(path, std::ios::binary) << bytes;
  return vq::pdf::Document::open(path.string(), "");
}

// Counts the images the interpreter decodes while it lives.
class DecodeCounter {
 public:
  // The real decoder is installed first (a capture installs it once per
  // process), so that the counter stands in for it until it is dropped.
  DecodeCounter() : saved_((vq::VQPDFImageDecoder::install(), vq::VQPDFImageXObject::decoder())) {
    vq::VQPDFImageXObject::setDecoder([this](vq::VQPDFImageXObject&, const vq::pdf::Object&) { ++decodes; });
  }
  ~DecodeCounter() { vq::VQPDFImageXObject::setDecoder(saved_); }
  int decodes = 0;

 private:
  vq::VQPDFImageXObject::Decoder saved_;
};

// A turned page with an offset crop box: a word, an image and a square
// annotation (drawn as one stroked path).
TEST(VQPDFPageCapture, SettingsReachTheInterpreter) {
  vqtest::ScratchDir dir;
  const std::string image =
      "<< /Type /XObject /Subtype /Image /Width 1 /Height 1 /ColorSpace /DeviceGray /BitsPerComponent 8 " +
      vqtest::PDFStream("\x80").substr(3);
  const auto document = WriteAndOpen(
      dir, vqtest::BuildPDF({
               "<< /Type /Catalog /Pages 2 0 R >>",
               "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
               "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /CropBox [100 200 400 600] /Rotate 90 "
               "/Resources << /Font << /F1 4 0 R >> /XObject << /Im1 5 0 R >> >> /Contents 6 0 R "
               "/Annots [7 0 R] >>",
               "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>",
               image,
               vqtest::PDFStream("q 10 0 0 10 300 300 cm /Im1 Do Q BT /F1 12 Tf 0 1 -1 0 150 250 Tm (Hi) Tj ET"),
               "<< /Type /Annot /Subtype /Square /Rect [150 250 200 300] >>",
           }));
  ASSERT_TRUE(document);
  const struct {
    bool annotations, decodeImages;
    int paths, decodes;
  } cases[] = {{true, true, 1, 1}, {false, true, 0, 1}, {true, false, 1, 0}, {false, false, 0, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << "annotations " << c.annotations << ", decode " << c.decodeImages);
    DecodeCounter counter;
    vq::VQPDFPageCaptureSettings settings;
    settings.annotations = c.annotations;
    settings.decodeImages = c.decodeImages;
    VQPDFPageCapture capture(settings);
    Recorder recorder(capture);
    capture.beginPage(*document->page(1));
    EXPECT_NEAR(capture.pageSetup().cropBox.size.width, 400, 1e-9);
    EXPECT_NEAR(capture.pageSetup().cropBox.size.height, 300, 1e-9);
    capture.run(recorder);
    capture.endPage();
    EXPECT_EQ(recorder.paths, c.paths);
    EXPECT_EQ(counter.decodes, c.decodes);
    EXPECT_EQ(recorder.images, 1);
    // The reports read the capture's stack: the first glyph sits where the
    // page's set-up puts (150, 250), upright.
    ASSERT_EQ(recorder.texts.size(), 2u);
    const AffineTransform& t = recorder.texts[0].transform;
    EXPECT_NEAR(t.tx, 50, 1e-9);
    EXPECT_NEAR(t.ty, 50, 1e-9);
    EXPECT_NEAR(t.a, 1, 1e-9);
    EXPECT_NEAR(t.d, -1, 1e-9);
  }
}

// Keeps the file of every image reported, as an exporter that places
// pictures does.
class PictureCollector : public vq::VQPDFConentParserDelegate {
 public:
  void didScanXObjectImage(vq::VQPDFConentParser*, const std::shared_ptr<vq::VQPDFImageXObject>& image) override {
    paths.push_back(image->decodedImagePath());
    vq::VQPDFImageFileTracker::claim(paths.back());
  }
  ~PictureCollector() {
    for (const auto& path : paths) std::filesystem::remove(path);
  }
  std::vector<std::string> paths;
};

// A stencil mask is painted in the fill colour it is drawn with, its mask
// the transparency: the same mask in red, blue and red again gives two
// files of their own colours (the second red one the first's file), an
// inverted Decode paints where the samples are 1, an inline mask takes its
// colour too, and a pattern fill paints in its average colour over the
// mask's area (red to blue across it: purple).
TEST(VQPDFPageCapture, StencilMasksArePaintedInTheFillColourWhereDrawn) {
  vqtest::ScratchDir dir;
  const std::string bits("\x60\x90\x90\x60", 4);  // 0110 1001 1001 0110
  const auto mask = [&](const std::string& extra) {
    return "<< /Type /XObject /Subtype /Image /Width 4 /Height 4 /ImageMask true " + extra +
           vqtest::PDFStream(bits).substr(3);
  };
  const std::string content =
      "q 0 0 0.2 0 k 400 0 0 60 100 600 cm /Box Do Q "
      "q 1 0 0 rg 40 0 0 40 100 400 cm /Im1 Do Q q 0 0 1 rg 40 0 0 40 200 400 cm /Im1 Do Q "
      "q 1 0 0 rg 40 0 0 40 300 400 cm /Im1 Do Q "
      "q 0 1 0 rg 40 0 0 40 100 300 cm /Im2 Do Q "
      "q 1 0.5 0 rg 40 0 0 40 200 300 cm BI /W 4 /H 4 /IM true ID " +
      bits +
      " EI Q "
      "q /Pattern cs /P1 scn 100 0 0 20 100 100 cm /Im1 Do Q";
  const auto document =
      WriteAndOpen(dir, vqtest::BuildPDF({
                            "<< /Type /Catalog /Pages 2 0 R >>",
                            "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                            "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Resources << /XObject << /Box 4 0 R "
                            "/Im1 5 0 R /Im2 6 0 R >> /Pattern << /P1 8 0 R >> >> /Contents 7 0 R >>",
                            "<< /Type /XObject /Subtype /Image /Width 1 /Height 1 /ImageMask true " +
                                vqtest::PDFStream(std::string(1, '\0')).substr(3),
                            mask(""),
                            mask("/Decode [1 0]"),
                            vqtest::PDFStream(content),
                            "<< /PatternType 2 /Shading << /ShadingType 2 /ColorSpace /DeviceRGB /Coords [100 0 200 0] "
                            "/Function << /FunctionType 2 /Domain [0 1] /C0 [1 0 0] /C1 [0 0 1] /N 1 >> >> >>",
                        }));
  ASSERT_TRUE(document);
  VQPDFPageCapture capture;
  PictureCollector pictures;
  {
    vq::VQPDFImageFileScope scope;
    capture.beginPage(*document->page(1));
    capture.run(pictures);
    capture.endPage();
  }
  struct Expected {
    const char* name;
    int r, g, b;
    bool paintsOnZero;  // the 4 x 4 bits paint where they are 0 (else where 1); the box paints everywhere
  } expected[] = {
      {"pale box", 255, 252, 204, true},
      {"red", 255, 0, 0, true},
      {"blue", 0, 0, 255, true},
      {"red again", 255, 0, 0, true},
      {"green, inverted", 0, 255, 0, false},
      {"orange, inline", 255, 127, 0, true},
      {"pattern average", 127, 0, 128, true},
  };
  ASSERT_EQ(pictures.paths.size(), std::size(expected));
  EXPECT_EQ(pictures.paths[3], pictures.paths[1]);
  EXPECT_NE(pictures.paths[2], pictures.paths[1]);
  for (size_t i = 0; i < std::size(expected); ++i) {
    const auto& e = expected[i];
    SCOPED_TRACE(e.name);
    const auto read = vq::imageio::readImageFile(pictures.paths[i]);
    ASSERT_TRUE(read);
    const vq::Bitmap picture = vq::imageio::convertBitmap(*read, vq::PixelFormat::RGBA8);
    for (int y = 0; y < picture.height; ++y) {
      for (int x = 0; x < picture.width; ++x) {
        const uint8_t* p = picture.row(y) + 4 * x;
        const bool zero = picture.width == 1 || ((static_cast<uint8_t>(bits[y]) >> (7 - x)) & 1) == 0;
        EXPECT_EQ(p[3], zero == e.paintsOnZero ? 255 : 0) << x << "," << y;
        if (p[3] == 0) continue;
        EXPECT_NEAR(p[0], e.r, 2) << x << "," << y;
        EXPECT_NEAR(p[1], e.g, 2) << x << "," << y;
        EXPECT_NEAR(p[2], e.b, 2) << x << "," << y;
      }
    }
  }
}

// Two pages showing text in one font object.
std::string TwoPagesOneFont() {
  const std::string page =
      "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Resources << /Font << /F1 5 0 R >> >> "
      "/Contents 6 0 R >>";
  return vqtest::BuildPDF({
      "<< /Type /Catalog /Pages 2 0 R >>",
      "<< /Type /Pages /Kids [3 0 R 4 0 R] /Count 2 >>",
      page,
      page,
      "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>",
      vqtest::PDFStream("BT /F1 12 Tf 72 700 Td (A) Tj ET"),
  });
}

TEST(VQPDFPageCapture, FontCacheServesThePagesOfItsThread) {
  vqtest::ScratchDir dir;
  const auto document = WriteAndOpen(dir, TwoPagesOneFont());
  ASSERT_TRUE(document);
  const struct {
    const char* name;
    bool cache;
    bool secondPageElsewhere;  // page 2 parsed on another thread
    bool sameFont;             // both pages drew with one font object
  } cases[] = {
      {"shared cache", true, false, true},
      {"no cache", false, false, false},
      {"second page on another thread", true, true, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto cache = c.cache ? std::make_shared<vq::VQPDFFontCache>() : nullptr;
    vq::VQPDFPageCaptureSettings settings;
    settings.fontCache = cache;
    VQPDFPageCapture capture(settings);
    Recorder recorder(capture);
    auto parse = [&](int number) {
      capture.beginPage(*document->page(number));
      capture.run(recorder);
      capture.endPage();
    };
    parse(1);
    if (c.secondPageElsewhere) {
      std::thread(parse, 2).join();
    } else {
      parse(2);
    }
    ASSERT_EQ(recorder.texts.size(), 2u);
    ASSERT_TRUE(recorder.texts[0].font);
    ASSERT_TRUE(recorder.texts[1].font);
    EXPECT_EQ(recorder.texts[0].font == recorder.texts[1].font, c.sameFont);
    if (cache) {
      EXPECT_EQ(cache->size(), 1u);
    }
  }
}

// A conversion's page threads each keep the fonts of their recent pages:
// one cache a thread, the fonts that the last pages did not use dropped.
TEST(VQPDFPageCapture, ThreadFontCachesKeepTheFontsOfRecentPages) {
  vqtest::ScratchDir dir;
  constexpr int kPages = 12;
  std::vector<std::string> objects = {"<< /Type /Catalog /Pages 2 0 R >>", ""};
  std::string kids;
  // Objects 3 and 4: the fonts; 5 and 6: the contents; pages from 7.
  objects.push_back("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>");
  objects.push_back("<< /Type /Font /Subtype /Type1 /BaseFont /Courier /Encoding /WinAnsiEncoding >>");
  objects.push_back(vqtest::PDFStream("BT /F1 12 Tf 72 700 Td (A) Tj /F2 12 Tf (B) Tj ET"));
  objects.push_back(vqtest::PDFStream("BT /F1 12 Tf 72 700 Td (A) Tj ET"));
  for (int k = 0; k < kPages; ++k) {
    kids += fmt::format("{} 0 R ", 7 + k);
    objects.push_back(
        fmt::format("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Resources << /Font << /F1 3 0 R {}>> >> "
                    "/Contents {} 0 R >>",
                    k == 0 ? "/F2 4 0 R " : "", k == 0 ? 5 : 6));
  }
  objects[1] = fmt::format("<< /Type /Pages /Kids [{}] /Count {} >>", kids, kPages);
  const auto document = WriteAndOpen(dir, vqtest::BuildPDF(objects));
  ASSERT_TRUE(document);

  vq::VQPDFThreadFontCaches caches;
  std::shared_ptr<vq::VQPDFFontCache> first;
  for (int number = 1; number <= kPages; ++number) {
    SCOPED_TRACE(number);
    auto cache = caches.forPage(*document->page(number));
    if (!first) first = cache;
    EXPECT_EQ(cache, first) << "one cache for the thread";
    vq::VQPDFPageCaptureSettings settings;
    settings.fontCache = cache;
    VQPDFPageCapture capture(settings);
    Recorder recorder(capture);
    capture.beginPage(*document->page(number));
    capture.run(recorder);
    capture.endPage();
    // Courier, a resource of page 1 only, stays for the pages that follow closely.
    const bool courierKept = number <= 1 + static_cast<int>(vq::VQPDFFontCache::kPagesKept);
    EXPECT_EQ(cache->size(), courierKept ? 2u : 1u);
  }
  std::shared_ptr<vq::VQPDFFontCache> elsewhere;
  std::thread([&] { elsewhere = caches.forPage(*document->page(1)); }).join();
  EXPECT_TRUE(elsewhere);
  EXPECT_NE(elsewhere, first);
}

// The page threads of one conversion build a font once between them,
// except a Type 3 font: its glyph procedures are objects of the instance of
// the file that one thread reads through, and stay with that thread.
TEST(VQPDFPageCapture, ThreadFontCachesShareTheFontsAnyThreadMayUse) {
  vqtest::ScratchDir dir;
  const auto document = WriteAndOpen(
      dir, vqtest::BuildPDF({
               "<< /Type /Catalog /Pages 2 0 R >>",
               "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
               "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Resources << /Font << /F1 4 0 R /T3 5 0 R >> "
               ">> >>",
               "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>",
               "<< /Type /Font /Subtype /Type3 /FontBBox [0 0 1000 1000] /FontMatrix [0.001 0 0 0.001 0 0] "
               "/CharProcs << /a 6 0 R >> /Encoding << /Type /Encoding /Differences [97 /a] >> /FirstChar 97 "
               "/LastChar 97 /Widths [1000] >>",
               vqtest::PDFStream("1000 0 0 0 1000 1000 d1 0 0 1000 1000 re f"),
           }));
  ASSERT_TRUE(document);
  vq::VQPDFThreadFontCaches caches;
  auto readFonts = [&] {
    const auto page = *document->page(1);
    return caches.forPage(page)->collectionForDictionary(page.resources().get("Font"));
  };
  const auto first = readFonts();
  std::shared_ptr<vq::VQPDFFontCollection> second;
  std::thread([&] { second = readFonts(); }).join();
  ASSERT_TRUE(first->fontForKey("F1") && first->fontForKey("T3"));
  ASSERT_TRUE(second->fontForKey("F1") && second->fontForKey("T3"));
  EXPECT_EQ(first->fontForKey("F1"), second->fontForKey("F1"));
  EXPECT_NE(first->fontForKey("T3"), second->fontForKey("T3"));
}

}  // namespace

// A page captured again turned: the extra angle comes off the page's /Rotate
// and the display page turns with it.
TEST(VQPDFPageCapture, ExtraAngleTurnsThePageSetUp) {
  vqtest::ScratchDir dir;
  const auto document =
      WriteAndOpen(dir, vqtest::BuildPDF({
                            "<< /Type /Catalog /Pages 2 0 R >>",
                            "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                            "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 300 400] /Rotate 90 /Contents 4 0 R >>",
                            vqtest::PDFStream(""),
                        }));
  ASSERT_TRUE(document);
  const struct {
    long long extra;
    int rotation;
    double width, height;
  } cases[] = {{0, 90, 400, 300}, {90, 0, 300, 400}, {180, 270, 400, 300}, {-270, 0, 300, 400}};
  VQPDFPageCapture capture;
  for (const auto& c : cases) {
    capture.beginPage(*document->page(1), c.extra);
    EXPECT_EQ(capture.pageSetup().rotationAngle, c.rotation) << c.extra;
    EXPECT_EQ(capture.pageSetup().cropBox.size.width, c.width) << c.extra;
    EXPECT_EQ(capture.pageSetup().cropBox.size.height, c.height) << c.extra;
    capture.endPage();
  }
}

// The capture's word-gap rule, glyph by glyph: each line is drawn in its
// own way and read back with a "|" before every glyph the capture says a
// word gap comes before. Blank glyphs themselves are left out.
class GapRecorder : public vq::VQPDFConentParserDelegate {
 public:
  explicit GapRecorder(VQPDFPageCapture& capture) : capture_(capture) {}
  std::vector<std::string> lines{""};
  double lastY = 0;

  void didScanTextTextOffset(vq::VQPDFConentParser*, const std::string& text, const Size& offset) override {
    const auto glyph = capture_.textGlyph(text, offset);
    const double y = glyph.transform().ty;
    if (!lines.back().empty() && std::fabs(y - lastY) > 5) lines.emplace_back();
    lastY = y;
    if (glyph.isBlank()) return;
    lines.back() += (glyph.wordGapBefore() ? "|" : "") + text;
  }

 private:
  VQPDFPageCapture& capture_;
};

TEST(VQPDFPageCapture, WordGapsComeFromBlankGlyphsAndWideGaps) {
  const std::pair<const char*, const char*> cases[] = {
      {"(one two) Tj", "one|two"},
      {"[(one ) 278 (two)] TJ", "one|two"},            // the blank taken back to nothing
      {"[(one ) 500 (two)] TJ", "one|two"},            // ... and further
      {"(one\\001two) Tj", "one|two"},                 // the font's blank at code 1
      {"[(one) -280 (two)] TJ", "one|two"},            // a word gap by positioning alone
      {"[(o) 20 (ne) -40 (t) 10 (wo)] TJ", "onetwo"},  // kerning
      {"0.3 Tc (one) Tj 0 Tc", "one"},                 // loose tracking
      {"2 Tc (one) Tj 0 Tc", "o|n|e"},                 // letters a blank apart
      {"(one) Tj 0 -30 Td (two) Tj", "one\ntwo"},      // another line
      {"(one) Tj -60 0 Td (two) Tj", "onetwo"},        // set back before the word: no gap after it
      {"(one) Tj 3 Ts (2) Tj 0 Ts", "one2"},           // raised, still against the word
  };
  vqtest::ScratchDir dir;
  for (const auto& [content, expected] : cases) {
    SCOPED_TRACE(content);
    // Lines drawn 40 points apart; the second of a case is 30 below.
    const auto document = WriteAndOpen(
        dir, vqtest::BuildPDF({
                 "<< /Type /Catalog /Pages 2 0 R >>",
                 "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                 "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Resources << /Font << /F1 5 0 R >> >> "
                 "/Contents 4 0 R >>",
                 vqtest::PDFStream(std::string("BT /F1 10 Tf 72 700 Td ") + content + " ET"),
                 "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding << /BaseEncoding /WinAnsiEncoding "
                 "/Differences [1 /space] >> >>",
             }));
    ASSERT_TRUE(document);
    VQPDFPageCapture capture;
    GapRecorder recorder(capture);
    capture.beginPage(*document->page(1));
    capture.run(recorder);
    std::string got;
    for (const auto& line : recorder.lines) got += (got.empty() ? "" : "\n") + line;
    EXPECT_EQ(got, expected);
  }
}

// A page that repeats a small inline image many times decodes it once per
// paint, whatever the repeat count; images that differ in data, dictionary
// or stencil colour, or in the colour space they name, are decoded
// apart.
TEST(VQPDFPageCapture, RepeatedInlineImagesAreDecodedOnce) {
  struct Case {
    const char* what;
    std::string content;
    int decodes;
  };
  std::string repeated, varied;
  for (int i = 0; i < 400; ++i) {
    repeated += "q 2 0 0 2 100 400 cm BI /W 2 /H 2 /CS /G /BPC 8 ID abcd EI Q\n";
    varied += fmt::format("BI /W 2 /H 2 /CS /G /BPC 8 ID ab{:02} EI\n", i % 50);
  }
  const Case cases[] = {
      {"one image 400 times", repeated, 1},
      {"50 images 8 times each", varied, 50},
      {"a stencil in two colours",
       "1 0 0 rg BI /W 8 /H 1 /IM true ID a EI 0 0 1 rg BI /W 8 /H 1 /IM true ID a EI "
       "1 0 0 rg BI /W 8 /H 1 /IM true ID a EI",
       2},
      {"one named space", "BI /W 1 /H 1 /CS /C /BPC 8 ID a EI BI /W 1 /H 1 /CS /C /BPC 8 ID a EI", 1},
      {"two named spaces", "BI /W 1 /H 1 /CS /C /BPC 8 ID a EI BI /W 1 /H 1 /CS /D /BPC 8 ID a EI", 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    vqtest::ScratchDir dir;
    const auto document = WriteAndOpen(
        dir, vqtest::BuildPDF({
                 "<< /Type /Catalog /Pages 2 0 R >>",
                 "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                 "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R /Resources << /ColorSpace "
                 "<< /C /DeviceGray /D [/Indexed /DeviceRGB 0 <000000>] >> >> >>",
                 vqtest::PDFStream(c.content),
             }));
    ASSERT_TRUE(document);
    DecodeCounter counter;
    VQPDFPageCapture capture;
    Recorder recorder(capture);
    capture.beginPage(*document->page(1));
    capture.run(recorder);
    capture.endPage();
    EXPECT_EQ(counter.decodes, c.decodes);
  }
}

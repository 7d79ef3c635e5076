#include "pdf/raster/VQPDFExporterRaster.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>

#include "pdf/PdfFixture.h"
#include "pdf/VQPDFRenderState.h"
#include "pdf/shading/VQPDFPatternDrawable.h"
#include "pdf/shading/VQPDFShadingDrawable.h"

namespace {

using vq::AffineTransform;
using vq::AffineTransformIdentity;
using vq::AffineTransformMake;
using vq::Bitmap;
using vq::Path;
using vq::Rect;
using vq::RectMake;
using vq::SizeMake;
using vq::VQPDFClipStack;
using vq::VQPDFExporterRaster;

using Px = std::array<int, 4>;
Px At(const Bitmap& b, int x, int y) {
  const uint8_t* p = b.row(y) + 4 * x;
  return {p[0], p[1], p[2], p[3]};
}
bool Near(const Px& a, const Px& b, int tolerance = 3) {
  for (int i = 0; i < 4; ++i)
    if (std::abs(a[i] - b[i]) > tolerance) return false;
  return true;
}
std::string Show(const Px& p) {
  return "(" + std::to_string(p[0]) + "," + std::to_string(p[1]) + "," + std::to_string(p[2]) + "," +
         std::to_string(p[3]) + ")";
}

Path RectPath(const Rect& r) {
  Path p;
  p.addRect(r);
  return p;
}
VQPDFClipStack Clips(std::initializer_list<std::pair<Path, int>> records) {
  VQPDFClipStack stack;
  for (const auto& [path, type] : records) stack.push_back(vq::VQPDFClipPath::NewClipPath(path, type));
  return stack;
}

// A 100 x 20 page whose output space is its PDF space turned upright.
const AffineTransform kFlip = AffineTransformMake(1, 0, 0, -1, 0, 20);
const Px kRed{255, 0, 0, 255}, kBlue{0, 0, 255, 255}, kClear{0, 0, 0, 0};

std::shared_ptr<vq::VQPDFDrawableShading> Shading(vqtest::PdfFixture& pdf, const std::string& body) {
  auto s = vq::VQPDFDrawableShading::ShadingWithObject(
      pdf.object("<< /ColorSpace /DeviceRGB /Function << /FunctionType 2 /Domain [0 1] /C0 [1 0 0] /C1 [0 0 1] /N 1 "
                 ">> " +
                 body + " >>"),
      "Sh");
  EXPECT_TRUE(s);
  return s;
}

TEST(Raster, ShadingsFillTheClipWithTheirExtends) {
  vqtest::PdfFixture pdf;
  Path ring;
  ring.addRect(RectMake(0, 0, 100, 20));
  ring.addRect(RectMake(40, 5, 20, 10));
  struct Probe {
    int x, y;
    Px color;
  };
  struct Row {
    const char* name;
    std::string shading;
    VQPDFClipStack clips;
    std::vector<Probe> probes;
  } rows[] = {
      {"axial, end extended",
       "/ShadingType 2 /Coords [20 0 80 0] /Extend [false true]",
       {},
       {{10, 10, kClear}, {20, 3, kRed}, {50, 10, {128, 0, 127, 255}}, {79, 18, kBlue}, {97, 10, kBlue}}},
      {"axial, start extended",
       "/ShadingType 2 /Coords [20 0 80 0] /Extend [true false]",
       {},
       {{2, 10, kRed}, {90, 10, kClear}}},
      {"radial, both circles extended",
       "/ShadingType 3 /Coords [50 10 3 50 10 8] /Extend [true true]",
       {},
       {{50, 10, kRed}, {80, 10, kBlue}, {50, 0, kBlue}}},
      {"radial, not extended",
       "/ShadingType 3 /Coords [50 10 3 50 10 8] /Extend [false false]",
       {},
       {{50, 10, kClear}, {55, 10, {128, 0, 127, 255}}, {70, 10, kClear}}},
      {"even-odd clip cuts a hole",
       "/ShadingType 2 /Coords [20 0 80 0] /Extend [true true]",
       Clips({{ring, vq::VQPDFClipTypeEvenOdd}}),
       {{50, 10, kClear}, {2, 10, kRed}, {97, 10, kBlue}}},
      {"non-zero clip of the same path has no hole",
       "/ShadingType 2 /Coords [20 0 80 0] /Extend [true true]",
       Clips({{ring, vq::VQPDFClipTypeWinding}}),
       {{50, 10, {128, 0, 127, 255}}}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    auto shading = Shading(pdf, row.shading);
    ASSERT_TRUE(shading);
    Rect clip;
    auto image = VQPDFExporterRaster::DrawShadingInContextSize(SizeMake(100, 20), kFlip, AffineTransformIdentity, kFlip,
                                                               row.clips, &clip, *shading);
    ASSERT_TRUE(image);
    ASSERT_EQ(image->width, 100);
    ASSERT_EQ(image->height, 20);
    EXPECT_EQ(clip, RectMake(0, 0, 100, 20));
    for (const auto& p : row.probes) {
      // Output rows run from the top; PDF y = 20 - row.
      const Px got = At(*image, p.x, 19 - p.y);
      EXPECT_TRUE(Near(got, p.color, 4)) << p.x << "," << p.y << " got " << Show(got) << " want " << Show(p.color);
    }
  }
}

TEST(Raster, ShadingPictureIsCutToTheClipAtTheOutputScale) {
  vqtest::PdfFixture pdf;
  auto shading = Shading(pdf, "/ShadingType 2 /Coords [0 0 100 0] /Extend [true true]");
  Rect clip;
  auto image = VQPDFExporterRaster::DrawShadingInContextSize(
      SizeMake(100, 20), kFlip, AffineTransformMake(2, 0, 0, 2, 0, 0), kFlip,
      Clips({{RectPath(RectMake(10, 0, 30, 10)), 1}}), &clip, *shading);
  ASSERT_TRUE(image);
  EXPECT_EQ(clip, RectMake(10, 10, 30, 10));  // output space: the lower half, turned upright
  EXPECT_EQ(image->width, 60);
  EXPECT_EQ(image->height, 20);
  EXPECT_TRUE(Near(At(*image, 0, 0), {230, 0, 25, 255}, 8)) << Show(At(*image, 0, 0));
}

TEST(Raster, ClippedImagesAreCutToTheirVisibleBox) {
  Bitmap red = Bitmap::make(10, 10, vq::PixelFormat::RGBA8);
  for (size_t i = 0; i < red.pixels.size(); i += 4) red.pixels[i] = 255, red.pixels[i + 3] = 255;
  // The image's unit square onto (10, 10, 40, 40) of output space, upright.
  const AffineTransform placement = AffineTransformMake(40, 0, 0, -40, 10, 50);
  const Rect imageRect = RectMake(10, 10, 40, 40);
  struct Row {
    const char* name;
    VQPDFClipStack clips;
    AffineTransform scale;
    bool noClippingNeeded;
    Rect clipRect;
    int width, height;
  } rows[] = {
      {"no clip at all", {}, AffineTransformIdentity, true, {}, 0, 0},
      {"a clip around the image",
       Clips({{RectPath(RectMake(5, 5, 60, 60)), 1}}),
       AffineTransformIdentity,
       true,
       {},
       0,
       0},
      {"a clip over the left part", Clips({{RectPath(RectMake(0, 0, 30, 100)), 1}}), AffineTransformIdentity, false,
       RectMake(10, 10, 20, 40), 20, 40},
      {"the same at twice the resolution", Clips({{RectPath(RectMake(0, 0, 30, 100)), 1}}),
       AffineTransformMake(2, 0, 0, 2, 0, 0), false, RectMake(10, 10, 20, 40), 40, 80},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    Rect clipRect;
    bool noClip = false;
    auto image =
        VQPDFExporterRaster::ClipImageInContextSize(SizeMake(100, 100), red, row.scale, AffineTransformIdentity,
                                                    placement, imageRect, row.clips, &clipRect, &noClip);
    EXPECT_EQ(noClip, row.noClippingNeeded);
    if (row.noClippingNeeded) {
      EXPECT_FALSE(image);
      continue;
    }
    ASSERT_TRUE(image);
    EXPECT_EQ(clipRect, row.clipRect);
    EXPECT_EQ(image->width, row.width);
    EXPECT_EQ(image->height, row.height);
    EXPECT_EQ(At(*image, 0, 0), kRed);
    EXPECT_EQ(At(*image, image->width - 1, image->height - 1), kRed);
  }
}

TEST(Raster, PatternFillsAreClippedToTheirPath) {
  vqtest::PdfFixture pdf;
  auto pattern = vq::VQPDFDrawablePattern::PatternWithObject(
      pdf.stream("<< /PatternType 1 /PaintType 2 /TilingType 1 /BBox [0 0 10 10] /XStep 10 /YStep 10 "
                 "/Resources << >> >>",
                 "0 0 5 5 re f"),
      "P");
  ASSERT_TRUE(pattern);
  VQPDFExporterRaster::PatternPaint paint;
  paint.fillPattern = pattern;
  paint.fill = true;
  paint.fillColor = vq::ColorMakeRGB(0, 0, 1);
  Rect clip;
  auto image = VQPDFExporterRaster::DrawPatternInContextSize(SizeMake(100, 20), kFlip, AffineTransformIdentity, kFlip,
                                                             {}, &clip, RectPath(RectMake(20, 0, 40, 20)), paint);
  ASSERT_TRUE(image);
  EXPECT_EQ(clip, RectMake(20, 0, 40, 20));
  ASSERT_EQ(image->width, 40);
  // Page (22, 2) is in a painted quarter of a cell; (27, 2) and (22, 7) are not.
  EXPECT_EQ(At(*image, 2, 17), kBlue);
  EXPECT_EQ(At(*image, 7, 17), kClear);
  EXPECT_EQ(At(*image, 2, 12), kClear);
  EXPECT_EQ(At(*image, 32, 7), kBlue);  // page (52, 12)

  paint.fill = false;
  paint.stroke = true;
  paint.strokePattern = pattern;
  paint.strokeColor = vq::ColorMakeRGB(1, 0, 0);
  paint.lineWidth = 2;
  Path line;
  line.moveTo(0, 2);
  line.lineTo(100, 2);
  auto stroked = VQPDFExporterRaster::DrawPatternInContextSize(SizeMake(100, 20), kFlip, AffineTransformIdentity, kFlip,
                                                               {}, &clip, line, paint);
  ASSERT_TRUE(stroked);
  EXPECT_EQ(clip, RectMake(0, 17, 100, 2));
  ASSERT_EQ(stroked->height, 2);
  EXPECT_EQ(At(*stroked, 2, 0), kRed);
  EXPECT_EQ(At(*stroked, 7, 0), kClear);
}

// A page with the crop box (100, 200, 300 x 400) and /Rotate 90: page space
// (x, y) shows at output (y - 200, x - 100) on a 400 x 300 output page.
const AffineTransform kRotated = AffineTransformMake(0, 1, 1, 0, -200, -100);

TEST(Raster, ClipRectAndVisibilityOnARotatedOffsetPage) {
  const auto clips = Clips({{RectPath(RectMake(150, 250, 50, 100)), 1}});
  EXPECT_EQ(VQPDFExporterRaster::ClipRectInContextSize(SizeMake(400, 300), kRotated, clips), RectMake(50, 50, 100, 50));
  EXPECT_EQ(VQPDFExporterRaster::ClipRectInContextSize(SizeMake(400, 300), kRotated, {}), RectMake(0, 0, 400, 300));

  struct Row {
    const char* name;
    Path path;
    double lineWidth;
    bool visible;
  } rows[] = {
      {"inside the clip", RectPath(RectMake(160, 260, 10, 10)), 1, true},
      {"on the page, outside the clip", RectPath(RectMake(110, 210, 20, 20)), 1, false},
      {"overlapping the clip's edge", RectPath(RectMake(190, 340, 30, 30)), 1, true},
      {"off the page", RectPath(RectMake(500, 700, 10, 10)), 1, false},
  };
  for (const auto& row : rows) {
    Rect bound;
    auto visible = VQPDFExporterRaster::ClipPathInContextSize(SizeMake(400, 300), row.path, row.lineWidth, kRotated,
                                                              clips, &bound);
    EXPECT_EQ(visible.has_value(), row.visible) << row.name;
    EXPECT_EQ(bound, RectMake(50, 50, 100, 50)) << row.name;
    if (visible) {
      EXPECT_EQ(*visible, row.path) << row.name;
    }
  }
}

TEST(Raster, HairlinesCountWithTheirLineWidth) {
  const auto clips = Clips({{RectPath(RectMake(10, 10, 50, 50)), 1}});
  struct Row {
    double y, lineWidth;
    bool visible;
  } rows[] = {{5, 1, false}, {9.8, 1, true}, {9.8, 0, false}, {30, 0, true}, {61, 3, true}, {62, 3, false}};
  for (const auto& row : rows) {
    Path line;
    line.moveTo(20, row.y);
    line.lineTo(40, row.y);
    auto visible = VQPDFExporterRaster::ClipPathInContextSize(SizeMake(100, 100), line, row.lineWidth,
                                                              AffineTransformIdentity, clips, nullptr);
    EXPECT_EQ(visible.has_value(), row.visible) << "y " << row.y << " width " << row.lineWidth;
  }
}

TEST(Raster, SizesAreRoundedUpAndTooSmallOnesRefused) {
  testing::internal::CaptureStderr();
  EXPECT_EQ(VQPDFExporterRaster::ClipRectInContextSize(SizeMake(0.3, 100), AffineTransformIdentity, {}),
            RectMake(0, 0, 1, 100));
  EXPECT_EQ(VQPDFExporterRaster::ClipRectInContextSize(SizeMake(0, 100), AffineTransformIdentity, {}), vq::RectZero);
  EXPECT_EQ(VQPDFExporterRaster::ClipRectInContextSize(SizeMake(NAN, 100), AffineTransformIdentity, {}), vq::RectZero);
  vqtest::PdfFixture pdf;
  auto shading = Shading(pdf, "/ShadingType 2 /Coords [0 0 1 0] /Extend [true true]");
  Rect clip;
  auto thin = VQPDFExporterRaster::DrawShadingInContextSize(SizeMake(0.3, 100), AffineTransformIdentity,
                                                            AffineTransformIdentity, AffineTransformIdentity, {}, &clip,
                                                            *shading);
  ASSERT_TRUE(thin);
  EXPECT_EQ(thin->width, 1);
  EXPECT_EQ(thin->height, 100);
  EXPECT_FALSE(VQPDFExporterRaster::DrawShadingInContextSize(SizeMake(1e9, 1e9), AffineTransformIdentity,
                                                             AffineTransformIdentity, AffineTransformIdentity, {},
                                                             &clip, *shading));
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("Context Size Zero!"), std::string::npos);
  EXPECT_NE(err.find("Context not created!"), std::string::npos);
}

}  // namespace

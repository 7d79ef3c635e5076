#include <gtest/gtest.h>

#include <array>

#include "platform/graphics/VQDrawingContext.h"

using namespace vq;

namespace {

using RGBA8 = std::array<uint8_t, 4>;

RGBA8 pixel(const Bitmap& b, int x, int y) {
  const uint8_t* p = b.row(y) + 4 * x;
  return {p[0], p[1], p[2], p[3]};
}

constexpr RGBA8 kClear{0, 0, 0, 0};
constexpr RGBA8 kRed{255, 0, 0, 255};

std::unique_ptr<DrawingContext> make(int w, int h) {
  std::string error;
  auto ctx = DrawingContext::create(w, h, &error);
  EXPECT_TRUE(ctx) << error;
  return ctx;
}

Path concentricSquares() {
  Path p;
  p.addRect(RectMake(0, 0, 30, 30));
  p.addRect(RectMake(10, 10, 10, 10));  // same winding direction as the outer square
  return p;
}

}  // namespace

TEST(DrawingContext, RefusesSizesBeforeAllocating) {
  const std::pair<int, int> bad[] = {{0, 10}, {10, 0}, {-1, 5}, {32768, 1}, {1, 32768}, {20000, 20000}};
  for (auto [w, h] : bad) {
    std::string error;
    EXPECT_EQ(nullptr, DrawingContext::create(w, h, &error)) << w << " x " << h;
    EXPECT_FALSE(error.empty());
  }
  EXPECT_NE(nullptr, DrawingContext::create(1, 1));
  EXPECT_NE(nullptr, DrawingContext::create(32767, 1));
}

TEST(DrawingContext, DefaultSpaceIsBottomUpAndFlipMakesItTopDown) {
  auto ctx = make(40, 20);
  ctx->fillRect(RectMake(0, 0, 10, 5), ColorMakeRGB(1, 0, 0));
  Bitmap b = ctx->toBitmap();
  EXPECT_EQ(kRed, pixel(b, 0, 19));
  EXPECT_EQ(kClear, pixel(b, 0, 0));

  auto flipped = make(40, 20);
  flipped->translateCTM(0, 20);
  flipped->scaleCTM(1, -1);
  flipped->fillRect(RectMake(0, 0, 10, 5), ColorMakeRGB(1, 0, 0));
  b = flipped->toBitmap();
  EXPECT_EQ(kRed, pixel(b, 0, 0));
  EXPECT_EQ(kClear, pixel(b, 0, 19));
  EXPECT_EQ(PixelFormat::RGBA8, b.format);
  EXPECT_EQ(160u, b.stride);
}

TEST(DrawingContext, FillAndClipRules) {
  struct Case {
    const char* what;
    FillRule rule;
    bool clip;
    bool centreFilled;
  } cases[] = {
      {"fill nonzero", FillRule::Winding, false, true},
      {"fill even-odd", FillRule::EvenOdd, false, false},
      {"clip nonzero", FillRule::Winding, true, true},
      {"clip even-odd", FillRule::EvenOdd, true, false},
  };
  for (const Case& c : cases) {
    auto ctx = make(30, 30);
    ctx->setFillColor(ColorMakeGray(0));
    if (c.clip) {
      ctx->clipToPath(concentricSquares(), c.rule);
      ctx->fillRect(RectMake(0, 0, 30, 30));
    } else {
      ctx->fillPath(concentricSquares(), c.rule);
    }
    const Bitmap b = ctx->toBitmap();
    EXPECT_EQ(255, pixel(b, 2, 2)[3]) << c.what;
    EXPECT_EQ(c.centreFilled ? 255 : 0, pixel(b, 15, 15)[3]) << c.what;
  }
}

TEST(DrawingContext, ClipBoundingBoxInUserSpace) {
  auto ctx = make(100, 50);
  EXPECT_EQ(RectMake(0, 0, 100, 50), ctx->clipBoundingBox());
  ctx->saveGState();
  ctx->scaleCTM(2, 2);
  EXPECT_EQ(RectMake(0, 0, 50, 25), ctx->clipBoundingBox());
  ctx->clipToRect(RectMake(10.5, 5, 20, 10));
  EXPECT_EQ(RectMake(10.5, 5, 20, 10), ctx->clipBoundingBox());
  Path tri;
  tri.addLines({{0, 0}, {15, 0}, {0, 12}});
  ctx->clipToPath(tri, FillRule::Winding);
  EXPECT_EQ(RectMake(10.5, 5, 4.5, 7), ctx->clipBoundingBox());
  ctx->clipToRect(RectMake(40, 0, 1, 1));
  EXPECT_TRUE(RectIsNull(ctx->clipBoundingBox()));
  ctx->restoreGState();
  EXPECT_EQ(RectMake(0, 0, 100, 50), ctx->clipBoundingBox());
  ctx->restoreGState();  // unmatched: ignored
  ctx->fillRect(RectMake(0, 0, 1, 1), ColorMakeGray(0));
  EXPECT_EQ(255, pixel(ctx->toBitmap(), 0, 49)[3]);
}

TEST(DrawingContext, StrokeWidthAndDash) {
  auto ctx = make(40, 20);
  ctx->translateCTM(0, 20);
  ctx->scaleCTM(1, -1);
  ctx->setStrokeColor(ColorMakeRGB(0, 0, 1));
  ctx->setLineWidth(4);
  Path line;
  line.addLines({{0, 5}, {40, 5}});
  ctx->strokePath(line);
  ctx->setLineDash(0, {5, 5});
  Path dashed;
  dashed.addLines({{0, 15}, {40, 15}});
  ctx->strokePath(dashed);
  const Bitmap b = ctx->toBitmap();
  EXPECT_EQ((RGBA8{0, 0, 255, 255}), pixel(b, 20, 3));
  EXPECT_EQ((RGBA8{0, 0, 255, 255}), pixel(b, 20, 6));
  EXPECT_EQ(kClear, pixel(b, 20, 8));
  EXPECT_EQ(255, pixel(b, 2, 15)[3]);
  EXPECT_EQ(0, pixel(b, 7, 15)[3]);
}

TEST(DrawingContext, BadStateValuesLeaveTheContextUsable) {
  auto ctx = make(10, 10);
  ctx->saveGState();
  ctx->scaleCTM(0, 1);  // singular: nothing can be drawn
  ctx->fillRect(RectMake(0, 0, 10, 10), ColorMakeGray(0));
  EXPECT_TRUE(RectIsNull(ctx->clipBoundingBox()));
  ctx->restoreGState();
  ctx->setLineDash(0, {-1, 2});
  ctx->setLineDash(0, {0, 0});
  ctx->setLineWidth(-3);
  Path nan;
  nan.addLines({{0, 0}, {std::nan(""), 3}, {10, 10}});
  ctx->strokePath(nan);
  ctx->fillRect(RectMake(0, 0, 10, 10), ColorMakeGray(0));
  EXPECT_EQ(255, pixel(ctx->toBitmap(), 5, 5)[3]);
}

TEST(DrawingContext, DrawBitmapUprightIntoRect) {
  Bitmap src;
  src.width = 2;
  src.height = 2;
  src.format = PixelFormat::RGBA8;
  src.stride = 8;
  src.pixels = {255, 0, 0,   255, 0,   255, 0,  255,   // red, green
                0,   0, 255, 255, 200, 100, 50, 128};  // blue, half-transparent orange
  auto ctx = make(4, 4);
  ctx->setInterpolationQuality(InterpolationQuality::None);
  ctx->drawBitmap(src, RectMake(0, 0, 4, 4));
  const Bitmap b = ctx->toBitmap();
  EXPECT_EQ(kRed, pixel(b, 0, 0));
  EXPECT_EQ((RGBA8{0, 255, 0, 255}), pixel(b, 3, 1));
  EXPECT_EQ((RGBA8{0, 0, 255, 255}), pixel(b, 0, 3));
  const RGBA8 orange = pixel(b, 3, 3);
  EXPECT_EQ(128, orange[3]);
  EXPECT_NEAR(200, orange[0], 2);
  EXPECT_NEAR(100, orange[1], 2);
  EXPECT_NEAR(50, orange[2], 2);

  // Other pixel formats, upright through the page-style flip as well.
  Bitmap gray;
  gray.width = 1;
  gray.height = 2;
  gray.format = PixelFormat::Gray8;
  gray.stride = 1;
  gray.pixels = {0, 255};
  Bitmap mono = gray;
  mono.format = PixelFormat::Mono1;
  mono.pixels = {0x00, 0x80};
  for (const Bitmap* bm : {&gray, &mono}) {
    auto c = make(1, 2);
    c->drawBitmap(*bm, RectMake(0, 0, 1, 2));
    const Bitmap out = c->toBitmap();
    EXPECT_EQ((RGBA8{0, 0, 0, 255}), pixel(out, 0, 0));
    EXPECT_EQ((RGBA8{255, 255, 255, 255}), pixel(out, 0, 1));
  }
  Bitmap broken = src;
  broken.pixels.resize(3);
  ctx->drawBitmap(broken, RectMake(0, 0, 4, 4));  // refused, no read past the end
}

TEST(DrawingContext, CropToIntegralRect) {
  Bitmap rgb;
  rgb.width = 4;
  rgb.height = 3;
  rgb.format = PixelFormat::RGB8;
  rgb.stride = 12;
  rgb.dpiX = 150;
  for (int i = 0; i < 36; ++i) rgb.pixels.push_back(static_cast<uint8_t>(i));
  struct Case {
    const char* what;
    Rect rect;
    int w, h;
    uint8_t firstByte;
  } cases[] = {
      {"inside", RectMake(1, 1, 2, 2), 2, 2, 15},
      {"fractional grows outwards", RectMake(1.5, 0.2, 1, 0.5), 2, 1, 3},
      {"cut to the bitmap", RectMake(-5, 2, 100, 100), 4, 1, 24},
      {"outside", RectMake(10, 10, 2, 2), 0, 0, 0},
      {"null", RectNull, 0, 0, 0},
  };
  for (const Case& c : cases) {
    auto out = BitmapCropToRect(rgb, c.rect);
    if (c.w == 0) {
      EXPECT_FALSE(out) << c.what;
      continue;
    }
    ASSERT_TRUE(out) << c.what;
    EXPECT_EQ(c.w, out->width) << c.what;
    EXPECT_EQ(c.h, out->height) << c.what;
    EXPECT_EQ(c.firstByte, out->pixels[0]) << c.what;
    EXPECT_EQ(150, out->dpiX);
  }
  Bitmap mono;
  mono.width = 10;
  mono.height = 1;
  mono.format = PixelFormat::Mono1;
  mono.stride = 2;
  mono.pixels = {0b00110000, 0b01000000};
  auto m = BitmapCropToRect(mono, RectMake(2, 0, 8, 1));
  ASSERT_TRUE(m);
  ASSERT_EQ(1u, m->stride);
  EXPECT_EQ(0b11000001, m->pixels[0]);  // source pixels 2, 3 and 9
}

TEST(DrawingContext, AxialShadingHonoursItsEnds) {
  const auto grey = [](double t) { return ColorMakeGray(t); };
  struct Case {
    const char* what;
    Point start, end;
    bool extendStart, extendEnd;
    int alphaLeft, alphaRight;  // at x = 10 and x = 90
  } cases[] = {
      {"whole width", {0, 5}, {100, 5}, false, false, 255, 255},
      {"no extension", {25, 5}, {75, 5}, false, false, 0, 0},
      {"start extended", {25, 5}, {75, 5}, true, false, 255, 0},
      {"end extended", {25, 5}, {75, 5}, false, true, 0, 255},
      {"reversed axis", {75, 5}, {25, 5}, true, false, 0, 255},
      {"coincident ends", {50, 5}, {50, 5}, true, true, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto ctx = make(100, 10);
    ctx->drawAxialShading(c.start, c.end, grey, c.extendStart, c.extendEnd);
    const Bitmap b = ctx->toBitmap();
    EXPECT_EQ(c.alphaLeft, pixel(b, 10, 5)[3]);
    EXPECT_EQ(c.alphaRight, pixel(b, 90, 5)[3]);
  }
  auto ctx = make(100, 10);
  ctx->clipToRect(RectMake(0, 0, 50, 10));
  ctx->drawAxialShading({0, 0}, {100, 0}, grey, false, false);
  const Bitmap b = ctx->toBitmap();
  EXPECT_NEAR(0, pixel(b, 0, 5)[0], 3);
  EXPECT_NEAR(64, pixel(b, 25, 5)[0], 3);
  EXPECT_EQ(0, pixel(b, 75, 5)[3]) << "the clip still applies";
}

TEST(DrawingContext, TilingPatternRepeatsItsCell) {
  TilingPattern pattern;
  pattern.cell.width = 2;
  pattern.cell.height = 2;
  pattern.cell.stride = 8;
  pattern.cell.pixels = {255, 0,   0, 255, 0, 0, 255, 255,  // red, blue
                         0,   255, 0, 255, 0, 0, 0,   0};   // green, transparent
  pattern.bounds = RectMake(0, 0, 2, 2);
  pattern.xStep = 2;
  pattern.yStep = 2;
  pattern.matrix = AffineTransformMakeScale(2, 2);
  auto ctx = make(8, 8);
  ctx->setInterpolationQuality(InterpolationQuality::None);
  ctx->fillRectWithTilingPattern(RectMake(0, 0, 8, 8), pattern);
  Bitmap b = ctx->toBitmap();
  for (int tile = 0; tile < 8; tile += 4) {
    EXPECT_EQ(kRed, pixel(b, tile + 1, tile + 1)) << "the cell's first row is at the top of each tile";
    EXPECT_EQ((RGBA8{0, 0, 255, 255}), pixel(b, tile + 2, tile));
    EXPECT_EQ((RGBA8{0, 255, 0, 255}), pixel(b, tile, tile + 3));
    EXPECT_EQ(kClear, pixel(b, tile + 3, tile + 3));
  }

  pattern.stencilColor = ColorMakeRGB(1, 1, 0);
  pattern.matrix = AffineTransformIdentity;
  auto stencil = make(4, 4);
  stencil->fillRectWithTilingPattern(RectMake(0, 0, 4, 4), pattern);
  b = stencil->toBitmap();
  EXPECT_EQ((RGBA8{255, 255, 0, 255}), pixel(b, 0, 0));
  EXPECT_EQ(kClear, pixel(b, 3, 3));

  pattern.xStep = 0;  // no step: nothing to repeat
  auto none = make(4, 4);
  none->fillRectWithTilingPattern(RectMake(0, 0, 4, 4), pattern);
  EXPECT_EQ(kClear, pixel(none->toBitmap(), 0, 0));
}

namespace {

// A 2 x 2 grey mask that lets through only its top-left pixel (as seen with
// its first row on top).
Bitmap topLeftMask() {
  Bitmap m = Bitmap::make(2, 2, PixelFormat::Gray8);
  m.row(0)[0] = 255;
  return m;
}

}  // namespace

// The mask stands upright in the default y-up space like a drawn bitmap:
// its first row along the rectangle's top edge, its first column on the
// left, and nothing shows outside its rectangle.
TEST(DrawingContext, ClipToMaskStandsUprightInItsRectangle) {
  auto ctx = make(40, 30);
  ctx->setInterpolationQuality(InterpolationQuality::None);
  ctx->clipToMask(RectMake(10, 5, 20, 10), topLeftMask());  // y-up 5..15, i.e. rows 15..25
  ctx->fillRect(RectMake(0, 0, 40, 30), ColorMakeRGB(1, 0, 0));
  const Bitmap b = ctx->toBitmap();
  EXPECT_EQ(kRed, pixel(b, 12, 17)) << "top-left quarter of the rectangle";
  EXPECT_EQ(kClear, pixel(b, 25, 17)) << "top-right quarter";
  EXPECT_EQ(kClear, pixel(b, 12, 22)) << "bottom-left quarter";
  EXPECT_EQ(kClear, pixel(b, 5, 17)) << "left of the rectangle";
  EXPECT_EQ(kClear, pixel(b, 12, 5)) << "above the rectangle";
  const Rect box = ctx->clipBoundingBox();
  EXPECT_EQ(RectMake(10, 5, 20, 10), box);
}

// A picture drawn through a mask of its own shape in the same rectangle
// shows where the mask is white, also in a context turned top-down.
TEST(DrawingContext, ClipToMaskAgreesWithDrawBitmapWhenFlipped) {
  auto ctx = make(40, 30);
  ctx->translateCTM(0, 30);
  ctx->scaleCTM(1, -1);
  ctx->setInterpolationQuality(InterpolationQuality::None);
  Bitmap picture = Bitmap::make(2, 2, PixelFormat::RGBA8);
  for (int i = 0; i < 4; ++i) picture.pixels[4 * i + 3] = 255;
  picture.row(0)[0] = 255;  // red top-left (first row), black elsewhere
  const Rect rect = RectMake(4, 6, 20, 10);
  ctx->clipToMask(rect, topLeftMask());
  ctx->drawBitmap(picture, rect);
  const Bitmap b = ctx->toBitmap();
  int red = 0, other = 0;
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x) {
      const RGBA8 p = pixel(b, x, y);
      if (p == kRed) ++red;
      else if (p != kClear) ++other;
    }
  EXPECT_EQ(red, 10 * 5);
  EXPECT_EQ(other, 0) << "the black parts of the picture stay masked";
}

// Masks multiply, keep the path being built, and go with the state they
// were set in; grey levels let part of the paint through.
TEST(DrawingContext, ClipToMaskGreyLevelsMultiplyAndRestore) {
  auto ctx = make(10, 10);
  Bitmap half = Bitmap::make(1, 1, PixelFormat::Gray8);
  half.pixels[0] = 128;
  ctx->addRect(RectMake(0, 0, 10, 10));
  ctx->saveGState();
  ctx->clipToMask(RectMake(0, 0, 10, 10), half);
  ctx->clipToMask(RectMake(0, 0, 10, 10), half);
  ctx->setFillColor(ColorMakeRGB(0, 0, 1));
  ctx->fillPath();  // the rectangle added before the masks
  ctx->restoreGState();
  EXPECT_NEAR(pixel(ctx->toBitmap(), 5, 5)[3], 64, 2);
  ctx->fillRect(RectMake(0, 0, 5, 10), ColorMakeRGB(0, 0, 1));
  EXPECT_EQ(255, pixel(ctx->toBitmap(), 2, 5)[3]) << "no mask after the restore";

  auto refused = make(10, 10);
  refused->clipToMask(RectMake(0, 0, 0, 10), half);  // no area: nothing shows
  refused->fillRect(RectMake(0, 0, 10, 10), ColorMakeRGB(0, 0, 1));
  EXPECT_EQ(kClear, pixel(refused->toBitmap(), 5, 5));
}

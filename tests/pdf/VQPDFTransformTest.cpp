#include "pdf/VQPDFTransform.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

using namespace vq;

TEST(VQPDFTransform, GlyphRecord) {
  struct Case {
    const char* name;
    double ascent, descent;
  };
  for (const Case& c : {Case{"fractions", 0.8, -0.2}, Case{"thousandths", 800, -200}}) {
    SCOPED_TRACE(c.name);
    VQPDF_CTMInfo info = VQPDFTransformGetFontCTMInfo(10, c.ascent, c.descent, AffineTransformIdentity);
    EXPECT_NEAR(info.yTop, 8, 1e-9);
    EXPECT_NEAR(info.yBottom, -2, 1e-9);
    EXPECT_NEAR(info.frame.origin.y, 8, 1e-9);
    EXPECT_NEAR(info.frame.size.width, 1, 1e-9);
    EXPECT_NEAR(info.frame.size.height, -10, 1e-9);
    EXPECT_EQ(info.fontSize.width, 10);
    EXPECT_EQ(info.fontSize.height, 10);
    EXPECT_EQ(info.rotation, 0);
  }
  VQPDF_CTMInfo tiny = VQPDFTransformGetFontCTMInfo(1, 0.8, -0.2, AffineTransformIdentity);
  EXPECT_EQ(tiny.fontSize.width, 3);
  EXPECT_EQ(tiny.fontSize.height, 3);
  // A broken descriptor (ascent == descent) still gives finite values.
  VQPDF_CTMInfo broken = VQPDFTransformGetFontCTMInfo(10, 0, 0, AffineTransformIdentity);
  EXPECT_TRUE(std::isfinite(broken.yTop) && std::isfinite(broken.fontSize.height));
}

// The glyph transforms come in display space, where y runs downwards: the
// flag must follow what the reader sees, not the sign of the determinant.
TEST(VQPDFTransform, MirroredAsTheReaderSeesIt) {
  struct Case {
    const char* name;
    AffineTransform m;
    char flip;
  };
  const Case cases[] = {
      {"upright", AffineTransformMake(1, 0, 0, -1, 10, 20), 0},
      {"upright at 12 points, squeezed", AffineTransformMake(9, 0, 0, -12, 10, 20), 0},
      {"mirrored left to right", AffineTransformMake(-1, 0, 0, -1, 10, 20), 1},
      {"mirrored top to bottom", AffineTransformMake(1, 0, 0, 1, 10, 20), 1},
      {"rotated a quarter turn", AffineTransformMake(0, -1, -1, 0, 10, 20), 0},
      {"rotated a half turn", AffineTransformMake(-1, 0, 0, 1, 10, 20), 0},
      {"rotated 30 degrees", AffineTransformMake(0.866, -0.5, -0.5, -0.866, 10, 20), 0},
      {"rotated a quarter turn and mirrored", AffineTransformMake(0, -1, 1, 0, 10, 20), 1},
      {"slanted, upright", AffineTransformMake(1, 0, 0.3, -1, 10, 20), 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(VQPDFTransformGetFontCTMInfo(10, 0.8, -0.2, c.m).flip, c.flip) << c.name;
  }
}

TEST(VQPDFTransform, RotationRounding) {
  struct Case {
    double degrees;
    float expected;
  };
  const Case cases[] = {{0, 0}, {90, 90}, {0.4, 0}, {-0.4, 0}, {-0.6, 359}, {180, 180}, {270, 270}, {359.7, 0}};
  for (const auto& c : cases) {
    double r = c.degrees * std::numbers::pi / 180;
    EXPECT_EQ(VQPDFTransformGetRotation(AffineTransformMakeRotation(r)), c.expected) << c.degrees;
  }
  EXPECT_EQ(VQPDFTransformGetShear(0, AffineTransformIdentity), 270);
  EXPECT_EQ(VQPDFTwoPointDirectionAngle(0, 0, 0, 5), 90);
}

TEST(VQPDFTransform, RotatedPageAndTextForms) {
  EXPECT_EQ(VQPDFTransformGetTransfromForRotatedPage(0, 100, 200), AffineTransformMake(1, 0, 0, -1, 0, 200));
  AffineTransform minus90 = VQPDFTransformGetTransfromForRotatedPage(-90, 100, 200);
  AffineTransform plus270 = VQPDFTransformGetTransfromForRotatedPage(270, 100, 200);
  EXPECT_NEAR(minus90.a, plus270.a, 1e-12);
  EXPECT_NEAR(minus90.b, plus270.b, 1e-12);
  EXPECT_NEAR(minus90.tx, plus270.tx, 1e-12);
  EXPECT_NEAR(minus90.ty, plus270.ty, 1e-12);

  Rect r = RectMake(1, 2, 3, 4);
  EXPECT_EQ(NSStringFromCGRect_VQLib(r), "[1.000000, 2.000000, 3.000000, 4.000000]");
  EXPECT_EQ(CGRectFromString_VQLib(NSStringFromCGRect_VQLib(r)), r);
  EXPECT_EQ(CGPointFromString_VQLib("[1.500000, -2.000000]"), (Point{1.5, -2}));

  VQPDF_CTMInfo info = VQPDFTransformGetFontCTMInfo(10, 0.8, -0.2, AffineTransformMake(4, 0, 0, 1, 10, 0));
  VQPDF_CTMInfo wider = VQPDFCTMInfo_UpdateWithNewTextWidthFront(6, info);
  EXPECT_EQ(wider.frame.origin.x, 8);
  EXPECT_EQ(wider.xLeft, 8);
  EXPECT_EQ(wider.frame.size.width, 6);
  VQPDF_CTMInfo spaced = VQPDFCTMInfo_AddSpaceBehind(2, info);
  EXPECT_EQ(spaced.frame.size.width, 6);
  EXPECT_EQ(spaced.xRight, 16);
}

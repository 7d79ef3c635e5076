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
    EXPECT_EQ(info.flip, 0);
  }
  VQPDF_CTMInfo tiny = VQPDFTransformGetFontCTMInfo(1, 0.8, -0.2, AffineTransformIdentity);
  EXPECT_EQ(tiny.fontSize.width, 3);
  EXPECT_EQ(tiny.fontSize.height, 3);
  // A broken descriptor (ascent == descent) still gives finite values.
  VQPDF_CTMInfo broken = VQPDFTransformGetFontCTMInfo(10, 0, 0, AffineTransformIdentity);
  EXPECT_TRUE(std::isfinite(broken.yTop) && std::isfinite(broken.fontSize.height));
  EXPECT_EQ(VQPDFTransformGetFontCTMInfo(10, 0.8, -0.2, AffineTransformMake(-1, 0, 0, 1, 0, 0)).flip, 1);
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
}

#include "pdf/capture/VQPageSetup.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using vq::Point;
using vq::Rect;
using vq::RectMake;

struct PageCase {
  const char* name;
  Rect crop;
  int rotate;
  double displayW, displayH;  // expected display size after limits
  // Where the crop box's PDF bottom-left corner lands on the display page,
  // as a fraction of the display size.
  double bottomLeftU, bottomLeftV;
};

const PageCase kPages[] = {
    {"plain letter", RectMake(0, 0, 612, 792), 0, 612, 792, 0, 1},
    {"offset crop", RectMake(100, 200, 300, 400), 0, 300, 400, 0, 1},
    {"negative origin", RectMake(-50, -80, 300, 400), 0, 300, 400, 0, 1},
    {"rotate 90", RectMake(0, 0, 612, 792), 90, 792, 612, 0, 0},
    {"rotate 90 offset", RectMake(30, -40, 200, 100), 90, 100, 200, 0, 0},
    {"rotate 180", RectMake(10, 20, 200, 100), 180, 200, 100, 1, 0},
    {"rotate 270", RectMake(10, 20, 200, 100), 270, 100, 200, 1, 1},
    {"rotate 270 negative", RectMake(-300, -10, 200, 100), 270, 100, 200, 1, 1},
    {"oversized", RectMake(0, 0, 1000, 2000), 0, 791.5, 1583, 0, 1},
    {"oversized offset rotated", RectMake(-500, 300, 1000, 2000), 90, 1583, 791.5, 0, 0},
    {"tiny", RectMake(3, 3, 5, 50), 0, 7, 70, 0, 1},
    {"exactly max", RectMake(0, 0, 1000, 1583), 0, 1000, 1583, 0, 1},
};

TEST(VQPageSetup, CropBoxCornersLandOnTheDisplayPage) {
  for (const auto& c : kPages) {
    SCOPED_TRACE(c.name);
    const auto s = vq::VQPageSetupMake(RectMake(-1000, -1000, 5000, 5000), c.crop, c.rotate);
    EXPECT_NEAR(s.cropBox.size.width, c.displayW, 1e-6);
    EXPECT_NEAR(s.cropBox.size.height, c.displayH, 1e-6);
    const double x0 = c.crop.origin.x, y0 = c.crop.origin.y;
    const double x1 = x0 + c.crop.size.width, y1 = y0 + c.crop.size.height;
    for (Point p : {Point{x0, y0}, Point{x1, y0}, Point{x0, y1}, Point{x1, y1}, Point{(x0 + x1) / 2, (y0 + y1) / 2}}) {
      const Point d = vq::PointApplyAffineTransform(p, s.transform);
      EXPECT_GE(d.x, -1e-6);
      EXPECT_GE(d.y, -1e-6);
      EXPECT_LE(d.x, s.cropBox.size.width + 1e-6);
      EXPECT_LE(d.y, s.cropBox.size.height + 1e-6);
    }
    const Point bl = vq::PointApplyAffineTransform(Point{x0, y0}, s.transform);
    EXPECT_NEAR(bl.x, c.bottomLeftU * c.displayW, 1e-6);
    EXPECT_NEAR(bl.y, c.bottomLeftV * c.displayH, 1e-6);
  }
}

TEST(VQPageSetup, AnglesAndBoxes) {
  EXPECT_EQ(vq::VQPageNormalizeAngle(-90), 270);
  EXPECT_EQ(vq::VQPageNormalizeAngle(450), 90);
  EXPECT_EQ(vq::VQPageNormalizeAngle(360), 0);
  // The extra angle is subtracted from the page's own rotation.
  EXPECT_EQ(vq::VQPageSetupMake(RectMake(0, 0, 10, 10), RectMake(0, 0, 10, 10), 0, 90).rotationAngle, 270);

  const Rect fallback = RectMake(0, 0, 595, 842);
  EXPECT_EQ(vq::VQPageSanitizeBox(RectMake(0, 0, 0, 100)), fallback);
  EXPECT_EQ(vq::VQPageSanitizeBox(RectMake(0, 0, NAN, 100)), fallback);
  EXPECT_EQ(vq::VQPageSanitizeBox(RectMake(0, 0, INFINITY, 100)), fallback);
  EXPECT_EQ(vq::VQPageSanitizeBox(RectMake(10, 10, -10, -5)), RectMake(0, 5, 10, 5));

  // Media box and crop box origin are exchanged for a quarter turn.
  const auto s = vq::VQPageSetupMake(RectMake(1, 2, 300, 400), RectMake(5, 6, 100, 200), 90);
  EXPECT_EQ(s.mediaBox, RectMake(2, 1, 400, 300));
  EXPECT_EQ(s.cropBox.origin.x, 6);
  EXPECT_EQ(s.cropBox.origin.y, 5);
}

TEST(VQPageSetup, SizeLimitFactor) {
  EXPECT_DOUBLE_EQ(vq::VQPageSizeLimitFactor(1000, 2000), 1583.0 / 2000);
  EXPECT_DOUBLE_EQ(vq::VQPageSizeLimitFactor(5, 100), 7.0 / 5);
  EXPECT_DOUBLE_EQ(vq::VQPageSizeLimitFactor(1000, 1583), 1);
  // Too long and too thin: only scaled down.
  EXPECT_DOUBLE_EQ(vq::VQPageSizeLimitFactor(3, 3166), 0.5);
}

}  // namespace

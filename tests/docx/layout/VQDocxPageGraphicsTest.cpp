// Graphics clean-up and floating pictures of a page.
#include <gtest/gtest.h>

#include "PlacedPathRun.h"
#include "docx/capture/PlacedTextRun.h"
#include "docx/layout/VQDocxPage.h"

namespace {

vq::VQDocxPage MakePage() { return vq::VQDocxPage(612, 792, vq::AffineTransformIdentity, 1, 1, true, true); }

std::shared_ptr<vq::VQDocxRunImage> Picture(vq::VQDocxPage& page, const vq::Rect& frame) {
  auto image = vqtest::PlacedImageRun(frame);
  image->setPdfScanIndex(page.nextRunScanIndex());
  image->pictZIndex = page.nextPictZIndex();
  return image;
}

std::shared_ptr<vq::VQDocxRunPath> Box(vq::VQDocxPage& page, const vq::Rect& box) {
  auto path = vqtest::PlacedPathRun(box, {.color = vq::ColorMakeRGB(0, 0, 1)});
  path->setPdfScanIndex(page.nextRunScanIndex());
  path->pictZIndex = page.nextPictZIndex();
  return path;
}

std::shared_ptr<vq::VQDocxRunText> Text(vq::VQDocxPage& page, double x, double top) {
  auto run = vqtest::PlacedTextRun({.text = "Words", .x = x, .width = 40, .top = top, .height = 12, .base = top + 10});
  run->setPdfScanIndex(page.nextRunScanIndex());
  run->textScanIndex = run->pdfScanIndex();
  return run;
}

}  // namespace

// A picture that nothing painted later covers stands in front of the text
// (keeping its place among the pictures); one under later text or later
// drawing stays behind.
TEST(VQDocxPageGraphics, UncoveredPicturesComeInFrontOfTheText) {
  auto page = MakePage();
  const auto logo = Picture(page, vq::RectMake(400, 40, 80, 40));
  const auto underText = Picture(page, vq::RectMake(50, 200, 200, 100));
  const auto frame = Box(page, vq::RectMake(300, 400, 100, 60));
  const auto underFrame = Picture(page, vq::RectMake(310, 410, 40, 30));
  const auto freeFrame = Box(page, vq::RectMake(100, 600, 100, 60));
  page.allRunTextArray = {Text(page, 60, 250), Text(page, 60, 500)};
  page.allRunImageArray = {logo, underText, underFrame};
  page.allRunPathArray = {frame, freeFrame};
  page.processPDFPage();

  // The pictures' z-indexes were the page's first five, in that order.
  const int64_t first = vq::VQDocxPictZIndexStart;
  EXPECT_EQ(logo->pictZIndex, 3814);
  EXPECT_EQ(underText->pictZIndex, first + 1);
  EXPECT_EQ(frame->pictZIndex, first + 2) << "a picture painted over it keeps it behind";
  EXPECT_EQ(underFrame->pictZIndex, 251661312 - std::llabs(first + 3));
  EXPECT_EQ(freeFrame->pictZIndex, 251661312 - std::llabs(first + 4));
}

TEST(VQDocxPageGraphics, WhiteBackgroundOfAnArea) {
  auto page = MakePage();
  const vq::Rect area = vq::RectMake(100, 100, 200, 100);
  auto filled = [&](const vq::Rect& box, vq::Color color) {
    auto path = Box(page, box);
    path->pictInfo()->filled = true;
    path->pictInfo()->setFillcolor(color);
    return path;
  };
  const auto grey = filled(vq::RectMake(90, 90, 220, 120), vq::ColorMakeGray(0.5));
  const auto white = filled(vq::RectMake(95, 95, 210, 110), vq::ColorMakeRGB(1, 1, 1));
  const auto small = filled(vq::RectMake(100, 100, 50, 50), vq::ColorMakeGray(0));
  const auto own = filled(vq::RectMake(100, 100, 200, 100), vq::ColorMakeGray(0));
  page.allRunPathArray = {grey, white, small, own};
  // Nothing painted before the area's first paint: white.
  EXPECT_TRUE(page.isPageWhiteBackground(area, {own}, grey->pdfScanIndex()));
  // The grey box alone lies under it.
  EXPECT_FALSE(page.isPageWhiteBackground(area, {own}, white->pdfScanIndex()));
  // The white box is painted last of those covering it; the small black box
  // covers too little, and the area's own path does not count.
  EXPECT_TRUE(page.isPageWhiteBackground(area, {own}, own->pdfScanIndex() + 1));
}

// Path runs painted into pictures: orientation (display space has y
// downwards, the bitmap's rows run from the top), offset frames, clip
// records through the page transform, stroke opacity, the memory cap, and a
// path drawn through a picture used as its mask.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include <unistd.h>

#include "docx/capture/VQDocxRunImage.h"
#include "docx/capture/VQDocxRunPath.h"
#include "pdf/VQPDFRenderState.h"
#include "platform/imageio/VQImageIO.h"

using vq::Path;
using vq::Rect;
using vq::RectMake;
using vq::VQDocxPathInfo;
using vq::VQDocxRunPath;

namespace {

// A triangle with its right angle at the top left (display space): the
// corner (x, y), a point w to the right, a point w below.
Path Triangle(double x, double y, double w) {
  Path p;
  p.moveTo(x, y);
  p.lineTo(x + w, y);
  p.lineTo(x, y + w);
  p.closeSubpath();
  return p;
}

std::shared_ptr<VQDocxRunPath> PathRun(const Path& path, bool fill, bool stroke, double weight = 1) {
  auto info = std::make_shared<VQDocxPathInfo>();
  info->filled = fill;
  info->stroked = stroke;
  info->setFillcolor(vq::ColorMakeRGB(1, 0, 0));
  info->setStrokecolor(vq::ColorMakeRGB(0, 0, 1));
  info->strokeweight = weight;
  const Rect box = path.boundingBox();
  info->displayX = box.origin.x, info->displayY = box.origin.y;
  info->displayWidth = box.size.width, info->displayHeight = box.size.height;
  auto run = std::make_shared<VQDocxRunPath>();
  run->setPictInfo(info);
  run->setRunCGPath(path);
  return run;
}

struct Picture {
  vq::Bitmap bitmap;
  Rect clip;
};

std::optional<Picture> Render(const VQDocxRunPath::Array& paths, vq::Size page, double dpi, bool clip,
                              const vq::AffineTransform& pageTransform = vq::AffineTransformIdentity) {
  Rect clipRect = RectMake(-1, -1, -1, -1);
  const auto file = VQDocxRunPath::CreateImageFromRunPaths(paths, page, pageTransform, dpi, clip, &clipRect);
  if (!file) return std::nullopt;
  auto bitmap = vq::imageio::readImageFile(*file);
  std::filesystem::remove(*file);
  if (!bitmap) return std::nullopt;
  return Picture{vq::imageio::convertBitmap(*bitmap, vq::PixelFormat::RGBA8), clipRect};
}

// Alpha of the pixel at (x, y), rows from the top.
int Alpha(const vq::Bitmap& b, int x, int y) { return b.row(y)[x * 4 + 3]; }
int Red(const vq::Bitmap& b, int x, int y) { return b.row(y)[x * 4]; }
int Blue(const vq::Bitmap& b, int x, int y) { return b.row(y)[x * 4 + 2]; }

}  // namespace

// The triangle lands the right way up at its place in the cut picture, at
// 72 and at 144 dots per inch.
TEST(VQDocxRunPathRaster, AsymmetricShapeInAnOffsetFrame) {
  for (const double dpi : {72.0, 144.0}) {
    SCOPED_TRACE(dpi);
    const double k = dpi / 72;
    const auto picture = Render({PathRun(Triangle(50, 20, 20), true, false)}, {100, 80}, dpi, true);
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->clip, RectMake(50, 20, 20, 20));
    const vq::Bitmap& b = picture->bitmap;
    ASSERT_EQ(b.width, static_cast<int>(20 * k));
    ASSERT_EQ(b.height, static_cast<int>(20 * k));
    auto at = [&](double x, double y) { return Alpha(b, static_cast<int>(x * k), static_cast<int>(y * k)); };
    EXPECT_EQ(at(2, 2), 255) << "the right angle is at the top left";
    EXPECT_EQ(at(15, 2), 255) << "the top edge is filled";
    EXPECT_EQ(at(2, 15), 255) << "the left edge is filled";
    EXPECT_EQ(at(17, 17), 0) << "the bottom right is empty";
    EXPECT_EQ(Red(b, static_cast<int>(2 * k), static_cast<int>(2 * k)), 255);
  }
  // Without the clip flag the whole page is painted, the triangle at its place.
  const auto page = Render({PathRun(Triangle(50, 20, 20), true, false)}, {100, 80}, 72, false);
  ASSERT_TRUE(page);
  EXPECT_EQ(page->clip, RectMake(-1, -1, -1, -1)) << "the out rectangle is left alone";
  ASSERT_EQ(page->bitmap.width, 100);
  ASSERT_EQ(page->bitmap.height, 80);
  EXPECT_EQ(Alpha(page->bitmap, 52, 22), 255);
  EXPECT_EQ(Alpha(page->bitmap, 52, 35), 255);
  EXPECT_EQ(Alpha(page->bitmap, 67, 37), 0);
  EXPECT_EQ(Alpha(page->bitmap, 52, 45), 0);
}

// Clip records are in PDF page space (y upwards): the page transform turns
// them into display space before they clip.
TEST(VQDocxRunPathRaster, ClipsGoThroughThePageTransform) {
  const vq::AffineTransform flip = vq::AffineTransformMake(1, 0, 0, -1, 0, 80);  // an 80-point page
  Path pdfTriangle;  // the display triangle (50,20),(70,20),(50,40) in PDF page space
  pdfTriangle.moveTo(50, 60);
  pdfTriangle.lineTo(70, 60);
  pdfTriangle.lineTo(50, 40);
  pdfTriangle.closeSubpath();
  Path square;
  square.addRect(RectMake(40, 10, 40, 40));
  auto run = PathRun(square, true, false);
  run->clipBezierPaths = {vq::VQPDFClipPath::NewClipPath(pdfTriangle, vq::VQPDFClipTypeWinding)};
  const auto picture = Render({run}, {100, 80}, 72, true, flip);
  ASSERT_TRUE(picture);
  EXPECT_EQ(picture->clip, RectMake(40, 10, 40, 40));
  const vq::Bitmap& b = picture->bitmap;
  // Pixel coordinates from the picture's corner (40, 10).
  EXPECT_EQ(Alpha(b, 12, 12), 255) << "inside the clip, near its right angle";
  EXPECT_EQ(Alpha(b, 26, 12), 255);
  EXPECT_EQ(Alpha(b, 12, 26), 255);
  EXPECT_EQ(Alpha(b, 27, 27), 0) << "beyond the clip's long side";
  EXPECT_EQ(Alpha(b, 5, 5), 0) << "outside the clip";

  // Even-odd: a square with a square hole.
  Path ring;
  ring.addRect(RectMake(40, 30, 40, 40));
  ring.addRect(RectMake(50, 40, 20, 20));
  auto evenOdd = PathRun(square, true, false);
  evenOdd->clipBezierPaths = {vq::VQPDFClipPath::NewClipPath(ring, vq::VQPDFClipTypeEvenOdd)};
  const auto holed = Render({evenOdd}, {100, 80}, 72, true, flip);
  ASSERT_TRUE(holed);
  EXPECT_EQ(Alpha(holed->bitmap, 5, 5), 255);
  EXPECT_EQ(Alpha(holed->bitmap, 20, 20), 0) << "the hole";
  auto winding = PathRun(square, true, false);
  winding->clipBezierPaths = {vq::VQPDFClipPath::NewClipPath(ring, vq::VQPDFClipTypeWinding)};
  const auto filled = Render({winding}, {100, 80}, 72, true, flip);
  ASSERT_TRUE(filled);
  EXPECT_EQ(Alpha(filled->bitmap, 20, 20), 255) << "both squares turn the same way: no hole";

  // drawInContext reports what it could not paint.
  EXPECT_FALSE(run->drawInContext(nullptr, flip, true));
}

// A stroke is painted with the stroke's opacity, whatever the fill left.
TEST(VQDocxRunPathRaster, StrokesUseTheStrokeAlpha) {
  Path square;
  square.addRect(RectMake(20, 20, 40, 40));
  auto run = PathRun(square, true, true, 6);
  run->pictInfo()->setFillAlpha(1.0f);
  run->pictInfo()->setStrokeAlpha(0.5f);
  auto picture = Render({run}, {100, 100}, 72, false);
  ASSERT_TRUE(picture);
  // (18, 40) lies on the outer half of the left edge's stroke, outside the fill.
  EXPECT_NEAR(Alpha(picture->bitmap, 18, 40), 128, 2);
  EXPECT_NEAR(Blue(picture->bitmap, 18, 40), 255, 2);
  EXPECT_EQ(Alpha(picture->bitmap, 40, 40), 255) << "the fill";

  run->pictInfo()->setFillAlpha(0.2f);
  run->pictInfo()->setStrokeAlpha(1.0f);
  picture = Render({run}, {100, 100}, 72, false);
  ASSERT_TRUE(picture);
  EXPECT_EQ(Alpha(picture->bitmap, 18, 40), 255) << "not the fill's 0.2";
  EXPECT_NEAR(Alpha(picture->bitmap, 40, 40), 51, 2);

  // A fill of opacity 0 paints nothing; its stroke still shows.
  run->pictInfo()->setFillAlpha(0);
  picture = Render({run}, {100, 100}, 72, false);
  ASSERT_TRUE(picture);
  EXPECT_EQ(Alpha(picture->bitmap, 40, 40), 0);
  EXPECT_EQ(Alpha(picture->bitmap, 18, 40), 255);
}

TEST(VQDocxRunPathRaster, SizesAndFailures) {
  // A union box without height gives nothing.
  Path hairline;
  hairline.moveTo(10, 10);
  hairline.lineTo(90, 10);
  EXPECT_FALSE(Render({PathRun(hairline, true, false)}, {100, 100}, 72, true));
  EXPECT_FALSE(Render({}, {100, 100}, 72, true));
  // A zero page, or a group wholly off the page with the clip flag.
  EXPECT_FALSE(Render({PathRun(Triangle(10, 10, 10), true, false)}, {0, 100}, 72, false));
  EXPECT_FALSE(Render({PathRun(Triangle(200, 10, 10), true, false)}, {100, 100}, 72, true));
  // No number anywhere.
  EXPECT_FALSE(Render({PathRun(Triangle(std::nan(""), 10, 10), true, false)}, {100, 100}, 72, true));

  // The whole page at 144 dots per inch.
  auto letter = Render({PathRun(Triangle(10, 10, 10), true, false)}, {612, 792}, 144, false);
  ASSERT_TRUE(letter);
  EXPECT_EQ(letter->bitmap.width, 1224);
  EXPECT_EQ(letter->bitmap.height, 1584);
  EXPECT_NEAR(letter->bitmap.dpiX, 144, 0.5);

  // Partly off the page: cut to the part on it.
  auto edge = Render({PathRun(Triangle(90, 10, 20), true, false)}, {100, 100}, 72, true);
  ASSERT_TRUE(edge);
  EXPECT_EQ(edge->clip, RectMake(90, 10, 10, 20));
}

// The memory cap: a page bitmap never takes more than kMaxRasterPixels; the
// resolution goes down instead, and the picture keeps its place and size.
TEST(VQDocxRunPathRaster, CrowdedLargePagesAreCapped) {
  EXPECT_EQ(VQDocxRunPath::RasterDPIForContextSize({612, 792}, 144), 144);
  const double dpi = VQDocxRunPath::RasterDPIForContextSize({1583, 1583}, 600);
  EXPECT_LT(dpi, 600);
  EXPECT_LE(std::pow(1583 * dpi / 72, 2), VQDocxRunPath::kMaxRasterPixels * 1.0001);
  EXPECT_EQ(VQDocxRunPath::RasterDPIForContextSize({612, 792}, std::nan("")), 72);

  Path big;
  big.addRect(RectMake(10, 10, 1500, 1500));
  const auto picture = Render({PathRun(big, true, false)}, {1583, 1583}, 600, false);
  ASSERT_TRUE(picture);
  EXPECT_LE(static_cast<double>(picture->bitmap.width) * picture->bitmap.height,
            VQDocxRunPath::kMaxRasterPixels * 1.001);
  EXPECT_NEAR(picture->bitmap.dpiX, dpi, 1);
  const auto cut = Render({PathRun(big, true, false)}, {1583, 1583}, 600, true);
  ASSERT_TRUE(cut);
  EXPECT_NEAR(cut->clip.size.width, 1500, 1) << "the picture keeps its size on the page";
}

// A path drawn through a picture used as its soft mask: white shows the
// path, black hides it; the picture takes the masked file's placement.
TEST(VQDocxRunPathRaster, SoftMaskThroughAPicture) {
  const std::string maskFile =
      (std::filesystem::temp_directory_path() / ("vq-path-mask-" + std::to_string(::getpid()) + ".png")).string();
  vq::Bitmap mask = vq::Bitmap::make(40, 20, vq::PixelFormat::Gray8);
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 40; ++x) mask.row(y)[x] = x < 20 && y < 5 ? 255 : 0;  // white top-left corner
  ASSERT_TRUE(vq::imageio::writeImageFile(mask, maskFile, vq::imageio::ImageFileType::PNG));

  vq::VQDocxRunImage image;
  image.pictInfo = std::make_shared<vq::VQDocxImageInfo>();
  image.pictInfo->displayX = 100, image.pictInfo->displayY = 200;
  image.pictInfo->displayWidth = 40, image.pictInfo->displayHeight = 20;
  image.pictInfo->rotation = 30;
  image.imagePath = maskFile;
  image.runImageID = "rId_mask";
  Path square;
  square.addRect(RectMake(110, 190, 40, 20));  // overlaps the picture's top half, right part
  auto path = PathRun(square, true, false);

  const auto file = VQDocxRunPath::RunPathSmaskWithRunImage(*path, image, vq::AffineTransformIdentity, true);
  ASSERT_TRUE(file);
  EXPECT_NE(file->find("IMG_PathSmaskImage_rId_mask"), std::string::npos);
  auto out = vq::imageio::readImageFile(*file);
  ASSERT_TRUE(out);
  const vq::Bitmap b = vq::imageio::convertBitmap(*out, vq::PixelFormat::RGBA8);
  // The overlap is (110, 200, 30, 10) at one pixel a point.
  ASSERT_EQ(b.width, 30);
  ASSERT_EQ(b.height, 10);
  EXPECT_EQ(Alpha(b, 2, 2), 255) << "over the white corner";
  EXPECT_EQ(Red(b, 2, 2), 255);
  EXPECT_EQ(Alpha(b, 2, 7), 0) << "below it: the mask's rows run from the top";
  EXPECT_EQ(Alpha(b, 25, 2), 0) << "beside it";
  EXPECT_EQ(image.displayRect(), RectMake(110, 200, 30, 10));
  EXPECT_EQ(image.pictInfo->rotation, 0);
  EXPECT_EQ(image.pictInfo->pixelWidth, 30);

  // No overlap, or no readable picture: nothing.
  Path away;
  away.addRect(RectMake(500, 500, 10, 10));
  EXPECT_FALSE(VQDocxRunPath::RunPathSmaskWithRunImage(*PathRun(away, true, false), image, {}, false));
  image.imagePath = maskFile + ".missing";
  EXPECT_FALSE(VQDocxRunPath::RunPathSmaskWithRunImage(*path, image, {}, false));
  std::filesystem::remove(*file);
  std::filesystem::remove(maskFile);
}

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "helpers/VQImageUtilities.h"

using namespace vq::app;

namespace {

// Left half red, right half blue, so a crop shows which part was kept.
QImage halves(int w, int h) {
  QImage image(w, h, QImage::Format_RGB32);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) image.setPixel(x, y, x < w / 2 ? qRgb(255, 0, 0) : qRgb(0, 0, 255));
  return image;
}

TEST(ImageUtilities, CoveringSizes) {
  struct Row {
    QSize image, box, expected;
  };
  const std::vector<Row> rows = {
      {{400, 200}, {100, 100}, {200, 100}},
      {{200, 400}, {100, 100}, {100, 200}},
      {{50, 40}, {100, 100}, {50, 40}},
      {{300, 100}, {100, 50}, {150, 50}},
  };
  for (const Row& row : rows) EXPECT_EQ(VQImageUtilities::coveringSize(row.image, row.box), row.expected);
}

TEST(ImageUtilities, Qualities) {
  const std::vector<std::pair<double, double>> rows = {{1.5, 1.0}, {0, 0.85}, {-1, 0.85}, {0.5, 0.5}};
  for (const auto& [in, out] : rows) EXPECT_DOUBLE_EQ(VQImageUtilities::clampedQuality(in), out) << in;
}

TEST(ImageUtilities, ScaledJpegKeepsTheMiddleOfTheBox) {
  QTemporaryDir dir;
  const QString out = dir.filePath("out.jpg");
  const QByteArray png = VQImageUtilities::pngData(halves(400, 200));
  ASSERT_TRUE(VQImageUtilities::scaleAndSaveAsJPEG(png, 100, 100, 0, out));
  const QImage written(out);
  ASSERT_EQ(written.size(), QSize(100, 100));
  EXPECT_GT(qRed(written.pixel(10, 50)), 200);
  EXPECT_GT(qBlue(written.pixel(90, 50)), 200);
}

TEST(ImageUtilities, ScaledJpegRefusesEmptyBoxesAndBadData) {
  QTemporaryDir dir;
  const QByteArray png = VQImageUtilities::pngData(halves(40, 20));
  EXPECT_FALSE(VQImageUtilities::scaleAndSaveAsJPEG(png, 0, 0, 1, dir.filePath("a.jpg")));
  EXPECT_FALSE(VQImageUtilities::scaleAndSaveAsJPEG(png, 10, 0, 1, dir.filePath("b.jpg")));
  EXPECT_FALSE(VQImageUtilities::scaleAndSaveAsJPEG("not an image", 10, 10, 1, dir.filePath("c.jpg")));
  EXPECT_FALSE(QFile::exists(dir.filePath("a.jpg")));
}

TEST(ImageUtilities, AspectFit) {
  EXPECT_EQ(VQImageUtilities::aspectFitRect({200, 100}, QRectF(0, 0, 100, 100)), QRectF(0, 25, 100, 50));
  EXPECT_EQ(VQImageUtilities::aspectFitRect({100, 200}, QRectF(10, 0, 100, 100)), QRectF(35, 0, 50, 100));
  const QImage fitted = VQImageUtilities::imageToFitSize(halves(200, 100), {100, 100});
  ASSERT_EQ(fitted.size(), QSize(100, 100));
  EXPECT_EQ(qAlpha(fitted.pixel(50, 5)), 0);
  EXPECT_EQ(qAlpha(fitted.pixel(50, 50)), 255);
}

TEST(ImageUtilities, IcnsSizes) {
  EXPECT_FALSE(VQImageUtilities::icnsDataWithWidth(halves(10, 10), 64).has_value());
  const auto icns = VQImageUtilities::icnsDataWithWidth(halves(10, 10), 256);
  ASSERT_TRUE(icns.has_value());
  EXPECT_EQ(icns->left(4), "icns");
  EXPECT_EQ(icns->mid(8, 4), "ic08");
  EXPECT_EQ(QImage::fromData(icns->mid(16)).size(), QSize(256, 256));
}

TEST(ImageUtilities, ThumbnailsCornersFiltersAndSaving) {
  const QImage image = halves(40, 20);
  EXPECT_EQ(VQImageUtilities::thumbnailImage(image, 16).size(), QSize(16, 16));
  const QImage rounded = VQImageUtilities::thumbnailImage(image, 16, 6);
  EXPECT_EQ(qAlpha(rounded.pixel(0, 0)), 0);
  EXPECT_EQ(qAlpha(rounded.pixel(8, 8)), 255);
  EXPECT_TRUE(VQImageUtilities::roundedCornersImage(QImage(), 4).isNull());
  const QImage gray = VQImageUtilities::filterGrayImage(image);
  EXPECT_EQ(qRed(gray.pixel(0, 0)), qBlue(gray.pixel(0, 0)));
  EXPECT_EQ(VQImageUtilities::filterImageWithFilterName(image, "Original").value(), image);
  EXPECT_FALSE(VQImageUtilities::filterImageWithFilterName(image, "NoSuchFilter").has_value());
  EXPECT_EQ(VQImageUtilities::filterImageWithFilterName(image, "CIVignetteEffect")->size(), image.size());
  QTemporaryDir dir;
  EXPECT_TRUE(VQImageUtilities::saveAtPath(image, dir.filePath("a.png"), 1));
  EXPECT_EQ(QImage(dir.filePath("a.png")).size(), image.size());
  EXPECT_FALSE(VQImageUtilities::saveAtPath(QImage(), dir.filePath("b.png"), 1));
  EXPECT_FALSE(VQImageUtilities::saveAtPath(image, dir.filePath("no/such/folder/c.png"), 1));
}

// The colour matrix works in linear light: grey from pure red, green and
// blue is their luminance weight turned back into sRGB, and the alpha row
// and bias apply as given.
TEST(ImageUtilities, ColourMatrixInLinearLight) {
  QImage image(4, 1, QImage::Format_ARGB32);
  image.setPixel(0, 0, qRgba(255, 0, 0, 255));
  image.setPixel(1, 0, qRgba(0, 255, 0, 255));
  image.setPixel(2, 0, qRgba(0, 0, 255, 255));
  image.setPixel(3, 0, qRgba(255, 255, 255, 128));
  const QImage gray = VQImageUtilities::filterGrayImage(image);
  const std::vector<int> expected = {127, 220, 76, 255};
  for (int x = 0; x < 4; ++x) {
    const QRgb p = gray.pixel(x, 0);
    EXPECT_NEAR(qRed(p), expected[size_t(x)], 1) << x;
    EXPECT_EQ(qRed(p), qGreen(p));
    EXPECT_EQ(qRed(p), qBlue(p));
  }
  EXPECT_EQ(qAlpha(gray.pixel(3, 0)), 128);
  // The identity keeps every pixel; a bias lifts a channel.
  const auto identity = VQImageUtilities::filterImageWithFilterName(image, "CIColorMatrix");
  ASSERT_TRUE(identity);
  for (int x = 0; x < 4; ++x) EXPECT_EQ(identity->pixel(x, 0), image.pixel(x, 0)) << x;
  const QImage lifted =
      VQImageUtilities::colorMatrix(image, {1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 0}, {0, 0, 1, 1});
  EXPECT_EQ(lifted.pixel(0, 0), qRgba(255, 0, 255, 255));
  EXPECT_TRUE(VQImageUtilities::colorMatrix(QImage(), {}, {}, {}, {}).isNull());
}

TEST(ImageUtilities, VignetteDarkensTheEdgesOnly) {
  QImage white(41, 41, QImage::Format_RGB32);
  white.fill(Qt::white);
  const auto vignette = VQImageUtilities::filterImageWithFilterName(white, "CIVignetteEffect");
  ASSERT_TRUE(vignette);
  EXPECT_EQ(vignette->pixel(20, 20), qRgb(255, 255, 255));
  EXPECT_LT(qRed(vignette->pixel(0, 0)), 128);
  EXPECT_FALSE(VQImageUtilities::filterImageWithFilterName(QImage(), "CIVignetteEffect"));
}

TEST(ImageUtilities, ImageObjectsAndBitmaps) {
  const QImage image = halves(6, 3);
  const QImage drawn = VQImageUtilities::imageWithCGImage(image);
  EXPECT_EQ(drawn.size(), image.size());
  EXPECT_EQ(drawn.pixel(0, 0), qRgb(255, 0, 0));
  EXPECT_EQ(drawn.pixel(5, 2), qRgb(0, 0, 255));
  EXPECT_TRUE(VQImageUtilities::imageWithCGImage(QImage()).isNull());
  EXPECT_EQ(VQImageUtilities::CGImage(image).value_or(QImage()), image);
  EXPECT_FALSE(VQImageUtilities::CGImage(QImage()));
}

}  // namespace

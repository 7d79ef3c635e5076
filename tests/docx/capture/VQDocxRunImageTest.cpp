#include "docx/capture/VQDocxRunImage.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <filesystem>

#include "docx/PictureTestSupport.h"
#include "office/OfficeTestSupport.h"
#include "pdf/images/VQPDFImageFile.h"
#include "platform/graphics/VQDrawingContext.h"
#include "support/TestSupport.h"

using vq::VQDocxRunImage;

namespace {

using vqtest::pixel;
using vqtest::RGBA8;

constexpr RGBA8 kRed{255, 0, 0, 255};
constexpr RGBA8 kBlue{0, 0, 255, 255};
constexpr RGBA8 kGreen{0, 255, 0, 255};
constexpr RGBA8 kClear{0, 0, 0, 0};

// A picture that is blue but for its top-left quarter, which is red: any
// turn or mirror shows.
vq::Bitmap redCornerPicture(int w, int h) {
  vq::Bitmap b = vq::Bitmap::make(w, h, vq::PixelFormat::RGBA8);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint8_t* p = b.row(y) + 4 * x;
      const bool corner = x < w / 2 && y < h / 2;
      p[0] = corner ? 255 : 0;
      p[2] = corner ? 0 : 255;
      p[3] = 255;
    }
  return b;
}

vq::Bitmap solid(int w, int h, RGBA8 colour) {
  vq::Bitmap b = vq::Bitmap::make(w, h, vq::PixelFormat::RGBA8);
  for (int i = 0; i < w * h; ++i) std::copy(colour.begin(), colour.end(), b.pixels.begin() + 4 * i);
  return b;
}

std::string writePNG(const vq::Bitmap& bitmap, const std::filesystem::path& path) {
  EXPECT_TRUE(vq::VQPDFExportCGImageToFileWithDestination_VQLib(bitmap, path.string(), "png", 72, 72, 1));
  return path.string();
}

std::shared_ptr<VQDocxRunImage> picture(vq::Rect frame, std::optional<std::string> path = std::nullopt) {
  auto run = std::make_shared<VQDocxRunImage>();
  run->pictInfo = std::make_shared<vq::VQDocxImageInfo>();
  run->pictInfo->displayX = frame.origin.x;
  run->pictInfo->displayY = frame.origin.y;
  run->pictInfo->displayWidth = frame.size.width;
  run->pictInfo->displayHeight = frame.size.height;
  run->pictInfo->opacity = 1;
  run->imagePath = std::move(path);
  return run;
}

std::string vml(VQDocxRunImage& run) {
  return vqtest::writeXML([&](vq::XMLFileWriter& writer) {
    writer.setPrefix("r", vq::gl_namespace_xmlns_r);
    run.writeWithXMLWriter(writer);
  });
}

}  // namespace

// A copy owns its placement: moving the copy leaves the source in place.
TEST(VQDocxRunImageTest, CopyIsFull) {
  auto run = picture(vq::RectMake(1, 2, 3, 4), "/a.png");
  run->runImageID = "rId_a";
  run->runImageTitle = "Im1";
  run->pictZIndex = 7;
  run->setPdfScanIndex(9);
  run->pictInfo->vertices[2] = {5, 6};
  const auto copy = run->clone();
  ASSERT_NE(copy->pictInfo, run->pictInfo);
  copy->pictInfo->displayX = 50;
  copy->pictInfo->vertices[2] = {0, 0};
  EXPECT_EQ(run->pictInfo->displayX, 1);
  EXPECT_EQ(run->pictInfo->vertices[2].x, 5);
  EXPECT_EQ(copy->pictInfo->displayHeight, 4);
  EXPECT_EQ(copy->runImageID, run->runImageID);
  EXPECT_EQ(copy->runImageTitle, run->runImageTitle);
  EXPECT_EQ(copy->imagePath, run->imagePath);
  EXPECT_EQ(copy->pictZIndex, 7);
  EXPECT_EQ(copy->pdfScanIndex(), 9u);
}

TEST(VQDocxRunImageTest, OverlapPairsAndGroups) {
  struct Case {
    const char* what;
    vq::Rect a, b;
    bool paired;
  };
  const Case cases[] = {
      {"large pictures overlapping by 30 points", vq::RectMake(0, 0, 100, 100), vq::RectMake(70, 0, 100, 100), false},
      {"large pictures mostly overlapping", vq::RectMake(0, 0, 100, 100), vq::RectMake(10, 0, 100, 100), true},
      {"small pictures 15 points apart", vq::RectMake(0, 0, 40, 40), vq::RectMake(55, 0, 40, 40), true},
      {"small pictures 25 points apart", vq::RectMake(0, 0, 40, 40), vq::RectMake(65, 0, 40, 40), false},
      {"a thin strip crossing a large picture", vq::RectMake(0, 0, 200, 200), vq::RectMake(-50, 90, 300, 10), true},
      {"a large picture near a small one", vq::RectMake(0, 0, 100, 100), vq::RectMake(110, 0, 40, 40), false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(VQDocxRunImage::IsIntersect(*picture(c.a), *picture(c.b)), c.paired) << c.what;
    EXPECT_EQ(VQDocxRunImage::IsIntersect(*picture(c.b), *picture(c.a)), c.paired) << c.what << ", swapped";
  }

  // Group membership also asks for a neighbour in paint order, and never
  // answers a shading.
  auto first = picture(vq::RectMake(0, 0, 40, 40)), near = picture(vq::RectMake(10, 0, 40, 40));
  first->setPdfScanIndex(3);
  near->setPdfScanIndex(4);
  EXPECT_EQ(near->isIntersectWithOtherImages({first}), first);
  near->setPdfScanIndex(6);
  EXPECT_EQ(near->isIntersectWithOtherImages({first}), nullptr) << "not painted next to it";
  near->setPdfScanIndex(4);
  first->isShading = true;
  EXPECT_EQ(near->isIntersectWithOtherImages({first}), nullptr) << "a shading";

  const auto a = picture(vq::RectMake(0, 0, 10, 20)), b = picture(vq::RectMake(50, 50, 20, 10));
  EXPECT_EQ(VQDocxRunImage::FindBigRectRunImage({a, b}), a) << "equal areas: the first";
  EXPECT_EQ(VQDocxRunImage::FindBigRectRunImage({}), nullptr);
  EXPECT_TRUE(b->isImagePathUsedInOtherImages({picture(vq::RectZero, "/x.png")}) == false);
  b->imagePath = "/x.png";
  EXPECT_TRUE(b->isImagePathUsedInOtherImages({a, picture(vq::RectZero, "/x.png")}));
}

TEST(VQDocxRunImageTest, TurnedPictureCoversItsTurnedBox) {
  auto run = picture(vq::RectMake(0, 0, 100, 50));
  EXPECT_EQ(run->displayRect(), vq::RectMake(0, 0, 100, 50));
  run->pictInfo->rotation = 90;
  run->pictInfo->flipY = true;
  const vq::Rect box = run->displayRect();
  EXPECT_NEAR(box.origin.x, 25, 1e-9);
  EXPECT_NEAR(box.origin.y, -25, 1e-9);
  EXPECT_NEAR(box.size.width, 50, 1e-9);
  EXPECT_NEAR(box.size.height, 100, 1e-9);
}

TEST(VQDocxRunImageTest, WritesAFloatingVMLPicture) {
  auto run = picture(vq::RectMake(10.5, 20, 30, 40.126));
  run->runImageID = "rId_IMG_1";
  run->runImageTitle = "rId_other";  // a title is never the relationship
  run->pictZIndex = -251657498;
  run->pictInfo->opacity = 0.25f;
  run->pictInfo->flipY = true;
  std::string xml = vml(*run);
  EXPECT_NE(xml.find("type=\"#_x0000_t75\" filled=\"f\" stroked=\"f\""), std::string::npos) << xml;
  EXPECT_NE(xml.find("style=\"position:absolute;margin-left:10.50pt;margin-top:20.00pt;width:30.00pt;height:40.13pt;"
                     "flip:y;z-index:-251657498;mso-position-horizontal-relative:page;"
                     "mso-position-vertical-relative:page\""),
            std::string::npos)
      << xml;
  EXPECT_NE(xml.find("r:id=\"rId_IMG_1\""), std::string::npos) << xml;
  EXPECT_NE(xml.find("o:title=\"rId_other\""), std::string::npos) << xml;
  EXPECT_NE(xml.find("opacity=\"16448f\""), std::string::npos) << xml;

  run->runImageTitle.reset();
  run->pictInfo->opacity = 1;
  run->pictInfo->flipY = false;
  run->pictInfo->rotation = 90;
  run->pictInfo->displayX = std::nan("");
  xml = vml(*run);
  EXPECT_NE(xml.find("o:title=\"Untitled\""), std::string::npos) << xml;
  EXPECT_NE(xml.find("rotation:90;z-index"), std::string::npos) << xml;
  EXPECT_NE(xml.find("margin-left:0.00pt"), std::string::npos) << xml;
  EXPECT_EQ(xml.find("opacity"), std::string::npos) << xml;
  EXPECT_EQ(xml.find("nan"), std::string::npos) << xml;

  run->runImageID.reset();
  EXPECT_EQ(vml(*run).find("v:shape"), std::string::npos) << "no relationship, no picture";
}

// The context is the page with its origin at the bottom left; pictures
// placed by their frame or by their transform both stand upright where the
// page shows them.
TEST(VQDocxRunImageTest, DrawsUprightAtItsPlace) {
  vqtest::ScratchDir dir;
  const std::string file = writePNG(redCornerPicture(4, 2), dir / "corner.png");
  for (const bool byTransform : {false, true}) {
    auto run = picture(vq::RectMake(10, 20, 40, 20), file);
    // The unit square onto the frame, in page display space (y down).
    if (byTransform) run->pictInfo->pdfTransform = vq::AffineTransformMake(40, 0, 0, -20, 10, 40);
    auto context = vq::DrawingContext::create(100, 80);
    context->setInterpolationQuality(vq::InterpolationQuality::None);
    ASSERT_TRUE(run->drawInContext(context.get(), vq::AffineTransformIdentity, false));
    const vq::Bitmap b = context->toBitmap();
    EXPECT_EQ(pixel(b, 12, 22), kRed) << byTransform;
    EXPECT_EQ(pixel(b, 45, 22), kBlue) << byTransform;
    EXPECT_EQ(pixel(b, 12, 37), kBlue) << byTransform;
    EXPECT_EQ(pixel(b, 5, 22), kClear) << byTransform;
  }
  auto missing = picture(vq::RectMake(0, 0, 10, 10), (dir / "gone.png").string());
  auto context = vq::DrawingContext::create(10, 10);
  EXPECT_FALSE(missing->drawInContext(context.get(), vq::AffineTransformIdentity, false));
  EXPECT_FALSE(missing->drawInContext(nullptr, vq::AffineTransformIdentity, false));
}

TEST(VQDocxRunImageTest, MergesPicturesIntoOneCutToTheirArea) {
  vqtest::ScratchDir dir;
  auto corner = picture(vq::RectMake(10, 20, 40, 20), writePNG(redCornerPicture(4, 2), dir / "corner.png"));
  auto green = picture(vq::RectMake(60, 50, 20, 10), writePNG(solid(2, 2, kGreen), dir / "green.png"));
  corner->setPdfScanIndex(5);
  corner->pictZIndex = -100;
  corner->pictInfo->imageID = "Im1";
  corner->pictInfo->pdfTransform = vq::AffineTransformMake(40, 0, 0, -20, 10, 40);
  EXPECT_EQ(VQDocxRunImage::MergeRunImageArray({corner}, {200, 100}, 144), nullptr) << "one picture";

  const auto merged = VQDocxRunImage::MergeRunImageArray({corner, green}, {200, 100}, 144);
  ASSERT_TRUE(merged);
  ASSERT_TRUE(merged->imagePath);
  EXPECT_NE(merged->imagePath->find("Merge_2_Images"), std::string::npos);
  EXPECT_EQ(merged->pdfScanIndex(), 5u);
  EXPECT_EQ(corner->pdfScanIndex(), 6u);
  EXPECT_EQ(merged->pdfScanLength, 2u);
  EXPECT_EQ(merged->pictZIndex, -100);
  EXPECT_EQ(corner->pictZIndex, -99);
  EXPECT_EQ(merged->runImageTitle, "Im1");
  EXPECT_FALSE(merged->runImageID);
  const auto& info = *merged->pictInfo;
  EXPECT_EQ(vq::RectMake(info.displayX, info.displayY, info.displayWidth, info.displayHeight),
            vq::RectMake(10, 20, 70, 40));
  EXPECT_TRUE(vq::AffineTransformIsIdentity(info.pdfTransform)) << "placed by its frame alone";
  EXPECT_EQ(info.pixelWidth, 140);
  EXPECT_EQ(info.pixelHeight, 80);
  EXPECT_EQ(info.horizontalResolution, 144);

  const auto b = vq::CGImageWithContentsOfFile(*merged->imagePath);
  std::filesystem::remove(*merged->imagePath);
  ASSERT_TRUE(b);
  ASSERT_EQ(b->width, 140);
  EXPECT_EQ(pixel(*b, 4, 4), kRed);
  EXPECT_EQ(pixel(*b, 70, 4), kBlue);
  EXPECT_EQ(pixel(*b, 120, 70), kGreen);
  EXPECT_EQ(pixel(*b, 120, 4), kClear);
}

// The mask is placed by its frame's offset within the picture's frame: a
// mask over the picture's top right, white in its own top-left quarter,
// lets through only that part of the picture.
TEST(VQDocxRunImageTest, SoftMaskShowsThePictureWhereTheMaskIsWhite) {
  vqtest::ScratchDir dir;
  auto image = picture(vq::RectMake(100, 200, 40, 20), writePNG(solid(40, 20, kBlue), dir / "blue.png"));
  image->runImageID = "rId/../x";
  vq::Bitmap grey = vq::Bitmap::make(2, 2, vq::PixelFormat::RGBA8);
  grey.pixels = {255, 255, 255, 255, 0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255};
  auto mask = picture(vq::RectMake(120, 200, 20, 10), writePNG(grey, dir / "mask.png"));

  const auto path = VQDocxRunImage::RunImage(*image, *mask);
  ASSERT_TRUE(path);
  EXPECT_EQ(std::filesystem::path(*path).filename().string().rfind("IMG_ImageSmaskImage_rId____x", 0), 0u) << *path;
  const auto b = vq::CGImageWithContentsOfFile(*path);
  std::filesystem::remove(*path);
  ASSERT_TRUE(b);
  ASSERT_EQ(b->width, 40);
  EXPECT_EQ(pixel(*b, 22, 2), kBlue);
  EXPECT_EQ(pixel(*b, 35, 2)[3], 0);
  EXPECT_EQ(pixel(*b, 22, 7)[3], 0);
  EXPECT_EQ(pixel(*b, 5, 2)[3], 0);
  EXPECT_EQ(pixel(*b, 22, 15)[3], 0);

  // Frames that round to nothing and unreadable files give no file.
  auto flat = picture(vq::RectMake(120, 200, 20, 0.3), mask->imagePath);
  EXPECT_FALSE(VQDocxRunImage::RunImage(*image, *flat));
  auto narrow = picture(vq::RectMake(120, 200, 0.4, 10), mask->imagePath);
  EXPECT_FALSE(VQDocxRunImage::RunImage(*image, *narrow));
  auto gone = picture(vq::RectMake(120, 200, 20, 10), (dir / "gone.png").string());
  EXPECT_FALSE(VQDocxRunImage::RunImage(*image, *gone));
}

TEST(VQDocxRunImageTest, NamesAndResolutions) {
  EXPECT_EQ(VQDocxRunImage::SafeFileName("Im 1/../#é-x_y.z"), "Im_1_______-x_y_z");
  const std::pair<double, double> dpis[] = {{50, 72}, {72, 72}, {72.5, 72}, {144, 144}, {600, 600}, {1200, 600}};
  for (auto [in, out] : dpis) EXPECT_EQ(VQDocxRunImage::ClampImageDPI(in), out) << in;
  EXPECT_EQ(VQDocxRunImage::ClampImageDPI(std::nan("")), 72);
}

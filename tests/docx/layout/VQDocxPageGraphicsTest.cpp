// Graphics clean-up and floating pictures of a page.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "PlacedPathRun.h"
#include "docx/capture/PlacedTextRun.h"
#include "docx/layout/VQDocxPage.h"
#include "office/docx/VQDocxDocument.h"
#include "pdf/images/VQPDFImageFile.h"
#include "support/TestSupport.h"

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

namespace {

// Pictures of one small PNG file each, registered with a document, on a page
// of that document.
struct PicturePage {
  PicturePage() {
    document = vq::VQDocxDocument::initWithPath((dir / "out.docx").string(), 1);
    document->writeDocumentBegin();
    page.setDocumentHandle(document);
  }
  ~PicturePage() {
    for (const auto& image : page.allRunImageArray)
      if (image->imagePath) std::filesystem::remove(*image->imagePath);
    document->removeWorkFolder();
  }
  std::shared_ptr<vq::VQDocxRunImage> add(const vq::Rect& frame, bool shading = false) {
    const auto path = dir / ("tile" + std::to_string(page.allRunImageArray.size()) + ".png");
    vq::Bitmap bitmap = vq::Bitmap::make(2, 2, vq::PixelFormat::RGBA8);
    std::fill(bitmap.pixels.begin(), bitmap.pixels.end(), uint8_t{200});
    EXPECT_TRUE(vq::VQPDFExportCGImageToFileWithDestination_VQLib(bitmap, path.string(), "png", 72, 72, 1));
    auto image = Picture(page, frame);
    image->imagePath = path.string();
    image->runImageID = page.collectImageWithPath(path.string());
    image->isShading = shading;
    page.allRunImageArray.push_back(image);
    return image;
  }
  std::vector<std::string> media() const { return document->docxMediaCollection(); }

  vqtest::ScratchDir dir;
  vq::VQDocxPage page = MakePage();
  std::shared_ptr<vq::VQDocxDocument> document;
};

}  // namespace

// More than 500 pictures are one picture, registered in their place.
TEST(VQDocxPageGraphics, HundredsOfPicturesBecomeOne) {
  PicturePage p;
  for (int i = 0; i < 501; ++i) p.add(vq::RectMake(20 + (i % 25) * 20, 20 + (i / 25) * 30, 12, 12));
  p.page.processPDFPage();
  ASSERT_EQ(p.page.allRunImageArray.size(), 1u);
  const auto& merged = *p.page.allRunImageArray.front();
  ASSERT_TRUE(merged.imagePath);
  EXPECT_NE(merged.imagePath->find("Merge_501_Images"), std::string::npos);
  EXPECT_EQ(p.media(), std::vector<std::string>{*merged.imagePath});
  EXPECT_EQ(p.document->collectImageWithPath(*merged.imagePath), merged.runImageID);
  EXPECT_EQ(merged.displayRect(), vq::RectMake(20, 20, 492, 612));
}

// Touching pictures are merged when the option asks for it; a shading never
// gathers the pictures that lie on it.
TEST(VQDocxPageGraphics, TouchingPicturesMergeWhenAsked) {
  for (const bool merge : {true, false}) {
    SCOPED_TRACE(merge);
    PicturePage p;
    vq::VQPDFOptions options;
    options.wordOptions.enableMergeIntersectImages = merge;
    p.page.setMoreOptions(options);
    const auto shading = p.add(vq::RectMake(0, 0, 612, 300), true);
    const auto left = p.add(vq::RectMake(100, 100, 40, 40));
    const auto right = p.add(vq::RectMake(150, 100, 40, 40));
    const auto far = p.add(vq::RectMake(400, 500, 40, 40));
    p.page.processPDFPage();
    const auto& images = p.page.allRunImageArray;
    EXPECT_EQ(std::filesystem::exists(*left->imagePath), !merge) << "the files of merged pictures go";
    if (!merge) {
      EXPECT_EQ(images, (vq::VQDocxRunImage::Array{shading, left, right, far}));
      continue;
    }
    ASSERT_EQ(images.size(), 3u);
    EXPECT_EQ(images[0], shading);
    EXPECT_EQ(images[1]->displayRect(), vq::RectMake(100, 100, 90, 40));
    EXPECT_EQ(images[2], far);
    EXPECT_EQ(p.media(), (std::vector<std::string>{*shading->imagePath, *far->imagePath, *images[1]->imagePath}));
  }
}

namespace {

const vq::Color kWhite = vq::ColorMakeRGB(1, 1, 1);

std::shared_ptr<vq::VQDocxRunPath> Filled(const vq::Rect& box, vq::Color color) {
  return vqtest::PlacedPathRun(box, {.filled = true, .stroked = false, .color = color});
}

// A stroked zigzag of `points` points in a 10 x 10 box at (x, y).
std::shared_ptr<vq::VQDocxRunPath> Scribble(double x, double y, int points) {
  auto path = vqtest::PlacedPathRun(vq::RectMake(x, y, 10, 10));
  vq::Path zigzag;
  std::vector<vq::Point> corners;
  for (int k = 0; k < points; ++k) corners.push_back({x + 10.0 * k / (points - 1), y + 10.0 * (k % 2)});
  zigzag.addLines(corners);
  path->setRunCGPath(zigzag);
  path->setRunLinePointArray(std::nullopt);
  return path;
}

}  // namespace

TEST(VQDocxPageGraphics, InvisiblePaintAndTheWhiteBackgroundGo) {
  struct Case {
    const char* what;
    double width, height;
    std::vector<std::shared_ptr<vq::VQDocxRunPath>> paths;
    std::vector<vq::Rect> pictures;
    std::vector<size_t> kept;  // indexes into paths
  };
  const auto line = [] { return vqtest::PlacedPathRun(vq::RectMake(100, 300, 200, 0.5)); };
  const Case cases[] = {
      {"white shapes on a white page go with it",
       612,
       792,
       {Filled(vq::RectMake(0, 0, 612, 792), kWhite), Filled(vq::RectMake(100, 100, 50, 50), kWhite), line()},
       {},
       {2}},
      {"a white page with nothing invisible on it stays",
       612,
       792,
       {Filled(vq::RectMake(0, 0, 612, 792), kWhite), line()},
       {},
       {0, 1}},
      {"white paint over a picture is not invisible",
       612,
       792,
       {Filled(vq::RectMake(100, 100, 50, 50), kWhite), line()},
       {vq::RectMake(90, 90, 40, 40)},
       {0, 1}},
      // A page less than half as high as wide has no middle: a small picture
      // is no background picture that would keep all paint.
      {"a wide page",
       800,
       300,
       {Filled(vq::RectMake(100, 100, 50, 50), kWhite), line()},
       {vq::RectMake(5, 5, 10, 10)},
       {1}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    vq::VQDocxPage page(c.width, c.height, vq::AffineTransformIdentity, 1, 1, true, true);
    for (const auto& frame : c.pictures) page.allRunImageArray.push_back(Picture(page, frame));
    for (const auto& path : c.paths) path->setPdfScanIndex(page.nextRunScanIndex());
    page.allRunPathArray = c.paths;
    page.processPDFPage();
    vq::VQDocxRunPath::Array expected;
    for (const size_t k : c.kept) expected.push_back(c.paths[k]);
    EXPECT_EQ(page.allRunPathArray, expected);
  }
}

// Crowded drawings become pictures: a narrow one whole, a large one cut
// where text was painted between its parts; a page of 30 paths of 150
// points in all is not crowded.
TEST(VQDocxPageGraphics, CrowdedDrawingsBecomePictures) {
  struct Case {
    const char* what;
    int columns, rows, points;
    bool shapesToPictures;
    double left;
    size_t pictures, paths;
  };
  const Case cases[] = {
      {"a narrow drawing", 1, 10, 6, true, 50, 1, 0},
      {"a large drawing", 5, 10, 6, true, 50, 2, 0},
      {"31 paths of 124 points", 1, 31, 4, false, 50, 1, 0},
      {"30 paths of 150 points", 1, 30, 5, false, 50, 0, 30},
      {"a drawing off the page stays paths", 1, 10, 6, true, 700, 0, 10},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    auto page = MakePage();
    vq::VQPDFOptions options;
    options.wordOptions.enableShapToImage = c.shapesToPictures;
    page.setMoreOptions(options);
    const int count = c.columns * c.rows;
    for (int k = 0; k < count; ++k) {
      // The text is painted between the two halves of the drawing.
      if (k == count / 2) page.allRunTextArray.push_back(Text(page, 400, 700));
      auto path = Scribble(c.left + 70 * (k % c.columns), 60 + (c.rows > 10 ? 14 : 30) * (k / c.columns), c.points);
      path->setPdfScanIndex(page.nextRunScanIndex());
      page.allRunPathArray.push_back(path);
    }
    page.processPDFPage();
    EXPECT_EQ(page.allRunImageArray.size(), c.pictures);
    EXPECT_EQ(page.allRunPathArray.size(), c.paths);
    for (const auto& image : page.allRunImageArray) {
      EXPECT_TRUE(image->imagePath && std::filesystem::exists(*image->imagePath));
      EXPECT_GT(image->pictInfo->displayWidth, 0);
      if (image->imagePath) std::filesystem::remove(*image->imagePath);
    }
  }
}

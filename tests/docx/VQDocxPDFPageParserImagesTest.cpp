// The page parser's pictures: images, shadings, patterns and the text boxes
// of free-text annotations.
#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <fstream>

#include "docx/CaptureOnlyParser.h"
#include "docx/PictureTestSupport.h"
#include "docx/VQDocxPDFPageParser.h"
#include "docx/capture/VQDocxRunImage.h"
#include "docx/capture/VQDocxRunText.h"
#include "docx/layout/VQDocxPage.h"
#include "office/docx/VQDocxDocument.h"
#include "pdf/VQPDFRenderState.h"
#include "pdf/VQPDFXObject.h"
#include "pdf/capture/VQPageSetup.h"
#include "pdf/images/VQPDFImageFile.h"
#include "support/TestSupport.h"

using vq::VQDocxPDFPageParser;
using vq::VQDocxRunImage;

namespace {

using vqtest::CaptureOnlyParser;
using vqtest::pixel;
using vqtest::RGBA8;

vq::Rect frameOf(const VQDocxRunImage& run) {
  const auto& i = *run.pictInfo;
  return vq::RectMake(i.displayX, i.displayY, i.displayWidth, i.displayHeight);
}

// A parser on a 612 x 792 page whose document lives in a scratch folder,
// with the state set by hand and images reported by hand.
struct HandFedPage {
  vqtest::ScratchDir dir;
  std::shared_ptr<vq::VQDocxDocument> document = vq::VQDocxDocument::initWithPath((dir / "out.docx").string(), 1);
  std::unique_ptr<VQDocxPDFPageParser> parser;

  explicit HandFedPage(int imageDPI = 144) {
    vq::VQPDFOptions options;
    options.setImageDPI(imageDPI);
    parser = std::make_unique<VQDocxPDFPageParser>(document, options);
    const vq::Rect box = vq::RectMake(0, 0, 612, 792);
    parser->beginPageForTesting(vq::VQPageSetupMake(box, box, 0), 1);
  }
  vq::VQPDFRenderState& state() { return parser->renderingStateStack().topRenderingState(); }
  vq::VQDocxPage& page() { return *parser->currentPage(); }

  // An image XObject already decoded into a PNG file of `w` x `h` pixels
  // whose top-left quarter is red and the rest blue.
  std::shared_ptr<vq::VQPDFImageXObject> image(const std::string& key, int w = 4, int h = 2) {
    vq::Bitmap b = vq::Bitmap::make(w, h, vq::PixelFormat::RGBA8);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        uint8_t* p = b.row(y) + 4 * x;
        const bool corner = x < w / 2 && y < h / 2;
        p[corner ? 0 : 2] = 255;
        p[3] = 255;
      }
    const std::string path = (dir / (std::to_string(++images) + ".png")).string();
    EXPECT_TRUE(vq::VQPDFExportCGImageToFileWithDestination_VQLib(b, path, "png", 72, 72, 1));
    auto xobject = std::make_shared<vq::VQPDFImageXObject>(vq::pdf::Object(), key);
    xobject->cachedImagePath = path;
    xobject->width = w;
    xobject->height = h;
    return xobject;
  }
  int images = 0;
};

std::filesystem::path writePDF(const std::filesystem::path& path, const std::string& resources,
                               const std::string& content, const std::vector<std::string>& more = {}) {
  std::vector<std::string> objects = {
      "<< /Type /Catalog /Pages 2 0 R >>",
      "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
      "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] /Resources " + resources + " /Contents 4 0 R >>",
      vqtest::PDFStream(content),
  };
  objects.insert(objects.end(), more.begin(), more.end());
  std::ofstream(path, std::ios::binary | std::ios::trunc) << vqtest::BuildPDF(objects);
  return path;
}

// The page of a one-page PDF, captured for `document`, which keeps its
// picture files.
std::shared_ptr<vq::VQDocxPage> capture(const std::filesystem::path& pdfPath,
                                        const std::shared_ptr<vq::VQDocxDocument>& document) {
  auto pdf = vq::pdf::Document::open(pdfPath.string(), "");
  EXPECT_TRUE(pdf);
  if (!pdf) return nullptr;
  vq::VQPDFOptions options;
  options.setImageDPI(144);
  CaptureOnlyParser parser(document, options);
  EXPECT_TRUE(parser.convertPDFPage(pdf->page(1), 1, true, true));
  return parser.currentPage();
}

// A vertical shading, red at the bottom and blue at the top.
const std::string kShading =
    "<< /ShadingType 2 /ColorSpace /DeviceRGB /Coords [0 0 0 1] /Extend [true true] "
    "/Function << /FunctionType 2 /Domain [0 1] /C0 [1 0 0] /C1 [0 0 1] /N 1 >> >>";

}  // namespace

// Where the placement matrix puts a picture: its unturned frame centred on
// it, its turn, and whether it is mirrored. The relationship comes from the
// document, the title from the image's name.
TEST(VQDocxPDFPageParserImages, ImagesArePlacedByTheirMatrix) {
  struct Case {
    const char* what;
    vq::AffineTransform ctm;
    vq::Rect frame;
    float rotation;
    bool flipY;
  };
  const Case cases[] = {
      {"upright", {100, 0, 0, 50, 200, 300}, vq::RectMake(200, 442, 100, 50), 0, false},
      {"mirrored left to right", {-100, 0, 0, 50, 300, 300}, vq::RectMake(200, 442, 100, 50), 180, true},
      {"turned a quarter left", {0, 100, -50, 0, 300, 300}, vq::RectMake(225, 417, 100, 50), 270, false},
  };
  for (const auto& c : cases) {
    HandFedPage fed;
    fed.state().ctm = c.ctm;
    fed.state().fillAlpha = 0.5;
    fed.parser->didScanXObjectImage(nullptr, fed.image("Im1"));
    ASSERT_EQ(fed.page().allRunImageArray.size(), 1u) << c.what;
    const auto& run = *fed.page().allRunImageArray.front();
    const vq::Rect frame = frameOf(run);
    EXPECT_NEAR(frame.origin.x, c.frame.origin.x, 1e-9) << c.what;
    EXPECT_NEAR(frame.origin.y, c.frame.origin.y, 1e-9) << c.what;
    EXPECT_NEAR(frame.size.width, c.frame.size.width, 1e-9) << c.what;
    EXPECT_NEAR(frame.size.height, c.frame.size.height, 1e-9) << c.what;
    EXPECT_NEAR(run.pictInfo->rotation, c.rotation, 1e-3) << c.what;
    EXPECT_EQ(run.pictInfo->flipY, c.flipY) << c.what;
    EXPECT_FALSE(run.pictInfo->flipX) << c.what;
    EXPECT_FLOAT_EQ(run.pictInfo->opacity, 0.5f) << c.what;
    EXPECT_EQ(run.pictInfo->pixelWidth, 4) << c.what;
    EXPECT_EQ(run.pictInfo->horizontalResolution, 72) << c.what;
    EXPECT_EQ(run.runImageTitle, "Im1") << c.what;
    ASSERT_TRUE(run.runImageID) << c.what;
    EXPECT_EQ(run.runImageID->rfind("rId_", 0), 0u) << c.what;
    EXPECT_EQ(fed.document->docxMediaCollection(), std::vector<std::string>{*run.imagePath}) << c.what;
    EXPECT_EQ(run.pictZIndex, vq::VQDocxPictZIndexStart) << c.what;
    EXPECT_FALSE(run.isShading) << c.what;
  }
}

// Images that cannot show are not taken: a missing file, a matrix that
// flattens the image, a clip that leaves less than a point.
TEST(VQDocxPDFPageParserImages, ImagesThatCannotShowAreDropped) {
  HandFedPage fed;
  auto missing = fed.image("Im1");
  std::filesystem::remove(missing->cachedImagePath);
  fed.state().ctm = {100, 0, 0, 50, 200, 300};
  fed.parser->didScanXObjectImage(nullptr, missing);
  fed.state().ctm = {100, 0, 0, 0, 200, 300};
  fed.parser->didScanXObjectImage(nullptr, fed.image("Im2"));
  fed.state().ctm = {100, 0, 0, 50, 200, 300};
  vq::Path thin;
  thin.addRect(vq::RectMake(200, 300, 0.5, 50));
  fed.state().clipBezierPaths = {vq::VQPDFClipPath::NewClipPath(thin, vq::VQPDFClipTypeWinding)};
  fed.parser->didScanXObjectImage(nullptr, fed.image("Im3"));
  EXPECT_TRUE(fed.page().allRunImageArray.empty());
  EXPECT_TRUE(fed.document->docxMediaCollection().empty());
  EXPECT_EQ(fed.page().pg_pageRunCount, 0);
}

// An image under a clip is drawn again, cut to the clip, into a PNG named
// after its resource (reduced to safe characters) at the image resolution;
// the new picture stands upright by its frame.
TEST(VQDocxPDFPageParserImages, ClippedImageIsDrawnAgainUpright) {
  HandFedPage fed(144);
  fed.state().ctm = {100, 0, 0, 50, 200, 300};  // display frame (200, 442, 100, 50)
  vq::Path left;
  left.addRect(vq::RectMake(200, 300, 80, 50));
  fed.state().clipBezierPaths = {vq::VQPDFClipPath::NewClipPath(left, vq::VQPDFClipTypeWinding)};
  fed.parser->didScanXObjectImage(nullptr, fed.image("Im/1 #x", 40, 20));
  ASSERT_EQ(fed.page().allRunImageArray.size(), 1u);
  const auto& run = *fed.page().allRunImageArray.front();
  const std::string name = std::filesystem::path(*run.imagePath).filename().string();
  EXPECT_EQ(name.rfind("IMG_Im_1__x-Clip_", 0), 0u) << name;
  EXPECT_EQ(frameOf(run), vq::RectMake(200, 442, 80, 50));
  EXPECT_TRUE(vq::AffineTransformIsIdentity(run.pictInfo->pdfTransform));
  EXPECT_EQ(run.pictInfo->pixelWidth, 160);
  EXPECT_EQ(run.pictInfo->pixelHeight, 100);
  EXPECT_EQ(run.pictInfo->horizontalResolution, 144) << "dots per inch";
  const auto b = vq::CGImageWithContentsOfFile(*run.imagePath);
  ASSERT_TRUE(b);
  EXPECT_EQ(pixel(*b, 10, 10), (RGBA8{255, 0, 0, 255})) << "the red quarter stays at the top left";
  EXPECT_EQ(pixel(*b, 10, 90), (RGBA8{0, 0, 255, 255}));
  EXPECT_EQ(pixel(*b, 150, 10), (RGBA8{0, 0, 255, 255}));

  // A finer picture (a scan) keeps its own resolution, up to 300 dpi.
  HandFedPage fine(144);
  fine.state().ctm = {100, 0, 0, 50, 200, 300};
  fine.state().clipBezierPaths = {vq::VQPDFClipPath::NewClipPath(left, vq::VQPDFClipTypeWinding)};
  fine.parser->didScanXObjectImage(nullptr, fine.image("Scan", 600, 300));
  ASSERT_EQ(fine.page().allRunImageArray.size(), 1u);
  const auto& scan = *fine.page().allRunImageArray.front();
  // (Whole points hold the clip's pixels, so the frame may grow by one.)
  const vq::Rect frame = frameOf(scan);
  EXPECT_EQ(frame.origin, (vq::Point{200, 442}));
  EXPECT_NEAR(frame.size.width, 80, 1);
  EXPECT_NEAR(frame.size.height, 50, 1);
  EXPECT_NEAR(scan.pictInfo->pixelWidth, frame.size.width * 300 / 72.0, 1);
  EXPECT_NEAR(scan.pictInfo->pixelHeight, frame.size.height * 300 / 72.0, 1);
  EXPECT_NEAR(scan.pictInfo->horizontalResolution, 300, 0.5) << "dots per inch";
}

// The picture painted under a soft mask shows through the mask group's
// picture, which leaves the page; nothing else is ever taken as the mask,
// and a mask that cannot be used leaves both pictures as they were.
TEST(VQDocxPDFPageParserImages, SoftMaskUsesOnlyTheMaskGroupsPicture) {
  enum class Kind { Masked, NotAMask, MaskFileGone };
  for (const Kind kind : {Kind::Masked, Kind::NotAMask, Kind::MaskFileGone}) {
    HandFedPage fed;
    fed.state().ctm = {100, 0, 0, 50, 200, 300};
    fed.state().isParseringExtGState = kind != Kind::NotAMask;
    auto maskImage = fed.image("Mask");
    fed.parser->didScanXObjectImage(nullptr, maskImage);
    ASSERT_EQ(fed.page().allRunImageArray.size(), 1u);
    const auto mask = fed.page().allRunImageArray.front();
    const std::string maskPath = *mask->imagePath;
    if (kind == Kind::MaskFileGone) std::filesystem::remove(maskPath);

    fed.state().isParseringExtGState = false;
    fed.state().haveSoftMask = true;
    fed.state().softMaskBlendMode = 15;
    auto pictureImage = fed.image("Picture");
    fed.parser->didScanXObjectImage(nullptr, pictureImage);
    EXPECT_FALSE(fed.state().haveSoftMask) << "used once";
    const auto& images = fed.page().allRunImageArray;
    const auto media = fed.document->docxMediaCollection();
    if (kind == Kind::Masked) {
      ASSERT_EQ(images.size(), 1u);
      const auto& run = *images.front();
      EXPECT_NE(run.imagePath->find("IMG_ImageSmaskImage_"), std::string::npos);
      EXPECT_FALSE(run.isExtGStateSMask);
      EXPECT_EQ(media, std::vector<std::string>{*run.imagePath}) << "the old files are unregistered";
      EXPECT_NE(run.runImageID, mask->runImageID);
      EXPECT_TRUE(std::filesystem::exists(*run.imagePath));
    } else {
      ASSERT_EQ(images.size(), 2u);
      EXPECT_EQ(images.front(), mask);
      EXPECT_EQ(*images.front()->imagePath, maskPath);
      EXPECT_EQ(*images.back()->imagePath, pictureImage->cachedImagePath);
      EXPECT_EQ(media.size(), 2u);
    }
  }
}

// Shadings and pattern fills become pictures rendered at the image
// resolution over their visible box, upright; an empty clip gives nothing.
TEST(VQDocxPDFPageParserImages, ShadingsAndPatternsBecomeRenderedPictures) {
  vqtest::ScratchDir dir;
  const std::string resources =
      "<< /Shading << /Sh0 5 0 R >> /Pattern << /P0 << /PatternType 2 /Shading 5 0 R "
      "/Matrix [1 0 0 100 0 0] >> >> >>";
  auto document = vq::VQDocxDocument::initWithPath((dir / "out.docx").string(), 1);
  auto page = capture(writePDF(dir / "shading.pdf", resources,
                               "q 50 50 100 100 re W n 100 0 0 100 50 50 cm /Sh0 sh Q\n"
                               "q 0 0 0 0 re W n /Sh0 sh Q\n"
                               "/Pattern cs /P0 scn 10 10 50 50 re f\n",
                               {kShading}),
                      document);
  ASSERT_TRUE(page);
  ASSERT_EQ(page->allRunImageArray.size(), 2u) << "the shading under an empty clip shows nothing";
  const auto& shading = *page->allRunImageArray[0];
  EXPECT_TRUE(shading.isShading);
  EXPECT_EQ(frameOf(shading), vq::RectMake(50, 50, 100, 100));
  EXPECT_EQ(shading.pictInfo->pixelWidth, 200);
  EXPECT_EQ(shading.pictInfo->pixelHeight, 200);
  EXPECT_EQ(shading.pictInfo->horizontalResolution, 144);
  EXPECT_EQ(shading.pictInfo->verticalResolution, 144);
  EXPECT_FLOAT_EQ(shading.pictInfo->opacity, 1.0f);
  EXPECT_FALSE(shading.runImageTitle);
  EXPECT_NE(shading.imagePath->find("IMG_Shading_"), std::string::npos);
  const auto b = vq::CGImageWithContentsOfFile(*shading.imagePath);
  ASSERT_TRUE(b);
  EXPECT_GT(pixel(*b, 100, 2)[2], 200) << "blue at the top";
  EXPECT_GT(pixel(*b, 100, 197)[0], 200) << "red at the bottom";

  const auto& pattern = *page->allRunImageArray[1];
  EXPECT_TRUE(pattern.isShading);
  EXPECT_NE(pattern.imagePath->find("IMG_Pattern_"), std::string::npos);
  EXPECT_EQ(frameOf(pattern), vq::RectMake(10, 140, 50, 50));
  EXPECT_TRUE(vq::AffineTransformIsIdentity(pattern.pictInfo->pdfTransform));
}

// A shading painted again and again over itself is one picture of one
// file; painted with text between, it stays one file.
TEST(VQDocxPDFPageParserImages, RepeatedShadingIsOnePicture) {
  vqtest::ScratchDir dir;
  const std::string resources = "<< /Shading << /Sh0 5 0 R >> >>";
  std::string repeats, between;
  for (int i = 0; i < 3000; ++i) repeats += "/Sh0 sh ";
  for (int i = 0; i < 50; ++i) between += "/Sh0 sh 0 0 1 rg 0 0 5 5 re f ";
  struct Case {
    const char* what;
    std::string ops;
    size_t pictures;
  } cases[] = {{"over itself", repeats, 1}, {"with paths between", between, 50}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    auto document = vq::VQDocxDocument::initWithPath((dir / "out.docx").string(), 1);
    auto page = capture(writePDF(dir / "repeat.pdf", resources,
                                 "q 50 50 100 100 re W n 100 0 0 100 50 50 cm " + c.ops + "Q\n", {kShading}),
                        document);
    ASSERT_TRUE(page);
    ASSERT_EQ(page->allRunImageArray.size(), c.pictures);
    for (const auto& run : page->allRunImageArray) EXPECT_EQ(run->imagePath, page->allRunImageArray[0]->imagePath);
  }
}

TEST(VQDocxPDFPageParserImages, FreeTextAnnotationBoxes) {
  struct Case {
    std::string text, font;
    int64_t alignment;
    std::string expectText, expectFont;
    int jc;
  };
  const Case cases[] = {
      {"", "", 2, " ", "Arial Unicode MS", 2},
      {"Note", "Helvetica-Bold", 1, "Note", "Helvetica-Bold", 1},
      {"Note", "Courier", 7, "Note", "Courier", 0},
  };
  for (const auto& c : cases) {
    HandFedPage fed;
    fed.state().ctm = {2, 0, 0, 2, 0, 0};
    vq::VQPDFColor red;
    fed.parser->didScanTextBoxTextFontNameFontColorFontSizeAlignmentBorderStrokeBorderFill(
        nullptr, vq::RectMake(10, 20, 30, 40), c.text, c.font, red, 11, c.alignment, true, false);
    ASSERT_EQ(fed.page().allRunTextBoxArray.size(), 1u);
    const auto& box = *fed.page().allRunTextBoxArray.front();
    EXPECT_EQ(box.displayRect(), vq::RectMake(20, 792 - 120, 60, 80));
    EXPECT_TRUE(box.pictInfo->stroked);
    EXPECT_FALSE(box.pictInfo->filled);
    ASSERT_EQ(box.paragraphArray.size(), 1u);
    const auto runs = box.allRunTextArray();
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0]->runText(), c.expectText);
    EXPECT_EQ(vq::VQDocxText(runs[0]->rProperty.rFonts.ascii), c.expectFont);
    EXPECT_EQ(runs[0]->rProperty.b, c.expectFont == "Helvetica-Bold");
    EXPECT_FLOAT_EQ(runs[0]->rProperty.sz, 11);
    EXPECT_EQ(box.paragraphArray[0]->pProperty.jc, c.jc);
    EXPECT_LT(runs[0]->pdfScanIndex(), box.pdfScanIndex());
  }
  HandFedPage invisible;
  invisible.state().textRenderMode = 3;
  invisible.parser->didScanTextBoxTextFontNameFontColorFontSizeAlignmentBorderStrokeBorderFill(
      nullptr, vq::RectMake(10, 20, 30, 40), "x", "", {}, 11, 0, false, false);
  EXPECT_TRUE(invisible.page().allRunTextBoxArray.empty());
}

// Corpus pages with pictures get them, inside the page and registered.
TEST(VQDocxPDFPageParserImagesCorpus, PicturesOfRealPages) {
  const std::pair<const char*, int> pages[] = {
      {"annots-links-jpeg.pdf", 12}, {"scan-ccitt-g4.pdf", 1}, {"chart-powerpoint.pdf", 1}};
  for (const auto& [file, number] : pages) {
    auto pdf = vq::pdf::Document::open(vqtest::corpusFile(file).string(), "");
    ASSERT_TRUE(pdf) << file;
    vqtest::ScratchDir dir;
    auto document = vq::VQDocxDocument::initWithPath((dir / "out.docx").string(), 1);
    CaptureOnlyParser parser(document, {});
    ASSERT_TRUE(parser.convertPDFPage(pdf->page(number), 1, true, true)) << file;
    const auto& page = *parser.currentPage();
    EXPECT_FALSE(page.allRunImageArray.empty()) << file;
    const vq::Rect sheet = vq::RectMake(-1, -1, page.pageWidth() + 2, page.pageHeight() + 2);
    for (const auto& run : page.allRunImageArray) {
      if (run->isExtGStateSMask) continue;
      EXPECT_TRUE(vq::RectContainsRect(sheet, run->displayRect())) << file << " " << run->description();
      ASSERT_TRUE(run->imagePath) << file;
      EXPECT_TRUE(std::filesystem::exists(*run->imagePath)) << file;
      ASSERT_TRUE(run->runImageID) << file;
      EXPECT_FALSE(run->runImageID->empty()) << file;
    }

    // Without a document nothing would take the files: they go with the pass.
    CaptureOnlyParser alone(nullptr, {});
    ASSERT_TRUE(alone.convertPDFPage(pdf->page(number), 1, true, true)) << file;
    EXPECT_FALSE(alone.currentPage()->allRunImageArray.empty()) << file;
    for (const auto& run : alone.currentPage()->allRunImageArray)
      EXPECT_FALSE(std::filesystem::exists(*run->imagePath)) << file << " " << *run->imagePath;
  }
}

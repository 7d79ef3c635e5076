#include "pdf/raster/VQPDFRasterPictures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

#include "pdf/PdfFixture.h"
#include "pdf/VQPDFRenderState.h"
#include "pdf/VQPDFShading.h"
#include "pdf/images/VQPDFImageFile.h"
#include "support/TestSupport.h"

namespace {

using vq::AffineTransformMakeScale;
using vq::AffineTransformMakeTranslation;
using vq::VQPDFRasterPictures;

constexpr const char* kAxial =
    "<< /ShadingType 2 /ColorSpace /DeviceRGB /Coords [0 0 100 0] "
    "/Function << /FunctionType 2 /Domain [0 1] /C0 [1 0 0] /C1 [0 0 1] /N 1 >> >>";

// A page's pictures are bounded by what the page shows, not by how often
// its content repeats a drawing: the same shading drawn again is one
// rasterisation, placed again only when something stands between, and a
// page past its placements draws the rest into one picture.
TEST(VQPDFRasterPictures, RepeatsAreOnePictureAndPlacementsAreBounded) {
  vqtest::PdfFixture pdf;
  const auto shading = std::make_shared<vq::VQPDFShading>(pdf.object(kAxial), "Sh1");
  const vq::VQPDFClipStack pageClip = {vq::VQPDFClipPath::NewClipPath(
      [] {
        vq::Path p;
        p.addRect(vq::RectMake(0, 0, 100, 100));
        return p;
      }(),
      vq::VQPDFClipTypeWinding)};
  const vq::VQPDFClipStack outside = {vq::VQPDFClipPath::NewClipPath(
      [] {
        vq::Path p;
        p.addRect(vq::RectMake(500, 500, 10, 10));
        return p;
      }(),
      vq::VQPDFClipTypeWinding)};
  struct Case {
    const char* what;
    int draws;
    bool placedBetween;  // the exporter places something else between two
    bool moved;          // each drawing under a transform of its own
    const vq::VQPDFClipStack* clips;
    size_t rasterisations, placements, saves;
    bool rest;
  } cases[] = {
      {"painted over itself", 3000, false, false, &pageClip, 1, 1, 1, false},
      {"with other drawing between", 300, true, false, &pageClip, 1, 300, 1, false},
      {"clipped away", 300, false, false, &outside, 1, 0, 0, false},
      {"each moved", 700, false, true, &pageClip, 700, VQPDFRasterPictures::kMostPlacements,
       VQPDFRasterPictures::kMostPlacements + 1, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    size_t saves = 0;
    VQPDFRasterPictures pictures;
    pictures.beginPage(vq::SizeMake(100, 100), AffineTransformMakeScale(1, 1),
                       [&](const vq::Bitmap&, const std::string& kind) {
                         return std::optional<std::string>(kind + std::to_string(saves++));
                       });
    long long placed = 0;
    for (int i = 0; i < c.draws; ++i) {
      const auto at = AffineTransformMakeTranslation(c.moved ? i * 0.01 : 0, 0);
      if (pictures.shading(at, vq::AffineTransformIdentity, *c.clips, shading, placed)) ++placed;
      if (c.placedBetween) ++placed;
    }
    EXPECT_EQ(pictures.rasterisations(), c.rasterisations);
    EXPECT_EQ(pictures.placements(), c.placements);
    const auto rest = pictures.endPage();
    EXPECT_EQ(rest.has_value(), c.rest);
    if (rest) EXPECT_EQ(rest->path.rfind("Drawing", 0), 0u);
    EXPECT_EQ(saves, c.saves);
  }
}

// The key names the shading by its content: the same values in two direct
// dictionaries (another resource name, another form) are the same key, and
// any value, the transform or the clip tells them apart.
TEST(VQPDFRasterPictures, ShadingKeysFollowContent) {
  vqtest::PdfFixture pdf;
  const vq::VQPDFShading a(pdf.object(kAxial), "Sh1"), same(pdf.object(kAxial), "Other");
  std::string other = kAxial;
  other.replace(other.find("100 0]"), 6, "101 0]");
  const vq::VQPDFShading b(pdf.object(other), "Sh1");
  const auto key = [](const vq::VQPDFShading& s, double tx, const vq::VQPDFClipStack& clips = {}) {
    return VQPDFRasterPictures::ShadingKey(s, AffineTransformMakeTranslation(tx, 0), vq::AffineTransformIdentity,
                                           clips);
  };
  vq::Path box;
  box.addRect(vq::RectMake(0, 0, 10, 10));
  EXPECT_EQ(key(a, 0), key(same, 0));
  EXPECT_NE(key(a, 0), key(b, 0));
  EXPECT_NE(key(a, 0), key(a, 1));
  EXPECT_NE(key(a, 0), key(a, 0, {vq::VQPDFClipPath::NewClipPath(box, vq::VQPDFClipTypeWinding)}));
}

// An image drawn many times through one clip is read, cut and saved once,
// however often the content repeats it; each use still places the cut, up
// to the page's placements, after which the cuts go into the page's one
// picture. A clip that holds the whole image, or one that hides it, never
// reads the file.
TEST(VQPDFRasterPictures, ClippedImageRepeatsAreReadCutAndSavedOnce) {
  vqtest::ScratchDir dir;
  const std::string file = (dir / "image.png").string();
  vq::Bitmap pixels = vq::Bitmap::make(40, 40, vq::PixelFormat::RGB8);
  std::fill(pixels.pixels.begin(), pixels.pixels.end(), 200);
  ASSERT_TRUE(vq::VQPDFExportCGImageToFileWithDestination_VQLib(pixels, file, "png", 72, 72, 1.0f));
  const auto clipTo = [](const vq::Rect& r) {
    vq::Path p;
    p.addRect(r);
    return vq::VQPDFClipStack{vq::VQPDFClipPath::NewClipPath(p, vq::VQPDFClipTypeWinding)};
  };
  const vq::VQPDFClipStack half = clipTo(vq::RectMake(0, 0, 50, 100)), page = clipTo(vq::RectMake(0, 0, 100, 100)),
                           away = clipTo(vq::RectMake(500, 500, 10, 10));
  using Show = VQPDFRasterPictures::ClippedImage::Show;
  constexpr size_t kMost = VQPDFRasterPictures::kMostPlacements;
  struct Case {
    const char* what;
    std::string path;
    int draws;
    bool moved;  // each drawn under a transform of its own
    const vq::VQPDFClipStack* clips;
    Show show;  // what the first use answers
    size_t rasterisations, reads, saves, placements;
    bool rest;
  } cases[] = {
      {"one clip, drawn again", file, 501, false, &half, Show::Cut, 1, 1, 1, kMost, true},
      {"drawn twice", file, 2, false, &half, Show::Cut, 1, 1, 1, 2, false},
      {"each moved", file, 600, true, &half, Show::Cut, 600, 1, kMost, kMost, true},
      {"clip holds it", file, 300, false, &page, Show::Whole, 1, 0, 0, 0, false},
      {"clipped away", file, 300, false, &away, Show::Hidden, 1, 0, 0, 0, false},
      {"unreadable", (dir / "missing.png").string(), 300, false, &half, Show::Whole, 1, 1, 0, 0, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    size_t saves = 0;
    VQPDFRasterPictures pictures;
    pictures.beginPage(vq::SizeMake(100, 100), AffineTransformMakeScale(1, 1),
                       [&](const vq::Bitmap&, const std::string& kind) { return std::optional<std::string>(kind); });
    const VQPDFRasterPictures::SaveCut save = [&](const vq::Bitmap& cut, const vq::Rect&) {
      EXPECT_FALSE(cut.empty());
      return std::optional<std::string>("cut" + std::to_string(saves++));
    };
    std::set<std::string> placedFiles;
    for (int i = 0; i < c.draws; ++i) {
      const auto at = AffineTransformMakeTranslation(10 + (c.moved ? i * 0.01 : 0), 10);
      const auto image = vq::AffineTransformConcat(AffineTransformMakeScale(80, 80), at);
      const auto answer =
          pictures.clippedImage(c.path, "Im1", AffineTransformMakeScale(2, 2), vq::AffineTransformIdentity, image,
                                vq::RectApplyAffineTransform(vq::RectMake(0, 0, 1, 1), image), *c.clips, save);
      if (i == 0) EXPECT_EQ(answer.show, c.show);
      EXPECT_EQ(answer.unreadable, c.path != file);
      if (answer.show == Show::Cut) placedFiles.insert(answer.picture.path);
    }
    EXPECT_EQ(pictures.rasterisations(), c.rasterisations);
    EXPECT_EQ(pictures.imageReads(), c.reads);
    EXPECT_EQ(pictures.placements(), c.placements);
    EXPECT_EQ(saves, c.saves);
    EXPECT_EQ(placedFiles.size(), c.saves);
    EXPECT_EQ(pictures.endPage().has_value(), c.rest);
  }
}

}  // namespace

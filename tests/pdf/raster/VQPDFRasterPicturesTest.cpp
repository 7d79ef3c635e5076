#include "pdf/raster/VQPDFRasterPictures.h"

#include <gtest/gtest.h>

#include <string>

#include "pdf/PdfFixture.h"
#include "pdf/VQPDFRenderState.h"
#include "pdf/VQPDFShading.h"

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

}  // namespace

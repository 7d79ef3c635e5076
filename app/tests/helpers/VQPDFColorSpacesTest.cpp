#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "helpers/HelperPdfFixture.h"
#include "helpers/VQPDFColorSpaces.h"
#include "platform/pdf/PdfDocument.h"

using namespace vq::app;

namespace {

// Each colour space of the table sits under its name in the page's
// /ColorSpace resources.
const QByteArray kSpaces =
    "/ColorSpace << "
    "/Gray /DeviceGray /Cs2 /Cs2 /Odd /Nope "
    "/CalG [/CalGray << /WhitePoint [0.9505 1 1.089] /Gamma 2.2 >>] "
    "/CalRGB [/CalRGB << /WhitePoint [0.9505 1 1.089] /Gamma [1.8 1.8 1.8] "
    "/Matrix [0.4497 0.2446 0.0252 0.3163 0.672 0.1412 0.1845 0.0833 0.9227] >>] "
    "/Lab [/Lab << /WhitePoint [0.9505 1 1.089] /Range [-50 50 -60 60] >>] "
    "/LabDefault [/Lab << /WhitePoint [0.9505 1 1.089] >>] "
    "/Idx [/Indexed /DeviceRGB 400 <ff0000>] "
    "/Icc [/ICCBased 4 0 R] "
    "/DevN [/DeviceN [/Cyan /Magenta] /DeviceCMYK 5 0 R] "
    "/Sep [/Separation /Spot /DeviceCMYK 5 0 R] "
    "/Pat [/Pattern [/DeviceRGB]] "
    ">>";
const QByteArray kObjects =
    "4 0 obj << /N 1 /Length 3 >>\nstream\nabc\nendstream endobj\n"
    "5 0 obj << /FunctionType 2 /Domain [0 1] /N 1 >> endobj\n";

TEST(PDFColorSpaces, FamiliesFromResources) {
  QTemporaryDir dir;
  const auto document = vq::pdf::Document::open(vqtest::writeOnePagePDF(dir, kSpaces, kObjects).toStdString(), "");
  ASSERT_TRUE(document);
  const vq::pdf::Object spaces = document->page(1)->resources().get("ColorSpace");
  struct Row {
    const char* key;
    std::optional<VQColorModel> model;
    int components;
    bool profile;
  };
  const std::vector<Row> rows = {
      {"Gray", VQColorModel::gray, 1, false},   {"Cs2", VQColorModel::rgb, 3, false},
      {"Odd", std::nullopt, 0, false},          {"CalG", VQColorModel::gray, 1, true},
      {"CalRGB", VQColorModel::rgb, 3, true},   {"Lab", VQColorModel::lab, 3, true},
      {"Idx", VQColorModel::indexed, 1, false}, {"Icc", VQColorModel::gray, 1, false},
      {"DevN", VQColorModel::cmyk, 4, false},   {"Sep", VQColorModel::pattern, 0, false},
      {"Pat", VQColorModel::pattern, 0, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.key);
    const auto space = VQPDFColorSpaces::ColorSpaceWithPDFObject(spaces.get(row.key));
    ASSERT_EQ(space.has_value(), row.model.has_value());
    if (!space) continue;
    EXPECT_EQ(space->model, *row.model);
    EXPECT_EQ(space->components, row.components);
    EXPECT_EQ(space->profile != nullptr, row.profile);
  }

  const auto cal = VQPDFColorSpaces::ParserCalGray(spaces.get("CalG"));
  EXPECT_DOUBLE_EQ(cal->gamma[0], 2.2);
  EXPECT_DOUBLE_EQ(cal->whitePoint[2], 1.089);
  EXPECT_EQ(VQPDFColorSpaces::ParserLab(spaces.get("Lab"))->range, (std::vector<double>{-50, 50, -60, 60}));
  EXPECT_EQ(VQPDFColorSpaces::ParserLab(spaces.get("LabDefault"))->range, (std::vector<double>{-100, 100, -100, 100}));
  EXPECT_FALSE(VQPDFColorSpaces::ParserLab(spaces.get("CalG")).has_value());

  // The highest index is clamped to 255 and the table padded to match.
  const auto idx = VQPDFColorSpaces::ParserIndexed(spaces.get("Idx"));
  ASSERT_TRUE(idx);
  EXPECT_EQ(idx->hival, 255);
  EXPECT_EQ(idx->lookup.size(), 256u * 3);
  EXPECT_EQ(idx->lookup[0], 0xff);
  EXPECT_EQ(idx->base->model, VQColorModel::rgb);
  for (const char* key : {"Pat", "Sep"}) {
    const auto pattern = VQPDFColorSpaces::ColorSpaceWithPDFObject(spaces.get(key));
    ASSERT_TRUE(pattern && pattern->base) << key;
    EXPECT_EQ(pattern->base->model, std::string(key) == "Pat" ? VQColorModel::rgb : VQColorModel::cmyk);
  }

  // An ICC stream that is no profile falls back to the alternate its N implies.
  EXPECT_EQ(VQPDFColorSpaces::ParserICCBased(spaces.get("Icc"))->range, (std::vector<double>{0, 1}));
}

TEST(PDFColorSpaces, DefaultDecodeArrays) {
  QTemporaryDir dir;
  const auto document = vq::pdf::Document::open(
      vqtest::writeOnePagePDF(dir, "/Own << /Decode [1 0] >> /None << >>", "").toStdString(), "");
  ASSERT_TRUE(document);
  const vq::pdf::Object res = document->page(1)->resources();
  const auto space = [](VQColorModel model, int components) {
    VQColorSpace s;
    s.model = model;
    s.components = components;
    return s;
  };
  struct Row {
    VQColorModel model;
    int components, bpc;
    std::vector<double> expected;
  };
  const std::vector<Row> rows = {
      {VQColorModel::gray, 1, 8, {0, 1}},
      {VQColorModel::lab, 3, 8, {0, 100, -100, 100, -100, 100}},  // L, then the a and b ranges
      {VQColorModel::cmyk, 4, 8, {0, 1, 0, 1, 0, 1, 0, 1}},
      {VQColorModel::deviceN, 2, 8, {0, 1, 0, 1}},
      {VQColorModel::indexed, 1, 4, {0, 15}},
      {VQColorModel::pattern, 0, 8, {1, 0, 1, 0, 1, 0}},
  };
  for (const Row& row : rows)
    EXPECT_EQ(VQPDFColorSpaces::decodeArray(res.get("None"), space(row.model, row.components), row.bpc), row.expected);
  EXPECT_EQ(VQPDFColorSpaces::decodeArray(res.get("Own"), space(VQColorModel::gray, 1), 8),
            (std::vector<double>{1, 0}));
}

}  // namespace

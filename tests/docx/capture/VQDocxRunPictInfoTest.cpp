#include "docx/capture/VQDocxRunPictInfo.h"

#include <gtest/gtest.h>

namespace {

using namespace vq;

VQDocx_Color Rgba(int r, int g, int b, int a) {
  VQDocx_Color c{};
  c.red = r, c.green = g, c.blue = b, c.alpha = a;
  return c;
}

void ExpectColor(VQDocx_Color c, VQDocx_Color want) {
  EXPECT_EQ(c.red, want.red);
  EXPECT_EQ(c.green, want.green);
  EXPECT_EQ(c.blue, want.blue);
  EXPECT_EQ(c.alpha, want.alpha);
}

TEST(VQDocxPathInfo, DefaultsAndColourRecords) {
  VQDocxPathInfo p;
  EXPECT_EQ(p.strokeweight, 0.10000000149011612);
  EXPECT_EQ(p.fillAlpha(), 1);
  EXPECT_EQ(p.strokeAlpha(), 1);
  ExpectColor(p.fillColorVQ(), Rgba(0, 0, 0, 0));

  p.setStrokeAlpha(0.5f);
  p.setStrokecolor(ColorMakeRGB(1, 0, 0));
  ExpectColor(p.strokeColorVQ(), Rgba(255, 0, 0, 127));
  ExpectColor(p.fillColorVQ(), Rgba(0, 0, 0, 0));
  p.setFillcolor(ColorMakeGray(0.2));
  p.setFillAlpha(0.25f);
  ExpectColor(p.fillColorVQ(), Rgba(51, 51, 51, 63));
}

TEST(VQDocxRunPictInfo, ColourAndDashStrings) {
  struct Case {
    std::optional<Color> color;
    std::optional<std::string> text;
  } cases[] = {
      {ColorMakeRGB(1, 0.5, 0), "#FF8000"},
      {ColorMakeGray(0.2), "#333333"},
      {ColorMakeOther({0.1, 0.2, 0.3, 0.4}), "#000000"},
      {std::nullopt, std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(VQDocxRunPictInfo::colorString(c.color), c.text);

  VQDocxTextBoxInfo box;
  EXPECT_EQ(box.strokeDashPatternString(), std::nullopt);
  box.strokeDashPattern = std::vector<double>{3, 2.7, 1};
  EXPECT_EQ(box.strokeDashPatternString(), "3 2 1");
  box.strokeDashPattern = std::vector<double>{};
  EXPECT_EQ(box.strokeDashPatternString(), "");
  box.strokeDashPhase = -4;
  EXPECT_EQ(box.strokeDashPhaseString(), "-4");
  EXPECT_EQ(box.description(),
            "\ndisplayX: 0.000000\r\ndisplayY: 0.000000\r\ndisplayWidth: 0.000000\r\n"
            "displayHeight: 0.000000");
}

TEST(VQDocxPathInfo, BorderStyle) {
  const VQDocx_Color white = Rgba(255, 255, 255, 255);
  auto stroked = [](std::vector<double> dashes, Color color) {
    VQDocxPathInfo p;
    p.stroked = true;
    if (!dashes.empty()) p.strokeDashPattern = dashes;
    p.setStrokecolor(color);
    return p;
  };
  auto filled = [](double w, double h) {
    VQDocxPathInfo p;
    p.filled = true;
    p.displayWidth = w;
    p.displayHeight = h;
    p.setFillcolor(ColorMakeGray(0));
    return p;
  };
  struct Case {
    const char* name;
    VQDocxPathInfo info;
    int32_t border;
  } cases[] = {
      {"two dashes", stroked({3, 1}, ColorMakeGray(0)), 4},
      {"three dashes", stroked({3, 1, 1}, ColorMakeGray(0)), 8},
      {"four dashes", stroked({3, 1, 1, 1}, ColorMakeGray(0)), 6},
      {"five dashes", stroked({3, 1, 1, 1, 1}, ColorMakeGray(0)), 7},
      {"one dash is solid", stroked({3}, ColorMakeGray(0)), 2},
      {"white on white", stroked({}, ColorMakeGray(1)), 1},
      {"black on white", stroked({}, ColorMakeGray(0)), 2},
      {"black bar", filled(100, 2), 2},
      {"black box", filled(100, 50), 1},
      {"black dot", filled(2, 2), 1},
      {"nothing painted", VQDocxPathInfo(), 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(VQDocxPathInfo::BorderStyleForPathInfo(c.info, white), c.border);
  }
}

TEST(VQDocxRunPictInfo, Copies) {
  VQDocxTextBoxInfo box;
  box.displayX = 1, box.displayY = 2, box.displayWidth = 3, box.displayHeight = 4;
  box.rotation = 90;
  box.stroked = true;
  box.fillcolor = ColorMakeGray(0.5);
  auto boxCopy = box.copy();
  auto* b = dynamic_cast<VQDocxTextBoxInfo*>(boxCopy.get());
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->textBoxRect(), RectMake(1, 2, 3, 4));
  EXPECT_EQ(b->rotation, 90) << "copies are whole";
  EXPECT_TRUE(b->stroked);
  EXPECT_EQ(b->fillcolor, ColorMakeGray(0.5));

  VQDocxImageInfo image;
  image.vertices[0] = {5, 6};
  image.imageID = "rId3";
  auto imageCopy = image.copy();
  auto* i = dynamic_cast<VQDocxImageInfo*>(imageCopy.get());
  ASSERT_NE(i, nullptr);
  i->vertices[0] = {7, 8};
  EXPECT_EQ(image.vertices[0], (Point{5, 6}));
  EXPECT_EQ(i->imageID, "rId3");

  VQDocxPathInfo path;
  path.setStrokeAlpha(0.5f);
  path.setStrokecolor(ColorMakeRGB(1, 0, 0));
  path.strokeweight = 2;
  auto pathCopy = path.copy();
  auto* p = dynamic_cast<VQDocxPathInfo*>(pathCopy.get());
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->strokeweight, 2);
  EXPECT_EQ(p->strokecolor(), ColorMakeRGB(1, 0, 0)) << "copies are whole";
  ExpectColor(p->strokeColorVQ(), Rgba(255, 0, 0, 127));

  VQDocxTextPathInfo textPath;
  textPath.strokecolor = ColorMakeRGB(0, 0, 1);
  ExpectColor(textPath.strokeColorVQ(), Rgba(0, 0, 255, 255));
  ExpectColor(textPath.fillColorVQ(), Rgba(0, 0, 0, 255));
  EXPECT_EQ(textPath.rProperty.sz, 12);
}

}  // namespace

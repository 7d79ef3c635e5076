#include "docx/capture/VQDocxRunTab.h"

#include <gtest/gtest.h>

#include "docx/capture/VQDocxRunTextLineSpace.h"
#include "office/OfficeTestSupport.h"

namespace {

using namespace vq;

TEST(VQDocxRunTab, WritesARunHoldingItsPropertiesAndAnEmptyTab) {
  auto tab = VQDocxRunTab::RunTapWithTabPostion(72.5, 30);
  EXPECT_EQ(tab->tabPostion, 72.5);
  EXPECT_EQ(tab->tabWidth, 30);
  tab->rProperty.b = 1;  // the writer gives a tab the properties of the text before it
  VQDocxSetText(tab->rProperty.rFonts.ascii, "Arial");
  EXPECT_EQ(vqtest::writeXML([&](XMLFileWriter& w) { tab->writeWithXMLWriter(w); }),
            "<w:r><w:rPr><w:rFonts w:ascii=\"Arial\" w:hAnsi=\"Arial\" w:cs=\"Arial\" w:eastAsia=\"Arial\"/>"
            "<w:b/><w:bCs/><w:noProof/><w:color w:val=\"000000\"/><w:sz w:val=\"24\"/><w:szCs w:val=\"24\"/>"
            "<w:lang w:val=\"en-US\" w:eastAsia=\"en-US\" w:bidi=\"en-US\"/></w:rPr><w:tab/></w:r>");
}

TEST(VQDocxRunTab, CopyAndDescription) {
  auto tab = VQDocxRunTab::RunTapWithTabPostion(10, 4.25);
  tab->setPdfScanIndex(6);
  tab->rProperty.sz = 8;
  auto copy = tab->clone();
  EXPECT_NE(copy, tab);
  EXPECT_EQ(copy->tabPostion, 10);
  EXPECT_EQ(copy->tabWidth, 4.25);
  EXPECT_EQ(copy->rProperty.sz, 8);
  EXPECT_EQ(copy->pdfScanIndex(), 6u);
  EXPECT_EQ(tab->description(), fmt::format("<VQDocxRunTab: {}: 10.000000 4.250000>", fmt::ptr(tab.get())));
}

std::shared_ptr<VQDocxRunText> Placed(double xLeft, double xRight, double yTop, double height) {
  auto run = std::make_shared<VQDocxRunText>();
  run->setRunText("ab");
  run->ctmInfo.xLeft = xLeft;
  run->ctmInfo.xRight = xRight;
  run->ctmInfo.yTop = yTop;
  run->ctmInfo.frame = RectMake(xLeft, yTop, xRight - xLeft, height);
  return run;
}

TEST(VQDocxRunTextLineSpace, GapRectangles) {
  const auto left = Placed(40, 100, 50, 12);
  struct Case {
    const char* name;
    std::shared_ptr<VQDocxRunText> left, right;
    Rect gap;
  } cases[] = {
      {"apart", left, Placed(112, 150, 48, 20), RectMake(100, 50, 12, 12)},
      {"overlapping", left, Placed(99.5, 150, 48, 20), RectMake(99.4, 50, 0.2, 12)},
      {"touching", left, Placed(100, 150, 48, 20), RectMake(99.9, 50, 0.2, 12)},
      {"after the last run", left, nullptr, RectMake(100, 50, 99999.8984375, 12)},
      {"before the first run", nullptr, Placed(112, 150, 48, 20), RectMake(0, 48, 112, 20)},
  };
  for (const auto& c : cases) {
    auto space = VQDocxRunTextLineSpace::RunTextLineSpaceWithLeftRunText(c.left, c.right);
    ASSERT_TRUE(space.has_value()) << c.name;
    EXPECT_DOUBLE_EQ(space->spaceRect.origin.x, c.gap.origin.x) << c.name;
    EXPECT_EQ(space->spaceRect.origin.y, c.gap.origin.y) << c.name;
    EXPECT_DOUBLE_EQ(space->spaceRect.size.width, c.gap.size.width) << c.name;
    EXPECT_EQ(space->spaceRect.size.height, c.gap.size.height) << c.name;
    EXPECT_EQ(space->leftRunText, c.left) << c.name;
    EXPECT_EQ(space->rightRunText, c.right) << c.name;
  }
  EXPECT_FALSE(VQDocxRunTextLineSpace::RunTextLineSpaceWithLeftRunText(nullptr, nullptr).has_value());
}

TEST(VQDocxRunTextLineSpace, CopiesShareTheRuns) {
  auto space = *VQDocxRunTextLineSpace::RunTextLineSpaceWithLeftRunText(Placed(0, 10, 0, 5), Placed(20, 30, 0, 5));
  VQDocxRunTextLineSpace copy = space;
  EXPECT_EQ(copy.leftRunText.get(), space.leftRunText.get());
  EXPECT_EQ(copy.rightRunText.get(), space.rightRunText.get());
  EXPECT_EQ(copy.spaceRect, space.spaceRect);
  EXPECT_EQ(copy.description(),
            fmt::format("<VQDocxRunTextLineSpace: {}:[spaceRect:[10.000000, 0.000000, 10.000000, 5.000000]]"
                        "[leftRunText:ab][rightRunText:ab]>",
                        fmt::ptr(&copy)));
}

}  // namespace

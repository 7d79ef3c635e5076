// Text boxes and WordArt text paths as written: placement, turn, flow and
// the paragraphs a box holds.
#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <memory>
#include <string>

#include "docx/capture/VQDocxRunTextBox.h"
#include "docx/capture/VQDocxRunTextPath.h"
#include "office/OfficeTestSupport.h"

namespace {

std::string Written(vq::VQDocxObject& object) {
  return vqtest::writeXML([&](vq::XMLFileWriter& w) { object.writeWithXMLWriter(w); });
}

std::shared_ptr<vq::VQDocxRunTextBox> Box(double rotation) {
  auto box = std::make_shared<vq::VQDocxRunTextBox>();
  box->pictInfo = std::make_shared<vq::VQDocxTextBoxInfo>();
  box->pictInfo->displayX = 300;
  box->pictInfo->displayY = 100;
  box->pictInfo->displayWidth = 40;
  box->pictInfo->displayHeight = 200;
  box->pictInfo->rotation = rotation;
  box->pictZIndex = 3;
  return box;
}

}  // namespace

// A turned box is placed by its unturned corner, flows the way its text
// reads, and only a box turned upside down carries a rotation.
TEST(VQDocxFloatingTextTest, TextBoxPlacementAndFlowFollowItsTurn) {
  const struct {
    double rotation;
    const char* margins;
    const char* flow;
    bool rotated;
  } cases[] = {
      {0, "margin-left:300pt;margin-top:100pt;", "mso-fit-shape-to-text:t", false},
      {90, "margin-left:260pt;margin-top:100pt;", "layout-flow:vertical;mso-layout-flow-alt:right-to-left", false},
      {180, "margin-left:260pt;margin-top:100pt;", "layout-flow:horizontal;mso-layout-flow-alt:left-to-right", true},
      {270, "margin-left:300pt;margin-top:-100pt;", "layout-flow:vertical;mso-layout-flow-alt:bottom-to-top", false},
      {179.5, "margin-left:300pt;margin-top:100pt;", "mso-fit-shape-to-text:t", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.rotation);
    auto box = Box(c.rotation);
    const std::string xml = Written(*box);
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_string(xml.c_str())) << xml;
    const auto shape = doc.select_node("/w:r/w:pict/v:shape").node();
    ASSERT_TRUE(shape) << xml;
    const std::string style = shape.attribute("style").value();
    EXPECT_NE(style.find(c.margins), std::string::npos) << style;
    EXPECT_NE(style.find("width:40pt;height:200pt;z-index:3;"), std::string::npos) << style;
    EXPECT_EQ(style.find("rotation:180;mso-wrap-edited:f;") != std::string::npos, c.rotated) << style;
    EXPECT_STREQ(shape.attribute("filled").value(), "f");
    EXPECT_STREQ(shape.attribute("stroked").value(), "f");
    EXPECT_FALSE(shape.attribute("fillcolor"));
    EXPECT_FALSE(shape.attribute("strokeweight"));
    EXPECT_STREQ(shape.child("v:textbox").attribute("style").value(), c.flow);
    // Without paragraphs the box still holds one small paragraph.
    const auto mark = doc.select_node("//w:txbxContent/w:p/w:pPr/w:rPr/w:sz").node();
    ASSERT_TRUE(mark) << xml;
    EXPECT_STREQ(mark.attribute("w:val").value(), "12");
    EXPECT_TRUE(shape.child("w10:wrap"));
  }
}

TEST(VQDocxFloatingTextTest, TextBoxWritesItsParagraphs) {
  auto box = Box(90);
  auto run = std::make_shared<vq::VQDocxRunText>();
  run->setRunText("Turned & kept");
  run->rProperty.sz = 12;
  auto paragraph = std::make_shared<vq::VQDocxParagraph>();
  paragraph->addRunTextArray({run});
  box->paragraphArray = {paragraph};
  pugi::xml_document doc;
  const std::string xml = Written(*box);
  ASSERT_TRUE(doc.load_string(xml.c_str())) << xml;
  EXPECT_EQ(doc.select_nodes("//w:txbxContent/w:p").size(), 1u);
  EXPECT_STREQ(doc.select_node("//w:txbxContent/w:p/w:r/w:t").node().text().get(), "Turned & kept");
  EXPECT_FALSE(doc.select_node("//w:sectPr")) << "no section break inside a text box";
}

TEST(VQDocxFloatingTextTest, TextPathWritesWordArtAlongItsTurn) {
  const struct {
    float rotation;
    bool flipX, flipY;
    double width, height;
    const char* expected;
  } cases[] = {
      {0, false, false, 100, 12,
       "width:100.00pt;height:12.00pt;mso-position-horizontal-relative:page;"
       "mso-position-vertical-relative:page;z-index:7"},
      {33.6f, true, true, -100, -12,
       "width:100.00pt;height:12.00pt;mso-position-horizontal-relative:page;"
       "mso-position-vertical-relative:page;rotation:34;flip:x y;z-index:7"},
      {300, false, true, 50, 10, "rotation:300;flip:y;z-index:7"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.rotation);
    vq::VQDocxRunTextPath path;
    path.pictInfo = std::make_shared<vq::VQDocxTextPathInfo>();
    path.pictInfo->displayX = 80;
    path.pictInfo->displayY = 240;
    path.pictInfo->displayWidth = c.width;
    path.pictInfo->displayHeight = c.height;
    path.pictInfo->rotation = c.rotation;
    path.pictInfo->flipX = c.flipX;
    path.pictInfo->flipY = c.flipY;
    path.pictInfo->filled = true;
    path.pictInfo->fillcolor = vq::ColorMakeRGB(1, 0, 0);
    path.pictZIndex = 7;
    path.runText = "A & B";
    const std::string xml = Written(path);
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_string(xml.c_str())) << xml;
    const auto shape = doc.select_node("/w:r/w:pict/v:shape").node();
    const std::string style = shape.attribute("style").value();
    EXPECT_NE(style.find("margin-left:80.00pt;margin-top:240.00pt;"), std::string::npos) << style;
    EXPECT_NE(style.find(c.expected), std::string::npos) << style;
    EXPECT_EQ(style.find("rotation") != std::string::npos, c.rotation != 0) << style;
    EXPECT_STREQ(shape.attribute("fillcolor").value(), "#FF0000");
    EXPECT_FALSE(shape.attribute("strokeweight"));
    EXPECT_STREQ(shape.child("v:textpath").attribute("string").value(), "A & B");
  }
}

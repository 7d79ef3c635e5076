#include "docx/capture/VQDocxProperty.h"

#include <gtest/gtest.h>

#include <pugixml.hpp>
#include <string>

#include "office/OfficeTestSupport.h"
#include "office/VQDocxUtilities.h"
#include "office/WordSchemaOrder.h"

namespace {

using namespace vq;

std::string Write(VQDocxProperty& item) {
  return vqtest::writeXML([&](XMLFileWriter& w) { item.writeWithXMLWriter(w); });
}

// A section property that is written: a Letter page, two unequal columns
// and a page border, so that most of its children appear.
VQDocx_SectPr WrittenSectProperty() {
  static const VQDocx_Col columns[2] = {{200, 20}, {248, 0}};
  VQDocx_SectPr s = VQDocxUtilities::defaultSectPropertyHiden();
  s.shouldWrite = 1;
  s.type = 1;
  s.pgSz = {612, 792};
  s.pgMar = {72, 72, 72, 72, 36, 36, 0};
  s.cols.num = 2;
  s.cols.col = columns;
  s.offsetFrom = 1;
  s.pgBorders = VQDocxUtilities::defaultTableBorders();
  VQDocxSetText(s.docGrid.type, "lines");
  s.docGrid.linePitch = 12;
  return s;
}

TEST(VQDocxProperty, WritesByItsType) {
  const VQDocx_SectPr written = WrittenSectProperty();
  VQDocx_SectPr hidden = written;
  hidden.shouldWrite = 0;
  VQDocx_PPr pPr = VQDocxUtilities::defaultPProperty();
  pPr.spacing.line = 7;
  const VQDocx_RPr rPr = VQDocxUtilities::defaultRProperty();

  struct Case {
    const char* name;
    std::shared_ptr<VQDocxProperty> item;
    const char* root;  // the one element written; nullptr for nothing
    bool hasSectPr;
  };
  auto other = VQDocxProperty::NewWriteSectProperty(written);
  other->propertyWriteType = 3;
  const Case cases[] = {
      {"new item", std::make_shared<VQDocxProperty>(), nullptr, false},
      {"section property", VQDocxProperty::NewWriteSectProperty(written), "w:sectPr", true},
      {"hidden section property", VQDocxProperty::NewWriteSectProperty(hidden), nullptr, false},
      {"blank paragraph with a break", VQDocxProperty::NewWrite1BlankParagraphWithProperty(pPr, rPr, written), "w:p",
       true},
      {"blank paragraph", VQDocxProperty::NewWrite1BlankParagraphWithProperty(pPr, rPr, hidden), "w:p", false},
      {"unknown type", other, nullptr, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string xml = Write(*c.item);
    if (!c.root) {
      EXPECT_EQ(xml, "");
      continue;
    }
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_string(("<body>" + xml + "</body>").c_str())) << xml;
    const auto body = doc.child("body");
    ASSERT_EQ(std::distance(body.begin(), body.end()), 1) << xml;
    const auto root = body.first_child();
    EXPECT_STREQ(root.name(), c.root);
    if (std::string(c.root) == "w:sectPr") {
      vqtest::ExpectSchemaOrder(root, vqtest::kSectPrOrder);
      EXPECT_STREQ(root.child("w:type").attribute("w:val").as_string(), "continuous");
      EXPECT_EQ(
          std::distance(root.child("w:cols").children("w:col").begin(), root.child("w:cols").children("w:col").end()),
          2);
      continue;
    }
    // One empty paragraph: its properties and nothing else.
    ASSERT_EQ(std::distance(root.begin(), root.end()), 1) << xml;
    const auto pPrNode = root.child("w:pPr");
    ASSERT_TRUE(pPrNode) << xml;
    vqtest::ExpectParagraphPropertiesInOrder(root);
    EXPECT_EQ(pPrNode.child("w:spacing").attribute("w:line").as_int(), 140);
    EXPECT_TRUE(pPrNode.child("w:rPr"));
    EXPECT_EQ(static_cast<bool>(pPrNode.child("w:sectPr")), c.hasSectPr) << xml;
  }
}

TEST(VQDocxProperty, CopyWritesTheSame) {
  VQDocx_PPr pPr = VQDocxUtilities::defaultPProperty();
  pPr.jc = 2;
  pPr.ind.left = 15;
  VQDocx_RPr rPr = VQDocxUtilities::defaultRProperty();
  rPr.sz = 5;
  for (const auto& item : {VQDocxProperty::NewWriteSectProperty(WrittenSectProperty()),
                           VQDocxProperty::NewWrite1BlankParagraphWithProperty(pPr, rPr, WrittenSectProperty())}) {
    const auto copy = item->clone();
    ASSERT_NE(copy, item);
    EXPECT_EQ(copy->propertyWriteType, item->propertyWriteType);
    const std::string xml = Write(*item);
    EXPECT_FALSE(xml.empty());
    EXPECT_EQ(Write(*copy), xml);
    // The copy is the same kind of object through the base interface too.
    EXPECT_NE(std::dynamic_pointer_cast<VQDocxProperty>(static_cast<const VQDocxObject&>(*item).clone()), nullptr);
  }
}

}  // namespace

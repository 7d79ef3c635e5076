#pragma once
// Schema order of the WordprocessingML property lists the writers produce,
// and a check of a parsed element's children against it.
#include <gtest/gtest.h>

#include <algorithm>
#include <pugixml.hpp>
#include <string_view>
#include <vector>

namespace vqtest {

// CT_PPr, as far as the writers use it.
inline const std::vector<std::string_view> kPPrOrder = {
    "pStyle",  "keepNext", "keepLines", "pageBreakBefore", "framePr", "widowControl", "numPr", "pBdr", "shd", "tabs",
    "spacing", "ind",      "jc",        "outlineLvl",      "rPr",     "sectPr"};
// CT_RPr.
inline const std::vector<std::string_view> kRPrOrder = {
    "rStyle",   "rFonts",  "b",       "bCs",       "i",     "iCs",     "caps",      "smallCaps",
    "strike",   "dstrike", "noProof", "vanish",    "color", "spacing", "w",         "kern",
    "position", "sz",      "szCs",    "highlight", "u",     "shd",     "vertAlign", "lang"};
// CT_SectPr.
inline const std::vector<std::string_view> kSectPrOrder = {
    "headerReference", "footerReference", "footnotePr",    "endnotePr", "type",      "pgSz",     "pgMar",
    "paperSrc",        "pgBorders",       "lnNumType",     "pgNumType", "cols",      "formProt", "vAlign",
    "noEndnote",       "titlePg",         "textDirection", "bidi",      "rtlGutter", "docGrid",  "printerSettings"};

// Every child of the node (prefixed "w:") is known and comes in order.
inline void ExpectSchemaOrder(const pugi::xml_node& node, const std::vector<std::string_view>& order) {
  size_t at = 0;
  for (const auto& child : node.children()) {
    const std::string_view name = std::string_view(child.name()).substr(2);
    const auto found = std::find(order.begin() + static_cast<std::ptrdiff_t>(at), order.end(), name);
    EXPECT_TRUE(found != order.end()) << node.name() << ": " << name << " out of order or unknown";
    if (found != order.end()) at = static_cast<size_t>(found - order.begin());
  }
}

// A paragraph's properties, its mark's run properties and its section
// property, each in schema order.
inline void ExpectParagraphPropertiesInOrder(const pugi::xml_node& p) {
  const auto pPr = p.child("w:pPr");
  ExpectSchemaOrder(pPr, kPPrOrder);
  ExpectSchemaOrder(pPr.child("w:rPr"), kRPrOrder);
  ExpectSchemaOrder(pPr.child("w:sectPr"), kSectPrOrder);
}

}  // namespace vqtest

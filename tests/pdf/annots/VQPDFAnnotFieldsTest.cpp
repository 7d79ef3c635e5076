// Reading annotation dictionaries: borders, the factory, the shared fields,
// default appearances and the choice of appearance stream.
#include <gtest/gtest.h>

#include "AnnotTestSupport.h"
#include "pdf/annots/VQPDFAnnotFreeText.h"
#include "pdf/annots/VQPDFAnnotGeometry.h"
#include "pdf/annots/VQPDFAnnotPopup.h"
#include "pdf/annots/VQPDFAnnotTextMarkup.h"
#include "pdf/annots/VQPDFBorder.h"

namespace {

using namespace vq;
using vqtest::AnnotPage;

std::string DashText(const std::optional<std::vector<double>>& dash) {
  if (!dash) return "none";
  std::string s = "[";
  for (double d : *dash) s += (s.size() > 1 ? " " : "") + vqtest::Num(d);
  return s + "]";
}

TEST(VQPDFBorder, BorderArrays) {
  struct Case {
    const char* syntax;
    double width;
    int style;
    const char* dash;
  } cases[] = {
      {"[0 0 1]", 1, VQPDFBorderStyleSolid, "none"},
      {"[0 0 2 [3 2]]", 2, VQPDFBorderStyleDashed, "[3 2]"},
      {"[0 0 2 [3 -2]]", 0, VQPDFBorderStyleSolid, "none"},
      {"[0 0 2 4]", 0, VQPDFBorderStyleSolid, "none"},
      {"[0 0]", 0, VQPDFBorderStyleSolid, "none"},
      {"[0 /x 2]", 0, VQPDFBorderStyleSolid, "none"},
      {"[0 0 1 [1 2 3 4 5 6 7 8 9 10 11 12]]", 1, VQPDFBorderStyleDashed, "[1 2 3 4 5 6 7 8 9 10]"},
      {"[0 0 1 [2 /x 4]]", 1, VQPDFBorderStyleDashed, "[2 2 4]"},
  };
  AnnotPage page;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.syntax);
    VQPDFBorderArray border(page.wrap(page.parse(c.syntax)));
    EXPECT_EQ(border.lineWidth, c.width);
    EXPECT_EQ(border.style, c.style);
    EXPECT_EQ(DashText(border.dashPattern), c.dash);
  }
}

TEST(VQPDFBorder, BorderStyleDictionaries) {
  struct Case {
    const char* syntax;
    double width;
    int style;
    const char* dash;
  } cases[] = {
      {"<< /W 2 /S /D >>", 2, VQPDFBorderStyleDashed, "[3]"},
      {"<< /S /D /D [] /W 0 >>", 0, VQPDFBorderStyleDashed, "[]"},
      {"<< /S /D /D [4 1] >>", 1, VQPDFBorderStyleDashed, "[4 1]"},
      // /W is 1 when absent: a style alone still draws a border.
      {"<< /S /B >>", 1, VQPDFBorderStyleBeveled, "none"},
      {"<< /S /U /W 3 >>", 3, VQPDFBorderStyleUnderline, "none"},
      {"<< /S /Q /W 0.5 >>", 0.5, VQPDFBorderStyleSolid, "none"},
  };
  AnnotPage page;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.syntax);
    VQPDFBorderBS border(page.wrap(page.parse(c.syntax)));
    EXPECT_EQ(border.type, 1);
    EXPECT_EQ(border.lineWidth, c.width);
    EXPECT_EQ(border.style, c.style);
    EXPECT_EQ(DashText(border.dashPattern), c.dash);
  }
  VQPDFBorderEffect cloudy(page.wrap(page.parse("<< /S /C /I 2 >>")));
  EXPECT_EQ(cloudy.effectType, 1);
  EXPECT_EQ(cloudy.intensity, 2);
  VQPDFBorderEffect none(page.wrap(page.parse("<< /S /S /I 2 >>")));
  EXPECT_EQ(none.effectType, 0);
  EXPECT_EQ(none.intensity, 0);
}

TEST(VQPDFAnnot, FactoryChoosesClassBySubtype) {
  AnnotPage page;
  struct Case {
    const char* syntax;
    bool made;
    const char* check;
  } cases[] = {
      {"<< /Type /Annot /Subtype /Square /Rect [0 0 1 1] >>", true, "square"},
      {"<< /Subtype /Circle /Rect [0 0 1 1] >>", true, "circle"},
      {"<< /Type /Annot /Subtype /Squiggly >>", true, "markup"},
      {"<< /Type /Annot /Subtype /Polygon >>", true, "plain"},
      {"<< /Type /Annot /Subtype /FreeText >>", true, "freetext"},
      {"<< /Type /XObject /Subtype /Square >>", false, ""},
      {"<< /Type /Annot >>", false, ""},
      {"[ /Annot ]", false, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.syntax);
    auto annot = VQPDFAnnot::AnnotWithDictionary(page.wrap(page.parse(c.syntax)));
    ASSERT_EQ(annot != nullptr, c.made);
    if (!annot) continue;
    std::string check = c.check;
    if (check == "square") {
      EXPECT_NE(dynamic_cast<VQPDFAnnotSquare*>(annot.get()), nullptr);
    }
    if (check == "circle") {
      EXPECT_NE(dynamic_cast<VQPDFAnnotCircel*>(annot.get()), nullptr);
    }
    if (check == "markup") {
      auto* m = dynamic_cast<VQPDFAnnotTextMarkup*>(annot.get());
      ASSERT_NE(m, nullptr);
      EXPECT_EQ(m->markupType, VQPDFAnnotTextMarkupTypeSquiggly);
    }
    if (check == "plain") {
      EXPECT_EQ(typeid(*annot), typeid(VQPDFAnnot));
    }
    if (check == "freetext") {
      EXPECT_NE(dynamic_cast<VQPDFAnnotFreeText*>(annot.get()), nullptr);
    }
    // Copies keep their class and fields.
    auto copy = annot->copy();
    EXPECT_EQ(typeid(*copy), typeid(*annot));
    EXPECT_EQ(copy->type, annot->type);
  }
}

TEST(VQPDFAnnot, SharedFields) {
  AnnotPage page;
  struct Case {
    const char* syntax;
    const char* bounds;
    int32_t length;  // 0: the null colour
    int32_t c0, c1, c2;
  } cases[] = {
      {"<< /Subtype /X /Rect [100 200 50 20] /C [1 0 0] >>", "50 20 50 180", 3, 255, 0, 0},
      {"<< /Subtype /X /Rect [0 0 10 10] /C [0.5 0.5 0.5] >>", "0 0 10 10", 3, 127, 127, 127},
      {"<< /Subtype /X /Rect [0 0 10] /C [0.5] >>", "0 0 1 1", 1, 127, 0, 0},
      {"<< /Subtype /X /Rect [/a 0 /b 5] /C [0 0 0 1] >>", "0 0 1 5", 4, 0, 0, 0},
      {"<< /Subtype /X /C [] >>", "0 0 1 1", 0, 0, 0, 0},
      {"<< /Subtype /X /C [1 0] >>", "0 0 1 1", 0, 0, 0, 0},
      {"<< /Subtype /X /C [1 /x 0] >>", "0 0 1 1", 0, 0, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.syntax);
    auto annot = VQPDFAnnot::AnnotWithDictionary(page.wrap(page.parse(c.syntax)));
    ASSERT_NE(annot, nullptr);
    EXPECT_EQ(vqtest::RectText(annot->bounds), c.bounds);
    EXPECT_EQ(annot->color.isNull != 0, c.length == 0);
    if (c.length == 0) continue;
    EXPECT_EQ(annot->color.length, c.length);
    EXPECT_EQ(annot->color.c[0], c.c0);
    EXPECT_EQ(annot->color.c[1], c.c1);
    EXPECT_EQ(annot->color.c[2], c.c2);
  }

  auto full = VQPDFAnnot::AnnotWithDictionary(
      page.wrap(page.parse("<< /Subtype /Square /F 6 /CA 0.5 /Contents (note) /NM (id1) /M (D:2020) /T (me) "
                           "/Border [0 0 3] /BS << /W 2 >> /Popup << /Subtype /Popup /Rect [1 2 3 4] >> >>")));
  ASSERT_NE(full, nullptr);
  EXPECT_EQ(full->flags, 6);
  EXPECT_FALSE(full->isVisible());
  EXPECT_EQ(full->opacity, 0.5);
  EXPECT_EQ(full->contents, "note");
  EXPECT_EQ(full->userName, "id1");
  EXPECT_EQ(full->modificationDate, "D:2020");
  EXPECT_EQ(dynamic_cast<VQPDFAnnotMarkup&>(*full).label, "me");
  ASSERT_NE(full->border, nullptr);
  EXPECT_EQ(full->border->lineWidth, 2);  // /BS replaces /Border for squares
  ASSERT_NE(full->popup, nullptr);
  EXPECT_EQ(vqtest::RectText(full->popup->bounds), "1 2 2 2");
  EXPECT_EQ(full->appearState, "Off");
}

TEST(VQPDFAnnot, PopupThatRefersToItselfIsReadOnce) {
  AnnotPage page;
  QPDFObjectHandle annot = page.add("<< /Type /Annot /Subtype /Text /Rect [0 0 5 5] >>");
  annot.replaceKey("/Popup", annot);
  auto made = VQPDFAnnot::AnnotWithDictionary(page.wrap(annot));
  ASSERT_NE(made, nullptr);
  ASSERT_NE(made->popup, nullptr);
  EXPECT_EQ(made->popup->popup, nullptr);
}

TEST(VQPDFAnnot, AppearanceStreamChoice) {
  AnnotPage page;
  QPDFObjectHandle on = page.stream("<< /Subtype /Form /BBox [0 0 1 1] /Name /On >>", "");
  QPDFObjectHandle off = page.stream("<< /Subtype /Form /BBox [0 0 1 1] /Name /Off >>", "");
  QPDFObjectHandle n = page.stream("<< /Subtype /Form /BBox [0 0 1 1] /Name /N >>", "");
  QPDFObjectHandle zero = page.stream("<< /Subtype /Form /BBox [0 0 1 1] /Name /Zero >>", "");
  struct Case {
    QPDFObjectHandle normal;
    const char* as;  // nullptr: no /AS
    const char* state;
    const char* chosen;  // the /Name of the chosen stream, "" for none
  } cases[] = {
      {AnnotPage::states({{"On", on}, {"Off", off}}), "/On", "On", "On"},
      {AnnotPage::states({{"On", on}, {"Off", off}}), "/Off", "Off", "Off"},
      {AnnotPage::states({{"On", on}}), "/Off", "Off", ""},
      {AnnotPage::states({{"N", n}, {"0", zero}}), nullptr, "N", "N"},
      {AnnotPage::states({{"0", zero}}), nullptr, "N", "Zero"},
      {on, "/Whatever", "Whatever", "On"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.chosen);
    QPDFObjectHandle dict = page.parse("<< /Type /Annot /Subtype /Widget /Rect [0 0 1 1] >>");
    if (c.as) dict.replaceKey("/AS", QPDFObjectHandle::newName(c.as));
    AnnotPage::setAppearance(dict, c.normal);
    auto annot = VQPDFAnnot::AnnotWithDictionary(page.wrap(dict));
    ASSERT_NE(annot, nullptr);
    EXPECT_EQ(annot->appearState, c.state);
    ASSERT_TRUE(annot->appearStreams.has_value());
    pdf::Object stream = annot->appearStreams->getAppearanceStream(VQPDFAnnotAppearanceNormal, annot->appearState);
    EXPECT_EQ(stream.isStream() ? stream.streamDictionary().get("Name").name().value_or("?") : "", c.chosen);
  }
}

TEST(VQPDFAnnotFreeText, DefaultAppearanceStrings) {
  struct Case {
    const char* da;
    const char* name;  // "" for none
    double size;
    int32_t length;  // 0: null colour
    int32_t c0, c1, c2;
  } cases[] = {
      {"/Helv 0 Tf 0 g", "Helv", 0, 1, 0, 0, 0},
      {"1 0 0 rg /Arial,Bold 9 Tf", "Arial,Bold", 9, 3, 255, 0, 0},
      {"/F1 12 Tf 0.5 g /F2 8 Tf", "F2", 8, 1, 127, 0, 0},
      {"/F1 12 Tf /F2 0 Tf", "F1", 12, 0, 0, 0, 0},
      {"0 0 0 1 k /Cour 7.5 Tf", "Cour", 7.5, 4, 0, 0, 0},
      {"Tf", "", 0, 0, 0, 0, 0},
      {"", "", 0, 0, 0, 0, 0},
      {"/F1  12 Tf", "", 12, 0, 0, 0, 0},  // a doubled space leaves an empty token as the name
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.da);
    double size = -1;
    VQPDFColor color;
    auto name = VQPDFAnnotFreeText::ParseAppearanceString(c.da, &size, &color);
    EXPECT_EQ(name.value_or(""), c.name);
    EXPECT_FLOAT_EQ(size, c.size);
    EXPECT_EQ(color.isNull != 0, c.length == 0);
    if (c.length == 0) continue;
    EXPECT_EQ(color.length, c.length);
    EXPECT_EQ(color.c[0], c.c0);
    EXPECT_EQ(color.c[1], c.c1);
    EXPECT_EQ(color.c[2], c.c2);
  }
  for (auto [q, alignment] : {std::pair{0, 0}, {1, 2}, {2, 1}, {5, 0}})
    EXPECT_EQ(VQPDFAnnotFreeText::TextAlignmentForQuadding(q), alignment);
}

}  // namespace

#include "office/VQDocxTokens.h"

#include <gtest/gtest.h>

#include <vector>

#include "office/VQDocxEquality.h"
#include "office/VQDocxUtilities.h"

using namespace vq;

namespace {

TEST(VQDocxTokens, TablesAndValuesOutside) {
  struct Case {
    const char* (*fn)(int);
    int value;
    const char* expected;
  };
  const Case cases[] = {
      {TextAlignString, 4, "distribute"},
      {TextAlignString, 5, nullptr},
      {BOOLValueTypeString, 0, "false"},
      {BOOLValueTypeString, -3, "true"},
      {TableWidthTypeString, 3, "pct"},
      {TableWidthTypeString, 7, "auto"},
      {TableMergeTypeString, 2, "restart"},
      {TableMergeTypeString, 9, "continue"},
      {TableHeightTypeString, 1, "atLeast"},
      {TableHeightTypeString, -1, "auto"},
      {TableVerticalAlignmentTypeString, 2, "bottom"},
      {TableVerticalAlignmentTypeString, 3, "top"},
      {TableTextAlignmentTypeString, 2, "center"},
      {TableTextAlignmentTypeString, 3, "left"},
      {TableShadingTypeString, 9, "thinDiagCross"},
      {TableShadingTypeString, 11, "nil"},
      {TableLayoutTypeString, 1, "autofit"},
      {TableLayoutTypeString, 2, "fixed"},
      {TableAnchorTypeString, 3, "text"},
      {TableAnchorTypeString, 4, "none"},
      {TableBorderTypeString, 15, "double"},
      {TableBorderTypeString, 26, "thinThickThinSmallGap"},
      {TableBorderTypeString, 30, "none"},
      {LineDashTypeString, 11, "custom"},
      {LineDashTypeString, 12, nullptr},
  };
  for (const auto& c : cases) {
    const char* got = c.fn(c.value);
    if (!c.expected) {
      EXPECT_EQ(got, nullptr) << c.value;
    } else {
      EXPECT_STREQ(got, c.expected) << c.value;
    }
  }
  EXPECT_STREQ(VQDocxUtilities::_underlineValue(5), "normal");
  EXPECT_STREQ(VQDocxUtilities::_underlineValue(6), "dash");
  EXPECT_STREQ(VQDocxUtilities::_scriptValue(0), "none");
  EXPECT_STREQ(VQDocxUtilities::_scriptValue(3), "normal");
  EXPECT_STREQ(VQDocxUtilities::_sectTypeValue(3), "nextColumn");
  EXPECT_STREQ(VQDocxUtilities::_sectTypeValue(0), "auto");
}

TEST(VQDocxTokens, DashPatterns) {
  struct Case {
    std::vector<double> pattern;
    const char* expected;
  };
  const Case cases[] = {
      {{3, 3}, "dash"},         {{3, 1}, "dashDot"},        {{1, 1}, "dot"},
      {{0.5, 0.5}, "shortDot"}, {{6, 2}, "longDash"},       {{2, 1, 1, 1}, "shortDashDotDot"},
      {{2.5}, "shortDash"},     {{2, 0.5}, "shortDashDot"}, {{4, 1, 1}, "longDashDotDot"},
      {{7, 1}, "longDashDot"},  {{0.5, 1.5}, "dot"},        {{}, nullptr},
  };
  for (const auto& c : cases) {
    const char* got = LineDashTypeStringForDashPattern(c.pattern, 1.0);
    if (!c.expected) {
      EXPECT_EQ(got, nullptr);
      EXPECT_EQ(LineDashTypeForDashPattern(c.pattern, 1.0), -1);
    } else {
      EXPECT_STREQ(got, c.expected) << testing::PrintToString(c.pattern);
    }
  }
}

TEST(VQDocxEquality, ColoursRunsParagraphsBordersShadings) {
  EXPECT_TRUE(IsEqualColor({10, 10, 10, 255}, {12, 8, 10, 253}));
  EXPECT_FALSE(IsEqualColor({10, 10, 10, 255}, {13, 10, 10, 255}));
  EXPECT_TRUE(IsAlmostEqualRect(0.5, RectMake(0, 0, 10, 10), RectMake(0.5, -0.5, 10.5, 9.5)));
  EXPECT_FALSE(IsAlmostEqualRect(0.5, RectMake(0, 0, 10, 10), RectMake(0, 0, 10, 10.6)));

  const VQDocx_RPr base = VQDocxUtilities::defaultRProperty();
  struct RunCase {
    const char* name;
    void (*change)(VQDocx_RPr&);
    bool equal;
    bool equalInParagraph;
  };
  const RunCase runs[] = {
      {"language and scale",
       [](VQDocx_RPr& r) {
         VQDocxSetText(r.lang, "fr-FR");
         r.w = 80;
       },
       true, true},
      {"one point larger", [](VQDocx_RPr& r) { r.sz = 13; }, true, true},
      {"one and a half points larger", [](VQDocx_RPr& r) { r.sz = 13.5f; }, false, false},
      {"colour off by one", [](VQDocx_RPr& r) { r.color.red = 1; }, false, true},
      {"another font", [](VQDocx_RPr& r) { VQDocxSetText(r.rFonts.ascii, "Arial"); }, false, true},
      {"another backup font", [](VQDocx_RPr& r) { VQDocxSetText(r.rFonts_backup, "Arial"); }, true, false},
      {"bold", [](VQDocx_RPr& r) { r.b = 1; }, false, true},
      {"subscript", [](VQDocx_RPr& r) { r.scrpit = 2; }, false, true},
  };
  for (const auto& c : runs) {
    SCOPED_TRACE(c.name);
    VQDocx_RPr other = base;
    c.change(other);
    EXPECT_EQ(IsEqualRPr(base, other), c.equal);
    EXPECT_EQ(IsEqualRPr_InParagraph(base, other), c.equalInParagraph);
  }

  const VQDocx_PPr p = VQDocxUtilities::defaultPProperty();
  VQDocx_PPr q = p;
  q.ind.right = 30;
  q.outlineLvl = 1;
  EXPECT_TRUE(IsEqualPPr(p, q));
  q.spacing.after = 0.001f;
  EXPECT_FALSE(IsEqualPPr(p, q));

  const VQDocx_Border single = VQDocxUtilities::defaultBorder_SingleLine();
  VQDocx_Border b = single;
  b.color = {2, 2, 0, 254};
  EXPECT_TRUE(IsEqualBorder(single, b));
  b.space = 0.01f;
  EXPECT_FALSE(IsEqualBorder(single, b));

  VQDocx_Shading s = VQDocxUtilities::defaultShading();
  VQDocx_Shading t = s;
  t.alpha = 0;
  EXPECT_TRUE(IsEqualShading(s, t));
  t.val = 1;
  EXPECT_FALSE(IsEqualShading(s, t));
}

TEST(VQDocxEquality, DisplayedBorderWidth) {
  struct Case {
    int style;
    float size;
    double width;
  };
  const Case cases[] = {{15, 0.6f, 1.0}, {1, 3, 0}, {2, 0.375f, 0.5}, {23, 1, 3}, {22, 1, 2}, {14, 1, 1}};
  for (const auto& c : cases) {
    VQDocx_Border b{};
    b.val = c.style;
    b.sz = c.size;
    EXPECT_DOUBLE_EQ(DisplayBoarderSize(b), c.width) << c.style << " " << c.size;
  }
}

}  // namespace

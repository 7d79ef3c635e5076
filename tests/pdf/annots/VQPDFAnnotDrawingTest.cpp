// Annotations that build their own geometry, seen through the content
// parser's reports in page space.
#include <gtest/gtest.h>

#include "AnnotTestSupport.h"

namespace {

using vqtest::AnnotPage;
using vqtest::PathText;
using vqtest::Report;

std::vector<Report> RunOne(const std::string& syntax) {
  AnnotPage page;
  page.add(syntax);
  return page.run();
}

std::string Rgb(const vq::VQPDFRGB& c) { return fmt::format("{} {} {}", c.r, c.g, c.b); }

TEST(VQPDFAnnotTextMarkup, PathsFromQuadPoints) {
  struct Case {
    const char* syntax;
    const char* path;  // "" when nothing is reported
    bool stroke;
    double width;
    std::vector<double> dash;
  } cases[] = {
      {"<< /Subtype /Highlight /C [1 1 0] /QuadPoints [10 20 110 20 10 5 110 5] >>",
       "M 10 5 L 110 5 L 110 20 L 10 20 Z",
       false,
       0,
       {}},
      // Two quadrilaterals, one path; the width comes from the first (height 12).
      {"<< /Subtype /StrikeOut /C [1 0 0] /QuadPoints [0 12 50 12 0 0 50 0 0 40 10 40 0 20 10 20] >>",
       "M 0 6 L 50 6 M 0 30 L 10 30",
       true,
       1,
       {}},
      {"<< /Subtype /Underline /C [0 0 1] /QuadPoints [0 50 10 50 0 0 10 0] >>", "M 0 2 L 10 2", true, 3, {}},
      {"<< /Subtype /Squiggly /C [0 0 1] /QuadPoints [5 30 25 30 5 10 25 10] >>", "M 5 12 L 25 12", true, 2, {2}},
      // Rotated quadrilateral: its bounding box counts.
      {"<< /Subtype /Underline /C [0 0 1] /QuadPoints [0 10 10 0 -10 0 0 -10] >>", "M -10 -8 L 10 -8", true, 2, {}},
      {"<< /Subtype /Highlight /C [1 1 0] /QuadPoints [10 20 110 20 10 5 110 5 1 2 3 4] >>", "", false, 0, {}},
      {"<< /Subtype /Highlight /C [1 1 0] /QuadPoints [10 20 110 /x 10 5 110 5] >>", "", false, 0, {}},
      // No colour: a highlight paints nothing rather than a black box over the text.
      {"<< /Subtype /Highlight /QuadPoints [10 20 110 20 10 5 110 5] >>", "", false, 0, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.syntax);
    auto reports = RunOne(std::string("<< /Type /Annot /Rect [0 0 1 1] ") + (c.syntax + 2));
    if (*c.path == 0) {
      EXPECT_TRUE(reports.empty());
      continue;
    }
    ASSERT_EQ(reports.size(), 1u);
    const Report& r = reports[0];
    EXPECT_EQ(PathText(r.path), c.path);
    EXPECT_EQ(r.stroke, c.stroke);
    EXPECT_EQ(r.fill, !c.stroke);
    if (c.stroke) {
      EXPECT_EQ(r.lineWidth, c.width);
      EXPECT_EQ(r.dash, c.dash);
    } else {
      EXPECT_EQ(Rgb(r.fillRGB), "255 255 0");
    }
    EXPECT_TRUE(r.annotParsering);
    EXPECT_EQ(r.ctm, vq::AffineTransformIdentity);
  }
}

TEST(VQPDFAnnotGeometry, SquaresAndCircles) {
  struct Case {
    const char* extra;
    bool reported, stroke, fill;
    double width;
    std::vector<double> dash;
  } cases[] = {
      {"/Subtype /Square", true, true, false, 1, {}},
      {"/Subtype /Square /BS << /W 0 >>", false, false, false, 0, {}},
      {"/Subtype /Square /BS << /W 0 >> /IC [0 1 0]", true, false, true, 0, {}},
      {"/Subtype /Square /BS << /W 2 /S /D /D [4 2] >> /IC [0 1 0]", true, true, true, 2, {4, 2}},
      {"/Subtype /Circle /Border [0 0 5]", true, true, false, 1, {}},  // /Border is not the border here
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.extra);
    auto reports = RunOne(fmt::format("<< /Type /Annot /Rect [10 20 50 40] /C [1 0 0] {} >>", c.extra));
    ASSERT_EQ(reports.size(), c.reported ? 1u : 0u);
    if (!c.reported) continue;
    const Report& r = reports[0];
    EXPECT_EQ(r.stroke, c.stroke);
    EXPECT_EQ(r.fill, c.fill);
    EXPECT_EQ(vqtest::RectText(r.path.boundingBox()), "10 20 40 20");
    EXPECT_EQ(r.path.containsCurves(), std::string(c.extra).find("Circle") != std::string::npos);
    if (c.stroke) {
      EXPECT_EQ(Rgb(r.strokeRGB), "255 0 0");
      EXPECT_EQ(r.lineWidth, c.width);
      EXPECT_EQ(r.dash, c.dash);
    }
    if (c.fill) {
      EXPECT_EQ(Rgb(r.fillRGB), "0 255 0");
    }
  }
}

TEST(VQPDFAnnotGeometry, OpacityAndNonRGBColours) {
  auto reports = RunOne("<< /Type /Annot /Subtype /Square /Rect [0 0 10 10] /C [0.5] /IC [0 0 0 1] /CA 0.25 >>");
  ASSERT_EQ(reports.size(), 1u);
  // A gray /C is gray, not a dark red; opacity reaches the state's alpha.
  EXPECT_EQ(Rgb(reports[0].strokeRGB), "127 127 127");
  EXPECT_EQ(reports[0].strokeAlpha, 0.25);
  EXPECT_LT(reports[0].fillRGB.r, 60);
}

TEST(VQPDFAnnotInk, OneReportPerStroke) {
  auto reports = RunOne(
      "<< /Type /Annot /Subtype /Ink /Rect [0 0 100 100] /C [0 0 1] /BS << /W 3 >> "
      "/InkList [[10 10 20 20 30 10] /skip [1 1 2] [50 50 60 60]] >>");
  ASSERT_EQ(reports.size(), 2u);
  EXPECT_EQ(PathText(reports[0].path), "M 10 10 L 20 20 L 30 10");
  EXPECT_EQ(PathText(reports[1].path), "M 50 50 L 60 60");
  for (const auto& r : reports) {
    EXPECT_TRUE(r.stroke);
    EXPECT_FALSE(r.fill);
    EXPECT_EQ(r.lineWidth, 3);
    EXPECT_EQ(Rgb(r.strokeRGB), "0 0 255");
  }
}

TEST(VQPDFAnnotLine, EndingStyles) {
  struct Case {
    const char* extra;
    const char* path;
    bool fill;
  } cases[] = {
      // Open head at the start (width 1: f = 2, heads 3 long and 3 wide), pointing outward.
      {"/LE [/OpenArrow /None] /IC [1 0 0]", "M 10 10 L 110 10 Z M 13 8.5 L 10 10 L 13 11.5 L 10 10", true},
      {"/LE [/None /ClosedArrow]", "M 10 10 L 110 10 Z M 107 11.5 L 110 10 L 107 8.5 Z", false},
      {"/LE [/Butt /Slash] /IC [1 0 0]", "M 10 10 L 110 10 Z", true},
      {"/LE [/Square /None] /BS << /W 2 >>", "M 10 10 L 110 10 Z M 8 8 L 12 8 L 12 12 L 8 12 Z", false},
      {"/LE [/Diamond]", "M 10 10 L 110 10 Z M 13 10 L 11.5 8.5 L 10 10 L 11.5 11.5 Z", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.extra);
    auto reports =
        RunOne(fmt::format("<< /Type /Annot /Subtype /Line /Rect [0 0 200 20] /L [10 10 110 10] {} >>", c.extra));
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(PathText(reports[0].path), c.path);
    EXPECT_TRUE(reports[0].stroke);
    EXPECT_EQ(reports[0].fill, c.fill);
  }
  // Coinciding end points have no direction: the heads are left out.
  auto reports = RunOne("<< /Type /Annot /Subtype /Line /Rect [0 0 1 1] /L [5 5 5 5] /LE [/OpenArrow /ClosedArrow] >>");
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(PathText(reports[0].path), "M 5 5 L 5 5 Z");
}

TEST(VQPDFAnnotFreeText, TextBoxes) {
  struct Case {
    const char* extra;
    const char* font;
    double size;
    int64_t alignment;
    bool stroke, fill;
    const char* strokeRGB;
    const char* fillRGB;
  } cases[] = {
      {"/DA (1 0 0 rg /Arial,Bold 9 Tf) /Q 1", "Arial,Bold", 9, 2, true, false, "255 0 0", ""},
      {"/Q 2 /IC [0 1 0]", "Helvetica", 10, 1, true, false, "0 0 0", ""},
      {"/DA (/Helv 0 Tf 0 g) /C [0 0 1] /BS << /W 0 >>", "Helv", 10, 0, false, true, "", "0 0 255"},
      {"/C [0 0 1] /IC [0 1 0] /BS << /W 2 /S /D >>", "Helvetica", 10, 0, true, true, "0 0 255", "0 255 0"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.extra);
    auto reports = RunOne(
        fmt::format("<< /Type /Annot /Subtype /FreeText /Rect [300 400 100 350] /Contents (Hello) {} >>", c.extra));
    ASSERT_EQ(reports.size(), 1u);
    const Report& r = reports[0];
    EXPECT_EQ(r.kind, "textbox");
    EXPECT_EQ(vqtest::RectText(r.box), "100 350 200 50");
    EXPECT_EQ(r.text, "Hello");
    EXPECT_EQ(r.fontName, c.font);
    EXPECT_EQ(r.fontSize, c.size);
    EXPECT_EQ(r.alignment, c.alignment);
    EXPECT_EQ(r.stroke, c.stroke);
    EXPECT_EQ(r.fill, c.fill);
    if (c.stroke) {
      EXPECT_EQ(Rgb(r.strokeRGB), c.strokeRGB);
    }
    if (c.fill) {
      EXPECT_EQ(Rgb(r.fillRGB), c.fillRGB);
    }
  }
}

}  // namespace

namespace {

TEST(VQPDFAnnot, MalformedEntriesGiveDefaultsOrNothing) {
  struct Case {
    const char* syntax;
    size_t reports;
  } cases[] = {
      {"<< /Type /Annot /Subtype /Square /Rect (oops) /C [1 0 0] >>", 1},  // the default 1 x 1 rectangle
      {"<< /Type /Annot /Subtype /Ink /InkList 5 >>", 0},
      {"<< /Type /Annot /Subtype /Ink /InkList [[1 2 3] [/a /b] []] >>", 0},
      {"<< /Type /Annot /Subtype /Line /L [1 2] /LE /OpenArrow >>", 1},
      {"<< /Type /Annot /Subtype /Widget /AP << /N << /On 5 >> >> /AS /On >>", 0},
      {"<< /Type /Annot /Subtype /Widget /AP 7 >>", 0},
      {"<< /Type /Annot /Subtype /Highlight /QuadPoints 3 /C [1 0 0] >>", 0},
      {"<< /Type /Annot /Subtype /FreeText /DA 12 /Q /x /BS 4 >>", 1},
      {"<< /Type /Annot /Subtype /Square /Rect [0 0 99999999999999999999999.5 1] /BS << /W -3 >> >>", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.syntax);
    AnnotPage page;
    page.add(c.syntax);
    page.add("null");
    page.add("[1 2 3]");
    EXPECT_EQ(page.run().size(), c.reports);
  }
}

}  // namespace

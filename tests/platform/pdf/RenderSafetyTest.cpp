#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

#include <fmt/format.h>

#include "platform/pdf/PdfDocument.h"
#include "platform/pdf/PdfRenderSafety.h"
#include "support/TestSupport.h"

using vq::pdf::Document;

namespace {

// A page whose seven forms each name all seven in a direct resource
// dictionary; the last one also names a Type 0 font encoded by `cmap`
// (object 13 uses itself, object 14 is plain).
bool loopingCMapFound(const std::string& cmap) {
  std::string forms;
  for (int i = 0; i < 7; ++i) forms += fmt::format("/F{} {} 0 R ", i, 5 + i);
  const std::string resources = "<< /XObject << " + forms + ">> /Font << /T0 12 0 R >> >>";
  std::vector<std::string> objects = {
      "<< /Type /Catalog /Pages 2 0 R >>",
      "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
      "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] /Contents 4 0 R /Resources << /XObject << " + forms +
          ">> >> >>",
      vqtest::PDFStream("/F0 Do"),
  };
  for (int i = 0; i < 7; ++i)
    objects.push_back("<< /Type /XObject /Subtype /Form /BBox [0 0 1 1] /Resources " + resources +
                      " /Length 0 >>\nstream\n\nendstream");
  objects.push_back("<< /Type /Font /Subtype /Type0 /BaseFont /Foo /Encoding " + cmap + " /DescendantFonts [] >>");
  objects.push_back("<< /Type /CMap /UseCMap 13 0 R /Length 0 >>\nstream\n\nendstream");
  objects.push_back("<< /Type /CMap /Length 0 >>\nstream\n\nendstream");
  vqtest::ScratchDir dir;
  const auto path = (dir / "forms.pdf").string();
  std::ofstream(path, std::ios::binary) << vqtest::BuildPDF(objects);
  auto doc = Document::open(path, "");
  EXPECT_TRUE(doc);
  return doc && vq::pdf::PageRendererHazard(*doc->page(1), 72, 72) == "a font's CMap uses itself";
}

}  // namespace

// Forms that name one another through direct resource dictionaries are
// walked once each: the walk ends without recursing deep, and still finds
// a CMap that uses itself.
TEST(RenderSafety, FormsNamingEachOtherAreWalkedOnce) {
  EXPECT_TRUE(loopingCMapFound("13 0 R"));
  EXPECT_FALSE(loopingCMapFound("14 0 R"));
}

// A calculator function nested one level too deep is found wherever a page
// can paint with it; one at the deepest allowed nesting is no hazard.
TEST(RenderSafety, DeepCalculatorFunctionIsFoundWhereverItPaints) {
  struct Case {
    const char* where;
    const char* resources;  // object 5 is the function, 6 a form painting with it
  };
  const Case cases[] = {
      {"shading",
       "<< /Shading << /S << /ShadingType 2 /ColorSpace /DeviceGray /Coords [0 0 1 0] /Function 5 0 R >> >> >>"},
      {"shading pattern",
       "<< /Pattern << /P << /PatternType 2 /Shading << /ShadingType 2 /ColorSpace /DeviceGray /Coords [0 0 1 0] "
       "/Function [5 0 R] >> >> >> >>"},
      {"separation space", "<< /ColorSpace << /C [/Separation /Spot /DeviceGray 5 0 R] >> >>"},
      {"indexed on separation", "<< /ColorSpace << /C [/Indexed [/Separation /S /DeviceGray 5 0 R] 0 <00>] >> >>"},
      {"transfer function", "<< /ExtGState << /G << /TR 5 0 R >> >> >>"},
      {"stitching function",
       "<< /Shading << /S << /ShadingType 1 /ColorSpace /DeviceGray /Function << /FunctionType 3 /Domain [0 1] "
       "/Bounds [] /Encode [0 1] /Functions [5 0 R] >> >> >> >>"},
      {"form", "<< /XObject << /X 6 0 R >> >>"},
  };
  const auto program = [](int levels) {
    std::string text;
    for (int i = 0; i < levels; ++i) text += "{ ";
    for (int i = 0; i < levels; ++i) text += i + 1 < levels ? "} if " : "}";
    return text;
  };
  for (const Case& c : cases) {
    for (int levels : {vq::pdf::kMostPostScriptNesting, vq::pdf::kMostPostScriptNesting + 1}) {
      SCOPED_TRACE(fmt::format("{}, {} levels", c.where, levels));
      const std::string text = program(levels);
      vqtest::ScratchDir dir;
      const auto path = (dir / "deep.pdf").string();
      std::ofstream(path, std::ios::binary) << vqtest::BuildPDF({
          "<< /Type /Catalog /Pages 2 0 R >>",
          "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
          fmt::format("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 10 10] /Contents 4 0 R /Resources {} >>",
                      c.resources),
          vqtest::PDFStream("0 0 1 1 re f"),
          fmt::format("<< /FunctionType 4 /Domain [0 1] /Range [0 1] /Length {} >>\nstream\n{}\nendstream", text.size(),
                      text),
          "<< /Type /XObject /Subtype /Form /BBox [0 0 1 1] /Resources << /ColorSpace << /C [/DeviceN [/A] "
          "/DeviceGray 5 0 R] >> >> /Length 0 >>\nstream\n\nendstream",
      });
      auto doc = Document::open(path, "");
      ASSERT_TRUE(doc);
      EXPECT_EQ(vq::pdf::PageRendererHazard(*doc->page(1), 72, 72).has_value(),
                levels > vq::pdf::kMostPostScriptNesting);
    }
  }
}

namespace {

// The drawing work of a one-page file of 100 x 100 points whose page
// content is `content`, with `resources` and further objects from 5 on.
vq::pdf::PageDrawingWork workOf(const std::string& content, const std::string& resources,
                                const std::vector<std::string>& more, double dpi = 72) {
  std::vector<std::string> objects = {
      "<< /Type /Catalog /Pages 2 0 R >>",
      "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
      "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 100 100] /Contents 4 0 R /Resources " + resources + " >>",
      vqtest::PDFStream(content),
  };
  objects.insert(objects.end(), more.begin(), more.end());
  vqtest::ScratchDir dir;
  const auto path = (dir / "work.pdf").string();
  std::ofstream(path, std::ios::binary) << vqtest::BuildPDF(objects);
  auto doc = Document::open(path, "");
  EXPECT_TRUE(doc);
  return doc ? vq::pdf::EstimatePageDrawingWork(*doc->page(1), dpi, dpi) : vq::pdf::PageDrawingWork{};
}

std::string streamObject(const std::string& dictionary, const std::string& data) {
  return fmt::format("<< {} /Length {} >>\nstream\n{}\nendstream", dictionary, data.size(), data);
}

// Forms 5 .. 5+levels-1, each drawing the one before it four times (the
// first fills a square); the page draws the last.
vq::pdf::PageDrawingWork fanOut(int levels) {
  std::vector<std::string> forms = {streamObject("/Type /XObject /Subtype /Form /BBox [0 0 10 10]", "0 0 1 1 re f")};
  for (int i = 1; i < levels; ++i)
    forms.push_back(streamObject(
        fmt::format("/Type /XObject /Subtype /Form /BBox [0 0 10 10] /Resources << /XObject << /Y {} 0 R >> >>", 4 + i),
        "/Y Do /Y Do /Y Do /Y Do"));
  return workOf("/X Do", fmt::format("<< /XObject << /X {} 0 R >> >>", 4 + levels), forms);
}

}  // namespace

// Forms drawing forms are counted by every draw, each form read once: a
// fan-out of 4^k is counted exactly while it is small, and at a size no
// walk could finish it is still counted at once and refused.
TEST(RenderSafety, FormFanOutIsCountedDrawByDraw) {
  EXPECT_EQ(fanOut(6).formDraws, (std::pow(4.0, 6) - 1) / 3);
  const auto huge = fanOut(31);
  EXPECT_EQ(huge.formDraws, (std::pow(4.0, 31) - 1) / 3);
  const auto why = vq::pdf::DrawingWorkTooLarge(huge);
  ASSERT_TRUE(why);
  EXPECT_NE(why->find("forms draw one another"), std::string::npos) << *why;
  EXPECT_FALSE(vq::pdf::DrawingWorkTooLarge(fanOut(6)));
}

// A tiling pattern costs a cell per step over the area it fills, in its own
// space, whatever draws it; its cells' own forms count once per cell.
TEST(RenderSafety, PatternCellsAreCountedOverTheFilledArea) {
  const auto pattern = [](double step, const std::string& cell) {
    return streamObject(fmt::format("/Type /Pattern /PatternType 1 /PaintType 1 /TilingType 1 /BBox [0 0 1 1] "
                                    "/XStep {} /YStep {} /Resources << /XObject << /C 6 0 R >> >>",
                                    step, step),
                        cell);
  };
  const std::string cellForm = streamObject("/Type /XObject /Subtype /Form /BBox [0 0 1 1]", "0 0 1 1 re f");
  const std::string resources = "<< /Pattern << /P 5 0 R >> /XObject << /F 7 0 R >> >>";
  // A form that fills a 10 x 10 square with the page's pattern, drawn
  // twice at half the size: the cells stay as many.
  const std::string filler =
      streamObject("/Type /XObject /Subtype /Form /BBox [0 0 100 100] /Resources << /Pattern << /P 5 0 R >> >>",
                   "/Pattern cs /P scn 0 0 10 10 re f");
  struct Case {
    const char* what;
    std::string content;
    double step;
    double cells;
  } cases[] = {
      {"square", "/Pattern cs /P scn 0 0 10 10 re f", 1, 100},
      {"square, a thousandth of the cell", "/Pattern cs /P scn 10 10 m 20 10 l 20 20 l 10 20 l h f", 0.001, 1e8},
      {"scaled form, twice", "q 0.5 0 0 0.5 0 0 cm /F Do Q /F Do", 1, 200},
      {"clipped to the page", "/Pattern cs /P scn -50 -50 500 500 re f", 2, 2500},
      {"colour set again", "/Pattern cs /P scn 0 1 0 sc 0 0 10 10 re f", 1, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const auto work = workOf(c.content, resources, {pattern(c.step, "/C Do"), cellForm, filler});
    EXPECT_DOUBLE_EQ(work.patternCells, c.cells);
    // Each cell draws form 6, and the case's own forms are drawn too.
    EXPECT_DOUBLE_EQ(work.formDraws, c.cells + (c.content.find("/F Do") != std::string::npos ? 2 : 0));
    EXPECT_EQ(vq::pdf::DrawingWorkTooLarge(work).has_value(), c.cells > vq::pdf::kMostPatternCells);
  }
}

// A mesh shading's pieces are read from its data, and the pixels they
// cover grow with the resolution: a stream declaring many patches is
// refused, a few large triangles are refused at a resolution where they
// cover the page many times over.
TEST(RenderSafety, MeshShadingPiecesAndPixelsAreReadFromItsData) {
  const auto mesh = [](int type, const std::string& data) {
    return workOf("/S sh", "<< /Shading << /S 5 0 R >> >>",
                  {streamObject(fmt::format("/ShadingType {} /ColorSpace /DeviceGray /BitsPerCoordinate 8 "
                                            "/BitsPerComponent 8 /BitsPerFlag 8 /Decode [0 100 0 100 0 1]",
                                            type),
                                data)});
  };
  // Type 4: a triangle of half the page (flag, x, y, grey per vertex), then
  // one more sharing its last edge (flag 1).
  std::string triangles = std::string("\0\0\0\0", 4) + std::string("\0\xff\0\0", 4) + std::string("\0\xff\xff\0", 4);
  triangles += std::string("\1\0\xff\0", 4);
  auto work = mesh(4, triangles);
  EXPECT_EQ(work.meshPieces, 2);
  EXPECT_NEAR(work.meshPixels, 10000, 1);  // two halves of 100 x 100 pixels
  // Type 6: patches of 12 points and 4 colours (1 + 24 + 4 bytes), each
  // spanning the page: a few thousand are drawn, ten times as many are not.
  const auto patches = [&](int count) {
    std::string data;
    for (int i = 0; i < count; ++i) {
      data += '\0';
      for (int p = 0; p < 12; ++p) data += std::string(p % 2 ? "\0\0" : "\xff\xff", 2);
      data += std::string(4, '\x80');
    }
    return mesh(6, data);
  };
  work = patches(4000);
  EXPECT_EQ(work.meshPieces, 4000);
  EXPECT_NEAR(work.meshPixels, 4000 * 10000, 1);
  EXPECT_FALSE(vq::pdf::DrawingWorkTooLarge(work));
  EXPECT_TRUE(vq::pdf::DrawingWorkTooLarge(patches(40000)));
  // 3,000 random-looking vertices: a thousand triangles all over the page.
  std::string scattered;
  for (int i = 0; i < 3000; ++i) scattered += std::string{'\0', char(i * 37 % 256), char(i * 101 % 256), '\0'};
  const double at72 = mesh(4, scattered).meshPixels;
  EXPECT_FALSE(vq::pdf::DrawingWorkTooLarge(mesh(4, scattered)));
  const auto atHigh = workOf("/S sh", "<< /Shading << /S 5 0 R >> >>",
                             {streamObject("/ShadingType 4 /ColorSpace /DeviceGray /BitsPerCoordinate 8 "
                                           "/BitsPerComponent 8 /BitsPerFlag 8 /Decode [0 100 0 100 0 1]",
                                           scattered)},
                             72 * 20);
  EXPECT_NEAR(atHigh.meshPixels, at72 * 400, at72);
  EXPECT_TRUE(vq::pdf::DrawingWorkTooLarge(atHigh));
}

// A picture whose declared size passes the engine's image bound (its sides
// or their product, the one 65537 x 65537 that wraps 32-bit sizes) is
// refused before the renderer sizes a buffer from it, wherever the page
// draws it; one that is merely large, or only named in the resources,
// is drawn.
TEST(RenderSafety, PicturesDeclaredTooLargeAreRefused) {
  const auto image = [](const std::string& size) {
    return streamObject("/Type /XObject /Subtype /Image " + size + " /ColorSpace /DeviceCMYK /BitsPerComponent 16",
                        std::string(30, '\0'));
  };
  const std::string form =
      streamObject("/Type /XObject /Subtype /Form /BBox [0 0 1 1] /Resources << /XObject << /I 5 0 R >> >>", "/I Do");
  struct Case {
    const char* what;
    std::string content, size;
    const char* refused;  // the size said, or null
  } cases[] = {
      {"product wraps", "/I Do", "/Width 65537 /Height 65537", "65537 x 65537"},
      {"both sides at the most", "/I Do", "/Width 2147483647 /Height 2147483647", "2147483647 x 2147483647"},
      {"too many pixels, drawn by a form", "/F Do", "/Width 20000 /Height 20000", "20000 x 20000"},
      {"inline", "BI /W 70000 /H 1 /CS /G /BPC 8 ID \x01 EI", "/Width 1 /Height 1", "70000 x 1"},
      {"large, within the bound", "/I Do", "/Width 10000 /Height 10000", nullptr},
      {"only named", "0 0 1 1 re f", "/Width 65537 /Height 65537", nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const auto work = workOf(c.content, "<< /XObject << /I 5 0 R /F 6 0 R >> >>", {image(c.size), form});
    const auto why = vq::pdf::DrawingWorkTooLarge(work);
    ASSERT_EQ(why.has_value(), c.refused != nullptr);
    if (c.refused) {
      EXPECT_EQ(*why, fmt::format("a picture of {} pixels is larger than the renderer draws", c.refused));
    }
  }
}

// The pictures a Type 3 font's glyphs draw are refused as the page's own
// are, whether inline or named in the font's resources, once its text is
// shown by any of the operators that show text, even through a glyph that
// shows its own font; a font only selected draws nothing.
TEST(RenderSafety, PicturesInType3GlyphsAreRefused) {
  const std::string huge = "/Width 65537 /Height 65537", inlineHuge = "BI /W 65537 /H 65537 /CS /G /BPC 8 ID \x01 EI";
  struct Case {
    const char* what;
    std::string content, glyph, size;
    bool refused;
  } cases[] = {
      {"an inline picture", "BT /T 12 Tf (a) Tj ET", inlineHuge, "/Width 1 /Height 1", true},
      {"a picture of the font's resources", "BT /T 12 Tf [(a)] TJ ET", "/I Do", huge, true},
      {"text shown on the next line", "BT /T 12 Tf 14 TL (a) ' ET", "/I Do", huge, true},
      {"a glyph showing its own font", "BT /T 12 Tf 0 0 (a) \" ET", "BT /G 1 Tf (a) Tj ET /I Do", huge, true},
      {"a font selected, no text shown", "BT /T 12 Tf ET", inlineHuge, huge, false},
      {"a picture within the bound", "BT /T 12 Tf (a) Tj ET", "/I Do", "/Width 10000 /Height 10000", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const auto work = workOf(
        c.content, "<< /Font << /T 6 0 R >> >>",
        {streamObject("/Type /XObject /Subtype /Image " + c.size + " /ColorSpace /DeviceGray /BitsPerComponent 8", "x"),
         "<< /Type /Font /Subtype /Type3 /FontBBox [0 0 1 1] /FontMatrix [1 0 0 1 0 0] /CharProcs << /a 7 0 R >> "
         "/Encoding << /Differences [97 /a] >> /FirstChar 97 /LastChar 97 /Widths [1] "
         "/Resources << /XObject << /I 5 0 R >> /Font << /G 6 0 R >> >> >>",
         streamObject("", "1 0 0 0 1 1 d1 " + c.glyph)});
    const auto why = vq::pdf::DrawingWorkTooLarge(work);
    ASSERT_EQ(why.has_value(), c.refused);
    if (c.refused) {
      EXPECT_EQ(*why, "a picture of 65537 x 65537 pixels is larger than the renderer draws");
    }
  }
}

// Marked-content sections nested deep cost the renderer the square of their
// depth (each operator looks through every section open at it); many flat
// sections, or a few nested ones, cost their number. A form counts each
// time it is drawn.
TEST(RenderSafety, DeepMarkedContentIsCountedByTheSectionsOpen) {
  const auto repeat = [](const std::string& piece, int times) {
    std::string out;
    for (int i = 0; i < times; ++i) out += piece;
    return out;
  };
  const auto nested = [&](int depth, const std::string& inside) {
    return repeat("/X BMC ", depth) + inside + repeat("EMC ", depth);
  };
  const std::string form = streamObject("/Type /XObject /Subtype /Form /BBox [0 0 1 1]", nested(100, ""));
  struct Case {
    const char* what;
    std::string content;
    double steps;
  } cases[] = {
      {"nested 100 deep, a fill inside", nested(100, "0 0 1 1 re f "), 100 * 101 + 100},
      {"flat, 50,000 times", repeat("/X BDC EMC ", 50000), 2 * 50000},
      {"a form nesting 100 deep, drawn inside a section three times", "/X BMC /F Do /F Do /F Do EMC",
       3 * (100 * 101) + 1 + 3 + 1},
      {"nested 20,000 deep", nested(20000, ""), 20000.0 * 20001},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const auto work = workOf(c.content, "<< /XObject << /F 5 0 R >> >>", {form});
    EXPECT_DOUBLE_EQ(work.markedContentSteps, c.steps);
    EXPECT_EQ(vq::pdf::DrawingWorkTooLarge(work).has_value(), c.steps > vq::pdf::kMostMarkedContentSteps);
  }
}

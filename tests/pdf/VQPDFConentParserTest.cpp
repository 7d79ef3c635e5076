#include "pdf/VQPDFConentParser.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <string>
#include <vector>

#include "ParserRecorder.h"
#include "PdfFixture.h"

using vqtest::Recorder;
using vqtest::RunContent;

namespace {

struct LinesCase {
  const char* name;
  std::string content;
  std::vector<std::string> expected;
};

void ExpectLines(const LinesCase& c, const vq::pdf::Object& resources = vq::pdf::Object()) {
  SCOPED_TRACE(c.name);
  Recorder r;
  RunContent(c.content, resources, &r);
  EXPECT_EQ(r.lines, c.expected);
}

}  // namespace

TEST(VQPDFConentParser, TextPlacement) {
  const LinesCase cases[] = {
      {"Tm and advance",
       "BT 1 0 0 1 100 200 Tm <4142> Tj ET",
       {"text 'A' at 100 200 +5 0 #1/1", "text 'B' at 105 200 +5 0 #1/1"}},
      // A: (5 + 2) * 0.5; NBSP: reported as a space but no code 32, so no
      // word spacing: (2.5 + 2) * 0.5; code 32 without text: no report, no
      // character spacing, but its word spacing: (2.5 + 3) * 0.5.
      {"Tc Tw Tz",
       "BT 2 Tc 3 Tw 50 Tz <4103412041> Tj ET",
       {"text 'A' at 0 0 +5 0 #1/1", "text ' ' at 3.5 0 +2.5 0 #1/1", "text 'A' at 5.75 0 +5 0 #1/1",
        "text 'A' at 12 0 +5 0 #1/1"}},
      // The blank-like mappings of codes other than 32 take no word spacing.
      {"Tw only for code 32", "BT 3 Tw <0541> Tj ET", {"text ' ' at 0 0 +2.5 0 #1/1", "text 'A' at 2.5 0 +5 0 #1/1"}},
      // -500 of size 10 is 5, halved by Tz 50 as the glyphs are.
      {"TJ number scaled like advances",
       "BT 50 Tz [<41> -500 <41>] TJ ET",
       {"text 'A' at 0 0 +5 0 #1/1", "text 'A' at 5 0 +5 0 #1/1"}},
      {"TJ number under negative scaling",
       "BT -100 Tz [<41> 300 <41>] TJ ET",
       {"text 'A' at 0 0 +5 0 #1/1", "text 'A' at -2 0 +5 0 #1/1"}},
      {"TJ counts once, BT counts blocks",
       "BT <41> Tj [<41> (A)] TJ ET BT <41> ' ET",
       {"text 'A' at 0 0 +5 0 #1/1", "text 'A' at 5 0 +5 0 #1/2", "text 'A' at 10 0 +5 0 #1/2",
        "text 'A' at 0 0 +5 0 #2/3"}},
      {"quote uses leading", "BT 14 TL 0 100 Td <41> ' ET", {"text 'A' at 0 86 +5 0 #1/1"}},
      {"TD sets leading for T*",
       "BT 0 100 Td 0 -14 TD <41> Tj T* <41> Tj ET",
       {"text 'A' at 0 86 +5 0 #1/1", "text 'A' at 0 72 +5 0 #1/2"}},
      {"double quote sets spacing",
       "BT 0 100 Td 20 TL 1 2 <4141> \" ET",
       {"text 'A' at 0 80 +5 0 #1/1", "text 'A' at 7 80 +5 0 #1/1"}},
      {"unicode clean-up",
       "BT <01020405> Tj ET",
       {"text '\U0001F600' at 0 0 +10 0 #1/1", "text 'ffi' at 10 0 +7.5 0 #1/1", "text '\u2010' at 17.5 0 +3 0 #1/1",
        "text ' ' at 20.5 0 +2.5 0 #1/1"}},
      {"rise and render mode leave the advance",
       "BT 5 Ts 3 Tr <4141> Tj ET",
       {"text 'A' at 0 0 +5 0 #1/1", "text 'A' at 5 0 +5 0 #1/1"}},
      {"bad operands change nothing", "BT /X Tc (x) Tz <41> /N Tj <41> Tj ET", {"text 'A' at 0 0 +5 0 #1/1"}},
  };
  for (const auto& c : cases) ExpectLines(c);
}

// Word spacing widens the one-byte code 32 only: a composite font's
// two-byte <0020> is a blank without it, while a one-byte code 32 of a
// composite font's own CMap and a simple font's code 32 take it.
TEST(VQPDFConentParser, WordSpacingWidensOneByteCode32Only) {
  vqtest::PdfFixture fx;
  const std::string toUnicode =
      "/CIDInit /ProcSet findresource begin 12 dict begin begincmap /CMapName /U def /CMapType 2 def "
      "1 begincodespacerange <0000> <FFFF> endcodespacerange 2 beginbfchar <0020> <0020> <0041> <0041> endbfchar "
      "endcmap CMapName currentdict /CMap defineresource pop end end";
  const std::string oneByte =
      "/CIDInit /ProcSet findresource begin 12 dict begin begincmap /CMapName /OneByte def "
      "/CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >> def "
      "1 begincodespacerange <00> <FF> endcodespacerange 1 begincidrange <00> <FF> 0 endcidrange "
      "endcmap CMapName currentdict /CMap defineresource pop end end";
  const std::string descendant =
      "<< /Type /Font /Subtype /CIDFontType2 /BaseFont /Blank /CIDSystemInfo << /Registry (Adobe) /Ordering "
      "(Identity) /Supplement 0 >> /DW 500 >>";
  QPDFObjectHandle resources = fx.handle(
      "<< /Font << /H << /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >> "
      "/C << /Type /Font /Subtype /Type0 /BaseFont /Blank /Encoding /Identity-H >> "
      "/O << /Type /Font /Subtype /Type0 /BaseFont /Blank >> >> >>");
  for (const char* key : {"/C", "/O"}) {
    QPDFObjectHandle font = resources.getKey("/Font").getKey(key);
    font.replaceKey("/DescendantFonts", fx.handle("[]"));
    font.getKey("/DescendantFonts").appendItem(fx.handle(descendant));
    font.replaceKey("/ToUnicode", fx.streamHandle("<< >>", toUnicode));
  }
  resources.getKey("/Font").getKey("/O").replaceKey("/Encoding", fx.streamHandle("<< /Type /CMap >>", oneByte));
  const LinesCase cases[] = {
      {"two-byte <0020>",
       "BT /C 10 Tf 4 Tw <004100200041> Tj ET",
       {"text 'A' at 0 0 +5 0 #1/1", "text ' ' at 5 0 +5 0 #1/1", "text 'A' at 10 0 +5 0 #1/1"}},
      {"one-byte code 32 of a composite font",
       "BT /O 10 Tf 4 Tw (A A) Tj ET",
       {"text 'A' at 0 0 +5 0 #1/1", "text ' ' at 5 0 +5 0 #1/1", "text 'A' at 14 0 +5 0 #1/1"}},
      {"simple font",
       "BT /H 10 Tf 4 Tw 50 Tz (A A) Tj ET",
       {"text 'A' at 0 0 +6.67 0 #1/1", "text ' ' at 3.335 0 +2.78 0 #1/1", "text 'A' at 6.725 0 +6.67 0 #1/1"}},
  };
  for (const auto& c : cases) ExpectLines(c, fx.wrap(resources));
}

TEST(VQPDFConentParser, TextOrdinalsAroundARun) {
  vqtest::PdfFixture fx;
  auto stream = std::make_shared<vq::pdf::ContentStream>(std::vector<std::string>{"BT ET"}, vq::pdf::Object());
  vq::VQPDFConentParser parser(vq::pdf::Object(), stream);
  EXPECT_EQ(parser.scanOperatorIndex_BegainText, 0u);
  parser.startParser();
  EXPECT_EQ(parser.scanOperatorIndex_BegainText, ~uint64_t{0});
  EXPECT_EQ(parser.scanOperatorIndex_ShowText, ~uint64_t{0});
}

TEST(VQPDFConentParser, SaveRestoreAndStackBottom) {
  Recorder r;
  auto stack = RunContent("5 w 0 0 10 10 re W n q 2 w 1 0 0 rg 0 0 5 5 re W n", vq::pdf::Object(), &r);
  ASSERT_EQ(stack->depth(), 2u);
  auto& below = *stack->renderStateArray[0];
  auto& top = *stack->renderStateArray[1];
  EXPECT_EQ(below.lineWidth, 5);
  EXPECT_EQ(top.lineWidth, 2);
  EXPECT_EQ(below.currentFillRGBColor(), (vq::VQPDFRGB{0, 0, 0}));
  EXPECT_EQ(top.currentFillRGBColor(), (vq::VQPDFRGB{255, 0, 0}));
  ASSERT_EQ(below.clipBezierPaths.size(), 1u);
  ASSERT_EQ(top.clipBezierPaths.size(), 2u);
  EXPECT_EQ(top.clipBezierPaths[0], below.clipBezierPaths[0]);  // records are shared

  // Popping the only state leaves a fresh default state, not the popped one.
  stack = RunContent("5 w 1 0 0 1 3 3 cm Q Q", vq::pdf::Object(), &r);
  ASSERT_EQ(stack->depth(), 1u);
  EXPECT_EQ(stack->topRenderingState().lineWidth, 1);
  EXPECT_TRUE(vq::AffineTransformIsIdentity(stack->topRenderingState().ctm));
  EXPECT_EQ(stack->topRenderingState().lineFlatness, 0.6000000238418579);
  EXPECT_TRUE(r.lines.empty());
}

TEST(VQPDFConentParser, PathsClipsAndAlpha) {
  vqtest::PdfFixture fx;
  auto resources =
      fx.object("<< /ExtGState << /Faint << /ca 0.005 >> /NoFill << /ca 0 /CA 1 >> /NoStroke << /CA 0.004 >> >> >>");
  struct Case {
    const char* name;
    std::string content;
    std::vector<std::string> lines;
    std::vector<std::string> clips;
  };
  const Case cases[] = {
      {"W n clips only", "0 0 100 100 re W n", {}, {"1 M 0 0 L 100 0 L 100 100 L 0 100 Z"}},
      {"W* f fills then clips",
       "2 0 0 2 10 10 cm 0 0 5 5 re W* f",
       {"path sfalse ftrue eofalse M 10 10 L 20 10 L 20 20 L 10 20 Z"},
       {"2 M 10 10 L 20 10 L 20 20 L 10 20 Z"}},
      {"clip render mode hides but clips", "7 Tr 0 0 5 5 re W f", {}, {"1 M 0 0 L 5 0 L 5 5 L 0 5 Z"}},
      {"render mode 3 is not a clip mode",
       "3 Tr 0 0 1 1 re f",
       {"path sfalse ftrue eofalse M 0 0 L 1 0 L 1 1 L 0 1 Z"},
       {}},
      {"faint fill skipped", "/Faint gs 0 0 5 5 re f", {}, {}},
      {"stroke keeps B visible", "/NoFill gs 0 0 1 1 re B", {"path strue ftrue eofalse M 0 0 L 1 0 L 1 1 L 0 1 Z"}, {}},
      {"faint stroke skipped", "/NoStroke gs 0 0 1 1 re S", {}, {}},
      {"curves and closing",
       "0 0 m 10 0 l 10 10 20 20 30 30 c 40 40 50 50 v 60 60 70 70 y b*",
       {"path strue ftrue eotrue M 0 0 L 10 0 C 10 10 20 20 30 30 C 30 30 40 40 50 50 C 60 60 70 70 70 70 Z"},
       {}},
      {"empty path reports nothing", "S f n", {}, {}},
      {"path ends after paint",
       "0 0 1 1 re S 5 5 m 6 6 l s",
       {"path strue ffalse eofalse M 0 0 L 1 0 L 1 1 L 0 1 Z", "path strue ffalse eofalse M 5 5 L 6 6 Z"},
       {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Recorder r;
    auto stack = RunContent(c.content, resources, &r);
    EXPECT_EQ(r.lines, c.lines);
    std::vector<std::string> clips;
    for (const auto& clip : stack->topRenderingState().clipBezierPaths) {
      clips.push_back(fmt::format("{} {}", clip->clipType, vqtest::PathText(clip->path)));
    }
    EXPECT_EQ(clips, c.clips);
  }
}

TEST(VQPDFConentParser, ColourOperators) {
  vqtest::PdfFixture fx;
  std::string table;
  for (int i = 0; i < 256; ++i) table += {static_cast<char>(i), '\0', static_cast<char>(255 - i)};
  QPDFObjectHandle indexed = fx.handle("[/Indexed /DeviceRGB 255 ()]");
  indexed.setArrayItem(3, QPDFObjectHandle::newString(table));
  QPDFObjectHandle resources = fx.handle(
      "<< /ColorSpace << /Sep [/Separation /Spot /DeviceRGB << /FunctionType 2 /Domain [0 1] /C0 [1 1 1] /C1 [0 0 0] "
      "/N 1 >>] /L [/Lab << /WhitePoint [0.9505 1 1.089] >>] /P0 /Pattern /UP [/Pattern /DeviceRGB] >> "
      "/Pattern << /Pat1 << /PatternType 2 >> >> >>");
  resources.getKey("/ColorSpace").replaceKey("/Idx", indexed);
  struct Case {
    const char* name;
    std::string content;
    std::string expected;  // fill and stroke after the run
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {"g truncates", "0.5 g", "fill DeviceGray 127 127 127 c0=127 | stroke DeviceRGB 0 0 0 c0=0", {}},
      {"rg and G", "0.2 0.4 0.6 rg 1 G", "fill DeviceRGB 51 102 153 c0=51 | stroke DeviceGray 255 255 255 c0=255", {}},
      {"k", "1 0 0 0 k", "fill DeviceCMYK 0 172 239 c0=255 | stroke DeviceRGB 0 0 0 c0=0", {}},
      {"sc in operand order",
       "/DeviceRGB cs 0.2 0.4 0.6 sc",
       "fill DeviceRGB 51 102 153 c0=51 | stroke DeviceRGB 0 0 0 c0=0",
       {}},
      {"one-component sc copies",
       "/DeviceGray CS 0.5 SC",
       "fill DeviceRGB 0 0 0 c0=0 | stroke DeviceGray 127 127 127 c0=127",
       {}},
      {"indexed above 128", "/Idx cs 200 sc", "fill Indexed 200 0 55 c0=51000 | stroke DeviceRGB 0 0 0 c0=0", {}},
      {"separation", "/Sep cs 0.5 scn", "fill Separation 128 128 128 c0=127 | stroke DeviceRGB 0 0 0 c0=0", {}},
      {"lab", "/L cs 100 0 0 sc", "fill Lab 255 255 255 c0=25500 | stroke DeviceRGB 0 0 0 c0=0", {}},
      {"unknown space keeps the colour",
       "0.5 g /Missing cs",
       "fill DeviceGray 127 127 127 c0=127 | stroke DeviceRGB 0 0 0 c0=0",
       {}},
      {"pattern fill",
       "/P0 cs /Pat1 scn 0 0 5 5 re f",
       "fill Pattern 0 0 0 c0=0 pattern Pat1 | stroke DeviceRGB 0 0 0 c0=0",
       {"pattern sfalse ftrue M 0 0 L 5 0 L 5 5 L 0 5 Z stroke=- fill=Pat1"}},
      {"pattern stroke, plain fill",
       "/Pattern CS /Pat1 SCN 0 0 1 rg 0 0 5 5 re B",
       "fill DeviceRGB 0 0 255 c0=0 | stroke Pattern 0 0 0 c0=0 pattern Pat1",
       {"pattern strue ffalse M 0 0 L 5 0 L 5 5 L 0 5 Z stroke=Pat1 fill=-"}},
      {"uncoloured pattern keeps its colour",
       "/UP cs 1 0 0 /Pat1 scn",
       "fill Pattern 0 0 0 c0=255 pattern Pat1 | stroke DeviceRGB 0 0 0 c0=0",
       {}},
      {"missing pattern name", "/Pattern cs /Nope scn", "fill Pattern 0 0 0 c0=0 | stroke DeviceRGB 0 0 0 c0=0", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Recorder r;
    auto stack = RunContent(c.content, fx.wrap(resources), &r);
    const auto& st = stack->topRenderingState();
    auto describe = [](const char* which, const auto& space, const vq::VQPDFColor& color, const auto& pattern) {
      vq::VQPDFRGB rgb = space->getRGB(color);
      std::string s = fmt::format("{} {} {} {} {} c0={}", which, space->getModeName(), rgb.r, rgb.g, rgb.b, color.c[0]);
      if (pattern) s += " pattern " + pattern->objectKey;
      return s;
    };
    EXPECT_EQ(describe("fill", st.fillColorSpace, st.fillColor, st.fillPattern) + " | " +
                  describe("stroke", st.strokeColorSpace, st.strokeColor, st.strokePattern),
              c.expected);
    EXPECT_EQ(r.lines, c.lines);
  }
}

TEST(VQPDFConentParser, DashArraysTakeRealLengths) {
  struct Case {
    const char* content;
    std::vector<double> dash;
    int64_t phase;
  };
  const Case cases[] = {
      {"[3 2] 1 d", {3, 2}, 1},
      {"[1.99255 3.9851] 0.0 d", {1.99255, 3.9851}, 0},
      {"[2 0.5 /x 1] 0.6 d", {2, 0.5, 1}, 1},
      {"[3 2] 1 d [] 0 d", {}, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.content);
    vqtest::PdfFixture fx;
    Recorder r;
    auto stack = RunContent(c.content, fx.object("<< >>"), &r);
    EXPECT_EQ(stack->topRenderingState().lineDashPattern, c.dash);
    EXPECT_EQ(stack->topRenderingState().lineDashPhase, c.phase);
  }
}

TEST(VQPDFConentParser, ExtGStateKeysAndBlendModes) {
  struct Case {
    const char* bm;
    int expected;
  };
  const Case modes[] = {{"/Screen", 2}, {"[/Foo /Multiply]", 1}, {"[/Foo]", 0},
                        {"/Foo", 7},    {"/Luminosity", 15},     {"[/Darken 3]", 7}};
  for (const auto& c : modes) {
    SCOPED_TRACE(c.bm);
    vqtest::PdfFixture fx;
    Recorder r;
    auto stack =
        RunContent("/G0 gs /G gs",
                   fx.object(fmt::format("<< /ExtGState << /G0 << /BM /ColorBurn >> /G << /BM {} >> >> >>", c.bm)), &r);
    EXPECT_EQ(stack->topRenderingState().blendMode, c.expected);
  }

  vqtest::PdfFixture fx;
  QPDFObjectHandle group = fx.streamHandle(
      "<< /Type /XObject /Subtype /Form /BBox [0 0 10 10] /Group << /S /Transparency >> >>", "0 0 10 10 re f");
  QPDFObjectHandle resources = fx.handle(
      "<< /ExtGState << /All << /LW 3 /LC 1 /LJ 2 /ML 4 /D [[3 2] 1] /CA 0.5 /ca 0.25 /AIS true /op true /OP true "
      "/OPM 1 /SA true /SMask /None >> /Mask << /SMask << /S /Luminosity >> >> >> >>");
  resources.getKey("/ExtGState").getKey("/Mask").getKey("/SMask").replaceKey("/G", group);
  Recorder r;
  auto stack = RunContent("/All gs /Mask gs 0 0 1 1 re f", fx.wrap(resources), &r);
  const auto& st = stack->topRenderingState();
  EXPECT_EQ(st.lineWidth, 3);
  EXPECT_EQ(st.lineCapStyle, 1);
  EXPECT_EQ(st.lineJoinStyle, 2);
  EXPECT_EQ(st.lineMiterLimit, 4);
  EXPECT_EQ(st.lineDashPattern, (std::vector<double>{3, 2}));
  EXPECT_EQ(st.lineDashPhase, 1);
  EXPECT_EQ(st.strokeAlpha, 0.5);
  EXPECT_EQ(st.fillAlpha, 0.25);
  EXPECT_TRUE(st.alphaFlag && st.fillOverprint && st.strokeOverprint && st.strokeAdjust);
  EXPECT_EQ(st.overprintMode, 1);
  EXPECT_TRUE(st.haveSoftMask);
  EXPECT_EQ(st.softMaskBlendMode, 15);
  EXPECT_FALSE(st.isParseringExtGState);
  EXPECT_EQ(r.lines, (std::vector<std::string>{"path sfalse ftrue eofalse M 0 0 L 10 0 L 10 10 L 0 10 Z form 1/0 mask",
                                               "path sfalse ftrue eofalse M 0 0 L 1 0 L 1 1 L 0 1 Z"}));

  stack = RunContent("/Mask gs /All gs", fx.wrap(resources), &r);
  EXPECT_FALSE(stack->topRenderingState().haveSoftMask);
}

TEST(VQPDFConentParser, FormsRunOnTheSharedStack) {
  struct Case {
    const char* name;
    std::string formContent;
    std::string pageContent;
    std::vector<std::string> lines;
    size_t depth;
  };
  const Case cases[] = {
      {"matrix and indices",
       "0 0 1 1 re f",
       "1 0 0 1 5 5 cm /Fm Do 0 0 2 2 re S",
       {"path sfalse ftrue eofalse M 105 5 L 106 5 L 106 6 L 105 6 Z form 1/0",
        "path strue ffalse eofalse M 5 5 L 7 5 L 7 7 L 5 7 Z"},
       1},
      {"extra Q cannot reach the caller",
       "Q Q 9 w 0 0 1 1 re S",
       "q 3 w /Fm Do 0 0 2 2 re S",
       {"path strue ffalse eofalse M 100 0 L 101 0 L 101 1 L 100 1 Z form 1/0",
        "path strue ffalse eofalse M 0 0 L 2 0 L 2 2 L 0 2 Z"},
       2},
      {"extra q is dropped", "q q 4 w", "/Fm Do /Fm Do", {}, 1},
      {"form text and images",
       "BT <41> Tj ET /Im Do",
       "/Fm Do",
       {"text 'A' at 0 0 +5 0 #1/1 form 1/0", "image Im 2x3 at 100 0 form 1/0"},
       1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    vqtest::PdfFixture fx;
    QPDFObjectHandle image = fx.streamHandle(
        "<< /Type /XObject /Subtype /Image /Width 2 /Height 3 /ColorSpace /DeviceGray /BitsPerComponent 8 >>",
        "abcdef");
    QPDFObjectHandle form =
        fx.streamHandle("<< /Type /XObject /Subtype /Form /BBox [0 0 10 10] /Matrix [1 0 0 1 100 0] >>", c.formContent);
    QPDFObjectHandle formResources = fx.handle("<< /XObject << >> >>");
    formResources.getKey("/XObject").replaceKey("/Im", image);
    form.getDict().replaceKey("/Resources", formResources);
    QPDFObjectHandle resources = fx.handle("<< /XObject << >> >>");
    resources.getKey("/XObject").replaceKey("/Fm", form);
    Recorder r;
    auto stack = RunContent(c.pageContent, fx.wrap(resources), &r);
    EXPECT_EQ(r.lines, c.lines);
    EXPECT_EQ(stack->depth(), c.depth);
    EXPECT_EQ(stack->topRenderingState().lineWidth, c.depth == 2 ? 3 : 1);
    EXPECT_FALSE(stack->topRenderingState().isXObjectFormParsering);
  }
}

TEST(VQPDFConentParser, SelfDrawingFormsEnd) {
  vqtest::PdfFixture fx;
  // A form that draws itself.
  QPDFObjectHandle self = fx.streamHandle("<< /Subtype /Form /BBox [0 0 1 1] >>", "/Me Do 0 0 1 1 re f");
  self.getDict().replaceKey("/Resources", fx.handle("<< /XObject << >> >>"));
  self.getDict().getKey("/Resources").getKey("/XObject").replaceKey("/Me", self);
  QPDFObjectHandle resources = fx.handle("<< /XObject << >> >>");
  resources.getKey("/XObject").replaceKey("/Me", self);
  Recorder r;
  auto stack = RunContent("/Me Do", fx.wrap(resources), &r);
  EXPECT_EQ(r.lines.size(), 1u);
  EXPECT_EQ(stack->depth(), 1u);

  // A soft-mask group that sets its own graphics state again.
  QPDFObjectHandle mask = fx.streamHandle("<< /Subtype /Form /BBox [0 0 1 1] >>", "/M gs 0 0 1 1 re f");
  QPDFObjectHandle gsDict = fx.indirect(fx.handle("<< /SMask << /S /Alpha >> >>"));
  gsDict.getKey("/SMask").replaceKey("/G", mask);
  mask.getDict().replaceKey("/Resources", fx.handle("<< /ExtGState << >> >>"));
  mask.getDict().getKey("/Resources").getKey("/ExtGState").replaceKey("/M", gsDict);
  QPDFObjectHandle gsResources = fx.handle("<< /ExtGState << >> >>");
  gsResources.getKey("/ExtGState").replaceKey("/M", gsDict);
  Recorder masked;
  stack = RunContent("/M gs", fx.wrap(gsResources), &masked);
  EXPECT_EQ(masked.lines,
            (std::vector<std::string>{"path sfalse ftrue eofalse M 0 0 L 1 0 L 1 1 L 0 1 Z form 1/0 mask"}));
  EXPECT_EQ(stack->depth(), 1u);

  // A chain of forms each drawing the next twice would run 2^24 forms.
  QPDFObjectHandle next = fx.streamHandle("<< /Subtype /Form /BBox [0 0 1 1] >>", "0 0 1 1 re f");
  for (int level = 0; level < 24; ++level) {
    QPDFObjectHandle f = fx.streamHandle("<< /Subtype /Form /BBox [0 0 1 1] >>", "/N Do /N Do");
    f.getDict().replaceKey("/Resources", fx.handle("<< /XObject << >> >>"));
    f.getDict().getKey("/Resources").getKey("/XObject").replaceKey("/N", next);
    next = f;
  }
  resources = fx.handle("<< /XObject << >> >>");
  resources.getKey("/XObject").replaceKey("/N", next);
  Recorder fan;
  RunContent("/N Do", fx.wrap(resources), &fan);
  EXPECT_GT(fan.lines.size(), 0u);
  EXPECT_LE(fan.lines.size(), 50000u);
}

TEST(VQPDFConentParser, ShadingsImagesAndInlineImages) {
  vqtest::PdfFixture fx;
  QPDFObjectHandle resources = fx.handle("<< /Shading << /Sh1 << /ShadingType 2 >> >> /XObject << >> >>");
  resources.getKey("/XObject").replaceKey("/Ps", fx.streamHandle("<< /Subtype /PS >>", "0 0 moveto"));
  const LinesCase cases[] = {
      {"sh reports found and missing", "/Sh1 sh /Nope sh", {"shading Sh1", "shading null"}},
      {"PostScript XObject draws nothing", "/Ps Do /Nope Do", {}},
      {"inline image", "1 0 0 1 7 8 cm BI /W 1 /H 1 /CS /G /BPC 8 ID \x80 EI", {"image EI 1x1 at 7 8"}},
      {"inline image in clip mode", "4 Tr BI /W 1 /H 1 /CS /G /BPC 8 ID \x80 EI", {}},
  };
  for (const auto& c : cases) ExpectLines(c, fx.wrap(resources));
}

TEST(VQPDFConentParser, SilentDelegateAndNoDelegate) {
  vq::VQPDFConentParserDelegate silent;
  auto stream = std::make_shared<vq::pdf::ContentStream>(
      std::vector<std::string>{"BT <41> Tj ET 0 0 1 1 re f /X Do /S sh"}, vq::pdf::Object());
  for (vq::VQPDFConentParserDelegate* d : {&silent, static_cast<vq::VQPDFConentParserDelegate*>(nullptr)}) {
    vq::VQPDFConentParser parser(vq::pdf::Object(), stream);
    parser.setDelegate(d);
    parser.startParser();
    EXPECT_EQ(parser.scanOperatorIndex_BegainText, ~uint64_t{0});
  }
}

TEST(VQPDFConentParser, AnnotationAppearanceStreams) {
  vqtest::PdfFixture fx;
  auto form = fx.stream("<< /Subtype /Form /BBox [0 0 10 10] >>", "0 0 1 1 re f");
  auto image = fx.stream("<< /Subtype /Image /Width 4 /Height 5 >>", "");
  auto ps = fx.stream("<< /Subtype /PS >>", "");
  Recorder r;
  auto stack = std::make_shared<vq::VQPDFRenderStateStack>();
  auto stream = std::make_shared<vq::pdf::ContentStream>(std::vector<std::string>{""}, vq::pdf::Object());
  vq::VQPDFConentParser parser(vq::pdf::Object(), stream);
  parser.setDelegate(&r);
  parser.setRenderingStateStack(stack);
  parser.drawAnnotationStream(nullptr, form, "N", vq::RectMake(50, 60, 20, 20));
  parser.drawAnnotationStream(nullptr, image, "N", vq::RectMake(0, 0, 1, 1));
  parser.drawAnnotationStream(nullptr, ps, "N", vq::RectMake(0, 0, 1, 1));
  ASSERT_EQ(r.lines.size(), 2u);
  EXPECT_EQ(r.lines[0], "path sfalse ftrue eofalse M 50 60 L 51 60 L 51 61 L 50 61 Z form 1/0");
  EXPECT_EQ(r.lines[1], "image Annot-EI 4x5 at 0 0");
  EXPECT_EQ(stack->depth(), 1u);
  EXPECT_TRUE(stack->topRenderingState().clipBezierPaths.empty());
}

// Small streams that claim huge work: what the interpreter keeps stays
// bounded, and ordinary content around them reads as before.
TEST(VQPDFConentParser, HostileStreamsStayBounded) {
  {
    // The path under construction is not saved with the graphics state: it
    // goes with the top, and survives the q and Q around it.
    Recorder r;
    std::string content = "0 0 m 10 0 l ";
    for (int i = 0; i < 5000; ++i) content += "q ";
    auto stack = RunContent(content, vq::pdf::Object(), &r);
    EXPECT_EQ(stack->depth(), vq::VQPDFRenderStateStack::kMostSavedStates);
    for (size_t i = 0; i + 1 < stack->depth(); ++i) EXPECT_TRUE(stack->renderStateArray[i]->cgPath.isEmpty()) << i;
    EXPECT_FALSE(stack->topRenderingState().cgPath.isEmpty());

    // Saves past the bound are counted, so their restores do not pop the
    // states saved before them.
    content = "3 w ";
    for (int i = 0; i < 5000; ++i) content += "q ";
    content += "7 w ";
    for (int i = 0; i < 4999; ++i) content += "Q ";
    stack = RunContent(content + "0 0 m 5 5 l S", vq::pdf::Object(), &r);
    EXPECT_EQ(stack->depth(), 2u);
    EXPECT_EQ(stack->topRenderingState().lineWidth, 3);
  }
  {
    // One string of more glyphs than a page keeps.
    Recorder r;
    RunContent("BT (" + std::string(150000, 'A') + ") Tj ET", vq::pdf::Object(), &r);
    EXPECT_EQ(r.lines.size(), 100000u);
  }
}

namespace {

std::string Deflated(const std::string& data) {
  uLongf size = compressBound(data.size());
  std::string out(size, '\0');
  if (compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(data.data()), data.size(),
                9) != Z_OK)
    return "";
  out.resize(size);
  return out;
}

}  // namespace

TEST(VQPDFConentParser, StreamDecodingStaysBounded) {
  vqtest::PdfFixture fx;
  // 100 MiB of blanks in about 100 KB: cut at 64 MiB.
  auto decoded = fx.stream("<< /Filter /FlateDecode >>", Deflated(std::string(size_t{100} << 20, ' '))).decodedData();
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->size(), size_t{64} << 20);

  // Predictor parameters that would size buffers of gigabytes make the
  // stream unreadable; sensible ones decode.
  const std::string row = Deflated(std::string("\x00", 1) + "AB");
  EXPECT_EQ(fx.stream("<< /Filter /FlateDecode /DecodeParms << /Predictor 12 /Columns 2 >> >>", row).decodedData(),
            "AB");
  for (const char* parms : {"/Predictor 15 /Colors 1000000 /Columns 2147483647", "/Predictor 12 /Columns -4",
                            "/Predictor 12 /Columns 2 /BitsPerComponent 3"}) {
    SCOPED_TRACE(parms);
    EXPECT_EQ(fx.stream(std::string("<< /Filter /FlateDecode /DecodeParms << ") + parms + " >> >>", row).decodedData(),
              std::nullopt);
  }
}

// A conversion being stopped sets the flag from another thread: the page,
// and the forms it runs, end before their next operator instead of running
// to the end of a long stream.
TEST(VQPDFConentParser, CancelFlagEndsThePageAndItsForms) {
  struct Stopper : vq::VQPDFConentParserDelegate {
    std::atomic<bool> cancel{false};
    int glyphs = 0;
    void didScanTextTextOffset(vq::VQPDFConentParser*, const std::string&, const vq::Size&) override {
      if (++glyphs == 10) cancel = true;
    }
  };
  vqtest::PdfFixture fx;
  std::string shows;
  for (int i = 0; i < 1000; ++i) shows += "(A) Tj ";
  // The glyphs come from a form, so the flag must reach the form's own scan
  // and the page's scan after it.
  auto form = fx.streamHandle("<< /Type /XObject /Subtype /Form /BBox [0 0 100 100] >>", "BT " + shows + "ET");
  QPDFObjectHandle resourcesHandle = fx.handle("<< /XObject << >> >>");
  resourcesHandle.getKey("/XObject").replaceKey("/Fm1", form);
  auto resources = fx.wrap(resourcesHandle);
  for (const std::string& content : {"BT " + shows + "ET", std::string("/Fm1 Do /Fm1 Do") + " BT " + shows + "ET"}) {
    Stopper stopper;
    auto stack = std::make_shared<vq::VQPDFRenderStateStack>();
    stack->topRenderingState().font = std::make_shared<vqtest::FakeFont>();
    stack->topRenderingState().fontSize = 10;
    auto stream = std::make_shared<vq::pdf::ContentStream>(std::vector<std::string>{content}, resources);
    vq::VQPDFConentParser parser(vq::pdf::Object(), stream);
    parser.setDelegate(&stopper);
    parser.setRenderingStateStack(stack);
    parser.setCancelFlag(&stopper.cancel);
    parser.startParser();
    // The Tj that set it finishes its string; nothing after it runs.
    EXPECT_EQ(stopper.glyphs, 10);
  }
}

// Slide part markup and the unit conversions behind it.
#include <filesystem>
#include <fstream>
#include <functional>
#include <regex>
#include <sstream>
#include <tuple>

#include <gtest/gtest.h>

#include "office/XMLFileWriter.h"
#include "pptx/VQPPTXPDFPageParser.h"
#include "pptx/VQPPTXPage.h"
#include "pptx/VQPPTXShape.h"
#include "pptx/VQPPTXUtilities.h"
#include "support/TestSupport.h"

using namespace vq;
namespace fs = std::filesystem;

namespace {

// The markup one shape writes, without the document around it.
std::string shapeXML(VQPPTXShape& shape) {
  vqtest::ScratchDir dir;
  {
    auto w = XMLFileWriter::initWithPath((dir / "s.xml").string());
    w->setPrefix("a", "http://schemas.openxmlformats.org/drawingml/2006/main");
    w->setPrefix("r", "http://schemas.openxmlformats.org/officeDocument/2006/relationships");
    w->setPrefix("p", "http://schemas.openxmlformats.org/presentationml/2006/main");
    w->pushNamespaceStack();
    shape.writeShapeWith(*w);
    w->writeEndDocument();
  }
  return vqtest::readFile(dir / "s.xml");
}

}  // namespace

TEST(VQPPTXUnits, Conversions) {
  struct Case {
    double value;
    std::string emu, angle;
  };
  const Case cases[] = {
      {1, "12700", "60000"},          {0.5, "6350", "30000"},    {612, "7772400", "36720000"},
      {10.00001, "127000", "600001"}, {-3, "-38100", "-180000"}, {0.00003, "0", "2"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(VQPPTXEmu(c.value), c.emu) << c.value;
    EXPECT_EQ(VQPPTXAngle(c.value), c.angle) << c.value;
  }
  // Slide sides are truncated and kept between 1 and 56 inches.
  const std::pair<double, int64_t> slides[] = {
      {612, 7772400}, {100.00001, 1270000}, {72, 914400},     {71.99, 914400},  {1, 914400},
      {-3, 914400},   {NAN, 914400},        {4032, 51206400}, {5000, 51206400}, {1e300, 51206400},
  };
  for (auto [points, emu] : slides) EXPECT_EQ(VQPPTXSlideSizeEmu(points), emu) << points;
  // A slide's type names its preset in either orientation, else "custom".
  const std::tuple<double, double, std::string_view> types[] = {
      {720, 540, "screen4x3"}, {540, 720, "screen4x3"},    {720, 405, "screen16x9"},  {720, 450, "screen16x10"},
      {780, 540, "A4"},        {540, 780, "A4"},           {810, 540, "35mm"},        {960, 540, "custom"},
      {612, 792, "custom"},    {595.28, 841.89, "custom"}, {720.3, 540, "screen4x3"}, {721, 540, "custom"},
      {1008, 756, "A3"},
  };
  for (auto [w, h, type] : types)
    EXPECT_EQ(VQPPTXSlideSizeType(VQPPTXSlideSizeEmu(w), VQPPTXSlideSizeEmu(h)), type) << w << " x " << h;
  const std::pair<double, double> snaps[] = {{0, 0},   {3, 0},   {4.99, 0},  {5, 5},     {88, 90},
                                             {94, 90}, {95, 95}, {180, 180}, {266, 270}, {300, 300}};
  for (auto [in, out] : snaps) EXPECT_EQ(VQPPTXSnapRotation(in), out) << in;
}

TEST(VQPPTXUnits, RunPropertyEqualityIgnoresStyle) {
  VQPPTX_RunPr a = VQPPTXUtilities::defaultRunProperty(), b = a;
  b.b = 1, b.i = 1, b.latin.typeface_replace = "Other";
  EXPECT_TRUE(VQPPTX_IsEqualRPr(a, b));
  for (auto change : std::vector<std::function<void(VQPPTX_RunPr&)>>{
           [](VQPPTX_RunPr& r) { r.sz = 11.5f; }, [](VQPPTX_RunPr& r) { r.rgbColor = "ff0000"; },
           [](VQPPTX_RunPr& r) { r.cs.typeface = "Times"; }, [](VQPPTX_RunPr& r) { r.lang = "de-DE"; },
           [](VQPPTX_RunPr& r) { r.invisible = 1; }}) {
    VQPPTX_RunPr c = a;
    change(c);
    EXPECT_FALSE(VQPPTX_IsEqualRPr(a, c));
  }
}

TEST(VQPPTXUnits, ImagePlacement) {
  struct Case {
    AffineTransform t;
    float rotation;
    bool flipY;
    Rect rect;
  };
  // Display space has y downwards: an upright image maps the unit square
  // with a negative y scale.
  const Case cases[] = {
      {AffineTransformMake(200, 0, 0, -100, 50, 300), 0, false, RectMake(50, 200, 200, 100)},
      {AffineTransformMake(200, 0, 0, 100, 50, 200), 0, true, RectMake(50, 200, 200, 100)},
      {AffineTransformMake(0, 200, 100, 0, 0, 0), 90, false, RectMake(-50, 50, 200, 100)},
  };
  for (const auto& c : cases) {
    const auto info = VQPPTXImageInfo::initWithTransform(c.t, 0.5);
    EXPECT_FLOAT_EQ(info.rotation, c.rotation);
    EXPECT_EQ(info.flipY, c.flipY);
    EXPECT_FALSE(info.flipX);
    EXPECT_NEAR(info.displayX, c.rect.origin.x, 1e-9);
    EXPECT_NEAR(info.displayY, c.rect.origin.y, 1e-9);
    EXPECT_NEAR(info.displayWidth, c.rect.size.width, 1e-9);
    EXPECT_NEAR(info.displayHeight, c.rect.size.height, 1e-9);
    EXPECT_FLOAT_EQ(info.opacity, 0.5f);
  }
}

// Custom dashes are measured in hundred-thousandths of the line width.
TEST(VQPPTXShapes, DashArrays) {
  struct Case {
    std::vector<double> dash;  // slide points
    double weight;
    std::string expected;
  };
  const Case cases[] = {
      {{}, 1, "<a:prstDash val=\"solid\"/>"},
      {{0, 0, 0, 0}, 1, "<a:prstDash val=\"solid\"/>"},
      // Two or six entries keep their own proportions: a dotted rule stays dotted.
      {{2, 4}, 2, "<a:custDash><a:ds d=\"100000\" sp=\"200000\"/></a:custDash>"},
      {{1, 2, 3, 4, 5, 6},
       1,
       "<a:custDash><a:ds d=\"100000\" sp=\"200000\"/><a:ds d=\"300000\" sp=\"400000\"/>"
       "<a:ds d=\"500000\" sp=\"600000\"/></a:custDash>"},
      // A negative entry means nothing: one line width.
      {{4, 2, -1, 1},
       1,
       "<a:custDash><a:ds d=\"400000\" sp=\"200000\"/><a:ds d=\"100000\" sp=\"100000\"/></a:custDash>"},
      {{4, 2, 0, 1}, 2, "<a:custDash><a:ds d=\"200000\" sp=\"100000\"/><a:ds d=\"0\" sp=\"50000\"/></a:custDash>"},
      {{1, 1, 1, 1},
       0.5,
       "<a:custDash><a:ds d=\"200000\" sp=\"200000\"/><a:ds d=\"200000\" sp=\"200000\"/></a:custDash>"},
      // An odd array runs twice, so each dash has a space.
      {{3, 1, 2},
       1,
       "<a:custDash><a:ds d=\"300000\" sp=\"100000\"/><a:ds d=\"200000\" sp=\"300000\"/>"
       "<a:ds d=\"100000\" sp=\"200000\"/></a:custDash>"},
  };
  for (const auto& c : cases) {
    VQPPTXFreeform f;
    f.runCGPath.moveTo(0, 0);
    f.runCGPath.lineTo(10, 0);
    f.spInfo.stroked = true;
    f.spInfo.strokeweight = c.weight;
    f.spInfo.strokeDashPattern = c.dash;
    const std::string xml = shapeXML(f);
    EXPECT_NE(xml.find(c.expected), std::string::npos) << xml;
  }
}

// Every subpath the page closed gets its a:close; a shape that is only
// filled closes its open subpaths too, as a fill does on the page.
TEST(VQPPTXShapes, SubpathsCloseWhereThePageClosesThem) {
  enum Paint { Fill, Stroke, Both };
  struct Case {
    const char* name;
    const char* path;  // M x y, L x y, C (three points), Z
    Paint paint;
    const char* expected;  // element initials as written
  };
  const Case cases[] = {
      {"two closed squares", "M 0 0 L 9 0 L 9 9 Z M 2 2 L 4 2 L 4 4 Z", Fill, "MLLZMLLZ"},
      {"closed then trailing move", "M 0 0 C 9 0 9 9 0 9 Z M 0 0", Fill, "MCZM"},
      {"open subpaths filled", "M 0 0 L 9 0 L 9 9 M 2 2 L 4 2 L 4 4", Fill, "MLLZMLLZ"},
      {"open subpaths stroked", "M 0 0 L 9 0 L 9 9 M 2 2 L 4 2 L 4 4", Stroke, "MLLMLL"},
      {"open and closed, both", "M 0 0 L 9 0 L 9 9 M 2 2 L 4 2 L 4 4 Z", Both, "MLLMLLZ"},
      {"close without a side", "M 0 0 Z M 1 1 L 2 2", Stroke, "MML"},
  };
  for (const auto& c : cases) {
    VQPPTXFreeform f;
    std::istringstream in(c.path);
    std::string op;
    while (in >> op) {
      double x[6] = {};
      if (op == "M" || op == "L") in >> x[0] >> x[1];
      if (op == "C") in >> x[0] >> x[1] >> x[2] >> x[3] >> x[4] >> x[5];
      if (op == "M") f.runCGPath.moveTo(x[0], x[1]);
      if (op == "L") f.runCGPath.lineTo(x[0], x[1]);
      if (op == "C") f.runCGPath.curveTo({x[0], x[1]}, {x[2], x[3]}, {x[4], x[5]});
      if (op == "Z") f.runCGPath.closeSubpath();
    }
    f.spInfo.setDisplayRect(RectMake(0, 0, 9, 9));
    f.spInfo.filled = c.paint != Stroke;
    f.spInfo.stroked = c.paint != Fill;
    const std::string xml = shapeXML(f);
    const std::string path = xml.substr(xml.find("<a:path "), xml.find("</a:path>") - xml.find("<a:path "));
    std::string seen;
    const std::regex element(R"(<a:(moveTo|lnTo|cubicBezTo|close)\b)");
    for (std::sregex_iterator it(path.begin(), path.end(), element), end; it != end; ++it) {
      const std::string name = (*it)[1];
      seen += name == "moveTo" ? 'M' : name == "lnTo" ? 'L' : name == "cubicBezTo" ? 'C' : 'Z';
    }
    EXPECT_EQ(seen, c.expected) << c.name << "\n" << path;
  }
}

// Text the page does not paint stays on the slide, fully transparent.
TEST(VQPPTXShapes, InvisibleRunsAreTransparent) {
  struct Case {
    std::string color;
    char invisible;
    std::string fill;  // expected fill markup, empty for none
  };
  const Case cases[] = {
      {"ff0000", 0, R"(<a:solidFill><a:srgbClr val="ff0000"/></a:solidFill>)"},
      {"ff0000", 1, R"(<a:solidFill><a:srgbClr val="ff0000"><a:alpha val="0"/></a:srgbClr></a:solidFill>)"},
      {"", 1, R"(<a:solidFill><a:srgbClr val="000000"><a:alpha val="0"/></a:srgbClr></a:solidFill>)"},
      {"", 0, ""},
  };
  for (const auto& c : cases) {
    VQPPTXTextbox box;
    VQPPTXParagraph p;
    VQPPTXRun r;
    r.rProperty.rgbColor = c.color;
    r.rProperty.invisible = c.invisible;
    r.text = "OCR";
    p.runArray.push_back(r);
    box.paragraphs = {p};
    const std::string xml = shapeXML(box);
    if (c.fill.empty()) EXPECT_EQ(xml.find("solidFill"), std::string::npos) << xml;
    else EXPECT_NE(xml.find(c.fill), std::string::npos) << xml;
    EXPECT_NE(xml.find("<a:t>OCR</a:t>"), std::string::npos);
  }
}

TEST(VQPPTXShapes, ParagraphAndRunMarkup) {
  VQPPTXTextbox box;
  VQPPTXParagraph p;
  p.pProperty.lnSpc = 14.4;
  VQPPTXRun r;
  r.rProperty.sz = 11.5f;
  r.rProperty.b = 1;
  r.text = "a<b & \"c\"";
  p.runArray.push_back(r);
  box.paragraphs = {VQPPTXParagraph{}, p};  // the empty one writes nothing
  const std::string xml = shapeXML(box);
  EXPECT_NE(xml.find("<a:p><a:pPr><a:lnSpc><a:spcPts val=\"1440\"/></a:lnSpc></a:pPr>"), std::string::npos) << xml;
  EXPECT_NE(xml.find("sz=\"1150\" dirty=\"0\" b=\"1\" i=\"0\""), std::string::npos) << xml;
  EXPECT_NE(xml.find("<a:t>a&lt;b &amp; &quot;c&quot;</a:t>"), std::string::npos) << xml;
  EXPECT_EQ(xml.find("marL"), std::string::npos);
  EXPECT_EQ(xml.find("<a:p>"), xml.rfind("<a:p>"));
}

// One slide with a text box, a freeform and a picture, written as a whole.
TEST(VQPPTXShapesEndToEnd, GoldenSlide) {
  vqtest::ScratchDir dir;
  VQPPTXPage page(3, dir.path().string());
  page.writeDocumentBegin();

  auto box = std::make_unique<VQPPTXTextbox>();
  box->spInfo.displayX = 10, box->spInfo.displayY = 20;
  box->spInfo.displayWidth = 40, box->spInfo.displayHeight = 200;
  box->spInfo.rotation = 90;
  VQPPTXParagraph para;
  para.pProperty.lnSpc = 12;
  para.pProperty.marL = 2;
  VQPPTXRun run;
  run.text = "Hi";
  run.rProperty.sz = 12;
  run.rProperty.rgbColor = "ff0000";
  para.runArray.push_back(run);
  box->paragraphs.push_back(para);
  page.addShape(std::move(box));

  auto ff = std::make_unique<VQPPTXFreeform>();
  ff->runCGPath.moveTo(10, 20);
  ff->runCGPath.lineTo(110, 20);
  ff->runCGPath.lineTo(110, 70);
  ff->runCGPath.lineTo(10, 70);
  ff->runCGPath.closeSubpath();
  ff->spInfo.setDisplayRect(RectMake(10, 20, 100, 50));
  ff->spInfo.filled = true;
  ff->spInfo.fillcolor = ColorMakeRGB(0, 0, 1);
  ff->spInfo.fillAlpha_ = 0.5f;
  ff->spInfo.lineCap = 1;
  ff->paragraphs.emplace_back();
  page.addShape(std::move(ff));

  auto pic = std::make_unique<VQPPTXPicture>();
  pic->runImageID = page.addNewRelsWithImagePath("../media/image1.png");
  EXPECT_EQ(page.findExistRelsWithImagePath("../media/image1.png"), "rId2");
  EXPECT_EQ(page.findExistRelsWithImagePath("../media/image2.png"), "");
  pic->pictInfo = VQPPTXImageInfo::initWithTransform(AffineTransformMake(200, 0, 0, 100, 0, 0), 0.25);
  page.addShape(std::move(pic));
  page.writePageAll();

  const std::string expected =
      R"(<?xml version="1.0" encoding="UTF-8" standalone="yes" ?>)"
      R"(<p:sld xmlns:a="http://schemas.openxmlformats.org/drawingml/2006/main" )"
      R"(xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships" )"
      R"(xmlns:p="http://schemas.openxmlformats.org/presentationml/2006/main">)"
      R"(<p:cSld><p:spTree><p:nvGrpSpPr><p:cNvPr id="1" name=""/><p:cNvGrpSpPr/><p:nvPr/></p:nvGrpSpPr>)"
      R"(<p:grpSpPr><a:xfrm><a:off x="0" y="0"/><a:ext cx="0" cy="0"/><a:chOff x="0" y="0"/><a:chExt cx="0" cy="0"/></a:xfrm></p:grpSpPr>)"
      // text box: rotation 90 exchanges the extents
      R"(<p:sp><p:nvSpPr><p:cNvPr id="2" name="TextBox 1"/><p:cNvSpPr txBox="1"/><p:nvPr/></p:nvSpPr>)"
      R"(<p:spPr><a:xfrm rot="5400000"><a:off x="127000" y="254000"/><a:ext cx="2540000" cy="508000"/></a:xfrm>)"
      R"(<a:prstGeom prst="rect"><a:avLst/></a:prstGeom><a:noFill/></p:spPr>)"
      R"(<p:txBody><a:bodyPr wrap="none" lIns="0" tIns="0" rIns="0" bIns="0" rtlCol="0"><a:noAutofit/></a:bodyPr><a:lstStyle/>)"
      R"(<a:p><a:pPr marL="25400"><a:lnSpc><a:spcPts val="1200"/></a:lnSpc></a:pPr>)"
      R"(<a:r><a:rPr lang="en-US" altLang="zh-CN" sz="1200" dirty="0" b="0" i="0" smtClean="0">)"
      R"(<a:solidFill><a:srgbClr val="ff0000"/></a:solidFill>)"
      R"(<a:latin typeface="Arial Unicode MS" pitchFamily="18" charset="0"/><a:cs typeface="Arial Unicode MS" pitchFamily="18" charset="0"/>)"
      R"(</a:rPr><a:t>Hi</a:t></a:r></a:p></p:txBody></p:sp>)"
      // freeform: points relative to the box, a closing a:close
      R"(<p:sp><p:nvSpPr><p:cNvPr id="3" name="Freeform 2"/><p:cNvSpPr/><p:nvPr/></p:nvSpPr><p:spPr>)"
      R"(<a:xfrm><a:off x="127000" y="254000"/><a:ext cx="1270000" cy="635000"/></a:xfrm>)"
      R"(<a:custGeom><a:avLst/><a:gdLst>)"
      R"(<a:gd name="connsiteX0" fmla="*/ 0 w 1270000"/><a:gd name="connsiteY0" fmla="*/ 0 h 635000"/>)"
      R"(<a:gd name="connsiteX1" fmla="*/ 1270000 w 1270000"/><a:gd name="connsiteY1" fmla="*/ 0 h 635000"/>)"
      R"(<a:gd name="connsiteX2" fmla="*/ 1270000 w 1270000"/><a:gd name="connsiteY2" fmla="*/ 635000 h 635000"/>)"
      R"(<a:gd name="connsiteX3" fmla="*/ 0 w 1270000"/><a:gd name="connsiteY3" fmla="*/ 635000 h 635000"/>)"
      R"(</a:gdLst><a:ahLst/><a:cxnLst>)"
      R"(<a:cxn ang="0"><a:pos x="connsiteX0" y="connsiteY0"/></a:cxn><a:cxn ang="1"><a:pos x="connsiteX1" y="connsiteY1"/></a:cxn>)"
      R"(<a:cxn ang="2"><a:pos x="connsiteX2" y="connsiteY2"/></a:cxn><a:cxn ang="3"><a:pos x="connsiteX3" y="connsiteY3"/></a:cxn>)"
      R"(</a:cxnLst><a:rect l="l" t="t" r="r" b="b"/><a:pathLst><a:path w="1270000" h="635000">)"
      R"(<a:moveTo><a:pt x="0" y="0"/></a:moveTo><a:lnTo><a:pt x="1270000" y="0"/></a:lnTo>)"
      R"(<a:lnTo><a:pt x="1270000" y="635000"/></a:lnTo><a:lnTo><a:pt x="0" y="635000"/></a:lnTo><a:close/>)"
      R"(</a:path></a:pathLst></a:custGeom>)"
      R"(<a:solidFill><a:srgbClr val="0000ff"><a:alpha val="50000"/></a:srgbClr></a:solidFill>)"
      R"(<a:ln w="12700" cap="rnd"><a:solidFill><a:srgbClr val="ffffff"><a:alpha val="0"/></a:srgbClr></a:solidFill>)"
      R"(<a:prstDash val="solid"/></a:ln></p:spPr>)"
      R"(<p:style><a:lnRef idx="1"><a:schemeClr val="accent1"><a:shade val="50000"/></a:schemeClr></a:lnRef>)"
      R"(<a:fillRef idx="1"><a:schemeClr val="accent1"/></a:fillRef><a:effectRef idx="0"><a:schemeClr val="accent1"/></a:effectRef>)"
      R"(<a:fontRef idx="minor"><a:schemeClr val="lt1"/></a:fontRef></p:style>)"
      R"(<p:txBody><a:bodyPr rtlCol="0" anchor="ctr"/><a:lstStyle/><a:p><a:pPr algn="ctr"/><a:endParaRPr lang="zh-CN" altLang="en-US"/></a:p></p:txBody></p:sp>)"
      // picture: upside down (positive determinant), half transparent
      R"(<p:pic><p:nvPicPr><p:cNvPr id="4" name="Picture 3" descr=""/><p:cNvPicPr><a:picLocks noChangeAspect="0" noChangeArrowheads="0"/></p:cNvPicPr><p:nvPr/></p:nvPicPr>)"
      R"(<p:blipFill><a:blip r:embed="rId2"><a:alphaModFix amt="25000"/></a:blip><a:srcRect/><a:stretch><a:fillRect/></a:stretch></p:blipFill>)"
      R"(<p:spPr bwMode="auto"><a:xfrm flipV="1"><a:off x="0" y="0"/><a:ext cx="2540000" cy="1270000"/></a:xfrm>)"
      R"(<a:prstGeom prst="rect"><a:avLst/></a:prstGeom><a:noFill/></p:spPr></p:pic>)"
      R"(</p:spTree></p:cSld><p:clrMapOvr><a:masterClrMapping/></p:clrMapOvr></p:sld>)";
  EXPECT_EQ(vqtest::readFile(dir / "ppt/slides/slide3.xml"), expected);

  const std::string rels = vqtest::readFile(dir / "ppt/slides/_rels/slide3.xml.rels");
  EXPECT_NE(
      rels.find(
          R"(<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/slideLayout" Target="../slideLayouts/slideLayout1.xml"/>)"),
      std::string::npos)
      << rels;
  EXPECT_NE(
      rels.find(
          R"(<Relationship Id="rId2" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/image" Target="../media/image1.png"/>)"),
      std::string::npos)
      << rels;
  EXPECT_EQ(vqtest::runCommand("xmllint --noout '" + (dir / "ppt/slides/slide3.xml").string() + "' 2>/dev/null"), 0);
}

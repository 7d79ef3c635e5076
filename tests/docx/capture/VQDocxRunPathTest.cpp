// Vector path runs: the record built from a path (box, shape class,
// sub-paths), full copies, the per-path queries, the VML a run writes, and
// the path-array operations of the graphics clean-up.
#include "docx/capture/VQDocxRunPath.h"

#include <gtest/gtest.h>

#include "docx/PathShapes.h"

#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "common/VQLineUtilites.h"
#include "docx/capture/VQDocxRunImage.h"
#include "office/OfficeTestSupport.h"
#include "pdf/VQPDFRenderState.h"

using vq::Path;
using vq::Point;
using vq::Rect;
using vq::RectMake;
using vq::VQDocxPathInfo;
using vq::VQDocxRunPath;

namespace {

using vqtest::Line;
using vqtest::RectPath;

struct Style {
  bool fill = false;
  bool stroke = false;
  vq::Color fillColor = vq::ColorMakeGray(0);
  vq::Color strokeColor = vq::ColorMakeGray(0);
  double weight = 1;
};

// A run made as the capture makes one: style record, path, point list.
std::shared_ptr<VQDocxRunPath> MakeRun(const Path& path, const Style& style, uint64_t scan = 0,
                                       std::optional<Rect> frame = std::nullopt) {
  auto info = std::make_shared<VQDocxPathInfo>();
  info->filled = style.fill;
  info->stroked = style.stroke;
  info->setFillcolor(style.fillColor);
  info->setStrokecolor(style.strokeColor);
  info->strokeweight = style.weight;
  const Rect r = frame ? *frame : path.boundingBox();
  info->displayX = r.origin.x;
  info->displayY = r.origin.y;
  info->displayWidth = r.size.width;
  info->displayHeight = r.size.height;
  auto run = std::make_shared<VQDocxRunPath>();
  run->setPdfScanIndex(scan);
  run->setPictInfo(info);
  run->setRunCGPath(path);
  run->setRunLinePointArray(vq::VQLineUtilites::NSArrayFromCGPath(path));
  return run;
}

std::shared_ptr<VQDocxRunPath> FilledRect(const Rect& r, uint64_t scan, vq::Color color = vq::ColorMakeGray(0)) {
  Style s;
  s.fill = true;
  s.fillColor = color;
  return MakeRun(RectPath(r), s, scan);
}

std::shared_ptr<VQDocxRunPath> StrokedLine(double x1, double y1, double x2, double y2, double weight, uint64_t scan) {
  Style s;
  s.stroke = true;
  s.weight = weight;
  auto run = MakeRun(Line(x1, y1, x2, y2), s, scan);
  const Rect box = run->boundingBox();
  auto& info = *run->pictInfo();
  info.displayX = box.origin.x, info.displayY = box.origin.y;
  info.displayWidth = box.size.width, info.displayHeight = box.size.height;
  return run;
}

std::string Drawing(VQDocxRunPath& run) {
  return vqtest::writeXML([&](vq::XMLFileWriter& w) { run._writePath2006(w); });
}

std::string Attribute(const std::string& xml, const std::string& element, const std::string& name, size_t nth = 0) {
  size_t at = 0;
  for (size_t i = 0; i <= nth; ++i) {
    at = xml.find("<" + element + " ", i == 0 ? 0 : at + 1);
    if (at == std::string::npos) return "<none>";
  }
  const size_t end = xml.find('>', at);
  const std::string tag = xml.substr(at, end - at);
  const size_t a = tag.find(" " + name + "=\"");
  if (a == std::string::npos) return "<none>";
  const size_t v = a + name.size() + 3;
  return tag.substr(v, tag.find('"', v) - v);
}

}  // namespace

TEST(VQDocxRunPathTest, NewRun) {
  VQDocxRunPath run;
  EXPECT_FALSE(run.pictInfo());
  EXPECT_EQ(run.boundingBox(), vq::RectZero);
  EXPECT_TRUE(run.runCGPath().isEmpty());
  EXPECT_EQ(run.runLineType(), vq::VQDocxRunLineTypeNone);
  EXPECT_FALSE(run.isHaveCurve());
  EXPECT_EQ(run.pathPointCount(), 0);
  EXPECT_FALSE(run.isTableLine);
  EXPECT_EQ(run.displayRect(), vq::RectZero);
}

// A hairline's box is as thick as its stroke; a filled-only one keeps its
// bare box.
TEST(VQDocxRunPathTest, HairlineBoxAndLineType) {
  auto line = StrokedLine(10, 50, 110, 50, 2, 0);
  EXPECT_EQ(line->runLineType(), vq::VQDocxRunLineTypeHorizontal);
  EXPECT_EQ(line->pathPointCount(), 2);
  EXPECT_TRUE(line->subCGPaths().empty());
  EXPECT_EQ(line->boundingBox(), RectMake(10, 49, 100, 2));

  Style fill;
  fill.fill = true;
  auto filled = MakeRun(Line(10, 50, 110, 50), fill);
  EXPECT_EQ(filled->boundingBox(), RectMake(10, 50, 100, 0));

  // The box does not depend on whether the record or the path comes first.
  VQDocxRunPath late;
  late.setRunCGPath(Line(10, 50, 110, 50));
  late.setPictInfo(line->pictInfo());
  EXPECT_EQ(late.boundingBox(), RectMake(10, 49, 100, 2));

  auto vertical = StrokedLine(5, 10, 5, 90, 1, 0);
  EXPECT_EQ(vertical->runLineType(), vq::VQDocxRunLineTypeVertical);
}

TEST(VQDocxRunPathTest, RectangleClasses) {
  EXPECT_EQ(FilledRect(RectMake(0, 0, 6, 4), 0)->runLineType(), vq::VQDocxRunLineTypeSmallRect);
  EXPECT_EQ(FilledRect(RectMake(0, 0, 20, 4), 0)->runLineType(), vq::VQDocxRunLineTypeRect);
  auto many = FilledRect(RectMake(0, 0, 20, 4), 0);
  many->setRunLinePointArray(std::vector<Point>{{0, 0}, {20, 0}, {20, 4}, {0, 4}, {0, 0}, {0, 0}, {0, 0}});
  EXPECT_EQ(many->runLineType(), vq::VQDocxRunLineTypeNone) << "seven points";
  many->setRunLinePointArray(std::nullopt);
  EXPECT_EQ(many->runLineType(), vq::VQDocxRunLineTypeNone);
}

TEST(VQDocxRunPathTest, SubPathsAndPointCount) {
  Path p;
  p.moveTo(0, 0);
  p.lineTo(10, 0);
  p.lineTo(10, 10);
  p.closeSubpath();
  p.moveTo(20, 20);
  p.lineTo(30, 20);
  VQDocxRunPath run;
  run.setRunCGPath(p);
  EXPECT_EQ(run.pathPointCount(), 5) << "a close counts nothing";
  EXPECT_EQ(run.subCGPaths().size(), 1u);
  ASSERT_TRUE(run.tempCGPath());
  EXPECT_EQ(run.tempCGPath()->elementCount(), 2u) << "the last, open sub-path stays in the working path";
  EXPECT_FALSE(run.isHaveCurve());

  Path curve;
  curve.moveTo(0, 0);
  curve.curveTo({10, 0}, {20, 10}, {20, 20});
  run.setRunCGPath(curve);
  EXPECT_TRUE(run.isHaveCurve());
  EXPECT_EQ(run.pathPointCount(), 2) << "a curve counts one point";
  EXPECT_TRUE(run.subCGPaths().empty()) << "a new path is walked afresh";
}

TEST(VQDocxRunPathTest, AreaAndCrowding) {
  Path two;
  two.addRect(RectMake(0, 0, 10, 10));
  two.addRect(RectMake(20, 0, 10, 10));
  VQDocxRunPath run;
  run.setRunCGPath(two);
  EXPECT_DOUBLE_EQ(run.areaIntersectionRect(RectMake(5, 5, 20, 20)), 25 + 25);
  EXPECT_DOUBLE_EQ(run.areaIntersectionRect(RectMake(9, 0, 11, 10)), 0) << "overlaps of 1 point are ignored";
  EXPECT_DOUBLE_EQ(VQDocxRunPath().areaIntersectionRect(RectMake(0, 0, 10, 10)), 0);

  // 100 points long: crowded from 19 points on.
  auto a = FilledRect(RectMake(0, 0, 100, 50), 0);  // 4 points
  VQDocxRunPath::Array group{a};
  for (int i = 0; i < 7; ++i) group.push_back(StrokedLine(10, 10 + i, 20, 10 + i, 1, 1));  // 2 points each
  EXPECT_EQ(VQDocxRunPath::CountOfPoints(group), 18);
  EXPECT_FALSE(VQDocxRunPath::IsVaildImageRunPaths(group));
  Path three;
  three.moveTo(1, 1), three.lineTo(2, 2), three.lineTo(3, 1);
  auto extra = MakeRun(three, Style{});
  extra->setRunCGPath(Line(1, 1, 2, 2));  // 2 points -> 20
  group.push_back(extra);
  EXPECT_TRUE(VQDocxRunPath::IsVaildImageRunPaths(group));
  EXPECT_EQ(VQDocxRunPath::BoundsOfRunPaths({}), vq::RectZero);
}

TEST(VQDocxRunPathTest, QueriesAgainstOtherRuns) {
  auto early = FilledRect(RectMake(0, 0, 10, 10), 1);
  auto late = FilledRect(RectMake(5, 5, 10, 10), 2);
  auto touching = FilledRect(RectMake(14.5, 0, 10, 10), 0);
  EXPECT_EQ(late->findHideRunPaths({touching, early}), early);
  EXPECT_EQ(early->findHideRunPaths({late}), nullptr) << "only paths painted before";

  auto image = std::make_shared<vq::VQDocxRunImage>();
  image->pictInfo = std::make_shared<vq::VQDocxImageInfo>();
  image->pictInfo->displayX = 8, image->pictInfo->displayY = 8;
  image->pictInfo->displayWidth = 5, image->pictInfo->displayHeight = 5;
  image->setPdfScanIndex(0);
  EXPECT_EQ(late->findHideRunImages({image}), image);

  auto a = StrokedLine(0, 0, 100, 0, 1, 0), b = StrokedLine(0, 10, 100, 10, 1, 1);
  EXPECT_TRUE(a->isBorderEqualToPath(*b));
  b->pictInfo()->strokeweight = 1.5;
  EXPECT_FALSE(a->isBorderEqualToPath(*b));
  EXPECT_TRUE(a->IsEqualColor({0, 0, 0, 255}));
  EXPECT_FALSE(a->IsEqualColor({255, 255, 255, 255}));

  auto far = FilledRect(RectMake(200, 200, 10, 10), 3);
  EXPECT_FALSE(far->isIntersectRunPaths({early}, {0, 0}));
  EXPECT_TRUE(far->isIntersectRunPaths({early, late}, {-200, -200}));
}

// A copy carries every field; the copy and its source change and go away
// independently.
TEST(VQDocxRunPathTest, CopiesAreFullAndIndependent) {
  Style s;
  s.fill = s.stroke = true;
  s.fillColor = vq::ColorMakeRGB(1, 0, 0);
  s.strokeColor = vq::ColorMakeRGB(0, 0, 1);
  s.weight = 3;
  auto source = MakeRun(RectPath(RectMake(10, 10, 50, 20)), s, 9);
  source->pictInfo()->setFillAlpha(0.5f);
  source->pictInfo()->setStrokeAlpha(0.25f);
  source->pictInfo()->strokeDashPattern = std::vector<double>{3, 2};
  source->pictInfo()->strokeDashPhase = 1;
  source->pictZIndex = -5;
  source->isTableLine = true;
  source->clipBezierPaths = {vq::VQPDFClipPath::NewClipPath(RectPath(RectMake(0, 0, 30, 30)), 2)};

  auto copy = source->clone();
  ASSERT_TRUE(copy);
  ASSERT_NE(copy.get(), source.get());
  ASSERT_NE(copy->pictInfo().get(), source->pictInfo().get()) << "the style record is the copy's own";
  const VQDocxPathInfo& c = *copy->pictInfo();
  EXPECT_TRUE(c.filled);
  EXPECT_TRUE(c.stroked);
  EXPECT_EQ(c.fillcolor(), vq::ColorMakeRGB(1, 0, 0));
  EXPECT_EQ(c.strokecolor(), vq::ColorMakeRGB(0, 0, 1));
  EXPECT_FLOAT_EQ(c.fillAlpha(), 0.5f);
  EXPECT_FLOAT_EQ(c.strokeAlpha(), 0.25f);
  EXPECT_EQ(c.fillColorVQ().alpha, 127);
  EXPECT_EQ(c.strokeColorVQ().alpha, 63);
  EXPECT_EQ(c.strokeweight, 3);
  EXPECT_EQ(c.strokeDashPattern, (std::vector<double>{3, 2}));
  EXPECT_EQ(c.strokeDashPhase, 1);
  EXPECT_EQ(copy->pdfScanIndex(), 9u);
  EXPECT_EQ(copy->pictZIndex, -5);
  EXPECT_TRUE(copy->isTableLine);
  EXPECT_EQ(copy->runLineType(), source->runLineType());
  EXPECT_EQ(copy->runCGPath(), source->runCGPath());
  EXPECT_EQ(copy->boundingBox(), source->boundingBox());
  EXPECT_EQ(copy->runLinePointArray(), source->runLinePointArray());
  ASSERT_EQ(copy->clipBezierPaths.size(), 1u);
  EXPECT_EQ(copy->clipBezierPaths[0]->clipType, 2);

  copy->pictInfo()->filled = false;
  copy->pictInfo()->setFillcolor(vq::ColorMakeGray(1));
  copy->setRunCGPath(Line(0, 0, 1, 1));
  EXPECT_TRUE(source->pictInfo()->filled);
  EXPECT_EQ(source->pictInfo()->fillcolor(), vq::ColorMakeRGB(1, 0, 0));
  EXPECT_EQ(source->runCGPath(), RectPath(RectMake(10, 10, 50, 20)));
  source.reset();
  EXPECT_EQ(copy->clipBezierPaths[0]->clipType, 2) << "the copy outlives its source";

  // The record alone copies whole too.
  auto recordCopy = c.copy();
  auto* r = dynamic_cast<VQDocxPathInfo*>(recordCopy.get());
  ASSERT_NE(r, nullptr);
  EXPECT_TRUE(r->stroked);
  EXPECT_EQ(r->strokecolor(), vq::ColorMakeRGB(0, 0, 1));
  EXPECT_FLOAT_EQ(r->strokeAlpha(), 0.25f);
}

TEST(VQDocxRunPathTest, Description) {
  auto run = StrokedLine(10, 50, 110, 50, 2, 12);
  EXPECT_EQ(run->description(),
            fmt::format("<VQDocxRunPath: {}:[pdfScanIndex:12][stroked:1][filled:0][isHaveCurve:0][runLineType:1]"
                        "[isTableLine:0][displayRect:10.000000,49.000000,100.000000,2.000000]>",
                        fmt::ptr(run.get())));
}

// ---- VML

// The Part's example, attribute by attribute; the shape also carries its
// geometry in a space mapped one to one onto its box.
TEST(VQDocxRunPathTest, VMLOfAStrokedRectangle) {
  Style s;
  s.stroke = true;
  auto run = MakeRun(RectPath(RectMake(100, 200, 50, 30)), s, 7);
  run->pictZIndex = -251657498;
  EXPECT_EQ(Drawing(*run),
            "<v:shapetype id=\"Shape7\" coordorigin=\"2000,4000\" coordsize=\"1000,600\" o:spt=\"12\" "
            "path=\"m2000,4000l3000,4000l3000,4600l2000,4600xe\"><v:stroke joinstyle=\"miter\"/></v:shapetype>"
            "<v:shape id=\"WS_Shape7\" type=\"Shape7\" style=\"position:absolute;left:0;text-align:left;"
            "margin-left:99.00pt;margin-top:199.00pt;width:52.00pt;height:32.00pt;"
            "mso-position-horizontal-relative:page;mso-position-vertical-relative:page;z-index:-251657498\" "
            "filled=\"f\" stroked=\"t\" strokeweight=\"1.00pt\" strokecolor=\"#000000\" coordorigin=\"1980,3980\" "
            "coordsize=\"1040,640\" path=\"m2000,4000l3000,4000l3000,4600l2000,4600xe\">"
            "<v:fill opacity=\"0\"/><w10:wrap type=\"none\"/></v:shape>");

  const std::string whole = vqtest::writeXML([&](vq::XMLFileWriter& w) { run->writeWithXMLWriter(w); });
  EXPECT_EQ(whole.rfind("<w:r><w:rPr>", 0), 0u) << whole;
  EXPECT_NE(whole.find("</w:rPr><w:pict><v:shapetype"), std::string::npos);
  EXPECT_NE(whole.find("</v:shape></w:pict></w:r>"), std::string::npos);
}

TEST(VQDocxRunPathTest, VMLOfThinFillsAndStrokes) {
  // A thin filled bar is written as a stroke as wide as the bar.
  Style red;
  red.fill = true;
  red.fillColor = vq::ColorMakeRGB(1, 0, 0);
  auto bar = MakeRun(RectPath(RectMake(10, 20, 0.5, 40)), red);
  std::string xml = Drawing(*bar);
  EXPECT_EQ(Attribute(xml, "v:shapetype", "path"), "m200,400l200,1200e");
  EXPECT_EQ(Attribute(xml, "v:shape", "filled"), "f");
  EXPECT_EQ(Attribute(xml, "v:shape", "stroked"), "t");
  EXPECT_EQ(Attribute(xml, "v:shape", "strokeweight"), "0.50pt");
  EXPECT_EQ(Attribute(xml, "v:shape", "strokecolor"), "#FF0000");
  EXPECT_EQ(Attribute(xml, "v:shape", "fillcolor"), "<none>");

  // The width test comes first.
  auto dot = MakeRun(RectPath(RectMake(10, 20, 0.4, 0.4)), red);
  EXPECT_EQ(Attribute(Drawing(*dot), "v:shapetype", "path"), "m200,400l200,408e");

  // A stroke of no height: coordinate size 0 in the shape type, a style box
  // as high as the weight plus 2, and the shape's own space never empty.
  Style stroke;
  stroke.stroke = true;
  stroke.weight = 2;
  auto flat = MakeRun(Line(10, 50, 110, 50), stroke, 0, RectMake(10, 50, 100, 0));
  xml = Drawing(*flat);
  EXPECT_EQ(Attribute(xml, "v:shapetype", "coordsize"), "2000,0");
  EXPECT_NE(xml.find("height:4.00pt"), std::string::npos) << xml;
  EXPECT_EQ(Attribute(xml, "v:shape", "coordsize"), "2040,80");

  stroke.weight = 0;
  auto hair = MakeRun(Line(10, 50, 110, 50), stroke, 0, RectMake(10, 50, 100, 1));
  EXPECT_EQ(Attribute(Drawing(*hair), "v:shape", "strokeweight"), "0.01pt");
}

TEST(VQDocxRunPathTest, VMLOpacityDashesAndMoves) {
  Style s;
  s.fill = true;
  auto half = MakeRun(RectPath(RectMake(0, 0, 10, 10)), s);
  half->pictInfo()->setFillAlpha(0.5f);
  std::string xml = Drawing(*half);
  EXPECT_EQ(Attribute(xml, "v:fill", "type", 0), "solid");
  EXPECT_EQ(Attribute(xml, "v:fill", "opacity", 1), "32896f");
  auto opaque = MakeRun(RectPath(RectMake(0, 0, 10, 10)), s);
  xml = Drawing(*opaque);
  EXPECT_EQ(xml.find("opacity"), std::string::npos);

  Style stroke;
  stroke.stroke = true;
  auto dashed = MakeRun(Line(0, 5, 100, 5), stroke, 0, RectMake(0, 4.5, 100, 1));
  dashed->pictInfo()->setStrokeAlpha(0.25f);
  dashed->pictInfo()->strokeDashPattern = std::vector<double>{3, 3};
  dashed->pictInfo()->strokeDashPhase = 2;
  xml = Drawing(*dashed);
  EXPECT_EQ(Attribute(xml, "v:stroke", "opacity", 1), "16448f");
  EXPECT_NE(Attribute(xml, "v:stroke", "dashstyle", 2), "<none>");
  EXPECT_EQ(Attribute(xml, "v:stroke", "dashPhase", 2), "2");

  Path twoMoves;
  twoMoves.moveTo(1, 1);
  twoMoves.moveTo(2, 2);
  twoMoves.lineTo(3, 3);
  EXPECT_EQ(VQDocxRunPath::VMLPathString(twoMoves), "m40,40l60,60e");
  Path quad;
  quad.moveTo(0, 0);
  quad.quadCurveTo({1, 2}, {3, 4});
  EXPECT_EQ(VQDocxRunPath::VMLPathString(quad), "m0,0c20,40,60,80e");
}

// Two runs of one scan index (annotation paths) get one shape-type name.
TEST(VQDocxRunPathTest, VMLShapeTypeNamesFollowTheScanIndex) {
  Style s;
  s.fill = true;
  auto a = MakeRun(RectPath(RectMake(0, 0, 10, 10)), s, 0);
  auto b = MakeRun(RectPath(RectMake(20, 0, 10, 10)), s, 0);
  EXPECT_EQ(Attribute(Drawing(*a), "v:shapetype", "id"), Attribute(Drawing(*b), "v:shapetype", "id"));
}

// A filled open sub-path is written closed, as PDF fills it.
TEST(VQDocxRunPathTest, VMLClosesOpenFilledSubPaths) {
  Path triangle;
  triangle.moveTo(10, 10);
  triangle.lineTo(20, 10);
  triangle.lineTo(10, 20);
  Style fill;
  fill.fill = true;
  auto run = MakeRun(triangle, fill);
  EXPECT_EQ(Attribute(Drawing(*run), "v:shape", "path"), "m200,200l400,200l200,400xe");
  Style both = fill;
  both.stroke = true;
  auto stroked = MakeRun(triangle, both);
  EXPECT_EQ(Attribute(Drawing(*stroked), "v:shape", "path"), "m200,200l400,200l200,400e") << "strokes stay open";
}

// Coordinates that are no number never reach the document.
TEST(VQDocxRunPathTest, VMLNeverWritesNaN) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  Path p;
  p.moveTo(nan, 1);
  p.lineTo(std::numeric_limits<double>::infinity(), 2);
  EXPECT_EQ(VQDocxRunPath::VMLPathString(p), "m0,20l0,40e");

  Style s;
  s.fill = true;
  auto run = MakeRun(RectPath(RectMake(0, 0, 10, 10)), s);
  run->pictInfo()->displayX = nan;
  EXPECT_EQ(vqtest::writeXML([&](vq::XMLFileWriter& w) { run->writeWithXMLWriter(w); }), "")
      << "a run placed at no number writes nothing";
  auto noRecord = std::make_shared<VQDocxRunPath>();
  EXPECT_EQ(vqtest::writeXML([&](vq::XMLFileWriter& w) { noRecord->writeWithXMLWriter(w); }), "");
}

// ---- Path arrays

TEST(VQDocxRunPathArrays, PageBackgroundAndInvisiblePaths) {
  EXPECT_EQ(VQDocxRunPath::FindBigRectangeRunPath({FilledRect(RectMake(0, 0, 500, 500), 0)}), nullptr)
      << "one path is never a background";
  auto small = FilledRect(RectMake(0, 0, 100, 100), 0), big = FilledRect(RectMake(0, 0, 500, 500), 1);
  EXPECT_EQ(VQDocxRunPath::FindBigRectangeRunPath({small, big}), big);

  const vq::Color white = vq::ColorMakeGray(1);
  auto line = StrokedLine(0, 50, 100, 50, 3, 0);
  auto whiteOver = FilledRect(RectMake(10, 40, 50, 20), 1, white);
  auto whiteAlone = FilledRect(RectMake(300, 300, 50, 20), 2, white);
  const auto invisible = VQDocxRunPath::FindDuplicateRunPath(nullptr, {line, whiteOver, whiteAlone});
  EXPECT_EQ(invisible, VQDocxRunPath::Array{whiteAlone}) << "a white box over a line hides it: it stays";

  // A grey page background: only grey paths inside it and painted after it.
  const vq::Color grey = vq::ColorMakeGray(0.5);
  auto background = FilledRect(RectMake(0, 0, 400, 400), 5, grey);
  auto before = FilledRect(RectMake(10, 10, 10, 10), 4, grey);
  auto after = FilledRect(RectMake(30, 30, 10, 10), 6, grey);
  auto outside = FilledRect(RectMake(500, 500, 10, 10), 7, grey);
  EXPECT_EQ(VQDocxRunPath::FindDuplicateRunPath(background, {before, after, outside}), VQDocxRunPath::Array{after});
  EXPECT_TRUE(VQDocxRunPath::FindDuplicateRunPath(StrokedLine(0, 0, 10, 0, 1, 0), {after}).empty())
      << "a background that is no rectangle";
}

TEST(VQDocxRunPathArrays, SmallAloneAndAnnotationPaths) {
  auto r6x5 = FilledRect(RectMake(0, 0, 6, 5), 0), r12x9 = FilledRect(RectMake(0, 0, 12, 9), 1),
       r20x20 = FilledRect(RectMake(0, 0, 20, 20), 2);
  EXPECT_EQ(VQDocxRunPath::FindSmallRects({r6x5, r12x9, r20x20}), (VQDocxRunPath::Array{r6x5, r12x9}));
  auto speck = FilledRect(RectMake(50, 50, 0.5, 0.5), 3);
  EXPECT_EQ(VQDocxRunPath::FindSmallShapes({speck, r6x5}, {1, 1}), VQDocxRunPath::Array{speck});
  r6x5->isAnnotion = true;
  EXPECT_EQ(VQDocxRunPath::FindAnnotionlPaths({r6x5, r12x9}), VQDocxRunPath::Array{r6x5});

  Style s;
  s.stroke = true;
  auto frame = MakeRun(RectPath(RectMake(100, 100, 50, 50)), s, 4);
  auto page = FilledRect(RectMake(0, 0, 500, 500), 0);
  auto far = FilledRect(RectMake(300, 300, 10, 10), 5);
  EXPECT_EQ(VQDocxRunPath::FindAloneRects({frame, page, far}), VQDocxRunPath::Array{frame});
  auto crossing = StrokedLine(90, 120, 200, 120, 1, 6);
  EXPECT_TRUE(VQDocxRunPath::FindAloneRects({frame, crossing}).empty());
}

TEST(VQDocxRunPathArrays, ThinRectanglesBecomeLines) {
  auto bar = FilledRect(RectMake(10, 10, 3, 40), 0);
  auto block = FilledRect(RectMake(100, 10, 3, 8), 1);
  const auto result = VQDocxRunPath::ConvertRect2LineIfNeed({bar, block});
  ASSERT_EQ(result.size(), 2u);
  EXPECT_EQ(bar->runLineType(), vq::VQDocxRunLineTypeVertical);
  EXPECT_TRUE(bar->pictInfo()->stroked);
  EXPECT_FALSE(bar->pictInfo()->filled);
  EXPECT_DOUBLE_EQ(bar->pictInfo()->strokeweight, 3);
  EXPECT_EQ(bar->runCGPath(), Line(11.5, 10, 11.5, 50));
  EXPECT_EQ(bar->boundingBox(), RectMake(10, 10, 3, 40));
  EXPECT_EQ(block->runLineType(), vq::VQDocxRunLineTypeSmallRect) << "3 by 8 stays a rectangle";
}

TEST(VQDocxRunPathArrays, CollinearLinesMerge) {
  auto a = StrokedLine(0, 50, 100, 50, 1, 3), b = StrokedLine(102, 50, 200, 50, 1, 4);
  a->pictZIndex = 11;
  VQDocxRunPath::Array paths{b, a};
  auto merged = VQDocxRunPath::MergeOverlapLinesIfNeed(paths);
  ASSERT_EQ(merged.size(), 1u);
  EXPECT_EQ(merged[0], a) << "the first in scan order is kept";
  EXPECT_EQ(a->pdfScanIndex(), 3u);
  EXPECT_EQ(a->pictZIndex, 11);
  EXPECT_EQ(a->runCGPath(), Line(0, 50, 200, 50));

  VQDocxRunPath::Array apart{StrokedLine(0, 50, 100, 50, 1, 0), StrokedLine(104, 50, 200, 50, 1, 1)};
  EXPECT_EQ(VQDocxRunPath::MergeOverlapLinesIfNeed(apart).size(), 2u) << "a gap of 4";
  VQDocxRunPath::Array weights{StrokedLine(0, 50, 100, 50, 1, 0), StrokedLine(102, 50, 200, 50, 1.5, 1)};
  EXPECT_EQ(VQDocxRunPath::MergeOverlapLinesIfNeed(weights).size(), 2u) << "thicknesses differ by 0.5";
}

TEST(VQDocxRunPathArrays, SameColouredRectanglesMerge) {
  auto left = FilledRect(RectMake(0, 0, 10, 10), 0), right = FilledRect(RectMake(10, 0, 10, 10), 1);
  const auto merged = VQDocxRunPath::MergeOverlapRectangesIfNeed({left, right});
  ASSERT_EQ(merged.size(), 1u);
  EXPECT_EQ(merged[0]->boundingBox(), RectMake(0, 0, 20, 10));
  EXPECT_EQ(merged[0]->runLineType(), vq::VQDocxRunLineTypeRect);
  EXPECT_TRUE(merged[0]->pictInfo()->filled);

  auto red = FilledRect(RectMake(0, 0, 10, 10), 0, vq::ColorMakeRGB(1, 0, 0));
  auto blue = FilledRect(RectMake(5, 0, 10, 10), 1, vq::ColorMakeRGB(0, 0, 1));
  EXPECT_EQ(VQDocxRunPath::MergeOverlapRectangesIfNeed({red, blue}).size(), 2u);
  EXPECT_EQ(VQDocxRunPath::FindMaxAreaOverlapRectanges({}), nullptr);
}

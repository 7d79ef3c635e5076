#include "pptx/VQPPTXShape.h"

#include <fmt/format.h>
#include <algorithm>
#include <cmath>

#include "common/VQHexColor.h"
#include "office/VQNumberFormat.h"
#include "office/VQOpenXMLNameSpace.h"
#include "office/XMLFileWriter.h"

namespace vq {
namespace {

constexpr std::string_view A = gl_namespace_xmlns_a;
constexpr std::string_view R = gl_namespace_xmlns_r;
constexpr std::string_view P = "http://schemas.openxmlformats.org/presentationml/2006/main";

void open(XMLFileWriter& w, std::string_view ns, std::string_view name) { w.writeStartElementWithNamespace(ns, name); }
void close(XMLFileWriter& w) { w.writeEndElement(); }
void attr(XMLFileWriter& w, std::string_view name, std::string_view value) { w.writeAttribute(name, value); }
// An element with attributes only.
void leaf(XMLFileWriter& w, std::string_view ns, std::string_view name,
          std::initializer_list<std::pair<std::string_view, std::string>> attrs = {}) {
  open(w, ns, name);
  for (const auto& [k, v] : attrs) attr(w, k, v);
  close(w);
}

std::string hex6(const std::string& s) { return s.empty() || s[0] != '#' ? s : s.substr(1); }

std::string colorHex(const std::optional<Color>& c, bool painted) {
  if (!painted || !c) return "ffffff";
  return VQHexColor::getHexColorFromCGColor(*c);
}

void writeXfrm(XMLFileWriter& w, double x, double y, double cx, double cy, double rotation, bool flipH, bool flipV) {
  open(w, A, "xfrm");
  if (rotation != 0) attr(w, "rot", VQPPTXAngle(rotation));
  if (flipH) attr(w, "flipH", "1");
  if (flipV) attr(w, "flipV", "1");
  leaf(w, A, "off", {{"x", VQPPTXEmu(x)}, {"y", VQPPTXEmu(y)}});
  leaf(w, A, "ext", {{"cx", VQPPTXEmu(cx)}, {"cy", VQPPTXEmu(cy)}});
  close(w);
}

void writeRectGeometry(XMLFileWriter& w) {
  open(w, A, "prstGeom");
  attr(w, "prst", "rect");
  leaf(w, A, "avLst");
  close(w);
}

void writeSolidFill(XMLFileWriter& w, const std::string& hex, float alpha) {
  open(w, A, "solidFill");
  open(w, A, "srgbClr");
  attr(w, "val", hex6(hex));
  leaf(w, A, "alpha", {{"val", VQFormatFixed(static_cast<double>(alpha) * 100000.0, 0)}});
  close(w);
  close(w);
}

bool isRightAngle(double r) { return r == 90 || r == 270; }

}  // namespace

// ---- runs and paragraphs ---------------------------------------------------

void VQPPTXRun::writeRunWithXMLWriter(XMLFileWriter& w) const {
  const auto& r = rProperty;
  open(w, A, "r");
  open(w, A, "rPr");
  attr(w, "lang", r.lang);
  attr(w, "altLang", r.altLang);
  attr(w, "sz", VQFormatFixed(static_cast<double>(r.sz) * 100.0, 0));
  attr(w, "dirty", fmt::format("{}", static_cast<int>(r.dirty)));
  attr(w, "b", fmt::format("{}", static_cast<int>(r.b)));
  attr(w, "i", fmt::format("{}", static_cast<int>(r.i)));
  attr(w, "smtClean", fmt::format("{}", static_cast<int>(r.smtClean)));
  if (r.invisible) {
    writeSolidFill(w, r.rgbColor.empty() ? "000000" : r.rgbColor, 0.f);
  } else if (!r.rgbColor.empty()) {
    open(w, A, "solidFill");
    leaf(w, A, "srgbClr", {{"val", hex6(r.rgbColor)}});
    close(w);
  }
  for (auto [name, font] : {std::pair{"latin", &r.latin}, std::pair{"cs", &r.cs}})
    leaf(w, A, name, {{"typeface", font->typeface}, {"pitchFamily", font->pitchFamily}, {"charset", font->charset}});
  close(w);
  open(w, A, "t");
  w.writeCharacters(text);
  close(w);
  close(w);
}

double VQPPTXParagraph::textWidth() const {
  double sum = 0;
  for (const auto& r : runArray) sum += r.textWidth;
  return sum;
}

void VQPPTXParagraph::writeParagraphWithXMLWriter(XMLFileWriter& w) const {
  if (runArray.empty()) return;
  open(w, A, "p");
  open(w, A, "pPr");
  if (pProperty.marL > 0) attr(w, "marL", VQPPTXEmu(pProperty.marL));
  open(w, A, "lnSpc");
  leaf(w, A, "spcPts", {{"val", VQFormatFixed(pProperty.lnSpc * 100.0, 0)}});
  close(w);
  if (pProperty.tabList.pos > 0) {
    open(w, A, "tabLst");
    leaf(w, A, "tab", {{"pos", VQPPTXEmu(pProperty.tabList.pos)}, {"algn", pProperty.tabList.algn}});
    close(w);
  }
  close(w);
  for (const auto& r : runArray) r.writeRunWithXMLWriter(w);
  close(w);
}

// ---- placement records -------------------------------------------------------

void VQPPTXFreeformInfo::setDisplayRect(const Rect& r) {
  displayX = r.origin.x, displayY = r.origin.y, displayWidth = r.size.width, displayHeight = r.size.height;
}

std::string VQPPTXFreeformInfo::fillcolorString() const { return colorHex(fillcolor, filled); }
std::string VQPPTXFreeformInfo::strokecolorString() const { return colorHex(strokecolor, stroked); }

std::string VQPPTXFreeformInfo::lineCapString() const {
  switch (lineCap) {
    case 0:
      return "flat";
    case 1:
      return "rnd";
    case 2:
      return "sq";
    default:
      return {};
  }
}

void VQPPTXImageInfo::setDisplayRect(const Rect& r) {
  displayX = r.origin.x, displayY = r.origin.y, displayWidth = r.size.width, displayHeight = r.size.height;
}

VQPPTXImageInfo VQPPTXImageInfo::initWithTransform(const AffineTransform& T, double fillAlpha) {
  VQPPTXImageInfo info;
  const Point p00 = PointApplyAffineTransform({0, 0}, T), p10 = PointApplyAffineTransform({1, 0}, T),
              p11 = PointApplyAffineTransform({1, 1}, T), p01 = PointApplyAffineTransform({0, 1}, T);
  info.vertices = {p00, p10, p11, p01};
  float r = std::atan2(static_cast<float>(T.b), static_cast<float>(T.a)) * 180.f / static_cast<float>(M_PI);
  if (!std::isfinite(r)) r = 0;
  while (r < 0) r += 360;
  while (r >= 360) r -= 360;
  info.rotation = r;
  const double width = std::hypot(p10.x - p00.x, p10.y - p00.y);
  const double height = std::hypot(p11.x - p10.x, p11.y - p10.y);
  const Point mid{(p00.x + p11.x) / 2, (p00.y + p11.y) / 2};
  info.displayWidth = width;
  info.displayHeight = height;
  info.displayX = mid.x - width / 2;
  info.displayY = mid.y - height / 2;
  // Display space has y downwards: an image drawn upright has a negative
  // determinant there, a positive one shows it upside down.
  const float det =
      static_cast<float>(T.a) * static_cast<float>(T.d) - static_cast<float>(T.b) * static_cast<float>(T.c);
  info.flipY = det > 0;
  info.opacity = static_cast<float>(fillAlpha);
  return info;
}

// ---- shapes ------------------------------------------------------------------

VQPPTXShape::VQPPTXShape(VQPPTXShapeType type) : spType(type), bodyPr(VQPPTXUtilities::defaultTextBodyProperty()) {}

void VQPPTXShape::writeShapeWith(XMLFileWriter& w) {
  open(w, P, "sp");
  write_nvSpPr(w);
  write_spPr(w);
  write_style(w);
  write_txBody(w);
  close(w);
}

void VQPPTXTextbox::write_nvSpPr(XMLFileWriter& w) {
  open(w, P, "nvSpPr");
  leaf(w, P, "cNvPr", {{"id", fmt::format("{}", shapeId)}, {"name", fmt::format("TextBox {}", shapeId - 1)}});
  leaf(w, P, "cNvSpPr", {{"txBox", "1"}});
  leaf(w, P, "nvPr");
  close(w);
}

void VQPPTXTextbox::write_spPr(XMLFileWriter& w) {
  const auto& s = spInfo;
  open(w, P, "spPr");
  const bool swap = isRightAngle(s.rotation);
  writeXfrm(w, s.displayX, s.displayY, swap ? s.displayHeight : s.displayWidth, swap ? s.displayWidth : s.displayHeight,
            s.rotation, false, false);
  writeRectGeometry(w);
  leaf(w, A, "noFill");
  close(w);
}

void VQPPTXTextbox::write_txBody(XMLFileWriter& w) {
  open(w, P, "txBody");
  open(w, A, "bodyPr");
  attr(w, "wrap", bodyPr.warp);
  attr(w, "lIns", fmt::format("{}", bodyPr.lIns));
  attr(w, "tIns", fmt::format("{}", bodyPr.tIns));
  attr(w, "rIns", fmt::format("{}", bodyPr.rIns));
  attr(w, "bIns", fmt::format("{}", bodyPr.bIns));
  attr(w, "rtlCol", fmt::format("{}", static_cast<int>(bodyPr.rtlCol)));
  // The box is as large as its text on the page, its text at its top left.
  // A box that fits itself to its text would be grown about its centre by
  // some slide programs when the standing-in face is wider than the page's,
  // moving the line's start off the page's.
  leaf(w, A, "noAutofit");
  close(w);
  leaf(w, A, "lstStyle");
  bool wrote = false;
  for (const auto& p : paragraphs) {
    p.writeParagraphWithXMLWriter(w);
    wrote = wrote || !p.runArray.empty();
  }
  // A text body holds at least one paragraph.
  if (!wrote) leaf(w, A, "p");
  close(w);
}

std::vector<VQPPTXPathElement> VQPPTXFreeform::pointsWithCGPath(const Path& path) {
  std::vector<VQPPTXPathElement> out;
  for (const auto& e : path) {
    const int type = static_cast<int>(e.type);
    if (type < 0 || type > 4) continue;
    VQPPTXPathElement pe;
    pe.type = type;
    pe.points.assign(e.points.begin(), e.points.begin() + e.pointCount());
    out.push_back(std::move(pe));
  }
  return out;
}

void VQPPTXFreeform::write_nvSpPr(XMLFileWriter& w) {
  open(w, P, "nvSpPr");
  leaf(w, P, "cNvPr", {{"id", fmt::format("{}", shapeId)}, {"name", fmt::format("Freeform {}", shapeId - 1)}});
  leaf(w, P, "cNvSpPr");
  leaf(w, P, "nvPr");
  close(w);
}

void VQPPTXFreeform::write_SpPr_custGeom(XMLFileWriter& w) {
  const auto elements = pointsWithCGPath(runCGPath);
  const Point origin = spInfo.displayOrigin();
  const std::string W = VQPPTXEmu(spInfo.displayWidth), H = VQPPTXEmu(spInfo.displayHeight);
  auto rx = [&](const Point& p) { return VQPPTXEmu(p.x - origin.x); };
  auto ry = [&](const Point& p) { return VQPPTXEmu(p.y - origin.y); };

  open(w, A, "custGeom");
  leaf(w, A, "avLst");
  open(w, A, "gdLst");
  for (size_t i = 0; i < elements.size(); ++i) {
    if (elements[i].points.empty()) continue;
    const Point& last = elements[i].points.back();
    leaf(w, A, "gd", {{"name", fmt::format("connsiteX{}", i)}, {"fmla", fmt::format("*/ {} w {}", rx(last), W)}});
    leaf(w, A, "gd", {{"name", fmt::format("connsiteY{}", i)}, {"fmla", fmt::format("*/ {} h {}", ry(last), H)}});
  }
  close(w);
  leaf(w, A, "ahLst");
  open(w, A, "cxnLst");
  for (size_t i = 0; i < elements.size(); ++i) {
    if (elements[i].points.empty()) continue;
    open(w, A, "cxn");
    attr(w, "ang", fmt::format("{}", i));
    leaf(w, A, "pos", {{"x", fmt::format("connsiteX{}", i)}, {"y", fmt::format("connsiteY{}", i)}});
    close(w);
  }
  close(w);
  leaf(w, A, "rect", {{"l", "l"}, {"t", "t"}, {"r", "r"}, {"b", "b"}});
  open(w, A, "pathLst");
  open(w, A, "path");
  attr(w, "w", W);
  attr(w, "h", H);
  static constexpr std::string_view kNames[] = {"moveTo", "lnTo", "quadBezTo", "cubicBezTo"};
  // Each subpath the page closed is closed here too, wherever it lies in
  // the path. A fill closes every subpath on the page, so a shape that is
  // only filled closes the open ones as well: slides leave open subpaths
  // unfilled.
  const bool fillCloses = spInfo.filled && !spInfo.stroked;
  bool drawn = false;  // something since the subpath began
  for (const auto& e : elements) {
    if (e.type == 4 || (e.type == 0 && drawn && fillCloses)) {
      if (drawn) leaf(w, A, "close");
      drawn = false;
      if (e.type == 4) continue;
    }
    if (e.points.empty() || e.type > 3) continue;
    open(w, A, kNames[e.type]);
    for (const auto& p : e.points) leaf(w, A, "pt", {{"x", rx(p)}, {"y", ry(p)}});
    close(w);
    drawn = e.type != 0;
  }
  if (drawn && fillCloses) leaf(w, A, "close");
  close(w);
  close(w);
  close(w);
}

void VQPPTXFreeform::write_spPr(XMLFileWriter& w) {
  const auto& s = spInfo;
  open(w, P, "spPr");
  writeXfrm(w, s.displayX, s.displayY, s.displayWidth, s.displayHeight, 0, false, false);
  write_SpPr_custGeom(w);
  writeSolidFill(w, s.fillcolorString(), s.fillAlpha());

  const double weight = s.stroked ? s.strokeweight : 1.0;
  open(w, A, "ln");
  attr(w, "w", VQPPTXEmu(weight));
  if (const std::string cap = s.lineCapString(); !cap.empty()) attr(w, "cap", cap);
  writeSolidFill(w, s.strokecolorString(), s.strokeAlpha());
  const auto& dash = s.strokeDashPattern;
  // A pattern without any length draws a solid line.
  if (std::none_of(dash.begin(), dash.end(), [](double v) { return v > 0; })) {
    leaf(w, A, "prstDash", {{"val", "solid"}});
  } else {
    // Every pattern is written as it is: a preset stands for a fixed
    // proportion, and would turn a page's dotted rule into dashes.
    // An odd dash array repeats once more, as PDF draws it ([a b c] is
    // a on, b off, c on, a off, b on, c off), so every dash gets a space.
    std::vector<double> entries = dash;
    if (entries.size() % 2) entries.insert(entries.end(), dash.begin(), dash.end());
    // Custom dashes are measured in line widths (100000 is one); the
    // pattern is in slide points like the weight. A meaningless entry is
    // one line width.
    auto value = [&](double v) -> std::string {
      double pct = v / weight * 100000.0;
      if (!std::isfinite(pct) || pct < 0) pct = 100000;
      return fmt::format("{}", static_cast<int64_t>(std::min(std::round(pct), 2147483647.0)));
    };
    open(w, A, "custDash");
    for (size_t i = 0; i + 1 < entries.size(); i += 2)
      leaf(w, A, "ds", {{"d", value(entries[i])}, {"sp", value(entries[i + 1])}});
    close(w);
  }
  close(w);
  close(w);
}

void VQPPTXFreeform::write_style(XMLFileWriter& w) {
  open(w, P, "style");
  open(w, A, "lnRef");
  attr(w, "idx", "1");
  open(w, A, "schemeClr");
  attr(w, "val", "accent1");
  leaf(w, A, "shade", {{"val", "50000"}});
  close(w);
  close(w);
  for (auto [name, idx] : {std::pair{"fillRef", "1"}, std::pair{"effectRef", "0"}}) {
    open(w, A, name);
    attr(w, "idx", idx);
    leaf(w, A, "schemeClr", {{"val", "accent1"}});
    close(w);
  }
  open(w, A, "fontRef");
  attr(w, "idx", "minor");
  leaf(w, A, "schemeClr", {{"val", "lt1"}});
  close(w);
  close(w);
}

void VQPPTXFreeform::write_txBody(XMLFileWriter& w) {
  const VQPPTX_PPr last = paragraphs.empty() ? VQPPTXUtilities::defaultPProperty() : paragraphs.back().pProperty;
  open(w, P, "txBody");
  leaf(w, A, "bodyPr", {{"rtlCol", fmt::format("{}", static_cast<int>(bodyPr.rtlCol))}, {"anchor", bodyPr.anchor}});
  leaf(w, A, "lstStyle");
  open(w, A, "p");
  leaf(w, A, "pPr", {{"algn", last.algn}});
  leaf(w, A, "endParaRPr", {{"lang", last.endParaRPr.lang}, {"altLang", last.endParaRPr.altLang}});
  close(w);
  close(w);
}

void VQPPTXPicture::writeShapeWith(XMLFileWriter& w) {
  open(w, P, "pic");
  write_nvPicPr(w);
  write_blipFill(w);
  write_spPr(w);
  close(w);
}

void VQPPTXPicture::write_nvPicPr(XMLFileWriter& w) {
  open(w, P, "nvPicPr");
  leaf(w, P, "cNvPr",
       {{"id", fmt::format("{}", shapeId)}, {"name", fmt::format("Picture {}", shapeId - 1)}, {"descr", ""}});
  open(w, P, "cNvPicPr");
  leaf(w, A, "picLocks", {{"noChangeAspect", "0"}, {"noChangeArrowheads", "0"}});
  close(w);
  leaf(w, P, "nvPr");
  close(w);
}

void VQPPTXPicture::write_blipFill(XMLFileWriter& w) {
  open(w, P, "blipFill");
  open(w, A, "blip");
  w.writeAttributeWithNamespace(R, "embed", runImageID);
  if (pictInfo.opacity < 1)
    leaf(w, A, "alphaModFix", {{"amt", VQFormatFixed(std::max(0.f, pictInfo.opacity) * 100000.0, 0)}});
  close(w);
  leaf(w, A, "srcRect");
  open(w, A, "stretch");
  leaf(w, A, "fillRect");
  close(w);
  close(w);
}

void VQPPTXPicture::write_spPr(XMLFileWriter& w) {
  const auto& s = pictInfo;
  open(w, P, "spPr");
  attr(w, "bwMode", "auto");
  writeXfrm(w, s.displayX, s.displayY, s.displayWidth, s.displayHeight, s.rotation, s.flipX, s.flipY);
  writeRectGeometry(w);
  leaf(w, A, "noFill");
  close(w);
}

}  // namespace vq

// A vector path run written as a floating VML shape: a shape type carrying
// the geometry as a VML path (coordinates in twentieths of a point), and a
// shape placing it on the page one point larger than the path box on every
// side, with its fill and stroke.
#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "docx/capture/VQDocxRunPath.h"
#include "office/VQDocxTokens.h"
#include "office/VQDocxUtilities.h"
#include "office/VQOpenXMLNameSpace.h"
#include "office/XMLFileWriter.h"

namespace vq {

namespace {

// printf's "%0.<n>f" (ties as printf rounds them), with anything that is no
// number written as 0: Word refuses "nan" and "inf".
std::string Fixed(double value, int decimals) {
  if (!std::isfinite(value)) value = 0;
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%0.*f", decimals, value);
  return buffer;
}

std::string Twips(double points) { return Fixed(points * 20, 0); }

bool IsFiniteRect(double x, double y, double w, double h) {
  return std::isfinite(x) && std::isfinite(y) && std::isfinite(w) && std::isfinite(h);
}

}  // namespace

std::string VQDocxRunPath::VMLPathString(const Path& path, bool closeOpenSubpaths) {
  // The pending move belongs to this one walk, so walks on several threads
  // never share it.
  std::string out;
  bool movePending = false;
  bool drawnOpen = false;  // the sub-path has drawn something and is not closed
  Point moveTo;
  auto flushMove = [&] {
    if (!movePending) return;
    out += "m" + Twips(moveTo.x) + "," + Twips(moveTo.y);
    movePending = false;
  };
  auto closeIfAsked = [&] {
    if (closeOpenSubpaths && drawnOpen) out += "x";
    drawnOpen = false;
  };
  for (const PathElement& e : path) {
    switch (e.type) {
      case PathElementType::MoveToPoint:
        closeIfAsked();
        moveTo = e.points[0];
        movePending = true;
        break;
      case PathElementType::AddLineToPoint:
        flushMove();
        out += "l" + Twips(e.points[0].x) + "," + Twips(e.points[0].y);
        drawnOpen = true;
        break;
      case PathElementType::AddQuadCurveToPoint:
        flushMove();
        out += "c" + Twips(e.points[0].x) + "," + Twips(e.points[0].y) + "," + Twips(e.points[1].x) + "," +
               Twips(e.points[1].y);
        drawnOpen = true;
        break;
      case PathElementType::AddCurveToPoint:
        flushMove();
        out += "c" + Twips(e.points[0].x) + "," + Twips(e.points[0].y) + "," + Twips(e.points[1].x) + "," +
               Twips(e.points[1].y) + "," + Twips(e.points[2].x) + "," + Twips(e.points[2].y);
        drawnOpen = true;
        break;
      case PathElementType::CloseSubpath:
        out += "x";
        drawnOpen = false;
        break;
    }
  }
  closeIfAsked();
  out += "e";
  return out;
}

void VQDocxRunPath::writeWithXMLWriter(XMLFileWriter& writer) {
  // A run without a style record, or placed at no number, has nothing to
  // show; writing it would give Word coordinates it refuses.
  if (!pictInfo_) return;
  const VQDocxPathInfo& info = *pictInfo_;
  if (!IsFiniteRect(info.displayX, info.displayY, info.displayWidth, info.displayHeight)) return;
  writer.writeStartElementWithNamespace(gl_namespace_xmlns_w, "r");
  VQDocxUtilities::WriteRProperty(rProperty, writer);
  writer.writeStartElementWithNamespace(gl_namespace_xmlns_w, "pict");
  _writePath2006(writer);
  writer.writeEndElement();  // pict
  writer.writeEndElement();  // r
}

void VQDocxRunPath::_writePath2006(XMLFileWriter& writer) {
  if (!pictInfo_) return;
  VQDocxPathInfo& info = *pictInfo_;
  Path geometry = runCGPath_;

  // Thin filled shapes are drawn as strokes as wide as the shape is thin.
  if (!info.stroked && info.filled) {
    bool thin = false;
    if (info.displayWidth < 1) {
      geometry = Path();
      geometry.moveTo(info.displayX, info.displayY);
      geometry.lineTo(info.displayX, info.displayY + info.displayHeight);
      info.strokeweight = info.displayWidth;
      thin = true;
    } else if (info.displayHeight < 1) {
      geometry = Path();
      geometry.moveTo(info.displayX, info.displayY);
      geometry.lineTo(info.displayX + info.displayWidth, info.displayY);
      info.strokeweight = info.displayHeight;
      thin = true;
    }
    if (thin) {
      info.stroked = true;
      info.filled = false;
      // The stroke takes over the fill's opacity along with its colour.
      info.setStrokeAlpha(info.fillAlpha());
      info.setStrokecolor(info.fillcolor());
    }
  }

  const std::string shapeType = fmt::format("Shape{}", static_cast<int64_t>(pdfScanIndex()));
  writer.writeStartElementWithNamespace(gl_namespace_xmlns_v, "shapetype");
  writer.writeAttribute("id", shapeType);
  writer.writeAttribute("coordorigin", Twips(info.displayX) + "," + Twips(info.displayY));
  writer.writeAttribute("coordsize", Twips(info.displayWidth) + "," + Twips(info.displayHeight));
  writer.writeAttributeWithNamespace(gl_namespace_xmlns_o, "spt", "12");
  // A fill closes every sub-path (PDF fills them closed); readers that fill
  // only closed VML sub-paths (LibreOffice) would otherwise show nothing of
  // an open one. A stroked path keeps its open ends.
  const std::string pathString = VMLPathString(geometry, info.filled && !info.stroked);
  writer.writeAttribute("path", pathString);
  writer.writeStartElementWithNamespace(gl_namespace_xmlns_v, "stroke");
  writer.writeAttribute("joinstyle", "miter");
  writer.writeEndElement();  // stroke
  writer.writeEndElement();  // shapetype

  if (info.stroked) {
    // The shape's box grows to the stroke (after the coordinate size was
    // written, so only the shape's style box changes).
    const float weight = static_cast<float>(info.strokeweight);
    info.displayWidth = std::max(static_cast<float>(info.displayWidth), weight);
    info.displayHeight = std::max(static_cast<float>(info.displayHeight), weight);
  }

  writer.writeStartElementWithNamespace(gl_namespace_xmlns_v, "shape");
  writer.writeAttribute("id", "WS_" + shapeType);
  writer.writeAttribute("type", shapeType);
  std::string style;
  style += "position:absolute;";
  style += "left:0;";
  style += "text-align:left;";
  style += "margin-left:" + Fixed(info.displayX - 1, 2) + "pt;";
  style += "margin-top:" + Fixed(info.displayY - 1, 2) + "pt;";
  style += "width:" + Fixed(info.displayWidth + 2, 2) + "pt;";
  style += "height:" + Fixed(info.displayHeight + 2, 2) + "pt;";
  style += "mso-position-horizontal-relative:page;";
  style += "mso-position-vertical-relative:page;";
  style += fmt::format("z-index:{}", pictZIndex);
  writer.writeAttribute("style", style);
  writer.writeAttribute("filled", info.filled ? "t" : "f");
  if (info.filled)
    if (const auto color = info.fillcolorString()) writer.writeAttribute("fillcolor", *color);
  writer.writeAttribute("stroked", info.stroked ? "t" : "f");
  if (info.stroked) {
    const float weight = std::isfinite(info.strokeweight) ? static_cast<float>(info.strokeweight) : 0.0f;
    writer.writeAttribute("strokeweight", Fixed(std::max(weight, 0.01f), 2) + "pt");
    if (const auto color = info.strokecolorString()) writer.writeAttribute("strokecolor", *color);
  }
  // The shape carries its geometry itself as well, in a coordinate space
  // that maps one to one onto its style box (twentieths of a point from the
  // box's corner). Readers that take the geometry from the shape (LibreOffice
  // draws a shape type of o:spt 12 as its preset star), and the box being a
  // point larger on every side than the path's, then neither lose nor
  // stretch the drawing, and no coordinate size is ever 0.
  writer.writeAttribute("coordorigin", Twips(info.displayX - 1) + "," + Twips(info.displayY - 1));
  writer.writeAttribute("coordsize", Twips(info.displayWidth + 2) + "," + Twips(info.displayHeight + 2));
  writer.writeAttribute("path", pathString);

  if (info.filled) {
    writer.writeStartElementWithNamespace(gl_namespace_xmlns_v, "fill");
    writer.writeAttribute("type", "solid");
    writer.writeEndElement();
    if (info.fillAlpha() < 1) {
      writer.writeStartElementWithNamespace(gl_namespace_xmlns_v, "fill");
      writer.writeAttribute("opacity", Fixed(info.fillAlpha() * 65792.0f, 0) + "f");
      writer.writeEndElement();
    }
  } else {
    writer.writeStartElementWithNamespace(gl_namespace_xmlns_v, "fill");
    writer.writeAttribute("opacity", "0");
    writer.writeEndElement();
  }

  if (info.stroked) {
    if (info.strokeAlpha() < 1) {
      writer.writeStartElementWithNamespace(gl_namespace_xmlns_v, "stroke");
      writer.writeAttribute("opacity", Fixed(info.strokeAlpha() * 65792.0f, 0) + "f");
      writer.writeEndElement();
    }
    if (info.strokeDashPattern && !info.strokeDashPattern->empty()) {
      writer.writeStartElementWithNamespace(gl_namespace_xmlns_v, "stroke");
      writer.writeAttribute("dashstyle", LineDashTypeStringForDashPattern(*info.strokeDashPattern, info.strokeweight));
      if (info.strokeDashPhase > 0) writer.writeAttribute("dashPhase", info.strokeDashPhaseString());
      writer.writeEndElement();
    }
  }
  // The wrap belongs inside the shape: w:pict admits only VML and Office
  // elements as its children, so a w10:wrap beside the shape is invalid.
  writer.writeStartElementWithNamespace(gl_namespace_xmlns_w10, "wrap");
  writer.writeAttribute("type", "none");
  writer.writeEndElement();
  writer.writeEndElement();  // shape
}

}  // namespace vq

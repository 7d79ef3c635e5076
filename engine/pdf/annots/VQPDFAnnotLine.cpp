#include "pdf/annots/VQPDFAnnotLine.h"

#include <cmath>

#include "pdf/VQPDFObjectValues.h"
#include "pdf/VQPDFRenderState.h"

namespace vq {

using vqpdf_detail::ReadNumber;

namespace {

double Distance(Point a, Point b) {
  // Single precision, as the ending geometry is built.
  return static_cast<double>(std::hypot(static_cast<float>(b.x - a.x), static_cast<float>(b.y - a.y)));
}

}  // namespace

int VQPDFAnnotLine::PDFAnnotLineEndingStyleForSubtype(const std::string& name) {
  static const std::pair<const char*, int> kStyles[] = {
      {"Square", VQPDFAnnotLineEndingStyleSquare},
      {"Circle", VQPDFAnnotLineEndingStyleCircle},
      {"Diamond", VQPDFAnnotLineEndingStyleDiamond},
      {"OpenArrow", VQPDFAnnotLineEndingStyleOpenArrow},
      {"ClosedArrow", VQPDFAnnotLineEndingStyleClosedArrow},
      {"Butt", VQPDFAnnotLineEndingStyleButt},
      {"ROpenArrow", VQPDFAnnotLineEndingStyleROpenArrow},
      {"RClosedArrow", VQPDFAnnotLineEndingStyleRClosedArrow},
      {"Slash", VQPDFAnnotLineEndingStyleSlash},
  };
  for (const auto& [n, style] : kStyles) {
    if (name == n) return style;
  }
  return VQPDFAnnotLineEndingStyleNone;
}

void VQPDFAnnotLine::initWithPDFDictionary(const pdf::Object& dictionary) {
  VQPDFAnnotMarkup::initWithPDFDictionary(dictionary);
  pdf::Object bs = dictionary.get("BS");
  border = bs.isDictionary() ? std::make_shared<VQPDFBorderBS>(bs) : std::make_shared<VQPDFBorderBS>();
  interiorColor = ColorWithPDFArray(dictionary.get("IC"));

  startPoint = endPoint = Point{};
  pdf::Object l = dictionary.get("L");
  if (l.isArray() && l.size() == 4) {
    double v[4] = {};
    for (size_t i = 0; i < 4; ++i) {
      if (!ReadNumber(l.at(i), &v[i]) || !std::isfinite(v[i])) v[i] = 0;
    }
    startPoint = PointMake(v[0], v[1]);
    endPoint = PointMake(v[2], v[3]);
  }
  pdf::Object le = dictionary.get("LE");
  if (le.isArray()) {
    if (auto n = le.at(0).name()) startLineStyle = PDFAnnotLineEndingStyleForSubtype(*n);
    if (auto n = le.at(1).name()) endLineStyle = PDFAnnotLineEndingStyleForSubtype(*n);
  }
  ReadNumber(dictionary.get("LL"), &leaderLineLength);
  ReadNumber(dictionary.get("LLE"), &leaderLineExtension);
  caption = dictionary.get("Cap").boolean().value_or(false);
  intent = dictionary.get("IT").name();
  ReadNumber(dictionary.get("LLO"), &leaderLineOffset);
  captionPos = dictionary.get("CP").name();
  pdf::Object co = dictionary.get("CO");
  if (co.isArray() && co.size() == 2) {
    ReadNumber(co.at(0), &captionTextHorizontal);
    ReadNumber(co.at(1), &captionTextVertical);
  }
}

AffineTransform VQPDFAnnotLine::GetTransformWithStart(Point s, Point e, double length) {
  const double dx = (e.x - s.x) / length;
  const double dy = (e.y - s.y) / length;
  return AffineTransformMake(dx, dy, -dy, dx, s.x, s.y);
}

void VQPDFAnnotLine::GetAxisAlignedDiamondPoints(Point points[4], double length, double headWidth, double headLength) {
  points[0] = PointMake(length - headLength, 0);
  points[1] = PointMake(length - headLength / 2, headWidth / 2);
  points[2] = PointMake(length, 0);
  points[3] = PointMake(length - headLength / 2, -headWidth / 2);
}

std::optional<Path> VQPDFAnnotLine::EndingArrowFromPoint(Point from, Point to, double headWidth, double headLength,
                                                         bool closed) {
  const double length = Distance(from, to);
  if (!(length > 0)) return std::nullopt;
  Path head;
  head.moveTo(length - headLength, headWidth / 2);
  head.lineTo(length, 0);
  head.lineTo(length - headLength, -headWidth / 2);
  if (closed) head.closeSubpath();
  else head.lineTo(length, 0);
  return head.transformed(GetTransformWithStart(from, to, length));
}

std::optional<Path> VQPDFAnnotLine::EndingDiamondFromPoint(Point from, Point to, double headWidth, double headLength) {
  const double length = Distance(from, to);
  if (!(length > 0)) return std::nullopt;
  Point points[4];
  GetAxisAlignedDiamondPoints(points, length, headWidth, headLength);
  Path head;
  head.addLines({points[0], points[1], points[2], points[3]});
  head.closeSubpath();
  return head.transformed(GetTransformWithStart(from, to, length));
}

std::optional<Path> VQPDFAnnotLine::ArrowPathFrom(Point start, Point end, double lineWidth, bool closed) {
  return EndingArrowFromPoint(start, end, lineWidth * 3, lineWidth * 3, closed);
}

std::optional<Path> VQPDFAnnotLine::DiamondPathFrom(Point start, Point end, double lineWidth) {
  return EndingDiamondFromPoint(start, end, lineWidth * 3, lineWidth * 3);
}

std::optional<Path> VQPDFAnnotLine::VQDFFAnnotLineEndingPathForStyle(int style, const Rect& rect, Point start,
                                                                     Point end, double lineWidth) {
  Path path;
  switch (style) {
    case VQPDFAnnotLineEndingStyleSquare:
      path.addRect(rect);
      return path;
    case VQPDFAnnotLineEndingStyleCircle:
      path.addEllipseInRect(rect);
      return path;
    case VQPDFAnnotLineEndingStyleDiamond:
      return DiamondPathFrom(start, end, lineWidth);
    case VQPDFAnnotLineEndingStyleOpenArrow:
      return ArrowPathFrom(start, end, lineWidth, false);
    case VQPDFAnnotLineEndingStyleClosedArrow:
      return ArrowPathFrom(start, end, lineWidth, true);
    default:
      return std::nullopt;
  }
}

void VQPDFAnnotLine::startParser() {
  VQPDFRenderState* state = stateForOwnDrawing();
  if (!state) return;
  Path path;
  path.moveTo(startPoint);
  path.lineTo(endPoint);
  path.closeSubpath();

  const double borderWidth = border ? border->lineWidth : 1.0;
  const double f = borderWidth > static_cast<double>(0.1f) ? borderWidth * 2 : 4.0;
  auto square = [f](Point c) { return RectMake(c.x - f / 2, c.y - f / 2, f, f); };
  // Each head points outward: the start ending runs from the end point to the start.
  if (auto head = VQDFFAnnotLineEndingPathForStyle(startLineStyle, square(startPoint), endPoint, startPoint, f / 2))
    path.addPath(*head);
  if (auto head = VQDFFAnnotLineEndingPathForStyle(endLineStyle, square(endPoint), startPoint, endPoint, f / 2))
    path.addPath(*head);

  const bool stroke = borderWidth > 0;
  const bool fill =
      (startLineStyle != VQPDFAnnotLineEndingStyleNone || endLineStyle != VQPDFAnnotLineEndingStyleNone) &&
      !interiorColor.isNull;
  if (!stroke && !fill) return;
  if (stroke) {
    setStroke(*state, displayColor(), borderWidth, border ? border->dashPattern : std::nullopt, "VQPDFAnnotLine");
  }
  if (fill) setFill(*state, interiorColor, "VQPDFAnnotLine");
  reportPath(*state, path, stroke, fill);
}

}  // namespace vq

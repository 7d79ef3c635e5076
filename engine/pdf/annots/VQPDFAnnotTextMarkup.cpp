#include "pdf/annots/VQPDFAnnotTextMarkup.h"

#include <algorithm>
#include <cmath>

#include "pdf/VQPDFObjectValues.h"
#include "pdf/VQPDFRenderState.h"

namespace vq {

namespace {
constexpr const char* kColorSpaceKey = "VQPDFAnnotGeometry";
}

int VQPDFAnnotTextMarkup::PDFAnnotTextMarkupTypeForSubtype(const std::string& subtype) {
  if (subtype == "StrikeOut") return VQPDFAnnotTextMarkupTypeStrikeOut;
  if (subtype == "Underline") return VQPDFAnnotTextMarkupTypeUnderline;
  if (subtype == "Squiggly") return VQPDFAnnotTextMarkupTypeSquiggly;
  return VQPDFAnnotTextMarkupTypeHighlight;
}

void VQPDFAnnotTextMarkup::initWithPDFDictionary(const pdf::Object& dictionary) {
  VQPDFAnnotMarkup::initWithPDFDictionary(dictionary);
  markupType = PDFAnnotTextMarkupTypeForSubtype(type.value_or(""));
  quadrilateralPoints.reset();
  pdf::Object quads = dictionary.get("QuadPoints");
  if (!quads.isArray() || quads.size() % 8 != 0) return;
  std::vector<Point> points;
  points.reserve(quads.size() / 2);
  for (size_t i = 0; i + 1 < quads.size(); i += 2) {
    double x = 0;
    double y = 0;
    if (!vqpdf_detail::ReadNumber(quads.at(i), &x) || !vqpdf_detail::ReadNumber(quads.at(i + 1), &y)) return;
    if (!std::isfinite(x) || !std::isfinite(y)) return;
    points.push_back(PointMake(x, y));
  }
  quadrilateralPoints = std::move(points);
}

std::vector<Rect> VQPDFAnnotTextMarkup::lineRects() const {
  std::vector<Rect> rects;
  if (!quadrilateralPoints) return rects;
  const auto& pts = *quadrilateralPoints;
  for (size_t i = 0; i + 3 < pts.size(); i += 4) {
    double minX = pts[i].x, maxX = pts[i].x, minY = pts[i].y, maxY = pts[i].y;
    for (size_t k = i + 1; k < i + 4; ++k) {
      minX = std::min(minX, pts[k].x);
      maxX = std::max(maxX, pts[k].x);
      minY = std::min(minY, pts[k].y);
      maxY = std::max(maxY, pts[k].y);
    }
    rects.push_back(RectMake(minX, minY, maxX - minX, maxY - minY));
  }
  return rects;
}

void VQPDFAnnotTextMarkup::startParser() {
  if (!delegate) return;
  VQPDFRenderState* state = delegate->currentRenderingState();
  if (!state) return;
  const std::vector<Rect> rects = lineRects();
  Path path;
  for (const Rect& r : rects) {
    const double x = r.origin.x, y = r.origin.y, w = r.size.width, h = r.size.height;
    switch (markupType) {
      case VQPDFAnnotTextMarkupTypeHighlight:
        path.addRect(r);
        break;
      case VQPDFAnnotTextMarkupTypeStrikeOut:
        path.moveTo(x, y + h / 2);
        path.lineTo(x + w, y + h / 2);
        break;
      default:  // underline and squiggly sit just above the bottom of the text box
        path.moveTo(x, y + 2);
        path.lineTo(x + w, y + 2);
        break;
    }
  }
  if (path.isEmpty()) return;
  if (markupType == VQPDFAnnotTextMarkupTypeHighlight) {
    // Without a colour there is nothing to paint: a default black fill would
    // hide the very text the highlight marks.
    if (color.isNull) return;
    setFill(*state, color, kColorSpaceKey);
    reportPath(*state, path, false, true);
    return;
  }
  // A line about 6% of the text height, at least one unit.
  const float h1 = rects.empty() ? 1.0f : static_cast<float>(rects.front().size.height);
  const double width = std::max(1.0, static_cast<double>(std::ceil(h1 * 0.06f)));
  std::optional<std::vector<double>> dash = std::vector<double>{};
  if (markupType == VQPDFAnnotTextMarkupTypeSquiggly) dash = std::vector<double>{width};
  setStroke(*state, color, width, dash, kColorSpaceKey);
  reportPath(*state, path, true, false);
}

}  // namespace vq

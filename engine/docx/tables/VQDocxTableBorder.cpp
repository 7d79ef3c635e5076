#include "docx/tables/VQDocxTableBorder.h"

#include <algorithm>
#include <cmath>

#include "docx/tables/VQDocxRuledTableParser.h"
#include "office/VQDocxEquality.h"
#include "office/VQDocxUtilities.h"

namespace vq {
namespace {

const VQDocx_Color kWhite{255, 255, 255, 255};
// Wide-gap double and triple styles whose width says the gap.
bool isWideGapStyle(int32_t val) { return val == 17 || val == 20 || val == 24; }

}  // namespace

VQDocxTableBorder::VQDocxTableBorder(std::shared_ptr<VQDocxTablePoint> point1, std::shared_ptr<VQDocxTablePoint> point2,
                                     bool horizontal)
    : isHorizontal(horizontal), borderPoint1(std::move(point1)), borderPoint2(std::move(point2)) {
  if (!borderPoint1 || !borderPoint2) return;
  const Point p1 = borderPoint1->point;
  const Point p2 = borderPoint2->point;
  for (const auto& a : borderPoint1->tableLines)
    for (const auto& b : borderPoint2->tableLines) {
      if (a != b || b->isHorizontalLine != isHorizontal) continue;
      // A rule that lies a point or more before both ends belongs to the
      // neighbouring cell's edge.
      const bool taken = isHorizontal ? (b->min_y() > p1.y - 1 || b->min_y() > p2.y - 1)
                                      : (b->min_x() > p1.x - 1 || b->min_x() > p2.x - 1);
      if (taken && std::find(tableLines.begin(), tableLines.end(), b) == tableLines.end()) tableLines.push_back(b);
    }
  for (size_t i = 0; i < tableLines.size(); ++i)
    bounds = i == 0 ? tableLines[i]->boundingBox : RectUnion(bounds, tableLines[i]->boundingBox);
  borderLength = isHorizontal ? std::fabs(p1.x - p2.x) : std::fabs(p1.y - p2.y);
  if (isHorizontal) {
    bounds.origin.x = std::min(p1.x, p2.x);
    bounds.size.width = borderLength;
  } else {
    bounds.origin.y = std::min(p1.y, p2.y);
    bounds.size.height = borderLength;
  }
}

VQDocxTableLine::Array VQDocxTableBorder::CreateAllChildTableLines(const VQDocxTableLine::Array& lines,
                                                                   double miniLength, bool horizontal) {
  const double limit = std::min(miniLength, 8.1);
  VQDocxTableLine::Array children;
  for (const auto& line : lines) {
    const VQDocxTableLine::Array parts = line->subLineArray.empty() ? VQDocxTableLine::Array{line} : line->subLineArray;
    for (const auto& part : parts)
      if (part->isHorizontalLine == horizontal && !part->isShortLine(limit) &&
          std::find(children.begin(), children.end(), part) == children.end())
        children.push_back(part);
  }
  return children;
}

VQDocxRunPath::Array VQDocxTableBorder::CreateAllRunPathArray(const VQDocxTableLine::Array& lines) {
  VQDocxRunPath::Array paths;
  for (const auto& line : lines)
    for (const auto& path : line->allRunPathArray)
      if (std::find(paths.begin(), paths.end(), path) == paths.end()) paths.push_back(path);
  return paths;
}

void VQDocxTableBorder::initProcessTableLines() {
  if (!borderPoint1 || !borderPoint2) return;
  const double m = std::max(2.0, (borderLength - 15.1) * 0.6);
  const auto children = CreateAllChildTableLines(tableLines, m, isHorizontal);
  childLineArray = VQDocxRuledTableParser::FindTableLines(children, *borderPoint1, *borderPoint2, m);
  allRunPaths = CreateAllRunPathArray(childLineArray);
  styleLineArray =
      VQDocxTableLine::CreateStyleLineArray(childLineArray, borderPoint1->point, borderPoint2->point, kWhite);
}

VQDocx_Color VQDocxTableBorder::borderColor() const {
  std::optional<VQDocx_Color> best;
  int bestSum = 1020;
  auto consider = [&](VQDocx_Color c) {
    const int sum = c.red + c.green + c.blue + c.alpha;
    if (sum < bestSum) {
      bestSum = sum;
      best = c;
    }
  };
  for (const auto& line : styleLineArray)
    if (line->initRunPath)
      if (const auto color = line->tableLineColor()) consider(VQDocxUtilities::VQDocxColorFromCGColor(&*color));
  if (best) return *best;
  for (const auto& line : styleLineArray) {
    const auto& path = line->initRunPath;
    if (!path || !path->pictInfo() || !path->pictInfo()->filled) continue;
    const Rect& box = path->boundingBox();
    if ((box.size.width < 6 || box.size.height < 6) && path->pictInfo()->fillcolor())
      consider(VQDocxUtilities::VQDocxColorFromCGColor(&*path->pictInfo()->fillcolor()));
  }
  if (best) return *best;
  return VQDocx_Color{0, 0, 0, 1};
}

double VQDocxTableBorder::borderWidth(VQDocx_Color color) const {
  VQDocxRunPath::Array paths;
  for (const auto& line : styleLineArray)
    if (line->initRunPath && line->initRunPath->pictInfo() &&
        IsEqualColor(line->initRunPath->pictInfo()->strokeColorVQ(), color))
      paths.push_back(line->initRunPath);
  return VQDocxRunPath::MaxBorderWidthForRunPaths(paths);
}

VQDocx_Border VQDocxTableBorder::borderProperty() const {
  if (tableLines.empty() || !borderPoint1 || !borderPoint2) {
    VQDocx_Border none = VQDocxUtilities::defaultBorder_None();
    none.val = 1;
    return none;
  }
  VQDocx_Border border = VQDocxUtilities::defaultBorder_SingleLine();
  border.color = borderColor();
  double gap = 0;
  border.val =
      VQDocxTableLine::BorderStyleForTableLines(styleLineArray, borderPoint1->point, borderPoint2->point, kWhite, &gap);
  border.sz = static_cast<float>(isWideGapStyle(border.val) && gap > 0.25 ? gap : borderWidth(border.color));
  if (!(border.sz > 0) && border.val >= 2) {
    // A rule drawn as a thin filled box has no stroke weight: its width
    // is the box's thin side.
    for (const auto& line : styleLineArray) {
      const auto& path = line->initRunPath;
      if (!path) continue;
      const Rect& box = path->boundingBox();
      const double thin = std::min(box.size.width, box.size.height);
      if (thin > 0 && (!(border.sz > 0) || thin < border.sz)) border.sz = static_cast<float>(thin);
    }
  }
  return border;
}

}  // namespace vq

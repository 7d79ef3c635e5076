// How the paths drawn along a table rule look as a WordprocessingML border:
// one stroke is a single rule (or dashed, dotted...), two or three parallel
// strokes are double or triple rules whose gaps and weights pick among the
// thick-thin styles.
#include <algorithm>
#include <cmath>

#include "common/VQLineUtilites.h"
#include "docx/capture/VQDocxRunPath.h"
#include "office/VQDocxEquality.h"

namespace vq {
namespace {

// The measures of this code are single precision.
const double k02 = static_cast<double>(0.2f);
const double k01 = static_cast<double>(0.1f);

constexpr int32_t kNil = 1;
constexpr int32_t kSingle = 2;
constexpr int32_t kDouble = 15;
constexpr int32_t kDoubleWave = 16;
constexpr int32_t kThickThinLargeGap = 17;
constexpr int32_t kThickThinMediumGap = 18;
constexpr int32_t kThickThinSmallGap = 19;
constexpr int32_t kTriple = 23;
constexpr int32_t kThinThickThinLargeGap = 24;
constexpr int32_t kThinThickThinMediumGap = 25;
constexpr int32_t kThinThickThinSmallGap = 26;

// Parallel segments lying this close across are one rule for the overlap.
constexpr double kRuleDistance = 15.1;

double weightOf(const VQDocxRunPath& path) { return path.pictInfo() ? path.pictInfo()->strokeweight : 0; }

VQDocx_Color strokeColorOf(const VQDocxRunPath& path) {
  return path.pictInfo() ? path.pictInfo()->strokeColorVQ() : VQDocx_Color{};
}

bool hasDash(const VQDocxRunPath& path) {
  return path.pictInfo() && path.pictInfo()->strokeDashPattern && !path.pictInfo()->strokeDashPattern->empty();
}

// The gap between two parallel strokes across their direction: centre
// distance minus half of both thicknesses.
double gapAcross(const VQDocxRunPath& a, const VQDocxRunPath& b, int32_t lineType) {
  const Rect& ra = a.boundingBox();
  const Rect& rb = b.boundingBox();
  if (lineType == VQDocxRunLineTypeHorizontal)
    return std::fabs(RectGetMidY(ra) - RectGetMidY(rb)) - (ra.size.height + rb.size.height) / 2;
  if (lineType == VQDocxRunLineTypeVertical)
    return std::fabs(RectGetMidX(ra) - RectGetMidX(rb)) - (ra.size.width + rb.size.width) / 2;
  return 0;
}

// The box of a sub-path as the run's own box is made: a stroked side that
// is flat grows by half the stroke weight on both sides.
Rect subPathBox(const VQDocxRunPath& path, const Path& sub) {
  Rect box = sub.boundingBox();
  if (path.pictInfo() && path.pictInfo()->stroked) {
    const double half = path.pictInfo()->strokeweight / 2;
    if (box.size.width < 0.01) box = RectInset(box, -half, 0);
    if (box.size.height < 0.01) box = RectInset(box, 0, -half);
  }
  return box;
}

}  // namespace

int32_t VQDocxRunPath::RunPathBorderStyle(VQDocxRunPath& path, Point p1, Point p2, VQDocx_Color backgroundColor) {
  const int32_t own =
      path.pictInfo() ? VQDocxPathInfo::BorderStyleForPathInfo(*path.pictInfo(), backgroundColor) : kNil;
  if (own >= kSingle) return own;
  // A shape of several pieces may draw the rule with one thin piece of it
  // (a bar of a filled outline).
  if (path.subCGPaths().size() > 1) {
    for (const auto& sub : path.subCGPaths()) {
      const Rect box = subPathBox(path, sub);
      const bool thinW = box.size.width < 4;
      const bool thinH = box.size.height < 4;
      if (thinW == thinH) continue;
      const Point a = PointMake(box.origin.x, box.origin.y);
      const Point b = PointMake(box.origin.x, box.origin.y + box.size.height);
      if (ParallelLineOverlapLength(a, b, p1, p2, kRuleDistance) > 12) return kSingle;
    }
  }
  return own;
}

int32_t VQDocxRunPath::borderStyleForLinePoint1(Point p1, Point p2, VQDocx_Color backgroundColor) {
  borderStyle_ = RunPathBorderStyle(*this, p1, p2, backgroundColor);
  return borderStyle_;
}

int32_t VQDocxRunPath::BorderStyleFor2TableLineDistance(double distance, double maxWeight, double* grapDistance) {
  if (distance < k02) return kSingle;
  if (distance > maxWeight - k02) {
    if (grapDistance) *grapDistance = distance;
    return kThickThinLargeGap;
  }
  if (distance > maxWeight / 2 - k02) return kThickThinMediumGap;
  return kThickThinSmallGap;
}

int32_t VQDocxRunPath::BorderStyleForRunPaths(const Array& paths, Point p1, Point p2, VQDocx_Color backgroundColor,
                                              double* grapDistance) {
  switch (paths.size()) {
    case 0:
      return kNil;
    case 1:
      return paths[0]->borderStyleForLinePoint1(p1, p2, backgroundColor);
    case 2:
      return BorderStyleFor2RunPaths(paths, p1, p2, backgroundColor, grapDistance, 0);
    case 3:
      return BorderStyleFor3RunPaths(paths, p1, p2, backgroundColor, grapDistance);
    default:
      return kTriple;
  }
}

int32_t VQDocxRunPath::BorderStyleFor2RunPaths(const Array& paths, Point p1, Point p2, VQDocx_Color backgroundColor,
                                               double* grapDistance, double tableLineDistance) {
  if (paths.size() != 2 || !paths[0] || !paths[1]) return kNil;
  VQDocxRunPath& a = *paths[0];
  VQDocxRunPath& b = *paths[1];
  const double wMin = std::min(weightOf(a), weightOf(b));
  const double wMax = std::max(weightOf(a), weightOf(b));
  const bool equalWeights = (wMax - wMin) / 2 < k02;

  const int32_t type = a.runLineType();
  if (type == b.runLineType() && (type == VQDocxRunLineTypeHorizontal || type == VQDocxRunLineTypeVertical)) {
    const int32_t ca = a.borderStyleForLinePoint1(p1, p2, backgroundColor);
    const int32_t cb = b.borderStyleForLinePoint1(p1, p2, backgroundColor);
    if (ca < kSingle || cb < kSingle) {
      if (ca >= kSingle) return ca;
      if (cb >= kSingle) return cb;
      return kNil;
    }
    // A later stroke drawn over the earlier one hides it.
    VQDocxRunPath& later = a.pdfScanIndex() >= b.pdfScanIndex() ? a : b;
    VQDocxRunPath& earlier = &later == &a ? b : a;
    const bool horizontal = type == VQDocxRunLineTypeHorizontal;
    const Rect cover = RectInset(later.boundingBox(), horizontal ? -1 : -k01, horizontal ? -k01 : -1);
    if (RectContainsRect(cover, earlier.boundingBox())) return &later == &a ? ca : cb;
    if (!vq::IsEqualColor(strokeColorOf(a), strokeColorOf(b))) return ca;
    if (hasDash(a) || hasDash(b)) return kDoubleWave;
    const double gap = gapAcross(a, b, type);
    if (gap < k02) return kSingle;
    if (equalWeights) return kDouble;
    if (gap > wMax - k02) {
      if (grapDistance) *grapDistance = gap;
      return kThickThinLargeGap;
    }
    if (gap > wMax / 2 - k02) return kThickThinMediumGap;
    return kThickThinSmallGap;
  }
  if (tableLineDistance < (wMin + wMax) / 2 + k01) {
    if (grapDistance) *grapDistance = 0;
    return kSingle;
  }
  return equalWeights ? kDouble : BorderStyleFor2TableLineDistance(tableLineDistance, wMax, grapDistance);
}

int32_t VQDocxRunPath::BorderStyleFor3RunPaths(const Array& paths, Point p1, Point p2, VQDocx_Color backgroundColor,
                                               double* grapDistance) {
  if (paths.size() != 3 || !paths[0] || !paths[1] || !paths[2]) return kNil;
  const auto& A = paths[0];
  const auto& B = paths[1];
  const auto& C = paths[2];
  const int32_t type = A->runLineType();
  if (B->runLineType() != type || C->runLineType() != type || type == VQDocxRunLineTypeNone ||
      type == VQDocxRunLineTypeRect)
    return kTriple;
  const int32_t a = A->borderStyleForLinePoint1(p1, p2, backgroundColor);
  const int32_t b = B->borderStyleForLinePoint1(p1, p2, backgroundColor);
  const int32_t c = C->borderStyleForLinePoint1(p1, p2, backgroundColor);
  const VQDocx_Color colorA = strokeColorOf(*A);
  if (a >= kSingle && b >= kSingle && c >= kSingle && vq::IsEqualColor(colorA, strokeColorOf(*B)) &&
      vq::IsEqualColor(colorA, strokeColorOf(*C))) {
    const double gaps[] = {gapAcross(*A, *B, type), gapAcross(*A, *C, type), gapAcross(*B, *C, type)};
    const double largest = *std::max_element(std::begin(gaps), std::end(gaps));
    const double smallest = *std::min_element(std::begin(gaps), std::end(gaps));
    if (largest < k02) return kSingle;
    if (smallest < k02) return kDouble;
    const double wMin = std::min({weightOf(*A), weightOf(*B), weightOf(*C)});
    const double wMax = std::max({weightOf(*A), weightOf(*B), weightOf(*C)});
    if ((wMax - wMin) / 2 < k02) return kTriple;
    if (smallest > wMax - k02) {
      if (grapDistance) *grapDistance = smallest;
      return kThinThickThinLargeGap;
    }
    if (smallest > wMax / 2 - k02) return kThinThickThinMediumGap;
    return kThinThickThinSmallGap;
  }
  auto pair = [&](const std::shared_ptr<VQDocxRunPath>& x, const std::shared_ptr<VQDocxRunPath>& y) {
    return BorderStyleFor2RunPaths({x, y}, p1, p2, backgroundColor, grapDistance, 0);
  };
  if (a >= kSingle && b >= kSingle) {
    if (const int32_t r = pair(A, B); r > 14) return r;
  }
  if (a >= kSingle && c >= kSingle) {
    if (const int32_t r = pair(A, C); r > 14) return r;
  }
  if (b < kSingle || c < kSingle) {
    if (a >= kSingle) return a;
  } else {
    if (const int32_t r = pair(B, C); r > 14) return r;
    if (a >= kSingle) return a;
  }
  if (b >= kSingle) return b;
  if (c >= kSingle) return c;
  return kNil;
}

VQDocxRunPath::Array VQDocxRunPath::FilterStrokePaths(const Array& paths, Point p1, Point p2,
                                                      VQDocx_Color backgroundColor) {
  Array kept;
  for (const auto& path : paths)
    if (path && path->borderStyleForLinePoint1(p1, p2, backgroundColor) >= kSingle) kept.push_back(path);
  return kept;
}

bool VQDocxRunPath::IsHaveSameXYPath(const VQDocxRunPath& path, const Array& paths) {
  const Rect r = path.displayRect();
  for (const auto& other : paths) {
    if (!other) continue;
    const Rect o = other->displayRect();
    if (r.size.height < 6) {
      if (std::fabs(o.origin.y - r.origin.y) < 1) return true;
    } else if (r.size.width < 6) {
      if (std::fabs(o.origin.x - r.origin.x) < 1) return true;
    }
  }
  return false;
}

VQDocxRunPath::Array VQDocxRunPath::FilterParallelPaths(const Array& paths) {
  Array kept;
  for (const auto& path : paths) {
    if (!path) continue;
    if (kept.empty() || !IsHaveSameXYPath(*path, kept)) kept.push_back(path);
  }
  return kept;
}

VQDocxRunPath::Array VQDocxRunPath::FindBorderRunPathArray(const Array& paths, Point p1, Point p2,
                                                           VQDocx_Color backgroundColor) {
  return FilterParallelPaths(FilterStrokePaths(paths, p1, p2, backgroundColor));
}

double VQDocxRunPath::MaxBorderWidthForRunPaths(const Array& paths) {
  if (paths.empty() || !paths.front()) return 0;
  double width = weightOf(*paths.front());
  for (const auto& path : paths)
    if (path && weightOf(*path) > 0 && weightOf(*path) > width) width = weightOf(*path);
  return std::max(width, 0.0);
}

}  // namespace vq

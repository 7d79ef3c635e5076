// Class operations over a page's path runs that its graphics clean-up and
// table hand-off use: the page background, invisible background-coloured
// paths, small and isolated rectangles, thin rectangles made lines, and
// overlapping collinear lines or same-coloured rectangles merged into one.
#include <algorithm>
#include <cmath>

#include "docx/capture/VQDocxRunPath.h"
#include "office/VQDocxEquality.h"

namespace vq {

namespace {

using Array = VQDocxRunPath::Array;

constexpr VQDocx_Color kWhite{255, 255, 255, 255};

// The single-precision values the thresholds are compared as.
constexpr double F(float v) { return static_cast<double>(v); }

double Area(const Rect& r) {
  if (RectIsNull(r)) return 0;
  return RectGetWidth(r) * RectGetHeight(r);
}

bool IsUsableBox(const Rect& r) {
  return !RectIsNull(r) && !RectIsEmpty(r) && std::isfinite(r.origin.x) && std::isfinite(r.origin.y) &&
         std::isfinite(r.size.width) && std::isfinite(r.size.height);
}

bool Contains(const Array& paths, const VQDocxRunPath* path) {
  return std::any_of(paths.begin(), paths.end(), [&](const auto& p) { return p.get() == path; });
}

void SortByScan(Array& paths) { VQDocxRun::SortByScanIndex(paths); }

// Takes groups out of `pool` until it is empty: a path without partners
// goes to `result` as it is; a group is merged into one path, which stays in
// the pool (it may meet more) while the group's other paths leave it.
template <class Find, class Merge>
void MergeGroups(Array& pool, Array& result, Find find, Merge merge) {
  while (!pool.empty()) {
    const Array group = find(pool);
    if (group.size() <= 1) {
      result.push_back(pool.front());
      pool.erase(pool.begin());
      continue;
    }
    const auto merged = merge(group);
    std::erase_if(pool, [&](const auto& p) { return p != merged && Contains(group, p.get()); });
  }
}

// The colour a line shows: its stroke, else its fill.
VQDocx_Color LineColor(const VQDocxPathInfo& info) {
  if (info.stroked) return info.strokeColorVQ();
  return info.fillColorVQ();
}

// The colour a rectangle shows: its fill, else its stroke.
VQDocx_Color AreaColor(const VQDocxPathInfo& info) {
  if (info.filled) return info.fillColorVQ();
  return info.strokeColorVQ();
}

// A box grown by `d` on both ends along x (horizontal) or y.
Rect GrowAlong(const Rect& r, double d, bool horizontal) {
  return horizontal ? RectInset(r, -d, 0) : RectInset(r, 0, -d);
}

}  // namespace

std::shared_ptr<VQDocxRunPath> VQDocxRunPath::FindBigRectangeRunPath(const Array& paths) {
  if (paths.size() <= 1) return nullptr;
  std::shared_ptr<VQDocxRunPath> found;
  double foundArea = 0;
  for (const auto& path : paths) {
    if (!path || !path->pictInfo_ || path->runLineType_ != VQDocxRunLineTypeRect) continue;
    const VQDocxPathInfo& info = *path->pictInfo_;
    if (!info.filled) continue;
    if (info.stroked && !vq::IsEqualColor(info.strokeColorVQ(), info.fillColorVQ())) continue;
    const double area = Area(path->boundingBox_);
    if (!found || area > foundArea) {
      found = path;
      foundArea = area;
    }
  }
  return found;
}

Array VQDocxRunPath::FindDuplicateRunPath(const std::shared_ptr<VQDocxRunPath>& background, const Array& paths) {
  if (paths.empty()) return {};
  if (background && background->runLineType_ != VQDocxRunLineTypeSmallRect &&
      background->runLineType_ != VQDocxRunLineTypeRect)
    return {};
  VQDocx_Color color = kWhite;
  const VQDocxRunPath* container = nullptr;
  if (background && background->pictInfo_ && background->pictInfo_->filled &&
      !vq::IsEqualColor(background->pictInfo_->fillColorVQ(), kWhite)) {
    color = background->pictInfo_->fillColorVQ();
    container = background.get();
  }
  Array candidates;
  for (const auto& path : paths) {
    if (!path) continue;
    if (container && (path->pdfScanIndex() < container->pdfScanIndex() ||
                      !RectContainsRect(container->boundingBox_, path->boundingBox_)))
      continue;
    if (path->IsEqualColor(color)) candidates.push_back(path);
  }
  Array invisible;
  for (const auto& candidate : candidates) {
    Array earlier;
    for (const auto& path : paths)
      if (path && !Contains(candidates, path.get()) && path->pdfScanIndex() < candidate->pdfScanIndex())
        earlier.push_back(path);
    if (!candidate->findHideRunPaths(earlier)) invisible.push_back(candidate);
  }
  return invisible;
}

Array VQDocxRunPath::FindAnnotionlPaths(const Array& paths) {
  Array found;
  for (const auto& path : paths)
    if (path && path->isAnnotion) found.push_back(path);
  return found;
}

Array VQDocxRunPath::FindSmallRects(const Array& paths) {
  Array found;
  for (const auto& path : paths) {
    if (!path) continue;
    const Rect r = path->displayRect();
    const double longer = std::max(RectGetWidth(r), RectGetHeight(r));
    const double shorter = std::min(RectGetWidth(r), RectGetHeight(r));
    if ((longer < F(8.1f) && shorter > F(4.05f)) || (longer < F(15.1f) && shorter > F(8.1f))) found.push_back(path);
  }
  return found;
}

Array VQDocxRunPath::FindSmallShapes(const Array& paths, Size maxSize) {
  const double w = std::max(maxSize.width, 0.01), h = std::max(maxSize.height, 0.01);
  Array found;
  for (const auto& path : paths) {
    if (!path) continue;
    const Rect r = path->displayRect();
    const double rw = RectGetWidth(r), rh = RectGetHeight(r);
    if ((rw < w && rh < h) || rw < 0.0001 || rh < 0.0001) found.push_back(path);
  }
  return found;
}

bool VQDocxRunPath::isAloneRectWithRunPaths(const Array& paths) const {
  if (runLineType_ != VQDocxRunLineTypeRect || !pictInfo_ || !pictInfo_->stroked) return false;
  const Rect e = RectInset(boundingBox_, -1.1, -1.1);
  for (const auto& other : paths) {
    if (!other || other.get() == this) continue;
    if (RectContainsRect(other->boundingBox_, e)) continue;
    if (RectIntersectsRect(other->boundingBox_, e)) return false;
  }
  return true;
}

Array VQDocxRunPath::FindAloneRects(const Array& paths) {
  Array alone;
  for (const auto& path : paths) {
    if (!path) continue;
    Array others;
    for (const auto& other : paths)
      if (other && other != path && !Contains(alone, other.get())) others.push_back(other);
    if (path->isAloneRectWithRunPaths(others)) alone.push_back(path);
  }
  return alone;
}

Array VQDocxRunPath::ConvertRect2LineIfNeed(const Array& paths) {
  Array result;
  for (const auto& path : paths) {
    if (!path) continue;
    result.push_back(path);
    const int32_t type = path->runLineType_;
    if (type == VQDocxRunLineTypeHorizontal || type == VQDocxRunLineTypeVertical) continue;
    const bool rect = type == VQDocxRunLineTypeSmallRect || type == VQDocxRunLineTypeRect;
    const double thin = rect ? F(5.01f) : F(1.01f);
    const double longSide = rect ? F(10.02f) : F(2.02f);
    const Rect& box = path->boundingBox_;
    if (!IsUsableBox(box)) continue;
    if (box.size.width < thin && box.size.height > longSide) path->runLineType_ = VQDocxRunLineTypeVertical;
    else if (box.size.height < thin && box.size.width > longSide) path->runLineType_ = VQDocxRunLineTypeHorizontal;
    else continue;
    CreateWithOverlapLines({path});
  }
  return result;
}

bool VQDocxRunPath::isLineExtentsRunPath(const VQDocxRunPath& other) {
  updateBoundingBox();
  if (runCGPath_.isEmpty() || other.runCGPath_.isEmpty()) return false;
  const Rect& a = boundingBox_;
  const Rect& b = other.boundingBox_;
  if (!IsUsableBox(a) || !IsUsableBox(b) || !pictInfo_ || !other.pictInfo_) return false;
  if (!vq::IsEqualColor(LineColor(*pictInfo_), LineColor(*other.pictInfo_))) return false;
  const Rect u = RectUnion(a, b);
  if (IsAlmostEqualRect(F(0.1f), u, b) || IsAlmostEqualRect(F(0.1f), u, a)) return true;
  bool horizontal;
  if (runLineType_ == VQDocxRunLineTypeHorizontal || other.runLineType_ == VQDocxRunLineTypeHorizontal)
    horizontal = true;
  else if (runLineType_ == VQDocxRunLineTypeVertical || other.runLineType_ == VQDocxRunLineTypeVertical)
    horizontal = false;
  else return false;
  const double thickA = horizontal ? a.size.height : a.size.width;
  const double thickB = horizontal ? b.size.height : b.size.width;
  if (std::fabs(thickA - thickB) > 0.25) return false;
  if (!RectIntersectsRect(GrowAlong(b, F(3.1f), horizontal), a) &&
      !RectIntersectsRect(GrowAlong(a, F(3.1f), horizontal), b))
    return false;
  if (u.size.width <= std::max(a.size.width, b.size.width) + F(0.2f)) return true;
  if (u.size.height > std::max(a.size.height, b.size.height) + F(0.2f)) return false;
  return true;
}

Array VQDocxRunPath::FindOverlapLineRunPaths(const Array& paths) {
  if (paths.empty()) return {};
  Array group{paths.front()};
  int32_t groupType = paths.front()->runLineType_;
  for (size_t i = 1; i < paths.size(); ++i) {
    const auto& path = paths[i];
    if (!path) continue;
    const int32_t type = path->runLineType_;
    const bool isLine = type == VQDocxRunLineTypeHorizontal || type == VQDocxRunLineTypeVertical;
    const bool fits = (groupType == VQDocxRunLineTypeSmallRect && isLine) ||
                      ((groupType == VQDocxRunLineTypeHorizontal || groupType == VQDocxRunLineTypeVertical) &&
                       (type == groupType || type == VQDocxRunLineTypeSmallRect));
    if (!fits) continue;
    bool extends = false;
    for (const auto& member : group)
      if (member->isLineExtentsRunPath(*path)) {
        extends = true;
        break;
      }
    if (!extends) continue;
    group.push_back(path);
    if (groupType == VQDocxRunLineTypeSmallRect) groupType = type;
  }
  return group;
}

std::shared_ptr<VQDocxRunPath> VQDocxRunPath::CreateWithOverlapLines(const Array& group) {
  if (group.empty()) return nullptr;
  std::shared_ptr<VQDocxRunPath> kept;
  for (const auto& path : group)
    if (path && path->runLineType_ != VQDocxRunLineTypeSmallRect) {
      kept = path;
      break;
    }
  if (!kept) kept = group.front();
  if (!kept) return nullptr;
  VQDocxPathInfo& info = kept->spreadOver(group);
  const Rect u = kept->boundingBox_;
  if (!info.stroked) {
    info.stroked = true;
    if (info.filled) {
      // The line shows what the fill showed: its colour and its opacity.
      info.setStrokeAlpha(info.fillAlpha());
      info.setStrokecolor(info.fillcolor());
    }
  }
  info.filled = false;
  Path line;
  if (u.size.width > u.size.height) {
    const double y = u.origin.y + u.size.height / 2;
    line.moveTo(u.origin.x, y);
    line.lineTo(u.origin.x + u.size.width, y);
    kept->runLineType_ = VQDocxRunLineTypeHorizontal;
    info.strokeweight = u.size.height;
  } else {
    const double x = u.origin.x + u.size.width / 2;
    line.moveTo(x, u.origin.y);
    line.lineTo(x, u.origin.y + u.size.height);
    kept->runLineType_ = VQDocxRunLineTypeVertical;
    info.strokeweight = u.size.width;
  }
  kept->setRunCGPath(line);
  return kept;
}

Array VQDocxRunPath::MergeOverlapLinesIfNeed(Array& paths) {
  SortByScan(paths);
  Array result, pool;
  for (const auto& path : paths) {
    if (!path) continue;
    const int32_t type = path->runLineType_;
    if (type == VQDocxRunLineTypeHorizontal || type == VQDocxRunLineTypeVertical || type == VQDocxRunLineTypeSmallRect)
      pool.push_back(path);
    else result.push_back(path);
  }
  MergeGroups(pool, result, FindOverlapLineRunPaths, CreateWithOverlapLines);
  SortByScan(result);
  return result;
}

bool VQDocxRunPath::isRectOverlapRunPath(const VQDocxRunPath& other, bool* isExtend) {
  updateBoundingBox();
  if (runCGPath_.isEmpty() || other.runCGPath_.isEmpty()) return false;
  const Rect& a = boundingBox_;
  const Rect& b = other.boundingBox_;
  if (!IsUsableBox(a) || !IsUsableBox(b) || !pictInfo_ || !other.pictInfo_) return false;
  const VQDocxPathInfo& ia = *pictInfo_;
  const VQDocxPathInfo& ib = *other.pictInfo_;
  if (!vq::IsEqualColor(AreaColor(ia), AreaColor(ib))) return false;
  double t;
  if (ia.filled && ib.filled) t = 1;
  else if (ia.strokeweight < 0.5 && ib.strokeweight < 0.5) t = 0.375;
  else if (ia.strokeweight < 1 && ib.strokeweight < 1) t = 0.5;
  else t = 0.75;
  if (RectContainsRect(RectInset(b, -t, -t), a) || RectContainsRect(RectInset(a, -t, -t), b)) return true;
  const double rest = Area(a) + Area(b) - Area(RectIntersection(a, b)) - Area(RectUnion(a, b));
  if (std::fabs(rest) < F(8.1f)) {
    if (isExtend) *isExtend = true;
    return true;
  }
  return false;
}

std::shared_ptr<VQDocxRunPath> VQDocxRunPath::FindMaxAreaOverlapRectanges(const Array& paths) {
  std::shared_ptr<VQDocxRunPath> found;
  double foundArea = 0;
  for (const auto& path : paths) {
    if (!path) continue;
    const double area = Area(path->boundingBox_);
    if (!found || area > foundArea) {
      found = path;
      foundArea = area;
    }
  }
  return found;
}

bool VQDocxRunPath::IsRunPaths(const Array& group, uint64_t minPDFScanIndex, const Array& hideRunPaths) {
  if (group.empty() || hideRunPaths.empty()) return false;
  Array later;
  for (const auto& path : hideRunPaths)
    if (path && path->pdfScanIndex() >= minPDFScanIndex) later.push_back(path);
  if (later.empty()) return false;
  for (const auto& member : group)
    if (member && member->pdfScanIndex() >= minPDFScanIndex && member->findHideRunPaths(later)) return true;
  return false;
}

Array VQDocxRunPath::FindOverlapRectangeRunPaths(const Array& paths) {
  if (paths.empty()) return {};
  Array group{paths.front()};
  for (size_t i = 1; i < paths.size(); ++i) {
    const auto& candidate = paths[i];
    if (!candidate) continue;
    const Array snapshot = group;
    for (const auto& member : snapshot) {
      bool extend = false;
      if (!member->isRectOverlapRunPath(*candidate, &extend)) continue;
      group.push_back(candidate);
      if (IsPDFScanIndexContinue(group)) {
        if (extend) return group;
        break;
      }
      const auto largest = FindMaxAreaOverlapRectanges(group);
      const auto last = FindMaxPDFScanIndex(group);
      if (largest->pdfScanIndex() < last->pdfScanIndex()) {
        Array outside;
        for (const auto& path : paths)
          if (path && !Contains(group, path.get())) outside.push_back(path);
        if (IsRunPaths(group, largest->pdfScanIndex(), outside)) {
          // Merging would lift the group over a path painted between its
          // members: the candidate stays out.
          std::erase(group, candidate);
          continue;
        }
        if (extend) return group;
      }
      break;
    }
  }
  return group;
}

VQDocxPathInfo& VQDocxRunPath::spreadOver(const Array& group) {
  Rect u = RectNull;
  for (const auto& path : group)
    if (path) u = RectIsNull(u) ? path->boundingBox_ : RectUnion(u, path->boundingBox_);
  if (!pictInfo_) pictInfo_ = std::make_shared<VQDocxPathInfo>();
  VQDocxPathInfo& info = *pictInfo_;
  boundingBox_ = u;
  info.displayX = u.origin.x;
  info.displayY = u.origin.y;
  info.displayWidth = u.size.width;
  info.displayHeight = u.size.height;
  return info;
}

std::shared_ptr<VQDocxRunPath> VQDocxRunPath::CreateWithOverlapRects(const Array& group) {
  if (group.empty() || !group.front()) return nullptr;
  const auto kept = group.front();
  VQDocxPathInfo& info = kept->spreadOver(group);
  const Rect u = kept->boundingBox_;
  info.strokeweight = 0;
  info.stroked = false;
  info.filled = true;
  Path rect;
  rect.addRect(u);
  kept->setRunCGPath(rect);
  kept->runLineType_ = VQDocxRunLineTypeRect;
  return kept;
}

Array VQDocxRunPath::MergeOverlapRectangesIfNeed(const Array& paths) {
  Array result, pool;
  for (const auto& path : paths) {
    if (!path) continue;
    const int32_t type = path->runLineType_;
    const bool rect = type == VQDocxRunLineTypeSmallRect || type == VQDocxRunLineTypeRect;
    const auto& info = path->pictInfo_;
    if (rect && info && info->filled &&
        (!info->stroked || vq::IsEqualColor(info->strokeColorVQ(), info->fillColorVQ())))
      pool.push_back(path);
    else result.push_back(path);
  }
  if (pool.size() < 2) result.insert(result.end(), pool.begin(), pool.end());
  else MergeGroups(pool, result, FindOverlapRectangeRunPaths, CreateWithOverlapRects);
  SortByScan(result);
  return result;
}

}  // namespace vq

#include "docx/tables/KDScanLine.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <map>
#include <set>
#include <utility>

namespace vq {
namespace {

// Rules are cut from paths whose segments run within 1 point of an axis;
// the jitter of a rule drawn from 100 to 100.0001 would make it a steep
// slope, so such segments are laid on their axis first.
constexpr float kAxisSlack = 1.0f;
constexpr size_t kMaxGridPoints = 100000;

}  // namespace

KDScanLine::KDScanLine(const std::vector<KDLine>& lines, int wucha) : m_wucha(wucha) {
  assert(m_wucha >= 0 && "KDScanLine");
  if (m_wucha < 0) m_wucha = 0;
  const auto w = static_cast<float>(m_wucha);
  segments_.reserve(lines.size());
  for (const KDLine& line : lines) {
    Segment s;
    s.line = line;
    if (!std::isfinite(line.startX) || !std::isfinite(line.startY) || !std::isfinite(line.endX) ||
        !std::isfinite(line.endY)) {
      segments_.push_back(s);
      continue;
    }
    if (std::fabs(line.startY - line.endY) < kAxisSlack) {
      s.horizontal = true;
      s.y1 = s.y2 = (line.startY + line.endY) / 2;
      s.x1 = std::min(line.startX, line.endX) - w;
      s.x2 = std::max(line.startX, line.endX) + w;
    } else if (std::fabs(line.startX - line.endX) < kAxisSlack) {
      s.vertical = true;
      s.x1 = s.x2 = (line.startX + line.endX) / 2;
      s.y1 = std::min(line.startY, line.endY) - w;
      s.y2 = std::max(line.startY, line.endY) + w;
    }
    segments_.push_back(s);
  }
}

bool KDScanLine::FindIntersection() {
  crossings_.clear();
  points_.clear();
  pointCells_.clear();
  // Sweep down the page: the horizontal segments ordered by y, and each
  // vertical one meets those whose y lies within its (lengthened) extent.
  std::vector<size_t> horizontals;
  for (size_t i = 0; i < segments_.size(); ++i)
    if (segments_[i].horizontal) horizontals.push_back(i);
  std::sort(horizontals.begin(), horizontals.end(),
            [&](size_t a, size_t b) { return segments_[a].y1 < segments_[b].y1; });
  for (size_t v = 0; v < segments_.size(); ++v) {
    const Segment& sv = segments_[v];
    if (!sv.vertical) continue;
    auto it = std::lower_bound(horizontals.begin(), horizontals.end(), sv.y1,
                               [&](size_t h, float y) { return segments_[h].y1 < y; });
    for (; it != horizontals.end() && segments_[*it].y1 <= sv.y2; ++it) {
      const Segment& sh = segments_[*it];
      if (sv.x1 < sh.x1 || sv.x1 > sh.x2) continue;
      crossings_.push_back({std::min(*it, v), std::max(*it, v), sv.x1, sh.y1});
    }
  }
  OperateInterPoint();
  return true;
}

bool KDScanLine::isPointMaxEqual(const KDPoint& a, const KDPoint& b) {
  const float dx = a.x - b.x;
  const float dy = a.y - b.y;
  const float d2 = dx * dx + dy * dy;
  const bool grid = (a.type & 4) || (b.type & 4);
  const bool oneCrossing = ((a.type & 2) != 0) != ((b.type & 2) != 0);
  return (!grid && oneCrossing) ? d2 < 225 : d2 < 16;
}

namespace {

// Points merge within 15 at most: listed points are looked up by cells of
// that size, so a dense grid of rules does not compare every pair.
constexpr float kMergeCell = 15.0f;

std::pair<long, long> mergeCellOf(const KDPoint& p) {
  return {static_cast<long>(std::floor(p.x / kMergeCell)), static_cast<long>(std::floor(p.y / kMergeCell))};
}

}  // namespace

void KDScanLine::InsertPoint(const KDPoint& point) {
  // The first listed point (in list order) that it equals takes it.
  const auto [cx, cy] = mergeCellOf(point);
  size_t found = points_.size();
  for (long x = cx - 1; x <= cx + 1; ++x)
    for (long y = cy - 1; y <= cy + 1; ++y) {
      const auto cell = pointCells_.find({x, y});
      if (cell == pointCells_.end()) continue;
      for (size_t k : cell->second)
        if (k < found && isPointMaxEqual(points_[k], point)) found = k;
    }
  if (found < points_.size()) {
    points_[found].type |= point.type;
    return;
  }
  pointCells_[mergeCellOf(point)].push_back(points_.size());
  points_.push_back(point);
}

void KDScanLine::OperateInterPoint() {
  std::vector<size_t> used;
  std::set<size_t> seen;
  for (const Crossing& c : crossings_) {
    InsertPoint({3, c.x, c.y});
    for (size_t i : {c.a, c.b})
      if (seen.insert(i).second) used.push_back(i);
  }
  // The ends of a rule as drawn (not lengthened), laid on its axis like
  // the rule itself.
  for (size_t i : used) {
    const Segment& s = segments_[i];
    const KDLine& l = s.line;
    float sx = l.startX, sy = l.startY, ex = l.endX, ey = l.endY;
    if (s.horizontal) sy = ey = s.y1;
    if (s.vertical) sx = ex = s.x1;
    InsertPoint({l.startFlag, sx, sy});
    InsertPoint({l.endFlag, ex, ey});
  }
  // Complete the grid: a corner at every pair of the x and y values.
  std::set<long> xs;
  std::set<long> ys;
  for (const KDPoint& p : points_) {
    xs.insert(static_cast<long>(p.x));
    ys.insert(static_cast<long>(p.y));
  }
  // A grid this large is no table (far more columns than a Word table
  // holds); it is left incomplete, which no caller takes for a grid.
  if (xs.size() * ys.size() > kMaxGridPoints) return;
  // Completion points match listed ones within 4 points: listed points are
  // looked up by cells of that size.
  std::map<std::pair<long, long>, std::vector<size_t>> cells;
  auto cellOf = [](float v) { return static_cast<long>(std::floor(v / 4)); };
  for (size_t k = 0; k < points_.size(); ++k) cells[{cellOf(points_[k].x), cellOf(points_[k].y)}].push_back(k);
  const std::vector<KDPoint> listed = points_;
  for (long y : ys)
    for (long x : xs) {
      const KDPoint grid{4, static_cast<float>(x), static_cast<float>(y)};
      bool found = false;
      for (long cx = cellOf(grid.x) - 1; cx <= cellOf(grid.x) + 1 && !found; ++cx)
        for (long cy = cellOf(grid.y) - 1; cy <= cellOf(grid.y) + 1 && !found; ++cy) {
          const auto cell = cells.find({cx, cy});
          if (cell == cells.end()) continue;
          for (size_t k : cell->second)
            if (isPointMaxEqual(listed[k], grid)) {
              found = true;
              break;
            }
        }
      if (!found) points_.push_back(grid);
    }
}

}  // namespace vq

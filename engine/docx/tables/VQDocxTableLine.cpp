#include "docx/tables/VQDocxTableLine.h"

#include <algorithm>
#include <cmath>

#include "office/VQDocxEquality.h"

namespace vq {
namespace {

// Rule ends that agree within this many points meet.
constexpr double kMeetSlack = 3.1;
// A fragment shorter than this is too short to be merged into a rule.
constexpr double kMergeMinLength = 8.1;
// Frame edges are found within this many points of the outline.
constexpr double kFrameSlack = 8.1;
// Parallel rules further apart than this are separate rules.
constexpr double kMaxSpread = 15.1;
// Areas closer than this belong to one table.
constexpr double kAreaSlack = 5.1;

template <class T>
bool contains(const std::vector<T>& v, const T& x) {
  return std::find(v.begin(), v.end(), x) != v.end();
}

double weightOf(const std::shared_ptr<VQDocxRunPath>& path) {
  return path && path->pictInfo() ? path->pictInfo()->strokeweight : 0;
}
bool strokedPath(const std::shared_ptr<VQDocxRunPath>& path) {
  return path && path->pictInfo() && path->pictInfo()->stroked;
}
bool filledPath(const std::shared_ptr<VQDocxRunPath>& path) {
  return path && path->pictInfo() && path->pictInfo()->filled;
}

// The lines a line stands for: its fragments when merged, else itself.
VQDocxTableLine::Array partsOf(const VQDocxTableLine::Ptr& line) {
  return line->subLineArray.empty() ? VQDocxTableLine::Array{line} : line->subLineArray;
}

}  // namespace

float VQDocxTableLine::min_x() const { return static_cast<float>(std::min(startPoint.x, endPoint.x)); }
float VQDocxTableLine::max_x() const { return static_cast<float>(std::max(startPoint.x, endPoint.x)); }
float VQDocxTableLine::min_y() const { return static_cast<float>(std::min(startPoint.y, endPoint.y)); }
float VQDocxTableLine::max_y() const { return static_cast<float>(std::max(startPoint.y, endPoint.y)); }

void VQDocxTableLine::updateLineInfo() {
  isHorizontalLine = !(std::fabs(startPoint.x - endPoint.x) < 2);
  lineLength = isHorizontalLine ? std::fabs(startPoint.x - endPoint.x) : std::fabs(startPoint.y - endPoint.y);
  if (initRunPath) {
    const auto& info = initRunPath->pictInfo();
    double w = info ? info->strokeweight : 0.1;
    if (info && !info->stroked && info->filled) w = 0.1;
    boundingBox = isHorizontalLine ? RectMake(min_x(), min_y() - w / 2, lineLength, w)
                                   : RectMake(min_x() - w / 2, min_y(), w, lineLength);
  } else {
    bool first = true;
    for (const auto& sub : subLineArray) {
      boundingBox = first ? sub->boundingBox : RectUnion(boundingBox, sub->boundingBox);
      first = false;
    }
  }
}

void VQDocxTableLine::add2SubLineArray(const Array& lines) {
  for (const auto& line : lines)
    if (!contains(subLineArray, line)) subLineArray.push_back(line);
}

void VQDocxTableLine::add2AllRunPathArray(const VQDocxRunPath::Array& paths) {
  for (const auto& path : paths)
    if (!contains(allRunPathArray, path)) allRunPathArray.push_back(path);
}

bool VQDocxTableLine::isShortLine(double limit) {
  if (lineLength < 0.1) updateLineInfo();
  return lineLength < std::max(limit, 2.0);
}

void VQDocxTableLine::setIsInvalid(bool invalid) {
  isInvalid = invalid;
  for (const auto& sub : subLineArray) sub->setIsInvalid(invalid);
}

bool VQDocxTableLine::isStroked() const {
  if (strokedPath(initRunPath)) return true;
  return std::any_of(subLineArray.begin(), subLineArray.end(),
                     [](const Ptr& sub) { return strokedPath(sub->initRunPath); });
}

bool VQDocxTableLine::isFilled() const {
  if (filledPath(initRunPath)) return true;
  return std::any_of(subLineArray.begin(), subLineArray.end(),
                     [](const Ptr& sub) { return filledPath(sub->initRunPath); });
}

std::optional<Color> VQDocxTableLine::tableLineColor() const {
  for (const auto& path : allRunPathArray)
    if (strokedPath(path)) return path->pictInfo()->strokecolor();
  return std::nullopt;
}

VQDocxTableLine::Ptr VQDocxTableLine::isIntersectLines(const Array& lines) const {
  for (const auto& line : lines)
    if (IsIntersect(*this, *line)) return line;
  return nullptr;
}

int32_t VQDocxTableLine::borderStyleForLinePoint1(Point p1, Point p2, VQDocx_Color backgroundColor) const {
  const auto paths = VQDocxRunPath::FindBorderRunPathArray(allRunPathArray, p1, p2, backgroundColor);
  double gap = 0;
  return VQDocxRunPath::BorderStyleForRunPaths(paths, p1, p2, backgroundColor, &gap);
}

bool VQDocxTableLine::IsIntersect(const VQDocxTableLine& a, const VQDocxTableLine& b) {
  auto near = [](Point p, Point q) { return std::fabs(p.x - q.x) < kMeetSlack && std::fabs(p.y - q.y) < kMeetSlack; };
  if (near(a.startPoint, b.startPoint) || near(a.endPoint, b.endPoint) || near(a.endPoint, b.startPoint) ||
      near(a.startPoint, b.endPoint))
    return true;
  return !(a.max_x() < b.min_x() - kMeetSlack) && !(b.max_x() < a.min_x() - kMeetSlack) &&
         !(a.max_y() < b.min_y() - kMeetSlack) && !(b.max_y() < a.min_y() - kMeetSlack);
}

Rect VQDocxTableLine::BoundsOfTableLines(const Array& lines) {
  if (lines.empty()) return RectZero;
  if (lines.size() == 1 && lines[0]->initRunPath) return lines[0]->initRunPath->boundingBox();
  double x0 = INFINITY, y0 = INFINITY, x1 = -INFINITY, y1 = -INFINITY;
  for (const auto& line : lines)
    for (const auto& part : partsOf(line)) {
      x0 = std::min<double>(x0, part->min_x());
      y0 = std::min<double>(y0, part->min_y());
      x1 = std::max<double>(x1, part->max_x());
      y1 = std::max<double>(y1, part->max_y());
    }
  return RectMake(x0, y0, x1 - x0, y1 - y0);
}

VQDocxTableLine::Array VQDocxTableLine::FindIntersectLines(Array& lines) {
  Array group;
  if (lines.empty()) return group;
  group.push_back(lines.front());
  lines.erase(lines.begin());
  // Each member is matched once against what remains, so a page of many
  // rules is grouped in quadratic time, not cubic.
  for (size_t k = 0; k < group.size() && !lines.empty(); ++k) {
    const Ptr member = group[k];
    for (auto it = lines.begin(); it != lines.end();) {
      if (IsIntersect(*member, **it)) {
        group.push_back(*it);
        it = lines.erase(it);
      } else {
        ++it;
      }
    }
  }
  return group;
}

std::vector<VQDocxTableLine::Array> VQDocxTableLine::FindIntersectLinesGroups(const Array& lines, double minFontSize) {
  Array rest = lines;
  std::stable_sort(rest.begin(), rest.end(), [](const Ptr& a, const Ptr& b) { return a->min_y() < b->min_y(); });
  // Provisional areas: merged groups of more than two rules.
  struct Provisional {
    Rect bounds;
    Array lines;
  };
  std::vector<Provisional> areas;
  while (!rest.empty()) {
    const Array group = FindIntersectLines(rest);
    Array merged = MergeParallelLinesIfNeed(group, true, minFontSize);
    if (merged.size() > 2) {
      areas.push_back({BoundsOfTableLines(merged), merged});
    } else {
      for (const auto& line : merged) line->setIsInvalid(true);
    }
  }
  // Areas that overlap (grown by a little) are parts of one table; one
  // that lies wholly inside another is a table nested in its cell, and
  // stays a table of its own.
  auto meets = [](const Rect& grown, const Rect& b) {
    const Rect a = RectInset(grown, kAreaSlack, kAreaSlack);
    if (RectContainsRect(RectInset(a, 1, 1), b) || RectContainsRect(RectInset(b, 1, 1), a)) return false;
    const Rect u = RectUnion(grown, b);
    return RectIntersectsRect(grown, b) &&
           u.size.width * u.size.height < grown.size.width * grown.size.height + b.size.width * b.size.height;
  };
  std::vector<Array> result;
  while (!areas.empty()) {
    std::vector<Provisional> group{areas.front()};
    areas.erase(areas.begin());
    bool added = true;
    while (added && !areas.empty()) {
      added = false;
      for (auto it = areas.begin(); it != areas.end() && !added; ++it)
        for (const auto& member : group)
          if (meets(RectInset(member.bounds, -kAreaSlack, -kAreaSlack), it->bounds)) {
            group.push_back(*it);
            areas.erase(it);
            added = true;
            break;
          }
    }
    Array joined;
    for (const auto& area : group) joined.insert(joined.end(), area.lines.begin(), area.lines.end());
    result.push_back(group.size() > 1 ? MergeParallelLinesIfNeed(joined, true, minFontSize) : joined);
  }
  return result;
}

VQDocxTableLine::Array VQDocxTableLine::MergeParallelLinesIfNeed(const Array& lines, bool isLengthExtend,
                                                                 double minFontSize) {
  Array horizontal, vertical;
  for (const auto& line : lines)
    for (const auto& part : partsOf(line)) {
      Array& list = part->isHorizontalLine ? horizontal : vertical;
      if (!contains(list, part)) list.push_back(part);
    }
  std::stable_sort(horizontal.begin(), horizontal.end(), [](const Ptr& a, const Ptr& b) {
    if (a->lineLength != b->lineLength) return a->lineLength > b->lineLength;
    return a->startPoint.y < b->startPoint.y;
  });
  std::stable_sort(vertical.begin(), vertical.end(), [](const Ptr& a, const Ptr& b) {
    if (a->lineLength != b->lineLength) return a->lineLength > b->lineLength;
    return a->startPoint.x < b->startPoint.x;
  });
  Array result;
  for (Array* list : {&horizontal, &vertical})
    while (!list->empty()) {
      const Array group = FindMergeParallelLines(*list, isLengthExtend, minFontSize);
      result.push_back(group.size() == 1 ? group.front() : MergeParallelLines(group));
      std::erase_if(*list, [&](const Ptr& line) { return contains(group, line); });
    }
  return result;
}

VQDocxTableLine::Array VQDocxTableLine::FindMergeParallelLines(Array& lines, bool isLengthExtend, double minFontSize) {
  Array group;
  if (lines.empty()) return group;
  group.push_back(lines.front());
  if (!lines.front()->initRunPath) return group;
  const double f = minFontSize;
  const double g = (1 + f < kMaxSpread && f >= 0.01 && f <= 10) ? 1 + f : kMaxSpread;
  const double limit = std::max(kMeetSlack, g);
  Array rest(lines.begin() + 1, lines.end());
  while (!rest.empty()) {
    const Ptr candidate = ContinuFindMergeParallelLines(rest, group, isLengthExtend);
    if (!candidate) break;
    group.push_back(candidate);
    const Rect bounds = BoundsOfTableLines(group);
    if ((candidate->isHorizontalLine ? bounds.size.height : bounds.size.width) > limit) {
      group.pop_back();
      break;
    }
    std::erase(rest, candidate);
  }
  return group;
}

VQDocxTableLine::Ptr VQDocxTableLine::ContinuFindMergeParallelLines(const Array& lines, const Array& group,
                                                                    bool isLengthExtend) {
  (void)isLengthExtend;
  if (group.empty()) return nullptr;
  const bool horizontal = group.front()->isHorizontalLine;
  for (const auto& line : lines) {
    if (line->isHorizontalLine != horizontal || line->lineLength < kMergeMinLength) continue;
    for (const auto& member : group) {
      const Rect& a = line->boundingBox;
      const Rect& b = member->boundingBox;
      const double across = horizontal
                                ? std::fabs(RectGetMidY(a) - RectGetMidY(b)) - (a.size.height + b.size.height) / 2
                                : std::fabs(RectGetMidX(a) - RectGetMidX(b)) - (a.size.width + b.size.width) / 2;
      if (across < kMergeMinLength) return line;
    }
  }
  return nullptr;
}

VQDocxTableLine::Ptr VQDocxTableLine::MergeParallelLines(const Array& group) {
  auto merged = std::make_shared<VQDocxTableLine>();
  Ptr longest = group.front();
  for (const auto& line : group)
    if (line->lineLength > longest->lineLength) longest = line;
  merged->startPoint = longest->startPoint;
  merged->endPoint = longest->endPoint;
  merged->add2SubLineArray(group);
  const bool horizontal = std::fabs(merged->startPoint.y - merged->endPoint.y) <= 0.25;
  for (const auto& line : group) {
    if (horizontal) {
      const double y = line->lineLength > kMergeMinLength ? std::min(merged->min_y(), line->min_y()) : merged->min_y();
      const double x0 = std::min(merged->min_x(), line->min_x());
      const double x1 = std::max(merged->max_x(), line->max_x());
      merged->startPoint = PointMake(x0, y);
      merged->endPoint = PointMake(x1, y);
    } else {
      const double x = line->lineLength > kMergeMinLength ? std::min(merged->min_x(), line->min_x()) : merged->min_x();
      const double y0 = std::min(merged->min_y(), line->min_y());
      const double y1 = std::max(merged->max_y(), line->max_y());
      merged->startPoint = PointMake(x, y0);
      merged->endPoint = PointMake(x, y1);
    }
    merged->add2AllRunPathArray(line->allRunPathArray);
  }
  merged->updateLineInfo();
  return merged;
}

namespace {

// The edge line of the outline of one side (1 top, 2 left, 3 right, 4
// bottom) among lines cut from paths.
VQDocxTableLine::Ptr findEdge(const VQDocxTableLine::Array& lines, Point a, Point b, int type) {
  VQDocxTableLine::Ptr found;
  auto near = [](Point p, Point q) {
    return std::fabs(p.x - q.x) <= kFrameSlack && std::fabs(p.y - q.y) <= kFrameSlack;
  };
  for (const auto& line : lines) {
    if (!line->initRunPath) continue;
    const bool match = (near(line->startPoint, a) && near(line->endPoint, b)) ||
                       (near(line->startPoint, b) && near(line->endPoint, a));
    if (!match) continue;
    if (!found) {
      found = line;
      continue;
    }
    if ((type == 1 && line->startPoint.y < found->startPoint.y) ||
        (type == 2 && line->startPoint.x < found->startPoint.x) ||
        (type == 3 && line->startPoint.x > found->startPoint.x) ||
        (type == 4 && line->startPoint.y > found->startPoint.y))
      found = line;
  }
  return found;
}

// Whether the stroked lines reaching the edge from inside all end on rules
// of the other direction, and how far the nearest parallel rule lies.
bool closedNearby(const VQDocxTableLine::Array& lines, const VQDocxTableLine& edge, int type, double* distance) {
  VQDocxTableLine::Array horizontal, vertical;
  for (const auto& line : lines) {
    if (!strokedPath(line->initRunPath)) continue;
    bool nearby = false;
    switch (type) {
      case 1:
        nearby =
            line->startPoint.y < edge.startPoint.y + kFrameSlack || line->endPoint.y < edge.startPoint.y + kFrameSlack;
        break;
      case 2:
        nearby =
            line->startPoint.x < edge.startPoint.x + kFrameSlack || line->endPoint.x < edge.startPoint.x + kFrameSlack;
        break;
      case 3:
        nearby =
            line->startPoint.x > edge.startPoint.x - kFrameSlack || line->endPoint.x > edge.startPoint.x - kFrameSlack;
        break;
      default:
        nearby =
            line->startPoint.y > edge.startPoint.y - kFrameSlack || line->endPoint.y > edge.startPoint.y - kFrameSlack;
    }
    if (nearby) (line->isHorizontalLine ? horizontal : vertical).push_back(line);
  }
  *distance = 99999;
  if (type == 2 || type == 3) {
    for (const auto& h : horizontal) {
      const bool met = std::any_of(vertical.begin(), vertical.end(), [&](const auto& v) {
        return v->min_y() - kFrameSlack <= h->min_y() && h->max_y() <= v->max_y() + kFrameSlack;
      });
      if (!met) return false;
    }
    // The nearest parallel rule other than the edge: a second outline
    // close inside makes a double border of a table, not a page frame.
    for (const auto& v : vertical)
      if (v.get() != &edge) *distance = std::min<double>(*distance, std::fabs(v->min_x() - edge.min_x()));
  } else {
    for (const auto& v : vertical) {
      const bool met = std::any_of(horizontal.begin(), horizontal.end(), [&](const auto& h) {
        return h->min_x() - kFrameSlack <= v->min_x() && v->max_x() <= h->max_x() + kFrameSlack;
      });
      if (!met) return false;
    }
    for (const auto& h : horizontal)
      if (h.get() != &edge) *distance = std::min<double>(*distance, std::fabs(h->min_y() - edge.min_y()));
  }
  return true;
}

}  // namespace

VQDocxTableLine::Array VQDocxTableLine::FindRemoveFrameLinesIfNeed(const Array& lines) {
  const Rect b = BoundsOfTableLines(lines);
  const double x = b.origin.x, y = b.origin.y, w = b.size.width, h = b.size.height;
  const Ptr top = findEdge(lines, PointMake(x, y), PointMake(x + w, y), 1);
  const Ptr left = findEdge(lines, PointMake(x, y), PointMake(x, y + h), 2);
  const Ptr right = findEdge(lines, PointMake(x + w, y), PointMake(x + w, y + h), 3);
  const Ptr bottom = findEdge(lines, PointMake(x, y + h), PointMake(x + w, y + h), 4);
  if (!top || !left || !right || !bottom) return {};
  if (std::fabs(weightOf(top->initRunPath) - weightOf(left->initRunPath)) >= 0.25 ||
      std::fabs(weightOf(right->initRunPath) - weightOf(bottom->initRunPath)) >= 0.25)
    return {};
  const Array edges{top, left, right, bottom};
  double distances[4] = {};
  for (int type = 1; type <= 4; ++type)
    if (!closedNearby(lines, *edges[type - 1], type, &distances[type - 1])) return {};
  const bool allClose =
      std::all_of(std::begin(distances), std::end(distances), [](double d) { return d > 0 && d < kFrameSlack; });
  // A double outline of a table rather than a frame round the page.
  if (allClose && std::fabs(distances[0] - distances[1]) < 2 && std::fabs(distances[2] - distances[3]) < 2) return {};
  return edges;
}

namespace {

VQDocxTableLine::Ptr findSameParallelStyleLine(const VQDocxTableLine::Ptr& line, const VQDocxTableLine::Array& lines) {
  for (const auto& other : lines) {
    if (other->isHorizontalLine != line->isHorizontalLine) continue;
    const double d =
        line->isHorizontalLine ? line->startPoint.y - other->startPoint.y : line->startPoint.x - other->startPoint.x;
    if (std::fabs(d) <= 0.25) return other;
  }
  return nullptr;
}

}  // namespace

VQDocxTableLine::Array VQDocxTableLine::CreateStyleLineArray(const Array& lines, Point p1, Point p2,
                                                             VQDocx_Color backgroundColor) {
  Array visible;
  for (const auto& line : lines) {
    const auto paths = VQDocxRunPath::FindBorderRunPathArray(line->allRunPathArray, p1, p2, backgroundColor);
    double gap = 0;
    if (VQDocxRunPath::BorderStyleForRunPaths(paths, p1, p2, backgroundColor, &gap) > 1) visible.push_back(line);
  }
  Array kept;
  for (const auto& line : visible) {
    const Ptr same = findSameParallelStyleLine(line, kept);
    if (!same) {
      kept.push_back(line);
    } else if (line->initRunPath && same->initRunPath && weightOf(line->initRunPath) > weightOf(same->initRunPath)) {
      *std::find(kept.begin(), kept.end(), same) = line;
    }
  }
  return kept;
}

int32_t VQDocxTableLine::BorderStyleForTableLines(const Array& styleLines, Point p1, Point p2,
                                                  VQDocx_Color backgroundColor, double* grapDistance) {
  auto codeOf = [&](const Ptr& line) { return line->borderStyleForLinePoint1(p1, p2, backgroundColor); };
  auto pairStyle = [&](const Ptr& a, const Ptr& b, int32_t ca, int32_t cb) -> int32_t {
    if (ca < 2 || cb < 2) return ca >= 2 ? ca : (cb >= 2 ? cb : 1);
    if (!a->initRunPath || !b->initRunPath) return 15;
    if (a->isHorizontalLine != b->isHorizontalLine) return 2;
    const double distance = a->isHorizontalLine ? std::fabs(a->startPoint.y - b->startPoint.y)
                                                : std::fabs(a->startPoint.x - b->startPoint.x);
    return VQDocxRunPath::BorderStyleFor2RunPaths({a->initRunPath, b->initRunPath}, p1, p2, backgroundColor,
                                                  grapDistance, distance);
  };
  switch (styleLines.size()) {
    case 0:
      return 1;
    case 1:
      return codeOf(styleLines[0]);
    case 2:
      return pairStyle(styleLines[0], styleLines[1], codeOf(styleLines[0]), codeOf(styleLines[1]));
    case 3: {
      const auto& A = styleLines[0];
      const auto& B = styleLines[1];
      const auto& C = styleLines[2];
      const int32_t r = codeOf(A), e = codeOf(B), g = codeOf(C);
      const int below = (r < 2) + (e < 2) + (g < 2);
      if (below == 0) {
        if (!A->initRunPath || !B->initRunPath || !C->initRunPath) return 23;
        return VQDocxRunPath::BorderStyleFor3RunPaths({A->initRunPath, B->initRunPath, C->initRunPath}, p1, p2,
                                                      backgroundColor, grapDistance);
      }
      if (below == 1) {
        if (r < 2) return pairStyle(B, C, e, g);
        if (e < 2) return pairStyle(A, C, r, g);
        return pairStyle(A, B, r, e);
      }
      if (r >= 2) return r;
      if (e >= 2) return e;
      if (g >= 2) return g;
      return 1;
    }
    default:
      return 23;
  }
}

bool VQDocxTableLine::IsHaveSameStartLines(const Array& lines, double value) {
  if (lines.empty()) return true;
  const bool sameX = std::all_of(lines.begin(), lines.end(), [&](const Ptr& l) {
    return std::fabs(l->startPoint.x - value) <= 0.25 || std::fabs(l->endPoint.x - value) <= 0.25;
  });
  if (sameX) return true;
  return std::all_of(lines.begin(), lines.end(), [&](const Ptr& l) {
    return std::fabs(l->startPoint.y - value) <= 0.25 || std::fabs(l->endPoint.y - value) <= 0.25;
  });
}

bool VQDocxTableLine::IsHaveSameStartLines(const Array& lines) {
  Array filled;
  for (const auto& line : lines)
    for (const auto& part : partsOf(line))
      if (filledPath(part->initRunPath)) filled.push_back(part);
  if (filled.empty()) return true;
  const Ptr reference = filled.front();
  const Array rest(filled.begin() + 1, filled.end());
  for (double value : {reference->startPoint.x, reference->startPoint.y, reference->endPoint.x, reference->endPoint.y})
    if (IsHaveSameStartLines(rest, value)) return true;
  return false;
}

}  // namespace vq

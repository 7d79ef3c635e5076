#include "docx/tables/VQDocxRuledTableParser.h"

#include <algorithm>
#include <cmath>

#include "common/VQLineUtilites.h"
#include "docx/layout/VQDocxPage.h"
#include "docx/tables/KDScanLine.h"
#include "office/VQDocxUtilities.h"

namespace vq {
namespace {

// Strokes heavier than this are bars or blocks, not rules.
constexpr double kMaxRuleWeight = 6.25;
// A point lies on a rule when within this distance of it.
constexpr double kOnRule = 15.1;
// Rules are lengthened by this much to find crossings they stop short of.
constexpr int kCrossingReach = 15;
constexpr size_t kFrameMinLines = 5;

template <class T>
bool contains(const std::vector<T>& v, const T& x) {
  return std::find(v.begin(), v.end(), x) != v.end();
}

double areaOf(const Rect& r) { return r.size.width * r.size.height; }

// The lines cut from one path: one per segment longer than a point, the
// closing segment included.
VQDocxTableLine::Array cutPath(const std::shared_ptr<VQDocxRunPath>& path) {
  VQDocxTableLine::Array lines;
  bool open = false;
  Point movePoint = PointZero;
  Point nextPoint = PointZero;
  auto add = [&](Point a, Point b) {
    auto line = std::make_shared<VQDocxTableLine>();
    line->startPoint = a;
    line->endPoint = b;
    line->initRunPath = path;
    line->add2AllRunPathArray({path});
    line->updateLineInfo();
    lines.push_back(line);
  };
  for (const auto& element : path->runCGPath().elements()) {
    switch (element.type) {
      case PathElementType::MoveToPoint:
        open = true;
        movePoint = nextPoint = element.points[0];
        break;
      case PathElementType::AddLineToPoint:
        if (open && PointsDistance(nextPoint, element.points[0]) > 1) add(nextPoint, element.points[0]);
        nextPoint = element.points[0];
        break;
      case PathElementType::CloseSubpath:
        if (open && PointsDistance(nextPoint, movePoint) > 1) add(nextPoint, movePoint);
        open = false;
        movePoint = nextPoint = PointZero;
        break;
      default:
        open = false;
        movePoint = nextPoint = PointZero;
    }
  }
  return lines;
}

}  // namespace

VQDocxRuledTableParser::VQDocxRuledTableParser() : pgBorders_(VQDocxUtilities::defaultPageBordersNone()) {}

void VQDocxRuledTableParser::setPageSize(double width, double height) {
  pageWidth_ = static_cast<float>(width);
  pageHeight_ = static_cast<float>(height);
}

void VQDocxRuledTableParser::begainPage() {
  pgBorders_offsetFrom_ = 0;
  pgBorders_ = VQDocxUtilities::defaultPageBordersNone();
  allSampleRunPaths_.clear();
  allTableLines_.clear();
}

void VQDocxRuledTableParser::endPage() { begainPage(); }

bool VQDocxRuledTableParser::addRunPathIfNeed(const std::shared_ptr<VQDocxRunPath>& path) {
  if (!path || path->isHaveCurve() || (path->pictInfo() && path->pictInfo()->strokeweight > kMaxRuleWeight))
    return false;
  path->isTableLine = true;
  path->pathApplyFunction_isMoveToPoint = false;
  path->pathApplyFunction_LastPoint = PointZero;
  for (const auto& element : path->runCGPath().elements()) {
    if (!path->isTableLine) break;
    switch (element.type) {
      case PathElementType::MoveToPoint:
        path->pathApplyFunction_isMoveToPoint = true;
        path->pathApplyFunction_LastPoint = element.points[0];
        break;
      case PathElementType::AddLineToPoint:
        if (path->pathApplyFunction_isMoveToPoint && isHVLine(path->pathApplyFunction_LastPoint, element.points[0]))
          path->pathApplyFunction_LastPoint = element.points[0];
        else path->isTableLine = false;
        break;
      case PathElementType::CloseSubpath:
        path->pathApplyFunction_isMoveToPoint = false;
        path->pathApplyFunction_LastPoint = PointZero;
        break;
      default:
        path->isTableLine = false;
    }
  }
  if (path->isTableLine && !contains(allSampleRunPaths_, path)) allSampleRunPaths_.push_back(path);
  return true;
}

VQDocxTableLine::Array VQDocxRuledTableParser::creatTableLines() {
  // The walk keeps its state in locals, so pages converted at the same time
  // share nothing here.
  VQDocxTableLine::Array lines;
  for (const auto& path : allSampleRunPaths_) {
    const auto cut = cutPath(path);
    if (cut.empty()) path->isTableLine = false;
    lines.insert(lines.end(), cut.begin(), cut.end());
  }
  return lines;
}

void VQDocxRuledTableParser::takeFrame(VQDocxTableLine::Array& working, VQDocxTableLine::Array frame) {
  const bool strokeOnly = std::all_of(frame.begin(), frame.end(), [](const auto& line) {
    const auto& info = line->initRunPath ? line->initRunPath->pictInfo() : nullptr;
    return info && info->stroked && !info->filled;
  });
  pgBorders_offsetFrom_ = 0;
  const Rect b = VQDocxTableLine::BoundsOfTableLines(frame);
  const double frameArea = areaOf(b);
  const double pageArea = static_cast<double>(pageWidth_) * pageHeight_;
  auto removeFrame = [&] { std::erase_if(working, [&](const auto& line) { return contains(frame, line); }); };
  if (!strokeOnly) {
    if (frameArea > 0.98 * pageArea) removeFrame();
    return;
  }
  if (pageWidth_ > 100 && pageHeight_ > 100 && frameArea > 0.5 * pageArea && frameArea < 0.9 * pageArea) {
    const auto& path = frame.front()->initRunPath;
    const auto& info = path->pictInfo();
    VQDocx_Border border = VQDocxUtilities::defaultBorder_SingleLine();
    border.sz = static_cast<float>(info->strokeweight);
    border.color = info->strokeColorVQ();
    // The border is placed from the page's edges: each side's own distance
    // (Word keeps at most 31 points, which the writer enforces).
    pgBorders_offsetFrom_ = 2;
    pgBorders_.top = pgBorders_.left = pgBorders_.bottom = pgBorders_.right = border;
    pgBorders_.top.space = static_cast<float>(std::max(0.0, RectGetMinY(b)));
    pgBorders_.left.space = static_cast<float>(std::max(0.0, RectGetMinX(b)));
    pgBorders_.bottom.space = static_cast<float>(std::max(0.0, pageHeight_ - RectGetMaxY(b)));
    pgBorders_.right.space = static_cast<float>(std::max(0.0, pageWidth_ - RectGetMaxX(b)));
  }
  // Every rule of the path that draws the whole frame belongs to it.
  for (const auto& path : allSampleRunPaths_)
    if (IsEqualRect(3, path->boundingBox(), b)) {
      for (const auto& line : working)
        if (contains(line->allRunPathArray, path) && !contains(frame, line)) frame.push_back(line);
      break;
    }
  if (pgBorders_offsetFrom_ != 0 || frameArea > 0.98 * pageArea) {
    // The frame leaves the candidates valid: its paths leave the page, as
    // the page border draws them now (or the page edge does).
    removeFrame();
  }
}

VQDocxTableArea::Array VQDocxRuledTableParser::createAllTableAreas() {
  allTableLines_ = creatTableLines();
  VQDocxTableLine::Array working = allTableLines_;
  if (working.size() > kFrameMinLines) {
    const auto frame = VQDocxTableLine::FindRemoveFrameLinesIfNeed(working);
    if (!frame.empty()) takeFrame(working, frame);
  }
  if (working.size() <= 2) {
    for (const auto& line : working) line->setIsInvalid(true);
    return {};
  }
  const double minFontSize = superPage() ? superPage()->pg_minFontSize : VQDocxPageMinFontSizeStart;
  VQDocxTableArea::Array kept;
  for (const auto& group : VQDocxTableLine::FindIntersectLinesGroups(working, minFontSize)) {
    auto area = std::make_shared<VQDocxTableArea>(VQDocxTableLine::MergeParallelLinesIfNeed(group, true, minFontSize));
    if (area->isValidTableLines()) kept.push_back(area);
    else area->setAllTableLinesInvalid();
  }
  std::stable_sort(kept.begin(), kept.end(),
                   [](const auto& a, const auto& b) { return areaOf(a->bounds) > areaOf(b->bounds); });
  VQDocxTableArea::Array result;
  while (!kept.empty()) {
    auto area = kept.front();
    kept.erase(kept.begin());
    const auto inside = VQDocxTableArea::FindTable(*area, kept);
    if (!inside.empty()) {
      area->allSubAreaArray = inside;
      std::erase_if(kept, [&](const auto& a) { return contains(inside, a); });
    }
    result.push_back(area);
  }
  if (result.size() > 1)
    std::stable_sort(result.begin(), result.end(),
                     [](const auto& a, const auto& b) { return areaOf(a->bounds) < areaOf(b->bounds); });
  return result;
}

void VQDocxRuledTableParser::clearTableLineInvalidRunPaths() {
  VQDocxRunPath::Array keptPaths, refused;
  for (const auto& line : allTableLines_)
    for (const auto& path : line->allRunPathArray) (line->isInvalid ? refused : keptPaths).push_back(path);
  for (const auto& path : refused)
    if (!contains(keptPaths, path)) path->isTableLine = false;
}

VQDocxTable::Array VQDocxRuledTableParser::createTablesWithPage(VQDocxPage& page) {
  VQDocxTableArea::Array areas = createAllTableAreas();
  // Paths lying on an area that are not its rules, each for the first area.
  VQDocxRunPath::Array remaining = page.allRunPathArray;
  for (const auto& area : areas)
    std::erase_if(remaining, [&](const auto& path) { return contains(area->allRunPathArray, path); });
  for (const auto& area : areas) {
    const Rect grown = RectInset(area->bounds, -1, -1);
    std::erase_if(remaining, [&](const auto& path) {
      if (path->isAnnotion || !RectIntersectsRect(path->boundingBox(), grown)) return false;
      const Rect i = RectIntersection(path->boundingBox(), grown);
      if (!(i.size.width > 1 || i.size.height > 1)) return false;
      area->allRunPathArray_excluded.push_back(path);
      return true;
    });
  }
  std::erase_if(areas, [](const auto& area) {
    if (area->isValidTableArea()) return false;
    area->setAllTableLinesInvalid();
    return true;
  });
  // Texts: more than half inside goes to the area, or to the first nested
  // area that holds more than half of it.
  VQDocxRunText::Array texts = page.allRunTextArray;
  for (const auto& area : areas) {
    auto moreThanHalf = [](const Rect& bounds, const Rect& r) {
      if (!RectIntersectsRect(bounds, r)) return false;
      const Rect i = RectIntersection(bounds, r);
      return i.size.width * i.size.height > areaOf(r) / 2;
    };
    VQDocxRunText::Array taken;
    for (const auto& text : texts) {
      const Rect r = text->displayRect();
      if (!moreThanHalf(area->bounds, r)) continue;
      bool nested = false;
      for (const auto& sub : area->allSubAreaArray)
        if (moreThanHalf(sub->bounds, r)) {
          sub->addRunText(text);
          nested = true;
          break;
        }
      if (!nested) area->addRunText(text);
      taken.push_back(text);
    }
    std::erase_if(texts, [&](const auto& t) { return contains(taken, t); });
  }
  VQDocxTable::Array tables;
  for (const auto& area : areas) {
    auto table = area->createTableWithPage(&page);
    if (!table) {
      area->setAllTableLinesInvalid();
      continue;
    }
    table->setIsPageWhiteBackground(
        page.isPageWhiteBackground(area->bounds, area->allRunPathArray, area->minPDFScanIndex));
    tables.push_back(table);
  }
  return tables;
}

VQDocxTableLine::Array VQDocxRuledTableParser::FindInterTableLines(const VQDocxTableLine::Array& lines, Point point) {
  VQDocxTableLine::Array found;
  for (const auto& line : lines)
    if (IsAlmostPointOnRange(point, line->startPoint, line->endPoint, kOnRule)) found.push_back(line);
  return found;
}

float VQDocxRuledTableParser::LineStartPoint(Point start, Point end, Point point1, Point point2) {
  return ParallelLineOverlapLength(start, end, point1, point2, kOnRule);
}

VQDocxTableLine::Array VQDocxRuledTableParser::FindTableLines(const VQDocxTableLine::Array& lines,
                                                              const VQDocxTablePoint& point1,
                                                              const VQDocxTablePoint& point2, double miniLength) {
  std::vector<std::pair<double, VQDocxTableLine::Ptr>> overlaps;
  const double limit = std::max(miniLength, 2.0);
  for (const auto& line : lines) {
    const double overlap = LineStartPoint(line->startPoint, line->endPoint, point1.point, point2.point);
    if (overlap > limit) overlaps.emplace_back(overlap, line);
  }
  std::stable_sort(overlaps.begin(), overlaps.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  VQDocxTableLine::Array result;
  for (const auto& [overlap, line] : overlaps) result.push_back(line);
  return result;
}

VQDocxTablePoint::Array VQDocxRuledTableParser::KDFindIntersectionPoints(const VQDocxTableLine::Array& lines) {
  if (lines.empty()) return {};
  std::vector<KDLine> segments;
  segments.reserve(lines.size());
  for (const auto& line : lines) {
    KDLine s;
    s.startFlag = s.endFlag = 1;
    s.startX = static_cast<float>(line->startPoint.x);
    s.startY = static_cast<float>(line->startPoint.y);
    s.endX = static_cast<float>(line->endPoint.x);
    s.endY = static_cast<float>(line->endPoint.y);
    segments.push_back(s);
  }
  KDScanLine scan(segments, kCrossingReach);
  scan.FindIntersection();
  VQDocxTablePoint::Array points;
  for (const KDPoint& p : scan.GetAllPoint()) {
    auto point = std::make_shared<VQDocxTablePoint>();
    point->setType(p.type);
    point->point = PointMake(p.x, p.y);
    points.push_back(point);
  }
  return points;
}

}  // namespace vq

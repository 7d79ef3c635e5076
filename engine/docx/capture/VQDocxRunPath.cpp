#include "docx/capture/VQDocxRunPath.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>

#include "common/VQLineUtilites.h"
#include "docx/capture/VQDocxRunImage.h"
#include "office/VQDocxEquality.h"

namespace vq {

namespace {

// An overlap counts only when it is wider and higher than one point.
bool OverlapsMoreThanOnePoint(const Rect& a, const Rect& b) {
  const Rect i = RectIntersection(a, b);
  return !RectIsNull(i) && RectGetWidth(i) > 1 && RectGetHeight(i) > 1;
}

}  // namespace

std::shared_ptr<VQDocxObject> VQDocxRunPath::cloneObject() const {
  // The copy constructor carries every field; the style record is then
  // copied whole, so that the copy's record can change on its own.
  auto copy = std::shared_ptr<VQDocxRunPath>(new VQDocxRunPath(*this));
  if (pictInfo_) {
    auto info = std::make_shared<VQDocxPathInfo>(*pictInfo_);
    copy->pictInfo_ = std::move(info);
  }
  return copy;
}

void VQDocxRunPath::setPictInfo(std::shared_ptr<VQDocxPathInfo> info) {
  pictInfo_ = std::move(info);
  updateBoundingBox();
}

void VQDocxRunPath::updateBoundingBox() {
  if (runCGPath_.isEmpty()) {
    boundingBox_ = RectZero;
    return;
  }
  Rect box = runCGPath_.boundingBoxOfPath();
  if (RectIsNull(box)) {
    boundingBox_ = RectZero;
    return;
  }
  box = RectStandardize(box);
  if (pictInfo_ && pictInfo_->stroked) {
    // A hairline's box is as thick as its stroke.
    const double half = std::isfinite(pictInfo_->strokeweight) ? pictInfo_->strokeweight / 2 : 0;
    if (box.size.width < 0.01f) {
      box.origin.x -= half;
      box.size.width += 2 * half;
    }
    if (box.size.height < 0.01f) {
      box.origin.y -= half;
      box.size.height += 2 * half;
    }
  }
  boundingBox_ = box;
}

void VQDocxRunPath::setRunCGPath(const Path& path) {
  runCGPath_ = path;
  updateBoundingBox();
  tempCGPath_.reset();
  subCGPaths_.clear();
  isHaveCurve_ = false;
  pathPointCount_ = 0;
  for (const PathElement& e : runCGPath_) {
    switch (e.type) {
      case PathElementType::MoveToPoint:
        ++pathPointCount_;
        // A move ends the sub-path being collected, even one holding only a move.
        if (tempCGPath_) subCGPaths_.push_back(std::move(*tempCGPath_));
        tempCGPath_.emplace();
        tempCGPath_->moveTo(e.points[0]);
        break;
      case PathElementType::AddLineToPoint:
        ++pathPointCount_;
        if (!tempCGPath_) tempCGPath_.emplace();
        tempCGPath_->lineTo(e.points[0]);
        break;
      case PathElementType::AddQuadCurveToPoint:
        isHaveCurve_ = true;
        ++pathPointCount_;
        if (!tempCGPath_) tempCGPath_.emplace();
        tempCGPath_->quadCurveTo(e.points[0], e.points[1]);
        break;
      case PathElementType::AddCurveToPoint:
        isHaveCurve_ = true;
        ++pathPointCount_;
        if (!tempCGPath_) tempCGPath_.emplace();
        tempCGPath_->curveTo(e.points[0], e.points[1], e.points[2]);
        break;
      case PathElementType::CloseSubpath:
        if (tempCGPath_) {
          tempCGPath_->closeSubpath();
          subCGPaths_.push_back(std::move(*tempCGPath_));
          tempCGPath_.reset();
        }
        break;
    }
  }
}

void VQDocxRunPath::setRunLinePointArray(std::optional<std::vector<Point>> points) {
  runLinePointArray_ = std::move(points);
  runLineType_ = VQDocxRunLineTypeNone;
  if (!runLinePointArray_) return;
  const auto& p = *runLinePointArray_;
  if (p.size() < 2) return;
  if (p.size() <= 3) {
    if (VQLineUtilites::IsHorizontalLineP1(p[0], p[1])) runLineType_ = VQDocxRunLineTypeHorizontal;
    else if (VQLineUtilites::IsVerticalLineP1(p[0], p[1])) runLineType_ = VQDocxRunLineTypeVertical;
    return;
  }
  if (p.size() <= 6 && VQLineUtilites::IsHorizontalRectange(p)) {
    const double longer = std::max(boundingBox_.size.width, boundingBox_.size.height);
    if (!(longer >= 0.0001)) return;  // also NaN
    runLineType_ = longer < static_cast<double>(8.1f) ? VQDocxRunLineTypeSmallRect : VQDocxRunLineTypeRect;
  }
}

Rect VQDocxRunPath::displayRect() const {
  if (!pictInfo_) return RectZero;
  return RectMake(pictInfo_->displayX, pictInfo_->displayY, pictInfo_->displayWidth, pictInfo_->displayHeight);
}

std::string VQDocxRunPath::description() const {
  const Rect r = displayRect();
  return fmt::format(
      "<{}: {}:[pdfScanIndex:{}][stroked:{}][filled:{}][isHaveCurve:{}][runLineType:{}][isTableLine:{}]"
      "[displayRect:{:f},{:f},{:f},{:f}]>",
      className(), fmt::ptr(this), static_cast<int64_t>(pdfScanIndex()), pictInfo_ && pictInfo_->stroked ? 1 : 0,
      pictInfo_ && pictInfo_->filled ? 1 : 0, isHaveCurve_ ? 1 : 0, runLineType_, isTableLine ? 1 : 0, r.origin.x,
      r.origin.y, r.size.width, r.size.height);
}

bool VQDocxRunPath::isBorderEqualToPath(const VQDocxRunPath& other) const {
  if (!pictInfo_ || !other.pictInfo_) return !pictInfo_ && !other.pictInfo_;
  const VQDocxPathInfo& a = *pictInfo_;
  const VQDocxPathInfo& b = *other.pictInfo_;
  if (a.filled != b.filled || a.stroked != b.stroked) return false;
  if (!a.stroked) return true;
  return a.strokeweight == b.strokeweight && vq::IsEqualColor(a.strokeColorVQ(), b.strokeColorVQ());
}

bool VQDocxRunPath::IsEqualColor(const VQDocx_Color& color) const {
  if (!pictInfo_) return true;
  if (pictInfo_->filled && !vq::IsEqualColor(pictInfo_->fillColorVQ(), color)) return false;
  if (pictInfo_->stroked && !vq::IsEqualColor(pictInfo_->strokeColorVQ(), color)) return false;
  return true;
}

double VQDocxRunPath::areaIntersectionRect(const Rect& rect) const {
  if (runCGPath_.isEmpty()) return 0;
  auto areaOf = [&](const Rect& box) {
    if (RectIsNull(box)) return 0.0;
    const Rect i = RectIntersection(box, rect);
    if (RectIsNull(i) || !(RectGetWidth(i) > 1 && RectGetHeight(i) > 1)) return 0.0;
    return RectGetWidth(i) * RectGetHeight(i);
  };
  if (subCGPaths_.empty()) return areaOf(runCGPath_.boundingBoxOfPath());
  double area = 0;
  for (const Path& sub : subCGPaths_) area += areaOf(sub.boundingBoxOfPath());
  return area;
}

std::shared_ptr<VQDocxRunPath> VQDocxRunPath::findHideRunPaths(const Array& paths) const {
  for (const auto& path : paths) {
    if (!path || path.get() == this) continue;
    if (path->pdfScanIndex() < pdfScanIndex() && OverlapsMoreThanOnePoint(path->boundingBox_, boundingBox_))
      return path;
  }
  return nullptr;
}

std::shared_ptr<VQDocxRunImage> VQDocxRunPath::findHideRunImages(
    const std::vector<std::shared_ptr<VQDocxRunImage>>& images) const {
  for (const auto& image : images) {
    if (!image) continue;
    if (image->pdfScanIndex() < pdfScanIndex() && OverlapsMoreThanOnePoint(image->displayRect(), boundingBox_))
      return image;
  }
  return nullptr;
}

bool VQDocxRunPath::isIntersectRunPaths(const Array& paths, Size insertSize) const {
  if (paths.empty()) return false;
  if (OverlapsMoreThanOnePoint(boundingBox_, BoundsOfRunPaths(paths))) return true;
  const Rect grown = RectInset(boundingBox_, insertSize.width, insertSize.height);
  if (RectIsNull(grown)) return false;
  for (const auto& path : paths)
    if (path && OverlapsMoreThanOnePoint(grown, path->boundingBox_)) return true;
  return false;
}

Rect VQDocxRunPath::BoundsOfRunPaths(const Array& paths) {
  bool any = false;
  Rect bounds = RectZero;
  for (const auto& path : paths) {
    if (!path) continue;
    bounds = any ? RectUnion(bounds, path->boundingBox_) : path->boundingBox_;
    any = true;
  }
  return bounds;
}

int64_t VQDocxRunPath::CountOfPoints(const Array& paths) {
  int64_t count = 0;
  for (const auto& path : paths)
    if (path) count += path->pathPointCount_;
  return count;
}

bool VQDocxRunPath::IsVaildImageRunPaths(const Array& paths) {
  const Rect bounds = BoundsOfRunPaths(paths);
  const double longer = std::max(RectGetWidth(bounds), RectGetHeight(bounds));
  return static_cast<double>(CountOfPoints(paths)) > longer / static_cast<double>(8.1f) + 6;
}

}  // namespace vq

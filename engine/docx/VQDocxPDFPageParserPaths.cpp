// Path capture of the DOCX page parser: every painted path the interpreter
// reports becomes a vector path run on the page, after filtering, clipping
// and simplifying.
//
// Spaces: the interpreter reports paths and keeps clip records in PDF page
// space; the runs and every box compared here are in page display space
// (currentPageTransform() maps one into the other).
#include <algorithm>
#include <cmath>
#include <optional>

#include "common/VQLineUtilites.h"
#include "docx/VQDocxPDFPageParser.h"
#include "docx/capture/VQDocxRunImage.h"
#include "docx/capture/VQDocxRunPath.h"
#include "docx/layout/VQDocxPage.h"
#include "office/VQDocxEquality.h"
#include "pdf/VQPDFConentParser.h"
#include "pdf/VQPDFRenderState.h"
#include "pdf/annots/VQPDFAnnot.h"
#include "pdf/raster/VQPDFExporterRaster.h"

namespace vq {

namespace {

bool IsFiniteRect(const Rect& r) {
  return std::isfinite(r.origin.x) && std::isfinite(r.origin.y) && std::isfinite(r.size.width) &&
         std::isfinite(r.size.height);
}

bool IsFinitePath(const Path& path) {
  for (const PathElement& e : path)
    for (int i = 0; i < e.pointCount(); ++i)
      if (!std::isfinite(e.points[i].x) || !std::isfinite(e.points[i].y)) return false;
  return true;
}

// How much a transform scales lengths (the square root of its area factor).
double LengthScale(const AffineTransform& t) { return std::sqrt(std::fabs(t.a * t.d - t.b * t.c)); }

// Something of the painting shows: the paint it uses is not (almost) fully
// transparent.
bool IsPaintVisible(bool stroke, bool fill, float strokeAlpha, float fillAlpha) {
  if (stroke && fill) return !(strokeAlpha < 0.01f && fillAlpha < 0.01f);
  if (stroke) return !(strokeAlpha < 0.01f);
  return !(fillAlpha < 0.01f);
}

// The path as its clip shows it, in display space: false when the clip
// leaves nothing of it. A simple filled shape takes the clip's outline when
// it fills the clip exactly, and a rectangle is cut to the clip's bound.
bool FitPathToClip(const Path& path, const VQPDFRenderState& s, const Size& drawing,
                   const AffineTransform& pageTransform, bool fill, Path& displayPath, std::vector<Point>& points) {
  const auto& clips = s.clipBezierPaths;
  const double pageWeight = VQLineUtilites::LineWidthApplyTransform(s.lineWidth, s.ctm);
  // The clip's bound comes back in display space.
  Rect clipBound = RectZero;
  const auto clipped =
      VQPDFExporterRaster::ClipPathInContextSize(drawing, path, pageWeight, pageTransform, clips, &clipBound);
  if (!clipped || clipped->isEmpty()) return false;
  if (!fill || points.size() > 6) return true;
  // The path's own box, in display space as the clip bound is.
  const Rect box = displayPath.boundingBox();
  if (IsAlmostEqualRect(1, box, clipBound)) {
    // A shape filled exactly over its clip shows the clip's outline (a
    // rectangle painted through a rounded clip shows rounded corners).
    if (clips.front()) {
      const Path clipPath = clips.front()->path.transformed(pageTransform);
      if (IsFinitePath(clipPath) && VQLineUtilites::NSArrayFromCGPath(clipPath).size() > points.size())
        displayPath = clipPath;
    }
  } else if (displayPath.isRect() && !RectContainsRect(clipBound, box)) {
    const Rect inside = RectIntersection(box, clipBound);
    if (!RectIsNull(inside) && inside.size.width > 0.1 && inside.size.height > 0.1) {
      displayPath = Path();
      displayPath.addRect(inside);
      points = VQLineUtilites::NSArrayFromCGPath(displayPath);
    }
  }
  return true;
}

// The frame the painted path covers on the display page, a stroked line at
// least as wide as its stroke; none when it covers nothing.
std::optional<Rect> PaintedFrame(const Path& displayPath, bool stroke, double weight) {
  Rect frame = displayPath.boundingBox();
  if (RectIsNull(frame) || RectIsInfinite(frame) || !IsFiniteRect(frame)) return std::nullopt;
  if (stroke) {
    if (frame.size.width < 0.001) {
      frame.origin.x -= weight / 2;
      frame.size.width = weight;
    } else if (frame.size.height < 0.001) {
      frame.origin.y -= weight / 2;
      frame.size.height = weight;
    }
  }
  if (frame.size.width < 0.001 || frame.size.height < 0.001) return std::nullopt;
  return frame;
}

// A thin filled bar as its centre line: the line's path and points, and the
// bar's width as the line's weight. False when the shape is no such bar.
bool BarAsCentreLine(const Path& displayPath, Path& runPath, std::vector<Point>& points, double& barWidth) {
  const auto straight = VQLineUtilites::NSArrayFromCGPath_NoCurve(displayPath);
  if (!straight || straight->size() < 2 || !VQLineUtilites::IsQuadrilateralLikeLine(*straight, 5.0)) return false;
  double width = barWidth;
  const auto line = VQLineUtilites::ConvertRectangeToLine(*straight, &width);
  if (!line || line->empty() || !std::isfinite(width)) return false;
  runPath = VQLineUtilites::CGPathFromLinePointArray(*line);
  points = *line;
  barWidth = width;
  return true;
}

// The shape record of a painted path: its frame, dashes and paint. A bar
// drawn as its centre line is stroked in the fill's colour and opacity.
std::shared_ptr<VQDocxPathInfo> PathInfoOf(const VQPDFRenderState& s, const Rect& frame,
                                           const AffineTransform& toDisplay, bool stroke, bool fill, double weight,
                                           const std::optional<double>& barWidth) {
  const auto fillAlpha = static_cast<float>(s.currentFillAlpha());
  const auto strokeAlpha = static_cast<float>(s.currentStrokeAlpha());
  auto info = std::make_shared<VQDocxPathInfo>();
  info->displayX = frame.origin.x;
  info->displayY = frame.origin.y;
  info->displayWidth = frame.size.width;
  info->displayHeight = frame.size.height;
  // Dash lengths are in user space; the weight they are read against is in
  // display space, so they are taken there too.
  const double dashScale = LengthScale(toDisplay);
  if (!s.lineDashPattern.empty() && std::isfinite(dashScale)) {
    std::vector<double> dashes;
    for (const double d : s.lineDashPattern) dashes.push_back(std::isfinite(d) ? d * dashScale : 0);
    info->strokeDashPattern = std::move(dashes);
    info->strokeDashPhase = static_cast<int64_t>(std::llround(static_cast<double>(s.lineDashPhase) * dashScale));
  }
  // The alphas come first so that the colour records take them.
  if (barWidth) {
    info->setFillAlpha(strokeAlpha);
    info->setStrokeAlpha(fillAlpha);
    info->setStrokecolor(s.currentFillColor());
    info->setFillcolor(s.currentStrokeColor());
    info->strokeweight = *barWidth;
    info->stroked = true;
    info->filled = false;
  } else {
    info->setFillAlpha(fillAlpha);
    info->setStrokeAlpha(strokeAlpha);
    info->setStrokecolor(s.currentStrokeColor());
    info->setFillcolor(s.currentFillColor());
    info->strokeweight = weight;
    info->stroked = stroke;
    info->filled = fill;
  }
  return info;
}

}  // namespace

bool VQDocxPDFPageParser::isContentCurrentEmpty() const {
  return !currentPage_ || (currentPage_->allRunTextBoxArray.empty() && currentPage_->allRunTextPathArray.empty() &&
                           currentPage_->allRunImageArray.empty() && currentPage_->allRunPathArray.empty());
}

void VQDocxPDFPageParser::removeObjectsHidenBehindInRect(const Rect& rect) {
  removeTextHidenBehindInRect(rect);
  removePathHidenBehindInRect(rect);
}

void VQDocxPDFPageParser::removeTextHidenBehindInRect(const Rect& rect) {
  if (!currentPage_) return;
  std::erase_if(currentPage_->allRunTextArray,
                [&](const auto& run) { return run && RectContainsRect(rect, run->ctmInfo.frame); });
}

void VQDocxPDFPageParser::removePathHidenBehindInRect(const Rect& rect) {
  if (!currentPage_) return;
  std::erase_if(currentPage_->allRunPathArray,
                [&](const auto& run) { return run && RectContainsRect(rect, run->displayRect()); });
}

bool VQDocxPDFPageParser::isUnderTextAnnot(const VQPDFConentParser* parser, const VQPDFRenderState& state) {
  if (!state.isAnnotionParsering || !parser || !parser->contentAnnot || !parser->contentAnnot->type) return false;
  const std::string& type = *parser->contentAnnot->type;
  return type == "Highlight" || type == "Widget";
}

void VQDocxPDFPageParser::didScanPathStrokeFill(VQPDFConentParser* parser, const Path& path, bool stroke, bool fill) {
  if (!currentPage_) return;
  VQDocxRunPath::Array& paths = currentPage_->allRunPathArray;
  if (paths.size() > kMostPaths) return;
  if (path.isEmpty() || (!stroke && !fill)) return;
  const Rect pathBox = path.boundingBox();
  if (RectIsNull(pathBox) || RectIsInfinite(pathBox) || !IsFiniteRect(pathBox)) return;

  VQPDFRenderState& s = renderingStateStack().topRenderingState();
  const auto fillAlpha = static_cast<float>(s.currentFillAlpha());
  if (!IsPaintVisible(stroke, fill, static_cast<float>(s.currentStrokeAlpha()), fillAlpha)) return;

  const AffineTransform& pageTransform = currentPageTransform();
  const AffineTransform toDisplay = AffineTransformConcat(s.ctm, pageTransform);
  const double weight = VQLineUtilites::LineWidthApplyTransform(s.lineWidth, toDisplay);
  if (!std::isfinite(weight)) return;
  Path displayPath = path.transformed(pageTransform);
  if (!IsFinitePath(displayPath)) return;
  std::vector<Point> points = VQLineUtilites::NSArrayFromCGPath(displayPath);
  if (points.size() < 2) return;

  const bool detailed = paths.size() <= kMostDetailedPaths;
  const auto& clips = s.clipBezierPaths;
  if (!clips.empty()) {
    // A clip that leaves nothing of the page hides every path, however
    // crowded the page (the answer is kept per clip state).
    const Rect& visible = visibleArea(s);
    if (!(visible.size.width > 0) || !(visible.size.height > 0)) return;
  }
  if (detailed && !clips.empty() &&
      !FitPathToClip(path, s, currentPageCropBox().size, pageTransform, fill, displayPath, points))
    return;

  const std::optional<Rect> painted = PaintedFrame(displayPath, stroke, weight);
  if (!painted) return;
  const Rect& frame = *painted;
  // Nothing of a path wholly off the page shows.
  if (!RectIntersectsRect(frame, Rect{{0, 0}, currentPageCropBox().size})) return;

  // A near-white opaque fill before any graphics is the page's paper: what
  // text lies under it is hidden. (Soft-mask content is no paper.)
  if (fill && !stroke && !s.isParseringExtGState && isContentCurrentEmpty() && fillAlpha >= 0.99f) {
    const VQPDFRGB rgb = s.currentFillRGBColor();
    if (rgb.r >= 251 && rgb.g >= 251 && rgb.b >= 251) {
      removeObjectsHidenBehindInRect(frame);
      return;
    }
  }

  // A thin filled bar is drawn as its centre line.
  Path runPath = displayPath;
  std::optional<double> barWidth;
  if (double width = weight; detailed && fill && !stroke && BarAsCentreLine(displayPath, runPath, points, width))
    barWidth = width;
  auto info = PathInfoOf(s, frame, toDisplay, stroke, fill, weight, barWidth);

  endOpenTextBoxOrPath();

  auto run = std::make_shared<VQDocxRunPath>();
  run->isExtGStateSMask = s.isParseringExtGState;
  run->isAnnotion = s.isAnnotionParsering;
  run->pdfAnnotionIndex = s.pdfAnnotionIndex;
  // Highlights and form fields paint under the page's text: first.
  run->setPdfScanIndex(isUnderTextAnnot(parser, s) ? 0 : static_cast<uint64_t>(currentPage_->nextRunScanIndex()));
  run->pictZIndex = currentPage_->nextPictZIndex();
  run->setPictInfo(info);
  run->clipBezierPaths = clips;
  run->setRunCGPath(runPath);
  if (detailed) run->setRunLinePointArray(std::move(points));
  run->rProperty = currentRProperty(capture_.glyph(SizeZero));

  if (s.isParseringExtGState) {
    // Soft-mask content: kept marked, and dropped by the page's layout.
    paths.push_back(std::move(run));
    return;
  }
  if (s.haveSoftMask) {
    s.haveSoftMask = false;
    drawThroughSoftMask(*run, s.softMaskBlendMode);
    return;
  }
  paths.push_back(std::move(run));
}

void VQDocxPDFPageParser::drawThroughSoftMask(const VQDocxRunPath& run, int softMaskBlendMode) {
  if (softMaskBlendMode == 0 || currentPage_->allRunImageArray.empty()) return;
  const auto& image = currentPage_->allRunImageArray.back();
  if (!image) return;
  const auto file = VQDocxRunPath::RunPathSmaskWithRunImage(run, *image, AffineTransformIdentity, true);
  if (!file) return;
  // The picture's old file leaves the document unless another picture
  // still shows it.
  const auto before = image->clone();
  image->runImageID = currentPage_->collectImageWithPath(*file);
  image->imagePath = *file;
  image->isExtGStateSMask = false;
  currentPage_->removeCollectedImagesIfNotUsed({before});
}

}  // namespace vq

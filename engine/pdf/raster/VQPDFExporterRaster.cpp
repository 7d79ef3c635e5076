#include "pdf/raster/VQPDFExporterRaster.h"

#include <algorithm>
#include <cmath>
#include <mutex>

#include "pdf/VQPDFRenderState.h"
#include "pdf/VQPDFShading.h"
#include "pdf/shading/VQPDFPatternDrawable.h"
#include "pdf/shading/VQPDFShadingDrawable.h"
#include "platform/diagnostics/VQDiagnostics.h"
#include "platform/graphics/VQDrawingContext.h"

namespace vq {

namespace {

// Each side rounded up (in single precision, as sizes travel); false with
// "Context Size Zero!" when a side is below 1 or not a number.
bool RoundUpSize(Size size, Size* out) {
  const double w = std::ceil(static_cast<float>(size.width));
  const double h = std::ceil(static_cast<float>(size.height));
  if (!(w >= 1) || !(h >= 1) || !std::isfinite(w) || !std::isfinite(h)) {
    VQDiagnose(VQDiagnosticCategory::Render, "Context Size Zero!");
    return false;
  }
  *out = SizeMake(w, h);
  return true;
}

// A bitmap of the output area at the scale's resolution, turned so that rows
// run from the top, with output units as its user space.
std::unique_ptr<DrawingContext> MakeOutputContext(Size size, const AffineTransform& scaleTransform) {
  Size rounded;
  if (!RoundUpSize(size, &rounded)) return nullptr;
  const Size pixels = SizeApplyAffineTransform(rounded, scaleTransform);
  const double pw = std::ceil(std::fabs(pixels.width)), ph = std::ceil(std::fabs(pixels.height));
  if (!(pw >= 1) || !(ph >= 1) || !std::isfinite(pw) || !std::isfinite(ph)) {
    VQDiagnose(VQDiagnosticCategory::Render, "Context Size Zero!");
    return nullptr;
  }
  std::string error;
  auto context = (pw > kMaxBitmapSide || ph > kMaxBitmapSide)
                     ? nullptr
                     : DrawingContext::create(static_cast<int>(pw), static_cast<int>(ph), &error);
  if (!context) {
    VQDiagnose(VQDiagnosticCategory::Render, "Context not created!");
    return nullptr;
  }
  context->translateCTM(0, ph);
  context->scaleCTM(1, -1);
  context->concatCTM(scaleTransform);
  return context;
}

// Bitmaps of output areas past this many bytes are drawn one at a time,
// whatever the number of page threads: such a bitmap (a page-sized scan, a
// pattern over a page) with the pictures it is drawn from is the largest
// thing a page holds, and pages that draw two of them at once on two
// threads would need both at the same moment. Smaller ones, by far the most,
// never wait.
constexpr double kLargeRasterBytes = 8.0 * 1024 * 1024;

// The turn of one drawing of a large bitmap. A thread that already has the
// turn (a pattern drawn inside a clipped picture) keeps it for the drawings
// it makes meanwhile.
class LargeRasterTurn {
 public:
  LargeRasterTurn(Size size, const AffineTransform& scaleTransform) {
    const Size pixels = SizeApplyAffineTransform(size, scaleTransform);
    const double bytes = 4.0 * std::fabs(pixels.width) * std::fabs(pixels.height);
    if (held_ > 0 || !(bytes >= kLargeRasterBytes)) return;
    Mutex().lock();
    owner_ = true;
    ++held_;
  }
  ~LargeRasterTurn() {
    if (!owner_) return;
    --held_;
    Mutex().unlock();
  }
  LargeRasterTurn(const LargeRasterTurn&) = delete;
  LargeRasterTurn& operator=(const LargeRasterTurn&) = delete;

 private:
  static std::mutex& Mutex() {
    static std::mutex mutex;
    return mutex;
  }
  static inline thread_local int held_ = 0;
  bool owner_ = false;
};

FillRule RuleOf(int clipType) { return clipType == VQPDFClipTypeEvenOdd ? FillRule::EvenOdd : FillRule::Winding; }

void ClipByStack(DrawingContext& context, const AffineTransform& pageTransform, const VQPDFClipStack& clips) {
  for (const auto& clip : clips) {
    if (clip) context.clipToPath(clip->path.transformed(pageTransform), RuleOf(clip->clipType));
  }
}

// The visible box of the clip stack inside the output area, in output space;
// null when nothing is visible.
Rect ClipBoxInOutput(Size rounded, const AffineTransform& pageTransform, const VQPDFClipStack& clips) {
  Rect box = RectMake(0, 0, rounded.width, rounded.height);
  for (const auto& clip : clips) {
    if (!clip) continue;
    const Rect pathBox = clip->path.transformed(pageTransform).boundingBox();
    box = RectIntersection(box, pathBox);
    if (RectIsNull(box) || RectIsEmpty(box)) return RectNull;
  }
  return box;
}

std::optional<Bitmap> CropToOutputBox(const DrawingContext& context, const Rect& box,
                                      const AffineTransform& scaleTransform) {
  Bitmap image = context.toBitmap();
  const Rect pixels = RectApplyAffineTransform(box, scaleTransform);
  if (!(pixels.size.width > 0)) return image;
  if (RectEqualToRect(RectIntegral(pixels), RectMake(0, 0, image.width, image.height))) return image;
  return BitmapCropToRect(image, pixels);
}

double LinearScale(const AffineTransform& t) {
  const double f = std::sqrt(std::fabs(t.a * t.d - t.b * t.c));
  return std::isfinite(f) ? f : 1.0;
}

}  // namespace

double VQPDFExporterRaster::ClippedPictureScale(int pixelWidth, int pixelHeight, double displayWidth,
                                                double displayHeight, const Size& page, double minScale) {
  constexpr double kMaxScale = 300.0 / 72.0, kMaxPagePixels = 36e6;
  minScale = std::min(minScale, kMaxScale);
  double own = 0;
  if (displayWidth > 0) own = std::max(own, pixelWidth / displayWidth);
  if (displayHeight > 0) own = std::max(own, pixelHeight / displayHeight);
  double scale = std::clamp(std::isfinite(own) ? own : minScale, minScale, kMaxScale);
  const double area = page.width * page.height;
  if (area > 0 && area * scale * scale > kMaxPagePixels) scale = std::max(1.0, std::sqrt(kMaxPagePixels / area));
  return scale;
}

std::optional<Bitmap> VQPDFExporterRaster::ClipImageInContextSize(
    Size size, const Bitmap& image, const AffineTransform& scaleTransform, const AffineTransform& pageTransform,
    const AffineTransform& imageTransform, const Rect& imageRect, const VQPDFClipStack& clipBezierPaths, Rect* clipRect,
    bool* noClippingNeeded) {
  return ClipImageInContextSize(
      size, [&image]() { return &image; }, scaleTransform, pageTransform, imageTransform, imageRect, clipBezierPaths,
      clipRect, noClippingNeeded);
}

std::optional<Bitmap> VQPDFExporterRaster::ClipImageInContextSize(
    Size size, const std::function<const Bitmap*()>& loadImage, const AffineTransform& scaleTransform,
    const AffineTransform& pageTransform, const AffineTransform& imageTransform, const Rect& imageRect,
    const VQPDFClipStack& clipBezierPaths, Rect* clipRect, bool* noClippingNeeded) {
  if (noClippingNeeded) *noClippingNeeded = false;
  const LargeRasterTurn turn(size, scaleTransform);
  auto context = MakeOutputContext(size, scaleTransform);
  if (!context) return std::nullopt;
  ClipByStack(*context, pageTransform, clipBezierPaths);
  const Rect clip = context->clipBoundingBox();
  if (RectIsNull(clip) || RectIsEmpty(clip)) return std::nullopt;
  const Rect rounded = RectMake(std::round(clip.origin.x), std::round(clip.origin.y), std::ceil(clip.size.width),
                                std::ceil(clip.size.height));
  if (RectContainsRect(rounded, RectStandardize(imageRect))) {
    if (noClippingNeeded) *noClippingNeeded = true;
    return std::nullopt;
  }
  const Bitmap* image = loadImage();
  if (!image || image->empty()) return std::nullopt;
  // Only the visible part of the picture is kept.
  const Rect visible = RectIntegral(RectIntersection(rounded, RectStandardize(imageRect)));
  if (RectIsNull(visible) || RectIsEmpty(visible)) return std::nullopt;
  context->concatCTM(imageTransform);
  context->drawBitmap(*image, RectMake(0, 0, 1, 1));
  if (clipRect) *clipRect = visible;
  return CropToOutputBox(*context, visible, scaleTransform);
}

std::optional<Bitmap> VQPDFExporterRaster::DrawShadingInContextSize(Size size, const AffineTransform& transform,
                                                                    const AffineTransform& scaleTransform,
                                                                    const AffineTransform& pageTransform,
                                                                    const VQPDFClipStack& clipBezierPaths,
                                                                    Rect* clipRect, VQPDFDrawableShading& shading) {
  const LargeRasterTurn turn(size, scaleTransform);
  auto context = MakeOutputContext(size, scaleTransform);
  if (!context) return std::nullopt;
  ClipByStack(*context, pageTransform, clipBezierPaths);
  const Rect clip = context->clipBoundingBox();
  if (RectIsNull(clip) || RectIsEmpty(clip)) return std::nullopt;
  if (clipRect) *clipRect = clip;
  context->concatCTM(transform);
  shading.drawInContext(*context, AffineTransformIdentity);
  return CropToOutputBox(*context, clip, scaleTransform);
}

std::optional<Bitmap> VQPDFExporterRaster::DrawShadingInContextSize(Size size, const AffineTransform& transform,
                                                                    const AffineTransform& scaleTransform,
                                                                    const AffineTransform& pageTransform,
                                                                    const VQPDFClipStack& clipBezierPaths,
                                                                    Rect* clipRect,
                                                                    const std::shared_ptr<VQPDFShading>& shading) {
  auto drawable = VQPDFDrawableShading::ShadingForResource(shading);
  if (!drawable) return std::nullopt;
  return DrawShadingInContextSize(size, transform, scaleTransform, pageTransform, clipBezierPaths, clipRect, *drawable);
}

std::optional<Bitmap> VQPDFExporterRaster::DrawPatternInContextSize(Size size, const AffineTransform& transform,
                                                                    const AffineTransform& scaleTransform,
                                                                    const AffineTransform& pageTransform,
                                                                    const VQPDFClipStack& clipBezierPaths,
                                                                    Rect* clipRect, const Path& cgPath,
                                                                    const PatternPaint& paint) {
  const bool fill = paint.fill && paint.fillPattern;
  const bool stroke = paint.stroke && paint.strokePattern && paint.lineWidth > 0;
  if ((!fill && !stroke) || cgPath.isEmpty()) return std::nullopt;
  const LargeRasterTurn turn(size, scaleTransform);
  auto context = MakeOutputContext(size, scaleTransform);
  if (!context) return std::nullopt;
  ClipByStack(*context, pageTransform, clipBezierPaths);
  const Path path = cgPath.transformed(pageTransform);
  Rect painted = path.boundingBox();
  if (stroke) painted = RectInset(painted, -paint.lineWidth / 2, -paint.lineWidth / 2);
  const Rect box = RectIntersection(painted, context->clipBoundingBox());
  if (RectIsNull(box) || RectIsEmpty(box)) return std::nullopt;

  if (fill) {
    context->saveGState();
    context->clipToPath(path, paint.evenOdd ? FillRule::EvenOdd : FillRule::Winding);
    context->concatCTM(transform);
    paint.fillPattern->drawInContext(*context, scaleTransform, paint.fillColor);
    context->restoreGState();
  }
  if (stroke) {
    // The stroke's outline cannot be a clip here: the pattern is painted
    // over the stroke's box into a layer, and the layer keeps only the
    // pixels a plain stroke of the path covers.
    auto layer = MakeOutputContext(size, scaleTransform);
    auto coverage = MakeOutputContext(size, scaleTransform);
    if (layer && coverage) {
      layer->clipToRect(box);
      layer->concatCTM(transform);
      paint.strokePattern->drawInContext(*layer, scaleTransform, paint.strokeColor);
      coverage->setStrokeColor(ColorMakeGray(0));
      coverage->setLineWidth(paint.lineWidth);
      coverage->strokePath(path);
      Bitmap top = layer->toBitmap();
      const Bitmap mask = coverage->toBitmap();
      for (size_t i = 3; i < top.pixels.size(); i += 4)
        top.pixels[i] = static_cast<uint8_t>((top.pixels[i] * mask.pixels[i] + 127) / 255);
      context->saveGState();
      context->concatCTM(AffineTransformInvert(context->getCTM()));
      context->drawBitmap(top, RectMake(0, 0, top.width, top.height));
      context->restoreGState();
    }
  }
  if (clipRect) *clipRect = box;
  return CropToOutputBox(*context, box, scaleTransform);
}

std::unique_ptr<DrawingContext> VQPDFExporterRaster::OutputContext(Size size, const AffineTransform& scaleTransform) {
  return MakeOutputContext(size, scaleTransform);
}

Rect VQPDFExporterRaster::ClipRectInContextSize(Size size, const AffineTransform& pageTransform,
                                                const VQPDFClipStack& clipBezierPaths) {
  Size rounded;
  if (!RoundUpSize(size, &rounded)) return RectZero;
  const Rect box = ClipBoxInOutput(rounded, pageTransform, clipBezierPaths);
  return RectIsNull(box) ? RectZero : box;
}

std::optional<Path> VQPDFExporterRaster::ClipPathInContextSize(Size size, const Path& orginalCGPath, double lineWidth,
                                                               const AffineTransform& pageTransform,
                                                               const VQPDFClipStack& clipBezierPaths, Rect* clipBound) {
  Size rounded;
  if (!RoundUpSize(size, &rounded)) return std::nullopt;
  const Rect clip = ClipBoxInOutput(rounded, pageTransform, clipBezierPaths);
  if (clipBound) *clipBound = RectIsNull(clip) ? RectZero : clip;
  if (RectIsNull(clip) || orginalCGPath.isEmpty()) return std::nullopt;
  Rect box = orginalCGPath.transformed(pageTransform).boundingBox();
  if (RectIsNull(box)) return std::nullopt;
  // A hairline has no area; the line width it is drawn with gives it one.
  const double width = std::max(lineWidth, 0.0) * LinearScale(pageTransform);
  if (box.size.width < width) box = RectInset(box, -(width - box.size.width) / 2, 0);
  if (box.size.height < width) box = RectInset(box, 0, -(width - box.size.height) / 2);
  if (RectContainsRect(clip, box) || RectIntersectsRect(clip, box)) return orginalCGPath;
  return std::nullopt;
}

VQPDFExporterRaster::PatternPaint VQPDFExporterRaster::PatternPaintForState(const VQPDFRenderState& state, bool stroke,
                                                                            bool fill, double lineWidth) {
  PatternPaint paint;
  paint.fillPattern = fill ? VQPDFDrawablePattern::PatternForResource(state.fillPattern) : nullptr;
  paint.strokePattern = stroke ? VQPDFDrawablePattern::PatternForResource(state.strokePattern) : nullptr;
  paint.fill = fill && paint.fillPattern;
  paint.stroke = stroke && paint.strokePattern;
  paint.evenOdd = state.usesEvenOddFillRule;
  paint.lineWidth = lineWidth;
  paint.fillColor = VQPDFPatternStencilColor(state, false);
  paint.strokeColor = VQPDFPatternStencilColor(state, true);
  return paint;
}

}  // namespace vq

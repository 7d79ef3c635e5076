#include "pdf/shading/VQPDFPatternDrawable.h"

#include <algorithm>
#include <cmath>

#include "pdf/VQPDFColorSpace.h"
#include "pdf/VQPDFObjectValues.h"
#include "pdf/VQPDFRenderState.h"
#include "pdf/VQPDFShading.h"
#include "pdf/shading/VQPDFConentDrawer.h"

namespace vq {

using pdf::Object;
using vqpdf_detail::ReadNumber;

namespace {

// A cell is drawn at most this many pixels a side, however small its box
// and however large the scale it is shown at.
constexpr double kMaxCellSide = 2048;

bool ReadMatrix(const Object& dict, AffineTransform* matrix) {
  Object m = dict.get("Matrix");
  if (!m.isArray() || m.size() != 6) return false;
  double v[6] = {1, 0, 0, 1, 0, 0};
  for (size_t i = 0; i < 6; ++i) ReadNumber(m.at(i), &v[i]);
  *matrix = AffineTransformMake(v[0], v[1], v[2], v[3], v[4], v[5]);
  return true;
}

template <class Resource, class Drawable, class Make>
std::shared_ptr<Drawable> CachedFor(const std::shared_ptr<Resource>& resource, Make make) {
  struct Entry {
    std::weak_ptr<Resource> owner;
    std::shared_ptr<Drawable> drawable;
  };
  thread_local std::map<const Resource*, Entry> cache;
  for (auto it = cache.begin(); it != cache.end();) it = it->second.owner.expired() ? cache.erase(it) : std::next(it);
  auto it = cache.find(resource.get());
  if (it != cache.end()) return it->second.drawable;
  auto drawable = make();
  cache[resource.get()] = Entry{resource, drawable};
  return drawable;
}

}  // namespace

std::shared_ptr<VQPDFDrawablePattern> VQPDFDrawablePattern::PatternWithObject(const Object& object,
                                                                              const std::string& objectKey) {
  if (!object.isDictionary()) return nullptr;
  const Object dict = object.isStream() ? object.streamDictionary() : object;
  auto type = dict.get("PatternType").integer();
  if (!type) return nullptr;
  if (*type == 1) {
    auto pattern = std::make_shared<VQPDFPatternTiling>();
    if (!pattern->initWithObject(object, objectKey)) return nullptr;
    pattern->type = 1;
    return pattern;
  }
  if (*type == 2) {
    auto pattern = std::make_shared<VQPDFPatternShading>();
    if (!pattern->initWithObject(object, objectKey)) return nullptr;
    pattern->type = 2;
    return pattern;
  }
  return nullptr;
}

std::shared_ptr<VQPDFDrawablePattern> VQPDFDrawablePattern::PatternForResource(
    const std::shared_ptr<VQPDFPattern>& resource) {
  if (!resource) return nullptr;
  return CachedFor<VQPDFPattern, VQPDFDrawablePattern>(
      resource, [&] { return PatternWithObject(resource->object, resource->objectKey); });
}

// ---- tiling ------------------------------------------------------------------

bool VQPDFPatternTiling::initWithObject(const Object& object, const std::string& key) {
  objectKey = key;
  if (!object.isStream()) return false;
  contentStream = object;
  const Object dict = object.streamDictionary();
  if (auto v = dict.get("PaintType").integer()) paintType = static_cast<int>(*v);
  if (auto v = dict.get("TilingType").integer()) tilingType = static_cast<int>(*v);
  ReadNumber(dict.get("XStep"), &xStep);
  ReadNumber(dict.get("YStep"), &yStep);
  Object box = dict.get("BBox");
  if (box.isArray() && box.size() == 4) {
    for (size_t i = 0; i < 4; ++i) ReadNumber(box.at(i), &bbox[i]);
  }
  Object resources = dict.get("Resources");
  if (resources.isDictionary()) resDict = resources;
  ReadMatrix(dict, &matrix);
  return true;
}

std::optional<Bitmap> VQPDFPatternTiling::cellImage(double scale) {
  // Cells are kept per half-octave of scale, so that every path filled with
  // the pattern on a page reuses one drawing.
  const int bucket = static_cast<int>(std::lround(std::log2(scale) * 2));
  auto it = cells_.find(bucket);
  if (it != cells_.end()) return it->second;
  const double k = std::exp2(bucket / 2.0);
  const Rect box = RectFromPoints({bbox[0], bbox[1]}, {bbox[2], bbox[3]});
  auto cell = DrawStream(contentStream, resDict, box, k);
  cells_[bucket] = cell;
  return cell;
}

void VQPDFPatternTiling::drawInContext(DrawingContext& context, const AffineTransform&,
                                       const std::optional<Color>& color) {
  const Rect clip = context.clipBoundingBox();
  if (RectIsNull(clip) || RectIsEmpty(clip)) return;
  const Rect box = RectFromPoints({bbox[0], bbox[1]}, {bbox[2], bbox[3]});
  const double side = std::max(box.size.width, box.size.height);
  if (!(side > 0) || !std::isfinite(side) || !(std::fabs(xStep) > 0) || !(std::fabs(yStep) > 0) ||
      !std::isfinite(xStep) || !std::isfinite(yStep) || !AffineTransformIsInvertible(matrix))
    return;
  // Draw the cell at the resolution it is shown at, within limits.
  const AffineTransform toDevice = AffineTransformConcat(matrix, context.getCTM());
  double k = std::max(std::hypot(toDevice.a, toDevice.b), std::hypot(toDevice.c, toDevice.d));
  if (!std::isfinite(k) || !(k > 0)) return;
  k = std::min(k, kMaxCellSide / side);
  k = std::max(k, 1.0 / 64);
  const int bucket = static_cast<int>(std::lround(std::log2(k) * 2));
  const double scale = std::exp2(bucket / 2.0);
  auto cell = cellImage(k);
  if (!cell || cell->empty()) return;

  TilingPattern tiling;
  tiling.cell = std::move(*cell);
  tiling.bounds = RectMake(0, 0, box.size.width * scale, box.size.height * scale);
  tiling.xStep = xStep * scale;
  tiling.yStep = yStep * scale;
  // Cell pixels -> pattern space -> the base space.
  tiling.matrix =
      AffineTransformConcat(AffineTransformConcat(AffineTransformMakeScale(1 / scale, 1 / scale),
                                                  AffineTransformMakeTranslation(box.origin.x, box.origin.y)),
                            matrix);
  if (paintType != 1) tiling.stencilColor = color.value_or(ColorMakeGray(0));
  context.fillRectWithTilingPattern(clip, tiling);
}

// ---- shading pattern ----------------------------------------------------------

bool VQPDFPatternShading::initWithObject(const Object& object, const std::string& key) {
  objectKey = key;
  if (object.type() != pdf::ObjectType::Dictionary) return false;
  shading = VQPDFDrawableShading::ShadingWithObject(object.get("Shading"), key);
  if (!shading) return false;
  ReadMatrix(object, &matrix);
  return true;
}

void VQPDFPatternShading::drawInContext(DrawingContext& context, const AffineTransform& scaleTransform,
                                        const std::optional<Color>&) {
  if (!shading) return;
  context.saveGState();
  context.concatCTM(matrix);
  shading->drawInContext(context, scaleTransform);
  context.restoreGState();
}

std::optional<Color> VQPDFPatternStencilColor(const VQPDFRenderState& state, bool stroke) {
  const auto& space = stroke ? state.strokeColorSpace : state.fillColorSpace;
  auto pattern = std::dynamic_pointer_cast<VQPDFPatternColorSpace>(space);
  if (!pattern || !pattern->under) return std::nullopt;
  const VQPDFRGB rgb = pattern->under->getRGB(stroke ? state.strokeColor : state.fillColor);
  return ColorMakeRGB(rgb.r / 255.0, rgb.g / 255.0, rgb.b / 255.0);
}

std::optional<VQPDFRGB> VQPDFPatternAverageFillColor(const VQPDFRenderState& state, const Rect& area) {
  auto pattern = VQPDFDrawablePattern::PatternForResource(state.fillPattern);
  const Rect box = RectStandardize(area);
  const double side = std::max(box.size.width, box.size.height);
  if (!pattern || !(side > 0) || !std::isfinite(side) || !std::isfinite(box.origin.x) || !std::isfinite(box.origin.y))
    return std::nullopt;
  // A small drawing of the area is enough for its average; a thin area
  // keeps one pixel across.
  constexpr double kSamplesAlong = 64;
  const double scale = kSamplesAlong / side;
  const int w = std::max(1, static_cast<int>(std::ceil(box.size.width * scale)));
  const int h = std::max(1, static_cast<int>(std::ceil(box.size.height * scale)));
  auto context = DrawingContext::create(w, h);
  if (!context) return std::nullopt;
  // The area fills the drawing; a side of no length (a hairline) is one
  // pixel at the scale of the other.
  context->scaleCTM(box.size.width > 0 ? w / box.size.width : scale, box.size.height > 0 ? h / box.size.height : scale);
  context->translateCTM(-box.origin.x, -box.origin.y);
  pattern->drawInContext(*context, AffineTransformIdentity, VQPDFPatternStencilColor(state, false));
  const Bitmap drawn = context->toBitmap();
  if (drawn.format != PixelFormat::RGBA8) return std::nullopt;
  uint64_t sum[3] = {}, coverage = 0;
  for (int y = 0; y < drawn.height; ++y) {
    const uint8_t* p = drawn.row(y);
    for (int x = 0; x < drawn.width; ++x, p += 4) {
      for (int c = 0; c < 3; ++c) sum[c] += uint64_t{p[c]} * p[3];
      coverage += p[3];
    }
  }
  if (coverage == 0) return std::nullopt;
  const auto mean = [&](int c) { return static_cast<int16_t>((sum[c] + coverage / 2) / coverage); };
  return VQPDFRGB{mean(0), mean(1), mean(2)};
}

}  // namespace vq

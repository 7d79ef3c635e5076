#include "platform/graphics/VQDrawingContext.h"

#include <cairo.h>

#include <algorithm>
#include <cstring>

#include <fmt/format.h>

#include "platform/loader/VQSystemLibrary.h"

namespace vq {

namespace {

// cairo is opened on the first drawing (see platform/loader/VQSystemLibrary.h).
// clang-format off
#define VQ_CAIRO_FUNCTIONS(F) \
  F(cairo_append_path) F(cairo_clip) F(cairo_close_path) F(cairo_copy_path) F(cairo_create) \
  F(cairo_curve_to) F(cairo_destroy) F(cairo_fill) F(cairo_get_source) F(cairo_identity_matrix) \
  F(cairo_image_surface_create) F(cairo_image_surface_get_data) F(cairo_image_surface_get_stride) \
  F(cairo_line_to) F(cairo_mask) F(cairo_mask_surface) F(cairo_matrix_init) F(cairo_move_to) \
  F(cairo_new_path) F(cairo_paint) F(cairo_paint_with_alpha) F(cairo_path_destroy) \
  F(cairo_pattern_add_color_stop_rgba) F(cairo_pattern_create_for_surface) \
  F(cairo_pattern_create_linear) F(cairo_pattern_destroy) F(cairo_pattern_set_extend) \
  F(cairo_pattern_set_filter) F(cairo_pattern_set_matrix) F(cairo_pop_group_to_source) \
  F(cairo_push_group) F(cairo_rectangle) F(cairo_reset_clip) F(cairo_restore) F(cairo_save) \
  F(cairo_scale) F(cairo_set_antialias) F(cairo_set_dash) F(cairo_set_fill_rule) \
  F(cairo_set_line_cap) F(cairo_set_line_join) F(cairo_set_line_width) F(cairo_set_matrix) \
  F(cairo_set_miter_limit) F(cairo_set_operator) F(cairo_set_source) F(cairo_set_source_rgba) \
  F(cairo_set_source_surface) F(cairo_status) F(cairo_status_to_string) F(cairo_stroke) \
  F(cairo_surface_destroy) F(cairo_surface_flush) F(cairo_surface_mark_dirty) \
  F(cairo_surface_status) F(cairo_transform) F(cairo_translate)
// clang-format on
VQ_SYSTEM_LIBRARY(CairoLibrary, cairoLibrary, VQ_CAIRO_SONAME, VQ_CAIRO_FUNCTIONS)

struct SurfaceDeleter {
  void operator()(cairo_surface_t* s) const { cairoLibrary().cairo_surface_destroy(s); }
};
using SurfacePtr = std::unique_ptr<cairo_surface_t, SurfaceDeleter>;
struct PathDeleter {
  void operator()(cairo_path_t* p) const { cairoLibrary().cairo_path_destroy(p); }
};
using CairoPathPtr = std::unique_ptr<cairo_path_t, PathDeleter>;

bool finitePoint(const Point& p) { return std::isfinite(p.x) && std::isfinite(p.y); }

cairo_matrix_t toCairo(const AffineTransform& t) {
  cairo_matrix_t m;
  cairoLibrary().cairo_matrix_init(&m, t.a, t.b, t.c, t.d, t.tx, t.ty);
  return m;
}

cairo_filter_t filterFor(InterpolationQuality q) {
  switch (q) {
    case InterpolationQuality::None:
      return CAIRO_FILTER_NEAREST;
    case InterpolationQuality::Low:
      return CAIRO_FILTER_FAST;
    case InterpolationQuality::High:
      return CAIRO_FILTER_BEST;
    case InterpolationQuality::Default:
    case InterpolationQuality::Medium:
      break;
  }
  return CAIRO_FILTER_GOOD;
}

inline uint8_t premultiply(uint8_t c, uint8_t a) { return static_cast<uint8_t>((c * a + 127) / 255); }

// A new image surface of the bitmap's size, when the bitmap holds all the
// bytes its size and format need.
SurfacePtr surfaceForBitmap(const Bitmap& bm, cairo_format_t format) {
  if (bm.width <= 0 || bm.height <= 0 || !BitmapSizeAllowed(bm.width, bm.height)) return nullptr;
  const size_t rowBytes = Bitmap::rowBytes(bm.width, bm.format);
  if (bm.stride < rowBytes || bm.pixels.size() < bm.stride * (bm.height - 1) + rowBytes) return nullptr;
  SurfacePtr s(cairoLibrary().cairo_image_surface_create(format, bm.width, bm.height));
  if (cairoLibrary().cairo_surface_status(s.get()) != CAIRO_STATUS_SUCCESS) return nullptr;
  cairoLibrary().cairo_surface_flush(s.get());
  return s;
}

// Copies a bitmap of any format into a new premultiplied ARGB32 surface.
SurfacePtr surfaceFromBitmap(const Bitmap& bm) {
  SurfacePtr s = surfaceForBitmap(bm, CAIRO_FORMAT_ARGB32);
  if (!s) return nullptr;
  uint8_t* data = cairoLibrary().cairo_image_surface_get_data(s.get());
  const int stride = cairoLibrary().cairo_image_surface_get_stride(s.get());
  const auto pack = [](uint32_t a, uint32_t r, uint32_t g, uint32_t b) { return (a << 24) | (r << 16) | (g << 8) | b; };
  // One loop per format: pictures run to millions of pixels.
  for (int y = 0; y < bm.height; ++y) {
    const uint8_t* in = bm.row(y);
    auto* out = reinterpret_cast<uint32_t*>(data + static_cast<size_t>(y) * stride);
    switch (bm.format) {
      case PixelFormat::Gray8:
        for (int x = 0; x < bm.width; ++x) out[x] = pack(255, in[x], in[x], in[x]);
        break;
      case PixelFormat::RGB8:
        for (int x = 0; x < bm.width; ++x) out[x] = pack(255, in[3 * x], in[3 * x + 1], in[3 * x + 2]);
        break;
      case PixelFormat::RGBA8:
        for (int x = 0; x < bm.width; ++x) {
          const uint8_t a = in[4 * x + 3];
          out[x] = pack(a, premultiply(in[4 * x], a), premultiply(in[4 * x + 1], a), premultiply(in[4 * x + 2], a));
        }
        break;
      case PixelFormat::Mono1:
      default:
        for (int x = 0; x < bm.width; ++x) {
          const uint32_t v = ((in[x >> 3] >> (7 - (x & 7))) & 1) ? 255 : 0;
          out[x] = pack(255, v, v, v);
        }
        break;
    }
  }
  cairoLibrary().cairo_surface_mark_dirty(s.get());
  return s;
}

// A bitmap's coverage as an A8 surface: grey levels as they are, colour by
// its luminance, transparent parts black.
SurfacePtr alphaSurfaceFromBitmap(const Bitmap& bm) {
  SurfacePtr s = surfaceForBitmap(bm, CAIRO_FORMAT_A8);
  if (!s) return nullptr;
  uint8_t* data = cairoLibrary().cairo_image_surface_get_data(s.get());
  const int stride = cairoLibrary().cairo_image_surface_get_stride(s.get());
  auto luminance = [](uint32_t r, uint32_t g, uint32_t b) { return (r * 77 + g * 150 + b * 29 + 128) >> 8; };
  for (int y = 0; y < bm.height; ++y) {
    const uint8_t* in = bm.row(y);
    uint8_t* out = data + static_cast<size_t>(y) * stride;
    for (int x = 0; x < bm.width; ++x) {
      switch (bm.format) {
        case PixelFormat::Gray8:
          out[x] = in[x];
          break;
        case PixelFormat::RGB8:
          out[x] = static_cast<uint8_t>(luminance(in[3 * x], in[3 * x + 1], in[3 * x + 2]));
          break;
        case PixelFormat::RGBA8:
          out[x] = static_cast<uint8_t>(luminance(in[4 * x], in[4 * x + 1], in[4 * x + 2]) * in[4 * x + 3] / 255);
          break;
        case PixelFormat::Mono1:
          out[x] = ((in[x >> 3] >> (7 - (x & 7))) & 1) ? 255 : 0;
          break;
      }
    }
  }
  cairoLibrary().cairo_surface_mark_dirty(s.get());
  return s;
}

}  // namespace

bool BitmapSizeAllowed(int64_t width, int64_t height, std::string* error) {
  std::string why;
  if (width < 1 || height < 1) why = fmt::format("bitmap size {} x {} is below one pixel", width, height);
  else if (width > kMaxBitmapSide || height > kMaxBitmapSide)
    why = fmt::format("bitmap size {} x {} exceeds {} pixels a side", width, height, kMaxBitmapSide);
  else if (static_cast<uint64_t>(width) * static_cast<uint64_t>(height) * 4 > kMaxBitmapBytes)
    why = fmt::format("bitmap size {} x {} needs more than {} bytes", width, height, kMaxBitmapBytes);
  if (why.empty()) return true;
  if (error) *error = why;
  return false;
}

struct DrawingContext::State {
  AffineTransform ctm;      // user space to device pixels (rows from the top)
  bool degenerate = false;  // the CTM is singular: nothing can be drawn
  RGBA fill{0, 0, 0, 1};
  RGBA stroke{0, 0, 0, 1};
  double alpha = 1;
  Rect clipDevice;
  InterpolationQuality interpolation = InterpolationQuality::Default;
  // The soft masks set so far, multiplied, over the whole bitmap (A8, device
  // pixels); shared between saved states, never changed once made.
  std::shared_ptr<cairo_surface_t> mask;
};

std::unique_ptr<DrawingContext> DrawingContext::create(int width, int height, std::string* error) {
  if (!BitmapSizeAllowed(width, height, error)) return nullptr;
  SurfacePtr surface(cairoLibrary().cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height));
  if (cairoLibrary().cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) {
    if (error) *error = cairoLibrary().cairo_status_to_string(cairoLibrary().cairo_surface_status(surface.get()));
    return nullptr;
  }
  cairo_t* cr = cairoLibrary().cairo_create(surface.get());
  if (cairoLibrary().cairo_status(cr) != CAIRO_STATUS_SUCCESS) {
    if (error) *error = cairoLibrary().cairo_status_to_string(cairoLibrary().cairo_status(cr));
    cairoLibrary().cairo_destroy(cr);
    return nullptr;
  }
  return std::unique_ptr<DrawingContext>(new DrawingContext(width, height, surface.release(), cr));
}

DrawingContext::DrawingContext(int width, int height, cairo_surface_t* surface, cairo_t* cr)
    : width_(width), height_(height), surface_(surface), cr_(cr) {
  State s;
  s.ctm = AffineTransformMake(1, 0, 0, -1, 0, height);
  s.clipDevice = RectMake(0, 0, width, height);
  states_.push_back(s);
  applyMatrix();
}

DrawingContext::~DrawingContext() {
  cairoLibrary().cairo_destroy(cr_);
  cairoLibrary().cairo_surface_destroy(surface_);
}

DrawingContext::State& DrawingContext::state() { return states_.back(); }
const DrawingContext::State& DrawingContext::state() const { return states_.back(); }

void DrawingContext::applyMatrix() {
  if (state().degenerate) return;
  cairo_matrix_t m = toCairo(state().ctm);
  cairoLibrary().cairo_set_matrix(cr_, &m);
}

void DrawingContext::saveGState() {
  cairoLibrary().cairo_save(cr_);
  states_.push_back(states_.back());
}

void DrawingContext::restoreGState() {
  if (states_.size() < 2) return;
  cairoLibrary().cairo_restore(cr_);
  states_.pop_back();
}

AffineTransform DrawingContext::getCTM() const {
  // The device flip is its own inverse.
  return AffineTransformConcat(state().ctm, AffineTransformMake(1, 0, 0, -1, 0, height_));
}

void DrawingContext::concatCTM(const AffineTransform& t) {
  State& s = state();
  s.ctm = AffineTransformConcat(t, s.ctm);
  if (!AffineTransformIsInvertible(s.ctm) || !std::isfinite(s.ctm.a) || !std::isfinite(s.ctm.b) ||
      !std::isfinite(s.ctm.c) || !std::isfinite(s.ctm.d))
    s.degenerate = true;
  applyMatrix();
}

void DrawingContext::setFillColor(const Color& c) { state().fill = ColorToRGBA(c); }
void DrawingContext::setStrokeColor(const Color& c) { state().stroke = ColorToRGBA(c); }
void DrawingContext::setAlpha(double alpha) {
  state().alpha = std::isfinite(alpha) ? std::clamp(alpha, 0.0, 1.0) : 1.0;
}

void DrawingContext::setLineWidth(double width) {
  cairoLibrary().cairo_set_line_width(cr_, std::isfinite(width) && width > 0 ? width : 0);
}

void DrawingContext::setLineCap(LineCap cap) {
  cairoLibrary().cairo_set_line_cap(cr_, cap == LineCap::Round    ? CAIRO_LINE_CAP_ROUND
                                         : cap == LineCap::Square ? CAIRO_LINE_CAP_SQUARE
                                                                  : CAIRO_LINE_CAP_BUTT);
}

void DrawingContext::setLineJoin(LineJoin join) {
  cairoLibrary().cairo_set_line_join(cr_, join == LineJoin::Round   ? CAIRO_LINE_JOIN_ROUND
                                          : join == LineJoin::Bevel ? CAIRO_LINE_JOIN_BEVEL
                                                                    : CAIRO_LINE_JOIN_MITER);
}

void DrawingContext::setMiterLimit(double limit) {
  if (std::isfinite(limit) && limit >= 1) cairoLibrary().cairo_set_miter_limit(cr_, limit);
}

void DrawingContext::setLineDash(double phase, const std::vector<double>& lengths) {
  // cairo enters a permanent error state on negative or all-zero dashes;
  // such a pattern cannot be drawn anyway, so the line is drawn solid.
  double sum = 0;
  bool valid = std::isfinite(phase);
  for (double v : lengths) {
    if (!std::isfinite(v) || v < 0) valid = false;
    else sum += v;
  }
  if (!valid || sum <= 0) {
    cairoLibrary().cairo_set_dash(cr_, nullptr, 0, 0);
    return;
  }
  cairoLibrary().cairo_set_dash(cr_, lengths.data(), static_cast<int>(lengths.size()), phase);
}

void DrawingContext::setShouldAntialias(bool antialias) {
  cairoLibrary().cairo_set_antialias(cr_, antialias ? CAIRO_ANTIALIAS_DEFAULT : CAIRO_ANTIALIAS_NONE);
}

void DrawingContext::setInterpolationQuality(InterpolationQuality q) { state().interpolation = q; }

void DrawingContext::beginPath() { consumePath(); }

void DrawingContext::consumePath() {
  cairoLibrary().cairo_new_path(cr_);
  pathDeviceBox_ = RectNull;
  pathHasPoints_ = false;
}

bool DrawingContext::isPathEmpty() const { return !pathHasPoints_; }

void DrawingContext::replayPath(const Path& path) {
  if (state().degenerate) return;
  Point cur{}, start{};
  bool have = false;
  for (const PathElement& e : path) {
    bool ok = true;
    for (int i = 0; i < e.pointCount(); ++i) ok = ok && finitePoint(e.points[i]);
    if (!ok) continue;
    switch (e.type) {
      case PathElementType::MoveToPoint:
        cairoLibrary().cairo_move_to(cr_, e.points[0].x, e.points[0].y);
        cur = start = e.points[0];
        have = true;
        break;
      case PathElementType::AddLineToPoint:
        cairoLibrary().cairo_line_to(cr_, e.points[0].x, e.points[0].y);
        cur = e.points[0];
        have = true;
        break;
      case PathElementType::AddQuadCurveToPoint: {
        const Point q = e.points[0], p = e.points[1];
        if (!have) {
          cairoLibrary().cairo_move_to(cr_, q.x, q.y);
          cur = start = q;
        }
        // A quadratic is the cubic with control points 2/3 of the way from
        // each end point towards the quadratic's control point.
        cairoLibrary().cairo_curve_to(cr_, cur.x + 2.0 / 3 * (q.x - cur.x), cur.y + 2.0 / 3 * (q.y - cur.y),
                                      p.x + 2.0 / 3 * (q.x - p.x), p.y + 2.0 / 3 * (q.y - p.y), p.x, p.y);
        cur = p;
        have = true;
        break;
      }
      case PathElementType::AddCurveToPoint:
        cairoLibrary().cairo_curve_to(cr_, e.points[0].x, e.points[0].y, e.points[1].x, e.points[1].y, e.points[2].x,
                                      e.points[2].y);
        cur = e.points[2];
        have = true;
        break;
      case PathElementType::CloseSubpath:
        cairoLibrary().cairo_close_path(cr_);
        cur = start;
        break;
    }
  }
  if (!path.isEmpty()) {
    pathDeviceBox_ = RectUnion(pathDeviceBox_, path.transformed(state().ctm).boundingBox());
    pathHasPoints_ = true;
  }
}

void DrawingContext::addPath(const Path& path) { replayPath(path); }

void DrawingContext::addRect(const Rect& rect) {
  Path p;
  p.addRect(rect);
  replayPath(p);
}

void DrawingContext::setSource(bool stroke) {
  const RGBA& c = stroke ? state().stroke : state().fill;
  cairoLibrary().cairo_set_source_rgba(cr_, c.r, c.g, c.b, c.a * state().alpha);
}

void DrawingContext::fillPath(FillRule rule) {
  if (pathHasPoints_ && !state().degenerate) {
    cairoLibrary().cairo_set_fill_rule(cr_,
                                       rule == FillRule::EvenOdd ? CAIRO_FILL_RULE_EVEN_ODD : CAIRO_FILL_RULE_WINDING);
    paintThroughMask([&] {
      setSource(false);
      cairoLibrary().cairo_fill(cr_);
    });
  }
  consumePath();
}

void DrawingContext::strokePath() {
  if (pathHasPoints_ && !state().degenerate) {
    paintThroughMask([&] {
      setSource(true);
      cairoLibrary().cairo_stroke(cr_);
    });
  }
  consumePath();
}

void DrawingContext::clip(FillRule rule) {
  State& s = state();
  if (s.degenerate || !pathHasPoints_) {
    // Nothing is inside an empty or collapsed path.
    clipToNothing();
  } else {
    s.clipDevice = RectIntersection(s.clipDevice, pathDeviceBox_);
    cairoLibrary().cairo_set_fill_rule(cr_,
                                       rule == FillRule::EvenOdd ? CAIRO_FILL_RULE_EVEN_ODD : CAIRO_FILL_RULE_WINDING);
    cairoLibrary().cairo_clip(cr_);
  }
  consumePath();
}

void DrawingContext::clipToNothing() {
  state().clipDevice = RectNull;
  CairoPathPtr kept(pathHasPoints_ ? cairoLibrary().cairo_copy_path(cr_) : nullptr);
  cairoLibrary().cairo_save(cr_);
  cairoLibrary().cairo_identity_matrix(cr_);
  cairoLibrary().cairo_new_path(cr_);
  cairoLibrary().cairo_rectangle(cr_, 0, 0, 0, 0);
  cairoLibrary().cairo_restore(cr_);
  cairoLibrary().cairo_clip(cr_);
  if (kept) cairoLibrary().cairo_append_path(cr_, kept.get());
}

void DrawingContext::clipToMask(const Rect& rect, const Bitmap& mask) {
  State& s = state();
  const Rect r = RectStandardize(rect);
  const bool placeable = !s.degenerate && !RectIsNull(rect) && finitePoint(r.origin) && std::isfinite(r.size.width) &&
                         std::isfinite(r.size.height) && r.size.width > 0 && r.size.height > 0;
  SurfacePtr coverage = placeable ? alphaSurfaceFromBitmap(mask) : nullptr;
  SurfacePtr combined(placeable ? cairoLibrary().cairo_image_surface_create(CAIRO_FORMAT_A8, width_, height_)
                                : nullptr);
  if (!coverage || !combined || cairoLibrary().cairo_surface_status(combined.get()) != CAIRO_STATUS_SUCCESS) {
    // A mask that cannot be placed lets nothing through.
    clipToNothing();
    return;
  }
  cairo_t* mc = cairoLibrary().cairo_create(combined.get());
  const cairo_matrix_t m = toCairo(s.ctm);
  cairoLibrary().cairo_set_matrix(mc, &m);
  // Mask rows run downwards; user space runs upwards: row 0 goes to max y.
  cairoLibrary().cairo_translate(mc, r.origin.x, r.origin.y + r.size.height);
  cairoLibrary().cairo_scale(mc, r.size.width / mask.width, -r.size.height / mask.height);
  cairo_pattern_t* pattern = cairoLibrary().cairo_pattern_create_for_surface(coverage.get());
  cairoLibrary().cairo_pattern_set_filter(pattern, filterFor(s.interpolation));
  cairoLibrary().cairo_pattern_set_extend(pattern, CAIRO_EXTEND_PAD);
  cairoLibrary().cairo_set_source(mc, pattern);
  cairoLibrary().cairo_rectangle(mc, 0, 0, mask.width, mask.height);
  cairoLibrary().cairo_clip(mc);
  cairoLibrary().cairo_paint(mc);
  cairoLibrary().cairo_pattern_destroy(pattern);
  if (s.mask) {
    cairoLibrary().cairo_reset_clip(mc);
    cairoLibrary().cairo_identity_matrix(mc);
    cairoLibrary().cairo_set_operator(mc, CAIRO_OPERATOR_DEST_IN);
    cairoLibrary().cairo_set_source_surface(mc, s.mask.get(), 0, 0);
    cairoLibrary().cairo_paint(mc);
  }
  cairoLibrary().cairo_destroy(mc);
  cairoLibrary().cairo_surface_flush(combined.get());
  s.mask = std::shared_ptr<cairo_surface_t>(combined.release(), cairoLibrary().cairo_surface_destroy);

  // The clip's box shrinks to the mask's rectangle, as nothing shows beyond it.
  s.clipDevice = RectIntersection(s.clipDevice, RectApplyAffineTransform(r, s.ctm));
  CairoPathPtr kept(pathHasPoints_ ? cairoLibrary().cairo_copy_path(cr_) : nullptr);
  cairoLibrary().cairo_new_path(cr_);
  cairoLibrary().cairo_rectangle(cr_, r.origin.x, r.origin.y, r.size.width, r.size.height);
  cairoLibrary().cairo_clip(cr_);
  if (kept) cairoLibrary().cairo_append_path(cr_, kept.get());
}

void DrawingContext::paintThroughMask(const std::function<void()>& paint) {
  cairo_surface_t* mask = state().mask.get();
  if (!mask) {
    paint();
    return;
  }
  // The operation paints into a group of its own, which then reaches the
  // bitmap through the mask: each operation is masked on its own, as if the
  // mask were a clip.
  CairoPathPtr path(cairoLibrary().cairo_copy_path(cr_));
  cairoLibrary().cairo_push_group(cr_);
  cairoLibrary().cairo_new_path(cr_);
  if (path) cairoLibrary().cairo_append_path(cr_, path.get());
  paint();
  cairoLibrary().cairo_pop_group_to_source(cr_);
  cairoLibrary().cairo_save(cr_);
  cairoLibrary().cairo_identity_matrix(cr_);
  cairoLibrary().cairo_mask_surface(cr_, mask, 0, 0);
  cairoLibrary().cairo_restore(cr_);
}

void DrawingContext::fillPath(const Path& path, FillRule rule) {
  consumePath();
  addPath(path);
  fillPath(rule);
}

void DrawingContext::strokePath(const Path& path) {
  consumePath();
  addPath(path);
  strokePath();
}

void DrawingContext::clipToPath(const Path& path, FillRule rule) {
  consumePath();
  addPath(path);
  clip(rule);
}

void DrawingContext::clipToRect(const Rect& rect) {
  consumePath();
  addRect(rect);
  clip(FillRule::Winding);
}

void DrawingContext::fillRect(const Rect& rect, const Color& color) {
  const RGBA saved = state().fill;
  state().fill = ColorToRGBA(color);
  fillRect(rect);
  state().fill = saved;
}

void DrawingContext::fillRect(const Rect& rect) {
  // The rectangle is drawn without disturbing a path under construction.
  CairoPathPtr kept(pathHasPoints_ ? cairoLibrary().cairo_copy_path(cr_) : nullptr);
  const Rect keptBox = pathDeviceBox_;
  const bool keptPoints = pathHasPoints_;
  consumePath();
  addRect(rect);
  fillPath(FillRule::Winding);
  if (kept) cairoLibrary().cairo_append_path(cr_, kept.get());
  pathDeviceBox_ = keptBox;
  pathHasPoints_ = keptPoints;
}

void DrawingContext::clearRect(const Rect& rect) {
  if (state().degenerate) return;
  CairoPathPtr kept(pathHasPoints_ ? cairoLibrary().cairo_copy_path(cr_) : nullptr);
  cairoLibrary().cairo_save(cr_);
  cairoLibrary().cairo_new_path(cr_);
  const Rect r = RectStandardize(rect);
  cairoLibrary().cairo_rectangle(cr_, r.origin.x, r.origin.y, r.size.width, r.size.height);
  if (cairo_surface_t* mask = state().mask.get()) {
    // Under a mask, clearing takes away only as much as the mask lets through.
    cairoLibrary().cairo_clip(cr_);
    cairoLibrary().cairo_identity_matrix(cr_);
    cairoLibrary().cairo_set_operator(cr_, CAIRO_OPERATOR_DEST_OUT);
    cairoLibrary().cairo_set_source_rgba(cr_, 0, 0, 0, 1);
    cairoLibrary().cairo_mask_surface(cr_, mask, 0, 0);
  } else {
    cairoLibrary().cairo_set_operator(cr_, CAIRO_OPERATOR_CLEAR);
    cairoLibrary().cairo_fill(cr_);
  }
  cairoLibrary().cairo_restore(cr_);
  if (kept) cairoLibrary().cairo_append_path(cr_, kept.get());
}

Rect DrawingContext::clipBoundingBox() const {
  const State& s = state();
  if (RectIsNull(s.clipDevice) || s.degenerate) return RectNull;
  return RectApplyAffineTransform(s.clipDevice, AffineTransformInvert(s.ctm));
}

void DrawingContext::drawBitmap(const Bitmap& bitmap, const Rect& rect) {
  if (state().degenerate || RectIsNull(rect)) return;
  const Rect r = RectStandardize(rect);
  if (!(r.size.width > 0) || !(r.size.height > 0) || !std::isfinite(r.size.width) || !std::isfinite(r.size.height) ||
      !finitePoint(r.origin))
    return;
  SurfacePtr image = surfaceFromBitmap(bitmap);
  if (!image) return;
  CairoPathPtr kept(pathHasPoints_ ? cairoLibrary().cairo_copy_path(cr_) : nullptr);
  cairoLibrary().cairo_save(cr_);
  cairoLibrary().cairo_new_path(cr_);
  // Image rows run downwards; user space runs upwards: row 0 goes to max y.
  cairoLibrary().cairo_translate(cr_, r.origin.x, r.origin.y + r.size.height);
  cairoLibrary().cairo_scale(cr_, r.size.width / bitmap.width, -r.size.height / bitmap.height);
  cairoLibrary().cairo_set_source_surface(cr_, image.get(), 0, 0);
  cairo_pattern_t* pattern = cairoLibrary().cairo_get_source(cr_);
  cairoLibrary().cairo_pattern_set_filter(pattern, filterFor(state().interpolation));
  // Padding keeps the outermost pixels opaque instead of fading them into
  // transparent black at the picture's edges.
  cairoLibrary().cairo_pattern_set_extend(pattern, CAIRO_EXTEND_PAD);
  cairoLibrary().cairo_rectangle(cr_, 0, 0, bitmap.width, bitmap.height);
  cairoLibrary().cairo_clip(cr_);
  paintThroughMask([&] { cairoLibrary().cairo_paint_with_alpha(cr_, state().alpha); });
  cairoLibrary().cairo_restore(cr_);
  if (kept) cairoLibrary().cairo_append_path(cr_, kept.get());
}

void DrawingContext::drawAxialShading(Point start, Point end, const std::function<Color(double)>& colorAt,
                                      bool extendStart, bool extendEnd, int samples) {
  if (state().degenerate || !colorAt || !finitePoint(start) || !finitePoint(end)) return;
  const double dx = end.x - start.x, dy = end.y - start.y;
  const double length = std::hypot(dx, dy);
  if (!(length > 0) || !std::isfinite(length)) return;
  const Rect clipBox = clipBoundingBox();
  if (RectIsNull(clipBox)) return;
  // Axis frame: s runs 0..1 from start to end, w across the axis in user units.
  const AffineTransform frame = AffineTransformMake(dx, dy, -dy / length, dx / length, start.x, start.y);
  if (!AffineTransformIsInvertible(frame)) return;
  const Rect inFrame = RectApplyAffineTransform(clipBox, AffineTransformInvert(frame));
  const double s0 = extendStart ? std::min(RectGetMinX(inFrame), 0.0) : 0.0;
  const double s1 = extendEnd ? std::max(RectGetMaxX(inFrame), 1.0) : 1.0;
  const double w0 = RectGetMinY(inFrame), w1 = RectGetMaxY(inFrame);
  if (!(s1 > s0) || !(w1 > w0)) return;

  samples = std::clamp(samples, 2, 4096);
  cairo_pattern_t* gradient = cairoLibrary().cairo_pattern_create_linear(0, 0, 1, 0);
  for (int i = 0; i < samples; ++i) {
    const double t = static_cast<double>(i) / (samples - 1);
    const RGBA c = ColorToRGBA(colorAt(t));
    cairoLibrary().cairo_pattern_add_color_stop_rgba(gradient, t, c.r, c.g, c.b, c.a * state().alpha);
  }
  cairoLibrary().cairo_pattern_set_extend(gradient, CAIRO_EXTEND_PAD);

  CairoPathPtr kept(pathHasPoints_ ? cairoLibrary().cairo_copy_path(cr_) : nullptr);
  cairoLibrary().cairo_save(cr_);
  cairoLibrary().cairo_new_path(cr_);
  const cairo_matrix_t m = toCairo(frame);
  cairoLibrary().cairo_transform(cr_, &m);
  cairoLibrary().cairo_rectangle(cr_, s0, w0, s1 - s0, w1 - w0);
  paintThroughMask([&] {
    cairoLibrary().cairo_set_source(cr_, gradient);
    cairoLibrary().cairo_fill(cr_);
  });
  cairoLibrary().cairo_restore(cr_);
  cairoLibrary().cairo_pattern_destroy(gradient);
  if (kept) cairoLibrary().cairo_append_path(cr_, kept.get());
}

void DrawingContext::fillRectWithTilingPattern(const Rect& rect, const TilingPattern& pattern) {
  const double xs = std::fabs(pattern.xStep), ys = std::fabs(pattern.yStep);
  if (state().degenerate || RectIsNull(rect) || !(xs > 0) || !(ys > 0) || !std::isfinite(xs) || !std::isfinite(ys) ||
      !AffineTransformIsInvertible(pattern.matrix) || RectIsNull(pattern.bounds))
    return;
  SurfacePtr cell = surfaceFromBitmap(pattern.cell);
  if (!cell) return;

  // The tile is rasterised at the resolution the fill will show it at, within
  // sane limits: a huge step at a huge scale must not allocate gigabytes.
  const AffineTransform toDevice = AffineTransformConcat(pattern.matrix, state().ctm);
  const double kx = std::hypot(toDevice.a, toDevice.b), ky = std::hypot(toDevice.c, toDevice.d);
  constexpr double kMaxTileSide = 4096;
  const int tw = static_cast<int>(std::clamp(std::ceil(xs * kx), 1.0, kMaxTileSide));
  const int th = static_cast<int>(std::clamp(std::ceil(ys * ky), 1.0, kMaxTileSide));
  SurfacePtr tile(cairoLibrary().cairo_image_surface_create(CAIRO_FORMAT_ARGB32, tw, th));
  if (cairoLibrary().cairo_surface_status(tile.get()) != CAIRO_STATUS_SUCCESS) return;

  // Tile pixels to pattern space: the tile spans one step from the bounds'
  // origin, rows from the top.
  const AffineTransform pixelToPattern =
      AffineTransformMake(xs / tw, 0, 0, -ys / th, pattern.bounds.origin.x, pattern.bounds.origin.y + ys);
  {
    cairo_t* tc = cairoLibrary().cairo_create(tile.get());
    const cairo_matrix_t toTile = toCairo(AffineTransformInvert(pixelToPattern));
    cairoLibrary().cairo_set_matrix(tc, &toTile);
    const Rect b = RectStandardize(pattern.bounds);
    cairoLibrary().cairo_rectangle(tc, b.origin.x, b.origin.y, b.size.width, b.size.height);
    cairoLibrary().cairo_clip(tc);
    // The picture upright in the y-up pattern space.
    cairoLibrary().cairo_translate(tc, 0, pattern.cell.height);
    cairoLibrary().cairo_scale(tc, 1, -1);
    cairo_pattern_t* picture = cairoLibrary().cairo_pattern_create_for_surface(cell.get());
    cairoLibrary().cairo_pattern_set_filter(picture, filterFor(state().interpolation));
    cairoLibrary().cairo_pattern_set_extend(picture, CAIRO_EXTEND_PAD);
    cairoLibrary().cairo_rectangle(tc, 0, 0, pattern.cell.width, pattern.cell.height);
    cairoLibrary().cairo_clip(tc);
    if (pattern.stencilColor) {
      const RGBA c = ColorToRGBA(*pattern.stencilColor);
      cairoLibrary().cairo_set_source_rgba(tc, c.r, c.g, c.b, c.a);
      cairoLibrary().cairo_mask(tc, picture);
    } else {
      cairoLibrary().cairo_set_source(tc, picture);
      cairoLibrary().cairo_paint(tc);
    }
    cairoLibrary().cairo_pattern_destroy(picture);
    cairoLibrary().cairo_destroy(tc);
  }
  cairoLibrary().cairo_surface_flush(tile.get());

  cairo_pattern_t* source = cairoLibrary().cairo_pattern_create_for_surface(tile.get());
  cairoLibrary().cairo_pattern_set_extend(source, CAIRO_EXTEND_REPEAT);
  cairoLibrary().cairo_pattern_set_filter(source, filterFor(state().interpolation));
  const cairo_matrix_t userToTile =
      toCairo(AffineTransformInvert(AffineTransformConcat(pixelToPattern, pattern.matrix)));
  cairoLibrary().cairo_pattern_set_matrix(source, &userToTile);

  CairoPathPtr kept(pathHasPoints_ ? cairoLibrary().cairo_copy_path(cr_) : nullptr);
  cairoLibrary().cairo_save(cr_);
  cairoLibrary().cairo_new_path(cr_);
  const Rect r = RectStandardize(rect);
  cairoLibrary().cairo_rectangle(cr_, r.origin.x, r.origin.y, r.size.width, r.size.height);
  cairoLibrary().cairo_clip(cr_);
  paintThroughMask([&] {
    cairoLibrary().cairo_set_source(cr_, source);
    cairoLibrary().cairo_paint_with_alpha(cr_, state().alpha);
  });
  cairoLibrary().cairo_restore(cr_);
  cairoLibrary().cairo_pattern_destroy(source);
  if (kept) cairoLibrary().cairo_append_path(cr_, kept.get());
}

Bitmap DrawingContext::toBitmap() const {
  cairoLibrary().cairo_surface_flush(surface_);
  const uint8_t* data = cairoLibrary().cairo_image_surface_get_data(surface_);
  const int stride = cairoLibrary().cairo_image_surface_get_stride(surface_);
  Bitmap out;
  out.width = width_;
  out.height = height_;
  out.format = PixelFormat::RGBA8;
  out.stride = static_cast<size_t>(width_) * 4;
  out.pixels.resize(out.stride * height_);
  for (int y = 0; y < height_; ++y) {
    const auto* in = reinterpret_cast<const uint32_t*>(data + static_cast<size_t>(y) * stride);
    uint8_t* o = out.row(y);
    for (int x = 0; x < width_; ++x, o += 4) {
      const uint32_t px = in[x];
      const uint32_t a = px >> 24;
      if (a == 255) {
        o[0] = static_cast<uint8_t>(px >> 16);
        o[1] = static_cast<uint8_t>(px >> 8);
        o[2] = static_cast<uint8_t>(px);
        o[3] = 255;
      } else if (a == 0) {
        o[0] = o[1] = o[2] = o[3] = 0;
      } else {
        o[0] = static_cast<uint8_t>(std::min<uint32_t>(255, (((px >> 16) & 0xff) * 255 + a / 2) / a));
        o[1] = static_cast<uint8_t>(std::min<uint32_t>(255, (((px >> 8) & 0xff) * 255 + a / 2) / a));
        o[2] = static_cast<uint8_t>(std::min<uint32_t>(255, ((px & 0xff) * 255 + a / 2) / a));
        o[3] = static_cast<uint8_t>(a);
      }
    }
  }
  return out;
}

std::optional<Bitmap> BitmapCropToRect(const Bitmap& bitmap, const Rect& rect) {
  if (bitmap.empty() || bitmap.pixels.size() < bitmap.stride * bitmap.height) return std::nullopt;
  const Rect r = RectIntersection(RectIntegral(rect), RectMake(0, 0, bitmap.width, bitmap.height));
  if (RectIsEmpty(r)) return std::nullopt;
  const int x0 = static_cast<int>(r.origin.x), y0 = static_cast<int>(r.origin.y);
  const int w = static_cast<int>(r.size.width), h = static_cast<int>(r.size.height);
  Bitmap out;
  out.width = w;
  out.height = h;
  out.format = bitmap.format;
  out.dpiX = bitmap.dpiX;
  out.dpiY = bitmap.dpiY;
  if (bitmap.format == PixelFormat::Mono1) {
    out.stride = (static_cast<size_t>(w) + 7) / 8;
    out.pixels.assign(out.stride * h, 0);
    for (int y = 0; y < h; ++y) {
      const uint8_t* in = bitmap.row(y0 + y);
      uint8_t* o = out.row(y);
      for (int x = 0; x < w; ++x) {
        const int sx = x0 + x;
        if ((in[sx >> 3] >> (7 - (sx & 7))) & 1) o[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
      }
    }
    return out;
  }
  const size_t bpp = bitmap.format == PixelFormat::Gray8 ? 1 : bitmap.format == PixelFormat::RGB8 ? 3 : 4;
  out.stride = static_cast<size_t>(w) * bpp;
  out.pixels.resize(out.stride * h);
  for (int y = 0; y < h; ++y) std::memcpy(out.row(y), bitmap.row(y0 + y) + x0 * bpp, out.stride);
  return out;
}

}  // namespace vq

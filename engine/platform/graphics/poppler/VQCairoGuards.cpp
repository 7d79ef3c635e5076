// Guards around the few cairo calls through which one bad value in a page
// would stop the whole page from drawing. cairo answers an all-zero or
// negative dash pattern, or a matrix that cannot be inverted (a Type 3
// font or form with a zero scale), by putting the whole drawing context in
// an error state: nothing more of the page is drawn, and the page is lost.
// The PDF renderer passes such values straight through, so this program
// defines these functions itself; the dynamic linker resolves the
// renderer's calls to them, and they call cairo's own with a value cairo
// accepts:
// - a dash pattern with no positive length strokes the line solid;
// - a singular or non-finite matrix becomes a vanishingly small scale, so
//   that what it places is drawn too small to see, as a singular matrix
//   would place it, and the rest of the page still draws.
// One more guard is about looks, not failure: a filled area thinner than a
// device pixel or two (a table rule drawn as a rectangle 0.4 pt high) would
// cover only part of its pixels and come out a faint grey, while other
// renderers draw it solid on whole pixels. Such an area's long edges are
// moved to the nearest pixel boundaries, keeping at least one pixel.
// (Strokes get the same from the PDF renderer itself.)
// The last guard is about memory: the PDF renderer decodes a picture into a
// bitmap of the picture's own size, however small it is drawn, so a small
// file that declares a 30,000 x 30,000 picture takes gigabytes. A bitmap
// larger than the engine's own decoder takes is refused, and the page is
// reported as not fully drawn, as is any bitmap the memory budget refuses.
#include <cairo.h>
#include <dlfcn.h>
#include <fmt/format.h>

#include <cmath>
#include <cstdint>
#include <string>

#include "platform/graphics/VQPageRenderProtocol.h"

namespace {

template <class F>
F cairoOwn(const char* name) {
  return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

constexpr double kVanishing = 1e-9;
// The most pixels of one bitmap, as the engine's image decoder allows.
constexpr int64_t kMostBitmapPixels = int64_t{1} << 27;

// The first loss of the page being drawn; empty while none.
std::string lostDrawing;
// Areas thinner than this many pixels are drawn on whole pixels.
constexpr double kThin = 2;

bool invertible(const cairo_matrix_t& m) {
  const double det = m.xx * m.yy - m.yx * m.xy;
  return std::isfinite(det) && det != 0 && std::isfinite(m.x0) && std::isfinite(m.y0);
}

cairo_matrix_t usable(const cairo_matrix_t& m) {
  if (invertible(m)) return m;
  cairo_matrix_t out;
  cairo_matrix_init(&out, kVanishing, 0, 0, kVanishing, std::isfinite(m.x0) ? m.x0 : 0, std::isfinite(m.y0) ? m.y0 : 0);
  return out;
}

// The current path's bounding box in device pixels, or false for a path
// with fewer than three points (no area to fill).
bool deviceExtents(cairo_t* cr, double* x0, double* y0, double* x1, double* y1) {
  cairo_path_t* path = cairo_copy_path_flat(cr);
  if (!path) return false;
  int points = 0;
  *x0 = *y0 = INFINITY;
  *x1 = *y1 = -INFINITY;
  for (int i = 0; path->status == CAIRO_STATUS_SUCCESS && i < path->num_data; i += path->data[i].header.length) {
    const cairo_path_data_t& h = path->data[i];
    if (h.header.type != CAIRO_PATH_MOVE_TO && h.header.type != CAIRO_PATH_LINE_TO) continue;
    double x = path->data[i + 1].point.x, y = path->data[i + 1].point.y;
    cairo_user_to_device(cr, &x, &y);
    *x0 = std::fmin(*x0, x), *y0 = std::fmin(*y0, y), *x1 = std::fmax(*x1, x), *y1 = std::fmax(*y1, y);
    ++points;
  }
  cairo_path_destroy(path);
  return points >= 3 && std::isfinite(*x0) && std::isfinite(*y0) && std::isfinite(*x1) && std::isfinite(*y1);
}

// Replaces a path thinner than kThin pixels by the whole pixels it stands on;
// returns the path it replaced (the caller restores or frees it), or null
// when the path is left alone.
cairo_path_t* widenThinArea(cairo_t* cr) {
  double x0, y0, x1, y1;
  if (!deviceExtents(cr, &x0, &y0, &x1, &y1)) return nullptr;
  const bool thinX = x1 - x0 < kThin, thinY = y1 - y0 < kThin;
  if (!thinX && !thinY) return nullptr;
  // Its edges go to the nearest pixel boundaries, and it keeps at least the
  // pixel its middle falls in.
  auto whole = [](double* lo, double* hi) {
    const double middle = (*lo + *hi) / 2;
    *lo = std::round(*lo), *hi = std::round(*hi);
    if (*hi <= *lo) *lo = std::floor(middle), *hi = *lo + 1;
  };
  if (thinX) whole(&x0, &x1);
  if (thinY) whole(&y0, &y1);
  cairo_path_t* saved = cairo_copy_path(cr);
  cairo_matrix_t m;
  cairo_get_matrix(cr, &m);
  cairo_identity_matrix(cr);
  cairo_new_path(cr);
  cairo_rectangle(cr, x0, y0, x1 - x0, y1 - y0);
  cairo_set_matrix(cr, &m);
  return saved;
}

}  // namespace

extern "C" {

const char* vq_page_renderer_lost_drawing() { return lostDrawing.empty() ? nullptr : lostDrawing.c_str(); }
void vq_page_renderer_clear_lost_drawing() { lostDrawing.clear(); }

cairo_surface_t* cairo_image_surface_create(cairo_format_t format, int width, int height) {
  static const auto own = cairoOwn<cairo_surface_t* (*)(cairo_format_t, int, int)>("cairo_image_surface_create");
  const int64_t pixels = int64_t{width} * int64_t{height};
  if (pixels > kMostBitmapPixels) {
    if (lostDrawing.empty())
      lostDrawing = fmt::format("a picture of {} x {} pixels is larger than the renderer draws", width, height);
    // An invalid size makes cairo answer an error surface, which the PDF
    // renderer skips.
    return own(format, -1, -1);
  }
  cairo_surface_t* surface = own(format, width, height);
  if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS && lostDrawing.empty())
    lostDrawing = fmt::format("no memory for a bitmap of {} x {} pixels", width, height);
  return surface;
}

void cairo_fill(cairo_t* cr) {
  static const auto own = cairoOwn<void (*)(cairo_t*)>("cairo_fill");
  if (cairo_path_t* saved = widenThinArea(cr)) cairo_path_destroy(saved);
  own(cr);
}

void cairo_fill_preserve(cairo_t* cr) {
  static const auto own = cairoOwn<void (*)(cairo_t*)>("cairo_fill_preserve");
  cairo_path_t* saved = widenThinArea(cr);
  own(cr);
  if (!saved) return;
  // What follows (a stroke of the same path) gets the page's own path.
  cairo_new_path(cr);
  cairo_append_path(cr, saved);
  cairo_path_destroy(saved);
}

void cairo_set_dash(cairo_t* cr, const double* dashes, int count, double offset) {
  static const auto own = cairoOwn<void (*)(cairo_t*, const double*, int, double)>("cairo_set_dash");
  bool anyLength = false, valid = count >= 0 && (count == 0 || dashes) && std::isfinite(offset);
  for (int i = 0; valid && i < count; ++i) {
    valid = std::isfinite(dashes[i]) && dashes[i] >= 0;
    anyLength = anyLength || dashes[i] > 0;
  }
  if (valid && (count == 0 || anyLength)) own(cr, dashes, count, offset);
  else own(cr, nullptr, 0, 0);
}

void cairo_transform(cairo_t* cr, const cairo_matrix_t* matrix) {
  static const auto own = cairoOwn<void (*)(cairo_t*, const cairo_matrix_t*)>("cairo_transform");
  const cairo_matrix_t m = usable(*matrix);
  own(cr, &m);
}

void cairo_set_matrix(cairo_t* cr, const cairo_matrix_t* matrix) {
  static const auto own = cairoOwn<void (*)(cairo_t*, const cairo_matrix_t*)>("cairo_set_matrix");
  const cairo_matrix_t m = usable(*matrix);
  own(cr, &m);
}

void cairo_scale(cairo_t* cr, double sx, double sy) {
  static const auto own = cairoOwn<void (*)(cairo_t*, double, double)>("cairo_scale");
  const bool ok = std::isfinite(sx) && std::isfinite(sy) && sx != 0 && sy != 0;
  own(cr, ok ? sx : kVanishing, ok ? sy : kVanishing);
}

void cairo_pattern_set_matrix(cairo_pattern_t* pattern, const cairo_matrix_t* matrix) {
  static const auto own = cairoOwn<void (*)(cairo_pattern_t*, const cairo_matrix_t*)>("cairo_pattern_set_matrix");
  const cairo_matrix_t m = usable(*matrix);
  own(pattern, &m);
}

}  // extern "C"

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
#include <cairo.h>
#include <dlfcn.h>

#include <cmath>

namespace {

template <class F>
F cairoOwn(const char* name) {
  return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

constexpr double kVanishing = 1e-9;

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

}  // namespace

extern "C" {

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

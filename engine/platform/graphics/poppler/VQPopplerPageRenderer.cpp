// Whole PDF pages drawn by poppler over cairo, inside the page renderer
// program.
#include <cairo.h>
#include <glib-object.h>
#include <poppler.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <memory>
#include <vector>

#include <fmt/format.h>

#include "platform/graphics/VQPageRenderProtocol.h"

namespace {

struct GObjectUnref {
  void operator()(void* p) const {
    if (p) g_object_unref(p);
  }
};
template <class T>
using GPtr = std::unique_ptr<T, GObjectUnref>;

using DocumentPtr = GPtr<PopplerDocument>;

struct GErrorFree {
  void operator()(GError* e) const { g_error_free(e); }
};
struct GFree {
  void operator()(char* p) const { g_free(p); }
};
struct SurfaceDestroy {
  void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
};
struct CairoDestroy {
  void operator()(cairo_t* c) const { cairo_destroy(c); }
};

// What makes an opened document reusable: the same file, unchanged, opened
// with the same password.
struct FileKey {
  std::string path;
  std::string password;
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  int64_t mtimeNs = 0;

  bool operator==(const FileKey&) const = default;
};

struct CachedDocument {
  FileKey key;
  DocumentPtr document;
};

// The program serves one converting thread, one page at a time. A few
// opened documents cover a conversion that goes back and forth between
// files.
constexpr size_t kDocumentsKept = 4;
std::vector<CachedDocument> openedDocuments;

struct Failure {
  const VQPageRenderSink* sink;
};

void setError(const Failure* error, const std::string& text) {
  if (error) error->sink->fail(error->sink->context, text.c_str());
}

PopplerDocument* openDocument(const std::string& path, const std::string& password, const Failure* error) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
    setError(error, fmt::format("no such PDF file: {}", path));
    return nullptr;
  }
  FileKey key{path,      password,   st.st_dev,
              st.st_ino, st.st_size, static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
  for (size_t i = 0; i < openedDocuments.size(); ++i) {
    if (openedDocuments[i].key == key) {
      // Most recently used first.
      if (i != 0) std::rotate(openedDocuments.begin(), openedDocuments.begin() + i, openedDocuments.begin() + i + 1);
      return openedDocuments.front().document.get();
    }
  }

  std::error_code ec;
  const std::string absolute = std::filesystem::absolute(path, ec).string();
  GError* rawError = nullptr;
  std::unique_ptr<char, GFree> uri(g_filename_to_uri(ec ? path.c_str() : absolute.c_str(), nullptr, &rawError));
  if (!uri) {
    std::unique_ptr<GError, GErrorFree> e(rawError);
    setError(error, fmt::format("cannot name the PDF file {}: {}", path, e ? e->message : "invalid path"));
    return nullptr;
  }
  DocumentPtr doc(poppler_document_new_from_file(uri.get(), password.empty() ? nullptr : password.c_str(), &rawError));
  if (!doc) {
    std::unique_ptr<GError, GErrorFree> e(rawError);
    setError(error, fmt::format("cannot open the PDF file {}: {}", path, e ? e->message : "unknown error"));
    return nullptr;
  }
  if (openedDocuments.size() >= kDocumentsKept) openedDocuments.pop_back();
  openedDocuments.insert(openedDocuments.begin(), CachedDocument{std::move(key), std::move(doc)});
  return openedDocuments.front().document.get();
}

// The page surface of the last page, kept for the next page of the same
// size: a long document's pages are drawn without a fresh bitmap each.
// White paint covers all of it before a page is drawn.
std::unique_ptr<cairo_surface_t, SurfaceDestroy> pageSurfaceKept;

cairo_surface_t* pageSurface(int width, int height) {
  cairo_surface_t* kept = pageSurfaceKept.get();
  if (!kept || cairo_image_surface_get_width(kept) != width || cairo_image_surface_get_height(kept) != height) {
    // The old one goes first: the two are never held at once.
    pageSurfaceKept.reset();
    pageSurfaceKept.reset(cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height));
  }
  return pageSurfaceKept.get();
}

}  // namespace

extern "C" {

void vq_page_renderer_clear_cache() {
  openedDocuments.clear();
  pageSurfaceKept.reset();
}

bool vq_page_renderer_render(const VQPageRenderRequest* request, const VQPageRenderSink* sink) {
  const Failure failure{sink};
  const Failure* error = &failure;
  const std::string path = request->path ? request->path : "";
  const std::string password = request->password ? request->password : "";
  const int pageNumber = request->pageNumber;
  const double dpiX = request->dpiX, dpiY = request->dpiY;
  if (!(std::isfinite(dpiX) && dpiX > 0 && std::isfinite(dpiY) && dpiY > 0)) {
    setError(error, fmt::format("invalid resolution {} x {} dpi", dpiX, dpiY));
    return false;
  }
  PopplerDocument* doc = openDocument(path, password, error);
  if (!doc) return false;
  const int pageCount = poppler_document_get_n_pages(doc);
  if (pageNumber < 1 || pageNumber > pageCount) {
    setError(error, fmt::format("page {} is out of range 1..{}", pageNumber, pageCount));
    return false;
  }
  GPtr<PopplerPage> page(poppler_document_get_page(doc, pageNumber - 1));
  if (!page) {
    setError(error, fmt::format("cannot read page {}", pageNumber));
    return false;
  }

  // The crop box size with the page's /Rotate applied (width and height
  // exchanged for quarter turns).
  double pageWidth = 0, pageHeight = 0;
  poppler_page_get_size(page.get(), &pageWidth, &pageHeight);
  if (!(pageWidth > 0 && pageHeight > 0)) {
    setError(error, fmt::format("page {} cannot be rendered at {} x {} dpi: empty page box", pageNumber, dpiX, dpiY));
    return false;
  }
  // A partly covered last column or row is a pixel of the page too, as
  // other renderers draw it: the size is rounded up. The allowance keeps a
  // whole number that the arithmetic left a hair over from gaining a pixel.
  auto pixels = [](double points, double dpi) { return std::max(1.0, std::ceil(points * dpi / 72.0 - 1e-6)); };
  const double w = pixels(pageWidth, dpiX);
  const double h = pixels(pageHeight, dpiY);
  size_t outStride = 0;
  uint8_t* out = sink->allocate(sink->context, static_cast<int64_t>(std::min(w, 1e12)),
                                static_cast<int64_t>(std::min(h, 1e12)), &outStride);
  if (!out) return false;
  const int width = static_cast<int>(w), height = static_cast<int>(h);

  cairo_surface_t* surface = pageSurface(width, height);
  if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
    setError(error, fmt::format("cannot make a {} x {} bitmap: {}", width, height,
                                cairo_status_to_string(cairo_surface_status(surface))));
    pageSurfaceKept.reset();
    return false;
  }
  {
    std::unique_ptr<cairo_t, CairoDestroy> cr(cairo_create(surface));
    cairo_set_source_rgb(cr.get(), 1, 1, 1);
    cairo_paint(cr.get());
    // At the resolution asked for, not stretched to the rounded-up size:
    // the last column and row show the part of the page they cover, and
    // every other pixel stands where other renderers put it.
    cairo_scale(cr.get(), dpiX / 72.0, dpiY / 72.0);
    vq_page_renderer_clear_lost_drawing();
    poppler_page_render(page.get(), cr.get());
    // A page drawn without part of its content is no page.
    if (const char* lost = vq_page_renderer_lost_drawing()) {
      setError(error, fmt::format("page {} could not be drawn whole: {}", pageNumber, lost));
      return false;
    }
    if (cairo_status(cr.get()) != CAIRO_STATUS_SUCCESS) {
      setError(error,
               fmt::format("drawing page {} failed: {}", pageNumber, cairo_status_to_string(cairo_status(cr.get()))));
      // Nor is a surface whose drawing failed kept for the next page.
      pageSurfaceKept.reset();
      return false;
    }
  }
  cairo_surface_flush(surface);

  const uint8_t* data = cairo_image_surface_get_data(surface);
  const size_t stride = static_cast<size_t>(cairo_image_surface_get_stride(surface));
  for (int y = 0; y < height; ++y) {
    const auto* in = reinterpret_cast<const uint32_t*>(data + y * stride);
    uint8_t* row = out + static_cast<size_t>(y) * outStride;
    for (int x = 0; x < width; ++x) {
      const uint32_t px = in[x];
      row[0] = static_cast<uint8_t>(px >> 16);
      row[1] = static_cast<uint8_t>(px >> 8);
      row[2] = static_cast<uint8_t>(px);
      row += 3;
    }
  }
  return true;
}

}  // extern "C"

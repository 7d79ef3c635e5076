#pragma once
// The interface between the engine and its page renderer. The renderer is a
// module of its own, loaded when a page is first drawn whole, so that the
// conversions that never do so (text, documents, spreadsheets) neither load
// the PDF renderer nor the libraries it brings, which would cost every
// process several milliseconds of start-up. Only plain C types cross it.
#include <cstddef>
#include <cstdint>

extern "C" {

// Raised whenever the interface changes; a module of another version is
// not used.
constexpr int kVQPageRendererVersion = 1;

struct VQPageRenderRequest {
  const char* path;
  const char* password;  // "" for none
  int pageNumber;        // 1-based
  double dpiX, dpiY;
};

struct VQPageRenderSink {
  void* context;
  // Room for a width x height RGB8 bitmap: returns its first row, rows
  // `*stride` bytes apart, or nullptr (having said why through fail) when
  // such a bitmap may not be made.
  uint8_t* (*allocate)(void* context, int64_t width, int64_t height, size_t* stride);
  void (*fail)(void* context, const char* message);
};

using VQPageRendererVersionFunction = int (*)();
// Draws the page into the sink's bitmap, the crop box turned by /Rotate
// stretched over it on white; false after reporting a failure.
using VQPageRendererRenderFunction = bool (*)(const VQPageRenderRequest*, const VQPageRenderSink*);
// Forgets the calling thread's opened documents.
using VQPageRendererClearFunction = void (*)();
}

// The module's file name and its three entry points.
#define VQ_PAGE_RENDERER_MODULE "libvqpapyrant-poppler.so"
#define VQ_PAGE_RENDERER_VERSION_SYMBOL "vq_page_renderer_version"
#define VQ_PAGE_RENDERER_RENDER_SYMBOL "vq_page_renderer_render"
#define VQ_PAGE_RENDERER_CLEAR_SYMBOL "vq_page_renderer_clear_cache"

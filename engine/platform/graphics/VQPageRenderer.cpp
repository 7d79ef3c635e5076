#include "platform/graphics/VQPageRenderer.h"

#include <dlfcn.h>

#include <filesystem>
#include <mutex>

#include <fmt/format.h>

#include "platform/graphics/VQDrawingContext.h"
#include "platform/graphics/VQPageRendererPlugin.h"

namespace vq {

namespace {

struct RendererModule {
  VQPageRendererRenderFunction render = nullptr;
  VQPageRendererClearFunction clear = nullptr;
  std::string loadError;
};

// Where the module may be: beside the library or program that holds this
// code (its installed place), then the build tree, then the loader's own
// search path.
std::vector<std::string> moduleCandidates() {
  std::vector<std::string> out;
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&RenderPDFPage), &info) != 0 && info.dli_fname) {
    std::error_code ec;
    const auto dir = std::filesystem::canonical(info.dli_fname, ec).parent_path();
    if (!ec) out.push_back((dir / VQ_PAGE_RENDERER_MODULE).string());
  }
#ifdef VQ_PAGE_RENDERER_BUILD_DIR
  out.push_back(std::string(VQ_PAGE_RENDERER_BUILD_DIR) + "/" VQ_PAGE_RENDERER_MODULE);
#endif
  out.push_back(VQ_PAGE_RENDERER_MODULE);
  return out;
}

RendererModule loadModule() {
  RendererModule m;
  std::string errors;
  for (const std::string& candidate : moduleCandidates()) {
    if (candidate.find('/') != std::string::npos && !std::filesystem::exists(candidate)) continue;
    void* handle = dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
      const char* why = dlerror();
      errors += fmt::format("{}{}", errors.empty() ? "" : "; ", why ? why : candidate);
      continue;
    }
    auto version = reinterpret_cast<VQPageRendererVersionFunction>(dlsym(handle, VQ_PAGE_RENDERER_VERSION_SYMBOL));
    auto render = reinterpret_cast<VQPageRendererRenderFunction>(dlsym(handle, VQ_PAGE_RENDERER_RENDER_SYMBOL));
    auto clear = reinterpret_cast<VQPageRendererClearFunction>(dlsym(handle, VQ_PAGE_RENDERER_CLEAR_SYMBOL));
    if (!version || !render || !clear || version() != kVQPageRendererVersion) {
      errors += fmt::format("{}{} is of another version", errors.empty() ? "" : "; ", candidate);
      dlclose(handle);
      continue;
    }
    // Kept loaded for the life of the process: its threads' caches live in it.
    m.render = render;
    m.clear = clear;
    return m;
  }
  m.loadError = fmt::format("the page renderer ({}) cannot be loaded: {}", VQ_PAGE_RENDERER_MODULE,
                            errors.empty() ? "not found" : errors);
  return m;
}

const RendererModule& rendererModule() {
  static const RendererModule module = loadModule();
  return module;
}

struct SinkState {
  Bitmap* bitmap;
  std::string* error;
  int pageNumber;
  double dpiX, dpiY;
};

uint8_t* allocateBitmap(void* context, int64_t width, int64_t height, size_t* stride) {
  auto& state = *static_cast<SinkState*>(context);
  std::string why;
  if (!BitmapSizeAllowed(width, height, &why)) {
    if (state.error)
      *state.error =
          fmt::format("page {} cannot be rendered at {} x {} dpi: {}", state.pageNumber, state.dpiX, state.dpiY, why);
    return nullptr;
  }
  Bitmap& bitmap = *state.bitmap;
  bitmap.width = static_cast<int>(width);
  bitmap.height = static_cast<int>(height);
  bitmap.format = PixelFormat::RGB8;
  bitmap.stride = static_cast<size_t>(width) * 3;
  bitmap.dpiX = state.dpiX;
  bitmap.dpiY = state.dpiY;
  bitmap.pixels.resize(bitmap.stride * static_cast<size_t>(height));
  *stride = bitmap.stride;
  return bitmap.pixels.data();
}

void reportFailure(void* context, const char* message) {
  auto& state = *static_cast<SinkState*>(context);
  if (state.error) *state.error = message ? message : "the page renderer failed";
}

}  // namespace

void RenderPDFPageClearCache() {
  const RendererModule& module = rendererModule();
  if (module.clear) module.clear();
}

std::optional<Bitmap> RenderPDFPage(const std::string& path, const std::string& password, int pageNumber, double dpiX,
                                    double dpiY, std::string* error) {
  const RendererModule& module = rendererModule();
  if (!module.render) {
    if (error) *error = module.loadError;
    return std::nullopt;
  }
  Bitmap bitmap;
  SinkState state{&bitmap, error, pageNumber, dpiX, dpiY};
  const VQPageRenderRequest request{path.c_str(), password.c_str(), pageNumber, dpiX, dpiY};
  const VQPageRenderSink sink{&state, &allocateBitmap, &reportFailure};
  if (!module.render(&request, &sink)) return std::nullopt;
  return bitmap;
}

}  // namespace vq

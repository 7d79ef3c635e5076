// Embedded JBIG2 data through jbig2dec.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include <jbig2.h>

#include "platform/loader/VQSystemLibrary.h"

#include "platform/imageio/VQSampleDecode.h"

namespace vq::imageio {

namespace {

// jbig2dec is opened on first use (see platform/loader/VQSystemLibrary.h).
// clang-format off
#define VQ_JBIG2DEC_FUNCTIONS(F) \
  F(jbig2_complete_page) F(jbig2_ctx_free) F(jbig2_global_ctx_free) F(jbig2_ctx_new_imp) \
  F(jbig2_data_in) F(jbig2_make_global_ctx) F(jbig2_page_out) F(jbig2_release_page)
// clang-format on
VQ_SYSTEM_LIBRARY(Jbig2Library, jbig2Library, VQ_JBIG2DEC_SONAME, VQ_JBIG2DEC_FUNCTIONS)

// jbig2dec reports every damaged segment; what it still decodes is used.
void jbig2Quiet(void*, const char*, Jbig2Severity, uint32_t) {}

// jbig2dec allocates what segment headers ask for, and a few bytes of a
// symbol dictionary can ask for gigabytes. Its memory comes from here, kept
// within a budget: jbig2dec drops a segment whose memory is refused.
struct BoundedAllocator {
  Jbig2Allocator base;  // first: jbig2dec hands back a pointer to it
  size_t budget = 0;
  size_t used = 0;  // never above budget
};

// Each block starts with its size, padded to keep the caller's alignment.
constexpr size_t kBlockHeader = alignof(std::max_align_t);

BoundedAllocator* self(Jbig2Allocator* a) { return reinterpret_cast<BoundedAllocator*>(a); }

size_t blockSize(void* p) {
  size_t size;
  std::memcpy(&size, static_cast<unsigned char*>(p) - kBlockHeader, sizeof size);
  return size;
}

void* boundedAlloc(Jbig2Allocator* a, size_t size) {
  BoundedAllocator* b = self(a);
  if (size > b->budget - b->used) return nullptr;
  auto* block = static_cast<unsigned char*>(std::malloc(kBlockHeader + size));
  if (!block) return nullptr;
  std::memcpy(block, &size, sizeof size);
  b->used += size;
  return block + kBlockHeader;
}

void boundedFree(Jbig2Allocator* a, void* p) {
  if (!p) return;
  self(a)->used -= blockSize(p);
  std::free(static_cast<unsigned char*>(p) - kBlockHeader);
}

void* boundedRealloc(Jbig2Allocator* a, void* p, size_t size) {
  if (!p) return boundedAlloc(a, size);
  BoundedAllocator* b = self(a);
  const size_t old = blockSize(p);
  if (size > old && size - old > b->budget - b->used) return nullptr;
  auto* block =
      static_cast<unsigned char*>(std::realloc(static_cast<unsigned char*>(p) - kBlockHeader, kBlockHeader + size));
  if (!block) return nullptr;
  std::memcpy(block, &size, sizeof size);
  b->used = b->used - old + size;
  return block + kBlockHeader;
}

}  // namespace

std::optional<DecodedSamples> decodeJbig2(const uint8_t* data, size_t size, const uint8_t* globals, size_t globalsSize,
                                          const DecodeLimits& limits, std::string* error) {
  // Room for sixteen pages of the largest size allowed (symbols, regions and
  // the page itself), and never less than 64 MiB.
  BoundedAllocator allocator{{boundedAlloc, boundedFree, boundedRealloc},
                             static_cast<size_t>(std::max<int64_t>(int64_t{64} << 20, limits.maxPixels / 8 * 16))};
  using CtxPtr = std::unique_ptr<Jbig2Ctx, Jbig2Allocator* (*)(Jbig2Ctx*)>;
  using GlobalsPtr = std::unique_ptr<Jbig2GlobalCtx, Jbig2Allocator* (*)(Jbig2GlobalCtx*)>;
  GlobalsPtr sharedSegments(nullptr, jbig2Library().jbig2_global_ctx_free);
  if (globals) {
    Jbig2Ctx* gctx =
        jbig2Library().jbig2_ctx_new(&allocator.base, JBIG2_OPTIONS_EMBEDDED, nullptr, jbig2Quiet, nullptr);
    if (gctx) {
      jbig2Library().jbig2_data_in(gctx, globals, globalsSize);
      sharedSegments.reset(jbig2Library().jbig2_make_global_ctx(gctx));  // takes gctx
    }
  }
  CtxPtr ctx(
      jbig2Library().jbig2_ctx_new(&allocator.base, JBIG2_OPTIONS_EMBEDDED, sharedSegments.get(), jbig2Quiet, nullptr),
      jbig2Library().jbig2_ctx_free);
  if (!ctx) {
    if (error) *error = "JBIG2: no decoder";
    return std::nullopt;
  }
  jbig2Library().jbig2_data_in(ctx.get(), data, size);
  jbig2Library().jbig2_complete_page(ctx.get());
  Jbig2Image* page = jbig2Library().jbig2_page_out(ctx.get());
  if (!page) {
    if (error) *error = "JBIG2: no page";
    return std::nullopt;
  }
  std::optional<DecodedSamples> out;
  if (page->width > 0 && page->height > 0 && page->width <= limits.maxSide && page->height <= limits.maxSide) {
    out.emplace();
    out->width = static_cast<int>(page->width);
    out->height = static_cast<int>(page->height);
    out->components = 1;
    out->bitsPerComponent = 1;
    out->rowBytes = (static_cast<size_t>(page->width) + 7) / 8;
    out->data.assign(out->rowBytes * static_cast<size_t>(out->height), 0);
    for (int y = 0; y < out->height; ++y) {
      const uint8_t* src = page->data + static_cast<size_t>(y) * page->stride;
      uint8_t* dst = out->data.data() + static_cast<size_t>(y) * out->rowBytes;
      // jbig2dec marks black with 1.
      for (size_t i = 0; i < out->rowBytes; ++i) dst[i] = static_cast<uint8_t>(~src[i]);
    }
  } else if (error) {
    *error = "JBIG2: bad page size";
  }
  jbig2Library().jbig2_release_page(ctx.get(), page);
  return out;
}

}  // namespace vq::imageio

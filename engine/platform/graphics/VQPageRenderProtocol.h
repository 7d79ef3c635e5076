#pragma once
// The page renderer runs as a program of its own (vqpapyrant-render), started
// by the engine when a page is first drawn whole. Apart from the converting
// process, a page that draws for too long is stopped by ending that program,
// and a page that crashes the PDF renderer costs that page, not the whole
// conversion. It also keeps the PDF renderer and the libraries it brings out
// of the conversions that never draw a page whole.
//
// The two talk over a stream socket, the program's descriptor 3, in the
// machine's own byte order:
//   engine -> program   RenderRequest, then the path and password bytes
//   program -> engine   RenderReply kAskSize (a = width, b = height)
//   engine -> program   uint32_t: 1 when such a bitmap may be made, else 0
//   program -> engine   RenderReply kPixels (a = byte count): the RGB8 rows,
//                       width * 3 bytes each, top first, are at the start
//                       of the page memory
//                    or RenderReply kFailed (a = message length), then the
//                       message (empty after a refused size)
// A kClear request has no reply. The program ends when the socket closes.
// The page memory is a memory file the engine makes with the program and
// hands it as descriptor 4. Before it allows a size, the engine makes the
// file at least that many bytes; the program writes the page there, so
// pixels are neither copied through the socket nor allocated afresh for
// every page.
#include <cstddef>
#include <cstdint>

namespace vq::render {

inline constexpr char kProgramName[] = "vqpapyrant-render";
// The program's socket and page memory.
inline constexpr int kProgramSocket = 3;
inline constexpr int kProgramPageMemory = 4;

// Raised whenever the messages change, so that a program of another
// version is refused instead of misread.
inline constexpr uint32_t kProtocolMagic = 0x56515232;  // "VQR2"

enum : uint32_t { kRender = 1, kClear = 2 };
enum : uint32_t { kAskSize = 1, kPixels = 2, kFailed = 3 };

inline constexpr uint32_t kMaxPathBytes = 1u << 16;
inline constexpr uint32_t kMaxMessageBytes = 1u << 16;

struct RenderRequest {
  uint32_t magic = kProtocolMagic;
  uint32_t operation = kRender;
  int32_t pageNumber = 0;  // 1-based
  uint32_t pathBytes = 0;
  uint32_t passwordBytes = 0;
  uint32_t reserved = 0;
  double dpiX = 0, dpiY = 0;
};

struct RenderReply {
  uint32_t kind = 0;
  uint32_t reserved = 0;
  int64_t a = 0, b = 0;
};

}  // namespace vq::render

extern "C" {

// The drawing code inside the program. Only plain C types cross it.
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

// Draws the page into the sink's bitmap, the crop box turned by /Rotate
// stretched over it on white; false after reporting a failure.
bool vq_page_renderer_render(const VQPageRenderRequest* request, const VQPageRenderSink* sink);
// Forgets the opened documents.
void vq_page_renderer_clear_cache();

// Why the page being drawn lost part of its drawing (a picture refused or
// out of memory), or null while nothing was lost; the drawing guards set
// it, and the drawing code clears it before each page.
const char* vq_page_renderer_lost_drawing();
void vq_page_renderer_clear_lost_drawing();
}

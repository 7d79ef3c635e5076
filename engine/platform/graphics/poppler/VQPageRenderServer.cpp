// The page renderer program: draws whole PDF pages for the engine, one
// request at a time, over the socket it is given (see VQPageRenderProtocol.h).
#include <signal.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/graphics/VQPageRenderProtocol.h"

namespace {

using namespace vq::render;

constexpr int kSocket = kProgramSocket;

bool readAll(void* data, size_t size) {
  auto* p = static_cast<char*>(data);
  while (size > 0) {
    const ssize_t n = ::read(kSocket, p, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

bool writeAll(const void* data, size_t size) {
  const auto* p = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t n = ::send(kSocket, p, size, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

// Once the engine is gone there is nobody to draw for. Leaving through
// _exit also skips the work a normal exit would do for nobody.
[[noreturn]] void engineGone() { ::_exit(0); }

struct Sink {
  std::string message;
};

// The page memory as this program has it mapped: the part the last page
// used, kept while pages keep that size.
struct PageMemory {
  uint8_t* data = nullptr;
  size_t bytes = 0;
};
PageMemory pageMemory;

// The data budget of this program in bytes (see limitMemory); 0 for none.
rlim_t dataBudget = 0;

// The page memory is shared, which the data budget does not count: while a
// page is drawn, the budget left to the drawing libraries is lowered by its
// size, so a page needs what it needed when the bitmap was private.
bool chargePageMemory(size_t bytes) {
  if (dataBudget == 0) return true;
  if (bytes >= dataBudget) return false;
  const rlimit lowered{dataBudget - static_cast<rlim_t>(bytes), dataBudget};
  return ::setrlimit(RLIMIT_DATA, &lowered) == 0;
}

uint8_t* mapPageMemory(size_t bytes) {
  if (pageMemory.data && pageMemory.bytes == bytes) return pageMemory.data;
  if (pageMemory.data) ::munmap(pageMemory.data, pageMemory.bytes);
  pageMemory = {};
  void* data = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, kProgramPageMemory, 0);
  if (data == MAP_FAILED) return nullptr;
  pageMemory = {static_cast<uint8_t*>(data), bytes};
  return pageMemory.data;
}

uint8_t* allocate(void* context, int64_t width, int64_t height, size_t* stride) {
  auto& sink = *static_cast<Sink*>(context);
  RenderReply ask;
  ask.kind = kAskSize;
  ask.a = width;
  ask.b = height;
  uint32_t allowed = 0;
  if (!writeAll(&ask, sizeof ask) || !readAll(&allowed, sizeof allowed)) engineGone();
  // A refused size has been reported by the engine itself.
  if (!allowed || width <= 0 || height <= 0) return nullptr;
  const size_t bytes = static_cast<size_t>(width) * static_cast<size_t>(height) * 3;
  uint8_t* data = chargePageMemory(bytes) ? mapPageMemory(bytes) : nullptr;
  if (!data) {
    sink.message = "out of memory for the page bitmap";
    return nullptr;
  }
  *stride = static_cast<size_t>(width) * 3;
  return data;
}

void fail(void* context, const char* message) { static_cast<Sink*>(context)->message = message ? message : ""; }

void serveRender(const RenderRequest& request, const std::string& path, const std::string& password) {
  Sink sink;
  const VQPageRenderRequest drawing{path.c_str(), password.c_str(), request.pageNumber, request.dpiX, request.dpiY};
  const VQPageRenderSink callbacks{&sink, &allocate, &fail};
  RenderReply reply;
  const bool drawn = vq_page_renderer_render(&drawing, &callbacks);
  chargePageMemory(0);
  if (drawn) {
    reply.kind = kPixels;
    reply.a = static_cast<int64_t>(pageMemory.bytes);
    if (!writeAll(&reply, sizeof reply)) engineGone();
    return;
  }
  if (sink.message.size() > kMaxMessageBytes) sink.message.resize(kMaxMessageBytes);
  reply.kind = kFailed;
  reply.a = static_cast<int64_t>(sink.message.size());
  if (!writeAll(&reply, sizeof reply) || !writeAll(sink.message.data(), sink.message.size())) engineGone();
}

// Sanitizer builds reserve vast shadow areas of memory: no budget fits them.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || __has_feature(memory_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

// A hostile page can ask the drawing libraries for more memory than the
// machine has. The program is held to a budget (4 GiB, or
// VQPAPYRANT_RENDER_MEMORY_LIMIT mebibytes), so such a page fails alone:
// a refused bitmap is reported, and an allocation refused deeper in the
// libraries ends the program, which the engine reports as that page's
// failure. The largest bitmap the engine accepts, drawn and copied, needs
// under 2 GiB.
void limitMemory() {
  if (kSanitized) return;
  uint64_t mebibytes = 4096;
  if (const char* text = std::getenv("VQPAPYRANT_RENDER_MEMORY_LIMIT")) {
    char* end = nullptr;
    const unsigned long long value = std::strtoull(text, &end, 10);
    if (end != text && *end == '\0' && value > 0 && value < (uint64_t{1} << 40)) mebibytes = value;
  }
  const rlim_t bytes = static_cast<rlim_t>(mebibytes) << 20;
  rlimit current{};
  if (::getrlimit(RLIMIT_DATA, &current) == 0 && current.rlim_max != RLIM_INFINITY && current.rlim_max < bytes) return;
  const rlimit budget{bytes, bytes};
  if (::setrlimit(RLIMIT_DATA, &budget) == 0) dataBudget = bytes;
}

}  // namespace

int main(int argc, char** argv) {
  // Ended with the engine thread that started it, even in the middle of a
  // page; the engine's process id comes as the argument, in case it ended
  // before this line.
  ::prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (argc < 2 || std::to_string(::getppid()) != argv[1]) engineGone();
  limitMemory();

  for (;;) {
    RenderRequest request;
    if (!readAll(&request, sizeof request)) engineGone();
    if (request.magic != kProtocolMagic || request.pathBytes > kMaxPathBytes || request.passwordBytes > kMaxPathBytes)
      return 2;
    std::string path(request.pathBytes, '\0'), password(request.passwordBytes, '\0');
    if (!readAll(path.data(), path.size()) || !readAll(password.data(), password.size())) engineGone();
    switch (request.operation) {
      case kClear:
        vq_page_renderer_clear_cache();
        break;
      case kRender:
        serveRender(request, path, password);
        break;
      default:
        return 2;
    }
  }
}

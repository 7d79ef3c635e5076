#include "platform/graphics/VQPageRenderer.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <optional>
#include <vector>

#include <fmt/format.h>

#include "platform/graphics/VQDrawingContext.h"
#include "platform/graphics/VQPageRenderProtocol.h"

extern char** environ;

namespace vq {

namespace {

using namespace render;
using Clock = std::chrono::steady_clock;

// A page that the renderer has not drawn in this time is given up.
constexpr double kDefaultPageSeconds = 60;
// How often a wait looks at the caller's stop flag.
constexpr int kStopPollMs = 100;

double pageTimeLimitSeconds() {
  if (const char* text = std::getenv("VQPAPYRANT_PAGE_TIME_LIMIT")) {
    char* end = nullptr;
    const double seconds = std::strtod(text, &end);
    if (end != text && std::isfinite(seconds) && seconds > 0) return seconds;
  }
  return kDefaultPageSeconds;
}

// Where the program may be: beside the library or program that holds this
// code (the build tree), in the private programs folder where the library
// is installed, then the build tree by name.
std::vector<std::filesystem::path> programCandidates() {
  std::vector<std::filesystem::path> out;
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&RenderPDFPage), &info) != 0 && info.dli_fname) {
    std::error_code ec;
    const auto dir = std::filesystem::canonical(info.dli_fname, ec).parent_path();
    if (!ec) {
      out.push_back(dir / kProgramName);
#ifdef VQ_PAGE_RENDERER_FROM_LIBDIR
      out.push_back((dir / VQ_PAGE_RENDERER_FROM_LIBDIR / kProgramName).lexically_normal());
#endif
    }
  }
#ifdef VQ_PAGE_RENDERER_BUILD_DIR
  out.push_back(std::filesystem::path(VQ_PAGE_RENDERER_BUILD_DIR) / kProgramName);
#endif
  return out;
}

const std::filesystem::path& programPath() {
  static const std::filesystem::path path = [] {
    for (const auto& candidate : programCandidates())
      if (::access(candidate.c_str(), X_OK) == 0) return candidate;
    return std::filesystem::path();
  }();
  return path;
}

// `fd` moved to a descriptor number above the program's own (closing
// `fd`), or left where it is when it already is.
int aboveProgramDescriptors(int fd) {
  if (fd < 0 || fd > kProgramPageMemory) return fd;
  const int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, kProgramPageMemory + 1);
  ::close(fd);
  return moved;
}

enum class Wait { Done, Closed, TimedOut, Stopped };

// Waits until `fd` is ready for `events`, the deadline passes or `stop` is
// set.
Wait waitFor(int fd, short events, Clock::time_point deadline, const std::atomic<bool>* stop) {
  for (;;) {
    if (stop && stop->load(std::memory_order_relaxed)) return Wait::Stopped;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) return Wait::TimedOut;
    pollfd p{fd, events, 0};
    const int n = ::poll(
        &p, 1, static_cast<int>(stop ? std::min<long long>(left, kStopPollMs) : std::min<long long>(left, 1 << 30)));
    if (n < 0 && errno != EINTR) return Wait::Closed;
    if (n > 0) return (p.revents & events) ? Wait::Done : Wait::Closed;
  }
}

// Waits for a program to end, through interruptions; its status, or nothing
// when it was reaped elsewhere.
std::optional<int> reap(pid_t pid) {
  int status = 0;
  pid_t r;
  while ((r = ::waitpid(pid, &status, 0)) < 0 && errno == EINTR) {
  }
  return r == pid ? std::optional<int>(status) : std::nullopt;
}

// Every renderer program still running, so that the process ends and
// reaps them as it exits: a thread that never ends (a pool worker) would
// otherwise leave its program to be reaped by somebody else, its resource
// use lost to whoever measures this process. The list itself is never
// destroyed, since threads may still end their programs after exit began.
class RunningPrograms {
 public:
  void add(pid_t pid) {
    std::lock_guard<std::mutex> lock(mutex_);
    pids_.push_back(pid);
  }
  void remove(pid_t pid) {
    std::lock_guard<std::mutex> lock(mutex_);
    std::erase(pids_, pid);
  }
  void endAll() {
    std::lock_guard<std::mutex> lock(mutex_);
    for (pid_t pid : pids_) {
      ::kill(pid, SIGKILL);
      reap(pid);
    }
    pids_.clear();
  }

 private:
  std::mutex mutex_;
  std::vector<pid_t> pids_;
};

RunningPrograms& runningPrograms() {
  static RunningPrograms* programs = [] {
    auto* list = new RunningPrograms;
    std::atexit([] { runningPrograms().endAll(); });
    return list;
  }();
  return *programs;
}

// One program per converting thread, kept between pages so that each
// document is opened once.
class RenderProgram {
 public:
  ~RenderProgram() { end(); }

  bool running() const { return pid_ > 0; }

  bool start(std::string* error) {
    const auto& program = programPath();
    if (program.empty()) {
      *error = fmt::format("the page renderer ({}) is not installed beside the engine", kProgramName);
      return false;
    }
    int pair[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) {
      *error = fmt::format("cannot start the page renderer: {}", std::strerror(errno));
      return false;
    }
    const int memory = ::memfd_create("vqpapyrant-page", MFD_CLOEXEC);
    if (memory < 0) {
      *error = fmt::format("cannot start the page renderer: {}", std::strerror(errno));
      ::close(pair[0]);
      ::close(pair[1]);
      return false;
    }
    // The program's end becomes its descriptor 3 and the page memory its
    // descriptor 4; any other descriptor of this process stays closed to
    // it. Both are first moved above those numbers, so that neither
    // duplication overwrites the other's source.
    const int childEnd = aboveProgramDescriptors(pair[1]);
    const int childMemory = aboveProgramDescriptors(::fcntl(memory, F_DUPFD_CLOEXEC, 0));
    if (childEnd < 0 || childMemory < 0) {
      *error = fmt::format("cannot start the page renderer: {}", std::strerror(errno));
      for (int fd : {pair[0], childEnd, memory, childMemory})
        if (fd >= 0) ::close(fd);
      return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, childEnd, kProgramSocket);
    posix_spawn_file_actions_adddup2(&actions, childMemory, kProgramPageMemory);
    // The program is stopped by the same signals as a program started from
    // the shell, whatever this process blocks or handles.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none, reset;
    sigemptyset(&none);
    sigemptyset(&reset);
    for (int s : {SIGINT, SIGTERM, SIGPIPE, SIGHUP, SIGCHLD}) sigaddset(&reset, s);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &reset);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    const std::string self = std::to_string(::getpid());
    std::string programText = program.string();
    char* argv[] = {programText.data(), const_cast<char*>(self.c_str()), nullptr};
    pid_t pid = -1;
    const int rc = ::posix_spawn(&pid, program.c_str(), &actions, &attributes, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    ::close(childEnd);
    ::close(childMemory);
    if (rc != 0) {
      ::close(pair[0]);
      ::close(memory);
      *error = fmt::format("cannot start the page renderer {}: {}", program.string(), std::strerror(rc));
      return false;
    }
    pid_ = pid;
    socket_ = pair[0];
    memory_ = memory;
    runningPrograms().add(pid);
    return true;
  }

  // Ends the program at once, whatever it is doing.
  void end() { close(true); }

  // Why the program is gone: reaps it and names the signal or status.
  std::string endReason() {
    const std::optional<int> status = close(false);
    if (status && WIFSIGNALED(*status))
      return fmt::format("it was ended by signal {} ({})", WTERMSIG(*status), strsignal(WTERMSIG(*status)));
    if (status && WIFEXITED(*status)) return fmt::format("it exited with status {}", WEXITSTATUS(*status));
    return "it closed its connection";
  }

  // Makes the page memory hold at least `bytes`. It follows the pages'
  // size down as well as up, once a page needs less than half of it, so
  // that one large page does not keep its memory for the rest of the run.
  bool reservePageMemory(size_t bytes, std::string* why) {
    if (bytes <= memoryBytes_ && bytes >= memoryBytes_ / 2) return true;
    unmapPageMemory();
    if (::ftruncate(memory_, static_cast<off_t>(bytes)) != 0) {
      *why = fmt::format("no memory for the page: {}", std::strerror(errno));
      memoryBytes_ = 0;
      ::ftruncate(memory_, 0);
      return false;
    }
    memoryBytes_ = bytes;
    return true;
  }

  // The page memory, mapped whole, or nullptr.
  const uint8_t* pageMemory() {
    if (!mapped_ && memoryBytes_ > 0) {
      void* data = ::mmap(nullptr, memoryBytes_, PROT_READ, MAP_SHARED, memory_, 0);
      if (data != MAP_FAILED) mapped_ = static_cast<const uint8_t*>(data);
    }
    return mapped_;
  }
  size_t pageMemoryBytes() const { return memoryBytes_; }

  Wait send(const void* data, size_t size, Clock::time_point deadline, const std::atomic<bool>* stop) {
    return transfer(POLLOUT, size, deadline, stop, [&](size_t done, size_t left) {
      return ::send(socket_, static_cast<const char*>(data) + done, left, MSG_NOSIGNAL | MSG_DONTWAIT);
    });
  }

  Wait receive(void* data, size_t size, Clock::time_point deadline, const std::atomic<bool>* stop) {
    return transfer(POLLIN, size, deadline, stop, [&](size_t done, size_t left) {
      return ::recv(socket_, static_cast<char*>(data) + done, left, MSG_DONTWAIT);
    });
  }

 private:
  // Moves `size` bytes one way through the socket, `step(done, left)`
  // moving what the socket takes or gives at once.
  template <class Step>
  Wait transfer(short events, size_t size, Clock::time_point deadline, const std::atomic<bool>* stop, Step step) {
    for (size_t done = 0; done < size;) {
      if (Wait w = waitFor(socket_, events, deadline, stop); w != Wait::Done) return w;
      const ssize_t n = step(done, size - done);
      if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
      if (n <= 0) return Wait::Closed;
      done += static_cast<size_t>(n);
    }
    return Wait::Done;
  }

  void unmapPageMemory() {
    if (mapped_) ::munmap(const_cast<uint8_t*>(mapped_), memoryBytes_);
    mapped_ = nullptr;
  }

  // Closes the socket and reaps the program, killing it first when asked.
  std::optional<int> close(bool kill) {
    if (socket_ >= 0) ::close(socket_);
    socket_ = -1;
    unmapPageMemory();
    if (memory_ >= 0) ::close(memory_);
    memory_ = -1;
    memoryBytes_ = 0;
    std::optional<int> status;
    if (pid_ > 0) {
      if (kill) ::kill(pid_, SIGKILL);
      status = reap(pid_);
      runningPrograms().remove(pid_);
    }
    pid_ = -1;
    return status;
  }

  pid_t pid_ = -1;
  int socket_ = -1;
  // The page memory file, its size, and its mapping here while it has one.
  int memory_ = -1;
  size_t memoryBytes_ = 0;
  const uint8_t* mapped_ = nullptr;
};

thread_local RenderProgram tlsProgram;

// Makes `bitmap` an RGB8 bitmap of width x height, in the room its pixels
// already have when that is enough and not more than twice what it needs:
// the page is copied over every byte, so the room is not cleared first.
void shapeBitmap(Bitmap& bitmap, int width, int height) {
  const size_t bytes = Bitmap::rowBytes(width, PixelFormat::RGB8) * static_cast<size_t>(height);
  if (bitmap.pixels.capacity() < bytes || bitmap.pixels.capacity() / 2 > bytes) {
    bitmap = Bitmap::make(width, height, PixelFormat::RGB8);
    return;
  }
  bitmap.pixels.resize(bytes);
  bitmap.width = width;
  bitmap.height = height;
  bitmap.format = PixelFormat::RGB8;
  bitmap.stride = Bitmap::rowBytes(width, PixelFormat::RGB8);
}

Wait sendRequest(RenderProgram& program, uint32_t operation, const std::string& path, const std::string& password,
                 int pageNumber, double dpiX, double dpiY, Clock::time_point deadline, const std::atomic<bool>* stop) {
  RenderRequest request;
  request.operation = operation;
  request.pageNumber = pageNumber;
  request.pathBytes = static_cast<uint32_t>(path.size());
  request.passwordBytes = static_cast<uint32_t>(password.size());
  request.dpiX = dpiX;
  request.dpiY = dpiY;
  Wait w = program.send(&request, sizeof request, deadline, stop);
  if (w == Wait::Done) w = program.send(path.data(), path.size(), deadline, stop);
  if (w == Wait::Done) w = program.send(password.data(), password.size(), deadline, stop);
  return w;
}

// One page through the program. `error` is always set on failure.
std::optional<Bitmap> renderThroughProgram(RenderProgram& program, const std::string& path, const std::string& password,
                                           int pageNumber, double dpiX, double dpiY, const std::atomic<bool>* stop,
                                           std::string& error, Bitmap& bitmap) {
  const double limit = pageTimeLimitSeconds();
  const auto deadline =
      Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(limit));
  bool sized = false;
  Wait w = sendRequest(program, kRender, path, password, pageNumber, dpiX, dpiY, deadline, stop);
  while (w == Wait::Done) {
    RenderReply reply;
    if ((w = program.receive(&reply, sizeof reply, deadline, stop)) != Wait::Done) break;
    if (reply.kind == kAskSize) {
      std::string why;
      uint32_t allowed =
          !sized && BitmapSizeAllowed(reply.a, reply.b, &why) &&
          program.reservePageMemory(static_cast<size_t>(reply.a) * static_cast<size_t>(reply.b) * 3, &why);
      if (allowed) {
        shapeBitmap(bitmap, static_cast<int>(reply.a), static_cast<int>(reply.b));
        bitmap.dpiX = dpiX;
        bitmap.dpiY = dpiY;
        sized = true;
      } else {
        error = fmt::format("page {} cannot be rendered at {} x {} dpi: {}", pageNumber, dpiX, dpiY,
                            why.empty() ? "the renderer asked twice for a bitmap" : why);
      }
      w = program.send(&allowed, sizeof allowed, deadline, stop);
    } else if (reply.kind == kPixels && sized && static_cast<uint64_t>(reply.a) == bitmap.pixels.size() &&
               bitmap.pixels.size() <= program.pageMemoryBytes()) {
      const uint8_t* pixels = program.pageMemory();
      if (!pixels) {
        error = fmt::format("page {}: cannot read the page memory: {}", pageNumber, std::strerror(errno));
        return std::nullopt;
      }
      std::memcpy(bitmap.pixels.data(), pixels, bitmap.pixels.size());
      return std::move(bitmap);
    } else if (reply.kind == kFailed && reply.a >= 0 && reply.a <= kMaxMessageBytes) {
      std::string message(static_cast<size_t>(reply.a), '\0');
      if ((w = program.receive(message.data(), message.size(), deadline, stop)) != Wait::Done) break;
      if (!message.empty()) error = message;
      if (error.empty()) error = fmt::format("page {} could not be rendered", pageNumber);
      return std::nullopt;
    } else {
      program.end();
      error = fmt::format("the page renderer sent an unexpected reply on page {}", pageNumber);
      return std::nullopt;
    }
  }
  switch (w) {
    case Wait::TimedOut:
      program.end();
      error = fmt::format("page {} was still being drawn after {} s and was given up", pageNumber, limit);
      break;
    case Wait::Stopped:
      program.end();
      error = fmt::format("drawing page {} was stopped", pageNumber);
      break;
    default: {
      const std::string reason = program.endReason();
      // Ctrl-C reaches the renderer too, and may end it before the caller
      // has set its stop flag: that is a stop, not a renderer failure.
      if (stop && stop->load()) error = fmt::format("drawing page {} was stopped", pageNumber);
      else error = fmt::format("the page renderer ended while drawing page {}: {}", pageNumber, reason);
      break;
    }
  }
  return std::nullopt;
}

}  // namespace

void RenderPDFPageClearCache() {
  if (!tlsProgram.running()) return;
  const auto deadline = Clock::now() + std::chrono::seconds(5);
  if (sendRequest(tlsProgram, kClear, "", "", 0, 0, 0, deadline, nullptr) != Wait::Done) tlsProgram.end();
}

std::optional<Bitmap> RenderPDFPage(const std::string& path, const std::string& password, int pageNumber, double dpiX,
                                    double dpiY, std::string* error, const std::atomic<bool>* stop, Bitmap recycled) {
  std::string why;
  if (path.size() > kMaxPathBytes || password.size() > kMaxPathBytes) {
    why = "the file name or password is too long for the page renderer";
  } else if (tlsProgram.running() || tlsProgram.start(&why)) {
    if (auto bitmap = renderThroughProgram(tlsProgram, path, password, pageNumber, dpiX, dpiY, stop, why, recycled))
      return bitmap;
  }
  if (error) *error = why;
  return std::nullopt;
}

}  // namespace vq

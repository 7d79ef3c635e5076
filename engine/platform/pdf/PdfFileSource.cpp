#include "platform/pdf/PdfFileSource.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace vq::pdf {
namespace {

// Large enough to hold the objects of a page and the cross-reference
// entries around them; a read larger than this (a stream) goes to the file
// directly.
constexpr size_t kWindowBytes = 64 * 1024;

[[noreturn]] void fail(const std::string& what, const std::string& name) {
  throw std::runtime_error(what + " " + name + ": " + std::strerror(errno));
}

}  // namespace

PdfFileSource::PdfFileSource(const std::string& path) : name_(path), window_(kWindowBytes) {
  fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd_ < 0) fail("open", name_);
  struct stat info {};
  if (::fstat(fd_, &info) != 0) {
    ::close(fd_);
    fail("stat", name_);
  }
  size_ = info.st_size;
}

PdfFileSource::~PdfFileSource() {
  if (fd_ >= 0) ::close(fd_);
}

size_t PdfFileSource::readAt(char* buffer, size_t length, qpdf_offset_t offset) const {
  // The file is read as long as it was when opened: positions are clamped to
  // that size, so bytes past it (a file still being written, or one of the
  // system's own files that report no size yet have content) would be read
  // again and again from a position that never moves.
  if (offset >= size_) return 0;
  length = std::min(length, static_cast<size_t>(size_ - offset));
  size_t done = 0;
  while (done < length) {
    const ssize_t n = ::pread(fd_, buffer + done, length - done, offset + static_cast<qpdf_offset_t>(done));
    if (n < 0) {
      if (errno == EINTR) continue;
      fail("read", name_);
    }
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  return done;
}

void PdfFileSource::seek(qpdf_offset_t offset, int whence) {
  qpdf_offset_t to = offset;
  if (whence == SEEK_CUR) to += position_;
  else if (whence == SEEK_END) to += size_;
  if (to < 0) throw std::runtime_error("seek before the start of " + name_);
  position_ = to;
}

size_t PdfFileSource::read(char* buffer, size_t length) {
  // A read past the end leaves the position at the end, as the C stream
  // reports it.
  position_ = std::min(position_, size_);
  last_offset = position_;
  size_t done = 0;
  while (done < length) {
    if (position_ >= windowStart_ && position_ < windowStart_ + static_cast<qpdf_offset_t>(windowLength_)) {
      const size_t from = static_cast<size_t>(position_ - windowStart_);
      const size_t n = std::min(length - done, windowLength_ - from);
      std::memcpy(buffer + done, window_.data() + from, n);
      done += n;
      position_ += static_cast<qpdf_offset_t>(n);
      continue;
    }
    if (length - done >= kWindowBytes) {
      const size_t n = readAt(buffer + done, length - done, position_);
      done += n;
      position_ += static_cast<qpdf_offset_t>(n);
      break;
    }
    windowStart_ = position_;
    windowLength_ = readAt(window_.data(), window_.size(), position_);
    if (windowLength_ == 0) break;
  }
  return done;
}

void PdfFileSource::unreadCh(char) {
  if (position_ > 0) --position_;
}

bool PdfFileSource::windowHoldsPosition() {
  position_ = std::min(position_, size_);
  if (position_ >= windowStart_ && position_ < windowStart_ + static_cast<qpdf_offset_t>(windowLength_)) return true;
  windowStart_ = position_;
  windowLength_ = readAt(window_.data(), window_.size(), position_);
  return windowLength_ > 0;
}

qpdf_offset_t PdfFileSource::findAndSkipNextEOL() {
  // The offset of the next end of line, or of the end of the file; the
  // position afterwards is the first byte past that line end's \r and \n.
  // Scanned in the window itself: qpdf reads a cross-reference table line
  // by line through here, and reads of a fixed size would refill the window
  // back and forth near its end.
  const auto isEnd = [](char c) { return c == '\r' || c == '\n'; };
  qpdf_offset_t result = -1;
  while (result < 0 && windowHoldsPosition()) {
    const char* from = window_.data() + (position_ - windowStart_);
    const char* to = window_.data() + windowLength_;
    const char* end = std::find_if(from, to, isEnd);
    position_ += end - from;
    if (end != to) result = position_;
  }
  if (result < 0) result = position_;
  else
    while (windowHoldsPosition() && isEnd(window_[static_cast<size_t>(position_ - windowStart_)])) ++position_;
  last_offset = position_;
  return result;
}

}  // namespace vq::pdf

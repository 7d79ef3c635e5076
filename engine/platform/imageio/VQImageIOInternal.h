#pragma once
// Shared by the format readers and writers of this folder only.
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

#include "platform/imageio/VQImageIO.h"

namespace vq::imageio::detail {

// Decoded images larger than this are refused: a corrupt header must not make
// us allocate gigabytes. 2^28 pixels is a 600 dpi A0 sheet with room to spare.
constexpr uint64_t kMaxPixels = uint64_t(1) << 28;
constexpr int kMaxDimension = 1 << 20;

bool acceptableSize(uint64_t width, uint64_t height, const char* format);

// A file written under a temporary name next to its destination and renamed
// onto it by commit(). Anything not committed is removed when the object dies.
class AtomicFile {
 public:
  explicit AtomicFile(const std::string& destination);
  ~AtomicFile();
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  bool isOpen() const { return fd_ >= 0 || stream_ != nullptr; }
  const std::string& tempPath() const { return tempPath_; }
  // A stdio stream over the file (owned by this object).
  FILE* stream();
  // Hands the descriptor to a library that closes it itself.
  int releaseFd();
  // Closes whatever is still open here (for libraries that reopen by name).
  bool close();
  // Closes, then renames the file onto the destination.
  bool commit();

 private:
  std::string destination_;
  std::string tempPath_;
  int fd_ = -1;
  FILE* stream_ = nullptr;
  bool committed_ = false;
};

// One row of `source` converted into `out` (Bitmap::rowBytes(width, to) bytes).
void convertRow(const Bitmap& source, int y, PixelFormat to, uint8_t background, uint8_t* out);

inline uint32_t pixelsPerMetre(double dpi) {
  if (!(dpi > 0)) dpi = 72;
  double v = dpi / 0.0254 + 0.5;
  return v > 4.0e9 ? 4000000000u : static_cast<uint32_t>(v);
}
inline double dpiFromPixelsPerMetre(double ppm) { return ppm * 0.0254; }

bool writeJpeg(const Bitmap& image, AtomicFile& file, const WriteOptions& options);
bool writePng(const Bitmap& image, AtomicFile& file, const WriteOptions& options);
bool writeBmp(const Bitmap& image, AtomicFile& file, const WriteOptions& options);
bool writeTiff(const Bitmap& image, AtomicFile& file, const WriteOptions& options);
bool writeGif(const Bitmap& image, AtomicFile& file, const WriteOptions& options);
bool writeTga(const Bitmap& image, AtomicFile& file, const WriteOptions& options);
bool writeJp2(const Bitmap& image, AtomicFile& file, const WriteOptions& options);

std::optional<Bitmap> readJpeg(const uint8_t* data, size_t size);
std::optional<Bitmap> readPng(const uint8_t* data, size_t size);
std::optional<Bitmap> readBmp(const uint8_t* data, size_t size);
std::optional<Bitmap> readTiff(const uint8_t* data, size_t size);
std::optional<Bitmap> readGif(const uint8_t* data, size_t size);
std::optional<Bitmap> readTga(const uint8_t* data, size_t size);
std::optional<Bitmap> readJp2(const uint8_t* data, size_t size);

}  // namespace vq::imageio::detail

#include "platform/imageio/VQImageIO.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <random>
#include <vector>

#include "platform/diagnostics/VQDiagnostics.h"
#include "platform/imageio/VQImageIOInternal.h"

namespace vq::imageio {

namespace {

std::string lowerAscii(std::string s) {
  for (char& c : s) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return s;
}

bool bitmapIsConsistent(const Bitmap& b) {
  if (b.width <= 0 || b.height <= 0) return false;
  if (!detail::acceptableSize(static_cast<uint64_t>(b.width), static_cast<uint64_t>(b.height), "bitmap")) return false;
  size_t row = Bitmap::rowBytes(b.width, b.format);
  if (b.stride < row) return false;
  return b.pixels.size() >= b.stride * static_cast<size_t>(b.height - 1) + row;
}

inline uint8_t over(uint8_t c, uint8_t a, uint8_t bg) {
  return static_cast<uint8_t>((c * a + bg * (255 - a) + 127) / 255);
}
inline uint8_t luma(uint8_t r, uint8_t g, uint8_t b) {
  return static_cast<uint8_t>((r * 77 + g * 150 + b * 29 + 128) >> 8);
}

// The platform layer's one maker of temporary names: the layers above use
// VQPDFPathUtilities in common, which this layer cannot reach. AtomicFile puts
// the name beside its destination, since the file is renamed there, and opens
// it with O_EXCL, so a name that is taken is skipped, never reused. Not
// mkstemp: its 0600 mode would stay with the finished image after the rename,
// where every other file the process writes gets 0666 less the umask.
std::string randomSuffix() {
  thread_local std::mt19937_64 rng{std::random_device{}()};
  static const char kChars[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  std::string s(10, 'x');
  for (char& c : s) c = kChars[rng() % (sizeof(kChars) - 1)];
  return s;
}

}  // namespace

namespace detail {

bool acceptableSize(uint64_t width, uint64_t height, const char* format) {
  if (width == 0 || height == 0 || width > uint64_t(kMaxDimension) || height > uint64_t(kMaxDimension) ||
      width * height > kMaxPixels) {
    VQDiagnose(VQDiagnosticCategory::Image, std::string(format) + ": unsupported image size " + std::to_string(width) +
                                                " x " + std::to_string(height));
    return false;
  }
  return true;
}

AtomicFile::AtomicFile(const std::string& destination) : destination_(destination) {
  std::string dir = ".";
  std::string base = destination;
  if (auto slash = destination.rfind('/'); slash != std::string::npos) {
    dir = slash == 0 ? "/" : destination.substr(0, slash);
    base = destination.substr(slash + 1);
  }
  if (base.empty()) {
    VQDiagnose(VQDiagnosticCategory::Image, "Image file path has no file name: " + destination);
    return;
  }
  // The temporary name must stay within the file system's name length even
  // when the destination's own name is close to it.
  if (base.size() > 64) base.resize(64);
  for (int attempt = 0; attempt < 16 && fd_ < 0; ++attempt) {
    std::string candidate = (dir == "/" ? "" : dir) + "/." + base + "." + randomSuffix() + ".part";
    // 0666 before the umask, like any file the process creates.
    fd_ = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd_ >= 0) {
      tempPath_ = candidate;
    } else if (errno != EEXIST) {
      VQDiagnose(VQDiagnosticCategory::Image, "Cannot create " + candidate + ": " + std::strerror(errno));
      return;
    }
  }
}

AtomicFile::~AtomicFile() {
  close();
  if (!committed_ && !tempPath_.empty()) ::unlink(tempPath_.c_str());
}

FILE* AtomicFile::stream() {
  if (!stream_ && fd_ >= 0) {
    stream_ = ::fdopen(fd_, "wb");
    if (stream_) fd_ = -1;
  }
  return stream_;
}

int AtomicFile::releaseFd() {
  int fd = fd_;
  fd_ = -1;
  return fd;
}

bool AtomicFile::close() {
  bool ok = true;
  if (stream_) {
    ok = std::fclose(stream_) == 0;
    stream_ = nullptr;
  }
  if (fd_ >= 0) {
    ok = ::close(fd_) == 0 && ok;
    fd_ = -1;
  }
  return ok;
}

bool AtomicFile::commit() {
  if (tempPath_.empty()) return false;
  if (!close()) {
    VQDiagnose(VQDiagnosticCategory::Image, "Cannot finish writing " + destination_);
    return false;
  }
  if (::rename(tempPath_.c_str(), destination_.c_str()) != 0) {
    VQDiagnose(VQDiagnosticCategory::Image,
               "Cannot rename " + tempPath_ + " to " + destination_ + ": " + std::strerror(errno));
    return false;
  }
  committed_ = true;
  return true;
}

void convertRow(const Bitmap& src, int y, PixelFormat to, uint8_t bg, uint8_t* out) {
  const uint8_t* in = src.row(y);
  const int w = src.width;
  if (src.format == to) {
    std::memcpy(out, in, Bitmap::rowBytes(w, to));
    return;
  }
  // Mono1 output: pack from grey.
  if (to == PixelFormat::Mono1) {
    std::vector<uint8_t> grey(static_cast<size_t>(w));
    convertRow(src, y, PixelFormat::Gray8, bg, grey.data());
    std::memset(out, 0, Bitmap::rowBytes(w, to));
    for (int x = 0; x < w; ++x) {
      if (grey[x] >= 128) out[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
    }
    return;
  }
  for (int x = 0; x < w; ++x) {
    uint8_t r, g, b, a = 255;
    switch (src.format) {
      case PixelFormat::Gray8:
        r = g = b = in[x];
        break;
      case PixelFormat::Mono1:
        r = g = b = (in[x >> 3] & (0x80 >> (x & 7))) ? 255 : 0;
        break;
      case PixelFormat::RGB8:
        r = in[3 * x];
        g = in[3 * x + 1];
        b = in[3 * x + 2];
        break;
      case PixelFormat::RGBA8:
      default:
        r = in[4 * x];
        g = in[4 * x + 1];
        b = in[4 * x + 2];
        a = in[4 * x + 3];
        break;
    }
    switch (to) {
      case PixelFormat::Gray8: {
        uint8_t l = src.format == PixelFormat::Gray8 || src.format == PixelFormat::Mono1 ? r : luma(r, g, b);
        out[x] = a == 255 ? l : over(l, a, bg);
        break;
      }
      case PixelFormat::RGB8:
        if (a != 255) {
          r = over(r, a, bg);
          g = over(g, a, bg);
          b = over(b, a, bg);
        }
        out[3 * x] = r;
        out[3 * x + 1] = g;
        out[3 * x + 2] = b;
        break;
      case PixelFormat::RGBA8:
      default:
        out[4 * x] = r;
        out[4 * x + 1] = g;
        out[4 * x + 2] = b;
        out[4 * x + 3] = a;
        break;
    }
  }
}

}  // namespace detail

std::optional<ImageFileType> imageFileTypeForKey(const std::string& key) {
  static const std::pair<const char*, ImageFileType> kKeys[] = {
      {"jpg", ImageFileType::JPEG},
      {"jpeg", ImageFileType::JPEG},
      {"public.jpeg", ImageFileType::JPEG},
      {"png", ImageFileType::PNG},
      {"public.png", ImageFileType::PNG},
      {"bmp", ImageFileType::BMP},
      {"com.microsoft.bmp", ImageFileType::BMP},
      {"gif", ImageFileType::GIF},
      {"com.compuserve.gif", ImageFileType::GIF},
      {"tiff", ImageFileType::TIFF},
      {"tif", ImageFileType::TIFF},
      {"public.tiff", ImageFileType::TIFF},
      {"tga", ImageFileType::TGA},
      {"com.truevision.tga-image", ImageFileType::TGA},
      {"jp2", ImageFileType::JPEG2000},
      {"public.jpeg-2000", ImageFileType::JPEG2000},
  };
  std::string k = lowerAscii(key);
  for (const auto& [name, type] : kKeys) {
    if (k == name) return type;
  }
  return std::nullopt;
}

Bitmap convertBitmap(const Bitmap& source, PixelFormat to, uint8_t background) {
  Bitmap out = Bitmap::make(source.width, source.height, to);
  out.dpiX = source.dpiX;
  out.dpiY = source.dpiY;
  if (!bitmapIsConsistent(source)) return out;
  for (int y = 0; y < source.height; ++y) detail::convertRow(source, y, to, background, out.row(y));
  return out;
}

bool isOpaque(const Bitmap& image) {
  if (image.format != PixelFormat::RGBA8) return true;
  for (int y = 0; y < image.height; ++y) {
    const uint8_t* p = image.row(y);
    for (int x = 0; x < image.width; ++x) {
      if (p[4 * x + 3] != 255) return false;
    }
  }
  return true;
}

bool writeImageFile(const Bitmap& image, const std::string& path, ImageFileType type, const WriteOptions& options) {
  if (!bitmapIsConsistent(image)) {
    VQDiagnose(VQDiagnosticCategory::Image, "Cannot write an empty or malformed bitmap to " + path);
    return false;
  }
  detail::AtomicFile file(path);
  if (!file.isOpen()) return false;
  bool ok = false;
  switch (type) {
    case ImageFileType::JPEG:
      ok = detail::writeJpeg(image, file, options);
      break;
    case ImageFileType::PNG:
      ok = detail::writePng(image, file, options);
      break;
    case ImageFileType::BMP:
      ok = detail::writeBmp(image, file, options);
      break;
    case ImageFileType::TIFF:
      ok = detail::writeTiff(image, file, options);
      break;
    case ImageFileType::GIF:
      ok = detail::writeGif(image, file, options);
      break;
    case ImageFileType::TGA:
      ok = detail::writeTga(image, file, options);
      break;
    case ImageFileType::JPEG2000:
      ok = detail::writeJp2(image, file, options);
      break;
  }
  return ok && file.commit();
}

std::optional<Bitmap> readImageData(const uint8_t* data, size_t size, const std::string& nameHint) {
  if (!data || size < 4) {
    VQDiagnose(VQDiagnosticCategory::Image, "Image data too short to decode");
    return std::nullopt;
  }
  auto starts = [&](const char* magic, size_t n) { return size >= n && std::memcmp(data, magic, n) == 0; };
  if (starts("\x89PNG\r\n\x1a\n", 8)) return detail::readPng(data, size);
  if (starts("\xff\xd8\xff", 3)) return detail::readJpeg(data, size);
  if (starts("II*\0", 4) || starts("MM\0*", 4) || starts("II+\0", 4) || starts("MM\0+", 4))
    return detail::readTiff(data, size);
  if (starts("GIF87a", 6) || starts("GIF89a", 6)) return detail::readGif(data, size);
  if (starts("BM", 2)) return detail::readBmp(data, size);
  if (starts("\0\0\0\x0cjP  \r\n\x87\n", 12) || starts("\xff\x4f\xff\x51", 4)) return detail::readJp2(data, size);
  static const char kTgaFooter[] = "TRUEVISION-XFILE.";
  bool tgaFooter = size >= 18 + 26 && std::memcmp(data + size - 18, kTgaFooter, 17) == 0;
  std::string hint = lowerAscii(nameHint);
  bool tgaName = hint.size() >= 4 && (hint.compare(hint.size() - 4, 4, ".tga") == 0);
  if (tgaFooter || tgaName) return detail::readTga(data, size);
  VQDiagnose(VQDiagnosticCategory::Image,
             std::string("Unknown image file format") + (nameHint.empty() ? "" : ": ") + nameHint);
  return std::nullopt;
}

std::optional<Bitmap> readImageFile(const std::string& path) {
  struct stat st {};
  if (path.empty() || ::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
    VQDiagnose(VQDiagnosticCategory::Image, "No image file at " + path);
    return std::nullopt;
  }
  // Image files past 1 GiB are not page images or pictures from a PDF.
  if (st.st_size > (off_t(1) << 30)) {
    VQDiagnose(VQDiagnosticCategory::Image, "Image file too large: " + path);
    return std::nullopt;
  }
  std::ifstream in(path, std::ios::binary);
  std::vector<uint8_t> bytes(static_cast<size_t>(st.st_size));
  if (!in || !in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()))) {
    VQDiagnose(VQDiagnosticCategory::Image, "Cannot read image file " + path);
    return std::nullopt;
  }
  return readImageData(bytes.data(), bytes.size(), path);
}

}  // namespace vq::imageio

// PNG through libpng. As with libjpeg, errors longjmp out of the library, so
// the libpng sessions below keep only plain data inside their setjmp frames.
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <png.h>
#include <zlib.h>

#include "platform/diagnostics/VQDiagnostics.h"
#include "platform/imageio/VQImageIOInternal.h"

namespace vq::imageio::detail {

namespace {

struct PngContext {
  char message[256] = {0};
  const uint8_t* data = nullptr;
  size_t size = 0;
  size_t offset = 0;
};

void pngError(png_structp png, png_const_charp msg) {
  auto* ctx = static_cast<PngContext*>(png_get_error_ptr(png));
  if (ctx) std::snprintf(ctx->message, sizeof ctx->message, "%s", msg ? msg : "error");
  png_longjmp(png, 1);
}
void pngWarning(png_structp, png_const_charp) {}

void pngRead(png_structp png, png_bytep out, png_size_t length) {
  auto* ctx = static_cast<PngContext*>(png_get_io_ptr(png));
  if (length > ctx->size - ctx->offset) png_error(png, "file is truncated");
  std::memcpy(out, ctx->data + ctx->offset, length);
  ctx->offset += length;
}

struct PngWriteJob {
  const Bitmap* image;
  FILE* out;
  int colorType;
  int bitDepth;
  bool stripFiller;  // RGBA input written as RGB
  uint32_t ppmX, ppmY;
};

bool compress(const PngWriteJob& job, PngContext& ctx) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &ctx, pngError, pngWarning);
  if (!png) return false;
  png_infop info = png_create_info_struct(png);
  if (!info || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_init_io(png, job.out);
  // Page images are mostly flat areas: the SUB filter with a low deflate
  // level keeps the writer fast while the files stay small.
  png_set_compression_level(png, 2);
  png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB);
  png_set_IHDR(png, info, static_cast<png_uint_32>(job.image->width), static_cast<png_uint_32>(job.image->height),
               job.bitDepth, job.colorType, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_set_pHYs(png, info, job.ppmX, job.ppmY, PNG_RESOLUTION_METER);
  png_write_info(png, info);
  if (job.stripFiller) png_set_filler(png, 0, PNG_FILLER_AFTER);
  for (int y = 0; y < job.image->height; ++y) png_write_row(png, job.image->row(y));
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return true;
}

struct PngHeader {
  int width = 0, height = 0, channels = 0;
  double dpiX = 72, dpiY = 72;
};

// With `rows` null only the header is read (with the output transforms applied).
bool decompress(PngContext& ctx, PngHeader& header, png_bytep* rows) {
  ctx.offset = 0;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &ctx, pngError, pngWarning);
  if (!png) return false;
  png_infop info = png_create_info_struct(png);
  if (!info || setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  png_set_read_fn(png, &ctx, pngRead);
  png_set_user_limits(png, static_cast<png_uint_32>(kMaxDimension), static_cast<png_uint_32>(kMaxDimension));
  png_read_info(png, info);
  int colorType = png_get_color_type(png, info);
  png_set_expand(png);  // palette -> RGB, grey below 8 bits -> 8 bits, tRNS -> alpha
  png_set_strip_16(png);
  bool hasAlpha = (colorType & PNG_COLOR_MASK_ALPHA) || png_get_valid(png, info, PNG_INFO_tRNS);
  if (!(colorType & PNG_COLOR_MASK_COLOR) && hasAlpha) png_set_gray_to_rgb(png);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  header.width = static_cast<int>(png_get_image_width(png, info));
  header.height = static_cast<int>(png_get_image_height(png, info));
  header.channels = png_get_channels(png, info);
  png_uint_32 rx = 0, ry = 0;
  int unit = 0;
  if (png_get_pHYs(png, info, &rx, &ry, &unit) && unit == PNG_RESOLUTION_METER && rx > 0 && ry > 0) {
    header.dpiX = dpiFromPixelsPerMetre(rx);
    header.dpiY = dpiFromPixelsPerMetre(ry);
  }
  if (rows) {
    png_read_image(png, rows);
    png_read_end(png, nullptr);
  }
  png_destroy_read_struct(&png, &info, nullptr);
  return true;
}

}  // namespace

bool writePng(const Bitmap& image, AtomicFile& file, const WriteOptions& options) {
  PngWriteJob job{};
  job.image = &image;
  job.out = file.stream();
  job.bitDepth = 8;
  switch (image.format) {
    case PixelFormat::Gray8:
      job.colorType = PNG_COLOR_TYPE_GRAY;
      break;
    case PixelFormat::Mono1:
      job.colorType = PNG_COLOR_TYPE_GRAY;
      job.bitDepth = 1;
      break;
    case PixelFormat::RGB8:
      job.colorType = PNG_COLOR_TYPE_RGB;
      break;
    case PixelFormat::RGBA8:
      job.stripFiller = isOpaque(image);
      job.colorType = job.stripFiller ? PNG_COLOR_TYPE_RGB : PNG_COLOR_TYPE_RGB_ALPHA;
      break;
  }
  job.ppmX = pixelsPerMetre(options.dpiX);
  job.ppmY = pixelsPerMetre(options.dpiY);
  if (!job.out) {
    VQDiagnose(VQDiagnosticCategory::Image, "PNG: cannot open the output file");
    return false;
  }
  PngContext ctx;
  if (!compress(job, ctx)) {
    VQDiagnose(VQDiagnosticCategory::Image,
               std::string("PNG: ") + (ctx.message[0] ? ctx.message : "cannot create the writer"));
    return false;
  }
  return std::ferror(job.out) == 0;
}

std::optional<Bitmap> readPng(const uint8_t* data, size_t size) {
  PngContext ctx;
  ctx.data = data;
  ctx.size = size;
  PngHeader header;
  if (!decompress(ctx, header, nullptr)) {
    VQDiagnose(VQDiagnosticCategory::Image, std::string("PNG: ") + ctx.message);
    return std::nullopt;
  }
  if (!acceptableSize(static_cast<uint64_t>(header.width), static_cast<uint64_t>(header.height), "PNG"))
    return std::nullopt;
  PixelFormat format;
  switch (header.channels) {
    case 1:
      format = PixelFormat::Gray8;
      break;
    case 3:
      format = PixelFormat::RGB8;
      break;
    case 4:
      format = PixelFormat::RGBA8;
      break;
    default:
      VQDiagnose(VQDiagnosticCategory::Image, "PNG: unexpected channel count " + std::to_string(header.channels));
      return std::nullopt;
  }
  Bitmap out = Bitmap::make(header.width, header.height, format);
  std::vector<png_bytep> rows(static_cast<size_t>(header.height));
  for (int y = 0; y < header.height; ++y) rows[static_cast<size_t>(y)] = out.row(y);
  if (!decompress(ctx, header, rows.data())) {
    VQDiagnose(VQDiagnosticCategory::Image, std::string("PNG: ") + ctx.message);
    return std::nullopt;
  }
  out.dpiX = header.dpiX;
  out.dpiY = header.dpiY;
  return out;
}

}  // namespace vq::imageio::detail

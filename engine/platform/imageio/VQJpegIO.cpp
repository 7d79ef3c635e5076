// JPEG through libjpeg(-turbo): the file reader and writer, and the decoder
// of JPEG data to raw components. libjpeg reports fatal errors through a
// callback that must not return, so each session runs inside a setjmp frame
// that holds only plain C data; buffers with destructors live in the caller.
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include <jpeglib.h>

#include "platform/diagnostics/VQDiagnostics.h"
#include "platform/imageio/VQImageIOInternal.h"
#include "platform/imageio/VQSampleDecode.h"

namespace vq::imageio {

namespace {

// The error manager of every libjpeg session in this file. A fatal error
// keeps libjpeg's message and jumps back to the session's setjmp; warnings
// about corrupt data are dropped, since the image is still used.
struct JpegError {
  jpeg_error_mgr mgr;
  jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

void jpegErrorExit(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<JpegError*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, err->message);
  longjmp(err->jump, 1);
}

void jpegSilence(j_common_ptr) {}

// Readies `err` for a new session and returns what the session's `err`
// field takes.
jpeg_error_mgr* jpegErrors(JpegError& err) {
  jpeg_error_mgr* mgr = jpeg_std_error(&err.mgr);
  mgr->error_exit = jpegErrorExit;
  mgr->output_message = jpegSilence;
  err.message[0] = '\0';
  return mgr;
}

}  // namespace

namespace detail {

namespace {

uint16_t densityValue(double dpi) {
  if (!(dpi > 0)) dpi = 72;
  double v = dpi + 0.5;
  return v >= 65535 ? 65535 : static_cast<uint16_t>(v < 1 ? 1 : v);
}

struct CompressJob {
  const Bitmap* image;
  FILE* out;
  int components;
  J_COLOR_SPACE space;
  PixelFormat rowFormat;
  int quality;
  uint16_t densityX, densityY;
  uint8_t* rowBuffer;  // rowBytes of rowFormat
};

bool compress(const CompressJob& job, JpegError& err) {
  jpeg_compress_struct cinfo;
  std::memset(&cinfo, 0, sizeof cinfo);
  cinfo.err = jpegErrors(err);
  if (setjmp(err.jump)) {
    jpeg_destroy_compress(&cinfo);
    return false;
  }
  jpeg_create_compress(&cinfo);
  jpeg_stdio_dest(&cinfo, job.out);
  cinfo.image_width = static_cast<JDIMENSION>(job.image->width);
  cinfo.image_height = static_cast<JDIMENSION>(job.image->height);
  cinfo.input_components = job.components;
  cinfo.in_color_space = job.space;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, job.quality, TRUE);
  cinfo.write_JFIF_header = TRUE;
  cinfo.density_unit = 1;  // dots per inch
  cinfo.X_density = job.densityX;
  cinfo.Y_density = job.densityY;
  jpeg_start_compress(&cinfo, TRUE);
  const bool direct = job.image->format == job.rowFormat;
  while (cinfo.next_scanline < cinfo.image_height) {
    int y = static_cast<int>(cinfo.next_scanline);
    JSAMPROW row;
    if (direct) {
      row = const_cast<JSAMPROW>(job.image->row(y));
    } else {
      convertRow(*job.image, y, job.rowFormat, 255, job.rowBuffer);
      row = job.rowBuffer;
    }
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  return true;
}

struct DecompressResult {
  int width = 0, height = 0, components = 0;
  bool adobeInverted = false;
  bool cmyk = false;
  double dpiX = 72, dpiY = 72;
};

// Phase 1 reads the header; phase 2 decodes into `pixels` sized by the caller.
bool decompress(const uint8_t* data, size_t size, JpegError& err, DecompressResult& info,
                std::vector<uint8_t>* pixels) {
  jpeg_decompress_struct cinfo;
  std::memset(&cinfo, 0, sizeof cinfo);
  cinfo.err = jpegErrors(err);
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
  jpeg_read_header(&cinfo, TRUE);
  switch (cinfo.jpeg_color_space) {
    case JCS_GRAYSCALE:
      cinfo.out_color_space = JCS_GRAYSCALE;
      break;
    case JCS_CMYK:
    case JCS_YCCK:
      cinfo.out_color_space = JCS_CMYK;
      break;
    default:
      cinfo.out_color_space = JCS_RGB;
      break;
  }
  jpeg_calc_output_dimensions(&cinfo);
  info.width = static_cast<int>(cinfo.output_width);
  info.height = static_cast<int>(cinfo.output_height);
  info.components = cinfo.out_color_components;
  info.cmyk = cinfo.out_color_space == JCS_CMYK;
  // Photoshop writes CMYK JPEGs with every sample inverted and marks them
  // with an Adobe APP14 segment.
  info.adobeInverted = info.cmyk && cinfo.saw_Adobe_marker;
  if (cinfo.saw_JFIF_marker && cinfo.X_density > 0 && cinfo.Y_density > 0) {
    if (cinfo.density_unit == 1) {
      info.dpiX = cinfo.X_density;
      info.dpiY = cinfo.Y_density;
    } else if (cinfo.density_unit == 2) {
      info.dpiX = cinfo.X_density * 2.54;
      info.dpiY = cinfo.Y_density * 2.54;
    }
  }
  if (!pixels) {
    jpeg_destroy_decompress(&cinfo);
    return true;
  }
  jpeg_start_decompress(&cinfo);
  const size_t stride = static_cast<size_t>(info.width) * static_cast<size_t>(info.components);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = pixels->data() + stride * cinfo.output_scanline;
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return true;
}

}  // namespace

bool writeJpeg(const Bitmap& image, AtomicFile& file, const WriteOptions& options) {
  const bool grey = image.format == PixelFormat::Gray8 || image.format == PixelFormat::Mono1;
  CompressJob job{};
  job.image = &image;
  job.out = file.stream();
  job.components = grey ? 1 : 3;
  job.space = grey ? JCS_GRAYSCALE : JCS_RGB;
  job.rowFormat = grey ? PixelFormat::Gray8 : PixelFormat::RGB8;
  float q = options.quality;
  if (!(q >= 0)) q = 0;  // also NaN
  if (q > 1) q = 1;
  job.quality = static_cast<int>(q * 100 + 0.5f);
  job.densityX = densityValue(options.dpiX);
  job.densityY = densityValue(options.dpiY);
  if (!job.out) {
    VQDiagnose(VQDiagnosticCategory::Image, "JPEG: cannot open the output file");
    return false;
  }
  std::vector<uint8_t> rowBuffer(Bitmap::rowBytes(image.width, job.rowFormat));
  job.rowBuffer = rowBuffer.data();
  auto err = std::make_unique<JpegError>();
  if (!compress(job, *err)) {
    VQDiagnose(VQDiagnosticCategory::Image, std::string("JPEG: ") + err->message);
    return false;
  }
  return std::ferror(job.out) == 0;
}

std::optional<Bitmap> readJpeg(const uint8_t* data, size_t size) {
  auto err = std::make_unique<JpegError>();
  DecompressResult info;
  if (!decompress(data, size, *err, info, nullptr)) {
    VQDiagnose(VQDiagnosticCategory::Image, std::string("JPEG: ") + err->message);
    return std::nullopt;
  }
  if (!acceptableSize(static_cast<uint64_t>(info.width), static_cast<uint64_t>(info.height), "JPEG"))
    return std::nullopt;
  if (info.components != 1 && info.components != 3 && info.components != 4) {
    VQDiagnose(VQDiagnosticCategory::Image, "JPEG: unsupported component count " + std::to_string(info.components));
    return std::nullopt;
  }
  std::vector<uint8_t> samples(static_cast<size_t>(info.width) * static_cast<size_t>(info.height) *
                               static_cast<size_t>(info.components));
  if (!decompress(data, size, *err, info, &samples)) {
    VQDiagnose(VQDiagnosticCategory::Image, std::string("JPEG: ") + err->message);
    return std::nullopt;
  }
  Bitmap out;
  if (info.components == 1 || info.components == 3) {
    out.width = info.width;
    out.height = info.height;
    out.format = info.components == 1 ? PixelFormat::Gray8 : PixelFormat::RGB8;
    out.stride = Bitmap::rowBytes(info.width, out.format);
    out.pixels = std::move(samples);
  } else {
    // CMYK (YCCK arrives here as CMYK): a naive conversion without a profile.
    out = Bitmap::make(info.width, info.height, PixelFormat::RGB8);
    const size_t n = static_cast<size_t>(info.width) * static_cast<size_t>(info.height);
    const uint8_t* s = samples.data();
    uint8_t* d = out.pixels.data();
    for (size_t i = 0; i < n; ++i, s += 4, d += 3) {
      unsigned c = s[0], m = s[1], y = s[2], k = s[3];
      if (!info.adobeInverted) {
        c = 255 - c;
        m = 255 - m;
        y = 255 - y;
        k = 255 - k;
      }
      // Here c, m, y, k hold 255 - ink.
      d[0] = static_cast<uint8_t>((c * k + 127) / 255);
      d[1] = static_cast<uint8_t>((m * k + 127) / 255);
      d[2] = static_cast<uint8_t>((y * k + 127) / 255);
    }
  }
  out.dpiX = info.dpiX;
  out.dpiY = info.dpiY;
  return out;
}

}  // namespace detail

namespace {

// One DCT session: the header, the checks that need it, then the scanlines
// into `out`, which the caller owns so that a jump out of here leaks
// nothing. A refusal of ours sets `reason`; for libjpeg's own errors the
// message is in `err`.
bool decodeDctSession(const uint8_t* data, size_t size, std::optional<int64_t> colorTransform,
                      const DecodeLimits& limits, JpegError& err, DecodedSamples* out, const char** reason) {
  jpeg_decompress_struct cinfo;
  std::memset(&cinfo, 0, sizeof cinfo);
  cinfo.err = jpegErrors(err);
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
  jpeg_read_header(&cinfo, TRUE);
  const int comps = cinfo.num_components;
  if (comps == 1) {
    cinfo.out_color_space = JCS_GRAYSCALE;
  } else if (comps == 3) {
    if (colorTransform && *colorTransform == 0) cinfo.jpeg_color_space = JCS_RGB;
    cinfo.out_color_space = JCS_RGB;
  } else if (comps == 4) {
    if (colorTransform) cinfo.jpeg_color_space = *colorTransform == 0 ? JCS_CMYK : JCS_YCCK;
    cinfo.out_color_space = JCS_CMYK;
  } else {
    jpeg_destroy_decompress(&cinfo);
    *reason = "JPEG: unsupported component count";
    return false;
  }
  const uint64_t w = cinfo.image_width, h = cinfo.image_height;
  if (w == 0 || h == 0 || w > static_cast<uint64_t>(limits.maxSide) || h > static_cast<uint64_t>(limits.maxSide) ||
      w * h > static_cast<uint64_t>(limits.maxPixels)) {
    jpeg_destroy_decompress(&cinfo);
    *reason = "JPEG: image too large";
    return false;
  }
  jpeg_start_decompress(&cinfo);
  const size_t rowBytes = static_cast<size_t>(cinfo.output_width) * cinfo.output_components;
  out->data.assign(rowBytes * cinfo.output_height, 0);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = out->data.data() + rowBytes * cinfo.output_scanline;
    if (jpeg_read_scanlines(&cinfo, &row, 1) != 1) break;
  }
  out->width = static_cast<int>(cinfo.output_width);
  out->height = static_cast<int>(cinfo.output_height);
  out->components = cinfo.output_components;
  out->bitsPerComponent = 8;
  out->rowBytes = rowBytes;
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return true;
}

}  // namespace

std::optional<DecodedSamples> decodeDct(const uint8_t* data, size_t size, std::optional<int64_t> colorTransform,
                                        const DecodeLimits& limits, std::string* error) {
  auto err = std::make_unique<JpegError>();
  DecodedSamples out;
  const char* reason = nullptr;
  if (!decodeDctSession(data, size, colorTransform, limits, *err, &out, &reason)) {
    if (error) *error = reason ? std::string(reason) : std::string("JPEG: ") + err->message;
    return std::nullopt;
  }
  return out;
}

static_assert(DecodeLimits{}.maxSide == detail::kMaxDimension &&
                  DecodeLimits{}.maxPixels == static_cast<int64_t>(detail::kMaxPixels),
              "the decoders' default limits are the file readers' limits");

}  // namespace vq::imageio

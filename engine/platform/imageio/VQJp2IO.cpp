// JPEG 2000 through openjpeg: .jp2 files written losslessly (reversible 5/3
// wavelet), .jp2 files and raw codestreams read.
#include <algorithm>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

#include <openjpeg.h>

#include "platform/loader/VQSystemLibrary.h"

#include "platform/diagnostics/VQDiagnostics.h"
#include "platform/imageio/VQImageIOInternal.h"

namespace vq::imageio::detail {

namespace {

// OpenJPEG is opened on first use (see platform/loader/VQSystemLibrary.h).
// clang-format off
#define VQ_OPENJPEG_FUNCTIONS(F) \
  F(opj_codec_set_threads) F(opj_create_compress) F(opj_create_decompress) F(opj_decode) \
  F(opj_destroy_codec) F(opj_encode) F(opj_end_compress) F(opj_end_decompress) F(opj_image_create) \
  F(opj_image_destroy) F(opj_read_header) F(opj_set_default_decoder_parameters) \
  F(opj_set_default_encoder_parameters) F(opj_set_error_handler) F(opj_set_info_handler) \
  F(opj_set_warning_handler) F(opj_setup_decoder) F(opj_setup_encoder) F(opj_start_compress) \
  F(opj_stream_create) F(opj_stream_create_default_file_stream) F(opj_stream_destroy) \
  F(opj_stream_set_read_function) F(opj_stream_set_seek_function) F(opj_stream_set_skip_function) \
  F(opj_stream_set_user_data) F(opj_stream_set_user_data_length)
// clang-format on
VQ_SYSTEM_LIBRARY(OpenJpegLibrary, openJpegLibrary, VQ_OPENJPEG_SONAME, VQ_OPENJPEG_FUNCTIONS)

struct ImageDeleter {
  void operator()(opj_image_t* i) const { openJpegLibrary().opj_image_destroy(i); }
};
struct CodecDeleter {
  void operator()(opj_codec_t* c) const { openJpegLibrary().opj_destroy_codec(c); }
};
struct StreamDeleter {
  void operator()(opj_stream_t* s) const { openJpegLibrary().opj_stream_destroy(s); }
};
using ImagePtr = std::unique_ptr<opj_image_t, ImageDeleter>;
using CodecPtr = std::unique_ptr<opj_codec_t, CodecDeleter>;
using StreamPtr = std::unique_ptr<opj_stream_t, StreamDeleter>;

// openjpeg ends its messages with a line break; the report adds its own.
void opjError(const char* msg, void*) {
  std::string_view text = msg ? msg : "error";
  if (!text.empty() && text.back() == '\n') text.remove_suffix(1);
  VQDiagnose(VQDiagnosticCategory::Image, "JPEG 2000: " + std::string(text));
}
void opjQuiet(const char*, void*) {}

void quietCodec(opj_codec_t* codec) {
  openJpegLibrary().opj_set_error_handler(codec, opjError, nullptr);
  openJpegLibrary().opj_set_warning_handler(codec, opjQuiet, nullptr);
  openJpegLibrary().opj_set_info_handler(codec, opjQuiet, nullptr);
}

struct MemorySource {
  const uint8_t* data;
  OPJ_UINT64 size;
  OPJ_UINT64 pos;
};

OPJ_SIZE_T memRead(void* buffer, OPJ_SIZE_T n, void* user) {
  auto* m = static_cast<MemorySource*>(user);
  if (m->pos >= m->size) return static_cast<OPJ_SIZE_T>(-1);
  OPJ_SIZE_T take = static_cast<OPJ_SIZE_T>(std::min<OPJ_UINT64>(n, m->size - m->pos));
  std::memcpy(buffer, m->data + m->pos, take);
  m->pos += take;
  return take;
}
OPJ_OFF_T memSkip(OPJ_OFF_T n, void* user) {
  auto* m = static_cast<MemorySource*>(user);
  if (n < 0 && OPJ_UINT64(-n) > m->pos) n = -OPJ_OFF_T(m->pos);
  m->pos += n;
  return n;
}
OPJ_BOOL memSeek(OPJ_OFF_T n, void* user) {
  auto* m = static_cast<MemorySource*>(user);
  if (n < 0 || OPJ_UINT64(n) > m->size) return OPJ_FALSE;
  m->pos = static_cast<OPJ_UINT64>(n);
  return OPJ_TRUE;
}

int threadsForCodec() {
  unsigned n = std::thread::hardware_concurrency();
  return static_cast<int>(std::clamp(n, 1u, 4u));
}

uint8_t to8(OPJ_INT32 v, const opj_image_comp_t& c) {
  if (c.sgnd && c.prec > 0) v += 1 << (c.prec - 1);
  if (c.prec > 8) v >>= (c.prec - 8);
  else if (c.prec < 8 && c.prec > 0) v = v * 255 / ((1 << c.prec) - 1);
  return static_cast<uint8_t>(std::clamp(v, 0, 255));
}

}  // namespace

bool writeJp2(const Bitmap& image, AtomicFile& file, const WriteOptions&) {
  const bool grey = image.format == PixelFormat::Gray8 || image.format == PixelFormat::Mono1;
  const bool alpha = !isOpaque(image);
  const PixelFormat rowFormat = grey ? PixelFormat::Gray8 : alpha ? PixelFormat::RGBA8 : PixelFormat::RGB8;
  const int count = grey ? 1 : alpha ? 4 : 3;
  opj_image_cmptparm_t params[4];
  std::memset(params, 0, sizeof params);
  for (int c = 0; c < count; ++c) {
    params[c].dx = params[c].dy = 1;
    params[c].w = static_cast<OPJ_UINT32>(image.width);
    params[c].h = static_cast<OPJ_UINT32>(image.height);
    params[c].prec = 8;
    params[c].sgnd = 0;
  }
  ImagePtr jimage(openJpegLibrary().opj_image_create(static_cast<OPJ_UINT32>(count), params,
                                                     grey ? OPJ_CLRSPC_GRAY : OPJ_CLRSPC_SRGB));
  if (!jimage) {
    VQDiagnose(VQDiagnosticCategory::Image, "JPEG 2000: cannot create the image");
    return false;
  }
  jimage->x0 = jimage->y0 = 0;
  jimage->x1 = static_cast<OPJ_UINT32>(image.width);
  jimage->y1 = static_cast<OPJ_UINT32>(image.height);
  if (alpha) jimage->comps[3].alpha = 1;
  std::vector<uint8_t> row(Bitmap::rowBytes(image.width, rowFormat));
  for (int y = 0; y < image.height; ++y) {
    convertRow(image, y, rowFormat, 255, row.data());
    const size_t base = size_t(y) * size_t(image.width);
    for (int x = 0; x < image.width; ++x) {
      for (int c = 0; c < count; ++c) jimage->comps[c].data[base + size_t(x)] = row[size_t(x) * count + c];
    }
  }

  opj_cparameters_t cp;
  openJpegLibrary().opj_set_default_encoder_parameters(&cp);
  cp.tcp_numlayers = 1;
  cp.tcp_rates[0] = 0;  // lossless
  cp.cp_disto_alloc = 1;
  cp.tcp_mct = count >= 3 ? 1 : 0;
  // Each resolution level halves the image; small images allow fewer.
  while (cp.numresolution > 1 &&
         ((image.width >> (cp.numresolution - 1)) == 0 || (image.height >> (cp.numresolution - 1)) == 0)) {
    --cp.numresolution;
  }
  CodecPtr codec(openJpegLibrary().opj_create_compress(OPJ_CODEC_JP2));
  if (!codec) return false;
  quietCodec(codec.get());
  if (!openJpegLibrary().opj_setup_encoder(codec.get(), &cp, jimage.get())) return false;
  openJpegLibrary().opj_codec_set_threads(codec.get(), threadsForCodec());
  // openjpeg reopens the file by name.
  file.close();
  StreamPtr stream(openJpegLibrary().opj_stream_create_default_file_stream(file.tempPath().c_str(), OPJ_FALSE));
  if (!stream) {
    VQDiagnose(VQDiagnosticCategory::Image, "JPEG 2000: cannot open the output file");
    return false;
  }
  if (!openJpegLibrary().opj_start_compress(codec.get(), jimage.get(), stream.get()) ||
      !openJpegLibrary().opj_encode(codec.get(), stream.get()) ||
      !openJpegLibrary().opj_end_compress(codec.get(), stream.get())) {
    VQDiagnose(VQDiagnosticCategory::Image, "JPEG 2000: encoding failed");
    return false;
  }
  stream.reset();  // flushes and closes the file
  return true;
}

std::optional<Bitmap> readJp2(const uint8_t* data, size_t size) {
  const bool codestream = size >= 4 && data[0] == 0xff && data[1] == 0x4f && data[2] == 0xff && data[3] == 0x51;
  CodecPtr codec(openJpegLibrary().opj_create_decompress(codestream ? OPJ_CODEC_J2K : OPJ_CODEC_JP2));
  if (!codec) return std::nullopt;
  quietCodec(codec.get());
  opj_dparameters_t dp;
  openJpegLibrary().opj_set_default_decoder_parameters(&dp);
  if (!openJpegLibrary().opj_setup_decoder(codec.get(), &dp)) return std::nullopt;
  openJpegLibrary().opj_codec_set_threads(codec.get(), threadsForCodec());
  MemorySource src{data, size, 0};
  StreamPtr stream(openJpegLibrary().opj_stream_create(1 << 16, OPJ_TRUE));
  if (!stream) return std::nullopt;
  openJpegLibrary().opj_stream_set_user_data(stream.get(), &src, nullptr);
  openJpegLibrary().opj_stream_set_user_data_length(stream.get(), size);
  openJpegLibrary().opj_stream_set_read_function(stream.get(), memRead);
  openJpegLibrary().opj_stream_set_skip_function(stream.get(), memSkip);
  openJpegLibrary().opj_stream_set_seek_function(stream.get(), memSeek);
  opj_image_t* raw = nullptr;
  if (!openJpegLibrary().opj_read_header(stream.get(), codec.get(), &raw)) {
    openJpegLibrary().opj_image_destroy(raw);
    VQDiagnose(VQDiagnosticCategory::Image, "JPEG 2000: cannot read the header");
    return std::nullopt;
  }
  ImagePtr image(raw);
  const uint64_t w = uint64_t(image->x1) - image->x0, h = uint64_t(image->y1) - image->y0;
  if (image->x1 < image->x0 || image->y1 < image->y0 || !acceptableSize(w, h, "JPEG 2000")) return std::nullopt;
  if (!openJpegLibrary().opj_decode(codec.get(), stream.get(), image.get()) ||
      !openJpegLibrary().opj_end_decompress(codec.get(), stream.get())) {
    VQDiagnose(VQDiagnosticCategory::Image, "JPEG 2000: cannot decode the image");
    return std::nullopt;
  }
  const OPJ_UINT32 n = image->numcomps;
  if (n == 0) return std::nullopt;
  for (OPJ_UINT32 c = 0; c < n; ++c) {
    const auto& comp = image->comps[c];
    if (!comp.data || comp.w == 0 || comp.h == 0 || comp.dx == 0 || comp.dy == 0) {
      VQDiagnose(VQDiagnosticCategory::Image, "JPEG 2000: empty component");
      return std::nullopt;
    }
  }
  auto sample = [&](OPJ_UINT32 c, uint64_t x, uint64_t y) {
    const auto& comp = image->comps[c];
    const uint64_t cx = std::min<uint64_t>(x / comp.dx, comp.w - 1), cy = std::min<uint64_t>(y / comp.dy, comp.h - 1);
    return to8(comp.data[cy * comp.w + cx], comp);
  };
  const bool cmyk = image->color_space == OPJ_CLRSPC_CMYK && n >= 4;
  const bool ycc = image->color_space == OPJ_CLRSPC_SYCC && n >= 3;
  const PixelFormat format = n == 1                          ? PixelFormat::Gray8
                             : (n == 2 || (n >= 4 && !cmyk)) ? PixelFormat::RGBA8
                                                             : PixelFormat::RGB8;
  Bitmap out = Bitmap::make(static_cast<int>(w), static_cast<int>(h), format);
  for (uint64_t y = 0; y < h; ++y) {
    uint8_t* d = out.row(static_cast<int>(y));
    for (uint64_t x = 0; x < w; ++x) {
      if (n == 1) {
        d[x] = sample(0, x, y);
      } else if (n == 2) {
        d[4 * x] = d[4 * x + 1] = d[4 * x + 2] = sample(0, x, y);
        d[4 * x + 3] = sample(1, x, y);
      } else if (cmyk) {
        const unsigned k = 255 - sample(3, x, y);
        for (int c = 0; c < 3; ++c) d[3 * x + c] = static_cast<uint8_t>((255 - sample(c, x, y)) * k / 255);
      } else {
        int r = sample(0, x, y), g = sample(1, x, y), b = sample(2, x, y);
        if (ycc) {  // full-range YCbCr
          const double yy = r, cb = g - 128.0, cr = b - 128.0;
          r = static_cast<int>(yy + 1.402 * cr + 0.5);
          g = static_cast<int>(yy - 0.344136 * cb - 0.714136 * cr + 0.5);
          b = static_cast<int>(yy + 1.772 * cb + 0.5);
        }
        const size_t step = format == PixelFormat::RGBA8 ? 4 : 3;
        d[step * x] = static_cast<uint8_t>(std::clamp(r, 0, 255));
        d[step * x + 1] = static_cast<uint8_t>(std::clamp(g, 0, 255));
        d[step * x + 2] = static_cast<uint8_t>(std::clamp(b, 0, 255));
        if (step == 4) d[4 * x + 3] = sample(3, x, y);
      }
    }
  }
  return out;
}

}  // namespace vq::imageio::detail

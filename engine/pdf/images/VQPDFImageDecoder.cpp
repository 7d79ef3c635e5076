#include "pdf/images/VQPDFImageDecoder.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>

#include "common/VQPDFPathUtilities.h"
#include "common/VQRandomString.h"
#include "pdf/VQPDFColorSpace.h"
#include "pdf/VQPDFObjectValues.h"
#include "pdf/VQPDFXObject.h"
#include "pdf/images/VQPDFImageFile.h"
#include "pdf/images/VQPDFImageFileTracker.h"
#include "platform/diagnostics/VQDiagnostics.h"
#include "platform/imageio/VQImageIO.h"
#include "platform/imageio/VQSampleDecode.h"

namespace vq {

using pdf::Object;
using vqpdf_detail::Clamp255;
using vqpdf_detail::ScaleComponent;

namespace {

// Packed samples as the PDF gives them: rows of ceil(w * ncomp * bpc / 8)
// bytes, each row starting on a byte.
struct SampleImage {
  int width = 0;
  int height = 0;
  int ncomp = 0;
  int bpc = 0;
  size_t rowBytes = 0;
  std::vector<uint8_t> data;  // exactly rowBytes * height
};

inline uint32_t SampleAt(const uint8_t* row, size_t index, int bpc) {
  switch (bpc) {
    case 8:
      return row[index];
    case 16:
      return (uint32_t{row[2 * index]} << 8) | row[2 * index + 1];
    case 1:
      return (row[index >> 3] >> (7 - (index & 7))) & 1u;
    case 2:
      return (row[index >> 2] >> (6 - 2 * (index & 3))) & 3u;
    case 4:
      return (row[index >> 1] >> (4 - 4 * (index & 1))) & 15u;
    default:
      return 0;
  }
}

Object Entry(const Object& dict, const char* key, const char* shortKey) {
  Object o = dict.get(key);
  return o.isNull() ? dict.get(shortKey) : o;
}

std::optional<int64_t> IntegerEntry(const Object& dict, const char* key, const char* shortKey) {
  auto n = Entry(dict, key, shortKey).number();
  if (!n || !std::isfinite(*n)) return std::nullopt;
  return static_cast<int64_t>(*n);
}

bool SampleLayout(SampleImage* s, std::string* error) {
  const uint64_t bits =
      static_cast<uint64_t>(s->width) * static_cast<uint64_t>(s->ncomp) * static_cast<uint64_t>(s->bpc);
  s->rowBytes = static_cast<size_t>((bits + 7) / 8);
  const uint64_t total = static_cast<uint64_t>(s->rowBytes) * static_cast<uint64_t>(s->height);
  if (total > (uint64_t{1} << 32)) {
    if (error) *error = "image data too large";
    return false;
  }
  return true;
}

// Takes the bytes for a rows x bytes-per-row image: short data is padded
// with zeros, extra data ignored.
void FitData(SampleImage* s, const uint8_t* data, size_t size) {
  const size_t need = s->rowBytes * static_cast<size_t>(s->height);
  s->data.assign(need, 0);
  std::memcpy(s->data.data(), data, std::min(need, size));
}

// ---- DCT, CCITT fax, JBIG2 ------------------------------------------------

// The decoders refuse what this file would refuse as too large.
constexpr imageio::DecodeLimits kLimits{kVQMaxImageSide, kVQMaxImagePixels};

SampleImage FromDecoded(imageio::DecodedSamples&& d) {
  SampleImage s;
  s.width = d.width;
  s.height = d.height;
  s.ncomp = d.components;
  s.bpc = d.bitsPerComponent;
  s.rowBytes = d.rowBytes;
  s.data = std::move(d.data);
  return s;
}

const uint8_t* Bytes(const std::string& s) { return reinterpret_cast<const uint8_t*>(s.data()); }

// Decodes to raw components: grey, RGB (from YCbCr unless ColorTransform
// says the data is RGB already) or CMYK (YCCK converted). The samples are
// what the stream holds; the image's Decode array decides their meaning,
// which is how Adobe's inverted CMYK data comes out right.
bool DecodeDCT(const std::string& data, const Object& parms, SampleImage* out, std::string* error) {
  auto transform = parms.isDictionary() ? parms.get("ColorTransform").integer() : std::nullopt;
  auto samples = imageio::decodeDct(Bytes(data), data.size(), transform, kLimits, error);
  if (!samples) return false;
  *out = FromDecoded(std::move(*samples));
  return true;
}

// Rows the data does not reach stay white.
bool DecodeCCITT(const std::string& data, const Object& parms, int width, int height, SampleImage* out,
                 std::string* error) {
  auto param = [&](const char* key, int64_t fallback) {
    auto v = parms.isDictionary() ? parms.get(key).number() : std::nullopt;
    return v && std::isfinite(*v) ? static_cast<int64_t>(*v) : fallback;
  };
  imageio::FaxParameters fax;
  fax.k = param("K", 0);
  fax.columns = param("Columns", width > 0 ? width : 1728);
  fax.rows = param("Rows", height);
  if (fax.rows <= 0) fax.rows = height;
  // In the image's own samples 0 is black unless BlackIs1.
  fax.blackIs1 = parms.isDictionary() && parms.get("BlackIs1").boolean().value_or(false);
  fax.encodedByteAlign = parms.isDictionary() && parms.get("EncodedByteAlign").boolean().value_or(false);
  auto samples = imageio::decodeFax(Bytes(data), data.size(), fax, kLimits, error);
  if (!samples) return false;
  *out = FromDecoded(std::move(*samples));
  return true;
}

// The page's samples use 0 for black, as the image's do.
bool DecodeJBIG2(const std::string& data, const Object& parms, SampleImage* out, std::string* error) {
  std::optional<std::string> globals;
  Object globalsStream = parms.isDictionary() ? parms.get("JBIG2Globals") : Object();
  if (globalsStream.isStream()) globals = globalsStream.decodedData();
  auto samples = imageio::decodeJbig2(Bytes(data), data.size(), globals ? Bytes(*globals) : nullptr,
                                      globals ? globals->size() : 0, kLimits, error);
  if (!samples) return false;
  *out = FromDecoded(std::move(*samples));
  return true;
}

// ---- colour ---------------------------------------------------------------

std::shared_ptr<VQPDFColorSpace> DeviceSpaceForComponents(int n) {
  if (n == 1) return std::make_shared<VQPDFDeviceGrayColorSpace>();
  if (n == 4) return std::make_shared<VQPDFDeviceCMYKColorSpace>();
  return std::make_shared<VQPDFDeviceRGBColorSpace>();
}

// Decoded value of every possible sample of one component (bpc <= 8), or
// computed on the fly for 16 bits.
struct ComponentMap {
  double dmin = 0, dmax = 1, maxValue = 255;
  std::vector<double> table;
  void build(double d0, double d1, int bpc) {
    dmin = d0, dmax = d1;
    maxValue = static_cast<double>((1u << bpc) - 1);
    if (bpc <= 8) {
      table.resize(static_cast<size_t>(maxValue) + 1);
      for (size_t s = 0; s < table.size(); ++s) table[s] = value(static_cast<uint32_t>(s));
    }
  }
  double value(uint32_t s) const { return dmin + s * (dmax - dmin) / maxValue; }
  double operator()(uint32_t s) const { return table.empty() ? value(s) : table[s]; }
};

// Samples to RGB through the colour space and Decode array; with a colour
// key, pixels whose raw samples all lie in their ranges become transparent.
Bitmap SamplesToRGB(const SampleImage& s, const VQPDFColorSpace& cs, const std::vector<double>& decode,
                    const std::vector<int64_t>* colorKey) {
  Bitmap out = Bitmap::make(s.width, s.height, colorKey ? PixelFormat::RGBA8 : PixelFormat::RGB8);
  const int n = s.ncomp;
  const int outBytes = colorKey ? 4 : 3;
  std::vector<ComponentMap> maps(static_cast<size_t>(n));
  for (int c = 0; c < n; ++c) maps[static_cast<size_t>(c)].build(decode[2 * c], decode[2 * c + 1], s.bpc);

  const int mode = cs.getMode();
  const bool deviceRGB = (mode == VQPDFColorSpaceModeDeviceRGB || mode == VQPDFColorSpaceModeCalRGB) && n == 3;
  // One component of at most 8 bits: every possible colour in a table.
  std::vector<VQPDFRGB> palette;
  if (n == 1 && s.bpc <= 8) {
    palette.resize(maps[0].table.size());
    VQPDFColor color;
    for (size_t i = 0; i < palette.size(); ++i) {
      color.c[0] = ScaleComponent(maps[0].table[i]);
      palette[i] = cs.getRGB(color);
    }
  }
  VQPDFColor color;
  VQPDFRGB last{};
  uint32_t lastSamples[32] = {};
  bool haveLast = false;
  uint32_t samples[32];
  for (int y = 0; y < s.height; ++y) {
    const uint8_t* row = s.data.data() + static_cast<size_t>(y) * s.rowBytes;
    uint8_t* o = out.row(y);
    for (int x = 0; x < s.width; ++x, o += outBytes) {
      const size_t base = static_cast<size_t>(x) * n;
      for (int c = 0; c < n; ++c) samples[c] = SampleAt(row, base + c, s.bpc);
      VQPDFRGB rgb;
      if (!palette.empty()) {
        rgb = palette[samples[0]];
      } else if (deviceRGB) {
        rgb.r = Clamp255(ScaleComponent(maps[0](samples[0])));
        rgb.g = Clamp255(ScaleComponent(maps[1](samples[1])));
        rgb.b = Clamp255(ScaleComponent(maps[2](samples[2])));
      } else if (haveLast && std::equal(samples, samples + n, lastSamples)) {
        rgb = last;
      } else {
        for (int c = 0; c < n; ++c) color.c[c] = ScaleComponent(maps[static_cast<size_t>(c)](samples[c]));
        rgb = cs.getRGB(color);
        last = rgb;
        std::copy(samples, samples + n, lastSamples);
        haveLast = true;
      }
      o[0] = static_cast<uint8_t>(Clamp255(rgb.r));
      o[1] = static_cast<uint8_t>(Clamp255(rgb.g));
      o[2] = static_cast<uint8_t>(Clamp255(rgb.b));
      if (colorKey) {
        bool inside = true;
        for (int c = 0; c < n && inside; ++c) {
          const int64_t v = samples[c];
          inside = v >= (*colorKey)[2 * c] && v <= (*colorKey)[2 * c + 1];
        }
        o[3] = inside ? 0 : 255;
      }
    }
  }
  return out;
}

// A stencil: 255 where the mask paints (sample 0 under the default Decode,
// sample 1 under [1 0]).
Bitmap StencilCoverage(const SampleImage& s, const std::vector<double>& decode) {
  Bitmap out = Bitmap::make(s.width, s.height, PixelFormat::Gray8);
  const bool inverted = decode.size() >= 2 && decode[0] > decode[1];
  for (int y = 0; y < s.height; ++y) {
    const uint8_t* row = s.data.data() + static_cast<size_t>(y) * s.rowBytes;
    uint8_t* o = out.row(y);
    for (int x = 0; x < s.width; ++x) {
      const bool bit = SampleAt(row, static_cast<size_t>(x) * s.ncomp, s.bpc) != 0;
      o[x] = (bit == inverted) ? 255 : 0;
    }
  }
  return out;
}

Bitmap GrayOf(const Bitmap& rgb) { return imageio::convertBitmap(rgb, PixelFormat::Gray8, 0); }

// ---- files -----------------------------------------------------------------

std::string NewImagePath(const std::string& prefix, const std::string& extension) {
  const std::string name =
      VQPDFPathUtilities::temporaryRoot() + "/" + prefix + VQRandomString::UUIDString() + "." + extension;
  return VQPDFPathUtilities::getUUIDPathBy(name);
}

// Masks and soft masks are nested image streams; a mask naming further masks
// is decoded without them, so a stream cannot recurse through itself.
thread_local int tMaskDepth = 0;

}  // namespace

std::vector<double> VQPDFImageDecoder::DecodeValuesFromImageDictionary(const Object& dict, int components,
                                                                       int bitsPerComponent, bool indexed) {
  std::vector<double> values;
  Object d = Entry(dict, "Decode", "D");
  if (d.isArray() && d.size() >= static_cast<size_t>(2 * components)) {
    for (size_t i = 0; i < static_cast<size_t>(2 * components); ++i)
      values.push_back(d.at(i).number().value_or(i & 1 ? 1 : 0));
    bool finite = std::all_of(values.begin(), values.end(), [](double v) { return std::isfinite(v); });
    if (finite) return values;
    values.clear();
  }
  const int bpc = std::clamp(bitsPerComponent, 1, 16);
  for (int c = 0; c < components; ++c) {
    values.push_back(0);
    values.push_back(indexed ? static_cast<double>((1u << bpc) - 1) : 1.0);
  }
  return values;
}

Bitmap VQPDFImageDecoder::MaskSourceImage(const Bitmap& source, const Bitmap& mask) {
  if (source.empty()) return source;
  if (mask.empty()) return source;
  Bitmap rgba = source.format == PixelFormat::RGBA8 ? source : imageio::convertBitmap(source, PixelFormat::RGBA8);
  const Bitmap gray = mask.format == PixelFormat::Gray8 ? mask : GrayOf(mask);
  for (int y = 0; y < rgba.height; ++y) {
    const int my = static_cast<int>(static_cast<int64_t>(y) * gray.height / rgba.height);
    const uint8_t* m = gray.row(my);
    uint8_t* p = rgba.row(y);
    for (int x = 0; x < rgba.width; ++x) {
      const int mx = static_cast<int>(static_cast<int64_t>(x) * gray.width / rgba.width);
      p[4 * x + 3] = static_cast<uint8_t>((p[4 * x + 3] * m[mx] + 127) / 255);
    }
  }
  return rgba;
}

std::optional<VQPDFDecodedImage> VQPDFImageDecoder::decodeImageStream(const Object& stream, const Object& colorSpaces,
                                                                      bool isMaskStream, std::string* error,
                                                                      const std::optional<VQPDFRGB>& stencilColor) {
  std::string localError;
  if (!error) error = &localError;
  if (!stream.isStream()) {
    *error = "not a stream";
    return std::nullopt;
  }
  const Object dict = stream.streamDictionary();
  const auto width = IntegerEntry(dict, "Width", "W");
  const auto height = IntegerEntry(dict, "Height", "H");
  if (!width || !height || *width <= 0 || *height <= 0) {
    *error = "image without a size";
    return std::nullopt;
  }
  if (*width > kVQMaxImageSide || *height > kVQMaxImageSide || *width * *height > kVQMaxImagePixels) {
    *error = "image too large";
    return std::nullopt;
  }
  const bool imageMask = Entry(dict, "ImageMask", "IM").boolean().value_or(false);
  auto bpcEntry = IntegerEntry(dict, "BitsPerComponent", "BPC");

  auto filtered = stream.dataForImageFilter();
  if (!filtered) {
    *error = "image data cannot be read";
    return std::nullopt;
  }
  const std::string& filter = filtered->filter;

  VQPDFDecodedImage result;
  SampleImage samples;
  std::optional<Bitmap> direct;  // JPX arrives as pixels
  if (filter.empty()) {
    int bpc = imageMask ? 1 : static_cast<int>(bpcEntry.value_or(0));
    if (bpc != 1 && bpc != 2 && bpc != 4 && bpc != 8 && bpc != 16) {
      *error = "bad BitsPerComponent";
      return std::nullopt;
    }
    samples.width = static_cast<int>(*width);
    samples.height = static_cast<int>(*height);
    samples.bpc = bpc;
    samples.ncomp = 0;  // from the colour space below
  } else if (filter == "DCTDecode") {
    if (!DecodeDCT(filtered->data, filtered->parms, &samples, error)) return std::nullopt;
    result.fromDCT = true;
  } else if (filter == "CCITTFaxDecode") {
    if (!DecodeCCITT(filtered->data, filtered->parms, static_cast<int>(*width), static_cast<int>(*height), &samples,
                     error))
      return std::nullopt;
  } else if (filter == "JBIG2Decode") {
    if (!DecodeJBIG2(filtered->data, filtered->parms, &samples, error)) return std::nullopt;
  } else if (filter == "JPXDecode") {
    direct = imageio::readImageData(reinterpret_cast<const uint8_t*>(filtered->data.data()), filtered->data.size(),
                                    "image.jp2");
    if (!direct || direct->empty()) {
      *error = "JPX: cannot decode";
      return std::nullopt;
    }
  } else {
    *error = "unsupported image filter " + filter;
    return std::nullopt;
  }

  // Colour space: the image's own, a name from the resources, or a device
  // space that fits the data.
  std::shared_ptr<VQPDFColorSpace> cs;
  if (!imageMask) {
    Object csObject = Entry(dict, "ColorSpace", "CS");
    if (!csObject.isNull()) {
      cs = VQPDFColorSpace::ColorSpaceWithObject(csObject);
      if (!cs && csObject.isName() && colorSpaces.isDictionary())
        cs = VQPDFColorSpace::ColorSpaceWithObject(colorSpaces.get(*csObject.name()));
    }
    if (cs && cs->getMode() == VQPDFColorSpaceModePattern) cs = nullptr;
    const int dataComps = filter.empty() ? 0 : direct ? 0 : samples.ncomp;
    if (cs && dataComps && cs->getNComps() != dataComps) cs = nullptr;  // the data knows better
    if (!cs || cs->getNComps() <= 0) {
      int n = dataComps ? dataComps : (filter.empty() && samples.bpc == 1) ? 1 : 3;
      if (direct) n = direct->format == PixelFormat::Gray8 ? 1 : 3;
      cs = DeviceSpaceForComponents(n);
    }
  }

  if (direct) {
    // Decoded JPEG 2000 pixels: device grey or RGB already.
    samples.width = direct->width;
    samples.height = direct->height;
    samples.bpc = 8;
    Bitmap plain = direct->format == PixelFormat::Gray8 ? *direct : imageio::convertBitmap(*direct, PixelFormat::RGB8);
    samples.ncomp = plain.format == PixelFormat::Gray8 ? 1 : 3;
    SampleLayout(&samples, nullptr);
    samples.data.assign(samples.rowBytes * samples.height, 0);
    for (int y = 0; y < samples.height; ++y)
      std::memcpy(samples.data.data() + y * samples.rowBytes, plain.row(y), samples.rowBytes);
    if (!cs || cs->getNComps() != samples.ncomp) cs = DeviceSpaceForComponents(samples.ncomp);
  }

  if (imageMask) {
    samples.ncomp = 1;
  } else if (filter.empty()) {
    samples.ncomp = cs->getNComps();
    if (samples.ncomp <= 0 || samples.ncomp > 32) {
      *error = "bad colour space";
      return std::nullopt;
    }
  }
  if (filter.empty()) {
    if (!SampleLayout(&samples, error)) return std::nullopt;
    FitData(&samples, reinterpret_cast<const uint8_t*>(filtered->data.data()), filtered->data.size());
  }
  if (samples.width <= 0 || samples.height <= 0 ||
      static_cast<int64_t>(samples.width) * samples.height > kVQMaxImagePixels) {
    *error = "bad image size";
    return std::nullopt;
  }

  const bool indexed = cs && cs->getMode() == VQPDFColorSpaceModeIndexed;
  const std::vector<double> decode = DecodeValuesFromImageDictionary(dict, samples.ncomp, samples.bpc, indexed);

  if (imageMask) {
    Bitmap coverage = StencilCoverage(samples, decode);
    if (isMaskStream) {
      result.bitmap = std::move(coverage);
    } else {
      // The fill colour where it is drawn paints through the coverage. The
      // colour fills the transparent pixels too, so that a picture scaled
      // up blends its edges with the colour, not with black.
      const VQPDFRGB paint = stencilColor.value_or(VQPDFRGB{});
      const uint8_t rgb[3] = {static_cast<uint8_t>(Clamp255(paint.r)), static_cast<uint8_t>(Clamp255(paint.g)),
                              static_cast<uint8_t>(Clamp255(paint.b))};
      Bitmap painted = Bitmap::make(samples.width, samples.height, PixelFormat::RGBA8);
      for (int y = 0; y < painted.height; ++y) {
        const uint8_t* c = coverage.row(y);
        uint8_t* p = painted.row(y);
        for (int x = 0; x < painted.width; ++x, p += 4) {
          std::copy(rgb, rgb + 3, p);
          p[3] = c[x];
        }
      }
      result.bitmap = std::move(painted);
      result.hasMask = true;
    }
    result.jpegData.clear();
    if (result.fromDCT) result.fromDCT = false;
    return result;
  }

  // Colour-key masking compares raw samples with the Mask ranges.
  std::vector<int64_t> colorKey;
  Object maskEntry = dict.get("Mask");
  Object smask = dict.get("SMask");
  if (!isMaskStream && !smask.isStream() && maskEntry.isArray() &&
      maskEntry.size() >= static_cast<size_t>(2 * samples.ncomp)) {
    for (size_t i = 0; i < static_cast<size_t>(2 * samples.ncomp); ++i)
      colorKey.push_back(static_cast<int64_t>(maskEntry.at(i).number().value_or(0)));
  }
  Bitmap rgb = SamplesToRGB(samples, *cs, decode, colorKey.empty() ? nullptr : &colorKey);
  result.hasMask = !colorKey.empty();

  if (isMaskStream) {
    result.bitmap = GrayOf(rgb);
    result.fromDCT = false;
    return result;
  }

  if (tMaskDepth == 0) {
    Object maskStream = smask.isStream() ? smask : maskEntry.isStream() ? maskEntry : Object();
    if (maskStream.isStream()) {
      ++tMaskDepth;
      std::string maskError;
      auto mask = decodeImageStream(maskStream, Object(), true, &maskError);
      --tMaskDepth;
      if (mask && !mask->bitmap.empty()) {
        rgb = MaskSourceImage(rgb, mask->bitmap);
        result.hasMask = true;
        // With /Matte the colours were blended with the matte colour by
        // their alpha; undo that so the picture composites correctly.
        Object matte = smask.isStream() ? smask.streamDictionary().get("Matte") : Object();
        if (matte.isArray() && matte.size() == static_cast<size_t>(cs->getNComps())) {
          VQPDFColor m;
          for (size_t i = 0; i < matte.size() && i < 32; ++i) m.c[i] = ScaleComponent(matte.at(i).number().value_or(0));
          const VQPDFRGB mrgb = cs->getRGB(m);
          const int mc[3] = {Clamp255(mrgb.r), Clamp255(mrgb.g), Clamp255(mrgb.b)};
          for (int y = 0; y < rgb.height; ++y) {
            uint8_t* p = rgb.row(y);
            for (int x = 0; x < rgb.width; ++x, p += 4) {
              if (p[3] == 0) continue;
              for (int c = 0; c < 3; ++c) p[c] = static_cast<uint8_t>(Clamp255(mc[c] + (p[c] - mc[c]) * 255 / p[3]));
            }
          }
        }
      } else {
        VQDiagnose(VQDiagnosticCategory::Image, "Image mask cannot be decoded: " + maskError);
      }
    }
  }

  // An unmasked DCT image in grey or RGB whose samples mean what they say is
  // kept as the JPEG it is.
  if (result.fromDCT && !result.hasMask) {
    const int mode = cs->getMode();
    const bool plainSpace = mode == VQPDFColorSpaceModeDeviceGray || mode == VQPDFColorSpaceModeCalGray ||
                            mode == VQPDFColorSpaceModeDeviceRGB || mode == VQPDFColorSpaceModeCalRGB ||
                            (mode == VQPDFColorSpaceModeICCBased && (samples.ncomp == 1 || samples.ncomp == 3));
    bool plainDecode = true;
    for (size_t i = 0; i < decode.size(); ++i) plainDecode = plainDecode && decode[i] == (i & 1 ? 1.0 : 0.0);
    if (plainSpace && plainDecode) result.jpegData = filtered->data;
  }
  result.bitmap = std::move(rgb);
  return result;
}

std::optional<std::string> VQPDFImageDecoder::extractPDFStream(const Object& stream, const Object& colorSpaces,
                                                               float jpegQuality,
                                                               const std::optional<VQPDFRGB>& stencilColor) {
  std::string error;
  auto decoded = decodeImageStream(stream, colorSpaces, false, &error, stencilColor);
  if (!decoded || decoded->bitmap.empty()) {
    VQDiagnose(VQDiagnosticCategory::Image, "Image cannot be decoded: " + error);
    return std::nullopt;
  }
  VQPDFPathUtilities::createFolderIfNeed(VQPDFPathUtilities::temporaryRoot());
  if (decoded->fromDCT && !decoded->hasMask) {
    const std::string path = NewImagePath("IMG_", "jpeg");
    if (!decoded->jpegData.empty()) {
      if (VQPDFPathUtilities::writeFileAtomically(path, decoded->jpegData)) return path;
      VQDiagnose(VQDiagnosticCategory::Image, "Couldn't write image to file!");
      return std::nullopt;
    }
    if (VQPDFExportCGImageToFileWithDestination_VQLib(decoded->bitmap, path, "jpeg", 72, 72, jpegQuality)) return path;
    return std::nullopt;
  }
  const std::string path = NewImagePath(decoded->hasMask ? "IMG_After_SMask_" : "IMG_", "png");
  if (VQPDFExportCGImageToFileWithDestination_VQLib(decoded->bitmap, path, "png", 72, 72, 1.0f)) return path;
  return std::nullopt;
}

void VQPDFImageDecoder::parseImage(VQPDFImageXObject& image, const Object& colorSpaces) {
  image.cachedImagePath.clear();
  auto path = extractPDFStream(image.xObjectStream, colorSpaces, 0.92f, image.stencilColor);
  if (!path) return;
  image.cachedImagePath = *path;
  VQPDFImageFileTracker::registerFile(*path);
}

void VQPDFImageDecoder::install() {
  // Once per process: pages on other threads may be reading the slot.
  static std::once_flag once;
  std::call_once(once, [] {
    VQPDFImageXObject::setDecoder(
        [](VQPDFImageXObject& image, const Object& colorSpaces) { VQPDFImageDecoder::parseImage(image, colorSpaces); });
  });
}

}  // namespace vq

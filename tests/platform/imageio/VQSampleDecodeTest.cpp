// The decoders of bare JPEG, CCITT fax and JBIG2 data. The coded data is
// made here with libjpeg and libtiff, so that the expected samples are known.
#include "platform/imageio/VQSampleDecode.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

// C libraries after the standard headers: jpeglib.h needs <cstdio> first.
#include <jpeglib.h>
#include <tiffio.h>

#include "support/TestSupport.h"

namespace {

using vq::imageio::DecodedSamples;
using vq::imageio::DecodeLimits;
using vq::imageio::FaxParameters;
using Bytes = std::vector<uint8_t>;

// ---- JPEG ----------------------------------------------------------------

// A 16 x 8 JPEG of one solid colour given as `components` input samples,
// stored in the colour space `stored` (libjpeg converts).
Bytes solidJpeg(std::vector<uint8_t> colour, J_COLOR_SPACE input, J_COLOR_SPACE stored) {
  jpeg_compress_struct c;
  jpeg_error_mgr err;
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  unsigned char* mem = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&c, &mem, &size);
  c.image_width = 16;
  c.image_height = 8;
  c.input_components = static_cast<int>(colour.size());
  c.in_color_space = input;
  jpeg_set_defaults(&c);
  jpeg_set_colorspace(&c, stored);
  jpeg_set_quality(&c, 100, TRUE);
  jpeg_start_compress(&c, TRUE);
  std::vector<uint8_t> row;
  for (int x = 0; x < 16; ++x) row.insert(row.end(), colour.begin(), colour.end());
  for (int y = 0; y < 8; ++y) {
    JSAMPROW r = row.data();
    jpeg_write_scanlines(&c, &r, 1);
  }
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  Bytes out(mem, mem + size);
  std::free(mem);
  return out;
}

TEST(SampleDecode, DctGivesTheStoredComponentsAsTheColourTransformSays) {
  const Bytes grey = solidJpeg({100}, JCS_GRAYSCALE, JCS_GRAYSCALE);
  const Bytes rgb = solidJpeg({245, 55, 225}, JCS_RGB, JCS_YCbCr);
  const Bytes cmyk = solidJpeg({10, 200, 30, 60}, JCS_CMYK, JCS_CMYK);
  const Bytes ycck = solidJpeg({10, 200, 30, 60}, JCS_CMYK, JCS_YCCK);
  struct Row {
    const char* name;
    const Bytes* data;
    std::optional<int64_t> transform;
    std::vector<int> expected;  // the first pixel's components
  } rows[] = {
      {"grey", &grey, std::nullopt, {100}},
      {"YCbCr to RGB by the markers", &rgb, std::nullopt, {245, 55, 225}},
      {"YCbCr to RGB by the transform", &rgb, 1, {245, 55, 225}},
      // Transform 0: the stored Y Cb Cr values come out as they are.
      {"YCbCr taken as RGB", &rgb, 0, {131, 181, 209}},
      {"CMYK, not inverted", &cmyk, std::nullopt, {10, 200, 30, 60}},
      {"YCCK to CMYK by the markers", &ycck, std::nullopt, {10, 200, 30, 60}},
      {"YCCK to CMYK by the transform", &ycck, 1, {10, 200, 30, 60}},
      {"YCCK taken as CMYK", &ycck, 0, {131, 181, 209, 60}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    std::string error;
    auto s = vq::imageio::decodeDct(row.data->data(), row.data->size(), row.transform, {}, &error);
    ASSERT_TRUE(s) << error;
    const int n = static_cast<int>(row.expected.size());
    EXPECT_EQ(s->width, 16);
    EXPECT_EQ(s->height, 8);
    EXPECT_EQ(s->components, n);
    EXPECT_EQ(s->bitsPerComponent, 8);
    EXPECT_EQ(s->rowBytes, static_cast<size_t>(16 * n));
    ASSERT_EQ(s->data.size(), s->rowBytes * 8);
    // The last pixel too: every row was decoded.
    for (size_t at : {size_t{0}, s->data.size() - n}) {
      for (int c = 0; c < n; ++c) EXPECT_NEAR(s->data[at + c], row.expected[c], 3) << "component " << c << " at " << at;
    }
  }
}

TEST(SampleDecode, DamagedOrRefusedDctGivesAnError) {
  const Bytes rgb = solidJpeg({245, 55, 225}, JCS_RGB, JCS_YCbCr);
  const Bytes twoComponents = solidJpeg({1, 2}, JCS_UNKNOWN, JCS_UNKNOWN);
  const Bytes text = {'n', 'o', 't', ' ', 'j', 'p', 'e', 'g'};
  struct Row {
    const char* name;
    const Bytes* data;
    size_t size;
    DecodeLimits limits;
    const char* error;  // how the message starts
  } rows[] = {
      {"nothing", &rgb, 0, {}, "JPEG: "},
      {"the start marker only", &rgb, 2, {}, "JPEG: "},
      {"cut in the tables", &rgb, 100, {}, "JPEG: "},
      {"not JPEG", &text, text.size(), {}, "JPEG: "},
      {"two components", &twoComponents, twoComponents.size(), {}, "JPEG: unsupported component count"},
      {"wider than the limit", &rgb, rgb.size(), {15, 1000}, "JPEG: image too large"},
      {"more pixels than the limit", &rgb, rgb.size(), {100, 127}, "JPEG: image too large"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    std::string error;
    EXPECT_FALSE(vq::imageio::decodeDct(row.data->data(), row.size, std::nullopt, row.limits, &error));
    EXPECT_EQ(error.rfind(row.error, 0), 0u) << error;
  }
  // Cut one byte into the coded pixels: libjpeg carries on, the image keeps
  // its size.
  size_t sos = 0;
  while (sos + 3 < rgb.size() && !(rgb[sos] == 0xff && rgb[sos + 1] == 0xda)) ++sos;
  ASSERT_LT(sos + 3, rgb.size());
  const size_t scan = sos + 2 + ((size_t{rgb[sos + 2]} << 8) | rgb[sos + 3]);
  auto s = vq::imageio::decodeDct(rgb.data(), scan + 1, std::nullopt, {}, nullptr);
  ASSERT_TRUE(s);
  EXPECT_EQ(s->data.size(), size_t{16 * 3 * 8});
}

// ---- CCITT fax ---------------------------------------------------------------

constexpr int kFaxW = 45;
constexpr int kFaxH = 11;

// Packed 1-bit rows (0 black) of a pattern with black and white runs of
// several lengths in every row except the last, which is all black.
Bytes faxPicture() {
  const size_t rowBytes = (kFaxW + 7) / 8;
  Bytes bits(rowBytes * kFaxH, 0xff);
  for (int y = 0; y < kFaxH; ++y) {
    for (int x = 0; x < kFaxW; ++x) {
      const bool black = y == kFaxH - 1 || (x + 2 * y) % 9 < 3 || x == y;
      if (black) bits[y * rowBytes + x / 8] &= static_cast<uint8_t>(~(0x80 >> (x % 8)));
    }
  }
  return bits;
}

// The coded strip that libtiff writes for a w x h `picture` (packed rows,
// 0 black) with a fax compression, taken out of a one-strip TIFF file.
Bytes faxData(const Bytes& picture, int w, int h, uint16_t compression = COMPRESSION_CCITTFAX4,
              uint32_t group3Options = 0) {
  vqtest::ScratchDir dir;
  const std::string path = (dir / "fax.tif").string();
  TIFF* t = TIFFOpen(path.c_str(), "w");
  EXPECT_TRUE(t);
  if (!t) return {};
  TIFFSetField(t, TIFFTAG_IMAGEWIDTH, w);
  TIFFSetField(t, TIFFTAG_IMAGELENGTH, h);
  TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 1);
  TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 1);
  TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);  // 1 black, as fax codes it
  TIFFSetField(t, TIFFTAG_COMPRESSION, compression);
  if (compression == COMPRESSION_CCITTFAX3) TIFFSetField(t, TIFFTAG_GROUP3OPTIONS, group3Options);
  TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, h);
  const size_t rowBytes = (static_cast<size_t>(w) + 7) / 8;
  Bytes row(rowBytes);
  for (int y = 0; y < h; ++y) {
    for (size_t i = 0; i < rowBytes; ++i) row[i] = static_cast<uint8_t>(~picture[y * rowBytes + i]);
    TIFFWriteScanline(t, row.data(), static_cast<uint32_t>(y), 0);
  }
  TIFFClose(t);
  t = TIFFOpen(path.c_str(), "r");
  EXPECT_TRUE(t);
  if (!t) return {};
  Bytes data(static_cast<size_t>(TIFFRawStripSize(t, 0)));
  data.resize(static_cast<size_t>(TIFFReadRawStrip(t, 0, data.data(), static_cast<tmsize_t>(data.size()))));
  TIFFClose(t);
  return data;
}

// The padding bits after the last column, which no coding keeps.
Bytes withoutPadding(Bytes rows) {
  const size_t rowBytes = (kFaxW + 7) / 8;
  const uint8_t mask = static_cast<uint8_t>(0xff << (8 * rowBytes - kFaxW));
  for (size_t y = 0; y < kFaxH; ++y) rows[y * rowBytes + rowBytes - 1] &= mask;
  return rows;
}

TEST(SampleDecode, FaxCodingsDecodeToTheCodedPicture) {
  const Bytes picture = faxPicture();
  struct Row {
    const char* name;
    uint16_t compression;
    uint32_t group3Options;
    int64_t k;
    bool byteAlign;
  } rows[] = {
      {"Group 4", COMPRESSION_CCITTFAX4, 0, -1, false},
      {"Group 3 one-dimensional", COMPRESSION_CCITTFAX3, 0, 0, false},
      {"Group 3 two-dimensional", COMPRESSION_CCITTFAX3, GROUP3OPT_2DENCODING, 1, false},
      {"Group 3 with byte-aligned lines", COMPRESSION_CCITTFAX3, GROUP3OPT_FILLBITS, 0, true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const Bytes data = faxData(picture, kFaxW, kFaxH, row.compression, row.group3Options);
    ASSERT_FALSE(data.empty());
    for (bool blackIs1 : {false, true}) {
      FaxParameters p;
      p.k = row.k;
      p.columns = kFaxW;
      p.rows = kFaxH;
      p.encodedByteAlign = row.byteAlign;
      p.blackIs1 = blackIs1;
      std::string error;
      auto s = vq::imageio::decodeFax(data.data(), data.size(), p, {}, &error);
      ASSERT_TRUE(s) << error;
      EXPECT_EQ(s->width, kFaxW);
      EXPECT_EQ(s->height, kFaxH);
      EXPECT_EQ(s->components, 1);
      EXPECT_EQ(s->bitsPerComponent, 1);
      EXPECT_EQ(s->rowBytes, size_t{(kFaxW + 7) / 8});
      Bytes expected = picture;
      if (blackIs1) {
        for (auto& b : expected) b = static_cast<uint8_t>(~b);
      }
      EXPECT_EQ(withoutPadding(s->data), withoutPadding(expected)) << "black is 1: " << blackIs1;
    }
  }
}

TEST(SampleDecode, DamagedFaxKeepsTheRowsBeforeTheDamage) {
  const Bytes picture = faxPicture();
  const Bytes data = faxData(picture, kFaxW, kFaxH);
  FaxParameters p;
  p.k = -1;
  p.columns = kFaxW;
  p.rows = kFaxH;
  const size_t rowBytes = (kFaxW + 7) / 8;

  // Cut short: the first row is still there, the black last row is white.
  auto cut = vq::imageio::decodeFax(data.data(), data.size() / 2, p);
  ASSERT_TRUE(cut);
  ASSERT_EQ(cut->data.size(), rowBytes * kFaxH);
  const Bytes decoded = withoutPadding(cut->data), expected = withoutPadding(picture);
  EXPECT_TRUE(std::equal(decoded.begin(), decoded.begin() + rowBytes, expected.begin()));
  EXPECT_TRUE(std::all_of(cut->data.end() - rowBytes, cut->data.end(), [](uint8_t b) { return b == 0xff; }));

  // Coded garbage and no data at all: an image of the size asked for.
  const Bytes garbage(64, 0x5a);
  for (const Bytes* d : {&garbage, &data}) {
    auto s = vq::imageio::decodeFax(d->data(), d == &data ? 0 : d->size(), p);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->data.size(), rowBytes * kFaxH);
  }

  // Sizes the decoder refuses before it starts.
  struct Row {
    const char* name;
    int64_t columns, rows;
    DecodeLimits limits;
  } refused[] = {
      {"no columns", 0, kFaxH, {}},
      {"negative rows", kFaxW, -1, {}},
      {"wider than the limit", kFaxW, kFaxH, {kFaxW - 1, 100000}},
      {"more pixels than the limit", kFaxW, kFaxH, {1000, kFaxW * kFaxH - 1}},
  };
  for (const auto& row : refused) {
    SCOPED_TRACE(row.name);
    FaxParameters q = p;
    q.columns = row.columns;
    q.rows = row.rows;
    std::string error;
    EXPECT_FALSE(vq::imageio::decodeFax(data.data(), data.size(), q, row.limits, &error));
    EXPECT_EQ(error, "CCITT: bad size");
  }
}

// ---- JBIG2 -------------------------------------------------------------------

// Embedded JBIG2 segments, written one after another.
class Jbig2Stream {
 public:
  // `refersTo` holds earlier segment numbers (all below 256); page 0 is for
  // the segments shared between pages.
  Jbig2Stream& segment(uint32_t number, uint8_t type, uint8_t page, const Bytes& data,
                       const std::vector<uint8_t>& refersTo = {}) {
    be(number, 4);
    bytes_.push_back(type);
    bytes_.push_back(static_cast<uint8_t>(refersTo.size() << 5));
    bytes_.insert(bytes_.end(), refersTo.begin(), refersTo.end());
    bytes_.push_back(page);
    be(static_cast<uint32_t>(data.size()), 4);
    bytes_.insert(bytes_.end(), data.begin(), data.end());
    return *this;
  }
  const Bytes& bytes() const { return bytes_; }

  static void be(Bytes& b, uint64_t v, int n) {
    for (int i = n - 1; i >= 0; --i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
  }

 private:
  void be(uint32_t v, int n) { be(bytes_, v, n); }
  Bytes bytes_;
};

constexpr uint8_t kPageInformation = 48, kEndOfPage = 49, kGenericRegion = 38, kPatternDictionary = 16,
                  kHalftoneRegion = 22;

Bytes pageInformation(uint32_t w, uint32_t h) {
  Bytes b;
  Jbig2Stream::be(b, w, 4);
  Jbig2Stream::be(b, h, 4);
  Jbig2Stream::be(b, 0, 8);      // no resolution
  b.insert(b.end(), {0, 0, 0});  // flags, striping
  return b;
}

// Region segment information: size, place (0, 0), combined by OR.
Bytes regionInformation(uint32_t w, uint32_t h) {
  Bytes b;
  Jbig2Stream::be(b, w, 4);
  Jbig2Stream::be(b, h, 4);
  Jbig2Stream::be(b, 0, 8);
  b.push_back(0);
  return b;
}

Bytes mmrRegion(const Bytes& g4, uint32_t w, uint32_t h) {
  Bytes b = regionInformation(w, h);
  b.push_back(1);  // MMR coding
  b.insert(b.end(), g4.begin(), g4.end());
  return b;
}

TEST(SampleDecode, Jbig2GenericRegionDecodesToTheCodedPicture) {
  const Bytes picture = faxPicture();
  Jbig2Stream page;
  page.segment(0, kPageInformation, 1, pageInformation(kFaxW, kFaxH))
      .segment(1, kGenericRegion, 1, mmrRegion(faxData(picture, kFaxW, kFaxH), kFaxW, kFaxH))
      .segment(2, kEndOfPage, 1, {});
  std::string error;
  auto s = vq::imageio::decodeJbig2(page.bytes().data(), page.bytes().size(), nullptr, 0, {}, &error);
  ASSERT_TRUE(s) << error;
  EXPECT_EQ(s->width, kFaxW);
  EXPECT_EQ(s->height, kFaxH);
  EXPECT_EQ(s->components, 1);
  EXPECT_EQ(s->bitsPerComponent, 1);
  EXPECT_EQ(withoutPadding(s->data), withoutPadding(picture));
}

// A halftone region paints a pattern of a dictionary that only the shared
// segments hold: the page comes out right only when they are passed.
TEST(SampleDecode, Jbig2PageUsesTheSharedSegments) {
  // One 4 x 4 pattern, black with a white middle, MMR-coded as its own
  // collective bitmap.
  const Bytes pattern = {0x00, 0x60, 0x60, 0x00};
  const Bytes patternG4 = faxData(pattern, 4, 4);
  Bytes dictionary = {1, 4, 4};       // MMR, pattern width and height
  Jbig2Stream::be(dictionary, 0, 4);  // largest grey value: one pattern
  dictionary.insert(dictionary.end(), patternG4.begin(), patternG4.end());
  Jbig2Stream shared;
  shared.segment(0, kPatternDictionary, 0, dictionary);

  // A grid of 2 x 1 cells 4 pixels apart; every cell's grey value is 0 (one
  // all-white MMR bit plane), so both show the pattern.
  Bytes halftone = regionInformation(8, 4);
  halftone.push_back(1);                 // MMR, OR, default pixel white
  Jbig2Stream::be(halftone, 2, 4);       // grid width
  Jbig2Stream::be(halftone, 1, 4);       // grid height
  Jbig2Stream::be(halftone, 0, 8);       // grid origin
  Jbig2Stream::be(halftone, 4 << 8, 2);  // grid vector: 4 pixels across
  Jbig2Stream::be(halftone, 0, 2);
  const Bytes greyPlane = faxData({0xff}, 2, 1);
  halftone.insert(halftone.end(), greyPlane.begin(), greyPlane.end());
  Jbig2Stream page;
  page.segment(1, kPageInformation, 1, pageInformation(8, 4))
      .segment(2, kHalftoneRegion, 1, halftone, {0})
      .segment(3, kEndOfPage, 1, {});

  auto s =
      vq::imageio::decodeJbig2(page.bytes().data(), page.bytes().size(), shared.bytes().data(), shared.bytes().size());
  ASSERT_TRUE(s);
  ASSERT_EQ(s->width, 8);
  ASSERT_EQ(s->height, 4);
  const Bytes expected = {0x00, 0x66, 0x66, 0x00};  // the pattern twice, 0 black
  EXPECT_EQ(s->data, expected);

  // Without them the region has no patterns to paint.
  auto alone = vq::imageio::decodeJbig2(page.bytes().data(), page.bytes().size(), nullptr, 0);
  EXPECT_TRUE(!alone || alone->data != expected);
}

TEST(SampleDecode, DamagedJbig2GivesAnErrorOrThePageNeverACrash) {
  const Bytes picture = faxPicture();
  Jbig2Stream page;
  page.segment(0, kPageInformation, 1, pageInformation(kFaxW, kFaxH))
      .segment(1, kGenericRegion, 1, mmrRegion(faxData(picture, kFaxW, kFaxH), kFaxW, kFaxH))
      .segment(2, kEndOfPage, 1, {});
  const Bytes& good = page.bytes();
  // Cut anywhere: never a crash, and a page when there is one at its size.
  for (size_t keep = 0; keep < good.size(); keep += 7) {
    SCOPED_TRACE(keep);
    auto s = vq::imageio::decodeJbig2(good.data(), keep, nullptr, 0);
    if (s) {
      EXPECT_EQ(s->width, kFaxW);
      EXPECT_EQ(s->data.size(), s->rowBytes * kFaxH);
    }
  }
  // Shared segments that are garbage do not spoil a page that needs none.
  const Bytes junk(40, 0xa5);
  auto withJunk = vq::imageio::decodeJbig2(good.data(), good.size(), junk.data(), junk.size());
  ASSERT_TRUE(withJunk);
  EXPECT_EQ(withoutPadding(withJunk->data), withoutPadding(picture));

  std::string error;
  EXPECT_FALSE(vq::imageio::decodeJbig2(junk.data(), junk.size(), nullptr, 0, {}, &error));
  EXPECT_EQ(error, "JBIG2: no page");
  EXPECT_FALSE(vq::imageio::decodeJbig2(good.data(), good.size(), nullptr, 0, {kFaxW - 1, 1000000}, &error));
  EXPECT_EQ(error, "JBIG2: bad page size");
}

}  // namespace

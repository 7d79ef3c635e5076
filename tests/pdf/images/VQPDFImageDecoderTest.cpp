#include "pdf/images/VQPDFImageDecoder.h"

#include <fmt/format.h>
#include <gtest/gtest.h>
#include <tiffio.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "common/VQPDFPathUtilities.h"
#include "pdf/PdfFixture.h"
#include "pdf/VQPDFConentParser.h"
#include "pdf/VQPDFXObject.h"
#include "pdf/images/VQPDFImageFile.h"
#include "pdf/images/VQPDFImageFileTracker.h"
#include "platform/imageio/VQImageIO.h"
#include "platform/pdf/PdfDocument.h"
#include "support/TestSupport.h"

namespace {

namespace fs = std::filesystem;
using vq::Bitmap;
using vq::PixelFormat;
using vq::VQPDFImageDecoder;
using vq::VQPDFPathUtilities;

// Every file this test writes goes to a temporary root of its own, so that
// "nothing is left behind" can be checked without other runs interfering.
struct PrivateTemporaryRoot {
  fs::path dir;
  PrivateTemporaryRoot() {
    std::string pattern = (fs::temp_directory_path() / "vq-images-test-XXXXXX").string();
    if (::mkdtemp(pattern.data())) dir = pattern;
    ::setenv("TMPDIR", dir.c_str(), 1);
  }
  ~PrivateTemporaryRoot() {
    std::error_code ec;
    fs::remove_all(dir, ec);
  }
};
const PrivateTemporaryRoot gRoot;

// An embedded JBIG2 stream: a page information segment and one immediate
// generic region coded with MMR (Group 4 fax coding, black = 1).
std::string Jbig2WithMMR(const std::string& g4, uint32_t w, uint32_t h) {
  std::string out;
  auto u32 = [](std::string& s, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) s.push_back(static_cast<char>((v >> shift) & 0xff));
  };
  auto segment = [&](uint32_t number, uint8_t type, const std::string& data) {
    u32(out, number);
    out.push_back(static_cast<char>(type));
    out.push_back(0);  // refers to no segment
    out.push_back(1);  // page 1
    u32(out, static_cast<uint32_t>(data.size()));
    out += data;
  };
  std::string page, region;
  u32(page, w), u32(page, h), u32(page, 0), u32(page, 0);
  page += std::string("\0\0\0", 3);  // flags, striping
  u32(region, w), u32(region, h), u32(region, 0), u32(region, 0);
  region.push_back(0);  // combination: OR
  region.push_back(1);  // MMR
  region += g4;
  segment(0, 48, page);
  segment(1, 38, region);
  segment(2, 49, "");
  return out;
}

std::string Encode(const Bitmap& b, const char* type) {
  vqtest::ScratchDir dir;
  const fs::path p = dir / (std::string("image.") + type);
  EXPECT_TRUE(VQPDFExportCGImageToFileWithDestination_VQLib(b, p.string(), type, 72, 72, 1.0f));
  return vqtest::readFile(p);
}

Bitmap Solid(int w, int h, uint8_t r, uint8_t g, uint8_t b) {
  Bitmap bm = Bitmap::make(w, h, PixelFormat::RGB8);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint8_t* p = bm.row(y) + 3 * x;
      p[0] = r, p[1] = g, p[2] = b;
    }
  return bm;
}

struct Pixel {
  int r, g, b, a;
  friend bool operator==(const Pixel&, const Pixel&) = default;
};
std::ostream& operator<<(std::ostream& os, const Pixel& p) {
  return os << "(" << p.r << "," << p.g << "," << p.b << "," << p.a << ")";
}
Pixel At(const Bitmap& b, int x, int y) {
  const uint8_t* p = b.row(y);
  switch (b.format) {
    case PixelFormat::Gray8:
      return {p[x], p[x], p[x], 255};
    case PixelFormat::RGB8:
      return {p[3 * x], p[3 * x + 1], p[3 * x + 2], 255};
    case PixelFormat::RGBA8:
      return {p[4 * x], p[4 * x + 1], p[4 * x + 2], p[4 * x + 3]};
    default:
      return {};
  }
}

// Decodes through the file writer and reads the file back.
struct Written {
  std::string path;
  Bitmap image;
};
std::optional<Written> Extract(const vq::pdf::Object& stream, const vq::pdf::Object& colorSpaces = {}) {
  auto path = VQPDFImageDecoder::extractPDFStream(stream, colorSpaces);
  if (!path) return std::nullopt;
  auto image = vq::imageio::readImageFile(*path);
  EXPECT_TRUE(image) << *path;
  if (!image) return std::nullopt;
  Written w{*path, *image};
  fs::remove(*path);
  return w;
}

TEST(ImageDecoder, RawSamplesThroughColourSpacesAndDecodeArrays) {
  vqtest::PdfFixture pdf;
  struct Row {
    const char* name;
    std::string dict;
    std::string data;
    std::vector<Pixel> expected;  // first pixels of the first row
  } rows[] = {
      {"rgb 8",
       "<< /Width 2 /Height 1 /BitsPerComponent 8 /ColorSpace /DeviceRGB >>",
       std::string("\xff\x00\x00\x00\x80\xff", 6),
       {{255, 0, 0, 255}, {0, 128, 255, 255}}},
      {"no space, 1 bit is grey",
       "<< /Width 8 /Height 1 /BitsPerComponent 1 >>",
       "\x0f",
       {{0, 0, 0, 255}, {0, 0, 0, 255}, {0, 0, 0, 255}, {0, 0, 0, 255}, {255, 255, 255, 255}}},
      {"no space, 8 bit is rgb", "<< /Width 1 /Height 1 /BitsPerComponent 8 >>", "\x10\x20\x30", {{16, 32, 48, 255}}},
      {"gray 2 bit",
       "<< /Width 4 /Height 1 /BitsPerComponent 2 /ColorSpace /DeviceGray >>",
       "\x1b",
       {{0, 0, 0, 255}, {85, 85, 85, 255}, {170, 170, 170, 255}, {255, 255, 255, 255}}},
      {"gray 4 bit",
       "<< /Width 2 /Height 1 /BitsPerComponent 4 /ColorSpace /DeviceGray >>",
       "\xf0",
       {{255, 255, 255, 255}, {0, 0, 0, 255}}},
      {"gray 16 bit",
       "<< /Width 2 /Height 1 /BitsPerComponent 16 /ColorSpace /DeviceGray >>",
       std::string("\xff\xff\x00\x00", 4),
       {{255, 255, 255, 255}, {0, 0, 0, 255}}},
      {"decode inverts",
       "<< /Width 2 /Height 1 /BitsPerComponent 8 /ColorSpace /DeviceGray /Decode [1 0] >>",
       std::string("\x00\xff", 2),
       {{255, 255, 255, 255}, {0, 0, 0, 255}}},
      {"indexed",
       "<< /Width 3 /Height 1 /BitsPerComponent 8 /ColorSpace [/Indexed /DeviceRGB 1 <FF000000FF00>] >>",
       std::string("\x00\x01\x07", 3),
       {{255, 0, 0, 255}, {0, 255, 0, 255}, {0, 255, 0, 255}}},
      {"cmyk",
       "<< /Width 1 /Height 1 /BitsPerComponent 8 /ColorSpace /DeviceCMYK >>",
       std::string("\x00\x00\x00\x00", 4),
       {{255, 255, 255, 255}}},
      {"short data is zero-filled",
       "<< /Width 2 /Height 2 /BitsPerComponent 8 /ColorSpace /DeviceGray /Decode [1 0] >>",
       "\x00",
       {{255, 255, 255, 255}, {255, 255, 255, 255}}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    auto w = Extract(pdf.stream(row.dict, row.data));
    ASSERT_TRUE(w);
    EXPECT_EQ(fs::path(w->path).extension(), ".png");
    for (size_t i = 0; i < row.expected.size(); ++i)
      EXPECT_EQ(At(w->image, static_cast<int>(i), 0), row.expected[i]) << i;
  }
}

TEST(ImageDecoder, MasksMakeTransparentPNGs) {
  vqtest::PdfFixture pdf;
  auto smask = pdf.streamHandle("<< /Width 1 /Height 1 /BitsPerComponent 8 /ColorSpace /DeviceGray >>", "\x80");
  auto stencil = pdf.streamHandle("<< /Width 2 /Height 1 /ImageMask true >>", "\x40");  // 0 1: paints left
  auto image = [&](const std::string& extra) {
    auto h = pdf.streamHandle("<< /Width 2 /Height 1 /BitsPerComponent 8 /ColorSpace /DeviceRGB " + extra + " >>",
                              std::string("\x0a\x1e\x32\xc8\xc8\xc8", 6));
    return h;
  };
  auto withSMask = image("");
  withSMask.getDict().replaceKey("/SMask", smask);
  auto matteMask =
      pdf.streamHandle("<< /Width 1 /Height 1 /BitsPerComponent 8 /ColorSpace /DeviceGray /Matte [0 0 0] >>", "\x80");
  auto withMatte = image("");
  withMatte.getDict().replaceKey("/SMask", matteMask);
  auto withStencil = image("");
  withStencil.getDict().replaceKey("/Mask", stencil);
  struct Row {
    const char* name;
    vq::pdf::Object stream;
    Pixel left, right;
  } rows[] = {
      {"colour key", pdf.wrap(image("/Mask [10 20 30 40 50 60]")), {10, 30, 50, 0}, {200, 200, 200, 255}},
      {"soft mask scaled to the image", pdf.wrap(withSMask), {10, 30, 50, 128}, {200, 200, 200, 128}},
      {"soft mask with a matte: colours un-blended", pdf.wrap(withMatte), {19, 59, 99, 128}, {255, 255, 255, 128}},
      {"stencil mask", pdf.wrap(withStencil), {10, 30, 50, 255}, {200, 200, 200, 0}},
      {"image mask without BitsPerComponent, Mask ignored",
       pdf.stream("<< /Width 2 /Height 1 /ImageMask true /Mask [0 1] >>", "\x40"),
       {0, 0, 0, 255},
       {0, 0, 0, 0}},
      {"image mask, inverted decode",
       pdf.stream("<< /Width 2 /Height 1 /ImageMask true /Decode [1 0] >>", "\x40"),
       {0, 0, 0, 0},
       {0, 0, 0, 255}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    auto w = Extract(row.stream);
    ASSERT_TRUE(w);
    EXPECT_NE(w->path.find("IMG_After_SMask_"), std::string::npos);
    for (int x = 0; x < 2; ++x) {
      const Pixel want = x == 0 ? row.left : row.right;
      const Pixel got = At(w->image, x, 0);
      EXPECT_EQ(got.a, want.a) << x;
      if (want.a > 0) {
        EXPECT_EQ(got, want) << x;  // colour of what shows
      }
    }
  }
}

TEST(ImageDecoder, EncodedFiltersDecodeAndFilesMatchTheirNames) {
  vqtest::PdfFixture pdf;
  const Bitmap orange = Solid(16, 8, 250, 120, 10);
  const std::string jpeg = Encode(orange, "jpeg");
  const std::string jp2 = Encode(orange, "jp2");

  // A bilevel picture, left half black, as Group 4 fax data.
  Bitmap mono = Bitmap::make(32, 4, PixelFormat::Mono1);
  for (int y = 0; y < 4; ++y) mono.row(y)[2] = mono.row(y)[3] = 0xff;  // right half white
  const std::string tiffBytes = Encode(mono, "tiff");
  std::string fax;
  {
    vqtest::ScratchDir dir;
    std::ofstream(dir / "f.tif", std::ios::binary) << tiffBytes;
    TIFF* t = TIFFOpen((dir / "f.tif").c_str(), "r");
    ASSERT_TRUE(t);
    uint16_t compression = 0;
    TIFFGetField(t, TIFFTAG_COMPRESSION, &compression);
    ASSERT_EQ(compression, COMPRESSION_CCITTFAX4);
    fax.resize(static_cast<size_t>(TIFFRawStripSize(t, 0)));
    fax.resize(static_cast<size_t>(TIFFReadRawStrip(t, 0, fax.data(), static_cast<tmsize_t>(fax.size()))));
    TIFFClose(t);
  }
  // The TIFF writer stores min-is-white or min-is-black; either way the fax
  // codes black runs, which BlackIs1 false turns into 0 samples.
  struct Row {
    const char* name;
    vq::pdf::Object stream;
    const char* extension;
    Pixel probe;  // at (0, 0)
    int width, height;
  } rows[] = {
      {"DCT kept as JPEG",
       pdf.stream("<< /Width 16 /Height 8 /BitsPerComponent 8 /ColorSpace /DeviceRGB /Filter /DCTDecode >>", jpeg),
       ".jpeg",
       {250, 120, 10, 255},
       16,
       8},
      {"DCT with a colour key becomes PNG",
       pdf.stream("<< /Width 16 /Height 8 /BitsPerComponent 8 /ColorSpace /DeviceRGB /Filter /DCTDecode "
                  "/Mask [0 255 0 255 0 255] >>",
                  jpeg),
       ".png",
       {250, 120, 10, 0},
       16,
       8},
      {"DCT with an inverting Decode is re-encoded",
       pdf.stream("<< /Width 16 /Height 8 /BitsPerComponent 8 /ColorSpace /DeviceRGB /Filter /DCTDecode "
                  "/Decode [1 0 1 0 1 0] >>",
                  jpeg),
       ".jpeg",
       {5, 135, 245, 255},
       16,
       8},
      {"JPX without BitsPerComponent or ColorSpace",
       pdf.stream("<< /Width 16 /Height 8 /Filter /JPXDecode >>", jp2),
       ".png",
       {250, 120, 10, 255},
       16,
       8},
      {"JBIG2 (MMR region)",
       pdf.stream("<< /Width 32 /Height 4 /BitsPerComponent 1 /ColorSpace /DeviceGray /Filter /JBIG2Decode >>",
                  Jbig2WithMMR(fax, 32, 4)),
       ".png",
       {0, 0, 0, 255},
       32,
       4},
      {"CCITT G4",
       pdf.stream("<< /Width 32 /Height 4 /BitsPerComponent 1 /ColorSpace /DeviceGray /Filter /CCITTFaxDecode "
                  "/DecodeParms << /K -1 /Columns 32 /Rows 4 >> >>",
                  fax),
       ".png",
       {0, 0, 0, 255},
       32,
       4},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    auto w = Extract(row.stream);
    ASSERT_TRUE(w);
    EXPECT_EQ(fs::path(w->path).extension(), row.extension);
    EXPECT_EQ(w->image.width, row.width);
    EXPECT_EQ(w->image.height, row.height);
    const Pixel p = At(w->image, 0, 0);
    EXPECT_EQ(p.a, row.probe.a);
    if (row.probe.a) {
      EXPECT_NEAR(p.r, row.probe.r, 6);
      EXPECT_NEAR(p.g, row.probe.g, 6);
      EXPECT_NEAR(p.b, row.probe.b, 6);
    }
  }
  // The bilevel pictures: left half black, right half white.
  for (size_t i : {size_t{4}, size_t{5}}) {
    auto w = Extract(rows[i].stream);
    ASSERT_TRUE(w);
    EXPECT_EQ(At(w->image, 15, 3), (Pixel{0, 0, 0, 255})) << rows[i].name;
    EXPECT_EQ(At(w->image, 16, 0), (Pixel{255, 255, 255, 255})) << rows[i].name;
    EXPECT_EQ(At(w->image, 31, 3), (Pixel{255, 255, 255, 255})) << rows[i].name;
  }
}

TEST(ImageDecoder, UndecodableImagesLeaveNoFile) {
  vqtest::PdfFixture pdf;
  const auto before = std::distance(fs::directory_iterator(VQPDFPathUtilities::temporaryRoot()), {});
  const char* rows[][2] = {
      {"<< /Height 1 /BitsPerComponent 8 >>", "\x00"},
      {"<< /Width 100000 /Height 100000 /BitsPerComponent 8 /ColorSpace /DeviceGray >>", "\x00"},
      {"<< /Width 40000 /Height 40000 /BitsPerComponent 8 /ColorSpace /DeviceGray >>", "\x00"},
      {"<< /Width 1 /Height 1 /BitsPerComponent 3 /ColorSpace /DeviceGray >>", "\x00"},
      {"<< /Width 1 /Height 1 /BitsPerComponent 8 /ColorSpace /DeviceRGB /Filter /DCTDecode >>", "not a jpeg"},
      {"<< /Width 1 /Height 1 /Filter /JPXDecode >>", "not jpeg 2000"},
      {"<< /Width 1 /Height 1 /BitsPerComponent 1 /Filter /JBIG2Decode >>", "not jbig2"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row[0]);
    auto image = std::make_shared<vq::VQPDFImageXObject>(pdf.stream(row[0], row[1]), "Im1");
    VQPDFImageDecoder::parseImage(*image, {});
    EXPECT_TRUE(image->cachedImagePath.empty());
  }
  EXPECT_EQ(std::distance(fs::directory_iterator(VQPDFPathUtilities::temporaryRoot()), {}), before);
}

TEST(ImageDecoder, UnclaimedFilesAreRemovedWhenTheScopeEnds) {
  vqtest::PdfFixture pdf;
  VQPDFImageDecoder::install();
  auto stream = pdf.stream("<< /Width 1 /Height 1 /BitsPerComponent 8 /ColorSpace /DeviceGray >>", "\x80");
  std::string kept, dropped;
  {
    vq::VQPDFImageFileScope scope;
    vq::VQPDFImageXObject a(stream, "A"), b(stream, "B");
    a.parseImage({});
    b.parseImage({});
    kept = a.cachedImagePath, dropped = b.cachedImagePath;
    ASSERT_TRUE(fs::exists(kept) && fs::exists(dropped));
    vq::VQPDFImageFileTracker::claim(kept);
  }
  EXPECT_TRUE(fs::exists(kept));
  EXPECT_FALSE(fs::exists(dropped));
  fs::remove(kept);
}

// Collects the images a page paints, has them decoded and claims their files.
class ImageCollector : public vq::VQPDFConentParserDelegate {
 public:
  void didScanXObjectImage(vq::VQPDFConentParser*, const std::shared_ptr<vq::VQPDFImageXObject>& image) override {
    vq::VQPDFImageFileTracker::claim(image->decodedImagePath());
    images.push_back(image);
  }
  std::vector<std::shared_ptr<vq::VQPDFImageXObject>> images;
};

TEST(ImageDecoder, InlineImagesResolveNamedColourSpaces) {
  VQPDFImageDecoder::install();
  vqtest::PdfFixture pdf;
  auto resources = pdf.object("<< /ColorSpace << /CS0 [/Indexed /DeviceRGB 1 <0000FFFF0000>] >> >>");
  const std::string content = std::string("q 2 0 0 1 0 0 cm BI /W 2 /H 1 /BPC 8 /CS /CS0 ID ") + '\0' + "\x01 EI Q";
  auto stream = std::make_shared<vq::pdf::ContentStream>(std::vector<std::string>{content}, resources);
  ImageCollector collector;
  vq::VQPDFConentParser parser(pdf.object("<< >>"), stream);
  parser.setDelegate(&collector);
  parser.startParser();
  ASSERT_EQ(collector.images.size(), 1u);
  const auto& image = collector.images[0];
  EXPECT_EQ(image->objectKey.rfind("EI-", 0), 0u);
  auto bitmap = vq::imageio::readImageFile(image->cachedImagePath);
  ASSERT_TRUE(bitmap);
  EXPECT_EQ(At(*bitmap, 0, 0), (Pixel{0, 0, 255, 255}));
  EXPECT_EQ(At(*bitmap, 1, 0), (Pixel{255, 0, 0, 255}));
  fs::remove(image->cachedImagePath);
}

TEST(ImageDecoder, EveryCorpusImageOpensAtItsPixelSize) {
  VQPDFImageDecoder::install();
  std::set<std::string> kinds;
  int checked = 0;
  for (const auto& file : vqtest::corpusFiles()) {
    if (file.filename().string().rfind("encrypted-", 0) == 0) continue;
    auto document = vq::pdf::Document::open(file.string(), "");
    ASSERT_TRUE(document) << file;
    for (int n = 1; n <= document->pageCount(); ++n) {
      auto page = document->page(n);
      ASSERT_TRUE(page);
      ImageCollector collector;
      std::vector<std::string> leftovers;
      {
        vq::VQPDFImageFileScope scope;
        auto parser = vq::VQPDFConentParser::ParserWithPage(*page);
        parser->setIsParserAnnots(0);
        parser->setDelegate(&collector);
        parser->startParser();
        leftovers = vq::VQPDFImageFileTracker::unclaimedFiles();
      }
      for (const auto& path : leftovers) EXPECT_FALSE(fs::exists(path)) << path;
      for (const auto& image : collector.images) {
        SCOPED_TRACE(file.filename().string() + " page " + std::to_string(n) + " " + image->objectKey);
        ASSERT_FALSE(image->cachedImagePath.empty());
        auto bitmap = vq::imageio::readImageFile(image->cachedImagePath);
        ASSERT_TRUE(bitmap);
        EXPECT_EQ(bitmap->width, image->width);
        EXPECT_EQ(bitmap->height, image->height);
        auto filter = image->xObjectDictionary.get("Filter");
        kinds.insert(filter.isArray() ? filter.at(filter.size() - 1).name().value_or("?")
                                      : filter.name().value_or("raw"));
        fs::remove(image->cachedImagePath);
        ++checked;
      }
    }
  }
  EXPECT_GT(checked, 0);
  for (const char* kind : {"DCTDecode", "CCITTFaxDecode", "FlateDecode"}) EXPECT_TRUE(kinds.count(kind)) << kind;
}

// Counts the decodings of the installed decoder while it lives.
struct CountingDecoder {
  CountingDecoder() : saved((VQPDFImageDecoder::install(), vq::VQPDFImageXObject::decoder())) {
    vq::VQPDFImageXObject::setDecoder([this](vq::VQPDFImageXObject& image, const vq::pdf::Object& colorSpaces) {
      ++decodes;
      saved(image, colorSpaces);
    });
  }
  ~CountingDecoder() { vq::VQPDFImageXObject::setDecoder(saved); }
  vq::VQPDFImageXObject::Decoder saved;
  int decodes = 0;
};

}  // namespace

// With decoding off, images placed by Do (on the page and inside a form) and
// inline images are still reported with their declared size, but nothing is
// decoded and no file appears; with the default, the same page decodes each
// image stream once: the form draws the page's image again from its file.
TEST(ImageDecoder, ParsersThatSkipImagesDecodeAndWriteNothing) {
  CountingDecoder counting;
  int& decodes = counting.decodes;

  vqtest::PdfFixture pdf;
  auto image = pdf.streamHandle(
      "<< /Type /XObject /Subtype /Image /Width 3 /Height 2 /BitsPerComponent 8 "
      "/ColorSpace /DeviceGray >>",
      "\x10\x20\x30\x40\x50\x60");
  auto formResources = pdf.handle("<< >>");
  formResources.replaceKey("/XObject", pdf.handle("<< >>"));
  formResources.getKey("/XObject").replaceKey("/Im2", image);
  auto form = pdf.streamHandle("<< /Type /XObject /Subtype /Form /BBox [0 0 10 10] >>", "/Im2 Do");
  form.getDict().replaceKey("/Resources", formResources);
  auto xobjects = pdf.handle("<< >>");
  xobjects.replaceKey("/Im1", image);
  xobjects.replaceKey("/Fm1", form);
  auto resources = pdf.handle("<< >>");
  resources.replaceKey("/XObject", xobjects);
  const std::string content = std::string("/Im1 Do /Fm1 Do BI /W 2 /H 1 /BPC 8 /CS /G ID ") + "\x01\x02" + " EI";
  const std::string root = VQPDFPathUtilities::temporaryRoot();

  for (bool decode : {false, true}) {
    SCOPED_TRACE(decode ? "decoding" : "not decoding");
    decodes = 0;
    const auto before = std::distance(fs::directory_iterator(root), {});
    ImageCollector collector;
    {
      vq::VQPDFImageFileScope scope;
      auto stream = std::make_shared<vq::pdf::ContentStream>(std::vector<std::string>{content}, pdf.wrap(resources));
      vq::VQPDFConentParser parser(pdf.object("<< >>"), stream);
      if (!decode) parser.setDecodeImages(false);
      EXPECT_EQ(parser.decodeImages(), decode);
      parser.setDelegate(&collector);
      parser.startParser();
    }
    ASSERT_EQ(collector.images.size(), 3u);
    const int sizes[][2] = {{3, 2}, {3, 2}, {2, 1}};
    for (size_t i = 0; i < 3; ++i) {
      const auto& img = *collector.images[i];
      EXPECT_EQ(img.width, sizes[i][0]);
      EXPECT_EQ(img.height, sizes[i][1]);
      EXPECT_EQ(img.cachedImagePath.empty(), !decode) << i;
      if (!img.cachedImagePath.empty()) fs::remove(img.cachedImagePath);
    }
    EXPECT_EQ(collector.images[0]->cachedImagePath, collector.images[1]->cachedImagePath);
    // The page's Im1 and the form's Im2 are one stream; the inline image
    // makes the second decoding.
    EXPECT_EQ(decodes, decode ? 2 : 0);
    EXPECT_EQ(std::distance(fs::directory_iterator(root), {}), before);
  }
}

// Images are decoded where they are drawn, not for naming them in the
// resources, and once per page however often a form draws them; a resource
// dictionary gives at most 2401 XObjects however many it names.
TEST(ImageDecoder, ImagesAreDecodedWhereDrawnOncePerPage) {
  CountingDecoder counting;
  int& decodes = counting.decodes;

  vqtest::PdfFixture pdf;
  auto xobjects = pdf.handle("<< >>");
  for (int i = 0; i < 3000; ++i) {
    auto image = pdf.streamHandle(
        "<< /Type /XObject /Subtype /Image /Width 1 /Height 1 /BitsPerComponent 8 /ColorSpace /DeviceGray >>", "\x40");
    xobjects.replaceKey(fmt::format("/Im{:04}", i), image);
  }
  EXPECT_EQ(vq::VQPDFXObjectCollection(pdf.wrap(xobjects)).xObjects.size(), 2401u);

  auto formResources = pdf.handle("<< >>");
  formResources.replaceKey("/XObject", xobjects);
  auto form = pdf.streamHandle("<< /Type /XObject /Subtype /Form /BBox [0 0 10 10] >>", "/Im0007 Do");
  form.getDict().replaceKey("/Resources", formResources);
  auto pageXObjects = pdf.handle("<< >>");
  pageXObjects.replaceKey("/Fm1", form);
  auto resources = pdf.handle("<< >>");
  resources.replaceKey("/XObject", pageXObjects);
  auto stream = std::make_shared<vq::pdf::ContentStream>(
      std::vector<std::string>{"/Fm1 Do /Fm1 Do /Fm1 Do /Fm1 Do /Fm1 Do"}, pdf.wrap(resources));
  ImageCollector collector;
  {
    vq::VQPDFImageFileScope scope;
    vq::VQPDFConentParser parser(pdf.object("<< >>"), stream);
    parser.setDelegate(&collector);
    parser.startParser();
  }
  ASSERT_EQ(collector.images.size(), 5u);
  EXPECT_EQ(decodes, 1);
  for (const auto& image : collector.images) EXPECT_EQ(image->cachedImagePath, collector.images[0]->cachedImagePath);
  EXPECT_TRUE(fs::exists(collector.images[0]->cachedImagePath));
  fs::remove(collector.images[0]->cachedImagePath);
}

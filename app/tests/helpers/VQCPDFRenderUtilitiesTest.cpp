#include <gtest/gtest.h>

#include <cmath>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QTemporaryDir>

#include <lcms2.h>

#include <QPainter>

#include "helpers/HelperPdfFixture.h"
#include "helpers/VQCPDFRenderUtilities.h"
#include "platform/imageio/VQImageIO.h"
#include "support/TestSupport.h"

using namespace vq::app;

namespace {

QString corpus(const char* name) { return QString::fromStdString(vqtest::corpusFile(name).string()); }

// A one-page PDF whose only image XObject /Im0 has the given dictionary
// entries and raw bytes.
QString writeImagePDF(const QTemporaryDir& dir, const QByteArray& entries, const QByteArray& data) {
  return vqtest::writeOnePagePDF(dir, "/XObject << /Im0 4 0 R >>",
                                 "4 0 obj << /Type /XObject /Subtype /Image " + entries + " /Length " +
                                     QByteArray::number(data.size()) + " >>\nstream\n" + data + "\nendstream endobj\n");
}

vq::pdf::Object imageStream(const std::shared_ptr<vq::pdf::Document>& document) {
  return document->page(1)->resources().get("XObject").get("Im0");
}

TEST(PDFRenderUtilities, FittingSizes) {
  struct Row {
    int scaling, alignment;
    QRectF expected;
  };
  const QRectF target(0, 0, 100, 100);
  const std::vector<Row> rows = {
      {0, 0, {0, 25, 100, 50}},   {0, 1, {0, 50, 100, 50}}, {0, 5, {0, 0, 100, 50}}, {1, 0, {0, 0, 100, 100}},
      {2, 0, {-50, 0, 200, 100}}, {2, 6, {0, 0, 200, 100}}, {0, 9, {0, 0, 100, 50}}, {7, 0, {50, 50, 0, 0}},
  };
  for (const Row& row : rows)
    EXPECT_EQ(VQCPDFRenderUtilities::fitSizeInRect({200, 100}, target, row.scaling, row.alignment), row.expected)
        << row.scaling << " " << row.alignment;
  const QTransform t = VQCPDFRenderUtilities::CGAffineTransformFromRect({10, 10, 100, 50}, {0, 0, 200, 200});
  EXPECT_EQ(t.map(QPointF(110, 60)), QPointF(200, 200));
  EXPECT_EQ(t.map(QPointF(10, 10)), QPointF(0, 0));
}

TEST(PDFRenderUtilitiesCorpus, PagesAt72DpiHaveThePageSize) {
  for (const char* name : {"minimal-jspdf.pdf", "text-distiller.pdf", "logo-cairo.pdf"}) {
    SCOPED_TRACE(name);
    const auto document = vq::pdf::Document::open(corpus(name).toStdString(), "");
    ASSERT_TRUE(document);
    const QRectF box = VQCPDFRenderUtilities::MediaBoxOfPDFPage(*document->page(1));
    const QImage image = VQCPDFRenderUtilities::capturePDFDocument(corpus(name), "", 1, 72, 72);
    // A partly covered last pixel is drawn too (logo-cairo is 170.079 pt).
    EXPECT_EQ(image.size(), QSize(int(std::ceil(box.width())), int(std::ceil(box.height()))));
  }
  EXPECT_TRUE(VQCPDFRenderUtilities::capturePDFDocument(corpus("encrypted-aes128-user.pdf"), "", 1, 72, 72).isNull());
  EXPECT_TRUE(VQCPDFRenderUtilities::capturePDFDocument("/no/such.pdf", "", 1, 72, 72).isNull());
  EXPECT_EQ(VQCPDFRenderUtilities::capturePDFDocument(corpus("minimal-jspdf.pdf"), "", 1, QSize(50, 50)).size(),
            QSize(50, 50));
}

TEST(PDFRenderUtilitiesCorpus, ExtractedImagesOpenAtTheirPixelSizes) {
  for (const char* name : {"annots-links-jpeg.pdf", "scan-ccitt-g4.pdf"}) {
    SCOPED_TRACE(name);
    QTemporaryDir dir;
    const auto document = vq::pdf::Document::open(corpus(name).toStdString(), "");
    ASSERT_TRUE(document);
    int written = 0;
    for (int n = 1; n <= document->pageCount(); ++n) {
      const auto page = document->page(n);
      const auto files = VQCPDFRenderUtilities::extractJPEGFromPDFPage(*page, 0.9, dir.path());
      if (!files) continue;
      QMap<QString, QSize> sizes;
      VQCPDFRenderUtilities::forEachImageXObject(page->resources(), [&](const std::string& key, const auto& stream) {
        const vq::pdf::Object dict = stream.streamDictionary();
        sizes[QString::fromStdString(key)] =
            QSize(int(dict.get("Width").number().value_or(0)), int(dict.get("Height").number().value_or(0)));
      });
      for (auto it = files->begin(); it != files->end(); ++it) {
        const QSize expected = sizes.value(it.value());
        const auto bitmap = vq::imageio::readImageFile(it.key().toStdString());
        ASSERT_TRUE(bitmap) << it.key().toStdString();
        EXPECT_EQ(QSize(bitmap->width, bitmap->height), expected);
        ++written;
      }
    }
    EXPECT_GT(written, 0);
  }
}

// Every image of every page that opens without a password: what is written
// opens as an image, under the extension it was written with.
TEST(PDFRenderUtilitiesCorpus, EveryWrittenImageOpens) {
  int written = 0;
  for (const auto& file : vqtest::corpusFiles()) {
    SCOPED_TRACE(file.filename().string());
    const auto document = vq::pdf::Document::open(file.string(), "");
    if (!document) continue;
    QTemporaryDir dir;
    for (int n = 1; n <= document->pageCount(); ++n) {
      const auto files = VQCPDFRenderUtilities::extractJPEGFromPDFPage(*document->page(n), 0.8, dir.path());
      if (!files) continue;
      for (auto it = files->begin(); it != files->end(); ++it) {
        QImageReader reader(it.key());
        const QByteArray expected = QFileInfo(it.key()).suffix() == "jpeg"  ? "jpeg"
                                    : QFileInfo(it.key()).suffix() == "jp2" ? "jp2"
                                                                            : "png";
        EXPECT_TRUE(vq::imageio::readImageFile(it.key().toStdString())) << it.key().toStdString();
        if (expected != "jp2") {
          EXPECT_EQ(reader.format(), expected) << it.key().toStdString();
        }
        ++written;
      }
    }
  }
  EXPECT_GT(written, 0);
}

QByteArray jpegBytes() {
  QImage image(2, 2, QImage::Format_RGB32);
  image.fill(Qt::red);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "JPEG");
  return bytes;
}

TEST(PDFRenderUtilities, RawImages) {
  struct Row {
    const char* name;
    QByteArray entries;
    QByteArray data;
    bool written;
    std::vector<QRgb> pixels;  // first row, when written
  };
  const std::vector<Row> rows = {
      {"rgb",
       "/Width 2 /Height 1 /BitsPerComponent 8 /ColorSpace /DeviceRGB",
       QByteArray("\xff\x00\x00\x00\x00\xff", 6),
       true,
       {qRgb(255, 0, 0), qRgb(0, 0, 255)}},
      {"unknown space 1 bit is grey",
       "/Width 8 /Height 1 /BitsPerComponent 1 /ColorSpace /Nope",
       QByteArray("\x0f", 1),
       true,
       {qRgb(0, 0, 0), qRgb(0, 0, 0), qRgb(0, 0, 0), qRgb(0, 0, 0), qRgb(255, 255, 255)}},
      {"short data refused",
       "/Width 4 /Height 4 /BitsPerComponent 8 /ColorSpace /DeviceGray",
       QByteArray(15, 'x'),
       false,
       {}},
      {"indexed high index clamped, short table padded",
       "/Width 2 /Height 1 /BitsPerComponent 8 /ColorSpace [/Indexed /DeviceRGB 300 <ff0000>]",
       QByteArray("\x00\xff", 2),
       true,
       {qRgb(255, 0, 0), qRgb(0, 0, 0)}},
      {"colour key compares raw samples",
       "/Width 3 /Height 1 /BitsPerComponent 8 /ColorSpace /DeviceGray /Mask [10 20]",
       QByteArray("\x05\x0f\x15", 3),
       true,
       {qRgba(5, 5, 5, 255), qRgba(15, 15, 15, 0), qRgba(21, 21, 21, 255)}},
      {"too many pixels",
       "/Width 100000 /Height 100000 /BitsPerComponent 8 /ColorSpace /DeviceGray",
       QByteArray(1, 'x'),
       false,
       {}},
      {"jpeg data under the jpeg 2000 filter is refused",
       "/Width 2 /Height 2 /BitsPerComponent 8 /ColorSpace /DeviceRGB /Filter /JPXDecode",
       jpegBytes(),
       false,
       {}},
      {"jpeg data under the jpeg filter is kept",
       "/Width 2 /Height 2 /BitsPerComponent 8 /ColorSpace /DeviceRGB "
       "/Filter /DCTDecode",
       jpegBytes(),
       true,
       {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    QTemporaryDir dir;
    const auto document = vq::pdf::Document::open(writeImagePDF(dir, row.entries, row.data).toStdString(), "");
    ASSERT_TRUE(document);
    const QString out = dir.filePath("out.png");
    ASSERT_EQ(VQCPDFRenderUtilities::extractPDFStream(imageStream(document), out, 0.9), row.written);
    if (!row.written) {
      EXPECT_FALSE(QFile::exists(out));
      continue;
    }
    const QImage image(out);
    ASSERT_FALSE(image.isNull());
    for (size_t x = 0; x < row.pixels.size(); ++x) EXPECT_EQ(image.pixel(int(x), 0), row.pixels[x]) << x;
  }
}

// "N 0 obj" of a stream with the given dictionary entries and bytes.
QByteArray streamObject(int number, const QByteArray& entries, const QByteArray& data) {
  return QByteArray::number(number) + " 0 obj << " + entries + " /Length " + QByteArray::number(data.size()) +
         " >>\nstream\n" + data + "\nendstream endobj\n";
}

QByteArray imageObject(int number, const QByteArray& entries, const QByteArray& data) {
  return streamObject(number, "/Type /XObject /Subtype /Image " + entries, data);
}

QByteArray encoded(const QImage& image, const char* format) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, format, 100);
  return bytes;
}

// Image /Im0 is object 4; further objects from 5 on.
struct MaskRow {
  const char* name;
  QByteArray image;  // entries and data of object 4, as imageObject gives
  QByteArray more;   // objects 5 and on
  QSize size;
  std::vector<int> alphas;  // first row
};

TEST(PDFRenderUtilities, MasksBecomeAlpha) {
  const QByteArray red2 = QByteArray("\xff\x00\x00\xff\x00\x00", 6);
  const std::vector<MaskRow> rows = {
      {"soft mask",
       imageObject(4, "/Width 2 /Height 1 /BitsPerComponent 8 /ColorSpace /DeviceRGB /SMask 5 0 R", red2),
       imageObject(5, "/Width 2 /Height 1 /BitsPerComponent 8 /ColorSpace /DeviceGray", QByteArray("\xff\x00", 2)),
       {2, 1},
       {255, 0}},
      {"soft mask with its own Decode",
       imageObject(4, "/Width 2 /Height 1 /BitsPerComponent 8 /ColorSpace /DeviceRGB /SMask 5 0 R", red2),
       imageObject(5, "/Width 2 /Height 1 /BitsPerComponent 8 /ColorSpace /DeviceGray /Decode [1 0]",
                   QByteArray("\xff\x00", 2)),
       {2, 1},
       {0, 255}},
      {"stencil mask paints where it is 0",
       imageObject(4, "/Width 8 /Height 1 /BitsPerComponent 8 /ColorSpace /DeviceGray /Mask 5 0 R",
                   QByteArray(8, '\x80')),
       imageObject(5, "/Width 8 /Height 1 /ImageMask true", QByteArray("\x0f", 1)),
       {8, 1},
       {255, 255, 255, 255, 0, 0, 0, 0}},
      {"stencil mask Decode [1 0] turns it round",
       imageObject(4, "/Width 8 /Height 1 /BitsPerComponent 8 /ColorSpace /DeviceGray /Mask 5 0 R",
                   QByteArray(8, '\x80')),
       imageObject(5, "/Width 8 /Height 1 /ImageMask true /Decode [1 0]", QByteArray("\x0f", 1)),
       {8, 1},
       {0, 0, 0, 0, 255, 255, 255, 255}},
      {"a larger mask enlarges the image",
       imageObject(4, "/Width 1 /Height 1 /BitsPerComponent 8 /ColorSpace /DeviceGray /SMask 5 0 R", "\x80"),
       imageObject(5, "/Width 4 /Height 2 /BitsPerComponent 8 /ColorSpace /DeviceGray",
                   QByteArray("\xff\xff\x00\x00\xff\xff\x00\x00", 8)),
       {4, 2},
       {255, 255, 0, 0}},
      {"a broken mask leaves the image whole",
       imageObject(4, "/Width 2 /Height 1 /BitsPerComponent 8 /ColorSpace /DeviceRGB /SMask 5 0 R", red2),
       imageObject(5, "/Width 2 /Height 9 /BitsPerComponent 8 /ColorSpace /DeviceGray", QByteArray("\xff", 1)),
       {2, 1},
       {255, 255}},
      {"jpeg with a soft mask",
       imageObject(4, "/Width 2 /Height 2 /BitsPerComponent 8 /ColorSpace /DeviceRGB /Filter /DCTDecode /SMask 5 0 R",
                   jpegBytes()),
       imageObject(5, "/Width 2 /Height 2 /BitsPerComponent 8 /ColorSpace /DeviceGray",
                   QByteArray("\x00\xff\x00\xff", 4)),
       {2, 2},
       {0, 255}},
  };
  for (const MaskRow& row : rows) {
    SCOPED_TRACE(row.name);
    QTemporaryDir dir;
    const auto document = vq::pdf::Document::open(
        vqtest::writeOnePagePDF(dir, "/XObject << /Im0 4 0 R >>", row.image + row.more).toStdString(), "");
    ASSERT_TRUE(document);
    EXPECT_EQ(VQCPDFRenderUtilities::extractedExtension(imageStream(document)), "png");
    const QString out = dir.filePath("out.png");
    ASSERT_TRUE(VQCPDFRenderUtilities::extractPDFStream(imageStream(document), out, 0.9));
    QImageReader reader(out);
    EXPECT_EQ(reader.format(), "png");
    const QImage image = reader.read();
    ASSERT_EQ(image.size(), row.size);
    for (size_t x = 0; x < row.alphas.size(); ++x) EXPECT_NEAR(qAlpha(image.pixel(int(x), 0)), row.alphas[x], 1) << x;
  }
}

TEST(PDFRenderUtilities, MatteColoursAreUnblended) {
  // Red at half coverage pre-blended with white is (255, 128, 128).
  QTemporaryDir dir;
  const QByteArray objects =
      imageObject(4, "/Width 1 /Height 1 /BitsPerComponent 8 /ColorSpace /DeviceRGB /SMask 5 0 R", "\xff\x80\x80") +
      imageObject(5, "/Width 1 /Height 1 /BitsPerComponent 8 /ColorSpace /DeviceGray /Matte [1 1 1]", "\x80");
  const auto document =
      vq::pdf::Document::open(vqtest::writeOnePagePDF(dir, "/XObject << /Im0 4 0 R >>", objects).toStdString(), "");
  ASSERT_TRUE(document);
  const QString out = dir.filePath("out.png");
  ASSERT_TRUE(VQCPDFRenderUtilities::extractPDFStream(imageStream(document), out, 0.9));
  const QRgb p = QImage(out).pixel(0, 0);
  EXPECT_NEAR(qRed(p), 255, 1);
  EXPECT_NEAR(qGreen(p), 0, 2);
  EXPECT_NEAR(qAlpha(p), 128, 1);
}

// The profile's bytes; the profile is closed.
QByteArray profileBytes(cmsHPROFILE profile) {
  cmsUInt32Number size = 0;
  cmsSaveProfileToMem(profile, nullptr, &size);
  QByteArray bytes(int(size), '\0');
  cmsSaveProfileToMem(profile, bytes.data(), &size);
  cmsCloseProfile(profile);
  return bytes;
}

QByteArray srgbProfile() { return profileBytes(cmsCreate_sRGBProfile()); }

TEST(PDFRenderUtilities, CalibratedAndICCColoursAreManaged) {
  struct Row {
    const char* name;
    QByteArray colorSpace;  // the image's /ColorSpace value; "/CS0" names the resources' entry
    QByteArray resources;   // the page's /ColorSpace dictionary body
    QByteArray more;        // objects from 5 on
    QByteArray data;
    int bpc;
    QRgb expected;
  };
  const std::vector<Row> rows = {
      // Gamma 1: half the light is sRGB's 188, not 128.
      {"CalGray", "[/CalGray << /WhitePoint [0.9505 1 1.089] >>]", "", "", "\x80", 8, qRgb(188, 188, 188)},
      {"CalRGB by a resource name", "/CS0",
       "/CS0 [/CalRGB << /WhitePoint [0.9505 1 1.089] /Gamma [2.2 2.2 2.2] "
       "/Matrix [0.4124 0.2126 0.0193 0.3576 0.7152 0.1192 0.1805 0.0722 0.9505] >>]",
       "", QByteArray("\xff\x00\x00", 3), 8, qRgb(255, 0, 0)},
      {"Lab white", "[/Lab << /WhitePoint [0.9505 1 1.089] >>]", "", "", QByteArray("\xff\x80\x80", 3), 8,
       qRgb(255, 255, 255)},
      {"Lab black", "[/Lab << /WhitePoint [0.9505 1 1.089] >>]", "", "", QByteArray("\x00\x80\x80", 3), 8,
       qRgb(0, 0, 0)},
      {"ICC sRGB is the identity", "[/ICCBased 5 0 R]", "", streamObject(5, "/N 3", srgbProfile()),
       QByteArray("\x20\x80\xe0", 3), 8, qRgb(0x20, 0x80, 0xe0)},
      {"indexed over Lab", "[/Indexed [/Lab << /WhitePoint [0.9505 1 1.089] >>] 1 <000000 ff8080>]", "", "",
       QByteArray("\x01", 1), 8, qRgb(255, 255, 255)},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    QTemporaryDir dir;
    const QByteArray objects =
        imageObject(
            4, "/Width 1 /Height 1 /BitsPerComponent " + QByteArray::number(row.bpc) + " /ColorSpace " + row.colorSpace,
            row.data) +
        row.more;
    const auto document = vq::pdf::Document::open(
        vqtest::writeOnePagePDF(dir, "/XObject << /Im0 4 0 R >> /ColorSpace << " + row.resources + " >>", objects)
            .toStdString(),
        "");
    ASSERT_TRUE(document);
    const auto files = VQCPDFRenderUtilities::extractJPEGFromPDFPage(*document->page(1), 0.9, dir.path());
    ASSERT_TRUE(files);
    ASSERT_EQ(files->size(), 1);
    const QRgb p = QImage(files->firstKey()).pixel(0, 0);
    EXPECT_NEAR(qRed(p), qRed(row.expected), 2);
    EXPECT_NEAR(qGreen(p), qGreen(row.expected), 2);
    EXPECT_NEAR(qBlue(p), qBlue(row.expected), 2);
  }
}

// One pixel of `data` in the colour space `colorSpace` (objects from 5 on in
// `more`), extracted and read back.
QRgb extractedPixel(const QByteArray& colorSpace, const QByteArray& more, const QByteArray& data) {
  QTemporaryDir dir;
  const QByteArray objects =
      imageObject(4, "/Width 1 /Height 1 /BitsPerComponent 8 /ColorSpace " + colorSpace, data) + more;
  const auto document =
      vq::pdf::Document::open(vqtest::writeOnePagePDF(dir, "/XObject << /Im0 4 0 R >>", objects).toStdString(), "");
  const QString out = dir.filePath("out.png");
  if (!document || !VQCPDFRenderUtilities::extractPDFStream(imageStream(document), out, 0.9)) return 0;
  return QImage(out).pixel(0, 0);
}

TEST(PDFRenderUtilities, ColorantsGoThroughTheirTintTransforms) {
  const QByteArray toRed = "<< /FunctionType 2 /Domain [0 1] /C0 [1 1 1] /C1 [1 0 0] /N 1 >>";
  struct Row {
    const char* name;
    QByteArray colorSpace, more, data;
    QRgb expected;
  };
  const std::vector<Row> rows = {
      {"separation full", "[/Separation /Spot /DeviceRGB " + toRed + "]", "", "\xff", qRgb(255, 0, 0)},
      {"separation none", "[/Separation /Spot /DeviceRGB " + toRed + "]", "", QByteArray(1, '\0'), qRgb(255, 255, 255)},
      {"deviceN through a calculator function", "[/DeviceN [/A /B] /DeviceGray 5 0 R]",
       streamObject(5, "/FunctionType 4 /Domain [0 1 0 1] /Range [0 1]", "{ exch pop }"), QByteArray("\x00\x40", 2),
       qRgb(0x40, 0x40, 0x40)},
      {"separation without a usable transform is ink", "[/Separation /Spot /DeviceRGB 7]", "", "\xc0",
       qRgb(0x3f, 0x3f, 0x3f)},
      {"the colorant None paints nothing", "[/Separation /None /DeviceRGB 7]", "", "\xc0", qRgb(255, 255, 255)},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const QRgb p = extractedPixel(row.colorSpace, row.more, row.data);
    ASSERT_NE(p, 0u);
    EXPECT_NEAR(qRed(p), qRed(row.expected), 1);
    EXPECT_NEAR(qGreen(p), qGreen(row.expected), 1);
    EXPECT_NEAR(qBlue(p), qBlue(row.expected), 1);
  }
}

// An RGB profile whose media white is not the connection space's: white
// stays white under the default intent and is kept tinted absolutely.
QByteArray profileWithMediaWhite(const cmsCIEXYZ& white) {
  cmsHPROFILE profile = cmsCreate_sRGBProfile();
  cmsWriteTag(profile, cmsSigMediaWhitePointTag, &white);
  return profileBytes(profile);
}

TEST(PDFRenderUtilities, RenderingIntentsReachTheColourTransform) {
  const QByteArray profile = streamObject(5, "/N 3", profileWithMediaWhite({0.9642, 1, 0.6}));
  const QRgb relative = extractedPixel("[/ICCBased 5 0 R]", profile, "\xff\xff\xff");
  EXPECT_GE(qBlue(relative), 253);
  const QRgb absolute = extractedPixel("[/ICCBased 5 0 R] /Intent /AbsoluteColorimetric", profile, "\xff\xff\xff");
  EXPECT_LT(qBlue(absolute), qBlue(relative) - 10);
}

TEST(PDFRenderUtilities, JpegDataIsKeptOnlyWhenItsColoursNeedNothing) {
  QImage redImage(4, 4, QImage::Format_RGB32);
  redImage.fill(Qt::red);
  const QByteArray jpeg = encoded(redImage, "JPEG");
  struct Row {
    const char* name;
    QByteArray entries;
    bool copied;
    QRgb expected;
  };
  const std::vector<Row> rows = {
      {"device RGB", "/ColorSpace /DeviceRGB", true, qRgb(255, 0, 0)},
      {"inverted by Decode", "/ColorSpace /DeviceRGB /Decode [1 0 1 0 1 0]", false, qRgb(0, 255, 255)},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    QTemporaryDir dir;
    const QByteArray objects =
        imageObject(4, "/Width 4 /Height 4 /BitsPerComponent 8 /Filter /DCTDecode " + row.entries, jpeg);
    const auto document =
        vq::pdf::Document::open(vqtest::writeOnePagePDF(dir, "/XObject << /Im0 4 0 R >>", objects).toStdString(), "");
    ASSERT_TRUE(document);
    EXPECT_EQ(VQCPDFRenderUtilities::extractedExtension(imageStream(document)), "jpeg");
    const QString out = dir.filePath("out.jpeg");
    ASSERT_TRUE(VQCPDFRenderUtilities::extractPDFStream(imageStream(document), out, 0.9));
    QFile file(out);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll() == jpeg, row.copied);
    const QRgb p = QImage(out).pixel(1, 1);
    EXPECT_NEAR(qRed(p), qRed(row.expected), 8);
    EXPECT_NEAR(qGreen(p), qGreen(row.expected), 8);
    EXPECT_NEAR(qBlue(p), qBlue(row.expected), 8);
  }
}

TEST(PDFRenderUtilities, MaskStreamsAsTemporaryFiles) {
  QTemporaryDir dir;
  const QByteArray objects = imageObject(4, "/Width 8 /Height 1 /ImageMask true", QByteArray("\x0f", 1)) +
                             imageObject(5, "/Width 1 /Height 1 /BitsPerComponent 8 /ColorSpace /DeviceGray", "\x40");
  const auto document = vq::pdf::Document::open(
      vqtest::writeOnePagePDF(dir, "/XObject << /Im0 4 0 R /Im1 5 0 R >>", objects).toStdString(), "");
  ASSERT_TRUE(document);
  const auto stencil = VQCPDFRenderUtilities::extractPDFMaskStream(imageStream(document));
  ASSERT_TRUE(stencil);
  const QImage mask(*stencil);
  QFile::remove(*stencil);
  ASSERT_EQ(mask.size(), QSize(8, 1));
  EXPECT_EQ(qGray(mask.pixel(0, 0)), 255);
  EXPECT_EQ(qGray(mask.pixel(7, 0)), 0);
  const auto soft =
      VQCPDFRenderUtilities::extractPDFMaskStream(document->page(1)->resources().get("XObject").get("Im1"));
  ASSERT_TRUE(soft);
  EXPECT_TRUE(soft->endsWith(".png"));
  EXPECT_EQ(qGray(QImage(*soft).pixel(0, 0)), 0x40);
  QFile::remove(*soft);
  EXPECT_FALSE(VQCPDFRenderUtilities::extractPDFMaskStream(vq::pdf::Object()));
  // The same stencil extracted as a picture: black where it paints.
  const QString picture = dir.filePath("stencil.png");
  ASSERT_TRUE(VQCPDFRenderUtilities::extractPDFStream(imageStream(document), picture, 1));
  EXPECT_EQ(qGray(QImage(picture).pixel(0, 0)), 0);
  EXPECT_EQ(qGray(QImage(picture).pixel(7, 0)), 255);
}

TEST(PDFRenderUtilities, MaskingBitmapsAndWritingThem) {
  QImage red(2, 2, QImage::Format_RGB32);
  red.fill(Qt::red);
  QImage mask(4, 2, QImage::Format_Grayscale8);
  mask.fill(0);
  QPainter(&mask).fillRect(0, 0, 2, 2, Qt::white);
  const QImage masked = VQCPDFRenderUtilities::maskCGImage(red, mask, QTransform());
  ASSERT_EQ(masked.size(), QSize(4, 2));
  EXPECT_EQ(masked.pixel(0, 0), qRgba(255, 0, 0, 255));
  EXPECT_EQ(qAlpha(masked.pixel(3, 1)), 0);
  EXPECT_TRUE(VQCPDFRenderUtilities::maskCGImage(QImage(), mask, QTransform()).isNull());
  // Under a transform moving everything right, the left column is outside both.
  const QImage moved = VQCPDFRenderUtilities::maskCGImage(red, mask, QTransform::fromTranslate(1, 0));
  EXPECT_EQ(qAlpha(moved.pixel(0, 0)), 0);
  EXPECT_EQ(qAlpha(moved.pixel(1, 0)), 255);

  QTemporaryDir dir;
  ASSERT_TRUE(VQCPDFRenderUtilities::saveCGImage(masked, dir.filePath("a.png"), 144, 144, "public.png", 1));
  const QImage written(dir.filePath("a.png"));
  EXPECT_EQ(written.pixel(0, 0), qRgba(255, 0, 0, 255));
  EXPECT_EQ(qAlpha(written.pixel(3, 0)), 0);
  EXPECT_NEAR(written.dotsPerMeterX(), 144 / 0.0254, 2);
  EXPECT_FALSE(VQCPDFRenderUtilities::saveCGImage(masked, dir.filePath("a.xyz"), 72, 72, "public.nothing", 1));
  EXPECT_FALSE(VQCPDFRenderUtilities::saveCGImage(QImage(), dir.filePath("b.png"), 72, 72, "png", 1));
  EXPECT_FALSE(VQCPDFRenderUtilities::saveCGImage(masked, dir.filePath("no/such/c.png"), 72, 72, "png", 1));

  EXPECT_FALSE(VQCPDFRenderUtilities::CreateARGBBitmapContextSize(0, 5));
  EXPECT_FALSE(VQCPDFRenderUtilities::CreateARGBBitmapContextSize(100000, 100000));
  const auto bitmap = VQCPDFRenderUtilities::CreateARGBBitmapContextFromImage(red);
  ASSERT_TRUE(bitmap);
  EXPECT_EQ(bitmap->size(), red.size());
  EXPECT_EQ(qAlpha(bitmap->pixel(0, 0)), 0);
  EXPECT_EQ(VQCPDFRenderUtilities::ConvertToARGBImageIfNeed(red).format(), QImage::Format_RGB32);
  const QImage indexed = red.convertToFormat(QImage::Format_Indexed8);
  const QImage converted = VQCPDFRenderUtilities::ConvertToARGBImageIfNeed(indexed);
  EXPECT_NE(converted.format(), QImage::Format_Indexed8);
  EXPECT_EQ(converted.pixel(1, 1), qRgb(255, 0, 0));
}

TEST(PDFRenderUtilities, IntegerPointsAndDescriptions) {
  EXPECT_EQ(VQCPDFRenderUtilities::integerPointString({-3, 12}), "-3,12");
  const std::vector<std::pair<const char*, std::optional<QPoint>>> rows = {
      {"-3,12", QPoint(-3, 12)}, {" 4 , 5", QPoint(4, 5)}, {"4;5", std::nullopt},
      {"x,1", std::nullopt},     {"", std::nullopt},       {"99999999999,1", std::nullopt},
  };
  for (const auto& [text, expected] : rows)
    EXPECT_EQ(VQCPDFRenderUtilities::integerPointFromString(text), expected) << text;
  EXPECT_EQ(VQCPDFRenderUtilities::rectDescription({1, 2, 3, 4.5}), "[1.000000, 2.000000, 3.000000, 4.500000]");
  EXPECT_EQ(VQCPDFRenderUtilities::sizeDescription({3, 4}), "[3.000000, 4.000000]");
  EXPECT_EQ(VQCPDFRenderUtilities::transformDescription(QTransform::fromTranslate(5, 6)),
            "[1.000000, 0.000000, 0.000000, 1.000000, 5.000000, 6.000000]");
}

QString writeImageFile(const QTemporaryDir& dir, const QString& name, const QImage& image) {
  const QString path = dir.filePath(name);
  image.save(path);
  return path;
}

TEST(PDFRenderUtilities, SizedCapturesPlaceAndCut) {
  QTemporaryDir dir;
  const QString pdf = vqtest::writeOnePagePDF(dir, "", "");  // a blank 100 by 100 page
  // Bottom left in a 200 by 100 bitmap: the page on the left, nothing beside it.
  const QImage placed = VQCPDFRenderUtilities::capturePDFDocument(pdf, "", 1, QSize(200, 100), 0, 6, false, true);
  ASSERT_EQ(placed.size(), QSize(200, 100));
  EXPECT_EQ(placed.pixel(50, 50), qRgb(255, 255, 255));
  EXPECT_EQ(qAlpha(placed.pixel(150, 50)), 0);
  const QImage right = VQCPDFRenderUtilities::capturePDFDocument(pdf, "", 1, QSize(200, 100), 0, 8, false, true);
  EXPECT_EQ(qAlpha(right.pixel(50, 50)), 0);
  EXPECT_EQ(right.pixel(150, 50), qRgb(255, 255, 255));
  EXPECT_EQ(VQCPDFRenderUtilities::capturePDFDocument(pdf, "", 1, QSize(200, 100), 0, 6, true, true).size(),
            QSize(100, 100));
  EXPECT_EQ(VQCPDFRenderUtilities::capturePDFDocument(pdf, "", 1, QSize(), 0, 0, false, true).size(), QSize(100, 100));
  EXPECT_TRUE(VQCPDFRenderUtilities::capturePDFDocument(pdf, "", 2, QSize(10, 10), 0, 0, false, true).isNull());
  EXPECT_TRUE(VQCPDFRenderUtilities::capturePDFDocument(pdf, "", 1, QSize(100000, 100000), 0, 0, false, true).isNull());

  QImage picture(40, 20, QImage::Format_RGB32);
  picture.fill(Qt::blue);
  const QString png = writeImageFile(dir, "p.png", picture);
  struct Row {
    const char* name;
    QSize size;
    double dpi;
    bool autoSize, crop;
    QSize expected;
  };
  const std::vector<Row> rows = {
      {"own size", {}, 72, false, false, {40, 20}},
      {"target", {100, 100}, 72, false, false, {100, 100}},
      {"target at 144 dpi", {100, 100}, 144, false, false, {200, 200}},
      {"cut to the image", {100, 100}, 72, false, true, {100, 50}},
      {"small image keeps its size", {100, 100}, 72, true, false, {40, 20}},
      {"wider than the target: fitted", {30, 100}, 72, true, false, {30, 100}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const QImage image = VQCPDFRenderUtilities::captureImageDocument(png, row.size, row.dpi, row.dpi, 0, 0,
                                                                     row.autoSize, row.crop, false);
    EXPECT_EQ(image.size(), row.expected);
  }
  const QImage centred =
      VQCPDFRenderUtilities::captureImageDocument(png, {100, 100}, 72, 72, 0, 0, false, false, false);
  EXPECT_EQ(qAlpha(centred.pixel(50, 10)), 0);
  EXPECT_EQ(centred.pixel(50, 50), qRgb(0, 0, 255));
  EXPECT_TRUE(
      VQCPDFRenderUtilities::captureImageDocument(dir.filePath("none.png"), {}, 72, 72, 0, 0, false, false, false)
          .isNull());
}

TEST(PDFRenderUtilities, ImagesIntoAPdfOnePageEach) {
  QTemporaryDir dir;
  QImage wide(30, 20, QImage::Format_RGB32), tall(10, 40, QImage::Format_RGB32), thin(1, 40, QImage::Format_RGB32);
  for (QImage* image : {&wide, &tall, &thin}) image->fill(Qt::green);
  const QStringList paths = {writeImageFile(dir, "a.png", wide), dir.filePath("missing.png"),
                             writeImageFile(dir, "thin.png", thin), writeImageFile(dir, "b.jpg", tall)};
  const QString out = dir.filePath("out.pdf");
  ASSERT_TRUE(VQCPDFRenderUtilities::PrintImageWithPaths(paths, out));
  const auto document = vq::pdf::Document::open(out.toStdString(), "");
  ASSERT_TRUE(document);
  ASSERT_EQ(document->pageCount(), 2);
  EXPECT_EQ(VQCPDFRenderUtilities::MediaBoxOfPDFPage(*document->page(1)).size(), QSizeF(30, 20));
  EXPECT_EQ(VQCPDFRenderUtilities::MediaBoxOfPDFPage(*document->page(2)).size(), QSizeF(10, 40));
  // No readable image: no file, rather than an empty document.
  const QString none = dir.filePath("none.pdf");
  EXPECT_FALSE(VQCPDFRenderUtilities::PrintImageWithPaths({dir.filePath("missing.png"), paths[2]}, none));
  EXPECT_FALSE(QFile::exists(none));
}

}  // namespace

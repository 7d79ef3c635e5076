#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QTemporaryDir>

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
    EXPECT_EQ(image.size(), QSize(int(box.width()), int(box.height())));
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

}  // namespace

// What the flow-text exporter asks of the interpreter: fonts built once per
// document and reused by its pages (never by another document), and no image
// decoded for text output.
#include <gtest/gtest.h>

#include <fmt/format.h>

#include <fstream>

#include "FlowTextTestSupport.h"
#include "flowtext/VQFlowTextPDFExporter.h"
#include "pdf/VQPDFXObject.h"
#include "platform/pdf/PdfDocument.h"
#include "support/TestSupport.h"

namespace {

using namespace ftest;

// Two pages showing "AB": page 1 with /F1 = object 5, page 2 with /F1 =
// object 6 and /F2 = object 5. `swapAB` makes object 5 draw A as B and B as A.
std::string TwoPagePdf(bool swapAB) {
  const std::string swapped =
      "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica "
      "/Encoding << /BaseEncoding /WinAnsiEncoding /Differences [65 /B /A] >> >>";
  const std::string plain = "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>";
  return vqtest::BuildPDF({
      "<< /Type /Catalog /Pages 2 0 R >>",
      "<< /Type /Pages /Kids [3 0 R 4 0 R] /Count 2 >>",
      "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Resources << /Font << /F1 5 0 R >> >> "
      "/Contents 7 0 R >>",
      "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Resources << /Font << /F1 6 0 R /F2 5 0 R >> >> "
      "/Contents 8 0 R >>",
      swapAB ? swapped : plain,
      plain,
      vqtest::PDFStream("BT /F1 12 Tf 72 700 Td (AB) Tj ET"),
      vqtest::PDFStream("BT /F1 12 Tf 72 700 Td (AB) Tj /F2 12 Tf 0 -40 Td (AB) Tj ET"),
  });
}

std::string WithoutSpace(const std::string& s) {
  std::string out;
  for (char ch : s)
    if (!std::isspace(static_cast<unsigned char>(ch))) out += ch;
  return out;
}

// Converts every page of `pdfPath` with `exporter` into `dest`.
std::string ConvertAll(vq::VQFlowTextPDFExporter& exporter, const std::filesystem::path& pdfPath,
                       const std::filesystem::path& dest) {
  auto document = vq::pdf::Document::open(pdfPath.string(), "");
  if (!document) return "<unreadable>";
  const int pages = document->pageCount();
  exporter.destDocType = "txt";
  exporter.destDocPath = dest.string();
  exporter.toTotalPages = pages;
  exporter.convertPDFBegin(dest.string(), document);
  for (int i = 1; i <= pages; ++i) {
    if (!exporter.convertPDFPage(document->page(i), i, pages)) return "<page failed>";
  }
  try {
    exporter.convertPDFEnd(document);
  } catch (const std::runtime_error& e) {
    return std::string("<ended: ") + e.what() + ">";
  }
  return vqtest::readFile(dest);
}

TEST(VQFlowTextResourceUse, FontsAreSharedByPagesButNotByDocuments) {
  vqtest::ScratchDir dir;
  const auto swapped = dir / "swapped.pdf", plain = dir / "plain.pdf";
  std::ofstream(swapped, std::ios::binary) << TwoPagePdf(true);
  std::ofstream(plain, std::ios::binary) << TwoPagePdf(false);
  // One exporter converts both documents, which number their fonts alike.
  vq::VQTextPDFExporter exporter;
  const struct {
    std::filesystem::path pdf;
    const char* text;
  } runs[] = {{swapped, "BAABBA"}, {plain, "ABABAB"}, {swapped, "BAABBA"}};
  for (const auto& run : runs) {
    SCOPED_TRACE(run.pdf.filename().string());
    EXPECT_EQ(WithoutSpace(ConvertAll(exporter, run.pdf, dir / "out.txt")), run.text);
  }
}

TEST(VQFlowTextResourceUseCorpus, TextOutputDecodesNoImage) {
  const auto saved = vq::VQPDFImageXObject::decoder();
  int decodes = 0;
  vq::VQPDFImageXObject::setDecoder([&](vq::VQPDFImageXObject& image, const vq::pdf::Object& colorSpaces) {
    ++decodes;
    if (saved) saved(image, colorSpaces);
  });
  struct Restore {
    vq::VQPDFImageXObject::Decoder decoder;
    ~Restore() { vq::VQPDFImageXObject::setDecoder(decoder); }
  } restore{saved};

  vqtest::ScratchDir dir;
  for (const char* name : {"scan-ccitt-g4.pdf", "annots-links-jpeg.pdf"}) {
    SCOPED_TRACE(name);
    vq::VQTextPDFExporter exporter;
    exporter.moreOptions.isParserAnnots = 1;
    const std::string text = ConvertAll(exporter, vqtest::corpusFile(name), dir / "out.txt");
    EXPECT_NE(text, "<unreadable>");
    EXPECT_NE(text, "<page failed>");
  }
  EXPECT_EQ(decodes, 0);
}

}  // namespace

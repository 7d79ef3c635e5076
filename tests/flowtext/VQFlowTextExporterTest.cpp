// The flow-text exporter over small hand-written PDFs: page geometry of
// offset, turned and oversized pages, and text set at a slight angle.
#include <gtest/gtest.h>

#include <fmt/format.h>

#include <fstream>

#include "FlowTextTestSupport.h"
#include "flowtext/VQFlowTextPDFExporter.h"
#include "platform/pdf/PdfDocument.h"
#include "support/TestSupport.h"

namespace {

using namespace ftest;

// A one-page PDF with Helvetica text; `content` is the page's content stream.
std::string OnePagePdf(const std::string& boxes, const std::string& content) {
  return vqtest::BuildPDF({
      "<< /Type /Catalog /Pages 2 0 R >>",
      "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
      "<< /Type /Page /Parent 2 0 R " + boxes + " /Resources << /Font << /F1 4 0 R >> >> /Contents 5 0 R >>",
      "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>",
      vqtest::PDFStream(content),
  });
}

struct PageCase {
  const char* name;
  std::string boxes;
  std::string content;
  std::string text;  // the plain-text output without white space
};

TEST(VQFlowTextPDFExporter, PagesKeepTheirTextOnThePage) {
  const std::string words =
      "BT /F1 12 Tf 1 0 0 1 {x} {y} Tm (Hello) Tj ET "
      "BT /F1 12 Tf 0.99939 -0.0349 0.0349 0.99939 {x} {y2} Tm (Tilted) Tj ET "
      "BT /F1 12 Tf 0.99939 0.0349 -0.0349 0.99939 {x} {y3} Tm (Lifted) Tj ET "
      "BT /F1 12 Tf -1 0 0 1 {x2} {y4} Tm (Mirror) Tj ET";
  auto content = [&](double x, double y) {
    return fmt::format(fmt::runtime(words), fmt::arg("x", x), fmt::arg("y", y), fmt::arg("y2", y - 40),
                       fmt::arg("y3", y - 80), fmt::arg("x2", x + 100), fmt::arg("y4", y - 120));
  };
  const PageCase cases[] = {
      {"plain", "/MediaBox [0 0 612 792]", content(72, 700), "HelloTiltedLiftedMirror"},
      {"negative crop origin", "/MediaBox [-300 -400 300 400] /CropBox [-300 -400 300 400]", content(-250, 300),
       "HelloTiltedLiftedMirror"},
      {"offset crop", "/MediaBox [0 0 1000 1000] /CropBox [200 300 600 900]", content(250, 850),
       "HelloTiltedLiftedMirror"},
      // Text turned against the page's /Rotate reads upright on screen.
      {"rotate 90", "/MediaBox [0 0 612 792] /Rotate 90", "BT /F1 12 Tf 0 1 -1 0 300 100 Tm (Upright) Tj ET",
       "Upright"},
      {"rotate 180", "/MediaBox [0 0 612 792] /Rotate 180", "BT /F1 12 Tf -1 0 0 -1 300 100 Tm (Upright) Tj ET",
       "Upright"},
      {"rotate 270 offset", "/MediaBox [-50 -50 562 742] /Rotate 270",
       "BT /F1 12 Tf 0 -1 1 0 300 600 Tm (Upright) Tj ET", "Upright"},
      {"oversized", "/MediaBox [0 0 3000 4000]", content(100, 3800), "HelloTiltedLiftedMirror"},
  };
  vqtest::ScratchDir dir;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto pdfPath = dir / "page.pdf";
    std::ofstream(pdfPath, std::ios::binary) << OnePagePdf(c.boxes, c.content);
    auto document = vq::pdf::Document::open(pdfPath.string(), "");
    ASSERT_TRUE(document);
    auto exporter = std::make_shared<vq::VQTextPDFExporter>();
    exporter->destDocType = "txt";
    const auto dest = dir / "page.txt";
    exporter->destDocPath = dest.string();
    exporter->toTotalPages = 1;
    exporter->convertPDFBegin(dest.string(), document);
    ASSERT_TRUE(exporter->convertPDFPage(document->page(1), 1, 1));
    const auto& setup = exporter->pageParser()->currentPageSetup();
    for (const auto& run : exporter->papyrant()->currentPage().allRunTextArray) {
      SCOPED_TRACE(run.runText);
      const auto p = run.ctmInfo.bottomLeft;
      EXPECT_GE(p.x, -1);
      EXPECT_GE(p.y, -1);
      EXPECT_LE(p.x, setup.cropBox.size.width + 1);
      EXPECT_LE(p.y, setup.cropBox.size.height + 1);
    }
    exporter->convertPDFEnd(document);
    std::string text;
    for (char ch : vqtest::readFile(dest))
      if (!std::isspace(static_cast<unsigned char>(ch))) text += ch;
    EXPECT_EQ(text, c.text);
  }
}

}  // namespace

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <cstdlib>
#include <map>

#include "helpers/HelperPdfFixture.h"
#include "helpers/VQPMPPrintUtilities.h"
#include "support/TestSupport.h"

using namespace vq::app;

namespace {

std::map<std::string, std::string> asMap(const VQPrintOptions& options) {
  return std::map<std::string, std::string>(options.begin(), options.end());
}

TEST(PrintUtilities, MimeTypes) {
  const std::vector<std::pair<const char*, const char*>> rows = {
      {"TXT", "text/plain"},  {"rtf", "text/rtf"},        {"jpg", "image/jpeg"},
      {"JPEG", "image/jpeg"}, {"pdf", "application/pdf"}, {"ps", "application/postscript"},
      {"urf", "image/urf"},   {"doc", nullptr},           {"", nullptr},
  };
  for (const auto& [ext, mime] : rows) {
    SCOPED_TRACE(ext);
    const auto found = VQPMPPrintUtilities::MimeTypeForExtension(ext);
    ASSERT_EQ(found.has_value(), mime != nullptr);
    if (mime) {
      EXPECT_EQ(*found, mime);
    }
  }
}

TEST(PrintUtilities, MatchingPapersTruncateToWholePoints) {
  const QList<VQPrintPaper> papers = {
      {"na_letter", "na_letter", 612.4, 792.9, {18, 18, 18, 18}},
      {"iso_a4", "iso_a4", 595.3, 841.9, {12.5, 12, 12, 12}},
  };
  struct Row {
    double width, height;
    VQPrintMargins margins;
    bool skip;
    const char* expected;
  };
  const std::vector<Row> rows = {
      {595.9, 841.2, {12, 12, 12, 12}, false, "iso_a4"},
      {595, 841, {0, 0, 0, 0}, false, nullptr},
      {595, 841, {0, 0, 0, 0}, true, "iso_a4"},
      {612, 792, {18.7, 18, 18, 18}, false, "na_letter"},
      {100, 100, {}, true, nullptr},
  };
  for (const Row& row : rows) {
    const auto found =
        VQPMPPrintUtilities::FindMatchPaper(papers, "ignored", row.margins, row.height, row.width, row.skip);
    ASSERT_EQ(found.has_value(), row.expected != nullptr) << row.width;
    if (row.expected) {
      EXPECT_EQ(found->paperID, row.expected);
    }
  }
}

TEST(PrintUtilities, OptionsOfAColourJobOnAKnownPaper) {
  VQPrintJobSettings s;
  s.collate = true;
  s.copies = 3;
  s.duplexSetting = "two-sided-long-edge";
  s.first = 2;
  s.last = 5;
  s.quality = "5";
  s.resolutionP = 600;
  s.mediaType = "photographic-glossy";
  s.mediaSource = "main";
  s.orientation = 4;
  VQPrintPaper a4{"iso_a4", "iso_a4_210x297mm", 595, 842, {}};
  const auto o = asMap(VQPMPPrintUtilities::printOptions(s, a4));
  const std::map<std::string, std::string> expected = {
      {"collate", "true"},
      {"copies", "3"},
      {"sides", "two-sided-long-edge"},
      {"page-ranges", "2-5"},
      {"print-quality", "5"},
      {"fit-to-page", "false"},
      {"ColorModel", "RGB"},
      {"print-color-mode", "color"},
      {"output-mode", "color"},
      {"printer-resolution", "600dpi"},
      {"MediaType", "photographic-glossy"},
      {"InputSlot", "main"},
      {"media", "iso_a4_210x297mm"},
      {"orientation-requested", "4"},
  };
  EXPECT_EQ(o, expected);
}

TEST(PrintUtilities, OptionsOfAGrayJobOnACustomPaper) {
  VQPrintJobSettings s;
  s.colormode = false;
  s.fitToPage = true;
  s.resolutionP = 1;
  s.minPage = 1;
  s.maxPage = 4;
  s.width = 300.7;
  s.height = 400;
  s.margins = {10, 11, 12, 13};
  const auto o = asMap(VQPMPPrintUtilities::printOptions(s, std::nullopt));
  EXPECT_EQ(o.at("ColorModel"), "Gray");
  EXPECT_EQ(o.at("print-color-mode"), "monochrome");
  EXPECT_EQ(o.at("fit-to-page"), "true");
  EXPECT_EQ(o.at("page-ranges"), "1-4");
  EXPECT_EQ(o.at("media"), "Custom.301x400");
  EXPECT_EQ(o.at("page-left"), "11");
  EXPECT_EQ(o.count("printer-resolution"), 0u);
  EXPECT_EQ(o.count("MediaType"), 0u);
  EXPECT_EQ(o.count("sides"), 0u);
}

// With no server to ask, lists are empty and queries fail with their reasons.
TEST(PrintUtilities, WithoutAServer) {
  QTemporaryDir dir;
  setenv("CUPS_SERVER", dir.filePath("no-cups.sock").toUtf8().constData(), 1);
  EXPECT_TRUE(VQPMPPrintUtilities::GetMacConnectedPrinters().isEmpty());
  EXPECT_FALSE(VQPMPPrintUtilities::PrinterInfo());
  EXPECT_FALSE(VQPMPPrintUtilities::IsPrinterExist("Nowhere"));
  VQPrintError error;
  EXPECT_FALSE(VQPMPPrintUtilities::GetPrinterState("Nowhere", &error).has_value());
  EXPECT_EQ(error.reason, "PMPrinterCopyState returned error  ");
  EXPECT_EQ(error.code, 400);
  EXPECT_FALSE(VQPMPPrintUtilities::GetPrinterPPD("Nowhere", &error).has_value());
  EXPECT_EQ(error.reason, "PMPrinterCreateFromPrinterID returned error  ");
  EXPECT_FALSE(VQPMPPrintUtilities::GetAllPaperSizes("Nowhere", &error).has_value());
  EXPECT_FALSE(VQPMPPrintUtilities::SendToPrinter("Nowhere", {}, dir.filePath("a.pdf"), &error).has_value());
  EXPECT_EQ(error.reason, "Can't find this printer");
  EXPECT_FALSE(VQPMPPrintUtilities::PrintToPDFFile(dir.filePath("a.pdf"), "Nowhere"));
  EXPECT_FALSE(VQPMPPrintUtilities::PrintToPDFFile(vqtest::writeOnePagePDF(dir, "", ""), "Nowhere"));
  EXPECT_FALSE(VQPMPPrintUtilities::QuickPrintTest("Nowhere", &error).has_value());
  EXPECT_EQ(error.reason, "Can't find this printer");
  VQPMPPrintUtilities::PrintfPMPreset();
  unsetenv("CUPS_SERVER");
}

// A PDF goes with the range of all its pages; what does not open as a PDF
// is not sent at all.
TEST(PrintUtilities, PdfFilesGoWithAllTheirPages) {
  QTemporaryDir dir;
  const auto options = VQPMPPrintUtilities::pdfFileOptions(vqtest::writeOnePagePDF(dir, "", ""));
  ASSERT_TRUE(options);
  EXPECT_EQ(asMap(*options),
            (std::map<std::string, std::string>{{"document-format", "application/pdf"}, {"page-ranges", "1-1"}}));
  QFile three(dir.filePath("three.pdf"));
  ASSERT_TRUE(three.open(QIODevice::WriteOnly));
  three.write(QByteArray::fromStdString(vqtest::BuildPDF(
      {"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R 4 0 R 5 0 R] /Count 3 >>",
       "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 10 10] >>", "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 10 10] >>",
       "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 10 10] >>"})));
  three.close();
  EXPECT_EQ(asMap(VQPMPPrintUtilities::pdfFileOptions(three.fileName()).value_or(VQPrintOptions())).at("page-ranges"),
            "1-3");
  QFile text(dir.filePath("notes.pdf"));
  ASSERT_TRUE(text.open(QIODevice::WriteOnly));
  text.write("not a pdf");
  text.close();
  EXPECT_FALSE(VQPMPPrintUtilities::pdfFileOptions(text.fileName()));
  EXPECT_FALSE(VQPMPPrintUtilities::pdfFileOptions(dir.filePath("missing.pdf")));
  EXPECT_FALSE(VQPMPPrintUtilities::pdfFileOptions(dir.path()));
}

}  // namespace

// Whole conversions: a workbook of several pages converted on several
// threads, checked with unzip, xmllint and LibreOffice; CSV folders; every
// corpus file.
#include <gtest/gtest.h>

#include <fmt/format.h>

#include <chrono>

#include "XlsxTestSupport.h"
#include "front/VQPapyrantMutliThread.h"
#include "platform/dispatch/VQMainQueue.h"
#include "platform/pdf/PdfDocument.h"
#include "support/TestSupport.h"
#include "xlsx/VQExcelPDFExporter.h"

namespace {

namespace fs = std::filesystem;

std::string Quoted(const fs::path& p) { return "'" + p.string() + "'"; }

// A PDF whose page n holds a small table: a heading and rows of a name and an amount.
std::string TablePdf(int pages) {
  std::vector<std::string> objects = {"<< /Type /Catalog /Pages 2 0 R >>", ""};
  std::string kids;
  for (int n = 1; n <= pages; ++n) {
    const int page = static_cast<int>(objects.size()) + 1;
    kids += fmt::format("{} 0 R ", page);
    std::string content = fmt::format("BT /F1 14 Tf 72 720 Td (Report page {} <&>) Tj ET ", n);
    for (int row = 0; row < 5; ++row)
      content += fmt::format("BT /F1 11 Tf 72 {} Td (Item {}) Tj 200 0 Td ({}.50) Tj ET ", 680 - row * 20, row + 1,
                             (row + 1) * 100 * n);
    objects.push_back(
        fmt::format("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Resources << /Font << /F1 {} 0 R >> >> "
                    "/Contents {} 0 R >>",
                    page + 1, page + 2));
    objects.push_back("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>");
    objects.push_back(vqtest::PDFStream(content));
  }
  objects[1] = fmt::format("<< /Type /Pages /Kids [{}] /Count {} >>", kids, pages);
  return vqtest::BuildPDF(objects);
}

class EndRecorder : public vq::VQPapyrantMutliThreadDelegate {
 public:
  bool ended = false;
  std::optional<vq::VQError> error;
  void didEndConversion(vq::VQPapyrantMutliThread*, const std::optional<vq::VQError>& e) override {
    ended = true;
    error = e;
  }
};

// Converts through the page-parallel front with our exporter.
bool ConvertParallel(const fs::path& pdf, const std::vector<uint64_t>& pages, const std::string& type,
                     const fs::path& dest, vq::VQPDFOptions options, std::optional<vq::VQError>* error) {
  vq::MainQueue::shared().bindToCurrentThread();
  vq::VQPapyrantMutliThread front;
  EndRecorder recorder;
  front.setDelegate(&recorder);
  front.setExporterFactory([](const std::string& t, const std::string& path, const vq::VQPDFOptions& o) {
    return vq::VQExcelNewExporter(t, path, o);
  });
  options.threadMax = 4;
  front.convertPDFAtPath(pdf.string(), "", pages, type, dest.string(), options);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
  vq::MainQueue::shared().drainUntil([&] { return recorder.ended || std::chrono::steady_clock::now() > deadline; });
  *error = recorder.error;
  return recorder.ended;
}

TEST(VQExcelPackageEndToEnd, SeveralPagesFromSeveralThreads) {
  vqtest::ScratchDir dir;
  const fs::path pdf = dir / "table.pdf";
  std::ofstream(pdf, std::ios::binary) << TablePdf(6);
  for (bool allInOne : {false, true}) {
    SCOPED_TRACE(allInOne ? "all in one sheet" : "a sheet per page");
    const fs::path dest = dir / (allInOne ? "all.xlsx" : "pages.xlsx");
    vq::VQPDFOptions options;
    options.excelOptions.allInOneSheet = allInOne;
    std::optional<vq::VQError> error;
    ASSERT_TRUE(ConvertParallel(pdf, {1, 2, 3, 4, 5, 6}, "xlsx", dest, options, &error));
    ASSERT_FALSE(error) << error->description();
    ASSERT_TRUE(fs::is_regular_file(dest));
    ASSERT_EQ(vqtest::runCommand("unzip -tq " + Quoted(dest) + " > /dev/null"), 0);
    const fs::path parts = dir / (dest.filename().string() + ".parts");
    ASSERT_EQ(vqtest::runCommand("unzip -q " + Quoted(dest) + " -d " + Quoted(parts)), 0);
    const size_t sheets = allInOne ? 1 : 6;
    size_t xmlParts = 0, sheetParts = 0;
    for (const auto& e : fs::recursive_directory_iterator(parts)) {
      if (!e.is_regular_file()) continue;
      ++xmlParts;
      if (e.path().parent_path().filename() == "worksheets") ++sheetParts;
      EXPECT_EQ(vqtest::runCommand("xmllint --noout " + Quoted(e.path())), 0) << e.path();
    }
    EXPECT_EQ(sheetParts, sheets);
    EXPECT_GE(xmlParts, 8 + sheets);
    // Each page's cells point at their own texts: page n's heading is the
    // string its first cell names.
    const std::string sst = vqtest::readFile(parts / "xl/sharedStrings.xml");
    for (int n = 1; n <= 6; ++n) EXPECT_NE(sst.find(fmt::format("Report page {} &lt;&amp;&gt;", n)), std::string::npos);
    const std::string workbook = vqtest::readFile(parts / "xl/workbook.xml");
    EXPECT_NE(
        workbook.find(fmt::format("<sheet name=\"Sheet {}\" sheetId=\"{}\" r:id=\"rId{}\"/>", sheets, sheets, sheets)),
        std::string::npos);
    const std::string core = vqtest::readFile(parts / "docProps/core.xml");
    auto text = [](const std::string& e) { return e.substr(e.find('>') + 1, e.find("</") - e.find('>') - 1); };
    const std::string created = text(xtest::Element(core, "dcterms:created"));
    EXPECT_EQ(created, text(xtest::Element(core, "dcterms:modified")));
    EXPECT_EQ(created.size(), 20u);
    EXPECT_EQ(created.back(), 'Z');

    if (vqtest::runCommand("command -v soffice > /dev/null") != 0) continue;
    const fs::path home = dir / "home", out = dir / (dest.stem().string() + "-lo");
    fs::create_directories(home);
    std::string log;
    vqtest::runCommand("HOME=" + Quoted(home) + " timeout 180 soffice --headless --convert-to csv --outdir " +
                           Quoted(out) + " " + Quoted(dest) + " 2>&1",
                       &log);
    const std::string csv = vqtest::readFile(out / (dest.stem().string() + ".csv"));
    // LibreOffice exits 0 even when it fails: the text proves it read the workbook.
    EXPECT_NE(csv.find("Report page 1 <&>"), std::string::npos) << csv << log;
    EXPECT_NE(csv.find("Item 5"), std::string::npos) << csv;
    if (allInOne) {
      // Pages finish in any order on their threads but land in page order.
      for (int n = 1; n < 6; ++n)
        EXPECT_LT(csv.find(fmt::format("Report page {} ", n)), csv.find(fmt::format("Report page {} ", n + 1)));
    }
  }
}

TEST(VQExcelPackage, CsvConversionAndFailures) {
  vqtest::ScratchDir dir;
  const fs::path pdf = dir / "table.pdf";
  std::ofstream(pdf, std::ios::binary) << TablePdf(3);
  std::optional<vq::VQError> error;
  const fs::path dest = dir / "tables.csv";
  ASSERT_TRUE(ConvertParallel(pdf, {1, 2, 3}, "csv", dest, {}, &error));
  ASSERT_FALSE(error) << error->description();
  for (int n = 1; n <= 3; ++n) EXPECT_TRUE(fs::is_regular_file(dest / fmt::format("Table {}.csv", n)));

  // A destination in a folder that does not exist: an error, and no file.
  const fs::path bad = dir / "missing" / "out.xlsx";
  ASSERT_TRUE(ConvertParallel(pdf, {1, 2}, "xlsx", bad, {}, &error));
  EXPECT_TRUE(error);
  EXPECT_FALSE(fs::exists(bad));
}

TEST(VQExcelPackage, RequestedTypeDecidesTheFormat) {
  struct Case {
    const char* type;
    const char* dest;
    bool workbook;  // else a folder of tables
  };
  const Case cases[] = {{"xlsx", "out.XLSX", true},
                        {"xlsx", "out", true},
                        {"xlsx", "out.csv", true},
                        {"csv", "x.xlsx", false},
                        {"csv", "tables", false}};
  vqtest::ScratchDir dir;
  const fs::path pdf = dir / "table.pdf";
  std::ofstream(pdf, std::ios::binary) << TablePdf(2);
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.type) + " to " + c.dest);
    const fs::path dest = dir / c.type / c.dest;
    fs::create_directories(dest.parent_path());
    std::optional<vq::VQError> error;
    ASSERT_TRUE(ConvertParallel(pdf, {1, 2}, c.type, dest, {}, &error));
    ASSERT_FALSE(error) << error->description();
    if (c.workbook) {
      ASSERT_TRUE(fs::is_regular_file(dest));
      EXPECT_EQ(vqtest::runCommand("unzip -tq " + Quoted(dest) + " >/dev/null"), 0);
      EXPECT_EQ(vqtest::runCommand("unzip -l " + Quoted(dest) + " | grep -q xl/worksheets/sheet2.xml"), 0);
    } else {
      ASSERT_TRUE(fs::is_directory(dest));
      EXPECT_TRUE(fs::is_regular_file(dest / "Table 1.csv"));
      EXPECT_TRUE(fs::is_regular_file(dest / "Table 2.csv"));
      EXPECT_FALSE(fs::exists(dest / "xl"));
    }
  }
}

// Pages without text still give their tables, empty ones.
TEST(VQExcelPackage, CsvOfPagesWithoutText) {
  vqtest::ScratchDir dir;
  const fs::path pdf = dir / "blank.pdf";
  std::ofstream(pdf, std::ios::binary) << vqtest::BuildPDF({
      "<< /Type /Catalog /Pages 2 0 R >>",
      "<< /Type /Pages /Kids [3 0 R 4 0 R] /Count 2 >>",
      "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 5 0 R >>",
      "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 5 0 R >>",
      vqtest::PDFStream("0 0 m 100 100 l S"),
  });
  std::optional<vq::VQError> error;
  const fs::path dest = dir / "tables";
  ASSERT_TRUE(ConvertParallel(pdf, {1, 2}, "csv", dest, {}, &error));
  ASSERT_FALSE(error) << error->description();
  for (int n = 1; n <= 2; ++n) {
    const fs::path table = dest / fmt::format("Table {}.csv", n);
    ASSERT_TRUE(fs::is_regular_file(table));
    EXPECT_EQ(vqtest::readFile(table), "\xFF\xFE");  // the byte-order mark alone
  }
}

TEST(VQExcelPackageEndToEnd, CleanAndMissingPagesLeaveNoWorkFolder) {
  vqtest::ScratchDir dir;
  const fs::path pdf = dir / "table.pdf";
  std::ofstream(pdf, std::ios::binary) << TablePdf(2);
  auto document = vq::pdf::Document::open(pdf.string(), "");
  ASSERT_TRUE(document);
  for (bool cancel : {true, false}) {
    vq::VQExcelPDFExporter exporter;
    exporter.destDocType = "xlsx";
    exporter.toTotalPages = 2;
    const fs::path dest = dir / "cleaned.xlsx";
    exporter.convertPDFBegin(dest.string(), document);
    const std::string work = exporter.documentHandle()->savedWorkFolder();
    EXPECT_EQ(exporter.numFinishedPages(), 0);
    ASSERT_TRUE(exporter.convertPDFPage(document->page(2), 2, 2));
    EXPECT_FALSE(exporter.convertPDFPage(std::nullopt, 1, 2));
    exporter.skipPDFPage(1, 2);
    EXPECT_EQ(exporter.numFinishedPages(), 1);
    EXPECT_TRUE(exporter.writePagesInOrderIfReadyTemp());
    if (cancel) {
      exporter.convertPDFClean();
      EXPECT_FALSE(fs::exists(dest));
    } else {
      // The page that never came is an empty sheet, so the workbook stays whole.
      exporter.convertPDFEnd(document);
      EXPECT_EQ(vqtest::runCommand("unzip -p " + Quoted(dest) + " xl/worksheets/sheet1.xml | xmllint --noout -"), 0);
    }
    EXPECT_FALSE(fs::exists(work));
  }
}

TEST(VQExcelPackage, EveryCorpusFileConverts) {
  vqtest::ScratchDir dir;
  for (const auto& pdf : vqtest::corpusFiles()) {
    const std::string name = pdf.filename().string();
    if (name.rfind("encrypted-", 0) == 0) continue;
    SCOPED_TRACE(name);
    auto document = vq::pdf::Document::open(pdf.string(), "");
    if (!document) continue;
    const int pages = std::min(document->pageCount(), 20);
    for (const char* type : {"xlsx", "csv"}) {
      vq::VQExcelPDFExporter exporter;
      exporter.destDocType = type;
      exporter.toTotalPages = static_cast<uint64_t>(pages);
      const fs::path dest = dir / (name + "." + type);
      exporter.convertPDFBegin(dest.string(), document);
      for (int p = 1; p <= pages; ++p) exporter.convertPDFPage(document->page(p), p, pages);
      exporter.writePagesInOrderIfReadyTemp();
      ASSERT_NO_THROW(exporter.convertPDFEnd(document));
      if (std::string(type) == "xlsx") {
        EXPECT_EQ(vqtest::runCommand("unzip -tq " + Quoted(dest) + " > /dev/null"), 0);
        EXPECT_EQ(vqtest::runCommand("unzip -p " + Quoted(dest) + " xl/worksheets/sheet1.xml | xmllint --noout -"), 0);
      } else {
        EXPECT_TRUE(fs::is_directory(dest));
      }
    }
  }
}

}  // namespace

#include "docx/VQDocxPDFExporter.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "office/docx/DocxTestSupport.h"
#include "office/docx/VQDocxDocument.h"
#include "office/docx/VQDocxManager.h"

namespace fs = std::filesystem;
using vq::VQDocxPDFExporter;

namespace {

std::shared_ptr<const vq::pdf::Document> openCorpus(const std::string& name) {
  return vq::pdf::Document::open(vqtest::corpusFile(name).string(), "");
}

std::string mainPartOf(const fs::path& docx) {
  std::string out;
  vqtest::runCommand("unzip -p " + vqtest::quoted(docx) + " word/document.xml", &out);
  return out;
}

}  // namespace

// Pages run on eight threads as the page-parallel front runs them; a place
// whose page is refused is skipped, as the fronts do, and the pages after it
// still arrive.
TEST(VQDocxPDFExporterCorpus, ParallelPagesWithARefusedPlace) {
  auto document = openCorpus("text-distiller.pdf");
  ASSERT_TRUE(document);
  vqtest::ScratchDir dir;
  const fs::path dest = dir / "text.docx";
  auto exporter = std::dynamic_pointer_cast<VQDocxPDFExporter>(vq::VQDocxNewExporter("docx", dest.string(), {}));
  ASSERT_TRUE(exporter);
  constexpr int kPlaces = 12, kRefused = 5;
  exporter->toTotalPages = kPlaces;
  exporter->convertPDFBegin(dest.string(), document);
  EXPECT_EQ(exporter->numFinishedPages(), 0);

  std::atomic<int> next{1};
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([&] {
      for (int place; (place = next++) <= kPlaces;) {
        std::optional<vq::pdf::Page> page;
        if (place != kRefused) page = document->page((place - 1) % document->pageCount() + 1);
        if (!exporter->convertPDFPage(page, place, kPlaces)) exporter->skipPDFPage(place, kPlaces);
      }
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_TRUE(exporter->writePagesInOrderIfReadyTemp());
  EXPECT_EQ(exporter->numFinishedPages(), kPlaces - 1);
  const std::string tempFolder = exporter->documentHandle()->savedTempFolder();
  exporter->convertPDFEnd(document);
  EXPECT_FALSE(exporter->documentHandle());
  EXPECT_FALSE(fs::exists(tempFolder));

  std::vector<std::string> expected;
  for (int i = 1; i <= kPlaces; ++i)
    if (i != kRefused) expected.push_back(std::to_string(i));
  EXPECT_EQ(vqtest::bodyBookmarks(mainPartOf(dest)), expected);
}

TEST(VQDocxPDFExporterCorpus, FailedEndAndCancellationLeaveNothing) {
  auto document = openCorpus("minimal-jspdf.pdf");
  ASSERT_TRUE(document);
  vqtest::ScratchDir dir;
  for (bool cancel : {false, true}) {
    const fs::path dest = cancel ? dir / "cancelled.docx" : dir / "no-such-folder" / "out.docx";
    VQDocxPDFExporter exporter;
    exporter.toTotalPages = 1;
    exporter.convertPDFBegin(dest.string(), document);
    ASSERT_TRUE(exporter.convertPDFPage(document->page(1), 1, 1));
    const std::string tempFolder = exporter.documentHandle()->savedTempFolder();
    if (cancel) exporter.convertPDFClean();
    else EXPECT_THROW(exporter.convertPDFEnd(document), vq::VQDocxDocumentException);
    EXPECT_FALSE(fs::exists(tempFolder)) << "cancel=" << cancel;
    EXPECT_FALSE(fs::exists(dest));
  }
}

TEST(VQDocxPDFExporterCorpus, CommandLineWritesAPackageLibreOfficeOpens) {
  const fs::path program = vqtest::binaryDir() / "cli" / "vqpapyrant";
  if (!fs::exists(program)) GTEST_SKIP() << "the command-line program is not built";
  vqtest::ScratchDir dir;
  const fs::path dest = dir / "booktabs.docx";
  std::string out;
  const int status =
      vqtest::runCommand(vqtest::quoted(program) + " -i " + vqtest::quoted(vqtest::corpusFile("tables-booktabs.pdf")) +
                             " -o " + vqtest::quoted(dest) + " -f docx -t 4 2>&1",
                         &out);
  ASSERT_EQ(status, 0) << out;
  EXPECT_EQ(vqtest::bodyBookmarks(mainPartOf(dest)).size(), 18u);
  if (!vqtest::haveSoffice()) GTEST_SKIP() << "soffice is not installed";
  EXPECT_TRUE(vqtest::sofficeText(dest)) << "LibreOffice could not open the package";
}

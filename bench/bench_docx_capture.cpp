// DOCX page capture and layout speed: every page of every corpus file (or of
// the folder given as argv[1]) captured into a DOCX page model, once with the
// capture alone and once with the page laid out (lines, bands, column sets,
// sections, paragraphs), and the same files through `pdftotext -raw` (which
// also captures text and builds lines) as a yardstick. Prints pages/s of
// each; each figure is the best of `rounds` runs (argv[2], default 3).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "docx/VQDocxPDFPageParser.h"
#include "docx/layout/VQDocxPage.h"
#include "platform/pdf/PdfDocument.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

std::string PasswordFor(const std::string& name) {
  if (name == "encrypted-aes256-nonascii.pdf") return "p\xC3\xA4ssw\xC3\xB6rd";
  if (name.rfind("encrypted-", 0) == 0) return "user";
  return "";
}

// A page that keeps what the capture recorded and lays nothing out.
class CapturedPage : public vq::VQDocxPage {
 public:
  using VQDocxPage::VQDocxPage;
  void processPDFPage() override {}
};

class CaptureOnlyParser : public vq::VQDocxPDFPageParser {
 public:
  using VQDocxPDFPageParser::VQDocxPDFPageParser;

 protected:
  std::shared_ptr<vq::VQDocxPage> newPage(double w, double h, const vq::AffineTransform& t, int64_t pdf, int64_t word,
                                          bool first, bool last) override {
    return std::make_shared<CapturedPage>(w, h, t, pdf, word, first, last);
  }
};

// Seconds to run every page of the document through a fresh parser each.
template <class Parser>
double RunPages(const vq::pdf::Document& pdf) {
  const auto start = Clock::now();
  for (int n = 1; n <= pdf.pageCount(); ++n) {
    Parser parser(nullptr, {});
    parser.convertPDFPage(pdf.page(n), n, n == 1, n == pdf.pageCount());
  }
  return Seconds(start);
}

double RunPdftotext(const fs::path& file, const std::string& password) {
  const std::string command = "pdftotext -raw -enc UTF-8 " +
                              (password.empty() ? std::string() : "-upw '" + password + "' ") + "'" + file.string() +
                              "' /dev/null 2> /dev/null";
  const auto start = Clock::now();
  const int status = std::system(command.c_str());
  return status == 0 ? Seconds(start) : -1;
}

}  // namespace

int main(int argc, char** argv) {
  const fs::path folder = argc > 1 && argv[1][0] != 0 ? fs::path(argv[1]) : fs::path(VQ_BENCH_CORPUS_DIR);
  const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
  const bool havePdftotext = std::system("command -v pdftotext > /dev/null 2>&1") == 0;
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(folder))
    if (entry.path().extension() == ".pdf") files.push_back(entry.path());
  std::sort(files.begin(), files.end());

  std::printf("%-32s %6s %14s %14s %14s\n", "file", "pages", "capture p/s", "+layout p/s", "pdftotext p/s");
  double captureTotal = 0, linesTotal = 0, peerTotal = 0;
  long pagesTotal = 0;
  for (const auto& file : files) {
    const std::string name = file.filename().string();
    auto pdf = vq::pdf::Document::open(file.string(), PasswordFor(name));
    if (!pdf || pdf->pageCount() == 0) continue;
    double capture = 1e30, lines = 1e30, peer = 1e30;
    for (int r = 0; r < rounds; ++r) {
      capture = std::min(capture, RunPages<CaptureOnlyParser>(*pdf));
      lines = std::min(lines, RunPages<vq::VQDocxPDFPageParser>(*pdf));
      if (havePdftotext) peer = std::min(peer, RunPdftotext(file, PasswordFor(name)));
    }
    const double pages = pdf->pageCount();
    std::printf("%-32s %6d %14.1f %14.1f %14.1f\n", name.c_str(), pdf->pageCount(), pages / capture, pages / lines,
                havePdftotext && peer > 0 ? pages / peer : 0.0);
    captureTotal += capture;
    linesTotal += lines;
    if (peer > 0 && peer < 1e30) peerTotal += peer;
    pagesTotal += pdf->pageCount();
  }
  const double pages = static_cast<double>(pagesTotal);
  std::printf("%-32s %6ld %14.1f %14.1f %14.1f\n", "all files", pagesTotal, pages / captureTotal, pages / linesTotal,
              peerTotal > 0 ? pages / peerTotal : 0.0);
  std::printf("page layout share of the time: %.0f%%\n", 100.0 * (linesTotal - captureTotal) / linesTotal);
  return 0;
}

// PNG page images at 144 dpi, one page at a time, over every unencrypted
// corpus file: our page-image conversion against `mutool draw` and
// `pdftocairo`, when they are installed. Prints pages per second for each
// and how our rate compares.
//
//   bench_page_images [corpus folder]
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <iomanip>
#include <iostream>
#include <string>
#include <vector>

#include "front/VQAppMainCLIBase.h"
#include "front/VQPapyrant.h"
#include "platform/dispatch/VQMainQueue.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

struct EndWaiter : vq::VQPapyrantDelegate {
  bool ended = false;
  bool failed = false;
  void didEndConversion(vq::VQPapyrant*, const std::optional<vq::VQError>& error) override {
    ended = true;
    failed = error.has_value();
  }
  void pdfPageIndexFaildWithError(vq::VQPapyrant*, uint64_t, const vq::VQError&) override { failed = true; }
};

double ourSeconds(const fs::path& pdf, int pages, const fs::path& out) {
  vq::VQPapyrant front;
  EndWaiter waiter;
  front.setDelegate(&waiter);
  std::vector<uint64_t> selection;
  for (int i = 1; i <= pages; ++i) selection.push_back(static_cast<uint64_t>(i));
  vq::VQPDFOptions options;  // image dpi 144
  auto start = Clock::now();
  front.convertPDFAtPath(pdf.string(), "", selection, "png", out.string(), options);
  vq::MainQueue::shared().drainUntil([&] { return waiter.ended; });
  double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  if (waiter.failed) std::cerr << "  our conversion reported a failure for " << pdf.filename().string() << "\n";
  return seconds;
}

bool haveTool(const char* name) {
  return std::system((std::string("command -v ") + name + " >/dev/null 2>&1").c_str()) == 0;
}

double toolSeconds(const std::string& command) {
  auto start = Clock::now();
  int status = std::system((command + " >/dev/null 2>&1").c_str());
  double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  if (status != 0) std::cerr << "  failed: " << command << "\n";
  return seconds;
}

std::string shellQuote(const fs::path& p) {
  std::string s = "'";
  for (char c : p.string()) s += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return s + "'";
}

}  // namespace

int main(int argc, char** argv) {
  fs::path corpus = argc > 1 ? fs::path(argv[1]) : fs::path(VQ_BENCH_CORPUS_DIR);
  std::vector<fs::path> files;
  for (auto& e : fs::directory_iterator(corpus))
    if (e.path().extension() == ".pdf" && e.path().filename().string().rfind("encrypted-", 0) != 0)
      files.push_back(e.path());
  std::sort(files.begin(), files.end());
  if (files.empty()) {
    std::cerr << "no PDF files in " << corpus.string() << "\n";
    return 1;
  }
  const bool mutool = haveTool("mutool");
  const bool pdftocairo = haveTool("pdftocairo");
  fs::path work = fs::temp_directory_path() / ("bench_page_images-" + std::to_string(::getpid()));
  fs::create_directories(work);
  vq::MainQueue::shared().bindToCurrentThread();

  double ours = 0, mu = 0, cairo = 0;
  long pages = 0;
  std::cout << std::left << std::setw(32) << "file" << std::right << std::setw(7) << "pages" << std::setw(11)
            << "ours s" << std::setw(11) << "mutool s" << std::setw(14) << "pdftocairo s"
            << "\n"
            << std::fixed << std::setprecision(3);
  for (const auto& pdf : files) {
    const int n = static_cast<int>(vq::VQAppMainCLIBase::GetPDFNumberOfPages(pdf.string()));
    if (n == 0) continue;
    fs::path a = work / "ours", b = work / "mutool", c = work / "pdftocairo";
    for (auto& d : {a, b, c}) {
      fs::remove_all(d);
      fs::create_directories(d);
    }
    double o = ourSeconds(pdf, n, a);
    double m = mutool ? toolSeconds("mutool draw -r 144 -o " + shellQuote(b / "X%d.png") + " " + shellQuote(pdf)) : 0;
    double p = pdftocairo ? toolSeconds("pdftocairo -png -r 144 " + shellQuote(pdf) + " " + shellQuote(c / "X")) : 0;
    std::cout << std::left << std::setw(32) << pdf.filename().string() << std::right << std::setw(7) << n
              << std::setw(11) << o << std::setw(11) << m << std::setw(14) << p << "\n";
    ours += o;
    mu += m;
    cairo += p;
    pages += n;
  }
  fs::remove_all(work);
  std::cout << std::setprecision(2) << "\ntotal pages " << pages << "\n";
  std::cout << "ours        " << std::setw(8) << pages / ours << " pages/s\n";
  // A time ratio below 1 means ours took less time.
  if (mutool)
    std::cout << "mutool      " << std::setw(8) << pages / mu << " pages/s   ours/mutool time ratio " << ours / mu
              << "\n";
  if (pdftocairo)
    std::cout << "pdftocairo  " << std::setw(8) << pages / cairo << " pages/s   ours/pdftocairo time ratio "
              << ours / cairo << "\n";
  return 0;
}

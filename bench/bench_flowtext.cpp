// Plain-text conversion speed: every corpus file converted to "txt" through
// the engine's programming interface and through the pdftotext command, side
// by side. Prints pages per second of each and the ratio of the times (ours /
// pdftotext; below 1 means we are faster). Each figure is the best of
// `rounds` runs (first argument, default 3); a second argument names another
// folder of PDF files.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <fmt/format.h>
#include <sys/wait.h>
#include <unistd.h>

#include "front/VQAppMainCLIBase.h"
#include "front/VQPapyrant.h"
#include "platform/dispatch/VQMainQueue.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

class EndWaiter : public vq::VQPapyrantDelegate {
 public:
  bool ended = false;
  bool failed = false;
  void didEndConversion(vq::VQPapyrant*, const std::optional<vq::VQError>& error) override {
    ended = true;
    failed = error.has_value();
  }
};

// Seconds for one conversion through VQPapyrant; negative when it failed.
double ConvertWithEngine(const fs::path& pdf, uint64_t pages, const fs::path& dest) {
  vq::VQPapyrant papyrant;
  EndWaiter waiter;
  papyrant.setDelegate(&waiter);
  std::vector<uint64_t> indexes;
  for (uint64_t p = 1; p <= pages; ++p) indexes.push_back(p);
  const auto start = Clock::now();
  papyrant.convertPDFAtPath(pdf.string(), "", indexes, "txt", dest.string(), vq::VQPDFOptions());
  vq::MainQueue::shared().drainUntil([&] { return waiter.ended; });
  const double s = Seconds(start);
  return waiter.failed ? -1 : s;
}

// Seconds for one run of the pdftotext command; negative when it failed.
double ConvertWithPdftotext(const fs::path& pdf, const fs::path& dest) {
  const std::string command = "pdftotext -enc UTF-8 '" + pdf.string() + "' '" + dest.string() + "' 2> /dev/null";
  const auto start = Clock::now();
  const int raw = std::system(command.c_str());
  const double s = Seconds(start);
  return (WIFEXITED(raw) && WEXITSTATUS(raw) == 0) ? s : -1;
}

}  // namespace

int main(int argc, char** argv) {
  vq::MainQueue::shared().bindToCurrentThread();
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
  const fs::path corpus = argc > 2 ? fs::path(argv[2]) : fs::path(VQ_BENCH_CORPUS_DIR);
  const fs::path work = fs::temp_directory_path() / fmt::format("bench_flowtext_{}", ::getpid());
  fs::create_directories(work);
  const bool haveReference = std::system("command -v pdftotext > /dev/null 2>&1") == 0;

  std::vector<fs::path> files;
  for (const auto& e : fs::directory_iterator(corpus, fs::directory_options::skip_permission_denied))
    if (e.path().extension() == ".pdf" && e.path().filename().string().rfind("encrypted-", 0) != 0)
      files.push_back(e.path());
  std::sort(files.begin(), files.end());

  std::fputs(
      fmt::format("{:<32} {:>5} {:>12} {:>12} {:>8}\n", "file", "pages", "ours pg/s", "pdftotext", "ratio").c_str(),
      stdout);
  double ourTotal = 0, theirTotal = 0;
  uint64_t pageTotal = 0;
  for (const auto& pdf : files) {
    const uint64_t pages = vq::VQAppMainCLIBase::GetPDFNumberOfPages(pdf.string());
    if (pages == 0) continue;
    double ours = -1, theirs = -1;
    for (int r = 0; r < rounds; ++r) {
      const double s = ConvertWithEngine(pdf, pages, work / "ours.txt");
      if (s >= 0) ours = ours < 0 ? s : std::min(ours, s);
      if (haveReference) {
        const double t = ConvertWithPdftotext(pdf, work / "theirs.txt");
        if (t >= 0) theirs = theirs < 0 ? t : std::min(theirs, t);
      }
    }
    const std::string name = pdf.filename().string();
    if (ours < 0) {
      std::fputs(fmt::format("{:<32} {:>5} conversion failed\n", name, pages).c_str(), stdout);
      continue;
    }
    std::string line = fmt::format("{:<32} {:>5} {:>12.1f}", name, pages, pages / ours);
    if (theirs > 0) {
      line += fmt::format(" {:>12.1f} {:>8.2f}", pages / theirs, ours / theirs);
      ourTotal += ours, theirTotal += theirs, pageTotal += pages;
    }
    std::fputs((line + "\n").c_str(), stdout);
    std::fflush(stdout);
  }
  if (theirTotal > 0)
    std::fputs(fmt::format("{:<32} {:>5} {:>12.1f} {:>12.1f} {:>8.2f}\n", "all files", pageTotal, pageTotal / ourTotal,
                           pageTotal / theirTotal, ourTotal / theirTotal)
                   .c_str(),
               stdout);
  if (!std::getenv("KEEP")) fs::remove_all(work);
  return 0;
}

// A small host program over the installed VQPapyrant library: converts one PDF
// to one format and prints the conversion's reports as they arrive.
//
//   convert input.pdf docx|xlsx|csv|pptx|html|rtf|txt|png... output
//
// Exit status: 0 when the conversion ended without error, 1 otherwise.
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include <vqpapyrant/VQDocuments.h>
#include <vqpapyrant/VQMainQueue.h>
#include <vqpapyrant/VQPapyrant.h>

namespace {

// The engine sends every report but the first through the main queue, which
// this program drains on its main thread until the end report has come.
struct Reports : vq::VQPapyrantDelegate {
  bool ended = false;
  bool failed = false;

  void didStartConversion(vq::VQPapyrant* sender, const std::optional<vq::VQError>&) override {
    std::printf("started: %s\n", sender->pdfPath().c_str());
  }
  void toPageIndexToTotalPages(vq::VQPapyrant*, uint64_t done, uint64_t total) override {
    std::printf("page %llu of %llu\n", static_cast<unsigned long long>(done), static_cast<unsigned long long>(total));
  }
  void pdfPageIndexFaildWithError(vq::VQPapyrant*, uint64_t page, const vq::VQError& error) override {
    std::printf("page %llu failed: %s\n", static_cast<unsigned long long>(page), error.description().c_str());
  }
  void didEndConversion(vq::VQPapyrant* sender, const std::optional<vq::VQError>& error) override {
    if (error) std::printf("failed: %s\n", error->description().c_str());
    else std::printf("written: %s (%.1f s)\n", sender->destDocPath().c_str(), sender->conversionSpendTime());
    failed = error.has_value();
    ended = true;
  }
};

}  // namespace

int main(int argc, char* argv[]) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: %s input.pdf format output\n", argv[0]);
    return 2;
  }
  const std::string input = argv[1], format = argv[2], output = argv[3];
  const vq::VQPDFDocumentInfo info = vq::VQInspectPDFDocument(input, "");
  std::vector<uint64_t> pages;
  for (uint64_t page = 1; page <= info.pageCount; ++page) pages.push_back(page);

  vq::MainQueue& mainQueue = vq::MainQueue::shared();
  mainQueue.bindToCurrentThread();
  Reports reports;
  vq::VQPapyrant papyrant;
  papyrant.setDelegate(&reports);
  papyrant.convertPDFAtPath(input, "", pages, format, output, vq::VQPDFOptions());
  mainQueue.drainUntil([&] { return reports.ended; });
  return reports.failed ? 1 : 0;
}

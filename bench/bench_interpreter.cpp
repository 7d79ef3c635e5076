// Interpreter throughput: every page of every PDF in the corpus folder (or the
// folder given as argv[1]) through the content parser with an empty delegate.
// Prints pages/s and MB/s of decoded content per file and in total.
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <iomanip>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "pdf/VQPDFConentParser.h"
#include "pdf/annots/VQPDFAnnotCollection.h"
#include "pdf/images/VQPDFImageDecoder.h"
#include "pdf/images/VQPDFImageFileTracker.h"
#include "platform/pdf/PdfDocument.h"

namespace {

std::string PasswordFor(const std::string& name) {
  if (name == "encrypted-aes256-nonascii.pdf") return "p\xC3\xA4ssw\xC3\xB6rd";
  if (name.rfind("encrypted-", 0) == 0) return "user";
  return "";
}

std::string Fixed(double v, int decimals) {
  std::ostringstream out;
  out << std::fixed << std::setprecision(decimals) << v;
  return out.str();
}

void Row(const std::string& name, const std::string& pages, const std::string& content, const std::string& rate,
         const std::string& mb) {
  std::cout << std::left << std::setw(34) << name << std::right << std::setw(7) << pages << std::setw(12) << content
            << std::setw(11) << rate << std::setw(11) << mb << "\n";
}

}  // namespace

int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  fs::path folder = argc > 1 ? fs::path(argv[1]) : fs::path(VQ_BENCH_CORPUS_DIR);
  int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(folder)) {
    if (entry.path().extension() == ".pdf") files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  if (files.empty()) {
    std::cerr << "no PDF files in " << folder.string() << "\n";
    return 1;
  }
  // Pages are parsed as the converters parse them: annotations walked,
  // images decoded.
  vq::VQPDFAnnotCollection::InstallAnnotationWalker();
  vq::VQPDFImageDecoder::install();
  vq::VQPDFConentParserDelegate empty;
  for (bool shareFonts : {false, true}) {
    std::cout << "\n" << (shareFonts ? "one font cache for all pages of a document" : "fonts read per page") << "\n";
    Row("file", "pages", "content MB", "pages/s", "MB/s");
    double totalSeconds = 0;
    double totalBytes = 0;
    long totalPages = 0;
    for (const auto& file : files) {
      auto document = vq::pdf::Document::open(file.string(), PasswordFor(file.filename().string()));
      if (!document) {
        std::cout << file.filename().string() << " cannot be opened\n";
        continue;
      }
      double bytes = 0;
      for (int n = 1; n <= document->pageCount(); ++n) {
        if (auto contents = document->page(n)->contents()) bytes += static_cast<double>(contents->size());
      }
      double best = 1e300;
      for (int round = 0; round < rounds; ++round) {
        auto start = std::chrono::steady_clock::now();
        auto fonts = shareFonts ? std::make_shared<vq::VQPDFFontCache>() : nullptr;
        for (int n = 1; n <= document->pageCount(); ++n) {
          // Decoded images are removed after each page, as in a conversion.
          vq::VQPDFImageFileScope imageFiles;
          auto parser = vq::VQPDFConentParser::ParserWithPage(*document->page(n));
          parser->setFontCache(fonts);
          parser->setDelegate(&empty);
          parser->startParser();
          parser->setDelegate(nullptr);
        }
        std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        best = std::min(best, elapsed.count());
      }
      int pages = document->pageCount();
      Row(file.filename().string(), std::to_string(pages), Fixed(bytes / 1e6, 2), Fixed(pages / best, 1),
          Fixed(bytes / 1e6 / best, 2));
      totalSeconds += best;
      totalBytes += bytes;
      totalPages += pages;
    }
    Row("total (best of each)", std::to_string(totalPages), Fixed(totalBytes / 1e6, 2),
        Fixed(totalPages / totalSeconds, 1), Fixed(totalBytes / 1e6 / totalSeconds, 2));
  }
  return 0;
}

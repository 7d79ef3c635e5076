// Content-stream scanning speed: MB/s over the largest content stream of the
// corpus and over a synthetic 8 MB page, with an empty operator table and
// with a table whose callbacks pop their operands like an interpreter does.
//   bench_content_scan [corpus folder]
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include <iomanip>
#include <iostream>

#include "platform/pdf/PdfContentScanner.h"
#include "platform/pdf/PdfDocument.h"

using namespace vq::pdf;

namespace {

struct Arity {
  const char* op;
  int numbers;
  int names;
  int strings;
  int arrays;
};

// Common operators with the operands their callbacks take.
const Arity kCommon[] = {
    {"cm", 6, 0, 0, 0}, {"Tm", 6, 0, 0, 0}, {"re", 4, 0, 0, 0}, {"c", 6, 0, 0, 0},  {"m", 2, 0, 0, 0},
    {"l", 2, 0, 0, 0},  {"Td", 2, 0, 0, 0}, {"TD", 2, 0, 0, 0}, {"rg", 3, 0, 0, 0}, {"RG", 3, 0, 0, 0},
    {"g", 1, 0, 0, 0},  {"G", 1, 0, 0, 0},  {"w", 1, 0, 0, 0},  {"Tf", 1, 1, 0, 0}, {"Do", 0, 1, 0, 0},
    {"gs", 0, 1, 0, 0}, {"Tj", 0, 0, 1, 0}, {"'", 0, 0, 1, 0},  {"TJ", 0, 0, 0, 1}, {"q", 0, 0, 0, 0},
    {"Q", 0, 0, 0, 0},  {"BT", 0, 0, 0, 0}, {"ET", 0, 0, 0, 0}, {"f", 0, 0, 0, 0},  {"S", 0, 0, 0, 0},
    {"n", 0, 0, 0, 0},  {"W", 0, 0, 0, 0},  {"h", 0, 0, 0, 0},  {"EI", 0, 0, 0, 0},
};

struct Sink {
  double sum = 0;
  size_t bytes = 0;
};

OperatorTable poppingTable() {
  OperatorTable table;
  for (const Arity& a : kCommon) {
    table.setCallback(a.op, [a](Scanner& s, void* info) {
      auto* sink = static_cast<Sink*>(info);
      double d = 0;
      std::string text;
      Object array;
      for (int i = 0; i < a.numbers; ++i) {
        if (s.popNumber(&d)) sink->sum += d;
      }
      for (int i = 0; i < a.names; ++i) {
        if (s.popName(&text)) sink->bytes += text.size();
      }
      for (int i = 0; i < a.strings; ++i) {
        if (s.popString(&text)) sink->bytes += text.size();
      }
      for (int i = 0; i < a.arrays; ++i) {
        if (s.popArray(&array)) sink->bytes += array.size();
      }
    });
  }
  return table;
}

std::string syntheticPage(size_t target) {
  auto n = [](int v) { return std::to_string(v); };
  std::string out;
  out.reserve(target + 4096);
  for (int i = 0; out.size() < target; ++i) {
    out += "q 1 0 0 1 " + n(i % 600) + ".5 " + n(i % 800) + ".25 cm 0.2 0.4 0.6 rg\n";
    out += "BT /F" + n(i % 7) + " 11.5 Tf " + n(72 + i % 300) + " " + n(700 - i % 600) +
           " Td [(Hello, )-250(world \\(x\\))12.5(!)] TJ (line\\n) Tj ET\n";
    out += n(i % 97) + " " + n(i % 89) + " m " + n(i % 83) + " " + n(i % 79) + " l " + n(i % 73) + ".125 " + n(i % 71) +
           " " + n(i % 67) + " " + n(i % 61) + " " + n(i % 59) + " " + n(i % 53) + " c h S\n";
    out += "10 10 200 300 re f /GS1 gs 0.5 w /Im1 Do Q\n";
    if (i % 50 == 0) out += "BI /W 4 /H 4 /BPC 8 /CS /G ID 0123456789abcdef EI\n";
  }
  return out;
}

double measure(const std::vector<std::string>& buffers, const OperatorTable& table, size_t* bytesOut) {
  auto stream = std::make_shared<ContentStream>(buffers, Object());
  size_t bytes = 0;
  for (const auto& b : buffers) bytes += b.size();
  Sink sink;
  Scanner scanner(stream, table, &sink);
  scanner.scan();  // warm-up
  int iterations = 0;
  auto start = std::chrono::steady_clock::now();
  double seconds = 0;
  do {
    scanner.scan();
    ++iterations;
    seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  } while (seconds < 1.0);
  *bytesOut = bytes;
  return static_cast<double>(bytes) * iterations / seconds / 1e6;
}

// The largest content stream (page contents or form XObject) of the corpus.
std::vector<std::string> largestContent(const std::filesystem::path& dir, std::string* where) {
  std::vector<std::string> best;
  size_t bestSize = 0;
  if (!std::filesystem::is_directory(dir)) return best;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    if (entry.path().extension() != ".pdf") continue;
    auto doc = Document::open(entry.path().string(), "");
    if (!doc) doc = Document::open(entry.path().string(), "user");
    if (!doc) continue;
    for (int n = 1; n <= doc->pageCount(); ++n) {
      auto page = doc->page(n);
      auto content = ContentStream::createWithPage(*page);
      std::vector<std::vector<std::string>> candidates{content->buffers()};
      Object xobjects = page->resources().get("XObject");
      for (const std::string& key : xobjects.keys()) {
        Object x = xobjects.get(key);
        if (x.isStream() && x.get("Subtype").isName("Form")) {
          if (auto data = x.decodedData()) candidates.push_back({*data});
        }
      }
      for (auto& c : candidates) {
        size_t size = 0;
        for (const auto& b : c) size += b.size();
        if (size > bestSize) {
          bestSize = size;
          best = std::move(c);
          *where = entry.path().filename().string() + " page " + std::to_string(n);
        }
      }
    }
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  std::filesystem::path corpus = argc > 1 ? argv[1] : VQ_BENCH_CORPUS_DIR;
  const OperatorTable empty;
  const OperatorTable popping = poppingTable();
  std::string where;
  auto real = largestContent(corpus, &where);
  std::vector<std::pair<std::string, std::vector<std::string>>> inputs;
  if (!real.empty()) inputs.emplace_back("corpus (" + where + ")", std::move(real));
  inputs.emplace_back("synthetic page", std::vector<std::string>{syntheticPage(8 << 20)});
  for (const auto& [label, buffers] : inputs) {
    size_t bytes = 0;
    double a = measure(buffers, empty, &bytes);
    double b = measure(buffers, popping, &bytes);
    std::cout << label << ": " << bytes << " bytes; empty table " << std::fixed << std::setprecision(1) << a
              << " MB/s; popping table " << b << " MB/s\n";
  }
  return 0;
}

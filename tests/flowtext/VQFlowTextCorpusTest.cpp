// Every corpus file through the three flow-text exporters; the plain text is
// compared with pdftotext's, ignoring white space and order.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>

#include "FlowTextTestSupport.h"
#include "flowtext/VQFlowTextPDFExporter.h"
#include "platform/pdf/PdfDocument.h"

namespace {

using namespace ftest;

std::string PasswordFor(const std::string& name) {
  if (name.find("nonascii") != std::string::npos) return "p\xC3\xA4ssw\xC3\xB6rd";
  if (name.rfind("encrypted-", 0) == 0) return "user";
  return "";
}

// Converts all pages; false when the exporter fails (it throws when the
// pages hold no text to write).
bool ConvertAll(const std::filesystem::path& pdf, const std::string& type, const std::filesystem::path& dest) {
  auto document = vq::pdf::Document::open(pdf.string(), PasswordFor(pdf.filename().string()));
  if (!document) return false;
  auto exporter = vq::VQFlowTextNewExporter(type, dest.string(), vq::VQPDFOptions());
  exporter->toTotalPages = static_cast<uint64_t>(document->pageCount());
  exporter->convertPDFBegin(dest.string(), document);
  for (int p = 1; p <= document->pageCount(); ++p) {
    if (!exporter->convertPDFPage(document->page(p), p, document->pageCount())) return false;
  }
  exporter->convertPDFEnd(document);
  return true;
}

std::map<char32_t, long> CharCounts(const std::string& text) {
  std::map<char32_t, long> counts;
  for (size_t i = 0; i < text.size();) {
    const char32_t c = VQFlowTextNextCodePoint(text, i);
    if (c <= 0x20 || c == 0xA0 || c == 0x0C || c == 0x3000) continue;
    ++counts[c];
  }
  return counts;
}

TEST(VQFlowTextCorpus, PlainTextAgreesWithPdftotext) {
  vqtest::ScratchDir dir;
  const bool haveReference = vqtest::runCommand("command -v pdftotext > /dev/null") == 0;
  long shared = 0, referenceTotal = 0, ourTotal = 0;
  for (const auto& pdf : vqtest::corpusFiles()) {
    const std::string name = pdf.filename().string();
    SCOPED_TRACE(name);
    const auto dest = dir / (name + ".txt");
    bool noText = false;
    try {
      ASSERT_TRUE(ConvertAll(pdf, "txt", dest));
    } catch (const std::runtime_error& e) {
      ASSERT_NE(std::string(e.what()).find("No text was found"), std::string::npos) << e.what();
      noText = true;
    }
    ASSERT_NE(std::filesystem::exists(dest), noText);
    if (!haveReference) continue;
    const auto ref = dir / (name + ".ref.txt");
    const std::string password = PasswordFor(name);
    std::string command = "pdftotext -enc UTF-8 ";
    if (!password.empty()) command += "-upw '" + password + "' ";
    command += "'" + pdf.string() + "' '" + ref.string() + "' 2> /dev/null";
    if (vqtest::runCommand(command) != 0) continue;
    auto ours = noText ? std::map<char32_t, long>() : CharCounts(vqtest::readFile(dest));
    auto theirs = CharCounts(vqtest::readFile(ref));
    // Only a file without text may end without an output.
    if (noText) EXPECT_TRUE(theirs.empty());
    long s = 0, r = 0, o = 0;
    for (const auto& [c, n] : theirs) {
      r += n;
      auto it = ours.find(c);
      if (it != ours.end()) s += std::min(n, it->second);
    }
    for (const auto& [c, n] : ours) o += n;
    shared += s, referenceTotal += r, ourTotal += o;
    std::printf("  %-32s reference %7ld  ours %7ld  agreement %6.2f%%\n", name.c_str(), r, o,
                r ? 100.0 * s / r : 100.0);
  }
  if (referenceTotal > 0) {
    const double agreement = 100.0 * shared / referenceTotal;
    std::printf("  corpus: reference %ld, ours %ld, agreement %.2f%%\n", referenceTotal, ourTotal, agreement);
    EXPECT_GE(agreement, 95.0);
  }
}

// Unescaped braces of an RTF file balance to zero and never go below it.
bool BracesBalance(const std::string& rtf) {
  long depth = 0;
  for (size_t i = 0; i < rtf.size(); ++i) {
    if (rtf[i] == '\\') {
      ++i;
      continue;
    }
    if (rtf[i] == '{') ++depth;
    if (rtf[i] == '}' && --depth < 0) return false;
  }
  return depth == 0;
}

TEST(VQFlowTextCorpus, HtmlAndRtfOfEveryFile) {
  vqtest::ScratchDir dir;
  for (const auto& pdf : vqtest::corpusFiles()) {
    const std::string name = pdf.filename().string();
    SCOPED_TRACE(name);
    const auto html = dir / (name + ".html");
    const auto rtf = dir / (name + ".rtf");
    ASSERT_TRUE(ConvertAll(pdf, "html", html));
    ASSERT_TRUE(ConvertAll(pdf, "rtf", rtf));
    const std::string h = vqtest::readFile(html);
    EXPECT_EQ(h.rfind("<!DOCTYPE", 0), 0u);
    EXPECT_EQ(h.substr(h.size() - 7), "</html>");
    const std::string r = vqtest::readFile(rtf);
    EXPECT_EQ(r.rfind("{\\rtf1", 0), 0u);
    EXPECT_TRUE(BracesBalance(r));
  }
}

// LibreOffice reads our RTF back to the same text as our plain-text output.
TEST(VQFlowTextCorpus, RtfOpensInLibreOffice) {
  if (vqtest::runCommand("command -v soffice > /dev/null") != 0) GTEST_SKIP() << "soffice is not installed";
  vqtest::ScratchDir dir;
  const auto pdf = vqtest::corpusFile("text-distiller.pdf");
  ASSERT_TRUE(ConvertAll(pdf, "rtf", dir / "doc.rtf"));
  ASSERT_TRUE(ConvertAll(pdf, "txt", dir / "ours.txt"));
  std::filesystem::create_directories(dir / "home");
  std::filesystem::create_directories(dir / "out");
  // soffice exits 0 even when it fails, so the converted file is what counts.
  vqtest::runCommand("HOME='" + (dir / "home").string() +
                     "' timeout 180 soffice --headless --convert-to txt:Text --outdir '" + (dir / "out").string() +
                     "' '" + (dir / "doc.rtf").string() + "' > /dev/null 2>&1");
  ASSERT_TRUE(std::filesystem::exists(dir / "out" / "doc.txt"));
  auto read = CharCounts(vqtest::readFile(dir / "out" / "doc.txt"));
  auto ours = CharCounts(vqtest::readFile(dir / "ours.txt"));
  read.erase(0xFEFF);
  long shared = 0, total = 0;
  for (const auto& [c, n] : ours) {
    total += n;
    if (auto it = read.find(c); it != read.end()) shared += std::min(n, it->second);
  }
  ASSERT_GT(total, 0);
  EXPECT_GE(100.0 * shared / total, 99.0);
}

}  // namespace

// The characters decoded from every page of every corpus file through the
// content interpreter agree with pdftotext's, compared as multisets of
// non-white-space characters: a font that decodes wrongly, text reported
// twice or hidden text reported shows up as a mismatch in one direction or
// the other.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "pdf/VQPDFConentParser.h"
#include "platform/pdf/PdfDocument.h"
#include "platform/text/Utf8.h"
#include "support/TestSupport.h"

namespace {

using Counts = std::map<uint32_t, long>;

bool IsIgnored(uint32_t c) {
  if (c <= 0x20 || (c >= 0x7F && c <= 0xA0)) return true;  // controls and spaces
  if (c >= 0x2000 && c <= 0x200B) return true;             // typographic spaces
  switch (c) {
    case 0x1680:
    case 0x2028:
    case 0x2029:
    case 0x202F:
    case 0x205F:
    case 0x3000:
    case 0xFEFF:
      return true;
    default:
      return false;
  }
}

void AddText(Counts& counts, const std::string& utf8) {
  for (uint32_t c : vq::text::decodeUTF8(utf8))
    if (!IsIgnored(c)) ++counts[c];
}

long Total(const Counts& counts) {
  long n = 0;
  for (const auto& [c, k] : counts) n += k;
  return n;
}

// Up to 20 characters that `a` has more of than `b`, with the surplus.
std::string Difference(const Counts& a, const Counts& b) {
  std::string out;
  int shown = 0;
  for (const auto& [c, n] : a) {
    auto it = b.find(c);
    const long surplus = n - (it == b.end() ? 0 : it->second);
    if (surplus <= 0) continue;
    if (++shown > 20) break;
    vq::text::appendUTF8(out, c);
    out += "\u00D7" + std::to_string(surplus) + " ";
  }
  return out;
}

class TextCollector : public vq::VQPDFConentParserDelegate {
 public:
  Counts counts;
  void didScanTextTextOffset(vq::VQPDFConentParser*, const std::string& text, const vq::Size&) override {
    AddText(counts, text);
  }
};

std::string PasswordFor(const std::string& name) {
  if (name == "encrypted-aes256-nonascii.pdf") return "p\xC3\xA4ssw\xC3\xB6rd";
  if (name.rfind("encrypted-", 0) == 0) return "user";
  return "";
}

Counts InterpreterText(const std::filesystem::path& file, const std::string& password) {
  TextCollector collector;
  auto document = vq::pdf::Document::open(file.string(), password);
  EXPECT_NE(document, nullptr);
  if (!document) return {};
  for (int n = 1; n <= document->pageCount(); ++n) {
    auto page = document->page(n);
    EXPECT_TRUE(page.has_value());
    if (!page) continue;
    auto parser = vq::VQPDFConentParser::ParserWithPage(*page);
    // The interpreter alone: annotations are drawn by their own module.
    parser->setIsParserAnnots(0);
    parser->setDelegate(&collector);
    parser->startParser();
    parser->setDelegate(nullptr);
  }
  return collector.counts;
}

// False when pdftotext fails on the file.
bool ReferenceText(const std::filesystem::path& file, const std::string& password, const std::filesystem::path& dest,
                   Counts* counts) {
  std::string command = "pdftotext -raw -enc UTF-8 ";
  if (!password.empty()) command += "-upw '" + password + "' ";
  command += "'" + file.string() + "' '" + dest.string() + "' 2> /dev/null";
  if (vqtest::runCommand(command) != 0) return false;
  std::ifstream in(dest, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  AddText(*counts, text.str());
  return true;
}

TEST(CorpusTextAgreement, InterpreterTextMatchesPdftotext) {
  if (vqtest::runCommand("command -v pdftotext > /dev/null") != 0) GTEST_SKIP() << "pdftotext is not installed";
  vqtest::ScratchDir dir;
  std::printf("  %-32s %9s %9s %9s %8s\n", "file", "reference", "ours", "shared", "agree");
  for (const auto& file : vqtest::corpusFiles()) {
    const std::string name = file.filename().string();
    SCOPED_TRACE(name);
    const std::string password = PasswordFor(name);
    Counts theirs;
    ASSERT_TRUE(ReferenceText(file, password, dir / (name + ".txt"), &theirs));
    const Counts ours = InterpreterText(file, password);
    long shared = 0;
    for (const auto& [c, n] : theirs)
      if (auto it = ours.find(c); it != ours.end()) shared += std::min(n, it->second);
    const long reference = Total(theirs), mine = Total(ours);
    // Measured against the larger side, so extra characters count as much as
    // missing ones.
    const long larger = std::max(reference, mine);
    const double agreement = larger ? 100.0 * static_cast<double>(shared) / static_cast<double>(larger) : 100.0;
    std::printf("  %-32s %9ld %9ld %9ld %7.2f%%\n", name.c_str(), reference, mine, shared, agreement);
    // Also fails a file without reference text for which text is reported.
    EXPECT_GE(agreement, 95.0) << "missing: " << Difference(theirs, ours) << "\nextra: " << Difference(ours, theirs);
  }
}

}  // namespace

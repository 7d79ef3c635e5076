// Every corpus file through the document formats and plain text: the text a
// reader of the DOCX, XLSX or PPTX output sees agrees with pdftotext's about
// as well as our plain text does, so a loss in one format cannot hide behind
// the others; and the packages come out the same whatever the number of
// threads, run after run.
#include <gtest/gtest.h>
#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>

#include "FrontTestSupport.h"
#include "platform/pdf/PdfDocument.h"
#include "support/OutputText.h"
#include "support/TestSupport.h"

namespace {

namespace fs = std::filesystem;
using Counts = std::map<UChar32, long>;

const std::vector<std::string> kPackages = {"docx", "xlsx", "pptx"};

std::string PasswordFor(const std::string& name) {
  if (name == "encrypted-aes256-nonascii.pdf") return "p\xC3\xA4ssw\xC3\xB6rd";
  if (name.rfind("encrypted-", 0) == 0) return "user";
  return "";
}

std::string Quoted(const fs::path& p) { return "'" + p.string() + "'"; }

// The characters of a text after NFKC, white space, controls and invisible
// format characters left out.
Counts CharacterCounts(const std::string& utf8) {
  UErrorCode status = U_ZERO_ERROR;
  const icu::UnicodeString text =
      icu::Normalizer2::getNFKCInstance(status)->normalize(icu::UnicodeString::fromUTF8(utf8), status);
  Counts counts;
  for (int32_t i = 0; U_SUCCESS(status) && i < text.length(); i = text.moveIndex32(i, 1)) {
    const UChar32 c = text.char32At(i);
    const int8_t type = u_charType(c);
    if (!u_isUWhiteSpace(c) && type != U_CONTROL_CHAR && type != U_FORMAT_CHAR) ++counts[c];
  }
  return counts;
}

// |A ∩ B| / max(|A|, |B|) over the two multisets: extra characters count as
// much as missing ones.
double Agreement(const Counts& a, const Counts& b) {
  long shared = 0, totalA = 0, totalB = 0;
  for (const auto& [c, n] : a) {
    totalA += n;
    if (auto it = b.find(c); it != b.end()) shared += std::min(n, it->second);
  }
  for (const auto& [c, n] : b) totalB += n;
  const long larger = std::max(totalA, totalB);
  return larger ? static_cast<double>(shared) / static_cast<double>(larger) : 1.0;
}

// Converts every page through the page-parallel front with `threads`
// workers; empty when the conversion ended well, else what went wrong.
std::string Convert(const fs::path& pdf, const std::string& type, const fs::path& dest, int threads) {
  const std::string password = PasswordFor(pdf.filename().string());
  auto document = vq::pdf::Document::open(pdf.string(), password);
  if (!document) return "the document does not open";
  std::vector<uint64_t> pages;
  for (int n = 1; n <= document->pageCount(); ++n) pages.push_back(static_cast<uint64_t>(n));
  vqtest::ParallelRecorder recorder;
  vq::VQPapyrantMutliThread front;
  front.setDelegate(&recorder);
  vq::VQPDFOptions options;
  options.threadMax = threads;
  front.convertPDFAtPath(pdf.string(), password, pages, type, dest.string(), options);
  recorder.waitForEnd(std::chrono::seconds(240));
  if (!recorder.ended) return "the conversion did not end";
  std::string problems;
  for (const auto& line : recorder.lines)
    if (line.rfind("fail", 0) == 0 || line.rfind("exception", 0) == 0 ||
        (line.rfind("end", 0) == 0 && line != "end ok"))
      problems += line + "\n";
  return problems;
}

TEST(FormatAgreementCorpus, DocumentFormatsKeepTheTextThatPlainTextKeeps) {
  if (vqtest::runCommand("command -v pdftotext > /dev/null") != 0) GTEST_SKIP() << "pdftotext is not installed";
  vqtest::ScratchDir dir;
  std::printf("  agreement with pdftotext, per cent\n  %-32s %8s", "file", "txt");
  for (const auto& format : kPackages) std::printf(" %8s", format.c_str());
  std::printf("\n");
  for (const auto& pdf : vqtest::corpusFiles()) {
    const std::string name = pdf.filename().string();
    SCOPED_TRACE(name);
    const std::string password = PasswordFor(name);
    const fs::path reference = dir / (name + ".ref.txt");
    ASSERT_EQ(vqtest::runCommand("pdftotext -enc UTF-8 " + (password.empty() ? "" : "-upw '" + password + "' ") +
                                 Quoted(pdf) + " " + Quoted(reference) + " 2> /dev/null"),
              0);
    const Counts theirs = CharacterCounts(vqtest::OutputText(reference, "txt"));
    std::map<std::string, double> agreement;
    for (const std::string format : {"txt", "docx", "xlsx", "pptx"}) {
      const fs::path out = dir / (name + "." + format);
      const std::string problems = Convert(pdf, format, out, 4);
      if (format == "txt" && theirs.empty()) {
        // Plain text of a file without text has nothing to write, and says so.
        EXPECT_NE(problems.find("No text was found"), std::string::npos) << problems;
        agreement[format] = 1;
        continue;
      }
      EXPECT_EQ(problems, "") << format;
      try {
        agreement[format] = Agreement(theirs, CharacterCounts(vqtest::OutputText(out, format)));
      } catch (const vqtest::OutputTextError& e) {
        ADD_FAILURE() << format << ": " << e.what();
        agreement[format] = 0;
      }
    }
    std::printf("  %-32s %8.2f", name.c_str(), 100 * agreement["txt"]);
    for (const auto& format : kPackages) std::printf(" %8.2f", 100 * agreement[format]);
    std::printf("\n");
    for (const auto& format : kPackages)
      EXPECT_GE(agreement[format], agreement["txt"] - 0.01)
          << format << " agrees " << 100 * agreement[format] << "% with pdftotext, plain text "
          << 100 * agreement["txt"] << "%";
  }
}

// The parts of a package that carry its content, with what differs by design
// from run to run (the names of extracted images, which are UUIDs, and the
// document's creation and change times) masked.
std::map<std::string, std::string> ContentParts(const fs::path& package) {
  static const std::regex uuid("[0-9A-Fa-f]{8}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{12}");
  static const std::regex time("[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9]{2}:[0-9]{2}:[0-9]{2}(\\.[0-9]+)?Z?");
  std::map<std::string, std::string> parts;
  for (const auto& [name, data] : vqtest::ZipParts(package)) {
    if (!name.ends_with(".xml") && !name.ends_with(".rels")) continue;
    parts[std::regex_replace(name, uuid, "UUID")] =
        std::regex_replace(std::regex_replace(data, uuid, "UUID"), time, "TIME");
  }
  return parts;
}

// What differs between two packages: the first part missing from one or
// unequal, with the text around the first difference.
std::string PackageDifference(const std::map<std::string, std::string>& a,
                              const std::map<std::string, std::string>& b) {
  for (const auto& [name, data] : a) {
    auto it = b.find(name);
    if (it == b.end()) return name + " is in one package only";
    if (it->second == data) continue;
    const auto at = std::mismatch(data.begin(), data.end(), it->second.begin(), it->second.end());
    const size_t offset = static_cast<size_t>(at.first - data.begin());
    const size_t from = offset > 60 ? offset - 60 : 0;
    return name + " differs at byte " + std::to_string(offset) + ":\n    " + data.substr(from, 160) + "\n    " +
           it->second.substr(from, 160);
  }
  return a.size() == b.size() ? "" : "one package has parts the other lacks";
}

TEST(FormatAgreementCorpus, PackagesAreTheSameWithOneOrFourThreadsAndFromRunToRun) {
  vqtest::ScratchDir dir;
  for (const auto& pdf : vqtest::corpusFiles()) {
    const std::string name = pdf.filename().string();
    SCOPED_TRACE(name);
    for (const auto& format : kPackages) {
      const fs::path one = dir / (name + ".1." + format), four = dir / (name + ".4." + format),
                     again = dir / (name + ".4again." + format);
      ASSERT_EQ(Convert(pdf, format, one, 1), "") << format;
      ASSERT_EQ(Convert(pdf, format, four, 4), "") << format;
      ASSERT_EQ(Convert(pdf, format, again, 4), "") << format;
      const auto parts = ContentParts(one);
      for (const auto& [other, what] : {std::pair{four, "four threads"}, std::pair{again, "a second run"}}) {
        const std::string difference = PackageDifference(parts, ContentParts(other));
        if (difference.empty()) continue;
        // What pages number in the order they finish (shared strings, cell
        // styles, images) and the random part of image names may differ;
        // the text may not.
        const bool sameText = vqtest::OutputText(one, format) == vqtest::OutputText(other, format);
        std::printf("  %s %s, one thread against %s: %s (text %s)\n", name.c_str(), format.c_str(), what,
                    difference.substr(0, difference.find('\n')).c_str(), sameText ? "the same" : "differs");
        EXPECT_TRUE(sameText) << format << ", one thread against " << what << ": " << difference;
      }
    }
  }
}

}  // namespace

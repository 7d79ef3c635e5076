// DOCX end to end: the command-line program over every corpus file with one
// and with four page threads, the encrypted files through the programming
// interface. Each main part must be valid against the published
// WordprocessingML schemas (vendored under tests/schemas), hold the text the
// PDF shows, and not depend on the number of threads.
#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <regex>
#include <string>
#include <vector>

#include "docx/DocxConversionSupport.h"
#include "front/VQPapyrant.h"
#include "office/docx/DocxTestSupport.h"
#include "platform/dispatch/VQMainQueue.h"
#include "platform/text/Utf8.h"

namespace fs = std::filesystem;

namespace {

using Counts = std::map<char32_t, long>;

bool IsBlank(char32_t c) {
  return c <= 0x20 || (c >= 0x7F && c <= 0xA0) || (c >= 0x2000 && c <= 0x200B) || c == 0x1680 || c == 0x2028 ||
         c == 0x2029 || c == 0x202F || c == 0x205F || c == 0x3000 || c == 0xFEFF || c == 0xAD;
}

Counts CountsOf(const std::string& utf8) {
  Counts counts;
  for (const char32_t c : vq::text::utf8ToCodePoints(utf8))
    if (!IsBlank(c)) ++counts[c];
  return counts;
}

// Share, in percent, of the characters both texts hold, of the larger of the
// two; nullopt when neither has any.
std::optional<double> Agreement(const Counts& reference, const Counts& ours) {
  long shared = 0, a = 0, b = 0;
  for (const auto& [c, k] : reference) {
    a += k;
    if (auto it = ours.find(c); it != ours.end()) shared += std::min(k, it->second);
  }
  for (const auto& [c, k] : ours) b += k;
  if (std::max(a, b) == 0) return std::nullopt;
  return 100.0 * static_cast<double>(shared) / static_cast<double>(std::max(a, b));
}

std::string MainPart(const fs::path& docx) {
  std::string out;
  vqtest::runCommand("unzip -p " + vqtest::quoted(docx) + " word/document.xml", &out);
  return out;
}

// The text of every w:t of a main part, in document order.
std::string TextOf(const std::string& mainPart) {
  pugi::xml_document doc;
  if (!doc.load_string(mainPart.c_str())) return {};
  std::string text;
  for (const auto& node : doc.select_nodes("//w:t")) text += node.node().text().get();
  return text;
}

// The name of the body's last child, and how many section properties the
// text boxes hold (none may).
std::string BodyEnd(const std::string& mainPart) {
  pugi::xml_document doc;
  if (!doc.load_string(mainPart.c_str())) return "unreadable";
  const auto last = doc.select_node("/w:document/w:body/*[last()]").node();
  const size_t inBoxes = doc.select_nodes("//w:txbxContent//w:sectPr").size();
  return std::string(last.name()).substr(2) + ":" + std::to_string(inBoxes);
}

std::string Pdftotext(const fs::path& pdf, const fs::path& dest, const std::string& password = "") {
  const std::string pw = password.empty() ? "" : "-upw " + vqtest::quoted(password) + " ";
  vqtest::runCommand("pdftotext -enc UTF-8 " + pw + vqtest::quoted(pdf) + " " + vqtest::quoted(dest) + " 2> /dev/null");
  return vqtest::readFile(dest);
}

// The main part with its image relationship ids blanked: they are named
// after the temporary image files, which every run names afresh. Pictures
// rendered from shapes are titled with the time and random letters too.
std::string WithoutImageIds(const std::string& mainPart) {
  static const std::regex id("r:id=\"[^\"]*\"");
  static const std::regex shapesTitle("o:title=\"Path-[^\"]*\"");
  return std::regex_replace(std::regex_replace(mainPart, id, "r:id=\"\""), shapesTitle, "o:title=\"\"");
}

}  // namespace

TEST(VQDocxEndToEnd, CommandLineConvertsEveryCorpusFile) {
  const fs::path program = vqtest::binaryDir() / "cli" / "vqpapyrant";
  if (!fs::exists(program)) GTEST_SKIP() << "the command-line program is not built";
  const bool havePdftotext = vqtest::runCommand("command -v pdftotext > /dev/null") == 0;
  vqtest::ScratchDir dir;
  for (const auto& file : vqtest::corpusFiles()) {
    const std::string name = file.filename().string();
    if (name.rfind("encrypted-", 0) == 0) continue;
    SCOPED_TRACE(name);
    std::string parts[2];
    for (const int threads : {1, 4}) {
      const fs::path dest = dir / (name + "." + std::to_string(threads) + ".docx");
      std::string out;
      const int status =
          vqtest::runCommand("timeout 300 " + vqtest::quoted(program) + " -i " + vqtest::quoted(file) + " -f docx -t " +
                                 std::to_string(threads) + " -o " + vqtest::quoted(dest) + " 2>&1",
                             &out);
      ASSERT_EQ(status, 0) << out;
      parts[threads == 1 ? 0 : 1] = MainPart(dest);
    }
    ASSERT_FALSE(parts[0].empty());
    EXPECT_EQ(WithoutImageIds(parts[0]), WithoutImageIds(parts[1]))
        << "the pages do not depend on the threads that made them";
    EXPECT_EQ(vqtest::SchemaProblems(parts[0], dir.path()), "");
    EXPECT_EQ(BodyEnd(parts[0]), "sectPr:0") << "the body ends with the document's bare section properties";
    if (!havePdftotext) continue;
    const auto agreement = Agreement(CountsOf(Pdftotext(file, dir / (name + ".txt"))), CountsOf(TextOf(parts[0])));
    if (agreement) {
      EXPECT_GE(*agreement, vqtest::leastTextAgreementWithPdftotext(name));
    }
  }
}

// Every corpus DOCX opens in LibreOffice, is laid out within a minute, and
// has as many pages as its PDF: a PDF page stays one page.
TEST(VQDocxEndToEnd, LibreOfficeLaysOutEveryCorpusFileOnItsPages) {
  const fs::path program = vqtest::binaryDir() / "cli" / "vqpapyrant";
  if (!fs::exists(program)) GTEST_SKIP() << "the command-line program is not built";
  for (const char* tool : {"soffice", "pdfinfo", "qpdf"})
    if (vqtest::runCommand(std::string("command -v ") + tool + " > /dev/null") != 0)
      GTEST_SKIP() << tool << " is not installed";
  vqtest::ScratchDir dir;
  std::vector<fs::path> documents;
  std::vector<int> pdfPages;
  for (const auto& file : vqtest::corpusFiles()) {
    SCOPED_TRACE(file.filename().string());
    pdfPages.push_back(vqtest::pdfPageCount(file, vqtest::corpusPassword(file.filename().string())));
    documents.push_back(dir / (file.stem().string() + ".docx"));
    std::string out;
    ASSERT_EQ(vqtest::runCommand("timeout 300 " + vqtest::quoted(program) + " -i " +
                                     vqtest::quoted(vqtest::readableCorpusFile(file, dir.path())) + " -f docx -o " +
                                     vqtest::quoted(documents.back()) + " 2>&1",
                                 &out),
              0)
        << out;
  }
  const std::vector<int> pages = vqtest::libreOfficePageCounts(documents, dir.path());
  for (size_t i = 0; i < documents.size(); ++i)
    EXPECT_EQ(pages[i], pdfPages[i]) << documents[i].stem() << " (0: not laid out within a minute)";
}

namespace {

class EndRecorder : public vq::VQPapyrantDelegate {
 public:
  bool ended = false;
  std::optional<vq::VQError> error;
  void didEndConversion(vq::VQPapyrant*, const std::optional<vq::VQError>& e) override {
    ended = true;
    error = e;
  }
};

}  // namespace

TEST(VQDocxEndToEnd, EncryptedFilesThroughTheProgrammingInterface) {
  vqtest::ScratchDir dir;
  vq::MainQueue::shared().bindToCurrentThread();
  const bool havePdftotext = vqtest::runCommand("command -v pdftotext > /dev/null") == 0;
  const Counts reference =
      havePdftotext ? CountsOf(Pdftotext(vqtest::corpusFile("text-distiller.pdf"), dir / "reference.txt")) : Counts{};
  const std::pair<const char*, const char*> files[] = {
      {"encrypted-rc4-40-user.pdf", "user"},
      {"encrypted-aes128-user.pdf", "user"},
      {"encrypted-aes256-nonascii.pdf", "p\xC3\xA4ssw\xC3\xB6rd"},
  };
  for (auto [name, password] : files) {
    SCOPED_TRACE(name);
    const fs::path dest = dir / (std::string(name) + ".docx");
    vq::VQPapyrant papyrant;
    EndRecorder recorder;
    papyrant.setDelegate(&recorder);
    vq::VQPDFOptions options;
    options.threadMax = 4;
    papyrant.convertPDFAtPath(vqtest::corpusFile(name).string(), password, {1, 2, 3, 4, 5, 6}, "docx", dest.string(),
                              options);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    vq::MainQueue::shared().drainUntil([&] { return recorder.ended || std::chrono::steady_clock::now() > deadline; });
    ASSERT_TRUE(recorder.ended);
    ASSERT_FALSE(recorder.error.has_value()) << recorder.error->description();
    const std::string part = MainPart(dest);
    EXPECT_EQ(vqtest::SchemaProblems(part, dir.path()), "");
    if (!havePdftotext) continue;
    const auto agreement = Agreement(reference, CountsOf(TextOf(part)));
    ASSERT_TRUE(agreement.has_value());
    EXPECT_GE(*agreement, 99.0) << "the text of the unencrypted original";
  }
}

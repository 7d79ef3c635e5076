// The flow-text formats end to end: the host program over every corpus file,
// the encrypted files through the programming interface, the HTML read back
// by a browser, the RTF by LibreOffice, and the reading order of a
// multi-column page.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstring>
#include <fstream>
#include <map>
#include <optional>
#include <set>

#include <fmt/format.h>

#include "FlowTextTestSupport.h"
#include "front/VQPapyrant.h"
#include "platform/dispatch/VQMainQueue.h"
#include "platform/pdf/PdfDocument.h"

namespace {

namespace fs = std::filesystem;
using namespace ftest;

const char* const kTypes[] = {"txt", "html", "rtf"};

std::string Quoted(const fs::path& p) { return "'" + p.string() + "'"; }

// Exit status of the host program converting `pdf` (pages "" = all), with
// its temporary files under `tmp` when given.
int RunHost(const fs::path& pdf, const std::string& type, const fs::path& dest, const std::string& pages = "",
            const fs::path& tmp = {}) {
  const fs::path program = vqtest::binaryDir() / "cli" / "vqpapyrant";
  std::string command = tmp.empty() ? "" : "TMPDIR=" + Quoted(tmp) + " ";
  command += "timeout 300 " + Quoted(program) + " -i " + Quoted(pdf) + " -f " + type + " -o " + Quoted(dest);
  if (!pages.empty()) command += " -p " + pages;
  return vqtest::runCommand(command + " > /dev/null 2>&1");
}

bool HasNonBlank(const std::string& text) {
  for (size_t i = 0; i < text.size();) {
    const char32_t c = VQFlowTextNextCodePoint(text, i);
    if (c > 0x20 && c != 0xA0 && c != 0x3000 && c != 0xFEFF) return true;
  }
  return false;
}

std::map<char32_t, long> CharCounts(const std::string& text) {
  std::map<char32_t, long> counts;
  for (size_t i = 0; i < text.size();) {
    const char32_t c = VQFlowTextNextCodePoint(text, i);
    if (c <= 0x20 || c == 0xA0 || c == 0x0C || c == 0x3000 || c == 0xFEFF) continue;
    ++counts[c];
  }
  return counts;
}

// Share, in percent, of the characters of `expected` found in `actual`
// (white space ignored); nullopt when `expected` has none.
std::optional<double> Coverage(const std::string& expected, const std::string& actual) {
  const auto want = CharCounts(expected);
  const auto have = CharCounts(actual);
  long total = 0, found = 0;
  for (const auto& [c, n] : want) {
    total += n;
    if (auto it = have.find(c); it != have.end()) found += std::min(n, it->second);
  }
  if (total == 0) return std::nullopt;
  return 100.0 * found / total;
}

std::string WithoutBlanks(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size();) {
    const size_t start = i;
    const char32_t c = VQFlowTextNextCodePoint(text, i);
    if (c > 0x20 && c != 0xA0) out.append(text, start, i - start);
  }
  return out;
}

// The text of a serialised DOM's body: tags dropped, the entities a browser
// writes when serialising text decoded.
std::string BodyText(const std::string& dom) {
  const size_t body = dom.find("<body");
  std::string text;
  bool inTag = false;
  for (size_t i = body == std::string::npos ? 0 : body; i < dom.size(); ++i) {
    const char c = dom[i];
    if (inTag) {
      inTag = c != '>';
      continue;
    }
    if (c == '<') {
      inTag = true;
      text += ' ';
      continue;
    }
    if (c == '&') {
      static const std::pair<const char*, const char*> kEntities[] = {
          {"&amp;", "&"}, {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&#39;", "'"}, {"&nbsp;", " "}};
      bool decoded = false;
      for (auto [entity, plain] : kEntities) {
        if (dom.compare(i, std::strlen(entity), entity) == 0) {
          text += plain;
          i += std::strlen(entity) - 1;
          decoded = true;
          break;
        }
      }
      if (decoded) continue;
    }
    text += c;
  }
  return text;
}

std::string PdftotextOf(const fs::path& pdf, const fs::path& dest, const std::string& extra = "") {
  if (vqtest::runCommand("pdftotext -enc UTF-8 " + extra + " " + Quoted(pdf) + " " + Quoted(dest) + " 2> /dev/null") !=
      0)
    return "";
  return vqtest::readFile(dest);
}

// Every file in all three formats: exit status 0, an output file, text where
// the PDF has text, and no temporary file left behind (the interpreter
// decodes every image resource into one). Plain text of a file without text
// fails and writes nothing; the markup formats always have their frame.
TEST(VQFlowTextEndToEnd, HostProgramConvertsEveryCorpusFile) {
  vqtest::ScratchDir dir;
  const fs::path tmp = dir / "tmp";
  fs::create_directories(tmp);
  const bool haveReference = vqtest::runCommand("command -v pdftotext > /dev/null") == 0;
  for (const auto& pdf : vqtest::corpusFiles()) {
    const std::string name = pdf.filename().string();
    if (name.rfind("encrypted-", 0) == 0) continue;  // no password on the command line
    const bool hasText = haveReference && HasNonBlank(PdftotextOf(pdf, dir / (name + ".ref")));
    for (const char* type : kTypes) {
      SCOPED_TRACE(name + " -> " + type);
      const fs::path dest = dir / (name + "." + type);
      const int status = RunHost(pdf, type, dest, "", tmp);
      if (std::string(type) == "txt" && haveReference && !hasText) {
        EXPECT_EQ(status, 1);
        EXPECT_FALSE(fs::exists(dest));
        continue;
      }
      ASSERT_EQ(status, 0);
      ASSERT_TRUE(fs::is_regular_file(dest));
      EXPECT_TRUE(HasNonBlank(vqtest::readFile(dest)));
      for (const auto& e : fs::recursive_directory_iterator(tmp)) {
        EXPECT_FALSE(e.is_regular_file()) << "left behind: " << e.path();
      }
    }
  }
}

// Records the end report of a conversion.
class EndRecorder : public vq::VQPapyrantDelegate {
 public:
  bool ended = false;
  std::optional<vq::VQError> error;
  std::vector<uint64_t> failedPages;
  void didEndConversion(vq::VQPapyrant*, const std::optional<vq::VQError>& e) override {
    ended = true;
    error = e;
  }
  void pdfPageIndexFaildWithError(vq::VQPapyrant*, uint64_t page, const vq::VQError&) override {
    failedPages.push_back(page);
  }
};

TEST(VQFlowTextEndToEnd, EncryptedFilesThroughTheProgrammingInterface) {
  vqtest::ScratchDir dir;
  vq::MainQueue::shared().bindToCurrentThread();
  const std::pair<const char*, const char*> files[] = {
      {"encrypted-rc4-40-user.pdf", "user"},
      {"encrypted-aes128-user.pdf", "user"},
      {"encrypted-aes256-nonascii.pdf", "p\xC3\xA4ssw\xC3\xB6rd"},
  };
  const std::string reference = PdftotextOf(vqtest::corpusFile("text-distiller.pdf"), dir / "reference.txt");
  for (auto [name, password] : files) {
    for (const char* type : kTypes) {
      SCOPED_TRACE(std::string(name) + " -> " + type);
      const fs::path dest = dir / (std::string(name) + "." + type);
      vq::VQPapyrant papyrant;
      EndRecorder recorder;
      papyrant.setDelegate(&recorder);
      papyrant.convertPDFAtPath(vqtest::corpusFile(name).string(), password, {1, 2, 3, 4, 5, 6}, type, dest.string(),
                                vq::VQPDFOptions());
      const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
      vq::MainQueue::shared().drainUntil([&] { return recorder.ended || std::chrono::steady_clock::now() > deadline; });
      ASSERT_TRUE(recorder.ended);
      EXPECT_FALSE(recorder.error.has_value()) << recorder.error->description();
      EXPECT_TRUE(recorder.failedPages.empty());
      const std::string content = vqtest::readFile(dest);
      ASSERT_TRUE(HasNonBlank(content));
      // Decryption worked: the text is that of the unencrypted original.
      if (std::string(type) == "txt" && !reference.empty()) {
        const auto coverage = Coverage(reference, content);
        ASSERT_TRUE(coverage.has_value());
        EXPECT_GE(*coverage, 95.0);
      }
    }
  }
}

// The dumped DOM of each page holds the text of our plain-text output.
TEST(VQFlowTextEndToEnd, HtmlRendersInHeadlessChromium) {
  if (vqtest::runCommand("command -v chromium > /dev/null") != 0) GTEST_SKIP() << "chromium is not installed";
  vqtest::ScratchDir dir;
  for (const char* name : {"text-distiller.pdf", "cjk-chinese-exam.pdf", "tables-colortbl.pdf"}) {
    SCOPED_TRACE(name);
    const fs::path pdf = vqtest::corpusFile(name);
    const fs::path html = dir / (std::string(name) + ".html");
    const fs::path txt = dir / (std::string(name) + ".txt");
    ASSERT_EQ(RunHost(pdf, "html", html), 0);
    ASSERT_EQ(RunHost(pdf, "txt", txt), 0);
    const fs::path profile = dir / (std::string(name) + ".profile");
    fs::create_directories(profile);
    std::string dom;
    const int status = vqtest::runCommand(
        "timeout 120 chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run "
        "--disable-background-networking --disable-component-update --disable-sync --user-data-dir=" +
            Quoted(profile) + " --dump-dom " + Quoted("file://" + html.string()) + " 2> /dev/null",
        &dom);
    ASSERT_EQ(status, 0);
    ASSERT_NE(dom.find("<body"), std::string::npos);
    const auto coverage = Coverage(vqtest::readFile(txt), BodyText(dom));
    ASSERT_TRUE(coverage.has_value());
    EXPECT_GE(*coverage, 99.0);
  }
}

// The host's RTF of a CJK page reads back in LibreOffice with its text.
TEST(VQFlowTextEndToEnd, HostRtfOpensInLibreOffice) {
  if (vqtest::runCommand("command -v soffice > /dev/null") != 0) GTEST_SKIP() << "soffice is not installed";
  vqtest::ScratchDir dir;
  const fs::path pdf = vqtest::corpusFile("cjk-chinese-exam.pdf");
  ASSERT_EQ(RunHost(pdf, "rtf", dir / "doc.rtf"), 0);
  ASSERT_EQ(RunHost(pdf, "txt", dir / "ours.txt"), 0);
  fs::create_directories(dir / "home");
  fs::create_directories(dir / "out");
  // soffice exits 0 even when it fails, so the converted file is what counts.
  vqtest::runCommand("HOME=" + Quoted(dir / "home") +
                     " timeout 180 soffice --headless --convert-to txt:Text --outdir " + Quoted(dir / "out") + " " +
                     Quoted(dir / "doc.rtf") + " > /dev/null 2>&1");
  ASSERT_TRUE(fs::exists(dir / "out" / "doc.txt"));
  const auto coverage = Coverage(vqtest::readFile(dir / "ours.txt"), vqtest::readFile(dir / "out" / "doc.txt"));
  ASSERT_TRUE(coverage.has_value());
  EXPECT_GE(*coverage, 99.0);
}

// A three-column page reads column by column, as pdftotext gives it.
TEST(VQFlowTextEndToEnd, MultiColumnPageReadsColumnByColumn) {
  vqtest::ScratchDir dir;
  const fs::path dest = dir / "page5.txt";
  ASSERT_EQ(RunHost(vqtest::corpusFile("columns-multicol.pdf"), "txt", dest, "5"), 0);
  const std::string text = WithoutBlanks(vqtest::readFile(dest));
  const char* const phrases[] = {
      "Not balancing the",                 // first column, top
      "Another request often voiced",      // first column, lower
      "the column short (comparable to",   // second column, top
      "the usual star float commands",     // second column
      "combination of t, b, and/or p",     // second column, lower
      "a good way to break the",           // third column
      "If a column contains a character",  // third column, lower
  };
  size_t from = 0;
  for (const char* phrase : phrases) {
    const size_t at = text.find(WithoutBlanks(phrase), from);
    ASSERT_NE(at, std::string::npos) << "missing or out of order: " << phrase;
    from = at + 1;
  }
}

}  // namespace

namespace {

// The glyph names of the /Differences of a document's page fonts that are
// six or more letters long.
std::set<std::string> LongDifferencesNames(const fs::path& pdf) {
  std::set<std::string> names;
  auto document = vq::pdf::Document::open(pdf.string(), "");
  if (!document) return names;
  for (int n = 1; n <= document->pageCount(); ++n) {
    const vq::pdf::Object fonts = document->page(n)->resources().get("Font");
    if (!fonts.isDictionary()) continue;
    for (const std::string& key : fonts.keys()) {
      const vq::pdf::Object differences = fonts.get(key).get("Encoding").get("Differences");
      if (!differences.isArray()) continue;
      for (const vq::pdf::Object& item : differences.elements()) {
        auto name = item.name();
        if (name && name->size() >= 6 &&
            std::all_of(name->begin(), name->end(), [](unsigned char c) { return std::isalpha(c); }))
          names.insert(*name);
      }
    }
  }
  return names;
}

// A glyph name is never text: a page whose /Differences use names outside
// the glyph list, and every corpus file whose fonts have /Differences, give
// plain text without the name of any of their glyphs that the page does not
// spell out (pdftotext's text says what it does).
TEST(VQFlowTextEndToEnd, GlyphNamesNeverBecomeText) {
  vqtest::ScratchDir dir;
  const fs::path fixture = dir / "names.pdf";
  std::ofstream(fixture, std::ios::binary) << vqtest::BuildPDF({
      "<< /Type /Catalog /Pages 2 0 R >>",
      "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
      "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] "
      "/Resources << /Font << /F1 4 0 R >> >> /Contents 5 0 R >>",
      "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding << /Differences [65 "
      "/angbracketleft /uni2022 /u1F600 /f_f_i /a.sc /nonsense /angbracketright] >> >>",
      vqtest::PDFStream("BT /F1 12 Tf 72 700 Td (ABCDEFG) Tj ET"),
  });
  ASSERT_EQ(RunHost(fixture, "txt", dir / "names.txt"), 0);
  EXPECT_EQ(WithoutBlanks(vqtest::readFile(dir / "names.txt")),
            "\xE2\x9F\xA8\xE2\x80\xA2\xF0\x9F\x98\x80"
            "ffia\xE2\x9F\xA9");

  if (vqtest::runCommand("command -v pdftotext > /dev/null") != 0) GTEST_SKIP() << "pdftotext is not installed";
  int checked = 0;
  for (const auto& pdf : vqtest::corpusFiles()) {
    const std::string name = pdf.filename().string();
    if (name.rfind("encrypted-", 0) == 0) continue;
    const std::set<std::string> glyphNames = LongDifferencesNames(pdf);
    if (glyphNames.empty()) continue;
    SCOPED_TRACE(name);
    const std::string reference = PdftotextOf(pdf, dir / (name + ".ref"));
    ASSERT_EQ(RunHost(pdf, "txt", dir / (name + ".txt")), 0);
    const std::string ours = vqtest::readFile(dir / (name + ".txt"));
    for (const std::string& glyph : glyphNames) {
      if (reference.find(glyph) == std::string::npos) {
        EXPECT_EQ(ours.find(glyph), std::string::npos) << glyph;
      }
    }
    ++checked;
  }
  EXPECT_GT(checked, 0);
}

// A PDF of Helvetica pages, each drawn by its content stream.
std::string HelveticaPages(const std::vector<std::string>& contents) {
  const size_t n = contents.size();
  std::string kids;
  for (size_t i = 0; i < n; ++i) kids += std::to_string(4 + i) + " 0 R ";
  std::vector<std::string> objects = {"<< /Type /Catalog /Pages 2 0 R >>",
                                      "<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(n) + " >>",
                                      "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>"};
  for (size_t i = 0; i < n; ++i)
    objects.push_back(
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Resources << /Font << /F1 3 0 R >> >> "
        "/Contents " +
        std::to_string(4 + n + i) + " 0 R >>");
  for (const auto& c : contents) objects.push_back(vqtest::PDFStream(c));
  return vqtest::BuildPDF(objects);
}

bool HaveLibreOfficeAndPdfinfo() {
  return vqtest::runCommand("command -v soffice > /dev/null && command -v pdfinfo > /dev/null") == 0;
}

// The RTF keeps the PDF's pages when LibreOffice opens it: a page break
// between pages, and a page of two columns of text stays one page with its
// lines whole (in columns as wide as the PDF's, not a letter or two wide).
TEST(VQFlowTextEndToEnd, RtfKeepsPagesAndColumnsInLibreOffice) {
  if (!HaveLibreOfficeAndPdfinfo()) GTEST_SKIP() << "soffice or pdfinfo is not installed";
  vqtest::ScratchDir dir;
  const fs::path three = dir / "three.pdf", columns = dir / "columns.pdf";
  std::ofstream(three, std::ios::binary) << HelveticaPages({"BT /F1 12 Tf 72 700 Td (Page one) Tj ET",
                                                            "BT /F1 12 Tf 72 700 Td (Page two) Tj ET",
                                                            "BT /F1 12 Tf 72 700 Td (Page three) Tj ET"});
  // Two columns of 60 lines, 12 points apart, from the top margin down.
  std::string content = "BT /F1 14 Tf 72 740 Td (Two columns under one heading) Tj ET ";
  for (int column = 0; column < 2; ++column)
    for (int line = 0; line < 60; ++line)
      content += fmt::format("BT /F1 10 Tf {} {} Td (column {} line {} of running text) Tj ET ", 72 + 250 * column,
                             710 - 12 * line, column + 1, line + 1);
  std::ofstream(columns, std::ios::binary) << HelveticaPages({content});
  ASSERT_EQ(RunHost(three, "rtf", dir / "three.rtf"), 0);
  ASSERT_EQ(RunHost(columns, "rtf", dir / "columns.rtf"), 0);
  const std::string rtf = vqtest::readFile(dir / "three.rtf");
  size_t breaks = 0;
  for (size_t at = rtf.find("\\page"); at != std::string::npos; at = rtf.find("\\page", at + 1)) ++breaks;
  EXPECT_EQ(breaks, 2u);
  EXPECT_NE(vqtest::readFile(dir / "columns.rtf").find("\\cols2"), std::string::npos);

  EXPECT_EQ(vqtest::libreOfficePageCounts({dir / "three.rtf", dir / "columns.rtf"}, dir.path()),
            (std::vector<int>{3, 1}));
  std::string text;
  vqtest::runCommand("pdftotext -layout " + Quoted(dir / "out" / "columns.pdf") + " - 2> /dev/null", &text);
  for (int line : {1, 30, 60}) {
    SCOPED_TRACE(line);
    const std::string left = fmt::format("column 1 line {} of running text", line);
    const std::string right = fmt::format("column 2 line {} of running text", line);
    EXPECT_NE(text.find(left), std::string::npos);
    EXPECT_NE(text.find(right), std::string::npos);
  }
}

// Characters beyond 32767 and beyond U+FFFF read back from the RTF.
TEST(VQFlowTextEndToEnd, RtfUnicodeReadsBackInLibreOffice) {
  if (vqtest::runCommand("command -v soffice > /dev/null") != 0) GTEST_SKIP() << "soffice is not installed";
  vqtest::ScratchDir dir;
  const std::string text = "caf\xC3\xA9 \xE4\xB8\xAD \xEA\xB0\x80 \xEF\xBF\xBD \xF0\x9F\x98\x80";
  ASSERT_NE(Convert("rtf", dir / "u.rtf", {{MakeRun(text, 72, 82, 100)}}), "<failed>");
  fs::create_directories(dir / "home");
  vqtest::runCommand("HOME=" + Quoted(dir / "home") +
                     " timeout 180 soffice --headless --convert-to txt:Text --outdir " + Quoted(dir.path()) + " " +
                     Quoted(dir / "u.rtf") + " > /dev/null 2>&1");
  ASSERT_TRUE(fs::exists(dir / "u.txt"));
  EXPECT_NE(vqtest::readFile(dir / "u.txt").find(text), std::string::npos) << vqtest::readFile(dir / "u.txt");
}

// Every corpus file opens in LibreOffice at its page count: pages that the
// reader's wider fonts would overfill have their lines set closer.
TEST(VQFlowTextCorpus, RtfPageCountsInLibreOffice) {
  if (!HaveLibreOfficeAndPdfinfo()) GTEST_SKIP() << "soffice or pdfinfo is not installed";
  if (vqtest::runCommand("command -v qpdf > /dev/null") != 0) GTEST_SKIP() << "qpdf is not installed";
  vqtest::ScratchDir dir;
  std::vector<fs::path> rtfs;
  std::vector<int> expected;
  for (const auto& file : vqtest::corpusFiles()) {
    const std::string name = file.filename().string();
    rtfs.push_back(dir / (file.stem().string() + ".rtf"));
    ASSERT_EQ(RunHost(vqtest::readableCorpusFile(file, dir.path()), "rtf", rtfs.back()), 0) << name;
    expected.push_back(vqtest::pdfPageCount(file, vqtest::corpusPassword(name)));
  }
  const std::vector<int> pages = vqtest::libreOfficePageCounts(rtfs, dir.path());
  for (size_t i = 0; i < rtfs.size(); ++i)
    EXPECT_EQ(pages[i], expected[i]) << rtfs[i].stem() << " (0: not laid out within a minute)";
}

}  // namespace

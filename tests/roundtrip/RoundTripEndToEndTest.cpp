// Documents whose text is known exactly are printed to PDF by real
// producers (LibreOffice Writer, Impress and Calc, Chromium), converted to
// every text format, and read back: every word of the source must come out
// once, unglued, in reading order, and a DOCX must keep the source's
// paragraphs (one for each paragraph, heading, list item and table cell),
// cut only where a page or column ends. These producers set text in TrueType
// subsets, clip each frame and cell, and space words with blank glyphs or
// positioning, which a converter tuned on other producers may lose.
#include <gtest/gtest.h>

#include <pugixml.hpp>

#include <cstdio>
#include <cstdlib>
#include <map>

#include <fmt/format.h>

#include "WordCheck.h"
#include "support/OutputText.h"
#include "support/TestSupport.h"

namespace {

namespace fs = std::filesystem;

const std::vector<std::string> kFormats = {"docx", "xlsx", "csv", "pptx", "html", "rtf", "txt"};

std::string Quoted(const fs::path& p) { return "'" + p.string() + "'"; }

fs::path SourcesDir() { return fs::path(VQ_ROUNDTRIP_SOURCES); }

std::vector<fs::path> Sources(const std::string& extension) {
  std::vector<fs::path> files;
  for (const auto& e : fs::directory_iterator(SourcesDir()))
    if (e.path().extension() == extension) files.push_back(e.path());
  std::sort(files.begin(), files.end());
  return files;
}

bool Installed(const std::string& program) { return vqtest::runCommand("command -v " + program + " > /dev/null") == 0; }

// The PDFs LibreOffice makes of every source with `extension`, in one run
// for them all, made once per test program; the folder holding them.
const fs::path& LibreOfficePDFs(const std::string& extension) {
  static vqtest::ScratchDir dir;
  static std::map<std::string, fs::path> made;
  if (auto it = made.find(extension); it != made.end()) return it->second;
  const fs::path out = dir / extension.substr(1);
  fs::create_directories(out);
  std::string command = "HOME=" + Quoted(dir.path()) + " timeout 300 soffice --headless -env:UserInstallation=file://" +
                        (dir / "lo").string() + " --convert-to pdf --outdir " + Quoted(out);
  for (const auto& source : Sources(extension)) command += " " + Quoted(source);
  // soffice exits 0 even when a conversion fails: the files are what count.
  vqtest::runCommand(command + " > /dev/null 2>&1");
  return made[extension] = out;
}

// The PDF Chromium prints of an HTML source, without header and footer.
fs::path ChromiumPDF(const fs::path& source, const vqtest::ScratchDir& dir) {
  const fs::path pdf = dir / (source.stem().string() + ".pdf");
  vqtest::runCommand(
      "timeout 120 chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run "
      "--disable-background-networking --disable-component-update --disable-sync --user-data-dir=" +
      Quoted(dir / "chromium") + " --no-pdf-header-footer --print-to-pdf=" + Quoted(pdf) + " " +
      Quoted("file://" + source.string()) + " > /dev/null 2>&1");
  return pdf;
}

// The DOCX's paragraphs against the source's; the summary for the table.
std::string CheckParagraphs(const fs::path& source, const fs::path& docx) {
  if (!fs::exists(docx)) return "-";
  try {
    std::vector<rtest::OutputParagraph> paragraphs;
    for (const auto& p : vqtest::DocxParagraphs(vqtest::ZipParts(docx).at("word/document.xml")))
      paragraphs.push_back({rtest::NormalisedWords(p.text), p.afterBreak});
    const rtest::ParagraphCheck check = rtest::CompareParagraphs(rtest::SourceParagraphs(source), paragraphs);
    EXPECT_TRUE(check.ok()) << "the paragraphs of the DOCX of " << source.filename().string() << ":\n"
                            << check.describe();
    return check.summary();
  } catch (const std::exception& e) {
    ADD_FAILURE() << "the DOCX of " << source.filename().string() << ": " << e.what();
    return "unreadable";
  }
}

// Converts the PDF of each source to every format and compares the words;
// prints a table of the outcomes at the end (ok, or counts of m(issing),
// d(oubled), g(lued), u(nexpected) and o(ut of order) words), and of the
// DOCX's paragraphs ("ok" or not, the DOCX's count against the source's, and
// the counts of j(oined) and s(plit) paragraphs).
void CheckRoundTrips(const std::vector<std::pair<fs::path, fs::path>>& sourcesAndPDFs) {
  vqtest::ScratchDir dir;
  const fs::path program = vqtest::binaryDir() / "cli" / "vqpapyrant";
  std::string table = fmt::format("  {:<22}", "document");
  for (const auto& format : kFormats) table += fmt::format(" {:<12}", format);
  table += " docx paragraphs\n";
  for (const auto& [source, pdf] : sourcesAndPDFs) {
    const std::string document = source.filename().string();
    table += fmt::format("  {:<22}", document);
    if (!fs::exists(pdf) || fs::file_size(pdf) == 0) {
      table += " (no PDF)\n";
      ADD_FAILURE() << "the producer made no PDF of " << document;
      continue;
    }
    const auto streams = rtest::SourceStreams(source);
    size_t words = 0;
    for (const auto& s : streams) words += s.size();
    ASSERT_GT(words, 20u) << document << " reads as almost no words";
    for (const auto& format : kFormats) {
      const fs::path out = dir / (source.stem().string() + "." + format);
      const int status = vqtest::runCommand(Quoted(program) + " -i " + Quoted(pdf) + " -f " + format + " -o " +
                                            Quoted(out) + " > /dev/null 2>&1");
      std::string summary;
      if (status != 0) {
        summary = "exit " + std::to_string(status);
        ADD_FAILURE() << "format " << format << ", document " << document << ": the conversion failed";
      } else {
        try {
          // Spreadsheets are read row by row, and a row of a page in
          // columns holds a line of each column: the columns' texts may
          // interleave there, each keeping its own order. A slide's shapes
          // may come in any order (they stack in paint order), each keeping
          // the source's. Every other format reads one column after the
          // other.
          const bool sheet = format == "xlsx" || format == "csv";
          rtest::WordCheck check;
          if (format == "pptx") {
            std::vector<std::vector<std::string>> shapes;
            for (const auto& text : vqtest::PptxShapeTexts(vqtest::ZipParts(out)))
              shapes.push_back(rtest::NormalisedWords(text));
            check = rtest::CompareShapeWords(streams, shapes);
          } else {
            check = rtest::CompareWords(streams, rtest::NormalisedWords(vqtest::OutputText(out, format)), sheet);
          }
          summary = check.summary();
          EXPECT_TRUE(check.ok()) << "format " << format << ", document " << document << ":\n" << check.describe();
        } catch (const vqtest::OutputTextError& e) {
          summary = "unreadable";
          ADD_FAILURE() << "format " << format << ", document " << document << ": " << e.what();
        }
      }
      table += fmt::format(" {:<12}", summary);
    }
    table += " " + CheckParagraphs(source, dir / (source.stem().string() + ".docx")) + "\n";
  }
  std::printf("%s", table.c_str());
}

void CheckLibreOffice(const std::string& extension) {
  if (!Installed("soffice")) GTEST_SKIP() << "soffice is not installed";
  std::vector<std::pair<fs::path, fs::path>> pairs;
  for (const auto& source : Sources(extension))
    pairs.emplace_back(source, LibreOfficePDFs(extension) / (source.stem().string() + ".pdf"));
  ASSERT_FALSE(pairs.empty());
  CheckRoundTrips(pairs);
}

TEST(RoundTripEndToEnd, LibreOfficeWriterDocuments) { CheckLibreOffice(".fodt"); }

TEST(RoundTripEndToEnd, LibreOfficeImpressSlides) { CheckLibreOffice(".fodp"); }

TEST(RoundTripEndToEnd, LibreOfficeCalcSheets) { CheckLibreOffice(".fods"); }

// White rules of a table and white lines drawn over a slide's coloured
// background keep their colour and stand above the background: a white
// stroke is paint like any other.
TEST(RoundTripEndToEnd, WhiteRulesOverAColouredSlide) {
  if (!Installed("soffice")) GTEST_SKIP() << "soffice is not installed";
  const fs::path pdf = LibreOfficePDFs(".fodp") / "impress-rules.pdf";
  ASSERT_TRUE(fs::exists(pdf)) << "the producer made no PDF of impress-rules.fodp";
  vqtest::ScratchDir dir;
  const fs::path out = dir / "rules.pptx";
  ASSERT_EQ(vqtest::runCommand(Quoted(vqtest::binaryDir() / "cli" / "vqpapyrant") + " -i " + Quoted(pdf) +
                               " -f pptx -o " + Quoted(out) + " > /dev/null 2>&1"),
            0);
  pugi::xml_document slide;
  ASSERT_TRUE(slide.load_string(vqtest::ZipParts(out).at("ppt/slides/slide1.xml").c_str()));
  // The colour of a solid fill, "" for none or a transparent one.
  auto paint = [](const pugi::xml_node& solidFill) -> std::string {
    const pugi::xml_node rgb = solidFill.child("a:srgbClr");
    if (!rgb || rgb.child("a:alpha").attribute("val").as_int(100000) == 0) return "";
    return rgb.attribute("val").as_string();
  };
  // The slide's background (#1f3a5f) is painted first; count the white rules after it.
  bool background = false;
  int whiteRulesAfter = 0, whiteRulesBefore = 0;
  for (const auto& shape : slide.select_nodes("//p:sp")) {
    const pugi::xml_node spPr = shape.node().child("p:spPr");
    const std::string fill = paint(spPr.child("a:solidFill"));
    if (fill.size() == 6 && std::abs(std::stoi(fill.substr(0, 2), nullptr, 16) - 0x1f) <= 2 &&
        std::abs(std::stoi(fill.substr(2, 2), nullptr, 16) - 0x3a) <= 2 &&
        std::abs(std::stoi(fill.substr(4, 2), nullptr, 16) - 0x5f) <= 2)
      background = true;
    const pugi::xml_node ext = spPr.child("a:xfrm").child("a:ext");
    const bool thin = std::min(ext.attribute("cx").as_llong(), ext.attribute("cy").as_llong()) < 4 * 12700;
    if (thin && paint(spPr.child("a:ln").child("a:solidFill")) == "ffffff")
      (background ? whiteRulesAfter : whiteRulesBefore) += 1;
  }
  EXPECT_TRUE(background) << "the slide's colour is lost";
  // Two lines, four rules across the table and four down it.
  EXPECT_EQ(whiteRulesAfter, 10);
  EXPECT_EQ(whiteRulesBefore, 0);
}

TEST(RoundTripEndToEnd, ChromiumPages) {
  if (!Installed("chromium")) GTEST_SKIP() << "chromium is not installed";
  vqtest::ScratchDir dir;
  std::vector<std::pair<fs::path, fs::path>> pairs;
  for (const auto& source : Sources(".html")) pairs.emplace_back(source, ChromiumPDF(source, dir));
  ASSERT_FALSE(pairs.empty());
  CheckRoundTrips(pairs);
}

}  // namespace

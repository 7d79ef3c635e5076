// Word gaps through every text format: lines whose words are set apart by a
// blank glyph (of any code, at any width) or by positioning alone come out
// with every word separated, whichever format reads them.
#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <fmt/format.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "support/TestSupport.h"

namespace {

namespace fs = std::filesystem;
using vqtest::ScratchDir;

std::string quoted(const fs::path& p) { return "'" + p.string() + "'"; }

// The characters of the CID font, in glyph order from glyph 1: the blank is
// glyph (and code) 3, as in the fonts form producers subset.
const std::string kCIDCharacters = ".: abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";

uint16_t cidAdvance(char c) {
  if (c == ' ') return 278;
  if (c == '.' || c == ':') return 278;
  if (c == 'i' || c == 'l' || c == 'I') return 222;
  if (c == 'M' || c == 'W') return 1000;  // as wide as ideographs or Hangul
  if (c >= 'A' && c <= 'Z') return 667;
  return 556;
}

std::string hex4(unsigned v) { return fmt::format("{:04X}", v); }

// The code of `c` in the CID font: its glyph number.
std::string cidCode(char c) { return hex4(static_cast<unsigned>(kCIDCharacters.find(c)) + 1); }

// A string of the CID font's codes for `text`.
std::string cidString(const std::string& text) {
  std::string out = "<";
  for (char c : text) out += cidCode(c);
  return out + ">";
}

// A one-page PDF whose /F1 is a Type 0 font over an embedded TrueType
// program (Identity-H, CIDFontType2) with a ToUnicode map, /F2 Courier,
// /F3 the same program with a map that names no blank (a subset without one),
// and /F4 Helvetica.
std::string CIDFontPage(const std::string& content) {
  std::vector<std::pair<uint32_t, uint16_t>> advances;
  std::string widths;
  std::string bfchars, noBlank;
  for (size_t i = 0; i < kCIDCharacters.size(); ++i) {
    const char c = kCIDCharacters[i];
    advances.emplace_back(static_cast<unsigned char>(c), cidAdvance(c));
    widths += fmt::format("{} ", cidAdvance(c));
    const std::string entry =
        fmt::format("<{}> <{}>\n", hex4(static_cast<unsigned>(i) + 1), hex4(static_cast<unsigned char>(c)));
    bfchars += entry;
    if (c != ' ') noBlank += entry;
  }
  const std::string program = vqtest::BuildTrueTypeFont("GapSans", advances);
  auto toUnicode = [](const std::string& entries, size_t count) {
    return "/CIDInit /ProcSet findresource begin 12 dict begin begincmap\n"
           "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\n"
           "/CMapName /Adobe-Identity-UCS def /CMapType 2 def\n"
           "1 begincodespacerange <0000> <FFFF> endcodespacerange\n" +
           fmt::format("{} beginbfchar\n", count) + entries +
           "endbfchar\nendcmap CMapName currentdict /CMap defineresource pop end end";
  };
  return vqtest::BuildPDF({
      "<< /Type /Catalog /Pages 2 0 R >>",
      "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
      "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Resources << /Font << /F1 5 0 R /F2 10 0 R /F3 11 0 R /F4 "
      "13 0 R "
      ">> >> "
      "/Contents 4 0 R >>",
      vqtest::PDFStream(content),
      "<< /Type /Font /Subtype /Type0 /BaseFont /ABCDEF+GapSans /Encoding /Identity-H /DescendantFonts [6 0 R] "
      "/ToUnicode 9 0 R >>",
      "<< /Type /Font /Subtype /CIDFontType2 /BaseFont /ABCDEF+GapSans /CIDSystemInfo << /Registry (Adobe) "
      "/Ordering (Identity) /Supplement 0 >> /FontDescriptor 7 0 R /CIDToGIDMap /Identity /DW 1000 /W [1 [" +
          widths + "]] >>",
      "<< /Type /FontDescriptor /FontName /ABCDEF+GapSans /Flags 32 /FontBBox [0 -200 1000 800] /ItalicAngle 0 "
      "/Ascent 800 /Descent -200 /CapHeight 700 /StemV 80 /FontFile2 8 0 R >>",
      "<< /Length " + std::to_string(program.size()) + " >>\nstream\n" + program + "\nendstream",
      vqtest::PDFStream(toUnicode(bfchars, kCIDCharacters.size())),
      "<< /Type /Font /Subtype /Type1 /BaseFont /Courier /Encoding /WinAnsiEncoding >>",
      "<< /Type /Font /Subtype /Type0 /BaseFont /ABCDEF+GapSans /Encoding /Identity-H /DescendantFonts [6 0 R] "
      "/ToUnicode 12 0 R >>",
      vqtest::PDFStream(toUnicode(noBlank, kCIDCharacters.size() - 1)),
      "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>",
  });
}

// Lines of words shown in the CID font, each word its own string and the
// blank glyph between them followed by `narrow` thousandths of an em taken
// off it (0: the blank as wide as it is).
std::string CIDLines(const std::vector<std::string>& lines, int narrow) {
  std::string content = "BT /F1 11 Tf 72 700 Td 14 TL\n";
  for (const auto& line : lines) {
    std::istringstream words(line);
    std::string word, shown = "[";
    bool first = true;
    while (words >> word) {
      if (!first) shown += cidString(" ") + (narrow ? fmt::format(" {} ", narrow) : " ");
      shown += cidString(word);
      first = false;
    }
    content += shown + "] TJ T*\n";
  }
  return content + "ET";
}

// Text read back from each format's output, its paragraphs or cells one a
// line.
std::string TextOf(const fs::path& out, const std::string& format) {
  std::string text;
  auto readZipped = [&](const std::string& member) {
    std::string xml;
    vqtest::runCommand("unzip -p " + quoted(out) + " '" + member + "' 2>/dev/null", &xml);
    return xml;
  };
  auto collect = [&](const std::string& xml, const char* block, const char* run) {
    pugi::xml_document doc;
    // A run of a lone blank is text too.
    if (!doc.load_string(xml.c_str(), pugi::parse_default | pugi::parse_ws_pcdata)) return;
    for (const auto& b : doc.select_nodes((std::string("//") + block).c_str())) {
      pugi::xpath_node_set pieces = b.node().select_nodes(run);
      pieces.sort();
      // A tab between runs parts their words as a blank does.
      for (const auto& t : pieces) text += std::string(t.node().name()) == "w:tab" ? "\t" : t.node().text().get();
      text += "\n";
    }
  };
  if (format == "docx") {
    collect(readZipped("word/document.xml"), "w:p", ".//w:r/w:t | .//w:r/w:tab");
  } else if (format == "xlsx") {
    collect(readZipped("xl/sharedStrings.xml"), "si", ".//t");
  } else if (format == "pptx") {
    collect(readZipped("ppt/slides/slide1.xml"), "a:p", ".//a:t");
  } else {
    std::ifstream in(out, std::ios::binary);
    text.assign(std::istreambuf_iterator<char>(in), {});
    if (format == "html") {
      text = std::regex_replace(text, std::regex("</?(p|br|div)[^>]*>"), "\n");
      text = std::regex_replace(text, std::regex("<[^>]*>"), "");
      text = std::regex_replace(text, std::regex("&nbsp;|&#160;"), " ");
    }
  }
  return text;
}

// True when `words` appear in `text` in this order on one line (one
// paragraph or cell), each set apart from the next by blanks or tabs, and
// nowhere else.
bool WordsApartOnce(const std::string& text, const std::vector<std::string>& words) {
  std::string pattern;
  for (size_t i = 0; i < words.size(); ++i) {
    if (i) pattern += "[ \\t]+";
    pattern += std::regex_replace(words[i], std::regex(R"([.:+])"), R"(\$&)");
  }
  const std::regex line(pattern);
  return std::distance(std::sregex_iterator(text.begin(), text.end(), line), std::sregex_iterator()) == 1;
}

// Lines condensed by horizontal scaling (Tz `percent`) in `size`-point type,
// their words set apart by blank glyphs, by TJ numbers a blank wide, by blanks
// widened with word spacing (a justified line), and by the composite font's
// two-byte blank, which word spacing leaves as it is.
std::string CondensedLines(int percent, int size, const std::string& name) {
  const int step = 2 * size;
  return fmt::format(
      "BT /F4 {0} Tf {1} Tz 72 700 Td {2} TL (blanks {3} apart) Tj T*\n"
      "[(numbers) -278 ({3}) -278 (apart)] TJ T*\n"
      "3 Tw (spacing {3} apart) Tj T*\n"
      "/F1 {0} Tf {4} Tj 0 Tw ET",
      size, percent, step, name, cidString("composite " + name + " apart"));
}

// Condensed typewriter lines whose words are drawn last to first, each at
// its place one blank after the word before: only the gaps themselves tell
// the words apart (no blank glyph, no glyph drawn just before).
std::string LinesDrawnBackwards(const std::vector<std::pair<int, int>>& sizesAndPercents) {
  std::string content = "BT\n";
  double y = 700;
  for (const auto& [size, percent] : sizesAndPercents) {
    const std::vector<std::string> words = {"backwards", fmt::format("s{}tz{}", size, percent), "line"};
    const double advance = 0.6 * size * percent / 100;  // a Courier glyph and its blank
    std::vector<double> xs;
    double x = 72;
    for (const auto& w : words) xs.push_back(x), x += advance * static_cast<double>(w.size() + 1);
    content += fmt::format("/F2 {} Tf {} Tz\n", size, percent);
    for (size_t i = words.size(); i-- > 0;)
      content += fmt::format("1 0 0 1 {:.3f} {} Tm ({}) Tj\n", xs[i], y, words[i]);
    y -= 40;
  }
  return content + "ET";
}

struct GapCase {
  const char* name;
  std::string pdf;
  std::vector<std::vector<std::string>> lines;  // the words every format must keep apart
  // Slides set each run of glyphs drawn in a row in a box of its own: a line
  // drawn out of order is no one paragraph there.
  bool slides = true;
};

std::vector<std::string> Split(const std::string& line) {
  std::istringstream in(line);
  std::vector<std::string> words;
  for (std::string w; in >> w;) words.push_back(w);
  return words;
}

std::vector<GapCase> Cases() {
  const std::vector<std::string> form = {"INTEND TO FILE",
                                         "Please check the appropriate box:", "Name of the person filing this form"};
  std::vector<std::vector<std::string>> formWords;
  for (const auto& l : form) formWords.push_back(Split(l));
  // Typewriter lines whose blanks are squeezed to a third: by word spacing,
  // and by a number after the blank.
  const std::string typewriter =
      "BT /F2 10 Tf 72 600 Td -4 Tw (unsigned long long total;) Tj 0 Tw 0 -14 Td "
      "[(return ) 400 (total ) 400 (+ ) 400 (1;)] TJ ET";
  // Wide letters of a font without a blank, set a quarter em apart less a
  // little (as Hangul lines are) by positioning alone.
  const std::string wide = "BT /F3 12 Tf 72 500 Td [" + cidString("MWM") + " -240 " + cidString("WMW") + " -240 " +
                           cidString("MMW") + " -240 " + cidString("WWM") + "] TJ ET";
  std::vector<GapCase> cases = {
      {"wide letters a quarter em apart", CIDFontPage(wide), {Split("MWM WMW MMW WWM")}},
      {"blank glyph of code 3", CIDFontPage(CIDLines(form, 0)), formWords},
      {"blank glyph narrowed to a fifth", CIDFontPage(CIDLines(form, 220)), formWords},
      {"typewriter blanks squeezed",
       CIDFontPage(typewriter),
       {Split("unsigned long long total;"), Split("return total + 1;")}},
  };
  const struct {
    const char* label;
    int percent, size;
    const char* name;  // the middle word of every line
  } scales[] = {{"Tz 100", 100, 12, "full"},
                {"Tz 50", 50, 12, "half"},
                {"Tz 30", 30, 12, "thirty"},
                {"30-point type at Tz 30", 30, 30, "large"}};
  for (const auto& c : scales) {
    std::vector<std::vector<std::string>> lines;
    for (const char* kind : {"blanks", "numbers", "spacing", "composite"}) lines.push_back({kind, c.name, "apart"});
    cases.push_back({c.label, CIDFontPage(CondensedLines(c.percent, c.size, c.name)), lines});
  }
  cases.push_back({"condensed words drawn backwards",
                   CIDFontPage(LinesDrawnBackwards({{8, 20}, {10, 30}, {20, 30}})),
                   {Split("backwards s8tz20 line"), Split("backwards s10tz30 line"), Split("backwards s20tz30 line")},
                   false});
  return cases;
}

TEST(WordGapsEndToEnd, EveryFormatKeepsTheWordsApart) {
  ScratchDir scratch;
  const std::string cli = (vqtest::binaryDir() / "cli" / "vqpapyrant").string();
  const auto cases = Cases();
  for (size_t k = 0; k < cases.size(); ++k) {
    const GapCase& c = cases[k];
    SCOPED_TRACE(c.name);
    const fs::path pdf = scratch / fmt::format("case{}.pdf", k);
    std::ofstream(pdf, std::ios::binary) << c.pdf;
    if (const char* keep = std::getenv("VQ_KEEP_FIXTURES"))
      fs::copy_file(pdf, fs::path(keep) / pdf.filename(), fs::copy_options::overwrite_existing);
    for (const char* format : {"docx", "xlsx", "pptx", "txt", "html", "rtf"}) {
      if (!c.slides && std::string(format) == "pptx") continue;
      SCOPED_TRACE(format);
      const fs::path out = scratch / fmt::format("case{}.{}", k, format);
      ASSERT_EQ(
          vqtest::runCommand(cli + " -i " + quoted(pdf) + " -f " + format + " -o " + quoted(out) + " >/dev/null 2>&1"),
          0);
      const std::string text = TextOf(out, format);
      for (const auto& words : c.lines) EXPECT_TRUE(WordsApartOnce(text, words)) << text;
    }
  }
}

}  // namespace

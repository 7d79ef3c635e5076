// Pages of known layout (two text columns, side-by-side blocks, a drop
// capital, and short lines whose word gaps happen to line up) built as small
// PDFs, each drawn three ways: words spaced by blank glyphs inside one string
// (office suites and browsers), by TJ positioning (TeX), and one glyph per
// string with no blanks at all. Every text format must read them as a reader
// does: column after column, lines of one block whole.
#include <gtest/gtest.h>

#include <fstream>

#include <fmt/format.h>

#include "support/OutputText.h"
#include "support/TestSupport.h"

namespace {

namespace fs = std::filesystem;

// Helvetica with widths of its own: every glyph but the blank is 0.556 em
// wide, so positions are easy to work out.
constexpr int kGlyphWidth = 556, kBlankWidth = 278;

double Advance(const std::string& text, double size) {
  double width = 0;
  for (char c : text) width += (c == ' ' ? kBlankWidth : kGlyphWidth) * size / 1000;
  return width;
}

struct Piece {
  double x, y;  // start of the baseline, PDF user space
  double size;
  std::string text;
};

enum class Spacing { BlankGlyphs, TJOffsets, GlyphPerString };

std::string Escaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '(' || c == ')' || c == '\\') out += '\\';
    out += c;
  }
  return out;
}

std::vector<std::string> Words(const std::string& text) { return vqtest::SplitWords(text); }

std::string Draw(const Piece& p, Spacing spacing) {
  std::string ops = fmt::format("BT /F1 {} Tf ", p.size);
  switch (spacing) {
    case Spacing::BlankGlyphs:
      ops += fmt::format("{:.2f} {:.2f} Td ({}) Tj", p.x, p.y, Escaped(p.text));
      break;
    case Spacing::TJOffsets: {
      // The blank's advance as positioning: the glyphs stand where the
      // blanks would have put them.
      ops += fmt::format("{:.2f} {:.2f} Td [", p.x, p.y);
      const auto words = Words(p.text);
      for (size_t k = 0; k < words.size(); ++k)
        ops += fmt::format("{}({})", k == 0 ? "" : fmt::format(" -{} ", kBlankWidth), Escaped(words[k]));
      ops += "] TJ";
      break;
    }
    case Spacing::GlyphPerString:
      for (size_t k = 0; k < p.text.size(); ++k)
        if (p.text[k] != ' ')
          ops += fmt::format("1 0 0 1 {:.2f} {:.2f} Tm ({}) Tj ", p.x + Advance(p.text.substr(0, k), p.size), p.y,
                             Escaped(std::string(1, p.text[k])));
      break;
  }
  return ops + " ET\n";
}

std::string PagePDF(const std::vector<Piece>& pieces, Spacing spacing) {
  std::string content;
  for (const auto& p : pieces) content += Draw(p, spacing);
  std::string widths = fmt::format("{}", kBlankWidth);
  for (int c = 33; c <= 126; ++c) widths += fmt::format(" {}", kGlyphWidth);
  return vqtest::BuildPDF({
      "<< /Type /Catalog /Pages 2 0 R >>",
      "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
      "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Resources << /Font << /F1 5 0 R >> >> "
      "/Contents 4 0 R >>",
      vqtest::PDFStream(content),
      "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding /FirstChar 32 /LastChar 126 "
      "/Widths [" +
          widths + "] >>",
  });
}

// A column of lines from the top at (x, y), in the content stream in that
// order.
void AddColumn(std::vector<Piece>& pieces, double x, double y, double size, double leading,
               const std::vector<std::string>& lines) {
  for (const auto& line : lines) {
    pieces.push_back({x, y, size, line});
    y -= leading;
  }
}

struct Layout {
  const char* name;
  std::vector<Piece> pieces;              // in drawing order
  std::vector<std::string> reading = {};  // the text in reading order; none: the pieces' order
};

// Lines of words drawn a word at a time, the first word of every line
// first, then every second word, and so on: in the content stream, text
// jumps at every word gap.
std::vector<Piece> WordsByColumn(double x, double y, double size, double leading, const std::vector<std::string>& lines,
                                 bool centred = false) {
  std::vector<Piece> pieces;
  for (size_t k = 0;; ++k) {
    bool any = false;
    double lineY = y;
    for (const auto& line : lines) {
      const auto words = Words(line);
      if (k < words.size()) {
        any = true;
        std::string before;
        for (size_t j = 0; j < k; ++j) before += words[j] + " ";
        const double start = centred ? x - Advance(line, size) / 2 : x;
        pieces.push_back({start + Advance(before, size), lineY, size, words[k]});
      }
      lineY -= leading;
    }
    if (!any) return pieces;
  }
}

std::vector<Layout> Layouts() {
  std::vector<Layout> layouts;
  const std::vector<std::string> left = {"The alder rises in peat bogs high",   "on the moor and tumbles through a",
                                         "narrow gorge before it widens near",  "the village of Crossways where its",
                                         "water is brown with tannin and cold", "even in the height of August."};
  const std::vector<std::string> right = {"The wendle by contrast meanders",   "across chalk downland where springs",
                                          "feed it steadily so that its flow", "barely changes between winter and",
                                          "summer and its water runs clear",   "over beds of flint gravel."};
  {
    // Two columns 24 points (2.4 em) apart under a heading across both.
    Layout l{"two columns", {}};
    l.pieces.push_back({72, 720, 14, "Two Rivers Compared"});
    AddColumn(l.pieces, 72, 690, 10, 12, left);
    AddColumn(l.pieces, 312, 690, 10, 12, right);
    layouts.push_back(std::move(l));
  }
  {
    // Three short teasers side by side, 2.8 em apart.
    Layout l{"three teasers", {}};
    AddColumn(l.pieces, 72, 700, 10, 12, {"Harbour plans approved", "after a long debate in", "the council chamber"});
    AddColumn(l.pieces, 246, 700, 10, 12, {"School choir wins the", "regional contest with a", "song of its own"});
    AddColumn(l.pieces, 420, 700, 10, 12, {"Bakery opens on the", "market square with a", "queue round the block"});
    layouts.push_back(std::move(l));
  }
  {
    // A drop capital three lines high beside the first lines of two columns.
    Layout l{"drop capital", {}};
    l.pieces.push_back({72, 666, 40, "T"});
    AddColumn(l.pieces, 100, 690, 10, 12,
              {"he alder rises in peat bogs", "high on the moor and tumbles", "through a narrow gorge before"});
    AddColumn(l.pieces, 72, 654, 10, 12,
              {"it widens near the village of", "Crossways where its water is", "brown with tannin and cold."});
    AddColumn(l.pieces, 312, 690, 10, 12, right);
    layouts.push_back(std::move(l));
  }
  {
    // Lines whose words line up exactly: word gaps, not columns.
    Layout l{"aligned short lines", {}};
    AddColumn(l.pieces, 72, 700, 10, 14,
              {"Red file, Page 1", "Red file, Page 2", "Red file, Page 3", "Red file, Page 4"});
    layouts.push_back(std::move(l));
  }
  {
    // A numbered list: the numbers stand in a column of their own, the
    // items' first words too.
    Layout l{"numbered list", {}};
    const std::vector<std::string> items = {"Pack the tent and poles", "Pack the stove and fuel",
                                            "Pack the maps and compass", "Pack the food for two days"};
    double y = 700;
    for (size_t k = 0; k < items.size(); ++k, y -= 14) {
      l.pieces.push_back({72, y, 10, fmt::format("{}.", k + 1)});
      l.pieces.push_back({96, y, 10, items[k]});
    }
    layouts.push_back(std::move(l));
  }
  {
    // Centred lines of words of one length: their gaps line up too.
    Layout l{"centred lines", {}};
    const std::vector<std::string> lines = {"Annual meeting of members", "held at the town hall", "on the first of May",
                                            "all are welcome"};
    double y = 700;
    for (const auto& line : lines) {
      const double width = Advance(line, 12);
      l.pieces.push_back({306 - width / 2, y, 12, line});
      y -= 16;
    }
    layouts.push_back(std::move(l));
  }
  {
    const std::vector<std::string> lines = {"Red file, Page 1", "Red file, Page 2", "Red file, Page 3",
                                            "Red file, Page 4"};
    layouts.push_back({"aligned short lines drawn by word", WordsByColumn(72, 700, 10, 14, lines), lines});
  }
  {
    // The numbers after all the items, 1.6 em before them.
    const std::vector<std::string> items = {"Pack the tent and poles", "Pack the stove and fuel",
                                            "Pack the maps and compass", "Pack the food for two days"};
    Layout l{"numbered list drawn numbers last", {}};
    AddColumn(l.pieces, 96, 700, 10, 12, items);
    for (size_t k = 0; k < items.size(); ++k) {
      l.pieces.push_back({72, 700 - 12.0 * static_cast<double>(k), 10, fmt::format("{}.", k + 1)});
      l.reading.push_back(fmt::format("{}. {}", k + 1, items[k]));
    }
    layouts.push_back(std::move(l));
  }
  {
    const std::vector<std::string> lines = {"Tea at four", "Pie at nine", "Map of town", "Bus at noon"};
    layouts.push_back({"centred lines drawn by word", WordsByColumn(306, 700, 12, 16, lines, true), lines});
  }
  return layouts;
}

std::string Join(const std::vector<std::string>& words) {
  std::string out;
  for (const auto& w : words) out += (out.empty() ? "" : " ") + w;
  return out;
}

TEST(ColumnReadingEndToEnd, EveryFormatReadsColumnsInOrderAndKeepsLinesWhole) {
  vqtest::ScratchDir dir;
  const fs::path program = vqtest::binaryDir() / "cli" / "vqpapyrant";
  const std::pair<Spacing, const char*> spacings[] = {{Spacing::BlankGlyphs, "blank glyphs"},
                                                      {Spacing::TJOffsets, "TJ offsets"},
                                                      {Spacing::GlyphPerString, "glyph per string"}};
  int file = 0;
  for (auto& layout : Layouts()) {
    std::vector<std::string> expected;
    if (layout.reading.empty())
      for (const auto& p : layout.pieces) layout.reading.push_back(p.text);
    for (const auto& line : layout.reading)
      for (const auto& w : Words(line)) expected.push_back(w);
    for (const auto& [spacing, spacingName] : spacings) {
      const fs::path pdf = dir / fmt::format("page{}.pdf", ++file);
      std::ofstream(pdf, std::ios::binary) << PagePDF(layout.pieces, spacing);
      for (const std::string format : {"docx", "html", "txt", "rtf"}) {
        const fs::path out = dir / fmt::format("page{}.{}", file, format);
        ASSERT_EQ(vqtest::runCommand("'" + program.string() + "' -i '" + pdf.string() + "' -f " + format + " -o '" +
                                     out.string() + "' > /dev/null 2>&1"),
                  0);
        const auto words = Words(vqtest::OutputText(out, format));
        // The drop capital reads as its word's first letter, with or
        // without a blank after it.
        const auto joinCapital = [](std::vector<std::string> w) {
          for (size_t k = 0; k + 1 < w.size(); ++k)
            if (w[k] == "T" && w[k + 1] == "he") w[k] = "The", w.erase(w.begin() + static_cast<std::ptrdiff_t>(k + 1));
          return w;
        };
        const auto got = joinCapital(words), want = joinCapital(expected);
        EXPECT_EQ(Join(got), Join(want)) << layout.name << ", " << spacingName << ", " << format;
      }
    }
  }
}

}  // namespace

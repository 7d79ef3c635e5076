// Tables in the flow-text formats: a table of labels and figures reads row
// by row in plain text, HTML and RTF, whether its rows are set loosely or as
// close as the type is high, ruled or not, and in whichever order the
// producer drew its cells, and beside other text too.
#include <gtest/gtest.h>

#include <fmt/format.h>

#include <fstream>
#include <regex>

#include "FlowTextTestSupport.h"

namespace {

namespace fs = std::filesystem;
using namespace ftest;

const std::vector<std::vector<std::string>> kCells = {
    {"", "2012", "Q1-13", "Q2-13"}, {"Revenue", "1,204", "310", "325"},   {"Costs", "880", "221", "230"},
    {"Income", "324", "89", "95"},  {"Dividend", "2.10", "0.58", "0.61"},
};
const double kColumnX[] = {72, 200, 260, 320};
constexpr double kTableRight = 380, kTableTop = 700;

enum class Drawing { byColumn, byRow, unruled };

// A one-page PDF of the table in 10 point type, `rowHeight` apart; with
// `besideListing`, set right of a listing whose lines stand between its rows
// (a listing and the table it makes).
std::string TablePdf(Drawing drawing, double rowHeight, bool besideListing = false) {
  std::string content;
  const double shift = besideListing ? 150 : 0;
  if (besideListing)
    for (int line = 0; line < 12; ++line)
      content += fmt::format("BT /F1 10 Tf 20 {} Td (listing of the table source) Tj ET\n",
                             kTableTop - rowHeight / 2 - rowHeight * line);
  const size_t rows = kCells.size(), columns = kCells.front().size();
  if (drawing != Drawing::unruled) {
    content += "0.5 w\n";
    for (size_t r = 0; r <= rows; ++r) {
      const double y = kTableTop - rowHeight * static_cast<double>(r);
      content += fmt::format("{} {} m {} {} l S\n", kColumnX[0] + shift, y, kTableRight + shift, y);
    }
    for (double x : kColumnX)
      content += fmt::format("{} {} m {} {} l S\n", x + shift, kTableTop, x + shift,
                             kTableTop - rowHeight * static_cast<double>(rows));
  }
  auto cell = [&](size_t r, size_t c) {
    if (kCells[r][c].empty()) return;
    content += fmt::format("BT /F1 10 Tf {} {} Td ({}) Tj ET\n", kColumnX[c] + shift + 4,
                           kTableTop - rowHeight * static_cast<double>(r + 1) + 3, kCells[r][c]);
  };
  for (size_t a = 0; a < (drawing == Drawing::byColumn ? columns : rows); ++a)
    for (size_t b = 0; b < (drawing == Drawing::byColumn ? rows : columns); ++b)
      drawing == Drawing::byColumn ? cell(b, a) : cell(a, b);
  return vqtest::BuildPDF({
      "<< /Type /Catalog /Pages 2 0 R >>",
      "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
      "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Resources << /Font << /F1 4 0 R >> >> "
      "/Contents 5 0 R >>",
      "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
      vqtest::PDFStream(content),
  });
}

// The table's cells in the order the file gives them, its markup (tags,
// control words) taken out first.
std::string CellOrder(const std::string& type, std::string text) {
  if (type == "html") text = std::regex_replace(text, std::regex("<[^>]*>"), " ");
  if (type == "rtf") text = std::regex_replace(text, std::regex(R"(\\[a-z]+-?[0-9]* ?|[{}])"), " ");
  std::set<std::string> cells;
  for (const auto& row : kCells)
    for (const auto& c : row)
      if (!c.empty()) cells.insert(c);
  std::string order;
  const std::regex word(R"([A-Za-z0-9][A-Za-z0-9,.\-]*[A-Za-z0-9]|[0-9])");
  for (auto it = std::sregex_iterator(text.begin(), text.end(), word); it != std::sregex_iterator(); ++it)
    if (cells.count(it->str())) order += it->str() + " ";
  return order;
}

TEST(VQFlowTextTable, RowsReadAcrossInEveryFormat) {
  std::string rowOrder;
  for (const auto& row : kCells)
    for (const auto& c : row)
      if (!c.empty()) rowOrder += c + " ";
  struct Case {
    const char* name;
    Drawing drawing;
    double rowHeight;
    bool besideListing = false;
  } cases[] = {
      {"ruled, drawn column by column, tight rows", Drawing::byColumn, 10},
      {"ruled, drawn row by row, tight rows", Drawing::byRow, 10},
      {"unruled, tight rows", Drawing::unruled, 10},
      {"ruled, drawn column by column, loose rows", Drawing::byColumn, 18},
      {"unruled, loose rows", Drawing::unruled, 18},
      {"ruled, beside a listing", Drawing::byColumn, 10, true},
  };
  vqtest::ScratchDir dir;
  const fs::path program = vqtest::binaryDir() / "cli" / "vqpapyrant";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path pdf = dir / "table.pdf";
    std::ofstream(pdf, std::ios::binary) << TablePdf(c.drawing, c.rowHeight, c.besideListing);
    for (const std::string type : {"txt", "html", "rtf"}) {
      SCOPED_TRACE(type);
      const fs::path out = dir / ("table." + type);
      fs::remove(out);
      ASSERT_EQ(vqtest::runCommand("'" + program.string() + "' -i '" + pdf.string() + "' -f " + type + " -o '" +
                                   out.string() + "' > /dev/null 2>&1"),
                0);
      EXPECT_EQ(CellOrder(type, vqtest::readFile(out)), rowOrder);
    }
  }
}

}  // namespace

// Blocks of one line each that are cut into the same columns are read column
// by column when they hold running text, and keep their row order otherwise.
#include <gtest/gtest.h>

#include "FlowTextTestSupport.h"

namespace {

using namespace ftest;

// `rows` lines `leading` font sizes apart (1.2: each line is a block of its
// own; 1: the lines touch and make one block), with one run per column: the
// cell of column c in row r is "c<r>".
std::vector<VQFlowTextRunText> Grid(int rows, const std::vector<double>& columnX, double width, double size,
                                    double leading = 1.2) {
  std::vector<VQFlowTextRunText> runs;
  for (int r = 1; r <= rows; ++r)
    for (size_t c = 0; c < columnX.size(); ++c)
      runs.push_back(MakeRun(std::string(1, static_cast<char>('A' + c)) + std::to_string(r), columnX[c],
                             100 + leading * size * r, width, size));
  return runs;
}

// The cells in the order the plain text gives them.
std::string ReadingOrder(const std::string& text) {
  std::string order;
  for (size_t i = 0; i < text.size(); ++i)
    if (text[i] >= 'A' && text[i] <= 'Z') order += text.substr(i, 2) + " ";
  return order;
}

TEST(VQFlowTextColumnBand, RunningTextColumnsAndTables) {
  struct Case {
    const char* name;
    std::vector<VQFlowTextRunText> runs;
    const char* order;
  } cases[] = {
      {"two text columns", Grid(4, {72, 242}, 150, 10), "A1 A2 A3 A4 B1 B2 B3 B4 "},
      {"three text columns", Grid(3, {72, 202, 332}, 115, 10), "A1 A2 A3 B1 B2 B3 C1 C2 C3 "},
      {"narrow table cells", Grid(4, {72, 122}, 40, 10), "A1 B1 A2 B2 A3 B3 A4 B4 "},
      {"two lines only", Grid(2, {72, 242}, 150, 10), "A1 B1 A2 B2 "},
      {"word gaps of a large font", Grid(4, {72, 233}, 150, 20), "A1 B1 A2 B2 A3 B3 A4 B4 "},
      {"touching lines of text columns", Grid(3, {72, 242}, 150, 10, 1), "A1 A2 A3 B1 B2 B3 "},
      {"touching lines of table cells", Grid(3, {72, 122, 172}, 30, 10, 1), "A1 B1 C1 A2 B2 C2 A3 B3 C3 "},
  };
  vqtest::ScratchDir dir;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ReadingOrder(Convert("txt", dir / "out.txt", {c.runs})), c.order);
  }
}

// A line across both columns ends the band: the text below it is read on
// its own, and the columns above stay column by column.
TEST(VQFlowTextColumnBand, FullWidthLineEndsTheBand) {
  auto runs = Grid(3, {72, 242}, 150, 10);
  runs.push_back(MakeRun("W4", 72, 148, 320));
  for (auto& r : Grid(3, {72, 242}, 150, 10)) {
    r.runText[0] = static_cast<char>(r.runText[0] + 2);  // C and D
    r.runText[1] = static_cast<char>(r.runText[1] + 4);  // rows 5 to 7
    r.ctmInfo.topLeft.y += 48;
    r.ctmInfo.bottomLeft.y += 48;
    runs.push_back(r);
  }
  vqtest::ScratchDir dir;
  EXPECT_EQ(ReadingOrder(Convert("txt", dir / "out.txt", {runs})), "A1 A2 A3 B1 B2 B3 W4 C5 C6 C7 D5 D6 D7 ");
}

}  // namespace

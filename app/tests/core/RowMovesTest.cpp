#include <gtest/gtest.h>

#include "core/VQRowMoves.h"

namespace {

struct MoveRow {
  std::set<int> rows;
  int dropRow;
  std::vector<int> expected;
};

TEST(RowMovesTest, DropRowCountsInTheListBeforeTheMove) {
  const std::vector<MoveRow> table = {
      {{0, 1}, 4, {2, 3, 0, 1, 4}}, {{0, 1}, 5, {2, 3, 4, 0, 1}}, {{3, 4}, 0, {3, 4, 0, 1, 2}},
      {{1, 3}, 3, {0, 2, 1, 3, 4}}, {{2}, 2, {0, 1, 2, 3, 4}},    {{2}, 3, {0, 1, 2, 3, 4}},
      {{0, 4}, 2, {1, 0, 4, 2, 3}}, {{1}, 99, {0, 2, 3, 4, 1}},   {{1}, -3, {1, 0, 2, 3, 4}},
      {{}, 2, {0, 1, 2, 3, 4}},     {{7}, 2, {0, 1, 2, 3, 4}},
  };
  for (const MoveRow& row : table) {
    std::vector<int> list{0, 1, 2, 3, 4};
    vq::app::MoveRows(list, row.rows, row.dropRow);
    EXPECT_EQ(list, row.expected) << "drop row " << row.dropRow;
  }
}

}  // namespace

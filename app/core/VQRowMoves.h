#pragma once
// Moving a set of rows of a list to a drop position given in the list as it
// was before the move (the gap above row `dropRow`; the list's length means
// the end). The moved rows keep their order and end up together.
#include <algorithm>
#include <set>
#include <vector>

namespace vq::app {

template <class T>
void MoveRows(std::vector<T>& list, const std::set<int>& rows, int dropRow) {
  dropRow = std::clamp(dropRow, 0, static_cast<int>(list.size()));
  std::vector<T> moved, kept;
  int movedAbove = 0;  // moved rows above the gap: the gap rises by one for each
  for (int i = 0; i < static_cast<int>(list.size()); ++i) {
    if (rows.count(i)) {
      moved.push_back(list[i]);
      if (i < dropRow) ++movedAbove;
    } else {
      kept.push_back(list[i]);
    }
  }
  const int at = dropRow - movedAbove;
  kept.insert(kept.begin() + at, moved.begin(), moved.end());
  list = std::move(kept);
}

}  // namespace vq::app

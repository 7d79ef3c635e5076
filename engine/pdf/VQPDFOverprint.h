#pragma once
// Text drawn again over itself: type made bold by printing it twice a
// little apart, a line drawn once stroked and once filled, a sequence
// repeated for a shadow. Every converter that rebuilds text keeps such text
// once, and asks the same question of each string as it comes.
#include <algorithm>
#include <cstdint>
#include <string_view>
#include <vector>

namespace vq {

class VQPDFOverprintFilter {
 public:
  // True when the same text was drawn before within `reach` of (x, y) on
  // both axes; otherwise remembers this drawing and answers false.
  bool repeats(std::string_view text, double x, double y, double reach);
  // The reach for type of `size` points: a tenth of an em (of at least a
  // point), the distance fake bold sets its second printing apart.
  static double ReachForType(double size) { return 0.1 * std::max(size, 1.0); }
  // Forgets every drawing (at a new page).
  void clear();

 private:
  struct Slot {
    uint64_t key = 0;  // 0: empty
    uint64_t text = 0;
    double x = 0, y = 0;
  };
  void insert(const Slot& slot);

  // Filed by the text and a cell of a grid twice the reach across, so that
  // a repeat within reach lies in one of four cells; an open-addressed
  // table, since every string of a page is filed.
  std::vector<Slot> slots_;
  size_t used_ = 0;
  // Where the last string was drawn, and whether it repeated one. A string
  // drawn on along its line, past the last one, repeats nothing unless the
  // last one did (a repeated sequence goes on): only the others are looked
  // up, which spares nearly every string of running text the search.
  double lastX_ = 0, lastY_ = 0;
  bool any_ = false, lastRepeated_ = false;
};

}  // namespace vq

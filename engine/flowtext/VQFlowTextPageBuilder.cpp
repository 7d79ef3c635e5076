#include "flowtext/VQFlowTextPageBuilder.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>

namespace vq::flowtext {
namespace {

using Run = VQFlowTextRunText;
// Runs that follow one another without a gap, with the extents the later
// steps measure parts by, worked out once when the part is made: its runs
// do not change while it is a part, and the steps measure each part many
// times over. The runs stay where the page holds them until they go into
// their paragraph: cutting, sorting and regrouping parts moves no run.
struct Part {
  std::vector<Run*> runs;
  float top = 0, bottom = 0;   // least top and greatest bottom, in single precision
  double left = 0, right = 0;  // the first run's left edge, the last run's right
  double fontSize = 0;         // the largest type size
  double leastFontSize = 0;    // the smallest type size
  void measure() {
    left = front().ctmInfo.topLeft.x;
    right = back().right();
    top = static_cast<float>(front().top());
    bottom = static_cast<float>(front().bottom());
    fontSize = 0;
    leastFontSize = std::numeric_limits<double>::infinity();
    for (const Run* r : runs) {
      top = std::min(top, static_cast<float>(r->top()));
      bottom = std::max(bottom, static_cast<float>(r->bottom()));
      const double size = std::fabs(r->ctmInfo.fontSize.width);
      fontSize = std::max(fontSize, size);
      leastFontSize = std::min(leastFontSize, size);
    }
  }
  const Run& front() const { return *runs.front(); }
  const Run& back() const { return *runs.back(); }
  // Moves the runs to the end of `to`.
  void moveRunsTo(std::vector<Run>& to) const {
    for (Run* r : runs) to.push_back(std::move(*r));
  }
};
// A line's runs, held where the page holds them until the line is cut into
// parts: gathering, joining and regrouping lines moves no run.
class Line {
 public:
  class Iterator {
   public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = Run;
    using difference_type = std::ptrdiff_t;
    using pointer = Run*;
    using reference = Run&;
    Iterator() = default;
    explicit Iterator(std::vector<Run*>::const_iterator at) : at_(at) {}
    Run& operator*() const { return **at_; }
    Run* operator->() const { return *at_; }
    Iterator& operator++() {
      ++at_;
      return *this;
    }
    Iterator operator++(int) {
      Iterator before = *this;
      ++at_;
      return before;
    }
    bool operator==(const Iterator&) const = default;

   private:
    std::vector<Run*>::const_iterator at_;
  };
  std::vector<Run*> runs;
  Run& operator[](size_t i) const { return *runs[i]; }
  Run& front() const { return *runs.front(); }
  size_t size() const { return runs.size(); }
  bool empty() const { return runs.empty(); }
  Iterator begin() const { return Iterator(runs.begin()); }
  Iterator end() const { return Iterator(runs.end()); }
};
using SectLine = std::vector<Part>;  // the parts of one line, in x order
using Column = std::vector<Part>;    // parts of a block that overlap horizontally, top-down

// Column geometry is measured on columns of parts and on columns that only
// point at parts held elsewhere (a trial cut, a band being joined), so that
// neither has to copy the runs.
const Part& asPart(const Part& p) { return p; }
const Part& asPart(const Part* p) { return *p; }

float minTop(const Part& p) { return p.top; }
float maxBottom(const Part& p) { return p.bottom; }
double leftX(const Part& p) { return p.left; }
double rightX(const Part& p) { return p.right; }

float lineTop(const SectLine& l) {
  float t = 90000;
  for (const auto& p : l) t = std::min(t, minTop(p));
  return t;
}
float lineBottom(const SectLine& l) {
  float b = 0;
  for (const auto& p : l) b = std::max(b, maxBottom(p));
  return b;
}

// Stable sorts give the same order as repeatedly taking the first minimum.
// Each key is worked out once (a part's top walks its runs) and each element
// moves once, into its place: the order is found on the keys. Keys already
// in order (a line's runs mostly are, in x) are left as they stand; a key
// that is not a number never counts as in order, so such a list is sorted
// as before.
template <class K>
bool inOrder(const std::vector<std::pair<K, size_t>>& keyed) {
  for (size_t i = 1; i < keyed.size(); ++i)
    if (!(keyed[i - 1].first <= keyed[i].first)) return false;
  return true;
}
// The order, or empty when the elements stand in order already.
template <class T, class Key>
std::vector<size_t> stableOrderBy(const std::vector<T>& v, Key key) {
  using K = decltype(key(v.front()));
  std::vector<std::pair<K, size_t>> keyed;
  keyed.reserve(v.size());
  for (size_t i = 0; i < v.size(); ++i) keyed.emplace_back(key(v[i]), i);
  std::vector<size_t> order;
  if (inOrder(keyed)) return order;
  // Each element's place is unique: ordered by key, then place, the order is
  // the stable one, and the sort needs no buffer to merge through. A key
  // that is not a number is not ordered by `<`: such a list keeps the
  // stable sort on the key alone.
  if (std::none_of(keyed.begin(), keyed.end(), [](const auto& k) { return std::isnan(k.first); }))
    std::sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) {
      return a.first < b.first || (!(b.first < a.first) && a.second < b.second);
    });
  else std::stable_sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  order.reserve(v.size());
  for (const auto& entry : keyed) order.push_back(entry.second);
  return order;
}
// The order in full, the identity where the elements stand in order.
template <class T, class Key>
std::vector<size_t> fullOrderBy(const std::vector<T>& v, Key key) {
  std::vector<size_t> order = stableOrderBy(v, key);
  if (order.empty()) {
    order.resize(v.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  }
  return order;
}
template <class T, class Key>
void stableSortBy(std::vector<T>& v, Key key) {
  if (v.size() < 2) return;
  const std::vector<size_t> order = stableOrderBy(v, key);
  if (order.empty()) return;
  std::vector<T> sorted;
  sorted.reserve(v.size());
  for (size_t i : order) sorted.push_back(std::move(v[i]));
  v = std::move(sorted);
}

template <class C>
double columnLeft(const C& c) {
  double l = leftX(asPart(c.front()));
  for (const auto& p : c) l = std::min(l, leftX(asPart(p)));
  return l;
}
template <class C>
double columnRight(const C& c) {
  double r = rightX(asPart(c.front()));
  for (const auto& p : c) r = std::max(r, rightX(asPart(p)));
  return r;
}
double partFontSize(const Part& p) { return p.fontSize; }
template <class C>
double columnFontSize(const C& c) {
  double size = 0;
  for (const auto& p : c) size = std::max(size, partFontSize(asPart(p)));
  return size;
}
// Running text is the smallest text of a column (headings are larger).
template <class C>
double columnTextSize(const C& c) {
  double size = columnFontSize(c);
  for (const auto& p : c) size = std::min(size, asPart(p).leastFontSize);
  return size;
}
// Every column of more than one part is wide enough to hold running text:
// table cells stay narrower, so a table keeps its row order.
template <class C>
bool holdsRunningText(const std::vector<C>& band) {
  for (const auto& c : band)
    if (c.size() > 1 && columnRight(c) - columnLeft(c) < kTextColumnWidth * columnTextSize(c)) return false;
  return true;
}

// Text set in columns whose lines do not share baselines gives a band of
// blocks, often one per line, each cut into the same columns. Such a band is
// read column by column: the next block joins the band when it follows it
// closely and its columns and the band's, grouped where they overlap
// horizontally, still make two columns or more, every one of which goes
// on from the band, and the columns that take from both are set apart by
// more than a word gap.
using BandColumn = std::vector<Part*>;  // a band's column: parts held by the blocks it was joined from
bool joinColumnBand(std::vector<BandColumn>& band, std::vector<Column>& next, float bandBottom, float nextTop) {
  if (band.size() < 2) return false;
  double fontSize = 0;
  for (const auto& c : next) fontSize = std::max(fontSize, columnFontSize(c));
  if (nextTop - bandBottom > fontSize) return false;
  // Group the columns of both sides by horizontal overlap first, on their
  // extents alone; parts move only once the join is certain.
  struct Side {
    double left, right;
    size_t index;
    bool fromNext;
  };
  std::vector<Side> all;
  for (size_t i = 0; i < band.size(); ++i) all.push_back({columnLeft(band[i]), columnRight(band[i]), i, false});
  for (size_t i = 0; i < next.size(); ++i) all.push_back({columnLeft(next[i]), columnRight(next[i]), i, true});
  std::stable_sort(all.begin(), all.end(), [](const Side& a, const Side& b) { return a.left < b.left; });
  struct Group {
    double left, right;
    bool fromBand = false, fromNext = false;
    std::vector<const Side*> sides;
  };
  std::vector<Group> groups;
  for (const auto& side : all) {
    if (groups.empty() || side.left >= groups.back().right) groups.push_back({side.left, side.right, false, false, {}});
    Group& g = groups.back();
    g.right = std::max(g.right, side.right);
    (side.fromNext ? g.fromNext : g.fromBand) = true;
    g.sides.push_back(&side);
  }
  if (groups.size() < 2) return false;
  for (size_t i = 0; i < groups.size(); ++i) {
    if (!groups[i].fromBand) return false;  // a column that only starts here: words spread along a line
    if (i + 1 < groups.size() && groups[i].fromNext && groups[i + 1].fromNext &&
        groups[i + 1].left - groups[i].right < kColumnSeparation * fontSize)
      return false;
  }
  const auto byTop = [](const Part* a, const Part* b) { return minTop(*a) < minTop(*b); };
  std::vector<BandColumn> joined(groups.size());
  for (size_t i = 0; i < groups.size(); ++i) {
    BandColumn& column = joined[i];
    for (const Side* side : groups[i].sides) {
      // Each side is already in top-down order: merging keeps the order a
      // stable sort of the whole column would give.
      const size_t middle = column.size();
      if (side->fromNext) {
        for (Part& p : next[side->index]) column.push_back(&p);
      } else {
        column.insert(column.end(), band[side->index].begin(), band[side->index].end());
      }
      std::inplace_merge(column.begin(), column.begin() + static_cast<std::ptrdiff_t>(middle), column.end(), byTop);
    }
  }
  band = std::move(joined);
  return true;
}

// Moves the run up or down to stand on `base`.
void setOnBase(Run& r, double base) {
  const double dy = base - r.base();
  r.ctmInfo.topLeft.y += dy;
  r.ctmInfo.bottomLeft.y += dy;
  if (r.ctmInfo.base) *r.ctmInfo.base += dy;
}

// Text set after `before` on its output line, `gap` from its end, starting
// with `after`, is a word apart: the shared word-gap rule in the smaller
// displayed type of the two (condensed type's word gaps are narrow).
bool isWordGapBetween(const Run& before, const Run& after, double gap) {
  return VQPDFIsWordGap(gap, VQPDFWordGapFontBetween(before.gapFont, after.gapFont));
}

// Lines are in top-down order; the line a raised or lowered glyph belongs
// to is among the few lines around it.
void joinGlyphsSetAgainstLines(std::vector<Line>& lines) {
  constexpr size_t kMostGlyphs = 2, kNeighbours = 3;
  constexpr double kTouchEm = 0.5;
  // Glyphs of each line, counted once: a line that takes glyphs in has more
  // than enough already, and a line that gives them is not looked at again.
  std::vector<size_t> glyphs(lines.size(), 0);
  for (size_t i = 0; i < lines.size(); ++i)
    for (const auto& r : lines[i])
      for (unsigned char c : r.runText) glyphs[i] += (c & 0xC0) != 0x80 && c != ' ';
  for (size_t i = 0; i < lines.size(); ++i) {
    auto& small = lines[i];
    if (glyphs[i] == 0 || glyphs[i] > kMostGlyphs) continue;
    double top = small.front().top(), bottom = small.front().bottom(), left = small.front().left();
    double right = small.front().right(), size = 0;
    for (const auto& r : small) {
      top = std::min(top, r.top()), bottom = std::max(bottom, r.bottom());
      left = std::min(left, r.left()), right = std::max(right, r.right());
      size = std::max(size, std::fabs(r.ctmInfo.fontSize.width));
    }
    const double middle = (top + bottom) / 2, touch = kTouchEm * std::max(size, 1.0);
    const size_t from = i >= kNeighbours ? i - kNeighbours : 0, to = std::min(lines.size(), i + kNeighbours + 1);
    for (size_t k = from; k < to; ++k) {
      auto& line = lines[k];
      if (k == i || glyphs[k] <= kMostGlyphs) continue;
      const auto host = std::find_if(line.begin(), line.end(), [&](const Run& r) {
        return r.top() < middle && middle < r.bottom() && std::fabs(r.ctmInfo.fontSize.width) >= size &&
               left < r.right() + touch && right > r.left() - touch;
      });
      if (host == line.end()) continue;
      // Flowing text has no raised letters: the glyphs are set on the line's
      // base line, its longest text's (the letter they touch may be raised
      // too).
      const double base = std::max_element(line.begin(), line.end(), [](const Run& a, const Run& b) {
                            return a.runText.size() < b.runText.size();
                          })->base();
      for (auto& r : small) setOnBase(r, base);
      line.runs.insert(line.runs.end(), small.runs.begin(), small.runs.end());
      small.runs.clear();
      glyphs[k] += glyphs[i];
      glyphs[i] = 0;
      break;
    }
  }
  lines.erase(std::remove_if(lines.begin(), lines.end(), [](const auto& l) { return l.empty(); }), lines.end());
}

// A drop capital, a letter or two of large type beside the first lines of
// its paragraph, shares a baseline with the last of those lines (or with
// none), and its top lies below the first line's: read by either, it would
// follow the first line. It is set on the first line beside it instead,
// before that line's text, as a reader reads it. Lines are in top-down
// order; the lines beside a capital are among the few around its own.
void setDropCapitalsOnTheirFirstLine(std::vector<Line>& lines) {
  constexpr size_t kMostGlyphs = 2, kNeighbours = 8, kLeastLinesBeside = 2;
  constexpr double kLeastSizeRatio = 2;  // the capital's type against the text beside it
  constexpr double kReachEm = 1;         // the text beside it starts within this many of the capital's ems
  const auto glyphCount = [](const Run& r) {
    size_t n = 0;
    for (unsigned char c : r.runText) n += (c & 0xC0) != 0x80 && c != ' ';
    return n;
  };
  // Only type twice the page's smallest can be a capital beside smaller text.
  double smallest = 0;
  for (const auto& line : lines)
    for (const auto& r : line) {
      const double size = std::fabs(r.ctmInfo.fontSize.width);
      if (size > 0 && (smallest == 0 || size < smallest)) smallest = size;
    }
  const auto topOf = [](const Line& line) {
    double top = line.front().top();
    for (const auto& r : line) top = std::min(top, r.top());
    return top;
  };
  // What a line's runs reach, so that a line with no run small enough or
  // low enough to stand beside a capital is passed over unread. Bounds
  // only widen: a run taken out of a line leaves them as they were.
  struct Reach {
    double leastSize = std::numeric_limits<double>::infinity();
    double leastBottom = std::numeric_limits<double>::infinity();
    double mostBottom = -std::numeric_limits<double>::infinity();
    void add(const Run& r) {
      leastSize = std::min(leastSize, std::fabs(r.ctmInfo.fontSize.width));
      leastBottom = std::min(leastBottom, r.bottom());
      mostBottom = std::max(mostBottom, r.bottom());
    }
  };
  std::vector<Reach> reach(lines.size());
  for (size_t i = 0; i < lines.size(); ++i)
    for (const auto& r : lines[i]) reach[i].add(r);
  for (size_t i = 0; i < lines.size(); ++i) {
    for (size_t ri = 0; ri < lines[i].size();) {
      const Run& capital = lines[i][ri];
      const double size = std::fabs(capital.ctmInfo.fontSize.width);
      const size_t glyphs = glyphCount(capital);
      if (glyphs == 0 || glyphs > kMostGlyphs || !(size >= kLeastSizeRatio * smallest) || !(size > 0)) {
        ++ri;
        continue;
      }
      // A line whose text starts right beside the capital, its bottom within
      // the capital's height.
      const auto beside = [&](size_t k) {
        const Reach& in = reach[k];
        if (!(in.leastSize * kLeastSizeRatio <= size) || !(in.mostBottom > capital.top()) ||
            !(in.leastBottom <= capital.bottom() + kPartJoin))
          return false;
        return std::any_of(lines[k].begin(), lines[k].end(), [&](const Run& r) {
          const double gap = r.left() - capital.right();
          return &r != &capital && gap > -kPartJoin && gap < kReachEm * size && r.bottom() > capital.top() &&
                 r.bottom() <= capital.bottom() + kPartJoin &&
                 std::fabs(r.ctmInfo.fontSize.width) * kLeastSizeRatio <= size;
        });
      };
      size_t count = 0, host = lines.size();
      const size_t from = i >= kNeighbours ? i - kNeighbours : 0, to = std::min(lines.size(), i + kNeighbours + 1);
      for (size_t k = from; k < to; ++k) {
        if (!beside(k)) continue;
        ++count;
        if (host == lines.size() || topOf(lines[k]) < topOf(lines[host])) host = k;
      }
      if (count < kLeastLinesBeside || host == i) {
        ++ri;
        continue;
      }
      Run* moved = lines[i].runs[ri];
      double base = lines[host].front().base();
      for (const auto& r : lines[host]) base = std::max(base, r.base());
      setOnBase(*moved, base);
      lines[i].runs.erase(lines[i].runs.begin() + static_cast<std::ptrdiff_t>(ri));
      reach[host].add(*moved);
      lines[host].runs.push_back(moved);
    }
  }
  lines.erase(std::remove_if(lines.begin(), lines.end(), [](const auto& l) { return l.empty(); }), lines.end());
}

// 2. Lines: the first remaining run and every later one on its line: its
// bottom or its baseline within the tolerance (faces of one line reach
// down differently: a Latin full stop among Hangul syllables). The later
// runs of a line are found through the runs ordered by bottom and by
// baseline, so a page of many runs is not compared run against run.
std::vector<Line> groupIntoLines(std::vector<Run>& runs, const std::vector<size_t>& topDown) {
  const auto sorted = [&](size_t i) -> Run& { return runs[topDown[i]]; };
  std::vector<Line> lines;
  // Each run's bottom and baseline, worked out once and side by side, for
  // the sorts and searches below.
  std::vector<double> bottoms(runs.size()), bases(runs.size());
  for (size_t i = 0; i < runs.size(); ++i) bottoms[i] = sorted(i).bottom(), bases[i] = sorted(i).base();
  // The runs ordered by each measure, the measure beside the run so that
  // sorting and searching read one array; only the set of runs in a range
  // is used, so the order among equal measures does not matter.
  using Keyed = std::pair<double, size_t>;
  const auto orderedBy = [&](const std::vector<double>& measure) {
    std::vector<Keyed> order(measure.size());
    for (size_t i = 0; i < measure.size(); ++i) order[i] = {measure[i], i};
    // Runs of one size down the page come with their bottoms in order.
    if (!inOrder(order))
      std::sort(order.begin(), order.end(), [](const Keyed& a, const Keyed& b) { return a.first < b.first; });
    return order;
  };
  const std::vector<Keyed> byBottom = orderedBy(bottoms), byBase = orderedBy(bases);
  // Flags a byte each: read and set for every run found, packed bits cost
  // a shift and a mask at every turn.
  std::vector<char> taken(runs.size(), false);
  // The runs found for the line, each once, and the span of their places:
  // read back in place order from a span not much longer than the line,
  // they need no sort.
  std::vector<size_t> found;
  std::vector<char> marked(runs.size(), false);
  size_t least = 0, most = 0;
  // Adds the runs after `i` whose `measure` lies within the tolerance of
  // `at`, from `order` (the runs sorted by that measure).
  auto collect = [&](const std::vector<Keyed>& order, size_t i, double at) {
    // A range wider than the tolerance; the exact test follows.
    const auto from = std::lower_bound(order.begin(), order.end(), at - 2 * kSameBaseline,
                                       [](const Keyed& k, double v) { return k.first < v; });
    const auto to = std::upper_bound(from, order.end(), at + 2 * kSameBaseline,
                                     [](double v, const Keyed& k) { return v < k.first; });
    for (auto it = from; it != to; ++it)
      if (const size_t k = it->second; k > i && !taken[k] && !marked[k] && std::fabs(it->first - at) < kSameBaseline) {
        marked[k] = true;
        least = found.empty() ? k : std::min(least, k);
        most = found.empty() ? k : std::max(most, k);
        found.push_back(k);
      }
  };
  for (size_t i = 0; i < runs.size(); ++i) {
    if (taken[i]) continue;
    found.clear();
    collect(byBottom, i, bottoms[i]);
    collect(byBase, i, bases[i]);
    if (!found.empty() && most - least < 4 * found.size()) {
      found.clear();
      for (size_t k = least; k <= most; ++k)
        if (marked[k]) found.push_back(k);
    } else {
      std::sort(found.begin(), found.end());
    }
    for (size_t k : found) marked[k] = false;
    Line line;
    line.runs.reserve(found.size() + 1);
    line.runs.push_back(&sorted(i));
    taken[i] = true;
    for (size_t j : found) {
      line.runs.push_back(&sorted(j));
      taken[j] = true;
    }
    lines.push_back(std::move(line));
  }
  return lines;
}

// 3-4. Each line in x order, cut into parts; `leftMost` comes down to the
// least left edge of the lines.
std::vector<SectLine> cutLinesIntoParts(std::vector<Line>& lines, float& leftMost) {
  std::vector<SectLine> sectLines;
  std::vector<size_t> partStarts;
  for (auto& line : lines) {
    // The line is read in x order where it stands, and its runs moved once,
    // into parts of their final length.
    const std::vector<size_t> xOrder = fullOrderBy(line.runs, [](const Run* r) { return r->left(); });
    leftMost = std::min(leftMost, static_cast<float>(line[xOrder.front()].left()));
    partStarts.clear();
    for (size_t k = 0; k < xOrder.size(); ++k) {
      Run& r = line[xOrder[k]];
      // A glyph set back over the one before by up to half an em (the
      // raised letter of a logo) continues it too.
      const double gap = k == 0 ? 0 : r.left() - line[xOrder[k - 1]].right();
      const double overlap = kMostOverlapEm * std::fabs(r.ctmInfo.fontSize.width);
      if (k == 0 || gap >= kPartJoin || gap <= -std::max(kPartJoin, overlap)) {
        partStarts.push_back(k);
      } else if (const Run& before = line[xOrder[k - 1]];
                 ((r.wordGapBefore && r.pdfScanIndex == before.pdfScanIndex + 1) || isWordGapBetween(before, r, gap)) &&
                 !r.runText.empty() && r.runText.front() != ' ' && !before.runText.empty() &&
                 before.runText.back() != ' ') {
        // A word gap too narrow to part the runs here (small or condensed
        // type): one the capture saw after the run drawn just before, or
        // one by the rule. (A run drawn before the one it follows on the
        // line, as an accent before its letter, had its capture's gap
        // elsewhere.)
        r.runText.insert(r.runText.begin(), ' ');
      }
    }
    SectLine sl;
    sl.reserve(partStarts.size());
    for (size_t p = 0; p < partStarts.size(); ++p) {
      const size_t end = p + 1 < partStarts.size() ? partStarts[p + 1] : xOrder.size();
      Part& part = sl.emplace_back();
      part.runs.reserve(end - partStarts[p]);
      for (size_t k = partStarts[p]; k < end; ++k) part.runs.push_back(&line[xOrder[k]]);
      part.measure();
    }
    sectLines.push_back(std::move(sl));
  }
  return sectLines;
}

// 5. Blocks: consecutive lines whose tops reach into the lines above.
std::vector<std::vector<SectLine>> groupIntoBlocks(std::vector<SectLine>& sectLines) {
  std::vector<std::vector<SectLine>> blocks;
  for (size_t i = 0; i < sectLines.size();) {
    float bottom = lineBottom(sectLines[i]);
    std::vector<SectLine> block;
    block.push_back(std::move(sectLines[i]));
    size_t j = i + 1;
    for (; j < sectLines.size() && lineTop(sectLines[j]) <= bottom; ++j) {
      bottom = std::max(bottom, lineBottom(sectLines[j]));
      block.push_back(std::move(sectLines[j]));
    }
    blocks.push_back(std::move(block));
    i = j;
  }
  return blocks;
}

// A block's parts cut into columns: parts further apart than a column gap
// (wider in large type) stand in different columns, each top-down.
// The parts are the block's own (moved) or pointers at them (a trial cut).
template <class P>
std::vector<std::vector<P>> cutIntoColumns(std::vector<P> parts) {
  stableSortBy(parts, [](const P& p) { return leftX(asPart(p)); });
  std::vector<std::vector<P>> columns;
  for (size_t i = 0; i < parts.size();) {
    float right = static_cast<float>(rightX(asPart(parts[i])));
    double size = partFontSize(asPart(parts[i]));
    std::vector<P> col;
    col.push_back(std::move(parts[i]));
    size_t j = i + 1;
    // Large type (a slide's) sets its words further apart than the
    // column gap: only a gap of a column's width in its type's ems parts.
    for (; j < parts.size(); ++j) {
      const Part& next = asPart(parts[j]);
      const double nextSize = std::max(size, partFontSize(next));
      if (leftX(next) > right + std::max(kColumnGap, kColumnSeparation * nextSize)) break;
      right = std::max(right, static_cast<float>(rightX(next)));
      size = nextSize;
      col.push_back(std::move(parts[j]));
    }
    stableSortBy(col, [](const P& p) { return minTop(asPart(p)); });
    columns.push_back(std::move(col));
    i = j;
  }
  return columns;
}

// The parts of a block's lines, moved out of them.
std::vector<Part> blockParts(std::vector<SectLine>& block) {
  size_t count = 0;
  for (const auto& sl : block) count += sl.size();
  std::vector<Part> parts;
  parts.reserve(count);
  for (auto& sl : block)
    for (auto& p : sl) parts.push_back(std::move(p));
  return parts;
}

// Lines set as close as the type is high touch one another and make one
// block; a table so set (rows one type size apart) would be cut into its
// cell columns and read column by column. Where the block's columns are
// too narrow for running text, each of its lines is a block of its own
// instead, read across as the rows of a table are, provided most of its
// lines reach into two columns or more: a column of prose beside a
// numbered listing has lines of its own and stays a column. A table set
// beside other text (a listing and the table it makes) is one too: most
// of the lines that reach into its narrow columns reach into two of them.
bool isTable(const std::vector<SectLine>& block) {
  if (block.size() < 2) return false;
  std::vector<const Part*> parts;
  for (const auto& sl : block)
    for (const auto& p : sl) parts.push_back(&p);
  const auto columns = cutIntoColumns(std::move(parts));
  if (columns.size() < 2 || holdsRunningText(columns)) return false;
  // Each column's extent is read once: measured again for every part, a
  // block of many parts took time cubic in them.
  std::vector<double> lefts, rights;
  std::vector<bool> narrowColumns;
  for (const auto& column : columns) {
    lefts.push_back(columnLeft(column));
    rights.push_back(columnRight(column));
    narrowColumns.push_back(column.size() > 1 &&
                            rights.back() - lefts.back() < kTextColumnWidth * columnTextSize(column));
  }
  const auto columnOf = [&](const Part& p) {
    for (size_t c = 0; c < columns.size(); ++c)
      if (leftX(p) >= lefts[c] && leftX(p) <= rights[c]) return c;
    return columns.size();
  };
  const auto narrow = [&](size_t c) { return c < columns.size() && narrowColumns[c]; };
  size_t rows = 0, narrowLines = 0, narrowRows = 0;
  for (const auto& sl : block) {
    const size_t first = columnOf(sl.front());
    rows += std::any_of(sl.begin(), sl.end(), [&](const Part& p) { return columnOf(p) != first; });
    std::vector<size_t> reached;
    for (const auto& p : sl)
      if (const size_t c = columnOf(p); narrow(c) && std::find(reached.begin(), reached.end(), c) == reached.end())
        reached.push_back(c);
    narrowLines += !reached.empty();
    narrowRows += reached.size() >= 2;
  }
  return 4 * rows >= 3 * block.size() || (narrowRows >= 2 && 4 * narrowRows >= 3 * narrowLines);
}

// 6. Columns of each block; bands of column blocks joined.
std::vector<std::vector<Column>> columnsOfBlocks(std::vector<std::vector<SectLine>>& blocks) {
  // A band of fewer than kMinColumnBand blocks is more likely a few lines
  // whose word gaps happen to line up than text columns, and a band with
  // narrow columns more likely a table: their blocks stay as they were.
  std::vector<std::vector<Column>> blockColumns;
  // The band being joined (at most one) points at the parts of the blocks it
  // was joined from; those stay where they are (a block's columns keep their
  // storage when the block moves) until the band closes.
  std::vector<std::vector<BandColumn>> bands;
  std::vector<std::vector<Column>> bandBlocks;
  auto closeBand = [&] {
    if (bands.empty()) return;
    if (bandBlocks.size() >= kMinColumnBand && holdsRunningText(bands.back())) {
      std::vector<Column> joined;
      joined.reserve(bands.back().size());
      for (const BandColumn& c : bands.back()) {
        Column& column = joined.emplace_back();
        column.reserve(c.size());
        for (Part* p : c) column.push_back(std::move(*p));
      }
      blockColumns.push_back(std::move(joined));
    } else {
      for (auto& b : bandBlocks) blockColumns.push_back(std::move(b));
    }
    bands.clear();
    bandBlocks.clear();
  };
  std::vector<std::vector<SectLine>> rowBlocks;
  for (auto& block : blocks) {
    if (isTable(block)) {
      for (auto& sl : block) rowBlocks.push_back({std::move(sl)});
      continue;
    }
    rowBlocks.push_back(std::move(block));
  }
  float lastBottom = 0;
  for (auto& block : rowBlocks) {
    std::vector<Column> columns = cutIntoColumns(blockParts(block));
    float top = 90000, bottom = 0;
    for (const auto& c : columns)
      for (const auto& p : c) top = std::min(top, minTop(p)), bottom = std::max(bottom, maxBottom(p));
    if (bands.empty() || !joinColumnBand(bands.back(), columns, lastBottom, top)) {
      closeBand();
      std::vector<BandColumn>& band = bands.emplace_back();
      for (Column& c : columns) {
        BandColumn& pointers = band.emplace_back();
        for (Part& p : c) pointers.push_back(&p);
      }
    }
    bandBlocks.push_back(std::move(columns));
    lastBottom = std::max(lastBottom, bottom);
  }
  closeBand();
  return blockColumns;
}

// Column lines: parts of one bottom, in x order.
std::vector<std::vector<Part>> linesOfColumn(Column& col) {
  std::vector<std::vector<Part>> columnLines;
  for (size_t i = 0; i < col.size();) {
    const float b0 = maxBottom(col[i]);
    const double base0 = col[i].front().base();
    std::vector<Part> cl;
    cl.push_back(std::move(col[i]));
    size_t j = i + 1;
    // One bottom, or one baseline (parts of one line whose faces reach
    // down differently).
    for (; j < col.size() && (std::fabs(maxBottom(col[j]) - b0) < kColumnLineBottom ||
                              std::fabs(col[j].front().base() - base0) < kSameBaseline);
         ++j)
      cl.push_back(std::move(col[j]));
    stableSortBy(cl, [](const Part& p) { return leftX(p); });
    columnLines.push_back(std::move(cl));
    i = j;
  }
  return columnLines;
}

// The paragraphs of a column's lines, the first `top` down from where the
// block starts, `columnX` in from the page's edge. `P` and `R` end as the
// properties of the last line, which blank paragraphs after it take.
std::vector<VQFlowTextParagraph> paragraphsOfColumn(std::vector<std::vector<Part>>& columnLines, double columnX,
                                                    float top, VQFlowTextPPr& P, VQFlowTextRPr& R) {
  float prevBottom = top;
  std::vector<VQFlowTextParagraph> list;
  for (auto& cl : columnLines) {
    const double firstRight = rightX(cl.front());
    const float firstBottom = maxBottom(cl.front());
    // The line's runs in one vector of their final length: the first part
    // starts the paragraph, the later ones follow it.
    size_t more = 0;
    for (size_t k = 1; k < cl.size(); ++k) more += cl[k].runs.size();
    std::vector<Run> firstRuns;
    firstRuns.reserve(cl.front().runs.size() + more);
    cl.front().moveRunsTo(firstRuns);
    VQFlowTextParagraph Q(std::move(firstRuns));
    Q.xColumnPosition = columnX;
    Q.resolveXColumnProperty();
    P = Q.pProperty;
    R = Q.rProperty;
    const double line = P.line;
    const float dy = firstBottom - prevBottom;
    const double diff = dy - line;
    VQFlowTextParagraph* holder = nullptr;
    if (diff > line) {
      auto blanks = VQFlowTextParagraph::BlankParagraph(diff, line, P.indLeft, R);
      list.insert(list.end(), std::make_move_iterator(blanks.begin()), std::make_move_iterator(blanks.end()));
      list.push_back(std::move(Q));
      holder = &list.back();
    } else if (diff > -kColumnGap) {
      Q.pProperty.line = dy;
      P = Q.pProperty;
      list.push_back(std::move(Q));
      holder = &list.back();
    } else if (!list.empty()) {
      // A line close below the previous one, or one whose bottom lies
      // above it (a superscript or footnote mark set after its line):
      // it continues the previous paragraph rather than being lost.
      // Words set side by side on slightly different baselines keep the
      // blank between them, as parts of one line do.
      auto& target = list.back().runArray;
      Run& T = target.back();
      const double g = Q.runArray.front().ctmInfo.topLeft.x - T.right();
      if (isWordGapBetween(T, Q.runArray.front(), g)) {
        T.runText += ' ';
        T.textWidth += g;
      }
      target.reserve(target.size() + Q.runArray.size() + more);
      target.insert(target.end(), std::make_move_iterator(Q.runArray.begin()),
                    std::make_move_iterator(Q.runArray.end()));
      holder = &list.back();
    } else {
      list.push_back(std::move(Q));
      holder = &list.back();
    }

    double right = firstRight;
    for (size_t k = 1; k < cl.size(); ++k) {
      Part& G = cl[k];
      const double g = leftX(G) - right;
      right = rightX(G);
      Run& T = holder->runArray.back();
      if (isWordGapBetween(T, G.front(), g)) {
        T.runText += ' ';
        T.textWidth += g;
      }
      G.moveRunsTo(holder->runArray);
    }
    prevBottom = firstBottom;
  }
  return list;
}

// 7-9. Paragraphs of the blocks' columns, with blank paragraphs for the
// gaps between blocks, added to `output`.
void appendParagraphs(std::vector<std::vector<Column>>& blockColumns, std::vector<VQFlowTextParagraph>& output) {
  VQFlowTextPPr P;
  VQFlowTextRPr R;
  float prevBlockBottom = 0;
  bool previousColumned = false;
  for (size_t bi = 0; bi < blockColumns.size(); ++bi) {
    std::vector<Column>& columns = blockColumns[bi];
    const size_t blockStart = output.size();

    float top = 0, bottom = 0;
    {
      float t = minTop(columns.front().front());
      float b = maxBottom(columns.front().back());
      for (const auto& c : columns) {
        t = std::min(t, minTop(c.front()));
        b = std::max(b, maxBottom(c.back()));
      }
      top = t;
      bottom = b;
    }
    float gap = 0;
    if (bi == 0) gap = top > kFirstBlockTop ? top - static_cast<float>(kFirstBlockTop) : 0;
    else gap = top - prevBlockBottom;
    prevBlockBottom = bottom;

    if (gap > P.line) {
      auto blanks = VQFlowTextParagraph::BlankParagraph(gap, P.line, P.indLeft, R);
      output.insert(output.end(), std::make_move_iterator(blanks.begin()), std::make_move_iterator(blanks.end()));
    } else if (gap > 0) {
      top -= gap;
    }

    if (!output.empty() && columns.size() >= 2) {
      if (output.back().runArray.empty()) {
        VQFlowTextParagraph copy;
        copy.pProperty = output.back().pProperty;
        copy.rProperty = output.back().rProperty;
        output.push_back(std::move(copy));
      }
      output.back().sectionEnd = true;
    }

    // Where the block's first column starts in the output, and what a writer
    // that sets columns needs: each column's left edge, and whether any
    // column holds more than one line (a single line cut by wide gaps reads
    // along the line).
    const size_t firstColumnAt = output.size();
    std::vector<double> lefts;
    bool multiLine = false;
    for (size_t ci = 0; ci < columns.size(); ++ci) {
      std::vector<std::vector<Part>> columnLines = linesOfColumn(columns[ci]);
      double left = leftX(columnLines.front().front());
      for (const auto& cl : columnLines) left = std::min(left, leftX(cl.front()));
      lefts.push_back(left);
      multiLine = multiLine || columnLines.size() > 1;
      const double columnX = ci > 0 ? left : 0;

      std::vector<VQFlowTextParagraph> list = paragraphsOfColumn(columnLines, columnX, top, P, R);
      if (!list.empty()) {
        if (ci > 0) list.front().breakColumn = true;
        output.insert(output.end(), std::make_move_iterator(list.begin()), std::make_move_iterator(list.end()));
      }
    }
    const bool columned = lefts.size() > 1 && multiLine;
    if (columned && firstColumnAt < output.size()) output[firstColumnAt].columnLefts = lefts;
    else if (previousColumned && blockStart < output.size()) output[blockStart].columnLefts = {lefts.front()};
    previousColumned = columned;
    if (output.size() > 1) output.back().sectionEnd = true;
  }
}

}  // namespace

VQFlowTextPageLayout VQFlowTextCreatParagraphs(const std::vector<VQFlowTextRunText>& runs) {
  std::vector<VQFlowTextRunText> copy = runs;
  return VQFlowTextCreatParagraphs(std::move(copy));
}

VQFlowTextPageLayout VQFlowTextCreatParagraphs(std::vector<VQFlowTextRunText>&& runs) {
  VQFlowTextPageLayout out;
  if (runs.empty()) {
    out.textMargin.left = 1000000;
    return out;
  }

  // 1. Top-down order, found on the runs' positions: each run is moved
  // once, into its line, rather than into a sorted copy of the page first.
  const std::vector<size_t> topDown = fullOrderBy(runs, [](const Run& r) { return r.top(); });
  out.textMargin.top = runs[topDown.front()].top();

  // 2. Lines.
  std::vector<Line> lines = groupIntoLines(runs, topDown);

  // A glyph or two raised or lowered against a line (the letters of a logo,
  // a footnote mark) came out as a line of their own: they are set on the
  // line whose height holds their middle and whose text they touch, where
  // step 3 puts them in x order.
  joinGlyphsSetAgainstLines(lines);
  setDropCapitalsOnTheirFirstLine(lines);

  // 3-4. Each line in x order, cut into parts.
  float leftMost = 1000000;
  std::vector<SectLine> sectLines = cutLinesIntoParts(lines, leftMost);
  out.textMargin.left = leftMost;

  // 5. Blocks.
  std::vector<std::vector<SectLine>> blocks = groupIntoBlocks(sectLines);

  // 6. Columns.
  std::vector<std::vector<Column>> blockColumns = columnsOfBlocks(blocks);

  // 7-9. Paragraphs.
  appendParagraphs(blockColumns, out.paragraphs);
  return out;
}

}  // namespace vq::flowtext

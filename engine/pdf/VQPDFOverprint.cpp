#include "pdf/VQPDFOverprint.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <functional>
#include <initializer_list>
#include <utility>

namespace vq {
namespace {

uint64_t mix(uint64_t h, int64_t v) {
  h ^= static_cast<uint64_t>(v) + 0x9E3779B97F4A7C15ull + (h << 6) + (h >> 2);
  return h | 1;  // never 0, the empty slot's key
}

// Cells beyond this are no place on any page; such text is not filed.
constexpr double kMostCell = 1e15;
constexpr size_t kFirstSlots = 256;

}  // namespace

void VQPDFOverprintFilter::clear() {
  // The table keeps about the size the last page needed, as the next page
  // files about as many strings: one dense page must not make every later
  // page clear a table far larger than it fills. Where a string is filed
  // changes no answer, only how long the search for it runs.
  const size_t fit = std::max(kFirstSlots, std::bit_ceil(4 * used_));
  if (slots_.size() > fit) slots_.assign(fit, Slot{});
  else std::fill(slots_.begin(), slots_.end(), Slot{});
  used_ = 0;
  any_ = lastRepeated_ = false;
}

void VQPDFOverprintFilter::insert(const Slot& slot) {
  if (2 * (used_ + 1) > slots_.size()) {
    // Kept at most half full; grown by rebuilding.
    std::vector<Slot> old = std::move(slots_);
    slots_.assign(old.empty() ? kFirstSlots : 2 * old.size(), Slot{});
    used_ = 0;
    for (const Slot& s : old)
      if (s.key) insert(s);
  }
  const size_t mask = slots_.size() - 1;
  size_t i = slot.key & mask;
  while (slots_[i].key) i = (i + 1) & mask;
  slots_[i] = slot;
  ++used_;
}

bool VQPDFOverprintFilter::repeats(std::string_view text, double x, double y, double reach) {
  if (!(reach > 0) || !std::isfinite(reach)) return false;
  const double fx = x / (2 * reach), fy = y / (2 * reach);
  if (!std::isfinite(fx) || !std::isfinite(fy) || std::fabs(fx) > kMostCell || std::fabs(fy) > kMostCell) return false;
  const auto cx = static_cast<int64_t>(std::floor(fx)), cy = static_cast<int64_t>(std::floor(fy));
  // The neighbouring cells on the side of the point's own half of its cell.
  const int64_t dx = fx - static_cast<double>(cx) < 0.5 ? -1 : 1;
  const int64_t dy = fy - static_cast<double>(cy) < 0.5 ? -1 : 1;
  const uint64_t textKey = std::hash<std::string_view>{}(text);
  const bool drawnOn = any_ && !lastRepeated_ && x >= lastX_ + reach && std::fabs(y - lastY_) < reach;
  any_ = true;
  lastX_ = x;
  lastY_ = y;
  lastRepeated_ = false;
  if (!drawnOn && !slots_.empty()) {
    const size_t mask = slots_.size() - 1;
    for (const auto& [cellX, cellY] : {std::pair{cx, cy}, {cx + dx, cy}, {cx, cy + dy}, {cx + dx, cy + dy}}) {
      const uint64_t key = mix(mix(textKey, cellX), cellY);
      for (size_t i = key & mask; slots_[i].key; i = (i + 1) & mask) {
        const Slot& s = slots_[i];
        if (s.key == key && s.text == textKey && std::fabs(s.x - x) < reach && std::fabs(s.y - y) < reach)
          return lastRepeated_ = true;
      }
    }
  }
  insert(Slot{mix(mix(textKey, cx), cy), textKey, x, y});
  return false;
}

}  // namespace vq

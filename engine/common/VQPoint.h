#pragma once
// A cell coordinate: row and column.
#include <cstdint>
#include <string>

#include <fmt/format.h>

namespace vq {

struct VQPoint {
  uint64_t r = 0;
  uint64_t c = 0;

  // "r=%zd, c=%zd"
  std::string description() const {
    return fmt::format("r={}, c={}", static_cast<int64_t>(r), static_cast<int64_t>(c));
  }
  friend bool operator==(const VQPoint&, const VQPoint&) = default;
};

inline VQPoint VQPointMake(uint64_t r, uint64_t c) { return VQPoint{r, c}; }

}  // namespace vq

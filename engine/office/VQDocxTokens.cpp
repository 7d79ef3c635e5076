#include "office/VQDocxTokens.h"

#include <algorithm>
#include <array>

namespace vq {

namespace {

template <size_t N>
const char* pick(const std::array<const char*, N>& table, int value, const char* outside) {
  if (value < 0 || static_cast<size_t>(value) >= N) return outside;
  return table[static_cast<size_t>(value)];
}

constexpr std::array<const char*, 5> kTextAlign = {"left", "right", "center", "both", "distribute"};
constexpr std::array<const char*, 4> kWidthType = {"nil", "auto", "dxa", "pct"};
constexpr std::array<const char*, 4> kMergeType = {"nil", "continue", "restart", "end"};
constexpr std::array<const char*, 3> kHeightType = {"auto", "atLeast", "exact"};
constexpr std::array<const char*, 3> kVerticalAlignment = {"top", "center", "bottom"};
constexpr std::array<const char*, 3> kTextAlignment = {"left", "right", "center"};
constexpr std::array<const char*, 11> kShading = {"nil",        "clear",         "pct10",      "pct12",
                                                  "pct15",      "diagCross",     "diagStripe", "horzCross",
                                                  "horzStripe", "thinDiagCross", "solid"};
constexpr std::array<const char*, 2> kLayout = {"fixed", "autofit"};
constexpr std::array<const char*, 4> kAnchor = {"none", "margin", "page", "text"};
constexpr std::array<const char*, 27> kBorder = {"none",
                                                 "nil",
                                                 "single",
                                                 "dashDotStroked",
                                                 "dashed",
                                                 "dashSmallGap",
                                                 "dotDash",
                                                 "dotDotDash",
                                                 "dotted",
                                                 "inset",
                                                 "outset",
                                                 "thick",
                                                 "threeDEmboss",
                                                 "threeDEngrave",
                                                 "wave",
                                                 "double",
                                                 "doubleWave",
                                                 "thickThinLargeGap",
                                                 "thickThinMediumGap",
                                                 "thickThinSmallGap",
                                                 "thinThickLargeGap",
                                                 "thinThickMediumGap",
                                                 "thinThickSmallGap",
                                                 "triple",
                                                 "thinThickThinLargeGap",
                                                 "thinThickThinMediumGap",
                                                 "thinThickThinSmallGap"};
constexpr std::array<const char*, 12> kLineDash = {"solid",           "shortDash",   "shortDot",       "shortDashDot",
                                                   "shortDashDotDot", "dot",         "dash",           "longDash",
                                                   "dashDot",         "longDashDot", "longDashDotDot", "custom"};

}  // namespace

const char* TextAlignString(int value) { return pick(kTextAlign, value, nullptr); }
const char* BOOLValueTypeString(int value) { return value ? "true" : "false"; }
const char* TableWidthTypeString(int value) { return pick(kWidthType, value, "auto"); }
const char* TableMergeTypeString(int value) { return pick(kMergeType, value, "continue"); }
const char* TableHeightTypeString(int value) { return pick(kHeightType, value, "auto"); }
const char* TableVerticalAlignmentTypeString(int value) { return pick(kVerticalAlignment, value, "top"); }
const char* TableTextAlignmentTypeString(int value) { return pick(kTextAlignment, value, "left"); }
// A pattern outside the list is written as no shading rather than an invalid token.
const char* TableShadingTypeString(int value) { return pick(kShading, value, "nil"); }
const char* TableLayoutTypeString(int value) { return pick(kLayout, value, "fixed"); }
const char* TableAnchorTypeString(int value) { return pick(kAnchor, value, "none"); }
const char* TableBorderTypeString(int value) { return pick(kBorder, value, "none"); }
const char* LineDashTypeString(int value) { return pick(kLineDash, value, nullptr); }

int LineDashTypeForDashPattern(std::span<const double> pattern, double lineWidth) {
  if (pattern.empty()) return -1;
  const double w = lineWidth;
  int shortCount = 0;
  bool dotted = false;
  int longestClass = 0;  // 0: no long element
  for (double e : pattern) {
    if (e < 2 * w) {
      // Elements shorter than two line widths read as dots; from one width up
      // they are round dots, below it fine ones.
      ++shortCount;
      if (e >= w) dotted = true;
    } else {
      const int cls = e < 3 * w ? 1 : (e < 6 * w ? 2 : 3);
      longestClass = std::max(longestClass, cls);
    }
  }
  const int n = std::min(shortCount, 2);
  switch (longestClass) {
    case 0:
      return dotted ? 5 : 2;
    case 1:
      return std::array{1, 3, 4}[static_cast<size_t>(n)];
    case 2:
      return std::array{6, 8, 10}[static_cast<size_t>(n)];
    default:
      return std::array{7, 9, 10}[static_cast<size_t>(n)];
  }
}

const char* LineDashTypeStringForDashPattern(std::span<const double> pattern, double lineWidth) {
  const int type = LineDashTypeForDashPattern(pattern, lineWidth);
  return type < 0 ? nullptr : LineDashTypeString(type);
}

}  // namespace vq

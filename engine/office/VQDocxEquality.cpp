#include "office/VQDocxEquality.h"

#include <cmath>
#include <cstdlib>

namespace vq {

namespace {
bool sameColorExactly(VQDocx_Color a, VQDocx_Color b) {
  return a.red == b.red && a.green == b.green && a.blue == b.blue && a.alpha == b.alpha;
}
}  // namespace

bool IsEqualColor(VQDocx_Color a, VQDocx_Color b) {
  // Two units of 255 absorb the rounding of colours that went through
  // another colour space on their way out of the PDF.
  return std::abs(a.red - b.red) <= 2 && std::abs(a.green - b.green) <= 2 && std::abs(a.blue - b.blue) <= 2 &&
         std::abs(a.alpha - b.alpha) <= 2;
}

bool IsAlmostEqualRect(double tolerance, Rect a, Rect b) {
  return std::fabs(a.origin.x - b.origin.x) <= tolerance && std::fabs(a.origin.y - b.origin.y) <= tolerance &&
         std::fabs(a.size.width - b.size.width) <= tolerance && std::fabs(a.size.height - b.size.height) <= tolerance;
}

bool IsEqualRPr(const VQDocx_RPr& a, const VQDocx_RPr& b) {
  // A point of size difference is font hinting and rounding, not a new style.
  return VQDocxText(a.rFonts.ascii) == VQDocxText(b.rFonts.ascii) && std::fabs(a.sz - b.sz) <= 1.0f &&
         sameColorExactly(a.color, b.color) && a.background == b.background &&
         sameColorExactly(a.backgroundcolor, b.backgroundcolor) && a.b == b.b && a.i == b.i && a.u == b.u &&
         a.strikethrough == b.strikethrough && a.scrpit == b.scrpit;
}

bool IsEqualRPr_InParagraph(const VQDocx_RPr& a, const VQDocx_RPr& b) {
  return VQDocxText(a.rFonts_backup) == VQDocxText(b.rFonts_backup) && std::fabs(a.sz - b.sz) <= 1.0f;
}

bool IsEqualPPr(const VQDocx_PPr& a, const VQDocx_PPr& b) {
  return a.ind.firstLine == b.ind.firstLine && a.ind.left == b.ind.left && a.spacing.before == b.spacing.before &&
         a.spacing.after == b.spacing.after && a.spacing.line == b.spacing.line &&
         VQDocxText(a.spacing.lineRule) == VQDocxText(b.spacing.lineRule) && a.jc == b.jc;
}

bool IsEqualBorder(const VQDocx_Border& a, const VQDocx_Border& b) {
  return a.val == b.val && a.sz == b.sz && IsEqualColor(a.color, b.color) && a.shadow == b.shadow && a.space == b.space;
}

bool IsEqualShading(const VQDocx_Shading& a, const VQDocx_Shading& b) {
  return a.val == b.val && IsEqualColor(a.fill, b.fill) && IsEqualColor(a.color, b.color);
}

double DisplayBoarderSize(const VQDocx_Border& border) {
  const double size = std::round(static_cast<double>(border.sz) * 4.0) / 4.0;
  int lines;
  if (border.val <= 1) {
    lines = 0;
  } else if (border.val <= 14) {
    lines = 1;
  } else if (border.val <= 22) {
    lines = 2;
  } else {
    lines = 3;
  }
  return size * lines;
}

}  // namespace vq

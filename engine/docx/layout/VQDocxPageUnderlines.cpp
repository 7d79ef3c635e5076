// Underlines, strike-through lines and text shading that PDF producers draw
// as loose paths become character properties of the text they mark, and the
// paths go: the document then carries real underlined or shaded text that
// follows the text when it is edited.
#include <algorithm>
#include <cmath>
#include <unordered_set>

#include "docx/capture/VQDocxRunPath.h"
#include "docx/layout/VQDocxPage.h"

namespace vq {
namespace {

bool IsSameColorExactly(const VQDocx_Color& a, const VQDocx_Color& b) {
  return a.red == b.red && a.green == b.green && a.blue == b.blue && a.alpha == b.alpha;
}

// The horizontal reach of a set of text runs on the page and its tallest run.
struct TextReach {
  bool any = false;
  double left = 999999, right = 0, height = 0;

  void add(const VQDocxRunText& run) {
    any = true;
    left = std::min(left, run.ctmInfo.xLeft);
    right = std::max(right, run.ctmInfo.xRight);
    height = std::max(height, run.displayRect().size.height);
  }
  double span() const { return right - left; }
  // A line that runs along the whole reach: ends within the tallest run's
  // height of the text's ends.
  bool isSpannedBy(double lineWidth) const { return span() > 1 && height > std::fabs(lineWidth - span()); }
};

}  // namespace

void VQDocxPage::convertPathsForUnderLineIfNeed() {
  std::unordered_set<const VQDocxRunPath*> consumed;
  for (const auto& path : allRunPathArray) {
    const auto& info = path->pictInfo();
    if (!info || path->runLineType() != VQDocxRunLineTypeHorizontal || info->displayHeight > 10) continue;
    // A line drawn under text usually touches the descent; moved up a point
    // it meets the text's box.
    Rect line = path->displayRect();
    line.origin.y -= 1;

    std::vector<VQDocxRunText*> underlined, struck;
    TextReach under, strike;
    double textWidthSum = 0;
    for (const auto& run : allRunTextArray) {
      if (!IsSameColorExactly(run->rProperty.color, info->strokeColorVQ())) continue;
      const Rect runRect = run->displayRect();
      const Rect common = RectIntersection(line, runRect);
      if (RectIsNull(common) || common.size.width <= 0 || common.size.height <= 0) continue;
      if (common.size.width <= run->textWidth / 2) continue;
      if (run->ctmInfo.yBase > info->displayY) {
        // The line stands above the base line: it crosses the glyphs.
        struck.push_back(run.get());
        strike.add(*run);
      } else if (info->displayY < run->ctmInfo.yBottom + 1) {
        underlined.push_back(run.get());
        under.add(*run);
      } else {
        continue;
      }
      textWidthSum += runRect.size.width;
    }

    // An underline runs along the text it marks and is not much longer than
    // the text itself: a rule under a few spaced words is a rule.
    if (under.any && under.isSpannedBy(info->displayWidth) && 0.2 * under.span() > info->displayWidth - textWidthSum) {
      for (VQDocxRunText* run : underlined) run->rProperty.u = 1;
      consumed.insert(path.get());
    }
    if (strike.any && strike.isSpannedBy(info->displayWidth)) {
      for (VQDocxRunText* run : struck) run->rProperty.strikethrough = 1;
      consumed.insert(path.get());
    }
  }
  std::erase_if(allRunPathArray, [&](const auto& path) { return consumed.count(path.get()) != 0; });
}

void VQDocxPage::convertPathsForHighLightIfNeed() {
  std::unordered_set<const VQDocxRunPath*> consumed;
  for (const auto& path : allRunPathArray) {
    const auto& info = path->pictInfo();
    if (!info || path->runLineType() != VQDocxRunLineTypeRect || !info->filled || info->stroked ||
        info->displayHeight > 100)
      continue;
    const Rect box =
        RectInset(RectMake(info->displayX, info->displayY, info->displayWidth, info->displayHeight), -2, -2);

    std::vector<VQDocxRunText*> inside;
    double left = 999999, top = 999999, right = 0, bottom = 0;
    for (const auto& run : allRunTextArray) {
      const VQPDF_CTMInfo& m = run->ctmInfo;
      const Rect glyphs = RectMake(m.xLeft, m.yTop, m.xRight - m.xLeft, m.yBottom - m.yTop);
      if (!RectContainsRect(box, glyphs)) continue;
      inside.push_back(run.get());
      left = std::min(left, m.xLeft);
      top = std::min(top, m.yTop);
      right = std::max(right, m.xRight);
      bottom = std::max(bottom, m.yBottom);
    }
    if (inside.empty()) continue;
    // A shading box hugs its text: as wide as the text, and not far taller.
    const double width = right - left;
    const double height = bottom - top;
    if (width <= 0 || std::fabs(info->displayWidth - width) >= 3 || height <= 0 ||
        std::fabs(info->displayHeight - height) >= 2 * height)
      continue;
    for (VQDocxRunText* run : inside) {
      run->rProperty.background = 1;
      run->rProperty.backgroundcolor = info->fillColorVQ();
    }
    consumed.insert(path.get());
  }
  std::erase_if(allRunPathArray, [&](const auto& path) { return consumed.count(path.get()) != 0; });
}

}  // namespace vq

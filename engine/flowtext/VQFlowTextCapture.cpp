#include "flowtext/VQFlowTextCapture.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace vq::flowtext {
namespace {

// One UTF-16 unit below 33: a blank or a control character.
bool isSingleBlankOrControl(const std::string& s) { return s.size() == 1 && static_cast<unsigned char>(s[0]) < 33; }

// A turned string that starts further than this from where the last one
// ended begins a text of its own (another line or box); one further than a
// quarter em has a blank before it.
constexpr double kMostTurnedGapEm = 1.0;
constexpr double kTurnedBlankEm = 0.25;

// The type size of a placement, whichever way it is turned.
double typeSize(const VQFlowTextPlacement& p) {
  return std::max(std::fabs(p.fontSize.width), std::fabs(p.fontSize.height));
}

}  // namespace

VQFlowTextRoute VQFlowTextRouteFor(double rotation, bool flip) {
  if (flip || !std::isfinite(rotation)) return VQFlowTextRoute::TextPath;
  if (rotation < 5 || rotation > 355) return VQFlowTextRoute::MainText;
  if ((rotation > 85 && rotation < 95) || (rotation > 265 && rotation < 275)) return VQFlowTextRoute::TextBox;
  return VQFlowTextRoute::TextPath;
}

void VQFlowTextCapture::closeTurned(VQFlowTextPage& page) {
  if (page.cachedTurnedRun) page.turnedRunTextArray.push_back(std::move(*page.cachedTurnedRun));
  page.cachedTurnedRun.reset();
  page.isUsingTextBox = false;
  page.isUsingTextPath = false;
}

VQFlowTextRoute VQFlowTextCapture::addText(VQFlowTextGlyph g) {
  VQFlowTextPage& page = document_.currentPage();
  const VQFlowTextRoute route = VQFlowTextRouteFor(g.rotation, g.flip);

  if (route == VQFlowTextRoute::TextBox || route == VQFlowTextRoute::TextPath) {
    const bool box = route == VQFlowTextRoute::TextBox;
    if (!page.cachedTurnedRun && isSingleBlankOrControl(g.text)) return VQFlowTextRoute::Dropped;
    // A string continues the open box or path when it is turned the same
    // way and starts about where the last one ended; a blank is put where
    // it starts a little further on.
    const double size = typeSize(g.placement);
    const double apart =
        std::hypot(g.placement.topLeft.x - page.cachedTurnedNext.x, g.placement.topLeft.y - page.cachedTurnedNext.y);
    const bool continues = page.cachedTurnedRun && page.cachedTurnedFlip == g.flip &&
                           std::fabs(page.cachedTurnedRotation - g.rotation) < 1 && apart < kMostTurnedGapEm * size;
    // A string drawn again over itself (bold by printing twice, a label
    // drawn once more) is there once.
    if (turnedDrawn_.repeats(g.text, g.placement.topLeft.x, g.placement.topLeft.y,
                             VQPDFOverprintFilter::ReachForType(size)))
      return VQFlowTextRoute::Dropped;
    if (continues) {
      VQFlowTextRunText& run = *page.cachedTurnedRun;
      const bool blankBetween = !run.runText.empty() && run.runText.back() == ' ';
      if ((apart > kTurnedBlankEm * size || g.wordGapBefore) && !blankBetween && !isSingleBlankOrControl(g.text))
        run.runText += ' ';
      run.runText += g.text;
    } else {
      closeTurned(page);
      // Numbered when the page places it, after its upright runs.
      VQFlowTextRunText run;
      run.ctmInfo = g.placement;
      run.rProperty = std::move(g.rProperty);
      run.runText = std::move(g.text);
      run.spaceWidth = g.spaceWidth;
      page.cachedTurnedRun = std::move(run);
      page.cachedTurnedRotation = g.rotation;
      page.cachedTurnedFlip = g.flip;
    }
    page.cachedTurnedNext = {g.nextTopLeftX, g.nextTopLeftY};
    page.isUsingTextBox = box;
    page.isUsingTextPath = !box;
    if (box) page.cachedTextBoxRotation = g.rotation < 180 ? 90 : 270;
    return route;
  }

  // Upright text ends any pending box or path.
  closeTurned(page);
  // Leading blanks and control characters of a page carry no position.
  if (isNotScanTextYet_ && isSingleBlankOrControl(g.text)) return VQFlowTextRoute::Dropped;
  isNotScanTextYet_ = false;

  VQFlowTextRunText& run = page.allRunTextArray.emplace_back();
  run.pdfScanIndex = document_.takeRunIndex();
  run.ctmInfo = g.placement;
  run.rProperty = std::move(g.rProperty);
  run.runText = std::move(g.text);
  run.spaceWidth = g.spaceWidth;
  run.wordGapBefore = g.wordGapBefore;
  run.gapFont = g.gapFont;
  run.textWidth = std::fabs(g.nextTopLeftX - g.placement.topLeft.x);
  if (!std::isfinite(run.textWidth)) run.textWidth = 0;
  return route;
}

namespace {

// Drops every run that repeats an earlier one at its place.
void dropOverprints(std::vector<VQFlowTextRunText>& runs, VQPDFOverprintFilter& drawn) {
  if (runs.size() < 2) return;
  drawn.clear();
  size_t kept = 0;
  for (size_t i = 0; i < runs.size(); ++i) {
    const VQFlowTextRunText& r = runs[i];
    if (drawn.repeats(r.runText, r.ctmInfo.topLeft.x, r.ctmInfo.topLeft.y,
                      VQPDFOverprintFilter::ReachForType(typeSize(r.ctmInfo))))
      continue;
    if (kept != i) runs[kept] = std::move(runs[i]);
    ++kept;
  }
  runs.resize(kept);
}

}  // namespace

void VQFlowTextCapture::endPage() {
  VQFlowTextPage& page = document_.currentPage();
  closeTurned(page);
  // The same text drawn again over itself (type made bold by printing it
  // twice, a little apart; a line drawn once stroked and once filled) is
  // text once.
  dropOverprints(page.allRunTextArray, overprints_);
}

}  // namespace vq::flowtext

#include "flowtext/VQFlowTextCapture.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>

namespace vq::flowtext {
namespace {

// One UTF-16 unit below 33: a blank or a control character.
bool isSingleBlankOrControl(const std::string& s) { return s.size() == 1 && static_cast<unsigned char>(s[0]) < 33; }

// A turned string that starts further than this from where the last one
// ended begins a text of its own (another line or box); one further than a
// quarter em has a blank before it.
constexpr double kMostTurnedGapEm = 1.0;
// Strings this close (in ems) with the same text are one string drawn twice.
constexpr double kOverprintEm = 0.1;
constexpr double kTurnedBlankEm = 0.25;

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

VQFlowTextRoute VQFlowTextCapture::addText(const VQFlowTextGlyph& g) {
  VQFlowTextPage& page = document_.currentPage();
  const VQFlowTextRoute route = VQFlowTextRouteFor(g.rotation, g.flip);

  if (route == VQFlowTextRoute::TextBox || route == VQFlowTextRoute::TextPath) {
    const bool box = route == VQFlowTextRoute::TextBox;
    if (!page.cachedTurnedRun && isSingleBlankOrControl(g.text)) return VQFlowTextRoute::Dropped;
    // A string continues the open box or path when it is turned the same
    // way and starts about where the last one ended; a blank is put where
    // it starts a little further on.
    const double size = std::max(std::fabs(g.placement.fontSize.width), std::fabs(g.placement.fontSize.height));
    const double apart =
        std::hypot(g.placement.topLeft.x - page.cachedTurnedNext.x, g.placement.topLeft.y - page.cachedTurnedNext.y);
    const bool continues = page.cachedTurnedRun && page.cachedTurnedFlip == g.flip &&
                           std::fabs(page.cachedTurnedRotation - g.rotation) < 1 && apart < kMostTurnedGapEm * size;
    // The string just added, drawn again over itself (bold by printing
    // twice), is there once.
    if (continues && g.text == page.cachedTurnedLastText &&
        std::fabs(g.placement.topLeft.x - page.cachedTurnedLastAt.x) < kOverprintEm * size &&
        std::fabs(g.placement.topLeft.y - page.cachedTurnedLastAt.y) < kOverprintEm * size)
      return VQFlowTextRoute::Dropped;
    if (continues) {
      VQFlowTextRunText& run = *page.cachedTurnedRun;
      const bool blankBetween = !run.runText.empty() && run.runText.back() == ' ';
      if (apart > kTurnedBlankEm * size && !blankBetween && !isSingleBlankOrControl(g.text)) run.runText += ' ';
      run.runText += g.text;
    } else {
      closeTurned(page);
      // Numbered when the page places it, after its upright runs.
      VQFlowTextRunText run;
      run.ctmInfo = g.placement;
      run.rProperty = g.rProperty;
      run.runText = g.text;
      run.spaceWidth = g.spaceWidth;
      page.cachedTurnedRun = std::move(run);
      page.cachedTurnedRotation = g.rotation;
      page.cachedTurnedFlip = g.flip;
    }
    page.cachedTurnedNext = {g.nextTopLeftX, g.nextTopLeftY};
    page.cachedTurnedLastText = g.text;
    page.cachedTurnedLastAt = g.placement.topLeft;
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

  VQFlowTextRunText run;
  run.pdfScanIndex = document_.takeRunIndex();
  run.ctmInfo = g.placement;
  run.rProperty = g.rProperty;
  run.runText = g.text;
  run.spaceWidth = g.spaceWidth;
  run.textWidth = std::fabs(g.nextTopLeftX - g.placement.topLeft.x);
  if (!std::isfinite(run.textWidth)) run.textWidth = 0;
  page.allRunTextArray.push_back(std::move(run));
  return route;
}

namespace {

bool sameSpot(const VQFlowTextRunText& a, const VQFlowTextRunText& b) {
  const double size = std::max(std::fabs(a.ctmInfo.fontSize.width), std::fabs(a.ctmInfo.fontSize.height));
  return std::fabs(a.ctmInfo.topLeft.x - b.ctmInfo.topLeft.x) < kOverprintEm * size &&
         std::fabs(a.ctmInfo.topLeft.y - b.ctmInfo.topLeft.y) < kOverprintEm * size && a.runText == b.runText;
}

uint64_t mix(uint64_t h, int64_t v) {
  h ^= static_cast<uint64_t>(v) + 0x9E3779B97F4A7C15ull + (h << 6) + (h >> 2);
  return h;
}

// Drops every run that repeats an earlier one at its place. Runs are filed
// by their text and a grid of cells twice the reach across, so that each
// looks only at the four cells a repeat within reach can lie in, and a page
// costs one pass.
void dropOverprints(std::vector<VQFlowTextRunText>& runs) {
  if (runs.size() < 2) return;
  size_t slots = 16;
  while (slots < 2 * runs.size()) slots *= 2;
  constexpr uint32_t kEmpty = UINT32_MAX;
  std::vector<std::pair<uint64_t, uint32_t>> table(slots, {0, kEmpty});
  std::vector<bool> repeated(runs.size(), false);
  for (size_t i = 0; i < runs.size(); ++i) {
    const VQFlowTextRunText& r = runs[i];
    const double cell =
        2 * kOverprintEm * std::max({std::fabs(r.ctmInfo.fontSize.width), std::fabs(r.ctmInfo.fontSize.height), 1.0});
    const double fx = r.ctmInfo.topLeft.x / cell, fy = r.ctmInfo.topLeft.y / cell;
    if (!std::isfinite(fx) || !std::isfinite(fy) || std::fabs(fx) > 1e15 || std::fabs(fy) > 1e15) continue;
    const auto cx = static_cast<int64_t>(std::floor(fx)), cy = static_cast<int64_t>(std::floor(fy));
    const int64_t dx = fx - static_cast<double>(cx) < 0.5 ? -1 : 1, dy = fy - static_cast<double>(cy) < 0.5 ? -1 : 1;
    const uint64_t textKey = std::hash<std::string>{}(r.runText);
    auto keyOf = [&](int64_t x, int64_t y) { return mix(mix(textKey, x), y); };
    for (const auto& [x, y] : {std::pair{cx, cy}, {cx + dx, cy}, {cx, cy + dy}, {cx + dx, cy + dy}}) {
      const uint64_t key = keyOf(x, y);
      for (size_t s = key & (slots - 1); table[s].second != kEmpty && !repeated[i]; s = (s + 1) & (slots - 1))
        if (table[s].first == key && sameSpot(runs[table[s].second], r)) repeated[i] = true;
    }
    if (repeated[i]) continue;
    const uint64_t own = keyOf(cx, cy);
    size_t s = own & (slots - 1);
    while (table[s].second != kEmpty) s = (s + 1) & (slots - 1);
    table[s] = {own, static_cast<uint32_t>(i)};
  }
  size_t kept = 0;
  for (size_t i = 0; i < runs.size(); ++i) {
    if (repeated[i]) continue;
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
  dropOverprints(page.allRunTextArray);
  dropOverprints(page.turnedRunTextArray);
}

}  // namespace vq::flowtext

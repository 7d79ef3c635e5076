#include "flowtext/VQFlowTextCapture.h"

#include <cmath>

namespace vq::flowtext {
namespace {

// One UTF-16 unit below 33: a blank or a control character.
bool isSingleBlankOrControl(const std::string& s) { return s.size() == 1 && static_cast<unsigned char>(s[0]) < 33; }

}  // namespace

VQFlowTextRoute VQFlowTextRouteFor(double rotation, bool flip) {
  if (flip || !std::isfinite(rotation)) return VQFlowTextRoute::TextPath;
  if (rotation < 5 || rotation > 355) return VQFlowTextRoute::MainText;
  if ((rotation > 85 && rotation < 95) || (rotation > 265 && rotation < 275)) return VQFlowTextRoute::TextBox;
  return VQFlowTextRoute::TextPath;
}

VQFlowTextRoute VQFlowTextCapture::addText(const VQFlowTextGlyph& g) {
  VQFlowTextPage& page = document_.currentPage();
  const VQFlowTextRoute route = VQFlowTextRouteFor(g.rotation, g.flip);

  if (route == VQFlowTextRoute::TextBox) {
    if (!page.isUsingTextBox && isSingleBlankOrControl(g.text)) return VQFlowTextRoute::Dropped;
    page.isUsingTextPath = false;
    page.isUsingTextBox = true;
    page.cachedTextBoxRotation = g.rotation < 180 ? 90 : 270;
    return route;
  }
  if (route == VQFlowTextRoute::TextPath) {
    page.isUsingTextBox = false;
    page.isUsingTextPath = true;
    return route;
  }

  // Upright text ends any pending box or path.
  page.isUsingTextBox = false;
  page.isUsingTextPath = false;
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

void VQFlowTextCapture::endPage() {
  VQFlowTextPage& page = document_.currentPage();
  page.isUsingTextBox = false;
  page.isUsingTextPath = false;
}

}  // namespace vq::flowtext

#include <algorithm>
#include <cmath>

#include "flowtext/VQFlowTextTypes.h"

namespace vq::flowtext {

Rect VQFlowTextRunText::displayRect() const {
  return RectMake(ctmInfo.topLeft.x, ctmInfo.topLeft.y, textWidth, std::fabs(ctmInfo.bottomLeft.y - ctmInfo.topLeft.y));
}

VQFlowTextParagraph::VQFlowTextParagraph(std::vector<VQFlowTextRunText> runs) : runArray(std::move(runs)) {
  resolvePProperty();
}

double VQFlowTextParagraph::resolvePProperty() {
  double line = 0;
  for (const auto& r : runArray) line = std::max(line, r.rProperty.sz);
  pProperty.line = line;
  if (!runArray.empty()) {
    pProperty.indLeft = runArray.front().left();
    rProperty = runArray.back().rProperty;
  }
  return 0;
}

bool VQFlowTextParagraph::resolveXColumnProperty() {
  if (runArray.empty()) return false;
  pProperty.indLeft = runArray.front().left() - xColumnPosition;
  return true;
}

const VQFlowTextRunText* VQFlowTextParagraph::firstRunText() const {
  return runArray.empty() ? nullptr : &runArray.front();
}
const VQFlowTextRunText* VQFlowTextParagraph::lastRunText() const {
  return runArray.empty() ? nullptr : &runArray.back();
}
VQFlowTextRunText* VQFlowTextParagraph::lastRunText() { return runArray.empty() ? nullptr : &runArray.back(); }

bool VQFlowTextParagraph::haveText() const {
  return std::any_of(runArray.begin(), runArray.end(), [](const auto& r) { return !r.runText.empty(); });
}

double VQFlowTextParagraph::textWidth() const {
  double w = 0;
  for (const auto& r : runArray) w += r.textWidth;
  return w;
}

std::vector<VQFlowTextParagraph> VQFlowTextParagraph::BlankParagraph(double height, double spaceLine, double indLeft,
                                                                     const VQFlowTextRPr& rProperty) {
  std::vector<VQFlowTextParagraph> out;
  if (!std::isfinite(height) || height <= 0) return out;
  double unit = std::max(rProperty.sz, spaceLine);
  if (!std::isfinite(unit) || unit < 1) unit = 1;
  // Writers keep at most one empty paragraph in a row after text, so a
  // thousand lines is more than any page can show.
  const float n = std::clamp(std::floor(static_cast<float>(height) / static_cast<float>(unit)), 1.0f, 1000.0f);
  const int count = static_cast<int>(n);
  for (int k = 0; k < count; ++k) {
    VQFlowTextParagraph p;
    p.pProperty.line = static_cast<float>(height) / n;
    p.pProperty.indLeft = indLeft;
    p.rProperty = rProperty;
    out.push_back(std::move(p));
  }
  return out;
}

}  // namespace vq::flowtext

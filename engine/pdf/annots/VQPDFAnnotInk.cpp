#include "pdf/annots/VQPDFAnnotInk.h"

#include <cmath>

#include "pdf/VQPDFObjectValues.h"
#include "pdf/VQPDFRenderState.h"

namespace vq {

void VQPDFAnnotInk::initWithPDFDictionary(const pdf::Object& dictionary) {
  VQPDFAnnotMarkup::initWithPDFDictionary(dictionary);
  pdf::Object bs = dictionary.get("BS");
  border = bs.isDictionary() ? std::make_shared<VQPDFBorderBS>(bs) : std::make_shared<VQPDFBorderBS>();
  parseInkList(dictionary.get("InkList"));
}

void VQPDFAnnotInk::parseInkList(const pdf::Object& inkList) {
  paths.clear();
  if (!inkList.isArray()) return;
  for (const pdf::Object& element : inkList.elements()) {
    if (element.isArray()) paths.push_back(parsePathArray(element));
  }
}

Path VQPDFAnnotInk::parsePathArray(const pdf::Object& array) {
  Path path;
  const size_t n = array.size();
  if (n == 0 || n % 2 != 0) return path;
  std::vector<Point> points;
  for (size_t i = 0; i < n; i += 2) {
    double x = 0;
    double y = 0;
    if (!vqpdf_detail::ReadNumber(array.at(i), &x) || !vqpdf_detail::ReadNumber(array.at(i + 1), &y) ||
        !std::isfinite(x) || !std::isfinite(y))
      return Path();
    points.push_back(PointMake(x, y));
  }
  path.addLines(points);
  return path;
}

void VQPDFAnnotInk::startParser() {
  if (!stateForOwnDrawing()) return;
  for (const Path& path : paths) {
    VQPDFRenderState* state = delegate->currentRenderingState();
    if (!state) return;
    // A zero-width border makes the ink invisible.
    if (path.isEmpty() || (border && border->lineWidth <= 0)) continue;
    if (border) setStroke(*state, displayColor(), border->lineWidth, border->dashPattern, "VQPDFAnnotInk");
    else setStroke(*state, displayColor(), 1.0, std::nullopt, "VQPDFAnnotInk");
    reportPath(*state, path, true, false);
  }
}

}  // namespace vq

#include "pdf/annots/VQPDFAnnotGeometry.h"

#include "pdf/VQPDFObjectValues.h"
#include "pdf/VQPDFRenderState.h"

namespace vq {

void VQPDFAnnotGeometry::initWithPDFDictionary(const pdf::Object& dictionary) {
  VQPDFAnnotMarkup::initWithPDFDictionary(dictionary);
  interiorColor = ColorWithPDFArray(dictionary.get("IC"));
  pdf::Object bs = dictionary.get("BS");
  border = bs.isDictionary() ? std::make_shared<VQPDFBorderBS>(bs) : std::make_shared<VQPDFBorderBS>();
  borderEffect = VQPDFBorderEffect(dictionary.get("BE"));
  geometryRect.reset();
  pdf::Object rd = dictionary.get("RD");
  if (rd.isArray() && rd.size() == 4) {
    double v[4] = {};
    bool ok = true;
    for (size_t i = 0; i < 4 && ok; ++i) ok = vqpdf_detail::ReadNumber(rd.at(i), &v[i]);
    if (ok) geometryRect = RectMake(v[0], v[1], v[2], v[3]);
  }
}

void VQPDFAnnotGeometry::startParser() {
  VQPDFRenderState* state = stateForOwnDrawing();
  if (!state) return;
  Path path;
  if (type && *type == "Circle") path.addEllipseInRect(bounds);
  else path.addRect(bounds);
  const bool stroke = border && border->lineWidth > 0;
  const bool fill = !interiorColor.isNull;
  if (!stroke && !fill) return;
  if (stroke) setStroke(*state, displayColor(), border->lineWidth, border->dashPattern, "VQPDFAnnotGeometry");
  if (fill) setFill(*state, displayInteriorColor(), "VQPDFAnnotGeometry");
  reportPath(*state, path, stroke, fill);
}

}  // namespace vq

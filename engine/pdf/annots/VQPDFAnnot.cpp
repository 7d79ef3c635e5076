#include "pdf/annots/VQPDFAnnot.h"

#include <algorithm>
#include <cmath>

#include "pdf/VQPDFColorSpace.h"
#include "pdf/VQPDFObjectValues.h"
#include "pdf/VQPDFRenderState.h"
#include "pdf/annots/VQPDFAnnotPopup.h"

namespace vq {

using vqpdf_detail::ReadNumber;
using vqpdf_detail::ScaleComponent;

namespace {

VQPDFColor ToRGB(const VQPDFColor& color) {
  VQPDFColor rgb;
  rgb.length = 3;
  if (color.isNull) return rgb;  // black, as a viewer draws a colourless stroke
  VQPDFRGB v = VQPDFRenderState::RGBColorForPDFColor(color);
  rgb.c[0] = v.r;
  rgb.c[1] = v.g;
  rgb.c[2] = v.b;
  return rgb;
}

}  // namespace

// ---- base

std::optional<std::string> VQPDFAnnot::TextWithPDFDictionary(const pdf::Object& dictionary, const char* key) {
  pdf::Object o = dictionary.get(key);
  if (o.isString()) return o.text();
  if (o.isName()) return o.name();
  return std::nullopt;
}

VQPDFColor VQPDFAnnot::NullColor() { return VQPDFColorSpace::defaultPDFColor(); }

VQPDFColor VQPDFAnnot::ColorWithPDFArray(const pdf::Object& array) {
  VQPDFColor color = NullColor();
  if (!array.isArray()) return color;
  const size_t n = array.size();
  if (n != 1 && n != 3 && n != 4) return color;
  VQPDFColor read;
  for (size_t i = 0; i < n; ++i) {
    double v = 0;
    if (!ReadNumber(array.at(i), &v)) return color;
    read.c[i] = ScaleComponent(v);
  }
  read.length = static_cast<int32_t>(n);
  read.isNull = 0;
  return read;
}

void VQPDFAnnot::initWithPDFDictionary(const pdf::Object& dictionary) { initBaseFields(dictionary, true); }

void VQPDFAnnot::initBaseFields(const pdf::Object& dictionary, bool readPopup) {
  displayUnderText = false;
  type = dictionary.get("Subtype").name();
  contents = TextWithPDFDictionary(dictionary, "Contents");
  userName = TextWithPDFDictionary(dictionary, "NM");
  modificationDate = TextWithPDFDictionary(dictionary, "M");

  bounds = RectMake(0, 0, 1, 1);
  pdf::Object rect = dictionary.get("Rect");
  if (rect.isArray() && rect.size() == 4) {
    double v[4] = {0, 0, 1, 1};
    for (size_t i = 0; i < 4; ++i) ReadNumber(rect.at(i), &v[i]);
    if (std::all_of(v, v + 4, [](double x) { return std::isfinite(x); })) {
      if (v[0] > v[2]) std::swap(v[0], v[2]);
      if (v[1] > v[3]) std::swap(v[1], v[3]);
      bounds = RectMake(v[0], v[1], v[2] - v[0], v[3] - v[1]);
    }
  }

  color = ColorWithPDFArray(dictionary.get("C"));
  // /CA is the constant opacity of the annotation's drawing.
  opacity = 1.0;
  double ca = 1.0;
  if (ReadNumber(dictionary.get("CA"), &ca) && std::isfinite(ca)) opacity = std::clamp(ca, 0.0, 1.0);
  flags = 0;
  if (auto f = dictionary.get("F").integer()) flags = *f;

  border.reset();
  pdf::Object borderArray = dictionary.get("Border");
  if (borderArray.isArray()) border = std::make_shared<VQPDFBorderArray>(borderArray);
  popup.reset();
  if (readPopup) {
    pdf::Object popupDict = dictionary.get("Popup");
    if (popupDict.isDictionary()) {
      popup = std::make_shared<VQPDFAnnotPopup>();
      popup->initWithPDFDictionary(popupDict);
    }
  }
  appearStreams.reset();
  pdf::Object ap = dictionary.get("AP");
  if (ap.isDictionary()) appearStreams = VQPDFAnnotAppearance(ap);

  appearState = "Off";
  auto as = dictionary.get("AS").name();
  if (as && !as->empty()) appearState = *as;
  else if (appearStreams) appearState = "N";
}

void VQPDFAnnot::startParser() { runAppearanceStream(type.value_or("")); }

void VQPDFAnnot::runAppearanceStream(const std::string& streamKey) {
  if (!delegate || !appearStreams) return;
  pdf::Object stream = appearStreams->getAppearanceStream(VQPDFAnnotAppearanceNormal, appearState);
  delegate->didScanStreamStreamKey(this, stream, streamKey);
}

VQPDFRenderState* VQPDFAnnot::stateForOwnDrawing() {
  if (appearStreams) {
    VQPDFAnnot::startParser();
    return nullptr;
  }
  return delegate ? delegate->currentRenderingState() : nullptr;
}

void VQPDFAnnot::setStroke(VQPDFRenderState& state, const VQPDFColor& strokeColor, double width,
                           const std::optional<std::vector<double>>& dash, const char* colorSpaceKey) const {
  auto space = VQPDFColorSpace::DefaultDeviceRGBColorSpace();
  space->objectKey = colorSpaceKey;
  state.strokePattern = nullptr;
  state.strokeColorSpace = space;
  state.strokeColor = ToRGB(strokeColor);
  state.strokeAlpha = opacity;
  state.lineWidth = width;
  if (dash) {
    state.lineDashPattern = *dash;
    state.lineDashPhase = 0;
  }
}

void VQPDFAnnot::setFill(VQPDFRenderState& state, const VQPDFColor& fillColor, const char* colorSpaceKey) const {
  auto space = VQPDFColorSpace::DefaultDeviceRGBColorSpace();
  space->objectKey = colorSpaceKey;
  state.fillPattern = nullptr;
  state.fillColorSpace = space;
  state.fillColor = ToRGB(fillColor);
  state.fillAlpha = opacity;
}

void VQPDFAnnot::reportPath(VQPDFRenderState& state, const Path& path, bool stroke, bool fill) {
  state.cgPath = path;
  if (delegate) delegate->didScanPathStrokeFill(this, path, stroke, fill);
}

}  // namespace vq

#include "pdf/VQPDFRenderState.h"

#include <atomic>
#include <cmath>

#include "fonts/VQPDFFont.h"
#include "pdf/VQPDFExtGState.h"
#include "pdf/VQPDFObjectValues.h"

namespace vq {

std::shared_ptr<VQPDFClipPath> VQPDFClipPath::NewClipPath(const Path& path, int clipType) {
  auto clip = std::make_shared<VQPDFClipPath>();
  clip->path = path;
  clip->clipType = clipType;
  return clip;
}

VQPDFRenderState::VQPDFRenderState() {
  fillColorSpace = std::make_shared<VQPDFDeviceRGBColorSpace>();
  fillColorSpace->objectKey = "VQPDFRenderState init";
  strokeColorSpace = std::make_shared<VQPDFDeviceRGBColorSpace>();
  strokeColorSpace->objectKey = "VQPDFRenderState init";
  for (int i = 4; i < 32; ++i) fillColor.c[i] = 255;
  strokeColor = fillColor;
}

void VQPDFRenderState::setTextMatrix(const AffineTransform& m, bool replaceLineMatrix) {
  textMatrix = m;
  if (replaceLineMatrix) lineMatrix = m;
}

void VQPDFRenderState::newLineWithLeading(double ty, double tx, bool save) {
  lineMatrix = AffineTransformConcat(AffineTransformMakeTranslation(tx, ty), lineMatrix);
  textMatrix = lineMatrix;
  if (save) leading = -ty;
}

void VQPDFRenderState::clipState(const Path& pagePath, int type) {
  if (pagePath.isEmpty() || type == VQPDFClipTypeNone) return;
  clipBezierPaths.push_back(VQPDFClipPath::NewClipPath(pagePath, type));
}

void VQPDFRenderState::setGraphicState(const VQPDFExtGState* s) {
  if (!s) return;
  if (s->LW) lineWidth = *s->LW;
  if (s->LC) lineCapStyle = *s->LC;
  if (s->LJ) lineJoinStyle = *s->LJ;
  if (s->ML) lineMiterLimit = *s->ML;
  if (s->hasDash) {
    lineDashPattern = s->dashArray;
    lineDashPhase = s->dashPhase;
  }
  if (s->CA) strokeAlpha = *s->CA;
  if (s->ca) fillAlpha = *s->ca;
  if (s->AIS) alphaFlag = *s->AIS;
  if (s->op) fillOverprint = *s->op;
  if (s->OP) strokeOverprint = *s->OP;
  if (s->OPM) overprintMode = static_cast<int16_t>(*s->OPM);
  if (s->SA) strokeAdjust = *s->SA;
  if (s->BM) blendMode = *s->BM;
  if (s->smaskHaveSoftMask) haveSoftMask = *s->smaskHaveSoftMask;
  if (s->smaskS) {
    if (*s->smaskS == "Alpha") softMaskBlendMode = 3;
    else if (*s->smaskS == "Luminosity") softMaskBlendMode = 15;
  }
}

VQPDFRGB VQPDFRenderState::currentFillRGBColor() const {
  return fillColorSpace ? fillColorSpace->getRGB(fillColor) : VQPDFRGB{};
}

VQPDFRGB VQPDFRenderState::currentStrokeRGBColor() const {
  return strokeColorSpace ? strokeColorSpace->getRGB(strokeColor) : VQPDFRGB{};
}

namespace {
// Set once before pages are parsed, read by every page's thread.
std::atomic<VQPDFRenderState::PatternAverager> gPatternAverager{nullptr};
}  // namespace

void VQPDFRenderState::setPatternAverager(PatternAverager averager) { gPatternAverager.store(averager); }

VQPDFRGB VQPDFRenderState::currentFillPaintRGB(const Rect& area) const {
  using vqpdf_detail::Clamp255;
  VQPDFRGB rgb = currentFillRGBColor();
  if (const auto* space = dynamic_cast<const VQPDFPatternColorSpace*>(fillColorSpace.get())) {
    const auto averager = gPatternAverager.load();
    const auto average = averager && fillPattern ? averager(*this, area) : std::nullopt;
    rgb = average ? *average : space->under ? space->under->getRGB(fillColor) : VQPDFRGB{};
  }
  return {Clamp255(rgb.r), Clamp255(rgb.g), Clamp255(rgb.b)};
}

static Color DeviceColor(const VQPDFRGB& rgb) {
  return ColorMakeRGB(rgb.r / 255.0f, rgb.g / 255.0f, rgb.b / 255.0f, 1.0);
}

Color VQPDFRenderState::currentFillColor() const { return DeviceColor(currentFillRGBColor()); }
Color VQPDFRenderState::currentStrokeColor() const { return DeviceColor(currentStrokeRGBColor()); }

VQPDFRGB VQPDFRenderState::RGBColorForPDFColor(const VQPDFColor& color) {
  switch (color.length) {
    case 1:
      return VQPDFDeviceGrayColorSpace().getRGB(color);
    case 3:
      return VQPDFDeviceRGBColorSpace().getRGB(color);
    case 4:
      return VQPDFDeviceCMYKColorSpace().getRGB(color);
    default:
      return {};
  }
}

// ---- stack

void VQPDFRenderStateStack::reset() {
  renderStateArray.clear();
  renderStateArray.push_back(std::make_unique<VQPDFRenderState>());
  floor_ = 0;
}

void VQPDFRenderStateStack::placeDefaultState() { renderStateArray.push_back(std::make_unique<VQPDFRenderState>()); }

// The path under construction is not part of the graphics state: it goes
// with the top state when one is pushed or popped instead of being copied
// into every saved state (a long open path followed by many q would be
// copied once per q).
VQPDFRenderState& VQPDFRenderStateStack::pushRenderingState(const VQPDFRenderState* state) {
  VQPDFRenderState& top = topRenderingState();
  Path path = std::move(top.cgPath);
  top.cgPath = Path();
  const VQPDFRenderState& source = state ? *state : top;
  renderStateArray.push_back(std::make_unique<VQPDFRenderState>(source));
  renderStateArray.back()->cgPath = std::move(path);
  return *renderStateArray.back();
}

VQPDFRenderState& VQPDFRenderStateStack::popRenderingState() {
  if (!renderStateArray.empty() && renderStateArray.size() > floor_) {
    Path path = std::move(renderStateArray.back()->cgPath);
    renderStateArray.pop_back();
    topRenderingState().cgPath = std::move(path);
  }
  return topRenderingState();
}

VQPDFRenderState& VQPDFRenderStateStack::saveState() {
  if (depth() >= kMostSavedStates) {
    ++uncountedSaves_;
    return topRenderingState();
  }
  return pushRenderingState();
}

VQPDFRenderState& VQPDFRenderStateStack::restoreState() {
  if (uncountedSaves_ > 0) {
    --uncountedSaves_;
    return topRenderingState();
  }
  return popRenderingState();
}

void VQPDFRenderStateStack::truncate(size_t depth) {
  while (renderStateArray.size() > depth) renderStateArray.pop_back();
}

}  // namespace vq

namespace vq {

void VQPDFRenderState::fontMetrics(double* ascent, double* descent) const {
  *ascent = 0.95;
  *descent = -0.35;
  if (font) {
    const double a = font->ascent(), d = font->descent();
    if (std::isfinite(a) && std::isfinite(d) && a - d > 0) *ascent = a, *descent = d;
  }
}

}  // namespace vq

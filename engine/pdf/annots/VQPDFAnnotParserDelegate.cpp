#include "pdf/annots/VQPDFAnnotParserDelegate.h"

#include <fmt/format.h>

#include <chrono>
#include <cmath>

#include "common/VQRandomString.h"
#include "pdf/VQPDFObjectValues.h"
#include "pdf/VQPDFXObject.h"
#include "pdf/annots/VQPDFAnnot.h"

namespace vq {

namespace {

double SecondsSince1970() {
  using namespace std::chrono;
  return static_cast<double>(duration_cast<seconds>(system_clock::now().time_since_epoch()).count());
}

std::shared_ptr<VQPDFAnnot> Owned(VQPDFAnnot* annot) { return annot ? annot->weak_from_this().lock() : nullptr; }

bool ReadNumbers(const pdf::Object& array, size_t count, double* out) {
  if (!array.isArray() || array.size() != count) return false;
  for (size_t i = 0; i < count; ++i) {
    if (!vqpdf_detail::ReadNumber(array.at(i), &out[i]) || !std::isfinite(out[i])) return false;
  }
  return true;
}

}  // namespace

VQPDFRenderState* VQPDFAnnotParserDelegate::currentRenderingState() { return &parser_.currentRenderingState(); }

VQPDFRenderState* VQPDFAnnotParserDelegate::pushRenderingState(const VQPDFRenderState* state) {
  parser_.currentRenderingState();  // makes sure the parser has a stack
  const auto& stack = parser_.renderingStateStack();
  saved_.emplace_back(stack->depth(), stack->floor());
  return &parser_.pushRenderingState(state);
}

void VQPDFAnnotParserDelegate::popRenderingState() {
  if (saved_.empty()) {
    parser_.popRenderingState();
    return;
  }
  auto [depth, floor] = saved_.back();
  saved_.pop_back();
  const auto& stack = parser_.renderingStateStack();
  stack->setFloor(floor);
  stack->truncate(depth);
}

void VQPDFAnnotParserDelegate::willDrawAnnot(VQPDFAnnot* annot) { parser_.contentAnnot = Owned(annot); }

void VQPDFAnnotParserDelegate::didScanTextBoxTextFontNameFontColorFontSizeAlignmentBorderStrokeBorderFill(
    VQPDFAnnot*, const Rect& box, const std::string& text, const std::string& fontName, const VQPDFColor& fontColor,
    double fontSize, int64_t alignment, bool borderStroke, bool borderFill) {
  if (auto* d = parser_.delegate()) {
    d->didScanTextBoxTextFontNameFontColorFontSizeAlignmentBorderStrokeBorderFill(
        &parser_, box, text, fontName, fontColor, fontSize, alignment, borderStroke, borderFill);
  }
}

void VQPDFAnnotParserDelegate::didScanPathStrokeFill(VQPDFAnnot*, const Path& path, bool stroke, bool fill) {
  if (auto* d = parser_.delegate()) d->didScanPathStrokeFill(&parser_, path, stroke, fill);
}

AffineTransform VQPDFAnnotParserDelegate::AppearanceTransform(const std::optional<Rect>& bbox,
                                                              const AffineTransform& matrix, const Rect& rect) {
  if (!bbox) return AffineTransformMakeTranslation(rect.origin.x, rect.origin.y);
  const Rect box = RectApplyAffineTransform(RectStandardize(*bbox), matrix);
  // A box thinner than this (in appearance units) has no usable extent.
  constexpr double kDegenerate = 1e-6;
  double sx = 1;
  double sy = 1;
  if (box.size.width > kDegenerate) sx = rect.size.width / box.size.width;
  if (box.size.height > kDegenerate) sy = rect.size.height / box.size.height;
  return AffineTransformMake(sx, 0, 0, sy, rect.origin.x - sx * box.origin.x, rect.origin.y - sy * box.origin.y);
}

void VQPDFAnnotParserDelegate::didScanStreamStreamKey(VQPDFAnnot* annot, const pdf::Object& stream,
                                                      const std::string& streamKey) {
  if (!annot || !stream.isStream()) return;
  const pdf::Object dict = stream.streamDictionary();
  // Appearance streams are form XObjects by definition; many writers leave
  // out the /Subtype, which therefore defaults to Form here.
  const std::string subtype = dict.get("Subtype").name().value_or("Form");
  const Rect bounds = annot->bounds;
  const std::shared_ptr<VQPDFAnnot> owned = Owned(annot);
  const auto& stack = parser_.renderingStateStack();
  if (!stack) parser_.currentRenderingState();
  const size_t depth = parser_.renderingStateStack()->depth();
  const size_t floor = parser_.renderingStateStack()->floor();

  if (subtype == "Form") {
    VQPDFRenderState& st = parser_.pushRenderingState();
    VQPDFFormXObject form(stream, fmt::format("Annot-Form-{}-{:.0f}-{}", streamKey, SecondsSince1970(),
                                              VQRandomString::Random4BigLetter()));
    double m[6] = {1, 0, 0, 1, 0, 0};
    AffineTransform matrix = AffineTransformIdentity;
    if (ReadNumbers(dict.get("Matrix"), 6, m)) matrix = AffineTransformMake(m[0], m[1], m[2], m[3], m[4], m[5]);
    double b[4] = {};
    std::optional<Rect> bbox;
    if (ReadNumbers(dict.get("BBox"), 4, b)) bbox = RectFromPoints(PointMake(b[0], b[1]), PointMake(b[2], b[3]));
    form.matrix = matrix;
    st.ctm = AffineTransformConcat(AppearanceTransform(bbox, matrix, bounds), st.ctm);
    form.ctm = st.ctm;
    Path clip;
    clip.addRect(bounds);
    st.clipState(clip, VQPDFClipTypeWinding);
    // The annotation's constant opacity applies to its whole appearance.
    st.strokeAlpha = annot->opacity;
    st.fillAlpha = annot->opacity;
    form.annot = owned;
    parser_.runFormXObject(form, VQPDFContentStreamTypeAnnotation);
  } else if (subtype == "Image") {
    // An image stands for the unit square, which the rectangle receives.
    VQPDFRenderState& st = parser_.pushRenderingState();
    st.ctm = AffineTransformConcat(
        AffineTransformMake(bounds.size.width, 0, 0, bounds.size.height, bounds.origin.x, bounds.origin.y), st.ctm);
    parser_.drawAnnotationStream(owned, stream, streamKey, bounds);
  }
  // PostScript appearances are never drawn.
  parser_.renderingStateStack()->setFloor(floor);
  parser_.renderingStateStack()->truncate(depth);
}

}  // namespace vq

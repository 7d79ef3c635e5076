#include "pdf/capture/VQPDFPageCapture.h"

#include <cmath>

#include "pdf/VQPDFConentParser.h"
#include "pdf/VQPDFFontCache.h"
#include "pdf/VQPDFRenderState.h"
#include "pdf/annots/VQPDFAnnotCollection.h"
#include "pdf/capture/VQPageSetupForPage.h"
#include "pdf/images/VQPDFImageDecoder.h"
#include "pdf/images/VQPDFImageFileTracker.h"

namespace vq {

VQPDFPageCapture::VQPDFPageCapture(VQPDFPageCaptureSettings settings) : settings_(std::move(settings)) {
  // Wired explicitly: a static link keeps only the objects something refers
  // to, so neither the annotation module nor the image decoder can count on
  // installing itself. Both installs happen once per process.
  VQPDFAnnotCollection::InstallAnnotationWalker();
  VQPDFImageDecoder::install();
}

VQPDFPageCapture::~VQPDFPageCapture() = default;

void VQPDFPageCapture::beginPage(const pdf::Page& page, long long extraAngle) {
  beginPage(VQPageSetupForPage(page, extraAngle));
  page_ = page;
}

void VQPDFPageCapture::beginPage(const VQPageSetup& setup) {
  page_.reset();
  setup_ = setup;
  stack_ = std::make_shared<VQPDFRenderStateStack>();
}

void VQPDFPageCapture::run(VQPDFConentParserDelegate& delegate) {
  if (!page_ || !stack_) return;
  VQPDFImageFileScope imageFiles;
  auto parser = VQPDFConentParser::ParserWithPage(*page_);
  if (!parser) return;
  parser->setDecodeImages(settings_.decodeImages);
  parser->setCancelFlag(settings_.cancel);
  if (settings_.fontCache) {
    if (!fontCacheThread_) fontCacheThread_ = std::this_thread::get_id();
    if (*fontCacheThread_ == std::this_thread::get_id()) parser->setFontCache(settings_.fontCache);
  }
  parser->setDelegate(&delegate);
  parser->setRenderingStateStack(stack_);
  parser->setIsParserAnnots(settings_.annotations ? 1 : 0);
  parser->startParser();
  parser->setDelegate(nullptr);
}

void VQPDFPageCapture::endPage() {
  page_.reset();
  stack_.reset();
}

VQPDFPageCapture::Glyph VQPDFPageCapture::glyph(const Size& offset) const {
  return Glyph(stack_->topRenderingState(), setup_.transform, offset);
}

VQPDFPageCapture::Glyph::Glyph(const VQPDFRenderState& state, const AffineTransform& pageTransform, const Size& offset)
    : state_(state),
      pageTransform_(pageTransform),
      offset_(offset),
      // The rise (Ts) lifts the glyph off its line in unscaled text space: a
      // logo's raised letter or a superscript stands where the page has it.
      textMatrix_(AffineTransformTranslate(state.textMatrix, 0, state.textRise)) {
  state_.fontMetrics(&ascent_, &descent_);
  transform_ = VQDisplayTextTransform(textMatrix_, state_.ctm, pageTransform_);
}

const AffineTransform& VQPDFPageCapture::Glyph::nextTransform() const {
  if (!nextTransform_) nextTransform_ = VQDisplayTextTransform(textMatrix_, state_.ctm, pageTransform_, offset_);
  return *nextTransform_;
}

const VQPDF_CTMInfo& VQPDFPageCapture::Glyph::placement() const {
  if (!placement_) placement_ = VQPDFTransformGetFontCTMInfo(state_.fontSize, ascent_, descent_, transform_);
  return *placement_;
}

const VQPDF_CTMInfo& VQPDFPageCapture::Glyph::nextPlacement() const {
  if (!nextPlacement_)
    nextPlacement_ = VQPDFTransformGetFontCTMInfo(state_.fontSize, ascent_, descent_, nextTransform());
  return *nextPlacement_;
}

Point VQPDFPageCapture::Glyph::nextTopLeft() const {
  if (nextPlacement_) return nextPlacement_->topLeft;
  return VQPDFTransformGetFontTopLeft(state_.fontSize, ascent_, descent_, nextTransform());
}

Size VQPDFPageCapture::Glyph::fontSize() const {
  return VQPDFTransformGetFontSize(state_.fontSize, ascent_, descent_, transform_);
}

Size VQPDFPageCapture::Glyph::displaySize(double width) const {
  const Rect frame =
      VQPDFTransformGetFontFrame(state_.fontSize, ascent_, descent_, transform_,
                                 VQDisplayTextTransform(textMatrix_, state_.ctm, pageTransform_, Size{width, 0}));
  return Size{std::fabs(frame.size.width), std::fabs(frame.size.height)};
}

double VQPDFPageCapture::Glyph::displayAdvance(double width) const {
  const AffineTransform after = VQDisplayTextTransform(textMatrix_, state_.ctm, pageTransform_, Size{width, 0});
  const AffineTransform before = VQDisplayTextTransform(textMatrix_, state_.ctm, pageTransform_, Size{0, 0});
  return std::hypot(after.tx - before.tx, after.ty - before.ty);
}

}  // namespace vq

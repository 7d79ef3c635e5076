#include "pdf/capture/VQPDFPageCapture.h"

#include <algorithm>
#include <cmath>

#include "fonts/VQPDFFont.h"
#include "pdf/VQPDFConentParser.h"
#include "pdf/VQPDFFontCache.h"
#include "pdf/VQPDFRenderState.h"
#include "pdf/annots/VQPDFAnnotCollection.h"
#include "pdf/capture/VQPageSetupForPage.h"
#include "pdf/images/VQPDFImageDecoder.h"
#include "pdf/images/VQPDFImageFileTracker.h"
#include "pdf/shading/VQPDFDrawingStop.h"
#include "pdf/shading/VQPDFPatternDrawable.h"

namespace vq {
namespace {

// Glyphs whose base lines lie further apart than half an em stand on lines
// of their own (a raised mark sits about a third of an em up).
constexpr double kMostAcrossLineEm = 0.5;
// A glyph that starts more than an em back from where the text before it
// ended begins another line, or draws over text already there.
constexpr double kMostSetBackEm = 1.0;
// Lines turned apart by more than a few degrees are not one line.
constexpr double kSameDirectionCosine = 0.995;

bool isBlankText(const std::string& text) { return !text.empty() && text.find_first_not_of(' ') == std::string::npos; }

}  // namespace

VQPDFPageCapture::VQPDFPageCapture(VQPDFPageCaptureSettings settings) : settings_(std::move(settings)) {
  // Wired explicitly: a static link keeps only the objects something refers
  // to, so neither the annotation module, the image decoder nor the pattern
  // drawing can count on installing itself. The installs happen once per
  // process (the averager's is one store of the same function).
  VQPDFAnnotCollection::InstallAnnotationWalker();
  VQPDFImageDecoder::install();
  VQPDFRenderState::setPatternAverager(VQPDFPatternAverageFillColor);
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
  trail_.reset();
}

void VQPDFPageCapture::run(VQPDFConentParserDelegate& delegate) {
  if (!page_ || !stack_) return;
  VQPDFImageFileScope imageFiles;
  // The rasterisers a report runs look at the conversion's stop flag too.
  VQPDFDrawingStop stop(settings_.cancel);
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
  trail_.reset();
}

VQPDFPageCapture::Glyph VQPDFPageCapture::glyph(const Size& offset) const {
  return Glyph(stack_->topRenderingState(), setup_.transform, offset);
}

VQPDFPageCapture::Glyph VQPDFPageCapture::textGlyph(const std::string& text, const Size& offset) {
  Glyph g = glyph(offset);
  g.blank_ = isBlankText(text);
  const AffineTransform& m = g.transform();
  const double length = std::hypot(m.a, m.b);
  const AffineTransform& after = g.nextTransform();
  if (!(length > 0) || !std::isfinite(length) || !std::isfinite(m.tx) || !std::isfinite(m.ty) ||
      !std::isfinite(after.tx) || !std::isfinite(after.ty)) {
    trail_.reset();
    return g;
  }
  const Point direction{m.a / length, m.b / length};
  const VQPDFWordGapFont font = g.gapFont();
  // Where this glyph starts against where the last one ended: along the
  // line (the gap, spacing and positioning included) and across it.
  bool sameLine = false;
  double gap = 0;
  VQPDFWordGapFont between = font;
  if (trail_) {
    between = VQPDFWordGapFontBetween(trail_->font, font);
    const double dx = m.tx - trail_->end.x, dy = m.ty - trail_->end.y;
    gap = dx * direction.x + dy * direction.y;
    const double across = dx * direction.y - dy * direction.x;
    const double em = std::max(font.fontSize, trail_->font.fontSize);
    sameLine = direction.x * trail_->direction.x + direction.y * trail_->direction.y > kSameDirectionCosine &&
               std::fabs(across) < kMostAcrossLineEm * em && gap > -kMostSetBackEm * em;
  }
  if (g.blank_) {
    // A blank keeps the end of the word before it: the next glyph is
    // measured from there, and the blank alone already parts them.
    if (sameLine) trail_->blankSince = true;
    else trail_.reset();
    return g;
  }
  g.wordGapBefore_ = sameLine && (trail_->blankSince || VQPDFIsWordGap(gap, between));
  trail_ = LineTrail{Point{after.tx, after.ty}, direction, font, false};
  return g;
}

VQPDFPageCapture::Glyph::Glyph(const VQPDFRenderState& state, const AffineTransform& pageTransform, const Size& offset)
    : state_(state),
      pageTransform_(pageTransform),
      offset_(offset),
      // The rise (Ts) lifts the glyph off its line in unscaled text space: a
      // logo's raised letter or a superscript stands where the page has it.
      textMatrix_(AffineTransformTranslate(state.textMatrix, 0, state.textRise)) {
  state_.fontMetrics(&ascent_, &descent_);
  // The orientation goes first, in glyph space: a font that draws its glyphs
  // upside down under a text matrix that turns them back shows them upright,
  // and only the whole chain tells the two apart from mirrored text.
  if (state_.font) orientation_ = state_.font->glyphOrientation;
  if (state_.horizontalScaling < 0) orientation_.a = -orientation_.a, orientation_.b = -orientation_.b;
  transform_ = AffineTransformConcat(orientation_, VQDisplayTextTransform(textMatrix_, state_.ctm, pageTransform_));
  // Every advance of the glyph moves the text position alone: the linear
  // part of the moved chain is the same for all of them, so it is worked
  // out once here (by the very products the full chain makes, so that
  // signed zeros and roundings come out alike) and each advance then
  // carries only its translation through.
  const AffineTransform moved = VQDisplayTextTransform(textMatrix_, state_.ctm, pageTransform_, Size{0, 0});
  movedLinear_ = moved;
  advancedLinear_ = AffineTransformConcat(orientation_, moved);
}

AffineTransform VQPDFPageCapture::Glyph::advancedTransform(const Size& advance) const {
  // The text position moves by the advance scaled horizontally, as the
  // interpreter moves it; the orientation stays in glyph space. The steps
  // are those of text matrix x CTM x page transform, then the orientation
  // before them, with the translations alone computed.
  const Point at = PointApplyAffineTransform(
      PointApplyAffineTransform(
          PointApplyAffineTransform(Point{advance.width * state_.horizontalScaling, advance.height}, textMatrix_),
          state_.ctm),
      pageTransform_);
  AffineTransform moved = movedLinear_;
  moved.tx = at.x, moved.ty = at.y;
  const Point origin = PointApplyAffineTransform(Point{orientation_.tx, orientation_.ty}, moved);
  AffineTransform r = advancedLinear_;
  r.tx = origin.x, r.ty = origin.y;
  return r;
}

const AffineTransform& VQPDFPageCapture::Glyph::nextTransform() const {
  if (!nextTransform_) nextTransform_ = advancedTransform(offset_);
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
      VQPDFTransformGetFontFrame(state_.fontSize, ascent_, descent_, transform_, advancedTransform(Size{width, 0}));
  return Size{std::fabs(frame.size.width), std::fabs(frame.size.height)};
}

VQPDFWordGapFont VQPDFPageCapture::Glyph::gapFont() const {
  if (gapFont_) return *gapFont_;
  VQPDFWordGapFont font;
  font.fontSize = displayAdvance(state_.fontSize);
  if (state_.font) font.blankEm = state_.font->bankSpaceCharWidth;
  gapFont_ = font;
  return font;
}

double VQPDFPageCapture::Glyph::displayAdvance(double width) const {
  const AffineTransform after = advancedTransform(Size{width, 0});
  return std::hypot(after.tx - transform_.tx, after.ty - transform_.ty);
}

bool VQPDFPageCapture::Glyph::isSlanted() const {
  const AffineTransform& t = transform_;
  const double determinant = t.a * t.d - t.b * t.c;
  if (determinant == 0) return false;  // squeezed onto a line: no up direction
  // The up direction's angle from the base line, in whole degrees: 90 for a
  // glyph the reader sees the right way round, 270 for a mirrored one
  // (display space turns y downwards, so that one has a positive determinant).
  const float angle = VQPDFTransformGetShear(VQPDFTransformGetRotation(t), t);
  const float upright = determinant > 0 ? 270.0f : 90.0f;
  return std::fabs(angle - upright) > 2.0f;
}

}  // namespace vq

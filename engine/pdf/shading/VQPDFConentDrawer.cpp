#include "pdf/shading/VQPDFConentDrawer.h"

#include <cmath>

#include "pdf/VQPDFRenderState.h"
#include "pdf/VQPDFXObject.h"
#include "pdf/images/VQPDFImageFile.h"
#include "pdf/images/VQPDFImageFileTracker.h"
#include "pdf/shading/VQPDFPatternDrawable.h"
#include "platform/diagnostics/VQDiagnostics.h"

namespace vq {

namespace {

// A pattern cell may use patterns whose cells use patterns...; a cell that
// names itself would never end. Three levels cover real documents.
constexpr int kMaxDrawStreamDepth = 3;
thread_local int tDrawStreamDepth = 0;

FillRule RuleOf(int clipType) { return clipType == VQPDFClipTypeEvenOdd ? FillRule::EvenOdd : FillRule::Winding; }

void ApplyClips(DrawingContext& context, const VQPDFRenderState& state) {
  for (const auto& clip : state.clipBezierPaths) {
    if (clip) context.clipToPath(clip->path, RuleOf(clip->clipType));
  }
}

}  // namespace

VQPDFConentDrawer::VQPDFConentDrawer(const pdf::Object& contentDictionary,
                                     std::shared_ptr<const pdf::ContentStream> contentStream, const Rect& mediaBox,
                                     double scale) {
  const Rect box = RectStandardize(mediaBox);
  if (!(scale > 0) || !std::isfinite(scale) || RectIsNull(box)) return;
  const double w = std::ceil(box.size.width * scale), h = std::ceil(box.size.height * scale);
  if (!std::isfinite(w) || !std::isfinite(h) || w > kMaxBitmapSide || h > kMaxBitmapSide) return;
  std::string error;
  bitmapContext = DrawingContext::create(std::max(1, static_cast<int>(w)), std::max(1, static_cast<int>(h)), &error);
  if (!bitmapContext) {
    VQDiagnose(VQDiagnosticCategory::Render, "Context not created! " + error);
    return;
  }
  bitmapContext->scaleCTM(scale, scale);
  bitmapContext->translateCTM(-box.origin.x, -box.origin.y);
  if (contentStream) {
    parser_ = std::make_unique<VQPDFConentParser>(contentDictionary, std::move(contentStream));
    parser_->setIsParserAnnots(0);
    parser_->setDelegate(this);
  }
}

VQPDFConentDrawer::~VQPDFConentDrawer() {
  if (parser_) parser_->setDelegate(nullptr);
}

void VQPDFConentDrawer::draw() {
  if (parser_ && bitmapContext) parser_->startParser();
}

std::optional<Bitmap> VQPDFConentDrawer::CGImage() const {
  if (!bitmapContext) return std::nullopt;
  return bitmapContext->toBitmap();
}

void VQPDFConentDrawer::didScanPathStrokeFill(VQPDFConentParser* parser, const Path& path, bool stroke, bool fill) {
  if (!bitmapContext || !parser) return;
  const VQPDFRenderState& state = parser->currentRenderingState();
  DrawingContext& c = *bitmapContext;
  c.saveGState();
  ApplyClips(c, state);
  if (fill) {
    Color color = state.currentFillColor();
    color.alpha = state.currentFillAlpha();
    c.setFillColor(color);
    c.fillPath(path, state.usesEvenOddFillRule ? FillRule::EvenOdd : FillRule::Winding);
  }
  if (stroke) {
    Color color = state.currentStrokeColor();
    color.alpha = state.currentStrokeAlpha();
    c.setStrokeColor(color);
    // The path is in stream space already; the line width is in the user
    // space of the moment, so it scales with the CTM's area factor.
    const AffineTransform& m = state.ctm;
    const double factor = std::sqrt(std::fabs(m.a * m.d - m.b * m.c));
    c.setLineWidth(std::max(state.lineWidth * (std::isfinite(factor) ? factor : 1.0), 0.0));
    c.setLineCap(static_cast<LineCap>(std::clamp(state.lineCapStyle, 0, 2)));
    c.setLineJoin(static_cast<LineJoin>(std::clamp(state.lineJoinStyle, 0, 2)));
    c.strokePath(path);
  }
  c.restoreGState();
}

void VQPDFConentDrawer::didScanPatternPathStrokeFill(VQPDFConentParser* parser, const Path& path, bool stroke,
                                                     bool fill) {
  if (!bitmapContext || !parser || !fill) return;
  const VQPDFRenderState& state = parser->currentRenderingState();
  auto pattern = VQPDFDrawablePattern::PatternForResource(state.fillPattern);
  if (!pattern) return;
  (void)stroke;  // stroked pattern outlines inside a cell are left out
  DrawingContext& c = *bitmapContext;
  c.saveGState();
  ApplyClips(c, state);
  c.clipToPath(path, state.usesEvenOddFillRule ? FillRule::EvenOdd : FillRule::Winding);
  pattern->drawInContext(c, AffineTransformIdentity, VQPDFPatternStencilColor(state, false));
  c.restoreGState();
}

void VQPDFConentDrawer::didScanXObjectImage(VQPDFConentParser* parser,
                                            const std::shared_ptr<VQPDFImageXObject>& image) {
  if (!bitmapContext || !parser || !image || image->decodedImagePath().empty()) return;
  auto bitmap = CGImageWithContentsOfFile(image->decodedImagePath());
  if (!bitmap) return;
  const VQPDFRenderState& state = parser->currentRenderingState();
  DrawingContext& c = *bitmapContext;
  c.saveGState();
  ApplyClips(c, state);
  c.concatCTM(state.ctm);
  c.drawBitmap(*bitmap, RectMake(0, 0, 1, 1));
  c.restoreGState();
}

std::optional<Bitmap> DrawStream(const pdf::Object& stream, const pdf::Object& resources, const Rect& mediaBox,
                                 double scale) {
  if (!stream.isStream() || tDrawStreamDepth >= kMaxDrawStreamDepth) return std::nullopt;
  ++tDrawStreamDepth;
  struct DepthRelease {
    ~DepthRelease() { --tDrawStreamDepth; }
  } release;
  // Images are decoded to files for the drawer; none of them is kept.
  VQPDFImageFileScope scope;
  std::shared_ptr<pdf::ContentStream> content;
  if (resources.isDictionary()) {
    auto data = stream.decodedData();
    if (!data) return std::nullopt;
    content = std::make_shared<pdf::ContentStream>(std::vector<std::string>{std::move(*data)}, resources);
  } else {
    content = pdf::ContentStream::createWithStream(stream);
  }
  if (!content) return std::nullopt;
  VQPDFConentDrawer drawer(stream.streamDictionary(), content, mediaBox, scale);
  drawer.draw();
  return drawer.CGImage();
}

}  // namespace vq

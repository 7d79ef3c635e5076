#include "flowtext/VQFlowTextPDFExporter.h"

#include <cmath>
#include <stdexcept>

#include "fonts/VQPDFFont.h"
#include "fonts/VQPDFFontDescriptor.h"
#include "fonts/VQPDFFontUtilities.h"
#include "pdf/capture/VQPageSetupForPage.h"
#include "pdf/VQPDFConentParser.h"
#include "pdf/VQPDFRenderState.h"
#include "pdf/images/VQPDFImageFileTracker.h"

namespace vq {

using flowtext::VQFlowTextGlyph;
using flowtext::VQFlowTextRPr;

std::shared_ptr<VQPDFExporter> VQFlowTextNewExporter(const std::string& destDocType, const std::string& destDocPath,
                                                     const VQPDFOptions& moreOptions) {
  auto make = [&](auto exporter) { return VQSetUpExporter(exporter, destDocType, destDocPath, moreOptions); };
  if (destDocType == "html") return make(std::make_shared<VQHTMLPDFExporter>());
  if (destDocType == "rtf") return make(std::make_shared<VQRTFPDFExporter>());
  if (destDocType == "txt") return make(std::make_shared<VQTextPDFExporter>());
  return nullptr;
}

VQFlowTextPDFExporter::~VQFlowTextPDFExporter() = default;

void VQFlowTextPDFExporter::convertPDFBegin(const std::string& destPath,
                                            const std::shared_ptr<const pdf::Document>&) {
  capture_.reset();
  fontCache_ = std::make_shared<VQPDFFontCache>();
  fontCacheThreadSet_ = false;
  papyrant_ = flowtext::VQFlowTextMakeDocument(destDocType, destPath, static_cast<int64_t>(toTotalPages));
  isShouldCancel = false;
  if (!papyrant_) throw std::runtime_error("No flow-text document for the type \"" + destDocType + "\"");
  if (!papyrant_->writeDocumentBegin()) throw std::runtime_error("Can't create the file " + destPath);
  capture_ = std::make_unique<flowtext::VQFlowTextCapture>(*papyrant_);
}

bool VQFlowTextPDFExporter::convertPDFPage(const std::optional<pdf::Page>& page, int64_t, int64_t) {
  if (!page || !papyrant_) return false;
  pageSetup_ = VQPageSetupForPage(*page, 0);
  renderingStateStack_ = std::make_shared<VQPDFRenderStateStack>();
  papyrant_->writeDocumentBegin(pageSetup_.cropBox.size.width, pageSetup_.cropBox.size.height);
  capture_->beginPage();

  // Text output takes no pixels: the interpreter decodes no image. The scope
  // still removes any image file a plugged-in walker may have decoded.
  VQPDFImageFileScope imageFiles;
  auto parser = VQPDFConentParser::ParserWithPage(*page);
  if (parser) {
    parser->setDecodeImages(false);
    if (fontCache_) {
      if (!fontCacheThreadSet_) {
        fontCacheThread_ = std::this_thread::get_id();
        fontCacheThreadSet_ = true;
      }
      if (fontCacheThread_ == std::this_thread::get_id()) parser->setFontCache(fontCache_);
    }
    parser->setDelegate(this);
    parser->setRenderingStateStack(renderingStateStack_);
    parser->setIsParserAnnots(moreOptions.isParserAnnots ? 1 : 0);
    parser->startParser();
    parser->setDelegate(nullptr);
  }
  capture_->endPage();
  papyrant_->writePageEnd();
  renderingStateStack_.reset();
  return true;
}

void VQFlowTextPDFExporter::convertPDFEnd(const std::shared_ptr<const pdf::Document>&) {
  fontCache_.reset();
  styleFont_.reset();
  if (!papyrant_) throw std::runtime_error("The conversion has no document");
  if (!papyrant_->packetZipFileIfNeed()) throw std::runtime_error("Can't write the file " + destDocPath);
}

void VQFlowTextPDFExporter::convertPDFClean() {
  fontCache_.reset();
  styleFont_.reset();
  if (papyrant_) papyrant_->convertPDFClean();
}

AffineTransform VQFlowTextPDFExporter::currentDisplayTextTransform() const {
  const auto& s = renderingStateStack_->topRenderingState();
  return VQDisplayTextTransform(s.textMatrix, s.ctm, pageSetup_.transform);
}

AffineTransform VQFlowTextPDFExporter::nextDisplayTextTransform(const Size& offset) const {
  const auto& s = renderingStateStack_->topRenderingState();
  return VQDisplayTextTransform(s.textMatrix, s.ctm, pageSetup_.transform, offset);
}


double VQFlowTextPDFExporter::convertToDisplaySpaceWidth(double width) const {
  const auto& s = renderingStateStack_->topRenderingState();
  double ascent, descent;
  s.fontMetrics(&ascent, &descent);
  const Rect frame = VQPDFTransformGetFontFrame(s.fontSize, ascent, descent, currentDisplayTextTransform(),
                                                nextDisplayTextTransform(Size{width, 0}));
  return std::fabs(frame.size.width);
}

VQFlowTextRPr VQFlowTextPDFExporter::currentRProperty(const VQPDF_CTMInfo& info) const {
  const auto& s = renderingStateStack_->topRenderingState();
  VQFlowTextRPr r;
  if (!s.font) return r;
  const auto& font = *s.font;
  r.fontName = font.fontFamilyName.empty() ? flowtext::kFallbackFontName : font.fontFamilyName;
  if (styleFont_ != s.font) {
    const std::string& styleName =
        font.fontName.empty() ? std::string(flowtext::kFallbackFontName) : font.fontName;
    styleFontBold_ = VQPDFFontUtilities::isBoldFontName(styleName);
    styleFontItalic_ = VQPDFFontUtilities::isItalicFontName(styleName);
    styleFont_ = s.font;
  }
  const bool rendering = stylesFromRendering();

  r.b = styleFontBold_ || (font.fontDescriptor && font.fontDescriptor->isBold()) ||
        (rendering && (s.textRenderMode == 2 || s.textRenderMode == 6));
  bool italic = styleFontItalic_ || (font.fontDescriptor && font.fontDescriptor->isItalic());
  if (!italic && rendering) {
    // An upright, evenly scaled text matrix gives |(a + c) / (b + d)| = 1;
    // a slant or an uneven scale moves it away.
    const AffineTransform t = currentDisplayTextTransform();
    const double ratio = std::fabs((t.a + t.c) / (t.b + t.d));
    italic = ratio < 0.9 || ratio > 1.1;
  }
  r.i = italic;
  r.sz = static_cast<float>(info.fontSize.width);
  const VQPDFRGB rgb = s.currentFillRGBColor();
  r.color = {rgb.r, rgb.g, rgb.b, 255};
  return r;
}

void VQFlowTextPDFExporter::didScanTextTextOffset(VQPDFConentParser*, const std::string& text, const Size& offset) {
  if (isShouldCancel || !capture_ || !renderingStateStack_ || text.empty()) return;
  const auto& s = renderingStateStack_->topRenderingState();
  double ascent, descent;
  s.fontMetrics(&ascent, &descent);

  const AffineTransform t = currentDisplayTextTransform();
  const VQPDF_CTMInfo info = VQPDFTransformGetFontCTMInfo(s.fontSize, ascent, descent, t);
  const VQPDF_CTMInfo next =
      VQPDFTransformGetFontCTMInfo(s.fontSize, ascent, descent, nextDisplayTextTransform(offset));

  VQFlowTextGlyph g;
  g.text = text;
  g.placement.topLeft = info.topLeft;
  g.placement.bottomLeft = info.bottomLeft;
  g.placement.fontSize = info.fontSize;
  g.rotation = info.rotation;
  // Display space has y downwards, so an unmirrored glyph transform has a
  // negative determinant there; a positive one draws the text mirrored.
  g.flip = t.a * t.d - t.b * t.c > 0;
  g.nextTopLeftX = next.topLeft.x;
  if (flowtext::VQFlowTextRouteFor(g.rotation, g.flip) == flowtext::VQFlowTextRoute::MainText) {
    const double space = s.font ? s.font->widthOfSpace() : 0.25;
    g.spaceWidth = convertToDisplaySpaceWidth(space * s.fontSize);
    g.rProperty = currentRProperty(info);
  }
  capture_->addText(g);
}

}  // namespace vq

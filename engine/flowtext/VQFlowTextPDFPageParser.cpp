#include "flowtext/VQFlowTextPDFPageParser.h"

#include <cmath>
#include <utility>

#include "fonts/VQPDFFont.h"
#include "fonts/VQPDFFontDescriptor.h"
#include "fonts/VQPDFFontUtilities.h"
#include "pdf/VQPDFRenderState.h"

namespace vq {

using flowtext::VQFlowTextGlyph;
using flowtext::VQFlowTextRPr;

VQFlowTextPDFPageParser::VQFlowTextPDFPageParser(flowtext::VQFlowTextDocument& document,
                                                 VQPDFPageCaptureSettings settings, bool stylesFromRendering,
                                                 const std::atomic<bool>& isShouldCancel)
    : document_(document),
      text_(document),
      capture_(std::move(settings)),
      stylesFromRendering_(stylesFromRendering),
      isShouldCancel_(isShouldCancel) {}

void VQFlowTextPDFPageParser::convertPDFPage(const pdf::Page& page) {
  capture_.beginPage(page);
  const Size size = capture_.pageSetup().cropBox.size;
  document_.writeDocumentBegin(size.width, size.height);
  text_.beginPage();
  capture_.run(*this);
  text_.endPage();
  document_.writePageEnd();
  capture_.endPage();
}

VQFlowTextRPr VQFlowTextPDFPageParser::currentRProperty(const VQPDFPageCapture::Glyph& glyph,
                                                        const VQPDF_CTMInfo& info) {
  const auto& s = glyph.state();
  VQFlowTextRPr r;
  if (!s.font) return r;
  const auto& font = *s.font;
  r.fontName = font.fontFamilyName.empty() ? flowtext::kFallbackFontName : font.fontFamilyName;
  if (styleFont_ != s.font) {
    const std::string& styleName = font.fontName.empty() ? std::string(flowtext::kFallbackFontName) : font.fontName;
    styleFontBold_ = VQPDFFontUtilities::isBoldFontName(styleName);
    styleFontItalic_ = VQPDFFontUtilities::isItalicFontName(styleName);
    styleFont_ = s.font;
  }

  r.b = styleFontBold_ || (font.fontDescriptor && font.fontDescriptor->isBold()) ||
        (stylesFromRendering_ && (s.textRenderMode == 2 || s.textRenderMode == 6));
  r.i = styleFontItalic_ || (font.fontDescriptor && font.fontDescriptor->isItalic()) ||
        (stylesFromRendering_ && glyph.isSlanted());
  r.sz = static_cast<float>(info.fontSize.width);
  const VQPDFRGB rgb = s.currentFillRGBColor();
  r.color = {rgb.r, rgb.g, rgb.b, 255};
  return r;
}

void VQFlowTextPDFPageParser::didScanTextTextOffset(VQPDFConentParser*, const std::string& text, const Size& offset) {
  if (isShouldCancel_ || !capture_.hasPage() || text.empty()) return;
  const VQPDFPageCapture::Glyph glyph = capture_.textGlyph(text, offset);
  const auto& s = glyph.state();
  const VQPDF_CTMInfo& info = glyph.placement();

  VQFlowTextGlyph g;
  g.text = text;
  g.placement.topLeft = info.topLeft;
  g.placement.bottomLeft = info.bottomLeft;
  g.placement.base = info.yBase;
  g.placement.fontSize = info.fontSize;
  g.rotation = info.rotation;
  g.flip = info.flip != 0;
  g.wordGapBefore = glyph.wordGapBefore();
  g.gapFont = glyph.gapFont();
  const Point next = glyph.nextTopLeft();
  g.nextTopLeftX = next.x;
  g.nextTopLeftY = next.y;
  if (flowtext::VQFlowTextRouteFor(g.rotation, g.flip) == flowtext::VQFlowTextRoute::MainText) {
    const double space = s.font ? s.font->widthOfSpace() : 0.25;
    g.spaceWidth = glyph.displayWidth(space * s.fontSize);
    g.rProperty = currentRProperty(glyph, info);
  }
  text_.addText(std::move(g));
}

}  // namespace vq

#include "xlsx/VQExcelPDFPageParser.h"

#include <algorithm>
#include <cmath>

#include "common/VQHexColor.h"
#include "fonts/VQPDFFont.h"
#include "fonts/VQPDFFontDescriptor.h"
#include "fonts/VQPDFFontUtilities.h"
#include "pdf/VQPDFRenderState.h"
#include "platform/text/Utf8.h"

namespace vq {
namespace {

float snapRotation(float r) {
  if (r < 5) return 0;
  if (r > 85 && r < 95) return 90;
  if (r > 265 && r < 275) return 270;
  return r;
}

}  // namespace

// Annotations are always captured for a spreadsheet. Images are never
// decoded: none reaches the sheet, and the interpreter decodes an image only
// for a delegate that asks for its file.
VQExcelPDFPageParser::VQExcelPDFPageParser(VQExcelDocument& document, const std::atomic<bool>& isShouldCancel,
                                           std::shared_ptr<VQPDFFontCache> fontCache)
    : documentHandle_(document), isShouldCancel_(isShouldCancel), capture_([&] {
        VQPDFPageCaptureSettings settings;
        settings.fontCache = std::move(fontCache);
        settings.cancel = &isShouldCancel;
        return settings;
      }()) {}

bool VQExcelPDFPageParser::convertPDFPage(const std::optional<pdf::Page>& page, int64_t pageNumber) {
  if (!page) return false;
  capture_.beginPage(*page);
  isNotScanTextYet_ = true;
  runTextCount_ = 0;
  currentPage_ = std::make_unique<VQExcelPage>(static_cast<uint64_t>(pageNumber), documentHandle_.savedWorkFolder(),
                                               documentHandle_.manager(), documentHandle_.excelStyle(),
                                               documentHandle_.sharedStrings());
  capture_.run(*this);
  capture_.endPage();
  documentHandle_.writePage(*currentPage_);
  return true;
}

VQExcelRunTextProperty VQExcelPDFPageParser::currentRProperty(const VQPDFPageCapture::Glyph& glyph) const {
  const auto& s = glyph.state();
  VQExcelRunTextProperty r;
  if (!s.font) return r;
  const auto& font = *s.font;
  const double sz = glyph.fontSize().width;
  r.sz = std::isfinite(sz) ? std::max(3.0, sz) : 3.0;
  r.family = font.fontFamilyName;
  r.rFont = !font.fontName.empty() ? font.fontName : !font.fontFamilyName.empty() ? font.fontFamilyName : "Unknow Font";
  r.rFont_replace = font.fontSystemReplaceName;
  r.rgbColor = VQHexColor::getHexColorFromCGColor(s.currentFillColor());
  r.b = VQPDFFontUtilities::isBoldFontName(font.baseFontName_New) ||
        (font.fontDescriptor && font.fontDescriptor->isBold()) || s.textRenderMode == 2 || s.textRenderMode == 6;
  r.i = VQPDFFontUtilities::isItalicFontName(font.baseFontName_New) ||
        (font.fontDescriptor && font.fontDescriptor->isItalic()) || glyph.isSlanted();
  return r;
}

void VQExcelPDFPageParser::didScanTextTextOffset(VQPDFConentParser*, const std::string& text, const Size& offset) {
  if (isShouldCancel_ || !currentPage_ || !currentPage_->isCollectingRunText || !capture_.hasPage()) return;
  // Leading blanks and control characters before the first upright text carry nothing.
  if (isNotScanTextYet_ && text.size() == 1 && static_cast<unsigned char>(text[0]) < 33) return;
  const VQPDFPageCapture::Glyph glyph = capture_.textGlyph(text, offset);
  const VQPDF_CTMInfo& start = glyph.placement();
  const VQPDF_CTMInfo& end = glyph.nextPlacement();
  const bool mirrored = start.flip != 0;
  float rotation = start.rotation;
  if (!mirrored) {
    rotation = snapRotation(rotation);
    if (rotation == 0) isNotScanTextYet_ = false;
  }
  auto run = std::make_shared<VQExcelRunText>();
  run->pdfScanIndex = runTextCount_++;
  run->rPr = currentRProperty(glyph);
  run->text = text;
  run->gapFont = glyph.gapFont();
  run->wordGapBefore = glyph.wordGapBefore();
  run->ctmInfo = start;
  run->ctmInfo.rotation = rotation;
  run->ctmInfo.xRight = end.topLeft.x;
  run->ctmInfo.frame.size.width = run->ctmInfo.xRight - run->ctmInfo.xLeft;
  run->textWidth = (rotation == 90 || rotation == 270) ? std::fabs(start.bottomLeft.y - start.topLeft.y)
                                                       : std::fabs(end.topLeft.x - start.topLeft.x);
  if (rotation == 90 || rotation == 270) {
    // Text turned a quarter runs down or up the page: its box spans its
    // height across and its advance along, so that the grid places it
    // where it stands and the glyphs of one word can be joined.
    const double xs[] = {start.topLeft.x, start.bottomLeft.x, end.topLeft.x, end.bottomLeft.x};
    const double ys[] = {start.topLeft.y, start.bottomLeft.y, end.topLeft.y, end.bottomLeft.y};
    run->ctmInfo.xLeft = *std::min_element(std::begin(xs), std::end(xs));
    run->ctmInfo.xRight = *std::max_element(std::begin(xs), std::end(xs));
    run->ctmInfo.yTop = *std::min_element(std::begin(ys), std::end(ys));
    run->ctmInfo.yBottom = *std::max_element(std::begin(ys), std::end(ys));
    run->ctmInfo.yBase = run->ctmInfo.yBottom;
    run->ctmInfo.frame = Rect{{run->ctmInfo.xLeft, run->ctmInfo.yTop},
                              {run->ctmInfo.xRight - run->ctmInfo.xLeft, run->ctmInfo.yBottom - run->ctmInfo.yTop}};
    run->textWidth = run->ctmInfo.yBottom - run->ctmInfo.yTop;
  }
  if (!std::isfinite(run->ctmInfo.xLeft) || !std::isfinite(run->ctmInfo.xRight) || !std::isfinite(run->ctmInfo.yTop) ||
      !std::isfinite(run->ctmInfo.yBottom) || !std::isfinite(run->textWidth))
    return;
  currentPage_->addToAllRunTextArray(run);

  std::string name = run->rPr.rFont;
  if (!VQPDFFontUtilities::SystemFontNameIsExist(name) && !run->rPr.rFont_replace.empty() &&
      VQPDFFontUtilities::SystemFontNameIsExist(run->rPr.rFont_replace))
    name = run->rPr.rFont_replace;
  VQExcelStyleFont font;
  if (!name.empty()) font.name = std::string(text::utf8PrefixWithinBytes(name, 255));
  font.sz = run->rPr.sz;
  font.b = run->rPr.b;
  font.i = run->rPr.i;
  font.rgbColor = run->rPr.rgbColor;
  documentHandle_.excelStyle().collectFonts(font);
}

void VQExcelPDFPageParser::didScanPathStrokeFill(VQPDFConentParser*, const Path& path, bool stroke, bool fill) {
  const VQExcelManager& m = documentHandle_.manager();
  if (!capture_.hasPage() || !currentPage_ || path.isEmpty()) return;
  // Rules are read whatever the options: they tell which lines share a cell.
  const Path display = path.transformed(capture_.pageSetup().transform);
  currentPage_->collectRules(display, stroke, fill);
  if (!m.isNeedCollectCGPaths() || !fill || !m.isNeedCollectFills()) return;
  const Rect box = display.boundingBox();
  if (RectIsNull(box) || RectIsInfinite(box) || box.size.width < 2 || box.size.height < 2) return;
  const Color color = capture_.renderingStateStack().topRenderingState().currentFillColor();
  if (VQHexColor::isBlackColor(color)) return;
  VQExcelStyleFill f;
  f.patternType = "solid";
  f.fgRGBColor = VQHexColor::getHexColorFromCGColor(color);
  f.rect = box;
  documentHandle_.excelStyle().collectFills(f);
}

}  // namespace vq

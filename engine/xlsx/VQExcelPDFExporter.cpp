#include "xlsx/VQExcelPDFExporter.h"

#include <cmath>
#include <stdexcept>

#include "common/VQHexColor.h"
#include "fonts/VQPDFFont.h"
#include "fonts/VQPDFFontDescriptor.h"
#include "fonts/VQPDFFontUtilities.h"
#include "pdf/VQPDFConentParser.h"
#include "pdf/VQPDFRenderState.h"
#include "pdf/capture/VQPageSetupForPage.h"
#include "pdf/images/VQPDFImageFileTracker.h"
#include "platform/text/Utf8.h"

namespace vq {

std::shared_ptr<VQPDFExporter> VQExcelNewExporter(const std::string& destDocType) {
  if (destDocType == "xlsx" || destDocType == "csv") return std::make_shared<VQExcelPDFExporter>();
  return nullptr;
}

VQExcelPDFExporter::~VQExcelPDFExporter() {
  if (documentHandle_) documentHandle_->removeWorkFolder();
}

void VQExcelPDFExporter::convertPDFBegin(const std::string& destPath, const std::shared_ptr<const pdf::Document>&) {
  if (documentHandle_) documentHandle_->removeWorkFolder();
  documentHandle_ = std::make_unique<VQExcelDocument>(destPath, toTotalPages, moreOptions.excelOptions);
  documentHandle_->writeDocumentBegin();
  isShouldCancel = false;
}

bool VQExcelPDFExporter::convertPDFPage(const std::optional<pdf::Page>& page, int64_t toPageIndex, int64_t) {
  if (!page || !documentHandle_) return false;
  VQExcelPDFPageParser parser(*documentHandle_, isShouldCancel);
  parser.convertPDFPage(page, toPageIndex);
  return true;
}

void VQExcelPDFExporter::skipPDFPage(int64_t toPageIndex, int64_t) {
  if (documentHandle_ && toPageIndex > 0) documentHandle_->skipPage(static_cast<uint64_t>(toPageIndex));
}

bool VQExcelPDFExporter::writePagesInOrderIfReadyTemp() {
  return documentHandle_ && documentHandle_->writeDocumentPageTempInOrderIfReady();
}

int64_t VQExcelPDFExporter::numFinishedPages() {
  if (!documentHandle_) return 0;
  const int64_t n = documentHandle_->writePagesCount();
  return n == 0 ? 0 : n - 1;
}

void VQExcelPDFExporter::convertPDFEnd(const std::shared_ptr<const pdf::Document>& document) {
  if (!documentHandle_) throw std::runtime_error("The conversion has no document");
  std::string error;
  const bool ok = documentHandle_->packetZipFileIfNeed(document, &error);
  documentHandle_.reset();
  if (!ok) throw std::runtime_error(error.empty() ? "Can't write the file " + destDocPath : error);
}

void VQExcelPDFExporter::convertPDFClean() {
  if (documentHandle_) documentHandle_->removeWorkFolder();
  documentHandle_.reset();
}

// ---------------------------------------------------------------------------

bool VQExcelPDFPageParser::convertPDFPage(const std::optional<pdf::Page>& page, int64_t pageNumber) {
  if (!page) return false;
  pageSetup_ = VQPageSetupForPage(*page, 0);
  renderingStateStack_ = std::make_shared<VQPDFRenderStateStack>();
  isNotScanTextYet_ = true;
  runTextCount_ = 0;
  currentPage_ = std::make_unique<VQExcelPage>(static_cast<uint64_t>(pageNumber), documentHandle_.savedWorkFolder(),
                                               documentHandle_.manager(), documentHandle_.excelStyle(),
                                               documentHandle_.sharedStrings());
  {
    // Images are not converted; the files the interpreter decodes go with the page.
    VQPDFImageFileScope imageFiles;
    auto parser = VQPDFConentParser::ParserWithPage(*page);
    if (parser) {
      parser->setDelegate(this);
      parser->setRenderingStateStack(renderingStateStack_);
      parser->startParser();
      parser->setDelegate(nullptr);
    }
  }
  renderingStateStack_.reset();
  documentHandle_.writePage(*currentPage_);
  return true;
}

AffineTransform VQExcelPDFPageParser::currentDisplayTextTransform() const {
  const auto& s = renderingStateStack_->topRenderingState();
  return VQDisplayTextTransform(s.textMatrix, s.ctm, pageSetup_.transform);
}

AffineTransform VQExcelPDFPageParser::nextDisplayTextTransform(const Size& offset) const {
  const auto& s = renderingStateStack_->topRenderingState();
  return VQDisplayTextTransform(s.textMatrix, s.ctm, pageSetup_.transform, offset);
}

namespace {

float snapRotation(float r) {
  if (r < 5) return 0;
  if (r > 85 && r < 95) return 90;
  if (r > 265 && r < 275) return 270;
  return r;
}
}  // namespace

double VQExcelPDFPageParser::convertToDisplaySpaceWidth(double width) const {
  const auto& s = renderingStateStack_->topRenderingState();
  double ascent, descent;
  s.fontMetrics(&ascent, &descent);
  const Rect frame = VQPDFTransformGetFontFrame(s.fontSize, ascent, descent, currentDisplayTextTransform(),
                                                nextDisplayTextTransform(Size{width, 0}));
  return std::fabs(frame.size.width);
}

VQExcelRunTextProperty VQExcelPDFPageParser::currentRProperty() const {
  const auto& s = renderingStateStack_->topRenderingState();
  VQExcelRunTextProperty r;
  if (!s.font) return r;
  const auto& font = *s.font;
  double ascent, descent;
  s.fontMetrics(&ascent, &descent);
  const AffineTransform t = currentDisplayTextTransform();
  const double sz = VQPDFTransformGetFontSize(s.fontSize, ascent, descent, t).width;
  r.sz = std::isfinite(sz) ? std::max(3.0, sz) : 3.0;
  r.family = font.fontFamilyName;
  r.rFont = !font.fontName.empty() ? font.fontName : !font.fontFamilyName.empty() ? font.fontFamilyName : "Unknow Font";
  r.rFont_replace = font.fontSystemReplaceName;
  r.rgbColor = VQHexColor::getHexColorFromCGColor(s.currentFillColor());
  r.b = VQPDFFontUtilities::isBoldFontName(font.baseFontName_New) ||
        (font.fontDescriptor && font.fontDescriptor->isBold()) || s.textRenderMode == 2 || s.textRenderMode == 6;
  bool italic = VQPDFFontUtilities::isItalicFontName(font.baseFontName_New) ||
                (font.fontDescriptor && font.fontDescriptor->isItalic());
  if (!italic) {
    // Upright text without shear gives |(a + c) / (b + d)| = 1.
    const double ratio = std::fabs((t.a + t.c) / (t.b + t.d));
    italic = ratio < 0.9 || ratio > 1.1;
  }
  r.i = italic;
  return r;
}

void VQExcelPDFPageParser::didScanTextTextOffset(VQPDFConentParser*, const std::string& text, const Size& offset) {
  if (isShouldCancel_ || !currentPage_ || !currentPage_->isCollectingRunText || !renderingStateStack_) return;
  // Leading blanks and control characters before the first upright text carry nothing.
  if (isNotScanTextYet_ && text.size() == 1 && static_cast<unsigned char>(text[0]) < 33) return;
  const auto& s = renderingStateStack_->topRenderingState();
  double ascent, descent;
  s.fontMetrics(&ascent, &descent);
  const AffineTransform t = currentDisplayTextTransform();
  const VQPDF_CTMInfo start = VQPDFTransformGetFontCTMInfo(s.fontSize, ascent, descent, t);
  const VQPDF_CTMInfo end = VQPDFTransformGetFontCTMInfo(s.fontSize, ascent, descent, nextDisplayTextTransform(offset));
  // Display space has y downwards, so an unmirrored glyph transform has a
  // negative determinant there.
  const bool mirrored = t.a * t.d - t.b * t.c > 0;
  float rotation = start.rotation;
  if (!mirrored) {
    rotation = snapRotation(rotation);
    if (rotation == 0) isNotScanTextYet_ = false;
  }
  const double space = s.font ? s.font->widthOfSpace() : 0.25;
  const double wordSpace = convertToDisplaySpaceWidth(space * s.fontSize * s.horizontalScaling);

  auto run = std::make_shared<VQExcelRunText>();
  run->pdfScanIndex = runTextCount_++;
  run->rPr = currentRProperty();
  run->text = text;
  run->ctmInfo = start;
  run->ctmInfo.rotation = rotation;
  run->ctmInfo.xRight = end.topLeft.x;
  run->ctmInfo.frame.size.width = run->ctmInfo.xRight - run->ctmInfo.xLeft;
  run->textWidth = (rotation == 90 || rotation == 270) ? std::fabs(start.bottomLeft.y - start.topLeft.y)
                                                       : std::fabs(end.topLeft.x - start.topLeft.x);
  if (!std::isfinite(run->ctmInfo.xLeft) || !std::isfinite(run->ctmInfo.xRight) || !std::isfinite(run->ctmInfo.yTop) ||
      !std::isfinite(run->ctmInfo.yBottom) || !std::isfinite(run->textWidth))
    return;
  currentPage_->addToAllRunTextArray(run, wordSpace);

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

void VQExcelPDFPageParser::didScanPathStrokeFill(VQPDFConentParser*, const Path& path, bool, bool fill) {
  const VQExcelManager& m = documentHandle_.manager();
  if (!m.isNeedCollectCGPaths() || !fill || !m.isNeedCollectFills() || !renderingStateStack_) return;
  if (path.isEmpty()) return;
  const Rect box = path.transformed(pageSetup_.transform).boundingBox();
  if (RectIsNull(box) || RectIsInfinite(box) || box.size.width < 2 || box.size.height < 2) return;
  const Color color = renderingStateStack_->topRenderingState().currentFillColor();
  if (VQHexColor::isBlackColor(color)) return;
  VQExcelStyleFill f;
  f.patternType = "solid";
  f.fgRGBColor = VQHexColor::getHexColorFromCGColor(color);
  f.rect = box;
  documentHandle_.excelStyle().collectFills(f);
}

}  // namespace vq

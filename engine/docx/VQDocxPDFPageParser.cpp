#include "docx/VQDocxPDFPageParser.h"

#include <algorithm>
#include <string_view>

#include "docx/layout/VQDocxPage.h"
#include "fonts/VQPDFFont.h"
#include "fonts/VQPDFFontDescriptor.h"
#include "fonts/VQPDFFontUtilities.h"
#include "office/VQDocxUtilities.h"
#include "office/docx/VQDocxDocument.h"
#include "pdf/VQPDFRenderState.h"
#include "platform/text/Utf8.h"

namespace vq {
namespace {

// Font names go into 128-byte fields: at most 127 bytes, cut between
// characters so that the name stays valid UTF-8.
template <size_t N>
void setFontName(char (&field)[N], std::string_view name) {
  VQDocxSetText(field, text::utf8PrefixWithinBytes(name, N - 1));
}

}  // namespace

VQDocxPDFPageParser::VQDocxPDFPageParser(std::shared_ptr<VQDocxDocument> document, const VQPDFOptions& moreOptions)
    : documentHandle_(std::move(document)), moreOptions_(moreOptions), capture_([&] {
        VQPDFPageCaptureSettings settings;
        settings.annotations = moreOptions.isParserAnnots != 0;
        return settings;
      }()) {}

VQDocxPDFPageParser::~VQDocxPDFPageParser() = default;

std::shared_ptr<VQDocxPage> VQDocxPDFPageParser::newPage(double width, double height,
                                                         const AffineTransform& pageTransform, int64_t pdfPageIndex,
                                                         int64_t toPageIndex, bool isFirstPage, bool isLastPage) {
  return std::make_shared<VQDocxPage>(width, height, pageTransform, pdfPageIndex, toPageIndex, isFirstPage, isLastPage);
}

bool VQDocxPDFPageParser::convertPDFPage(const std::optional<pdf::Page>& page, int64_t toPageIndex, bool isFirstPage,
                                         bool isLastPage) {
  if (!page) return false;
  setUpCurrentPageInfo(*page, 0);
  isNotScanTextYet_ = true;
  reDoContentPDFParser(*page, toPageIndex, isFirstPage, isLastPage);
  if (const int angle = currentPage_->autoRotationOfPDFPage(); angle > 0) {
    // The first capture is dropped whole: what it registered with the
    // document goes with it, so that the package holds only what the kept
    // capture uses.
    currentPage_->removeAllCollectedImages();
    setUpCurrentPageInfo(*page, angle);
    reDoContentPDFParser(*page, toPageIndex, isFirstPage, isLastPage);
  }
  capture_.endPage();
  currentPage_->processPDFPage();
  return true;
}

void VQDocxPDFPageParser::setUpCurrentPageInfo(const pdf::Page& page, int angle) { capture_.beginPage(page, angle); }

void VQDocxPDFPageParser::beginPass(int64_t pdfPageIndex, int64_t toPageIndex, bool isFirstPage, bool isLastPage) {
  const Rect& crop = currentPageCropBox();
  currentPage_ = newPage(crop.size.width, crop.size.height, currentPageTransform(), pdfPageIndex, toPageIndex,
                         isFirstPage, isLastPage);
  currentPage_->setDocumentHandle(documentHandle_);
  currentPage_->setMoreOptions(moreOptions_);
  currentPage_->pg_minFontSize = VQDocxPageMinFontSizeStart;
  // The placements of the last glyphs are kept: the first glyph of a pass
  // always starts main text or a new box, so they are never compared.
  nextCharFontSize_ = mainTextFontSize_ = 1;
  nextCharTransform_ = mainTextTransform_ = AffineTransformIdentity;
}

void VQDocxPDFPageParser::reDoContentPDFParser(const pdf::Page& page, int64_t toPageIndex, bool isFirstPage,
                                               bool isLastPage) {
  beginPass(page.number(), toPageIndex, isFirstPage, isLastPage);
  capture_.run(*this);
  endTextBoxWritingIfNeed();
  endTextPathWritingIfNeed();
}

void VQDocxPDFPageParser::beginPageForTesting(const VQPageSetup& setup, int64_t toPageIndex) {
  capture_.beginPage(setup);
  beginPass(1, toPageIndex, toPageIndex < 2, true);
}

void VQDocxPDFPageParser::endTextBoxWritingIfNeed() {
  // A text box still being filled is closed into the page's text boxes.
}

void VQDocxPDFPageParser::endTextPathWritingIfNeed() {
  // A text path still being filled is closed into the page's text paths.
}

VQDocx_RPr VQDocxPDFPageParser::currentRProperty(const Glyph& glyph, double rotation) {
  VQDocx_RPr r = VQDocxUtilities::defaultRProperty();
  const VQPDFRenderState& s = glyph.state();
  if (!s.font) return r;
  const VQPDFFont& font = *s.font;
  const auto& descriptor = font.fontDescriptor;

  float size = static_cast<float>(glyph.fontSize().width);
  if (!(size >= 3.0f)) size = 3.0f;  // also a size that is not a number
  if (currentPage_) currentPage_->pg_minFontSize = std::min(currentPage_->pg_minFontSize, static_cast<double>(size));

  const VQPDFRGB rgb = s.currentFillRGBColor();
  const std::string_view name = font.fontName.empty() ? std::string_view("Unknow Font") : font.fontName;
  const bool bold = VQPDFFontUtilities::isBoldFontName(font.baseFontName_New) || (descriptor && descriptor->isBold()) ||
                    s.textRenderMode == 2 || s.textRenderMode == 6;
  bool italic = VQPDFFontUtilities::isItalicFontName(font.baseFontName_New) || (descriptor && descriptor->isItalic());
  if (!italic) {
    // Upright text meets its base line at a right angle; a slant beyond two
    // degrees either way reads as italic.
    const float shear = VQPDFTransformGetShear(static_cast<float>(rotation), glyph.transform());
    italic = shear < 88 || shear > 92;
  }

  setFontName(r.rFonts.ascii, name);
  setFontName(r.rFonts.hAnsi, name);
  setFontName(r.rFonts.cs, name);
  setFontName(r.rFonts.eastAsia, name);
  setFontName(r.rFonts_backup, name);
  setFontName(r.rFonts_replace.ascii, font.fontSystemReplaceName);
  setFontName(r.rFonts_replace.hAnsi, font.fontSystemReplaceName);
  setFontName(r.rFonts_replace.cs, font.fontSystemReplaceName);
  setFontName(r.rFonts_replace.eastAsia, font.fontSystemReplaceName);
  r.b = bold ? 1 : 0;
  r.i = italic ? 1 : 0;
  r.serif = descriptor && descriptor->isSerif() ? 1 : 0;
  r.upperCase = descriptor && descriptor->isAllCap() ? 1 : 0;
  r.sz = size;
  // The fill alpha is not carried: Word runs have no text transparency.
  r.color = VQDocx_Color{rgb.r, rgb.g, rgb.b, 255};
  r.spacing = 0;
  r.w = 100;
  r.u = 0;
  r.scrpit = 0;
  r.noProof = 1;
  return r;
}

}  // namespace vq

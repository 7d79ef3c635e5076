#include "docx/VQDocxPDFPageParser.h"

#include <algorithm>
#include <cmath>
#include <string_view>

#include "docx/capture/VQDocxMeasures.h"
#include "docx/capture/VQDocxRunText.h"
#include "docx/capture/VQDocxRunTextBox.h"
#include "docx/capture/VQDocxRunTextPath.h"
#include "docx/layout/VQDocxPage.h"
#include "docx/tables/VQDocxRuledTableParser.h"
#include "fonts/VQPDFFont.h"
#include "fonts/VQPDFFontDescriptor.h"
#include "fonts/VQPDFFontUtilities.h"
#include "office/VQDocxUtilities.h"
#include "office/docx/VQDocxDocument.h"
#include "pdf/VQPDFConentParser.h"
#include "pdf/VQPDFRenderState.h"
#include "pdf/VQPDFWordGaps.h"
#include "pdf/raster/VQPDFExporterRaster.h"
#include "platform/text/Utf8.h"

namespace vq {
namespace {

bool isLoneControlCharacter(std::string_view text) {
  return text.size() == 1 && static_cast<unsigned char>(text[0]) < 32;
}

// What a first text of a page may not consist of alone: white space, line
// breaks and control characters.
bool hasVisibleCharacter(std::string_view text) {
  for (const char32_t c : text::utf8ToCodePoints(text))
    if (!docxmeasure::isBlankOrControl(c)) return true;
  return false;
}

// A placement made from a degenerate matrix carries no usable position; a
// run built from it would write NaN into the document.
bool isFinite(const VQPDF_CTMInfo& m) {
  const double values[] = {m.rotation,     m.yTop,           m.yBase,          m.yBottom,   m.xBase,
                           m.xLeft,        m.xRight,         m.topLeft.x,      m.topLeft.y, m.bottomLeft.x,
                           m.bottomLeft.y, m.fontSize.width, m.fontSize.height};
  for (const double v : values)
    if (!std::isfinite(v)) return false;
  return docxmeasure::isFiniteRect(m.frame);
}

}  // namespace

VQDocxPDFPageParser::VQDocxPDFPageParser(std::shared_ptr<VQDocxDocument> document, const VQPDFOptions& moreOptions,
                                         std::shared_ptr<VQPDFFontCache> fontCache)
    : documentHandle_(std::move(document)), moreOptions_(moreOptions), capture_([&] {
        VQPDFPageCaptureSettings settings;
        settings.annotations = moreOptions.isParserAnnots != 0;
        settings.fontCache = std::move(fontCache);
        return settings;
      }()) {}

VQDocxPDFPageParser::~VQDocxPDFPageParser() = default;

std::shared_ptr<VQDocxPage> VQDocxPDFPageParser::newPage(double width, double height,
                                                         const AffineTransform& pageTransform, int64_t pdfPageIndex,
                                                         int64_t toPageIndex, bool isFirstPage, bool isLastPage) {
  auto docxPage =
      std::make_shared<VQDocxPage>(width, height, pageTransform, pdfPageIndex, toPageIndex, isFirstPage, isLastPage);
  docxPage->setTableParser(std::make_unique<VQDocxRuledTableParser>());
  return docxPage;
}

bool VQDocxPDFPageParser::convertPDFPage(const std::optional<pdf::Page>& page, int64_t toPageIndex, bool isFirstPage,
                                         bool isLastPage) {
  if (!page) return false;
  capture_.setCancelFlag(isShouldCancel);
  setUpCurrentPageInfo(*page, 0);
  isNotScanTextYet_ = true;
  reDoContentPDFParser(*page, toPageIndex, isFirstPage, isLastPage);
  if (const int angle = currentPage_->autoRotationOfPDFPage(); angle > 0) {
    // The first capture is dropped whole: what it registered with the
    // document goes with it, so that the package holds only what the kept
    // capture uses.
    currentPage_->removeAllCollectedImages();
    forgetAllImageFiles();
    setUpCurrentPageInfo(*page, angle);
    reDoContentPDFParser(*page, toPageIndex, isFirstPage, isLastPage);
  }
  capture_.endPage();
  currentPage_->processPDFPage();
  return true;
}

void VQDocxPDFPageParser::setUpCurrentPageInfo(const pdf::Page& page, int angle) { capture_.beginPage(page, angle); }

void VQDocxPDFPageParser::beginPass(int64_t pdfPageIndex, int64_t toPageIndex, bool isFirstPage, bool isLastPage) {
  // A pass may have a page set-up of its own (turned), which moves every
  // clip path's place on the page.
  haveVisibleArea_ = false;
  const Rect& crop = currentPageCropBox();
  currentPage_ = newPage(crop.size.width, crop.size.height, currentPageTransform(), pdfPageIndex, toPageIndex,
                         isFirstPage, isLastPage);
  currentPage_->setDocumentHandle(documentHandle_);
  currentPage_->setMoreOptions(moreOptions_);
  currentPage_->pg_minFontSize = VQDocxPageMinFontSizeStart;
  // The placements of the last glyphs are kept: the first glyph of a pass
  // always starts main text or a new box, so they are never compared.
}

void VQDocxPDFPageParser::reDoContentPDFParser(const pdf::Page& page, int64_t toPageIndex, bool isFirstPage,
                                               bool isLastPage) {
  beginPass(page.number(), toPageIndex, isFirstPage, isLastPage);
  beginRasterPictures();
  capture_.run(*this);
  endRasterPictures();
  endTextBoxWritingIfNeed();
  endTextPathWritingIfNeed();
  removeForgottenImageFiles();
}

void VQDocxPDFPageParser::beginPageForTesting(const VQPageSetup& setup, int64_t toPageIndex) {
  capture_.beginPage(setup);
  beginPass(1, toPageIndex, toPageIndex < 2, true);
  beginRasterPictures();
}

void VQDocxPDFPageParser::newDocxTextBox(VQPDFConentParser* parser, const std::string& text, const Glyph& glyph) {
  if (isLoneControlCharacter(text)) return;
  const VQPDF_CTMInfo& cur = glyph.placement();
  const VQPDFRenderState& s = glyph.state();
  auto info = std::make_shared<VQDocxTextBoxInfo>();
  info->displayX = cur.topLeft.x;
  info->displayY = cur.topLeft.y;
  info->displayWidth = std::fabs(currentPage_->pageWidth() - cur.topLeft.x);
  info->displayHeight = std::fabs(currentPage_->pageHeight() - cur.topLeft.y);
  info->stroked = false;
  info->filled = false;
  info->strokeweight = 1.0;
  info->strokeDashPattern = s.lineDashPattern;
  info->strokeDashPhase = s.lineDashPhase;
  info->strokecolor = s.currentStrokeColor();
  info->fillcolor = s.currentFillColor();
  info->rotation = snappedRotation(cur.rotation);
  currentPage_->isUsingTextBox = true;
  currentPage_->cachedTextBoxInfo = std::move(info);
  textBoxOrigin_ = Point{cur.xBase, cur.yBase};
  currentPage_->cachedTextBoxParagraphs.clear();
  startTextBoxParagraph(cur.fontSize.height, 0);
  appendDocxTextBox(parser, text, glyph);
}

void VQDocxPDFPageParser::startTextBoxParagraph(double line, double indentLeft) {
  currentPage_->cachedTextBoxNewParagraph()->pProperty = VQDocxParagraph::ExactLinePProperty(line, indentLeft, 0, 0);
}

void VQDocxPDFPageParser::appendDocxTextBox(VQPDFConentParser* parser, const std::string& text, const Glyph& glyph,
                                            double gap) {
  const VQPDF_CTMInfo& cur = glyph.placement();
  VQDocxTextBoxInfo& info = *currentPage_->cachedTextBoxInfo;
  const auto paragraph = currentPage_->cachedTextBoxLastParagraph();
  auto run = newRunText(parser, text, glyph);
  // The placement is kept so that text painted twice at one place (as for
  // fake bold) can be told apart from text that repeats elsewhere.
  run->ctmInfo = cur;
  run->textWidth = 0;
  run->spaceWidth = 0;
  run->insideSpacing = 0;
  run->outsideSpacing = 0;
  paragraph->addRunTextArray({run});
  paragraph->pProperty.spacing.line =
      std::max(paragraph->pProperty.spacing.line, static_cast<float>(cur.fontSize.height));

  takeNextPlacement(glyph);
  const VQPDF_CTMInfo& next = nextCharCTMInfo_;
  // The box grows with its text on the side the text runs to.
  if (info.rotation == 90) info.displayX = std::max(info.displayX, next.xRight);
  else if (info.rotation == 180) info.displayY = std::min(info.displayY, next.yBottom);
  else if (info.rotation == 270) info.displayX = std::min(info.displayX, next.topLeft.x);
  const bool upright = info.rotation == 90 || info.rotation == 270;
  const double advance =
      upright ? std::fabs(next.topLeft.y - cur.topLeft.y) : std::fabs(next.topLeft.x - cur.topLeft.x);
  if (std::isfinite(advance)) run->textWidth += advance;
  if (gap > 0 && std::isfinite(gap)) run->textWidth += gap;
}

void VQDocxPDFPageParser::usingDocxTextBox(VQPDFConentParser* parser, const std::string& text, const Glyph& glyph) {
  const VQPDF_CTMInfo& cur = glyph.placement();
  const float rotation = snappedRotation(cur.rotation);
  const VQDocxTextBoxInfo& info = *currentPage_->cachedTextBoxInfo;
  auto leaveBox = [&] {
    endTextBoxWritingIfNeed();
    resetNextPlacementToMainText();
    usingDocxMainText(parser, text, glyph);
  };
  if (rotation != static_cast<float>(info.rotation) || cur.flip) {
    endTextBoxWritingIfNeed();
    if (!cur.flip && (rotation == 90 || rotation == 270)) {
      newDocxTextBox(parser, text, glyph);
    } else {
      resetNextPlacementToMainText();
      usingDocxMainText(parser, text, glyph);
    }
    return;
  }
  // Where this glyph stands against where the last one left off, measured
  // along the glyph's base line in its reading direction (A, the gap) and
  // across it towards the following lines (B, the line step).
  const AffineTransform& m = glyph.transform();
  const double along = std::hypot(m.a, m.b), across = std::hypot(m.c, m.d);
  if (!(along > 0) || !(across > 0)) return;
  const double dx = cur.xBase - nextCharCTMInfo_.xBase, dy = cur.yBase - nextCharCTMInfo_.yBase;
  const double gap = (dx * m.a + dy * m.b) / along;
  const double step = -(dx * m.c + dy * m.d) / across;
  if (!std::isfinite(gap) || !std::isfinite(step)) return;

  if (step > 1) {
    // How far the new line starts from where the box's first line started,
    // along the reading direction: a line that starts before it is no
    // paragraph of this box.
    const double ox = cur.xBase - textBoxOrigin_.x, oy = cur.yBase - textBoxOrigin_.y;
    const double indent = (ox * m.a + oy * m.b) / along;
    if (indent >= -0.5 && step < 96) {
      startTextBoxParagraph(step, std::max(0.0, indent));
      appendDocxTextBox(parser, text, glyph);
    } else {
      leaveBox();
    }
    return;
  }
  if (step > -1) {
    const VQPDFRenderState& s = glyph.state();
    const double blank = s.font ? glyph.displayAdvance(s.font->widthOfSpace() * s.fontSize) : 0;
    if (!(gap >= -blank)) {
      leaveBox();
      return;
    }
    appendDocxTextBox(parser, blanksForGap(gap, blank) + text, glyph, gap);
    return;
  }
  leaveBox();
}

std::string VQDocxPDFPageParser::blanksForGap(double gap, double blank) {
  // A blank narrower than a hundredth of a point says nothing about the gap;
  // no line of a box needs more blanks than a page is wide.
  constexpr double kMostBlanks = 200;
  if (!(blank > 0.01) || !(gap > 0) || !std::isfinite(gap)) return {};
  const double n = std::floor(gap / blank);
  if (!(n >= 1)) return {};
  return std::string(static_cast<size_t>(std::min(n, kMostBlanks)), ' ');
}

void VQDocxPDFPageParser::endTextBoxWritingIfNeed() {
  if (!currentPage_ || !currentPage_->isUsingTextBox) return;
  std::shared_ptr<VQDocxTextBoxInfo> info = std::move(currentPage_->cachedTextBoxInfo);
  const double widest = currentPage_->cachedTextBoxWidthMax() + 10;
  const double height = currentPage_->cachedTextBoxHeight();
  const bool turned = info->rotation == 90 || info->rotation == 270;
  info->displayWidth = turned ? height : widest;
  info->displayHeight = turned ? widest : height;
  if (const auto last = currentPage_->cachedTextBoxLastParagraph()) last->resolvePProperty();

  const VQPDFRenderState& s = renderingStateStack().topRenderingState();
  auto box = std::make_shared<VQDocxRunTextBox>();
  box->isAnnotion = s.isAnnotionParsering;
  box->pdfAnnotionIndex = s.pdfAnnotionIndex;
  box->setPdfScanIndex(static_cast<uint64_t>(currentPage_->nextRunScanIndex()));
  box->pictZIndex = currentPage_->nextTextBoxZIndex();
  box->paragraphArray = std::move(currentPage_->cachedTextBoxParagraphs);
  box->pictInfo = std::move(info);
  currentPage_->allRunTextBoxArray.push_back(std::move(box));
  currentPage_->isUsingTextBox = false;
  currentPage_->cachedTextBoxInfo.reset();
  currentPage_->cachedTextBoxParagraphs.clear();
}

void VQDocxPDFPageParser::takeNextPlacement(const Glyph& glyph) {
  const VQPDF_CTMInfo& next = glyph.nextPlacement();
  if (!isFinite(next)) return;
  nextCharCTMInfo_ = next;
}

void VQDocxPDFPageParser::resetNextPlacementToMainText() { nextCharCTMInfo_ = mainTextCTMInfo_; }

void VQDocxPDFPageParser::endOpenTextBoxOrPath() {
  if (currentPage_->isUsingTextBox) {
    endTextBoxWritingIfNeed();
    resetNextPlacementToMainText();
  } else if (currentPage_->isUsingTextPath) {
    endTextPathWritingIfNeed();
    resetNextPlacementToMainText();
  }
}

void VQDocxPDFPageParser::newDocxTextPath(VQPDFConentParser* parser, const std::string& text, const Glyph& glyph) {
  const VQPDF_CTMInfo& cur = glyph.placement();
  const VQPDFRenderState& s = glyph.state();
  auto info = std::make_shared<VQDocxTextPathInfo>();
  info->displayX = cur.topLeft.x;
  info->displayY = cur.topLeft.y;
  info->displayWidth = cur.fontSize.width;
  info->displayHeight = cur.fontSize.height;
  info->stroked = false;
  info->filled = true;
  info->strokeweight = 1.0;
  info->strokecolor = s.currentStrokeColor();
  info->fillcolor = s.currentFillColor();
  info->rotation = static_cast<float>(cur.rotation);
  info->flipY = cur.flip != 0;
  info->trim = true;
  info->fitpath = false;
  info->rProperty = currentRProperty(glyph);
  currentPage_->isUsingTextPath = true;
  currentPage_->cachedTextPathInfo = std::move(info);
  currentPage_->cachedTextPathString.clear();
  appendDocxTextPath(parser, text, glyph);
}

void VQDocxPDFPageParser::appendDocxTextPath(VQPDFConentParser*, const std::string& text, const Glyph& glyph) {
  currentPage_->cachedTextPathString += text;
  takeNextPlacement(glyph);
}

void VQDocxPDFPageParser::usingDocxTextPath(VQPDFConentParser* parser, const std::string& text, const Glyph& glyph) {
  const VQPDF_CTMInfo& cur = glyph.placement();
  const VQDocxTextPathInfo& info = *currentPage_->cachedTextPathInfo;
  const auto direction = static_cast<float>(
      std::lround(VQPDFTwoPointDirectionAngle(info.displayX, info.displayY, cur.topLeft.x, cur.topLeft.y)));
  // A glyph continues the path when it keeps the path's turn and mirroring
  // and stands further along the same base line. Angles are compared round
  // the circle, so that 359.9 and 0.1 count as the same direction.
  const auto rotation = static_cast<float>(cur.rotation);
  const bool continues = angleDistance(rotation, static_cast<float>(nextCharCTMInfo_.rotation)) <= 5 &&
                         cur.flip == nextCharCTMInfo_.flip && angleDistance(rotation, direction) <= 5;
  if (continues) {
    appendDocxTextPath(parser, text, glyph);
    return;
  }
  endTextPathWritingIfNeed();
  resetNextPlacementToMainText();
  usingDocxMainText(parser, text, glyph);
}

void VQDocxPDFPageParser::endTextPathWritingIfNeed() {
  if (!currentPage_ || !currentPage_->isUsingTextPath) return;
  std::shared_ptr<VQDocxTextPathInfo> info = std::move(currentPage_->cachedTextPathInfo);
  // The frame is centred on the middle of the path, from its first glyph to
  // the position after its last, and as long as that stretch.
  const double x0 = info->displayX, y0 = info->displayY;
  const double dx = nextCharCTMInfo_.topLeft.x - x0, dy = nextCharCTMInfo_.topLeft.y - y0;
  const double length = std::hypot(dx, dy);
  if (std::isfinite(length)) {
    info->displayWidth = length;
    info->displayX = x0 + dx / 2 - length / 2;
    info->displayY = y0 + dy / 2;
  }
  auto run = std::make_shared<VQDocxRunTextPath>();
  run->setPdfScanIndex(static_cast<uint64_t>(currentPage_->nextRunScanIndex()));
  run->pictZIndex = currentPage_->nextTextBoxZIndex();
  run->runText = std::move(currentPage_->cachedTextPathString);
  run->rProperty = info->rProperty;
  run->pictInfo = std::move(info);
  currentPage_->allRunTextPathArray.push_back(std::move(run));
  currentPage_->isUsingTextPath = false;
  currentPage_->cachedTextPathInfo.reset();
  currentPage_->cachedTextPathString.clear();
}

float VQDocxPDFPageParser::snappedRotation(float rotation) {
  if (!std::isfinite(rotation)) return 0;
  float r = std::fmod(rotation, 360.0f);
  if (r < 0) r += 360.0f;
  // Only a turn that rounds to a full one is upright from below: text tilted
  // a few degrees clockwise (355 to 359) is drawn as WordArt.
  if (r < 5 || r >= 359.5f) return 0;
  for (const float angle : {90.0f, 180.0f, 270.0f})
    if (angleDistance(r, angle) < 5) return angle;
  return r;
}

float VQDocxPDFPageParser::angleDistance(float a, float b) {
  float d = std::fmod(std::fabs(a - b), 360.0f);
  return d > 180.0f ? 360.0f - d : d;
}

const Rect& VQDocxPDFPageParser::visibleArea(const VQPDFRenderState& state) {
  const auto& clips = state.clipBezierPaths;
  // Every glyph asks: the answer is looked up without building anything.
  const bool same = haveVisibleArea_ && clips == visibleAreaClips_;
  if (same) return visibleArea_;
  const Rect& crop = currentPageCropBox();
  visibleArea_ = clips.empty() ? Rect{{0, 0}, crop.size}
                               : VQPDFExporterRaster::ClipRectInContextSize(crop.size, currentPageTransform(), clips);
  visibleAreaClips_ = clips;
  haveVisibleArea_ = true;
  return visibleArea_;
}

void VQDocxPDFPageParser::didScanTextTextOffset(VQPDFConentParser* parser, const std::string& text,
                                                const Size& offset) {
  if (!currentPage_ || text.empty()) return;
  const Glyph glyph = capture_.textGlyph(text, offset);
  const VQPDFRenderState& s = glyph.state();
  // Clip paths that leave less than a point either way hide the text.
  const Rect visible = visibleArea(s);
  if (!(visible.size.width >= 1 && visible.size.height >= 1)) return;
  const VQPDF_CTMInfo& cur = glyph.placement();
  if (!isFinite(cur)) return;
  const double size = glyph.fontSize().width;
  if (!(size >= 3)) return;
  if (!RectIntersectsRect(cur.frame, visible)) return;
  if (!(static_cast<float>(s.currentFillAlpha()) >= 0.01f)) return;
  if (s.textRenderMode == 3) return;
  if (isShouldCancel && isShouldCancel->load()) return;
  if (isNotScanTextYet_) {
    if (!hasVisibleCharacter(text)) return;
  } else if (isLoneControlCharacter(text)) {
    return;
  }
  if (currentPage_->isUsingTextBox) {
    usingDocxTextBox(parser, text, glyph);
    return;
  }
  if (currentPage_->isUsingTextPath) {
    usingDocxTextPath(parser, text, glyph);
    return;
  }
  usingDocxMainText(parser, text, glyph);
}

void VQDocxPDFPageParser::usingDocxMainText(VQPDFConentParser* parser, const std::string& text, const Glyph& glyph) {
  const VQPDF_CTMInfo& cur = glyph.placement();
  if (cur.flip) {
    newDocxTextPath(parser, text, glyph);
    return;
  }
  const float rotation = snappedRotation(cur.rotation);
  if (rotation == 90 || rotation == 180 || rotation == 270) {
    newDocxTextBox(parser, text, glyph);
    return;
  }
  if (rotation != 0) {
    newDocxTextPath(parser, text, glyph);
    return;
  }
  const Rect& crop = currentPageCropBox();
  if (cur.xLeft < 0 || cur.xRight > crop.size.width || cur.yTop < 0 || cur.yBottom > crop.size.height) return;
  const VQPDF_CTMInfo& next = glyph.nextPlacement();
  if (!isFinite(next)) return;

  const VQPDFRenderState& s = glyph.state();
  // A "blank" wider than a typewriter's (0.6 em) is some other glyph at the
  // blank's code, as symbol fonts have: taking it would glue a bullet to its
  // text. The width is then unknown.
  double blank = 0;
  if (s.font && s.font->bankSpaceCharWidth > 0 && s.font->bankSpaceCharWidth <= kVQPDFMostCredibleBlank)
    blank = glyph.displayWidth(s.fontSize * s.font->bankSpaceCharWidth);
  if (!std::isfinite(blank)) blank = 0;

  isNotScanTextYet_ = false;
  nextCharCTMInfo_ = mainTextCTMInfo_ = next;

  auto run = newRunText(parser, text, glyph);
  run->ctmInfo = cur;
  run->ctmInfo.flip = 0;
  run->ctmInfo.rotation = 0;
  // The run reaches to where the next glyph is expected; a backwards advance
  // gives an empty frame rather than one of negative width.
  const double width = std::max(0.0, next.topLeft.x - cur.xLeft);
  run->ctmInfo.xRight = cur.xLeft + width;
  run->ctmInfo.frame.size.width = width;
  run->textWidth = width;
  run->spaceWidth = blank;
  run->wordGapBefore = glyph.wordGapBefore();
  run->gapFont = glyph.gapFont();
  currentPage_->allRunTextArray.push_back(std::move(run));
}

std::shared_ptr<VQDocxRunText> VQDocxPDFPageParser::newRunText(VQPDFConentParser* parser, const std::string& text,
                                                               const Glyph& glyph) {
  const VQPDFRenderState& s = glyph.state();
  auto run = std::make_shared<VQDocxRunText>();
  run->isAnnotion = s.isAnnotionParsering;
  run->pdfAnnotionIndex = s.pdfAnnotionIndex;
  const auto index = static_cast<uint64_t>(currentPage_->pg_pageRunCount++);
  run->setPdfScanIndex(index);
  run->textScanIndex = index;
  if (parser) {
    run->pdfScanIndex_BegainText = parser->scanOperatorIndex_BegainText;
    run->pdfScanIndex_ShowText = parser->scanOperatorIndex_ShowText;
  }
  run->rProperty = currentRProperty(glyph);
  run->horizontalScaling = std::fabs(s.horizontalScaling);
  run->setRunText(text);
  return run;
}

VQDocx_RPr VQDocxPDFPageParser::currentRProperty(const Glyph& glyph) {
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
  const bool italic = VQPDFFontUtilities::isItalicFontName(font.baseFontName_New) ||
                      (descriptor && descriptor->isItalic()) || glyph.isSlanted();

  if (lastFontName_.view() != VQDocxFontName::Kept(name)) lastFontName_.assign(name);
  if (lastReplaceFontName_.view() != VQDocxFontName::Kept(font.fontSystemReplaceName))
    lastReplaceFontName_.assign(font.fontSystemReplaceName);
  r.rFonts.ascii = lastFontName_;
  r.rFonts_backup = lastFontName_;
  r.rFonts_replace.ascii = lastReplaceFontName_;
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

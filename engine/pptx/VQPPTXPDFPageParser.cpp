#include "pptx/VQPPTXPDFPageParser.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <numbers>

#include "common/VQHexColor.h"
#include "common/VQLineUtilites.h"
#include "exporter/VQPDFExporter.h"
#include "fonts/VQPDFFont.h"
#include "fonts/VQPDFFontDescriptor.h"
#include "fonts/VQPDFFontUtilities.h"
#include "pdf/VQPDFConentParser.h"
#include "pdf/VQPDFOverprint.h"
#include "pdf/VQPDFRenderState.h"
#include "pdf/VQPDFWordGaps.h"
#include "pdf/VQPDFXObject.h"
#include "pdf/images/VQPDFImageFile.h"
#include "pdf/images/VQPDFImageFileTracker.h"
#include "pdf/raster/VQPDFExporterRaster.h"
#include "platform/diagnostics/VQDiagnostics.h"
#include "platform/text/Utf8.h"
#include "pptx/VQPPTXDocument.h"
#include "pptx/VQPPTXPage.h"

namespace vq {
namespace {

// Text runs are numbered across every page of every conversion.
std::atomic<int64_t> gPPTXRunIndex{0};

bool isRightAngle(double r) { return r == 90 || r == 270; }

// How far off its line's base line, in line heights, a glyph stands in a
// box of its own: a fraction's parts do, superscripts and the letters of a
// logo keep to their line.
constexpr double kOwnBoxLineShare = 0.5;

bool isSingleBlankOrControl(const std::string& s) { return s.size() == 1 && static_cast<unsigned char>(s[0]) < 33; }

// Modes 3 and 7 paint nothing: OCR layers over scans use them.
bool isInvisibleText(const VQPDFRenderState& s) { return s.textRenderMode == 3 || s.textRenderMode == 7; }

const AffineTransform kBitmapScale = AffineTransformMakeScale(2, 2);

}  // namespace

double VQPPTXSnapRotation(double r) {
  if (r < 5) return 0;
  if (r > 85 && r < 95) return 90;
  if (r > 265 && r < 275) return 270;
  return r;
}

uint32_t VQPPTXCombiningAccent(uint32_t c) {
  // Grave, acute, circumflex, tilde, macron, breve, dot above, dieresis,
  // ring, double acute, caron, cedilla, ogonek.
  static constexpr std::pair<uint32_t, uint32_t> kAccents[] = {
      {0x60, 0x300}, {0xB4, 0x301},  {0x2C6, 0x302}, {0x2DC, 0x303}, {0xAF, 0x304}, {0x2D8, 0x306}, {0x2D9, 0x307},
      {0xA8, 0x308}, {0x2DA, 0x30A}, {0x2DD, 0x30B}, {0x2C7, 0x30C}, {0xB8, 0x327}, {0x2DB, 0x328},
  };
  for (const auto& [spacing, combining] : kAccents)
    if (spacing == c) return combining;
  return 0;
}

VQPPTXPDFPageParser::VQPPTXPDFPageParser(VQPPTXDocument& document, VQPDFPageCaptureSettings settings)
    : document_(document), capture_(std::move(settings)) {}
VQPPTXPDFPageParser::~VQPPTXPDFPageParser() = default;

void VQPPTXPDFPageParser::beginPage(int64_t pageIndex) {
  resetNextChar();
  placedTexts_.clear();
  page_ = std::make_unique<VQPPTXPage>(static_cast<uint64_t>(pageIndex), document_.savedWorkFolder());
  rasterPictures_.beginPage(
      capture_.pageSetup().cropBox.size, kBitmapScale,
      [](const Bitmap& bitmap, const std::string&) { return VQPDFExporter::SaveTempCGImage(bitmap); });
  page_->writeDocumentBegin();
}

void VQPPTXPDFPageParser::beginPageForTesting(const VQPageSetup& setup, int64_t pageIndex) {
  capture_.beginPage(setup);
  beginPage(pageIndex);
}

void VQPPTXPDFPageParser::finishPage() {
  endTextBoxWritingIfNeed();
  // What the slide drew past its bound of pictures, as one on top.
  if (const auto rest = rasterPictures_.endPage()) addRasterPicture(&*rest);
  page_->writePageAll();
}

bool VQPPTXPDFPageParser::convertPDFPage(const std::optional<pdf::Page>& page, int64_t pageIndex) {
  if (!page) return false;
  capture_.beginPage(*page);
  beginPage(pageIndex);
  // Decoded images that no picture takes are removed when the run ends.
  capture_.run(*this);
  finishPage();
  capture_.endPage();
  return true;
}

void VQPPTXPDFPageParser::resetNextChar() {
  nextCharFontSize_ = 1;
  nextCharTransform_ = AffineTransformIdentity;
  nextCharCTMInfo_ = VQPDF_CTMInfo{};
}

VQPPTX_RunPr VQPPTXPDFPageParser::currentRProperty(const Glyph& glyph) {
  const auto& s = glyph.state();
  if (!s.font) {
    VQPPTX_RunPr r = VQPPTXUtilities::defaultRunProperty();
    r.invisible = isInvisibleText(s) ? 1 : 0;
    return r;
  }
  const auto& font = *s.font;
  float size = static_cast<float>(glyph.fontSize().width);
  if (!(size >= 3)) size = 3;

  std::string typeface = !font.fontName.empty()         ? font.fontName
                         : !font.fontFamilyName.empty() ? font.fontFamilyName
                                                        : std::string("Unknow Font");
  const bool bold = VQPDFFontUtilities::isBoldFontName(font.baseFontName_New) ||
                    (font.fontDescriptor && font.fontDescriptor->isBold()) || s.textRenderMode == 2 ||
                    s.textRenderMode == 6;
  const bool italic = VQPDFFontUtilities::isItalicFontName(font.baseFontName_New) ||
                      (font.fontDescriptor && font.fontDescriptor->isItalic()) || glyph.isSlanted();
  const std::string replacement = font.fontSystemReplaceName;
  auto installed = [&](const std::string& name) {
    if (name.empty()) return false;
    auto it = installedFonts_.find(name);
    if (it == installedFonts_.end())
      it = installedFonts_.emplace(name, VQPDFFontUtilities::SystemFontNameIsExist(name)).first;
    return it->second;
  };
  // A face nobody has (most often a subset embedded in the page) would be
  // drawn in the reader's default face: the replacement names a face of the
  // same kind (serif, sans, fixed) that presentation programs resolve. For
  // sans text that is Arial: current office suites no longer ship Arial
  // Unicode MS, and readers put a much wider face in its place.
  if (!installed(typeface) && !replacement.empty())
    typeface = replacement == "Arial Unicode MS" ? std::string("Arial") : replacement;

  VQPPTX_RunPr r = VQPPTXUtilities::defaultRunProperty();
  r.latin.typeface = r.cs.typeface = typeface;
  r.latin.typeface_replace = r.cs.typeface_replace = replacement;
  r.rgbColor = VQHexColor::getHexColorFromCGColor(s.currentFillColor());
  r.sz = size;
  r.b = bold ? 1 : 0;
  r.i = italic ? 1 : 0;
  r.invisible = isInvisibleText(s) ? 1 : 0;
  return r;
}

void VQPPTXPDFPageParser::didScanTextTextOffset(VQPDFConentParser*, const std::string& text, const Size& offset) {
  if ((isShouldCancel && *isShouldCancel) || !page_ || !capture_.hasPage() || text.empty()) return;
  const Glyph glyph = capture_.textGlyph(text, offset);
  if (page_->isUsingTextBox) usingPPTXTextBox(glyph, text);
  else newPPTXTextBox(glyph, text);
}

void VQPPTXPDFPageParser::newPPTXTextBox(const Glyph& glyph, const std::string& text) {
  if (isSingleBlankOrControl(text)) return;
  const auto& s = glyph.state();
  const VQPDF_CTMInfo& C = glyph.placement();
  const Size slide = document_.slideSize();

  VQPPTXTextBoxInfo info;
  info.displayX = C.topLeft.x;
  info.displayY = C.topLeft.y;
  // Provisional: replaced by the text's own extent when the box closes.
  info.displayWidth = std::fabs(slide.width - info.displayX - 10);
  info.displayHeight = std::fabs(slide.height - info.displayY - 10);
  info.strokeweight = 1;
  info.strokeDashPattern = s.lineDashPattern;
  info.strokeDashPhase = s.lineDashPhase;
  info.strokecolor = s.currentStrokeColor();
  info.fillcolor = s.currentFillColor();
  info.rotation = VQPPTXSnapRotation(C.rotation);
  lineBase_ = C.yBase;

  page_->isUsingTextBox = true;
  page_->cachedTextBoxInfo = info;
  page_->cachedTextBoxParagraphs.clear();
  VQPPTXParagraph& p = page_->cachedTextBoxNewParagraph();
  p.pProperty.marL = 0;
  p.pProperty.lnSpc = C.fontSize.height;
  p.pProperty.tabList = {0, "l"};
  p.pProperty.algn.clear();
  p.pProperty.endParaRPr = {};
  appendPPTXTextBox(glyph, text, 0);
}

void VQPPTXPDFPageParser::usingPPTXTextBox(const Glyph& glyph, const std::string& text) {
  const VQPDF_CTMInfo& C = glyph.placement();
  const double r = VQPPTXSnapRotation(C.rotation);
  const VQPDF_CTMInfo& P = nextCharCTMInfo_;
  auto restart = [&] {
    endTextBoxWritingIfNeed();
    resetNextChar();
    newPPTXTextBox(glyph, text);
  };
  if (r != page_->cachedTextBoxInfo.rotation) {
    endTextBoxWritingIfNeed();
    newPPTXTextBox(glyph, text);
    return;
  }
  // A glyph printed again at once a hair beside itself (bold faked glyph by
  // glyph) is on the slide once.
  const double reach = VQPDFOverprintFilter::ReachForType(C.fontSize.height);
  if (text == lastGlyph_.text && std::fabs(C.topLeft.x - lastGlyph_.at.x) <= reach &&
      std::fabs(C.topLeft.y - lastGlyph_.at.y) <= reach)
    return;
  // Gaps are measured along the base line, which runs down or up the slide
  // for turned text.
  const VQPDFWordGapFont gapFont = wordGapFont(glyph);
  // The width one blank stands for: the font's when it can be believed, else
  // a quarter em, near a typical blank.
  double v = VQPDFCredibleBlankWidth(gapFont);
  if (v <= 0) v = 0.25 * gapFont.fontSize;

  double along, across;
  if (r == 90) {
    along = C.bottomLeft.y - P.bottomLeft.y, across = C.bottomLeft.x - P.bottomLeft.x;
  } else if (r == 270) {
    along = P.bottomLeft.y - C.bottomLeft.y, across = C.bottomLeft.x - P.bottomLeft.x;
  } else {
    // Upright lines are told apart from the paragraph's base line: a
    // fraction's lowered denominator after its raised numerator is still
    // on the line, and so is type of another face that reaches lower.
    along = C.bottomLeft.x - P.bottomLeft.x;
    across = r == 0 ? C.yBase - lineBase_ : C.bottomLeft.y - P.bottomLeft.y;
  }
  const double lineHeight = C.fontSize.height;

  if (across >= lineHeight) {
    const double boxX = page_->cachedTextBoxInfo.displayX;
    if (C.topLeft.x >= boxX && across < 96) {
      if (r == 0) lineBase_ = C.yBase;
      VQPPTXParagraph& p = page_->cachedTextBoxNewParagraph();
      p.pProperty.marL = C.topLeft.x - boxX;
      p.pProperty.lnSpc = across;
      p.pProperty.tabList = {0, "l"};
      appendPPTXTextBox(glyph, text, 0);
    } else {
      restart();
    }
    return;
  }
  // A glyph half a line or more off the line (a fraction's numerator or
  // denominator) stands in a box of its own where the page has it, and so
  // does the text after it.
  if (r == 0 && std::fabs(across) >= kOwnBoxLineShare * std::max(lineHeight, P.fontSize.height)) {
    restart();
    return;
  }
  const float L = std::round(static_cast<float>(std::fabs(P.topLeft.y - C.bottomLeft.y)));
  const VQPDFGapKind gap = VQPDFClassifyGap(along, gapFont);
  // A gap wider than the words of one phrase (a tab, a column) starts a box
  // of its own.
  // A glyph set back over the one before (a logo's letters are kerned into
  // each other) goes on with the line as long as it starts past the start
  // of that glyph by more than an overprint's reach: one set back further
  // is a new line or a second printing.
  const bool setBackOverLast =
      along < 0 && along > -lastGlyph_.advance + VQPDFOverprintFilter::ReachForType(gapFont.fontSize);
  if (across > -lineHeight && (along >= -0.6 * L || setBackOverLast) && v > 0 && gap != VQPDFGapKind::Wide) {
    if (along < 0 && joinAccent(glyph, text, along)) return;
    // A word gap (the capture's, or one of the text's own scale) is at
    // least one blank, and as many as fill it; a blank glyph before the
    // glyph is one already.
    const VQPPTXRun* last = page_->cachedTextBoxLastParagraph().lastRunText();
    const bool blankBefore = last && !last->text.empty() && last->text.back() == ' ';
    const bool word = (gap == VQPDFGapKind::Word || glyph.wordGapBefore()) && !blankBefore && !glyph.isBlank();
    const double n = word ? std::max(1.0, std::round(along / v)) : 0;
    if (n >= 1) {
      std::string spaced(static_cast<size_t>(n), ' ');
      spaced += text;
      appendPPTXTextBox(glyph, spaced, n * v);
    } else {
      appendPPTXTextBox(glyph, text, 0);
    }
    return;
  }
  restart();
}

bool VQPPTXPDFPageParser::joinAccent(const Glyph& glyph, const std::string& text, double along) {
  VQPPTXRun* run = page_->cachedTextBoxLastParagraph().lastRunText();
  if (!run || run->text.empty()) return false;
  // Over each other, not merely touching: at least a third of the glyph
  // lies back over the one before.
  const Point next = glyph.nextTopLeft(), at = glyph.placement().topLeft;
  const double advance =
      isRightAngle(page_->cachedTextBoxInfo.rotation) ? std::fabs(next.y - at.y) : std::fabs(next.x - at.x);
  if (!(along <= -advance / 3)) return false;
  const auto added = text::decodeUTF8(text);
  if (added.size() != 1) return false;
  size_t start = run->text.size() - 1;
  while (start > 0 && (static_cast<unsigned char>(run->text[start]) & 0xC0) == 0x80) --start;
  const auto last = text::decodeUTF8(std::string_view(run->text).substr(start));
  if (last.size() != 1) return false;
  // An accent set over the letter it overlaps (before or after it) is one
  // accented letter: the letter, then the accent's combining form.
  if (const uint32_t mark = VQPPTXCombiningAccent(last[0]); mark && !VQPPTXCombiningAccent(added[0])) {
    run->text.resize(start);
    std::string joined = text;
    text::appendUTF8(joined, mark);
    appendPPTXTextBox(glyph, joined, 0);
    return true;
  }
  if (const uint32_t mark = VQPPTXCombiningAccent(added[0]); mark && !VQPPTXCombiningAccent(last[0])) {
    std::string joined;
    text::appendUTF8(joined, mark);
    appendPPTXTextBox(glyph, joined, 0);
    return true;
  }
  return false;
}

VQPDFWordGapFont VQPPTXPDFPageParser::wordGapFont(const Glyph& glyph) {
  // The capture's measure: the displayed type along the line and the font's
  // own blank (a made-up one says nothing of the text).
  VQPDFWordGapFont font = glyph.gapFont();
  // The text before the gap tells its scale when the font's blank cannot.
  if (const VQPPTXRun* run = page_->cachedTextBoxLastParagraph().lastRunText()) {
    const size_t chars = run->tally.characters(run->text) - run->tally.blanks(run->text);
    if (chars > 0) font.averageGlyphWidth = run->textWidth / static_cast<double>(chars);
  }
  return font;
}

void VQPPTXPDFPageParser::appendPPTXTextBox(const Glyph& glyph, const std::string& text, double blankWidth) {
  const auto& s = glyph.state();
  const VQPDF_CTMInfo& C = glyph.placement();
  const VQPPTX_RunPr R = currentRProperty(glyph);
  VQPPTXParagraph& para = page_->cachedTextBoxLastParagraph();
  VQPPTXRun* run = para.lastRunText();
  if (run && VQPPTX_IsEqualRPr(R, run->rProperty)) {
    run->text += text;
  } else {
    VQPPTXRun fresh;
    fresh.pdfScanIndex = gPPTXRunIndex.fetch_add(1);
    fresh.rProperty = R;
    fresh.text = text;
    para.runArray.push_back(std::move(fresh));
    run = &para.runArray.back();
    para.pProperty.lnSpc = std::max(para.pProperty.lnSpc, C.fontSize.height);
  }
  nextCharTransform_ = glyph.nextTransform();
  nextCharFontSize_ = s.fontSize;
  nextCharCTMInfo_ = glyph.nextPlacement();
  const double advance = isRightAngle(page_->cachedTextBoxInfo.rotation)
                             ? std::fabs(nextCharCTMInfo_.topLeft.y - C.topLeft.y)
                             : std::fabs(nextCharCTMInfo_.topLeft.x - C.topLeft.x);
  if (std::isfinite(advance)) run->textWidth += advance;
  if (std::isfinite(blankWidth)) run->textWidth += blankWidth;
  // Without the blanks that stand for the gap before it.
  const size_t glyphStart = std::min(text.find_first_not_of(' '), text.size());
  lastGlyph_ = {text.substr(glyphStart), C.topLeft, std::isfinite(advance) ? advance : 0};
}

bool VQPPTXPDFPageParser::isOverprint(VQPPTXTextbox& box) {
  // Only the same text in the same colours and visibility: an invisible OCR
  // layer over the text it recognised is no overprint.
  std::string text;
  for (const auto& p : box.paragraphs) {
    for (const auto& r : p.runArray) text += r.text + '\0' + r.rProperty.rgbColor + (r.rProperty.invisible ? "i" : "v");
    text += '\n';
  }
  const double size = box.paragraphs.empty() ? 0 : box.paragraphs.front().pProperty.lnSpc;
  const auto& info = box.spInfo;
  // Pages fake bold type by painting the same text again a hair to the side;
  // the slide shows it once, in bold.
  const auto [first, last] = placedTexts_.equal_range(text);
  for (auto it = first; it != last; ++it) {
    const PlacedText& seen = it->second;
    const double near = 0.2 * std::max(size, seen.size);
    if (seen.rotation == info.rotation && std::fabs(seen.x - info.displayX) <= near &&
        std::fabs(seen.y - info.displayY) <= near) {
      for (auto& p : seen.box->paragraphs)
        for (auto& r : p.runArray) r.rProperty.b = 1;
      return true;
    }
  }
  placedTexts_.emplace(std::move(text), PlacedText{info.displayX, info.displayY, info.rotation, size, &box});
  return false;
}

void VQPPTXPDFPageParser::endTextBoxWritingIfNeed() {
  if (!page_ || !page_->isUsingTextBox) return;
  // As wide as its widest line: the text starts at the box's left edge
  // (no insets), and a wider box would let a program that centres a line in
  // its box move it off the page's place.
  const double width = static_cast<double>(page_->cachedTextBoxWidthMax());
  const double height = page_->cachedTextBoxHeight();
  auto box = std::make_unique<VQPPTXTextbox>();
  box->spInfo = page_->cachedTextBoxInfo;
  if (isRightAngle(box->spInfo.rotation)) {
    box->spInfo.displayWidth = height, box->spInfo.displayHeight = width;
  } else {
    box->spInfo.displayWidth = width, box->spInfo.displayHeight = height;
  }
  if (const double r = box->spInfo.rotation; r != 0) {
    // The box was opened at its first glyph's top left, where the turned text
    // starts; a slide turns a box about its centre, so the unturned box is
    // put around the centre of the turned one.
    const double a = r * std::numbers::pi / 180, ux = std::cos(a), uy = std::sin(a);
    auto& s = box->spInfo;
    const double cx = s.displayX + width / 2 * ux - height / 2 * uy;
    const double cy = s.displayY + width / 2 * uy + height / 2 * ux;
    s.displayX = cx - width / 2, s.displayY = cy - height / 2;
  }
  box->paragraphs = std::move(page_->cachedTextBoxParagraphs);
  if (!isOverprint(*box)) page_->addShape(std::move(box));
  page_->isUsingTextBox = false;
  page_->cachedTextBoxParagraphs.clear();
  page_->cachedTextBoxInfo = {};
}

void VQPPTXPDFPageParser::didScanPathStrokeFill(VQPDFConentParser*, const Path& path, bool stroke, bool fill) {
  if (!page_ || path.isEmpty()) return;
  const auto& s = capture_.renderingStateStack().topRenderingState();
  const VQPageSetup& setup = capture_.pageSetup();
  const AffineTransform T = AffineTransformConcat(s.ctm, setup.transform);
  const double weight = std::max(VQLineUtilites::LineWidthApplyTransform(s.lineWidth, T), static_cast<double>(0.1f));
  const Size crop = setup.cropBox.size;
  if (!s.clipBezierPaths.empty()) {
    Rect bound;
    const auto visible =
        VQPDFExporterRaster::ClipPathInContextSize(crop, path, s.lineWidth, setup.transform, s.clipBezierPaths, &bound);
    if (!visible || visible->isEmpty()) return;
  }
  Path shape = path.transformed(setup.transform);
  Rect box = shape.boundingBox();
  if (RectIsNull(box) || RectIsInfinite(box) || !std::isfinite(box.size.width) || !std::isfinite(box.size.height))
    return;
  if (box.size.width < 0.0001) {
    box.origin.x -= weight / 2, box.size.width = weight;
  } else if (box.size.height < 0.0001) {
    box.origin.y -= weight / 2, box.size.height = weight;
  }
  // A full-page fill is kept like any other: it is the page's background,
  // and light text painted on it would vanish on the slide's white.
  VQPPTXFreeformInfo info;
  info.setDisplayRect(box);
  info.fillAlpha_ = static_cast<float>(s.currentFillAlpha());
  info.strokeAlpha_ = static_cast<float>(s.currentStrokeAlpha());
  info.stroked = stroke;
  info.filled = fill;
  info.strokeweight = weight;
  // Dash lengths are in user space; the slide measures them against the
  // weight, which is in slide points.
  const double dashScale = std::sqrt(std::fabs(T.a * T.d - T.b * T.c));
  info.strokeDashPattern.clear();
  for (double d : s.lineDashPattern) info.strokeDashPattern.push_back(d * dashScale);
  info.strokeDashPhase = s.lineDashPhase;
  info.lineCap = s.lineCapStyle;
  info.strokecolor = stroke ? s.currentStrokeColor() : VQHexColor::whiteCGColor();
  info.fillcolor = fill ? s.currentFillColor() : VQHexColor::whiteCGColor();

  endTextBoxWritingIfNeed();
  resetNextChar();
  auto freeform = std::make_unique<VQPPTXFreeform>();
  freeform->runCGPath = std::move(shape);
  freeform->spInfo = info;
  freeform->paragraphs.emplace_back();
  page_->addShape(std::move(freeform));
}

void VQPPTXPDFPageParser::addPicture(const std::string& imagePath, VQPPTXImageInfo info) {
  const std::string id = document_.collectImageWithPath(imagePath, *page_);
  info.imageID = id;
  auto picture = std::make_unique<VQPPTXPicture>();
  picture->runImageID = id;
  picture->pictInfo = std::move(info);
  page_->addShape(std::move(picture));
}

void VQPPTXPDFPageParser::didScanXObjectImage(VQPDFConentParser*, const std::shared_ptr<VQPDFImageXObject>& image) {
  if (!page_ || !image || image->decodedImagePath().empty()) return;
  const auto& s = capture_.renderingStateStack().topRenderingState();
  const VQPageSetup& setup = capture_.pageSetup();
  const AffineTransform T = AffineTransformConcat(s.ctm, setup.transform);
  endTextBoxWritingIfNeed();
  resetNextChar();
  VQPPTXImageInfo info = VQPPTXImageInfo::initWithTransform(T, s.currentFillAlpha());
  std::string path = image->decodedImagePath();

  if (!s.clipBezierPaths.empty()) {
    const auto bitmap = rasterPictures_.image(path);
    if (!bitmap) {
      VQDiagnose(VQDiagnosticCategory::Image, "didScanXObjectImage: image with path is null:" + path + "!");
    } else {
      const double scale = VQPDFExporterRaster::ClippedPictureScale(bitmap->width, bitmap->height, info.displayWidth,
                                                                    info.displayHeight, setup.cropBox.size);
      const auto clipped = rasterPictures_.clippedImage(
          path, image->objectKey, AffineTransformMakeScale(scale, scale), setup.transform, T, info.displayRect(),
          s.clipBezierPaths, [](const Bitmap& cut, const Rect&) { return VQPDFExporter::SaveTempCGImage(cut); });
      if (clipped.show == VQPDFRasterPictures::ClippedImage::Show::Hidden) return;  // nothing of the image shows
      if (clipped.show == VQPDFRasterPictures::ClippedImage::Show::Cut) {
        const Rect& clipRect = clipped.picture.clipRect;
        info.setDisplayRect(clipRect);
        info.pixelWidth = clipped.picture.pixelWidth;
        info.pixelHeight = clipped.picture.pixelHeight;
        if (clipRect.size.width > 0)
          info.horizontalResolution = std::round(info.pixelWidth * 72.0 / clipRect.size.width);
        if (clipRect.size.height > 0)
          info.verticalResolution = std::round(info.pixelHeight * 72.0 / clipRect.size.height);
        info.flipX = info.flipY = false;
        info.rotation = 0;
        path = clipped.picture.path;
      }
    }
  }
  // The picture keeps the decoded file: the package takes it at the end.
  if (path == image->cachedImagePath) VQPDFImageFileTracker::claim(path);
  addPicture(path, std::move(info));
}

void VQPPTXPDFPageParser::didScanPaintShading(VQPDFConentParser*, const std::shared_ptr<VQPDFShading>& shading) {
  if (!page_ || !shading) return;
  const auto& s = capture_.renderingStateStack().topRenderingState();
  const VQPageSetup& setup = capture_.pageSetup();
  const AffineTransform T = AffineTransformConcat(s.ctm, setup.transform);
  addRasterPicture(rasterPictures_.shading(T, setup.transform, s.clipBezierPaths, shading,
                                           static_cast<long long>(page_->sharepsArr.size())));
}

void VQPPTXPDFPageParser::addRasterPicture(const VQPDFRasterPictures::Picture* picture) {
  if (!picture) return;
  VQPPTXImageInfo info = VQPPTXImageInfo::initWithTransform(AffineTransformIdentity, 1);
  const Rect& clipRect = picture->clipRect;
  info.setDisplayRect(clipRect);
  info.pixelWidth = picture->pixelWidth, info.pixelHeight = picture->pixelHeight;
  if (clipRect.size.width > 0) info.horizontalResolution = std::round(picture->pixelWidth * 72.0 / clipRect.size.width);
  if (clipRect.size.height > 0)
    info.verticalResolution = std::round(picture->pixelHeight * 72.0 / clipRect.size.height);
  info.flipX = info.flipY = false;
  info.rotation = 0;
  addPicture(picture->path, std::move(info));
}

void VQPPTXPDFPageParser::didScanPatternPathStrokeFill(VQPDFConentParser*, const Path& path, bool stroke, bool fill) {
  if (!page_ || path.isEmpty()) return;
  const auto& s = capture_.renderingStateStack().topRenderingState();
  const VQPageSetup& setup = capture_.pageSetup();
  const AffineTransform T = AffineTransformConcat(s.ctm, setup.transform);
  const VQPDFExporterRaster::PatternPaint paint = VQPDFExporterRaster::PatternPaintForState(
      s, stroke, fill, VQLineUtilites::LineWidthApplyTransform(s.lineWidth, T));
  if (!paint.fill && !paint.stroke) return;
  // A pattern's matrix leads from the page's default space.
  const auto draw = [&](Rect* clipRect) {
    return VQPDFExporterRaster::DrawPatternInContextSize(setup.cropBox.size, setup.transform, kBitmapScale,
                                                         setup.transform, s.clipBezierPaths, clipRect, path, paint);
  };
  addRasterPicture(rasterPictures_.drawing(draw, "Pattern", static_cast<long long>(page_->sharepsArr.size())));
}

}  // namespace vq

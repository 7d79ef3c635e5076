#include "pdf/VQPDFConentParser.h"

#include <fmt/format.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <vector>

#include "common/VQRandomString.h"
#include "fonts/VQPDFFont.h"
#include "fonts/VQPDFFontCollection.h"
#include "pdf/VQPDFObjectValues.h"
#include "pdf/VQPDFUnicode.h"
#include "platform/diagnostics/VQDiagnostics.h"
#include "platform/pdf/PdfDocument.h"

namespace vq {

using pdf::Object;
using pdf::Scanner;

struct VQPDFConentParser::RunContext {
  // Forms nest through Do, soft masks and appearance streams. Real files
  // stay far below these; a file that draws itself or fans out
  // exponentially stops here instead of exhausting the stack or the clock.
  static constexpr int kMaxFormDepth = 28;
  static constexpr int kMaxFormRuns = 50000;
  // Glyphs a page reports at most. The densest real pages hold tens of
  // thousands; a small file showing a string of millions of characters
  // would otherwise make every exporter hold a record per glyph.
  static constexpr int64_t kMostGlyphs = 100000;
  int64_t glyphs = 0;
  // Set by another thread to stop the page (the conversion was stopped).
  const std::atomic<bool>* cancel = nullptr;
  // Shows the text of a font that is missing or cannot be read.
  std::shared_ptr<VQPDFFont> fallbackFont;
  int depth = 0;
  int formRuns = 0;
  std::vector<Object> activeForms;
  std::shared_ptr<VQPDFFontCache> fonts = std::make_shared<VQPDFFontCache>();
  bool decodeImages = true;
  // The page's decoded images, shared by the forms it runs.
  std::shared_ptr<VQPDFDecodedImages> images = std::make_shared<VQPDFDecodedImages>();
};

namespace {

VQPDFConentParser::AnnotationWalker& WalkerSlot() {
  static VQPDFConentParser::AnnotationWalker walker;
  return walker;
}

// The alpha under which a painted part counts as invisible (single-precision 0.01).
constexpr double kInvisibleAlpha = static_cast<double>(0.01f);

double SecondsSince1970() {
  using namespace std::chrono;
  return static_cast<double>(duration_cast<seconds>(system_clock::now().time_since_epoch()).count());
}

VQPDFConentParser& P(void* info) { return *static_cast<VQPDFConentParser*>(info); }

// Pops `count` numbers, returned in operand order.
bool PopNumbers(Scanner& s, int count, double* out) {
  for (int i = count - 1; i >= 0; --i) {
    if (!s.popNumber(&out[i])) return false;
  }
  return true;
}

// Every operand on the stack, in operand order.
std::vector<Object> PopAll(Scanner& s) {
  std::vector<Object> items;
  Object o;
  while (s.operandCount() > 0 && s.popObject(&o)) items.push_back(o);
  std::reverse(items.begin(), items.end());
  return items;
}

// The colour components of sc / scn: the last `n` operands in operand order;
// with fewer than two numbers at hand, the one number (or 0) fills them all.
VQPDFColor ColorFromOperands(const std::vector<Object>& operands, int n, bool copyGray) {
  n = std::clamp(n, 0, 32);
  std::vector<double> numbers;
  for (auto it = operands.rbegin(); it != operands.rend() && static_cast<int>(numbers.size()) < n; ++it) {
    auto v = it->number();
    if (!v) break;
    numbers.push_back(*v);
  }
  std::reverse(numbers.begin(), numbers.end());
  VQPDFColor color = VQPDFColorSpace::defaultPDFColor();
  if (numbers.size() < 2) {
    double v = numbers.empty() ? 0 : numbers[0];
    for (int i = 0; i < n; ++i) color.c[i] = vqpdf_detail::ScaleComponent(v);
  } else {
    for (size_t i = 0; i < numbers.size(); ++i) color.c[i] = vqpdf_detail::ScaleComponent(numbers[i]);
  }
  if (copyGray && n == 1) color.c[1] = color.c[2] = color.c[0];
  return color;
}

}  // namespace

void VQPDFConentParser::setAnnotationWalker(AnnotationWalker walker) { WalkerSlot() = std::move(walker); }

VQPDFConentParser::VQPDFConentParser(const Object& contentDict, std::shared_ptr<const pdf::ContentStream> contentStream)
    : contentDict_(contentDict),
      contentStream_(std::move(contentStream)),
      stack_(std::make_shared<VQPDFRenderStateStack>()),
      context_(std::make_shared<RunContext>()) {}

std::unique_ptr<VQPDFConentParser> VQPDFConentParser::ParserWithPage(const pdf::Page& page) {
  auto parser = std::make_unique<VQPDFConentParser>(page.dictionary(), pdf::ContentStream::createWithPage(page));
  parser->setPageIndex(page.number());
  return parser;
}

VQPDFConentParser::~VQPDFConentParser() {
  delegate_ = nullptr;
  cleanResourcesCollection();
}

void VQPDFConentParser::setFontCache(std::shared_ptr<VQPDFFontCache> cache) {
  if (cache) context_->fonts = std::move(cache);
}

void VQPDFConentParser::setDecodeImages(bool value) { context_->decodeImages = value; }
void VQPDFConentParser::setCancelFlag(const std::atomic<bool>* flag) { context_->cancel = flag; }

std::shared_ptr<VQPDFFont> VQPDFConentParser::fallbackFont() {
  if (!context_->fallbackFont)
    context_->fallbackFont = VQPDFFont::NewFontWithDictionary(
        pdf::ParseDirectObject("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>"), "Fallback");
  return context_->fallbackFont;
}
bool VQPDFConentParser::decodeImages() const { return context_->decodeImages; }

void VQPDFConentParser::setRenderingStateStack(std::shared_ptr<VQPDFRenderStateStack> stack) {
  stack_ = std::move(stack);
}

void VQPDFConentParser::makeStack() { stack_ = std::make_shared<VQPDFRenderStateStack>(); }

VQPDFRenderState& VQPDFConentParser::pushRenderingState(const VQPDFRenderState* state) {
  return ensureStack().pushRenderingState(state);
}

VQPDFRenderState& VQPDFConentParser::popRenderingState() { return ensureStack().popRenderingState(); }

VQPDFRenderState& VQPDFConentParser::saveRenderingState() { return ensureStack().saveState(); }

VQPDFRenderState& VQPDFConentParser::restoreRenderingState() { return ensureStack().restoreState(); }

Object VQPDFConentParser::currentColorSpaceDict() const {
  return contentStream_ ? contentStream_->resourceDictionary("ColorSpace") : Object();
}

void VQPDFConentParser::collectResources() {
  auto category = [&](const char* name) {
    return contentStream_ ? contentStream_->resourceDictionary(name) : Object();
  };
  Object colorSpaces = category("ColorSpace");
  fontCollection = context_->fonts->collectionForDictionary(category("Font"));
  colorSpaceCollection = std::make_shared<VQPDFColorSpaceCollection>(colorSpaces);
  xObjectCollection = std::make_shared<VQPDFXObjectCollection>(category("XObject"));
  extGStateCollection = std::make_shared<VQPDFExtGStateCollection>(category("ExtGState"));
  shadingCollection = std::make_shared<VQPDFShadingCollection>(category("Shading"));
  patternCollection = std::make_shared<VQPDFPatternCollection>(category("Pattern"));
}

void VQPDFConentParser::cleanResourcesCollection() {
  fontCollection.reset();
  colorSpaceCollection.reset();
  xObjectCollection.reset();
  extGStateCollection.reset();
  shadingCollection.reset();
  patternCollection.reset();
}

void VQPDFConentParser::startParser() {
  collectResources();
  scanOperatorIndex_BegainText = 0;
  scanOperatorIndex_ShowText = 0;
  if (contentStream_) {
    Scanner scanner(contentStream_, operatorTable(), this);
    scanner.setStopFlag(context_->cancel);
    scanner.scan();
  }
  cleanResourcesCollection();
  if (isParserAnnots != 0 && WalkerSlot()) {
    Object annots = contentDict_.isDictionary() ? contentDict_.get("Annots") : Object();
    if (annots.isArray()) WalkerSlot()(*this, annots);
  }
  scanOperatorIndex_BegainText = ~uint64_t{0};
  scanOperatorIndex_ShowText = ~uint64_t{0};
}

// ---- text

void VQPDFConentParser::showString(const std::string& bytes) {
  VQPDFRenderState& state = currentRenderingState();
  if (!state.font || bytes.empty()) return;
  std::shared_ptr<VQPDFFont> font = state.font;  // kept alive across the delegate's reports
  const auto* p = reinterpret_cast<const uint8_t*>(bytes.data());
  size_t remaining = bytes.size();
  while (remaining > 0) {
    VQPDFFontChar ch = font->getNextChar(p, remaining);
    // A font must consume something, and never more than is left.
    size_t used = std::clamp<size_t>(ch.bytesUsed, 1, remaining);
    int uLen = std::clamp(ch.uLen, 0, VQPDFFontChar::kMaxUnits);
    FixUnusualUnicodeMap(ch.units, &uLen);
    VQPDFRenderState& st = currentRenderingState();
    // Advances are kept in single precision, as the glyph widths are.
    float dx = static_cast<float>(ch.dx * st.fontSize);
    float dy = static_cast<float>(ch.dy * st.fontSize);
    Size offset{dx, dy};
    std::string text;
    // Word spacing widens the one-byte code 32 alone, whatever it reads as:
    // a blank of any other code (a two-byte <0020>, a no-break space) is
    // set as wide as its glyph.
    if (ch.isSpace) dx = static_cast<float>(dx + st.wordSpacing);
    if (uLen == 1 && IsWhiteSpace(static_cast<uint16_t>(ch.units[0] & 0xFFFF))) {
      text = " ";
    } else if (uLen == ch.uLen) {
      // The font's own reading, which the fix above left alone.
      text = std::move(ch.text);
    } else {
      // Surrogate pairs are joined here, so a character outside the BMP is
      // reported as one character.
      text = VQUnicodeUnitsToUTF8(ch.units, uLen);
    }
    if (uLen >= 1) dx = static_cast<float>(dx + st.characterSpacing);
    dx = static_cast<float>(dx * st.horizontalScaling);
    if (!text.empty() && delegate_) {
      if (context_ && ++context_->glyphs > RunContext::kMostGlyphs) {
        if (context_->glyphs == RunContext::kMostGlyphs + 1)
          VQDiagnose(VQDiagnosticCategory::PDF, "The page shows more glyphs than are kept; the rest is skipped.");
        return;
      }
      delegate_->didScanTextTextOffset(this, text, offset);
    }
    currentRenderingState().translateTextPosition({dx, dy});
    p += used;
    remaining -= used;
  }
}

// ---- painting

void VQPDFConentParser::endPath() {
  VQPDFRenderState& st = currentRenderingState();
  st.cgPath = Path();
  st.clip = VQPDFClipTypeNone;
}

void VQPDFConentParser::paint(bool stroke, bool fill) {
  VQPDFRenderState& st = currentRenderingState();
  Path pagePath = st.cgPath.transformed(st.ctm);
  bool report = !st.isStateTextClip();
  if (report) {
    if (stroke && fill) report = !(st.strokeAlpha < kInvisibleAlpha && st.fillAlpha < kInvisibleAlpha);
    else if (stroke) report = !(st.strokeAlpha < kInvisibleAlpha);
    else if (fill) report = !(st.fillAlpha < kInvisibleAlpha);
  }
  if (report && !pagePath.isEmpty()) {
    st.cgPath = pagePath;
    bool strokePattern = stroke && st.strokeColorSpace && st.strokeColorSpace->getMode() == VQPDFColorSpaceModePattern;
    bool fillPattern = fill && st.fillColorSpace && st.fillColorSpace->getMode() == VQPDFColorSpaceModePattern;
    if (delegate_) {
      if (strokePattern || fillPattern)
        delegate_->didScanPatternPathStrokeFill(this, st.cgPath, strokePattern, fillPattern);
      else delegate_->didScanPathStrokeFill(this, st.cgPath, stroke, fill);
    }
  }
  VQPDFRenderState& after = currentRenderingState();
  if (after.clip != VQPDFClipTypeNone) after.clipState(pagePath, after.clip);
  endPath();
}

// ---- XObjects

void VQPDFConentParser::dispatchXObject(const std::shared_ptr<VQPDFXObject>& xobject) {
  if (!xobject) return;
  if (contentStreamType == VQPDFContentStreamTypeAnnotation) xobject->annot = contentAnnot;
  switch (xobject->getType()) {
    case VQPDFXObjectTypeImage: {
      reportImage(std::static_pointer_cast<VQPDFImageXObject>(xobject), context_->images);
      break;
    }
    case VQPDFXObjectTypeForm: {
      auto& form = static_cast<VQPDFFormXObject&>(*xobject);
      form.ctm = currentRenderingState().ctm;
      runFormXObject(form, contentStreamType);
      break;
    }
    default:
      break;  // PostScript XObjects are never drawn
  }
}

void VQPDFConentParser::reportImage(std::shared_ptr<VQPDFImageXObject> image,
                                    std::shared_ptr<VQPDFDecodedImages> page) {
  // Without decoding no picture is made, and the colour (a pattern's
  // average takes a drawing) is not needed.
  if (decodeImages() && image->isStencilMask()) {
    const VQPDFRenderState& st = currentRenderingState();
    const VQPDFRGB color = st.currentFillPaintRGB(RectApplyAffineTransform(RectMake(0, 0, 1, 1), st.ctm));
    if (image->stencilColor && *image->stencilColor != color) {
      auto again = std::make_shared<VQPDFImageXObject>(image->xObjectStream, image->objectKey);
      again->annot = image->annot;
      image = std::move(again);
    }
    image->stencilColor = color;
  }
  image->prepareDecoding(currentColorSpaceDict(), decodeImages(), std::move(page));
  if (delegate_) delegate_->didScanXObjectImage(this, image);
}

void VQPDFConentParser::runFormXObject(VQPDFFormXObject& form, int64_t streamType) {
  RunContext& ctx = *context_;
  if (ctx.depth >= RunContext::kMaxFormDepth || ctx.formRuns >= RunContext::kMaxFormRuns) return;
  for (const auto& active : ctx.activeForms) {
    if (active.sameObject(form.xObjectStream)) return;
  }
  ensureStack();
  ++ctx.formRuns;
  // Restores the caller's stack and the nesting records however the form's
  // run ends (an exception from a damaged object included).
  struct Restore {
    VQPDFRenderStateStack& stack;
    RunContext& ctx;
    size_t depth;
    size_t floor;
    bool entered = false;
    ~Restore() {
      if (entered) {
        --ctx.depth;
        ctx.activeForms.pop_back();
      }
      stack.setFloor(floor);
      stack.truncate(depth);
    }
  } restore{*stack_, ctx, stack_->depth(), stack_->floor()};
  VQPDFRenderState& st = stack_->pushRenderingState();
  st.ctm = AffineTransformConcat(form.matrixTransform(), st.ctm);
  st.isXObjectFormParsering = true;
  // Forms are counted on their own: inside an appearance form the
  // annotation index must still name the annotation being drawn.
  st.pdfXObjectFormIndex += 1;
  stack_->setFloor(stack_->depth());

  auto stream = pdf::ContentStream::createWithStream(form.xObjectStream, form.xObjectDictionary, contentStream_);
  VQPDFConentParser child(form.xObjectDictionary, stream);
  child.pageIndex = pageIndex;
  child.contentAnnot = form.annot;
  child.contentStreamType = streamType;
  child.delegate_ = delegate_;
  child.stack_ = stack_;
  child.context_ = context_;
  ctx.activeForms.push_back(form.xObjectStream);
  ++ctx.depth;
  restore.entered = true;
  child.startParser();
  child.delegate_ = nullptr;
}

void VQPDFConentParser::drawAnnotationStream(const std::shared_ptr<VQPDFAnnot>& annot, const Object& stream,
                                             const std::string& streamKey, const Rect& bounds) {
  if (!stream.isStream()) return;
  auto subtype = stream.streamDictionary().get("Subtype").name();
  if (!subtype) return;
  if (*subtype == "Image") {
    auto image = std::make_shared<VQPDFImageXObject>(
        stream, fmt::format("Annot-EI-{:.0f}-{}", SecondsSince1970(), VQRandomString::Random4BigLetter()));
    image->annot = annot;
    reportImage(std::move(image), nullptr);
  } else if (*subtype == "Form") {
    const size_t savedDepth = ensureStack().depth();
    VQPDFRenderState& st = stack_->pushRenderingState();
    st.ctm = AffineTransformMakeTranslation(bounds.origin.x, bounds.origin.y);
    VQPDFFormXObject form(stream, fmt::format("Annot-Form-{}-{:.0f}-{}", streamKey, SecondsSince1970(),
                                              VQRandomString::Random4BigLetter()));
    form.ctm = st.ctm;
    Path clip;
    clip.addRect(bounds);
    st.clipState(clip, VQPDFClipTypeWinding);
    form.annot = annot;
    runFormXObject(form, VQPDFContentStreamTypeAnnotation);
    stack_->truncate(savedDepth);
  }
  // PostScript appearance streams are recognised and never drawn.
}

// ---- the operator table

struct VQPDFConentParser::Ops {
  static VQPDFRenderState& S(void* info) { return P(info).currentRenderingState(); }

  // text
  static void BT(Scanner&, void* info) {
    auto& st = S(info);
    st.textMatrix = AffineTransformIdentity;
    st.lineMatrix = AffineTransformIdentity;
    ++P(info).scanOperatorIndex_BegainText;
  }
  static void Tf(Scanner& s, void* info) {
    double size = 0;
    std::string name;
    if (!s.popNumber(&size) || !s.popName(&name)) return;
    auto& parser = P(info);
    std::shared_ptr<VQPDFFont> font = parser.fontCollection ? parser.fontCollection->fontForKey(name) : nullptr;
    // A font that is missing or cannot be read costs its looks, not its
    // text: the text is shown in the standard sans-serif face.
    if (!font) font = parser.fallbackFont();
    if (!font) return;
    auto& st = S(info);
    st.font = std::move(font);
    st.fontSize = size;
  }
  static void Number(Scanner& s, void* info, double VQPDFRenderState::*field, double factor = 1.0) {
    double v = 0;
    if (s.popNumber(&v)) S(info).*field = v * factor;
  }
  static void Tc(Scanner& s, void* info) { Number(s, info, &VQPDFRenderState::characterSpacing); }
  static void Tw(Scanner& s, void* info) { Number(s, info, &VQPDFRenderState::wordSpacing); }
  static void TL(Scanner& s, void* info) { Number(s, info, &VQPDFRenderState::leading); }
  static void Tz(Scanner& s, void* info) { Number(s, info, &VQPDFRenderState::horizontalScaling, 0.01); }
  static void Ts(Scanner& s, void* info) { Number(s, info, &VQPDFRenderState::textRise); }
  static void Tr(Scanner& s, void* info) {
    int64_t mode = 0;
    if (s.popInteger(&mode)) S(info).textRenderMode = static_cast<int>(std::clamp<int64_t>(mode, INT32_MIN, INT32_MAX));
  }
  static void Tm(Scanner& s, void* info) {
    double m[6];
    if (!PopNumbers(s, 6, m)) return;
    S(info).setTextMatrix(AffineTransformMake(m[0], m[1], m[2], m[3], m[4], m[5]), true);
  }
  static void Td(Scanner& s, void* info) {
    double t[2];
    if (PopNumbers(s, 2, t)) S(info).newLineWithLeading(t[1], t[0], false);
  }
  static void TD(Scanner& s, void* info) {
    double t[2];
    if (PopNumbers(s, 2, t)) S(info).newLineWithLeading(t[1], t[0], true);
  }
  static void TStar(Scanner&, void* info) { S(info).newLine(); }
  static void Tj(Scanner& s, void* info) {
    std::string bytes;
    if (!s.popString(&bytes)) return;
    ++P(info).scanOperatorIndex_ShowText;
    P(info).showString(bytes);
  }
  static void Quote(Scanner& s, void* info) {
    std::string bytes;
    if (!s.popString(&bytes)) return;
    S(info).newLine();
    ++P(info).scanOperatorIndex_ShowText;
    P(info).showString(bytes);
  }
  static void DoubleQuote(Scanner& s, void* info) {
    std::string bytes;
    double ac = 0, aw = 0;
    if (!s.popString(&bytes) || !s.popNumber(&ac) || !s.popNumber(&aw)) return;
    auto& st = S(info);
    st.wordSpacing = aw;
    st.characterSpacing = ac;
    st.newLine();
    ++P(info).scanOperatorIndex_ShowText;
    P(info).showString(bytes);
  }
  static void TJ(Scanner& s, void* info) {
    Object array;
    if (!s.popArray(&array)) return;
    auto& parser = P(info);
    ++parser.scanOperatorIndex_ShowText;
    for (const auto& element : array.elements()) {
      if (element.isString()) {
        parser.showString(element.bytes().value_or(std::string()));
      } else if (element.isNumber()) {
        auto& st = parser.currentRenderingState();
        if (!st.font) break;
        // The thousandths factor is the single-precision 0.001; an integer
        // adjustment is scaled in single precision. The adjustment moves the
        // text position as a glyph advance does, horizontal scaling
        // included: a condensed line keeps its kerning and its word gaps in
        // proportion to its glyphs.
        constexpr float kThousandth = 0.001f;
        double scaled = element.isInteger() ? static_cast<double>(static_cast<float>(*element.integer()) * kThousandth)
                                            : *element.number() * static_cast<double>(kThousandth);
        st.translateTextPosition({-scaled * std::fabs(st.fontSize) * st.horizontalScaling, 0});
      }
    }
  }

  // graphics state
  static void q(Scanner&, void* info) { P(info).saveRenderingState(); }
  static void Q(Scanner&, void* info) { P(info).restoreRenderingState(); }
  static void cm(Scanner& s, void* info) {
    double m[6];
    if (!PopNumbers(s, 6, m)) return;
    auto& st = S(info);
    st.ctm = AffineTransformConcat(AffineTransformMake(m[0], m[1], m[2], m[3], m[4], m[5]), st.ctm);
  }
  static void w(Scanner& s, void* info) { Number(s, info, &VQPDFRenderState::lineWidth); }
  static void M(Scanner& s, void* info) { Number(s, info, &VQPDFRenderState::lineMiterLimit); }
  static void i(Scanner& s, void* info) { Number(s, info, &VQPDFRenderState::lineFlatness); }
  static void J(Scanner& s, void* info) {
    int64_t v = 0;
    if (s.popInteger(&v)) S(info).lineCapStyle = static_cast<int>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
  }
  static void j(Scanner& s, void* info) {
    int64_t v = 0;
    if (s.popInteger(&v)) S(info).lineJoinStyle = static_cast<int>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
  }
  static void d(Scanner& s, void* info) {
    // Lengths and phase are numbers: TeX and most drivers write reals.
    double phase = 0;
    Object array;
    if (!s.popNumber(&phase) || !s.popArray(&array)) return;
    std::vector<double> dash;
    for (const auto& e : array.elements()) {
      if (auto v = e.number(); v && std::isfinite(*v)) dash.push_back(*v);
    }
    auto& st = S(info);
    st.lineDashPattern = std::move(dash);
    st.lineDashPhase = std::isfinite(phase) ? static_cast<int64_t>(std::clamp(std::round(phase), -1e15, 1e15)) : 0;
  }
  static void Nop(Scanner&, void*) {}

  // path construction
  static void m(Scanner& s, void* info) {
    double p[2];
    if (PopNumbers(s, 2, p)) S(info).cgPath.moveTo(p[0], p[1]);
  }
  static void l(Scanner& s, void* info) {
    double p[2];
    if (PopNumbers(s, 2, p)) S(info).cgPath.lineTo(p[0], p[1]);
  }
  static void c(Scanner& s, void* info) {
    double p[6];
    if (PopNumbers(s, 6, p)) S(info).cgPath.curveTo({p[0], p[1]}, {p[2], p[3]}, {p[4], p[5]});
  }
  static void v(Scanner& s, void* info) {
    double p[4];
    if (!PopNumbers(s, 4, p)) return;
    auto& path = S(info).cgPath;
    Point current = path.hasCurrentPoint() ? path.currentPoint() : Point{p[0], p[1]};
    path.curveTo(current, {p[0], p[1]}, {p[2], p[3]});
  }
  static void y(Scanner& s, void* info) {
    double p[4];
    if (PopNumbers(s, 4, p)) S(info).cgPath.curveTo({p[0], p[1]}, {p[2], p[3]}, {p[2], p[3]});
  }
  static void re(Scanner& s, void* info) {
    double r[4];
    if (PopNumbers(s, 4, r)) S(info).cgPath.addRect(RectMake(r[0], r[1], r[2], r[3]));
  }
  static void h(Scanner&, void* info) { S(info).cgPath.closeSubpath(); }

  // painting
  static void Paint(void* info, bool close, bool stroke, bool fill, bool evenOdd) {
    auto& st = S(info);
    if (close) st.cgPath.closeSubpath();
    st.usesEvenOddFillRule = evenOdd;
    P(info).paint(stroke, fill);
  }
  static void S_(Scanner&, void* info) { Paint(info, false, true, false, false); }
  static void s_(Scanner&, void* info) { Paint(info, true, true, false, false); }
  static void f(Scanner&, void* info) { Paint(info, false, false, true, false); }
  static void fStar(Scanner&, void* info) { Paint(info, false, false, true, true); }
  static void B(Scanner&, void* info) { Paint(info, false, true, true, false); }
  static void BStar(Scanner&, void* info) { Paint(info, false, true, true, true); }
  static void b(Scanner&, void* info) { Paint(info, true, true, true, false); }
  static void bStar(Scanner&, void* info) { Paint(info, true, true, true, true); }
  static void n(Scanner&, void* info) {
    auto& st = S(info);
    if (st.clip != VQPDFClipTypeNone) st.clipState(st.cgPath.transformed(st.ctm), st.clip);
    P(info).endPath();
  }
  static void W(Scanner&, void* info) { S(info).clip = VQPDFClipTypeWinding; }
  static void WStar(Scanner&, void* info) { S(info).clip = VQPDFClipTypeEvenOdd; }

  // colour
  static void SetSpace(Scanner& s, void* info, bool stroking) {
    Object operand;
    if (!s.popObject(&operand)) return;
    auto& parser = P(info);
    std::shared_ptr<VQPDFColorSpace> space;
    if (auto name = operand.name(); name && parser.colorSpaceCollection) {
      space = parser.colorSpaceCollection->colorSpaceNamed(*name);
    }
    if (!space) space = VQPDFColorSpace::ColorSpaceWithObject(operand, std::string("opt_CS"));
    if (!space) return;
    auto& st = parser.currentRenderingState();
    VQPDFColor color = space->getDefaultColor();
    if (stroking) {
      st.strokePattern = nullptr;
      st.strokeColorSpace = std::move(space);
      st.strokeColor = color;
    } else {
      st.fillPattern = nullptr;
      st.fillColorSpace = std::move(space);
      st.fillColor = color;
    }
  }
  static void CS(Scanner& s, void* info) { SetSpace(s, info, true); }
  static void cs(Scanner& s, void* info) { SetSpace(s, info, false); }

  template <typename Space>
  static void SetDevice(Scanner& s, void* info, int count, bool stroking, const char* key) {
    double v[4];
    if (!PopNumbers(s, count, v)) return;
    auto space = std::make_shared<Space>();
    space->objectKey = key;
    VQPDFColor color = VQPDFColorSpace::defaultPDFColor();
    for (int k = 0; k < count; ++k) color.c[k] = vqpdf_detail::ScaleComponent(v[k]);
    auto& st = S(info);
    if (stroking) {
      st.strokeColorSpace = std::move(space);
      st.strokeColor = color;
      st.strokePattern = nullptr;
    } else {
      st.fillColorSpace = std::move(space);
      st.fillColor = color;
      st.fillPattern = nullptr;
    }
  }
  static void G(Scanner& s, void* info) { SetDevice<VQPDFDeviceGrayColorSpace>(s, info, 1, true, "opt_G"); }
  static void g(Scanner& s, void* info) { SetDevice<VQPDFDeviceGrayColorSpace>(s, info, 1, false, "opt_g"); }
  static void RG(Scanner& s, void* info) { SetDevice<VQPDFDeviceRGBColorSpace>(s, info, 3, true, "opt_RG"); }
  static void rg(Scanner& s, void* info) { SetDevice<VQPDFDeviceRGBColorSpace>(s, info, 3, false, "opt_rg"); }
  static void K(Scanner& s, void* info) { SetDevice<VQPDFDeviceCMYKColorSpace>(s, info, 4, true, "opt_K"); }
  static void k(Scanner& s, void* info) { SetDevice<VQPDFDeviceCMYKColorSpace>(s, info, 4, false, "opt_k"); }

  static void SetColor(Scanner& s, void* info, bool stroking, bool allowPattern) {
    auto& parser = P(info);
    auto& st = parser.currentRenderingState();
    auto& space = stroking ? st.strokeColorSpace : st.fillColorSpace;
    if (!space) return;
    std::vector<Object> operands = PopAll(s);
    if (allowPattern && space->getMode() == VQPDFColorSpaceModePattern) {
      auto& pattern = stroking ? st.strokePattern : st.fillPattern;
      if (!operands.empty() && operands.back().isName()) {
        pattern = parser.patternCollection ? parser.patternCollection->objectNamed(*operands.back().name()) : nullptr;
        // An uncoloured tiling pattern paints in the colour given before its
        // name, in the pattern space's underlying space.
        auto pat = std::dynamic_pointer_cast<VQPDFPatternColorSpace>(space);
        if (operands.size() > 1 && pat && pat->under) {
          operands.pop_back();
          (stroking ? st.strokeColor : st.fillColor) = ColorFromOperands(operands, pat->under->getNComps(), true);
        }
        return;
      }
      (stroking ? st.strokeColor : st.fillColor) = ColorFromOperands(operands, space->getNComps(), false);
      return;
    }
    (stroking ? st.strokeColor : st.fillColor) = ColorFromOperands(operands, space->getNComps(), true);
    (stroking ? st.strokePattern : st.fillPattern) = nullptr;
  }
  static void SC(Scanner& s, void* info) { SetColor(s, info, true, false); }
  static void sc(Scanner& s, void* info) { SetColor(s, info, false, false); }
  static void SCN(Scanner& s, void* info) { SetColor(s, info, true, true); }
  static void scn(Scanner& s, void* info) { SetColor(s, info, false, true); }

  // shading, XObjects, graphics-state resources
  static void sh(Scanner& s, void* info) {
    std::string name;
    if (!s.popName(&name)) return;
    auto& parser = P(info);
    auto shading = parser.shadingCollection ? parser.shadingCollection->objectNamed(name) : nullptr;
    if (parser.delegate_) parser.delegate_->didScanPaintShading(&parser, shading);
  }
  static void Do(Scanner& s, void* info) {
    std::string name;
    if (!s.popName(&name)) return;
    auto& parser = P(info);
    if (parser.currentRenderingState().isStateTextClip()) return;
    if (!parser.xObjectCollection) return;
    parser.dispatchXObject(parser.xObjectCollection->xObjectWithNamed(name));
  }
  static void gs(Scanner& s, void* info) {
    std::string name;
    if (!s.popName(&name)) return;
    auto& parser = P(info);
    auto state = parser.extGStateCollection ? parser.extGStateCollection->objectNamed(name) : nullptr;
    if (!state) return;
    parser.currentRenderingState().setGraphicState(state.get());
    if (!state->smaskXObject) return;
    // The soft mask's group is drawn through the delegate with a flag, so
    // exporters can tell the mask's drawing from the page's.
    // The form run restores the stack to this state, so the flag goes back
    // on the same state it was set on; a gs inside a mask group keeps the
    // group's own drawing flagged.
    VQPDFRenderState& st = parser.currentRenderingState();
    const bool wasMask = st.isParseringExtGState;
    st.isParseringExtGState = true;
    parser.dispatchXObject(state->smaskXObject);
    parser.currentRenderingState().isParseringExtGState = wasMask;
  }
  static void EI(Scanner& s, void* info) {
    Object stream;
    if (!s.popStream(&stream)) {
      VQDiagnose(VQDiagnosticCategory::PDF, "Couldn't create stream from inline image!");
      return;
    }
    if (!stream.streamDictionary().isDictionary()) {
      VQDiagnose(VQDiagnosticCategory::PDF, "Couldn't get dict from inline image stream!");
      return;
    }
    auto& parser = P(info);
    if (parser.currentRenderingState().isStateTextClip()) return;
    auto image = std::make_shared<VQPDFImageXObject>(
        stream, fmt::format("EI-{:.0f}-{}", SecondsSince1970(), VQRandomString::Random4BigLetter()));
    if (parser.contentStreamType == VQPDFContentStreamTypeAnnotation) image->annot = parser.contentAnnot;
    parser.reportImage(std::move(image), parser.context_->images);
  }
};

const pdf::OperatorTable& VQPDFConentParser::operatorTable() {
  static const pdf::OperatorTable table = [] {
    pdf::OperatorTable t;
    using O = Ops;
    const std::pair<const char*, void (*)(Scanner&, void*)> entries[] = {
        {"BT", O::BT},    {"ET", O::Nop},   {"Tj", O::Tj},  {"'", O::Quote},  {"\"", O::DoubleQuote},
        {"TJ", O::TJ},    {"Tm", O::Tm},    {"Td", O::Td},  {"TD", O::TD},    {"T*", O::TStar},
        {"Tw", O::Tw},    {"Tc", O::Tc},    {"TL", O::TL},  {"Tz", O::Tz},    {"Ts", O::Ts},
        {"Tf", O::Tf},    {"Tr", O::Tr},    {"MP", O::Nop}, {"DP", O::Nop},   {"BMC", O::Nop},
        {"BDC", O::Nop},  {"EMC", O::Nop},  {"CS", O::CS},  {"cs", O::cs},    {"G", O::G},
        {"g", O::g},      {"K", O::K},      {"k", O::k},    {"RG", O::RG},    {"rg", O::rg},
        {"ri", O::Nop},   {"SC", O::SC},    {"sc", O::sc},  {"SCN", O::SCN},  {"scn", O::scn},
        {"gs", O::gs},    {"cm", O::cm},    {"q", O::q},    {"Q", O::Q},      {"i", O::i},
        {"d", O::d},      {"w", O::w},      {"j", O::j},    {"J", O::J},      {"M", O::M},
        {"BX", O::Nop},   {"EX", O::Nop},   {"b", O::b},    {"B", O::B},      {"b*", O::bStar},
        {"B*", O::BStar}, {"f", O::f},      {"F", O::f},    {"f*", O::fStar}, {"s", O::s_},
        {"S", O::S_},     {"n", O::n},      {"sh", O::sh},  {"re", O::re},    {"l", O::l},
        {"m", O::m},      {"h", O::h},      {"c", O::c},    {"v", O::v},      {"y", O::y},
        {"W", O::W},      {"W*", O::WStar}, {"Do", O::Do},  {"EI", O::EI},
    };
    for (const auto& [name, fn] : entries) t.setCallback(name, fn);
    return t;
  }();
  return table;
}

}  // namespace vq

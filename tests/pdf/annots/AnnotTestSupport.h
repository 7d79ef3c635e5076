#pragma once
// Pages with annotations built in memory with qpdf, run through the content
// parser with the annotation walk installed, and a delegate that records
// every report with the state it was made in.
#include <fmt/format.h>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "pdf/VQPDFConentParser.h"
#include "pdf/annots/VQPDFAnnotCollection.h"
#include "platform/pdf/PdfObjectImpl.h"

namespace vqtest {

inline std::string Num(double v) { return fmt::format("{:g}", std::abs(v) < 1e-9 ? 0.0 : v); }

inline std::string PathText(const vq::Path& path) {
  std::string out;
  static const char* kNames[] = {"M", "L", "Q", "C", "Z"};
  for (const auto& e : path) {
    if (!out.empty()) out += ' ';
    out += kNames[static_cast<int>(e.type)];
    for (int i = 0; i < e.pointCount(); ++i) out += " " + Num(e.points[i].x) + " " + Num(e.points[i].y);
  }
  return out;
}

inline std::string RectText(const vq::Rect& r) {
  return fmt::format("{} {} {} {}", Num(r.origin.x), Num(r.origin.y), Num(r.size.width), Num(r.size.height));
}

struct Report {
  std::string kind;  // "path", "textbox", "image"
  vq::Path path;
  bool stroke = false;
  bool fill = false;
  vq::VQPDFRGB strokeRGB;
  vq::VQPDFRGB fillRGB;
  double strokeAlpha = 1;
  double lineWidth = 0;
  std::vector<double> dash;
  vq::AffineTransform ctm;
  std::vector<vq::Rect> clips;  // bounding boxes of the recorded clips
  bool annotParsering = false;
  bool inForm = false;
  std::shared_ptr<vq::VQPDFAnnot> annot;  // VQPDFAnnotCollection::AnnotBeingDrawn
  // Text boxes.
  vq::Rect box;
  std::string text, fontName;
  vq::VQPDFColor fontColor;
  double fontSize = 0;
  int64_t alignment = 0;
};

class AnnotRecorder : public vq::VQPDFConentParserDelegate {
 public:
  std::vector<Report> reports;

  Report base(vq::VQPDFConentParser* p, const char* kind) {
    Report r;
    r.kind = kind;
    auto& st = p->currentRenderingState();
    r.strokeRGB = st.currentStrokeRGBColor();
    r.fillRGB = st.currentFillRGBColor();
    r.strokeAlpha = st.strokeAlpha;
    r.lineWidth = st.lineWidth;
    r.dash = st.lineDashPattern;
    r.ctm = st.ctm;
    for (const auto& c : st.clipBezierPaths) r.clips.push_back(c->path.boundingBox());
    r.annotParsering = st.isAnnotionParsering;
    r.inForm = st.isXObjectFormParsering;
    r.annot = vq::VQPDFAnnotCollection::AnnotBeingDrawn(*p);
    return r;
  }
  void didScanPathStrokeFill(vq::VQPDFConentParser* p, const vq::Path& path, bool stroke, bool fill) override {
    Report r = base(p, "path");
    r.path = path;
    r.stroke = stroke;
    r.fill = fill;
    reports.push_back(r);
  }
  void didScanTextBoxTextFontNameFontColorFontSizeAlignmentBorderStrokeBorderFill(
      vq::VQPDFConentParser* p, const vq::Rect& box, const std::string& text, const std::string& fontName,
      const vq::VQPDFColor& fontColor, double fontSize, int64_t alignment, bool borderStroke,
      bool borderFill) override {
    Report r = base(p, "textbox");
    r.box = box;
    r.text = text;
    r.fontName = fontName;
    r.fontColor = fontColor;
    r.fontSize = fontSize;
    r.alignment = alignment;
    r.stroke = borderStroke;
    r.fill = borderFill;
    reports.push_back(r);
  }
  void didScanXObjectImage(vq::VQPDFConentParser* p, const std::shared_ptr<vq::VQPDFImageXObject>&) override {
    reports.push_back(base(p, "image"));
  }
};

// A page of annotations. Annotation dictionaries are given in PDF syntax;
// appearance streams are attached with the helpers.
class AnnotPage {
 public:
  AnnotPage() : qpdf_(std::make_shared<QPDF>()) {
    qpdf_->emptyPDF();
    vq::VQPDFAnnotCollection::InstallAnnotationWalker();
  }

  QPDFObjectHandle parse(const std::string& syntax) { return QPDFObjectHandle::parse(syntax); }
  QPDFObjectHandle stream(const std::string& dictSyntax, const std::string& data) {
    QPDFObjectHandle s = QPDFObjectHandle::newStream(qpdf_.get(), data);
    QPDFObjectHandle dict = parse(dictSyntax);
    for (const auto& key : dict.getKeys()) s.getDict().replaceKey(key, dict.getKey(key));
    return qpdf_->makeIndirectObject(s);
  }
  // Adds an annotation (indirect, like real files) and returns it.
  QPDFObjectHandle add(const std::string& syntax) {
    QPDFObjectHandle h = qpdf_->makeIndirectObject(parse(syntax));
    annots_.push_back(h);
    return h;
  }
  // /AP << /N stream >>, or /AP << /N << state stream ... >> >>.
  static void setAppearance(QPDFObjectHandle annot, QPDFObjectHandle normal) {
    QPDFObjectHandle ap = QPDFObjectHandle::newDictionary();
    ap.replaceKey("/N", normal);
    annot.replaceKey("/AP", ap);
  }
  static QPDFObjectHandle states(const std::map<std::string, QPDFObjectHandle>& entries) {
    QPDFObjectHandle d = QPDFObjectHandle::newDictionary();
    for (const auto& [k, v] : entries) d.replaceKey("/" + k, v);
    return d;
  }

  vq::pdf::Object wrap(QPDFObjectHandle h) { return vq::pdf::Object::Impl::wrap(h, qpdf_); }
  vq::pdf::Object pageDictionary() {
    QPDFObjectHandle page = parse("<< /Type /Page /MediaBox [0 0 612 792] >>");
    QPDFObjectHandle array = QPDFObjectHandle::newArray();
    for (auto& a : annots_) array.appendItem(a);
    page.replaceKey("/Annots", array);
    return wrap(qpdf_->makeIndirectObject(page));
  }

  // Runs `content` and then the annotations; `depthAfter` receives the
  // stack depth after the run.
  std::vector<Report> run(const std::string& content = "", bool annotsOn = true, size_t* depthAfter = nullptr,
                          size_t* depthBeforeWalk = nullptr) {
    AnnotRecorder recorder;
    auto cs = std::make_shared<vq::pdf::ContentStream>(std::vector<std::string>{content}, vq::pdf::Object());
    vq::VQPDFConentParser parser(pageDictionary(), cs);
    parser.setDelegate(&recorder);
    parser.setIsParserAnnots(annotsOn ? 1 : 0);
    if (depthBeforeWalk) {
      // Scan without the walk, then walk by hand, to see the walk alone.
      parser.setIsParserAnnots(0);
      parser.startParser();
      *depthBeforeWalk = parser.renderingStateStack()->depth();
      vq::VQPDFAnnotCollection::DrawAnnotations(parser, parser.contentDict().get("Annots"));
    } else {
      parser.startParser();
    }
    if (depthAfter) *depthAfter = parser.renderingStateStack()->depth();
    return recorder.reports;
  }

  std::shared_ptr<QPDF> qpdf() const { return qpdf_; }

 private:
  std::shared_ptr<QPDF> qpdf_;
  std::vector<QPDFObjectHandle> annots_;
};

}  // namespace vqtest

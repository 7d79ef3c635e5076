#include "flowtext/VQHTMLPapyrant.h"

#include <fmt/format.h>

#include <algorithm>
#include <filesystem>

namespace vq::flowtext {
namespace {

std::string destinationTitle(const std::string& dest) { return std::filesystem::path(dest).stem().string(); }

}  // namespace

VQHTMLPapyrant::~VQHTMLPapyrant() = default;

bool VQHTMLPapyrant::openWriters() { return openWriterPair("content.html", fileWriter_, contentWriter_); }

void VQHTMLPapyrant::closeAndRemoveWriters() {
  fileWriter_.reset();
  contentWriter_.reset();
  removePartFile();
}

void VQHTMLPapyrant::writeParagraphOpen(VQFlowTextParagraph& p, const VQFlowTextMargin& margin) {
  p.resolvePProperty();
  VQHTML_CSS_Paragraph css = VQHTMLUtilities::defaultCssParagraphProperty();
  css.margin.left = static_cast<float>(std::max(0.0, p.pProperty.indLeft - margin.left));
  css.font.fontSize = static_cast<float>(p.rProperty.sz * 1.2);
  css.font.fontName = p.rProperty.fontName;
  css.color = {p.rProperty.color.red, p.rProperty.color.green, p.rProperty.color.blue, p.rProperty.color.alpha};
  state_.writeCSSParagraphBegain(css, *contentWriter_);
}

void VQHTMLPapyrant::writeRun(const VQFlowTextRunText& run) {
  const auto& r = run.rProperty;
  VQHTML_CSS_Span css = VQHTMLUtilities::defaultCssSpanProperty();
  css.textDecoration = r.u != 0 ? 1 : 0;
  css.fontWeight = r.b ? 1 : 0;
  css.fontStyle = r.i ? 1 : 0;
  css.font.fontSize = static_cast<float>(r.sz * 1.2);
  css.font.fontName = r.fontName;
  css.color = {r.color.red, r.color.green, r.color.blue, r.color.alpha};
  state_.writeCSSCSSSpanBegain(css, *contentWriter_);
  contentWriter_->writeContent(run.runText);
}

void VQHTMLPapyrant::closePage() { state_.endWriteParagraphTagsIfNeed(*contentWriter_); }

bool VQHTMLPapyrant::assemble() {
  if (!fileWriter_ || !contentWriter_) return false;
  auto& w = *fileWriter_;
  const std::string comment =
      fmt::format("Powered by {} {} {}", kFlowTextProductName, kFlowTextProductVersion, kFlowTextMakerName);
  w.write(
      "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.0 Transitional//EN\" "
      "\"http://www.w3.org/TR/html4/strict.dtd\">\n");
  w.write("<!--" + comment + "-->\n");
  w.write("<html>\n");
  w.write("<head>\n");
  w.write("  <title>" + VQHTMLEscape(destinationTitle(savedFilePath_), VQHTMLEscaping::headText) + "</title>\n");
  w.write("  <meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">\n");
  w.write("  <meta http-equiv=\"Content-Style-Type\" content=\"text/css\">\n");
  w.write("  <meta name=\"Generator\" content=\"" + VQHTMLEscape(kFlowTextProductName, VQHTMLEscaping::headText) +
          "\">\n");
  w.write("  <meta name=\"Version\" content=\"" + VQHTMLEscape(kFlowTextProductVersion, VQHTMLEscaping::headText) +
          "\">\n");
  w.write(" <style type=\"text/css\">\n");
  state_.writeRegistedCSSParagraph(w);
  state_.writeRegistedCSSSpan(w);
  w.write(" </style>\n");
  w.write("</head>\n");
  w.write("<body>");
  const std::string bodyPath = contentWriter_->textPath();
  bool ok = contentWriter_->closeFile();
  ok = AppendFile(bodyPath, w) && ok;
  w.write("\n</body>\n");
  w.write("</html>");
  ok = w.closeFile() && ok;
  return ok;
}

}  // namespace vq::flowtext

#include "flowtext/VQRTFPapyrant.h"

#include <fmt/format.h>

namespace vq::flowtext {

VQRTFPapyrant::~VQRTFPapyrant() = default;

bool VQRTFPapyrant::openWriters() { return openWriterPair("content.rtf", fileWriter_, contentWriter_); }

void VQRTFPapyrant::closeAndRemoveWriters() {
  fileWriter_.reset();
  contentWriter_.reset();
  removePartFile();
}

void VQRTFPapyrant::writeParagraphOpen(VQFlowTextParagraph& p, const VQFlowTextMargin& margin) {
  p.resolvePProperty();
  double li = (p.pProperty.indLeft - margin.left) * 20;
  if (!(li > 0)) li = 0;
  contentWriter_->write("\\par");
  contentWriter_->write("\\pard");
  contentWriter_->write(fmt::format("\\li{:.0f}", li));
  contentWriter_->write(" ");
}

void VQRTFPapyrant::writeRun(const VQFlowTextRunText& run) {
  const auto& r = run.rProperty;
  VQRTFFontEntry font;
  font.fontName = r.fontName;
  font.fontSize = r.sz * 2;
  font.bold = r.b;
  font.italic = r.i;
  font.underline = r.u;
  state_.writeFontAttributesIfNeed(font, *contentWriter_);
  VQRTFColorEntry color{r.color.red / 255.0, r.color.green / 255.0, r.color.blue / 255.0, 1};
  state_.writeForegroundColorAttributesIfNeed(color, *contentWriter_);
  contentWriter_->writeContent(run.runText);
}

bool VQRTFPapyrant::assemble() {
  if (!fileWriter_ || !contentWriter_) return false;
  auto& w = *fileWriter_;
  w.write("{\\rtf1\\ansi\\mac\n");
  w.write("{\\fonttbl");
  state_.writeRegistedFonts(w);
  w.write("}\n");
  w.write("{\\colortbl");
  state_.writeRegistedColors(w);
  w.write("}\n");
  w.write("{\\info\n");
  w.write(fmt::format("{{\\{} {}}}\n", "doccomm",
                      VQRTFEscape(fmt::format("Powered by {} v{} {}", kFlowTextProductName, kFlowTextProductVersion,
                                              kFlowTextMakerName))));
  w.write("}\n");
  const std::string bodyPath = contentWriter_->textPath();
  bool ok = contentWriter_->closeFile();
  ok = AppendFile(bodyPath, w) && ok;
  w.write("\n}");
  ok = w.closeFile() && ok;
  return ok;
}

}  // namespace vq::flowtext

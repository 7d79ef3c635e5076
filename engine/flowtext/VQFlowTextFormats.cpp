#include "flowtext/VQFlowTextFormats.h"

#include <fmt/format.h>

#include <algorithm>
#include <fstream>

namespace vq::flowtext {
namespace {

// Appends the body file's bytes to the destination without holding them all.
bool appendFile(const std::filesystem::path& from, VQFlowTextFileWriter& to) {
  std::ifstream in(from, std::ios::binary);
  if (!in) return false;
  std::string buffer(1 << 16, '\0');
  while (in) {
    in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
    const auto n = in.gcount();
    if (n > 0) to.writeData(std::string_view(buffer.data(), static_cast<size_t>(n)));
  }
  return in.eof();
}

// Removes a partial output; only ever a regular file, never a device or folder
// the destination path may name.
void removeFile(const std::string& path) {
  std::error_code ec;
  if (!path.empty() && std::filesystem::is_regular_file(std::filesystem::symlink_status(path, ec)))
    std::filesystem::remove(path, ec);
}

template <class W>
bool openPair(const std::string& dest, const std::filesystem::path& work, const char* bodyName,
              std::unique_ptr<W>& fileWriter, std::unique_ptr<W>& contentWriter) {
  fileWriter.reset();
  contentWriter.reset();
  if (work.empty()) return false;
  contentWriter = VQFlowTextFileWriter::Open<W>((work / bodyName).string());
  fileWriter = VQFlowTextFileWriter::Open<W>(dest);
  return fileWriter && contentWriter;
}

std::string destinationTitle(const std::string& dest) { return std::filesystem::path(dest).stem().string(); }

}  // namespace

std::unique_ptr<VQFlowTextDocument> VQFlowTextMakeDocument(const std::string& type, const std::string& path,
                                                           int64_t totalPages) {
  std::string t = type;
  std::transform(t.begin(), t.end(), t.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (t == "html") return std::make_unique<VQHTMLPapyrant>(path, totalPages);
  if (t == "rtf") return std::make_unique<VQRTFPapyrant>(path, totalPages);
  if (t == "txt") return std::make_unique<VQTextWriter>(path, totalPages);
  return nullptr;
}

// ---- HTML

VQHTMLPapyrant::~VQHTMLPapyrant() = default;

bool VQHTMLPapyrant::openWriters() {
  removeWorkFolder();
  return openPair(savedFilePath_, makeWorkFolder(), "content.html", fileWriter_, contentWriter_);
}

void VQHTMLPapyrant::closeAndRemoveWriters() {
  fileWriter_.reset();
  contentWriter_.reset();
  removeFile(savedFilePath_);
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
  const std::string comment = fmt::format("Powered by {} {} {}", kFlowTextProductName, kFlowTextProductVersion,
                                          kFlowTextMakerName);
  w.write("<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.0 Transitional//EN\" "
          "\"http://www.w3.org/TR/html4/strict.dtd\">\n");
  w.write("<!--" + comment + "-->\n");
  w.write("<html>\n");
  w.write("<head>\n");
  w.write("  <title>" + VQHTMLUtilities::escapeMarkup(destinationTitle(savedFilePath_)) + "</title>\n");
  w.write("  <meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">\n");
  w.write("  <meta http-equiv=\"Content-Style-Type\" content=\"text/css\">\n");
  w.write("  <meta name=\"Generator\" content=\"" + VQHTMLUtilities::escapeMarkup(kFlowTextProductName) + "\">\n");
  w.write("  <meta name=\"Version\" content=\"" + VQHTMLUtilities::escapeMarkup(kFlowTextProductVersion) + "\">\n");
  w.write(" <style type=\"text/css\">\n");
  state_.writeRegistedCSSParagraph(w);
  state_.writeRegistedCSSSpan(w);
  w.write(" </style>\n");
  w.write("</head>\n");
  w.write("<body>");
  const std::string bodyPath = contentWriter_->textPath();
  bool ok = contentWriter_->closeFile();
  ok = appendFile(bodyPath, w) && ok;
  w.write("\n</body>\n");
  w.write("</html>");
  ok = w.closeFile() && ok;
  return ok;
}

// ---- RTF

VQRTFPapyrant::~VQRTFPapyrant() = default;

bool VQRTFPapyrant::openWriters() {
  removeWorkFolder();
  return openPair(savedFilePath_, makeWorkFolder(), "content.rtf", fileWriter_, contentWriter_);
}

void VQRTFPapyrant::closeAndRemoveWriters() {
  fileWriter_.reset();
  contentWriter_.reset();
  removeFile(savedFilePath_);
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
  ok = appendFile(bodyPath, w) && ok;
  w.write("\n}");
  ok = w.closeFile() && ok;
  return ok;
}

// ---- Plain text

VQTextWriter::~VQTextWriter() = default;

bool VQTextWriter::openWriters() {
  fileWriter_ = VQFlowTextFileWriter::Open<VQTextFileWriter>(savedFilePath_);
  return fileWriter_ != nullptr;
}

void VQTextWriter::closeAndRemoveWriters() {
  fileWriter_.reset();
  removeFile(savedFilePath_);
}

void VQTextWriter::writeRun(const VQFlowTextRunText& run) { fileWriter_->write(run.runText); }

bool VQTextWriter::assemble() { return fileWriter_ && fileWriter_->closeFile(); }

}  // namespace vq::flowtext

#include "flowtext/VQRTFPapyrant.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>

#include "flowtext/VQFlowTextPageBuilder.h"

namespace vq::flowtext {
namespace {

// Right and bottom margins, in points, at most.
constexpr double kNarrowMargin = 18;
// The reader sets text in its own fonts, and where the PDF's are missing
// it takes one that may be this much wider.
constexpr double kWiderFonts = 1.2;
// The share of a page's text area its lines may fill when they are narrowed.
constexpr double kFilled = 0.99;
// Columns narrower than this many twips are not set.
constexpr long kNarrowestColumn = 120;

double Within(double v, double lo, double hi) { return std::isfinite(v) ? std::clamp(v, lo, std::max(lo, hi)) : lo; }

long Twips(double points) {
  if (!std::isfinite(points)) return 0;
  return std::lround(std::clamp(points, -1584.0, 1584.0) * 20);
}

// The largest type on the paragraph's line; an empty line has its
// paragraph's.
double TypeSize(const VQFlowTextParagraph& p) {
  if (p.runArray.empty()) return p.rProperty.sz;
  double size = 0;
  for (const auto& r : p.runArray) size = std::max(size, r.rProperty.sz);
  return size;
}

// The distance a line is set from the one before, in twips as written:
// the PDF's distance `line`, narrowed by `scale`, but no closer than the
// type size (or the PDF's own distance, where that is less).
long LineSpacing(double line, double size, double scale) {
  if (!std::isfinite(size) || size <= 0) size = 12;
  if (!std::isfinite(line) || line <= 0) line = size;
  return std::max(20L, Twips(std::min(std::max(line * scale, std::min(line, size)), 1584.0)));
}

bool SameSize(const Size& a, const Size& b) {
  return std::fabs(a.width - b.width) < 0.5 && std::fabs(a.height - b.height) < 0.5;
}

}  // namespace

VQRTFPapyrant::~VQRTFPapyrant() = default;

bool VQRTFPapyrant::openWriters() { return openWriterPair("content.rtf", fileWriter_, contentWriter_); }

void VQRTFPapyrant::closeAndRemoveWriters() {
  fileWriter_.reset();
  contentWriter_.reset();
  removePartFile();
}

void VQRTFPapyrant::resetStyles() {
  state_.resetToDefault();
  document_ = Geometry();
  haveGeometry_ = false;
  firstPageSize_ = pageSize_ = sectionSize_ = Size{};
  pagesSeen_ = lastPageWritten_ = 0;
  wroteText_ = pageOpening_ = sectionContinuous_ = false;
  lineScale_ = 1;
  columns_ = Columns();
  columnIndex_ = 0;
}

void VQRTFPapyrant::writePageBegin(const std::vector<VQFlowTextParagraph>& paragraphs, const VQFlowTextMargin& margin) {
  ++pagesSeen_;
  pageSize_ = currentPage().pageSize;
  if (!(pageSize_.width >= 1 && pageSize_.height >= 1 && pageSize_.width < 1e5 && pageSize_.height < 1e5))
    pageSize_ = Size{612, 792};
  if (pagesSeen_ == 1) firstPageSize_ = pageSize_;
  double top = 1e9, bottom = -1e9, right = -1e9;
  for (const auto& p : paragraphs)
    for (const auto& r : p.runArray)
      top = std::min(top, r.top()), bottom = std::max(bottom, r.bottom()), right = std::max(right, r.right());
  if (paragraphs.empty() || !(top <= bottom)) return;
  pageOpening_ = true;
  const double width = pageSize_.width, height = pageSize_.height;
  if (!haveGeometry_) {
    // The first page with text sets the paper. The text keeps its distance
    // from the left edge (indents are measured from the left margin) and
    // from the top, up to an inch; right and bottom get narrow margins, so
    // lines in the writer's fonts, which may set wider than the PDF's,
    // still fit.
    document_ = Geometry{width,
                         height,
                         Within(margin.left, 0, std::min(72.0, width / 4)),
                         Within(width - right, 0, std::min(kNarrowMargin, width / 4)),
                         Within(top, 0, std::min(72.0, height / 4)),
                         Within(height - bottom, 0, std::min(kNarrowMargin, height / 4))};
    sectionSize_ = pageSize_;
    haveGeometry_ = true;
  }
  // The lines are set the PDF's distances apart. A page whose text would
  // reach further than the paper's text area has its line spacing narrowed
  // to fit, so it stays one page; the type keeps its size.
  // A little short of the text area, as the reader's own rounding of
  // positions may add up over a page.
  const double available = kFilled * (height - document_.top - document_.bottom);
  lineScale_ = 1;
  if (!(available > 0) || pageHeight(paragraphs, 1) <= available) return;
  // Lines narrow no closer than their type size, so the spacing that fits
  // is sought, not taken in proportion: the lines that may narrow give
  // room for those that may not.
  double fits = 0, over = 1;
  for (int step = 0; step < 20; ++step) {
    const double scale = (fits + over) / 2;
    (pageHeight(paragraphs, scale) <= available ? fits : over) = scale;
  }
  lineScale_ = std::max(fits, 0.01);
}

double VQRTFPapyrant::pageHeight(const std::vector<VQFlowTextParagraph>& paragraphs, double scale) const {
  // Followed as the page will be written: sections one below the other,
  // the columns of a section side by side, runs of empty paragraphs cut
  // short, a paragraph on the line before widening that line, and a line
  // that is too wide for its column in the writer's fonts taking two or
  // more.
  double above = 0;
  Columns columns = columnsFor({});
  std::vector<double> heights(1, 0);
  size_t column = 0;
  int empties = 0;
  const VQFlowTextRunText* prev = nullptr;
  // The output line being followed: where its text starts, the room it
  // has, its spacing and the height counted for it so far.
  double start = 0, room = 0, spacing = 0, counted = 0;
  for (const auto& p : paragraphs) {
    if (!p.columnLefts.empty()) {
      above += *std::max_element(heights.begin(), heights.end());
      columns = columnsFor(p.columnLefts);
      heights.assign(columns.widths.size(), 0);
      column = 0;
      prev = nullptr;
    } else if (p.breakColumn && column + 1 < heights.size()) {
      ++column;
      prev = nullptr;
    }
    const VQFlowTextRunText* last = p.lastRunText();
    if (!last) {
      if (++empties <= 2) heights[column] += LineSpacing(p.pProperty.line, TypeSize(p), scale) / 20.0;
      continue;
    }
    empties = 0;
    if (!prev || std::fabs(prev->bottom() - last->bottom()) > 2) {
      start = p.firstRunText()->left();
      room = columns.widths[column] / 20.0 - indentOf(p, columns, column);
      spacing = LineSpacing(p.pProperty.line, TypeSize(p), scale) / 20.0;
      counted = 0;
    }
    prev = last;
    const double width = kWiderFonts * (last->right() - start);
    const double height = spacing * (room > 1 && width > room ? std::ceil(width / room) : 1);
    if (height > counted) heights[column] += height - counted, counted = height;
  }
  return above + *std::max_element(heights.begin(), heights.end());
}

bool VQRTFPapyrant::pageSizeDiffers() const { return !SameSize(pageSize_, sectionSize_); }

VQRTFPapyrant::Columns VQRTFPapyrant::columnsFor(const std::vector<double>& columnLefts) const {
  Columns c;
  c.textWidth = std::max(20L, Twips(pageSize_.width - document_.left - document_.right));
  c.starts.assign(1, document_.left);
  c.widths.assign(1, c.textWidth);
  const long n = static_cast<long>(columnLefts.size());
  if (n < 2 || c.textWidth < n * kNarrowestColumn) return c;
  // Each column reaches to the next one's left edge (the gap between them
  // is its own), the last to the right margin: every column is as wide as
  // the PDF gives its text room.
  std::vector<long> offsets(columnLefts.size());
  for (long i = 1; i < n; ++i)
    offsets[i] = std::clamp(Twips(columnLefts[i] - document_.left), offsets[i - 1] + kNarrowestColumn,
                            c.textWidth - (n - i) * kNarrowestColumn);
  c.starts.clear();
  c.widths.clear();
  for (long i = 0; i < n; ++i) {
    c.starts.push_back(document_.left + offsets[i] / 20.0);
    c.widths.push_back((i + 1 < n ? offsets[i + 1] : c.textWidth) - offsets[i]);
  }
  return c;
}

double VQRTFPapyrant::indentOf(const VQFlowTextParagraph& p, const Columns& c, size_t column) const {
  const VQFlowTextRunText* first = p.firstRunText();
  if (!first) return 0;
  // From the column's left edge, but never so far that the line, as wide as
  // in the PDF, would have to wrap.
  column = std::min(column, c.widths.size() - 1);
  const double width = p.lastRunText()->right() - first->left();
  const double start = column > 0 ? c.starts[column] : document_.left;
  return std::max(0.0, std::min(first->left() - start, c.widths[column] / 20.0 - width));
}

std::string VQRTFPapyrant::sectionStart(bool continuous, const std::vector<double>& columnLefts) {
  std::string out = "\\sectd";
  if (continuous) out += "\\sbknone";
  sectionSize_ = pageSize_;
  if (!SameSize(pageSize_, Size{document_.width, document_.height})) {
    out += fmt::format("\\pgwsxn{}\\pghsxn{}", Twips(pageSize_.width), Twips(pageSize_.height));
    if (pageSize_.width > pageSize_.height) out += "\\lndscpsxn";
  }
  columns_ = columnsFor(columnLefts);
  columnIndex_ = 0;
  const size_t n = columns_.widths.size();
  if (n < 2) return out;
  out += fmt::format("\\cols{}\\colsx0", n);
  for (size_t i = 0; i < n; ++i) out += fmt::format("\\colno{}\\colw{}\\colsr0", i + 1, columns_.widths[i]);
  return out;
}

std::string VQRTFPapyrant::pageBreaks(int64_t count, const std::vector<double>& columnLefts) {
  if (count <= 0) return {};
  // A page break in a section that began without one is taken by
  // LibreOffice for a break before the page it ends; a section of its own
  // breaks the page where every reader expects, and brings its own paper
  // and columns.
  const bool section = sectionContinuous_ || columns_.widths.size() > 1 || pageSizeDiffers() || columnLefts.size() > 1;
  std::string out;
  for (int64_t b = 0; b < count; ++b) {
    if (!section) {
      out += "\\page";
      continue;
    }
    out += "\\sect" + sectionStart(false, b + 1 == count ? columnLefts : std::vector<double>());
  }
  if (section) sectionContinuous_ = false;
  return out;
}

void VQRTFPapyrant::writeParagraphOpen(VQFlowTextParagraph& p, const VQFlowTextMargin& /*margin*/) {
  // The distance from the line before, as the page layout measured it; the
  // resolved paragraph holds the type size there instead.
  double line = p.pProperty.line;
  p.resolvePProperty();
  if (!(line > 0 && std::isfinite(line))) line = p.pProperty.line > 0 ? p.pProperty.line : 12;
  std::string out;
  bool ended = false;  // a break ended the paragraph before
  bool laidOut = false;
  if (pageOpening_) {
    pageOpening_ = false;
    const int64_t breaks = pagesSeen_ - (wroteText_ ? lastPageWritten_ : 1);
    lastPageWritten_ = pagesSeen_;
    if (breaks > 0) {
      out += pageBreaks(breaks, p.columnLefts);
      ended = laidOut = true;
    }
  }
  if (!laidOut && !p.columnLefts.empty() && (p.columnLefts.size() > 1 || columns_.widths.size() > 1)) {
    if (!wroteText_ && !ended) {
      out += sectionStart(false, p.columnLefts);  // the document's first section
    } else {
      out += "\\sect" + sectionStart(true, p.columnLefts);
      sectionContinuous_ = true;
    }
    ended = true;
  } else if (!ended && p.breakColumn && columnIndex_ + 1 < columns_.widths.size()) {
    out += "\\column";
    ++columnIndex_;
    ended = true;
  }
  if (!ended && wroteText_) out += "\\par";
  out += fmt::format("\\pard\\sl-{}\\slmult0", LineSpacing(line, TypeSize(p), lineScale_));
  if (columns_.widths.empty()) columns_ = columnsFor({});
  const double li = indentOf(p, columns_, columnIndex_);
  out += fmt::format("\\li{} ", Twips(li));
  contentWriter_->write(out);
  wroteText_ = true;
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
  w.write("{\\rtf1\\ansi\\mac\\uc1\n");
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
  if (!haveGeometry_) {
    // No page had text: the paper is the first page's.
    document_ = Geometry();
    if (pagesSeen_ > 0) document_.width = firstPageSize_.width, document_.height = firstPageSize_.height;
    sectionSize_ = Size{document_.width, document_.height};
  }
  // Pages without text after the last one with text keep their places.
  contentWriter_->write(pageBreaks(pagesSeen_ - (wroteText_ ? lastPageWritten_ : 1), {}));
  w.write(fmt::format("\\paperw{}\\paperh{}\\margl{}\\margr{}\\margt{}\\margb{}{}\n", Twips(document_.width),
                      Twips(document_.height), Twips(document_.left), Twips(document_.right), Twips(document_.top),
                      Twips(document_.bottom), document_.width > document_.height ? "\\landscape" : ""));
  const std::string bodyPath = contentWriter_->textPath();
  bool ok = contentWriter_->closeFile();
  ok = AppendFile(bodyPath, w) && ok;
  w.write("\n}");
  ok = w.closeFile() && ok;
  return ok;
}

}  // namespace vq::flowtext

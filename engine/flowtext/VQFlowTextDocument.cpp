#include "flowtext/VQFlowTextDocument.h"

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <utility>

#include "platform/diagnostics/VQDiagnostics.h"

#include "common/VQPDFPathUtilities.h"
#include "common/VQRandomString.h"
#include "platform/text/Utf8.h"

namespace vq::flowtext {

namespace {
// Lines of turned text are set this many of their sizes apart; on a page
// without upright text they start at a usual margin.
constexpr double kTurnedLineSpacing = 1.5;
constexpr double kTurnedTextLeft = 72;
}  // namespace

VQFlowTextDocument::VQFlowTextDocument(std::string destinationPath, int64_t totalPages)
    : savedFilePath_(std::move(destinationPath)), totalNumOfPages_(totalPages) {}

VQFlowTextDocument::~VQFlowTextDocument() { removeWorkFolder(); }

int VQFlowTextBlankCount(double gap, double spaceWidth) {
  if (!(gap > 0)) return 0;
  if (!std::isfinite(spaceWidth) || spaceWidth < 0.5) return 1;
  const double n = std::ceil(static_cast<float>(gap / spaceWidth));
  if (!std::isfinite(n) || n < 1) return 1;
  return static_cast<int>(std::min<double>(n, kMaxBlanksPerGap));
}

std::filesystem::path VQFlowTextDocument::makeWorkFolder() {
  const std::string folder = VQPDFPathUtilities::tempFolder();
  if (!VQPDFPathUtilities::createFolderIfNeed(folder)) return {};
  savedWorkFolder_ = folder;
  return savedWorkFolder_;
}

void VQFlowTextDocument::removeWorkFolder() {
  if (savedWorkFolder_.empty()) return;
  std::error_code ec;
  std::filesystem::remove_all(savedWorkFolder_, ec);
  savedWorkFolder_.clear();
}

bool VQFlowTextDocument::AppendFile(const std::filesystem::path& from, VQFlowTextFileWriter& to) {
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

void VQFlowTextDocument::removePartFile() const {
  std::error_code ec;
  if (!partFilePath_.empty() && std::filesystem::is_regular_file(std::filesystem::symlink_status(partFilePath_, ec)))
    std::filesystem::remove(partFilePath_, ec);
}

bool VQFlowTextDocument::writeDocumentBegin() {
  pageRunCount_ = 0;
  currentDocxPageIndex_ = 0;
  failed_ = false;
  failureReason_.clear();
  wroteAnyParagraph_ = false;
  resetStyles();
  // A device or FIFO at the destination is written to as it is: there is
  // nothing to keep, and renaming over it would replace it.
  struct stat info {};
  const bool special = ::lstat(savedFilePath_.c_str(), &info) == 0 && !S_ISREG(info.st_mode) &&
                       !S_ISLNK(info.st_mode) && !S_ISDIR(info.st_mode);
  partFilePath_ = special ? savedFilePath_ : VQPDFPathUtilities::temporarySiblingName(savedFilePath_);
  if (!openWriters()) {
    failed_ = true;
    return false;
  }
  return true;
}

void VQFlowTextDocument::writeDocumentBegin(double pageWidth, double pageHeight) {
  pageRunCount_ = 0;
  ++currentDocxPageIndex_;
  // The run list keeps its room from page to page: pages of a document
  // carry about as many runs, and growing it anew each page costs a copy of
  // every run at each step.
  std::vector<VQFlowTextRunText> runs = std::move(page_.allRunTextArray);
  runs.clear();
  page_ = VQFlowTextPage();
  page_.allRunTextArray = std::move(runs);
  page_.pageSize = Size{pageWidth, pageHeight};
  page_.isLastPage = currentDocxPageIndex_ >= totalNumOfPages_;
}

void VQFlowTextDocument::writePageEnd() {
  // Turned text follows the upright text, a line for each box or path, at
  // the upright text's left edge.
  if (!page_.turnedRunTextArray.empty()) {
    double left = page_.allRunTextArray.empty() ? kTurnedTextLeft : page_.allRunTextArray.front().left();
    double y = 0;
    for (const auto& r : page_.allRunTextArray) left = std::min(left, r.left()), y = std::max(y, r.bottom());
    for (auto& r : page_.turnedRunTextArray) {
      const double size = std::max(3.0, static_cast<double>(r.rProperty.sz));
      y += kTurnedLineSpacing * size;
      r.ctmInfo.topLeft = {left, y - size};
      r.ctmInfo.bottomLeft = {left, y};
      r.ctmInfo.base = y;
      r.ctmInfo.fontSize = {size, size};
      r.textWidth = size * static_cast<double>(text::utf8CharacterCount(r.runText));
      r.pdfScanIndex = takeRunIndex();
      page_.allRunTextArray.push_back(std::move(r));
    }
    page_.turnedRunTextArray.clear();
  }
  // The runs move into the paragraphs; the list keeps its room for the next page.
  auto layout = VQFlowTextCreatParagraphs(std::move(page_.allRunTextArray));
  page_.allRunTextArray.clear();
  writeParagraphs(layout.paragraphs, layout.textMargin);
}

void VQFlowTextDocument::writeParagraph(const VQFlowTextParagraph& p) {
  if (p.runArray.empty()) {
    writeEmptyParagraph();
    return;
  }
  for (const auto& r : p.runArray) writeRun(r);
}

void VQFlowTextDocument::writeParagraphs(std::vector<VQFlowTextParagraph>& paragraphs, const VQFlowTextMargin& margin) {
  VQFlowTextFileWriter* w = bodyWriter();
  if (!w) return;
  writePageBegin(paragraphs, margin);
  if (paragraphs.empty()) return;

  if (!measuresLineGaps()) {
    // Plain text: pages are separated by a line break so the last word of a
    // page and the first of the next stay apart.
    if (wroteAnyParagraph_) w->writeLinebreak();
    writeParagraph(paragraphs.front());
    const VQFlowTextRunText* prev = paragraphs.front().lastRunText();
    for (size_t k = 1; k < paragraphs.size(); ++k) {
      const auto& q = paragraphs[k];
      const VQFlowTextRunText* last = q.lastRunText();
      if (prev && last && std::fabs(prev->bottom() - last->bottom()) <= 2) w->writeIndentation();
      else w->writeLinebreak();
      writeParagraph(q);
      if (last) prev = last;
    }
    wroteAnyParagraph_ = true;
    return;
  }

  writeParagraphOpen(paragraphs.front(), margin);
  writeParagraph(paragraphs.front());
  const VQFlowTextRunText* prev = paragraphs.front().lastRunText();
  bool columned = paragraphs.front().columnLefts.size() > 1;
  int c = 0;
  for (size_t k = 1; k < paragraphs.size(); ++k) {
    auto& q = paragraphs[k];
    // A change of column layout, or a column of text set in columns, opens
    // a paragraph of its own in a format that sets columns.
    if (!q.columnLefts.empty()) columned = q.columnLefts.size() > 1;
    const bool layoutBreak = setsColumns() && (!q.columnLefts.empty() || (q.breakColumn && columned));
    // Of several paragraphs in a row without text only the first is written.
    const int e = q.haveText() ? 0 : c + 1;
    if (!q.haveText() && c > 1 && !layoutBreak) {
      c = e;
      continue;
    }
    c = e;
    const VQFlowTextRunText* last = q.lastRunText();
    if (!layoutBreak && last && prev && std::fabs(prev->bottom() - last->bottom()) <= 2) {
      // Same output line: blanks for the gap, or an indentation when the
      // paragraph starts left of the previous text.
      const double gap = q.firstRunText()->left() - prev->right();
      if (gap > 0) {
        const int n = VQFlowTextBlankCount(gap, last->spaceWidth);
        for (int i = 0; i < n; ++i) w->writeContent(" ");
      } else {
        w->writeIndentation();
      }
      c = 0;
    } else {
      c = c + 1;
      writeParagraphOpen(q, margin);
    }
    if (last) prev = last;
    writeParagraph(q);
  }
  closePage();
  wroteAnyParagraph_ = true;
}

bool VQFlowTextDocument::packetZipFileIfNeed() {
  bool ok = !failed_ && assemble();
  std::error_code sizeError;
  if (ok && std::filesystem::file_size(partFilePath_, sizeError) == 0 && !sizeError) {
    // A scan, or pages whose contents are lost, leave nothing to write. An
    // empty file passed off as a success would hide that from a script or a
    // batch as well as from the user: the conversion fails, and a file
    // already at the destination stays as it was.
    failureReason_ = "No text was found on the converted pages; nothing is written to " + savedFilePath_;
    ok = false;
  }
  if (ok && partFilePath_ != savedFilePath_) {
    std::error_code ec;
    std::filesystem::rename(partFilePath_, savedFilePath_, ec);
    if (ec) {
      VQDiagnose(VQDiagnosticCategory::Output, "Can't replace " + savedFilePath_ + ": " + ec.message());
      ok = false;
    }
  }
  if (!ok) {
    failed_ = true;
    if (failureReason_.empty()) {
      failureReason_ = "Can't write the file " + savedFilePath_;
      VQDiagnose(VQDiagnosticCategory::Output, failureReason_);
    }
    closeAndRemoveWriters();
  }
  removeWorkFolder();
  return ok;
}

void VQFlowTextDocument::convertPDFClean() {
  closeAndRemoveWriters();
  removeWorkFolder();
}

bool VQFlowTextDocument::hasFailed() const {
  if (failed_) return true;
  return false;
}

}  // namespace vq::flowtext

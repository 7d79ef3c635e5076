#pragma once
// The document object of one flow-text conversion. It owns the destination
// writer, the current page with its captured run texts, the run counter and
// the format's style registry, so nothing of a conversion is process-wide.
// The page writing loop is shared; each format supplies its paragraph
// opening, run writing, page closing and final file.
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "flowtext/VQFlowTextFileWriter.h"
#include "flowtext/VQFlowTextPageBuilder.h"
#include "flowtext/VQFlowTextTypes.h"

namespace vq::flowtext {

// One PDF page being captured.
struct VQFlowTextPage {
  Size pageSize;
  bool isLastPage = false;
  std::vector<VQFlowTextRunText> allRunTextArray;
  // Text set vertically or at an angle is gathered into a pending text box or
  // text path; the flags tell whether one is open.
  bool isUsingTextBox = false;
  double cachedTextBoxRotation = 0;
  bool isUsingTextPath = false;
  // The open box's or path's text so far, and where its next string would
  // start.
  std::optional<VQFlowTextRunText> cachedTurnedRun;
  Point cachedTurnedNext;
  double cachedTurnedRotation = 0;
  bool cachedTurnedFlip = false;
  // Each closed box's or path's text, in the order drawn. Its place in the
  // flow is not that of upright text: the page's lines follow its upright
  // text, one for each.
  std::vector<VQFlowTextRunText> turnedRunTextArray;
};

class VQFlowTextDocument {
 public:
  virtual ~VQFlowTextDocument();
  VQFlowTextDocument(const VQFlowTextDocument&) = delete;
  VQFlowTextDocument& operator=(const VQFlowTextDocument&) = delete;

  int64_t totalNumOfPages() const { return totalNumOfPages_; }
  int64_t currentDocxPageIndex() const { return currentDocxPageIndex_; }

  // Conversion begin: creates (or empties) the destination and any body file.
  // False, with a message on standard error, when they cannot be created.
  bool writeDocumentBegin();
  // Page begin: a new current page of the given display size.
  void writeDocumentBegin(double pageWidth, double pageHeight);
  VQFlowTextPage& currentPage() { return page_; }
  // The next run's scan index on the current page (0, 1, 2, ...).
  int64_t takeRunIndex() { return pageRunCount_++; }
  // Page end: builds the page's paragraphs and writes them; the page stays
  // current until the next page begins.
  void writePageEnd();
  // Conversion end: assembles and closes the destination. False when any
  // write failed, or when there was nothing to write; the destination is
  // then removed, and `failureReason` tells why.
  bool packetZipFileIfNeed();
  const std::string& failureReason() const { return failureReason_; }
  // After a cancellation: closes and removes everything written.
  void convertPDFClean();
  bool hasFailed() const;

  // The page writing loop over built paragraphs (exposed for tests).
  void writeParagraphs(std::vector<VQFlowTextParagraph>& paragraphs, const VQFlowTextMargin& margin);

 protected:
  VQFlowTextDocument(std::string destinationPath, int64_t totalPages);

  // The writer that pages write into (the destination itself or a body file).
  virtual VQFlowTextFileWriter* bodyWriter() = 0;
  virtual bool openWriters() = 0;
  virtual void closeAndRemoveWriters() = 0;
  virtual bool assemble() = 0;
  // HTML and RTF measure the gap to the previous text on a shared line and
  // open paragraphs with their own markup; plain text does neither.
  virtual bool measuresLineGaps() const { return true; }
  // Every page, before its paragraphs (none for a page without text).
  virtual void writePageBegin(const std::vector<VQFlowTextParagraph>& /*paragraphs*/,
                              const VQFlowTextMargin& /*margin*/) {}
  // A format that sets the columns of a page as columns of its own: the
  // first paragraph of each column and of each change of column layout
  // (VQFlowTextParagraph::columnLefts) then always reaches
  // writeParagraphOpen.
  virtual bool setsColumns() const { return false; }
  virtual void writeParagraphOpen(VQFlowTextParagraph& paragraph, const VQFlowTextMargin& margin) = 0;
  // A paragraph without runs, after its opening.
  virtual void writeEmptyParagraph() { bodyWriter()->writeLinebreak(); }
  virtual void writeRun(const VQFlowTextRunText& run) = 0;
  virtual void closePage() {}
  virtual void resetStyles() {}

  // A fresh work folder for body files inside the private temporary root,
  // removed with the document.
  std::filesystem::path makeWorkFolder();
  void removeWorkFolder();
  // For formats that write the body into a file of the work folder and put
  // it into the destination at the end: opens the destination's writer and
  // the body writer `bodyName` in a fresh work folder; false when either
  // cannot be opened.
  template <class W>
  bool openWriterPair(const char* bodyName, std::unique_ptr<W>& fileWriter, std::unique_ptr<W>& contentWriter);
  // Appends the body file's bytes to the destination without holding them all.
  static bool AppendFile(const std::filesystem::path& from, VQFlowTextFileWriter& to);
  // Removes the partial output (the file beside the destination that the
  // output is written to until it is complete).
  void removePartFile() const;

  std::string savedFilePath_;
  // The output is written here and renamed to the destination once it is
  // complete: a failed or stopped conversion leaves the destination as it
  // was, and a link at the destination is replaced, never written through.
  std::string partFilePath_;
  std::filesystem::path savedWorkFolder_;
  int64_t totalNumOfPages_ = 0;
  bool failed_ = false;
  std::string failureReason_;
  bool wroteAnyParagraph_ = false;

 private:
  void writeParagraph(const VQFlowTextParagraph& p);

  VQFlowTextPage page_;
  int64_t pageRunCount_ = 0;
  int64_t currentDocxPageIndex_ = 0;
};

template <class W>
bool VQFlowTextDocument::openWriterPair(const char* bodyName, std::unique_ptr<W>& fileWriter,
                                        std::unique_ptr<W>& contentWriter) {
  removeWorkFolder();
  const std::filesystem::path work = makeWorkFolder();
  fileWriter.reset();
  contentWriter.reset();
  if (work.empty()) return false;
  contentWriter = VQFlowTextFileWriter::Open<W>((work / bodyName).string());
  fileWriter = VQFlowTextFileWriter::Open<W>(partFilePath_);
  return fileWriter && contentWriter;
}

// Number of blanks that stand for a horizontal gap on a shared line. The
// space width counts only when it is finite and at least half a point; the
// count is capped so a tiny width cannot flood the line.
int VQFlowTextBlankCount(double gap, double spaceWidth);
inline constexpr int kMaxBlanksPerGap = 64;

// The product name written into the files' comments.
inline constexpr const char* kFlowTextProductName = "Vellumate";
inline constexpr const char* kFlowTextProductVersion = "0.1";
inline constexpr const char* kFlowTextMakerName = "VQ Software";

}  // namespace vq::flowtext

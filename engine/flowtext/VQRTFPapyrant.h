#pragma once
// The RTF document object of a flow-text conversion: the body is written
// into a work file while the font and colour tables are gathered, and the
// destination is assembled from both at the end.
//
// Each PDF page is a page of the RTF: pages are separated by page breaks
// (a page without text too, so the page count stays), the paper and
// margins come from the first page with text, and a page of another size
// starts a section of its own size. Paragraphs are set with exact line
// spacing, the PDF's distance between lines, narrowed on a page whose text
// would not fit otherwise; text in columns is set in columns of the
// widths the PDF gives them.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "flowtext/VQFlowTextDocument.h"
#include "flowtext/VQRTFState.h"

namespace vq::flowtext {

class VQRTFPapyrant : public VQFlowTextDocument {
 public:
  VQRTFPapyrant(std::string destinationPath, int64_t totalPages)
      : VQFlowTextDocument(std::move(destinationPath), totalPages) {}
  ~VQRTFPapyrant() override;
  const VQRTFState& state() const { return state_; }

 protected:
  VQFlowTextFileWriter* bodyWriter() override { return contentWriter_.get(); }
  bool openWriters() override;
  void closeAndRemoveWriters() override;
  bool assemble() override;
  void writePageBegin(const std::vector<VQFlowTextParagraph>& paragraphs, const VQFlowTextMargin& margin) override;
  bool setsColumns() const override { return true; }
  void writeParagraphOpen(VQFlowTextParagraph& paragraph, const VQFlowTextMargin& margin) override;
  // The paragraph's opening already made the empty line.
  void writeEmptyParagraph() override {}
  void writeRun(const VQFlowTextRunText& run) override;
  void resetStyles() override;

 private:
  // Paper and margins, in points.
  struct Geometry {
    double width = 612, height = 792;
    double left = 72, right = 72, top = 72, bottom = 72;
  };
  // The breaks to the current page from the last page written, which end
  // the paragraph before; `columnLefts` is the layout the new page starts
  // with.
  std::string pageBreaks(int64_t count, const std::vector<double>& columnLefts);
  // "\sectd" and what the section needs beyond the document's defaults: no
  // page break when `continuous`, its own paper, its columns. Sets the
  // current section's columns.
  std::string sectionStart(bool continuous, const std::vector<double>& columnLefts);
  // The columns of a section on the current page: their left edges
  // (points) and widths (twips); one column without `columnLefts`.
  struct Columns {
    long textWidth = 0;
    std::vector<double> starts;
    std::vector<long> widths;
  };
  Columns columnsFor(const std::vector<double>& columnLefts) const;
  // The left indent of a paragraph in the given column, in points.
  double indentOf(const VQFlowTextParagraph& p, const Columns& columns, size_t column) const;
  // How high the page's paragraphs set in the writer's fonts, in points,
  // with their line spacings narrowed by `scale`.
  double pageHeight(const std::vector<VQFlowTextParagraph>& paragraphs, double scale) const;
  bool pageSizeDiffers() const;

  std::unique_ptr<VQRTFFileWriter> fileWriter_;
  std::unique_ptr<VQRTFFileWriter> contentWriter_;
  VQRTFState state_;

  Geometry document_;
  bool haveGeometry_ = false;
  Size firstPageSize_;
  int64_t pagesSeen_ = 0;
  int64_t lastPageWritten_ = 0;  // the last page with text; 0 before any
  bool wroteText_ = false;
  bool pageOpening_ = false;  // the page's first paragraph is still to open
  Size pageSize_;
  double lineScale_ = 1;  // the current page's line spacings are narrowed by this
  // The current section: its paper, whether it began without a page break,
  // its columns and the column being written.
  Size sectionSize_;
  bool sectionContinuous_ = false;
  Columns columns_;
  size_t columnIndex_ = 0;
};

}  // namespace vq::flowtext

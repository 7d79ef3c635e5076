#pragma once
// One converted PDF page of a DOCX conversion, ready to be written as
// WordprocessingML body content into a part file of its own.
#include <cstdint>

namespace vq {

class XMLFileWriter;

// First z-order values of a page's floating objects. Pictures and shapes sit
// behind the text (a large negative relative height, as Word writes for
// objects behind text), text boxes in front of it. Every page counts from
// these values on its own: floating objects of different pages never overlap,
// so their z-orders need not be unique across the document, and page threads
// never share a counter.
inline constexpr int64_t VQDocxPictZIndexStart = -251657498;
inline constexpr int64_t VQDocxTextBoxZIndexStart = 1;

class VQDocxPage {
 public:
  VQDocxPage(int64_t wordPageIndex, int64_t pdfPageIndex);
  virtual ~VQDocxPage();
  VQDocxPage(const VQDocxPage&) = delete;
  VQDocxPage& operator=(const VQDocxPage&) = delete;

  // 1-based position of the page in the conversion: names its part file and
  // orders it in the document body.
  int64_t wordPageIndex() const { return wordPageIndex_; }
  // The PDF page number it was made from.
  int64_t pdfPageIndex() const { return pdfPageIndex_; }

  // The next z-order value for a floating picture or shape, and for a text
  // box, of this page.
  int64_t nextPictZIndex() { return pictZIndex_++; }
  int64_t nextTextBoxZIndex() { return textBoxZIndex_++; }

  // Prepares writing.
  virtual void writePageBegin();
  // Writes the page's body content: a bookmark pair named after the position,
  // then the page's items. Uses the prefixes bound on the writer ("w" for
  // WordprocessingML), declares none and writes no XML declaration.
  virtual void writePageWithXMLWriter(XMLFileWriter& writer);
  // Ends writing.
  virtual void writePageEnd();

 private:
  int64_t wordPageIndex_ = 0;
  int64_t pdfPageIndex_ = 0;
  int64_t pictZIndex_ = VQDocxPictZIndexStart;
  int64_t textBoxZIndex_ = VQDocxTextBoxZIndexStart;
};

}  // namespace vq

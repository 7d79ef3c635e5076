#pragma once
// What the DOCX document needs of a page to write it: its place in the output
// and the three writing calls. The page model of the layout is one; the
// document knows nothing else of it, so the package writer sits below the
// layout that feeds it.
#include <cstdint>

namespace vq {

class XMLFileWriter;

class VQDocxDocumentPage {
 public:
  virtual ~VQDocxDocumentPage() = default;

  // 1-based position of the page in the conversion: names its part file and
  // orders it in the document body.
  virtual int64_t wordPageIndex() const = 0;
  // Called in this order, once, from the thread that writes the page.
  virtual void writePageBegin() {}
  // Writes the page's body content with the prefixes bound on the writer;
  // declares none and writes no XML declaration.
  virtual void writePageWithXMLWriter(XMLFileWriter& writer) = 0;
  virtual void writePageEnd() {}
};

}  // namespace vq

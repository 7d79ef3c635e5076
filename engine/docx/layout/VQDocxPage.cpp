#include "docx/layout/VQDocxPage.h"

#include <fmt/format.h>

#include "office/VQOpenXMLNameSpace.h"
#include "office/XMLFileWriter.h"

namespace vq {

VQDocxPage::VQDocxPage(int64_t wordPageIndex, int64_t pdfPageIndex)
    : wordPageIndex_(wordPageIndex), pdfPageIndex_(pdfPageIndex) {}

VQDocxPage::~VQDocxPage() = default;

void VQDocxPage::writePageBegin() {}

void VQDocxPage::writePageWithXMLWriter(XMLFileWriter& writer) {
  // The bookmark marks where the page starts in the flowing document, so a
  // reader can jump to "page N" of the source.
  const std::string id = fmt::format("{}", wordPageIndex_);
  writer.writeStartElementWithNamespace(gl_namespace_xmlns_w, "bookmarkStart");
  writer.writeAttributeWithNamespace(gl_namespace_xmlns_w, "id", id);
  writer.writeAttributeWithNamespace(gl_namespace_xmlns_w, "name", id);
  writer.writeEndElement();
  writer.writeStartElementWithNamespace(gl_namespace_xmlns_w, "bookmarkEnd");
  writer.writeAttributeWithNamespace(gl_namespace_xmlns_w, "id", id);
  writer.writeEndElement();
}

void VQDocxPage::writePageEnd() {}

}  // namespace vq

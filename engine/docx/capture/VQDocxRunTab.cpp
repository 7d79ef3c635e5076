#include "docx/capture/VQDocxRunTab.h"

#include <fmt/format.h>

#include "office/VQDocxUtilities.h"
#include "office/VQOpenXMLNameSpace.h"

namespace vq {

std::shared_ptr<VQDocxRunTab> VQDocxRunTab::RunTapWithTabPostion(double tabPostion, double tabWidth) {
  auto tab = std::make_shared<VQDocxRunTab>();
  tab->tabPostion = tabPostion;
  tab->tabWidth = tabWidth;
  return tab;
}

void VQDocxRunTab::writeWithXMLWriter(XMLFileWriter& writer) {
  writer.writeStartElementWithNamespace(gl_namespace_xmlns_w, "r");
  VQDocxUtilities::WriteRProperty(rProperty, writer);
  writer.writeStartElementWithNamespace(gl_namespace_xmlns_w, "tab");
  writer.writeEndElement();
  writer.writeEndElement();
}

std::string VQDocxRunTab::description() const {
  return fmt::format("<{}: {}: {:f} {:f}>", className(), fmt::ptr(this), tabPostion, tabWidth);
}

std::shared_ptr<VQDocxObject> VQDocxRunTab::cloneObject() const {
  auto copy = std::make_shared<VQDocxRunTab>();
  copyRunFieldsTo(*copy);
  copy->rProperty = rProperty;
  copy->tabPostion = tabPostion;
  copy->tabWidth = tabWidth;
  return copy;
}

}  // namespace vq

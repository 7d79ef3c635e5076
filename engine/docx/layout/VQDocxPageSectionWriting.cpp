#include <typeinfo>

#include "docx/layout/VQDocxPageSection.h"

namespace vq {

void VQDocxPageSection::createXMLObjects() { allWriteXMLObjects.clear(); }

void VQDocxPageSection::writeWithXMLWriter(XMLFileWriter& writer) {
  for (const auto& object : allWriteXMLObjects) {
    if (!object) continue;
    // Plain paragraphs that show nothing and carry nothing are left out.
    if (typeid(*object) == typeid(VQDocxParagraph) && static_cast<const VQDocxParagraph&>(*object).isCanIgnore())
      continue;
    object->writeWithXMLWriter(writer);
  }
}

}  // namespace vq

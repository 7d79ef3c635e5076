#include "docx/capture/VQDocxProperty.h"

#include <fmt/format.h>

#include "office/VQDocxUtilities.h"

namespace vq {

VQDocxProperty::VQDocxProperty()
    : pProperty(VQDocxUtilities::defaultPProperty()),
      rProperty(VQDocxUtilities::defaultRProperty()),
      sectProperty(VQDocxUtilities::defaultSectPropertyHiden()) {}

std::shared_ptr<VQDocxProperty> VQDocxProperty::NewWriteSectProperty(const VQDocx_SectPr& sectProperty) {
  auto item = std::make_shared<VQDocxProperty>();
  item->propertyWriteType = 1;
  item->sectProperty = sectProperty;
  return item;
}

std::shared_ptr<VQDocxProperty> VQDocxProperty::NewWrite1BlankParagraphWithProperty(const VQDocx_PPr& pProperty,
                                                                                    const VQDocx_RPr& rProperty,
                                                                                    const VQDocx_SectPr& sectProperty) {
  auto item = std::make_shared<VQDocxProperty>();
  item->propertyWriteType = 2;
  item->pProperty = pProperty;
  item->rProperty = rProperty;
  item->sectProperty = sectProperty;
  return item;
}

void VQDocxProperty::writeWithXMLWriter(XMLFileWriter& writer) {
  switch (propertyWriteType) {
    case 1:
      // The serialiser writes whatever record it is given; a hidden section
      // property must leave no trace in the body.
      if (sectProperty.shouldWrite) VQDocxUtilities::WriteSectProperty(sectProperty, writer);
      break;
    case 2:
      VQDocxUtilities::Write1BlankParagraphWithProperty(pProperty, rProperty, sectProperty, writer);
      break;
    default:
      break;
  }
}

std::string VQDocxProperty::description() const {
  return fmt::format("<{}: {}:[propertyWriteType:{}]>", className(), fmt::ptr(this), propertyWriteType);
}

std::shared_ptr<VQDocxObject> VQDocxProperty::cloneObject() const {
  auto copy = std::make_shared<VQDocxProperty>();
  copy->propertyWriteType = propertyWriteType;
  copy->pProperty = pProperty;
  copy->rProperty = rProperty;
  copy->sectProperty = sectProperty;
  return copy;
}

}  // namespace vq

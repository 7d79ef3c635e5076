#pragma once
// An item of a section's write list that carries only properties: a bare
// section property (the document's final w:sectPr), or one empty paragraph
// whose mark carries paragraph, run and section properties, which is how a
// section break or a blank line of a given height stands between paragraphs.
#include <cstdint>
#include <memory>
#include <string>

#include "docx/capture/VQDocxObject.h"
#include "office/VQDocxTypes.h"

namespace vq {

class VQDocxProperty : public VQDocxObject {
 public:
  // Writes nothing; the records hold their defaults.
  VQDocxProperty();

  std::shared_ptr<VQDocxProperty> clone() const { return std::static_pointer_cast<VQDocxProperty>(cloneObject()); }

  // An item that writes the section property alone.
  static std::shared_ptr<VQDocxProperty> NewWriteSectProperty(const VQDocx_SectPr& sectProperty);
  // An item that writes one empty paragraph carrying the three records.
  static std::shared_ptr<VQDocxProperty> NewWrite1BlankParagraphWithProperty(const VQDocx_PPr& pProperty,
                                                                             const VQDocx_RPr& rProperty,
                                                                             const VQDocx_SectPr& sectProperty);

  // 1: the section property; 2: one blank paragraph; anything else: nothing.
  int32_t propertyWriteType = 0;
  VQDocx_PPr pProperty;
  VQDocx_RPr rProperty;
  // Its column list is kept alive by the section that made the record.
  VQDocx_SectPr sectProperty;

  void writeWithXMLWriter(XMLFileWriter& writer) override;
  // "<VQDocxProperty: 0x...:[propertyWriteType:N]>"
  std::string description() const override;

 protected:
  VQDocxProperty(const VQDocxProperty&) = default;
  VQDocxProperty& operator=(const VQDocxProperty&) = default;
  std::shared_ptr<VQDocxObject> cloneObject() const override;
};

}  // namespace vq

#include "pdf/annots/VQPDFAnnotStamp.h"

namespace vq {

void VQPDFAnnotStamp::initWithPDFDictionary(const pdf::Object& dictionary) {
  VQPDFAnnotMarkup::initWithPDFDictionary(dictionary);
  auto name = dictionary.get("Name").name();
  icon = (name && !name->empty()) ? *name : "Draft";
}

}  // namespace vq

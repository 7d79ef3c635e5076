#include "pdf/annots/VQPDFAnnotText.h"

namespace vq {

void VQPDFAnnotText::initWithPDFDictionary(const pdf::Object& dictionary) {
  VQPDFAnnotMarkup::initWithPDFDictionary(dictionary);
  iconType = TextWithPDFDictionary(dictionary, "Name");
  open = dictionary.get("Open").boolean().value_or(false);
  state = TextWithPDFDictionary(dictionary, "State");
  stateModel = TextWithPDFDictionary(dictionary, "StateModel");
}

}  // namespace vq

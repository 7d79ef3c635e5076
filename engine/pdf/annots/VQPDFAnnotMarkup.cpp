#include "pdf/annots/VQPDFAnnotMarkup.h"

namespace vq {

void VQPDFAnnotMarkup::initWithPDFDictionary(const pdf::Object& dictionary) {
  VQPDFAnnot::initWithPDFDictionary(dictionary);
  label = TextWithPDFDictionary(dictionary, "T");
  creationDate = TextWithPDFDictionary(dictionary, "CreationDate");
  subject = TextWithPDFDictionary(dictionary, "Subj");
  replyTo = dictionary.get("RT").isName("Group") ? 1 : 0;
  exData = dictionary.get("ExData");
}

}  // namespace vq

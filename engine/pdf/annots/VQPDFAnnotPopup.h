#pragma once
// The pop-up window of a markup annotation (its own /Popup is never read,
// so a pop-up that names itself cannot loop).
#include "pdf/annots/VQPDFAnnot.h"

namespace vq {

class VQPDFAnnotPopup : public VQPDFAnnot {
 public:
  void initWithPDFDictionary(const pdf::Object& dictionary) override { initBaseFields(dictionary, false); }
  std::shared_ptr<VQPDFAnnot> copy() const override { return std::make_shared<VQPDFAnnotPopup>(*this); }
  bool isOpen = false;
};

}  // namespace vq

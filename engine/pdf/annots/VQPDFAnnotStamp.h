#pragma once
// Rubber stamps: drawn from their appearance stream, named by their icon.
#include <string>

#include "pdf/annots/VQPDFAnnotMarkup.h"

namespace vq {

class VQPDFAnnotStamp : public VQPDFAnnotMarkup {
 public:
  void initWithPDFDictionary(const pdf::Object& dictionary) override;
  std::shared_ptr<VQPDFAnnot> copy() const override { return std::make_shared<VQPDFAnnotStamp>(*this); }
  void startParser() override { runAppearanceStream(icon); }

  std::string icon = "Draft";  // /Name
};

}  // namespace vq

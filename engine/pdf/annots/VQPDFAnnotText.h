#pragma once
#include <optional>
#include <string>

#include "pdf/annots/VQPDFAnnotMarkup.h"

namespace vq {

// Note annotations are icons a viewer draws; nothing of them is converted.
class VQPDFAnnotText : public VQPDFAnnotMarkup {
 public:
  void initWithPDFDictionary(const pdf::Object& dictionary) override;
  std::shared_ptr<VQPDFAnnot> copy() const override { return std::make_shared<VQPDFAnnotText>(*this); }
  void startParser() override {}

  std::optional<std::string> iconType;  // /Name
  bool open = false;
  std::optional<std::string> state;       // /State
  std::optional<std::string> stateModel;  // /StateModel
};

}  // namespace vq

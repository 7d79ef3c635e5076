#pragma once
// Link annotations: drawn only from an appearance stream when they have one.
#include <optional>
#include <string>

#include "pdf/annots/VQPDFAnnot.h"

namespace vq {

class VQPDFAnnotLink : public VQPDFAnnot {
 public:
  std::shared_ptr<VQPDFAnnot> copy() const override { return std::make_shared<VQPDFAnnotLink>(*this); }
  std::optional<std::string> destination;
  std::optional<std::string> URL;
};

}  // namespace vq

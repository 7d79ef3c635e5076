#pragma once
// Form-field widgets: drawn from the appearance of their current state.
#include <optional>
#include <string>

#include "pdf/annots/VQPDFAnnot.h"
#include "platform/pdf/PdfObject.h"

namespace vq {

class VQPDFAnnotWidget : public VQPDFAnnot {
 public:
  std::shared_ptr<VQPDFAnnot> copy() const override { return std::make_shared<VQPDFAnnotWidget>(*this); }
  pdf::Object pdfAction;
  pdf::Object form;
  pdf::Object field;
  std::optional<std::string> highlightMode;
};

}  // namespace vq

#pragma once
// Ink annotations: each /InkList stroke becomes one stroked path.
#include <optional>
#include <vector>

#include "pdf/annots/VQPDFAnnotMarkup.h"

namespace vq {

class VQPDFAnnotInk : public VQPDFAnnotMarkup {
 public:
  void initWithPDFDictionary(const pdf::Object& dictionary) override;
  std::shared_ptr<VQPDFAnnot> copy() const override { return std::make_shared<VQPDFAnnotInk>(*this); }
  void startParser() override;

  // One path per array element of /InkList (other elements are skipped).
  void parseInkList(const pdf::Object& inkList);
  // Numbers in pairs: a move to the first point, lines to the rest. Empty
  // for an odd count or a non-number.
  static Path parsePathArray(const pdf::Object& array);

  std::vector<Path> paths;
};

}  // namespace vq

#pragma once
// The appearance dictionary (/AP) of an annotation and the choice of the
// stream to draw.
#include <string>

#include "platform/pdf/PdfObject.h"

namespace vq {

enum VQPDFAnnotAppearanceKind {
  VQPDFAnnotAppearanceNormal = 0,
  VQPDFAnnotAppearanceRollover = 1,
  VQPDFAnnotAppearanceDown = 2,
};

class VQPDFAnnotAppearance {
 public:
  VQPDFAnnotAppearance() = default;
  explicit VQPDFAnnotAppearance(const pdf::Object& dictionary) : appearDict(dictionary) {}

  // The appearance stream of a kind, or the null object. Normal: /N when it
  // is a stream; when /N is a dictionary of states, the entry named by
  // `state` (when not empty), else the entry "0". Rollover and down fall back
  // to /N when that is a stream.
  pdf::Object getAppearanceStream(int kind, const std::string& state) const;

  pdf::Object appearDict;
};

}  // namespace vq

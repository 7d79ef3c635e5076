#include "pdf/annots/VQPDFAnnotAppearance.h"

namespace vq {

pdf::Object VQPDFAnnotAppearance::getAppearanceStream(int kind, const std::string& state) const {
  if (!appearDict.isDictionary()) return {};
  pdf::Object normal = appearDict.get("N");
  if (kind == VQPDFAnnotAppearanceRollover || kind == VQPDFAnnotAppearanceDown) {
    pdf::Object other = appearDict.get(kind == VQPDFAnnotAppearanceRollover ? "R" : "D");
    if (other.isStream()) return other;
    return normal.isStream() ? normal : pdf::Object();
  }
  if (normal.isStream()) return normal;
  if (!normal.isDictionary()) return {};
  if (!state.empty()) {
    pdf::Object entry = normal.get(state);
    if (entry.isStream()) return entry;
  }
  pdf::Object fallback = normal.get("0");
  return fallback.isStream() ? fallback : pdf::Object();
}

}  // namespace vq

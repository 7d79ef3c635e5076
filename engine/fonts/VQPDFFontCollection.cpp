#include "fonts/VQPDFFontCollection.h"

namespace vq {

VQPDFFontCollection::VQPDFFontCollection(const pdf::Object& fontDictionary) {
  if (!fontDictionary.isDictionary()) return;
  for (const std::string& key : fontDictionary.keys()) {
    pdf::Object entry = fontDictionary.get(key);
    if (!entry.isDictionary()) continue;
    if (auto font = VQPDFFont::NewFontWithDictionary(entry, key)) fonts_[key] = std::move(font);
  }
}

std::shared_ptr<VQPDFFont> VQPDFFontCollection::fontForKey(const std::string& key) const {
  auto it = fonts_.find(key);
  return it == fonts_.end() ? nullptr : it->second;
}

}  // namespace vq

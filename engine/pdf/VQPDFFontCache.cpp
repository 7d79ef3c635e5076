#include "pdf/VQPDFFontCache.h"

namespace vq {

std::shared_ptr<VQPDFFontCollection> VQPDFFontCache::collectionForDictionary(const pdf::Object& fontDictionary) {
  auto collection = std::make_shared<VQPDFFontCollection>();
  if (!fontDictionary.isDictionary()) return collection;
  for (const auto& key : fontDictionary.keys()) {
    pdf::Object dict = fontDictionary.get(key);
    if (!dict.isDictionary()) continue;
    pdf::ObjectId id = dict.id();
    std::shared_ptr<VQPDFFont> font;
    if (id.isIndirect()) {
      auto cacheKey = std::make_tuple(id.number, id.generation, key);
      auto it = fonts_.find(cacheKey);
      if (it != fonts_.end()) {
        font = it->second;
      } else {
        font = VQPDFFont::NewFontWithDictionary(dict, key);
        if (fonts_.size() >= kMostFonts) fonts_.clear();
        fonts_.emplace(cacheKey, font);  // a failed font is remembered too
      }
    } else {
      font = VQPDFFont::NewFontWithDictionary(dict, key);
    }
    if (font) collection->fonts()[key] = std::move(font);
  }
  return collection;
}

std::shared_ptr<VQPDFFontCache> VQPDFThreadFontCaches::forThisThread() {
  std::lock_guard lock(mutex_);
  auto& cache = caches_[std::this_thread::get_id()];
  if (!cache) cache = std::make_shared<VQPDFFontCache>();
  return cache;
}

}  // namespace vq

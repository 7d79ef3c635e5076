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
        font = it->second.font;
        it->second.lastPage = page_;
      } else {
        font = VQPDFFont::NewFontWithDictionary(dict, key);
        if (fonts_.size() >= kMostFonts) fonts_.clear();
        fonts_.emplace(cacheKey, Entry{font, page_});  // a failed font is remembered too
      }
    } else {
      font = VQPDFFont::NewFontWithDictionary(dict, key);
    }
    if (font) collection->fonts()[key] = std::move(font);
  }
  return collection;
}

void VQPDFFontCache::startPage() {
  ++page_;
  std::erase_if(fonts_, [&](const auto& entry) { return entry.second.lastPage + kPagesKept < page_; });
}

std::shared_ptr<VQPDFFontCache> VQPDFThreadFontCaches::forPage(const pdf::Page& page) {
  const std::weak_ptr<const void> instance = page.dictionary().fileInstance();
  std::lock_guard lock(mutex_);
  Entry& entry = caches_[std::this_thread::get_id()];
  const bool sameInstance = !entry.fileInstance.owner_before(instance) && !instance.owner_before(entry.fileInstance);
  if (!entry.cache || !sameInstance) entry = Entry{instance, std::make_shared<VQPDFFontCache>()};
  entry.cache->startPage();
  return entry.cache;
}

}  // namespace vq

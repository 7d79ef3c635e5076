#include "pdf/VQPDFFontCache.h"

namespace vq {

std::shared_ptr<VQPDFFont> VQPDFSharedFonts::find(const VQPDFFontKey& key) {
  std::lock_guard lock(mutex_);
  auto it = fonts_.find(key);
  return it == fonts_.end() ? nullptr : it->second.lock();
}

std::shared_ptr<VQPDFFont> VQPDFSharedFonts::offer(const VQPDFFontKey& key, const std::shared_ptr<VQPDFFont>& font) {
  std::lock_guard lock(mutex_);
  std::weak_ptr<VQPDFFont>& slot = fonts_[key];
  if (auto first = slot.lock()) return first;
  slot = font;
  if (fonts_.size() >= sweepAt_) {
    std::erase_if(fonts_, [](const auto& entry) { return entry.second.expired(); });
    sweepAt_ = 2 * fonts_.size() + 64;
  }
  return font;
}

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
        if (shared_) font = shared_->find(cacheKey);
        if (!font) {
          font = VQPDFFont::NewFontWithDictionary(dict, key);
          if (shared_ && font && !font->holdsDocumentObjects()) font = shared_->offer(cacheKey, font);
        }
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

void VQPDFFontCache::dropDocumentFonts() {
  std::erase_if(fonts_,
                [](const auto& entry) { return entry.second.font && entry.second.font->holdsDocumentObjects(); });
}

std::shared_ptr<VQPDFFontCache> VQPDFThreadFontCaches::forPage(const pdf::Page& page) {
  const std::weak_ptr<const void> instance = page.dictionary().fileInstance();
  std::lock_guard lock(mutex_);
  Entry& entry = caches_[std::this_thread::get_id()];
  const bool sameInstance = !entry.fileInstance.owner_before(instance) && !instance.owner_before(entry.fileInstance);
  if (!entry.cache) {
    entry = Entry{instance, std::make_shared<VQPDFFontCache>()};
    entry.cache->setSharedFonts(shared_);
  } else if (!sameInstance) {
    entry.fileInstance = instance;
    entry.cache->dropDocumentFonts();
  }
  entry.cache->startPage();
  return entry.cache;
}

}  // namespace vq

#pragma once
// Fonts already built from indirect font dictionaries, so that a font used by
// many forms of a page (or, when an exporter shares one cache between the
// pages it parses on one thread, by many pages) is read once. Fonts are
// read-only after they are built; a cache belongs to one thread.
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <tuple>

#include "fonts/VQPDFFontCollection.h"
#include "platform/pdf/PdfObject.h"

namespace vq {

class VQPDFFontCache {
 public:
  // A cache shared by the pages of a long document starts over past this
  // many fonts, so that one whose pages each bring fonts of their own does
  // not gather them all.
  static constexpr size_t kMostFonts = 512;

  // The collection of a /Font resource dictionary, reusing fonts built before
  // from the same indirect dictionary under the same resource name.
  std::shared_ptr<VQPDFFontCollection> collectionForDictionary(const pdf::Object& fontDictionary);
  size_t size() const { return fonts_.size(); }

 private:
  std::map<std::tuple<int, int, std::string>, std::shared_ptr<VQPDFFont>> fonts_;
};

// One font cache per page thread of one conversion, for exporters that
// parse pages on several threads: each thread reuses the fonts it built for
// earlier pages of the same document.
class VQPDFThreadFontCaches {
 public:
  std::shared_ptr<VQPDFFontCache> forThisThread();

 private:
  std::mutex mutex_;
  std::map<std::thread::id, std::shared_ptr<VQPDFFontCache>> caches_;
};

}  // namespace vq

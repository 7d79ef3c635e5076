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
#include "platform/pdf/PdfDocument.h"
#include "platform/pdf/PdfObject.h"

namespace vq {

class VQPDFFontCache {
 public:
  // A cache starts over past this many fonts.
  static constexpr size_t kMostFonts = 512;

  // The collection of a /Font resource dictionary, reusing fonts built before
  // from the same indirect dictionary under the same resource name.
  std::shared_ptr<VQPDFFontCollection> collectionForDictionary(const pdf::Object& fontDictionary);
  size_t size() const { return fonts_.size(); }

  // Starts the next page of a cache shared between pages: the fonts none of
  // the last kPagesKept pages used are dropped. What nearby pages share
  // (most of a document's fonts) is built once, and a long document whose
  // pages bring fonts of their own (each holding its font program) does not
  // gather them all.
  static constexpr uint64_t kPagesKept = 8;
  void startPage();

 private:
  struct Entry {
    std::shared_ptr<VQPDFFont> font;
    uint64_t lastPage = 0;
  };
  std::map<std::tuple<int, int, std::string>, Entry> fonts_;
  uint64_t page_ = 0;
};

// One font cache per page thread of one conversion, for exporters that
// parse pages on several threads: each thread reuses the fonts it built for
// earlier pages of the same document while it reads them through the same
// instance of the file. Fonts may hold objects, which keep their instance
// alive; a thread whose instance was replaced starts a new cache, so that
// the old instance and all it read are let go.
class VQPDFThreadFontCaches {
 public:
  std::shared_ptr<VQPDFFontCache> forPage(const pdf::Page& page);

 private:
  struct Entry {
    std::weak_ptr<const void> fileInstance;
    std::shared_ptr<VQPDFFontCache> cache;
  };
  std::mutex mutex_;
  std::map<std::thread::id, Entry> caches_;
};

}  // namespace vq

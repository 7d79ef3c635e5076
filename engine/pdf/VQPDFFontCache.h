#pragma once
// Fonts already built from indirect font dictionaries, so that a font used by
// many forms of a page (or, when an exporter shares one cache between the
// pages it parses on one thread, by many pages) is read once. Fonts are
// read-only after they are built; a cache belongs to one thread, and the
// page threads of one conversion find each other's fonts through the fonts
// they share.
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

// A font's place in its document: the object number and generation of its
// dictionary, and the resource name it is used under.
using VQPDFFontKey = std::tuple<int, int, std::string>;

// The fonts that the page threads of one conversion share: those that keep
// no object of the file instance they were read through. Held weakly, so a
// font lives only as long as some thread's cache keeps it; meanwhile a font
// one thread built serves the others instead of being built once a thread.
class VQPDFSharedFonts {
 public:
  // The live font of that key, or nullptr.
  std::shared_ptr<VQPDFFont> find(const VQPDFFontKey& key);
  // Offers a font just built; answers the one to use: a live font that
  // another thread offered first, else `font`.
  std::shared_ptr<VQPDFFont> offer(const VQPDFFontKey& key, const std::shared_ptr<VQPDFFont>& font);

 private:
  std::mutex mutex_;
  std::map<VQPDFFontKey, std::weak_ptr<VQPDFFont>> fonts_;
  size_t sweepAt_ = 64;  // entries past which the dead ones are swept out
};

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

  // Fonts missing here are looked up there first, and the ones this cache
  // builds that any thread may use are offered to it.
  void setSharedFonts(std::shared_ptr<VQPDFSharedFonts> shared) { shared_ = std::move(shared); }
  // Drops the fonts that keep objects of a file instance (the thread reads
  // through a new one from now on); the others stay.
  void dropDocumentFonts();

 private:
  struct Entry {
    std::shared_ptr<VQPDFFont> font;
    uint64_t lastPage = 0;
  };
  std::map<VQPDFFontKey, Entry> fonts_;
  uint64_t page_ = 0;
  std::shared_ptr<VQPDFSharedFonts> shared_;
};

// One font cache per page thread of one conversion, for exporters that
// parse pages on several threads: each thread reuses the fonts of its
// earlier pages of the same document, and the threads share the fonts that
// any of them may use, so a font is held once however many threads draw
// with it. Fonts that hold objects keep their instance alive; a thread
// whose instance was replaced drops those, so that the old instance and all
// it read are let go.
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
  std::shared_ptr<VQPDFSharedFonts> shared_ = std::make_shared<VQPDFSharedFonts>();
};

}  // namespace vq

#pragma once
// Fonts already built from indirect font dictionaries, so that a font used by
// many forms of a page (or, when an exporter shares one cache between the
// pages it parses on one thread, by many pages) is read once. Fonts are
// read-only after they are built; a cache belongs to one thread.
#include <map>
#include <memory>
#include <string>
#include <tuple>

#include "fonts/VQPDFFontCollection.h"
#include "platform/pdf/PdfObject.h"

namespace vq {

class VQPDFFontCache {
 public:
  // The collection of a /Font resource dictionary, reusing fonts built before
  // from the same indirect dictionary under the same resource name.
  std::shared_ptr<VQPDFFontCollection> collectionForDictionary(const pdf::Object& fontDictionary);
  size_t size() const { return fonts_.size(); }

 private:
  std::map<std::tuple<int, int, std::string>, std::shared_ptr<VQPDFFont>> fonts_;
};

}  // namespace vq

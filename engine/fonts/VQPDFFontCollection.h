#pragma once
// The fonts of one page's /Font resource dictionary, by resource name.
#include <map>
#include <memory>
#include <string>

#include "fonts/VQPDFFont.h"
#include "platform/pdf/PdfObject.h"

namespace vq {

class VQPDFFontCollection {
 public:
  VQPDFFontCollection() = default;
  // Fills the collection from a /Font dictionary (a null object leaves it
  // empty). Entries that are not dictionaries, or that make no font, are skipped.
  explicit VQPDFFontCollection(const pdf::Object& fontDictionary);

  // The font stored under a resource name, or nullptr.
  std::shared_ptr<VQPDFFont> fontForKey(const std::string& key) const;

  std::map<std::string, std::shared_ptr<VQPDFFont>>& fonts() { return fonts_; }
  const std::map<std::string, std::shared_ptr<VQPDFFont>>& fonts() const { return fonts_; }

 private:
  std::map<std::string, std::shared_ptr<VQPDFFont>> fonts_;
};

}  // namespace vq

#pragma once
// Metadata of a source PDF for the document properties of an output
// package: defaults from the resource file "VQPDFInfo.plist" (bundle
// VQTabulette), overridden by the document information dictionary.
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "platform/pdf/PdfDocument.h"

namespace vq {

class VQPDFInfo {
 public:
  // nullptr when no document is given.
  static std::unique_ptr<VQPDFInfo> initWithCGPDFDocument(const std::shared_ptr<const pdf::Document>& document);

  // Reads the version and the information dictionary of the document.
  void loadDocumentInfo(const pdf::Document& document);

  int32_t majorVersion() const { return majorVersion_; }
  int32_t minorVersion() const { return minorVersion_; }
  // Seconds since the epoch (UTC); nullopt when the PDF gives none.
  std::optional<int64_t> creationDate() const { return creationDate_; }
  std::optional<int64_t> modificationDate() const { return modificationDate_; }

  std::string title;
  std::optional<std::string> author;  // none when the resource file lacks its default
  std::string subject;
  std::string keywords;
  std::optional<std::string> creator;  // likewise
  std::string producer;
  std::string note;
  uint64_t numPages = 0;

  // The key/value strings of the resource file (empty when it is missing).
  static std::map<std::string, std::string> ResourceDefaults();
  // Reads the string values of a property-list dictionary file.
  static std::map<std::string, std::string> ReadPlistStrings(const std::string& path);

 private:
  VQPDFInfo() = default;
  int32_t majorVersion_ = 0;
  int32_t minorVersion_ = 0;
  std::optional<int64_t> creationDate_;
  std::optional<int64_t> modificationDate_;
};

}  // namespace vq

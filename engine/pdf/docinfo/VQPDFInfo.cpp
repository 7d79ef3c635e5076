#include "pdf/docinfo/VQPDFInfo.h"

#include <cstdlib>
#include <pugixml.hpp>

#include "common/VQResources.h"

namespace vq {

namespace {
// The resource file's keys; the rights line is ours to name.
constexpr const char* kCreatorKey = "VQPDFInfo_Creator";
constexpr const char* kCompanyKey = "VQPDFInfo_Company";
constexpr const char* kWebsiteKey = "VQPDFInfo_Website";
constexpr const char* kRightsKey = "VQPDFInfo_Copyright";
}  // namespace

std::map<std::string, std::string> VQPDFInfo::ReadPlistStrings(const std::string& path) {
  std::map<std::string, std::string> values;
  pugi::xml_document doc;
  if (!doc.load_file(path.c_str())) return values;
  const pugi::xml_node dict = doc.child("plist").child("dict");
  // A property-list dictionary alternates <key> and value elements.
  for (pugi::xml_node key = dict.child("key"); key; key = key.next_sibling("key")) {
    const pugi::xml_node value = key.next_sibling();
    if (value && std::string_view(value.name()) == "string") values[key.text().get()] = value.text().get();
  }
  return values;
}

std::map<std::string, std::string> VQPDFInfo::ResourceDefaults() {
  const auto path = VQResourcePath("VQTabulette", "VQPDFInfo.plist");
  if (!path) return {};
  return ReadPlistStrings(*path);
}

std::unique_ptr<VQPDFInfo> VQPDFInfo::initWithCGPDFDocument(const std::shared_ptr<const pdf::Document>& document) {
  if (!document) return nullptr;
  std::unique_ptr<VQPDFInfo> info(new VQPDFInfo());
  const auto defaults = ResourceDefaults();
  auto value = [&](const char* key) -> std::optional<std::string> {
    auto it = defaults.find(key);
    if (it == defaults.end()) return std::nullopt;
    return it->second;
  };
  info->author = value(kCreatorKey);
  info->creator = value(kCompanyKey);
  // The note is the rights line and the web address, one per line; a
  // missing or empty part is left out rather than written as a blank line.
  for (const auto& part : {value(kRightsKey), value(kWebsiteKey)}) {
    if (!part || part->empty()) continue;
    if (!info->note.empty()) info->note += "\n";
    info->note += *part;
  }
  info->numPages = static_cast<uint64_t>(std::max(document->pageCount(), 0));
  info->loadDocumentInfo(*document);
  return info;
}

void VQPDFInfo::loadDocumentInfo(const pdf::Document& document) {
  const std::string version = document.version();
  char* end = nullptr;
  majorVersion_ = static_cast<int32_t>(std::strtol(version.c_str(), &end, 10));
  minorVersion_ = (end && *end == '.') ? static_cast<int32_t>(std::strtol(end + 1, nullptr, 10)) : 0;

  const pdf::Object dict = document.info();
  if (!dict.isDictionary()) return;
  auto text = [&](const char* key, auto&& assign) {
    const pdf::Object o = dict.get(key);
    if (auto t = o.isString() ? o.text() : std::nullopt) assign(*t);
  };
  text("Title", [&](const std::string& t) { title = t; });
  text("Author", [&](const std::string& t) { author = t; });
  text("Subject", [&](const std::string& t) { subject = t; });
  text("Keywords", [&](const std::string& t) { keywords = t; });
  text("Producer", [&](const std::string& t) { producer = t; });
  auto date = [&](const char* key) -> std::optional<int64_t> {
    const pdf::Object o = dict.get(key);
    if (auto raw = o.isString() ? o.text() : std::nullopt) return pdf::ParsePDFDate(*raw);
    return std::nullopt;
  };
  creationDate_ = date("CreationDate");
  modificationDate_ = date("ModDate");
}

}  // namespace vq

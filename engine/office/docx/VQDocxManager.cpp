#include "office/docx/VQDocxManager.h"

#include <atomic>
#include <cctype>
#include <charconv>
#include <pugixml.hpp>
#include <unordered_map>

#include "common/VQResources.h"
#include "office/VQDocxUtilities.h"

namespace vq {

namespace {

std::mutex gl_managerMutex;
std::shared_ptr<VQDocxManager> gl_manager;
// Changes whenever the table may have: the manager is dropped or a table is
// read. The per-thread answers of `factor` hold only while it stays.
std::atomic<unsigned> gl_tableVersion{1};

std::string lowerASCII(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

std::string removeAll(std::string text, const std::string& what) {
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at)) text.erase(at, what.size());
  return text;
}

// A leading decimal number, as a single-precision value; trailing text is
// ignored and no number gives 0.
float leadingFloat(const std::string& text) {
  size_t start = 0;
  while (start < text.size() && std::isspace(static_cast<unsigned char>(text[start]))) ++start;
  if (start < text.size() && text[start] == '+') ++start;
  float value = 0;
  auto [ptr, ec] = std::from_chars(text.data() + start, text.data() + text.size(), value);
  (void)ptr;
  return ec == std::errc() ? value : 0.0f;
}

}  // namespace

std::shared_ptr<VQDocxManager> VQDocxManager::sharedInstance() {
  std::lock_guard lock(gl_managerMutex);
  if (!gl_manager) gl_manager = std::make_shared<VQDocxManager>();
  return gl_manager;
}

void VQDocxManager::destory() {
  std::lock_guard lock(gl_managerMutex);
  gl_manager.reset();
  gl_tableVersion.fetch_add(1);
}

VQDocxManager::VQDocxManager() { readWordInfoDictionary(); }

std::optional<std::string> VQDocxManager::PathForWordLineHeightResources() {
  return VQResourcePath("VQVellumate", "word-line-height.plist");
}

void VQDocxManager::readWordInfoDictionary() {
  {
    std::lock_guard lock(mutex_);
    if (wordInfoDictionary_) return;
  }
  if (auto path = PathForWordLineHeightResources()) readWordInfoDictionaryAtPath(*path);
}

bool VQDocxManager::readWordInfoDictionaryAtPath(const std::string& path) {
  pugi::xml_document doc;
  if (!doc.load_file(path.c_str())) return false;
  pugi::xml_node root = doc.child("plist").child("dict");
  if (!root) return false;
  std::map<std::string, Entry> table;
  // A plist dictionary alternates <key> and value elements.
  for (pugi::xml_node key = root.child("key"); key; key = key.next_sibling("key")) {
    pugi::xml_node value = key.next_sibling();
    if (std::string_view(value.name()) != "dict") continue;
    Entry entry;
    for (pugi::xml_node k = value.child("key"); k; k = k.next_sibling("key")) {
      pugi::xml_node v = k.next_sibling();
      if (std::string_view(v.name()) == "string") entry[k.text().get()] = v.text().get();
    }
    table[key.text().get()] = std::move(entry);
  }
  std::lock_guard lock(mutex_);
  wordInfoDictionary_ = std::make_shared<const std::map<std::string, Entry>>(std::move(table));
  gl_tableVersion.fetch_add(1);
  return true;
}

double VQDocxManager::factor(const std::string& fontName, const char* key) {
  // Every text run of every page asks for its font's factors, on every page
  // thread: each thread keeps its answers rather than queue on the locks.
  thread_local std::unordered_map<std::string, double> answers;
  thread_local unsigned answersVersion = 0;
  const unsigned version = gl_tableVersion.load();
  if (version != answersVersion) {
    answers.clear();
    answersVersion = version;
  }
  const std::string answerKey = std::string(key) + '\n' + fontName;
  if (auto it = answers.find(answerKey); it != answers.end()) return it->second;
  const double answer = lookUpFactor(fontName, key);
  answers.emplace(answerKey, answer);
  return answer;
}

double VQDocxManager::lookUpFactor(const std::string& fontName, const char* key) {
  auto manager = sharedInstance();
  std::shared_ptr<const std::map<std::string, Entry>> loaded;
  {
    std::lock_guard lock(manager->mutex_);
    loaded = manager->wordInfoDictionary_;
  }
  if (!loaded) return 0;
  const auto& table = *loaded;
  const std::string n = lowerASCII(fontName);
  const std::string candidates[] = {n, n + " ", n + " regular", n + " regular ", removeAll(n, " regular")};
  for (const auto& name : candidates) {
    auto found = table.find(name);
    if (found == table.end()) continue;
    auto value = found->second.find(key);
    if (value == found->second.end() || value->second.empty()) return 0;
    const float x = leadingFloat(value->second);
    return (x >= 0.5f && x <= 2.0f) ? x : 0.0;
  }
  return 0;
}

double VQDocxManager::WordLineHeight(const std::string& fontName) { return factor(fontName, "font-height-factor"); }

double VQDocxManager::WordLineAscentFactor(const std::string& fontName) {
  return factor(fontName, "font-ascent-factor");
}

}  // namespace vq

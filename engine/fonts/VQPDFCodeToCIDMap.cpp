#include "fonts/VQPDFCodeToCIDMap.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <mutex>

#include "common/VQResources.h"
#include "fonts/VQPDFCMapTokenizer.h"
#include "fonts/VQPDFCharCodeToUnicode.h"

namespace vq {

namespace {

constexpr int kMaxUseDepth = 8;  // usecmap chains deeper than this are cycles
constexpr const char* kPopplerCMapDir = "/usr/share/poppler/cMap";

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// "<hhhh>" with an even number (2 to 8) of hex digits -> bytes.
bool hexBytes(const std::string& t, std::array<uint8_t, 4>& out, int* nBytes) {
  size_t n = t.size();
  if (n < 4 || n % 2 != 0 || t.front() != '<' || t.back() != '>') return false;
  int count = static_cast<int>((n - 2) / 2);
  if (count > 4) return false;
  for (int i = 0; i < count; ++i) {
    int hi = hexValue(t[1 + 2 * i]), lo = hexValue(t[2 + 2 * i]);
    if (hi < 0 || lo < 0) return false;
    out[i] = static_cast<uint8_t>(hi * 16 + lo);
  }
  *nBytes = count;
  return true;
}

uint32_t decimal(const std::string& t) {
  uint64_t v = 0;
  size_t i = 0;
  for (; i < t.size() && t[i] >= '0' && t[i] <= '9'; ++i) {
    v = v * 10 + (t[i] - '0');
    if (v > 0xFFFFFFFFu) return 0;
  }
  return i == 0 ? 0 : static_cast<uint32_t>(v);
}

bool isIdentityName(const std::string& name) {
  return name == "Identity" || name == "Identity-H" || name == "Identity-V";
}

// A resource name from a PDF must stay a file name: no folders, no "..".
bool isSafeFileName(const std::string& name) {
  if (name.empty() || name.size() > 128 || name[0] == '.') return false;
  for (char c : name)
    if (c == '/' || c == '\\' || c == '\0') return false;
  return true;
}

std::optional<std::string> readFile(const std::filesystem::path& path) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return std::nullopt;
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

}  // namespace

int32_t VQPDFCodeToCIDMap::newTable() {
  if (tables_.size() >= kMaxTables) return -1;
  tables_.emplace_back();
  return static_cast<int32_t>(tables_.size() - 1);
}

void VQPDFCodeToCIDMap::addCodeSpace(int32_t table, const uint8_t* start, const uint8_t* end, int nBytes) {
  if (nBytes < 2 || end[0] < start[0]) return;
  for (int b = start[0]; b <= end[0]; ++b) {
    int32_t child = tables_[table][b].child;
    if (child < 0) {
      child = newTable();
      if (child < 0) return;
      tables_[table][b] = Entry{0, child};
    }
    addCodeSpace(child, start + 1, end + 1, nBytes - 1);
  }
}

void VQPDFCodeToCIDMap::addCIDs(const uint8_t* start, const uint8_t* end, int nBytes, uint32_t firstCID) {
  int32_t table = 0;
  for (int i = 0; i < nBytes - 1; ++i) {
    int32_t child = tables_[table][start[i]].child;
    if (child < 0) {
      child = newTable();
      if (child < 0) return;
      tables_[table][start[i]] = Entry{0, child};
    }
    table = child;
  }
  int first = start[nBytes - 1], last = end[nBytes - 1];
  for (int b = first; b <= last; ++b) {
    Entry& e = tables_[table][b];
    if (e.child < 0) e.cid = firstCID + static_cast<uint32_t>(b - first);
  }
}

void VQPDFCodeToCIDMap::copyTree(int32_t target, const VQPDFCodeToCIDMap& source, int32_t sourceTable) {
  for (int b = 0; b < 256; ++b) {
    const Entry& s = source.tables_[sourceTable][b];
    if (s.child >= 0) {
      int32_t child = tables_[target][b].child;
      if (child < 0) {
        child = newTable();
        if (child < 0) return;
        tables_[target][b] = Entry{0, child};
      }
      copyTree(child, source, s.child);
    } else if (tables_[target][b].child < 0 && s.cid != 0) {
      // A leaf the used CMap leaves unmapped keeps what this map already says.
      tables_[target][b].cid = s.cid;
    }
  }
}

void VQPDFCodeToCIDMap::useCMap(const VQPDFCodeToCIDMap& other) {
  if (other.tables_.empty()) return;
  if (tables_.empty()) newTable();
  copyTree(0, other, 0);
}

void VQPDFCodeToCIDMap::parse(VQPDFCodeToCIDMapCache* cache, std::string_view text, int depth) {
  if (tables_.empty()) newTable();
  VQPDFCMapTokenizer tok(text);
  std::string t1, t2, a, b, c;
  std::array<uint8_t, 4> s{}, e{};
  int ns = 0, ne = 0;
  if (!tok.getToken(t1)) return;
  while (tok.getToken(t2)) {
    if (t2 == "usecmap" && !t1.empty() && t1[0] == '/') {
      if (depth < kMaxUseDepth) {
        std::shared_ptr<const VQPDFCodeToCIDMap> used =
            cache ? cache->getToCIDMap(cMapCollection, t1.substr(1), depth + 1)
                  : VQPDFMapTool::SharedCMap(t1.substr(1), depth + 1);
        if (used) useCMap(*used);
      }
      if (!tok.getToken(t1)) return;
    } else if (t1 == "/WMode") {
      wMode = static_cast<int>(decimal(t2));
      if (!tok.getToken(t1)) return;
    } else if (t2 == "begincodespacerange") {
      while (tok.getToken(a) && a != "endcodespacerange") {
        if (!tok.getToken(b) || b == "endcodespacerange") break;
        if (a.size() == b.size() && hexBytes(a, s, &ns) && hexBytes(b, e, &ne)) addCodeSpace(0, s.data(), e.data(), ns);
      }
      if (!tok.getToken(t1)) return;
    } else if (t2 == "begincidchar") {
      while (tok.getToken(a) && a != "endcidchar") {
        if (!tok.getToken(b) || b == "endcidchar") break;
        if (hexBytes(a, s, &ns)) addCIDs(s.data(), s.data(), ns, decimal(b));
      }
      if (!tok.getToken(t1)) return;
    } else if (t2 == "begincidrange") {
      while (tok.getToken(a) && a != "endcidrange") {
        if (!tok.getToken(b) || b == "endcidrange") break;
        if (!tok.getToken(c) || c == "endcidrange") break;
        if (a.size() == b.size() && hexBytes(a, s, &ns) && hexBytes(b, e, &ne))
          addCIDs(s.data(), e.data(), ns, decimal(c));
      }
      if (!tok.getToken(t1)) return;
    } else {
      t1 = t2;
    }
  }
}

std::shared_ptr<VQPDFCodeToCIDMap> VQPDFCodeToCIDMap::ParseCMapText(VQPDFCodeToCIDMapCache* cache,
                                                                    const std::string& collection,
                                                                    const std::string& cMapName, std::string_view text,
                                                                    const VQPDFCodeToCIDMap* usedCMap) {
  auto map = std::make_shared<VQPDFCodeToCIDMap>();
  map->cMapCollection = collection;
  map->cMapName = cMapName;
  map->newTable();
  if (usedCMap) {
    map->useCMap(*usedCMap);
    map->wMode = usedCMap->wMode;
  }
  map->parse(cache, text, 0);
  return map;
}

std::shared_ptr<const VQPDFCodeToCIDMap> VQPDFCodeToCIDMap::NewToCIDMap(VQPDFCodeToCIDMapCache* cache,
                                                                        const std::string& collection,
                                                                        const std::string& cMapName,
                                                                        std::string_view cMapFile) {
  if (!cMapFile.empty()) return ParseCMapText(cache, collection, cMapName, cMapFile);
  if (isIdentityName(cMapName)) {
    auto map = std::make_shared<VQPDFCodeToCIDMap>();
    map->cMapCollection = collection;
    map->cMapName = cMapName;
    map->wMode = cMapName == "Identity-V" ? 1 : 0;
    return map;
  }
  return VQPDFMapTool::SharedCMap(cMapName);
}

uint32_t VQPDFCodeToCIDMap::getCID(const uint8_t* bytes, size_t len, uint32_t* code, size_t* nUsed) const {
  *code = 0;
  *nUsed = 1;
  if (len == 0) return 0;
  if (tables_.empty()) {
    if (len >= 2) {
      *nUsed = 2;
      *code = (static_cast<uint32_t>(bytes[0]) << 8) | bytes[1];
      return *code;
    }
    *code = bytes[0];
    return 0;
  }
  int32_t table = 0;
  uint32_t acc = 0;
  for (size_t i = 0; i < len && i < 4; ++i) {
    acc = (acc << 8) | bytes[i];
    const Entry& e = tables_[table][bytes[i]];
    if (e.child < 0) {
      *code = acc;
      *nUsed = i + 1;
      return e.cid;
    }
    table = e.child;
  }
  *code = bytes[0];
  *nUsed = 1;
  return 0;
}

std::shared_ptr<const VQPDFCodeToCIDMap> VQPDFCodeToCIDMapCache::getToCIDMap(const std::string& collection,
                                                                             const std::string& cMapName, int depth) {
  for (auto it = maps_.begin(); it != maps_.end(); ++it) {
    if ((*it)->cMapCollection == collection && (*it)->cMapName == cMapName) {
      auto found = *it;
      maps_.erase(it);
      maps_.push_back(found);
      return found;
    }
  }
  std::shared_ptr<const VQPDFCodeToCIDMap> map;
  if (isIdentityName(cMapName)) {
    map = VQPDFCodeToCIDMap::NewToCIDMap(this, collection, cMapName);
  } else {
    map = VQPDFMapTool::SharedCMap(cMapName, depth);
  }
  if (map) maps_.push_back(map);
  return map;
}

std::optional<std::string> VQPDFMapTool::FindCMapFile(const std::string&, const std::string& cMapName) {
  if (!isSafeFileName(cMapName)) return std::nullopt;
  if (auto path = VQResourcePath("VQPDFParser", "PDFEncodings/CMap/" + cMapName))
    if (auto text = readFile(*path)) return text;
  if (auto text = readFile(std::filesystem::path(kPopplerCMapDir) / cMapName)) return text;
  std::error_code ec;
  for (const auto& dir : std::filesystem::directory_iterator(kPopplerCMapDir, ec)) {
    if (!dir.is_directory(ec)) continue;
    if (auto text = readFile(dir.path() / cMapName)) return text;
  }
  return std::nullopt;
}

std::optional<std::string> VQPDFMapTool::FindToUnicodeFile(const std::string& region) {
  if (region != "Adobe-CNS1" && region != "Adobe-GB1" && region != "Adobe-Japan1" && region != "Adobe-Korea1")
    return std::nullopt;
  std::string file = region + "-UCS2";
  if (auto path = VQResourcePath("VQPDFParser", "PDFEncodings/CIDToUnicode/" + file))
    if (auto text = readFile(*path)) return text;
  return readFile(std::filesystem::path(kPopplerCMapDir) / region / file);
}

std::shared_ptr<const VQPDFCharCodeToUnicode> VQPDFMapTool::SharedToUnicodeMap(const std::string& region) {
  static std::mutex mutex;
  static std::map<std::string, std::shared_ptr<const VQPDFCharCodeToUnicode>> maps;
  {
    std::lock_guard lock(mutex);
    if (auto it = maps.find(region); it != maps.end()) return it->second;
  }
  std::shared_ptr<const VQPDFCharCodeToUnicode> map;
  if (auto text = FindToUnicodeFile(region); text && !text->empty())
    map = VQPDFCharCodeToUnicode::NewToUnicodeCMap(*text, 16);
  std::lock_guard lock(mutex);
  return maps.emplace(region, map).first->second;
}

std::shared_ptr<const VQPDFCodeToCIDMap> VQPDFMapTool::SharedCMap(const std::string& cMapName, int depth) {
  static std::mutex mutex;
  static std::map<std::string, std::shared_ptr<const VQPDFCodeToCIDMap>> maps;
  {
    std::lock_guard lock(mutex);
    if (auto it = maps.find(cMapName); it != maps.end()) return it->second;
  }
  if (depth > kMaxUseDepth) return nullptr;
  std::shared_ptr<const VQPDFCodeToCIDMap> map;
  if (auto text = FindCMapFile("", cMapName); text && !text->empty()) {
    auto parsed = std::make_shared<VQPDFCodeToCIDMap>();
    parsed->cMapName = cMapName;
    parsed->parse(nullptr, *text, depth);
    map = parsed;
  } else if (isIdentityName(cMapName)) {
    map = VQPDFCodeToCIDMap::NewToCIDMap(nullptr, "", cMapName);
  }
  std::lock_guard lock(mutex);
  return maps.emplace(cMapName, map).first->second;
}

}  // namespace vq

#pragma once
// Encoding CMaps of Type 0 fonts: cut string bytes into codes of one to four
// bytes and give each its CID. Also the lookup of CMap and CID-to-Unicode
// files (the bundle's own, else poppler-data's), with the maps parsed from
// files cached once per process.
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vq {

class VQPDFCharCodeToUnicode;
class VQPDFCodeToCIDMapCache;

class VQPDFCodeToCIDMap {
 public:
  // A bound on byte tables per map: a four-byte code space over the whole
  // range would otherwise ask for 16 million tables.
  static constexpr size_t kMaxTables = 16384;

  // The map named cMapName: parsed from cMapFile when given, else from the
  // CMap file of that name; the identity names without a file give identity
  // maps. nullptr when there is neither text nor an identity name.
  static std::shared_ptr<const VQPDFCodeToCIDMap> NewToCIDMap(VQPDFCodeToCIDMapCache* cache,
                                                              const std::string& collection,
                                                              const std::string& cMapName,
                                                              std::string_view cMapFile = {});
  // A map parsed from CMap text (an embedded CMap stream); usedCMap, when not
  // null, is applied first (the stream's /UseCMap).
  static std::shared_ptr<VQPDFCodeToCIDMap> ParseCMapText(VQPDFCodeToCIDMapCache* cache, const std::string& collection,
                                                          const std::string& cMapName, std::string_view text,
                                                          const VQPDFCodeToCIDMap* usedCMap = nullptr);

  // The CID of the code at the start of `bytes`; *code and *nUsed (≥ 1) are set.
  uint32_t getCID(const uint8_t* bytes, size_t len, uint32_t* code, size_t* nUsed) const;

  bool isIdentity() const { return tables_.empty(); }
  std::string cMapCollection;
  std::string cMapName;
  int wMode = 0;

  // Copies another map's tree into this one (usecmap).
  void useCMap(const VQPDFCodeToCIDMap& other);

 private:
  struct Entry {
    uint32_t cid = 0;
    int32_t child = -1;  // index into tables_, or -1 for a leaf
  };
  using Table = std::array<Entry, 256>;

  void parse(VQPDFCodeToCIDMapCache* cache, std::string_view text, int depth);
  int32_t newTable();
  void addCodeSpace(int32_t table, const uint8_t* start, const uint8_t* end, int nBytes);
  void addCIDs(const uint8_t* start, const uint8_t* end, int nBytes, uint32_t firstCID);
  void copyTree(int32_t target, const VQPDFCodeToCIDMap& source, int32_t sourceTable);

  std::vector<Table> tables_;  // tables_[0] is the root; empty for an identity map
  friend class VQPDFCodeToCIDMapCache;
  friend class VQPDFMapTool;
};

// The maps asked for while one font is set up, most recently used last.
class VQPDFCodeToCIDMapCache {
 public:
  std::shared_ptr<const VQPDFCodeToCIDMap> getToCIDMap(const std::string& collection, const std::string& cMapName,
                                                       int depth = 0);

 private:
  std::vector<std::shared_ptr<const VQPDFCodeToCIDMap>> maps_;
};

class VQPDFMapTool {
 public:
  // Text of the CMap file of that name, or nullopt (also for names that could
  // leave the CMap folders).
  static std::optional<std::string> FindCMapFile(const std::string& collection, const std::string& cMapName);
  // Text of the CID-to-Unicode file of a region (Adobe-CNS1, Adobe-GB1,
  // Adobe-Japan1, Adobe-Korea1), or nullopt.
  static std::optional<std::string> FindToUnicodeFile(const std::string& region);
  // The CID-to-Unicode map of a region, parsed once per process (16-bit CIDs).
  static std::shared_ptr<const VQPDFCharCodeToUnicode> SharedToUnicodeMap(const std::string& region);
  // An encoding CMap parsed from its file once per process; nullptr when missing.
  static std::shared_ptr<const VQPDFCodeToCIDMap> SharedCMap(const std::string& cMapName, int depth = 0);
};

}  // namespace vq

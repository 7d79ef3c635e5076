#pragma once
// Character code (or CID) -> Unicode text, read from a /ToUnicode CMap or a
// collection's CID-to-Unicode CMap file.
//
// Codes below 65536 live in a flat table (one index per lookup), grown to the
// highest such code mapped; larger codes
// (32-bit maps only) are kept as range records, never expanded, so no CMap
// text can make the map allocate without bound or walk billions of codes.
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vq {

class VQPDFCharCodeToUnicode {
 public:
  static constexpr int kMaxUnits = 8;
  static constexpr size_t kMaxHighRanges = 1u << 16;  // range records for codes above 0xFFFF
  static constexpr size_t kMaxMultiEntries = 1u << 20;

  // nBits: 8 or 16 (codes above 0xFF / 0xFFFF are ignored), anything else for
  // codes up to 0xFFFFFFFF.
  static std::shared_ptr<VQPDFCharCodeToUnicode> NewToUnicodeCMap(std::string_view text, int nBits);

  VQPDFCharCodeToUnicode();

  // Writes at most uSize UTF-16 units of a code; returns how many (0 = unknown code).
  int mapToUnicode(uint32_t code, uint32_t* u, int uSize) const;
  // The code whose text is a space, 0 when none.
  uint32_t spaceCIDCode() const;
  // True when the map maps no code at all (a ToUnicode stream that is not
  // a CMap).
  bool isEmpty() const;
  // Copies every mapping of another map into this one (later mappings win).
  void mergeFrom(const VQPDFCharCodeToUnicode& other);

  std::string tag = "ToUnicode";
  int wMode = 0;

 private:
  struct Multi {
    uint32_t code = 0;
    uint32_t units[kMaxUnits] = {};
    int length = 0;
  };
  void parseCMap1(std::string_view text, int nBits, int depth);
  // Maps a code to hex digits (a UTF-16 text); `offset` is added to its last unit.
  void addMapping(uint32_t code, std::string_view digits, uint32_t offset);
  void setDirect(uint32_t code, uint32_t value);
  // Codes first..last above 0xFFFF map to digits, the last unit raised by code - base.
  void addHighRange(uint32_t first, uint32_t last, uint32_t base, std::string_view digits);

  // Codes below this have a direct entry in map_; larger ones live in high_.
  static constexpr uint32_t kDirectCodes = 0x10000;
  std::vector<uint32_t> map_;  // codes 0..size-1 (grown up to 0xFFFF); 0 = no direct entry
  struct HighRange {
    uint32_t first = 0, last = 0, base = 0;
    std::string digits;
  };
  std::vector<HighRange> high_;                      // later records win
  std::vector<Multi> multi_;                         // in the order they were added
  std::unordered_map<uint32_t, size_t> multiIndex_;  // code -> first multi entry
  // spaceCIDCode() once found (-1: not yet): it walks the whole table and
  // is asked for every run of text. Changes to the map forget it.
  mutable std::atomic<int64_t> spaceCode_{-1};
};

}  // namespace vq

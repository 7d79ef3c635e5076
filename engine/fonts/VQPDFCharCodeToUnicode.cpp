#include "fonts/VQPDFCharCodeToUnicode.h"

#include <algorithm>

#include "fonts/VQPDFCMapTokenizer.h"
#include "fonts/VQPDFCodeToCIDMap.h"

namespace vq {

namespace {

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

bool allHex(std::string_view s) {
  for (char c : s)
    if (hexValue(c) < 0) return false;
  return true;
}

// The code of a "<hex>" token: at most 8 digits, so it fits 32 bits.
bool parseCode(std::string_view digits, uint32_t* code) {
  if (digits.size() > 8 || !allHex(digits)) return false;
  uint32_t v = 0;
  for (char c : digits) v = (v << 4) | hexValue(c);
  *code = v;
  return true;
}

bool isHexToken(const std::string& t) { return t.size() >= 2 && t.front() == '<' && t.back() == '>'; }

std::string_view innerDigits(const std::string& t) {
  return std::string_view(t).substr(1, t.size() >= 2 ? t.size() - 2 : 0);
}

uint32_t largestCode(int nBits) { return nBits == 8 ? 0xFF : nBits == 16 ? 0xFFFF : 0xFFFFFFFFu; }

constexpr int kMaxUseDepth = 4;

}  // namespace

VQPDFCharCodeToUnicode::VQPDFCharCodeToUnicode() = default;

std::shared_ptr<VQPDFCharCodeToUnicode> VQPDFCharCodeToUnicode::NewToUnicodeCMap(std::string_view text, int nBits) {
  auto map = std::make_shared<VQPDFCharCodeToUnicode>();
  map->parseCMap1(text, nBits, 0);
  return map;
}

bool VQPDFCharCodeToUnicode::isEmpty() const {
  return high_.empty() && multi_.empty() && std::all_of(map_.begin(), map_.end(), [](uint32_t v) { return v == 0; });
}

void VQPDFCharCodeToUnicode::setDirect(uint32_t code, uint32_t value) {
  // Every change that spaceCIDCode() reads (the direct table, and the multi
  // entries, each of which clears its code here first) comes through here.
  spaceCode_.store(-1, std::memory_order_relaxed);
  if (code >= kDirectCodes) return;
  if (code >= map_.size()) {
    if (value == 0) return;  // nothing to clear
    // Grown to the codes in use: most maps are of one-byte codes.
    size_t size = std::max<size_t>(map_.size(), 256);
    while (size <= code) size *= 2;
    map_.resize(std::min<size_t>(size, kDirectCodes), 0);
  }
  map_[code] = value;
}

void VQPDFCharCodeToUnicode::addHighRange(uint32_t first, uint32_t last, uint32_t base, std::string_view digits) {
  if (high_.size() >= kMaxHighRanges || !allHex(digits)) return;
  high_.push_back(HighRange{first, last, base, std::string(digits)});
}

void VQPDFCharCodeToUnicode::addMapping(uint32_t code, std::string_view digits, uint32_t offset) {
  if (!allHex(digits)) return;
  if (code >= kDirectCodes) {
    addHighRange(code, code, code - offset, digits);
    return;
  }
  if (digits.size() <= 4) {
    uint32_t v = 0;
    for (char c : digits) v = (v << 4) | hexValue(c);
    setDirect(code, v + offset);
    return;
  }
  if (multi_.size() >= kMaxMultiEntries) return;
  Multi m;
  m.code = code;
  m.length = std::min<int>(static_cast<int>(digits.size() / 4), kMaxUnits);
  for (int i = 0; i < m.length; ++i) {
    uint32_t v = 0;
    for (int k = 0; k < 4; ++k) v = (v << 4) | hexValue(digits[i * 4 + k]);
    m.units[i] = v;
  }
  m.units[m.length - 1] += offset;
  setDirect(code, 0);
  multiIndex_.emplace(code, multi_.size());
  multi_.push_back(m);
}

void VQPDFCharCodeToUnicode::mergeFrom(const VQPDFCharCodeToUnicode& other) {
  for (uint32_t c = 0; c < other.map_.size(); ++c)
    if (other.map_[c]) setDirect(c, other.map_[c]);
  for (const auto& r : other.high_)
    if (high_.size() < kMaxHighRanges) high_.push_back(r);
  for (const auto& m : other.multi_) {
    if (multi_.size() >= kMaxMultiEntries) break;
    setDirect(m.code, 0);
    multiIndex_.emplace(m.code, multi_.size());
    multi_.push_back(m);
  }
}

void VQPDFCharCodeToUnicode::parseCMap1(std::string_view text, int nBits, int depth) {
  const uint64_t maxCode = largestCode(nBits);
  VQPDFCMapTokenizer tok(text);
  std::string t1, t2, t3;
  if (!tok.getToken(t1)) return;
  while (tok.getToken(t2)) {
    if (t2 == "usecmap" && !t1.empty() && t1[0] == '/') {
      std::string region = t1.substr(1);
      // A UCS2 CMap named in full stands for its collection.
      if (region.size() > 5 && region.compare(region.size() - 5, 5, "-UCS2") == 0) region.resize(region.size() - 5);
      if (depth < kMaxUseDepth) {
        if (auto shared = VQPDFMapTool::SharedToUnicodeMap(region)) mergeFrom(*shared);
      }
      if (!tok.getToken(t1)) return;
    } else if (t2 == "beginbfchar") {
      if (!tok.getToken(t1)) return;
      while (t1 != "endbfchar") {
        if (!tok.getToken(t2) || t2 == "endbfchar") break;
        if (isHexToken(t1) && isHexToken(t2)) {
          uint32_t code = 0;
          std::string_view digits = innerDigits(t1);
          bool ok = t1.size() < 3 ? true : parseCode(digits, &code);
          if (ok && code <= maxCode) addMapping(code, innerDigits(t2), 0);
        }
        if (!tok.getToken(t1)) return;
      }
      if (!tok.getToken(t1)) return;
    } else if (t2 == "beginbfrange") {
      if (!tok.getToken(t1)) return;
      while (true) {
        if (t1 == "endbfrange") break;
        if (!tok.getToken(t2) || t2 == "endbfrange") break;
        if (!tok.getToken(t3) || t3 == "endbfrange") break;
        uint32_t code1 = 0, code2 = 0;
        bool ok = isHexToken(t1) && isHexToken(t2) && parseCode(innerDigits(t1), &code1) &&
                  parseCode(innerDigits(t2), &code2);
        if (t3 == "[") {
          // 64-bit arithmetic: code1 + k never wraps past 0xFFFFFFFF.
          uint64_t k = 0;
          std::string item;
          while (tok.getToken(item) && item != "]") {
            if (ok && !item.empty() && item.back() == '>' && item.front() == '<' && code1 + k <= maxCode)
              addMapping(static_cast<uint32_t>(code1 + k), innerDigits(item), 0);
            ++k;
          }
        } else if (ok && isHexToken(t3)) {
          uint64_t last = std::min<uint64_t>(code2, maxCode);
          std::string_view digits = innerDigits(t3);
          // 64-bit counter: a range ending at 0xFFFFFFFF must still end.
          for (uint64_t c = code1; c <= last && c <= 0xFFFF; ++c)
            addMapping(static_cast<uint32_t>(c), digits, static_cast<uint32_t>(c - code1));
          if (last > 0xFFFF && last >= code1)
            addHighRange(static_cast<uint32_t>(std::max<uint64_t>(code1, 0x10000)), static_cast<uint32_t>(last), code1,
                         digits);
        }
        if (!tok.getToken(t1)) return;
      }
      if (!tok.getToken(t1)) return;
    } else {
      t1 = t2;
    }
  }
}

int VQPDFCharCodeToUnicode::mapToUnicode(uint32_t code, uint32_t* u, int uSize) const {
  if (code >= kDirectCodes) {
    for (auto r = high_.rbegin(); r != high_.rend(); ++r) {
      if (code < r->first || code > r->last) continue;
      int n = 0;
      const std::string& d = r->digits;
      if (d.size() <= 4) {
        uint32_t v = 0;
        for (char c : d) v = (v << 4) | hexValue(c);
        if (v + (code - r->base) == 0 || uSize < 1) return 0;
        u[0] = v + (code - r->base);
        return 1;
      }
      int length = std::min<int>(static_cast<int>(d.size() / 4), kMaxUnits);
      for (int i = 0; i < length && n < uSize; ++i) {
        uint32_t v = 0;
        for (int k = 0; k < 4; ++k) v = (v << 4) | hexValue(d[i * 4 + k]);
        if (i == length - 1) v += code - r->base;
        u[n++] = v;
      }
      return n;
    }
    return 0;
  }
  const uint32_t direct = code < map_.size() ? map_[code] : 0;
  if (direct != 0) {
    if (uSize < 1) return 0;
    u[0] = direct;
    return 1;
  }
  auto it = multiIndex_.find(code);
  if (it == multiIndex_.end()) return 0;
  const Multi& m = multi_[it->second];
  int n = std::min(m.length, uSize);
  for (int i = 0; i < n; ++i) u[i] = m.units[i];
  return n < 0 ? 0 : n;
}

uint32_t VQPDFCharCodeToUnicode::spaceCIDCode() const {
  if (const int64_t known = spaceCode_.load(std::memory_order_relaxed); known >= 0) return static_cast<uint32_t>(known);
  uint32_t found = 0;
  bool seen = false;
  for (uint32_t c = 0; c < map_.size() && !seen; ++c)
    if (map_[c] == 0x20) found = c, seen = true;
  for (size_t i = 0; i < multi_.size() && !seen; ++i)
    if (multi_[i].length > 0 && multi_[i].units[multi_[i].length - 1] == 0x20) found = multi_[i].code, seen = true;
  spaceCode_.store(found, std::memory_order_relaxed);
  return found;
}

}  // namespace vq

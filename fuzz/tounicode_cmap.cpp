// ToUnicode CMap parser: the first byte picks the code width (8, 16 or
// 32 bits), the rest is the CMap text. The map is then asked for codes
// across the whole range, for its space code, and merged into another map.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fonts/VQPDFCharCodeToUnicode.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  static constexpr int kBits[3] = {8, 16, 32};
  int nBits = kBits[data[0] % 3];
  std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
  auto map = vq::VQPDFCharCodeToUnicode::NewToUnicodeCMap(text, nBits);
  if (!map) return 0;

  uint32_t units[vq::VQPDFCharCodeToUnicode::kMaxUnits + 1];
  auto ask = [&](uint32_t code) {
    // A buffer one unit short of the longest text checks the clamp too.
    map->mapToUnicode(code, units, vq::VQPDFCharCodeToUnicode::kMaxUnits);
    map->mapToUnicode(code, units, 1);
  };
  for (uint32_t code = 0; code < 0x200; ++code) ask(code);
  for (uint32_t code : {0x7FFFu, 0x8000u, 0xFFFEu, 0xFFFFu, 0x10000u, 0x10001u, 0xFFFFFFu, 0x1000000u, 0x7FFFFFFFu,
                        0xFFFFFFFEu, 0xFFFFFFFFu})
    ask(code);
  map->spaceCIDCode();
  map->isEmpty();

  vq::VQPDFCharCodeToUnicode merged;
  merged.mergeFrom(*map);
  merged.mergeFrom(*map);
  merged.spaceCIDCode();
  for (uint32_t code : {0u, 0x20u, 0xFFu, 0xFFFFu, 0x10000u, 0xFFFFFFFFu}) merged.mapToUnicode(code, units, 4);
  return 0;
}

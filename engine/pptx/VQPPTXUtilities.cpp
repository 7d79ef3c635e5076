#include "pptx/VQPPTXUtilities.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "office/VQNumberFormat.h"

namespace vq {

VQPPTX_TxBodyPr VQPPTXUtilities::defaultTextBodyProperty() {
  VQPPTX_TxBodyPr p;
  p.warp = "none";
  p.anchor = "ctr";
  return p;
}

VQPPTX_PPr VQPPTXUtilities::defaultPProperty() {
  VQPPTX_PPr p;
  p.tabList.algn = "l";
  p.algn = "ctr";
  p.endParaRPr.lang = "zh-CN";
  p.endParaRPr.altLang = "en-US";
  return p;
}

VQPPTX_RunPr VQPPTXUtilities::defaultRunProperty() {
  VQPPTX_RunPr r;
  r.lang = "en-US";
  r.altLang = "zh-CN";
  r.sz = 18;
  VQPPTX_RunPr_Font f{"Arial Unicode MS", "Arial Unicode MS", "18", "0"};
  r.latin = f;
  r.cs = f;
  return r;
}

bool VQPPTX_IsEqual_RunPr_Font(const VQPPTX_RunPr_Font& a, const VQPPTX_RunPr_Font& b) {
  return a.typeface == b.typeface && a.pitchFamily == b.pitchFamily && a.charset == b.charset;
}

bool VQPPTX_IsEqualRPr(const VQPPTX_RunPr& a, const VQPPTX_RunPr& b) {
  return a.lang == b.lang && a.altLang == b.altLang && a.rgbColor == b.rgbColor &&
         VQPPTX_IsEqual_RunPr_Font(a.latin, b.latin) && VQPPTX_IsEqual_RunPr_Font(a.cs, b.cs) && a.sz == b.sz &&
         a.dirty == b.dirty && a.smtClean == b.smtClean && a.invisible == b.invisible;
}

std::string VQPPTXEmu(double points) { return VQFormatFixed(points * 12700.0, 0); }

std::string VQPPTXAngle(double degrees) { return VQFormatFixed(degrees * 60000.0, 0); }

int64_t VQPPTXSlideSizeEmu(double points) {
  // Presentation programs refuse a slide side outside 1 to 56 inches
  // (914400 to 51206400 EMU): a tiny page gets the smallest slide, its
  // content at the top left.
  constexpr double kMin = 914400, kMax = 51206400;
  const double v = std::trunc(points * 12700.0);
  if (!(v >= kMin)) return static_cast<int64_t>(kMin);  // NaN too
  if (v > kMax) return static_cast<int64_t>(kMax);
  return static_cast<int64_t>(v);
}

std::string_view VQPPTXSlideSizeType(int64_t cx, int64_t cy) {
  struct Preset {
    std::string_view type;
    int64_t long_side, short_side;
  };
  // The landscape sides of the presets in EMU (914400 an inch). Letter and
  // overhead slides share the 10 x 7.5 inch sides of the 4:3 screen, whose
  // name stands for them.
  static constexpr Preset kPresets[] = {
      {"screen4x3", 9144000, 6858000}, {"screen16x9", 9144000, 5143500}, {"screen16x10", 9144000, 5715000},
      {"A4", 9906000, 6858000},        {"35mm", 10287000, 6858000},      {"banner", 7315200, 914400},
      {"ledger", 12179300, 9144000},   {"A3", 12801600, 9601200},        {"B4ISO", 10826750, 8120063},
      {"B5ISO", 7169150, 5376863},
  };
  constexpr int64_t kNear = 6350;  // half a point
  const int64_t longSide = std::max(cx, cy), shortSide = std::min(cx, cy);
  for (const auto& p : kPresets)
    if (std::llabs(longSide - p.long_side) <= kNear && std::llabs(shortSide - p.short_side) <= kNear) return p.type;
  return "custom";
}

}  // namespace vq

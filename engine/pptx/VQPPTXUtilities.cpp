#include "pptx/VQPPTXUtilities.h"

#include <cmath>
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

}  // namespace vq

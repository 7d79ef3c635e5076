#pragma once
// Value records of the presentation converter's DrawingML text properties,
// their defaults and equality, and the number forms every PPTX part uses.
#include <cstdint>
#include <string>
#include <string_view>

namespace vq {

struct VQPPTX_TxBodyPr {
  std::string warp;  // written as the "wrap" value
  int32_t lIns = 0, tIns = 0, rIns = 0, bIns = 0;
  char rtlCol = 0;
  std::string anchor;
};

struct VQPPTX_RunPr_Font {
  std::string typeface, typeface_replace, pitchFamily, charset;
};

struct VQPPTX_RunPr {
  std::string lang, altLang;
  float sz = 0;  // points
  char b = 0, i = 0, dirty = 0, smtClean = 0;
  std::string rgbColor;  // six hex digits, empty for none
  VQPPTX_RunPr_Font latin, cs;
  // Text the page does not paint (an OCR layer over a scan): it stays
  // selectable and searchable on the slide but is fully transparent.
  char invisible = 0;
};

struct VQPPTX_PPr_TabList {
  double pos = 0;  // points
  std::string algn;
};

struct VQPPTX_PPr_EndParaRPr {
  std::string lang, altLang;
};

struct VQPPTX_PPr {
  double marL = 0;   // points
  double lnSpc = 0;  // points
  VQPPTX_PPr_TabList tabList;
  std::string algn;
  VQPPTX_PPr_EndParaRPr endParaRPr;
};

struct VQPPTXEdgeInsets {
  double top = 0, left = 0, bottom = 0, right = 0;
};

class VQPPTXUtilities {
 public:
  VQPPTXUtilities() = delete;
  static VQPPTX_TxBodyPr defaultTextBodyProperty();
  static VQPPTX_PPr defaultPProperty();
  // Text drawn without a font gets 18 points, upright, regular: the size the
  // presentation's default text style gives.
  static VQPPTX_RunPr defaultRunProperty();
};

bool VQPPTX_IsEqual_RunPr_Font(const VQPPTX_RunPr_Font& a, const VQPPTX_RunPr_Font& b);
// Bold, italic and the replacement typefaces are left out on purpose: text
// appended to a run keeps that run's style. Visible and invisible text never
// share a run.
bool VQPPTX_IsEqualRPr(const VQPPTX_RunPr& a, const VQPPTX_RunPr& b);

// Points to EMU (12700 per point), rounded to a whole number.
std::string VQPPTXEmu(double points);
// Degrees to DrawingML angle units (60000 per degree).
std::string VQPPTXAngle(double degrees);
// A whole number of slide-size EMU: points x 12700, truncated, kept within
// the sizes a slide may have (914400 to 51206400).
int64_t VQPPTXSlideSizeEmu(double points);
// The preset slide size named by a slide of these sides (EMU), in either
// orientation: "screen4x3", "A4", "screen16x9" and the others whose sides
// are within half a point; "custom" for any other size.
std::string_view VQPPTXSlideSizeType(int64_t cx, int64_t cy);

}  // namespace vq

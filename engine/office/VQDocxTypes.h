#pragma once
// WordprocessingML property records: plain values, copied whole. Lengths are
// PDF points unless a field says otherwise; colour components are 0..255;
// enumerations are ints that index the token tables of VQDocxTokens.h. Every
// field starts at zero (a font name empty), so a record that is only
// value-initialised is all zero, and the default makers set the rest.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

namespace vq {

using VQFlag = uint8_t;

// The longest start of `text` of at most `maxBytes` bytes that ends at a
// UTF-8 character boundary.
inline std::string_view VQDocxTextCut(std::string_view text, size_t maxBytes) {
  size_t n = text.size() < maxBytes ? text.size() : maxBytes;
  while (n > 0 && n < text.size() && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
  return text.substr(0, n);
}

// Copies text into a fixed buffer, NUL-terminated, cutting at a UTF-8
// character boundary when it does not fit.
template <size_t N>
void VQDocxSetText(char (&buffer)[N], std::string_view text) {
  const std::string_view kept = VQDocxTextCut(text, N - 1);
  std::memcpy(buffer, kept.data(), kept.size());
  buffer[kept.size()] = '\0';
}

template <size_t N>
std::string_view VQDocxText(const char (&buffer)[N]) {
  return std::string_view(buffer, strnlen(buffer, N));
}

// A font name of a character-property record. Every glyph of a page gets a
// record, and records are copied again and again while the page is laid
// out, so the name is held once and shared by the copies: copying a record
// copies no text. Like a text buffer of 128 bytes, it keeps at most 127
// bytes, cut at a UTF-8 character boundary.
class VQDocxFontName {
 public:
  static constexpr size_t kMaxBytes = 127;

  VQDocxFontName() = default;
  explicit VQDocxFontName(std::string_view text) { assign(text); }

  std::string_view view() const { return text_ ? std::string_view(*text_) : std::string_view(); }
  bool empty() const { return view().empty(); }
  void assign(std::string_view text) {
    const std::string_view kept = Kept(text);
    if (kept.empty()) text_.reset();
    else text_ = std::make_shared<const std::string>(kept);
  }
  // What of `text` a name keeps.
  static std::string_view Kept(std::string_view text) { return VQDocxTextCut(text, kMaxBytes); }
  bool operator==(const VQDocxFontName& other) const { return view() == other.view(); }

 private:
  std::shared_ptr<const std::string> text_;
};

inline void VQDocxSetText(VQDocxFontName& name, std::string_view text) { name.assign(text); }
inline std::string_view VQDocxText(const VQDocxFontName& name) { return name.view(); }

struct VQDocx_Color {
  int red = 0, green = 0, blue = 0, alpha = 0;
};

// The run's face: written for all four scripts (ASCII, high ANSI, complex,
// East Asian) alike.
struct VQDocx_RFonts {
  VQDocxFontName ascii;
};

struct VQDocx_RPr {
  char lang[32] = {};
  VQDocx_RFonts rFonts;
  VQDocx_RFonts rFonts_replace;  // the installed face that stands in for rFonts
  VQDocxFontName rFonts_backup;  // the PDF's face, kept when rFonts is replaced
  VQFlag vanish = 0;
  int kern = 0;
  VQFlag b = 0;
  VQFlag i = 0;
  VQFlag serif = 0;
  VQFlag upperCase = 0;
  float sz = 0;
  float szCs = 0;
  VQDocx_Color color;
  VQFlag background = 0;
  VQDocx_Color backgroundcolor;
  float spacing = 0;
  float position = 0;
  float w = 0;
  int u = 0;
  VQDocx_Color u_color;
  int strikethrough = 0;
  int highlight = 0;
  int capsStyle = 0;
  int misc = 0;
  int scrpit = 0;
  VQFlag noProof = 0;
};

struct VQDocx_Spacing {
  float before = 0, after = 0, line = 0;
  char lineRule[16] = {};
  float word1LineHeight = 0;
};

struct VQDocx_Ind {
  float firstLine = 0, left = 0, right = 0;
};

struct VQDocx_NumPr {
  int ilvl = 0, numId = 0;
};

struct VQDocx_Tab {
  char leader[16] = {};
  char val[16] = {};
  float pos = 0;
};

struct VQDocx_Tabs {
  int64_t count = 0;
  const VQDocx_Tab* tab = nullptr;  // owned by whoever filled the record
};

struct VQDocx_PPr {
  char pStyle[128] = {};
  VQFlag widowControl = 0;
  VQDocx_Spacing spacing;
  VQDocx_Ind ind;
  int jc = 0;
  int outlineLvl = 0;
  VQDocx_NumPr numPr;
  VQDocx_Tab tabs;
  int tabs_enable = 0;
};

struct VQDocx_PgSz {
  float w = 0, h = 0;
};

struct VQDocx_PgMar {
  float top = 0, right = 0, bottom = 0, left = 0, header = 0, footer = 0, gutter = 0;
};

struct VQDocx_Col {
  float w = 0, space = 0;
};

struct VQDocx_Cols {
  uint64_t num = 0;
  VQFlag sep = 0;
  float space = 0;
  float equalWidth = 0;
  const VQDocx_Col* col = nullptr;  // `num` columns, owned by whoever filled the record
};

struct VQDocx_DocGrid {
  char type[32] = {};
  float linePitch = 0;
};

struct VQDocx_Border {
  int val = 0;
  float sz = 0;
  VQDocx_Color color;
  VQFlag shadow = 0;
  float space = 0;
};

struct VQDocx_Borders {
  VQDocx_Border top, left, bottom, right, insideH, insideV, tl2br, tr2bl;
};

struct VQDocx_SectPr {
  VQFlag shouldWrite = 0;
  int type = 0;
  VQDocx_PgSz pgSz;
  VQDocx_PgMar pgMar;
  VQDocx_Cols cols;
  VQDocx_DocGrid docGrid;
  int offsetFrom = 0;
  VQDocx_Borders pgBorders;
  int vAlign = 0;
};

struct VQDocx_Shading {
  int alpha = 0;
  VQDocx_Color fill;
  VQDocx_Color color;
  int val = 0;
};

// `type`: 0 nil, 1 auto, 2 dxa, 3 pct (then `w` is a percentage).
struct VQDocx_Margin {
  float w = 0;
  int type = 0;
};
using VQDocx_Width = VQDocx_Margin;
using VQDocx_Indentation = VQDocx_Margin;
using VQDocx_CellSpacing = VQDocx_Margin;

struct VQDocx_Margins {
  VQDocx_Margin top, left, bottom, right;
};

struct VQDocx_TblpPr {
  float leftFromText = 0, rightFromText = 0, topFromText = 0, bottomFromText = 0;
  int vertAnchor = 0, horzAnchor = 0;
  float tblpX = 0, tblpY = 0;
  char tblpXSpec[32] = {};
  char tblpYSpec[32] = {};
};

struct VQDocx_TblLook {
  VQFlag firstColumn = 0, lastColumn = 0, firstRow = 0, lastRow = 0, noHBand = 0, noVBand = 0;
  char val[32] = {};
};

struct VQDocx_TblPr {
  VQDocx_TblpPr tblpPr;
  int tblOverlap = 0;
  char tblStyle[32] = {};
  VQDocx_Width tblW;
  int jc = 0;
  VQDocx_Indentation tblInd;
  VQDocx_Borders tblBorders;
  char tblCaption[1024] = {};
  VQDocx_Shading shd;
  VQDocx_Margins tblCellMar;
  VQDocx_CellSpacing tblCellSpacing;
  int tblLayout = 0;
  VQDocx_TblLook tblLook;
  int tblStyleColBandSize = 0;
  int tblStyleRowBandSize = 0;
  int rowCount = 0;
  int columnCount = 0;
};

struct VQDocx_TblGrid {
  static constexpr int kMaxColumns = 64;
  int gridCount = 0;
  float gridCol[kMaxColumns] = {};
};

struct VQDocx_TrHeight {
  int hRule = 0;
  float val = 0;
};

struct VQDocx_TrPr {
  VQFlag cantSplit = 0;
  VQFlag hidden = 0;
  int jc = 0;
  VQDocx_CellSpacing tblCellSpacing;
  VQFlag tblHeader = 0;
  VQDocx_TrHeight trHeight;
  VQDocx_Border top, left, bottom, right;
};

struct VQDocx_TcPr {
  int gridSpan = 0;
  VQFlag hideMark = 0, noWrap = 0, tcFitText = 0;
  VQDocx_Shading shd;
  VQDocx_Margins tcMar;
  VQDocx_Borders tcBorders;
  VQDocx_Width tcW;
  int vAlign = 0;
  int vMerge = 0;
};

struct VQDocx_DocPr {
  char view[32] = {};
  float zoom = 0;
};

// A run of grid columns or rows: first index (from 0) and count.
struct VQDocxRange {
  size_t location = 0;
  size_t length = 0;
};

}  // namespace vq

#include "office/VQDocxUtilities.h"

#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <initializer_list>
#include <string_view>

#include "office/VQDocxEquality.h"
#include "office/VQDocxTokens.h"
#include "office/VQNumberFormat.h"
#include "office/VQOpenXMLNameSpace.h"
#include "office/XMLFileWriter.h"
#include "platform/text/InstalledFonts.h"

namespace vq {

namespace {

// Small helpers over the writer: everything here is in the w namespace.
struct W {
  XMLFileWriter& x;
  void start(std::string_view name) { x.writeStartElementWithNamespace(gl_namespace_xmlns_w, name); }
  void attr(std::string_view name, std::string_view value) {
    x.writeAttributeWithNamespace(gl_namespace_xmlns_w, name, value);
  }
  void end() { x.writeEndElement(); }
  // An element with only attributes, written as "<w:name .../>".
  void leaf(std::string_view name, std::initializer_list<std::pair<std::string_view, std::string_view>> attrs) {
    start(name);
    for (const auto& [k, v] : attrs) attr(k, v);
    end();
  }
};

// Points to twentieths of a point, as printf "%0.0f" writes them.
std::string twips(double points) { return VQFormatFixed(points * 20.0); }

// Points rounded to a quarter point (halves away from zero).
double quarterPoint(double points) { return std::round(points * 4.0) / 4.0; }

std::string removeAll(std::string text, std::string_view what) {
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at)) text.erase(at, what.size());
  return text;
}

bool hasWord(const std::string& style, std::initializer_list<std::string_view> words) {
  std::string lower;
  for (const char c : style) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return std::any_of(words.begin(), words.end(),
                     [&](std::string_view w) { return lower.find(w) != std::string::npos; });
}

// The face a run is written in, as a word processor looks it up: by family,
// with bold and italic as flags. A face's full or PostScript name ("Nimbus
// Roman Regular", "NimbusRoman-Bold") is taken for a family of that name,
// which is not installed, and the text is shown in a stand-in that sets it
// wider or narrower than it was measured in.
struct WrittenFace {
  std::string family;
  bool bold = false, italic = false;
};

WrittenFace writtenFace(const VQDocx_RPr& rPr) {
  WrittenFace out{std::string(VQDocxText(rPr.rFonts.ascii)), rPr.b != 0, rPr.i != 0};
  if (out.family.empty()) out.family = "Arial Unicode MS";
  if (const auto face = text::InstalledFonts::findExact(out.family); face && !face->family.empty()) {
    out.family = face->family;
    out.bold = out.bold || hasWord(face->style, {"bold", "demi", "black", "heavy"});
    out.italic = out.italic || hasWord(face->style, {"italic", "oblique"});
    return out;
  }
  // Word adds bold and italic itself: a face name such as "Helvetica Bold
  // Oblique" must be written as its family name.
  if (out.bold) out.family = removeAll(out.family, " Bold");
  if (out.italic) out.family = removeAll(removeAll(out.family, " Italic"), " Oblique");
  return out;
}

constexpr VQDocx_Color kOpaqueBlack{0, 0, 0, 255};

struct HighlightName {
  const char* name;
  int red, green, blue;
};
constexpr std::array<HighlightName, 16> kHighlights = {{{"red", 255, 0, 0},
                                                        {"green", 0, 255, 0},
                                                        {"blue", 0, 0, 255},
                                                        {"black", 0, 0, 0},
                                                        {"white", 255, 255, 255},
                                                        {"yellow", 255, 255, 0},
                                                        {"cyan", 0, 255, 255},
                                                        {"magenta", 255, 0, 255},
                                                        {"lightGray", 211, 211, 211},
                                                        {"darkGray", 169, 169, 169},
                                                        {"darkYellow", 139, 139, 0},
                                                        {"darkCyan", 0, 139, 139},
                                                        {"darkMagenta", 139, 0, 139},
                                                        {"darkRed", 139, 0, 0},
                                                        {"darkGreen", 0, 100, 0},
                                                        {"darkBlue", 0, 0, 139}}};

}  // namespace

// ---- default records ----

VQDocx_RPr VQDocxUtilities::defaultRProperty() {
  // Made once: every glyph's record starts as a copy, which then shares the
  // font name.
  static const VQDocx_RPr defaults = [] {
    VQDocx_RPr r{};
    VQDocxSetText(r.lang, "en-US");
    VQDocxSetText(r.rFonts.ascii, "Times New Roman");
    r.rFonts_backup = r.rFonts.ascii;
    r.sz = 12;
    r.color = kOpaqueBlack;
    r.backgroundcolor = kOpaqueBlack;
    r.w = 100;
    r.noProof = 1;
    return r;
  }();
  return defaults;
}

VQDocx_PPr VQDocxUtilities::defaultPProperty() {
  VQDocx_PPr p{};
  VQDocxSetText(p.pStyle, "null");
  p.spacing.line = 12;
  VQDocxSetText(p.spacing.lineRule, "exact");
  VQDocxSetText(p.tabs.leader, "none");
  VQDocxSetText(p.tabs.val, "left");
  return p;
}

VQDocx_Tabs VQDocxUtilities::defaultTabsProperty() { return VQDocx_Tabs{}; }

VQDocx_Cols VQDocxUtilities::defaultColsProperty() {
  VQDocx_Cols c{};
  c.num = 1;
  return c;
}

VQDocx_PgMar VQDocxUtilities::defaultPageMarginProperty() { return VQDocx_PgMar{}; }

VQDocx_SectPr VQDocxUtilities::defaultSectPropertyHiden() {
  VQDocx_SectPr s{};
  s.type = 1;
  s.pgSz = {578, 640};
  s.pgMar.top = 63;
  s.cols = defaultColsProperty();
  s.pgBorders = defaultPageBordersNone();
  return s;
}

VQDocx_Border VQDocxUtilities::defaultBorder_SingleLine() {
  VQDocx_Border b{};
  b.val = 2;
  b.sz = 1;
  b.color = kOpaqueBlack;
  return b;
}

VQDocx_Border VQDocxUtilities::defaultBorder_None() {
  VQDocx_Border b{};
  b.color = kOpaqueBlack;
  return b;
}

VQDocx_Borders VQDocxUtilities::defaultPageBordersNone() {
  const VQDocx_Border n = defaultBorder_None();
  return VQDocx_Borders{n, n, n, n, n, n, n, n};
}

VQDocx_Borders VQDocxUtilities::defaultTableBorders() {
  const VQDocx_Border s = defaultBorder_SingleLine();
  const VQDocx_Border n = defaultBorder_None();
  return VQDocx_Borders{s, s, s, s, s, s, n, n};
}

VQDocx_Borders VQDocxUtilities::defaultCellBorders() {
  const VQDocx_Border s = defaultBorder_SingleLine();
  const VQDocx_Border n = defaultBorder_None();
  return VQDocx_Borders{s, s, s, s, n, n, n, n};
}

VQDocx_Shading VQDocxUtilities::defaultShading() {
  VQDocx_Shading s{};
  s.alpha = 255;
  s.fill = kOpaqueBlack;
  s.color = kOpaqueBlack;
  return s;
}

VQDocx_Margin VQDocxUtilities::defaultMargin() { return VQDocx_Margin{0, 2}; }

VQDocx_Margins VQDocxUtilities::defaultMargins() {
  const VQDocx_Margin m = defaultMargin();
  return VQDocx_Margins{m, m, m, m};
}

VQDocx_TblpPr VQDocxUtilities::defaultTblpProperty() {
  VQDocx_TblpPr t{};
  t.vertAnchor = 2;
  t.horzAnchor = 2;
  VQDocxSetText(t.tblpXSpec, "nil");
  VQDocxSetText(t.tblpYSpec, "nil");
  return t;
}

VQDocx_TblPr VQDocxUtilities::defaultTblProperty() {
  VQDocx_TblPr t{};
  t.tblpPr = defaultTblpProperty();
  VQDocxSetText(t.tblStyle, "TableGrid");
  t.tblW = {0, 1};
  t.tblInd = {0, 2};
  t.tblBorders = defaultTableBorders();
  t.shd = defaultShading();
  t.tblCellMar = defaultMargins();
  t.tblCellSpacing = {0, 2};
  VQDocxSetText(t.tblLook.val, "01E0");
  return t;
}

VQDocx_TblGrid VQDocxUtilities::defaultTblGridProperty() {
  VQDocx_TblGrid g{};
  g.gridCount = 1;
  g.gridCol[0] = 64;
  return g;
}

VQDocx_TrPr VQDocxUtilities::defaultTrProperty() {
  VQDocx_TrPr t{};
  t.trHeight.hRule = 2;
  return t;
}

VQDocx_TcPr VQDocxUtilities::defaultTcProperty() {
  VQDocx_TcPr t{};
  t.shd = defaultShading();
  t.tcBorders = defaultCellBorders();
  t.tcW = {0, 1};
  return t;
}

// ---- helpers ----

VQDocx_Color VQDocxUtilities::VQDocxColorFromCGColor(const Color* color) {
  auto channel = [](double c) {
    if (!std::isfinite(c)) return 0;
    return static_cast<int>(std::round(std::clamp(c, 0.0, 1.0) * 255.0));
  };
  if (!color) return kOpaqueBlack;
  const auto& c = color->components;
  if (color->model == ColorModel::RGB && c.size() >= 3) return {channel(c[0]), channel(c[1]), channel(c[2]), 255};
  if (color->model == ColorModel::Gray && !c.empty()) {
    const int g = channel(c[0]);
    return {g, g, g, 255};
  }
  return kOpaqueBlack;
}

std::string VQDocxUtilities::HexColor(VQDocx_Color color) {
  auto c = [](int v) { return std::clamp(v, 0, 255); };
  return fmt::format("{:02X}{:02X}{:02X}", c(color.red), c(color.green), c(color.blue));
}

const char* VQDocxUtilities::NameFromColorValue(VQDocx_Color color) {
  if (std::abs(color.alpha - 255) > 2) return nullptr;
  for (const auto& h : kHighlights) {
    if (std::abs(color.red - h.red) <= 2 && std::abs(color.green - h.green) <= 2 &&
        std::abs(color.blue - h.blue) <= 2) {
      return h.name;
    }
  }
  return nullptr;
}

const char* VQDocxUtilities::_underlineValue(int value) {
  switch (value) {
    case 1:
      return "single";
    case 2:
      return "double";
    case 4:
      return "dotted";
    case 6:
      return "dash";
    default:
      return "normal";
  }
}

const char* VQDocxUtilities::_scriptValue(int value) {
  switch (value) {
    case 0:
      return "none";
    case 1:
      return "superscript";
    case 2:
      return "subscript";
    default:
      return "normal";
  }
}

const char* VQDocxUtilities::_sectTypeValue(int value) {
  switch (value) {
    case 1:
      return "continuous";
    case 2:
      return "evenPage";
    case 3:
      return "nextColumn";
    case 4:
      return "nextPage";
    case 5:
      return "oddPage";
    default:
      return "auto";
  }
}

std::string VQDocxUtilities::TextPathStyleForRProperty(const VQDocx_RPr& rPr) {
  const WrittenFace face = writtenFace(rPr);
  std::string style = fmt::format("font-family:{};", face.family);
  if (face.bold) style += "font-weight:bold;";
  if (face.italic) style += "font-style:italic;";
  style += fmt::format("font-size:{}pt;", VQFormatFixed(rPr.sz));
  style += "v-text-kern:t;mso-text-shadow:auto";
  return style;
}

// ---- run, paragraph, section ----

void VQDocxUtilities::WriteRProperty(const VQDocx_RPr& rPr, XMLFileWriter& writer) {
  W w{writer};
  w.start("rPr");

  const WrittenFace face = writtenFace(rPr);
  const std::string& font = face.family;
  w.leaf("rFonts", {{"ascii", font}, {"hAnsi", font}, {"cs", font}, {"eastAsia", font}});

  // The children follow the schema's sequence: Word refuses a document
  // whose run properties come in any other order.
  if (face.bold) {
    w.leaf("b", {});
    w.leaf("bCs", {});
  }
  if (face.italic) w.leaf("i", {});
  if (rPr.strikethrough != 0) w.leaf("strike", {{"val", "true"}});
  w.leaf("noProof", {});

  const std::string colorHex = HexColor(rPr.color);
  w.leaf("color", {{"val", colorHex}});

  // Condensed text rounds down, so that a slight tightening is never lost.
  const double t = static_cast<double>(rPr.spacing) * 20.0;
  const double spacing = t < 0 ? std::floor(t) : std::round(t);
  if (std::isfinite(spacing) && spacing != 0) w.leaf("spacing", {{"val", VQFormatFixed(spacing)}});

  if (rPr.w != 100) {
    // Word accepts a horizontal scale of 1 to 600 percent only.
    const double scale = std::isfinite(rPr.w) ? std::clamp(static_cast<double>(rPr.w), 1.0, 600.0) : 100.0;
    w.leaf("w", {{"val", VQFormatFixed(scale)}});
  }

  const std::string halfPoints = VQFormatFixed(static_cast<double>(rPr.sz) * 2.0);
  // Tiny raised or lowered text keeps a readable 8 points.
  w.leaf("sz", {{"val", rPr.sz < 8 && rPr.scrpit != 0 ? std::string("16") : halfPoints}});
  w.leaf("szCs", {{"val", halfPoints}});

  const char* highlight = rPr.background ? NameFromColorValue(rPr.backgroundcolor) : nullptr;
  if (highlight) w.leaf("highlight", {{"val", highlight}});
  if (rPr.u != 0) w.leaf("u", {{"val", _underlineValue(rPr.u)}, {"color", colorHex}});
  if (rPr.background && !highlight) {
    w.leaf("shd", {{"fill", HexColor(rPr.backgroundcolor)}, {"color", "auto"}, {"val", "clear"}});
  }
  if (rPr.scrpit != 0) w.leaf("vertAlign", {{"val", _scriptValue(rPr.scrpit)}});

  const std::string_view lang = VQDocxText(rPr.lang);
  if (!lang.empty()) w.leaf("lang", {{"val", lang}, {"eastAsia", lang}, {"bidi", lang}});
  w.end();
}

void VQDocxUtilities::WritePProperty(const VQDocx_PPr& pPr, const VQDocx_RPr& rPr, const VQDocx_SectPr& sectPr,
                                     const VQDocx_Tabs& tabs, XMLFileWriter& writer) {
  W w{writer};
  w.start("pPr");
  // Schema order: numbering, tabs, spacing, indents, alignment, outline level.
  if (pPr.numPr.numId > 0) {
    w.start("numPr");
    w.leaf("ilvl", {{"val", fmt::format("{}", pPr.numPr.ilvl)}});
    w.leaf("numId", {{"val", fmt::format("{}", pPr.numPr.numId)}});
    w.end();
  }
  if (tabs.count > 0 && tabs.tab) {
    w.start("tabs");
    for (int64_t k = 0; k < tabs.count; ++k) {
      w.leaf("tab", {{"val", VQDocxText(tabs.tab[k].val)}, {"pos", twips(tabs.tab[k].pos)}});
    }
    w.end();
  }

  w.start("spacing");
  w.attr("before", pPr.spacing.before < 0 ? std::string("0") : twips(pPr.spacing.before));
  w.attr("after", pPr.spacing.after < 0 ? std::string("0") : twips(pPr.spacing.after));
  if (VQDocxText(pPr.spacing.lineRule) == "auto" && pPr.spacing.word1LineHeight > 0) {
    // "auto" line spacing is in 240ths of a single line of the paragraph's font.
    const double line = static_cast<double>(pPr.spacing.line) * 240.0 / pPr.spacing.word1LineHeight;
    w.attr("line", VQFormatFixed(line));
    w.attr("lineRule", "auto");
  } else {
    w.attr("line", twips(pPr.spacing.line));
    w.attr("lineRule", "exact");
  }
  w.end();

  w.start("ind");
  // The first line's indent is a distance: one that reaches back left of
  // the other lines is a hanging indent.
  if (pPr.ind.firstLine < 0) w.attr("hanging", VQFormatRounded(-static_cast<double>(pPr.ind.firstLine) * 20.0));
  else w.attr("firstLine", VQFormatRounded(static_cast<double>(pPr.ind.firstLine) * 20.0));
  w.attr("left", VQFormatRounded(static_cast<double>(pPr.ind.left) * 20.0));
  // A left-aligned line may reach past the column's edge (see the paragraph
  // writer); other negative right indents stay unwritten.
  if (pPr.ind.right > 0 || (pPr.ind.right < 0 && pPr.jc == 0))
    w.attr("right", VQFormatRounded(static_cast<double>(pPr.ind.right) * 20.0));
  w.end();

  const char* jc = TextAlignString(pPr.jc);
  w.leaf("jc", {{"val", jc ? jc : "left"}});
  if (pPr.outlineLvl > 0) w.leaf("outlineLvl", {{"val", fmt::format("{}", pPr.outlineLvl)}});

  WriteRProperty(rPr, writer);
  if (sectPr.shouldWrite) WriteSectProperty(sectPr, writer);
  w.end();
}

void VQDocxUtilities::WriteSectProperty(const VQDocx_SectPr& sectPr, XMLFileWriter& writer) {
  W w{writer};
  w.start("sectPr");
  if (sectPr.type != 0) w.leaf("type", {{"val", _sectTypeValue(sectPr.type)}});

  w.start("pgSz");
  w.attr("w", twips(sectPr.pgSz.w));
  w.attr("h", twips(sectPr.pgSz.h));
  if (sectPr.pgSz.w > sectPr.pgSz.h) w.attr("orient", "landscape");
  w.end();

  const VQDocx_PgMar& m = sectPr.pgMar;
  w.leaf("pgMar", {{"top", twips(m.top)},
                   {"right", twips(m.right)},
                   {"bottom", twips(m.bottom)},
                   {"left", twips(m.left)},
                   {"header", twips(m.header)},
                   {"footer", twips(m.footer)},
                   {"gutter", "0"}});

  if (sectPr.offsetFrom != 0) {
    w.start("pgBorders");
    w.attr("offsetFrom", "page");
    WriteBorderProperty(sectPr.pgBorders.top, "top", writer);
    WriteBorderProperty(sectPr.pgBorders.left, "left", writer);
    WriteBorderProperty(sectPr.pgBorders.bottom, "bottom", writer);
    WriteBorderProperty(sectPr.pgBorders.right, "right", writer);
    w.end();
  }

  const VQDocx_Cols& cols = sectPr.cols;
  if (cols.num > 1) {
    w.start("cols");
    if (cols.sep) w.attr("sep", "0");
    w.attr("num", fmt::format("{}", cols.num));
    if (cols.equalWidth > 0) {
      if (cols.space > 0) {
        w.attr("space", twips(cols.space));
      } else {
        w.attr("equalWidth", twips(cols.equalWidth));
      }
    } else {
      w.attr("equalWidth", "0");
      // Without the column array there is nothing to describe; Word then
      // divides the page evenly.
      if (cols.col) {
        for (uint64_t k = 0; k < cols.num; ++k) {
          w.start("col");
          w.attr("w", twips(cols.col[k].w));
          if (cols.col[k].space > 0) w.attr("space", twips(cols.col[k].space));
          w.end();
        }
      }
    }
    w.end();
  }

  const std::string_view gridType = VQDocxText(sectPr.docGrid.type);
  if (!gridType.empty()) w.leaf("docGrid", {{"type", gridType}, {"linePitch", twips(sectPr.docGrid.linePitch)}});
  w.end();
}

void VQDocxUtilities::Write1BlankParagraphWithProperty(const VQDocx_PPr& pPr, const VQDocx_RPr& rPr,
                                                       const VQDocx_SectPr& sectPr, XMLFileWriter& writer) {
  writer.writeStartElementWithNamespace(gl_namespace_xmlns_w, "p");
  WritePProperty(pPr, rPr, sectPr, defaultTabsProperty(), writer);
  writer.writeEndElement();
}

// ---- tables ----

void VQDocxUtilities::WriteBorderProperty(const VQDocx_Border& border, std::string_view localName,
                                          XMLFileWriter& writer) {
  W w{writer};
  w.start(localName);
  w.attr("val", TableBorderTypeString(border.val));
  // Sizes are eighths of a point in steps of a quarter point; negative
  // values have no meaning in either attribute.
  w.attr("sz", VQFormatFixed(quarterPoint(std::max(0.0, static_cast<double>(border.sz))) * 8.0));
  // Word allows at most 31 points between a border and its text.
  w.attr("space", VQFormatFixed(quarterPoint(std::clamp(static_cast<double>(border.space), 0.0, 31.0))));
  w.attr("color", HexColor(border.color));
  if (border.shadow) w.attr("shadow", "true");
  w.end();
}

void VQDocxUtilities::WriteMarginProperty(const VQDocx_Margin& margin, std::string_view localName,
                                          XMLFileWriter& writer) {
  W w{writer};
  w.leaf(localName, {{"type", TableWidthTypeString(margin.type)}, {"w", twips(margin.w)}});
}

void VQDocxUtilities::WriteTblProperty(const VQDocx_TblPr& t, XMLFileWriter& writer) {
  W w{writer};
  w.start("tblPr");
  // Children in the order the schema requires.
  if (VQDocxText(t.tblStyle).size() >= 2) w.leaf("tblStyle", {{"val", VQDocxText(t.tblStyle)}});
  const VQDocx_TblpPr& p = t.tblpPr;
  // A floating table is only worth its position when it is anchored and
  // actually placed somewhere or kept away from the text.
  if ((p.vertAnchor != 0 || p.horzAnchor != 0) &&
      (std::fabs(p.tblpX) > 0.1f || std::fabs(p.tblpY) > 0.1f || p.leftFromText > 0 || p.rightFromText > 0 ||
       p.topFromText > 0 || p.bottomFromText > 0)) {
    w.leaf("tblpPr", {{"leftFromText", twips(p.leftFromText)},
                      {"rightFromText", twips(p.rightFromText)},
                      {"topFromText", twips(p.topFromText)},
                      {"bottomFromText", twips(p.bottomFromText)},
                      {"vertAnchor", TableAnchorTypeString(p.vertAnchor)},
                      {"horzAnchor", TableAnchorTypeString(p.horzAnchor)},
                      {"tblpX", twips(p.tblpX)},
                      {"tblpY", twips(p.tblpY)}});
  }
  if (t.tblStyleRowBandSize > 0) w.leaf("tblStyleRowBandSize", {{"val", fmt::format("{}", t.tblStyleRowBandSize)}});
  if (t.tblStyleColBandSize > 0) w.leaf("tblStyleColBandSize", {{"val", fmt::format("{}", t.tblStyleColBandSize)}});
  if (t.tblW.type != 0) w.leaf("tblW", {{"type", TableWidthTypeString(t.tblW.type)}, {"w", twips(t.tblW.w)}});
  w.leaf("jc", {{"val", TableTextAlignmentTypeString(t.jc)}});
  if (t.tblCellSpacing.type != 0 && std::fabs(t.tblCellSpacing.w) > 0.1f) {
    w.leaf("tblCellSpacing", {{"type", TableWidthTypeString(t.tblCellSpacing.type)}, {"w", twips(t.tblCellSpacing.w)}});
  }
  if (std::fabs(t.tblInd.w) > 0.1f) {
    w.leaf("tblInd", {{"type", TableWidthTypeString(t.tblInd.type)}, {"w", twips(t.tblInd.w)}});
  }
  const VQDocx_Borders& b = t.tblBorders;
  if (b.top.val > 1 || b.bottom.val > 1 || b.left.val > 1 || b.right.val > 1 || b.insideH.val > 1 ||
      b.insideV.val > 1) {
    w.start("tblBorders");
    WriteBorderProperty(b.top, "top", writer);
    WriteBorderProperty(b.left, "left", writer);
    WriteBorderProperty(b.bottom, "bottom", writer);
    WriteBorderProperty(b.right, "right", writer);
    WriteBorderProperty(b.insideH, "insideH", writer);
    WriteBorderProperty(b.insideV, "insideV", writer);
    w.end();
  }
  if (t.shd.val != 0) {
    w.leaf("shd", {{"val", TableShadingTypeString(t.shd.val)},
                   {"color", t.shd.val == 1 ? std::string("auto") : HexColor(t.shd.color)},
                   {"fill", HexColor(t.shd.fill)}});
  }
  w.leaf("tblLayout", {{"type", TableLayoutTypeString(t.tblLayout)}});
  const VQDocx_Margins& m = t.tblCellMar;
  if (m.top.type != 0 && m.left.type != 0 && m.bottom.type != 0 && m.right.type != 0) {
    w.start("tblCellMar");
    WriteMarginProperty(m.top, "top", writer);
    WriteMarginProperty(m.left, "left", writer);
    WriteMarginProperty(m.bottom, "bottom", writer);
    WriteMarginProperty(m.right, "right", writer);
    w.end();
  }
  const VQDocx_TblLook& look = t.tblLook;
  const std::string_view lookVal = VQDocxText(look.val);
  if (look.firstColumn || look.lastColumn || look.firstRow || look.lastRow || !lookVal.empty()) {
    w.start("tblLook");
    if (look.firstRow) w.attr("firstRow", "true");
    if (look.lastRow) w.attr("lastRow", "true");
    if (look.firstColumn) w.attr("firstColumn", "true");
    if (look.lastColumn) w.attr("lastColumn", "true");
    if (look.noHBand) w.attr("noHBand", "true");
    if (look.noVBand) w.attr("noVBand", "true");
    if (!lookVal.empty()) w.attr("val", lookVal);
    w.end();
  }
  if (VQDocxText(t.tblCaption).size() >= 2) w.leaf("tblCaption", {{"val", VQDocxText(t.tblCaption)}});
  w.end();
}

void VQDocxUtilities::WriteTblGridProperty(const VQDocx_TblGrid& grid, XMLFileWriter& writer) {
  if (grid.gridCount < 1) return;
  W w{writer};
  w.start("tblGrid");
  const int count = std::min(grid.gridCount, VQDocx_TblGrid::kMaxColumns);
  for (int k = 0; k < count; ++k) w.leaf("gridCol", {{"w", twips(grid.gridCol[k])}});
  w.end();
}

void VQDocxUtilities::WriteTrProperty(const VQDocx_TrPr& t, XMLFileWriter& writer) {
  W w{writer};
  w.start("trPr");
  if (t.cantSplit) w.leaf("cantSplit", {{"val", "true"}});
  if (t.hidden) w.leaf("hidden", {{"val", "true"}});
  if (t.tblHeader) w.leaf("tblHeader", {{"val", "true"}});
  if (t.jc != 0) w.leaf("jc", {{"val", TableTextAlignmentTypeString(t.jc)}});
  if (t.trHeight.hRule != 0) {
    w.leaf("trHeight", {{"val", twips(t.trHeight.val)}, {"hRule", TableHeightTypeString(t.trHeight.hRule)}});
  }
  if (t.tblCellSpacing.type != 0 && std::fabs(t.tblCellSpacing.w) > 0.1f) {
    w.leaf("tblCellSpacing", {{"type", TableWidthTypeString(t.tblCellSpacing.type)}, {"w", twips(t.tblCellSpacing.w)}});
  }
  w.end();
}

namespace {

// The borders a cell gets from its table when it has none of its own.
struct CellBorderReferences {
  VQDocx_Border top, bottom, left, right;
};

CellBorderReferences referencesFor(VQDocxRange columns, VQDocxRange rows, const VQDocx_TblPr& t) {
  const VQDocx_Borders& b = t.tblBorders;
  const bool lastRow = rows.location + rows.length >= static_cast<size_t>(std::max(t.rowCount, 0));
  const bool lastColumn = columns.location + columns.length >= static_cast<size_t>(std::max(t.columnCount, 0));
  return {rows.location != 0 ? b.insideH : b.top, lastRow ? b.bottom : b.insideH,
          columns.location != 0 ? b.insideV : b.left, lastColumn ? b.right : b.insideV};
}

}  // namespace

bool VQDocxUtilities::IsBorderEqualTcProperty(const VQDocx_TcPr& tcPr, VQDocxRange columnRange, VQDocxRange rowRange,
                                              const VQDocx_TblPr& tblPr) {
  const CellBorderReferences ref = referencesFor(columnRange, rowRange, tblPr);
  const VQDocx_Borders& c = tcPr.tcBorders;
  return IsEqualBorder(c.top, ref.top) && IsEqualBorder(c.bottom, ref.bottom) && IsEqualBorder(c.left, ref.left) &&
         IsEqualBorder(c.right, ref.right) && c.insideH.val == 0 && c.insideV.val == 0 &&
         IsEqualBorder(c.tl2br, tblPr.tblBorders.tl2br) && IsEqualBorder(c.tr2bl, tblPr.tblBorders.tr2bl);
}

void VQDocxUtilities::WriteEmptyParagraph(const char* halfPoints, XMLFileWriter& writer) {
  const auto& w = gl_namespace_xmlns_w;
  writer.writeStartElementWithNamespace(w, "p");
  writer.writeStartElementWithNamespace(w, "pPr");
  writer.writeStartElementWithNamespace(w, "rPr");
  for (const char* name : {"sz", "szCs"}) {
    writer.writeStartElementWithNamespace(w, name);
    writer.writeAttributeWithNamespace(w, "val", halfPoints);
    writer.writeEndElement();
  }
  writer.writeEndElement();
  writer.writeEndElement();
  writer.writeEndElement();
}

void VQDocxUtilities::WriteTcProperty(const VQDocx_TcPr& t, VQDocxRange columnRange, VQDocxRange rowRange,
                                      const VQDocx_TblPr& tblPr, XMLFileWriter& writer) {
  W w{writer};
  w.start("tcPr");
  // Children in the order the schema requires.
  if (std::fabs(t.tcW.w) > 0.1f) w.leaf("tcW", {{"w", twips(t.tcW.w)}, {"type", TableWidthTypeString(t.tcW.type)}});
  if (t.gridSpan > 0) w.leaf("gridSpan", {{"val", fmt::format("{}", t.gridSpan)}});
  if (t.vMerge != 0) {
    // "end" is no WordprocessingML token: the last merged cell is a plain
    // continuation, which an empty vMerge says.
    if (t.vMerge == 3) {
      w.leaf("vMerge", {});
    } else {
      w.leaf("vMerge", {{"val", TableMergeTypeString(t.vMerge)}});
    }
  }

  if (!IsBorderEqualTcProperty(t, columnRange, rowRange, tblPr)) {
    const CellBorderReferences ref = referencesFor(columnRange, rowRange, tblPr);
    const VQDocx_Borders& c = t.tcBorders;
    w.start("tcBorders");
    if (!IsEqualBorder(c.top, ref.top)) WriteBorderProperty(c.top, "top", writer);
    if (!IsEqualBorder(c.left, ref.left)) WriteBorderProperty(c.left, "left", writer);
    if (!IsEqualBorder(c.bottom, ref.bottom)) WriteBorderProperty(c.bottom, "bottom", writer);
    if (!IsEqualBorder(c.right, ref.right)) WriteBorderProperty(c.right, "right", writer);
    if (c.insideH.val != 0) WriteBorderProperty(c.insideH, "insideH", writer);
    if (c.insideV.val != 0) WriteBorderProperty(c.insideV, "insideV", writer);
    if (!IsEqualBorder(c.tl2br, tblPr.tblBorders.tl2br)) WriteBorderProperty(c.tl2br, "tl2br", writer);
    if (!IsEqualBorder(c.tr2bl, tblPr.tblBorders.tr2bl)) WriteBorderProperty(c.tr2bl, "tr2bl", writer);
    w.end();
  }
  if (t.shd.val != 0) {
    w.leaf(
        "shd",
        {{"fill", HexColor(t.shd.fill)}, {"color", HexColor(t.shd.color)}, {"val", TableShadingTypeString(t.shd.val)}});
  }
  if (t.noWrap) w.leaf("noWrap", {{"val", "true"}});
  const VQDocx_Margins& m = t.tcMar;
  if (m.top.type != 0 && m.left.type != 0 && m.bottom.type != 0 && m.right.type != 0) {
    w.start("tcMar");
    WriteMarginProperty(m.top, "top", writer);
    WriteMarginProperty(m.left, "left", writer);
    WriteMarginProperty(m.bottom, "bottom", writer);
    WriteMarginProperty(m.right, "right", writer);
    w.end();
  }
  if (t.tcFitText) w.leaf("tcFitText", {{"val", "true"}});
  if (t.vAlign != 0) w.leaf("vAlign", {{"val", TableVerticalAlignmentTypeString(t.vAlign)}});
  if (t.hideMark) w.leaf("hideMark", {{"val", "true"}});
  w.end();
}

}  // namespace vq

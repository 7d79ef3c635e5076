#include "office/VQDocxUtilities.h"

#include <gtest/gtest.h>

#include <cmath>
#include <locale>

#include "OfficeTestSupport.h"
#include "office/VQNumberFormat.h"
#include "platform/text/InstalledFonts.h"

using namespace vq;
using vqtest::writeXML;
using U = VQDocxUtilities;

namespace {

std::string rPrXML(const VQDocx_RPr& r) {
  return writeXML([&](XMLFileWriter& x) { U::WriteRProperty(r, x); });
}

VQDocx_RPr runWith(const std::function<void(VQDocx_RPr&)>& change) {
  VQDocx_RPr r = U::defaultRProperty();
  change(r);
  return r;
}

TEST(VQNumberFormat, RoundsLikePrintfAndNeverWritesOddTokens) {
  struct Case {
    double v;
    int decimals;
    const char* out;
  };
  const Case cases[] = {
      {20.5, 0, "20"}, {21.5, 0, "22"},  // exact binary halves go to the even neighbour
      {-0.4, 0, "0"},  {-2.6, 0, "-3"}, {275.99999, 2, "276.00"}, {NAN, 0, "0"}, {INFINITY, 1, "0.0"},
  };
  for (const auto& c : cases) EXPECT_EQ(VQFormatFixed(c.v, c.decimals), c.out) << c.v;
  // A process locale with a decimal comma changes nothing.
  struct CommaDecimal : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
    char do_thousands_sep() const override { return '.'; }
    std::string do_grouping() const override { return "\3"; }
  };
  const std::locale previous = std::locale::global(std::locale(std::locale::classic(), new CommaDecimal));
  EXPECT_EQ(VQFormatFixed(12345.678, 2), "12345.68");
  std::locale::global(previous);
  EXPECT_EQ(VQFormatRounded(20.5), "21");
  EXPECT_EQ(VQFormatRounded(-20.5), "-21");
}

TEST(VQDocxUtilities, DefaultRecordsHoldTheirDefaultsAndZeroElsewhere) {
  const VQDocx_RPr r = U::defaultRProperty();
  EXPECT_STREQ(r.lang, "en-US");
  EXPECT_EQ(VQDocxText(r.rFonts.ascii), "Times New Roman");
  EXPECT_EQ(VQDocxText(r.rFonts_backup), "Times New Roman");
  EXPECT_EQ(VQDocxText(r.rFonts_replace.ascii), "");
  EXPECT_EQ(r.sz, 12);
  EXPECT_EQ(r.w, 100);
  EXPECT_EQ(r.color.alpha, 255);
  EXPECT_EQ(r.u_color.alpha, 0);
  EXPECT_EQ(r.noProof, 1);
  EXPECT_EQ(r.kern, 0);

  const VQDocx_PPr p = U::defaultPProperty();
  EXPECT_STREQ(p.pStyle, "null");
  EXPECT_STREQ(p.spacing.lineRule, "exact");
  EXPECT_EQ(p.spacing.line, 12);
  EXPECT_STREQ(p.tabs.leader, "none");
  EXPECT_STREQ(p.tabs.val, "left");

  const VQDocx_SectPr s = U::defaultSectPropertyHiden();
  EXPECT_EQ(s.shouldWrite, 0);
  EXPECT_EQ(s.type, 1);
  EXPECT_EQ(s.pgSz.w, 578);
  EXPECT_EQ(s.pgSz.h, 640);
  EXPECT_EQ(s.pgMar.top, 63);
  EXPECT_EQ(s.pgMar.left, 0);
  EXPECT_EQ(s.cols.num, 1u);
  EXPECT_EQ(s.cols.col, nullptr);
  EXPECT_EQ(s.pgBorders.tr2bl.color.alpha, 255);

  const VQDocx_TblGrid g = U::defaultTblGridProperty();
  EXPECT_EQ(g.gridCount, 1);
  EXPECT_EQ(g.gridCol[0], 64);
  EXPECT_EQ(g.gridCol[63], 0);

  const VQDocx_TblPr t = U::defaultTblProperty();
  EXPECT_EQ(t.tblpPr.vertAnchor, 2);
  EXPECT_STREQ(t.tblpPr.tblpXSpec, "nil");
  EXPECT_EQ(t.tblBorders.insideV.val, 2);
  EXPECT_EQ(t.tblBorders.tl2br.val, 0);
  EXPECT_EQ(t.tblCellMar.right.type, 2);

  const VQDocx_TcPr c = U::defaultTcProperty();
  EXPECT_EQ(c.tcBorders.right.val, 2);
  EXPECT_EQ(c.tcBorders.insideH.val, 0);
  EXPECT_EQ(c.tcMar.top.type, 0);
  EXPECT_EQ(c.tcW.type, 1);
  EXPECT_EQ(U::defaultTrProperty().trHeight.hRule, 2);
}

TEST(VQDocxUtilities, ColorFromPlatformColor) {
  struct Case {
    std::optional<Color> color;
    VQDocx_Color expected;
  };
  const Case cases[] = {
      {ColorMakeGray(0.5), {128, 128, 128, 255}},
      {ColorMakeRGB(1, 0, 0, 0.5), {255, 0, 0, 255}},  // opacity is not carried
      {ColorMakeRGB(0.2, 1.5, -1), {51, 255, 0, 255}},
      {ColorMakeOther({0, 0, 0, 1}), {0, 0, 0, 255}},
      {std::nullopt, {0, 0, 0, 255}},
  };
  for (const auto& c : cases) {
    const VQDocx_Color got = U::VQDocxColorFromCGColor(c.color ? &*c.color : nullptr);
    EXPECT_EQ(std::tie(got.red, got.green, got.blue, got.alpha),
              std::tie(c.expected.red, c.expected.green, c.expected.blue, c.expected.alpha));
  }
}

TEST(VQDocxUtilities, RunProperties) {
  const std::string head =
      "<w:rPr><w:rFonts w:ascii=\"Times New Roman\" w:hAnsi=\"Times New Roman\" w:cs=\"Times New Roman\" "
      "w:eastAsia=\"Times New Roman\"/>";
  const std::string lang = "<w:lang w:val=\"en-US\" w:eastAsia=\"en-US\" w:bidi=\"en-US\"/></w:rPr>";
  struct Case {
    const char* name;
    std::function<void(VQDocx_RPr&)> change;
    std::string expected;
  };
  const Case cases[] = {
      {"default", [](VQDocx_RPr&) {},
       head + "<w:noProof/><w:color w:val=\"000000\"/><w:sz w:val=\"24\"/><w:szCs w:val=\"24\"/>" + lang},
      {"empty font and no language",
       [](VQDocx_RPr& r) {
         VQDocxSetText(r.rFonts.ascii, "");
         VQDocxSetText(r.lang, "");
       },
       "<w:rPr><w:rFonts w:ascii=\"Arial Unicode MS\" w:hAnsi=\"Arial Unicode MS\" w:cs=\"Arial Unicode MS\" "
       "w:eastAsia=\"Arial Unicode MS\"/><w:noProof/><w:color w:val=\"000000\"/><w:sz w:val=\"24\"/>"
       "<w:szCs w:val=\"24\"/></w:rPr>"},
      {"bold italic face name becomes the family",
       [](VQDocx_RPr& r) {
         VQDocxSetText(r.rFonts.ascii, "Arial Bold Italic");
         VQDocxSetText(r.lang, "");
         r.b = r.i = 1;
       },
       "<w:rPr><w:rFonts w:ascii=\"Arial\" w:hAnsi=\"Arial\" w:cs=\"Arial\" w:eastAsia=\"Arial\"/>"
       "<w:b/><w:bCs/><w:i/><w:noProof/><w:color w:val=\"000000\"/><w:sz w:val=\"24\"/><w:szCs w:val=\"24\"/>"
       "</w:rPr>"},
      {"small superscript, half point size pinned",
       [](VQDocx_RPr& r) {
         r.sz = 6.25f;  // 12.5 half-points: an exact half
         r.scrpit = 1;
       },
       head +
           "<w:noProof/><w:color w:val=\"000000\"/><w:sz w:val=\"16\"/><w:szCs w:val=\"12\"/>"
           "<w:vertAlign w:val=\"superscript\"/>" +
           lang},
      {"highlight, underline, strike, condensed, scaled",
       [](VQDocx_RPr& r) {
         r.sz = 10.25f;  // 20.5 half-points: an exact half goes to the even 20
         r.color = {255, 16, 1, 255};
         r.background = 1;
         r.backgroundcolor = {255, 255, 1, 255};
         r.u = 2;
         r.strikethrough = 1;
         r.spacing = -0.01f;
         r.w = 80;
       },
       head +
           "<w:strike w:val=\"true\"/><w:noProof/><w:color w:val=\"FF1001\"/><w:spacing w:val=\"-1\"/>"
           "<w:w w:val=\"80\"/><w:sz w:val=\"20\"/><w:szCs w:val=\"20\"/><w:highlight w:val=\"yellow\"/>"
           "<w:u w:val=\"double\" w:color=\"FF1001\"/>" +
           lang},
      {"background with no highlight name, tiny positive spacing",
       [](VQDocx_RPr& r) {
         r.background = 1;
         r.backgroundcolor = {255, 165, 0, 255};
         r.spacing = 0.01f;
         r.w = 0;  // out of Word's range: clamped
       },
       head +
           "<w:noProof/><w:color w:val=\"000000\"/><w:w w:val=\"1\"/><w:sz w:val=\"24\"/>"
           "<w:szCs w:val=\"24\"/><w:shd w:fill=\"FFA500\" w:color=\"auto\" w:val=\"clear\"/>" +
           lang},
      {"spacing at an exact half rounds away from zero",
       [](VQDocx_RPr& r) { r.spacing = 0.125f; },  // 2.5 twips exactly
       head +
           "<w:noProof/><w:color w:val=\"000000\"/><w:spacing w:val=\"3\"/><w:sz w:val=\"24\"/>"
           "<w:szCs w:val=\"24\"/>" +
           lang},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(rPrXML(runWith(c.change)), c.expected);
  }
}

// An installed face is written under its family, with its weight and slant
// as flags: a word processor looks a face up by family, and takes a full or
// PostScript name for a family that is not installed.
TEST(VQDocxUtilities, InstalledFaceNamesAreWrittenAsTheirFamily) {
  struct Listed : vq::text::FontProvider {
    std::vector<vq::text::InstalledFace> faces() const override {
      return {{"Nimbus Roman", "Regular", "Nimbus Roman Regular", "NimbusRoman-Regular", "/r.otf", 0},
              {"Nimbus Roman", "Bold Italic", "Nimbus Roman Bold Italic", "NimbusRoman-BoldItalic", "/bi.otf", 0}};
    }
  };
  vq::text::InstalledFonts::setProvider(std::make_shared<Listed>());
  struct Case {
    const char* name;
    bool bold, italic;
  } cases[] = {
      {"Nimbus Roman Regular", false, false},   {"NimbusRoman-Regular", false, false},  {"Nimbus Roman", false, false},
      {"Nimbus Roman Bold Italic", true, true}, {"NimbusRoman-BoldItalic", true, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    VQDocx_RPr r = U::defaultRProperty();
    VQDocxSetText(r.rFonts.ascii, c.name);
    const std::string xml = rPrXML(r);
    EXPECT_NE(xml.find("<w:rFonts w:ascii=\"Nimbus Roman\" w:hAnsi=\"Nimbus Roman\""), std::string::npos) << xml;
    EXPECT_EQ(xml.find("<w:b/>") != std::string::npos, c.bold) << xml;
    EXPECT_EQ(xml.find("<w:i/>") != std::string::npos, c.italic) << xml;
    EXPECT_EQ(U::TextPathStyleForRProperty(r).find("font-family:Nimbus Roman;"), 0u);
  }
  vq::text::InstalledFonts::setProvider(nullptr);
}

TEST(VQDocxUtilities, HighlightNamesAndTextPathStyle) {
  EXPECT_STREQ(U::NameFromColorValue({211, 213, 209, 255}), "lightGray");
  EXPECT_STREQ(U::NameFromColorValue({0, 100, 0, 253}), "darkGreen");
  EXPECT_EQ(U::NameFromColorValue({0, 103, 0, 255}), nullptr);
  EXPECT_EQ(U::NameFromColorValue({255, 0, 0, 128}), nullptr);
  VQDocx_RPr r = U::defaultRProperty();
  r.b = 1;
  r.sz = 13;
  EXPECT_EQ(U::TextPathStyleForRProperty(r),
            "font-family:Times New Roman;font-weight:bold;font-size:13pt;v-text-kern:t;mso-text-shadow:auto");
}

std::string pPrXML(const VQDocx_PPr& p, const VQDocx_SectPr& s, const VQDocx_Tabs& tabs) {
  VQDocx_RPr r = VQDocx_RPr{};
  VQDocxSetText(r.rFonts.ascii, "F");
  r.w = 100;
  return writeXML([&](XMLFileWriter& x) { U::WritePProperty(p, r, s, tabs, x); });
}

constexpr const char* kMarkRun =
    "<w:rPr><w:rFonts w:ascii=\"F\" w:hAnsi=\"F\" w:cs=\"F\" w:eastAsia=\"F\"/><w:noProof/>"
    "<w:color w:val=\"000000\"/><w:sz w:val=\"0\"/><w:szCs w:val=\"0\"/></w:rPr>";

TEST(VQDocxUtilities, ParagraphProperties) {
  const VQDocx_SectPr hidden = U::defaultSectPropertyHiden();
  {
    VQDocx_PPr p = U::defaultPProperty();
    EXPECT_EQ(pPrXML(p, hidden, U::defaultTabsProperty()),
              std::string("<w:pPr><w:spacing w:before=\"0\" w:after=\"0\" w:line=\"240\" w:lineRule=\"exact\"/>"
                          "<w:ind w:firstLine=\"0\" w:left=\"0\"/><w:jc w:val=\"left\"/>") +
                  kMarkRun + "</w:pPr>");
  }
  {
    VQDocx_PPr p = U::defaultPProperty();
    VQDocxSetText(p.spacing.lineRule, "auto");
    p.spacing.line = 13.8f;
    p.spacing.word1LineHeight = 12;
    p.spacing.before = -3;
    p.spacing.after = 6;
    p.ind = {-18.125f, 36, 0};  // hanging by 362.5 twips, rounded away from zero
    p.jc = 3;
    p.outlineLvl = 2;
    p.numPr = {1, 4};
    const VQDocx_Tab tabs[] = {{"dot", "left", 72}, {"", "right", 300.5f}};
    VQDocx_SectPr s = hidden;
    s.shouldWrite = 1;
    s.type = 0;
    EXPECT_EQ(pPrXML(p, s, VQDocx_Tabs{2, tabs}),
              std::string("<w:pPr><w:numPr><w:ilvl w:val=\"1\"/><w:numId w:val=\"4\"/></w:numPr><w:tabs>"
                          "<w:tab w:val=\"left\" w:pos=\"1440\"/><w:tab w:val=\"right\" w:pos=\"6010\"/>"
                          "</w:tabs><w:spacing w:before=\"0\" w:after=\"120\" w:line=\"276\" "
                          "w:lineRule=\"auto\"/><w:ind w:hanging=\"363\" w:left=\"720\"/>"
                          "<w:jc w:val=\"both\"/><w:outlineLvl w:val=\"2\"/>") +
                  kMarkRun +
                  "<w:sectPr><w:pgSz w:w=\"11560\" w:h=\"12800\"/><w:pgMar w:top=\"1260\" w:right=\"0\" "
                  "w:bottom=\"0\" w:left=\"0\" w:header=\"0\" w:footer=\"0\" w:gutter=\"0\"/></w:sectPr></w:pPr>");
  }
  {
    VQDocx_PPr p = U::defaultPProperty();
    VQDocxSetText(p.spacing.lineRule, "auto");
    p.spacing.line = 13.8f;
    p.ind.right = 0.5f;
    const std::string out = pPrXML(p, hidden, U::defaultTabsProperty());
    EXPECT_NE(out.find("w:line=\"276\" w:lineRule=\"exact\""), std::string::npos) << out;
    EXPECT_NE(out.find("w:right=\"10\""), std::string::npos) << out;
  }
}

TEST(VQDocxUtilities, SectionProperties) {
  struct Case {
    const char* name;
    std::function<void(VQDocx_SectPr&)> change;
    std::string expected;
  };
  static const VQDocx_Col columns[] = {{200, 12.5f}, {250, 0}};
  const std::string margins =
      "<w:pgMar w:top=\"0\" w:right=\"0\" w:bottom=\"0\" w:left=\"0\" w:header=\"0\" w:footer=\"0\" w:gutter=\"0\"/>";
  const Case cases[] = {
      {"portrait letter", [](VQDocx_SectPr&) {},
       "<w:sectPr><w:pgSz w:w=\"12240\" w:h=\"15840\"/>" + margins + "</w:sectPr>"},
      {"landscape, next page",
       [](VQDocx_SectPr& s) {
         s.pgSz = {792, 612};
         s.type = 4;
       },
       "<w:sectPr><w:type w:val=\"nextPage\"/><w:pgSz w:w=\"15840\" w:h=\"12240\" w:orient=\"landscape\"/>" + margins +
           "</w:sectPr>"},
      {"equal columns with space, grid",
       [](VQDocx_SectPr& s) {
         s.cols.num = 2;
         s.cols.sep = 1;
         s.cols.equalWidth = 1;
         s.cols.space = 18;
         VQDocxSetText(s.docGrid.type, "lines");
         s.docGrid.linePitch = 15.6f;
       },
       "<w:sectPr><w:pgSz w:w=\"12240\" w:h=\"15840\"/>" + margins +
           "<w:cols w:sep=\"0\" w:num=\"2\" w:space=\"360\"/><w:docGrid w:type=\"lines\" w:linePitch=\"312\"/>"
           "</w:sectPr>"},
      {"explicit columns",
       [](VQDocx_SectPr& s) {
         s.cols.num = 2;
         s.cols.col = columns;
       },
       "<w:sectPr><w:pgSz w:w=\"12240\" w:h=\"15840\"/>" + margins +
           "<w:cols w:num=\"2\" w:equalWidth=\"0\"><w:col w:w=\"4000\" w:space=\"250\"/><w:col w:w=\"5000\"/>"
           "</w:cols></w:sectPr>"},
      {"unequal columns without their array", [](VQDocx_SectPr& s) { s.cols.num = 3; },
       "<w:sectPr><w:pgSz w:w=\"12240\" w:h=\"15840\"/>" + margins +
           "<w:cols w:num=\"3\" w:equalWidth=\"0\"/></w:sectPr>"},
      {"page borders only with offsetFrom",
       [](VQDocx_SectPr& s) {
         s.offsetFrom = 1;
         s.pgBorders = U::defaultTableBorders();
       },
       "<w:sectPr><w:pgSz w:w=\"12240\" w:h=\"15840\"/>" + margins +
           "<w:pgBorders w:offsetFrom=\"page\">"
           "<w:top w:val=\"single\" w:sz=\"8\" w:space=\"0\" w:color=\"000000\"/>"
           "<w:left w:val=\"single\" w:sz=\"8\" w:space=\"0\" w:color=\"000000\"/>"
           "<w:bottom w:val=\"single\" w:sz=\"8\" w:space=\"0\" w:color=\"000000\"/>"
           "<w:right w:val=\"single\" w:sz=\"8\" w:space=\"0\" w:color=\"000000\"/></w:pgBorders></w:sectPr>"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    VQDocx_SectPr s{};
    s.pgSz = {612, 792};
    s.cols.num = 1;
    c.change(s);
    EXPECT_EQ(writeXML([&](XMLFileWriter& x) { U::WriteSectProperty(s, x); }), c.expected);
  }
}

TEST(VQDocxUtilities, BlankParagraph) {
  VQDocx_RPr r{};
  VQDocxSetText(r.rFonts.ascii, "F");
  r.w = 100;
  const std::string out = writeXML([&](XMLFileWriter& x) {
    U::Write1BlankParagraphWithProperty(U::defaultPProperty(), r, U::defaultSectPropertyHiden(), x);
  });
  EXPECT_EQ(out.rfind("<w:p><w:pPr>", 0), 0u) << out;
  EXPECT_EQ(out.substr(out.size() - 14), "</w:pPr></w:p>");
}

std::string borderXML(const VQDocx_Border& b) {
  return writeXML([&](XMLFileWriter& x) { U::WriteBorderProperty(b, "top", x); });
}

TEST(VQDocxUtilities, Borders) {
  struct Case {
    VQDocx_Border border;
    const char* expected;
  };
  const Case cases[] = {
      {{2, 0.3f, {255, 0, 0, 255}, 0, 0}, "<w:top w:val=\"single\" w:sz=\"2\" w:space=\"0\" w:color=\"FF0000\"/>"},
      {{15, 0.375f, {0, 0, 0, 255}, 1, 40},
       "<w:top w:val=\"double\" w:sz=\"4\" w:space=\"31\" w:color=\"000000\" "
       "w:shadow=\"true\"/>"},  // 0.375 is a half quarter: away from zero
      {{30, 1, {300, -4, 16, 255}, 0, 2.5f}, "<w:top w:val=\"none\" w:sz=\"8\" w:space=\"2\" w:color=\"FF0010\"/>"},
      {{2, -1, {0, 0, 0, 255}, 0, -3}, "<w:top w:val=\"single\" w:sz=\"0\" w:space=\"0\" w:color=\"000000\"/>"},
  };
  for (const auto& c : cases) EXPECT_EQ(borderXML(c.border), c.expected);
  EXPECT_EQ(writeXML([](XMLFileWriter& x) {
              U::WriteMarginProperty({5.5f, 2}, "left", x);
            }),
            "<w:left w:type=\"dxa\" w:w=\"110\"/>");
}

TEST(VQDocxUtilities, TableProperties) {
  const std::string defaultTable = writeXML([](XMLFileWriter& x) { U::WriteTblProperty(U::defaultTblProperty(), x); });
  const std::string single = "w:val=\"single\" w:sz=\"8\" w:space=\"0\" w:color=\"000000\"/>";
  EXPECT_EQ(defaultTable,
            "<w:tblPr><w:tblStyle w:val=\"TableGrid\"/><w:tblW w:type=\"auto\" w:w=\"0\"/>"
            "<w:jc w:val=\"left\"/><w:tblBorders><w:top " +
                single + "<w:left " + single + "<w:bottom " + single + "<w:right " + single + "<w:insideH " + single +
                "<w:insideV " + single +
                "</w:tblBorders><w:tblLayout w:type=\"fixed\"/><w:tblCellMar><w:top w:type=\"dxa\" w:w=\"0\"/>"
                "<w:left w:type=\"dxa\" w:w=\"0\"/><w:bottom w:type=\"dxa\" w:w=\"0\"/>"
                "<w:right w:type=\"dxa\" w:w=\"0\"/></w:tblCellMar>"
                "<w:tblLook w:val=\"01E0\"/></w:tblPr>");

  VQDocx_TblPr t{};
  t.tblpPr = U::defaultTblpProperty();  // anchored to the page at 0,0: no position written
  t.tblBorders = U::defaultPageBordersNone();
  t.tblBorders.insideH.val = 1;
  t.tblLook.noHBand = 1;  // alone it does not make a tblLook
  VQDocxSetText(t.tblCaption, "C");
  EXPECT_EQ(writeXML([&](XMLFileWriter& x) { U::WriteTblProperty(t, x); }),
            "<w:tblPr><w:jc w:val=\"left\"/><w:tblLayout w:type=\"fixed\"/></w:tblPr>");

  t.tblpPr.tblpX = 36;
  t.tblBorders.insideV = U::defaultBorder_SingleLine();
  VQDocxSetText(t.tblCaption, "Caption & co");
  t.jc = 2;
  t.tblInd = {-5, 2};
  t.shd = U::defaultShading();
  t.shd.val = 1;
  t.shd.fill = {204, 204, 204, 255};
  t.tblCellSpacing = {1, 2};
  t.tblLayout = 1;
  t.tblLook.firstRow = 1;
  t.tblStyleRowBandSize = 2;
  const std::string none = "w:val=\"none\" w:sz=\"0\" w:space=\"0\" w:color=\"000000\"/>";
  EXPECT_EQ(writeXML([&](XMLFileWriter& x) { U::WriteTblProperty(t, x); }),
            "<w:tblPr><w:tblpPr w:leftFromText=\"0\" w:rightFromText=\"0\" w:topFromText=\"0\" "
            "w:bottomFromText=\"0\" w:vertAnchor=\"page\" w:horzAnchor=\"page\" w:tblpX=\"720\" w:tblpY=\"0\"/>"
            "<w:tblStyleRowBandSize w:val=\"2\"/><w:jc w:val=\"center\"/>"
            "<w:tblCellSpacing w:type=\"dxa\" w:w=\"20\"/><w:tblInd w:type=\"dxa\" "
            "w:w=\"-100\"/><w:tblBorders><w:top " +
                none + "<w:left " + none + "<w:bottom " + none + "<w:right " + none +
                "<w:insideH w:val=\"nil\" w:sz=\"0\" w:space=\"0\" w:color=\"000000\"/><w:insideV " + single +
                "</w:tblBorders><w:shd w:val=\"clear\" w:color=\"auto\" w:fill=\"CCCCCC\"/>"
                "<w:tblLayout w:type=\"autofit\"/>"
                "<w:tblLook w:firstRow=\"true\" w:noHBand=\"true\"/><w:tblCaption w:val=\"Caption &amp; co\"/>"
                "</w:tblPr>");
}

TEST(VQDocxUtilities, GridAndRowProperties) {
  EXPECT_EQ(writeXML([](XMLFileWriter& x) { U::WriteTblGridProperty(U::defaultTblGridProperty(), x); }),
            "<w:tblGrid><w:gridCol w:w=\"1280\"/></w:tblGrid>");
  EXPECT_EQ(writeXML([](XMLFileWriter& x) { U::WriteTblGridProperty(VQDocx_TblGrid{}, x); }), "");
  VQDocx_TblGrid tooMany = U::defaultTblGridProperty();
  tooMany.gridCount = 1000;
  const std::string out = writeXML([&](XMLFileWriter& x) { U::WriteTblGridProperty(tooMany, x); });
  size_t count = 0;
  for (size_t at = out.find("<w:gridCol"); at != std::string::npos; at = out.find("<w:gridCol", at + 1)) ++count;
  EXPECT_EQ(count, 64u);

  EXPECT_EQ(writeXML([](XMLFileWriter& x) { U::WriteTrProperty(U::defaultTrProperty(), x); }),
            "<w:trPr><w:trHeight w:val=\"0\" w:hRule=\"exact\"/></w:trPr>");
  VQDocx_TrPr r{};
  r.cantSplit = r.tblHeader = 1;
  r.jc = 1;
  r.tblCellSpacing = {2, 2};
  EXPECT_EQ(writeXML([&](XMLFileWriter& x) { U::WriteTrProperty(r, x); }),
            "<w:trPr><w:cantSplit w:val=\"true\"/><w:tblHeader w:val=\"true\"/><w:jc w:val=\"right\"/>"
            "<w:tblCellSpacing w:type=\"dxa\" w:w=\"40\"/></w:trPr>");
}

TEST(VQDocxUtilities, CellProperties) {
  VQDocx_TblPr table = U::defaultTblProperty();
  table.rowCount = 3;
  table.columnCount = 3;
  const VQDocxRange middle{1, 1};
  const VQDocxRange first{0, 1};

  VQDocx_TcPr cell = U::defaultTcProperty();
  EXPECT_TRUE(U::IsBorderEqualTcProperty(cell, middle, middle, table));
  EXPECT_EQ(writeXML([&](XMLFileWriter& x) { U::WriteTcProperty(cell, middle, middle, table, x); }), "<w:tcPr/>");

  // First row: the reference of the top side is the table's top, now thicker.
  table.tblBorders.top.sz = 2;
  EXPECT_FALSE(U::IsBorderEqualTcProperty(cell, middle, first, table));
  EXPECT_TRUE(U::IsBorderEqualTcProperty(cell, middle, middle, table));
  EXPECT_EQ(writeXML([&](XMLFileWriter& x) { U::WriteTcProperty(cell, middle, first, table, x); }),
            "<w:tcPr><w:tcBorders><w:top w:val=\"single\" w:sz=\"8\" w:space=\"0\" w:color=\"000000\"/>"
            "</w:tcBorders></w:tcPr>");
  // Last row and column read the table's bottom and right.
  table.tblBorders.bottom.val = 0;
  EXPECT_FALSE(U::IsBorderEqualTcProperty(cell, VQDocxRange{0, 3}, VQDocxRange{2, 1}, table));
  EXPECT_TRUE(U::IsBorderEqualTcProperty(cell, VQDocxRange{0, 3}, VQDocxRange{1, 1}, table));

  cell.gridSpan = 2;
  cell.noWrap = 1;
  cell.shd.val = 10;
  cell.shd.fill = {1, 2, 3, 255};
  cell.tcMar = U::defaultMargins();
  cell.vAlign = 1;
  cell.tcW = {50.5f, 2};
  cell.vMerge = 3;
  cell.tcBorders.insideH = U::defaultBorder_SingleLine();
  EXPECT_EQ(writeXML([&](XMLFileWriter& x) { U::WriteTcProperty(cell, middle, middle, table, x); }),
            "<w:tcPr><w:tcW w:w=\"1010\" w:type=\"dxa\"/><w:gridSpan w:val=\"2\"/><w:vMerge/><w:tcBorders>"
            "<w:insideH w:val=\"single\" w:sz=\"8\" w:space=\"0\" w:color=\"000000\"/></w:tcBorders>"
            "<w:shd w:fill=\"010203\" w:color=\"000000\" w:val=\"solid\"/><w:noWrap w:val=\"true\"/>"
            "<w:tcMar><w:top w:type=\"dxa\" w:w=\"0\"/>"
            "<w:left w:type=\"dxa\" w:w=\"0\"/><w:bottom w:type=\"dxa\" w:w=\"0\"/><w:right w:type=\"dxa\" "
            "w:w=\"0\"/></w:tcMar><w:vAlign w:val=\"center\"/></w:tcPr>");
  cell = U::defaultTcProperty();
  cell.vMerge = 2;
  EXPECT_EQ(writeXML([&](XMLFileWriter& x) { U::WriteTcProperty(cell, middle, middle, table, x); }),
            "<w:tcPr><w:vMerge w:val=\"restart\"/></w:tcPr>");
}

}  // namespace

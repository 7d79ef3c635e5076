#include "docx/capture/VQDocxRunText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

#include "docx/capture/VQDocxRunTextLineSpace.h"
#include "office/OfficeTestSupport.h"
#include "office/docx/VQDocxManager.h"
#include "platform/text/InstalledFonts.h"

namespace {

using namespace vq;
using vq::text::InstalledFace;
using vq::text::InstalledFonts;

std::shared_ptr<VQDocxRunText> Text(const std::string& s) {
  auto run = std::make_shared<VQDocxRunText>();
  run->setRunText(s);
  return run;
}

std::shared_ptr<VQDocxRunText> TextAt(const std::string& s, double xLeft, double yBase) {
  auto run = Text(s);
  run->ctmInfo.xLeft = xLeft;
  run->ctmInfo.yBase = yBase;
  return run;
}

TEST(VQDocxRunText, BlankFlagsAreOnlyEverTurnedOnByText) {
  auto run = Text(" ab ");
  EXPECT_TRUE(run->isSpaceFirst && run->isSpaceLast);
  run->setRunText("ab");  // a merged run keeps knowing that a part of it had the blanks
  EXPECT_TRUE(run->isSpaceFirst && run->isSpaceLast);
  run->setRunText("");
  EXPECT_FALSE(run->isSpaceFirst || run->isSpaceLast);
  run->setRunText("a ");
  EXPECT_FALSE(run->isSpaceFirst);
  EXPECT_TRUE(run->isSpaceLast);
}

TEST(VQDocxRunText, DuplicatesAndBlanks) {
  struct Case {
    const char* text;
    double xLeft, yBase;
    bool bold;
    bool duplicate;
  } cases[] = {
      {"a", 101.5, 201, false, true}, {"a", 101.6, 200, false, false}, {"a", 100, 201.1, false, false},
      {"b", 100, 200, false, false},  {"a", 98.5, 199, false, true},   {"a", 100, 200, true, false},
  };
  const auto first = TextAt("a", 100, 200);
  for (const auto& c : cases) {
    auto other = TextAt(c.text, c.xLeft, c.yBase);
    other->rProperty.b = c.bold;
    EXPECT_EQ(first->isDuplicateRunText(*other), c.duplicate) << c.text << " at " << c.xLeft << ", " << c.yBase;
  }

  auto blanks = Text(" \t\xE3\x80\x80");  // a full-width blank too
  EXPECT_TRUE(blanks->isBankSpaceRunText());
  blanks->rProperty.u = 1;  // an underline drawn under blanks is visible
  EXPECT_FALSE(blanks->isBankSpaceRunText());
  blanks->rProperty.u = 0;
  blanks->rProperty.strikethrough = 1;
  EXPECT_FALSE(blanks->isBankSpaceRunText());
  EXPECT_FALSE(Text(" a ")->isBankSpaceRunText());
}

TEST(VQDocxRunText, GeometryOfTrailingBlanks) {
  struct Case {
    const char* text;
    double width;
  } cases[] = {{"ab  ", 14}, {"ab", 20}, {"a b", 20}, {" \n", 14}, {"", 20}, {"ab\xC2\xA0", 17}};
  for (const auto& c : cases) {
    auto run = Text(c.text);
    run->spaceWidth = 3;
    run->ctmInfo.frame = RectMake(5, 6, 20, 10);
    EXPECT_EQ(run->trimBehindTextRect(), RectMake(5, 6, c.width, 10)) << c.text;
  }

  auto run = Text("ab");
  run->textWidth = 20;
  run->ctmInfo.xLeft = 50;
  run->ctmInfo.frame = RectMake(50, 80, 20, 12);
  EXPECT_EQ(run->updateToNewFontWidth(16), 4);
  EXPECT_EQ(run->textWidth, 16);
  EXPECT_EQ(run->ctmInfo.xRight, 66);
  EXPECT_EQ(run->ctmInfo.frame, RectMake(50, 80, 16, 12));

  EXPECT_EQ(run->doubleBottomLine(), 80 + 1.5 * 12 + 1);
  run->wordSingleLineHeight = 14;
  EXPECT_EQ(run->doubleBottomLine(), 80 + 1.5 * 14 + 1);
}

std::shared_ptr<VQDocxRunText> SplitSource(const std::string& text, uint64_t length) {
  auto run = Text(text);
  run->setPdfScanIndex(10);
  run->pdfScanLength = length;
  run->spaceWidth = 4;
  run->textWidth = 20;
  run->insideSpacing = 3;
  run->pdfScanIndex_BegainText = 2;
  run->pdfScanIndex_ShowText = 3;
  run->isAnnotion = true;
  run->rProperty.spacing = 1;
  run->ctmInfo.xLeft = 50;
  run->ctmInfo.xRight = 70;
  run->ctmInfo.yTop = 80;
  run->ctmInfo.yAscent = 82;
  run->ctmInfo.yBase = 90;
  run->ctmInfo.frame = RectMake(50, 80, 20, 12);
  return run;
}

TEST(VQDocxRunText, SplittingOffTheTrailingBlank) {
  EXPECT_EQ(SplitSource("ab ", 1)->splitBlackSpaceRunTextBehind(), nullptr);

  auto run = SplitSource("ab ", 3);
  auto blank = run->splitBlackSpaceRunTextBehind();
  ASSERT_NE(blank, nullptr);
  EXPECT_EQ(run->runText(), "ab");
  EXPECT_EQ(run->textWidth, 16);
  EXPECT_EQ(run->pdfScanLength, 2u);
  EXPECT_EQ(run->insideSpacing, 2);  // one third of the spacing left with the blank
  EXPECT_EQ(run->ctmInfo.frame, RectMake(50, 80, 16, 12));
  EXPECT_EQ(run->ctmInfo.yAscent, 80);

  EXPECT_EQ(blank->runText(), " ");
  EXPECT_EQ(blank->pdfScanIndex(), 12u);
  EXPECT_EQ(blank->pdfScanLength, 1u);
  EXPECT_EQ(blank->textWidth, 4);
  EXPECT_EQ(blank->spaceWidth, 4);
  EXPECT_EQ(blank->insideSpacing, 0);
  EXPECT_EQ(blank->rProperty.spacing, 0);
  EXPECT_TRUE(blank->isAnnotion);
  EXPECT_EQ(blank->pdfScanIndex_BegainText, 2u);
  EXPECT_EQ(blank->pdfScanIndex_ShowText, 3u);
  EXPECT_EQ(blank->ctmInfo.frame, RectMake(66, 80, 4, 12));
  EXPECT_EQ(blank->ctmInfo.xLeft, 66);
  EXPECT_EQ(blank->ctmInfo.xRight, 70);
  EXPECT_EQ(blank->ctmInfo.yBottom, 92);
  EXPECT_EQ(blank->ctmInfo.yAscent, 82);  // as the source had it before the split
  EXPECT_EQ(blank->ctmInfo.yBase, 90);
  EXPECT_EQ(blank->ctmInfo.bottomLeft, PointMake(66, 92));

  // Without a blank to cut the letters stay, and a blank still follows them.
  auto letters = SplitSource("ab", 2);
  auto after = letters->splitBlackSpaceRunTextBehind();
  ASSERT_NE(after, nullptr);
  EXPECT_EQ(letters->runText(), "ab");
  EXPECT_EQ(letters->textWidth, 20);
  EXPECT_EQ(after->pdfScanIndex(), 12u);
  EXPECT_EQ(after->ctmInfo.frame, RectMake(70, 80, 4, 12));

  // A multi-byte blank goes whole.
  auto wide = SplitSource("ab\xE3\x80\x80", 3);
  wide->splitBlackSpaceRunTextBehind();
  EXPECT_EQ(wide->runText(), "ab");
}

TEST(VQDocxRunText, AppendingABlankSpreadsTheSpacing) {
  auto run = Text("ab");
  run->insideSpacing = 2;
  run->spaceWidth = 3;
  run->textWidth = 10;
  run->ctmInfo.xLeft = 5;
  run->ctmInfo.frame = RectMake(5, 0, 10, 8);
  EXPECT_EQ(run->addBlankSpaceTextBehind(), 3);
  EXPECT_EQ(run->runText(), "ab ");
  EXPECT_EQ(run->insideSpacing, 3);
  EXPECT_EQ(run->textWidth, 13);
  EXPECT_EQ(run->ctmInfo.frame.size.width, 14);
  EXPECT_EQ(run->ctmInfo.xRight, 19);

  auto empty = Text("");  // nothing to divide the spacing by
  empty->insideSpacing = 2;
  empty->spaceWidth = 3;
  EXPECT_EQ(empty->addBlankSpaceTextBehind(), 3);
  EXPECT_EQ(empty->runText(), " ");
  EXPECT_EQ(empty->insideSpacing, 2);
  EXPECT_EQ(empty->ctmInfo.frame.size.width, 3);
}

TEST(VQDocxRunText, SizesRoundToHalfPointsAndWidthsScaleWithoutFitting) {
  struct Case {
    float size, rounded;
  } cases[] = {{10.74f, 10.5f}, {10.76f, 11}, {10.25f, 10.5f}, {12, 12}, {0, 0}};
  for (const auto& c : cases) {
    auto run = Text("Hello");
    run->rProperty.sz = c.size;
    run->textWidth = 100;
    run->spaceWidth = 5;
    run->insideSpacing = 1;
    run->optimizePropertyAtStart(false);
    EXPECT_EQ(run->rProperty.sz, c.rounded) << c.size;
    EXPECT_EQ(run->rProperty.szCs, c.rounded) << c.size;
    const double r = c.size != 0 ? static_cast<double>(c.rounded / c.size) : 1.0;
    EXPECT_NEAR(run->textWidth, 100 * r, 1e-4) << c.size;
    EXPECT_NEAR(run->spaceWidth, 5 * r, 1e-5) << c.size;
    EXPECT_NEAR(run->insideSpacing, 100 - 100 * r + 1, 1e-4) << c.size;
    EXPECT_EQ(run->rProperty.spacing, static_cast<float>(run->insideSpacing)) << c.size;
    EXPECT_EQ(run->spaceWidth_orignal, 5) << c.size;
    EXPECT_TRUE(std::isfinite(run->rProperty.spacing)) << c.size;
  }
}

// Fonts with known advances (listed by character: the font's map needs
// them in order): "Fit Serif", and "Stand In" in two weights that stand in
// for fonts the machine lacks.
class FixedFaces : public text::FontProvider {
 public:
  explicit FixedFaces(std::vector<InstalledFace> faces) : faces_(std::move(faces)) {}
  std::vector<InstalledFace> faces() const override { return faces_; }

 private:
  std::vector<InstalledFace> faces_;
};

class VQDocxRunTextFitting : public ::testing::Test {
 protected:
  void SetUp() override {
    auto font = [&](const std::string& family, const std::string& style, const std::string& full, const std::string& ps,
                    std::vector<std::pair<uint32_t, uint16_t>> advances) {
      const std::string file = (dir_ / (ps + ".ttf")).string();
      std::ofstream(file, std::ios::binary) << vqtest::BuildTrueTypeFont(family, advances);
      return InstalledFace{family, style, full, ps, file, 0};
    };
    InstalledFonts::setProvider(std::make_shared<FixedFaces>(std::vector<InstalledFace>{
        font("Fit Serif", "Regular", "Fit Serif", "FitSerif", {{' ', 250}, {'a', 500}, {'b', 600}}),
        font("Stand In", "Regular", "Stand In", "StandIn",
             {{' ', 200}, {'A', 700}, {'B', 600}, {'a', 400}, {'b', 400}}),
        font("Stand In", "Bold", "Stand In Bold", "StandIn-Bold", {{' ', 300}, {'a', 550}, {'b', 550}}),
    }));
    const auto table = dir_ / "heights.plist";
    std::ofstream(table) << R"(<?xml version="1.0" encoding="UTF-8"?><plist version="1.0"><dict>)"
                         << "<key>fit serif</key><dict><key>font-height-factor</key><string>1.25</string>"
                            "<key>font-ascent-factor</key><string>0.875</string></dict></dict></plist>";
    VQDocxManager::destory();
    ASSERT_TRUE(VQDocxManager::sharedInstance()->readWordInfoDictionaryAtPath(table.string()));
  }
  void TearDown() override {
    InstalledFonts::setProvider(nullptr);
    VQDocxManager::destory();
  }

  static std::shared_ptr<VQDocxRunText> Fitted(const std::string& text, const char* font, const char* replacement,
                                               bool bold = false, bool upperCase = false) {
    auto run = Text(text);
    VQDocxSetText(run->rProperty.rFonts.ascii, font);
    VQDocxSetText(run->rProperty.rFonts_replace.ascii, replacement);
    run->rProperty.sz = 10.2f;  // fitted at 10
    run->rProperty.b = bold;
    run->rProperty.upperCase = upperCase;
    run->textWidth = 12;
    run->spaceWidth = 0.05;  // too narrow to keep: the fitted blank replaces it
    run->insideSpacing = 0.5;
    run->wordSingleLineHeight = 7;
    run->optimizePropertyAtStart(true);
    return run;
  }

  vqtest::ScratchDir dir_;
};

TEST_F(VQDocxRunTextFitting, MeasuresInTheInstalledFontOrItsStandIn) {
  struct Case {
    const char* name;
    std::shared_ptr<VQDocxRunText> run;
    const char* text;
    const char* font;
    double textWidth, spaceWidth, insideSpacing, lineHeight;
  } cases[] = {
      // The PDF's 12 points less the measured width, plus the 0.5 the run had.
      {"installed", Fitted("ab", "Fit Serif", "Stand In"), "ab", "Fit Serif", 11, 2.5, 1.5, 12.5},
      {"stand-in", Fitted("ab", "Gone", "Stand In"), "ab", "Stand In", 8, 2, 4.5, 0},
      {"bold stand-in", Fitted("ab", "Gone", "Stand In", true), "ab", "Stand In", 11, 2, 1.5, 0},
      {"caps stand-in", Fitted("ab", "Gone", "Stand In", false, true), "AB", "Stand In", 13, 2, -0.5, 0},
      // Unmeasured: the spacing makes up for the size rounding alone; the
      // line height stays as it was.
      {"nothing installed", Fitted("ab", "Gone", "Also Gone"), "ab", "Gone", 12, 0.05 * 10 / 10.2f,
       12 - 12 * 10 / 10.2 + 0.5, 7},
  };
  for (const auto& c : cases) {
    const auto& run = *c.run;
    EXPECT_EQ(run.runText(), c.text) << c.name;
    EXPECT_EQ(VQDocxText(run.rProperty.rFonts.ascii), c.font) << c.name;
    EXPECT_EQ(run.rProperty.sz, 10) << c.name;
    EXPECT_NEAR(run.textWidth, c.textWidth, 1e-9) << c.name;
    EXPECT_NEAR(run.spaceWidth, c.spaceWidth, 1e-6) << c.name;
    EXPECT_EQ(run.spaceWidth_orignal, run.spaceWidth) << c.name;
    EXPECT_NEAR(run.insideSpacing, c.insideSpacing, 1e-5) << c.name;
    EXPECT_EQ(run.rProperty.spacing, static_cast<float>(run.insideSpacing)) << c.name;
    EXPECT_NEAR(run.wordSingleLineHeight, c.lineHeight, 1e-9) << c.name;
  }
  // 12.5 x 0.875 - 10: the blank band above the glyphs in a Word line.
  EXPECT_NEAR(cases[0].run->wordSingleLineBlankTop, 12.5 * 0.875 - 10, 1e-9);
}

TEST_F(VQDocxRunTextFitting, AWidthThatCannotBeMeasuredKeepsThePDFWidth) {
  // "c" is in no installed face: nothing measures, so the PDF width stays.
  const auto run = Fitted("c", "Fit Serif", "Stand In");
  EXPECT_EQ(run->textWidth, 12);
  EXPECT_EQ(run->spaceWidth, 2.5);
  const auto empty = Fitted("", "Gone", "Stand In");
  EXPECT_EQ(empty->textWidth, 12);
  EXPECT_TRUE(std::isfinite(empty->insideSpacing));
}

std::string Written(VQDocxRunText& run) {
  return vqtest::writeXML([&](XMLFileWriter& w) { run.writeWithXMLWriter(w); });
}

std::string RunXML(const std::string& lang, const std::string& extra, const std::string& text) {
  return "<w:r><w:rPr><w:rFonts w:ascii=\"Times New Roman\" w:hAnsi=\"Times New Roman\" w:cs=\"Times New Roman\" "
         "w:eastAsia=\"Times New Roman\"/><w:noProof/><w:color w:val=\"000000\"/>" +
         extra + "<w:sz w:val=\"24\"/><w:szCs w:val=\"24\"/><w:lang w:val=\"" + lang + "\" w:eastAsia=\"" + lang +
         "\" w:bidi=\"" + lang + "\"/></w:rPr><w:t" + (text.front() == ' ' ? " xml:space=\"preserve\">" : ">") + text +
         "</w:t></w:r>";
}

TEST(VQDocxRunText, WritesOneRunWithItsLanguageAndSpreadSpacing) {
  struct Case {
    const char* text;
    std::optional<std::string> language;
    double outsideSpacing;
    std::string xml;
  } cases[] = {
      {"ab", "EN-us", 3, RunXML("en-US", "<w:spacing w:val=\"30\"/>", "ab")},
      {"a", "zh-CN", 3, RunXML("zh-CN", "<w:spacing w:val=\"60\"/>", "a")},
      // Condensing leaves the last character alone.
      {"abc", "en-US", -6, RunXML("en-US", "<w:spacing w:val=\"-60\"/>", "abc")},
      {" a&b<c> ", std::nullopt, 0, RunXML("en-US", "", " a&amp;b&lt;c&gt; ")},
      {"ab", "de-DE", std::nan(""), RunXML("de-DE", "", "ab")},
      // A tag longer than the field is cut whole characters at a time.
      {"x", std::string(30, 'q') + "\xC3\xA9", 0, RunXML(std::string(30, 'q'), "", "x")},
  };
  for (const auto& c : cases) {
    auto run = Text(c.text);
    run->markLanguage = c.language;
    run->outsideSpacing = c.outsideSpacing;
    EXPECT_EQ(Written(*run), c.xml) << c.text;
  }
}

TEST(VQDocxRunText, ArrayOperations) {
  auto runs =
      VQDocxRunText::Array{TextAt("a", 0, 100), TextAt("b", 0, 100.9), TextAt("c", 0, 101), TextAt("d", 0, 99.2)};
  EXPECT_EQ(VQDocxRunText::CollectSameBaseLineRunTexts(runs), (VQDocxRunText::Array{runs[0], runs[1], runs[3]}));
  EXPECT_EQ(VQDocxRunText::FindMinBaseLineRunText(runs), runs[3]);
  EXPECT_EQ(VQDocxRunText::FindMinBaseLineRunText({}), nullptr);
  EXPECT_TRUE(VQDocxRunText::CollectSameBaseLineRunTexts({}).empty());

  runs[0]->ctmInfo.frame = RectMake(0, 10, 5, 10);
  runs[1]->ctmInfo.frame = RectMake(20, 0, 5, 40);
  runs[2]->ctmInfo.frame = RectMake(0, 30, 5, 10);
  runs[3]->ctmInfo.frame = RectMake(-5, 20, 5, 5);
  EXPECT_EQ(VQDocxRunText::FrameOfRunTextArray(runs), RectMake(-5, 0, 30, 40));
  EXPECT_EQ(VQDocxRunText::FrameOfRunTextArray({}), RectZero);
  // Bottoms 26, 61, 46, 28.5: the second reaches lowest.
  EXPECT_EQ(VQDocxRunText::FindBottomAfterRunText(runs), runs[1]);
  EXPECT_EQ(VQDocxRunText::FindBottomAfterRunText({}), nullptr);

  runs[0]->setPdfScanIndex(8);
  runs[1]->setPdfScanIndex(2);
  runs[2]->setPdfScanIndex(5);
  runs[3]->setPdfScanIndex(3);
  runs[2]->textScanLength = 3;
  VQDocxRunText::UpdateRunTextArrayPDFScanIndex(runs);
  std::string order;
  for (size_t k = 0; k < runs.size(); ++k) {
    order += runs[k]->runText();
    EXPECT_EQ(runs[k]->textScanIndex, k);
    EXPECT_EQ(runs[k]->textScanLength, 1u);
  }
  EXPECT_EQ(order, "bdca");
}

TEST(VQDocxRunText, GroupsByAnnotation) {
  auto runs = VQDocxRunText::Array{Text("a"), Text("b"), Text("c"), Text("d")};
  runs[1]->isAnnotion = runs[2]->isAnnotion = true;
  runs[1]->pdfAnnotionIndex = runs[2]->pdfAnnotionIndex = 4;
  runs[3]->pdfAnnotionIndex = 4;  // not drawn by an annotation
  const auto all = runs;
  const auto groups = VQDocxRunText::FindGroupSameAnnotionRunText(runs);
  EXPECT_TRUE(runs.empty());
  ASSERT_EQ(groups.size(), 3u);
  EXPECT_EQ(groups[0], (VQDocxRunText::Array{all[0]}));
  EXPECT_EQ(groups[1], (VQDocxRunText::Array{all[1], all[2]}));
  EXPECT_EQ(groups[2], (VQDocxRunText::Array{all[3]}));
}

TEST(VQDocxRunText, CopyAndDescription) {
  auto run = Text(" x ");
  run->setRunText("xy");
  run->setPdfScanIndex(4);
  run->pdfScanLength = 2;
  run->textScanIndex = 1;
  run->markLanguage = "fr-FR";
  run->textWidth = 9;
  run->outsideSpacing = 1.25;
  run->wordSingleLineBlankTop = 2;
  run->ctmInfo.frame = RectMake(1, 2, 3, 4);
  auto copy = run->clone();
  EXPECT_NE(copy, run);
  EXPECT_EQ(copy->runText(), "xy");
  EXPECT_TRUE(copy->isSpaceFirst && copy->isSpaceLast);
  EXPECT_EQ(copy->markLanguage, "fr-FR");
  EXPECT_EQ(copy->textWidth, 9);
  EXPECT_EQ(copy->outsideSpacing, 1.25);
  EXPECT_EQ(copy->wordSingleLineBlankTop, 2);
  EXPECT_EQ(copy->displayRect(), RectMake(1, 2, 3, 4));
  EXPECT_EQ(copy->pdfScanLength, 2u);
  EXPECT_EQ(run->description(),
            fmt::format("<VQDocxRunText: {}:[pdfScanIndex:4~5][textScanIndex:1~1][pdfAnnotionIndex:0]"
                        "[ShowTextIndex:0][yBase:0.00][bottomLeft:[0.000000, 0.000000]][xRight:0.000000]"
                        "[frame:[1.000000, 2.000000, 3.000000, 4.000000]][fontSize:[0.000000, 0.000000]]"
                        "[textWidth=9.000000][spaceWidth=0.000000][insideSpacing=0.000000][Text=xy]"
                        "[rProperty.sz=12.000000][rProperty.scrpit=0][rProperty.strikethrough=0]"
                        "[rProperty.spacing:0.000000]>",
                        fmt::ptr(run.get())));
}

}  // namespace

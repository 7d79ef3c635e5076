// The parts a page and a document write: worksheet, style sheet, shared
// strings, CSV tables and the all-in-one sheet.
#include <gtest/gtest.h>

#include "XlsxTestSupport.h"
#include "support/TestSupport.h"
#include "xlsx/VQExcelDocument.h"
#include "xlsx/VQExcelPage.h"
#include "xlsx/VQExcelStyle.h"

namespace {

namespace fs = std::filesystem;
using xtest::Element;
using xtest::MakeRun;

struct Fixture {
  explicit Fixture(const std::string& name, vq::VQExcelOptions options = {}, uint64_t pages = 1)
      : doc((dir / name).string(), pages, options, std::filesystem::path(name).extension() == ".xlsx") {
    doc.writeDocumentBegin();
  }
  std::unique_ptr<vq::VQExcelPage> page(uint64_t n, vq::VQExcelRuns runs) {
    auto p = std::make_unique<vq::VQExcelPage>(n, doc.savedWorkFolder(), doc.manager(), doc.excelStyle(),
                                               doc.sharedStrings());
    p->allRunTextArray = std::move(runs);
    return p;
  }
  vqtest::ScratchDir dir;
  vq::VQExcelDocument doc;
};

// A title over two columns, a text and a number below it.
vq::VQExcelRuns TableRuns() {
  return {MakeRun("Title", 10, 10, 200), MakeRun("Name & <co>", 10, 30, 60), MakeRun("1,234.5", 150, 30, 40)};
}

TEST(VQExcelWritersEndToEnd, WorksheetOfAPage) {
  Fixture f("sheet.xlsx");
  auto page = f.page(1, TableRuns());
  page->creatSheet();
  ASSERT_TRUE(page->writeSheetXML());
  const std::string xml = vqtest::readFile(page->sheetXMLPath());
  EXPECT_EQ(Element(xml, "sheetData"),
            "<sheetData>"
            "<row r=\"1\" spans=\"1:1\" ht=\"17.55\" customHeight=\"1\"><c r=\"A1\" s=\"2\" t=\"s\"><v>0</v></c></row>"
            "<row r=\"2\" spans=\"1:1\" ht=\"17.55\" customHeight=\"1\"><c r=\"A2\" s=\"2\" t=\"s\"><v>1</v></c>"
            "<c r=\"B2\" s=\"1\" t=\"n\"><v>1234.5</v></c></row>"
            "</sheetData>");
  EXPECT_EQ(Element(xml, "mergeCells"), "<mergeCells><mergeCell ref=\"A1:B1\"/></mergeCells>");
  EXPECT_EQ(Element(xml, "pageMargins"),
            "<pageMargins left=\"0\" right=\"0\" top=\"0\" bottom=\"0\" header=\"0\" footer=\"0\"/>");
  // Widths: the single-column texts' span (56 points) over 5, rounded up;
  // the amount's column as wide as its 7 characters in 10-point type with
  // the cell's margins.
  EXPECT_EQ(Element(xml, "cols"),
            "<cols><col min=\"1\" max=\"1\" customWidth=\"1\" width=\"12\"/>"
            "<col min=\"2\" max=\"2\" customWidth=\"1\" width=\"8\"/></cols>");
  EXPECT_EQ(vqtest::runCommand("xmllint --noout '" + page->sheetXMLPath() + "'"), 0);
}

TEST(VQExcelWriters, FormatStylesChangeSizesFontsAndNumbers) {
  struct Case {
    int style;
    const char* numberCell;  // the amount's cell element, up to its value
    const char* wrap;
    const char* fontName;
  };
  const Case cases[] = {{1, "<c r=\"B2\" s=\"1\" t=\"n\">", "wrapText=\"0\"", "Helvetica"},
                        {2, "<c r=\"B2\" s=\"1\" t=\"s\">", "wrapText=\"0\"", "Arial Unicode MS"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.style);
    vq::VQExcelOptions options;
    options.excelFormatOption = c.style;
    Fixture f("styled.xlsx", options);
    auto page = f.page(1, TableRuns());
    page->creatSheet();
    ASSERT_TRUE(page->writeSheetXML());
    const std::string xml = vqtest::readFile(page->sheetXMLPath());
    EXPECT_NE(xml.find("<row r=\"1\" spans=\"1:1\" ht=\"13.5\""), std::string::npos);
    // Width from text width over font size: 56 / 10 * 10, at least 20, in
    // characters rounded up.
    EXPECT_NE(xml.find("<col min=\"1\" max=\"1\" customWidth=\"0\" bestFit=\"1\" width=\"12\"/>"), std::string::npos);
    EXPECT_NE(xml.find(c.numberCell), std::string::npos);
    EXPECT_NE(xml.find("<mergeCell ref=\"A1:B1\"/>"), std::string::npos);
    ASSERT_TRUE(f.doc.excelStyle().writeStyleTo(f.doc.savedWorkFolder(), f.doc.manager()));
    const std::string styles = vqtest::readFile(f.doc.savedWorkFolder() + "/xl/styles.xml");
    EXPECT_NE(styles.find(c.wrap), std::string::npos);
    EXPECT_NE(styles.find(std::string("<sz val=\"10\"/><color rgb=\"FF000000\"/><name val=\"") + c.fontName),
              std::string::npos);
  }
}

// Only what the page sets as one number in one line is a number; a number
// in parentheses is negative among amounts alone; a bold total's column is
// as wide as the total in its type; an indented first line is indented.
TEST(VQExcelWritersEndToEnd, CellsAsThePageSetsThem) {
  Fixture f("numbers.xlsx");
  auto total = MakeRun("1,234,567.00", 300, 124, 70, 14, 14);
  total->rPr.b = true;
  // Page numbers of an index, one under the other, joined into one cell.
  auto index = MakeRun("133 135", 10, 10, 15, 22);
  index->lines = 2;
  auto page = f.page(
      1, {index,
          // Page numbers of an index on one line, a word gap apart.
          MakeRun("134 132 140", 10, 260, 45),
          // An equation number beside prose.
          MakeRun("as in the equation", 10, 60, 90), MakeRun("(2)", 200, 60, 12),
          // A column of amounts, and a code.
          MakeRun("1,234.00", 300, 100, 40), MakeRun("(567.00)", 300, 112, 40), total, MakeRun("007", 10, 150, 15),
          // A paragraph whose first line is indented.
          MakeRun("Indented first line of a paragraph", 30, 200, 240),
          MakeRun("and the next line of the same paragraph", 10, 212, 260)});
  page->creatSheet();
  ASSERT_TRUE(page->writeSheetXML());
  const std::string xml = vqtest::readFile(page->sheetXMLPath());
  std::vector<std::string> numbers;
  for (size_t p = xml.find("t=\"n\"><v>"); p != std::string::npos; p = xml.find("t=\"n\"><v>", p + 1)) {
    const size_t from = p + 9;
    numbers.push_back(xml.substr(from, xml.find('<', from) - from));
  }
  EXPECT_EQ(numbers, (std::vector<std::string>{"1234.00", "-567.00", "1234567.00"}));
  ASSERT_TRUE(f.doc.sharedStrings().writeStringItemsEnd());
  const std::string sst = vqtest::readFile(f.doc.savedWorkFolder() + "/xl/sharedStrings.xml");
  for (const char* text : {">133 135<", ">134 132 140<", ">(2)<", ">007<"})
    EXPECT_NE(sst.find(text), std::string::npos) << text;
  // 12 characters of 14-point bold type and the cell's margins, in
  // characters of the workbook's 12-point type.
  const std::string cols = Element(xml, "cols");
  const size_t amounts = cols.find("width=\"", cols.rfind("<col "));
  ASSERT_NE(amounts, std::string::npos);
  EXPECT_GE(std::stoi(cols.substr(amounts + 7)), 18);
  ASSERT_TRUE(f.doc.excelStyle().writeStyleTo(f.doc.savedWorkFolder(), f.doc.manager()));
  const std::string styles = vqtest::readFile(f.doc.savedWorkFolder() + "/xl/styles.xml");
  EXPECT_NE(styles.find("horizontal=\"left\" vertical=\"center\" indent=\"2\""), std::string::npos);
  EXPECT_EQ(styles.find("horizontal=\"center\""), std::string::npos);
}

// Fills of one colour drawn in several places are one record; each cell
// still finds the fill drawn under it.
TEST(VQExcelWriters, FillsOfOneColourAreOneRecord) {
  vq::VQExcelOptions options;
  options.collectCGPaths = options.collectFills = true;
  Fixture f("fills.xlsx", options);
  auto& style = f.doc.excelStyle();
  auto fill = [](double y, const char* colour) {
    vq::VQExcelStyleFill fl;
    fl.patternType = "solid";
    fl.fgRGBColor = colour;
    fl.rect = vq::Rect{{0, y}, {100, 10}};
    return fl;
  };
  for (int row = 0; row < 20; ++row) style.collectFills(fill(row * 10.0, row % 2 ? "ff0000" : "00ff00"));
  EXPECT_EQ(style.fillCount(), 4u);  // none, gray125 and the two colours
  EXPECT_EQ(style.getFillIdWithCellFrame(vq::Rect{{10, 2}, {20, 5}}, f.doc.manager()), 2);
  EXPECT_EQ(style.getFillIdWithCellFrame(vq::Rect{{10, 12}, {20, 5}}, f.doc.manager()), 3);
  EXPECT_EQ(style.getFillIdWithCellFrame(vq::Rect{{10, 500}, {20, 5}}, f.doc.manager()), 0);
}

TEST(VQExcelWriters, EmptyPageStillHasSheetData) {
  Fixture f("empty.xlsx");
  auto page = f.page(1, {MakeRun("   ", 10, 10, 20)});
  page->creatSheet();
  ASSERT_TRUE(page->writeSheetXML());
  const std::string xml = vqtest::readFile(page->sheetXMLPath());
  EXPECT_EQ(Element(xml, "sheetData"), "<sheetData/>");
  EXPECT_EQ(Element(xml, "cols"), "");
  EXPECT_FALSE(page->creatCSV());
}

TEST(VQExcelWritersEndToEnd, FreshStyleSheet) {
  Fixture f("styles.xlsx");
  ASSERT_TRUE(f.doc.excelStyle().writeStyleTo(f.doc.savedWorkFolder(), f.doc.manager()));
  const std::string xml = vqtest::readFile(f.doc.savedWorkFolder() + "/xl/styles.xml");
  EXPECT_EQ(Element(xml, "numFmts"), "");
  EXPECT_EQ(Element(xml, "fonts"),
            "<fonts count=\"1\"><font><sz val=\"12\"/><color rgb=\"FF000000\"/><name val=\"Arial Unicode MS\"/>"
            "<b val=\"0\"/><i val=\"0\"/></font></fonts>");
  EXPECT_EQ(Element(xml, "fills"),
            "<fills count=\"2\"><fill><patternFill patternType=\"none\"/></fill>"
            "<fill><patternFill patternType=\"gray125\"/></fill></fills>");
  EXPECT_EQ(Element(xml, "borders"),
            "<borders count=\"1\"><border><left/><right/><top/><bottom/><diagonal/></border></borders>");
  EXPECT_EQ(Element(xml, "cellXfs"),
            "<cellXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\" "
            "applyAlignment=\"1\"><alignment horizontal=\"left\" vertical=\"center\" wrapText=\"1\"/></xf></cellXfs>");
  EXPECT_EQ(Element(xml, "dxfs"), "<dxfs count=\"0\"/>");
  EXPECT_EQ(vqtest::runCommand("xmllint --noout '" + f.doc.savedWorkFolder() + "/xl/styles.xml'"), 0);
}

TEST(VQExcelWriters, NumberFormatIdsAndFonts) {
  Fixture f("ids.xlsx");
  auto& style = f.doc.excelStyle();
  // Custom formats take ids from 164 up: the ids below are built in.
  EXPECT_EQ(style.collectNumberFormat("#,##0.00"), 164);
  EXPECT_EQ(style.collectNumberFormat("#,##0"), 165);
  EXPECT_EQ(style.collectNumberFormat("$#,##0"), 166);
  EXPECT_EQ(style.collectNumberFormat("#,##0.00"), 164);
  // Colour and size tell fonts apart, even sizes that print alike.
  vq::VQExcelStyleFont a, b, c;
  b.rgbColor = "ff0000";
  a.sz = 10.2;
  c.sz = 10.4;
  const int ia = style.collectFonts(a), ib = style.collectFonts(b), ic = style.collectFonts(c);
  EXPECT_NE(ia, ib);
  EXPECT_NE(ia, ic);
  EXPECT_EQ(style.collectFonts(a), ia);
}

TEST(VQExcelWritersEndToEnd, SharedStringsKeepIndexAndEscapeText) {
  Fixture f("strings.xlsx");
  auto& sst = f.doc.sharedStrings();
  vq::VQExcelRunTextProperty rPr;
  rPr.rFont = "Helvetica";
  EXPECT_EQ(sst.collectStringItems({{{"a<b", rPr}}, {{"a<b", rPr}}}), 0u);
  EXPECT_TRUE(sst.writeInOrderIfReady());
  EXPECT_FALSE(sst.writeInOrderIfReady());
  EXPECT_EQ(sst.collectStringItems({{{"late", rPr}}}), 2u);
  ASSERT_TRUE(sst.writeStringItemsEnd());
  const std::string xml = vqtest::readFile(f.doc.savedWorkFolder() + "/xl/sharedStrings.xml");
  const std::string si =
      "<si><r><rPr><sz val=\"12\"/><color rgb=\"FF2f2b20\"/><rFont val=\"Helvetica\"/><b val=\"0\"/><i val=\"0\"/>"
      "</rPr><t xml:space=\"preserve\">a&lt;b</t></r></si>";
  EXPECT_EQ(Element(xml, "sst").substr(Element(xml, "sst").find("<si>")),
            si + si +
                "<si><r><rPr><sz val=\"12\"/><color rgb=\"FF2f2b20\"/><rFont val=\"Helvetica\"/><b val=\"0\"/>"
                "<i val=\"0\"/></rPr><t xml:space=\"preserve\">late</t></r></si></sst>");
  EXPECT_EQ(vqtest::runCommand("xmllint --noout '" + f.doc.savedWorkFolder() + "/xl/sharedStrings.xml'"), 0);
}

TEST(VQExcelWriters, CsvTables) {
  struct Case {
    const char* name;
    vq::VQExcelRuns runs;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"empty first row, value in the third column",
       {MakeRun("x", 10, 10, 20), MakeRun("a", 10, 30, 20), MakeRun("b", 100, 30, 20), MakeRun("Total", 200, 30, 30)},
       "x\na\tb\tTotal\n"},
      {"quoting",
       {MakeRun("a,b", 10, 10, 20), MakeRun("say \"hi\"", 100, 10, 40), MakeRun("\"x\";y", 200, 10, 40)},
       "\"a,b\"\t\"say \"\"hi\"\"\"\t\"\"\"x\"\";y\"\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Fixture f("tables.csv");
    auto page = f.page(1, c.runs);
    const auto text = page->creatCSV();
    ASSERT_TRUE(text);
    EXPECT_EQ(*text, c.expected);
  }
}

TEST(VQExcelWriters, CsvFolderHoldsUtf16Tables) {
  vqtest::ScratchDir out;
  const fs::path dest = out / "Report.csv";
  std::string workFolder;
  {
    vq::VQExcelDocument doc(dest.string(), 2, vq::VQExcelOptions{}, false);
    doc.writeDocumentBegin();
    workFolder = doc.savedWorkFolder();
    for (uint64_t n : {2u, 1u}) {
      vq::VQExcelPage page(n, doc.savedWorkFolder(), doc.manager(), doc.excelStyle(), doc.sharedStrings());
      page.allRunTextArray = {MakeRun(n == 1 ? "one" : "\xC3\xA9t\xF0\x9F\x98\x80", 10, 10, 20)};
      doc.writePage(page);
    }
    std::string error;
    ASSERT_TRUE(doc.packetZipFileIfNeed(nullptr, &error)) << error;
  }
  EXPECT_FALSE(fs::exists(workFolder));
  ASSERT_TRUE(fs::is_directory(dest));
  EXPECT_EQ(vqtest::readFile(dest / "Table 1.csv"), std::string("\xFF\xFEo\0n\0e\0\n\0", 10));
  // U+00E9, t, U+1F600 as a surrogate pair, line feed.
  EXPECT_EQ(vqtest::readFile(dest / "Table 2.csv"), std::string("\xFF\xFE\xE9\0t\0\x3D\xD8\x00\xDE\n\0", 12));
  EXPECT_EQ(std::distance(fs::directory_iterator(dest), fs::directory_iterator()), 2);
  // An earlier conversion's tables are replaced whole; a folder that holds
  // anything else is never replaced.
  for (const bool foreign : {false, true}) {
    SCOPED_TRACE(foreign ? "a folder of other files" : "earlier tables");
    if (foreign) std::ofstream(dest / "notes.txt") << "mine";
    vq::VQExcelDocument again(dest.string(), 1, vq::VQExcelOptions{}, false);
    again.writeDocumentBegin();
    vq::VQExcelPage page(1, again.savedWorkFolder(), again.manager(), again.excelStyle(), again.sharedStrings());
    page.allRunTextArray = {MakeRun("new", 10, 10, 20)};
    again.writePage(page);
    std::string error;
    EXPECT_EQ(again.packetZipFileIfNeed(nullptr, &error), !foreign) << error;
    EXPECT_EQ(error.empty(), !foreign);
    EXPECT_FALSE(fs::exists(again.savedWorkFolder()));
    EXPECT_EQ(std::distance(fs::directory_iterator(dest), fs::directory_iterator()), foreign ? 2 : 1);
    EXPECT_EQ(vqtest::readFile(dest / "Table 1.csv"), std::string("\xFF\xFEn\0e\0w\0\n\0", 10));
  }
  // Nothing is left beside the destination.
  EXPECT_EQ(std::distance(fs::directory_iterator(out.path()), fs::directory_iterator()), 1);
}

// Tables add no shared string; each written page is progress all the same.
TEST(VQExcelWriters, CsvPagesReportProgress) {
  Fixture f("progress.csv", {}, 2);
  EXPECT_FALSE(f.doc.writeDocumentPageTempInOrderIfReady());
  f.doc.writePage(*f.page(1, {MakeRun("one", 10, 10, 20)}));
  EXPECT_TRUE(f.doc.writeDocumentPageTempInOrderIfReady());
  EXPECT_FALSE(f.doc.writeDocumentPageTempInOrderIfReady());
  f.doc.writePage(*f.page(2, {}));
  EXPECT_TRUE(f.doc.writeDocumentPageTempInOrderIfReady());
}

TEST(VQExcelWritersEndToEnd, AllInOneSheetStacksPages) {
  struct Case {
    bool addToRow;
    std::vector<std::string> refs;  // cell references in the written sheet, in order
    std::string merge;
  };
  const Case cases[] = {{true, {"A1", "A2", "B2", "A3", "A4", "B4"}, "A3:B3"},
                        {false, {"A1", "C1", "A2", "B2", "C2", "D2"}, "C1:D1"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.addToRow ? "below" : "right");
    vq::VQExcelOptions options;
    options.allInOneSheet = true;
    options.aiosAddToRow = c.addToRow;
    Fixture f("all.xlsx", options, 2);
    EXPECT_EQ(f.doc.totalSheetPages(), 1u);
    auto first = f.page(1, {MakeRun("p1", 10, 10, 20), MakeRun("q", 10, 30, 20), MakeRun("r", 100, 30, 20)});
    // The second page finishes first; the sheet still takes page 1 first.
    f.doc.writePage(*f.page(2, TableRuns()));
    f.doc.writePage(*first);
    ASSERT_TRUE(f.doc.aiosWriter().writeSheetXML(f.doc.manager()));
    const std::string xml = vqtest::readFile(f.doc.aiosWriter().sheetXMLPath());
    std::vector<std::string> refs;
    for (size_t p = 0; (p = xml.find("<c r=\"", p)) != std::string::npos; p += 6)
      refs.push_back(xml.substr(p + 6, xml.find('"', p + 6) - (p + 6)));
    EXPECT_EQ(refs, c.refs);
    EXPECT_NE(xml.find("<mergeCell ref=\"" + c.merge + "\"/>"), std::string::npos);
    EXPECT_EQ(vqtest::runCommand("xmllint --noout '" + f.doc.aiosWriter().sheetXMLPath() + "'"), 0);
  }
}

}  // namespace

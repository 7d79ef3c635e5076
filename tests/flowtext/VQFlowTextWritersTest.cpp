// The three writers: token limits, escaping, style tables, page separation
// and the failures a conversion must report.
#include <gtest/gtest.h>

#include <filesystem>

#include "FlowTextTestSupport.h"

namespace {

using namespace ftest;

TEST(VQFlowTextFileWriter, TokenRunsAreCutAfterFive) {
  vqtest::ScratchDir dir;
  auto html = VQFlowTextFileWriter::Open<VQHTMLFileWriter>((dir / "a.html").string());
  auto text = VQFlowTextFileWriter::Open<VQTextFileWriter>((dir / "a.txt").string());
  auto rtf = VQFlowTextFileWriter::Open<VQRTFFileWriter>((dir / "a.rtf").string());
  ASSERT_TRUE(html && text && rtf);
  for (int i = 0; i < 7; ++i) html->writeIndentation();
  html->write("x");
  for (int i = 0; i < 3; ++i) html->writeLinebreak();
  html->write("   ");  // a run text of three blanks is a token too
  html->write("   ");
  html->write("   ");
  for (int i = 0; i < 7; ++i) text->writeLinebreak();
  // RTF line breaks are paragraph marks and never limited; indentations are.
  for (int i = 0; i < 7; ++i) rtf->writeLinebreak();
  for (int i = 0; i < 7; ++i) rtf->writeIndentation();
  ASSERT_TRUE(html->closeFile() && text->closeFile() && rtf->closeFile());
  EXPECT_EQ(vqtest::readFile(dir / "a.html"), std::string(15, ' ') + "x<br><br><br>      ");
  EXPECT_EQ(vqtest::readFile(dir / "a.txt"), "\n\n\n\n\n");
  EXPECT_EQ(vqtest::readFile(dir / "a.rtf"),
            std::string(7 * 2, ' ').replace(0, 14, "\\\n\\\n\\\n\\\n\\\n\\\n\\\n") + std::string(20, ' '));
}

// Text written in many small pieces reaches the file whole and in order,
// closed or not.
TEST(VQFlowTextFileWriter, ManyWritesAndUnclosedWriters) {
  vqtest::ScratchDir dir;
  std::string expected;
  {
    auto text = VQFlowTextFileWriter::Open<VQTextFileWriter>((dir / "long.txt").string());
    auto unclosed = VQFlowTextFileWriter::Open<VQTextFileWriter>((dir / "unclosed.txt").string());
    ASSERT_TRUE(text && unclosed);
    for (int i = 0; i < 30000; ++i) {
      const std::string piece = std::to_string(i) + ' ';
      text->write(piece);
      expected += piece;
    }
    unclosed->write("kept");
    ASSERT_TRUE(text->closeFile());
  }
  EXPECT_EQ(vqtest::readFile(dir / "long.txt"), expected);
  EXPECT_EQ(vqtest::readFile(dir / "unclosed.txt"), "kept");
}

TEST(VQFlowTextFileWriter, Escaping) {
  struct Case {
    const char* in;
    const char* html;
    const char* rtf;
  } cases[] = {
      {"a<b & \"c\">", "a&lt;b &amp; &quot;c&quot;&gt;", "a<b & \"c\">"},
      {"{x}\\", "{x}\\", "\\{x\\}\\\\"},
      {"caf\xC3\xA9 \xE2\x82\xAC", "caf\xC3\xA9 \xE2\x82\xAC", "caf\\u233? \\u8364?"},
      {"a\tb", "a<br \\>b", "a\\tab b"},
      {"a\nb\rc", "a<br \\>b<br \\>c", "a\\\nb\\\rc"},
      {"a\x01\x1F\x7F"
       "b",
       "ab", "ab"},
  };
  VQHTMLFileWriter html;
  VQRTFFileWriter rtf;
  VQTextFileWriter text;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.in);
    EXPECT_EQ(html.formatText(c.in), c.html);
    EXPECT_EQ(rtf.formatText(c.in), c.rtf);
    EXPECT_EQ(text.formatText(c.in), c.in);
  }
  // The head's text also escapes the apostrophe, and has no line breaks.
  EXPECT_EQ(VQHTMLEscape("it's <a>\t\"b\"\n&", VQHTMLEscaping::headText), "it&#39;s &lt;a&gt;&quot;b&quot;&amp;");
  EXPECT_EQ(VQHTMLEscape("it's", VQHTMLEscaping::bodyText), "it's");
}

// \u takes a signed 16-bit number: UTF-16 units from 32768 up are written
// less 65536, characters beyond U+FFFF as their surrogate pair, and every
// unit is followed by its one fallback character.
TEST(VQRTFFileWriter, UnicodeIsSigned16BitWithFallback) {
  struct Case {
    const char* in;
    const char* rtf;
  } cases[] = {
      {"\xC3\xA9", "\\u233?"},                              // U+00E9
      {"\xE4\xB8\xAD", "\\u20013?"},                        // U+4E2D
      {"\xEA\xB0\x80", "\\u-21504?"},                       // U+AC00, 44032
      {"\xEF\xBF\xBD", "\\u-3?"},                           // U+FFFD, 65533
      {"\xF0\x9F\x98\x80", "\\u-10179?\\u-8704?"},          // U+1F600: D83D DE00
      {"\xE7\xBF\xBF\xE8\x80\x80", "\\u32767?\\u-32768?"},  // U+7FFF, U+8000
      {"a\xC3\xA9"
       "b",
       "a\\u233?b"},
  };
  VQRTFFileWriter rtf;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.rtf);
    EXPECT_EQ(rtf.formatText(c.in), c.rtf);
  }
}

TEST(VQHTMLWriter, WholeFile) {
  vqtest::ScratchDir dir;
  VQFlowTextRunText a = MakeRun("a<b & \"c\"", 72, 100, 40);
  VQFlowTextRunText b = MakeRun("bold", 112, 100, 20);
  b.rProperty.b = true;
  VQFlowTextRunText c = MakeRun("u", 132, 100, 5);
  c.rProperty.b = true;
  c.rProperty.i = true;
  c.rProperty.color = {255, 0, 16, 255};
  const std::string out = Convert("html", dir / "doc.html", {{a, b, c}});
  EXPECT_EQ(out,
            "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.0 Transitional//EN\" "
            "\"http://www.w3.org/TR/html4/strict.dtd\">\n"
            "<!--Powered by Vellumate 0.1 VQ Software-->\n"
            "<html>\n<head>\n  <title>doc</title>\n"
            "  <meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">\n"
            "  <meta http-equiv=\"Content-Style-Type\" content=\"text/css\">\n"
            "  <meta name=\"Generator\" content=\"Vellumate\">\n"
            "  <meta name=\"Version\" content=\"0.1\">\n"
            " <style type=\"text/css\">\n"
            "    p.p0 {margin: 0px 0px 0px 0px; text-indent: 0px; font: 14px 'Times New Roman'; color: #000000}\n"
            "    p.p1 {margin: 0px 0px 0px 0px; text-indent: 0px; font: 12px 'Helvetica'; color: #ff0010}\n"
            "    span.s0 { font: 12px 'Helvetica'; color: #000000}\n"
            "    span.s1 { font: 12px 'Helvetica'; color: #ff0010}\n"
            " </style>\n</head>\n<body>"
            "\n<p class=\"p0\"><br></p>"
            "\n<p class=\"p1\"><span class=\"s0\">a&lt;b &amp; &quot;c&quot;<b>bold</b></span>"
            "<span class=\"s1\"><b><i>u</i></b></span></p>"
            "\n</body>\n</html>");
}

TEST(VQHTMLWriter, SharedLinesAndEmptyParagraphs) {
  vqtest::ScratchDir dir;
  // Same baseline, 30 points apart, blanks 4 points wide: eight blanks.
  std::string out =
      Convert("html", dir / "a.html", {{MakeRun("one", 72, 88, 20, 16), MakeRun("two", 122, 88, 20, 16)}});
  EXPECT_NE(out.find(">one        two</span>"), std::string::npos);
  // A long gap inside a column makes many blank paragraphs; one is written.
  out = Convert("html", dir / "b.html", {{MakeRun("one", 72, 82, 20), MakeRun("two", 72, 500, 20)}});
  size_t breaks = 0;
  for (size_t at = out.find("<br>"); at != std::string::npos; at = out.find("<br>", at + 1)) ++breaks;
  EXPECT_EQ(breaks, 1u);
}

TEST(VQHTMLWriter, StyleValuesAreClampedAndSafe) {
  vqtest::ScratchDir dir;
  VQFlowTextRunText small = MakeRun("s", 72, 82, 10, 5);
  VQFlowTextRunText big = MakeRun("B", 72, 400, 10, 300);
  VQFlowTextRunText evil = MakeRun("e", 72, 500, 10);
  evil.rProperty.fontName = "Evil'; }</style><script>x()</script>";
  VQFlowTextRunText italicToggle = MakeRun("i", 82, 500, 10);
  italicToggle.rProperty = evil.rProperty;
  italicToggle.rProperty.i = true;
  italicToggle.rProperty.b = true;
  VQFlowTextRunText boldOff = MakeRun("n", 92, 500, 10);
  boldOff.rProperty = evil.rProperty;
  boldOff.rProperty.i = true;
  const std::string out = Convert("html", dir / "x<y>&.html", {{small, big, evil, italicToggle, boldOff}});
  EXPECT_NE(out.find("font: 8px 'Helvetica'"), std::string::npos);
  EXPECT_NE(out.find("font: 288px 'Helvetica'"), std::string::npos);
  EXPECT_NE(out.find("'Evil stylescriptx()script'"), std::string::npos);
  EXPECT_EQ(out.find("<script>"), std::string::npos);
  EXPECT_NE(out.find("<title>x&lt;y&gt;&amp;</title>"), std::string::npos);
  // Bold and italic tags nest inside one span whatever toggles.
  EXPECT_NE(out.find("e<b><i>i</i></b><i>n</i></span>"), std::string::npos);
}

// A style met again, after others, takes the class it was first given;
// bold and italic are no part of a span's class.
TEST(VQHTMLWriter, StylesMetAgainKeepTheirClass) {
  vqtest::ScratchDir dir;
  std::vector<VQFlowTextRunText> runs;
  for (int i = 0; i < 6; ++i) {
    VQFlowTextRunText r = MakeRun(std::string(1, static_cast<char>('a' + i)), 72 + 10 * i, 82, 10);
    r.rProperty.fontName = i % 3 == 0 ? "Alpha" : i % 3 == 1 ? "Beta" : "Gamma";
    r.rProperty.b = i >= 3;
    runs.push_back(r);
  }
  const std::string out = Convert("html", dir / "s.html", {{runs}});
  EXPECT_NE(out.find("span.s2 "), std::string::npos);
  EXPECT_EQ(out.find("span.s3 "), std::string::npos);
  EXPECT_NE(out.find("<span class=\"s0\"><b>d"), std::string::npos) << out;
  EXPECT_NE(out.find("<span class=\"s2\"><b>f"), std::string::npos) << out;
}

TEST(VQHTMLWriter, EmptyDocumentAndClassNumbersPerDocument) {
  vqtest::ScratchDir dir;
  const std::string empty = Convert("html", dir / "e.html", {{}});
  EXPECT_NE(empty.find(" <style type=\"text/css\">\n </style>\n</head>\n<body>\n</body>\n</html>"), std::string::npos);
  VQFlowTextRunText r = MakeRun("t", 72, 82, 10, 20);
  const std::string first = Convert("html", dir / "a.html", {{r}});
  const std::string second = Convert("html", dir / "b.html", {{r}});
  EXPECT_NE(second.find("p.p0 "), std::string::npos);
  EXPECT_EQ(first.substr(first.find("<style")), second.substr(second.find("<style")));
}

TEST(VQRTFWriter, WholeFile) {
  vqtest::ScratchDir dir;
  VQFlowTextRunText a = MakeRun("Caf\xC3\xA9 {x}\\", 72, 82, 40, 10.3);
  a.rProperty.fontName = "Arial";
  a.rProperty.color = {250, 250, 250, 255};
  VQFlowTextRunText b = MakeRun("\t\xE2\x82\xAC\x02", 112, 82, 20, 10.5);
  b.rProperty = a.rProperty;
  b.rProperty.sz = 10.5;
  b.rProperty.b = true;
  VQFlowTextRunText c = MakeRun("same", 132, 82, 20, 10.5);
  c.rProperty = b.rProperty;
  VQFlowTextRunText d = MakeRun("next", 72, 100, 20, 10.5);
  d.rProperty = b.rProperty;
  d.rProperty.fontName = "Bad{Name};\\";
  const std::string out = Convert("rtf", dir / "doc.rtf", {{a, b, c, d}});
  EXPECT_EQ(out,
            "{\\rtf1\\ansi\\mac\\uc1\n"
            "{\\fonttbl\\f0\\fnil\\fcharset0 Arial Unicode MS;\\f1\\fnil\\fcharset0 Arial;"
            "\\f2\\fnil\\fcharset0 Bad\\{Name\\}\\\\;}\n"
            "{\\colortbl\\red0\\green0\\blue0;\\red128\\green128\\blue128;}\n"
            "{\\info\n{\\doccomm Powered by Vellumate v0.1 VQ Software}\n}\n"
            // The paper of the page; the text keeps its left and top distance.
            "\\paperw12240\\paperh15840\\margl1440\\margr360\\margt1430\\margb360\n"
            // Lines the PDF's distance apart: the first its height, the next 18 points below.
            "\\pard\\sl-210\\slmult0\\li0 \\f1\\i0\\b0\\ul0\\fs20 \\cf1 Caf\\u233? \\{x\\}\\\\"
            "\\b\\fs21 \\tab \\u8364?same"
            "\\par\\pard\\sl-360\\slmult0\\li0 \\f2 next"
            "\n}");
}

TEST(VQRTFWriter, EmptyDocument) {
  vqtest::ScratchDir dir;
  // Two pages without text are two empty pages.
  EXPECT_EQ(Convert("rtf", dir / "e.rtf", {{}, {}}),
            "{\\rtf1\\ansi\\mac\\uc1\n{\\fonttbl\\f0\\fnil\\fcharset0 Arial Unicode MS;}\n"
            "{\\colortbl\\red0\\green0\\blue0;}\n{\\info\n{\\doccomm Powered by Vellumate v0.1 VQ Software}\n}\n"
            "\\paperw12240\\paperh15840\\margl1440\\margr1440\\margt1440\\margb1440\n\\page\n}");
}

size_t Count(const std::string& s, const std::string& what) {
  size_t n = 0;
  for (size_t at = s.find(what); at != std::string::npos; at = s.find(what, at + 1)) ++n;
  return n;
}

// Every PDF page is a page of the RTF: breaks between pages (a page without
// text too), none after the last, and a page break opens the next page's
// first paragraph, so no empty line stands at its top.
TEST(VQRTFWriter, PageBreaksKeepThePages) {
  vqtest::ScratchDir dir;
  const VQFlowTextRunText a = MakeRun("one", 72, 82, 20), b = MakeRun("two", 72, 82, 20);
  struct Case {
    const char* name;
    std::vector<std::vector<VQFlowTextRunText>> pages;
    const char* body;
  } cases[] = {
      {"three pages", {{a}, {b}, {a}}, "one\\page\\pard\\sl-200\\slmult0\\li0 two\\page\\pard"},
      {"empty page between", {{a}, {}, {b}}, "one\\page\\page\\pard\\sl-200\\slmult0\\li0 two\n}"},
      {"empty first and last pages", {{}, {a}, {}}, "\\page\\pard\\sl-200\\slmult0\\li0 \\f1"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string out = Convert("rtf", dir / "p.rtf", c.pages);
    EXPECT_EQ(Count(out, "\\page"), c.pages.size() - 1);
    EXPECT_NE(out.find(c.body), std::string::npos) << out;
    EXPECT_EQ(Count(out, "\\par\\"), 0u) << out;
  }
  const std::string trailing = Convert("rtf", dir / "t.rtf", {{}, {a}, {}});
  EXPECT_EQ(trailing.substr(trailing.size() - 7), "\\page\n}");
}

// A page of another size starts a section of its own size; a page whose
// lines would not fit the paper has them closer, never closer than the type
// size; narrow margins on the right and at the bottom leave room for wider
// fonts.
TEST(VQRTFWriter, PaperAndLineSpacingHoldEachPage) {
  vqtest::ScratchDir dir;
  auto doc = VQFlowTextMakeDocument("rtf", (dir / "s.rtf").string(), 3);
  ASSERT_TRUE(doc && doc->writeDocumentBegin());
  const std::pair<vq::Size, std::vector<VQFlowTextRunText>> pages[] = {
      {{612, 792}, {MakeRun("portrait", 72, 82, 40)}},
      {{792, 612}, {MakeRun("landscape", 72, 82, 40)}},
      {{612, 792}, {}},
  };
  for (const auto& [size, runs] : pages) {
    doc->writeDocumentBegin(size.width, size.height);
    doc->currentPage().allRunTextArray = runs;
    doc->writePageEnd();
  }
  ASSERT_TRUE(doc->packetZipFileIfNeed());
  const std::string out = vqtest::readFile(dir / "s.rtf");
  EXPECT_NE(out.find("\\paperw12240\\paperh15840\\margl1440\\margr360"), std::string::npos);
  EXPECT_NE(out.find("portrait\\sect\\sectd\\pgwsxn15840\\pghsxn12240\\lndscpsxn\\pard"), std::string::npos) << out;
  // The empty last page goes back to the document's paper.
  EXPECT_NE(out.find("landscape\\sect\\sectd\n}"), std::string::npos) << out;

  // Ninety lines of 10-point type 12 points apart, from 36 to 1104: more
  // than a letter page holds.
  std::vector<VQFlowTextRunText> lines;
  for (int i = 0; i < 90; ++i) lines.push_back(MakeRun("line", 72, 46 + 12 * i, 20));
  const std::string tight = Convert("rtf", dir / "tight.rtf", {lines});
  const std::string loose = Convert("rtf", dir / "loose.rtf", {{lines.begin(), lines.begin() + 50}});
  EXPECT_EQ(Count(loose, "\\sl-240\\"), 49u);
  EXPECT_EQ(Count(tight, "\\sl-240\\"), 0u);
  // 792 less 36 and 18 of margins over 1078 of lines: 8.2 points, held at 10.
  EXPECT_EQ(Count(tight, "\\sl-200\\"), 90u);
}

// Text in columns is set in columns as wide as the PDF gives them, each
// line indented from its own column's edge; the text after them is one
// column again. A line cut by wide gaps stays one line.
TEST(VQRTFWriter, ColumnsKeepTheirWidths) {
  vqtest::ScratchDir dir;
  std::vector<VQFlowTextRunText> runs = {MakeRun("Heading across the page", 72, 60, 200)};
  for (int i = 0; i < 6; ++i) {
    runs.push_back(MakeRun("left column text", 72, 100 + 12 * i, 200));
    runs.push_back(MakeRun("right column text", 320, 100 + 12 * i, 200));
  }
  runs.push_back(MakeRun("Footer", 72, 300, 30));
  runs.push_back(MakeRun("Label", 72, 340, 30));
  runs.push_back(MakeRun("value", 400, 340, 30));
  const std::string out = Convert("rtf", dir / "c.rtf", {runs});
  // Text area 612 - 72 - 18 = 522 points: 248 for the left column, 274 for the right.
  EXPECT_NE(out.find("\\sect\\sectd\\sbknone\\cols2\\colsx0"
                     "\\colno1\\colw4960\\colsr0\\colno2\\colw5480\\colsr0\\pard"),
            std::string::npos)
      << out;
  EXPECT_EQ(Count(out, "\\column\\pard"), 1u);
  EXPECT_NE(out.find("\\column\\pard\\sl-200\\slmult0\\li0 right column text"), std::string::npos) << out;
  EXPECT_NE(out.find("right column text\\sect\\sectd\\sbknone\\pard"), std::string::npos) << out;
  EXPECT_EQ(Count(out, "\\cols2"), 1u);
  EXPECT_NE(out.find("Label"), std::string::npos);
  EXPECT_EQ(out.find("Label\\par"), std::string::npos) << out;
}

TEST(VQTextWriter, LinesPagesAndBlankRuns) {
  vqtest::ScratchDir dir;
  struct Case {
    const char* name;
    std::vector<std::vector<VQFlowTextRunText>> pages;
    const char* text;
  } cases[] = {
      {"columns on one baseline", {{MakeRun("one", 72, 82, 20), MakeRun("two", 300, 83.5, 20)}}, "one    two"},
      {"columns 2.5 apart", {{MakeRun("one", 72, 82, 20), MakeRun("two", 300, 84.5, 20)}}, "one\ntwo"},
      {"pages are separated", {{MakeRun("end", 72, 82, 20)}, {MakeRun("start", 72, 82, 20)}}, "end\nstart"},
      {"empty page between", {{MakeRun("a", 72, 82, 20)}, {}, {MakeRun("b", 72, 82, 20)}}, "a\nb"},
      {"long gap", {{MakeRun("one", 72, 82, 20), MakeRun("two", 72, 500, 20)}}, "one\n\n\n\n\ntwo"},
      {"markup unchanged", {{MakeRun("<a href=\"&\">{\\}", 72, 82, 20)}}, "<a href=\"&\">{\\}"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Convert("txt", dir / "t.txt", c.pages), c.text);
  }
}

TEST(VQFlowTextDocument, FailuresAndCancellation) {
  vqtest::ScratchDir dir;
  for (const char* type : {"html", "rtf", "txt"}) {
    SCOPED_TRACE(type);
    // A destination that cannot be created fails at once.
    auto missing = VQFlowTextMakeDocument(type, (dir / "no/such/folder/out").string(), 1);
    ASSERT_TRUE(missing);
    EXPECT_FALSE(missing->writeDocumentBegin());
    EXPECT_TRUE(missing->hasFailed());

    // The output is written beside the destination, which keeps what it
    // held until the output is complete; a cancelled conversion leaves
    // nothing of its own.
    const auto dest = dir / (std::string("cancel.") + type);
    std::ofstream(dest) << "before";
    auto doc = VQFlowTextMakeDocument(type, dest.string(), 2);
    ASSERT_TRUE(doc->writeDocumentBegin());
    doc->writeDocumentBegin(612, 792);
    doc->currentPage().allRunTextArray = {MakeRun("text", 72, 82, 20)};
    doc->writePageEnd();
    EXPECT_EQ(std::filesystem::file_size(dest), 6u);
    doc->convertPDFClean();
    EXPECT_EQ(std::filesystem::file_size(dest), 6u);
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
      EXPECT_EQ(entry.path().string().find(".vqpapyrant-"), std::string::npos) << entry.path();
  }
  EXPECT_FALSE(VQFlowTextMakeDocument("docx", "x", 1));

  // A destination that fills up fails at the end instead of reporting success.
  if (std::filesystem::exists("/dev/full")) {
    VQTextWriter full("/dev/full", 1);
    ASSERT_TRUE(full.writeDocumentBegin());
    full.writeDocumentBegin(612, 792);
    full.currentPage().allRunTextArray = {MakeRun(std::string(100000, 'x'), 72, 82, 20)};
    full.writePageEnd();
    EXPECT_FALSE(full.packetZipFileIfNeed());
    EXPECT_TRUE(std::filesystem::exists("/dev/full"));
  }
}

}  // namespace

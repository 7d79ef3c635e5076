// Every text format gives each piece of a page's text once, and as the page
// reads: a logo's raised and set-back letters, symbol-font formulas, custom
// encodings, text printed twice over itself, and form fields whose
// appearance repeats text of the page. The check compares the characters
// each format writes (blanks aside), so that a letter doubled, lost or read
// through the wrong encoding shows, whatever the format makes of the lines.
#include <fmt/format.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "platform/text/Utf8.h"
#include "support/OutputText.h"
#include "support/TestSupport.h"

namespace {

namespace fs = std::filesystem;

std::string hostProgram() { return (vqtest::binaryDir() / "cli" / "vqpapyrant").string(); }

// What a reader of the output sees, through the test readers every
// round-trip test uses.
std::string textOf(const fs::path& out, const std::string& format) { return vqtest::OutputText(out, format); }

// The characters of a text other than blanks, in order of their values.
std::u32string inkOf(const std::string& text) {
  std::u32string ink;
  for (const char32_t c : vq::text::utf8ToCodePoints(text))
    if (c > ' ' && c != 0xA0) ink += c;
  std::sort(ink.begin(), ink.end());
  return ink;
}

std::string page(const std::string& content, const std::string& fonts, const std::vector<std::string>& more = {},
                 const std::string& pageExtra = "", const std::string& catalogExtra = "") {
  std::vector<std::string> objects = {
      "<< /Type /Catalog /Pages 2 0 R " + catalogExtra + " >>",
      "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
      "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 400 200] /Contents 4 0 R /Resources << /Font << " + fonts +
          " >> >> " + pageExtra + " >>",
      vqtest::PDFStream(content),
      "<< /Type /Font /Subtype /Type1 /BaseFont /Times-Roman >>",
      "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
  };
  objects.insert(objects.end(), more.begin(), more.end());
  return vqtest::BuildPDF(objects);
}

constexpr const char* kTimes = "/F1 5 0 R /F2 6 0 R";

// A filled-in text field: its appearance sets the value where the page may
// already show it.
const std::string kFieldAppearance = vqtest::PDFStream("/Tx BMC q BT /Helv 12 Tf 0 g 2 5 Td (Jane Doe) Tj ET Q EMC")
                                         .insert(2,
                                                 " /Type /XObject /Subtype /Form /BBox [0 0 150 20] "
                                                 "/Resources << /Font << /Helv 6 0 R >> >>");
const std::string kField =
    "<< /Type /Annot /Subtype /Widget /FT /Tx /T (name) /V (Jane Doe) /DA (/Helv 12 Tf 0 g) "
    "/Rect [100 145 250 165] /AP << /N 8 0 R >> /F 4 >>";
const std::string kForm = "/AcroForm << /Fields [7 0 R] /DR << /Font << /Helv 6 0 R >> >> >>";

struct Fixture {
  const char* name;
  std::string pdf;
  const char* text;  // what the page reads
};

TEST(TextOnceEndToEnd, EveryFormatWritesEachPieceOfTextOnce) {
  if (!fs::exists(hostProgram())) GTEST_SKIP() << "the command-line program is not built";
  // The logo: L, a smaller A raised and set back over it, T, E lowered
  // and set back, X, at 10 points.
  const Fixture fixtures[] = {
      {"logo raised by the text rise",
       page("BT /F1 10 Tf 50 100 Td (Use L) Tj [360] TJ /F2 7 Tf 2 Ts (A) Tj [214] TJ /F1 10 Tf 0 Ts [(T) 167] TJ "
            "-2.25 Ts (E) Tj 0 Ts [125 (X now)] TJ ET",
            kTimes),
       "Use LATEX now"},
      {"logo placed by text-matrix moves",
       page("BT /F1 10 Tf 50 100 Td [(Use L)] TJ 20.56 2 Td /F2 7 Tf [(A)] TJ 3.554 -2 Td /F1 10 Tf [(T)] TJ "
            "4.443 -2.25 Td [(E)] TJ 4.86 2.25 Td [(X now)] TJ ET",
            kTimes),
       "Use LATEX now"},
      {"standard Symbol",
       page("BT /F1 14 Tf 50 100 Td (Angles ) Tj /F3 14 Tf (abg \\245 \\326 \\263 \\261 S) Tj /F1 14 Tf ( done) Tj "
            "ET",
            std::string(kTimes) + " /F3 7 0 R", {"<< /Type /Font /Subtype /Type1 /BaseFont /Symbol >>"}),
       "Angles \u03B1\u03B2\u03B3 \u221E \u221A \u2265 \u00B1 \u03A3 done"},
      {"custom encoding",
       page("BT /F3 14 Tf 50 100 Td (\\001\\002\\003\\004) Tj /F1 14 Tf ( plain) Tj ET",
            std::string(kTimes) + " /F3 7 0 R",
            {"<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding << /Type /Encoding /BaseEncoding "
             "/WinAnsiEncoding /Differences [1 /W /o /r /d] >> >>"}),
       "Word plain"},
      {"Type 3 glyphs named in Differences",
       page("BT /F3 14 Tf 50 100 Td (\\001\\002) Tj /F1 14 Tf ( after) Tj ET", std::string(kTimes) + " /F3 7 0 R",
            {"<< /Type /Font /Subtype /Type3 /FontBBox [0 0 1000 1000] /FontMatrix [0.001 0 0 0.001 0 0] "
             "/CharProcs << /alpha 8 0 R /beta 8 0 R >> /Encoding << /Type /Encoding /Differences [1 /alpha /beta] "
             ">> /FirstChar 1 /LastChar 2 /Widths [600 600] /Resources << >> >>",
             vqtest::PDFStream("600 0 0 0 500 700 d1 0 0 500 700 re f")}),
       "\u03B1\u03B2 after"},
      {"title filled, stroked and shadowed",
       page("BT /F1 20 Tf 50 100 Td (Poster title) Tj ET BT 1 Tr /F1 20 Tf 50 100 Td (Poster title) Tj ET "
            "BT /F1 20 Tf 50.3 99.7 Td (Poster title) Tj ET BT /F1 12 Tf 50 60 Td (Plain words after) Tj ET",
            kTimes),
       "Poster title Plain words after"},
      {"bold faked glyph by glyph",
       page("BT /F1 20 Tf 50 100 Td [(P) 541 (P) (o) 485 (o) (s) 374 (s) (t) 263 (t)] TJ ( here) Tj ET", kTimes),
       "Post here"},
      {"form flattened with its field left on",
       page("BT /F2 12 Tf 50 150 Td (Name:) Tj ET BT /F2 12 Tf 102 150 Td (Jane Doe) Tj ET", kTimes,
            {kField, kFieldAppearance}, "/Annots [7 0 R]", kForm),
       "Name: Jane Doe"},
      {"field listed twice",
       page("BT /F2 12 Tf 50 150 Td (Name:) Tj ET", kTimes, {kField, kFieldAppearance}, "/Annots [7 0 R 7 0 R]", kForm),
       "Name: Jane Doe"},
  };
  vqtest::ScratchDir dir;
  for (const Fixture& f : fixtures) {
    const fs::path pdf = dir / "in.pdf";
    std::ofstream(pdf, std::ios::binary | std::ios::trunc) << f.pdf;
    for (const std::string format : {"docx", "xlsx", "pptx", "html", "rtf", "txt"}) {
      SCOPED_TRACE(fmt::format("{} as {}", f.name, format));
      const fs::path out = dir / ("out." + format);
      fs::remove(out);
      ASSERT_EQ(vqtest::runCommand(fmt::format("'{}' -i '{}' -f {} -o '{}' >/dev/null 2>&1", hostProgram(),
                                               pdf.string(), format, out.string())),
                0);
      const std::string text = textOf(out, format);
      EXPECT_EQ(inkOf(text), inkOf(f.text)) << text;
    }
  }
}

}  // namespace

#pragma once
// The text of a converted file read back the way its format shows it, so
// that tests can compare what a reader of the output sees with what the PDF
// holds. Each reader is small and independent of the engine: a fault in the
// engine's own text helpers cannot cancel out in the comparison.
//
// Readers turn every boundary a reader sees between two pieces of text
// (paragraphs, line breaks, tabs, cells, rows, table cells, slides) into
// white space, and add none inside a piece: two runs of one word stay one
// word, so a word the converter glued to its neighbour stays glued.
#include <filesystem>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace vqtest {

// Thrown when a file cannot be read as the format it was asked for.
struct OutputTextError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// Every file of a zip archive, by name, inflated.
std::map<std::string, std::string> ZipParts(const std::filesystem::path& zip);

// The text of the main part of a DOCX package (word/document.xml): the
// paragraphs' w:t, w:tab and w:br in document order, the text boxes
// (w:txbxContent) where they stand; mc:Fallback is the copy of mc:Choice for
// older readers and is left out.
std::string DocxText(const std::string& documentXml);
// The non-empty paragraphs of the same part, in document order, as the text
// DocxText reads in each (a text box's paragraphs are paragraphs of their own,
// not part of the one they are anchored in). `afterBreak` tells that a page,
// column or section break stands between the paragraph and the one before:
// a paragraph the page or the column cuts is two paragraphs there.
struct DocxParagraph {
  std::string text;
  bool afterBreak = false;
};
std::vector<DocxParagraph> DocxParagraphs(const std::string& documentXml);
// A workbook's cells row by row, sheet by sheet in the workbook's order:
// shared strings, inline strings, and numbers as their number format shows
// them (General, decimals, thousands groups, per cent, literal text such as a
// currency symbol).
std::string XlsxText(const std::map<std::string, std::string>& parts);
// One CSV table: its fields row by row. The file may be UTF-8 or UTF-16 with
// a byte-order mark; fields are separated by tabs or commas, and may be
// quoted.
std::string CsvText(const std::string& table);
// A presentation's a:t slide by slide, in the order of the slide list, each
// slide's shapes in the order of its shape tree.
std::string PptxText(const std::map<std::string, std::string>& parts);
// The same, one text for each shape of each slide.
std::vector<std::string> PptxShapeTexts(const std::map<std::string, std::string>& parts);
// An HTML page's text content: the head, scripts, styles and comments left
// out, entities decoded, block elements and line breaks read as boundaries.
std::string HtmlText(const std::string& html);
// The text of an RTF document: control words for breaks, \uN (with its
// fallback characters skipped), \'hh (Windows-1252), escaped symbols and
// groups; the font, colour and style tables, \info, pictures and every \*
// destination are left out.
std::string RtfText(const std::string& rtf);

// The text of a converted file of `format` (docx, xlsx, csv, pptx, html, rtf
// or txt). A CSV conversion is a folder of tables Table 1.csv, Table 2.csv,
// ... read in page order; a single file is read as one table.
std::string OutputText(const std::filesystem::path& file, const std::string& format);

// The text split at white space (Unicode's), the empty pieces left out.
std::vector<std::string> SplitWords(const std::string& utf8);

}  // namespace vqtest

#pragma once
// The words of a source document and of a converted file, and their
// comparison: every word present once, none glued to its neighbour, all in
// reading order.
#include <filesystem>
#include <string>
#include <vector>

namespace rtest {

// Words as the comparison sees them, after a normalisation that leaves every
// word of the text in place and only evens out what a format may
// legitimately write differently:
//  - NFKC (ligatures, full-width forms, no-break spaces), typographic
//    apostrophes, quotation marks and hyphens as their ASCII forms;
//  - invisible format characters (soft hyphens, zero-width spaces) are
//    removed, so words they stand between read as one (glued) word;
//  - a token that is only punctuation or symbols (bullets, dashes) or a list
//    label ("1.", "a)", "iv.", "(3)") is dropped: bullets and list numbers
//    are the producer's, and a format may write them as text, as list
//    properties or not at all;
//  - punctuation at either end of a word is stripped ("sketches." and
//    "sketches" are one word), inner punctuation stays, so "sketches.Below"
//    is still a glued word;
//  - a decimal number loses the trailing zeros of its fraction: a
//    spreadsheet stores "18.20" as a number, and the General format shows it
//    as 18.2.
std::vector<std::string> NormalisedWords(const std::string& text);

// What a converted file's words do wrong against the source's.
struct WordCheck {
  std::vector<std::string> missing;     // source words the output lacks
  std::vector<std::string> doubled;     // source words the output has more often
  std::vector<std::string> glued;       // output words made of neighbouring source words
  std::vector<std::string> unexpected;  // other output words (split or wrongly decoded words)
  std::vector<std::string> outOfOrder;  // source words present, but not in reading order
  bool ok() const {
    return missing.empty() && doubled.empty() && glued.empty() && unexpected.empty() && outOfOrder.empty();
  }
  std::string describe() const;
  std::string summary() const;  // "ok" or short counts, for a table
};

// Compares `output` with the source, given as streams of words, each stream
// one run of text in reading order (the text of one column of a page laid
// out in columns, say). With `streamsMayInterleave` false the streams are
// read one after another; with true the output may interleave them, but the
// words of each stream must keep their order.
WordCheck CompareWords(const std::vector<std::vector<std::string>>& streams, const std::vector<std::string>& output,
                       bool streamsMayInterleave);

// The same for a slide's shapes. The shapes stand in the order they stack
// (paint order), which a producer chooses for the picture, not for reading:
// a frame painted before the text around it is still read where it stands,
// and a text box may hold the paragraphs above and below a frame set on top
// of it. So the words of each shape must keep the source's order, but the
// shapes may come in any order; a shape that reads two columns across is
// still out of order.
WordCheck CompareShapeWords(const std::vector<std::vector<std::string>>& streams,
                            const std::vector<std::vector<std::string>>& shapes);

// The text of a source document as streams of normalised words: LibreOffice
// flat XML (.fodt, .fodp, .fods: paragraphs, headings, list items, table
// cells and text boxes in document order) or well-formed HTML (the body's
// text). A paragraph of style or class "NewColumn" starts a new stream.
std::vector<std::vector<std::string>> SourceStreams(const std::filesystem::path& source);

// A paragraph of a source document (a paragraph, heading, list item, table
// cell or text box's paragraph) as its normalised words; a line break inside
// one stays inside it. `row` numbers the table row a cell stands in (0 for
// none).
struct SourceParagraph {
  std::vector<std::string> words;
  size_t row = 0;
};
// The paragraphs that hold words, in document order.
std::vector<SourceParagraph> SourceParagraphs(const std::filesystem::path& source);

// An output paragraph: its normalised words, and whether a page, column or
// section break stands before it (a paragraph the page cuts may go on in the
// next one there).
struct OutputParagraph {
  std::vector<std::string> words;
  bool afterBreak = false;
};

// How the output's paragraphs keep the source's: the words of each output
// paragraph are matched to the source's in order, and an output paragraph
// holding words of two source paragraphs joins them; a source paragraph
// whose words go to two output paragraphs without a break between them is
// split. The cells of one table row may be one output paragraph (a line
// with tabs between them). Words the output lacks or has in another order are the word check's
// business and count for neither.
struct ParagraphCheck {
  size_t sourceCount = 0;
  size_t outputCount = 0;
  std::vector<std::string> joined;  // the output paragraphs that join source paragraphs
  std::vector<std::string> split;   // the source paragraphs split without a break
  bool ok() const { return joined.empty() && split.empty(); }
  std::string describe() const;
  std::string summary() const;  // "ok" or the counts, for a table
};

ParagraphCheck CompareParagraphs(const std::vector<SourceParagraph>& source,
                                 const std::vector<OutputParagraph>& output);

}  // namespace rtest

#pragma once
// One piece of page text with a single set of character properties: its
// characters, where the glyphs stand, how wide they are in the PDF and in
// the Word font that will show them, and the character spacing that makes up
// the difference. Lines, columns and paragraphs group text runs; each run
// finally writes itself as one w:r.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "docx/capture/VQDocxRun.h"
#include "pdf/VQPDFWordGaps.h"

namespace vq {

class VQDocxRunText : public VQDocxRun {
 public:
  using Array = std::vector<std::shared_ptr<VQDocxRunText>>;

  VQDocxRunText() = default;

  std::shared_ptr<VQDocxRunText> clone() const { return std::static_pointer_cast<VQDocxRunText>(cloneObject()); }

  double spaceWidth = 0;          // one blank in the run's font and size
  double spaceWidth_orignal = 0;  // spaceWidth before the first fitting: the page's blank
  double textWidth = 0;           // from the PDF, then as measured in the Word font
  double insideSpacing = 0;       // how much wider the PDF text is than textWidth
  double outsideSpacing = 0;      // the gap to the next run, spread over the characters
  std::optional<std::string> markLanguage = std::string("en-US");
  uint64_t pdfScanIndex_BegainText = 0;  // the begin-text operator that opened the text object
  uint64_t pdfScanIndex_ShowText = 0;    // the text-showing operator that drew the run
  bool isSpaceFirst = false;
  bool isSpaceLast = false;
  // The capture saw a word gap between the run's first glyph and the glyph
  // before it on its line (a blank glyph, however narrow, or a wide enough
  // gap): the run never joins the text before it without a blank.
  bool wordGapBefore = false;
  // The type the capture measures word gaps beside the run with (its first
  // glyph's): gaps between runs are told by the same rule.
  VQPDFWordGapFont gapFont;
  // The page's horizontal scaling of the glyphs (1: as the font draws them).
  // Its widths already hold it; lines set at different scalings are no
  // lines of one paragraph.
  double horizontalScaling = 1;
  double wordSingleLineHeight = 0;    // one single-spaced line of the font in Word; 0 when unknown
  double wordSingleLineBlankTop = 0;  // the blank band above the glyphs in that line
  uint64_t textScanIndex = 0;         // position among the page's text runs
  uint64_t textScanLength = 1;        // text positions the run stands for (more once merged)

  const std::string& runText() const { return runText_; }
  // Keeps the text. An empty text clears both blank flags; otherwise a flag
  // turns on when its end of the text is a blank and is left as it was when
  // not (merged runs keep knowing that a part of them had the blank).
  void setRunText(std::string text);

  Rect displayRect() const override { return ctmInfo.frame; }

  // The same text painted twice (shadows, overprinted bold): equal text and
  // properties within 1.5 points across and 1 point down.
  bool isDuplicateRunText(const VQDocxRunText& other) const;
  // Only white space and control characters, and no underline or strike
  // line that would make it visible.
  bool isBankSpaceRunText() const;
  // The frame less one blank width for every trailing white-space character.
  Rect trimBehindTextRect() const;
  // Sets the width of the text and its frame; answers how much it shrank.
  double updateToNewFontWidth(double width);
  // Cuts one trailing blank off into a run of its own, placed right after
  // this one (a blank run even when there was none to cut); nullptr when the
  // run stands for a single scan position.
  std::shared_ptr<VQDocxRunText> splitBlackSpaceRunTextBehind();
  // Appends one blank; answers its width.
  double addBlankSpaceTextBehind();
  // The lowest top at which text of a following line still follows this run.
  double doubleBottomLine() const;

  // Rounds the size to half points and fits the widths, and with `fit` the
  // fonts, to the installed fonts the document will be shown in.
  void optimizePropertyAtStart(bool fit);

  // <w:r><w:rPr>...</w:rPr><w:t>text</w:t></w:r>
  void writeWithXMLWriter(XMLFileWriter& writer) override;
  std::string description() const override;

  // How a gap between `left` and `right` on their line reads by the shared
  // word-gap rule in the smaller displayed type of the two; null when
  // neither knows its type.
  static std::optional<VQPDFGapKind> GapKindBetween(const VQDocxRunText& left, const VQDocxRunText& right, double gap);
  // A word gap parts `right` from `left`, `gap` apart: the capture saw one
  // before `right`, or the rule reads the gap as one.
  static bool IsWordGapBetween(const VQDocxRunText& left, const VQDocxRunText& right, double gap);

  // Sorts by scan index and numbers the text order 0, 1, 2, ...
  static void UpdateRunTextArrayPDFScanIndex(Array& runs);
  // The union of the frames; the zero rectangle for no runs.
  static Rect FrameOfRunTextArray(const Array& runs);
  // The run with the largest doubleBottomLine, the first of equals.
  static std::shared_ptr<VQDocxRunText> FindBottomAfterRunText(const Array& runs);
  // The run with the smallest base line, the first of equals.
  static std::shared_ptr<VQDocxRunText> FindMinBaseLineRunText(const Array& runs);
  // The first run and the later ones whose base line is within 1 point of it.
  static Array CollectSameBaseLineRunTexts(const Array& runs);
  // The first run and the later annotation runs of its annotation.
  static Array FindSameAnnotionRunText(const Array& runs);
  // The runs grouped by annotation, in the order found; empties `runs`.
  static std::vector<Array> FindGroupSameAnnotionRunText(Array& runs);

 protected:
  VQDocxRunText(const VQDocxRunText&) = default;
  VQDocxRunText& operator=(const VQDocxRunText&) = default;
  std::shared_ptr<VQDocxObject> cloneObject() const override;

 private:
  std::string runText_;
};

}  // namespace vq

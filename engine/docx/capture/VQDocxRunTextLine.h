#pragma once
// One text line of a DOCX page: the text runs that share a base line, in
// reading order, with the neighbouring pieces of one text-showing operator
// joined into single runs, and the measures the layout reads from them (the
// frame, the base line, the covered stretch of the content stream, Word's
// line-height hints, the plain text and the gaps between the runs).
//
// The runs are shared with the page; joining pieces changes the first piece
// in place. A copy of a line shares its runs but has arrays of its own, so
// that adding runs to one line never leaves the other's measures stale.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "docx/capture/VQDocxRunText.h"
#include "docx/capture/VQDocxRunTextLineSpace.h"
#include "platform/graphics/VQGeometry.h"

namespace vq {

class VQDocxRunTextLine {
 public:
  using Array = std::vector<std::shared_ptr<VQDocxRunTextLine>>;
  using RunArray = VQDocxRunText::Array;

  VQDocxRunTextLine() = default;
  // Takes the runs and puts them into their final form (processRunTextArray).
  explicit VQDocxRunTextLine(RunArray runs);

  std::string lineText;               // the runs' texts with blanks, tabs or " | " between them
  Rect lineFrame;                     // union of the runs' frames
  double lineHeightMin = 0;           // the tallest run frame
  double wordSingleLineHeight = 0;    // largest Word line-height hint; 0 when a run of a longer line has none
  double wordSingleLineBlankTop = 0;  // largest blank-above-text hint
  std::vector<VQDocxRunTextLineSpace> spaceRowArray;  // outer gaps and gaps between runs apart in text order
  double yBaseLine = 0;                               // the lowest base line
  uint64_t minPDFScanIndex = 0;
  uint64_t maxPDFScanIndex = 0;  // one past the last covered scan position

  const RunArray& runTextArray() const { return runTextArray_; }
  // Replaces the runs and refreshes the measures; text and gaps stay.
  void setRunTextArray(RunArray runs);
  // Appends the runs as they are (no ordering or joining) and refreshes the measures.
  void addRunTextArray(const RunArray& runs);

  // Scan order, joining of touching pieces, then left to right; refreshes
  // measures, gaps and text. Nothing for a line without runs.
  void processRunTextArray();
  // Frame, base line, scan range and line-height hints of the given runs.
  void updateLineInfo(const RunArray& runs);
  // The gaps of the runs; sets lineText as it goes. None for no runs.
  std::vector<VQDocxRunTextLineSpace> _findRowSpace(const RunArray& runs);

  // Width of the text in the first run's font and size; 0 without runs.
  double getTextWidth(const std::string& text) const;
  double allRunTextWidth() const;
  // The blank width of the last run; 0 without runs.
  double behindTextSpaceWidth() const;
  // The last run takes one more blank; the measures follow, text and gaps stay.
  void addBlankSpaceTextBehind();
  // Every run becomes plain text at its own glyph size, standing on its bottom edge.
  void removeScript();

  std::string description() const;

  // Picks: the first of equals; nullptr for no runs.
  static std::shared_ptr<VQDocxRunText> FindNewScanRunText(const RunArray& runs);
  static std::shared_ptr<VQDocxRunText> FindXLeftRunText(const RunArray& runs);
  // The first run and the runs right after it that can join it; empty for no runs.
  static RunArray FindLeft2RightMergeRunTextArray(const RunArray& runs);
  // The first run with every later run joined into it; nullptr for no runs.
  static std::shared_ptr<VQDocxRunText> MergeLeft2RightRunTextArray(const RunArray& runs);

  // ---- Arrays of lines and runs ----------------------------------------
  // Each leaves the array it is given as it was (except
  // IsRunTextArrayPDFTextIndexContinuous). Picks answer the first of equals
  // and nullptr for none; sorts are stable.

  static std::shared_ptr<VQDocxRunTextLine> FindMinWidthtRunTextLine(const Array& lines);
  static std::shared_ptr<VQDocxRunTextLine> FindMaxHeightRunTextLine(const Array& lines);
  static std::shared_ptr<VQDocxRunTextLine> FindBottomRunTextLine(const Array& lines);
  static std::shared_ptr<VQDocxRunTextLine> FindTopYRunTextLine(const Array& lines);
  static std::shared_ptr<VQDocxRunTextLine> FindBaseYRunTextLine(const Array& lines);
  static std::shared_ptr<VQDocxRunTextLine> FindMinIndexRunTextLine(const Array& lines);
  static std::shared_ptr<VQDocxRunText> FindMinIndexRunText(const RunArray& runs);
  // Highest base line first.
  static Array SortRunTextLineArrayByBaseY(const Array& lines);
  static Array SortRunTextLineArrayByTopY(const Array& lines);
  static Array SortRunTextLineArrayByIndex(const Array& lines);
  static RunArray SortRunTextArrayByIndex(const RunArray& runs);
  // Union of the line frames; the zero rectangle for no lines.
  static Rect FrameOfLineArray(const Array& lines);
  static Rect GetRunTextLineUnionFrame(const Array& lines);
  static RunArray FindBankSpaceRunTextArray(const RunArray& runs);
  // True when every run is blank, and for no runs.
  static bool IsBankSpaceRunTextArray(const RunArray& runs);
  // The first run and the later runs that paint it again.
  static RunArray FindDuplicateRunTexts(const RunArray& runs);
  // One line of all runs of the lines; the line itself when there is one.
  static std::shared_ptr<VQDocxRunTextLine> MergeRunTextLineArray(const Array& lines);
  // True when all runs are raised, or all lowered, alike.
  static bool IsAllScriptRunTextArray(const RunArray& runs);
  static bool IsScriptLine(const VQDocxRunTextLine& line);
  // Puts the runs into scan order, then answers whether their text positions
  // follow each other without a gap.
  static bool IsRunTextArrayPDFTextIndexContinuous(RunArray& runs);
  static bool IsRunLineArrayPDFTextIndexContinuous(const Array& lines);

  // The topmost lines that overlap one another vertically, highest base line first.
  static Array FindIntersectRunTextLineArrayY(const Array& lines);
  // New lines, one per stretch of the line's runs that is unbroken in text order.
  static Array SplitRunTextLineForContinuous(const VQDocxRunTextLine& line);
  static Array SplitRunTextLineArrayContinuous(const Array& lines);
  // The first line in text order and the later lines that continue its text.
  static Array FindRunTextLineArrayIndexContinuous(const Array& lines);
  // The tallest line and the lines that make one visual line with it.
  static Array FindRunTextLineArrayAs1Line(const Array& lines);
  // Whether the lines side by side are as wide as their text needs.
  static bool IsRunLineArrayMergeWidthEnough(const Array& lines);
  // Whether the lines overlap enough vertically to be one line.
  static bool IsRunLineArrayMergeHeightEnough(const Array& lines);
  // A band with small lines whose base lines are moved off the tallest line's.
  static bool IsScriptRunTextLineArray(const Array& lines);
  // Whether two neighbouring runs overlap by more than a font width.
  static bool HaveXOverlapRunTextArray(const RunArray& runs);
  // Makes the band's shifted small lines raised or lowered text on the tallest line.
  static void SetupScriptRunTextLineArray(const Array& lines);
  // A one-character run at least 5 points larger than all other text.
  static RunArray FindFirstBigFontRunTextLine(const Array& lines);
  // Whether the line tops follow at one distance (within 1.5 points).
  static bool IsRunTextLineSameDistanceY(const Array& lines);
  // The leading lines that overlap the line above them by more than a point.
  static Array FindOverlapRunTextLineY(const Array& lines);

 private:
  RunArray runTextArray_;
};

}  // namespace vq

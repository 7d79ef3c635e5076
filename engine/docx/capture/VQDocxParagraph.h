#pragma once
// One Word paragraph of a page section: the text lines the section layout
// has decided belong together and the vertical room they take on the PDF
// page (room above the first line, the block of lines, room below the last).
// From that room and the lines' metrics the paragraph derives its spacing,
// exact line height, left indent and the properties of its paragraph mark;
// it groups each line's runs into the runs it writes (joined, through a
// blank, merged or across a tab) and writes itself as one w:p.
//
// The lines and their runs are shared with the page and its other layout
// objects. Nothing the paragraph builds or writes changes them: the write
// groups hold copies of the text runs, and writing works on copies again, so
// a paragraph can be rebuilt from the same lines or written twice with the
// same result.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "docx/capture/VQDocxObject.h"
#include "docx/capture/VQDocxRun.h"
#include "docx/capture/VQDocxRunPict.h"
#include "docx/capture/VQDocxRunText.h"
#include "docx/capture/VQDocxRunTextLine.h"
#include "office/VQDocxTypes.h"
#include "platform/graphics/VQGeometry.h"

namespace vq {

class VQDocxParagraph : public VQDocxObject {
 public:
  using Array = std::vector<std::shared_ptr<VQDocxParagraph>>;
  using LineArray = VQDocxRunTextLine::Array;
  using RunGroup = std::vector<std::shared_ptr<VQDocxRun>>;

  // Default properties, no lines, no room.
  VQDocxParagraph();
  // Takes the lines, builds the write groups, sets the room, column and
  // alignment, then resolves the properties and the content frame. The
  // section record is kept with its writing turned off.
  VQDocxParagraph(LineArray lines, double yBefore, double yHeight, double yAfter, Rect columnFrame, int textAlign,
                  const VQDocx_SectPr& sectProperty);
  // The same with no room, no column, left alignment and a hidden section.
  explicit VQDocxParagraph(LineArray lines);

  std::shared_ptr<VQDocxParagraph> clone() const { return std::static_pointer_cast<VQDocxParagraph>(cloneObject()); }

  // Blank spacer paragraphs that fill `height` top to bottom: lines of the
  // mark's size (or spaceLine when larger) rounded up to a whole point, the
  // last one taking what is left, so that the written exact lines add up to
  // the height. Nothing for a height that is not a positive number.
  static Array BlankParagraph(double height, double spaceLine, double indLeft, double indRight, int textAlign,
                              const VQDocx_RPr& rProperty, const VQDocx_SectPr& sectProperty, double originY,
                              Rect columnFrame);
  // Default paragraph properties with no spacing before or after, exact lines
  // of `line` points, the given indents and alignment, and no first-line indent.
  static VQDocx_PPr ExactLinePProperty(double line, double indLeft, double indRight, int textAlign);
  // The first paragraph of a write list; nullptr when there is none.
  static std::shared_ptr<VQDocxParagraph> FirstParagraph(const std::vector<std::shared_ptr<VQDocxObject>>& objects);

  VQDocx_PPr pProperty;
  VQDocx_RPr rProperty;  // the paragraph mark
  VQDocx_SectPr sectProperty;
  LineArray lineArray;  // top to bottom; empty for blank paragraphs
  double resolvedHeight = 0;
  bool breakColumn = false;  // a column break is written before the runs
  Rect columnFrame = RectZero;
  Rect contentFrame = RectZero;
  std::string paragraphText;
  // What the first line starts with up to its first blank (the word and its
  // punctuation, which a line break moves whole), and its width.
  double firstWordWidth = 0;
  std::vector<RunGroup> writeRunGroupArray;  // one group per line that has runs
  std::optional<std::string> firstWord;

  double yBefore() const { return yBefore_; }
  double yHeight() const { return yHeight_; }
  double yAfter() const { return yAfter_; }
  void setYBefore(double before, double height, double after);

  // Spacing setters; a value that is no number leaves the spacing as it was.
  void setSpaceLineBefore(double value);
  void setSpaceLine(double value);
  void setSpaceLineAfter(double value);
  void setupOutline(int level) { pProperty.outlineLvl = level; }

  // ---- properties and geometry ----
  // Spacing, exact line and left indent from the room and the lines, and the
  // mark from the first written line; answers how much the line height grew.
  double resolvePProperty();
  // The mean distance between neighbouring line bottoms; for one line the
  // block height (or the line's own height); 0 without lines.
  double averageSpacingLineWithRunTextLines() const;
  // The box the text covers, the first word and its width.
  void updateContentFrame();
  // An exact line of h points, a mark no larger than it, a content box 2 wide.
  void setBlankParagraphSpaceLine(double h);

  // ---- lines and runs ----
  // Appends to the first line, or makes the first line from the runs.
  void addRunTextArray(const VQDocxRunText::Array& runs);
  VQDocxRunText::Array allRunTextArray() const;
  std::shared_ptr<VQDocxRunTextLine> firstRunTextLine() const;
  double allTextWidthAtLine(size_t index) const;
  double allTextWidth_FirstLine() const { return allTextWidthAtLine(0); }
  // Clears the extra spacing of every text run of the lines.
  void resetRunTextTextSpacing();
  // Whether the first line shows nothing.
  bool isParagraphBlankText() const;
  // Whether some run of each paragraph has the same font and size.
  bool isHaveSameFontNameParagraph(const VQDocxParagraph& other) const;
  // Whether one of the lines carries the outline title (or, with likeDetect,
  // something close to it). A paragraph that already has a level, or an
  // empty title, matches nothing.
  bool compareOutLine(const std::string& title, bool likeDetect) const;

  // ---- write groups and writing ----
  // Builds the write groups and the paragraph text from copies of the lines' runs.
  void convertToWriteRunArray(const LineArray& lines);
  // One group of all runs of all lines, as they are (text-box paragraphs).
  void convertToWriteRunArrayFloatRunPict();
  // Anchors floating drawings at the front of the first group.
  void insertRunPictArray(const std::vector<std::shared_ptr<VQDocxRunPict>>& picts);
  // The last text run of the first group; nullptr without one.
  std::shared_ptr<VQDocxRunText> lastRunText() const;
  bool haveRunTab() const;
  // One left tab stop per tab run, relative to the column's left edge.
  std::vector<VQDocx_Tab> createTabsPropertyInParagraph() const;
  // Turns leader dots and rules drawn over text into the text's underline.
  void fixOutsideSpacingError();
  // w:p with its properties, an optional column break and the runs.
  void writeWithXMLWriter(XMLFileWriter& writer) override;
  // Whether the section may leave the paragraph out: it shows nothing,
  // carries no section break, anchors no drawing and is no taller than a point.
  bool isCanIgnore() const;

  std::string description() const override;

 protected:
  VQDocxParagraph(const VQDocxParagraph&) = default;
  VQDocxParagraph& operator=(const VQDocxParagraph&) = default;
  std::shared_ptr<VQDocxObject> cloneObject() const override;

 private:
  double yBefore_ = 0;
  double yHeight_ = 0;
  double yAfter_ = 0;
};

}  // namespace vq

#pragma once
// One horizontal slice of a converted page that Word lays out with one column
// setting: one WordprocessingML section. The page's column layout makes one
// per column set, the area layout makes those of a text box or a table cell,
// and a page without text gets one blank section.
//
// A section holds its text twice over: as column groups (lines per column)
// and, once the paragraph builder has run, as paragraph groups (paragraphs
// per column, into which tables are later placed). Before the page is
// written it turns all of this into one ordered write list.
//
// Coordinates are page display space: points, origin top-left, y downwards.
#include <cstdint>
#include <limits>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "docx/capture/VQDocxObject.h"
#include "docx/capture/VQDocxParagraph.h"
#include "docx/capture/VQDocxRunText.h"
#include "docx/capture/VQDocxRunTextLine.h"
#include "docx/layout/VQDocxTable.h"
#include "office/VQDocxTypes.h"
#include "platform/graphics/VQGeometry.h"

namespace vq {

class VQDocxPage;

class VQDocxPageSection : public VQDocxObject {
 public:
  using Array = std::vector<std::shared_ptr<VQDocxPageSection>>;
  using LineArray = VQDocxRunTextLine::Array;
  using ColumGroupArray = std::vector<LineArray>;
  // The objects of one column: paragraphs, and tables once they are placed.
  using ParagraphColum = std::vector<std::shared_ptr<VQDocxObject>>;
  using ParagraphGroupArray = std::vector<ParagraphColum>;
  using ParagraphArray = VQDocxParagraph::Array;
  using TableArray = VQDocxTable::Array;

  // ---- model (VQDocxPageSection.cpp) -------------------------------------

  // Hidden section properties, no content, no page.
  VQDocxPageSection();
  explicit VQDocxPageSection(const VQDocx_SectPr& sectProperty);
  ~VQDocxPageSection() override;

  std::shared_ptr<VQDocxPageSection> clone() const {
    return std::static_pointer_cast<VQDocxPageSection>(cloneObject());
  }

  // The page the section belongs to; not owned.
  VQDocxPage* superPage = nullptr;
  int32_t sectionArea = 0;  // 1: the content of a table cell
  bool isDocumentFirstPage = false;
  bool isDocumentLastPage = false;
  bool isPageHeadSection = false;
  bool isPageFootSection = false;
  Rect sectionFrame = RectZero;
  Rect columGroupFrame = RectZero;
  ParagraphGroupArray paragraphGroupArray;
  std::shared_ptr<VQDocxPageSection> previousPageSection;
  ParagraphArray headBlankParagraphArray;
  ParagraphArray footBlankParagraphArray;
  double footBlankHeight = 0;
  TableArray allTableArray;
  std::vector<std::shared_ptr<VQDocxObject>> allWriteXMLObjects;
  // Height the sections above on the page wrote beyond their slices, to be
  // taken out of this one's room; after createXMLObjects, what is still
  // owed, for the section below.
  double overflowHeight = 0;

  // The section properties written for the section. Its column list is kept
  // by the section (shared by copies, never changed once made), so the
  // record may be copied into paragraphs that are written while the section
  // lives.
  const VQDocx_SectPr& sectProperty() const { return sectProperty_; }
  void setSectProperty(const VQDocx_SectPr& sectProperty);
  // Replaces the column list of the section properties.
  void setCols(VQDocx_Cols cols, std::vector<VQDocx_Col> columns);

  const ColumGroupArray& columGroupArray() const { return columGroupArray_; }

  // A blank section of one blank paragraph filling the area the margins
  // leave, for a page whose layout made no section.
  static std::shared_ptr<VQDocxPageSection> BankPageSectionWithSectProperty(const VQDocx_SectPr& sectProperty,
                                                                            int32_t sectionArea);

  // The object as a paragraph of the flow; nullptr for tables and for
  // paragraphs that carry a section break.
  static std::shared_ptr<VQDocxParagraph> FlowParagraph(const std::shared_ptr<VQDocxObject>& object);
  // Paragraph queries: section-break carriers and tables never count.
  std::shared_ptr<VQDocxParagraph> firstParagraph() const;
  std::shared_ptr<VQDocxParagraph> firstTextParagraph() const;
  std::shared_ptr<VQDocxParagraph> lastParagraph() const;
  // The text paragraph an object placed at `point` follows; nullptr for none.
  std::shared_ptr<VQDocxParagraph> insertParagraph(const Point& point) const;
  // A small blank paragraph at the section's top, made to carry floating
  // objects when the section has no paragraph of its own; nullptr when the
  // section has no room at all.
  std::shared_ptr<VQDocxParagraph> newAnchorParagraph() const;
  // The runs of every line of every column group, in order.
  VQDocxRunText::Array allRunTextArray() const;

  // Column properties.
  void createSectProperty_Cols();
  double minSeparatedColumSpace() const;
  bool IsPageSectionEquallySeparatedColums(double* space) const;
  static double _minLeftXOfLineArrayA(const LineArray& lines);
  static double _maxRightXOfLineArrayA_SpaceBehind(const LineArray& lines);
  // Grows the text area down to leave room for the last line's spacing.
  void updateColumGroupFrame();

  std::string description() const override;

  // ---- paragraphs from column groups (VQDocxPageSectionParagraphs.cpp) ----

  // The paragraph builder: stores the groups, sets the columns, and makes a
  // paragraph per line with blank paragraphs for large gaps, head blank
  // paragraphs for the room above the text and the foot height below it.
  void setColumGroupArray(ColumGroupArray groups);
  void createFootBlankParagraphArray();
  static ColumGroupArray MergeRunTextLineWithColumGroupArray(const ColumGroupArray& groups);
  static void RemoveScriptIfNeed(const ColumGroupArray& groups);
  static int RecognizeTextAlignTrend(const LineArray& lines, const Rect& columnContentFrame, const Rect& columnFrame);
  static int RecognizeTextAlign(const std::shared_ptr<VQDocxRunTextLine>& line,
                                const std::shared_ptr<VQDocxRunTextLine>& runTextLineLast, int textAlignLast,
                                int textAlignTrend, const Rect& columnContentFrame, const Rect& columnFrame);
  static size_t NumberOf(const LineArray& lines, int textAlign);
  static double Ind_MinLeftOfParagraphs(const ParagraphArray& paragraphs);
  static double Ind_SubMinLeftOfParagraphs(const ParagraphArray& paragraphs);

  // ---- area sections (VQDocxPageSectionArea.cpp) -------------------------

  // The runs laid out as sections of the area the record's margins leave
  // free; drop capitals become text boxes of `superPage`. The caller sets
  // each section's page and asks it for its write list.
  static Array CreatePageSection(VQDocxRunText::Array& runs, VQDocx_SectPr sectProperty, int32_t sectionArea,
                                 bool isColumnMode, VQDocxPage* superPage);
  // Takes up to `d` of vertical room out of each paragraph group; answers
  // what the last group could not give.
  double moveUpParagraphIfNeed(double d);

  // ---- paragraph spacing (VQDocxPageSectionSpacing.cpp) ------------------

  void optimizeParagraphs();
  // A paragraph's room can come out negative (a word processor's line
  // taller than the PDF's, a merged paragraph's rounded lines), and a
  // negative space is written as none, so the column would grow past its
  // frame. Takes what was lost out of the spacing below it, then out of
  // the blank spacers' lines; answers what the column could not give.
  static double settleNegativeSpacing(const ParagraphColum& colum, double debt = 0);
  // Height of the empty paragraph that carries a section break.
  static constexpr double kSectionBreakLine = 1;
  void fixErrorHeightSpacingInParagraphs(const ParagraphArray& paragraphs);
  ParagraphGroupArray autoFitParagraphSpacing(int mode);

  // ---- paragraph merging (VQDocxPageSectionMerging.cpp) ------------------

  ParagraphArray mergeParagraphsIfNeed(const ParagraphArray& paragraphs);
  // `columnRight` is where the column's text ends (its widest line): a line
  // that ends short of it by more than the next line's first word ends its
  // paragraph. Without it the run's own lines tell.
  ParagraphArray findMergeParagraphs(const ParagraphArray& paragraphs, int* textAlign,
                                     double columnRight = std::numeric_limits<double>::quiet_NaN()) {
    return findMergeParagraphsIn(paragraphs, textAlign, columnRight);
  }
  // The same over a part of a section's paragraphs, read in place.
  ParagraphArray findMergeParagraphsIn(std::span<const ParagraphArray::value_type> paragraphs, int* textAlign,
                                       double columnRight);
  std::shared_ptr<VQDocxParagraph> mergeParagraphs(const ParagraphArray& run, int textAlign);
  bool canBeExtendWidth(const ParagraphArray& run, int textAlign,
                        double columnRight = std::numeric_limits<double>::quiet_NaN());
  bool testAllHeightEnough(const ParagraphArray& run, double lineDistanceY);
  static int Recognize2LineTextAlignForMerger(const ParagraphArray& paragraphs);
  static int Recognize3LineTextAlignForMerger(const ParagraphArray& paragraphs);

  // ---- blank paragraphs and space borrowing (VQDocxPageSectionBlanks.cpp) -

  static bool BorrowParagraph(const std::shared_ptr<VQDocxParagraph>& paragraph, double ySpace, bool afterFirst,
                              bool isSave);
  static bool BorrowParagraphColum(const ParagraphColum& colum, double ySpace, bool afterFirst, bool isSave);
  static bool BorrowParagraphArray0(const ParagraphGroupArray& groups, double yTopSpace);
  static bool BorrowParagraphArrayN(const ParagraphGroupArray& groups, double yBottomSpace);
  static bool GiveYSpace(double space, bool beforeLine, const ParagraphColum& colum);
  static bool GiveYSpace(double space, bool beforeLine, const ParagraphGroupArray& groups);
  void writeBeforeBlankParagraphs(const std::shared_ptr<VQDocxParagraph>& paragraph);

  // ---- tables among paragraphs (VQDocxPageSectionTables.cpp) -------------

  static Rect FrameOfParagraphArray(const ParagraphArray& paragraphs, bool isMaxWidth);
  static TableArray FindBlankParagraphArray(const Rect& blankFrame, const TableArray& tables);
  static std::vector<std::shared_ptr<VQDocxObject>> InsertTables(TableArray tables,
                                                                 const ParagraphArray& blankParagraphs,
                                                                 const ParagraphGroupArray* paragraphArray0,
                                                                 const ParagraphGroupArray* paragraphArrayN);
  static std::vector<std::shared_ptr<VQDocxObject>> CreateParagraphsAndTables(
      TableArray& tables, bool isTalbeAreaBlank, const Rect& blankFrame,
      const std::shared_ptr<VQDocxParagraph>& blankParagraphExample, const ParagraphGroupArray* paragraphArray0,
      const ParagraphGroupArray* paragraphArrayN);
  void writeContentWithTableArray(TableArray& tables);

  // ---- write list and writing (VQDocxPageSectionWriting.cpp) -------------

  // Rebuilds the write list from the paragraphs, blank paragraphs, tables
  // and flags, with the section breaks that end the section.
  void createXMLObjects();
  // Writes the write list; paragraphs that show nothing are left out.
  void writeWithXMLWriter(XMLFileWriter& writer) override;

 protected:
  VQDocxPageSection(const VQDocxPageSection&) = default;
  VQDocxPageSection& operator=(const VQDocxPageSection&) = default;
  std::shared_ptr<VQDocxObject> cloneObject() const override;

 private:
  VQDocx_SectPr sectProperty_;
  // The columns sectProperty_.cols.col points into.
  std::shared_ptr<const std::vector<VQDocx_Col>> colsStorage_;
  ColumGroupArray columGroupArray_;
};

}  // namespace vq

#pragma once
// One converted PDF page of a DOCX conversion: the runs its capture pass
// recorded, the counters that order them, and the stages that lay the runs
// out into sections ready to be written as WordprocessingML body content.
//
// A page belongs to the thread that captures it: its capture, layout and
// writing take no lock. It shares only its document (whose image registry is
// locked by the document) and reads the conversion's options from its own
// copy.
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "docx/capture/VQDocxObject.h"
#include "docx/capture/VQDocxParagraph.h"
#include "docx/capture/VQDocxRun.h"
#include "docx/capture/VQDocxRunImage.h"
#include "docx/capture/VQDocxRunPath.h"
#include "docx/capture/VQDocxRunPict.h"
#include "docx/capture/VQDocxRunText.h"
#include "docx/capture/VQDocxRunTextBox.h"
#include "docx/capture/VQDocxRunTextColum.h"
#include "docx/capture/VQDocxRunTextPath.h"
#include "docx/layout/VQDocxPageSection.h"
#include "docx/layout/VQDocxTable.h"
#include "docx/layout/VQDocxTableParser.h"
#include "exporter/VQPDFOptions.h"
#include "office/VQDocxTypes.h"
#include "office/docx/VQDocxDocumentPage.h"
#include "platform/graphics/VQGeometry.h"

namespace vq {

class VQDocxDocument;
class XMLFileWriter;
struct VQPDFOutlineItem;

// First z-order values of a page's floating objects. Pictures and shapes sit
// behind the text (a large negative relative height, as Word writes for
// objects behind text), text boxes in front of it. Every page counts from
// these values on its own: floating objects of different pages never overlap,
// so their z-orders need not be unique across the document, and page threads
// never share a counter.
inline constexpr int64_t VQDocxPictZIndexStart = -251657498;
inline constexpr int64_t VQDocxTextBoxZIndexStart = 1;
// The page's smallest font size before any text lowers it.
inline constexpr double VQDocxPageMinFontSizeStart = 12.0;

class VQDocxPage : public VQDocxDocumentPage {
 public:
  // A page of `width` x `height` display points whose content is mapped from
  // PDF user space by `pageTransform`; `pdfPageIndex` is the PDF page number,
  // `wordPageIndex` the 1-based position in the output.
  VQDocxPage(double width, double height, const AffineTransform& pageTransform, int64_t pdfPageIndex,
             int64_t wordPageIndex, bool isFirstPage, bool isLastPage);
  ~VQDocxPage() override;
  VQDocxPage(const VQDocxPage&) = delete;
  VQDocxPage& operator=(const VQDocxPage&) = delete;

  // A new page of the same size, transform, numbers, flags, margins, columns
  // and border; it has no runs and fresh counters.
  std::shared_ptr<VQDocxPage> clone() const;

  int64_t wordPageIndex() const override { return wordPageIndex_; }
  int64_t pdfPageIndex() const { return pdfPageIndex_; }
  bool isFirstPage() const { return isFirstPage_; }
  bool isLastPage() const { return isLastPage_; }
  const AffineTransform& currentPageTransform() const { return currentPageTransform_; }
  double pageWidth() const { return sectProperty.pgSz.w; }
  double pageHeight() const { return sectProperty.pgSz.h; }

  // The conversion's options, read by the stages at each use.
  const VQPDFOptions& moreOptions() const { return moreOptions_; }
  void setMoreOptions(const VQPDFOptions& options) { moreOptions_ = options; }

  // The document that collects the page's image files; may be absent.
  const std::shared_ptr<VQDocxDocument>& documentHandle() const { return documentHandle_; }
  void setDocumentHandle(std::shared_ptr<VQDocxDocument> document) { documentHandle_ = std::move(document); }
  // Registers an image file with the document and gives its relationship id
  // (empty without a document). The page remembers what it registered so that
  // a page that is dropped unwritten can take it back.
  std::string collectImageWithPath(const std::string& imagePath);
  // Unregisters every file this page registered; used when the page is
  // replaced by another capture of the same PDF page.
  void removeAllCollectedImages();
  const std::vector<std::string>& collectedImagePaths() const { return collectedImagePaths_; }

  // The ruled-table finder; a page starts with one that finds nothing.
  VQDocxTableParser& tableParser() const { return *tableParser_; }
  void setTableParser(std::unique_ptr<VQDocxTableParser> parser);

  // Counters of the capture: each is taken, then advanced.
  int64_t nextRunScanIndex() { return pg_pageRunCount++; }
  // Runs made so far: it moves whenever anything is placed on the page.
  int64_t runScanCount() const { return pg_pageRunCount; }
  int64_t nextPictZIndex() { return pg_pictZIndex++; }
  int64_t nextTextBoxZIndex() { return pg_textBoxZIndex++; }

  // The rotation the captured text asks the page to be turned by before it
  // is captured again (90, 180 or 270), or 0 to keep this capture.
  virtual int autoRotationOfPDFPage() const;

  // Lays the captured runs out into sections; called once, after the last
  // capture pass. (Tests of the capture alone replace it.)
  virtual void processPDFPage();
  // Numbers every run 0, 1, 2, ... in paint order, and the text runs among
  // themselves in text order.
  void updateAllPDFScanIndex();
  // A text box holding the runs laid out as a small page of their own at
  // their place; nullptr for no runs.
  static std::shared_ptr<VQDocxRunTextBox> NewTextBoxWithRunTextArray(VQDocxRunText::Array runs, VQDocxPage& superPage);
  // Each drop capital found by the text assembly made a text box.
  void convertDropCapitals2TextBox();
  // Anchors floating objects in the first text paragraph of the page, else
  // its first paragraph, else a small blank paragraph made for them.
  void insertRunPictArray(const std::vector<std::shared_ptr<VQDocxRunPict>>& picts);

  // ---- Graphics clean-up and floating pictures (VQDocxPageGraphics.cpp),
  //      underlines (VQDocxPageUnderlines.cpp), outline headings
  //      (VQDocxPageOutline.cpp)

  // Unregisters the files of the pictures that are leaving the page, unless
  // a picture that stays shows the same file.
  void removeCollectedImagesIfNotUsed(const VQDocxRunImage::Array& images);
  // Unregisters files this page registered and removes them: they were made
  // for this page's pictures only.
  void removeCollectedImagePaths(const std::vector<std::string>& imagePaths);
  // The pictures merged into one picture registered with the document;
  // nullptr when no picture could be made.
  std::shared_ptr<VQDocxRunImage> mergeRunImages(const VQDocxRunImage::Array& images);
  // Whether the area (a table's box, its own paths, its first paint) lies
  // on white: the last filled path painted before it that covers most of it
  // is opaque white, or there is none.
  bool isPageWhiteBackground(const Rect& bounds, const VQDocxRunPath::Array& areaPaths, uint64_t minPDFScanIndex) const;
  // The group of pictures that touch the first one (a shading stands
  // alone), and all such groups.
  static VQDocxRunImage::Array findIntersectImages(const VQDocxRunImage::Array& images);
  static std::vector<VQDocxRunImage::Array> findIntersectImagesGroups(const VQDocxRunImage::Array& images);
  // The group of paths near the first one, and the groups crowded enough to
  // be rendered into pictures.
  static VQDocxRunPath::Array findIntersectRunPaths(const VQDocxRunPath::Array& paths);
  static std::vector<VQDocxRunPath::Array> findIntersectRunPathsGroups(const VQDocxRunPath::Array& paths);
  // The paths rendered into one picture registered with the document;
  // nullptr when nothing could be rendered.
  std::shared_ptr<VQDocxRunImage> _convertRunPathsToRunImage(const VQDocxRunPath::Array& paths, double imageDPI);
  // One picture per run of consecutive paint positions; the paths that went
  // into pictures are added to `rendered`.
  VQDocxRunImage::Array _convertRunPathsToRunImages(const VQDocxRunPath::Array& paths, double imageDPI,
                                                    VQDocxRunPath::Array* rendered = nullptr);
  // Whether something of the kind painted at or after `minScanIndex`
  // touches the rectangle.
  bool haveTextUpperInRect(const Rect& rect, uint64_t minScanIndex) const;
  bool haveTextBoxUpperInRect(const Rect& rect, uint64_t minScanIndex) const;
  bool haveImageUpperInRect(const Rect& rect, uint64_t minScanIndex) const;
  bool haveShapeUpperInRect(const Rect& rect, uint64_t minScanIndex) const;
  bool haveTableUpperInRect(const Rect& rect, uint64_t minScanIndex) const;
  void _creatOutline_PDF_Outline();
  // Gives the first paragraph of the page that carries the item's title the
  // item's outline level; false when no paragraph carries it.
  bool _findOutLines(const VQPDFOutlineItem& item, bool likeDetect);

  // Gives each section its write list.
  void createXMLObjects();
  // The text runs made lines, bands and column sets with their column
  // groups (allColumSetArray): repeated text and blank lines leave the page's
  // runs first, drop capitals go to pendingDropCapitalRuns.
  void createTextColumSets();
  // Drops the text that a later photograph (not a PNG, which may be
  // transparent) covers whole.
  void filterAllRunTextArray();
  // The page margins measured from the column sets (and tables) and snapped,
  // the page border taken into the section record, and one page section per
  // column set tiling the text area top to bottom.
  void createPageSections();
  // A measured margin snapped to the next whole point below half an inch,
  // else to half an inch, an inch or two inches.
  static double PageMarginStepValue(double x);
  // Margins snapped to those values, left and right (and top and bottom)
  // made equal when both are wide, and never wider than measured.
  static VQDocx_PgMar bestPgMarWithMaxPGMar(const VQDocx_PgMar& measured);

  void writePageBegin() override;
  // The page bookmark, then each section in order.
  void writePageWithXMLWriter(XMLFileWriter& writer) override;
  void writePDFPageBookmark(XMLFileWriter& writer) const;
  void writePageEnd() override;

  std::string localizedLanguage = "en-US";
  int32_t pgBorders_offsetFrom = 0;  // 0: no page border
  VQDocx_Borders pgBorders;
  VQDocx_SectPr sectProperty;

  std::vector<std::shared_ptr<VQDocxRunText>> allRunTextArray;
  VQDocxRunTextBox::Array allRunTextBoxArray;
  std::vector<std::shared_ptr<VQDocxRunTextPath>> allRunTextPathArray;
  std::vector<std::shared_ptr<VQDocxRunImage>> allRunImageArray;
  VQDocxRunPath::Array allRunPathArray;
  VQDocxTable::Array allTableArray;
  // The page's sections, top to bottom; each writes its own content.
  VQDocxPageSection::Array allPageSectionArray;

  // The page's text as column sets, top to bottom, each cut into column
  // groups of lines; every text run left on the page is in exactly one line.
  VQDocxRunTextColum::Array allColumSetArray;
  // One-character capitals found beside the paragraph they begin; they are
  // taken out of the lines and kept here to stand in text boxes of their own.
  std::vector<VQDocxRunText::Array> pendingDropCapitalRuns;

  bool isUsingTextBox = false;  // the capture is filling a text box
  // The text box being filled: its record and its paragraphs so far.
  std::shared_ptr<VQDocxTextBoxInfo> cachedTextBoxInfo;
  VQDocxParagraph::Array cachedTextBoxParagraphs;
  // A new last paragraph of the box being filled; the paragraph before it
  // resolves its properties first and hands them on.
  std::shared_ptr<VQDocxParagraph> cachedTextBoxNewParagraph();
  // The last paragraph of the box being filled, or nullptr.
  std::shared_ptr<VQDocxParagraph> cachedTextBoxLastParagraph() const;
  // The summed line heights, and the widest first line, of its paragraphs.
  double cachedTextBoxHeight() const;
  double cachedTextBoxWidthMax() const;

  bool isUsingTextPath = false;  // the capture is filling a text path
  // The text path being filled: its record, and the glyphs so far.
  std::shared_ptr<VQDocxTextPathInfo> cachedTextPathInfo;
  std::string cachedTextPathString;
  bool isWriteSectionBreakPage = false;

  int64_t pg_pageRunCount = 0;
  int64_t pg_pictZIndex = VQDocxPictZIndexStart;
  int64_t pg_textBoxZIndex = VQDocxTextBoxZIndexStart;
  double pg_minFontSize = VQDocxPageMinFontSizeStart;

 private:
  // The stages of processPDFPage, in their order.
  void removeSoftMaskRuns();
  void optimizeAllRunTextPropertyIfNeed(bool isNeedReplaceFont);
  // Chinese pages get Chinese stand-in faces and their language; pages of
  // English text are marked English.
  bool _localizedReplaceFontNameIfNeed();
  void _localizedReplaceFontNameWithDictionary(const std::map<std::string, std::string>& faces);
  void convertImages2ImageIfNeed();
  void filterAllRunPathArray();
  void convertPathsForUnderLineIfNeed();
  void convertPathsForHighLightIfNeed();
  void convertPath2TableIfNeed();
  void convertAnnotion2TextBox();
  // Text painted twice at one place in turned text boxes (as for fake bold)
  // is kept once: the later copy leaves its box, and boxes left empty go.
  void removeRepeatedTextBoxText();
  void createPageWithColumn();
  void addBlankSectionIfNeed();
  void convertShapes2ImageIfNeed();
  void _insertFloatRunPicts();
  void creatOutlineIfNeed();

  AffineTransform currentPageTransform_ = AffineTransformIdentity;
  int64_t pdfPageIndex_ = 0;
  int64_t wordPageIndex_ = 0;
  bool isFirstPage_ = false;
  bool isLastPage_ = false;
  VQPDFOptions moreOptions_;
  std::shared_ptr<VQDocxDocument> documentHandle_;
  std::vector<std::string> collectedImagePaths_;
  std::unique_ptr<VQDocxTableParser> tableParser_;
};

}  // namespace vq

#include "docx/layout/VQDocxPage.h"

#include <fmt/format.h>

#include <algorithm>

#include "office/VQDocxUtilities.h"
#include "office/VQOpenXMLNameSpace.h"
#include "office/XMLFileWriter.h"
#include "office/docx/VQDocxDocument.h"

namespace vq {

VQDocxPage::VQDocxPage(double width, double height, const AffineTransform& pageTransform, int64_t pdfPageIndex,
                       int64_t wordPageIndex, bool isFirstPage, bool isLastPage)
    : pgBorders(VQDocxUtilities::defaultPageBordersNone()),
      sectProperty(VQDocxUtilities::defaultSectPropertyHiden()),
      currentPageTransform_(pageTransform),
      pdfPageIndex_(pdfPageIndex),
      wordPageIndex_(wordPageIndex),
      isFirstPage_(isFirstPage),
      isLastPage_(isLastPage),
      tableParser_(std::make_unique<VQDocxTableParser>()) {
  // Every page ends its own continuous section, so each keeps its size.
  sectProperty.shouldWrite = 1;
  sectProperty.type = 1;
  sectProperty.pgSz.w = static_cast<float>(width);
  sectProperty.pgSz.h = static_cast<float>(height);
}

VQDocxPage::~VQDocxPage() = default;

std::shared_ptr<VQDocxPage> VQDocxPage::clone() const {
  auto copy = std::make_shared<VQDocxPage>(sectProperty.pgSz.w, sectProperty.pgSz.h, currentPageTransform_,
                                           pdfPageIndex_, wordPageIndex_, isFirstPage_, isLastPage_);
  copy->pgBorders = pgBorders;
  copy->sectProperty = sectProperty;
  copy->moreOptions_ = moreOptions_;
  return copy;
}

std::string VQDocxPage::collectImageWithPath(const std::string& imagePath) {
  if (!documentHandle_ || imagePath.empty()) return {};
  std::string id = documentHandle_->collectImageWithPath(imagePath);
  if (std::find(collectedImagePaths_.begin(), collectedImagePaths_.end(), imagePath) == collectedImagePaths_.end())
    collectedImagePaths_.push_back(imagePath);
  return id;
}

void VQDocxPage::removeAllCollectedImages() {
  if (documentHandle_ && !collectedImagePaths_.empty())
    documentHandle_->removeCollectedImageWithRunImages(collectedImagePaths_);
  collectedImagePaths_.clear();
}

void VQDocxPage::setTableParser(std::unique_ptr<VQDocxTableParser> parser) {
  tableParser_ = parser ? std::move(parser) : std::make_unique<VQDocxTableParser>();
}

int VQDocxPage::autoRotationOfPDFPage() const {
  // A page whose text stands mostly in turned boxes is a page shown turned:
  // it is captured again turned upright, so that its text flows as text.
  size_t inBoxes = 0;
  for (const auto& box : allRunTextBoxArray) inBoxes += box->allRunTextArray().size();
  if (inBoxes <= 2 || inBoxes <= allRunTextArray.size()) return 0;
  return VQDocxRunTextBox::RotationOfRunTextBoxArray(allRunTextBoxArray);
}

std::shared_ptr<VQDocxParagraph> VQDocxPage::cachedTextBoxNewParagraph() {
  auto paragraph = std::make_shared<VQDocxParagraph>();
  if (const auto last = cachedTextBoxLastParagraph()) {
    last->resolvePProperty();
    paragraph->pProperty = last->pProperty;
    paragraph->rProperty = last->rProperty;
  }
  cachedTextBoxParagraphs.push_back(paragraph);
  return paragraph;
}

std::shared_ptr<VQDocxParagraph> VQDocxPage::cachedTextBoxLastParagraph() const {
  return cachedTextBoxParagraphs.empty() ? nullptr : cachedTextBoxParagraphs.back();
}

double VQDocxPage::cachedTextBoxHeight() const {
  double height = 0;
  for (const auto& paragraph : cachedTextBoxParagraphs) height += paragraph->pProperty.spacing.line;
  return height;
}

double VQDocxPage::cachedTextBoxWidthMax() const {
  float widest = 0;
  for (const auto& paragraph : cachedTextBoxParagraphs)
    widest = std::max(widest, static_cast<float>(paragraph->allTextWidth_FirstLine()));
  return widest;
}

void VQDocxPage::removeSoftMaskRuns() {
  // A soft mask's content only shapes another picture's transparency; it is
  // never page content of its own.
  auto isMask = [](const auto& run) { return run->isExtGStateSMask; };
  std::erase_if(allRunImageArray, isMask);
  std::erase_if(allRunPathArray, isMask);
}

void VQDocxPage::updateAllPDFScanIndex() {
  std::vector<std::shared_ptr<VQDocxRun>> all;
  all.reserve(allRunTextBoxArray.size() + allRunTextArray.size() + allRunImageArray.size() + allRunPathArray.size() +
              allTableArray.size());
  all.insert(all.end(), allRunTextBoxArray.begin(), allRunTextBoxArray.end());
  all.insert(all.end(), allRunTextArray.begin(), allRunTextArray.end());
  all.insert(all.end(), allRunImageArray.begin(), allRunImageArray.end());
  all.insert(all.end(), allRunPathArray.begin(), allRunPathArray.end());
  all.insert(all.end(), allTableArray.begin(), allTableArray.end());
  VQDocxRun::UpdateRunArrayPDFScanIndex(all);
  VQDocxRunText::UpdateRunTextArrayPDFScanIndex(allRunTextArray);
}

void VQDocxPage::processPDFPage() {
  removeSoftMaskRuns();
  updateAllPDFScanIndex();
  optimizeAllRunTextPropertyIfNeed(moreOptions_.wordOptions.isNeedReplaceFont);
  convertImages2ImageIfNeed();
  filterAllRunPathArray();
  convertPathsForUnderLineIfNeed();
  convertPathsForHighLightIfNeed();
  convertPath2TableIfNeed();
  convertAnnotion2TextBox();
  removeRepeatedTextBoxText();
  filterAllRunTextArray();
  createPageWithColumn();
  addBlankSectionIfNeed();
  convertShapes2ImageIfNeed();
  _insertFloatRunPicts();
  creatOutlineIfNeed();
  createXMLObjects();
}

void VQDocxPage::convertPath2TableIfNeed() {
  // Ruled tables found among the paths: their rules and their text leave the
  // page, which writes them as tables instead.
  if (allRunPathArray.empty()) {
    allTableArray.clear();
    return;
  }
  // Crowded drawings (maps, charts of many points) hold no ruled table
  // worth the quadratic search.
  if (allRunPathArray.size() > 3000) return;
  VQDocxTableParser& parser = *tableParser_;
  parser.setSuperPage(this);
  parser.setPageSize(sectProperty.pgSz.w, sectProperty.pgSz.h);
  VQDocxRunPath::Array candidates = allRunPathArray;
  for (auto find :
       {&VQDocxRunPath::FindAloneRects, &VQDocxRunPath::FindSmallRects, &VQDocxRunPath::FindAnnotionlPaths}) {
    const VQDocxRunPath::Array found = find(candidates);
    std::erase_if(candidates,
                  [&](const auto& path) { return std::find(found.begin(), found.end(), path) != found.end(); });
  }
  parser.begainPage();
  for (const auto& path : candidates) parser.addRunPathIfNeed(path);
  VQDocxTable::Array tables = parser.createTablesWithPage(*this);
  // The border found is read before endPage forgets it.
  if (parser.pgBorders_offsetFrom() != 0) {
    pgBorders_offsetFrom = parser.pgBorders_offsetFrom();
    pgBorders = parser.pgBorders();
  }
  parser.clearTableLineInvalidRunPaths();
  parser.endPage();
  allTableArray = std::move(tables);

  std::erase_if(allRunPathArray, [](const auto& path) { return path->isTableLine; });
  VQDocxRun::SortByScanIndex(allRunPathArray);
  std::vector<const VQDocxRunText*> owned;
  for (const auto& table : allTableArray) {
    for (const auto& text : table->allRunTextArray()) owned.push_back(text.get());
    for (const auto& sub : table->allSubTableArray())
      for (const auto& text : sub->allRunTextArray()) owned.push_back(text.get());
  }
  std::sort(owned.begin(), owned.end());
  std::erase_if(allRunTextArray,
                [&](const auto& text) { return std::binary_search(owned.begin(), owned.end(), text.get()); });
  updateAllPDFScanIndex();
}

void VQDocxPage::createPageWithColumn() {
  createTextColumSets();
  convertDropCapitals2TextBox();
  createPageSections();
}

void VQDocxPage::removeRepeatedTextBoxText() {
  VQDocxRunText::Array kept;
  for (const auto& box : allRunTextBoxArray) {
    for (const auto& paragraph : box->paragraphArray) {
      for (const auto& line : paragraph->lineArray) {
        VQDocxRunText::Array runs;
        for (const auto& run : line->runTextArray()) {
          const bool repeated = std::any_of(kept.begin(), kept.end(), [&](const auto& earlier) {
            // Runs without a placement (font size 0) are never compared.
            return earlier->ctmInfo.fontSize.height > 0 && earlier->isDuplicateRunText(*run);
          });
          if (repeated) continue;
          runs.push_back(run);
          kept.push_back(run);
        }
        if (runs.size() != line->runTextArray().size()) line->setRunTextArray(std::move(runs));
      }
      std::erase_if(paragraph->lineArray, [](const auto& line) { return line->runTextArray().empty(); });
    }
    std::erase_if(box->paragraphArray, [](const auto& paragraph) { return paragraph->lineArray.empty(); });
  }
  std::erase_if(allRunTextBoxArray,
                [](const auto& box) { return box->paragraphArray.empty() && box->allPageSectionArray.empty(); });
}

void VQDocxPage::insertRunPictArray(const std::vector<std::shared_ptr<VQDocxRunPict>>& picts) {
  if (picts.empty()) return;
  for (const auto& section : allPageSectionArray)
    if (const auto paragraph = section->firstTextParagraph()) {
      paragraph->insertRunPictArray(picts);
      return;
    }
  for (const auto& section : allPageSectionArray)
    if (const auto paragraph = section->firstParagraph()) {
      paragraph->insertRunPictArray(picts);
      return;
    }
  // Floating objects need a paragraph to ride in: a page whose sections have
  // none gets a small blank one at the top of its first section, rather than
  // losing them.
  if (allPageSectionArray.empty()) return;
  VQDocxPageSection& section = *allPageSectionArray.front();
  const auto anchor = section.newAnchorParagraph();
  if (!anchor) return;
  if (section.paragraphGroupArray.empty()) section.paragraphGroupArray.emplace_back();
  auto& colum = section.paragraphGroupArray.front();
  colum.insert(colum.begin(), anchor);
  anchor->insertRunPictArray(picts);
}

void VQDocxPage::writePageBegin() { tableParser_->setSuperPage(this); }

void VQDocxPage::writePageWithXMLWriter(XMLFileWriter& writer) {
  writePDFPageBookmark(writer);
  for (const auto& section : allPageSectionArray)
    if (section) section->writeWithXMLWriter(writer);
}

void VQDocxPage::writePDFPageBookmark(XMLFileWriter& writer) const {
  // The bookmark marks where the page starts in the flowing document, so a
  // reader can jump to "page N" of the output.
  const std::string id = fmt::format("{}", wordPageIndex_);
  writer.writeStartElementWithNamespace(gl_namespace_xmlns_w, "bookmarkStart");
  writer.writeAttributeWithNamespace(gl_namespace_xmlns_w, "id", id);
  writer.writeAttributeWithNamespace(gl_namespace_xmlns_w, "name", id);
  writer.writeEndElement();
  writer.writeStartElementWithNamespace(gl_namespace_xmlns_w, "bookmarkEnd");
  writer.writeAttributeWithNamespace(gl_namespace_xmlns_w, "id", id);
  writer.writeEndElement();
}

void VQDocxPage::writePageEnd() { tableParser_->setSuperPage(nullptr); }

}  // namespace vq

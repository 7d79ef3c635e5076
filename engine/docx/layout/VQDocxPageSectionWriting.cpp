#include <algorithm>
#include <cmath>
#include <typeinfo>

#include "docx/capture/VQDocxProperty.h"
#include "docx/capture/VQDocxRunTab.h"
#include "docx/layout/VQDocxPage.h"
#include "docx/layout/VQDocxPageSection.h"
#include "office/VQDocxUtilities.h"

namespace vq {
namespace {

using Section = VQDocxPageSection;
using Objects = std::vector<std::shared_ptr<VQDocxObject>>;

// Section type of the sections laid out inside a text box.
constexpr int kTextBoxSectionType = 6;
// Section area of the content of a table cell.
constexpr int32_t kTableCellArea = 1;
// Foot room below this is left to the last paragraphs' spacing.
constexpr double kMinFootBlankHeight = 8;

// Alignment and indents that blank paragraphs above or below the content
// take, so that they line up with it.
struct BlankLayout {
  int jc = 0;
  double left = 0;
  double right = 0;
};

double finiteOrZero(double v) { return std::isfinite(v) ? v : 0; }

BlankLayout blankLayout(const Section& section, const std::shared_ptr<VQDocxParagraph>& paragraph) {
  BlankLayout layout;
  if (section.paragraphGroupArray.size() >= 2) {
    layout.left = finiteOrZero(section.columGroupFrame.origin.x - section.sectionFrame.origin.x);
    return layout;
  }
  if (!paragraph) return layout;
  layout.jc = paragraph->pProperty.jc;
  layout.left = finiteOrZero(paragraph->pProperty.ind.left);
  if (layout.jc == 1) {
    const double right = RectGetMaxX(paragraph->columnFrame) - RectGetMaxX(paragraph->contentFrame) - 1;
    // std::round rounds halves away from zero.
    layout.right = finiteOrZero(std::round(right * 100) / 100);
  }
  return layout;
}

void applyBlankLayout(const Section::ParagraphArray& paragraphs, const BlankLayout& layout) {
  for (const auto& paragraph : paragraphs) {
    if (!paragraph) continue;
    paragraph->pProperty.jc = layout.jc;
    paragraph->pProperty.ind.left = static_cast<float>(layout.left);
    paragraph->pProperty.ind.right = static_cast<float>(layout.right);
  }
}

void removePlacedTables(Section::TableArray& pending, const Objects& objects) {
  std::erase_if(pending, [&](const std::shared_ptr<VQDocxTable>& table) {
    return std::find(objects.begin(), objects.end(), table) != objects.end();
  });
}

bool isMultiColumn(const Section& section) { return section.paragraphGroupArray.size() >= 2; }

// The whole page width with some room on both sides: in a single-column
// section a table may reach into the margins.
Rect pageWideFrame(const Rect& sectionFrame, double y, double height) {
  return RectMake(-10, y, 2 * sectionFrame.origin.x + sectionFrame.size.width + 20, height);
}

// Floating tables ride in the first write group of their anchor paragraph,
// ahead of its text, as floating drawings do.
void anchorTable(VQDocxParagraph& paragraph, const std::shared_ptr<VQDocxTable>& table) {
  if (paragraph.writeRunGroupArray.empty()) paragraph.writeRunGroupArray.emplace_back();
  auto& group = paragraph.writeRunGroupArray.front();
  group.insert(group.begin(), table);
}

// What createXMLObjects needs across its steps.
class WriteListBuilder {
 public:
  explicit WriteListBuilder(Section& section) : s_(section), pending_(section.allTableArray) {}

  void build() {
    s_.allWriteXMLObjects.clear();
    std::erase(pending_, nullptr);
    for (const auto& table : pending_) {
      table->setSectProperty(s_.sectProperty());
      table->convertToXMLProperty();
    }
    lineOfColumnsAsOneParagraph();
    holdToFrame();
    headBlanks();
    breakBeforeMultiColumnBody();
    footSpaceOfColumns();
    s_.writeContentWithTableArray(pending_);
    if (hasFootBlanks()) footWithBlanks();
    else footWithoutBlanks();
    const auto fallbackAnchor = ensureAnchorParagraph();
    closingBreak();
    floatPendingTables(fallbackAnchor);
  }

 private:
  Section& s_;
  Section::TableArray pending_;
  bool footDone_ = false;
  bool closingWritten_ = false;

  void append(const std::shared_ptr<VQDocxObject>& object) { s_.allWriteXMLObjects.push_back(object); }
  void append(const Objects& objects) {
    s_.allWriteXMLObjects.insert(s_.allWriteXMLObjects.end(), objects.begin(), objects.end());
  }
  template <class T>
  void appendAll(const std::vector<std::shared_ptr<T>>& objects) {
    s_.allWriteXMLObjects.insert(s_.allWriteXMLObjects.end(), objects.begin(), objects.end());
  }

  // Text boxes and table cells are no place for a w:sectPr: Word refuses
  // the document.
  bool canWriteSectionBreaks() const {
    return s_.sectProperty().type != kTextBoxSectionType && s_.sectionArea != kTableCellArea;
  }

  // Section properties that end the section at the paragraph.
  VQDocx_SectPr closingSectProperty(const std::shared_ptr<VQDocxParagraph>& source) const {
    // Without a paragraph the section's own properties stand in: a record
    // of zeros would give the document a page of no size.
    VQDocx_SectPr sectPr = source ? source->sectProperty : s_.sectProperty();
    sectPr.shouldWrite = 1;
    sectPr.type = 1;
    return sectPr;
  }

  // On every page after the first, the first break the head section writes
  // starts the new page; all other breaks are continuous.
  void applyPageStartRule(VQDocx_SectPr& sectPr) const {
    VQDocxPage* page = s_.superPage;
    if (!page || !s_.isPageHeadSection || s_.isDocumentFirstPage || page->isWriteSectionBreakPage ||
        s_.sectionArea != 0)
      return;
    page->isWriteSectionBreakPage = true;
    sectPr.type = 0;
  }

  // Appends an empty paragraph that carries the section break; answers
  // whether it was written.
  bool appendSectionBreak(const std::shared_ptr<VQDocxParagraph>& source, VQDocx_SectPr sectPr, bool pageStart) {
    if (!canWriteSectionBreaks()) return false;
    if (pageStart) applyPageStartRule(sectPr);
    // The break paragraph shows nothing, so it takes the source's spacing
    // but no indents: LibreOffice carries an empty break paragraph's
    // indents over to the next section's first paragraph, and a right
    // indent taken from a wide column squeezes a narrow column to a
    // character per line.
    VQDocx_PPr pProperty = source ? source->pProperty : VQDocx_PPr{};
    pProperty.ind = VQDocx_Ind{};
    // The break paragraph is a line of the flow too: with the source's
    // spacing it would repeat the source's height below it (a one-line
    // section twice as tall as its line), and a page whose text fits would
    // lose its closing break to a page of its own. It takes the least
    // height a line can have.
    pProperty.spacing.before = 0;
    pProperty.spacing.after = 0;
    pProperty.spacing.line = static_cast<float>(Section::kSectionBreakLine);
    VQDocxSetText(pProperty.spacing.lineRule, "exact");
    VQDocx_RPr rProperty = source ? source->rProperty : VQDocx_RPr{};
    rProperty.sz = rProperty.szCs = static_cast<float>(Section::kSectionBreakLine);
    append(VQDocxProperty::NewWrite1BlankParagraphWithProperty(pProperty, rProperty, sectPr));
    return true;
  }

  // Appends blank paragraphs above or below the content, with the pending
  // tables that stand in their area put among them.
  void appendBlankArea(const Section::ParagraphArray& blanks, const Rect& blankFrame,
                       const Section::ParagraphGroupArray* leading, const Section::ParagraphGroupArray* following) {
    if (pending_.empty()) {
      appendAll(blanks);
      return;
    }
    const auto found = Section::FindBlankParagraphArray(blankFrame, pending_);
    if (found.empty()) {
      appendAll(blanks);
      return;
    }
    const Objects objects = Section::InsertTables(found, blanks, leading, following);
    removePlacedTables(pending_, objects);
    append(objects);
  }

  // The columns are written as tall as the PDF's slice: what their
  // spacing lost, and the section breaks' lines, come out of the room
  // below the content, then out of the blank lines above it.
  void holdToFrame() {
    const double owed = std::isfinite(s_.overflowHeight) ? std::max(s_.overflowHeight, 0.0) : 0;
    double debt = s_.paragraphGroupArray.empty() ? owed : 0;
    for (const auto& colum : s_.paragraphGroupArray) debt = std::max(debt, Section::settleNegativeSpacing(colum, owed));
    if (canWriteSectionBreaks()) debt += Section::kSectionBreakLine * (isMultiColumn(s_) ? 2 : 1);
    if (hasFootBlanks()) {
      const double taken = std::min(debt, s_.footBlankHeight);
      s_.footBlankHeight -= taken;
      debt -= taken;
    }
    if (debt > 0 && !s_.headBlankParagraphArray.empty())
      debt = Section::settleNegativeSpacing(
          Section::ParagraphColum(s_.headBlankParagraphArray.begin(), s_.headBlankParagraphArray.end()), debt);
    s_.overflowHeight = debt;
  }

  // A multi-column section whose every column holds one line is one line
  // of text with wide gaps (often a justified line split at its word gaps).
  // As columns it is a section of its own, and a word processor lays out
  // such a section again whenever one before it changes: pages of them
  // take minutes to open. As one paragraph with tab stops at the columns'
  // text it looks the same and needs no section.
  void lineOfColumnsAsOneParagraph() {
    if (!isMultiColumn(s_) || !s_.headBlankParagraphArray.empty() || !pending_.empty()) return;
    std::vector<std::shared_ptr<VQDocxParagraph>> lines;
    for (const auto& colum : s_.paragraphGroupArray) {
      const auto p = colum.size() == 1 ? Section::FlowParagraph(colum.front()) : nullptr;
      if (!p || p->writeRunGroupArray.size() != 1 || p->paragraphText.empty()) return;
      lines.push_back(p);
    }
    const auto base = lines.front();
    double before = base->pProperty.spacing.before, bottom = 0, total = 0;
    for (const auto& p : lines) {
      const VQDocx_Spacing& sp = p->pProperty.spacing;
      before = std::min<double>(before, sp.before);
      bottom = std::max<double>(bottom, static_cast<double>(sp.before) + sp.line);
      total = std::max<double>(total, static_cast<double>(sp.before) + sp.line + sp.after);
    }
    auto& group = base->writeRunGroupArray.front();
    Rect content = base->contentFrame;
    for (size_t k = 1; k < lines.size(); ++k) {
      const auto& p = lines[k];
      const double x = p->contentFrame.origin.x;
      auto tab = VQDocxRunTab::RunTapWithTabPostion(x, x - RectGetMaxX(lines[k - 1]->contentFrame));
      tab->rProperty = lines[k - 1]->rProperty;
      group.push_back(tab);
      const auto& runs = p->writeRunGroupArray.front();
      group.insert(group.end(), runs.begin(), runs.end());
      base->paragraphText += "\t" + p->paragraphText;
      base->lineArray.insert(base->lineArray.end(), p->lineArray.begin(), p->lineArray.end());
      content = RectUnion(content, p->contentFrame);
    }
    base->contentFrame = content;
    base->columnFrame.origin.x = s_.sectionFrame.origin.x;
    base->columnFrame.size.width = s_.sectionFrame.size.width;
    base->pProperty.spacing.before = static_cast<float>(before);
    base->pProperty.spacing.line = static_cast<float>(bottom - before);
    base->pProperty.spacing.after = static_cast<float>(total - bottom);
    s_.setCols(VQDocxUtilities::defaultColsProperty(), {{static_cast<float>(s_.sectionFrame.size.width), 0}});
    base->sectProperty.cols = s_.sectProperty().cols;
    s_.paragraphGroupArray = {{base}};
  }

  void headBlanks() {
    const auto& heads = s_.headBlankParagraphArray;
    if (heads.empty()) return;
    applyBlankLayout(heads, blankLayout(s_, s_.firstParagraph()));
    appendBlankArea(heads, Section::FrameOfParagraphArray(heads, true), nullptr, &s_.paragraphGroupArray);
  }

  void breakBeforeMultiColumnBody() {
    if (!isMultiColumn(s_)) return;
    if (!s_.headBlankParagraphArray.empty()) {
      // The head blank paragraphs form a single-column section of their own.
      const auto source = s_.headBlankParagraphArray.back();
      VQDocx_SectPr sectPr = closingSectProperty(source);
      sectPr.cols.num = 1;
      appendSectionBreak(source, sectPr, true);
      return;
    }
    const auto& previous = s_.previousPageSection;
    if (!previous) return;
    // A section written as one line has one paragraph group, whatever
    // columns it was found with.
    if (previous->paragraphGroupArray.size() != 1 && previous->footBlankParagraphArray.empty()) return;
    if (previous->isPageHeadSection && !previous->isDocumentFirstPage) return;
    const auto source = previous->lastParagraph();
    VQDocx_SectPr sectPr = closingSectProperty(source);
    sectPr.cols.num = 1;
    appendSectionBreak(source, sectPr, false);
  }

  // The smallest room below the columns' last paragraphs is the room below
  // the whole multi-column part.
  void footSpaceOfColumns() {
    if (!isMultiColumn(s_)) return;
    std::vector<std::shared_ptr<VQDocxParagraph>> lasts;
    for (const auto& colum : s_.paragraphGroupArray) {
      std::shared_ptr<VQDocxParagraph> last;
      for (auto it = colum.rbegin(); it != colum.rend() && !last; ++it)
        if (auto paragraph = std::dynamic_pointer_cast<VQDocxParagraph>(*it);
            paragraph && !paragraph->sectProperty.shouldWrite)
          last = paragraph;
      lasts.push_back(last);
    }
    size_t chosen = 0;
    double smallest = 0;
    for (size_t k = 0; k < lasts.size(); ++k) {
      const double after = lasts[k] ? lasts[k]->pProperty.spacing.after : 0;
      if (k == 0 || after < smallest) {
        smallest = after;
        chosen = k;
      }
    }
    s_.footBlankHeight += finiteOrZero(smallest);
    const bool small = s_.footBlankHeight < kMinFootBlankHeight;
    for (size_t k = 0; k < lasts.size(); ++k) {
      if (!lasts[k]) continue;
      lasts[k]->pProperty.spacing.after = small && k == chosen ? static_cast<float>(s_.footBlankHeight) : 0.0f;
    }
    if (small) s_.footBlankHeight = 0;
  }

  bool hasFootBlanks() const {
    return s_.footBlankHeight > 1 && (!s_.isPageFootSection || s_.sectProperty().vAlign == 2);
  }

  void footWithBlanks() {
    s_.createFootBlankParagraphArray();
    const auto last = s_.lastParagraph();
    if (isMultiColumn(s_)) {
      // Ends the multi-column part; the foot blank paragraphs follow it.
      if (appendSectionBreak(last, closingSectProperty(last), s_.headBlankParagraphArray.empty()))
        closingWritten_ = true;
    }
    const auto& foots = s_.footBlankParagraphArray;
    applyBlankLayout(foots, blankLayout(s_, last));
    const Rect frame = isMultiColumn(s_)
                           ? Section::FrameOfParagraphArray(foots, true)
                           : pageWideFrame(s_.sectionFrame, s_.sectionFrame.origin.y, s_.sectionFrame.size.height);
    appendBlankArea(foots, frame, &s_.paragraphGroupArray, nullptr);
    footDone_ = true;
  }

  void footWithoutBlanks() {
    if (!(s_.footBlankHeight > 1) || pending_.empty()) return;
    const auto source = s_.lastParagraph();
    if (isMultiColumn(s_)) {
      appendSectionBreak(source, closingSectProperty(source), true);
      footDone_ = true;
    }
    const Rect& frame = s_.sectionFrame;
    const double y = RectGetMaxY(frame) - s_.footBlankHeight;
    const Rect area = isMultiColumn(s_) ? RectMake(frame.origin.x, y, frame.size.width, s_.footBlankHeight)
                                        : pageWideFrame(frame, y, s_.footBlankHeight);
    auto found = Section::FindBlankParagraphArray(area, pending_);
    if (found.empty()) return;
    const Objects objects =
        Section::CreateParagraphsAndTables(found, true, area, source, &s_.paragraphGroupArray, nullptr);
    removePlacedTables(pending_, objects);
    if (found.empty()) {
      append(objects);
      return;
    }
    // The placed tables with the blank lines that set them down; the room
    // below the last one is the page's own. (Inline tables follow the
    // blank lines above them: stopping at the first blank line would drop
    // them, and their cells' text with them.)
    size_t end = 0;
    for (size_t k = 0; k < objects.size(); ++k)
      if (std::dynamic_pointer_cast<VQDocxTable>(objects[k])) end = k + 1;
    for (size_t k = 0; k < end; ++k) append(objects[k]);
  }

  // A table that floats needs a paragraph to ride in. A section without
  // one gets a small blank paragraph at the end of its content, so that
  // the table is written instead of lost.
  std::shared_ptr<VQDocxParagraph> ensureAnchorParagraph() {
    auto first = s_.firstParagraph();
    if (pending_.empty() || (first && !first->isCanIgnore())) return first;
    const bool needed = std::any_of(pending_.begin(), pending_.end(),
                                    [&](const auto& table) { return !s_.insertParagraph(table->bounds.origin); });
    if (!needed) return first;
    const auto anchor = s_.newAnchorParagraph();
    if (!anchor) return first;
    if (s_.paragraphGroupArray.empty()) s_.paragraphGroupArray.emplace_back();
    s_.paragraphGroupArray.back().push_back(anchor);
    append(anchor);
    return anchor;
  }

  void closingBreak() {
    if (!canWriteSectionBreaks()) return;
    const auto source = s_.lastParagraph();
    if (s_.isDocumentLastPage && s_.isPageFootSection) {
      // The document's last section property stands alone at the end of the body.
      VQDocx_SectPr sectPr = s_.sectProperty();
      sectPr.shouldWrite = 1;
      sectPr.type = 1;
      if (!footDone_) applyPageStartRule(sectPr);
      append(VQDocxProperty::NewWriteSectProperty(sectPr));
      return;
    }
    if (!footDone_ && isMultiColumn(s_)) {
      appendSectionBreak(source, closingSectProperty(source), s_.headBlankParagraphArray.empty());
      return;
    }
    if (s_.isDocumentFirstPage) {
      if (s_.isPageFootSection) appendSectionBreak(source, closingSectProperty(source), false);
      return;
    }
    if (s_.isPageHeadSection && s_.isPageFootSection) {
      appendSectionBreak(source, closingSectProperty(source), true);
    } else if (s_.isPageHeadSection) {
      if (!closingWritten_) appendSectionBreak(source, closingSectProperty(source), true);
    } else if (s_.isPageFootSection) {
      appendSectionBreak(source, closingSectProperty(source), false);
    }
  }

  void floatPendingTables(const std::shared_ptr<VQDocxParagraph>& fallbackAnchor) {
    for (const auto& table : pending_) {
      table->changeXMLPropertyTextWrappingToFloatTextBox();
      if (const auto anchor = s_.insertParagraph(table->bounds.origin)) {
        table->setTextBoxRelativeParagraph(anchor);
        anchorTable(*anchor, table);
      } else if (fallbackAnchor) {
        anchorTable(*fallbackAnchor, table);
      }
    }
  }
};

}  // namespace

void VQDocxPageSection::createXMLObjects() { WriteListBuilder(*this).build(); }

void VQDocxPageSection::writeWithXMLWriter(XMLFileWriter& writer) {
  for (const auto& object : allWriteXMLObjects) {
    if (!object) continue;
    // Plain paragraphs that show nothing and carry nothing are left out.
    if (typeid(*object) == typeid(VQDocxParagraph) && static_cast<const VQDocxParagraph&>(*object).isCanIgnore())
      continue;
    object->writeWithXMLWriter(writer);
  }
}

}  // namespace vq

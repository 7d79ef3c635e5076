#include "docx/layout/VQDocxPage.h"

#include <gtest/gtest.h>

#include "PlacedPathRun.h"

#include "office/OfficeTestSupport.h"
#include "office/docx/VQDocxDocument.h"
#include "support/TestSupport.h"

using vq::VQDocxPage;

namespace {

const vq::AffineTransform kTransform{1, 0, 0, -1, -10, 800};

VQDocxPage makePage(int64_t wordPageIndex, int64_t pdfPageIndex) {
  return VQDocxPage(612, 792, kTransform, pdfPageIndex, wordPageIndex, false, false);
}

// A section stand-in that shows where the page writes it.
struct MarkSection : vq::VQDocxPageSection {
  explicit MarkSection(std::string name) : name(std::move(name)) {}
  void writeWithXMLWriter(vq::XMLFileWriter& w) override {
    w.writeStartElementWithNamespace(vq::gl_namespace_xmlns_w, name);
    w.writeEndElement();
  }
  std::string name;
};

template <class R>
std::shared_ptr<R> run(uint64_t scanIndex, bool mask = false) {
  auto r = std::make_shared<R>();
  r->setPdfScanIndex(scanIndex);
  r->isExtGStateSMask = mask;
  return r;
}

}  // namespace

TEST(VQDocxPageTest, WritesItsBookmarkThenItsSections) {
  auto page = makePage(12, 3);
  EXPECT_EQ(vqtest::writeXML([&](vq::XMLFileWriter& w) { page.writePageWithXMLWriter(w); }),
            R"(<w:bookmarkStart w:id="12" w:name="12"/><w:bookmarkEnd w:id="12"/>)")
      << "named after the output position, not the PDF page";
  page.allPageSectionArray = {std::make_shared<MarkSection>("p"), std::make_shared<MarkSection>("tbl")};
  EXPECT_EQ(vqtest::writeXML([&](vq::XMLFileWriter& w) { page.writePageWithXMLWriter(w); }),
            R"(<w:bookmarkStart w:id="12" w:name="12"/><w:bookmarkEnd w:id="12"/><w:p/><w:tbl/>)");
}

TEST(VQDocxPageTest, TableFinderKnowsThePageOnlyWhileItIsWritten) {
  auto page = makePage(1, 1);
  EXPECT_EQ(page.tableParser().superPage(), nullptr);
  page.writePageBegin();
  EXPECT_EQ(page.tableParser().superPage(), &page);
  page.writePageEnd();
  EXPECT_EQ(page.tableParser().superPage(), nullptr);
}

TEST(VQDocxPageTest, NewPageAndItsCopy) {
  VQDocxPage page(300.5, 7, kTransform, 4, 9, true, false);
  EXPECT_EQ(page.sectProperty.shouldWrite, 1);
  EXPECT_EQ(page.sectProperty.type, 1) << "a continuous section per page";
  EXPECT_FLOAT_EQ(page.pageWidth(), 300.5);
  EXPECT_FLOAT_EQ(page.pageHeight(), 7);
  EXPECT_EQ(page.pgBorders_offsetFrom, 0);
  EXPECT_EQ(page.pgBorders.top.val, 0);
  EXPECT_EQ(page.pg_pageRunCount, 0);
  EXPECT_EQ(page.pg_pictZIndex, vq::VQDocxPictZIndexStart);
  EXPECT_EQ(page.pg_textBoxZIndex, vq::VQDocxTextBoxZIndexStart);
  EXPECT_EQ(page.pg_minFontSize, 12.0);
  EXPECT_EQ(page.localizedLanguage, "en-US");

  page.sectProperty.pgMar.left = 33;
  page.pgBorders.top.val = 2;
  page.pgBorders_offsetFrom = 2;
  page.allRunTextArray.push_back(run<vq::VQDocxRunText>(0));
  page.nextRunScanIndex();
  page.localizedLanguage = "zh-CN";
  const auto copy = page.clone();
  EXPECT_FLOAT_EQ(copy->pageWidth(), 300.5);
  EXPECT_FLOAT_EQ(copy->pageHeight(), 7);
  EXPECT_EQ(copy->sectProperty.pgMar.left, 33);
  EXPECT_EQ(copy->pgBorders.top.val, 2);
  EXPECT_EQ(copy->pdfPageIndex(), 4);
  EXPECT_EQ(copy->wordPageIndex(), 9);
  EXPECT_TRUE(copy->isFirstPage());
  EXPECT_FALSE(copy->isLastPage());
  EXPECT_EQ(copy->currentPageTransform(), kTransform);
  EXPECT_TRUE(copy->allRunTextArray.empty()) << "a copy has no runs";
  EXPECT_EQ(copy->pg_pageRunCount, 0);
  EXPECT_EQ(copy->pgBorders_offsetFrom, 0);
  EXPECT_EQ(copy->localizedLanguage, "en-US");
}

TEST(VQDocxPageTest, CountersBelongToEachPage) {
  auto first = makePage(1, 1), second = makePage(2, 2);
  EXPECT_EQ(first.nextPictZIndex(), vq::VQDocxPictZIndexStart);
  EXPECT_EQ(first.nextPictZIndex(), vq::VQDocxPictZIndexStart + 1);
  EXPECT_EQ(first.nextTextBoxZIndex(), vq::VQDocxTextBoxZIndexStart);
  EXPECT_EQ(first.nextRunScanIndex(), 0);
  EXPECT_EQ(first.nextRunScanIndex(), 1);
  EXPECT_EQ(second.nextPictZIndex(), vq::VQDocxPictZIndexStart) << "pages share no counter";
  EXPECT_EQ(second.nextTextBoxZIndex(), vq::VQDocxTextBoxZIndexStart);
  EXPECT_EQ(second.nextRunScanIndex(), 0);
}

// Soft-mask content leaves the page, and the runs left are numbered 0, 1, 2,
// ... in the order they were painted, whatever numbers the capture gave them.
TEST(VQDocxPageTest, ProcessingDropsSoftMasksAndNumbersRunsInPaintOrder) {
  auto page = makePage(1, 1);
  auto text9 = run<vq::VQDocxRunText>(9), text2 = run<vq::VQDocxRunText>(2);
  auto image5 = run<vq::VQDocxRunImage>(5), maskImage = run<vq::VQDocxRunImage>(6, true);
  // A drawn box: the graphics clean-up drops paths with nothing to show.
  auto path30 = vqtest::PlacedPathRun(vq::RectMake(300, 400, 100, 50)), maskPath = run<vq::VQDocxRunPath>(1, true);
  path30->setPdfScanIndex(30);
  auto box7 = run<vq::VQDocxRunTextBox>(7);
  // Visible text on lines of their own, so that the text layout keeps both.
  for (const auto& [text, y] : {std::pair{text9, 100.0}, std::pair{text2, 300.0}}) {
    text->setRunText("x");
    text->ctmInfo.yBase = y;
    text->ctmInfo.frame = vq::RectMake(72, y - 8, 6, 10);
  }
  page.allRunTextArray = {text9, text2};
  page.allRunImageArray = {maskImage, image5};
  page.allRunPathArray = {path30, maskPath};
  page.allRunTextBoxArray = {box7};
  page.processPDFPage();
  EXPECT_EQ(page.allRunImageArray, (std::vector<std::shared_ptr<vq::VQDocxRunImage>>{image5}));
  EXPECT_EQ(page.allRunPathArray, (vq::VQDocxRunPath::Array{path30}));
  EXPECT_EQ(text2->pdfScanIndex(), 0u);
  EXPECT_EQ(image5->pdfScanIndex(), 1u);
  EXPECT_EQ(box7->pdfScanIndex(), 2u);
  EXPECT_EQ(text9->pdfScanIndex(), 3u);
  EXPECT_EQ(path30->pdfScanIndex(), 4u);
  EXPECT_EQ(page.allRunTextArray.front(), text2) << "text runs are kept in text order";
  EXPECT_EQ(text2->textScanIndex, 0u);
  EXPECT_EQ(text9->textScanIndex, 1u);
  EXPECT_TRUE(page.isWriteSectionBreakPage) << "the page's one section starts it";
}

// A page that is replaced by another capture of the same PDF page takes back
// what it registered, so the package carries only the kept capture's files.
TEST(VQDocxPageTest, DroppedPageTakesBackItsImages) {
  vqtest::ScratchDir dir;
  auto document = vq::VQDocxDocument::initWithPath((dir / "out.docx").string(), 1);
  document->writeDocumentBegin();
  const auto relationships = document->docxRelationships().size();
  auto kept = makePage(1, 1);
  kept.setDocumentHandle(document);
  const std::string keptID = kept.collectImageWithPath((dir / "kept.png").string());
  EXPECT_FALSE(keptID.empty());

  auto dropped = makePage(1, 1);
  dropped.setDocumentHandle(document);
  dropped.collectImageWithPath((dir / "a.png").string());
  dropped.collectImageWithPath((dir / "a.png").string());
  dropped.collectImageWithPath((dir / "b.png").string());
  EXPECT_EQ(dropped.collectedImagePaths().size(), 2u) << "a file registered again is one registration";
  EXPECT_EQ(document->docxMediaCollection().size(), 3u);
  dropped.removeAllCollectedImages();
  EXPECT_TRUE(dropped.collectedImagePaths().empty());
  EXPECT_EQ(document->docxMediaCollection(), std::vector<std::string>{(dir / "kept.png").string()});
  EXPECT_EQ(document->docxRelationships().size(), relationships + 1);

  auto alone = makePage(1, 1);
  EXPECT_EQ(alone.collectImageWithPath("x.png"), "") << "no document, nothing to register with";
  alone.removeAllCollectedImages();
}

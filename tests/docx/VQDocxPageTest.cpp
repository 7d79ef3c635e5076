#include "docx/layout/VQDocxPage.h"

#include <gtest/gtest.h>

#include "docx/capture/VQDocxPDFPageParser.h"
#include "office/OfficeTestSupport.h"

using vq::VQDocxPage;

TEST(VQDocxPageTest, WritesItsBookmarkWithoutDeclarations) {
  VQDocxPage page(12, 3);
  const std::string xml = vqtest::writeXML([&](vq::XMLFileWriter& w) { page.writePageWithXMLWriter(w); });
  EXPECT_EQ(xml, R"(<w:bookmarkStart w:id="12" w:name="12"/><w:bookmarkEnd w:id="12"/>)");
}

TEST(VQDocxPageTest, ZOrderCountersBelongToEachPage) {
  VQDocxPage first(1, 1), second(2, 2);
  EXPECT_EQ(first.nextPictZIndex(), vq::VQDocxPictZIndexStart);
  EXPECT_EQ(first.nextPictZIndex(), vq::VQDocxPictZIndexStart + 1);
  EXPECT_EQ(first.nextTextBoxZIndex(), vq::VQDocxTextBoxZIndexStart);
  EXPECT_EQ(second.nextPictZIndex(), vq::VQDocxPictZIndexStart) << "pages share no counter";
  EXPECT_EQ(second.nextTextBoxZIndex(), vq::VQDocxTextBoxZIndexStart);
}

TEST(VQDocxPageCorpus, ParserMakesThePageOfItsPosition) {
  vq::VQPDFOptions options;
  options.threadMax = 7;
  vq::VQDocxPDFPageParser parser(nullptr, options);
  EXPECT_EQ(parser.moreOptions(), options) << "the conversion's options come through the constructor";
  EXPECT_FALSE(parser.convertPDFPage(std::nullopt, 1, true, true));
  EXPECT_FALSE(parser.currentPage());
  auto document = vq::pdf::Document::open(vqtest::corpusFile("fonts-type3.pdf").string(), "");
  ASSERT_TRUE(document);
  ASSERT_TRUE(parser.convertPDFPage(document->page(3), 7, false, true));
  ASSERT_TRUE(parser.currentPage());
  EXPECT_EQ(parser.currentPage()->wordPageIndex(), 7);
  EXPECT_EQ(parser.currentPage()->pdfPageIndex(), 3);
}

// The annotated files of the corpus, every page parsed with its annotations.
#include <gtest/gtest.h>

#include "AnnotTestSupport.h"
#include "platform/pdf/PdfDocument.h"
#include "support/TestSupport.h"

namespace {

TEST(VQPDFAnnotCorpus, AnnotatedFilesParseWithAnnotations) {
  vq::VQPDFAnnotCollection::InstallAnnotationWalker();
  size_t annotations = 0;
  for (const char* name : {"annots-links-jpeg.pdf", "columns-multicol.pdf", "tables-colortbl.pdf"}) {
    SCOPED_TRACE(name);
    auto document = vq::pdf::Document::open(vqtest::corpusFile(name).string(), "");
    ASSERT_NE(document, nullptr);
    for (int n = 1; n <= document->pageCount(); ++n) {
      auto page = document->page(n);
      ASSERT_TRUE(page.has_value());
      vq::VQPDFAnnotCollection collection(page->dictionary().get("Annots"), n);
      annotations += collection.annots.size();
      size_t depth[2] = {};
      size_t reports[2] = {};
      for (int on = 0; on < 2; ++on) {
        vqtest::AnnotRecorder recorder;
        auto parser = vq::VQPDFConentParser::ParserWithPage(*page);
        parser->setDelegate(&recorder);
        parser->setIsParserAnnots(on);
        parser->startParser();
        depth[on] = parser->renderingStateStack()->depth();
        reports[on] = recorder.reports.size();
      }
      EXPECT_EQ(depth[1], depth[0]) << "page " << n;
      EXPECT_GE(reports[1], reports[0]) << "page " << n;
    }
  }
  // Links and notes: hundreds of them, none drawn as geometry of its own.
  EXPECT_GT(annotations, 400u);
}

}  // namespace

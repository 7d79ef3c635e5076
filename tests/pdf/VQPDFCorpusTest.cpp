// Every page of every corpus file runs through the interpreter without a
// crash or a hang, and pages with text report text.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "fonts/VQPDFFont.h"
#include "pdf/VQPDFConentParser.h"
#include "platform/pdf/PdfDocument.h"
#include "support/TestSupport.h"

namespace {

class Counter : public vq::VQPDFConentParserDelegate {
 public:
  size_t texts = 0, paths = 0, images = 0, others = 0;
  void didScanTextTextOffset(vq::VQPDFConentParser* p, const std::string& text, const vq::Size&) override {
    ++texts;
    EXPECT_FALSE(text.empty());
    EXPECT_NE(p->currentRenderingState().font, nullptr);
  }
  void didScanPathStrokeFill(vq::VQPDFConentParser*, const vq::Path& path, bool, bool) override {
    ++paths;
    EXPECT_FALSE(path.isEmpty());
  }
  void didScanPatternPathStrokeFill(vq::VQPDFConentParser*, const vq::Path&, bool, bool) override { ++others; }
  void didScanPaintShading(vq::VQPDFConentParser*, const std::shared_ptr<vq::VQPDFShading>&) override { ++others; }
  void didScanXObjectImage(vq::VQPDFConentParser*, const std::shared_ptr<vq::VQPDFImageXObject>&) override { ++images; }
};

}  // namespace

TEST(VQPDFConentParserCorpus, EveryPageRuns) {
  auto files = vqtest::corpusFiles();
  ASSERT_FALSE(files.empty());
  for (const auto& file : files) {
    SCOPED_TRACE(file.filename().string());
    std::string name = file.filename().string();
    std::string password = vqtest::corpusPassword(name);
    vq::pdf::OpenError error = vq::pdf::OpenError::None;
    auto document = vq::pdf::Document::open(file.string(), password, &error);
    ASSERT_NE(document, nullptr);
    Counter counter;
    for (int n = 1; n <= document->pageCount(); ++n) {
      auto page = document->page(n);
      ASSERT_TRUE(page.has_value());
      auto parser = vq::VQPDFConentParser::ParserWithPage(*page);
      // The interpreter alone: annotations are drawn by their own module.
      parser->setIsParserAnnots(0);
      parser->setDelegate(&counter);
      parser->startParser();
      parser->setDelegate(nullptr);
      EXPECT_EQ(parser->renderingStateStack()->floor(), 0u);
    }
    EXPECT_GT(counter.texts + counter.paths + counter.images + counter.others, 0u);
  }
}

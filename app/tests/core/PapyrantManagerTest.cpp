#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>

#include "core/AppTestSupport.h"
#include "core/ScriptedEngine.h"
#include "core/VQMainQueueBinding.h"
#include "core/VQPapyrantManager.h"
#include "support/TestSupport.h"

using namespace vq::app;
using vqtest::Log;
using vqtest::ScriptedEngine;

namespace {

class RecordingDelegate : public VQPapyrantManagerDelegate {
 public:
  explicit RecordingDelegate(Log& log) : log_(log) {}
  void willStartConversion(VQPapyrantManager*) override { log_.push_back("will start"); }
  void didStartConversionWithError(VQPapyrantManager*, const VQSourceFileItemRef& item,
                                   const std::optional<vq::VQError>&) override {
    log_.push_back("start " + name(item));
  }
  void didConversionToPageIndexToTotalPages(VQPapyrantManager*, const VQSourceFileItemRef& item, uint64_t done,
                                            uint64_t total) override {
    log_.push_back("page " + name(item) + " " + std::to_string(done) + "/" + std::to_string(total));
  }
  void didConversionPdfPageIndexFaildWithError(VQPapyrantManager*, const VQSourceFileItemRef& item, uint64_t page,
                                               const vq::VQError&) override {
    log_.push_back("page failed " + name(item) + " " + std::to_string(page));
  }
  void didConversionWillSaveDoc(VQPapyrantManager*, const VQSourceFileItemRef& item, const QString&) override {
    log_.push_back("save " + name(item));
  }
  void didConversionCatchException(VQPapyrantManager*, const VQSourceFileItemRef& item,
                                   const vq::VQException&) override {
    log_.push_back("exception " + name(item));
  }
  void didEndConversionWithError(VQPapyrantManager*, const VQSourceFileItemRef& item,
                                 const std::optional<vq::VQError>& error) override {
    log_.push_back("end " + name(item) + (error ? " " + std::to_string(error->code) : ""));
  }
  void didEndConversion(VQPapyrantManager*) override {
    log_.push_back("batch end");
    ++batchEnds;
  }
  int batchEnds = 0;

 private:
  static std::string name(const VQSourceFileItemRef& item) { return item->fileName().toStdString(); }
  Log& log_;
};

class PapyrantManagerTest : public vqtest::ScriptedEnginesTest {
 protected:
  void SetUp() override {
    ScriptedEnginesTest::SetUp();
    manager = makeManager();
    manager->setDelegate(&delegate);
  }
  // Items named a.pdf, b.pdf, … converting to `format`.
  std::vector<VQSourceFileItemRef> items(int count, const QString& format = "UTF-8 Plain Text(.txt)") {
    std::vector<VQSourceFileItemRef> list;
    for (int i = 0; i < count; ++i) {
      auto item = VQSourceFileItem::initWithPath(writeFile(QString("%1.pdf").arg(QChar('a' + i)), "x"));
      item->setSettings_outputFormat(format);
      list.push_back(item);
    }
    return list;
  }

  RecordingDelegate delegate{log};
  std::unique_ptr<VQPapyrantManager> manager;
};

TEST_F(PapyrantManagerTest, EmptyListEndsAtOnceWithoutTheEngine) {
  EXPECT_TRUE(manager->startConversion());
  EXPECT_EQ(log, (Log{"will start", "batch end"}));
  EXPECT_FALSE(manager->isConverting());
}

// Items run in list order; each starts only from the previous one's end
// report, and each keeps its own result.
TEST_F(PapyrantManagerTest, ItemsConvertInOrderAndKeepTheirOwnResults) {
  auto list = items(3);
  manager->setMa_sourceItems(list);
  ASSERT_TRUE(manager->startConversion());
  papyrant->page(1, 2);
  papyrant->fail(2);
  papyrant->save();
  papyrant->end();
  papyrant->exception();
  EXPECT_EQ(log.back(), "exception b.pdf");
  EXPECT_EQ(manager->currentConvertItem(), list[1]);
  papyrant->end(vq::VQError::make(405, "Can't load the PDF Document."));
  papyrant->end();
  EXPECT_EQ(log, (Log{"will start", "single convert a.pdf txt", "start a.pdf", "page a.pdf 1/2", "page failed a.pdf 2",
                      "save a.pdf", "end a.pdf", "single convert b.pdf txt", "start b.pdf", "exception b.pdf",
                      "end b.pdf 405", "single convert c.pdf txt", "start c.pdf", "end c.pdf", "batch end"}));
  EXPECT_FALSE(list[0]->conversionError);
  ASSERT_TRUE(list[1]->conversionError);
  EXPECT_EQ(list[1]->conversionError->code, 405);
  EXPECT_FALSE(list[2]->conversionError);
  EXPECT_FALSE(manager->isConverting());
}

TEST_F(PapyrantManagerTest, FormatsChooseTheirEngine) {
  const std::vector<std::pair<const char*, const char*>> rows = {
      {"Microsoft Word(.docx)", "multi convert a.pdf docx"},
      {"Microsoft PowerPoint(.pptx)", "multi convert a.pdf pptx"},
      {"Microsoft Excel(.xlsx)", "multi convert a.pdf xlsx"},
      {"Comma-Separated Values(.csv)", "multi convert a.pdf csv"},
      {"Web Source File(.html)", "single convert a.pdf html"},
      {"Rich Text File(.rtf)", "single convert a.pdf rtf"},
      {"Image Files(JPEG, PNG, etc.)", "single convert a.pdf jpeg"},
  };
  for (const auto& [format, call] : rows) {
    log.clear();
    manager->setMa_sourceItems(items(1, format));
    ASSERT_TRUE(manager->startConversion());
    EXPECT_EQ(log.at(1), call);
    (QString(call).startsWith("multi") ? mutliThread : papyrant)->end();
    EXPECT_EQ(log.back(), "batch end");
  }
  EXPECT_EQ(mutliThread->lastOptions.threadMax, 5);
}

// Cancelling during item 2 of 5: item 2 ends cancelled, 3 to 5 never start.
// Until the engine's end report the manager is stopping, and a new start is
// refused, so the busy engine is never asked for a second conversion.
TEST_F(PapyrantManagerTest, StopWaitsForTheEnginesEndReport) {
  auto list = items(5);
  manager->setMa_sourceItems(list);
  ASSERT_TRUE(manager->startConversion());
  papyrant->end();
  manager->stopConversion();
  EXPECT_TRUE(manager->isStopping());
  EXPECT_TRUE(papyrant->stopAsked);
  EXPECT_TRUE(mutliThread->stopAsked);
  EXPECT_FALSE(manager->startConversion());
  EXPECT_EQ(delegate.batchEnds, 0);
  papyrant->end(vq::VQError::make(406, "Conversion has been canceled."));
  EXPECT_EQ(delegate.batchEnds, 1);
  EXPECT_EQ(manager->state(), VQPapyrantManager::State::Idle);
  EXPECT_EQ(std::count_if(log.begin(), log.end(), [](const std::string& l) { return l.find("convert") != l.npos; }), 2);
  EXPECT_EQ(list[1]->conversionError->code, 406);
  EXPECT_FALSE(list[2]->conversionError);
  EXPECT_TRUE(list[2]->outputPath().isEmpty());
  // Once the engine has ended, a new batch starts.
  EXPECT_TRUE(manager->startConversion());
  EXPECT_EQ(log.back(), "start a.pdf");
}

// Preferences are read as each item starts.
TEST_F(PapyrantManagerTest, PreferencesApplyToItemsStartingAfterTheChange) {
  manager->setMa_sourceItems(items(2));
  VQUserDefaults::set(kImageDPI, 300);
  VQUserDefaults::set(kParserPDFAnnotsAction, false);
  ASSERT_TRUE(manager->startConversion());
  EXPECT_EQ(papyrant->lastOptions.imageDPI(), 300);
  EXPECT_EQ(papyrant->lastOptions.isParserAnnots, 0);
  VQUserDefaults::set(kImageDPI, 5000);
  papyrant->end();
  EXPECT_EQ(papyrant->lastOptions.imageDPI(), 600);
  papyrant->end();
}

TEST_F(PapyrantManagerTest, PageRangeTravelsToTheEngine) {
  auto list = items(1);
  list[0]->settings_pageRangeType = 1;
  list[0]->settings_customPageRange = "3,1";
  manager->setMa_sourceItems(list);
  ASSERT_TRUE(manager->startConversion());
  // The scratch file does not open, so every page is out of the document.
  EXPECT_TRUE(papyrant->lastPages.empty());
  papyrant->end(vq::VQError::make(405, "Can't load the PDF Document."));
}

// A range that names none of the document's pages ends its item with an
// error instead of an empty output; the batch goes on.
TEST_F(PapyrantManagerTest, RangeWithoutPagesEndsTheItemUnconverted) {
  const std::string pdf =
      vqtest::BuildPDF({"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 100 100] >>"});
  auto empty = VQSourceFileItem::initWithPath(writeFile("one.pdf", QByteArray::fromStdString(pdf)));
  empty->settings_pageRangeType = 1;
  empty->settings_customPageRange = "5-9";
  auto list = items(1);
  list.insert(list.begin(), empty);
  manager->setMa_sourceItems(list);
  ASSERT_TRUE(manager->startConversion());
  EXPECT_EQ(log, (Log{"will start", "end one.pdf 401", "single convert a.pdf txt", "start a.pdf"}));
  EXPECT_EQ(QString::fromStdString(empty->conversionError->reason), kNoPagesInRange);
  EXPECT_TRUE(empty->conversionOptions().endsWith("Failed: no page of the document is in the range"));
  papyrant->end();
}

// The real engine through the manager: the first two pages of a corpus file
// to page images and to a Word document, with the reports arriving through
// the Qt event loop.
TEST(PapyrantManagerRealEngineTest, ConvertsCorpusPagesToPngAndDocx) {
  vqtest::ScratchSettings scratch;
  VQUserDefaults::set(kOpenFileAfterConversion, false);
  bindMainQueueToQtEventLoop();

  const QString source = QString::fromStdString(vqtest::corpusFile("text-distiller.pdf").string());
  std::vector<VQSourceFileItemRef> list;
  for (const char* format : {"Image Files(JPEG, PNG, etc.)", "Microsoft Word(.docx)"}) {
    auto item = VQSourceFileItem::initWithPath(source);
    item->setSettings_outputFormat(format);
    item->setSettings_outputFormat_imageType("PNG Image File(.png)");
    item->settings_pageRangeType = 1;
    item->settings_customPageRange = "1-2";
    list.push_back(item);
  }
  Log log;
  QEventLoop loop;
  struct Quitter : RecordingDelegate {
    using RecordingDelegate::RecordingDelegate;
    QEventLoop* loop = nullptr;
    void didEndConversion(VQPapyrantManager* m) override {
      RecordingDelegate::didEndConversion(m);
      loop->quit();
    }
  } quitter(log);
  quitter.loop = &loop;
  {
    VQPapyrantManager manager;
    manager.setDelegate(&quitter);
    manager.setMa_sourceItems(list);
    ASSERT_TRUE(manager.startConversion());
    // Only a guard against a hang; the test does not time anything.
    QTimer::singleShot(240000, &loop, [&] { loop.exit(1); });
    ASSERT_EQ(loop.exec(), 0) << "the batch did not end";
  }
  unbindMainQueueFromQtEventLoop();

  EXPECT_EQ(log.front(), "will start");
  EXPECT_EQ(log.back(), "batch end");
  for (const char* expected : {"save text-distiller.pdf", "end text-distiller.pdf"})
    EXPECT_EQ(std::count(log.begin(), log.end(), expected), 2) << expected;
  for (auto& item : list) {
    EXPECT_FALSE(item->conversionError) << item->conversionError->description();
    EXPECT_TRUE(item->outputFileIconEnable()) << item->outputPath().toStdString();
    EXPECT_TRUE(item->conversionOptions().endsWith("Success!"));
  }
  EXPECT_TRUE(list[0]->outputPath().endsWith("text-distiller.png"));
  EXPECT_TRUE(list[1]->outputPath().endsWith("text-distiller.docx"));
  EXPECT_GT(QFileInfo(list[1]->outputPath()).size(), 1000);
}

}  // namespace

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QUrl>
#include <QUrlQuery>
#include <QUuid>

#include "core/AppTestSupport.h"
#include "core/ScriptedEngine.h"
#include "core/VQConversionFormats.h"
#include "core/VQMainQueueBinding.h"
#include "helpers/VQDesktopHandlers.h"
#include "support/TestSupport.h"
#include "ui/UiTestSupport.h"
#include "ui/VQAppDelegate.h"
#include "ui/VQIcons.h"
#include "ui/VQPDFConversionSettings.h"
#include "ui/VQPagePreview.h"
#include "ui/VQPreferencesWindowController.h"
#include "ui/VQSettingsViewController.h"
#include "ui/VQSingleInstance.h"
#include "ui/VQSourceFileViewController.h"
#include "ui/VQSourceListModel.h"

using namespace vq::app;
using vqtest::Log;
using vqtest::ScriptedEngine;

namespace {

QStringList names(const std::vector<VQSourceFileItemRef>& items) {
  QStringList list;
  for (const auto& item : items) list << item->fileName();
  return list;
}

QString corpus(const char* name) { return QString::fromStdString(vqtest::corpusFile(name).string()); }

// The window over scripted engines: the list's and the pane's behaviour
// without converting anything.
class WindowTest : public vqtest::ScriptedEnginesTest {
 protected:
  void SetUp() override {
    ScriptedEnginesTest::SetUp();
    window = std::make_unique<VQAppDelegate>(makeManager());
    list = window->sourceFileViewController();
    pane = window->settingsViewController();
    list->setCheckDelay(0);
  }
  void TearDown() override {
    window.reset();
    ScriptedEnginesTest::TearDown();
  }
  // Items for scratch files, straight into the table (the check needs real PDFs).
  std::vector<VQSourceFileItemRef> addItems(const QStringList& fileNames) {
    std::vector<VQSourceFileItemRef> items;
    for (const QString& name : fileNames) items.push_back(VQSourceFileItem::initWithPath(writeFile(name, "x")));
    for (auto it = items.rbegin(); it != items.rend(); ++it) list->addSourceItemsToTable({*it}, 0);
    return items;
  }
  QMimeData* movedRows(std::initializer_list<int> rows) {
    QModelIndexList indexes;
    for (int r : rows) indexes << list->model()->index(r);
    return list->model()->mimeData(indexes);
  }

  std::unique_ptr<VQAppDelegate> window;
  VQSourceFileViewController* list = nullptr;
  VQSettingsViewController* pane = nullptr;
  vqtest::RecordingWorkspace workspace;
};

TEST_F(WindowTest, RowsMovedDownwardLandAboveTheDropRow) {
  addItems({"0.pdf", "1.pdf", "2.pdf", "3.pdf", "4.pdf"});
  std::unique_ptr<QMimeData> data(movedRows({0, 1}));
  list->model()->dropMimeData(data.get(), Qt::MoveAction, 4, 0, QModelIndex());
  EXPECT_EQ(names(list->ma_sourceItems()), QStringList({"2.pdf", "3.pdf", "0.pdf", "1.pdf", "4.pdf"}));
  std::unique_ptr<QMimeData> up(movedRows({4}));
  list->model()->dropMimeData(up.get(), Qt::MoveAction, 0, 0, QModelIndex());
  EXPECT_EQ(names(list->ma_sourceItems()), QStringList({"4.pdf", "2.pdf", "3.pdf", "0.pdf", "1.pdf"}));
}

TEST_F(WindowTest, DropsGoBetweenRowsOnly) {
  addItems({"a.pdf", "b.pdf"});
  QMimeData files;
  files.setUrls({QUrl::fromLocalFile(writeFile("c.pdf", "x"))});
  EXPECT_FALSE(list->model()->canDropMimeData(&files, Qt::CopyAction, -1, -1, list->model()->index(0)));
  EXPECT_TRUE(list->model()->canDropMimeData(&files, Qt::CopyAction, 1, 0, QModelIndex()));
  QMimeData text;
  text.setText("hello");
  EXPECT_FALSE(list->model()->canDropMimeData(&text, Qt::CopyAction, 1, 0, QModelIndex()));
}

// A file that is not a PDF is left out and named in a notice; the files
// dropped with it keep their place and order.
TEST_F(WindowTest, DroppedFilesAreCheckedAndKeepTheirOrder) {
  addItems({"a.pdf", "b.pdf"});
  QMimeData files;
  files.setUrls({QUrl::fromLocalFile(corpus("minimal-jspdf.pdf")), QUrl::fromLocalFile(writeFile("notes.txt", "x")),
                 QUrl::fromLocalFile(corpus("logo-cairo.pdf"))});
  ASSERT_TRUE(list->model()->dropMimeData(&files, Qt::CopyAction, 1, 0, QModelIndex()));
  ASSERT_TRUE(vqtest::waitUntil([&] { return !list->isCheckingFiles(); }));
  EXPECT_EQ(names(list->ma_sourceItems()), QStringList({"a.pdf", "minimal-jspdf.pdf", "logo-cairo.pdf", "b.pdf"}));
  const auto notices = window->findChildren<QMessageBox*>();
  ASSERT_EQ(notices.size(), 1);
  EXPECT_TRUE(notices.front()->informativeText().contains("notes.txt"));
}

// Files given together arrive in the order given, however they come: the
// command line or a second launch, or the open panel.
TEST_F(WindowTest, FilesAppearInTheOrderGiven) {
  QStringList paths;
  for (const char* name : {"c.pdf", "a.pdf", "b.pdf"}) {
    paths << scratchPath(name);
    ASSERT_TRUE(QFile::copy(corpus("minimal-jspdf.pdf"), paths.back()));
  }
  window->openFiles(paths);
  ASSERT_TRUE(vqtest::waitUntil([&] { return !list->isCheckingFiles(); }));
  EXPECT_EQ(names(list->ma_sourceItems()), QStringList({"c.pdf", "a.pdf", "b.pdf"}));
  list->sourceFileBrowse();
  auto* panel = window->findChild<QFileDialog*>();
  ASSERT_TRUE(panel);
  emit panel->filesSelected({paths[2], paths[0]});
  panel->close();
  ASSERT_TRUE(vqtest::waitUntil([&] { return !list->isCheckingFiles(); }));
  EXPECT_EQ(names(list->ma_sourceItems()), QStringList({"c.pdf", "a.pdf", "b.pdf", "b.pdf", "c.pdf"}));
}

// A second launch hands over names byte for byte: a newline is part of a
// name, not the end of one.
TEST_F(WindowTest, SecondLaunchHandsOverNamesWithNewlines) {
  const QString odd = scratchPath("two\nlines.pdf");
  ASSERT_TRUE(QFile::copy(corpus("minimal-jspdf.pdf"), odd));
  const QString plain = scratchPath("plain.pdf");
  ASSERT_TRUE(QFile::copy(corpus("minimal-jspdf.pdf"), plain));
  const QString name = "vellumate-test-" + QUuid::createUuid().toString(QUuid::WithoutBraces);
  VQSingleInstance running(name);
  ASSERT_TRUE(running.listen());
  QObject::connect(&running, &VQSingleInstance::filesReceived, window.get(), &VQAppDelegate::openFiles);
  VQSingleInstance second(name);
  ASSERT_TRUE(second.sendToRunningInstance({odd, plain}));
  ASSERT_TRUE(vqtest::waitUntil([&] { return list->ma_sourceItems().size() == 2; }, 10000));
  EXPECT_EQ(list->ma_sourceItems()[0]->sourcePath(), odd);
  EXPECT_EQ(list->ma_sourceItems()[1]->sourcePath(), plain);
  EXPECT_TRUE(window->findChildren<QMessageBox*>().isEmpty());
}

// Everything one addition could not take (missing paths, an empty folder,
// eight files that are no PDF) is named in one notice; the rest is added.
TEST_F(WindowTest, FilesNotAddedAreListedInOneNotice) {
  QDir(scratchPath("")).mkpath("empty");
  QDir(scratchPath("")).mkpath("folder");
  QStringList unreadable;
  for (int i = 0; i < 8; ++i) unreadable << writeFile(QString("folder/notes%1.txt").arg(i), "not a PDF");
  ASSERT_TRUE(QFile::copy(corpus("minimal-jspdf.pdf"), scratchPath("folder/good.pdf")));
  window->openFiles({scratchPath("gone.pdf"), scratchPath("folder"), scratchPath("empty")});
  ASSERT_TRUE(vqtest::waitUntil([&] { return !list->isCheckingFiles(); }));
  EXPECT_EQ(names(list->ma_sourceItems()), QStringList({"good.pdf"}));
  const auto notices = window->findChildren<QMessageBox*>();
  ASSERT_EQ(notices.size(), 1);
  EXPECT_FALSE(list->openSheet());
  const QString text = notices.front()->informativeText();
  for (const QString& path : unreadable + QStringList{scratchPath("gone.pdf"), scratchPath("empty")})
    EXPECT_TRUE(text.contains(path)) << path.toStdString();
  EXPECT_TRUE(notices.front()->text().contains("10"));
}

// A file that forbids printing opens with its user password but needs its
// owner password, which grants every permission; the notice says so.
TEST_F(WindowTest, NoPrintFileIsAddedWithItsOwnerPassword) {
  const QString noPrint = scratchPath("noprint.pdf");
  ASSERT_EQ(vqtest::runCommand("qpdf --encrypt user owner 256 --print=none -- '" +
                               corpus("logo-cairo.pdf").toStdString() + "' '" + noPrint.toStdString() + "'"),
            0);
  window->openFiles({noPrint});
  ASSERT_TRUE(vqtest::waitUntil([&] { return list->openSheet() != nullptr; }));
  VQFileSheet* sheet = list->openSheet();
  for (const char* refused : {"wrong", "user"}) {
    sheet->passwordField()->setText(refused);
    sheet->confirm();
    EXPECT_TRUE(sheet->isVisible()) << refused;
    EXPECT_FALSE(sheet->passwordNotice()->isHidden()) << refused;
  }
  EXPECT_TRUE(sheet->passwordNotice()->text().contains("forbids printing"));
  EXPECT_TRUE(sheet->passwordNotice()->text().contains("owner password"));
  sheet->passwordField()->setText("owner");
  sheet->confirm();
  ASSERT_TRUE(vqtest::waitUntil([&] { return !list->isCheckingFiles(); }));
  ASSERT_EQ(names(list->ma_sourceItems()), QStringList({"noprint.pdf"}));
  EXPECT_EQ(list->ma_sourceItems().front()->sourcePassword(), "owner");
  EXPECT_EQ(list->ma_sourceItems().front()->sourcePages(), 1);
}

TEST_F(WindowTest, RemovingKeepsASelectionAndShowsTheEmptyMessage) {
  auto items = addItems({"a.pdf", "b.pdf", "c.pdf"});
  list->selectTableRowWithItem(items[2]);
  list->removeItemsFromTable({items[2]});
  EXPECT_EQ(list->selectedItem(), items[1]);
  EXPECT_EQ(pane->sourceFileItem(), items[1]);
  list->removeItemsFromTable({items[0], items[1]});
  EXPECT_TRUE(list->ma_sourceItems().empty());
  EXPECT_FALSE(list->selectedItem());
  EXPECT_FALSE(pane->sourceFileItem());
  EXPECT_FALSE(pane->optionsButton()->isEnabled());
}

// Convert pressed again while the stopped batch waits for its engine starts
// nothing; Convert comes back with the engine's end report.
TEST_F(WindowTest, ConvertWaitsWhileTheBatchStops) {
  addItems({"a.pdf", "b.pdf"});
  for (auto& item : list->ma_sourceItems()) item->setSettings_outputFormat("UTF-8 Plain Text(.txt)");
  window->convertButton()->click();
  EXPECT_EQ(window->convertButton()->text(), "Cancel");
  EXPECT_EQ(log, (Log{"single convert a.pdf txt"}));
  window->convertButton()->click();
  EXPECT_TRUE(window->converterManager()->isStopping());
  EXPECT_FALSE(window->convertButton()->isEnabled());
  EXPECT_EQ(window->convertButton()->text(), "Convert");
  window->startOrStopConversion();
  window->startOrStopConversionGo();
  EXPECT_EQ(log, (Log{"single convert a.pdf txt", "single stop", "multi stop"}));
  papyrant->end(vq::VQError::make(406, "Conversion has been canceled."));
  EXPECT_TRUE(window->convertButton()->isEnabled());
  window->convertButton()->click();
  EXPECT_EQ(log.back(), "single convert a.pdf txt");
  papyrant->end();
  papyrant->end();
}

// With "open after conversion" on, only an item whose output was written is
// opened; failed and cancelled ones are neither opened nor revealed.
TEST_F(WindowTest, OnlyFinishedOutputsAreOpened) {
  VQUserDefaults::set(kOpenFileAfterConversion, true);
  auto items = addItems({"a.pdf", "b.pdf", "c.pdf"});
  for (auto& item : items) item->setSettings_outputFormat("UTF-8 Plain Text(.txt)");
  window->startOrStopConversion();
  writeFile("out/a.txt", "text");
  papyrant->end();
  // b leaves something at its destination, but its conversion failed.
  writeFile("out/b.txt", "partial");
  papyrant->end(vq::VQError::make(405, "Can't load the PDF Document."));
  window->startOrStopConversion();
  papyrant->end(vq::VQError::make(406, "Conversion has been canceled."));
  EXPECT_EQ(workspace.opened, QStringList({QDir(outputDir()).filePath("a.txt")}));
  EXPECT_TRUE(workspace.revealed.isEmpty());
  EXPECT_TRUE(items[0]->conversionOptions().endsWith("Success!"));
  EXPECT_TRUE(items[1]->conversionOptions().endsWith("Failed: the PDF document cannot be loaded"));
}

// The batch takes each next item from the list as it stands: a removed row
// is not converted, removing the converting row stops it first, a row added
// meanwhile joins, and after Remove All nothing more is converted.
TEST_F(WindowTest, BatchFollowsTheList) {
  auto items = addItems({"a.pdf", "b.pdf", "c.pdf", "d.pdf", "e.pdf"});
  for (auto& item : items) item->setSettings_outputFormat("UTF-8 Plain Text(.txt)");
  window->startOrStopConversion();
  EXPECT_EQ(window->statusBar()->currentMessage(), "Converting file 1 of 5");
  list->removeItemsFromTable({items[1]});
  EXPECT_EQ(window->statusBar()->currentMessage(), "Converting file 1 of 4");
  papyrant->end();
  EXPECT_EQ(log.back(), "single convert c.pdf txt");
  list->removeItemsFromTable({items[2]});
  EXPECT_EQ(log.back(), "multi stop");
  EXPECT_TRUE(window->converterManager()->isConverting());
  auto added = addItems({"f.pdf"});
  added[0]->setSettings_outputFormat("UTF-8 Plain Text(.txt)");
  papyrant->end(vq::VQError::make(406, "Conversion has been canceled."));
  EXPECT_EQ(log.back(), "single convert f.pdf txt");
  papyrant->end();
  EXPECT_EQ(log.back(), "single convert d.pdf txt");
  EXPECT_EQ(window->statusBar()->currentMessage(), "Converting file 4 of 5");
  list->sourceFileRemoveAllFromQueue();
  papyrant->end(vq::VQError::make(406, "Conversion has been canceled."));
  EXPECT_FALSE(window->converterManager()->isConverting());
  EXPECT_EQ(window->convertButton()->text(), "Convert");
  EXPECT_EQ(log, (Log{"single convert a.pdf txt", "single convert c.pdf txt", "single stop", "multi stop",
                      "single convert f.pdf txt", "single convert d.pdf txt", "single stop", "multi stop"}));
}

// A row's status is its last result; a changed setting makes it not yet
// converted, and its icon no longer opens the earlier output.
TEST_F(WindowTest, RowStatusBelongsToTheLastResult) {
  auto items = addItems({"a.pdf"});
  list->selectTableRowWithItem(items[0]);
  pane->formatPopup()->setCurrentText("Microsoft Word(.docx)");
  window->startOrStopConversion();
  writeFile("out/a.docx", "document");
  mutliThread->end();
  const QModelIndex row = list->model()->index(0);
  EXPECT_EQ(items[0]->conversionOptions(), "All Pages, DOCX, Success!");
  EXPECT_TRUE(items[0]->outputFileIconEnable());
  EXPECT_TRUE(list->model()->data(row, Qt::ToolTipRole).toString().contains(items[0]->sourcePath()));
  pane->formatPopup()->setCurrentText(kImageFilesFormat);
  EXPECT_EQ(items[0]->conversionOptions(), "All Pages, JPEG, Ready!");
  EXPECT_FALSE(items[0]->outputFileIconEnable());
  EXPECT_EQ(items[0]->outputFileIcon(), "icon_jpeg");
}

// Failures are explained on the row in words, and the converting row counts
// its pages.
TEST_F(WindowTest, RowsExplainFailuresAndCountPages) {
  auto items = addItems({"a.pdf", "b.pdf", "c.pdf", "d.pdf", "e.pdf"});
  for (auto& item : items) item->setSettings_outputFormat("UTF-8 Plain Text(.txt)");
  window->startOrStopConversion();
  papyrant->page(2, 5);
  EXPECT_EQ(list->model()->data(list->model()->index(0), VQSourceListModel::ProgressTextRole).toString(),
            "page 2 of 5");
  papyrant->end(vq::VQError::make(404, "Source File isn't exist."));
  papyrant->end(vq::VQError::make(405, "Can't load the PDF Document."));
  papyrant->fail(1);
  papyrant->fail(3);
  writeFile("out/c.txt", "text");
  papyrant->end();
  // The last file goes to a folder where no file can be made, whoever asks.
  VQSandBoxUtilities::SaveUserSelectedOutputURLBookmark("/proc");
  papyrant->end(vq::VQError::make(406, "Conversion has been canceled."));
  VQSandBoxUtilities::SaveUserSelectedOutputURLBookmark(outputDir());
  EXPECT_EQ(log.size(), 4u) << "the last file never reaches the engine";
  EXPECT_FALSE(window->converterManager()->isConverting());
  const char* expected[] = {"All Pages, TXT, Failed: the source file is missing",
                            "All Pages, TXT, Failed: the PDF document cannot be loaded",
                            "All Pages, TXT, Success, 2 pages failed", "All Pages, TXT, Cancelled",
                            "All Pages, TXT, Failed: the output folder is not writable"};
  for (size_t i = 0; i < items.size(); ++i) {
    EXPECT_EQ(items[i]->conversionOptions(), expected[i]);
    const QString tip = list->model()->data(list->model()->index(static_cast<int>(i)), Qt::ToolTipRole).toString();
    EXPECT_TRUE(tip.startsWith(items[i]->sourcePath())) << tip.toStdString();
  }
  EXPECT_TRUE(list->model()->data(list->model()->index(0), Qt::ToolTipRole).toString().contains("missing"));
}

// Closing the window during a conversion asks first: keep converting, or
// stop and quit once the engine has stopped.
TEST_F(WindowTest, ClosingDuringAConversionAsksFirst) {
  addItems({"a.pdf"})[0]->setSettings_outputFormat("UTF-8 Plain Text(.txt)");
  window->show();
  window->startOrStopConversion();
  EXPECT_FALSE(window->close());
  ASSERT_TRUE(window->closeQuestion());
  auto button = [&](const char* text) {
    for (QAbstractButton* b : window->closeQuestion()->buttons())
      if (b->text() == text) return b;
    return static_cast<QAbstractButton*>(nullptr);
  };
  ASSERT_TRUE(button("Keep Converting"));
  button("Keep Converting")->click();
  EXPECT_TRUE(window->converterManager()->isConverting());
  EXPECT_TRUE(window->isVisible());
  EXPECT_FALSE(window->closeQuestion() && window->closeQuestion()->isVisible());
  EXPECT_FALSE(window->close());
  ASSERT_TRUE(window->closeQuestion());
  button("Stop and Quit")->click();
  EXPECT_TRUE(papyrant->stopAsked);
  EXPECT_TRUE(window->isVisible());
  papyrant->end(vq::VQError::make(406, "Conversion has been canceled."));
  EXPECT_TRUE(vqtest::waitUntil([&] { return !window->isVisible(); }));
  // Without a conversion the window just closes.
  window->show();
  EXPECT_TRUE(window->close());
}

QAction* menuAction(QMainWindow* window, const QString& text) {
  for (QAction* menu : window->menuBar()->actions())
    for (QAction* action : menu->menu()->actions())
      if (action->text() == text) return action;
  return nullptr;
}

// The commands users reach for by key have shortcuts, shown in the menus.
TEST_F(WindowTest, MenuCommandsHaveShortcuts) {
  auto items = addItems({"a.pdf", "b.pdf", "c.pdf"});
  for (auto& item : items) item->setSettings_outputFormat("UTF-8 Plain Text(.txt)");
  const std::vector<std::pair<QString, QKeySequence>> rows = {
      {"Add Files…", QKeySequence::Open},
      {"Convert", QKeySequence(Qt::CTRL | Qt::Key_Return)},
      {"Cancel Conversion", QKeySequence(Qt::Key_Escape)},
      {"Remove", QKeySequence::Delete},
      {"Select All", QKeySequence::SelectAll},
  };
  for (const auto& [text, keys] : rows) {
    QAction* action = menuAction(window.get(), text);
    ASSERT_TRUE(action) << text.toStdString();
    EXPECT_EQ(action->shortcut(), keys) << text.toStdString();
  }
  EXPECT_FALSE(menuAction(window.get(), "Cancel Conversion")->isEnabled());
  menuAction(window.get(), "Select All")->trigger();
  EXPECT_EQ(list->selectedItems().size(), 3u);
  list->selectTableRowWithItem(items[1]);
  menuAction(window.get(), "Remove")->trigger();
  EXPECT_EQ(names(list->ma_sourceItems()), QStringList({"a.pdf", "c.pdf"}));
  menuAction(window.get(), "Convert")->trigger();
  EXPECT_EQ(log, (Log{"single convert a.pdf txt"}));
  EXPECT_FALSE(menuAction(window.get(), "Convert")->isEnabled());
  menuAction(window.get(), "Cancel Conversion")->trigger();
  EXPECT_TRUE(papyrant->stopAsked);
  papyrant->end(vq::VQError::make(406, "Conversion has been canceled."));
  EXPECT_TRUE(menuAction(window.get(), "Convert")->isEnabled());
}

// The Help menu: the sample joins the list from the installed resources,
// both mails go to the desktop's mail program, About names the version.
TEST_F(WindowTest, HelpMenuSampleMailAndAbout) {
  QStringList mails;
  LaunchServicesWrapper::setCommandRunner([&](const QString& program, const QStringList& arguments, QString*) {
    mails << program + " " + arguments.join(' ');
    return 0;
  });
  menuAction(window.get(), "Add the Getting Started Sample")->trigger();
  ASSERT_TRUE(vqtest::waitUntil([&] { return !list->isCheckingFiles(); }));
  EXPECT_EQ(names(list->ma_sourceItems()), QStringList({"Getting Started.pdf"}));
  EXPECT_GT(list->ma_sourceItems().front()->sourcePages(), 0);
  menuAction(window.get(), "Technical Support…")->trigger();
  menuAction(window.get(), "Tell a Friend…")->trigger();
  LaunchServicesWrapper::setCommandRunner(nullptr);
  ASSERT_EQ(mails.size(), 2);
  const QUrl support(mails[0].section(' ', 1));
  EXPECT_TRUE(mails[0].startsWith("xdg-email mailto:"));
  EXPECT_EQ(QUrlQuery(support).queryItemValue("subject", QUrl::FullyDecoded),
            "Vellumate - " + VQAppDelegate::versionString() + ": Technical Support");
  EXPECT_TRUE(QUrlQuery(support).queryItemValue("body", QUrl::FullyDecoded).contains("System Version:"));
  const QUrl friendMail(mails[1].section(' ', 1));
  EXPECT_TRUE(QUrlQuery(friendMail).queryItemValue("body", QUrl::FullyDecoded).contains("Vellumate"));
  menuAction(window.get(), "About Vellumate")->trigger();
  auto* about = window->findChild<QMessageBox*>("aboutBox");
  ASSERT_TRUE(about);
  EXPECT_TRUE(about->text().contains(VQAppDelegate::versionString()));
}

TEST(PageProgressTest, PagesFillEightyFivePercent) {
  const std::vector<std::tuple<uint64_t, uint64_t, double>> rows = {
      {1, 4, 21.25}, {2, 4, 42.5}, {3, 4, 63.75}, {4, 4, 85.0}, {1, 1000, static_cast<double>(0.1f)}, {0, 0, 0.1f}};
  for (const auto& [done, total, expected] : rows) EXPECT_DOUBLE_EQ(VQAppDelegate::PageProgress(done, total), expected);
}

// Choosing an image type for one item leaves the others' types alone, even
// when their settings change afterwards.
TEST_F(WindowTest, ImageTypeStaysWithItsItem) {
  auto items = addItems({"a.pdf", "b.pdf"});
  list->selectTableRowWithItem(items[0]);
  pane->formatPopup()->setCurrentText(kImageFilesFormat);
  VQPDFConversionSettings* sheet = pane->moreSettingsButtonAction();
  ASSERT_EQ(sheet, pane->imageSettings());
  pane->imageSettings()->imageType->setCurrentText("PNG Image File(.png)");
  pane->imageSettings()->imageDPI->button(7)->click();
  sheet->accept();
  EXPECT_EQ(items[0]->outputFileFormat(), "png");
  EXPECT_EQ(items[0]->convertOpts.imageOptions.dpi(), 300);
  list->selectTableRowWithItem(items[1]);
  pane->formatPopup()->setCurrentText(kImageFilesFormat);
  pane->pageRangeField()->setText("1");
  pane->pageRangeRadios()->button(1)->click();
  EXPECT_EQ(items[1]->settings_outputFormat_imageType(), "JPEG Image File(.jpeg)");
  EXPECT_EQ(items[1]->outputFileFormat(), "jpeg");
  EXPECT_EQ(items[1]->settings_pageRangeType, 1);
  EXPECT_EQ(items[0]->outputFileFormat(), "png");
}

// A custom range that names none of the document's pages says so as it is typed.
TEST_F(WindowTest, RangeWithoutPagesIsPointedOut) {
  QFile::copy(corpus("vector-ghostscript.pdf"), scratchPath("three.pdf"));
  auto item = VQSourceFileItem::initWithPath(scratchPath("three.pdf"));
  list->addSourceItemsToTable({item}, 0);
  list->selectTableRowWithItem(item);
  pane->pageRangeRadios()->button(1)->click();
  const std::vector<std::pair<const char*, bool>> rows = {
      {"4-9", true}, {"abc", true}, {"2-9", false}, {"", false}, {"1-2000000000", false}};
  for (const auto& [text, notice] : rows) {
    pane->pageRangeField()->setText(text);
    emit pane->pageRangeField()->textEdited(text);
    EXPECT_EQ(pane->pageRangeNotice()->isVisibleTo(pane), notice) << text;
    EXPECT_EQ(item->settings_customPageRange, text);
  }
  pane->pageRangeRadios()->button(0)->click();
  EXPECT_FALSE(pane->pageRangeNotice()->isVisibleTo(pane));
}

TEST_F(WindowTest, OptionsFollowTheFormat) {
  auto items = addItems({"a.pdf"});
  list->selectTableRowWithItem(items[0]);
  const std::vector<std::pair<QString, QDialog*>> rows = {
      {"Web Source File(.html)", nullptr},
      {"Comma-Separated Values(.csv)", static_cast<QDialog*>(pane->excelSettings())},
      {"Microsoft Excel(.xlsx)", static_cast<QDialog*>(pane->excelSettings())},
      {"Microsoft Word(.docx)", static_cast<QDialog*>(pane->wordSettings())},
      {"Microsoft PowerPoint(.pptx)", nullptr},
  };
  for (const auto& [format, expected] : rows) {
    pane->formatPopup()->setCurrentText(format);
    EXPECT_EQ(pane->optionsButton()->isEnabled(), expected != nullptr) << format.toStdString();
    QDialog* sheet = pane->moreSettingsButtonAction();
    EXPECT_EQ(sheet, expected) << format.toStdString();
    if (sheet) sheet->reject();
  }
  // The Excel sheet: pages added to rows only matters with all pages in one sheet.
  pane->formatPopup()->setCurrentText("Microsoft Excel(.xlsx)");
  pane->moreSettingsButtonAction();
  VQExcelSettings* excel = pane->excelSettings();
  EXPECT_FALSE(excel->aiosAddToRow->button(0)->isEnabled());
  excel->eachPageSheet->button(1)->click();
  EXPECT_TRUE(excel->aiosAddToRow->button(0)->isEnabled());
  EXPECT_TRUE(items[0]->convertOpts.excelOptions.allInOneSheet);
  excel->accept();
  EXPECT_FALSE(VQUserDefaults::store().value(kExcelIsEachPageSheet).toBool()) << "only Done stores defaults";
}

// The pane shows the first page when it can be drawn, else the file's icon.
TEST(PagePreviewCorpusTest, FirstPageOrIcon) {
  vqtest::ScratchSettings scratch;
  auto page = VQSourceFileItem::initWithPath(corpus("vector-ghostscript.pdf"));
  const QImage preview = VQSourceFilePreview(page, 96).toImage();
  EXPECT_EQ(std::max(preview.width(), preview.height()), 96);
  EXPECT_LT(std::min(preview.width(), preview.height()), 96);
  auto locked = VQSourceFileItem::initWithPath(corpus("encrypted-aes128-user.pdf"));
  EXPECT_EQ(VQSourceFilePreview(locked, 96).toImage(), VQImageNamed("icon_pdf_pw", 96).toImage());
  locked->setSourcePassword("user");
  EXPECT_NE(VQSourceFilePreview(locked, 96).toImage(), VQImageNamed("icon_pdf_pw", 96).toImage());
}

TEST(ImageSegmentsTest, ValuesOutsideTheTablesTakeTheDefaults) {
  const std::vector<std::pair<int64_t, int>> dpis = {{20, 0}, {36, 0}, {144, 5}, {150, 5}, {300, 7}, {5000, 9}};
  for (const auto& [dpi, segment] : dpis) EXPECT_EQ(VQImageSettings::selectedSegmentFor_ImageDPI(dpi), segment) << dpi;
  const std::vector<std::pair<double, int>> qualities = {{0.9, 3}, {0.45, 3}, {0.3, 0}, {1.0, 4}, {0.01, 3}, {0.85, 2}};
  for (const auto& [q, segment] : qualities)
    EXPECT_EQ(VQImageSettings::selectedSegmentFor_ImageQuality(q), segment) << q;
}

TEST_F(WindowTest, PreferencesShowClampedValuesAndToggle) {
  VQUserDefaults::set(kImageDPI, 2000);
  VQPreferencesWindowController* preferences = window->preferences();
  preferences->loadUpdateSettings();
  EXPECT_EQ(preferences->imageDPISegments()->checkedId(), 9);
  EXPECT_EQ(preferences->imageDPI(), 1200);
  EXPECT_EQ(VQUserDefaults::store().value(kImageDPI).toInt(), 2000);
  preferences->imageDPISegments()->button(2)->click();
  EXPECT_EQ(VQUserDefaults::store().value(kImageDPI).toInt(), 72);
  preferences->openFileAfterConversionBox()->setChecked(false);
  EXPECT_FALSE(VQPreferences::openFileAfterConversion());
  preferences->showWindow();
  EXPECT_TRUE(preferences->isVisible());
  preferences->showWindow();
  EXPECT_FALSE(preferences->isVisible());
}

// After one launch and one added file every setting but the output folder is stored.
TEST_F(WindowTest, FirstRunStoresEveryKey) {
  addItems({"a.pdf"});
  for (const char* key :
       {kOpenFileAfterConversion, kParserPDFAnnotsAction, kImageDPI, kOutputFormat, kOutputFormatImageType,
        kWordIsMergeParagraphs, kWordIsTrimmingBlankSpaceCharacters, kWordEnableShapToImage,
        kWordEnableMergeIntersectImages, kExcelFormatStyle, kExcelThousandSepartor, kExcelOverlapText,
        kExcelIsEachPageSheet, kExcelIsAiosAddToRow, kImageImageDPI, kImageImageQuality, kIsHiddenSettings})
    EXPECT_TRUE(VQUserDefaults::store().contains(key)) << key;
}

TEST_F(WindowTest, SettingsPaneStateSurvivesARestart) {
  EXPECT_FALSE(window->isSettingsHidden());
  window->showOrHidenSettingView();
  EXPECT_TRUE(window->isSettingsHidden());
  window.reset();
  VQAppDelegate again(makeManager());
  EXPECT_TRUE(again.isSettingsHidden());
}

// The whole path with the real engine: three PDFs added (the encrypted one
// through its password sheet, a fourth arriving while the sheet is open),
// rows reordered and removed, per-file settings changed, and the batch
// converted to Word and text until every row shows success.
TEST(WindowEndToEndTest, ConvertsCorpusFilesToDocxAndTxt) {
  vqtest::ScratchSettings scratch;
  VQUserDefaults::set(kOpenFileAfterConversion, false);
  QFile::copy(corpus("minimal-jspdf.pdf"), scratch.filePath("extra.pdf"));
  vqtest::RecordingWorkspace workspace;
  bindMainQueueToQtEventLoop();
  {
    VQAppDelegate window;
    window.show();
    VQSourceFileViewController* list = window.sourceFileViewController();
    VQSettingsViewController* pane = window.settingsViewController();
    list->setCheckDelay(0);
    window.openFiles({corpus("minimal-jspdf.pdf"), corpus("encrypted-aes128-user.pdf"), corpus("logo-cairo.pdf")});
    ASSERT_TRUE(vqtest::waitUntil([&] { return list->openSheet() != nullptr; }));
    VQFileSheet* sheet = list->openSheet();
    EXPECT_EQ(sheet->item()->fileName(), "encrypted-aes128-user.pdf");
    window.openFiles({scratch.filePath("extra.pdf")});
    sheet->passwordField()->setText("wrong");
    sheet->confirm();
    EXPECT_TRUE(sheet->isVisible());
    EXPECT_FALSE(sheet->passwordNotice()->isHidden());
    sheet->passwordField()->setText("user");
    sheet->confirm();
    ASSERT_TRUE(vqtest::waitUntil([&] { return !list->isCheckingFiles(); }));
    EXPECT_EQ(names(list->ma_sourceItems()),
              QStringList({"minimal-jspdf.pdf", "encrypted-aes128-user.pdf", "logo-cairo.pdf", "extra.pdf"}));

    QModelIndexList first{list->model()->index(0)};
    std::unique_ptr<QMimeData> moved(list->model()->mimeData(first));
    list->model()->dropMimeData(moved.get(), Qt::MoveAction, 3, 0, QModelIndex());
    list->removeItemsFromTable({list->ma_sourceItems().back()});
    const auto items = list->ma_sourceItems();
    ASSERT_EQ(names(items), QStringList({"encrypted-aes128-user.pdf", "logo-cairo.pdf", "minimal-jspdf.pdf"}));
    EXPECT_EQ(items[0]->sourcePages(), 6);

    list->selectTableRowWithItem(items[0]);
    pane->formatPopup()->setCurrentText("UTF-8 Plain Text(.txt)");
    pane->pageRangeField()->setText("1-2");
    pane->pageRangeRadios()->button(1)->click();
    list->selectTableRowWithItem(items[1]);
    pane->formatPopup()->setCurrentText("Microsoft Word(.docx)");
    auto* word = static_cast<VQWordSettings*>(pane->moreSettingsButtonAction());
    word->enableShapToImage->setChecked(true);
    word->accept();
    list->selectTableRowWithItem(items[2]);
    pane->formatPopup()->setCurrentText("UTF-8 Plain Text(.txt)");
    EXPECT_EQ(items[0]->outputPDFPageIndexs(), (std::vector<uint64_t>{1, 2}));
    EXPECT_TRUE(items[1]->convertOpts.wordOptions.enableShapToImage);

    window.convertButton()->click();
    EXPECT_TRUE(window.converterManager()->isConverting());
    ASSERT_TRUE(vqtest::waitUntil([&] { return !window.converterManager()->isConverting(); }));
    for (const auto& item : items) {
      SCOPED_TRACE(item->fileName().toStdString());
      EXPECT_FALSE(item->conversionError) << item->conversionError->description();
      EXPECT_TRUE(item->conversionOptions().endsWith("Success!")) << item->conversionOptions().toStdString();
      EXPECT_GT(QFileInfo(item->outputPath()).size(), 0);
    }
    EXPECT_TRUE(items[0]->outputPath().endsWith("encrypted-aes128-user.txt"));
    EXPECT_TRUE(items[1]->outputPath().endsWith("logo-cairo.docx"));
    EXPECT_EQ(window.convertButton()->text(), "Convert");
    EXPECT_TRUE(workspace.opened.isEmpty());
  }
  unbindMainQueueFromQtEventLoop();
}

}  // namespace

// Converts a few corpus files in the real window and saves pictures of it:
//   vellumate_screenshot FOLDER
// writes FOLDER/vellumate.png (finished rows, one failed with its reason, one
// waiting) and FOLDER/vellumate-progress.png (a batch in progress, its row
// counting pages and the status bar counting files). Settings and outputs go
// to a temporary folder; the user's are not touched.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QListView>
#include <QTemporaryDir>
#include <QThread>
#include <cstdio>

#include "core/VQMainQueueBinding.h"
#include "core/VQSandBoxUtilities.h"
#include "core/VQUserDefaults.h"
#include "ui/VQAppDelegate.h"
#include "ui/VQSourceFileViewController.h"
#include "ui/VQSourceListModel.h"

namespace {
bool waitUntil(const std::function<bool()>& done) {
  QElapsedTimer timer;
  timer.start();
  while (!done()) {
    if (timer.elapsed() > 300000) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(2);
  }
  return true;
}

bool save(QWidget& window, const QString& path) {
  QCoreApplication::processEvents();
  if (window.grab().save(path)) return true;
  std::fprintf(stderr, "vellumate_screenshot: cannot write %s\n", qPrintable(path));
  return false;
}
}  // namespace

int main(int argc, char* argv[]) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: vellumate_screenshot FOLDER\n");
    return 2;
  }
  using namespace vq::app;
  const QDir pictures(QString::fromLocal8Bit(argv[1]));
  QTemporaryDir scratch;
  VQUserDefaults::useFile(scratch.filePath("settings.ini"));
  QDir(scratch.path()).mkpath("Vellumate");
  VQSandBoxUtilities::SaveUserSelectedOutputURLBookmark(scratch.filePath("Vellumate"));
  VQUserDefaults::set(kOpenFileAfterConversion, false);
  bindMainQueueToQtEventLoop();
  int status = 0;
  {
    VQAppDelegate window;
    window.resize(920, 560);
    window.show();
    VQSourceFileViewController* list = window.sourceFileViewController();
    list->setCheckDelay(0);
    const QDir corpus(VQ_CORPUS_DIR);
    // A copy that goes away once listed, to show a row that failed for a reason.
    const QString vanishing = scratch.filePath("moved-away.pdf");
    QFile::copy(corpus.filePath("minimal-jspdf.pdf"), vanishing);
    window.openFiles({corpus.filePath("annots-links-jpeg.pdf"), corpus.filePath("vector-ghostscript.pdf"),
                      corpus.filePath("minimal-jspdf.pdf"), vanishing, corpus.filePath("logo-cairo.pdf")});
    if (!waitUntil([&] { return !list->isCheckingFiles(); })) return 1;
    const auto items = list->ma_sourceItems();
    const char* formats[] = {"Microsoft Word(.docx)", "UTF-8 Plain Text(.txt)", "Web Source File(.html)",
                             "Microsoft Excel(.xlsx)", "Rich Text File(.rtf)"};
    for (size_t i = 0; i < items.size(); ++i) items[i]->setSettings_outputFormat(formats[i % 5]);
    // A range that names no page of the document.
    items[2]->settings_pageRangeType = 1;
    items[2]->settings_customPageRange = "5-9";
    QFile::remove(vanishing);
    window.startOrStopConversion();
    // The first file, 42 pages to Word, is pictured a few pages in.
    VQSourceListModel* model = list->model();
    if (!waitUntil([&] {
          const QString text = model->progressText(items[0]);
          return text.startsWith("page ") && text.section(' ', 1, 1).toInt() >= 6;
        }))
      return 1;
    if (!save(window, pictures.filePath("vellumate-progress.png"))) status = 1;
    if (!waitUntil([&] { return !window.converterManager()->isConverting(); })) return 1;
    // One more file that waits for its conversion, to show a row in its first state.
    window.openFiles({corpus.filePath("tables-booktabs.pdf")});
    if (!waitUntil([&] { return !list->isCheckingFiles(); })) return 1;
    list->selectTableRowWithItem(items[1]);
    if (!save(window, pictures.filePath("vellumate.png"))) status = 1;
  }
  unbindMainQueueFromQtEventLoop();
  return status;
}

// Converts a few corpus files in the real window and saves a picture of it:
//   vellumate_screenshot OUTPUT.png
// Settings and outputs go to a temporary folder; the user's are not touched.
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
}  // namespace

int main(int argc, char* argv[]) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: vellumate_screenshot OUTPUT.png\n");
    return 2;
  }
  using namespace vq::app;
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
    window.openFiles({corpus.filePath("vector-ghostscript.pdf"), corpus.filePath("minimal-jspdf.pdf"),
                      corpus.filePath("fonts-type3.pdf"), corpus.filePath("logo-cairo.pdf")});
    if (!waitUntil([&] { return !list->isCheckingFiles(); })) return 1;
    const auto items = list->ma_sourceItems();
    const char* formats[] = {"Microsoft Word(.docx)", "UTF-8 Plain Text(.txt)", "Web Source File(.html)",
                             "Microsoft Excel(.xlsx)"};
    for (size_t i = 0; i < items.size(); ++i) items[i]->setSettings_outputFormat(formats[i % 4]);
    window.startOrStopConversion();
    if (!waitUntil([&] { return !window.converterManager()->isConverting(); })) return 1;
    // One more file that waits for its conversion, to show a row in its first state.
    window.openFiles({corpus.filePath("tables-booktabs.pdf")});
    if (!waitUntil([&] { return !list->isCheckingFiles(); })) return 1;
    list->selectTableRowWithItem(items.front());
    QCoreApplication::processEvents();
    if (!window.grab().save(QString::fromLocal8Bit(argv[1]))) {
      std::fprintf(stderr, "vellumate_screenshot: cannot write %s\n", argv[1]);
      status = 1;
    }
  }
  unbindMainQueueFromQtEventLoop();
  return status;
}

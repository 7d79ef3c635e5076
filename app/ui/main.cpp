// Vellumate: drop PDF files on the window, pick a format, press Convert.
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <cstdio>
#include <cstring>

#include "core/VQMainQueueBinding.h"
#include "ui/VQAppDelegate.h"
#include "ui/VQDesktopWorkspace.h"
#include "ui/VQSingleInstance.h"
#include "ui/VQSourceFileViewController.h"

int main(int argc, char* argv[]) {
  // Answered before any window system is asked for.
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--version") == 0) {
      std::printf("Vellumate %s\n", VQ_VERSION);
      return 0;
    }
    if (std::strcmp(argv[i], "--help") == 0) {
      std::printf("usage: vellumate [--version] [PDF files or folders...]\n");
      return 0;
    }
  }
  QApplication application(argc, argv);
  QApplication::setApplicationName("vellumate");
  QApplication::setApplicationDisplayName("Vellumate");
  QApplication::setDesktopFileName("vellumate");
  QStringList files;
  for (const QString& argument : QApplication::arguments().mid(1)) files << QFileInfo(argument).absoluteFilePath();

  vq::app::VQSingleInstance instance(vq::app::VQSingleInstance::defaultName());
  if (instance.sendToRunningInstance(files)) return 0;
  instance.listen();

  vq::app::bindMainQueueToQtEventLoop();
  vq::app::VQDesktopWorkspace workspace;
  vq::app::VQWorkspace::setShared(&workspace);
  int status = 0;
  {
    vq::app::VQAppDelegate window;
    QObject::connect(&instance, &vq::app::VQSingleInstance::filesReceived, &window, &vq::app::VQAppDelegate::openFiles);
    window.show();
    if (!files.isEmpty()) window.openFiles(files);
    status = QApplication::exec();
  }
  vq::app::unbindMainQueueFromQtEventLoop();
  vq::app::VQWorkspace::setShared(nullptr);
  return status;
}

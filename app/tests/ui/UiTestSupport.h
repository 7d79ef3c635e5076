#pragma once
// Helpers for the window's tests: a workspace that records instead of
// opening, and waiting on the event loop for a condition.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QStringList>
#include <QThread>
#include <functional>

#include "core/VQWorkspace.h"

namespace vqtest {

class RecordingWorkspace : public vq::app::VQWorkspace {
 public:
  RecordingWorkspace() { previous_ = setShared(this); }
  ~RecordingWorkspace() override { setShared(previous_); }
  bool openFile(const QString& path) override {
    opened << path;
    return true;
  }
  bool revealFile(const QString& path) override {
    revealed << path;
    return true;
  }
  QStringList opened, revealed;

 private:
  vq::app::VQWorkspace* previous_ = nullptr;
};

// Runs the event loop until `done` answers true; false when it has not after
// `limitMs` (a guard against hangs, not a measurement).
inline bool waitUntil(const std::function<bool()>& done, int limitMs = 240000) {
  QElapsedTimer timer;
  timer.start();
  while (!done()) {
    if (timer.elapsed() > limitMs) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(2);
  }
  return true;
}

}  // namespace vqtest

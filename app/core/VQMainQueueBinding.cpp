#include "core/VQMainQueueBinding.h"

#include <QCoreApplication>
#include <QMetaObject>

#include "vqpapyrant/VQMainQueue.h"

namespace vq::app {

void bindMainQueueToQtEventLoop() {
  MainQueue& queue = MainQueue::shared();
  queue.bindToCurrentThread();
  QCoreApplication* application = QCoreApplication::instance();
  // Posted events of one priority are delivered in the order they were posted.
  queue.setForwarder([application](MainQueue::Task task) {
    QMetaObject::invokeMethod(application, std::move(task), Qt::QueuedConnection);
  });
}

void unbindMainQueueFromQtEventLoop() { MainQueue::shared().setForwarder({}); }

}  // namespace vq::app

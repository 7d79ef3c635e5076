#include "platform/dispatch/VQMainQueue.h"

#include <utility>

namespace vq {

MainQueue& MainQueue::shared() {
  static MainQueue queue;
  return queue;
}

void MainQueue::async(Task task) {
  if (!task) return;
  std::unique_lock lock(mutex_);
  if (forwarder_) {
    // Called outside the lock: a forwarder may post to a loop that runs the
    // task on this very thread.
    Forwarder forwarder = forwarder_;
    lock.unlock();
    forwarder(std::move(task));
    return;
  }
  tasks_.push_back(std::move(task));
  lock.unlock();
  arrived_.notify_all();
}

void MainQueue::runOnMain(Task task) {
  if (isMainThread()) {
    if (task) task();
  } else {
    async(std::move(task));
  }
}

MainQueue::Task MainQueue::takeTask(std::unique_lock<std::mutex>&) {
  Task task = std::move(tasks_.front());
  tasks_.pop_front();
  return task;
}

bool MainQueue::runOnce(std::chrono::milliseconds timeout) {
  bindToCurrentThread();
  std::unique_lock lock(mutex_);
  if (tasks_.empty() && timeout.count() > 0) arrived_.wait_for(lock, timeout, [this] { return !tasks_.empty(); });
  if (tasks_.empty()) return false;
  Task task = takeTask(lock);
  lock.unlock();
  task();
  return true;
}

void MainQueue::drainUntil(const std::function<bool()>& done) {
  bindToCurrentThread();
  while (!done()) {
    std::unique_lock lock(mutex_);
    // A bounded wait: `done` may turn true through state that no task of
    // this queue changes.
    arrived_.wait_for(lock, std::chrono::milliseconds(50), [this] { return !tasks_.empty(); });
    if (tasks_.empty()) continue;
    Task task = takeTask(lock);
    lock.unlock();
    task();
  }
}

void MainQueue::drainPending() {
  bindToCurrentThread();
  std::deque<Task> batch;
  {
    std::lock_guard lock(mutex_);
    batch.swap(tasks_);
  }
  while (!batch.empty()) {
    Task task = std::move(batch.front());
    batch.pop_front();
    task();
  }
}

size_t MainQueue::pendingCount() const {
  std::lock_guard lock(mutex_);
  return tasks_.size();
}

void MainQueue::bindToCurrentThread() {
  std::lock_guard lock(mutex_);
  mainThread_ = std::this_thread::get_id();
}

bool MainQueue::isMainThread() const {
  std::lock_guard lock(mutex_);
  return mainThread_ == std::this_thread::get_id();
}

void MainQueue::setForwarder(Forwarder forwarder) {
  std::deque<Task> queued;
  {
    std::lock_guard lock(mutex_);
    forwarder_ = std::move(forwarder);
    if (forwarder_) queued.swap(tasks_);
  }
  for (auto& task : queued) async(std::move(task));
}

}  // namespace vq

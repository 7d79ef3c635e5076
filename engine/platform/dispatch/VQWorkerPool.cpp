#include "platform/dispatch/VQWorkerPool.h"

#include <algorithm>
#include <exception>
#include <utility>

#include "platform/diagnostics/VQDiagnostics.h"

namespace vq {

void DispatchGroup::enter() {
  std::lock_guard lock(mutex_);
  ++count_;
}

void DispatchGroup::leave() {
  std::lock_guard lock(mutex_);
  if (count_ > 0 && --count_ == 0) idle_.notify_all();
}

void DispatchGroup::wait() {
  std::unique_lock lock(mutex_);
  idle_.wait(lock, [this] { return count_ == 0; });
}

size_t DispatchGroup::count() const {
  std::lock_guard lock(mutex_);
  return count_;
}

WorkerPool::WorkerPool(size_t threadCount) {
  threadCount = std::max<size_t>(threadCount, 1);
  workers_.reserve(threadCount);
  for (size_t i = 0; i < threadCount; ++i) workers_.emplace_back([this] { run(); });
}

WorkerPool::~WorkerPool() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  arrived_.notify_all();
  for (auto& worker : workers_) worker.join();
}

WorkerPool& WorkerPool::global() {
  // Never destroyed: joining the workers during static destruction would run
  // their thread-local caches (opened documents) after the libraries those
  // caches belong to have torn down their own statics, and crash at exit.
  static WorkerPool* pool = new WorkerPool(std::max<size_t>(12, std::thread::hardware_concurrency()));
  return *pool;
}

void WorkerPool::async(std::function<void()> task) {
  {
    std::lock_guard lock(mutex_);
    tasks_.push_back(std::move(task));
  }
  arrived_.notify_one();
}

void WorkerPool::async(DispatchGroup& group, std::function<void()> task) {
  group.enter();
  async([&group, task = std::move(task)]() mutable {
    struct Leave {
      DispatchGroup& group;
      ~Leave() { group.leave(); }
    } leave{group};
    // The task and what it captured are destroyed before the group is left,
    // so a waiter never returns while a worker still holds its objects.
    std::function<void()> body = std::move(task);
    body();
  });
}

void WorkerPool::run() {
  for (;;) {
    std::function<void()> task;
    {
      std::unique_lock lock(mutex_);
      arrived_.wait(lock, [this] { return stopping_ || !tasks_.empty(); });
      if (tasks_.empty()) return;  // stopping, and nothing left to run
      task = std::move(tasks_.front());
      tasks_.pop_front();
    }
    try {
      if (task) task();
    } catch (const std::exception& e) {
      VQDiagnose(VQDiagnosticCategory::Conversion, std::string("worker task ended with an exception: ") + e.what());
    } catch (...) {
      VQDiagnose(VQDiagnosticCategory::Conversion, "worker task ended with an exception");
    }
  }
}

}  // namespace vq

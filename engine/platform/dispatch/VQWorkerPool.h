#pragma once
// A fixed pool of worker threads that run submitted tasks in any order, and a
// group that counts tasks from submission to end so one thread can wait for
// all of them.
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace vq {

class DispatchGroup {
 public:
  void enter();
  void leave();
  void wait();
  size_t count() const;

 private:
  mutable std::mutex mutex_;
  std::condition_variable idle_;
  size_t count_ = 0;
};

class WorkerPool {
 public:
  explicit WorkerPool(size_t threadCount);
  ~WorkerPool();  // runs every queued task, then joins the workers
  WorkerPool(const WorkerPool&) = delete;
  WorkerPool& operator=(const WorkerPool&) = delete;

  // The process-wide pool, at least 12 threads (the most pages a conversion
  // runs at once) and never fewer than the machine's cores.
  static WorkerPool& global();

  size_t threadCount() const { return workers_.size(); }
  void async(std::function<void()> task);
  // The group is entered now and left once the task has ended, even when it
  // throws (a task that throws is otherwise ignored: the pool survives it).
  void async(DispatchGroup& group, std::function<void()> task);

 private:
  void run();

  std::mutex mutex_;
  std::condition_variable arrived_;
  std::deque<std::function<void()>> tasks_;
  bool stopping_ = false;
  std::vector<std::thread> workers_;
};

}  // namespace vq

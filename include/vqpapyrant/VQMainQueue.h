#pragma once
// The main queue: a thread-safe FIFO of tasks that the host program drains on
// its main thread. Conversion jobs hand every report to it, so reports of one
// job run in the order the job made them and the job never waits for them.
// A desktop host installs a forwarder that hands each task to its own event
// loop instead.
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

#include "vqpapyrant/VQExport.h"

namespace vq {

class VQ_EXPORT MainQueue {
 public:
  using Task = std::function<void()>;
  using Forwarder = std::function<void(Task)>;

  static MainQueue& shared();

  // Queues the task (or hands it to the forwarder) and returns at once.
  void async(Task task);
  // Runs the task now when called on the main thread, else queues it.
  void runOnMain(Task task);

  // Runs at most one queued task, waiting up to `timeout` for one to arrive.
  // The calling thread becomes the main thread. Returns whether a task ran.
  bool runOnce(std::chrono::milliseconds timeout = std::chrono::milliseconds(0));
  // Runs tasks as they arrive until `done` answers true; `done` is checked
  // before each wait and after each task. The calling thread becomes the
  // main thread.
  void drainUntil(const std::function<bool()>& done);
  // Runs the tasks queued right now (not those they queue in turn).
  void drainPending();
  size_t pendingCount() const;

  // Makes the calling thread the main thread.
  void bindToCurrentThread();
  bool isMainThread() const;

  // Every later task goes to `forwarder` instead of the FIFO; tasks already
  // queued are forwarded at once, in order. An empty forwarder restores the
  // FIFO.
  void setForwarder(Forwarder forwarder);

 private:
  MainQueue() = default;
  Task takeTask(std::unique_lock<std::mutex>& lock);

  mutable std::mutex mutex_;
  std::condition_variable arrived_;
  std::deque<Task> tasks_;
  Forwarder forwarder_;
  std::thread::id mainThread_;
};

}  // namespace vq

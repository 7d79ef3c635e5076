#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/dispatch/VQMainQueue.h"
#include "platform/dispatch/VQWorkerPool.h"

namespace {

using vq::DispatchGroup;
using vq::MainQueue;
using vq::WorkerPool;

TEST(MainQueue, TasksOfOneProducerRunInOrderOnTheDrainingThread) {
  MainQueue& queue = MainQueue::shared();
  std::vector<int> seen;
  std::thread::id ranOn;
  std::atomic<bool> producerDone{false};
  std::thread producer([&] {
    for (int i = 0; i < 500; ++i)
      queue.async([&, i] {
        seen.push_back(i);
        ranOn = std::this_thread::get_id();
      });
    queue.async([&] { producerDone = true; });
  });
  queue.drainUntil([&] { return producerDone.load(); });
  producer.join();
  ASSERT_EQ(seen.size(), 500u);
  for (int i = 0; i < 500; ++i) EXPECT_EQ(seen[i], i);
  EXPECT_EQ(ranOn, std::this_thread::get_id());
  EXPECT_TRUE(queue.isMainThread());
}

TEST(MainQueue, RunOnMainRunsAtOnceOnlyOnTheMainThread) {
  MainQueue& queue = MainQueue::shared();
  queue.bindToCurrentThread();
  bool ran = false;
  queue.runOnMain([&] { ran = true; });
  EXPECT_TRUE(ran);

  std::atomic<bool> ranElsewhere{false};
  std::thread([&] { queue.runOnMain([&] { ranElsewhere = true; }); }).join();
  EXPECT_FALSE(ranElsewhere.load());  // queued, not run on the other thread
  EXPECT_TRUE(queue.runOnce(std::chrono::milliseconds(1000)));
  EXPECT_TRUE(ranElsewhere.load());
  EXPECT_FALSE(queue.runOnce());
}

TEST(MainQueue, ForwarderReceivesQueuedAndLaterTasksInOrder) {
  MainQueue& queue = MainQueue::shared();
  std::vector<int> seen;
  queue.async([&] { seen.push_back(1); });
  std::vector<MainQueue::Task> forwarded;
  std::mutex forwardedMutex;
  queue.setForwarder([&](MainQueue::Task task) {
    std::lock_guard lock(forwardedMutex);
    forwarded.push_back(std::move(task));
  });
  std::thread([&] { queue.async([&] { seen.push_back(2); }); }).join();
  queue.setForwarder({});
  EXPECT_EQ(queue.pendingCount(), 0u);
  for (auto& task : forwarded) task();
  EXPECT_EQ(seen, (std::vector<int>{1, 2}));
}

TEST(WorkerPool, RunsTasksInParallelAndTheGroupWaitsForAll) {
  WorkerPool pool(4);
  DispatchGroup group;
  std::atomic<int> running{0}, peak{0}, done{0};
  for (int i = 0; i < 16; ++i) {
    pool.async(group, [&] {
      int now = ++running;
      int seen = peak.load();
      while (now > seen && !peak.compare_exchange_weak(seen, now)) {
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      --running;
      ++done;
    });
  }
  group.wait();
  EXPECT_EQ(done.load(), 16);
  EXPECT_EQ(group.count(), 0u);
  EXPECT_GT(peak.load(), 1);
  EXPECT_LE(peak.load(), 4);
}

TEST(WorkerPool, ATaskThatThrowsStillLeavesTheGroupAndThePoolGoesOn) {
  WorkerPool pool(1);
  DispatchGroup group;
  std::atomic<bool> after{false};
  pool.async(group, [] { throw std::runtime_error("page failed"); });
  pool.async(group, [&] { after = true; });
  group.wait();
  EXPECT_TRUE(after.load());
}

TEST(WorkerPool, GlobalPoolHoldsAtLeastTwelveThreads) { EXPECT_GE(WorkerPool::global().threadCount(), 12u); }

}  // namespace

// A waiter may free what the tasks used as soon as the wait returns: every
// task's captures must be gone by then, not released later on the worker.
TEST(WorkerPool, TaskCapturesAreReleasedBeforeTheGroupWaitReturns) {
  WorkerPool pool(4);
  for (int round = 0; round < 50; ++round) {
    auto token = std::make_shared<int>(round);
    DispatchGroup group;
    for (int i = 0; i < 8; ++i) pool.async(group, [token] { std::this_thread::yield(); });
    group.wait();
    EXPECT_EQ(token.use_count(), 1) << "round " << round;
  }
}

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "platform/diagnostics/VQDiagnostics.h"

namespace {

using vq::VQDiagnose;
using vq::VQDiagnosticCategory;
using vq::VQSetDiagnosticHandler;

struct Report {
  VQDiagnosticCategory category;
  std::string message;
  friend bool operator==(const Report&, const Report&) = default;
};

// Every test leaves standard error as the destination.
class Diagnostics : public testing::Test {
 protected:
  void TearDown() override { VQSetDiagnosticHandler(nullptr); }
};

TEST_F(Diagnostics, HandlerReceivesCategoryAndLineUntilStandardErrorIsRestored) {
  std::vector<Report> seen;
  VQSetDiagnosticHandler([&](VQDiagnosticCategory c, std::string_view m) { seen.push_back({c, std::string(m)}); });
  testing::internal::CaptureStderr();
  VQDiagnose(VQDiagnosticCategory::Image, "PNG: bad header");
  VQDiagnose(VQDiagnosticCategory::Output, "Can't write the file /x.txt");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(seen, (std::vector<Report>{{VQDiagnosticCategory::Image, "PNG: bad header"},
                                       {VQDiagnosticCategory::Output, "Can't write the file /x.txt"}}));

  VQSetDiagnosticHandler(nullptr);
  testing::internal::CaptureStderr();
  VQDiagnose(VQDiagnosticCategory::PDF, "Couldn't get dict from inline image stream!");
  VQDiagnose(VQDiagnosticCategory::Conversion, "");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "Couldn't get dict from inline image stream!\n\n");
  EXPECT_EQ(seen.size(), 2u);
}

// Reports from several threads reach a handler that is not thread-safe one at
// a time and whole, also while another thread swaps the handler.
TEST_F(Diagnostics, ConcurrentReportsReachTheHandlersOneAtATime) {
  constexpr int kThreads = 8, kReports = 2000;
  std::vector<std::string> first, second;  // guarded by the channel alone
  auto collectInto = [](std::vector<std::string>& into) {
    return [&into](VQDiagnosticCategory c, std::string_view m) {
      if (c == VQDiagnosticCategory::Render) into.emplace_back(m);
    };
  };
  VQSetDiagnosticHandler(collectInto(first));
  std::atomic<int> running{kThreads};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t, &running] {
      for (int i = 0; i < kReports; ++i)
        VQDiagnose(VQDiagnosticCategory::Render, "thread " + std::to_string(t) + " report " + std::to_string(i));
      --running;
    });
  }
  for (int swaps = 0; running > 0; ++swaps) {
    VQSetDiagnosticHandler(collectInto(swaps % 2 ? first : second));
    std::this_thread::yield();
  }
  for (auto& thread : threads) thread.join();
  VQSetDiagnosticHandler(nullptr);

  std::vector<std::string> all = first;
  all.insert(all.end(), second.begin(), second.end());
  ASSERT_EQ(all.size(), size_t(kThreads) * kReports);
  std::vector<std::vector<bool>> got(kThreads, std::vector<bool>(kReports, false));
  for (const std::string& line : all) {
    int t = -1, i = -1;
    ASSERT_EQ(std::sscanf(line.c_str(), "thread %d report %d", &t, &i), 2) << line;
    ASSERT_TRUE(t >= 0 && t < kThreads && i >= 0 && i < kReports) << line;
    EXPECT_EQ(line, "thread " + std::to_string(t) + " report " + std::to_string(i));
    EXPECT_FALSE(got[t][i]) << "twice: " << line;
    got[t][i] = true;
  }
}

}  // namespace

// The page-parallel front: how many pages run at once, which place each page
// gets, and that failures inside workers are reported without stalling.
#include <gtest/gtest.h>

#include <algorithm>
#include <mutex>
#include <set>
#include <thread>

#include "FrontTestSupport.h"
#include "support/TestSupport.h"

namespace {

using namespace vqtest;
using vq::VQPDFOptions;

const std::string kSixPages = corpusFile("text-distiller.pdf").string();

struct ParallelRun {
  std::shared_ptr<RecordingExporter> exporter = std::make_shared<RecordingExporter>();
  ParallelRecorder recorder;
  vq::VQPapyrantMutliThread front;

  ParallelRun() {
    front.setDelegate(&recorder);
    front.setExporterFactory([this](const std::string&, const std::string&, const VQPDFOptions&) { return exporter; });
  }
  void convert(const std::vector<uint64_t>& pages, int threadMax, const std::string& pdf = kSixPages) {
    VQPDFOptions options;
    options.threadMax = threadMax;
    front.convertPDFAtPath(pdf, "", pages, "fake", "/nonexistent/out.fake", options);
    recorder.waitForEnd();
    ASSERT_TRUE(recorder.ended);
    EXPECT_FALSE(recorder.offMainThread);
  }
  std::vector<std::string> sortedPageCalls() const {
    auto pages = exporter->pageCalls();
    std::sort(pages.begin(), pages.end());
    return pages;
  }
};

TEST(VQPapyrantMutliThread, PoolRunsAtMostThreadMaxPagesAndGivesSubmissionPlaces) {
  ParallelRun run;
  run.exporter->concurrent = true;
  run.exporter->pageTime = std::chrono::milliseconds(60);
  // The pool has more workers than the job may use; per-thread state (file
  // instances, font caches) must exist only for the threads the job uses.
  std::mutex threadsMutex;
  std::set<std::thread::id> threads;
  run.exporter->onPage = [&](int64_t) {
    std::lock_guard lock(threadsMutex);
    threads.insert(std::this_thread::get_id());
  };
  run.convert({3, 1, 2, 6, 5, 4}, 3);
  EXPECT_LE(run.exporter->peakConcurrency(), 3);
  EXPECT_GT(run.exporter->peakConcurrency(), 1);
  EXPECT_LE(threads.size(), 3u);
  EXPECT_EQ(run.sortedPageCalls(),
            (std::vector<std::string>{"page 1 2/6 index 0", "page 2 3/6 index 0", "page 3 1/6 index 0",
                                      "page 4 6/6 index 0", "page 5 5/6 index 0", "page 6 4/6 index 0"}));
  const auto& lines = run.recorder.lines;
  ASSERT_GE(lines.size(), 4u);
  EXPECT_EQ(lines[lines.size() - 3], "progress 6/6");  // every page written in order before the end
  EXPECT_EQ(lines[lines.size() - 2], "willSave");
  EXPECT_EQ(lines.back(), "end ok");
}

TEST(VQPapyrantMutliThread, FailuresInWorkersAreReportedAndDoNotStallInOrderWriting) {
  ParallelRun run;
  run.exporter->concurrent = true;
  run.exporter->refusePositions = {3};
  run.exporter->throwPositions = {4};
  run.convert({1, 0, 2, 3, 77, 6}, 4);
  auto lines = run.recorder.lines;
  auto has = [&](const std::string& line) { return std::find(lines.begin(), lines.end(), line) != lines.end(); };
  EXPECT_TRUE(has("fail 0 401 Out of PDF Page Range(0)"));
  EXPECT_TRUE(has("fail 2 401 Can't convert the PDF Page.(2)"));
  EXPECT_TRUE(has("exception page 4 broke"));
  EXPECT_TRUE(has("fail 77 401 Out of PDF Page Range(77)"));
  EXPECT_TRUE(has("progress 6/6"));
  EXPECT_EQ(lines.back(), "end ok");
  EXPECT_EQ(run.exporter->written(), 6);
}

TEST(VQPapyrantMutliThread, PagesThatWorkersCannotReadAreReported) {
  // Workers read pages through instances of their own; once the file is gone
  // they cannot, while the job's own instance still could.
  vqtest::ScratchDir scratch;
  std::filesystem::path copy = scratch / "gone.pdf";
  std::filesystem::copy_file(kSixPages, copy);
  ParallelRun run;
  run.exporter->concurrent = true;
  run.exporter->onBegin = [&] { std::filesystem::remove(copy); };
  run.convert({1, 2}, 2, copy.string());
  std::vector<std::string> failures;
  for (auto& line : run.recorder.lines)
    if (line.rfind("fail", 0) == 0) failures.push_back(line);
  std::sort(failures.begin(), failures.end());
  EXPECT_EQ(failures, (std::vector<std::string>{"fail 1 401 Can't read the PDF Page.(1)",
                                                "fail 2 401 Can't read the PDF Page.(2)"}));
  const auto& lines = run.recorder.lines;
  EXPECT_EQ(std::vector<std::string>(lines.end() - 3, lines.end()),
            (std::vector<std::string>{"progress 2/2", "willSave", "end ok"}));
  EXPECT_TRUE(run.exporter->pageCalls().empty());
}

TEST(VQPapyrantMutliThread, OneAtATimeUnlessTheExporterAcceptsConcurrentPages) {
  struct Case {
    int threadMax;
    bool concurrent;
  };
  for (Case c : {Case{5, false}, Case{1, true}, Case{0, true}, Case{-3, true}}) {
    SCOPED_TRACE(c.threadMax);
    ParallelRun run;
    run.exporter->concurrent = c.concurrent;
    run.exporter->pageTime = std::chrono::milliseconds(10);
    run.convert({2, 1, 3}, c.threadMax);
    EXPECT_EQ(run.exporter->peakConcurrency(), 1);
    if (!c.concurrent) {  // one at a time, so the place can number output files
      EXPECT_EQ(run.exporter->pageCalls(),
                (std::vector<std::string>{"page 2 1/3 index 0", "page 1 2/3 index 1", "page 3 3/3 index 2"}));
    }
    // A progress report after every page.
    EXPECT_EQ(run.recorder.lines, (std::vector<std::string>{"start", "progress 1/3", "progress 2/3", "progress 3/3",
                                                            "willSave", "end ok"}));
  }
}

}  // namespace

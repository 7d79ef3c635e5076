// Report orders of both conversion fronts, driven with a recording exporter
// over a real six-page document.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <mutex>

#include "FrontTestSupport.h"
#include "platform/diagnostics/VQDiagnostics.h"
#include "support/TestSupport.h"

namespace {

using namespace vqtest;
using vq::VQPDFOptions;

const std::string kSixPages = corpusFile("text-distiller.pdf").string();

template <typename Front, typename Rec>
struct Harness {
  Rec recorder;  // outlives the front
  Front front;
  std::shared_ptr<RecordingExporter> exporter = std::make_shared<RecordingExporter>();

  Harness() {
    front.setDelegate(&recorder);
    front.setExporterFactory([this](const std::string&, const std::string&, const VQPDFOptions&) { return exporter; });
  }
  void run(const std::vector<uint64_t>& pages, const std::string& path = kSixPages, int threadMax = 0,
           const std::string& password = "") {
    VQPDFOptions options;
    options.threadMax = threadMax;
    front.convertPDFAtPath(path, password, pages, "fake", "/nonexistent/out.fake", options);
    recorder.waitForEnd();
    ASSERT_TRUE(recorder.ended);
    EXPECT_FALSE(recorder.offMainThread);
    EXPECT_FALSE(front.isConverting());
  }
};

using Single = Harness<vq::VQPapyrant, SingleRecorder>;
using Parallel = Harness<vq::VQPapyrantMutliThread, ParallelRecorder>;

struct OrderCase {
  const char* name;
  std::vector<uint64_t> pages;
  std::set<int64_t> refuse;
  std::set<int64_t> throws;
  std::vector<std::string> reports;
  std::vector<std::string> exporterCalls;
};

TEST(VQPapyrant, ReportOrders) {
  const OrderCase cases[] = {
      {"out of range in the middle",
       {1, 99, 2},
       {},
       {},
       {"start", "progress 1/3", "fail 99 401 Out of PDF Page Range(99)", "progress 3/3", "willSave", "end ok"},
       {"begin /nonexistent/out.fake", "page 1 1/3 index 0", "skip 2", "page 2 3/3 index 1", "end"}},
      // Nothing to convert is out of range, and no exporter is made for it.
      {"empty selection", {}, {}, {}, {"start", "end 401 Out of PDF Page Range(0)"}, {}},
      {"page zero and a duplicate",
       {0, 3, 3},
       {},
       {},
       {"start", "fail 0 401 Out of PDF Page Range(0)", "progress 2/3", "progress 3/3", "willSave", "end ok"},
       {"begin /nonexistent/out.fake", "skip 1", "page 3 2/3 index 0", "page 3 3/3 index 1", "end"}},
      {"refused page keeps the accepted count",
       {4, 5, 6},
       {2},
       {},
       {"start", "progress 1/3", "fail 5 401 Can't convert the PDF Page.(5)", "progress 3/3", "willSave", "end ok"},
       {"begin /nonexistent/out.fake", "page 4 1/3 index 0", "page 5 2/3 index 1", "skip 2", "page 6 3/3 index 1",
        "end"}},
      {"exception in a page",
       {1, 2},
       {},
       {1},
       {"start", "exception page 1 broke", "progress 2/2", "willSave", "end ok"},
       {"begin /nonexistent/out.fake", "page 1 1/2 index 0", "skip 1", "page 2 2/2 index 0", "end"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Single h;
    h.exporter->refusePositions = c.refuse;
    h.exporter->throwPositions = c.throws;
    h.run(c.pages);
    EXPECT_EQ(h.recorder.lines, c.reports);
    EXPECT_EQ(h.exporter->calls(), c.exporterCalls);
    // Places that never became pages do not stop in-order writing.
    EXPECT_EQ(h.exporter->written(), static_cast<int64_t>(c.pages.size()));
  }
}

template <typename H>
class BothFronts : public ::testing::Test {};
using FrontHarnesses = ::testing::Types<Single, Parallel>;
TYPED_TEST_SUITE(BothFronts, FrontHarnesses);

TYPED_TEST(BothFronts, SourceAndLoadingErrorsEndTheConversion) {
  vqtest::ScratchDir scratch;
  std::ofstream(scratch / "not.pdf") << "just text, no PDF here\n";
  struct Case {
    std::string path;
    std::string password;
    std::string end;
  };
  const Case cases[] = {
      {(scratch / "missing.pdf").string(), "", "end 404 Source File isn't exist."},
      {scratch.path().string(), "", "end 404 Source File isn't exist."},
      {"", "", "end 404 Source File isn't exist."},
      {(scratch / "not.pdf").string(), "", "end 405 Can't load the PDF Document."},
      {corpusFile("encrypted-aes128-user.pdf").string(), "wrong", "end 405 Can't load the PDF Document."},
      {corpusFile("encrypted-rc4-40-user.pdf").string(), "", "end 405 Can't load the PDF Document."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    TypeParam h;
    h.run({1}, c.path, 0, c.password);
    EXPECT_EQ(h.recorder.lines, (std::vector<std::string>{"start", c.end}));
    EXPECT_TRUE(h.exporter->calls().empty());
  }
}

// Collects the diagnostic lines reported while it lives.
class Diagnostics {
 public:
  Diagnostics() {
    vq::VQSetDiagnosticHandler([this](vq::VQDiagnosticCategory, std::string_view line) {
      std::lock_guard lock(mutex_);
      lines_.emplace_back(line);
    });
  }
  ~Diagnostics() { vq::VQSetDiagnosticHandler(nullptr); }
  std::vector<std::string> lines() {
    std::lock_guard lock(mutex_);
    return lines_;
  }
  void clear() {
    std::lock_guard lock(mutex_);
    lines_.clear();
  }

 private:
  std::mutex mutex_;
  std::vector<std::string> lines_;
};

TYPED_TEST(BothFronts, DocumentsThatDoNotOpenSayWhy) {
  Diagnostics diagnostics;
  vqtest::ScratchDir scratch;
  std::ofstream(scratch / "not.pdf") << "just text\n";
  const std::pair<std::string, std::string> cases[] = {
      {corpusFile("encrypted-aes128-user.pdf").string(), "it is encrypted and needs a password"},
      {(scratch / "not.pdf").string(), "not a PDF, or damaged beyond repair"},
      {"/dev/zero", "The input is not a regular file"},
  };
  for (const auto& [path, reason] : cases) {
    SCOPED_TRACE(path);
    diagnostics.clear();
    TypeParam h;
    h.run({1}, path);
    const auto lines = diagnostics.lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find(path), std::string::npos);
    EXPECT_NE(lines[0].find(reason), std::string::npos);
  }
}

// A page list entry that names no object fails that page alone, and says
// which page and why; the other pages convert.
TYPED_TEST(BothFronts, PagesThatCannotBeReadSayWhy) {
  Diagnostics diagnostics;
  vqtest::ScratchDir scratch;
  const auto path = (scratch / "missing-kid.pdf").string();
  std::ofstream(path, std::ios::binary) << BuildPDF({
      "<< /Type /Catalog /Pages 2 0 R >>",
      "<< /Type /Pages /Kids [3 0 R 4 0 R 9 0 R] /Count 3 >>",
      "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] >>",
      "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 300 300] >>",
  });
  TypeParam h;
  h.run({1, 2, 3}, path);
  EXPECT_EQ(h.exporter->pageCalls().size(), 2u);
  EXPECT_EQ(diagnostics.lines(),
            (std::vector<std::string>{"Can't read page 3: its page object is missing or is not a page"}));
}

TYPED_TEST(BothFronts, EncryptedDocumentsOpenWithTheirPasswords) {
  const std::pair<const char*, const char*> files[] = {{"encrypted-rc4-40-user.pdf", "user"},
                                                       {"encrypted-aes128-user.pdf", "user"},
                                                       {"encrypted-aes256-nonascii.pdf", "pässwörd"}};
  for (auto [file, password] : files) {
    SCOPED_TRACE(file);
    TypeParam h;
    h.run({1, 6}, corpusFile(file).string(), 0, password);
    EXPECT_EQ(h.recorder.lines.back(), "end ok");
    EXPECT_EQ(h.exporter->pageCalls().size(), 2u);
  }
}

TYPED_TEST(BothFronts, NoExporterForTheTypeIsAnError) {
  for (const char* type : {"pdf", "DOCX", "nonsense", ""}) {
    SCOPED_TRACE(type);
    TypeParam h;
    h.front.setExporterFactory({});  // the built-in choice
    h.front.convertPDFAtPath(kSixPages, "", {1, 2}, type, "/nonexistent/out", VQPDFOptions());
    h.recorder.waitForEnd();
    EXPECT_EQ(h.recorder.lines, (std::vector<std::string>{"start", "end 400 Unknow error while converting."}));
    EXPECT_EQ(h.front.currentExporter(), nullptr);
  }
}

TYPED_TEST(BothFronts, UnsavedOutputIsAnError) {
  TypeParam h;
  h.exporter->throwInEnd = true;
  h.run({1});
  ASSERT_GE(h.recorder.lines.size(), 3u);
  EXPECT_EQ(h.recorder.lines[h.recorder.lines.size() - 2], "exception disk full");
  EXPECT_EQ(h.recorder.lines.back(), "end 400 Unknow error while converting.");
}

TYPED_TEST(BothFronts, StopDuringAPageFinishesItThenCleans) {
  for (int threads : {0, 3}) {
    SCOPED_TRACE(threads);
    TypeParam h;
    h.exporter->concurrent = threads > 1;
    h.exporter->onPage = [&](int64_t position) {
      if (position == 2) h.front.stopConvertsionIfNeed();
    };
    h.exporter->pageTime = std::chrono::milliseconds(threads > 1 ? 100 : 0);
    h.run({1, 2, 3, 4, 5, 6}, kSixPages, threads);
    auto calls = h.exporter->calls();
    EXPECT_EQ(h.recorder.lines.back(), "end 406 Conversion has been canceled.");
    EXPECT_EQ(std::count(h.recorder.lines.begin(), h.recorder.lines.end(), "willSave"), 0);
    EXPECT_EQ(calls.back(), "clean");
    EXPECT_NE(std::find(calls.begin(), calls.end(), "cancel"), calls.end());
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "end"), 0);
    if (threads == 0) EXPECT_EQ(h.exporter->pageCalls().size(), 2u);  // the page in hand finished
    else EXPECT_LE(h.exporter->pageCalls().size(), 3u);               // only those in flight finished
  }
}

TYPED_TEST(BothFronts, NextConversionMayStartFromTheEndReport) {
  TypeParam h;
  int ends = 0;
  bool idleAtEnd = false;
  h.recorder.onEnd = [&](auto* front) {
    idleAtEnd = !front->isConverting();
    if (++ends == 1) {
      h.recorder.ended = false;
      front->convertPDFAtPath(kSixPages, "", {2}, "fake", "/nonexistent/second.fake", VQPDFOptions());
      EXPECT_TRUE(front->isConverting());
    }
  };
  h.run({1});
  EXPECT_TRUE(idleAtEnd);
  EXPECT_EQ(ends, 2);
  EXPECT_EQ(h.front.destDocPath(), "/nonexistent/second.fake");
  EXPECT_EQ(std::count(h.recorder.lines.begin(), h.recorder.lines.end(), "start"), 2);
  EXPECT_GT(h.front.conversionSpendTime(), 0.0);
}

TYPED_TEST(BothFronts, DestroyingARunningFrontStopsItAndDropsItsReports) {
  using Front = decltype(TypeParam::front);
  auto exporter = std::make_shared<RecordingExporter>();
  exporter->pageTime = std::chrono::milliseconds(30);
  decltype(TypeParam::recorder) recorder;
  auto front = std::make_unique<Front>();
  front->setDelegate(&recorder);
  front->setExporterFactory([&](const std::string&, const std::string&, const VQPDFOptions&) { return exporter; });
  front->convertPDFAtPath(kSixPages, "", {1, 2, 3, 4, 5, 6}, "fake", "/nonexistent/out.fake", VQPDFOptions());
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  front.reset();  // waits for the page in hand, then the job ends
  vq::MainQueue::shared().drainPending();
  EXPECT_EQ(recorder.lines, (std::vector<std::string>{"start"}));
  auto calls = exporter->calls();
  EXPECT_EQ(calls.back(), "clean");
  EXPECT_LT(exporter->pageCalls().size(), 6u);
}

}  // namespace

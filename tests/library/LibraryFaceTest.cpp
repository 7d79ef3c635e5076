// A host program's view of libvqpapyrant.so: it links the shared library
// alone, so every name used here must be part of what the library exports,
// and the host's delegate and diagnostics handler must work across it.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "support/TestSupport.h"
#include "vqpapyrant/VQDiagnostics.h"
#include "vqpapyrant/VQMainQueue.h"
#include "vqpapyrant/VQPapyrant.h"

namespace {

using vq::VQDiagnosticCategory;

struct HostDelegate : vq::VQPapyrantDelegate {
  bool started = false, ended = false;
  std::optional<vq::VQError> endError;
  uint64_t pagesDone = 0, pagesTotal = 0;
  void didStartConversion(vq::VQPapyrant*, const std::optional<vq::VQError>&) override { started = true; }
  void didEndConversion(vq::VQPapyrant*, const std::optional<vq::VQError>& error) override {
    ended = true;
    endError = error;
  }
  void toPageIndexToTotalPages(vq::VQPapyrant*, uint64_t done, uint64_t total) override {
    pagesDone = done;
    pagesTotal = total;
  }
};

HostDelegate convert(const std::string& type, const std::filesystem::path& dest) {
  vq::VQPapyrant papyrant;
  HostDelegate host;
  papyrant.setDelegate(&host);
  papyrant.convertPDFAtPath(vqtest::corpusFile("minimal-jspdf.pdf").string(), "", {1}, type, dest.string(),
                            vq::VQPDFOptions());
  vq::MainQueue::shared().drainUntil([&] { return host.ended; });
  EXPECT_FALSE(papyrant.isConverting());
  return host;
}

TEST(LibraryFace, HostDelegateAndDiagnosticsHandlerWorkAcrossTheLibrary) {
  vqtest::ScratchDir scratch;
  std::vector<std::pair<VQDiagnosticCategory, std::string>> diagnostics;
  vq::VQSetDiagnosticHandler(
      [&](VQDiagnosticCategory category, std::string_view line) { diagnostics.emplace_back(category, line); });
  testing::internal::CaptureStderr();

  HostDelegate done = convert("txt", scratch / "out.txt");
  EXPECT_TRUE(done.started);
  EXPECT_FALSE(done.endError.has_value());
  EXPECT_EQ(done.pagesDone, 1u);
  EXPECT_EQ(done.pagesTotal, 1u);
  EXPECT_TRUE(std::filesystem::is_regular_file(scratch / "out.txt"));
  EXPECT_TRUE(diagnostics.empty());

  HostDelegate refused = convert("xyz", scratch / "out.xyz");
  ASSERT_TRUE(refused.endError.has_value());
  EXPECT_EQ(refused.endError->code, vq::VQPapyrantErrorUnknown);
  EXPECT_EQ(diagnostics, (std::vector<std::pair<VQDiagnosticCategory, std::string>>{
                             {VQDiagnosticCategory::Conversion, "No exporter for the destination type \"xyz\""}}));

  vq::VQSetDiagnosticHandler(nullptr);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

}  // namespace

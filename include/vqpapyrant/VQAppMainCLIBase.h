#pragma once
// What the two command-line fronts share: option parsing, page ranges, the
// printed lines and the run of one conversion, and the front over a
// conversion front that prints its reports. VQAppMainCLI and
// VQAppMainCLIMutliThread differ only in the engine object they drive and
// their title line.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "vqpapyrant/VQError.h"
#include "vqpapyrant/VQExport.h"
#include "vqpapyrant/VQPDFOptions.h"
#include "vqpapyrant/VQPapyrantFront.h"

namespace vq {

// The options of a command line ("i:o:p:f:t:chx"; the last occurrence of an
// option wins; unknown options are skipped).
struct VQ_EXPORT VQCLIArguments {
  std::optional<std::string> input;    // -i
  std::optional<std::string> output;   // -o
  std::optional<std::string> pages;    // -p
  std::optional<std::string> format;   // -f
  std::optional<std::string> threads;  // -t
  bool openConvertedFile = false;      // -c
  bool allInOneSheet = false;          // -x
  bool help = false;                   // -h

  static VQCLIArguments parse(int argc, const char* const argv[]);
  // The -t value as stored: its leading integer (0 when none), at most 12.
  int32_t threadMax() const;
};

class VQ_EXPORT VQAppMainCLIBase {
 public:
  virtual ~VQAppMainCLIBase() = default;

  // Parses the options, prints the set-up lines, starts one conversion and
  // returns pdfResult (0). The reports arrive on the main queue; the host keeps
  // draining it until isFinished(). -h prints the usage and ends the process.
  // A destination that is the source itself is refused: nothing starts,
  // pdfResult is 1 and isFinished() is true at once.
  int32_t runMain(int argc, const char* const argv[]);
  [[noreturn]] void usage() const;

  int32_t pdfResult() const { return pdfResult_; }
  bool openConvertedFile() const { return openConvertedFile_; }
  bool isFinished() const { return finished_; }
  const std::string& pdfPath() const { return pdfPath_; }
  const std::vector<uint64_t>& pdfPageIndexs() const { return pdfPageIndexs_; }
  // Stops the conversion.
  virtual void leftButtonPress() = 0;

  // 1-based page numbers of a range text such as "1-3,5" or "3-1" or "all"
  // within 1..count, in the written order, duplicates kept.
  static std::vector<uint64_t> PageIndexsForString(const std::string& text, int64_t count);
  // The page count of the document at `path` (no password); 0 when it cannot
  // be opened.
  static uint64_t GetPDFNumberOfPages(const std::string& path);
  // "Conversion Page: <done>-<total>, Progress: <percent>%", the percent of
  // `selected` pages, at least 0.1.
  static std::string ProgressText(uint64_t done, uint64_t total, size_t selected);

 protected:
  virtual const char* title() const = 0;
  virtual void startConversion(const std::string& path, const std::vector<uint64_t>& pages, const std::string& format,
                               const std::string& destination, const VQPDFOptions& options) = 0;

  // Report printers for the derived fronts.
  void printStarted(const std::string& enginePdfPath);
  void printEnded(const std::optional<VQError>& error, const std::string& enginePdfPath,
                  const std::string& engineDestDocPath, double spendTime);
  void printPage(uint64_t done, uint64_t total);
  void printWillSave(const std::string& engineDestDocPath);
  void printException(const VQException& exception);
  // A page that was not converted: the conversion then ends as failed,
  // naming the pages, however the rest went.
  void noteFailedPage(uint64_t pdfPageIndex);

 private:
  int32_t pdfResult_ = 0;
  bool openConvertedFile_ = false;
  bool finished_ = false;
  std::vector<uint64_t> failedPages_;
  std::string pdfPath_;
  std::vector<uint64_t> pdfPageIndexs_;
};

// A command-line front over the conversion front `Front`, whose delegate
// type is `Delegate`: it starts the conversion and prints each report.
template <class Front, class Delegate>
class VQAppMainCLIOver : public VQAppMainCLIBase, private Delegate {
 public:
  VQAppMainCLIOver() { papyrant_.setDelegate(this); }
  Front& papyrant() { return papyrant_; }
  void leftButtonPress() override { papyrant_.stopConvertsionIfNeed(); }

 protected:
  void startConversion(const std::string& path, const std::vector<uint64_t>& pages, const std::string& format,
                       const std::string& destination, const VQPDFOptions& options) override {
    papyrant_.convertPDFAtPath(path, "", pages, format, destination, options);
  }

 private:
  void didStartConversion(Front*, const std::optional<VQError>&) override { printStarted(papyrant_.pdfPath()); }
  void didEndConversion(Front*, const std::optional<VQError>& error) override {
    printEnded(error, papyrant_.pdfPath(), papyrant_.destDocPath(), papyrant_.conversionSpendTime());
  }
  void toPageIndexToTotalPages(Front*, uint64_t pageIndex, uint64_t totalPages) override {
    printPage(pageIndex, totalPages);
  }
  void willSaveDoc(Front*, const std::optional<VQError>&) override { printWillSave(papyrant_.destDocPath()); }
  void catchException(Front*, const VQException& exception) override { printException(exception); }
  void pdfPageIndexFaildWithError(Front*, uint64_t pdfPageIndex, const VQError&) override {
    noteFailedPage(pdfPageIndex);
  }

  Front papyrant_;
};

}  // namespace vq

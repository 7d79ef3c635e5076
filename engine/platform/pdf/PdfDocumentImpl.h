#pragma once
// The inside of a Document, for the platform layer only: one qpdf instance
// of the file per thread, opened lazily with the password that opened the
// document first.
#include <qpdf/QPDF.hh>

#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "platform/pdf/PdfDocument.h"

namespace vq::pdf {

struct Document::Impl {
  std::string path;
  std::string password;       // as the caller gave it
  std::string passwordBytes;  // the bytes that opened the file
  bool encrypted = false;
  bool ownerPasswordMatched = false;
  bool allowsPrinting = true;
  int pageCount = 0;
  std::string version;
  // The file's bytes with a rebuilt cross-reference, when its own could not
  // be read; every instance is opened from them.
  std::shared_ptr<const std::string> repairedBytes;

  // Pages a thread's instance reads before a fresh one takes its place.
  static constexpr int kPagesPerInstance = 32;
  struct Instance {
    std::shared_ptr<QPDF> qpdf;
    int lastPage = 0;
    int pagesRead = 0;
    // qpdf has read the whole page tree: pages are looked up in its list
    // instead of by descending the tree.
    bool wholeTreeRead = false;
    // The pages of the tree, read once when the whole tree is.
    std::shared_ptr<const std::vector<QPDFObjectHandle>> pages;
  };

  std::mutex mutex;
  std::unordered_map<std::thread::id, Instance> instances;

  // The calling thread's instance; nullptr when the file cannot be opened
  // again (removed or changed since).
  std::shared_ptr<QPDF> instance();
  // The page object (1-based) on the calling thread's instance.
  Object pageObject(int number);
  // Counts the pages the calling thread's instance has read; past a number
  // of them the instance is let go.
  void notePageRead(int number);
};

// Opens one qpdf instance quietly (warnings discarded, recovery on), from
// `repairedBytes` when given, else from the file; throws qpdf's exceptions.
std::shared_ptr<QPDF> OpenQPDF(const std::string& path, const std::string& passwordBytes,
                               std::shared_ptr<const std::string> repairedBytes = nullptr);

}  // namespace vq::pdf

#pragma once
// The inside of a Document, for the platform layer only: one qpdf instance
// of the file per thread, opened lazily with the password that opened the
// document first.
#include <qpdf/QPDF.hh>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/pdf/PdfDocument.h"

namespace vq::pdf {

// A file as the system tells it apart: which file it is and when it last
// changed. Equal identities of one path read as the same bytes.
struct FileIdentity {
  uint64_t device = 0;
  uint64_t inode = 0;
  int64_t size = -1;
  int64_t changedSeconds = 0;
  int64_t changedNanoseconds = 0;
  bool operator==(const FileIdentity&) const = default;
};

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

  // Pages a thread's instance reads before a fresh one takes its place: at
  // least kPagesPerInstance, and more in a file of many objects, whose fresh
  // instance costs more (its cross-reference and the top of its page tree
  // are read again), so that opening instances costs the same per page
  // whatever the length of the document.
  static constexpr int kPagesPerInstance = 32;
  static constexpr int kObjectsPerPage = 32;
  // Pages an instance reads at the least when several threads share the
  // budget: a fresh instance also builds again the fonts that keep its
  // objects.
  static constexpr int kLeastPagesPerInstance = 8;
  int pagesPerInstance = kPagesPerInstance;
  struct Instance {
    std::shared_ptr<QPDF> qpdf;
    FileIdentity file;  // the file as it was when the instance read it
    int lastPage = 0;
    int pagesRead = 0;
    // The pages of the tree, read by this instance when some page is no
    // indirect object (and so has no number to be found by).
    std::shared_ptr<const std::vector<QPDFObjectHandle>> pages;
    // `lastPage`'s dictionary once found: the page's box, resources,
    // contents and rotation each ask for it, and finding it again walks the
    // page tree each time.
    QPDFObjectHandle lastPageObject;
  };

  // Where the page tree's counts cannot be trusted (or a lookup on them
  // costs more than it should), the whole tree is read once for the
  // document and its pages kept here by object number, in order: every
  // instance then finds a page by its number. A page that is no indirect
  // object is listed as 0 0. Null until then.
  std::shared_ptr<const std::vector<QPDFObjGen>> pageIds;

  // The work done, for tests: qpdf instances opened, and page-tree objects
  // looked at while finding pages.
  std::atomic<uint64_t> instancesOpened{0};
  std::atomic<uint64_t> treeObjectsRead{0};

  // Read with repairs that another reader of the file might not make; the
  // copy written for a renderer then, once (see Document::pathForRenderer).
  std::atomic<bool> repaired{false};
  std::mutex renderCopyMutex;
  bool renderCopyTried = false;
  std::string renderCopy;

  std::mutex mutex;
  std::unordered_map<std::thread::id, Instance> instances;
  // The threads that have read pages of the document: they share its
  // budget of pages per instance.
  std::unordered_set<std::thread::id> pageReaders;

  // The calling thread's instance; nullptr when the file cannot be opened
  // again (removed or changed since).
  std::shared_ptr<QPDF> instance();
  // The page object (1-based) on the calling thread's instance.
  Object pageObject(int number);
  // The page on `instance`, found again: through the counts, or the tree read once.
  QPDFObjectHandle findPage(QPDF& instance, int number);
  // The calling thread's instance while it is still `q`; with `mutex` held.
  Instance* ownInstance(const QPDF* q);
  // Counts the pages the calling thread's instance has read; past a number
  // of them the instance is let go.
  void notePageRead(int number);
};

// Opens one qpdf instance quietly (warnings discarded, recovery on), from
// `repairedBytes` when given, else from the file; throws qpdf's exceptions.
// `file`, when given, receives the file's identity as it was before it was
// read. An instance of the same file and password that a closed document
// left unused is taken instead of reading the file again.
std::shared_ptr<QPDF> OpenQPDF(const std::string& path, const std::string& passwordBytes,
                               std::shared_ptr<const std::string> repairedBytes = nullptr,
                               FileIdentity* file = nullptr);

}  // namespace vq::pdf

#include "platform/pdf/PdfDocument.h"

#include <qpdf/QPDFExc.hh>
#include <qpdf/QPDFLogger.hh>
#include <qpdf/QPDFWriter.hh>
#include <qpdf/QUtil.hh>

#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <set>

#include "platform/diagnostics/VQDiagnostics.h"
#include "platform/pdf/PdfDocumentImpl.h"
#include "platform/pdf/PdfFileSource.h"
#include "platform/pdf/PdfObjectImpl.h"
#include "platform/pdf/PdfRenderSafety.h"
#include "platform/pdf/PdfRepair.h"

namespace vq::pdf {

namespace {

std::shared_ptr<QPDFLogger> quietLogger() {
  auto logger = QPDFLogger::create();
  logger->setInfo(logger->discard());
  logger->setWarn(logger->discard());
  logger->setError(logger->discard());
  return logger;
}

bool isASCII(const std::string& s) {
  return std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Standard handler revisions 2 to 4 take passwords in PDFDocEncoding; 5 and
// 6 take UTF-8. The caller's UTF-8 is tried first, then its PDFDocEncoding.
std::vector<std::string> passwordCandidates(const std::string& password) {
  std::vector<std::string> out{password};
  if (!isASCII(password)) {
    std::string pdfDoc;
    if (QUtil::utf8_to_pdf_doc(password, pdfDoc, '?') && pdfDoc != password) out.push_back(pdfDoc);
  }
  return out;
}

// Follows /Parent from a page to the root for an inheritable entry; stops at
// a loop. A tree may be legally thousands of nodes deep, so the climb
// counts no depth: direct parents end with the object that holds them.
Object inherited(const Object& page, const std::string& key) {
  std::set<std::pair<int, int>> seen;
  Object node = page;
  while (node.isDictionary()) {
    Object value = node.get(key);
    if (!value.isNull()) return value;
    ObjectId id = node.id();
    if (id.isIndirect() && !seen.insert({id.number, id.generation}).second) break;
    node = node.get("Parent");
  }
  return Object();
}

// A rectangle array of four numbers, standardised; nullopt otherwise.
std::optional<Rect> rectFromArray(const Object& array) {
  if (!array.isArray() || array.size() != 4) return std::nullopt;
  double v[4];
  for (size_t i = 0; i < 4; ++i) {
    auto n = array.at(i).number();
    if (!n || !std::isfinite(*n)) return std::nullopt;
    v[i] = *n;
  }
  double x0 = std::min(v[0], v[2]), x1 = std::max(v[0], v[2]);
  double y0 = std::min(v[1], v[3]), y1 = std::max(v[1], v[3]);
  return RectMake(x0, y0, x1 - x0, y1 - y0);
}

std::optional<Rect> intersect(const Rect& a, const Rect& b) {
  double x0 = std::max(a.origin.x, b.origin.x);
  double y0 = std::max(a.origin.y, b.origin.y);
  double x1 = std::min(a.origin.x + a.size.width, b.origin.x + b.size.width);
  double y1 = std::min(a.origin.y + a.size.height, b.origin.y + b.size.height);
  if (x1 <= x0 || y1 <= y0) return std::nullopt;
  return RectMake(x0, y0, x1 - x0, y1 - y0);
}

const char* boxKey(PageBox which) {
  switch (which) {
    case PageBox::Media:
      return "MediaBox";
    case PageBox::Crop:
      return "CropBox";
    case PageBox::Bleed:
      return "BleedBox";
    case PageBox::Trim:
      return "TrimBox";
    case PageBox::Art:
      return "ArtBox";
  }
  return "MediaBox";
}

// Where an object qpdf could not read is read again from (see
// ReadableObject).
struct FileBytes {
  const std::string& path;
  const std::string* repaired;
};

QPDFObjectHandle readable(QPDF& q, QPDFObjectHandle handle, const FileBytes& file) {
  return ReadableObject(q, std::move(handle), file.path, file.repaired);
}

// Page trees are read on their /Count entries so that opening a long
// document, or reading one of its pages, costs the nodes on the way rather
// than every page object of the file. Whatever the counts do not vouch for
// is left to qpdf, which reads and repairs the whole tree.
constexpr long long kMostPages = 10'000'000;
// The counts are checked, and followed down to a page, this deep at most;
// a deeper tree (legal, if rare) is read once by the walk below, which
// keeps its own stack and so takes any depth.
constexpr int kMostTreeDepth = 64;
// A top level wider than this is not summed kid by kid: qpdf reads it.
constexpr int kMostTopLevelKids = 4096;

std::optional<int> countEntry(QPDFObjectHandle node) {
  QPDFObjectHandle count = node.getKey("/Count");
  if (!count.isInteger()) return std::nullopt;
  const long long n = count.getIntValue();
  if (n < 0 || n > kMostPages) return std::nullopt;
  return static_cast<int>(n);
}

bool isTreeNode(QPDFObjectHandle node) { return node.isDictionary() && node.getKey("/Kids").isArray(); }

// How many pages a kid of a tree node holds: one for a page, its count for
// a node; nullopt for what is neither.
std::optional<int> pagesUnder(QPDFObjectHandle kid) {
  if (!kid.isDictionary()) return std::nullopt;
  return isTreeNode(kid) ? countEntry(kid) : std::optional<int>(1);
}

// Tree nodes read when checking the counts at opening; a larger tree is
// taken on its counts, its lookups finding any lie page by page.
constexpr int kMostNodesChecked = 20'000;

// Whether the nodes under `node` hold what their counts say, as far as can
// be told from the nodes alone: a node listing as many kids as its count is
// taken as listing pages without reading them, unless one is a node met
// before, one is listed twice or one is a value other than a dictionary
// (their references tell that); in any other node the kids' own counts (one
// for a page) add up to its count. `checked` counts the nodes read; past the
// bound the rest is taken on trust.
bool countsHold(QPDFObjectHandle node, int depth, std::set<QPDFObjGen>& nodes, std::set<QPDFObjGen>& pages,
                int& checked) {
  const auto count = countEntry(node);
  if (!count || depth >= kMostTreeDepth) return false;
  QPDFObjectHandle kids = node.getKey("/Kids");
  const int n = kids.getArrayNItems();
  if (n == *count) {
    for (int i = 0; i < n; ++i) {
      QPDFObjectHandle kid = kids.getArrayItem(i);
      if (kid.isIndirect() ? nodes.count(kid.getObjGen()) || !pages.insert(kid.getObjGen()).second
                           : !kid.isDictionary())
        return false;
    }
    return true;
  }
  if (n > kMostTopLevelKids) return false;
  long long sum = 0;
  for (int i = 0; i < n; ++i) {
    QPDFObjectHandle kid = kids.getArrayItem(i);
    const auto under = pagesUnder(kid);
    if (!under) return false;
    sum += *under;
    if (!isTreeNode(kid)) {
      if (kid.isIndirect() && !pages.insert(kid.getObjGen()).second) return false;
      continue;
    }
    if (kid.isIndirect() && (pages.count(kid.getObjGen()) || !nodes.insert(kid.getObjGen()).second)) return false;
    if (++checked > kMostNodesChecked) continue;
    if (!countsHold(kid, depth + 1, nodes, pages, checked)) return false;
  }
  return sum == *count;
}

// The document's page count as the tree's root states it, when the nodes
// under it agree (see countsHold).
std::optional<int> countFromTreeRoot(QPDF& q) {
  QPDFObjectHandle root = q.getRoot().getKey("/Pages");
  if (!isTreeNode(root)) return std::nullopt;
  std::set<QPDFObjGen> nodes, pages;
  if (root.isIndirect()) nodes.insert(root.getObjGen());
  int checked = 0;
  if (!countsHold(root, 0, nodes, pages, checked)) return std::nullopt;
  return countEntry(root);
}

// Page `number` (1-based) found by descending the tree on its counts, or a
// handle that is not initialised where the tree does not lead there. `resolved` counts the
// kids read on the way.
QPDFObjectHandle pageByCounts(QPDF& q, int number, int& resolved, const FileBytes& file) {
  QPDFObjectHandle node = q.getRoot().getKey("/Pages");
  std::set<QPDFObjGen> seen;
  int index = number;  // 1-based within `node`
  for (int depth = 0; depth < kMostTreeDepth; ++depth) {
    if (!isTreeNode(node)) return {};
    if (node.isIndirect() && !seen.insert(node.getObjGen()).second) return {};
    const auto count = countEntry(node);
    if (!count || index > *count) return {};
    QPDFObjectHandle kids = node.getKey("/Kids");
    const int n = kids.getArrayNItems();
    // A node listing as many kids as its count holds pages only, when the
    // kid at the index proves to be one.
    if (n == *count) {
      QPDFObjectHandle kid = readable(q, kids.getArrayItem(index - 1), file);
      ++resolved;
      if (kid.isDictionary() && !isTreeNode(kid)) return kid;
    }
    QPDFObjectHandle next;
    for (int i = 0; i < n && !next.isInitialized(); ++i) {
      QPDFObjectHandle kid = readable(q, kids.getArrayItem(i), file);
      ++resolved;
      const auto pages = pagesUnder(kid);
      if (!pages) return {};
      if (index <= *pages) next = kid;
      else index -= *pages;
    }
    // A page reached is the one sought: the index came down to it.
    if (next.isInitialized() && !isTreeNode(next)) return next;
    if (!next.isInitialized()) return {};
    node = next;
  }
  return {};
}

// Every page of the tree, depth first. A node met again (a /Kids that holds
// its own node, or a cycle through a lower node) is skipped and the rest of
// the tree kept, as are kids that are no dictionaries; a page listed twice
// stays twice.
std::vector<QPDFObjectHandle> pagesOfTree(QPDF& q, const FileBytes& file, uint64_t& read) {
  std::vector<QPDFObjectHandle> pages;
  std::set<QPDFObjGen> nodes;
  struct Step {
    QPDFObjectHandle node;
    int next;
  };
  QPDFObjectHandle root = q.getRoot().getKey("/Pages");
  if (!isTreeNode(root)) return pages;
  if (root.isIndirect()) nodes.insert(root.getObjGen());
  std::vector<Step> stack{{root, 0}};
  while (!stack.empty() && pages.size() < static_cast<size_t>(kMostPages)) {
    Step& top = stack.back();
    QPDFObjectHandle kids = top.node.getKey("/Kids");
    if (top.next >= kids.getArrayNItems()) {
      stack.pop_back();
      continue;
    }
    QPDFObjectHandle kid = readable(q, kids.getArrayItem(top.next++), file);
    ++read;
    if (!kid.isDictionary()) continue;
    if (!isTreeNode(kid)) {
      pages.push_back(kid);
      continue;
    }
    if (kid.isIndirect() && !nodes.insert(kid.getObjGen()).second) continue;
    stack.push_back({kid, 0});
  }
  return pages;
}

// The object numbers of `pages`, 0 0 for a page that is no indirect object.
std::vector<QPDFObjGen> idsOf(const std::vector<QPDFObjectHandle>& pages) {
  std::vector<QPDFObjGen> ids;
  ids.reserve(pages.size());
  for (const auto& page : pages) ids.push_back(page.isIndirect() ? page.getObjGen() : QPDFObjGen());
  return ids;
}

// Said once per file and text, however many times the process opens it.
void diagnoseOnce(const std::string& path, const std::string& text) {
  static std::mutex reportedMutex;
  static std::set<std::pair<std::string, std::string>> reported;
  std::lock_guard<std::mutex> lock(reportedMutex);
  if (reported.insert({path, text}).second) VQDiagnose(VQDiagnosticCategory::PDF, text);
}

// Whether the content of a damaged document's first pages decodes: false
// when those pages have content streams and not one of them decodes.
bool firstPagesReadable(const Document& document) {
  int streams = 0;
  for (int number = 1; number <= std::min(document.pageCount(), 3); ++number) {
    auto page = document.page(number);
    if (!page) continue;
    for (const Object& stream : page->contentStreams()) {
      if (stream.decodedData()) return true;
      ++streams;
    }
  }
  return streams == 0;
}

FileIdentity identify(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return {};
  return {static_cast<uint64_t>(info.st_dev), static_cast<uint64_t>(info.st_ino), static_cast<int64_t>(info.st_size),
          static_cast<int64_t>(info.st_mtim.tv_sec), static_cast<int64_t>(info.st_mtim.tv_nsec)};
}

// The command line counts a document's pages before its conversion opens it
// again, and reading the cross-reference of a long file is most of what
// opening it costs. So a document that closes leaves one instance that has
// read no page, and that nothing else holds, for the next open of that file
// with that password: known by its path, password bytes and identity, at most
// one kept at a time.
struct SpareInstance {
  std::string path;
  std::string passwordBytes;
  FileIdentity file;
  std::shared_ptr<QPDF> qpdf;
};
std::mutex spareMutex;
// Never destroyed: at exit qpdf's own statics may be gone before it.
SpareInstance& spare = *new SpareInstance;

std::shared_ptr<QPDF> takeSpare(const std::string& path, const std::string& passwordBytes, const FileIdentity& file) {
  std::lock_guard<std::mutex> lock(spareMutex);
  if (!spare.qpdf || spare.path != path || spare.passwordBytes != passwordBytes || !(spare.file == file))
    return nullptr;
  std::shared_ptr<QPDF> q = std::move(spare.qpdf);
  spare = {};
  return q;
}

void keepSpare(SpareInstance candidate) {
  std::lock_guard<std::mutex> lock(spareMutex);
  std::swap(spare, candidate);
  // The instance it replaces is let go outside the lock.
}

}  // namespace

std::shared_ptr<QPDF> OpenQPDF(const std::string& path, const std::string& passwordBytes,
                               std::shared_ptr<const std::string> repairedBytes, FileIdentity* file) {
  if (!repairedBytes) {
    const FileIdentity now = identify(path);
    if (file) *file = now;
    if (now.size >= 0) {
      if (auto q = takeSpare(path, passwordBytes, now)) return q;
    }
  }
  // An instance read from repaired bytes holds them for as long as it lives
  // (objects may outlive the document that opened it).
  auto q = repairedBytes ? std::shared_ptr<QPDF>(new QPDF(), [repairedBytes](QPDF* p) { delete p; })
                         : std::make_shared<QPDF>();
  q->setLogger(quietLogger());
  q->setSuppressWarnings(true);
  q->setAttemptRecovery(true);
  if (repairedBytes)
    q->processMemoryFile(path.c_str(), repairedBytes->data(), repairedBytes->size(), passwordBytes.c_str());
  else q->processInputSource(std::make_shared<PdfFileSource>(path), passwordBytes.c_str());
  return q;
}

std::shared_ptr<QPDF> Document::Impl::instance() {
  const auto self = std::this_thread::get_id();
  {
    std::lock_guard<std::mutex> lock(mutex);
    auto it = instances.find(self);
    if (it != instances.end()) return it->second.qpdf;
  }
  // Opened outside the lock: other threads keep reading meanwhile.
  std::shared_ptr<QPDF> q;
  FileIdentity file;
  try {
    q = OpenQPDF(path, passwordBytes, repairedBytes, &file);
  } catch (...) {
    return nullptr;
  }
  ++instancesOpened;
  std::lock_guard<std::mutex> lock(mutex);
  return instances.emplace(self, Instance{q, file, 0, 0, nullptr, {}}).first->second.qpdf;
}

void Document::Impl::notePageRead(int number) {
  const auto self = std::this_thread::get_id();
  std::lock_guard<std::mutex> lock(mutex);
  pageReaders.insert(self);
  auto it = instances.find(self);
  if (it == instances.end() || it->second.lastPage == number) return;
  it->second.lastPage = number;
  it->second.lastPageObject = QPDFObjectHandle();
  // qpdf keeps every object it has read for the life of the instance, so an
  // instance that has read many pages is let go and the thread's next page
  // opens a fresh one: memory stays flat in the number of pages. Objects
  // still held keep their own instance alive until they are released.
  // The budget is the document's, shared by the threads that read its
  // pages: each of n holds about its last 1/n of it, so that several
  // threads keep about as many objects as one does.
  const int readers = static_cast<int>(pageReaders.size());
  const int budget = std::max(kLeastPagesPerInstance, pagesPerInstance / std::max(readers, 1));
  if (++it->second.pagesRead <= budget) return;
  instances.erase(it);
}

namespace {

// The document's pages by object number, from one reading of the whole tree
// on `q` (done once per document).
std::shared_ptr<const std::vector<QPDFObjGen>> walkPageIds(Document::Impl& impl, QPDF& q, const FileBytes& file) {
  {
    std::lock_guard<std::mutex> lock(impl.mutex);
    if (impl.pageIds) return impl.pageIds;
  }
  uint64_t read = 0;
  auto ids = std::make_shared<const std::vector<QPDFObjGen>>(idsOf(pagesOfTree(q, file, read)));
  impl.treeObjectsRead += read;
  // The counts proved wrong: a renderer would not find the pages where
  // this document does.
  impl.repaired = true;
  std::lock_guard<std::mutex> lock(impl.mutex);
  if (!impl.pageIds) impl.pageIds = std::move(ids);
  return impl.pageIds;
}

}  // namespace

Object Document::Impl::pageObject(int number) {
  notePageRead(number);
  auto q = instance();
  if (!q || number < 1) return Object();
  {
    std::lock_guard<std::mutex> lock(mutex);
    if (const Instance* own = ownInstance(q.get());
        own && own->lastPage == number && own->lastPageObject.isInitialized())
      return Object::Impl::wrap(own->lastPageObject, q);
  }
  QPDFObjectHandle found = findPage(*q, number);
  if (!found.isInitialized()) return Object();
  {
    std::lock_guard<std::mutex> lock(mutex);
    if (Instance* own = ownInstance(q.get()); own && own->lastPage == number) own->lastPageObject = found;
  }
  return Object::Impl::wrap(found, q);
}

Document::Impl::Instance* Document::Impl::ownInstance(const QPDF* q) {
  auto it = instances.find(std::this_thread::get_id());
  return it != instances.end() && it->second.qpdf.get() == q ? &it->second : nullptr;
}

QPDFObjectHandle Document::Impl::findPage(QPDF& instance, int number) {
  QPDF* const q = &instance;
  try {
    const FileBytes file{path, repairedBytes.get()};
    std::shared_ptr<const std::vector<QPDFObjGen>> ids;
    {
      std::lock_guard<std::mutex> lock(mutex);
      ids = pageIds;
    }
    if (!ids) {
      int resolved = 0;
      QPDFObjectHandle page = pageByCounts(*q, number, resolved, file);
      treeObjectsRead += static_cast<uint64_t>(resolved);
      // Where the counts fail, or reaching pages one by one costs more than
      // reading the tree once (a wide node of nodes read in order), the
      // tree is read once for the document from here on.
      if (page.isInitialized() && resolved <= kMostTopLevelKids / 64) return page;
      ids = walkPageIds(*this, *q, file);
      if (page.isInitialized()) return page;
    }
    if (static_cast<size_t>(number) > ids->size()) return {};
    const QPDFObjGen id = (*ids)[static_cast<size_t>(number - 1)];
    if (id.isIndirect()) return readable(*q, q->getObject(id), file);
    // A page written into its node's /Kids is found by reading the tree
    // again on this instance.
    std::shared_ptr<const std::vector<QPDFObjectHandle>> pages;
    {
      std::lock_guard<std::mutex> lock(mutex);
      if (const Instance* own = ownInstance(q)) pages = own->pages;
    }
    if (!pages) {
      uint64_t read = 0;
      pages = std::make_shared<const std::vector<QPDFObjectHandle>>(pagesOfTree(*q, file, read));
      treeObjectsRead += read;
      std::lock_guard<std::mutex> lock(mutex);
      if (Instance* own = ownInstance(q)) own->pages = pages;
    }
    if (static_cast<size_t>(number) > pages->size()) return {};
    return (*pages)[static_cast<size_t>(number - 1)];
  } catch (...) {
    return {};
  }
}

Document::Document(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
Document::~Document() {
  if (!impl_->renderCopy.empty()) ::unlink(impl_->renderCopy.c_str());
  // A document read with repairs may have changed what its instances hold.
  if (impl_->repaired || impl_->repairedBytes) return;
  for (auto& [thread, instance] : impl_->instances) {
    if (instance.pagesRead > 0 || instance.lastPage != 0 || instance.qpdf.use_count() != 1) continue;
    keepSpare({impl_->path, impl_->passwordBytes, instance.file, std::move(instance.qpdf)});
    break;
  }
}

std::shared_ptr<Document> Document::open(const std::string& path, const std::string& password, OpenError* error) {
  auto fail = [&](OpenError e) -> std::shared_ptr<Document> {
    if (error) *error = e;
    return nullptr;
  };
  if (path.empty() || ::access(path.c_str(), R_OK) != 0) return fail(OpenError::NotFound);
  // Only regular files are documents: a FIFO would block the open for ever
  // (and is read twice), a device such as /dev/zero never ends.
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return fail(OpenError::NotFound);
  auto impl = std::make_unique<Impl>();
  impl->path = path;
  impl->password = password;
  std::shared_ptr<QPDF> q;
  FileIdentity file;
  // One reading of the file, from disk or from repaired bytes: None when
  // the document opened.
  auto attempt = [&](std::shared_ptr<const std::string> bytes) {
    q.reset();
    bool passwordRefused = false;
    for (const std::string& candidate : passwordCandidates(password)) {
      try {
        q = OpenQPDF(path, candidate, bytes, &file);
        impl->passwordBytes = candidate;
        break;
      } catch (const QPDFExc& e) {
        if (e.getErrorCode() != qpdf_e_password) return OpenError::Damaged;
        passwordRefused = true;
      } catch (...) {
        return OpenError::Damaged;
      }
    }
    if (!q) return passwordRefused ? OpenError::PasswordRequired : OpenError::Damaged;
    try {
      impl->encrypted = q->isEncrypted();
      impl->ownerPasswordMatched = impl->encrypted && q->ownerPasswordMatched();
      // The permission flags bind only those who opened the file with the user password.
      impl->allowsPrinting = !impl->encrypted || impl->ownerPasswordMatched || q->allowPrintLowRes();
      impl->pageIds.reset();
      if (const auto counted = countFromTreeRoot(*q)) impl->pageCount = *counted;
      else {
        uint64_t read = 0;
        impl->pageIds =
            std::make_shared<const std::vector<QPDFObjGen>>(idsOf(pagesOfTree(*q, FileBytes{path, bytes.get()}, read)));
        impl->pageCount = static_cast<int>(impl->pageIds->size());
      }
      const auto objects = q->getXRefTable().size();
      impl->pagesPerInstance = static_cast<int>(std::clamp<size_t>(
          objects / Impl::kObjectsPerPage, Impl::kPagesPerInstance, static_cast<size_t>(kMostPages)));
      impl->version = q->getPDFVersion();
      // A catalog /Version later than the header's wins.
      QPDFObjectHandle v = q->getRoot().getKey("/Version");
      if (v.isName()) {
        std::string catalogVersion = v.getName().substr(1);
        if (catalogVersion > impl->version) impl->version = catalogVersion;
      }
    } catch (...) {
      return OpenError::Damaged;
    }
    return OpenError::None;
  };
  OpenError result = attempt(nullptr);
  if (result == OpenError::Damaged) {
    // qpdf's own reconstruction gave up: the objects are looked for again,
    // by their headers, and the file read from those.
    std::string bytes;
    {
      std::ifstream in(path, std::ios::binary);
      bytes.assign(std::istreambuf_iterator<char>(in), {});
    }
    if (auto rebuilt = RebuildCrossReference(bytes)) {
      auto repaired = std::make_shared<const std::string>(std::move(*rebuilt));
      if (attempt(repaired) == OpenError::None) {
        result = OpenError::None;
        impl->repairedBytes = std::move(repaired);
        diagnoseOnce(path, "\"" + path + "\" is damaged; its objects were found by scanning it");
      }
    }
  }
  if (result != OpenError::None) return fail(result);
  const bool repaired = impl->repairedBytes || !q->getWarnings().empty();
  impl->repaired = repaired || impl->pageIds != nullptr;
  impl->instancesOpened = 1;
  impl->instances.emplace(std::this_thread::get_id(), Impl::Instance{q, file, 0, 0, nullptr, {}});
  if (error) *error = OpenError::None;
  auto document = std::shared_ptr<Document>(new Document(std::move(impl)));
  if (repaired && !document->isEncrypted() && !firstPagesReadable(*document)) {
    // An encrypted file cut before its trailer loses the key to its
    // streams: read as plain, it would pass for a document of empty pages.
    diagnoseOnce(path, "\"" + path +
                           "\" is damaged and none of its first pages' content can be decoded (encrypted without "
                           "its encryption dictionary, or corrupt)");
    return fail(OpenError::Damaged);
  }
  return document;
}

const std::string& Document::path() const { return impl_->path; }
const std::string& Document::password() const { return impl_->password; }
int Document::pageCount() const { return impl_->pageCount; }
bool Document::isEncrypted() const { return impl_->encrypted; }
bool Document::ownerPasswordMatched() const { return impl_->ownerPasswordMatched; }
bool Document::allowsPrinting() const { return impl_->allowsPrinting; }
std::string Document::version() const { return impl_->version; }
Document::Impl& Document::impl() const { return *impl_; }

Object Document::trailer() const {
  auto q = impl_->instance();
  if (!q) return Object();
  try {
    return Object::Impl::wrap(q->getTrailer(), q);
  } catch (...) {
    return Object();
  }
}

Object Document::catalog() const { return trailer().get("Root"); }

Object Document::info() const {
  Object info = trailer().get("Info");
  return info.isDictionary() ? info : Object();
}

std::optional<Page> Document::page(int number) const {
  if (number < 1 || number > impl_->pageCount) return std::nullopt;
  return Page(shared_from_this(), number);
}

namespace {

// An inheritable entry of `page` from its nearest ancestor that has it;
// a loop ends the climb (see inherited).
QPDFObjectHandle inheritedHandle(QPDFObjectHandle page, const std::string& key) {
  std::set<QPDFObjGen> seen;
  QPDFObjectHandle node = page;
  while (node.isDictionary()) {
    if (node.hasKey(key)) return node.getKey(key);
    if (node.isIndirect() && !seen.insert(node.getObjGen()).second) break;
    node = node.getKey("/Parent");
  }
  return QPDFObjectHandle::newNull();
}

// The normal appearance an annotation shows, or null: none for a hidden
// one, the one its /AS names where there are several.
QPDFObjectHandle shownAppearance(QPDFObjectHandle annot) {
  if (!annot.isDictionary()) return QPDFObjectHandle::newNull();
  QPDFObjectHandle flags = annot.getKey("/F");
  constexpr long long kHidden = 2, kNoView = 32;
  if (flags.isInteger() && (flags.getIntValue() & (kHidden | kNoView))) return QPDFObjectHandle::newNull();
  QPDFObjectHandle ap = annot.getKey("/AP");
  QPDFObjectHandle normal = ap.isDictionary() ? ap.getKey("/N") : QPDFObjectHandle::newNull();
  if (normal.isDictionary() && !normal.isStream()) {
    QPDFObjectHandle state = annot.getKey("/AS");
    normal = state.isName() ? normal.getKey(state.getName()) : QPDFObjectHandle::newNull();
  }
  return normal.isStream() ? normal : QPDFObjectHandle::newNull();
}

std::optional<std::array<double, 4>> numbers4(QPDFObjectHandle array) {
  if (!array.isArray() || array.getArrayNItems() < 4) return std::nullopt;
  std::array<double, 4> out{};
  for (int i = 0; i < 4; ++i) {
    QPDFObjectHandle v = array.getArrayItem(i);
    if (!v.isNumber()) return std::nullopt;
    out[static_cast<size_t>(i)] = v.getNumericValue();
    if (!std::isfinite(out[static_cast<size_t>(i)])) return std::nullopt;
  }
  return out;
}

// Makes `page` one the renderer draws as the engine reads it: contents that
// are neither a stream nor an array go (an empty page), an array keeps its
// streams, and the appearances of more annotations than the renderer takes
// are drawn into the page's content over what it draws, where the renderer
// would place them.
void drawableAsRead(QPDF& q, QPDFObjectHandle page) {
  QPDFObjectHandle contents = page.getKey("/Contents");
  if (contents.isArray()) {
    std::vector<QPDFObjectHandle> streams;
    for (int i = 0; i < contents.getArrayNItems(); ++i)
      if (QPDFObjectHandle item = contents.getArrayItem(i); item.isStream()) streams.push_back(item);
    if (static_cast<int>(streams.size()) != contents.getArrayNItems())
      page.replaceKey("/Contents", QPDFObjectHandle::newArray(streams));
  } else if (!contents.isStream()) {
    page.removeKey("/Contents");
  }
  QPDFObjectHandle annots = page.getKey("/Annots");
  if (!annots.isArray() || static_cast<size_t>(annots.getArrayNItems()) <= kMostRendererAnnotations) return;
  QPDFObjectHandle resources = page.getKey("/Resources");
  resources = resources.isDictionary() ? resources.shallowCopy() : QPDFObjectHandle::newDictionary();
  QPDFObjectHandle forms = resources.getKey("/XObject");
  forms = forms.isDictionary() ? forms.shallowCopy() : QPDFObjectHandle::newDictionary();
  std::string drawn = "Q\n";
  for (int i = 0; i < annots.getArrayNItems(); ++i) {
    QPDFObjectHandle annot = annots.getArrayItem(i);
    QPDFObjectHandle form = shownAppearance(annot);
    if (form.isNull()) continue;
    const auto rect = numbers4(annot.getKey("/Rect"));
    const auto bbox = numbers4(form.getDict().getKey("/BBox"));
    if (!rect || !bbox) continue;
    // The form's box, through its own matrix, is fitted to the rectangle.
    std::array<double, 6> m{1, 0, 0, 1, 0, 0};
    if (QPDFObjectHandle fm = form.getDict().getKey("/Matrix"); fm.isArray() && fm.getArrayNItems() == 6)
      for (int k = 0; k < 6; ++k)
        if (QPDFObjectHandle v = fm.getArrayItem(k); v.isNumber()) m[static_cast<size_t>(k)] = v.getNumericValue();
    double x0 = INFINITY, y0 = INFINITY, x1 = -INFINITY, y1 = -INFINITY;
    for (const auto& [x, y] : {std::pair{(*bbox)[0], (*bbox)[1]}, std::pair{(*bbox)[2], (*bbox)[1]},
                               std::pair{(*bbox)[0], (*bbox)[3]}, std::pair{(*bbox)[2], (*bbox)[3]}}) {
      const double tx = m[0] * x + m[2] * y + m[4], ty = m[1] * x + m[3] * y + m[5];
      x0 = std::min(x0, tx), y0 = std::min(y0, ty), x1 = std::max(x1, tx), y1 = std::max(y1, ty);
    }
    const double rx0 = std::min((*rect)[0], (*rect)[2]), ry0 = std::min((*rect)[1], (*rect)[3]);
    const double rx1 = std::max((*rect)[0], (*rect)[2]), ry1 = std::max((*rect)[1], (*rect)[3]);
    if (!(x1 - x0 > 0 && y1 - y0 > 0 && std::isfinite(x1 - x0) && std::isfinite(y1 - y0))) continue;
    const double sx = (rx1 - rx0) / (x1 - x0), sy = (ry1 - ry0) / (y1 - y0);
    const std::string name = "/VQAnnot" + std::to_string(i);
    forms.replaceKey(name, form);
    drawn += "q " + QUtil::double_to_string(sx, 6) + " 0 0 " + QUtil::double_to_string(sy, 6) + " " +
             QUtil::double_to_string(rx0 - x0 * sx, 6) + " " + QUtil::double_to_string(ry0 - y0 * sy, 6) + " cm " +
             name + " Do Q\n";
  }
  resources.replaceKey("/XObject", forms);
  page.replaceKey("/Resources", resources);
  std::vector<QPDFObjectHandle> streams{QPDFObjectHandle::newStream(&q, "q\n")};
  contents = page.getKey("/Contents");
  if (contents.isStream()) streams.push_back(contents);
  for (int i = 0; contents.isArray() && i < contents.getArrayNItems(); ++i) streams.push_back(contents.getArrayItem(i));
  streams.push_back(QPDFObjectHandle::newStream(&q, drawn));
  page.replaceKey("/Contents", QPDFObjectHandle::newArray(streams));
  page.removeKey("/Annots");
}

// Writes the document as `impl` reads it to `out`: a fresh instance whose
// page tree becomes one node listing the pages in the document's order,
// each holding what it inherited, a page listed twice copied.
void writeAsRead(Document::Impl& impl, const Document& document, const std::string& out) {
  auto q = OpenQPDF(impl.path, impl.passwordBytes, impl.repairedBytes);
  const FileBytes file{impl.path, impl.repairedBytes.get()};
  QPDFObjectHandle node = q->makeIndirectObject(QPDFObjectHandle::parse("<< /Type /Pages >>"));
  std::vector<QPDFObjectHandle> kids;
  std::set<QPDFObjGen> listed;
  for (int number = 1; number <= document.pageCount(); ++number) {
    QPDFObjectHandle page;
    if (const auto ids = impl.pageIds) {
      // The counts the page count came from may promise more pages than
      // the tree holds.
      if (static_cast<size_t>(number) <= ids->size())
        if (const QPDFObjGen id = (*ids)[static_cast<size_t>(number - 1)]; id.isIndirect())
          page = readable(*q, q->getObject(id), file);
    } else {
      int resolved = 0;
      page = pageByCounts(*q, number, resolved, file);
    }
    if (!page.isInitialized() || !page.isDictionary()) {
      // A page that cannot be found stays a blank page, so that the numbers
      // of those after it hold.
      page = q->makeIndirectObject(QPDFObjectHandle::parse("<< /Type /Page /MediaBox [0 0 612 792] >>"));
    }
    for (const char* key : {"/MediaBox", "/CropBox", "/Resources", "/Rotate"})
      if (!page.hasKey(key))
        if (QPDFObjectHandle value = inheritedHandle(page, key); !value.isNull()) page.replaceKey(key, value);
    if (!page.isIndirect() || !listed.insert(page.getObjGen()).second) page = q->makeIndirectObject(page.shallowCopy());
    listed.insert(page.getObjGen());
    QPDFObjectHandle contents = page.getKey("/Contents");
    readable(*q, contents, file);
    if (contents.isArray())
      for (int i = 0; i < contents.getArrayNItems(); ++i) readable(*q, contents.getArrayItem(i), file);
    drawableAsRead(*q, page);
    page.replaceKey("/Type", QPDFObjectHandle::newName("/Page"));
    page.replaceKey("/Parent", node);
    kids.push_back(page);
  }
  node.replaceKey("/Kids", QPDFObjectHandle::newArray(kids));
  node.replaceKey("/Count", QPDFObjectHandle::newInteger(static_cast<long long>(kids.size())));
  q->getRoot().replaceKey("/Pages", node);
  QPDFWriter writer(*q, out.c_str());
  writer.write();
}

}  // namespace

std::string Document::pathForRenderer(const std::string& workFolder, bool asRead) const {
  Impl& impl = *impl_;
  if (asRead) impl.repaired = true;
  if (!impl.repaired) return impl.path;
  std::lock_guard<std::mutex> lock(impl.renderCopyMutex);
  if (!impl.renderCopyTried) {
    impl.renderCopyTried = true;
    std::string name = workFolder + "/repaired-XXXXXX.pdf";
    const int fd = ::mkstemps(name.data(), 4);
    if (fd >= 0) {
      ::close(fd);
      try {
        writeAsRead(impl, *this, name);
        impl.renderCopy = name;
      } catch (...) {
        ::unlink(name.c_str());
      }
    }
  }
  return impl.renderCopy.empty() ? impl.path : impl.renderCopy;
}

// ---- Page

Page::Page(std::shared_ptr<const Document> document, int number) : document_(std::move(document)), number_(number) {}

Object Page::dictionary() const {
  if (!document_) return Object();
  return document_->impl().pageObject(number_);
}

Rect Page::box(PageBox which) const {
  Object page = dictionary();
  std::optional<Rect> media = rectFromArray(inherited(page, "MediaBox"));
  if (!media) return Rect{};
  if (which == PageBox::Media) return *media;
  Rect crop = *media;
  if (auto c = rectFromArray(inherited(page, "CropBox"))) crop = intersect(*c, *media).value_or(*media);
  if (which == PageBox::Crop) return crop;
  if (auto b = rectFromArray(inherited(page, boxKey(which)))) return intersect(*b, *media).value_or(crop);
  return crop;
}

int Page::rotation() const {
  auto value = inherited(dictionary(), "Rotate").number();
  if (!value || !std::isfinite(*value) || std::fabs(*value) > 1e9) return 0;
  long long r = std::llround(*value);
  // Rotations that are not quarter turns are invalid and ignored.
  if (r % 90 != 0) return 0;
  return static_cast<int>(((r % 360) + 360) % 360);
}

Object Page::resources() const {
  Object r = inherited(dictionary(), "Resources");
  return r.isDictionary() ? r : Object();
}

namespace {

// Bounds on a drawing key: page entries past them are not what pages that
// repeat one another look like.
constexpr int kMostKeyDepth = 16;
constexpr size_t kMostKeyBytes = 1 << 16;

// Names and strings go in with their length, so that no name with a space
// in it reads as two.
void appendKeyName(std::string& out, const std::string& name) {
  out += '/' + std::to_string(name.size()) + ':' + name + ' ';
}

// Appends `value` to `out`, an object of the file by its number; false
// past the bounds.
bool appendKeyValue(std::string& out, const Object& value, int depth) {
  if (depth > kMostKeyDepth || out.size() > kMostKeyBytes) return false;
  if (const ObjectId id = value.id(); id.isIndirect()) {
    out += std::to_string(id.number) + ' ' + std::to_string(id.generation) + " R ";
    return true;
  }
  switch (value.type()) {
    case ObjectType::Boolean:
      out += *value.boolean() ? "true " : "false ";
      return true;
    case ObjectType::Integer:
      out += std::to_string(*value.integer()) + ' ';
      return true;
    case ObjectType::Real: {
      char text[40];
      std::snprintf(text, sizeof text, "%.17g ", *value.number());
      out += text;
      return true;
    }
    case ObjectType::Name:
      appendKeyName(out, *value.name());
      return true;
    case ObjectType::String: {
      const std::string bytes = value.bytes().value_or("");
      out += '(' + std::to_string(bytes.size()) + ':' + bytes + ')';
      return true;
    }
    case ObjectType::Array:
      out += '[';
      for (const Object& e : value.elements())
        if (!appendKeyValue(out, e, depth + 1)) return false;
      out += "] ";
      return true;
    case ObjectType::Dictionary:
      out += "<<";
      for (const std::string& k : value.keys()) {
        appendKeyName(out, k);
        if (!appendKeyValue(out, value.get(k), depth + 1)) return false;
      }
      out += ">> ";
      return true;
    case ObjectType::Null:
    case ObjectType::Stream:  // direct streams are made by the engine, never read
    case ObjectType::Operator:
      break;
  }
  out += "null ";
  return true;
}

}  // namespace

std::optional<std::string> Page::drawingKey() const {
  const Object page = dictionary();
  if (!page.isDictionary()) return std::nullopt;
  std::string key;
  for (const std::string& k : page.keys()) {
    if (k == "Parent") continue;
    appendKeyName(key, k);
    if (!appendKeyValue(key, page.get(k), 1)) return std::nullopt;
  }
  // What the page takes from its ancestors draws it as much as its own
  // entries.
  for (const char* k : {"Resources", "MediaBox", "CropBox", "Rotate"}) {
    if (page.has(k)) continue;
    key += '^';
    appendKeyName(key, k);
    if (!appendKeyValue(key, inherited(page, k), 1)) return std::nullopt;
  }
  if (key.size() > kMostKeyBytes) return std::nullopt;
  return key;
}

std::vector<Object> Page::contentStreams() const {
  const Object page = dictionary();
  // The streams of /Contents; false when some entry is not one.
  auto collect = [&](std::vector<Object>& streams) {
    const Object contents = page.get("Contents");
    if (contents.isStream()) {
      streams.push_back(contents);
      return true;
    }
    bool whole = contents.isArray();
    for (const Object& e : contents.elements()) {
      if (e.isStream()) streams.push_back(e);
      else whole = false;
    }
    return whole;
  };
  std::vector<Object> streams;
  if (collect(streams) || !page.impl() || !page.impl()->owner || !page.impl()->handle.isDictionary()) return streams;
  // A content stream qpdf could not read (nothing, or an array with a
  // hole) is read again from the file.
  QPDF& q = *page.impl()->owner;
  const Document::Impl& impl = document_->impl();
  const FileBytes file{impl.path, impl.repairedBytes.get()};
  QPDFObjectHandle raw = page.impl()->handle.getKey("/Contents");
  readable(q, raw, file);
  if (raw.isArray())
    for (int i = 0; i < raw.getArrayNItems(); ++i) readable(q, raw.getArrayItem(i), file);
  streams.clear();
  collect(streams);
  return streams;
}

std::optional<std::string> Page::contents() const {
  const std::vector<Object> streams = contentStreams();
  std::optional<std::string> out;
  for (const Object& s : streams) {
    auto data = s.decodedData();
    if (!data) continue;
    if (out) {
      *out += '\n';
      *out += *data;
    } else {
      out = std::move(*data);
    }
  }
  return out;
}

}  // namespace vq::pdf

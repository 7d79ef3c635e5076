#include "pdf/docinfo/VQPDFOutLineManager.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include <cstdlib>
#include <map>
#include <optional>
#include <set>

namespace vq {

namespace {

std::mutex gInstanceMutex;
std::shared_ptr<VQPDFOutLineManager> gInstance;

// Real outlines are a few levels deep and a few thousand items long; the
// limits only stop damaged files from running away.
constexpr int kMaxDepth = 64;
constexpr size_t kMaxItems = 100000;
constexpr int kMaxNameTreeDepth = 32;

using ObjectKey = std::pair<int, int>;

ObjectKey keyOf(const pdf::Object& o) { return {o.id().number, o.id().generation}; }

// Looks a name up in a name tree (Names pairs in leaves, Kids below).
pdf::Object lookUpNameTree(const pdf::Object& node, const std::string& name, int depth, std::set<ObjectKey>& seen) {
  if (!node.isDictionary() || depth > kMaxNameTreeDepth) return {};
  if (node.id().isIndirect() && !seen.insert(keyOf(node)).second) return {};
  const pdf::Object names = node.get("Names");
  if (names.isArray()) {
    for (size_t k = 0; k + 1 < names.size(); k += 2) {
      const auto key = names.at(k).bytes();
      if (key && *key == name) return names.at(k + 1);
    }
  }
  const pdf::Object kids = node.get("Kids");
  for (size_t k = 0; k < kids.size(); ++k) {
    const pdf::Object kid = kids.at(k);
    const pdf::Object limits = kid.isDictionary() ? kid.get("Limits") : pdf::Object();
    if (limits.isArray() && limits.size() == 2) {
      const auto lo = limits.at(0).bytes();
      const auto hi = limits.at(1).bytes();
      if (lo && hi && (name < *lo || name > *hi)) continue;
    }
    pdf::Object found = lookUpNameTree(kid, name, depth + 1, seen);
    if (!found.isNull()) return found;
  }
  return {};
}

class OutlineReader {
 public:
  explicit OutlineReader(const pdf::Document& document) : document_(document) { catalog_ = document.catalog(); }

  std::vector<VQPDFOutlineItem> read() {
    const pdf::Object outlines = catalog_.get("Outlines");
    if (outlines.isDictionary()) walk(outlines.get("First"), 0);
    return std::move(items_);
  }

 private:
  void walk(pdf::Object item, int depth) {
    if (depth > kMaxDepth) return;
    while (item.isDictionary() && items_.size() < kMaxItems) {
      // An item met twice means the First/Next links form a loop.
      if (item.id().isIndirect() && !visited_.insert(keyOf(item)).second) return;
      items_.push_back(makeItem(item, depth));
      walk(item.get("First"), depth + 1);
      item = item.get("Next");
    }
  }

  VQPDFOutlineItem makeItem(const pdf::Object& item, int depth) {
    VQPDFOutlineItem out;
    const pdf::Object title = item.get("Title");
    if (title.isString()) out.Title = title.text();
    out.Indent = depth;
    if (auto count = item.get("Count").integer()) out.Count = std::llabs(*count);

    const pdf::Object dest = item.get("Dest");
    const pdf::Object action = item.get("A");
    if (!dest.isNull()) {
      out.Action = VQPDFOutlineAction{"GoTo", pageOf(dest)};
    } else if (action.isDictionary()) {
      VQPDFOutlineAction a;
      a.S = action.get("S").name().value_or("");
      if (a.S == "GoTo") a.D = pageOf(action.get("D"));
      out.Action = a;
    }
    return out;
  }

  // The destination's page as a one-element list, or empty.
  std::vector<int64_t> pageOf(pdf::Object dest) {
    // A named destination: PDF 1.1 Dests dictionary or the Dests name tree.
    for (int hop = 0; hop < 4 && (dest.isName() || dest.isString()); ++hop) {
      if (dest.isName()) {
        dest = catalog_.get("Dests").get(*dest.name());
      } else {
        std::set<ObjectKey> seen;
        dest = lookUpNameTree(catalog_.get("Names").get("Dests"), *dest.bytes(), 0, seen);
      }
      // Values may wrap the array in a dictionary under D.
      if (dest.isDictionary()) dest = dest.get("D");
    }
    if (!dest.isArray() || dest.size() == 0) return {};
    const pdf::Object target = dest.at(0);
    if (target.isDictionary()) {
      // Pages are numbered once, at the first destination that names a page
      // object: a document without an outline never reads its pages here.
      if (!pageNumbers_) {
        pageNumbers_.emplace();
        for (int n = 1; n <= document_.pageCount(); ++n) {
          if (auto page = document_.page(n)) {
            const pdf::Object dict = page->dictionary();
            if (dict.id().isIndirect()) pageNumbers_->emplace(keyOf(dict), n);
          }
        }
      }
      auto it = pageNumbers_->find(keyOf(target));
      if (it != pageNumbers_->end()) return {it->second};
      return {};
    }
    // Some producers give a 0-based page index instead of a page object.
    if (auto index = target.integer(); index && *index >= 0 && *index < document_.pageCount()) return {*index + 1};
    return {};
  }

  const pdf::Document& document_;
  pdf::Object catalog_;
  std::optional<std::map<ObjectKey, int>> pageNumbers_;
  std::set<ObjectKey> visited_;
  std::vector<VQPDFOutlineItem> items_;
};

bool isRemovedFromTitle(UChar32 c) {
  if (u_isUWhiteSpace(c)) return true;
  const int8_t type = u_charType(c);
  return type == U_CONTROL_CHAR || type == U_FORMAT_CHAR || type == U_LINE_SEPARATOR || type == U_PARAGRAPH_SEPARATOR ||
         type == U_SPACE_SEPARATOR;
}

}  // namespace

std::shared_ptr<VQPDFOutLineManager> VQPDFOutLineManager::sharedInstance() {
  std::lock_guard lock(gInstanceMutex);
  if (!gInstance) gInstance = std::make_shared<VQPDFOutLineManager>();
  return gInstance;
}

void VQPDFOutLineManager::destory() {
  std::lock_guard lock(gInstanceMutex);
  gInstance.reset();
}

std::vector<VQPDFOutlineItem> VQPDFOutLineManager::ReadOutline(const pdf::Document& document) {
  return OutlineReader(document).read();
}

void VQPDFOutLineManager::loadOutlineFromDocument(const pdf::Document& document) {
  setTableArray(ReadOutline(document));
}

void VQPDFOutLineManager::setTableArray(std::vector<VQPDFOutlineItem> items) {
  std::lock_guard lock(mutex_);
  tableArray_ = std::move(items);
}

std::vector<VQPDFOutlineItem> VQPDFOutLineManager::tableArray() const {
  std::lock_guard lock(mutex_);
  return tableArray_;
}

std::vector<VQPDFOutlineItem> VQPDFOutLineManager::outlineArrayForPDFPageIndex(uint64_t pageIndex) const {
  std::lock_guard lock(mutex_);
  std::vector<VQPDFOutlineItem> out;
  for (const auto& item : tableArray_) {
    const int64_t page = GetGoToPageWithItem(item);
    if (page >= 0 && static_cast<uint64_t>(page) == pageIndex) out.push_back(item);
  }
  return out;
}

int64_t VQPDFOutLineManager::GetGoToPageWithItem(const VQPDFOutlineItem& item) {
  if (!item.Action || item.Action->D.empty()) return -1;
  return item.Action->D.front();
}

int64_t VQPDFOutLineManager::GetIndentPageWithItem(const VQPDFOutlineItem& item) { return item.Indent; }

std::optional<std::string> VQPDFOutLineManager::GetOutlineTitleWithItem(const VQPDFOutlineItem& item) {
  if (!item.Title) return std::nullopt;
  const std::string& s = *item.Title;
  std::string out;
  const auto* bytes = reinterpret_cast<const uint8_t*>(s.data());
  const int32_t length = static_cast<int32_t>(s.size());
  for (int32_t i = 0; i < length;) {
    const int32_t start = i;
    UChar32 c;
    U8_NEXT(bytes, i, length, c);
    if (c < 0 || isRemovedFromTitle(c)) continue;  // ill-formed bytes are dropped too
    out.append(s, static_cast<size_t>(start), static_cast<size_t>(i - start));
  }
  if (out.empty()) return std::nullopt;
  return out;
}

}  // namespace vq

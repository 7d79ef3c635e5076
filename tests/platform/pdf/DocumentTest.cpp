#include <gtest/gtest.h>
#include <sys/stat.h>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <atomic>
#include <fstream>
#include <functional>
#include <map>
#include <regex>
#include <sstream>
#include <thread>

#include "platform/pdf/PdfContentScanner.h"
#include "platform/pdf/PdfDocument.h"
#include "platform/pdf/PdfDocumentImpl.h"
#include "platform/pdf/PdfRepair.h"
#include "platform/pdf/PdfTestHelpers.h"
#include "support/TestSupport.h"

using vq::pdf::Document;
using vq::pdf::Object;
using vq::pdf::OpenError;
using vq::pdf::PageBox;

namespace {

QPDFObjectHandle parse(const std::string& text) { return QPDFObjectHandle::parse(text); }

QPDFObjectHandle rect(double x0, double y0, double x1, double y1) {
  return QPDFObjectHandle::newArray(
      std::vector<QPDFObjectHandle>{QPDFObjectHandle::newReal(x0, 2), QPDFObjectHandle::newReal(y0, 2),
                                    QPDFObjectHandle::newReal(x1, 2), QPDFObjectHandle::newReal(y1, 2)});
}

// Writes a document whose page tree is root -> middle -> pages, with
// attributes placed at every level so that inheritance can be checked.
std::string writeTreeFixture(const std::filesystem::path& path) {
  QPDF q;
  q.emptyPDF();
  QPDFObjectHandle root = q.getRoot();
  QPDFObjectHandle top = q.makeIndirectObject(parse("<< /Type /Pages /Count 4 >>"));
  top.replaceKey("/MediaBox", rect(612, 792, 0, 0));  // reversed corners
  top.replaceKey("/Rotate", QPDFObjectHandle::newInteger(-90));
  top.replaceKey("/Resources", parse("<< /Font << /F1 << /Type /Font >> >> >>"));
  QPDFObjectHandle middle = q.makeIndirectObject(parse("<< /Type /Pages /Count 4 >>"));
  middle.replaceKey("/Parent", top);
  middle.replaceKey("/CropBox", rect(-10, -10, 300, 400));
  top.replaceKey("/Kids", QPDFObjectHandle::newArray(std::vector<QPDFObjectHandle>{middle}));
  std::vector<QPDFObjectHandle> kids;
  const char* pages[] = {
      "<< /Type /Page >>",
      "<< /Type /Page /Rotate 450 /BleedBox [0 0 100 100] /TrimBox [700 700 800 800] >>",
      "<< /Type /Page /Rotate 45 /MediaBox [0 0 200 200] /CropBox [300 300 400 400] >>",
      "<< /Type /Page /Rotate 180.0 /Resources << >> >>",
  };
  for (const char* text : pages) {
    QPDFObjectHandle page = q.makeIndirectObject(parse(text));
    page.replaceKey("/Parent", middle);
    page.replaceKey("/Contents", q.newStream("0 0 m 1 1 l S"));
    kids.push_back(page);
  }
  middle.replaceKey("/Kids", QPDFObjectHandle::newArray(kids));
  root.replaceKey("/Pages", top);
  root.replaceKey("/Version", QPDFObjectHandle::newName("/1.7"));
  QPDFObjectHandle info = q.makeIndirectObject(parse("<< /Title <FEFF00480069> /Author (\\215Q\\216) >>"));
  q.getTrailer().replaceKey("/Info", info);
  QPDFWriter w(q, path.c_str());
  w.setStaticID(true);
  w.setQDFMode(false);
  w.write();
  return path.string();
}

std::string rectText(const vq::Rect& r) {
  return fmt::format("{:.2f} {:.2f} {:.2f} {:.2f}", r.origin.x, r.origin.y, r.origin.x + r.size.width,
                     r.origin.y + r.size.height);
}

std::string passwordFor(const std::string& file) {
  if (file.find("nonascii") != std::string::npos) return "pässwörd";
  if (file.find("encrypted") != std::string::npos) return "user";
  return "";
}

}  // namespace

TEST(Document, PageTreeInheritanceBoxesAndRotation) {
  vqtest::ScratchDir dir;
  OpenError error = OpenError::Damaged;
  auto doc = Document::open(writeTreeFixture(dir / "tree.pdf"), "", &error);
  ASSERT_TRUE(doc);
  EXPECT_EQ(error, OpenError::None);
  EXPECT_EQ(doc->pageCount(), 4);
  EXPECT_EQ(doc->version(), "1.7");  // the catalog's Version is later than the header's
  EXPECT_FALSE(doc->page(0));
  EXPECT_FALSE(doc->page(5));

  struct Row {
    int page;
    const char* media;
    const char* crop;
    const char* bleed;
    const char* trim;
    int rotation;
  };
  const Row rows[] = {
      {1, "0.00 0.00 612.00 792.00", "0.00 0.00 300.00 400.00", "0.00 0.00 300.00 400.00", "0.00 0.00 300.00 400.00",
       270},
      {2, "0.00 0.00 612.00 792.00", "0.00 0.00 300.00 400.00", "0.00 0.00 100.00 100.00", "0.00 0.00 300.00 400.00",
       90},
      // A crop box outside the media box leaves the media box.
      {3, "0.00 0.00 200.00 200.00", "0.00 0.00 200.00 200.00", "0.00 0.00 200.00 200.00", "0.00 0.00 200.00 200.00",
       0},
      {4, "0.00 0.00 612.00 792.00", "0.00 0.00 300.00 400.00", "0.00 0.00 300.00 400.00", "0.00 0.00 300.00 400.00",
       180},
  };
  for (const Row& row : rows) {
    auto page = doc->page(row.page);
    ASSERT_TRUE(page);
    EXPECT_EQ(rectText(page->box(PageBox::Media)), row.media) << row.page;
    EXPECT_EQ(rectText(page->box(PageBox::Crop)), row.crop) << row.page;
    EXPECT_EQ(rectText(page->box(PageBox::Bleed)), row.bleed) << row.page;
    EXPECT_EQ(rectText(page->box(PageBox::Trim)), row.trim) << row.page;
    EXPECT_EQ(page->rotation(), row.rotation) << row.page;
    EXPECT_EQ(page->contents(), "0 0 m 1 1 l S");
  }
  // Resources come from the grandparent, or from the page when it has them.
  EXPECT_TRUE(doc->page(1)->resources().get("Font").has("F1"));
  EXPECT_FALSE(doc->page(4)->resources().has("Font"));

  EXPECT_EQ(doc->info().get("Title").text(), "Hi");
  EXPECT_EQ(doc->info().get("Author").text(), "\u201CQ\u201D");
  EXPECT_TRUE(doc->catalog().get("Pages").isDictionary());
}

// Pages drawn alike share a drawing key: their own entries, objects named by
// number, and what they inherit. Anything that changes the drawing changes
// the key, and entries too deep to say give none.
TEST(Document, DrawingKeysAreEqualExactlyForPagesDrawnAlike) {
  vqtest::ScratchDir dir;
  std::string deep = "1";
  for (int i = 0; i < 40; ++i) deep = "[" + deep + "]";
  const auto path = dir / "keys.pdf";
  std::ofstream(path, std::ios::binary) << vqtest::BuildPDF({
      "<< /Type /Catalog /Pages 2 0 R >>",
      "<< /Type /Pages /Kids [4 0 R 5 0 R 6 0 R 7 0 R 8 0 R 9 0 R 3 0 R 12 0 R] /Count 9 "
      "/Resources << /Font << /F1 15 0 R >> >> /MediaBox [0 0 100 100] >>",
      "<< /Type /Pages /Parent 2 0 R /Kids [10 0 R 11 0 R] /Count 2 /Resources << /Font << /F2 15 0 R >> >> >>",
      "<< /Type /Page /Parent 2 0 R /Contents 13 0 R >>",
      "<< /Type /Page /Parent 2 0 R /Contents 13 0 R >>",
      "<< /Type /Page /Parent 2 0 R /Contents 14 0 R >>",
      "<< /Type /Page /Parent 2 0 R /Contents 13 0 R /Rotate 90 >>",
      "<< /Type /Page /Parent 2 0 R /Contents 13 0 R /X [/A#20#2FB] >>",  // one name, "A /B"
      "<< /Type /Page /Parent 2 0 R /Contents 13 0 R /X [/A /B] >>",
      "<< /Type /Page /Parent 3 0 R /Contents 13 0 R >>",
      "<< /Type /Page /Parent 3 0 R /Contents 13 0 R >>",
      "<< /Type /Page /Parent 2 0 R /Contents 13 0 R /X " + deep + " >>",
      vqtest::PDFStream("BT /F1 12 Tf (A) Tj ET"),
      vqtest::PDFStream("BT /F1 12 Tf (B) Tj ET"),
      "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
  });
  auto doc = Document::open(path.string(), "");
  ASSERT_TRUE(doc);
  ASSERT_EQ(doc->pageCount(), 9);
  std::vector<std::optional<std::string>> keys;
  for (int n = 1; n <= 9; ++n) keys.push_back(doc->page(n)->drawingKey());
  EXPECT_EQ(keys[0], keys[1]) << "own objects sharing contents and resources";
  EXPECT_EQ(keys[6], keys[7]) << "pages inheriting the same resources";
  EXPECT_FALSE(keys[8]) << "entries nested too deep";
  // Other contents, a turn, a name with a space against two names, other
  // inherited resources: each page is drawn on its own.
  const std::vector<int> distinct = {0, 2, 3, 4, 5, 6};
  for (int a : distinct) {
    ASSERT_TRUE(keys[a]) << a + 1;
    for (int b : distinct)
      if (a < b) EXPECT_NE(*keys[a], *keys[b]) << "pages " << a + 1 << " and " << b + 1;
  }
}

TEST(Document, ParentLoopsEndTheInheritanceWalk) {
  vqtest::ScratchDir dir;
  QPDF q;
  q.emptyPDF();
  QPDFObjectHandle pages = q.makeIndirectObject(parse("<< /Type /Pages /Count 1 >>"));
  QPDFObjectHandle loop = q.makeIndirectObject(parse("<< /Type /Pages >>"));
  loop.replaceKey("/Parent", loop);
  QPDFObjectHandle page = q.makeIndirectObject(parse("<< /Type /Page >>"));
  page.replaceKey("/Parent", loop);
  pages.replaceKey("/Kids", QPDFObjectHandle::newArray(std::vector<QPDFObjectHandle>{page}));
  q.getRoot().replaceKey("/Pages", pages);
  const std::string out = (dir / "loop.pdf").string();  // QPDFWriter keeps the pointer
  QPDFWriter w(q, out.c_str());
  w.write();
  auto doc = Document::open((dir / "loop.pdf").string(), "");
  ASSERT_TRUE(doc);
  EXPECT_EQ(doc->page(1)->box(PageBox::Media), vq::Rect{});
  EXPECT_EQ(doc->page(1)->rotation(), 0);
  EXPECT_TRUE(doc->page(1)->resources().isNull());
  EXPECT_FALSE(doc->page(1)->contents());
}

namespace {

// A page tree from a compact description, written to `path`. A tree is a
// list of kids; an integer kid is a page marked with /Mark n, a nested list a
// /Pages node. `counts` overrides a node's /Count by its order of appearance
// (the root first); a node marked `loop` lists itself among its kids, one
// marked `toRoot` the tree's root.
struct TreeNode {
  std::vector<TreeNode> kids;
  int mark = 0;  // a page when non-zero
  bool loop = false;
  bool toRoot = false;
};

TreeNode P(int mark) { return TreeNode{{}, mark}; }
TreeNode N(std::vector<TreeNode> kids, bool loop = false, bool toRoot = false) {
  return TreeNode{std::move(kids), 0, loop, toRoot};
}

std::string writePageTree(const std::filesystem::path& path, const TreeNode& tree, const std::map<int, int>& counts) {
  QPDF q;
  q.emptyPDF();
  int order = 0;
  QPDFObjectHandle root;
  std::function<int(const TreeNode&, QPDFObjectHandle, QPDFObjectHandle&)> build =
      [&](const TreeNode& node, QPDFObjectHandle parent, QPDFObjectHandle& out) -> int {
    if (node.mark) {
      out = q.makeIndirectObject(parse(fmt::format("<< /Type /Page /Mark {} /MediaBox [0 0 10 10] >>", node.mark)));
      if (parent.isInitialized()) out.replaceKey("/Parent", parent);
      return 1;
    }
    const int mine = order++;
    out = q.makeIndirectObject(parse("<< /Type /Pages >>"));
    if (parent.isInitialized()) out.replaceKey("/Parent", parent);
    else root = out;  // `out` is `root` itself for the top
    std::vector<QPDFObjectHandle> kids;
    int leaves = 0;
    for (const auto& kid : node.kids) {
      QPDFObjectHandle made;
      leaves += build(kid, out, made);
      kids.push_back(made);
    }
    if (node.loop) kids.push_back(out);
    if (node.toRoot) kids.push_back(root);
    out.replaceKey("/Kids", QPDFObjectHandle::newArray(kids));
    const auto it = counts.find(mine);
    out.replaceKey("/Count", QPDFObjectHandle::newInteger(it == counts.end() ? leaves : it->second));
    return leaves;
  };
  build(tree, QPDFObjectHandle(), root);
  q.getRoot().replaceKey("/Pages", root);
  const std::string out = path.string();
  QPDFWriter w(q, out.c_str());
  w.setStaticID(true);
  w.write();
  return out;
}

}  // namespace

// Pages are found by their counts where the tree is sound, and through a
// whole reading of it where the counts disagree with what the tree holds.
TEST(Document, PageTreesReadOnTheirCounts) {
  struct Case {
    const char* name;
    TreeNode tree;
    std::map<int, int> counts;
    int pageCount;
    std::vector<int> marks;  // page 1, 2, ...
  };
  const Case cases[] = {
      {"flat", N({P(1), P(2), P(3)}), {}, 3, {1, 2, 3}},
      {"nested and uneven", N({N({P(1), N({P(2), P(3)})}), P(4), N({P(5)})}), {}, 5, {1, 2, 3, 4, 5}},
      {"root count too high", N({N({P(1), P(2)}), P(3)}), {{0, 9}}, 3, {1, 2, 3}},
      {"flat tree, root count too low", N({P(1), P(2), P(3)}), {{0, 2}}, 3, {1, 2, 3}},
      // The counts agree at the top and lie lower down: the tree is read
      // whole and the document has the pages found.
      {"lower count too high", N({N({P(1), P(2)}), N({P(3)})}), {{1, 3}, {0, 4}}, 3, {1, 2, 3}},
      {"a lower node listing the root, counted as a page",
       N({N({P(1)}, false, true), P(2)}),
       {{0, 3}, {1, 2}},
       2,
       {1, 2}},
      {"a node listing itself", N({P(1), N({P(2)}, true)}), {}, 2, {1, 2}},
      // As many kids as the root counts, one of them the root: the repeated
      // node is dropped and the document kept.
      {"the root listing itself", N({P(1)}, true), {{0, 2}}, 1, {1}},
      {"the root listing itself, counted right", N({P(1), P(2)}, true), {}, 2, {1, 2}},
  };
  vqtest::ScratchDir dir;
  int file = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto doc = Document::open(writePageTree(dir / fmt::format("tree{}.pdf", file++), c.tree, c.counts), "");
    ASSERT_TRUE(doc);
    EXPECT_EQ(doc->pageCount(), c.pageCount);
    for (size_t k = 0; k < c.marks.size(); ++k) {
      auto page = doc->page(static_cast<int>(k + 1));
      ASSERT_TRUE(page);
      EXPECT_EQ(page->dictionary().get("Mark").integer(), c.marks[k]) << "page " << k + 1;
    }
  }
}

// The copy handed to the renderer keeps the document's page numbers where
// the tree holds fewer pages than its counts promise (its first kid is no
// page, so the tree is read whole before any page is drawn): each page of
// the copy is drawn where the document's is, and blank where it has none.
TEST(Document, RendererCopyOfATreeShorterThanItsCounts) {
  const std::string page = "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] /Contents 5 0 R >>";
  vqtest::ScratchDir dir;
  const auto path = dir / "short.pdf";
  std::string bytes =
      vqtest::BuildPDF({"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Count 3 /Kids [6 0 R 3 0 R 4 0 R] >>",
                        page, page, vqtest::PDFStream("BT /F1 12 Tf (x) Tj ET"), "42"});
  // A damaged cross-reference: the document is repaired as it opens.
  const size_t at = bytes.rfind("startxref\n") + 10;
  bytes.replace(at, bytes.find('\n', at) - at, "7");
  std::ofstream(path, std::ios::binary) << bytes;
  auto doc = Document::open(path.string(), "");
  ASSERT_TRUE(doc);
  ASSERT_EQ(doc->pageCount(), 3);
  for (int k = 1; k <= 3; ++k) doc->page(k);
  const std::string copy = doc->pathForRenderer(dir.path().string(), true);
  ASSERT_NE(copy, path.string());
  QPDF q;
  q.processFile(copy.c_str());
  auto pages = QPDFPageDocumentHelper(q).getAllPages();
  ASSERT_EQ(pages.size(), 3u);
  for (size_t k = 0; k < pages.size(); ++k) {
    const auto page = doc->page(static_cast<int>(k + 1));
    const bool drawn = page && page->dictionary().get("Contents").isStream();
    EXPECT_EQ(pages[k].getObjectHandle().hasKey("/Contents"), drawn) << "page " << k + 1;
  }
}

// A page tree thousands of nodes deep is legal: every page is found, in
// order, and inherits what the root holds, however far up it is.
TEST(Document, DeepPageTreeGivesEveryPage) {
  constexpr int kDepth = 3000;
  // Node k (object 2 + 2k) holds page k (object 3 + 2k) and node k + 1.
  std::vector<std::string> objects = {"<< /Type /Catalog /Pages 2 0 R >>"};
  for (int k = 0; k < kDepth; ++k) {
    const int node = 2 + 2 * k, parent = k == 0 ? 0 : node - 2;
    const std::string next = k + 1 < kDepth ? fmt::format(" {} 0 R", node + 2) : "";
    objects.push_back(fmt::format("<< /Type /Pages {} /Kids [{} 0 R{}] /Count {} {} >>",
                                  parent ? fmt::format("/Parent {} 0 R", parent) : "", node + 1, next, kDepth - k,
                                  k == 0 ? "/MediaBox [0 0 300 400]" : ""));
    objects.push_back(fmt::format("<< /Type /Page /Parent {} 0 R /Mark {} >>", node, k + 1));
  }
  vqtest::ScratchDir dir;
  const auto path = (dir / "deep.pdf").string();
  std::ofstream(path, std::ios::binary) << vqtest::BuildPDF(objects);
  auto doc = Document::open(path, "");
  ASSERT_TRUE(doc);
  ASSERT_EQ(doc->pageCount(), kDepth);
  for (int number : {1, 65, kDepth}) {
    auto page = doc->page(number);
    ASSERT_TRUE(page);
    EXPECT_EQ(page->dictionary().get("Mark").integer(), number);
    EXPECT_EQ(page->box(PageBox::Media).size.height, 400) << "page " << number;
  }
}

// A thread reading a long document lets its qpdf instance go now and then
// (qpdf keeps what it reads); the pages read stay right through the changes,
// in order and back again, including objects kept from before a change.
TEST(Document, LongDocumentsReadRightAcrossFreshInstances) {
  std::vector<TreeNode> leaves;
  for (int k = 1; k <= 300; ++k) leaves.push_back(P(k));
  vqtest::ScratchDir dir;
  auto doc = Document::open(writePageTree(dir / "long.pdf", N({N(leaves), P(301)}), {}), "");
  ASSERT_TRUE(doc);
  ASSERT_EQ(doc->pageCount(), 301);
  const Object kept = doc->page(1)->dictionary();
  for (int k = 1; k <= 301; ++k) ASSERT_EQ(doc->page(k)->dictionary().get("Mark").integer(), k) << "page " << k;
  for (int k = 301; k >= 1; k -= 7) ASSERT_EQ(doc->page(k)->dictionary().get("Mark").integer(), k) << "page " << k;
  EXPECT_EQ(kept.get("Mark").integer(), 1);
  EXPECT_EQ(kept.get("MediaBox").elements().size(), 4u);
}

namespace {

// A tree of `depth` levels of nodes with `fanout` kids each, its pages marked
// 1, 2, ... in order.
TreeNode balancedTree(int fanout, int depth, int& mark) {
  std::vector<TreeNode> kids;
  for (int k = 0; k < fanout; ++k) kids.push_back(depth == 1 ? P(++mark) : balancedTree(fanout, depth - 1, mark));
  return N(std::move(kids));
}

std::vector<TreeNode> flatPages(int count) {
  std::vector<TreeNode> pages;
  for (int k = 1; k <= count; ++k) pages.push_back(P(k));
  return pages;
}

}  // namespace

// Finding a page costs the nodes on its way down, whatever its number, and
// reading a document from end to end costs the same per page however long
// it is: a few fresh qpdf instances, a few tree objects a page.
TEST(Document, PageLookupWorkDoesNotGrowWithTheDocument) {
  vqtest::ScratchDir dir;
  {
    int mark = 0;
    const TreeNode tree = balancedTree(4, 6, mark);  // 4,096 pages
    auto doc = Document::open(writePageTree(dir / "balanced.pdf", tree, {}), "");
    ASSERT_TRUE(doc);
    ASSERT_EQ(doc->pageCount(), mark);
    auto& impl = doc->impl();
    for (int number : {1, 2, 1000, 2049, 4095, 4096}) {
      const uint64_t before = impl.treeObjectsRead;
      EXPECT_EQ(doc->page(number)->dictionary().get("Mark").integer(), number);
      EXPECT_LE(impl.treeObjectsRead - before, 6u * 4u) << "page " << number;
    }
  }
  struct Case {
    const char* name;
    std::map<int, int> counts;  // a lying count sends the lookups to one reading of the tree
  };
  const Case cases[] = {{"counted", {}}, {"lower count wrong", {{1, 7}}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<uint64_t> opened;
    for (int pages : {1500, 6000}) {
      auto doc = Document::open(
          writePageTree(dir / fmt::format("flat{}.pdf", pages), N({N(flatPages(pages - 1)), P(pages)}), c.counts), "");
      ASSERT_TRUE(doc);
      ASSERT_EQ(doc->pageCount(), pages);
      for (int k = 1; k <= pages; ++k) ASSERT_EQ(doc->page(k)->dictionary().get("Mark").integer(), k) << k;
      auto& impl = doc->impl();
      EXPECT_LE(impl.treeObjectsRead.load(), 3u * static_cast<uint64_t>(pages)) << pages << " pages";
      opened.push_back(impl.instancesOpened);
    }
    // Four times the pages open no more instances.
    EXPECT_LE(opened[1], opened[0] + 1);
    EXPECT_LE(opened[1], 40u);
  }
}

// Threads reading one document at once share its budget of pages read per
// instance: together they hold about as many pages' objects as one thread
// would, and each still reads every page it asks for.
TEST(Document, ThreadsReadingAtOnceShareThePagesAnInstanceHolds) {
  vqtest::ScratchDir dir;
  constexpr int kPages = 3000, kThreads = 4;
  auto doc = Document::open(writePageTree(dir / "shared.pdf", N({N(flatPages(kPages - 1)), P(kPages)}), {}), "");
  ASSERT_TRUE(doc);
  auto& impl = doc->impl();
  ASSERT_GE(impl.pagesPerInstance, 2 * Document::Impl::kLeastPagesPerInstance * kThreads);
  std::atomic<int> wrong{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int number = t + 1; number <= kPages; number += kThreads)
        if (doc->page(number)->dictionary().get("Mark").integer() != number) ++wrong;
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(wrong, 0);
  int held = 0;
  for (const auto& [thread, instance] : impl.instances) held += instance.pagesRead;
  EXPECT_LE(held, impl.pagesPerInstance + kThreads);
}

// A document that closes after counting its pages leaves its reading of the
// file to the next open of that file; a file rewritten in between, or opened
// while the first is still held from another thread, is read afresh.
TEST(Document, ReopenReadsTheFileAsItIsNow) {
  vqtest::ScratchDir dir;
  const std::string path = (dir / "again.pdf").string();
  writePageTree(path, N({P(1), P(2)}), {});
  auto pageCountOnce = [&] {
    auto doc = Document::open(path, "");
    return doc ? doc->pageCount() : -1;
  };
  EXPECT_EQ(pageCountOnce(), 2);
  {
    auto doc = Document::open(path, "");
    ASSERT_TRUE(doc);
    ASSERT_EQ(doc->pageCount(), 2);
    EXPECT_EQ(doc->page(2)->dictionary().get("Mark").integer(), 2);
    // Another thread reads the same document meanwhile on its own instance.
    std::optional<int64_t> other;
    std::thread([&] { other = doc->page(1)->dictionary().get("Mark").integer(); }).join();
    EXPECT_EQ(other, 1);
  }
  EXPECT_EQ(pageCountOnce(), 2);
  writePageTree(path, N({P(7), P(8), P(9)}), {});
  auto doc = Document::open(path, "");
  ASSERT_TRUE(doc);
  ASSERT_EQ(doc->pageCount(), 3);
  EXPECT_EQ(doc->page(3)->dictionary().get("Mark").integer(), 9);
}

TEST(DocumentCorpus, OpenErrors) {
  vqtest::ScratchDir dir;
  {
    std::ofstream(dir / "garbage.pdf") << "this is not a PDF file at all\n";
    std::ofstream(dir / "empty.pdf");
  }
  ASSERT_EQ(mkfifo((dir / "pipe.pdf").c_str(), 0600), 0);
  struct Row {
    std::string path;
    std::string password;
    OpenError expected;
  };
  const std::string corpus = vqtest::corpusDir().string() + "/";
  const Row rows[] = {
      {(dir / "missing.pdf").string(), "", OpenError::NotFound},
      // What is not a regular file is no document, and is never read: a
      // FIFO would block the open, a device never end.
      {dir.path().string(), "", OpenError::NotFound},
      {(dir / "pipe.pdf").string(), "", OpenError::NotFound},
      {"/dev/zero", "", OpenError::NotFound},
      {(dir / "garbage.pdf").string(), "", OpenError::Damaged},
      {(dir / "empty.pdf").string(), "", OpenError::Damaged},
      {corpus + "encrypted-rc4-40-user.pdf", "", OpenError::PasswordRequired},
      {corpus + "encrypted-aes128-user.pdf", "wrong", OpenError::PasswordRequired},
      {corpus + "encrypted-aes256-nonascii.pdf", "passwörd", OpenError::PasswordRequired},
      {corpus + "encrypted-aes256-nonascii.pdf", "owner", OpenError::None},
      {corpus + "encrypted-rc4-40-user.pdf", "owner", OpenError::None},
  };
  for (const Row& row : rows) {
    OpenError error = OpenError::None;
    auto doc = Document::open(row.path, row.password, &error);
    EXPECT_EQ(error, row.expected) << row.path << " " << row.password;
    EXPECT_EQ(doc != nullptr, row.expected == OpenError::None) << row.path;
  }
}

// A damaged file is repaired quietly (qpdf prints nothing; a file read by
// scanning its objects is named once, as damaged) or refused; reading what
// survives never throws.
TEST(DocumentCorpus, DamagedFilesAreQuiet) {
  vqtest::ScratchDir dir;
  std::ifstream in(vqtest::corpusFile("columns-multicol.pdf"), std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::string scrambled = bytes;
  for (size_t i = 1000; i < scrambled.size(); i += 997) scrambled[i] = static_cast<char>(scrambled[i] ^ 0x5A);
  const std::pair<const char*, std::string> variants[] = {
      {"truncated.pdf", bytes.substr(0, bytes.size() * 6 / 10)},
      {"scrambled.pdf", scrambled},
      {"noxref.pdf", bytes.substr(0, bytes.rfind("xref"))},
  };
  for (const auto& [name, data] : variants) {
    std::ofstream(dir / name, std::ios::binary) << data;
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    OpenError error = OpenError::None;
    auto doc = Document::open((dir / name).string(), "", &error);
    if (doc) {
      for (int n = 1; n <= doc->pageCount(); ++n) {
        auto page = doc->page(n);
        page->box(PageBox::Crop);
        vqtest::Recorder recorder({"Tj", "TJ", "Do"});
        vq::pdf::Scanner scanner(vq::pdf::ContentStream::createWithPage(*page), recorder.table);
        scanner.scan();
      }
    } else {
      EXPECT_EQ(error, OpenError::Damaged) << name;
    }
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "") << name;
    const std::string said = testing::internal::GetCapturedStderr();
    if (!said.empty()) {
      EXPECT_EQ(said, "\"" + (dir / name).string() + "\" is damaged; its objects were found by scanning it\n");
    }
  }
}

// Revisions 2 to 4 keep passwords in PDFDocEncoding; the caller's UTF-8 must
// still open them. An empty user password opens without being asked.
TEST(DocumentCorpus, PasswordEncodings) {
  vqtest::ScratchDir dir;
  const std::string source = vqtest::corpusFile("logo-cairo.pdf").string();
  struct Row {
    const char* args;
    const char* password;
  };
  const Row rows[] = {
      {"--encrypt 'pässwörd' owner 128 --use-aes=y --", "pässwörd"},
      {"--allow-weak-crypto --encrypt 'pässwörd' owner 40 --", "pässwörd"},
      {"--encrypt '' owner 256 --", ""},
  };
  int index = 0;
  for (const Row& row : rows) {
    auto out = dir / fmt::format("enc{}.pdf", index++);
    ASSERT_EQ(vqtest::runCommand(fmt::format("qpdf {} '{}' '{}'", row.args, source, out.string())), 0) << row.args;
    OpenError error = OpenError::Damaged;
    auto doc = Document::open(out.string(), row.password, &error);
    ASSERT_TRUE(doc) << row.args << " error " << static_cast<int>(error);
    EXPECT_TRUE(doc->isEncrypted());
    EXPECT_EQ(doc->pageCount(), 1);
    EXPECT_TRUE(doc->page(1)->contents());
  }
}

// The permission flags bind the user password only: the owner password
// grants printing whatever they say.
TEST(DocumentCorpus, PrintingByPassword) {
  vqtest::ScratchDir dir;
  const std::string source = vqtest::corpusFile("logo-cairo.pdf").string();
  const auto noPrint = dir / "noprint.pdf";
  const auto emptyUser = dir / "noprint-empty-user.pdf";
  ASSERT_EQ(vqtest::runCommand(
                fmt::format("qpdf --encrypt user owner 256 --print=none -- '{}' '{}'", source, noPrint.string())),
            0);
  ASSERT_EQ(vqtest::runCommand(fmt::format("qpdf --encrypt '' owner 128 --use-aes=y --print=none -- '{}' '{}'", source,
                                           emptyUser.string())),
            0);
  struct Row {
    std::string path, password;
    bool owner, printing;
  } rows[] = {
      {noPrint.string(), "user", false, false},
      {noPrint.string(), "owner", true, true},
      {emptyUser.string(), "", false, false},
      {emptyUser.string(), "owner", true, true},
      {source, "", false, true},
  };
  for (const Row& row : rows) {
    auto doc = Document::open(row.path, row.password);
    ASSERT_TRUE(doc) << row.path << " " << row.password;
    EXPECT_EQ(doc->ownerPasswordMatched(), row.owner) << row.path << " " << row.password;
    EXPECT_EQ(doc->allowsPrinting(), row.printing) << row.path << " " << row.password;
  }
}

TEST(Document, StreamData) {
  vqtest::ScratchDir dir;
  QPDF q;
  q.emptyPDF();
  auto add = [&](const std::string& data, const std::string& dict) {
    QPDFObjectHandle s = q.newStream();
    s.replaceStreamData(data, parse(dict).getKey("/Filter"), parse(dict).getKey("/DecodeParms"));
    return s;
  };
  QPDFObjectHandle holder = q.makeIndirectObject(QPDFObjectHandle::newDictionary());
  holder.replaceKey("/Hex", add("414243>", "<< /Filter /ASCIIHexDecode >>"));
  holder.replaceKey("/Dct", add("JPEGBYTES", "<< /Filter /DCTDecode >>"));
  holder.replaceKey(
      "/HexDct",
      add("4a50>", "<< /Filter [/ASCIIHexDecode /DCTDecode] /DecodeParms [null << /ColorTransform 0 >>] >>"));
  holder.replaceKey("/Bad", add("zz", "<< /Filter /FlateDecode >>"));
  holder.replaceKey("/Plain", add("plain", "<< >>"));
  q.getRoot().replaceKey("/Test", holder);
  const std::string out = (dir / "streams.pdf").string();  // QPDFWriter keeps the pointer
  QPDFWriter w(q, out.c_str());
  w.setStreamDataMode(qpdf_s_preserve);
  w.write();
  auto doc = Document::open((dir / "streams.pdf").string(), "");
  ASSERT_TRUE(doc);
  Object t = doc->catalog().get("Test");
  EXPECT_EQ(t.get("Hex").decodedData(), "ABC");
  EXPECT_EQ(t.get("Hex").rawData(), "414243>");
  EXPECT_EQ(t.get("Dct").decodedData(), std::nullopt);
  EXPECT_EQ(t.get("Bad").decodedData(), std::nullopt);
  EXPECT_EQ(t.get("Plain").decodedData(), "plain");

  struct Row {
    const char* key;
    const char* data;
    const char* filter;
    const char* parms;
  };
  const Row rows[] = {
      {"Hex", "ABC", "", "null"},
      {"Dct", "JPEGBYTES", "DCTDecode", "null"},
      {"HexDct", "JP", "DCTDecode", "<</ColorTransform 0>>"},
      {"Plain", "plain", "", "null"},
  };
  for (const Row& row : rows) {
    auto image = t.get(row.key).dataForImageFilter();
    ASSERT_TRUE(image) << row.key;
    EXPECT_EQ(image->data, row.data) << row.key;
    EXPECT_EQ(image->filter, row.filter) << row.key;
    EXPECT_EQ(vqtest::describe(image->parms), row.parms) << row.key;
  }
  EXPECT_FALSE(t.get("Bad").dataForImageFilter());
}

TEST(PdfText, TextStringsAndDates) {
  const std::pair<std::string, std::string> texts[] = {
      {"plain", "plain"},
      {std::string("\xFE\xFF\x00\x41\x00\xE9\xD8\x3D\xDE\x00", 10), "A\u00E9\U0001F600"},
      {"\xEF\xBB\xBFutf8 \xC3\xA9", "utf8 \u00E9"},
      {"\x8Dquoted\x8E \x80 \x93", "\u201Cquoted\u201D \u2022 \uFB01"},
      {"", ""},
  };
  for (const auto& [in, out] : texts) EXPECT_EQ(vq::pdf::TextStringToUTF8(in), out) << in;

  const std::pair<const char*, std::optional<int64_t>> dates[] = {
      {"D:20070106085253Z", 1168073573},
      {"D:20070106085253+01'00'", 1168073573 - 3600},
      {"D:20070106085253-05'30", 1168073573 + 5 * 3600 + 1800},
      {"D:2007", 1167609600},
      {"20070106", 1168041600},
      {"D:20240229", 1709164800},
      {"D:20230229", std::nullopt},
      {"D:20071306", std::nullopt},
      {"D:07", std::nullopt},
      {"", std::nullopt},
  };
  for (const auto& [in, out] : dates) EXPECT_EQ(vq::pdf::ParsePDFDate(in), out) << in;
}

// Every corpus file opens; page count, boxes and rotation agree with pdfinfo.
TEST(Document, CorpusAgreesWithPdfinfo) {
  for (const auto& path : vqtest::corpusFiles()) {
    const std::string name = path.filename().string();
    const std::string password = passwordFor(name);
    OpenError error = OpenError::None;
    auto doc = Document::open(path.string(), password, &error);
    ASSERT_TRUE(doc) << name << " error " << static_cast<int>(error);
    const int last = std::min(doc->pageCount(), 3);
    std::string out;
    ASSERT_EQ(
        vqtest::runCommand(
            fmt::format("pdfinfo -box -f 1 -l {} -upw '{}' '{}' 2>/dev/null", last, password, path.string()), &out),
        0)
        << name;
    std::smatch m;
    ASSERT_TRUE(std::regex_search(out, m, std::regex(R"(Pages:\s+(\d+))"))) << name;
    EXPECT_EQ(doc->pageCount(), std::stoi(m[1])) << name;
    const std::pair<const char*, PageBox> boxes[] = {{"MediaBox", PageBox::Media},
                                                     {"CropBox", PageBox::Crop},
                                                     {"BleedBox", PageBox::Bleed},
                                                     {"TrimBox", PageBox::Trim},
                                                     {"ArtBox", PageBox::Art}};
    for (int n = 1; n <= last; ++n) {
      auto page = doc->page(n);
      ASSERT_TRUE(page);
      std::regex rot(fmt::format(R"(Page\s+{} rot:\s+(\d+))", n));
      ASSERT_TRUE(std::regex_search(out, m, rot)) << name;
      EXPECT_EQ(page->rotation(), std::stoi(m[1])) << name << " page " << n;
      for (const auto& [label, which] : boxes) {
        std::regex box(fmt::format(R"(Page\s+{} {}:\s+(\S+)\s+(\S+)\s+(\S+)\s+(\S+))", n, label));
        ASSERT_TRUE(std::regex_search(out, m, box)) << name << " " << label;
        vq::Rect r = page->box(which);
        const double expected[] = {std::stod(m[1]), std::stod(m[2]), std::stod(m[3]), std::stod(m[4])};
        const double actual[] = {r.origin.x, r.origin.y, r.origin.x + r.size.width, r.origin.y + r.size.height};
        for (int k = 0; k < 4; ++k) EXPECT_NEAR(actual[k], expected[k], 0.006) << name << " " << label << " " << n;
      }
    }
  }
}

TEST(Document, EncryptedCorpusRefusesWrongPasswords) {
  for (const char* file : {"encrypted-rc4-40-user.pdf", "encrypted-aes128-user.pdf", "encrypted-aes256-nonascii.pdf"}) {
    OpenError error = OpenError::None;
    EXPECT_FALSE(Document::open(vqtest::corpusFile(file).string(), "nope", &error)) << file;
    EXPECT_EQ(error, OpenError::PasswordRequired) << file;
    auto doc = Document::open(vqtest::corpusFile(file).string(), passwordFor(file), &error);
    ASSERT_TRUE(doc) << file;
    // Decrypted content reads as real operators.
    vqtest::Recorder recorder({"BT"});
    vq::pdf::Scanner scanner(vq::pdf::ContentStream::createWithPage(*doc->page(1)), recorder.table);
    EXPECT_TRUE(scanner.scan());
    EXPECT_FALSE(recorder.lines.empty()) << file;
  }
}

// Pages are read from eight threads at once: each thread gets its own
// instance of the file, and the results agree with a single-thread read.
TEST(DocumentCorpus, PagesReadFromManyThreads) {
  auto doc = Document::open(vqtest::corpusFile("columns-multicol.pdf").string(), "");
  ASSERT_TRUE(doc);
  auto fingerprint = [&](int n) {
    auto page = doc->page(n);
    size_t operators = 0;
    vq::pdf::OperatorTable table;
    for (const char* op : {"Tj", "TJ", "Tf", "cm", "re"}) {
      table.setCallback(op, [&](vq::pdf::Scanner&, void*) { ++operators; });
    }
    vq::pdf::Scanner scanner(vq::pdf::ContentStream::createWithPage(*page), table);
    scanner.scan();
    return fmt::format("{} {} {} {}", rectText(page->box(PageBox::Crop)), page->rotation(),
                       page->resources().keys().size(), operators);
  };
  std::vector<std::string> expected;
  for (int n = 1; n <= doc->pageCount(); ++n) expected.push_back(fingerprint(n));
  std::atomic<int> mismatches{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < doc->pageCount(); ++i) {
        int n = (i + t * 5) % doc->pageCount() + 1;
        if (fingerprint(n) != expected[static_cast<size_t>(n - 1)]) ++mismatches;
      }
    });
  }
  for (auto& th : threads) th.join();
  EXPECT_EQ(mismatches.load(), 0);
}

// A file whose cross-reference cannot be used even by qpdf's reconstruction
// is read again from its objects' headers.
TEST(DocumentCorpus, DamagedCrossReferencesAreRebuiltFromTheObjects) {
  std::string file = vqtest::BuildPDF({
      "<< /Type /Catalog /Pages 2 0 R >>",
      "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
      "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Mark 7 >>",
  });
  // Every offset zero: qpdf finds no root.
  for (size_t at = file.find(" 00000 n"); at != std::string::npos; at = file.find(" 00000 n", at + 1))
    file.replace(at - 10, 10, "0000000000");
  vqtest::ScratchDir dir;
  const auto path = (dir / "zero-offsets.pdf").string();
  std::ofstream(path, std::ios::binary) << file;
  OpenError error = OpenError::Damaged;
  auto doc = Document::open(path, "", &error);
  ASSERT_TRUE(doc);
  EXPECT_EQ(error, OpenError::None);
  EXPECT_EQ(doc->pageCount(), 1);
  // Another thread opens its own instance from the same rebuilt bytes.
  std::optional<int64_t> mark;
  std::thread([&] { mark = doc->page(1)->dictionary().get("Mark").integer(); }).join();
  EXPECT_EQ(mark, 7);

  struct Case {
    const char* name;
    std::string bytes;
    bool rebuilt;
  };
  const Case cases[] = {
      {"objects and a catalog", "1 0 obj << /Type /Catalog /Pages 2 0 R >> endobj 2 0 obj << >> endobj", true},
      {"no catalog", "1 0 obj << /Type /Pages >> endobj", false},
      {"numbers past what objects may have", "99999999999 0 obj << /Type /Catalog /Pages 2 0 R >> endobj", false},
      {"obj inside a word", "1 0 object << /Type /Catalog /Pages 2 0 R >>", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto out = vq::pdf::RebuildCrossReference(c.bytes);
    EXPECT_EQ(out.has_value(), c.rebuilt);
    if (out) {
      EXPECT_NE(out->find("trailer\n<< /Size 3 /Root 1 0 R >>"), std::string::npos) << *out;
    }
  }

  // Objects kept in object streams, the startxref of their cross-reference
  // stream lost: they are found inside the streams, and a cross-reference
  // stream lists them.
  const std::string plain = vqtest::BuildPDF({
      "<< /Type /Catalog /Pages 2 0 R >>",
      "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
      "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Mark 9 >>",
  });
  QPDF source;
  source.processMemoryFile("plain", plain.data(), plain.size());
  QPDFWriter writer(source);
  writer.setOutputMemory();
  writer.setObjectStreamMode(qpdf_o_generate);
  writer.write();
  const auto buffer = writer.getBufferSharedPointer();
  std::string packed(reinterpret_cast<const char*>(buffer->getBuffer()), buffer->getSize());
  const size_t startxref = packed.rfind("startxref");
  ASSERT_NE(startxref, std::string::npos);
  packed = packed.substr(0, startxref) + "startxref\n0\n%%EOF\n";
  const auto packedPath = (dir / "object-streams.pdf").string();
  std::ofstream(packedPath, std::ios::binary) << packed;
  auto packedDoc = Document::open(packedPath, "", &error);
  ASSERT_TRUE(packedDoc);
  EXPECT_EQ(packedDoc->pageCount(), 1);
  EXPECT_EQ(packedDoc->page(1)->dictionary().get("Mark").integer(), 9);
  const auto rebuilt = vq::pdf::RebuildCrossReference(packed);
  ASSERT_TRUE(rebuilt);
  EXPECT_NE(rebuilt->find("/Type /XRef"), std::string::npos);
}

// Objects qpdf reads as null are read again from the file: the page and its
// text are kept, the broken entry alone is lost.
TEST(Document, ObjectsQpdfCannotReadAreReadAgain) {
  const std::string text = "BT /F1 12 Tf 72 700 Td (Kept) Tj ET";
  std::string hex;
  for (unsigned char c : text) hex += fmt::format("{:02X}", c);
  std::string nested;
  for (int i = 0; i < 50000; ++i) nested += "<< /A ";
  nested += "1";
  for (int i = 0; i < 50000; ++i) nested += " >>";
  const std::string unclosed(50000, '[');
  const std::string page = "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 300 400] /Contents 4 0 R ";
  struct Case {
    const char* what;
    std::string pageObject, contentObject;
    std::vector<std::string> more = {};
  } cases[] = {
      {"a /Length that refers to its own stream", page + ">>",
       fmt::format("<< /Length 4 0 R >>\nstream\n{}\nendstream", text)},
      {"the same, encoded", page + ">>",
       fmt::format("<< /Length 4 0 R /Filter /ASCIIHexDecode >>\nstream\n{}>\nendstream", hex)},
      {"a value nested 50,000 deep in the page, after a string with brackets",
       page + "/Title (a \\) << [ ) /Junk " + nested + " >>", vqtest::PDFStream(text)},
      {"a value nested 50,000 deep in the stream dictionary", page + ">>",
       fmt::format("<< /Length {} /Junk {} >>\nstream\n{}\nendstream", text.size(), nested, text)},
      {"an array left open 50,000 deep in the page", page + "/Junk " + unclosed + " >>", vqtest::PDFStream(text)},
      {"an array left open in the stream dictionary", page + ">>",
       fmt::format("<< /Length {} /Junk [1 {} >>\nstream\n{}\nendstream", text.size(), unclosed, text)},
      {"one broken stream of two",
       "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 300 400] /Contents [5 0 R 4 0 R] >>",
       fmt::format("<< /Length 4 0 R >>\nstream\n{}\nendstream", text),
       {vqtest::PDFStream("0 0 1 rg")}},
  };
  vqtest::ScratchDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<std::string> objects = {"<< /Type /Catalog /Pages 2 0 R >>",
                                        "<< /Type /Pages /Kids [3 0 R] /Count 1 >>", c.pageObject, c.contentObject};
    objects.insert(objects.end(), c.more.begin(), c.more.end());
    const auto path = (dir / fmt::format("case-{}.pdf", &c - cases)).string();
    std::ofstream(path, std::ios::binary) << vqtest::BuildPDF(objects);
    auto doc = Document::open(path, "");
    ASSERT_TRUE(doc);
    auto p = doc->page(1);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->box(PageBox::Media).size.height, 400);
    const auto contents = p->contents();
    ASSERT_TRUE(contents);
    EXPECT_NE(contents->find(text), std::string::npos) << *contents;
    // The content scanner reads the same streams.
    EXPECT_EQ(vq::pdf::ContentStream::createWithPage(*p)->buffers().size(), c.more.size() + 1);
  }
}

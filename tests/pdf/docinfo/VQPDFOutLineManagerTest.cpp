#include "pdf/docinfo/VQPDFOutLineManager.h"

#include <gtest/gtest.h>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <cctype>
#include <map>
#include <variant>

#include "support/TestSupport.h"

using namespace vq;

namespace {

// ---- a small JSON reader, enough for qpdf's --json output ----
struct Json {
  std::variant<std::nullptr_t, bool, double, std::string, std::vector<Json>, std::map<std::string, Json>> v;
  const Json& operator[](const std::string& key) const {
    static const Json none;
    const auto* m = std::get_if<std::map<std::string, Json>>(&v);
    if (!m) return none;
    auto it = m->find(key);
    return it == m->end() ? none : it->second;
  }
  const std::vector<Json>& array() const {
    static const std::vector<Json> empty;
    const auto* a = std::get_if<std::vector<Json>>(&v);
    return a ? *a : empty;
  }
  const std::string* string() const { return std::get_if<std::string>(&v); }
};

class JsonParser {
 public:
  explicit JsonParser(const std::string& s) : s_(s) {}
  Json parse() {
    skip();
    const char c = s_.at(i_);
    if (c == '{') {
      std::map<std::string, Json> m;
      ++i_;
      for (skip(); s_.at(i_) != '}'; skip()) {
        std::string key = str();
        skip();
        ++i_;  // ':'
        m.emplace(std::move(key), parse());
        skip();
        if (s_.at(i_) == ',') ++i_;
      }
      ++i_;
      return {std::move(m)};
    }
    if (c == '[') {
      std::vector<Json> a;
      ++i_;
      for (skip(); s_.at(i_) != ']'; skip()) {
        a.push_back(parse());
        skip();
        if (s_.at(i_) == ',') ++i_;
      }
      ++i_;
      return {std::move(a)};
    }
    if (c == '"') return {str()};
    if (s_.compare(i_, 4, "null") == 0) return i_ += 4, Json{nullptr};
    if (s_.compare(i_, 4, "true") == 0) return i_ += 4, Json{true};
    if (s_.compare(i_, 5, "false") == 0) return i_ += 5, Json{false};
    size_t used = 0;
    const double d = std::stod(s_.substr(i_, 40), &used);
    i_ += used;
    return {d};
  }

 private:
  void skip() {
    while (i_ < s_.size() && std::isspace(static_cast<unsigned char>(s_[i_]))) ++i_;
  }
  std::string str() {
    std::string out;
    for (++i_; s_.at(i_) != '"'; ++i_) {
      if (s_[i_] != '\\') {
        out += s_[i_];
        continue;
      }
      const char e = s_.at(++i_);
      if (e == 'u') {
        unsigned cp = std::stoul(s_.substr(i_ + 1, 4), nullptr, 16);
        i_ += 4;
        if (cp >= 0xD800 && cp < 0xDC00 && s_.compare(i_ + 1, 2, "\\u") == 0) {
          const unsigned lo = std::stoul(s_.substr(i_ + 3, 4), nullptr, 16);
          cp = 0x10000 + ((cp - 0xD800) << 10) + (lo - 0xDC00);
          i_ += 6;
        }
        appendUTF8(out, cp);
      } else {
        out += e == 'n' ? '\n' : e == 't' ? '\t' : e == 'r' ? '\r' : e == 'b' ? '\b' : e == 'f' ? '\f' : e;
      }
    }
    ++i_;
    return out;
  }
  static void appendUTF8(std::string& out, unsigned cp) {
    if (cp < 0x80) {
      out += char(cp);
    } else if (cp < 0x800) {
      out += char(0xC0 | cp >> 6), out += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      out += char(0xE0 | cp >> 12), out += char(0x80 | (cp >> 6 & 0x3F)), out += char(0x80 | (cp & 0x3F));
    } else {
      out += char(0xF0 | cp >> 18), out += char(0x80 | (cp >> 12 & 0x3F)), out += char(0x80 | (cp >> 6 & 0x3F)),
          out += char(0x80 | (cp & 0x3F));
    }
  }
  const std::string& s_;
  size_t i_ = 0;
};

struct Expected {
  std::string title;
  int64_t indent;
  int64_t page;
};

// What qpdf reads from the same outline: titles, depths and target pages
// (its destination, unwrapped from a named destination's D entry, mapped
// through its page list).
std::vector<Expected> outlineByQpdf(const std::string& path) {
  std::string out;
  if (vqtest::runCommand("qpdf --json --json-key=outlines --json-key=pages '" + path + "'", &out) != 0) return {};
  const Json root = JsonParser(out).parse();
  std::map<std::string, int64_t> pageOfObject;
  int64_t n = 0;
  for (const auto& page : root["pages"].array()) pageOfObject[*page["object"].string()] = ++n;
  std::vector<Expected> items;
  std::function<void(const std::vector<Json>&, int64_t)> walk = [&](const std::vector<Json>& kids, int64_t depth) {
    for (const auto& item : kids) {
      const Json* dest = &item["dest"];
      if (!(*dest)["/D"].array().empty()) dest = &(*dest)["/D"];
      int64_t page = -1;
      if (!dest->array().empty()) {
        if (const std::string* ref = dest->array()[0].string()) {
          auto it = pageOfObject.find(*ref);
          if (it != pageOfObject.end()) page = it->second;
        }
      }
      items.push_back({*item["title"].string(), depth, page});
      walk(item["kids"].array(), depth + 1);
    }
  };
  walk(root["outlines"].array(), 0);
  return items;
}

TEST(VQPDFOutLineManager, CorpusOutlinesReadAsQpdfReadsThem) {
  for (const char* name : {"annots-links-jpeg.pdf", "columns-multicol.pdf", "tables-colortbl.pdf"}) {
    SCOPED_TRACE(name);
    const std::string path = vqtest::corpusFile(name).string();
    const std::vector<Expected> expected = outlineByQpdf(path);
    ASSERT_FALSE(expected.empty());
    auto document = pdf::Document::open(path, "");
    ASSERT_TRUE(document);
    const auto items = VQPDFOutLineManager::ReadOutline(*document);
    ASSERT_EQ(items.size(), expected.size());
    size_t withPage = 0;
    for (size_t k = 0; k < items.size(); ++k) {
      SCOPED_TRACE(expected[k].title);
      EXPECT_EQ(items[k].Title.value_or(""), expected[k].title);
      EXPECT_EQ(items[k].Indent, expected[k].indent);
      EXPECT_EQ(VQPDFOutLineManager::GetGoToPageWithItem(items[k]), expected[k].page);
      withPage += expected[k].page > 0;
    }
    EXPECT_GT(withPage, 0u);
  }
  // The navigation items of the slides are named actions, not destinations.
  auto slides = pdf::Document::open(vqtest::corpusFile("annots-links-jpeg.pdf").string(), "");
  const auto items = VQPDFOutLineManager::ReadOutline(*slides);
  ASSERT_TRUE(items[2].Action);
  EXPECT_EQ(items[2].Action->S, "Named");
  EXPECT_EQ(items[0].Count, 13);  // its Count is -13: closed, thirteen descendants
}

// Three pages and an outline that reaches them every way a PDF allows, with
// a loop in its Next links.
std::string makeFixture(const vqtest::ScratchDir& dir) {
  QPDF q;
  q.emptyPDF();
  QPDFPageDocumentHelper pages(q);
  std::vector<QPDFObjectHandle> pageObjects;
  for (int k = 0; k < 3; ++k) {
    auto page = q.makeIndirectObject(QPDFObjectHandle::parse("<< /Type /Page /MediaBox [0 0 200 200] >>"));
    pages.addPage(QPDFPageObjectHelper(page), false);
    pageObjects.push_back(page);
  }
  auto catalog = q.getRoot();
  auto outlines = q.makeIndirectObject(QPDFObjectHandle::parse("<< /Type /Outlines >>"));
  auto item = [&](const std::string& body) { return q.makeIndirectObject(QPDFObjectHandle::parse(body)); };
  auto direct = item("<< /Title <FEFF0031002E002000A000200049006E00740072006F000A> /Count -2 >>");
  direct.replaceKey("/Dest", QPDFObjectHandle::newArray({pageObjects[1], QPDFObjectHandle::newName("/Fit")}));
  auto byName = item("<< /Title (By name) /A << /S /GoTo /D /chapter >> >>");
  auto byString = item("<< /Title (By string) /Dest (sec.2) >>");
  auto named = item("<< /Title (Named) /A << /S /Named /N /NextPage >> >>");
  auto indexOnly = item("<< /Title (Index) /Dest [2 /Fit] >>");
  auto untitled = item("<< >>");
  direct.replaceKey("/First", byName);
  byName.replaceKey("/Next", byString);
  byString.replaceKey("/Next", byName);  // a loop
  direct.replaceKey("/Next", named);
  named.replaceKey("/Next", indexOnly);
  indexOnly.replaceKey("/Next", untitled);
  outlines.replaceKey("/First", direct);
  catalog.replaceKey("/Outlines", outlines);
  auto dests = QPDFObjectHandle::newDictionary();
  dests.replaceKey("/chapter", QPDFObjectHandle::parse("<< >>"));
  dests.getKey("/chapter").replaceKey("/D", QPDFObjectHandle::newArray({pageObjects[2]}));
  catalog.replaceKey("/Dests", dests);
  auto leaf = QPDFObjectHandle::parse("<< /Limits [(sec.1) (sec.3)] /Names [(sec.1) null (sec.2) null] >>");
  auto namesArray = leaf.getKey("/Names");
  namesArray.setArrayItem(3, QPDFObjectHandle::newArray({pageObjects[0], QPDFObjectHandle::newName("/XYZ")}));
  auto other = QPDFObjectHandle::parse("<< /Limits [(a) (b)] /Names [(a) null] >>");
  auto tree = QPDFObjectHandle::newDictionary();
  tree.replaceKey("/Kids", QPDFObjectHandle::newArray({q.makeIndirectObject(other), q.makeIndirectObject(leaf)}));
  auto names = QPDFObjectHandle::newDictionary();
  names.replaceKey("/Dests", tree);
  catalog.replaceKey("/Names", names);
  auto info = q.makeIndirectObject(QPDFObjectHandle::parse(
      "<< /Title <FEFF00540069007400720065> /Author () /Producer (qpdf) /CreationDate (D:20240131120000Z) >>"));
  q.getTrailer().replaceKey("/Info", info);

  const std::string path = (dir / "outline.pdf").string();
  QPDFWriter w(q, path.c_str());
  w.setStaticID(true);
  w.write();
  return path;
}

TEST(VQPDFOutLineManager, FixtureDestinationsLoopsAndLookups) {
  vqtest::ScratchDir dir;
  auto document = pdf::Document::open(makeFixture(dir), "");
  ASSERT_TRUE(document);
  auto manager = VQPDFOutLineManager::sharedInstance();
  manager->loadOutlineFromDocument(*document);
  const auto items = manager->tableArray();
  struct Row {
    const char* title;
    int64_t indent, page, count;
    const char* action;
  };
  const Row rows[] = {
      {"1. \xC2\xA0 Intro\n", 0, 2, 2, "GoTo"},
      {"By name", 1, 3, 0, "GoTo"},
      {"By string", 1, 1, 0, "GoTo"},
      {"Named", 0, -1, 0, "Named"},
      {"Index", 0, 3, 0, "GoTo"},
      {"", 0, -1, 0, ""},
  };
  ASSERT_EQ(items.size(), std::size(rows));
  for (size_t k = 0; k < items.size(); ++k) {
    SCOPED_TRACE(k);
    EXPECT_EQ(items[k].Title.value_or(""), rows[k].title);
    EXPECT_EQ(items[k].Indent, rows[k].indent);
    EXPECT_EQ(VQPDFOutLineManager::GetGoToPageWithItem(items[k]), rows[k].page);
    EXPECT_EQ(items[k].Count, rows[k].count);
    EXPECT_EQ(items[k].Action ? items[k].Action->S : "", rows[k].action);
  }
  EXPECT_EQ(VQPDFOutLineManager::GetOutlineTitleWithItem(items[0]).value_or("?"), "1.Intro");
  EXPECT_EQ(VQPDFOutLineManager::GetOutlineTitleWithItem(items[5]), std::nullopt);
  VQPDFOutlineItem blank;
  blank.Title = " \t\n\xE2\x80\x8B";  // only blanks and a zero-width space
  EXPECT_EQ(VQPDFOutLineManager::GetOutlineTitleWithItem(blank), std::nullopt);

  const auto onPage3 = VQPDFOutLineManager::sharedInstance()->outlineArrayForPDFPageIndex(3);
  ASSERT_EQ(onPage3.size(), 2u);
  EXPECT_EQ(*onPage3[0].Title, "By name");
  EXPECT_EQ(*onPage3[1].Title, "Index");
  EXPECT_TRUE(manager->outlineArrayForPDFPageIndex(9).empty());

  VQPDFOutLineManager::destory();
  EXPECT_TRUE(VQPDFOutLineManager::sharedInstance()->tableArray().empty());
  VQPDFOutLineManager::destory();
}

}  // namespace

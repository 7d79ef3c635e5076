#include "office/docx/VQDocxDocument.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <numeric>
#include <random>
#include <set>
#include <thread>

#include "DocxTestSupport.h"

namespace fs = std::filesystem;
using vq::VQDocxDocument;
using vq::VQDocxDocumentException;
using vqtest::TextPage;

namespace {

std::vector<std::string> names(int from, int to) {
  std::vector<std::string> out;
  for (int i = from; i <= to; ++i) out.push_back(std::to_string(i));
  return out;
}

std::shared_ptr<TextPage> page(int64_t position) { return std::make_shared<TextPage>(position, position); }

std::string mainPart(VQDocxDocument& doc) { return vqtest::readFile(doc.savedWorkFolder() + "/word/document.xml"); }

// Ends the body and returns the main part as written.
std::string endedMainPart(VQDocxDocument& doc) {
  doc.writeDocumentEnd();
  return mainPart(doc);
}

struct Package {
  vqtest::ScratchDir dir;
  fs::path path = dir / "out.docx";
};

}  // namespace

TEST(VQDocxDocumentEndToEnd, PagesFromEightThreadsArriveInPageOrder) {
  constexpr int kPages = 40;
  Package pkg;
  auto doc = VQDocxDocument::initWithPath(pkg.path.string(), kPages);
  const std::string tempFolder = doc->savedTempFolder();
  doc->writeDocumentBegin();

  std::vector<int> order(kPages);
  std::iota(order.begin(), order.end(), 1);
  std::mt19937 random(20261210);
  std::shuffle(order.begin(), order.end(), random);
  std::atomic<size_t> next{0};
  std::atomic<int> running{8};
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([&, t] {
      std::mt19937 pause(static_cast<unsigned>(t));
      for (size_t i; (i = next++) < order.size();) {
        std::this_thread::sleep_for(std::chrono::microseconds(pause() % 3000));
        EXPECT_TRUE(doc->writeDocumentPageTemp(page(order[i])));
      }
      --running;
    });
  }
  // The job thread polls while pages arrive, as the page-parallel front does.
  while (running > 0) {
    doc->writeDocumentPageTempInOrderIfReady();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  for (auto& t : threads) t.join();
  doc->writeDocumentPageTempInOrderIfReady();
  EXPECT_EQ(doc->writePagesCountTemp(), kPages + 1);
  EXPECT_EQ(doc->writePagesCount(), kPages + 1);
  doc->writeDocumentEnd();
  doc->packetZipFileIfNeed();
  EXPECT_FALSE(fs::exists(tempFolder)) << "the work folder outlived the package";

  const auto entries = vqtest::zipEntries(pkg.path);
  const std::set<std::string> present(entries.begin(), entries.end());
  for (const char* part :
       {"_rels/.rels", "[Content_Types].xml", "docProps/app.xml", "docProps/core.xml", "word/document.xml",
        "word/_rels/document.xml.rels", "word/fontTable.xml", "word/settings.xml", "word/styles.xml",
        "word/theme/theme1.xml", "word/webSettings.xml", "word/media/"})
    EXPECT_TRUE(present.count(part)) << part;
  for (const auto& e : entries) EXPECT_EQ(e.find("document-debug"), std::string::npos) << e;

  vqtest::ScratchDir unpacked;
  ASSERT_TRUE(vqtest::unzipTo(pkg.path, unpacked.path()));
  for (const auto& e : entries) {
    if (e.back() == '/') continue;
    std::string out;
    EXPECT_EQ(vqtest::runCommand("xmllint --noout " + vqtest::quoted(unpacked / e) + " 2>&1", &out), 0)
        << e << ": " << out;
  }
  EXPECT_EQ(vqtest::bodyBookmarks(vqtest::readFile(unpacked / "word/document.xml")), names(1, kPages));

  if (!vqtest::haveSoffice()) GTEST_SKIP() << "soffice is not installed";
  const auto text = vqtest::sofficeText(pkg.path);
  ASSERT_TRUE(text) << "LibreOffice could not open the package";
  size_t at = 0;
  for (int i = 1; i <= kPages; ++i) {
    const std::string line = "Test page " + std::to_string(i) + "\n";
    const size_t found = text->find(line, at);
    ASSERT_NE(found, std::string::npos) << line << "missing or out of order in:\n" << *text;
    at = found + line.size();
  }
}

TEST(VQDocxDocumentTest, AppendsOnlyWhenTheNextPageInOrderIsReady) {
  struct Case {
    std::vector<int> finishOrder;
    std::vector<bool> pollResults;  // after each page
  };
  const Case cases[] = {
      {{2, 3, 1}, {false, false, true}},
      {{1, 2, 3}, {true, true, true}},
      {{3, 1, 2}, {false, true, true}},
  };
  for (const auto& c : cases) {
    Package pkg;
    auto doc = VQDocxDocument::initWithPath(pkg.path.string(), 3);
    doc->writeDocumentBegin();
    for (size_t i = 0; i < c.finishOrder.size(); ++i) {
      ASSERT_TRUE(doc->writeDocumentPageTemp(page(c.finishOrder[i])));
      EXPECT_EQ(doc->writeDocumentPageTempInOrderIfReady(), c.pollResults[i]) << "after page " << c.finishOrder[i];
    }
    EXPECT_EQ(doc->writePagesCountTemp(), 4);
    EXPECT_FALSE(doc->writeDocumentPageTempInOrderIfReady()) << "nothing is left to append";
    EXPECT_EQ(vqtest::bodyBookmarks(endedMainPart(*doc)), names(1, 3));
  }
}

TEST(VQDocxDocumentTest, FailedPositionsDoNotHoldBackLaterPages) {
  const std::set<int> cases[] = {{1}, {3}, {5}, {2, 4}, {1, 2, 3, 4, 5}};
  for (const auto& failed : cases) {
    Package pkg;
    auto doc = VQDocxDocument::initWithPath(pkg.path.string(), 5);
    doc->writeDocumentBegin();
    std::vector<std::string> expected;
    for (int p = 5; p >= 1; --p) {
      if (failed.count(p)) doc->skipDocumentPage(p);
      else ASSERT_TRUE(doc->writeDocumentPageTemp(page(p)));
    }
    for (int p = 1; p <= 5; ++p)
      if (!failed.count(p)) expected.push_back(std::to_string(p));
    EXPECT_EQ(doc->writeDocumentPageTempInOrderIfReady(), !expected.empty());
    EXPECT_EQ(doc->writePagesCountTemp(), 6) << "a failed page held back the pages after it";
    const std::string xml = endedMainPart(*doc);
    EXPECT_EQ(vqtest::bodyBookmarks(xml), expected) << xml;
    EXPECT_EQ(xml.find("docPr"), std::string::npos) << "the body holds only pages";
  }
}

TEST(VQDocxDocumentTest, EndAppendsPagesPastPositionsThatNeverArrived) {
  Package pkg;
  auto doc = VQDocxDocument::initWithPath(pkg.path.string(), 4);
  doc->writeDocumentBegin();
  ASSERT_TRUE(doc->writeDocumentPageTemp(page(1)));
  ASSERT_TRUE(doc->writeDocumentPageTemp(page(3)));
  EXPECT_TRUE(doc->writeDocumentPageTempInOrderIfReady());
  EXPECT_EQ(doc->writePagesCountTemp(), 2) << "position 2 may still come while pages run";
  EXPECT_EQ(vqtest::bodyBookmarks(endedMainPart(*doc)), (std::vector<std::string>{"1", "3"}));
}

TEST(VQDocxDocumentTest, PageThatThrowsIsNotRecorded) {
  struct ThrowingPage : TextPage {
    using TextPage::TextPage;
    bool ended = false;
    void writePageWithXMLWriter(vq::XMLFileWriter& w) override {
      TextPage::writePageWithXMLWriter(w);
      throw std::runtime_error("layout failed");
    }
    void writePageEnd() override { ended = true; }
  };
  Package pkg;
  auto doc = VQDocxDocument::initWithPath(pkg.path.string(), 2);
  doc->writeDocumentBegin();
  auto bad = std::make_shared<ThrowingPage>(1, 1);
  EXPECT_THROW(doc->writeDocumentPageTemp(bad), std::runtime_error);
  EXPECT_TRUE(bad->ended) << "the page must be detached from its writer";
  EXPECT_EQ(doc->writePagesCount(), 1);
  EXPECT_FALSE(doc->writeDocumentPageTemp(nullptr));
  doc->skipDocumentPage(1);
  ASSERT_TRUE(doc->writeDocumentPageTemp(page(2)));
  EXPECT_TRUE(doc->writeDocumentPageTempInOrderIfReady());
  EXPECT_EQ(vqtest::bodyBookmarks(endedMainPart(*doc)), (std::vector<std::string>{"2"}));
}

TEST(VQDocxDocumentTest, ImagesGetOneRelationshipAndMoveIntoThePackage) {
  Package pkg;
  vqtest::ScratchDir images;
  const std::string a = (images / "IMG_0A1B2C3D-0000-4000-8000-000000000001.png").string();
  const std::string b = (images / "IMG_odd name#1.jpeg").string();
  for (const auto& p : {a, b}) std::ofstream(p) << "image";
  auto doc = VQDocxDocument::initWithPath(pkg.path.string(), 1);
  doc->writeDocumentBegin();

  const std::string idA = doc->collectImageWithPath(a);
  EXPECT_EQ(idA, "rId_IMG_0A1B2C3D-0000-4000-8000-000000000001");
  EXPECT_EQ(doc->collectImageWithPath(a), idA);
  EXPECT_EQ(doc->collectImageWithPath(b), "rId_IMG_odd_name_1") << "relationship Ids must be XML IDs";
  doc->removeCollectedImageWithRunImages({a});
  EXPECT_EQ(doc->docxMediaCollection(), std::vector<std::string>{b});
  EXPECT_EQ(doc->collectImageWithPath(a), idA);

  std::vector<std::string> ids, targets;
  for (const auto& r : doc->docxRelationships()) ids.push_back(r.relastionID), targets.push_back(r.Target);
  EXPECT_EQ(ids, (std::vector<std::string>{"rId1", "rId2", "rId3", "rId4", "rId5", "rId_IMG_odd_name_1", idA}));
  EXPECT_EQ(targets.back(), "media/IMG_0A1B2C3D-0000-4000-8000-000000000001.png");

  ASSERT_TRUE(doc->writeDocumentPageTemp(page(1)));
  doc->writeDocumentPageTempInOrderIfReady();
  doc->writeDocumentEnd();
  doc->packetZipFileIfNeed();
  const auto entries = vqtest::zipEntries(pkg.path);
  for (const auto& p : {a, b}) {
    EXPECT_NE(std::find(entries.begin(), entries.end(), "word/media/" + fs::path(p).filename().string()), entries.end())
        << p;
    EXPECT_FALSE(fs::exists(p)) << "the image was copied, not moved";
  }
}

TEST(VQDocxDocumentTest, DocumentWithoutPagesOrImagesIsComplete) {
  Package pkg;
  auto doc = VQDocxDocument::initWithPath(pkg.path.string(), 2);
  doc->writeDocumentBegin();
  EXPECT_FALSE(doc->writeDocumentPageTempInOrderIfReady());
  doc->writeDocumentEnd();
  doc->packetZipFileIfNeed();
  vqtest::ScratchDir unpacked;
  ASSERT_TRUE(vqtest::unzipTo(pkg.path, unpacked.path()));
  const auto entries = vqtest::zipEntries(pkg.path);
  EXPECT_NE(std::find(entries.begin(), entries.end(), "word/media/"), entries.end());

  const std::string main = vqtest::readFile(unpacked / "word/document.xml");
  EXPECT_NE(main.find("xml:space=\"preserve\"><w:body/></w:document>"), std::string::npos) << main;
  pugi::xml_document core;
  ASSERT_TRUE(core.load_file((unpacked / "docProps/core.xml").c_str()));
  auto props = core.child("cp:coreProperties");
  EXPECT_TRUE(props && !props.first_child());
  EXPECT_EQ(std::distance(props.attributes_begin(), props.attributes_end()), 5);
  const std::string types = vqtest::readFile(unpacked / "[Content_Types].xml");
  for (const char* ext : {"jpg", "jpeg", "jp2", "png"})
    EXPECT_NE(types.find(std::string("Extension=\"") + ext + "\""), std::string::npos) << ext;
  const std::string settings = vqtest::readFile(unpacked / "word/settings.xml");
  EXPECT_NE(settings.find("<w:view w:val=\"print\"/><w:zoom w:percent=\"120\"/><w:defaultTabStop w:val=\"720\"/>"),
            std::string::npos)
      << settings;
  EXPECT_NE(vqtest::readFile(unpacked / "word/fontTable.xml").find("<w:charset w:val=\"00\"/>"), std::string::npos);
  pugi::xml_document styles;
  ASSERT_TRUE(styles.load_file((unpacked / "word/styles.xml").c_str()));
  EXPECT_TRUE(styles.child("w:styles").find_child_by_attribute("w:style", "w:styleId", "TableGrid"));
}

// Every packaging failure ends with an exception, leaves the destination as
// it was and removes the work folder.
TEST(VQDocxDocumentTest, PackagingFailuresLeaveNoPartialPackage) {
  enum Fault { ZipFolderMissing, ImageCannotMove, TemplateUnreadable };
  for (Fault fault : {ZipFolderMissing, ImageCannotMove, TemplateUnreadable}) {
    SCOPED_TRACE(fault);
    vqtest::ScratchDir dir;
    fs::path dest = dir / "out.docx";
    if (fault == ZipFolderMissing) dest = dir / "missing" / "out.docx";
    if (fault == ImageCannotMove) std::ofstream(dest) << "previous";
    vqtest::ScratchDir resources;
    if (fault == TemplateUnreadable) {
      const fs::path templates = resources / "VQVellumate" / "Docx XML Templates";
      fs::create_directories(templates);
      std::ofstream(templates / "docx-template-styles-2006.xml").close();  // empty
      setenv("VQPAPYRANT_RESOURCES", resources.path().c_str(), 1);
    }
    auto doc = VQDocxDocument::initWithPath(dest.string(), 1);
    const std::string tempFolder = doc->savedTempFolder();
    doc->writeDocumentBegin();
    if (fault == ImageCannotMove) doc->collectImageWithPath((dir / "IMG_gone.png").string());
    ASSERT_TRUE(doc->writeDocumentPageTemp(page(1)));
    doc->writeDocumentPageTempInOrderIfReady();
    doc->writeDocumentEnd();
    EXPECT_THROW(doc->packetZipFileIfNeed(), VQDocxDocumentException);
    unsetenv("VQPAPYRANT_RESOURCES");
    EXPECT_FALSE(fs::exists(tempFolder));
    if (fault == ImageCannotMove) EXPECT_EQ(vqtest::readFile(dest), "previous");
    else EXPECT_FALSE(fs::exists(dest));
    // No temporary archive is left beside the destination either.
    if (fs::exists(dest.parent_path())) {
      for (const auto& e : fs::directory_iterator(dest.parent_path())) EXPECT_EQ(e.path(), dest) << "left behind";
    }
  }
}

TEST(VQDocxDocumentTest, MainPartThatCannotBeCreatedIsAnError) {
  Package pkg;
  auto doc = VQDocxDocument::initWithPath(pkg.path.string(), 1);
  const std::string tempFolder = doc->savedTempFolder();
  fs::create_directories(doc->savedWorkFolder() + "/word/document.xml");
  EXPECT_THROW(doc->writeDocumentBegin(), VQDocxDocumentException);
  doc.reset();
  EXPECT_FALSE(fs::exists(tempFolder));
}

TEST(VQDocxDocumentTest, DroppedDocumentRemovesItsWorkAndImages) {
  Package pkg;
  vqtest::ScratchDir images;
  const std::string image = (images / "IMG_kept.png").string();
  std::ofstream(image) << "image";
  auto doc = VQDocxDocument::initWithPath(pkg.path.string(), 2);
  const std::string tempFolder = doc->savedTempFolder();
  EXPECT_EQ(fs::path(tempFolder).filename().string().rfind("Temp-", 0), 0u);
  EXPECT_EQ(fs::path(doc->savedWorkFolder()).parent_path(), fs::path(tempFolder));
  doc->writeDocumentBegin();
  doc->collectImageWithPath(image);
  ASSERT_TRUE(doc->writeDocumentPageTemp(page(1)));
  doc.reset();  // a cancelled conversion
  EXPECT_FALSE(fs::exists(tempFolder));
  EXPECT_FALSE(fs::exists(image));
  EXPECT_FALSE(fs::exists(pkg.path));
}

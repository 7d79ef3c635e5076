#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>

#include "OfficeTestSupport.h"
#include "office/VQDocxUtilities.h"
#include "office/VQOutputWriter.h"
#include "office/ZipArchive.h"

using namespace vq;
namespace fs = std::filesystem;

namespace {

// One central-directory record, read straight from the archive bytes.
struct CentralEntry {
  std::string name;
  unsigned versionMadeBy = 0, flags = 0, method = 0;
  uint32_t dosDateTime = 0, externalAttributes = 0, compressedSize = 0;
};

std::vector<CentralEntry> centralDirectory(const std::string& zip) {
  auto u16 = [&](size_t at) { return unsigned(uint8_t(zip[at])) | unsigned(uint8_t(zip[at + 1])) << 8; };
  auto u32 = [&](size_t at) { return uint32_t(u16(at)) | uint32_t(u16(at + 2)) << 16; };
  std::vector<CentralEntry> entries;
  const std::string signature("PK\x01\x02", 4);
  for (size_t at = zip.find(signature); at != std::string::npos && at + 46 <= zip.size();
       at = zip.find(signature, at + 46)) {
    CentralEntry e;
    e.versionMadeBy = u16(at + 4);
    e.flags = u16(at + 8);
    e.method = u16(at + 10);
    e.dosDateTime = u32(at + 12);
    e.compressedSize = u32(at + 20);
    e.externalAttributes = u32(at + 38);
    e.name = zip.substr(at + 46, u16(at + 28));
    entries.push_back(e);
  }
  return entries;
}

void writeText(const fs::path& path, const std::string& text) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << text;
}

std::vector<std::string> names(const std::vector<CentralEntry>& entries) {
  std::vector<std::string> out;
  for (const auto& e : entries) out.push_back(e.name);
  return out;
}

std::vector<std::string> leftovers(const fs::path& folder) {
  std::vector<std::string> out;
  for (const auto& item : fs::directory_iterator(folder)) out.push_back(item.path().filename().string());
  return out;
}

TEST(VQOutputWriterEndToEnd, PackageTreeEntriesAttributesAndReproducibility) {
  vqtest::ScratchDir dir;
  const fs::path work = dir / "work";
  writeText(work / "_rels/.rels", "<r/>");
  writeText(work / "[Content_Types].xml", "<t/>");
  writeText(work / "docProps/core.xml", "<c/>");
  writeText(work / "docProps/app.xml", std::string(100000, 'a'));
  writeText(work / "word/document.xml", "<d/>");
  writeText(work / "word/theme/theme1.xml", "<th/>");
  fs::create_directories(work / "word/media");
  fs::create_directories(dir / "empty");
  const std::vector<std::string> list = {(work / "_rels").string(), (work / "[Content_Types].xml").string(),
                                         (work / "docProps").string(), (work / "word").string(),
                                         (dir / "empty").string()};
  const fs::path out = dir / "out.docx";
  ASSERT_TRUE(VQOutputWriter::CreateZipFileAtPath(out.string(), list));

  const std::string bytes = vqtest::readFile(out);
  const auto entries = centralDirectory(bytes);
  EXPECT_EQ(names(entries),
            (std::vector<std::string>{"_rels/.rels", "[Content_Types].xml", "docProps/app.xml", "docProps/core.xml",
                                      "word/document.xml", "word/media/", "word/theme/theme1.xml", "empty/"}));
  for (const auto& e : entries) {
    SCOPED_TRACE(e.name);
    EXPECT_EQ(e.versionMadeBy >> 8, 3u);  // Unix
    EXPECT_EQ(e.flags & 0x0800u, 0x0800u);
    EXPECT_EQ(e.dosDateTime, 0x00210000u);
    const bool folder = e.name.back() == '/';
    EXPECT_EQ(e.method, folder ? 0u : 8u);
    EXPECT_EQ(e.externalAttributes >> 16, folder ? (S_IFDIR | 0755u) : (S_IFREG | 0644u));
  }
  EXPECT_LT(entries[2].compressedSize, 1000u);  // 100000 times "a" deflated

  std::string report;
  EXPECT_EQ(vqtest::runCommand("unzip -t '" + out.string() + "' 2>&1", &report), 0) << report;

  // The same tree zips to the same bytes.
  const fs::path again = dir / "again.docx";
  ASSERT_TRUE(VQOutputWriter::CreateZipFileAtPath(again.string(), list));
  EXPECT_EQ(vqtest::readFile(again), bytes);
}

TEST(VQOutputWriter, ArchiveInsideAListedFolderDoesNotEnterItself) {
  vqtest::ScratchDir dir;
  writeText(dir / "pkg/a.txt", "a");
  const fs::path out = dir / "pkg/self.zip";
  ASSERT_TRUE(VQOutputWriter::CreateZipFileAtPath(out.string(), {(dir / "pkg").string()}));
  EXPECT_EQ(names(centralDirectory(vqtest::readFile(out))), std::vector<std::string>{"pkg/a.txt"});
  // A listed file enters under its own name, without its folders.
  ASSERT_TRUE(VQOutputWriter::CreateZipFileAtPath((dir / "one.zip").string(), {(dir / "pkg/a.txt").string()}));
  EXPECT_EQ(names(centralDirectory(vqtest::readFile(dir / "one.zip"))), std::vector<std::string>{"a.txt"});
}

TEST(VQOutputWriter, FailedPackageLeavesNothingAtTheDestination) {
  vqtest::ScratchDir dir;
  writeText(dir / "pkg/a.txt", "a");
  ASSERT_EQ(mkfifo((dir / "fifo/pipe").string().c_str(), 0644), -1);  // folder missing: made below
  fs::create_directories(dir / "fifo");
  ASSERT_EQ(mkfifo((dir / "fifo/pipe").string().c_str(), 0644), 0);

  struct Case {
    const char* name;
    std::vector<std::string> list;
  };
  const Case cases[] = {
      {"missing listed path", {(dir / "pkg").string(), (dir / "nothing-here").string()}},
      {"item that is not a regular file", {(dir / "pkg").string(), (dir / "fifo").string()}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path out = dir / "out.docx";
    writeText(out, "previous");
    EXPECT_FALSE(VQOutputWriter::CreateZipFileAtPath(out.string(), c.list));
    EXPECT_EQ(vqtest::readFile(out), "previous");
    fs::remove(out);
  }
  EXPECT_FALSE(VQOutputWriter::CreateZipFileAtPath((dir / "no/such/folder/x.zip").string(), {(dir / "pkg").string()}));
  // A FIFO (or a device) at the destination is refused, never renamed over.
  EXPECT_FALSE(VQOutputWriter::CreateZipFileAtPath((dir / "fifo/pipe").string(), {(dir / "pkg").string()}));
  EXPECT_TRUE(fs::is_fifo(dir / "fifo/pipe"));
  std::vector<std::string> left = leftovers(dir.path());
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{"fifo", "pkg"}));
}

TEST(ZipArchive, EntryFailuresAreReported) {
  vqtest::ScratchDir dir;
  writeText(dir / "a.txt", "a");
  ZipArchive zip((dir / "z.zip").string());
  EXPECT_FALSE(zip.writeFileAtPath((dir / "a.txt").string(), std::nullopt, -1));  // not open
  ASSERT_TRUE(zip.open());
  EXPECT_TRUE(zip.writeFileAtPath((dir / "a.txt").string(), std::nullopt, -1));
  EXPECT_FALSE(zip.writeFileAtPath((dir / "missing.txt").string(), std::nullopt, -1));
  EXPECT_FALSE(zip.writeFileAtPath((dir / "a.txt").string(), "b.txt", -1, std::string("secret")));
  EXPECT_FALSE(zip.writeFolderAtPath((dir / "a.txt").string(), "notafolder"));
  EXPECT_TRUE(zip.close());
  EXPECT_FALSE(zip.close());
  EXPECT_EQ(names(centralDirectory(vqtest::readFile(dir / "z.zip"))), std::vector<std::string>{"a.txt"});
}

// A minimal word-processing package made from the writer and the property
// serialisers; LibreOffice must open it.
void writeMinimalDocx(const fs::path& work) {
  fs::create_directories(work / "_rels");
  fs::create_directories(work / "word");
  {
    auto x = XMLFileWriter::initWithPath((work / "[Content_Types].xml").string());
    x->writeStartDocumentWithEncodingAndVersion("UTF-8", "1.0", "yes");
    x->writeStartElement("Types");
    x->writeAttribute("xmlns", gl_namespace_contentTypes);
    x->writeStartElement("Default");
    x->writeAttribute("Extension", "rels");
    x->writeAttribute("ContentType", gl_contentType_relationships);
    x->writeEndElement();
    x->writeStartElement("Default");
    x->writeAttribute("Extension", "xml");
    x->writeAttribute("ContentType", gl_contentType_xml);
    x->writeEndElement();
    x->writeStartElement("Override");
    x->writeAttribute("PartName", "/word/document.xml");
    x->writeAttribute("ContentType", gl_contentType_wordDocument);
    x->writeEndDocument();
  }
  {
    auto x = XMLFileWriter::initWithPath((work / "_rels/.rels").string());
    x->writeStartDocumentWithEncodingAndVersion("UTF-8", "1.0", "yes");
    x->writeStartElement("Relationships");
    x->writeAttribute("xmlns", VQOpenXMLNameSpace::nameSpace_Rels());
    x->writeStartElement("Relationship");
    x->writeAttribute("Id", "rId1");
    x->writeAttribute("Type", gl_relType_officeDocument);
    x->writeAttribute("Target", "word/document.xml");
    x->writeEndDocument();
  }
  {
    auto x = XMLFileWriter::initWithPath((work / "word/document.xml").string());
    x->setPrefix("w", gl_namespace_xmlns_w);
    x->setPrefix("r", gl_namespace_xmlns_r);
    x->writeStartDocumentWithEncodingAndVersion("UTF-8", "1.0", "yes");
    x->writeStartElementWithNamespace(gl_namespace_xmlns_w, "document");
    x->writeAttributeWithNamespace(gl_namespace_xml, "space", "preserve");
    x->writeStartElementWithNamespace(gl_namespace_xmlns_w, "body");
    x->writeStartElementWithNamespace(gl_namespace_xmlns_w, "p");
    VQDocx_SectPr section = VQDocxUtilities::defaultSectPropertyHiden();
    VQDocxUtilities::WritePProperty(VQDocxUtilities::defaultPProperty(), VQDocxUtilities::defaultRProperty(), section,
                                    VQDocxUtilities::defaultTabsProperty(), *x);
    x->writeStartElementWithNamespace(gl_namespace_xmlns_w, "r");
    VQDocx_RPr run = VQDocxUtilities::defaultRProperty();
    run.b = 1;
    VQDocxUtilities::WriteRProperty(run, *x);
    x->writeStartElementWithNamespace(gl_namespace_xmlns_w, "t");
    x->writeCharacters("Hello <package> & \xF0\x9F\x98\x80");
    x->writeEndElement();
    x->writeEndElement();
    x->writeEndElement();
    section.pgSz = {612, 792};
    section.pgMar = {72, 72, 72, 72, 36, 36, 0};
    VQDocxUtilities::WriteSectProperty(section, *x);
    x->writeEndDocument();
  }
}

TEST(VQOutputWriterEndToEnd, HandBuiltDocxOpensInLibreOffice) {
  vqtest::ScratchDir dir;
  const fs::path work = dir / "work";
  writeMinimalDocx(work);
  const fs::path docx = dir / "hello.docx";
  ASSERT_TRUE(VQOutputWriter::CreateZipFileAtPath(
      docx.string(), {(work / "_rels").string(), (work / "[Content_Types].xml").string(), (work / "word").string()}));
  std::string report;
  ASSERT_EQ(vqtest::runCommand("unzip -t '" + docx.string() + "' 2>&1", &report), 0) << report;
  if (vqtest::runCommand("command -v xmllint >/dev/null 2>&1") == 0) {
    EXPECT_EQ(vqtest::runCommand("xmllint --noout '" + (work / "word/document.xml").string() + "' 2>&1", &report), 0)
        << report;
  }

  if (vqtest::runCommand("command -v soffice >/dev/null 2>&1") != 0) GTEST_SKIP() << "soffice is not installed";
  fs::create_directories(dir / "home");
  fs::create_directories(dir / "pdf");
  // soffice exits 0 even when it fails to convert: the PDF is the proof.
  vqtest::runCommand("HOME='" + (dir / "home").string() +
                     "' timeout 240 soffice --headless --convert-to pdf --outdir '" + (dir / "pdf").string() + "' '" +
                     docx.string() + "' >/dev/null 2>&1");
  const fs::path pdf = dir / "pdf/hello.pdf";
  ASSERT_TRUE(fs::exists(pdf)) << "LibreOffice did not convert the package";
  std::string info;
  ASSERT_EQ(vqtest::runCommand("pdfinfo '" + pdf.string() + "'", &info), 0);
  const size_t pages = info.find("Pages:");
  ASSERT_NE(pages, std::string::npos) << info;
  EXPECT_EQ(std::atoi(info.c_str() + pages + 6), 1) << info;
  std::string text;
  vqtest::runCommand("pdftotext '" + pdf.string() + "' -", &text);
  EXPECT_NE(text.find("Hello <package> &"), std::string::npos) << text;
}

}  // namespace

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <functional>

#include "helpers/VQUtilities.h"

using namespace vq::app;

namespace {

class UtilitiesTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(dir_.isValid()); }
  QString path(const QString& name) const { return dir_.filePath(name); }
  QString write(const QString& name, qint64 size = 0) const {
    const QString p = path(name);
    QDir().mkpath(QFileInfo(p).path());
    QFile file(p);
    if (file.open(QIODevice::WriteOnly)) file.write(QByteArray(size, 'x'));
    return p;
  }

 private:
  QTemporaryDir dir_;
};

struct TypeRow {
  const char* name;
  std::function<bool(const QString&)> test;
  const char* path;
  bool expected;
};

TEST(UtilitiesTypes, ExtensionsAreLowerCasedAndOnlyTheLastCounts) {
  const std::vector<TypeRow> rows = {
      {"word upper", VQUtilities::IsWordTypeForPath, "/a/Report.DOCX", true},
      {"word two ext", VQUtilities::IsWordTypeForPath, "/a/Report.docx.pdf", false},
      {"pdf ai", VQUtilities::IsPDFTypeForPath, "x.AI", true},
      {"upper pdf no ps", VQUtilities::IsPDFTypeForPath, "x.ps", false},
      {"lower pdf ps", VQUtilities::isPDFTypeForPath, "x.ps", true},
      {"image j2k", VQUtilities::IsImageTypeForPath, "x.j2k", true},
      {"picture no j2k", VQUtilities::isPictureTypeForPath, "x.j2k", false},
      {"picture tiff", VQUtilities::isPictureTypeForPath, "x.TIFF", true},
      {"video", VQUtilities::IsVideoTypeForPath, "x.rmvb", true},
      {"audio", VQUtilities::IsAudioTypeForPath, "x.Mid", true},
      {"zip gz", VQUtilities::IsZipTypeForPath, "x.gz", true},
      {"lower zip no gz", VQUtilities::isZipTypeForPath, "x.gz", false},
      {"rar", VQUtilities::IsRarTypeForPath, "x.cbr", true},
      {"zipped doc", VQUtilities::IsZipedDocTypeForPath, "/a/Talk.KEY.zip", true},
      {"plain zip no doc", VQUtilities::IsZipedDocTypeForPath, "/a/Talk.zip", false},
      {"txt", VQUtilities::IsTxtTypeForPath, "x.mm", true},
      {"google no ext", VQUtilities::IsGoogleDocTypeForPath, "/a/README", true},
      {"google htm", VQUtilities::IsGoogleDocTypeForPath, "x.htm", true},
      {"google pdf", VQUtilities::IsGoogleDocTypeForPath, "x.pdf", false},
      {"print urf", VQUtilities::isPrintTypeForPath, "x.urf", true},
      {"folder app", VQUtilities::IsFolderFileTypeForPath, "/Applications/X.app", true},
      {"no ext", VQUtilities::IsPDFTypeForPath, "/a/pdf", false},
  };
  for (const TypeRow& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(row.test(row.path), row.expected);
  }
}

TEST_F(UtilitiesTest, FileSizeTexts) {
  struct Row {
    qint64 size;
    const char* expected;
  };
  const std::vector<Row> rows = {
      {0, "0.0 KB"},
      {1536, "1.0 KB"},
      {1048575, "1023.0 KB"},
      {1048576 + 524288, "1.5 MB"},
      {qint64(1073741824) * 2, "2.0 GB"},
  };
  for (const Row& row : rows) EXPECT_EQ(VQUtilities::StringFileSize(row.size), row.expected) << row.size;
  EXPECT_EQ(VQUtilities::StringFileSizeAtPath(write("a.bin", 1536)), "1.0 KB");
  EXPECT_EQ(VQUtilities::StringFileSizeAtPath(path("missing.bin")), "");
}

TEST_F(UtilitiesTest, NewPathCountsFromTwo) {
  const QString file = write("doc.pdf");
  EXPECT_EQ(VQUtilities::NewPathWithPath(path("free.pdf")), path("free.pdf"));
  EXPECT_EQ(VQUtilities::NewPathWithPath(file), path("doc 2.pdf"));
  write("doc 2.pdf");
  EXPECT_EQ(VQUtilities::NewPathWithPath(file), path("doc 3.pdf"));
  EXPECT_EQ(VQUtilities::NewPathWithPath(write("plain")), path("plain 2"));
}

TEST_F(UtilitiesTest, CountsFilesDeeply) {
  write("f/a");
  write("f/b");
  write("f/sub/c");
  write("f/sub/d");
  write("f/sub/e");
  QDir().mkpath(path("empty"));
  EXPECT_EQ(VQUtilities::NumberOfContentsInFolderDeeper(path("f")), 5);
  EXPECT_EQ(VQUtilities::NumberOfContentsInFolderDeeper(path("empty")), 0);
  EXPECT_EQ(VQUtilities::NumberOfContentsInFolderDeeper(path("f/a")), 1);
}

TEST_F(UtilitiesTest, FoldersAndPathTests) {
  EXPECT_TRUE(VQUtilities::CreateFolderIfNeed(path("x/y/z")));
  EXPECT_TRUE(VQUtilities::IsDirectoryAtPath(path("x/y/z")));
  EXPECT_TRUE(VQUtilities::CreateFolderIfNeed(path("x/y/z")));
  EXPECT_FALSE(VQUtilities::CreateFolderIfNeed(write("file") + "/below"));
  const QString pdf = write("a.PDF");
  EXPECT_TRUE(VQUtilities::IsPath(pdf, QString("pdf")));
  EXPECT_TRUE(VQUtilities::IsPath(pdf, QStringList{"doc", "pdf"}));
  EXPECT_TRUE(VQUtilities::IsPath(pdf, "pdf", false));
  EXPECT_FALSE(VQUtilities::IsPath(pdf, "pdf", true));
  EXPECT_FALSE(VQUtilities::IsPath(path("none.pdf"), "pdf", true, false));
  EXPECT_TRUE(VQUtilities::IsPath(path("none.pdf"), "pdf", false, false));
}

TEST_F(UtilitiesTest, ImportPathsAndNames) {
  EXPECT_EQ(VQUtilities::NewImportImagePath(path(""), "img", "png"), path("img_000001.png"));
  write("img_000001.png");
  EXPECT_EQ(VQUtilities::NewImportImagePath(path(""), "img", "png"), path("img_000002.png"));
  EXPECT_EQ(VQUtilities::FilterFileNameString("a:b/c\\d?e%f*g|h\"i<j>k"), "a-b-c-d-e-f-g-h-i-j-k");
  EXPECT_EQ(VQUtilities::LastPathComponent("/a/b/report.pdf", "docx"), "report.docx");
}

TEST(UtilitiesUrls, SmartUrls) {
  struct Row {
    const char* text;
    const char* expected;  // nullptr: no URL
  };
  const std::vector<Row> rows = {
      {"  example.com/x ", "http://example.com/x"},
      {"HTTPS://example.com", "HTTPS://example.com"},
      {"ftp://example.com", nullptr},
      {"   ", nullptr},
      {"", nullptr},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    const auto url = VQUtilities::smartURLForString(row.text);
    ASSERT_EQ(url.has_value(), row.expected != nullptr);
    if (row.expected) {
      EXPECT_EQ(url->toString().toLower(), QString(row.expected).toLower());
    }
  }
}

TEST_F(UtilitiesTest, LocalPathsWithHttpInTheirNameStayLocal) {
  const QString file = write("http-notes.txt");
  EXPECT_TRUE(VQUtilities::urlIsLocalPath(QUrl()));
  EXPECT_TRUE(VQUtilities::urlIsLocalPath(QUrl::fromLocalFile(file)));
  EXPECT_FALSE(VQUtilities::urlIsLocalPath(QUrl::fromLocalFile(path("http-missing.txt"))));
  EXPECT_FALSE(VQUtilities::urlIsLocalPath(QUrl("https://example.com/a.pdf")));
}

TEST(UtilitiesText, Base64AndDates) {
  EXPECT_EQ(VQUtilities::encodeBase64("foob"), "Zm9vYg==");
  EXPECT_EQ(VQUtilities::encodeBase64(""), "");
  const QDateTime date(QDate(2024, 3, 5), QTime(14, 7));
  EXPECT_EQ(VQUtilities::FormatDateValue(date).value_or(""), "Mar 5, 2024");
  EXPECT_EQ(VQUtilities::formatDateTimeValue(date).value_or(""), "Mar 5, 2024, 2:07 PM");
  EXPECT_FALSE(VQUtilities::FormatDateValue(QDateTime()).has_value());
  EXPECT_FALSE(VQUtilities::FileModifiedDateAtPath("/no/such/file").has_value());
}

TEST_F(UtilitiesTest, ModelNameFromFile) {
  QFile file(path("product_name"));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("ThinkPad X1\n");
  file.close();
  EXPECT_EQ(VQUtilities::modelNameFromFile(path("product_name")), "ThinkPad X1");
  EXPECT_EQ(VQUtilities::modelNameFromFile(path("none")), "");
  EXPECT_FALSE(VQUtilities::VQAppleModelName().isEmpty());
}

}  // namespace

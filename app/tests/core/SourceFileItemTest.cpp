#include <QDir>
#include <algorithm>
#include <functional>

#include "core/AppTestSupport.h"
#include "core/VQSourceFileItem.h"
#include "support/TestSupport.h"

using namespace vq::app;

namespace {

class SourceFileItemTest : public vqtest::AppTest {};

struct RangeRow {
  int64_t type;
  const char* text;
  int64_t pages;
  std::vector<uint64_t> expected;
};

TEST(PageRangeTest, TextGivesPagesInWrittenOrder) {
  const std::vector<RangeRow> rows = {
      {0, "", 3, {1, 2, 3}},
      {0, "", 0, {}},
      {1, "1,5,3-12", 10, {1, 5, 3, 4, 5, 6, 7, 8, 9, 10}},
      {1, "12-3", 10, {10, 9, 8, 7, 6, 5, 4, 3}},
      {1, "0", 10, {}},
      {1, "11", 10, {}},
      {1, "2-4-6", 10, {}},
      {1, "-3", 10, {1, 2, 3}},
      {1, "5-", 10, {5, 4, 3, 2, 1}},
      {1, "", 7, {1}},
      {1, "", 0, {}},
      {1, "All Pages", 3, {1, 2, 3}},
      {1, "3,1,3", 5, {3, 1, 3}},
      {1, " 2, x,4 ", 5, {2, 4}},
      {1, "5-3", 5, {5, 4, 3}},
      {1, "4-4", 5, {4}},
      {2, "1", 5, {}},
      // Huge ends are walked only within the document.
      {1, "1-2000000000", 3, {1, 2, 3}},
      {1, "2000000000-2", 3, {3, 2}},
      {1, "-9223372036854775808-1", 2, {}},
      {1, "99999999999999999999999", 3, {}},
      {1, "2-99999999999999999999999", 4, {2, 3, 4}},
      {1, "99999999999999999999999-3", 4, {4, 3}},
  };
  for (const RangeRow& row : rows) {
    SCOPED_TRACE(row.text);
    EXPECT_EQ(VQSourceFileItem::PageIndexs(row.type, row.text, row.pages), row.expected);
  }
}

TEST(FileSizeTest, SizeTextUsesWholeKilobytesBelowOneMegabyte) {
  const std::vector<std::pair<uint64_t, const char*>> rows = {
      {0, "0.0 KB"},       {1500, "1.0 KB"},    {1048575, "1023.0 KB"},
      {1048576, "1.0 MB"}, {1572864, "1.5 MB"}, {1073741824, "1.0 GB"},
  };
  for (const auto& [bytes, text] : rows) EXPECT_EQ(VQSourceFileItem::FileSizeString(bytes), text) << bytes;
}

TEST_F(SourceFileItemTest, NothingAtThePathGivesNoItem) {
  EXPECT_FALSE(VQSourceFileItem::initWithPath(scratchPath("missing.pdf")));
  EXPECT_TRUE(VQSourceFileItem::CreateSourceItemsOfFileOrDirectoryAtPath(scratchPath("missing.pdf")).empty());
  EXPECT_EQ(VQSourceFileItem::FileSizeAtPath(scratchPath("missing.pdf")), "");
}

TEST_F(SourceFileItemTest, FolderGivesItsFilesButNotSubFolders) {
  QDir(scratchPath("")).mkpath("in/sub");
  writeFile("in/a.pdf", "x");
  writeFile("in/b.txt", "y");
  auto items = VQSourceFileItem::CreateSourceItemsOfFileOrDirectoryAtPath(scratchPath("in"));
  QStringList paths;
  for (auto& item : items) paths << item->sourcePath();
  paths.sort();
  EXPECT_EQ(paths, QStringList({scratchPath("in/a.pdf"), scratchPath("in/b.txt")}));
}

TEST_F(SourceFileItemTest, TakenOutputNamesGetTheFirstFreeNumber) {
  const QString source = writeFile("name.pdf", "x");
  auto item = VQSourceFileItem::initWithPath(source);
  const QString first = item->newOutputPath();
  EXPECT_EQ(first, QDir(outputDir()).filePath("name.docx"));
  writeFile("out/name.docx", "");
  EXPECT_EQ(item->newOutputPath(), QDir(outputDir()).filePath("name 2.docx"));
  writeFile("out/name 2.docx", "");
  EXPECT_EQ(item->newOutputPath(), QDir(outputDir()).filePath("name 3.docx"));
  EXPECT_EQ(item->outputPath(), QDir(outputDir()).filePath("name 3.docx"));
  // Without an extension the number simply follows the name.
  writeFile("plain", "");
  EXPECT_EQ(VQSourceFileItem::getNewPathby(scratchPath("plain")), scratchPath("plain 2"));
}

TEST_F(SourceFileItemTest, ImageFormatTakesTheImageTypesTokenAndIcon) {
  auto item = VQSourceFileItem::initWithPath(writeFile("a.pdf", "x"));
  struct Row {
    const char* format;
    const char* imageType;
    const char* token;
    const char* icon;
  };
  const std::vector<Row> rows = {
      {"Image Files(JPEG, PNG, etc.)", "PNG Image File(.png)", "png", "icon_png"},
      {"Image Files(JPEG, PNG, etc.)", "JPEG2000 Image File(.jp2)", "jp2", "icon_j2k"},
      {"Microsoft PowerPoint(.pptx)", "PNG Image File(.png)", "pptx", "icon_pptx"},
      {"Something else", "PNG Image File(.png)", "docx", ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.format);
    item->setSettings_outputFormat(row.format);
    item->setSettings_outputFormat_imageType(row.imageType);
    EXPECT_EQ(item->outputFileFormat(), row.token);
    EXPECT_EQ(item->outputFileIcon(), row.icon);
  }
}

// The status line tells the last result in words, with the format and pages
// it was made with.
TEST_F(SourceFileItemTest, StatusLineTellsTheLastResult) {
  struct Row {
    std::optional<vq::VQError> error;
    int failedPages;
    bool writeOutput;
    const char* status;
    bool iconEnabled;
  } rows[] = {
      {std::nullopt, 0, false, "1-2, PNG, Ready!", false},
      {std::nullopt, 0, true, "1-2, PNG, Success!", true},
      {std::nullopt, 1, true, "1-2, PNG, Success, 1 page failed", true},
      {std::nullopt, 2, true, "1-2, PNG, Success, 2 pages failed", true},
      {std::nullopt, 0, false, "1-2, PNG, Failed: the output file is missing", false},
      {vq::VQError::make(404, "Source File isn't exist."), 0, false, "1-2, PNG, Failed: the source file is missing",
       false},
      {vq::VQError::make(405, "Can't load the PDF Document."), 0, false,
       "1-2, PNG, Failed: the PDF document cannot be loaded", false},
      // What a failed conversion leaves behind is not its output.
      {vq::VQError::make(406, "Conversion has been canceled."), 0, true, "1-2, PNG, Cancelled", false},
      {vq::VQError::make(401, kNoPagesInRange), 0, false, "1-2, PNG, Failed: no page of the document is in the range",
       false},
      {vq::VQError::make(400, kOutputNotWritable), 0, false, "1-2, PNG, Failed: the output folder is not writable",
       false},
      {vq::VQError::make(400, "Unknow error while converting."), 0, false,
       "1-2, PNG, Failed: Unknow error while converting. disk full", false},
  };
  int index = 0;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.status);
    auto item = VQSourceFileItem::initWithPath(writeFile("a.pdf", "x"));
    item->setSettings_outputFormat("Image Files(JPEG, PNG, etc.)");
    item->setSettings_outputFormat_imageType("PNG Image File(.png)");
    item->settings_pageRangeType = 1;
    item->settings_customPageRange = "1-2";
    if (index++ > 0) {
      const QString output = item->newOutputPath();
      item->conversionDidStart();
      for (int i = 0; i < row.failedPages; ++i) item->conversionDidFailPage();
      if (row.error && row.error->code == 400) item->conversionDidCatchException("disk full");
      if (row.writeOutput) QDir().mkpath(output);
      item->conversionDidEnd(row.error);
    }
    EXPECT_EQ(item->conversionOptions(), row.status);
    EXPECT_EQ(item->outputFileIconEnable(), row.iconEnabled);
    EXPECT_TRUE(item->toolTip().startsWith(item->sourcePath()));
    QDir(outputDir()).removeRecursively();
    QDir().mkpath(outputDir());
  }
}

// A result belongs to the settings it was made with: a changed setting
// makes the row not yet converted, and its icon no longer opens the output.
TEST_F(SourceFileItemTest, ChangedSettingsMakeTheRowReadyAgain) {
  auto item = VQSourceFileItem::initWithPath(writeFile("a.pdf", "x"));
  item->setSettings_outputFormat("Microsoft Word(.docx)");
  QDir().mkpath(item->newOutputPath());
  item->conversionDidStart();
  // Changed while converting: the result still tells what was made.
  item->setSettings_outputFormat("Web Source File(.html)");
  item->conversionDidEnd(std::nullopt);
  EXPECT_EQ(item->conversionOptions(), "All Pages, HTML, Ready!");
  item->setSettings_outputFormat("Microsoft Word(.docx)");
  EXPECT_EQ(item->conversionOptions(), "All Pages, DOCX, Success!");
  EXPECT_TRUE(item->toolTip().contains(item->outputPath()));
  const std::vector<std::function<void()>> changes = {
      [&] { item->setSettings_outputFormat("Image Files(JPEG, PNG, etc.)"); },
      [&] { item->settings_pageRangeType = 1; },
      [&] { item->convertOpts.wordOptions.enableShapToImage = !item->convertOpts.wordOptions.enableShapToImage; },
  };
  for (const auto& change : changes) {
    const VQConversionSettings before = item->conversionSettings();
    change();
    EXPECT_TRUE(item->conversionOptions().endsWith("Ready!"));
    EXPECT_FALSE(item->outputFileIconEnable());
    EXPECT_FALSE(item->currentResult());
    item->setSettings_outputFormat(before.outputFormat);
    item->settings_pageRangeType = before.pageRangeType;
    item->convertOpts.wordOptions = before.wordOptions;
    EXPECT_TRUE(item->outputFileIconEnable());
  }
  item->resetConversion();
  EXPECT_EQ(item->conversionOptions(), "All Pages, DOCX, Ready!");
}

// A file that does not open has no pages, and says so rather than failing.
TEST_F(SourceFileItemTest, UnreadableDocumentHasNoPages) {
  auto item = VQSourceFileItem::initWithPath(writeFile("a.pdf", "not a pdf"));
  EXPECT_EQ(item->sourcePages(), 0);
  EXPECT_TRUE(item->outputPDFPageIndexs().empty());
  EXPECT_TRUE(item->sourceInfo().startsWith("0 Pages, "));
  EXPECT_EQ(item->sourceFileIcon(), "icon_pdf_pw");
}

TEST_F(SourceFileItemTest, PageCountOfABuiltDocument) {
  const std::string pdf =
      vqtest::BuildPDF({"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R 4 0 R] /Count 2 >>",
                        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 100 100] >>",
                        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 100 100] >>"});
  auto item = VQSourceFileItem::initWithPath(writeFile("two.pdf", QByteArray::fromStdString(pdf)));
  EXPECT_EQ(item->sourcePages(), 2);
  EXPECT_EQ(item->outputPDFPageIndexs(), (std::vector<uint64_t>{1, 2}));
  EXPECT_EQ(item->sourceFileIcon(), "icon_pdf");
}

}  // namespace

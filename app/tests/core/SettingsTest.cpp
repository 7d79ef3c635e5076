#include <QVariant>
#include <functional>

#include "core/AppTestSupport.h"
#include "core/VQSourceFileItem.h"

using namespace vq::app;

namespace {

class SettingsTest : public vqtest::AppTest {};

struct KeyDefault {
  const char* key;
  std::function<QVariant()> read;
  QVariant expected;
};

// Each read of a missing key answers its default and stores it.
TEST_F(SettingsTest, MissingKeysGiveTheirDefaultsAndAreStored) {
  const std::vector<KeyDefault> rows = {
      {kOpenFileAfterConversion, [] { return QVariant(VQPreferences::openFileAfterConversion()); }, true},
      {kParserPDFAnnotsAction, [] { return QVariant(VQPreferences::parserPDFAnnots()); }, true},
      {kImageDPI, [] { return QVariant(VQPreferences::imageDPI()); }, qint64(144)},
      {kIsHiddenSettings, [] { return QVariant(VQCUtilities::boolValueForKey(kIsHiddenSettings, false)); }, false},
  };
  for (const KeyDefault& row : rows) {
    SCOPED_TRACE(row.key);
    EXPECT_FALSE(VQUserDefaults::store().contains(row.key));
    EXPECT_EQ(row.read(), row.expected);
    EXPECT_TRUE(VQUserDefaults::store().contains(row.key));
  }
}

TEST_F(SettingsTest, StoredValuesWinOverDefaults) {
  VQUserDefaults::set(kImageDPI, 300);
  VQUserDefaults::set(kOpenFileAfterConversion, false);
  VQUserDefaults::set(kImageImageQuality, 0.5f);
  EXPECT_EQ(VQPreferences::imageDPI(), 300);
  EXPECT_FALSE(VQPreferences::openFileAfterConversion());
  EXPECT_FLOAT_EQ(VQCUtilities::floatValueForKey(kImageImageQuality, 0.92f), 0.5f);
}

TEST_F(SettingsTest, UnreadableNumbersGiveTheDefault) {
  VQUserDefaults::set(kImageDPI, "many");
  EXPECT_EQ(VQPreferences::imageDPI(), 144);
}

TEST_F(SettingsTest, StringWithoutDefaultStoresNothing) {
  EXPECT_TRUE(VQCUtilities::stringValueForKey("NoSuchKey", QString()).isNull());
  EXPECT_FALSE(VQUserDefaults::store().contains("NoSuchKey"));
}

// A new item reads every per-file key: the store then holds them all with
// their defaults, and the item carries those defaults.
TEST_F(SettingsTest, NewItemStoresEveryItemKeyWithItsDefault) {
  auto item = VQSourceFileItem::initWithPath(writeFile("a.pdf", "x"));
  ASSERT_TRUE(item);
  const std::vector<std::pair<const char*, QVariant>> rows = {
      {kOutputFormat, "Microsoft Word(.docx)"},
      {kOutputFormatImageType, "JPEG Image File(.jpeg)"},
      {kWordIsMergeParagraphs, true},
      {kWordIsTrimmingBlankSpaceCharacters, true},
      {kWordEnableShapToImage, false},
      {kWordEnableMergeIntersectImages, true},
      {kExcelFormatStyle, 0},
      {kExcelThousandSepartor, 0},
      {kExcelOverlapText, 0},
      {kExcelIsEachPageSheet, false},
      {kExcelIsAiosAddToRow, true},
      {kImageImageDPI, 144},
  };
  for (const auto& [key, value] : rows) {
    SCOPED_TRACE(key);
    ASSERT_TRUE(VQUserDefaults::store().contains(key));
    EXPECT_EQ(VQUserDefaults::store().value(key).toString(), value.toString());
  }
  EXPECT_NEAR(VQUserDefaults::store().value(kImageImageQuality).toDouble(), 0.92, 1e-6);
  EXPECT_EQ(item->settings_outputFormat(), "Microsoft Word(.docx)");
  EXPECT_EQ(item->convertOpts.imageOptions.dpi(), 144);
  EXPECT_TRUE(item->convertOpts.wordOptions.isMergeParagraphs);
  EXPECT_TRUE(item->convertOpts.excelOptions.aiosAddToRow);
}

// The last format chosen for any item is the default of the next one.
TEST_F(SettingsTest, ChosenFormatBecomesTheNextItemsDefault) {
  const QString path = writeFile("a.pdf", "x");
  auto first = VQSourceFileItem::initWithPath(path);
  first->setSettings_outputFormat("Rich Text File(.rtf)");
  first->setSettings_outputFormat_imageType("PNG Image File(.png)");
  auto second = VQSourceFileItem::initWithPath(path);
  EXPECT_EQ(second->settings_outputFormat(), "Rich Text File(.rtf)");
  EXPECT_EQ(second->settings_outputFormat_imageType(), "PNG Image File(.png)");
}

TEST_F(SettingsTest, OutputFolderNeedsAnExistingWritableFolder) {
  EXPECT_TRUE(VQSandBoxUtilities::isReadAndWritableUserSelectedOutputURLBookmark());
  EXPECT_EQ(VQSandBoxUtilities::outputFolder(), outputDir());
  QDir(outputDir()).removeRecursively();
  EXPECT_TRUE(VQSandBoxUtilities::UserSelectedOutputURLBookmark().isNull());
  EXPECT_FALSE(VQSandBoxUtilities::isReadAndWritableUserSelectedOutputURLBookmark());
  EXPECT_FALSE(VQSandBoxUtilities::SaveUserSelectedOutputURLBookmark(QString()));
  EXPECT_TRUE(VQSandBoxUtilities::RemoveUserSelectedOutputURLBookmark());
  EXPECT_FALSE(VQSandBoxUtilities::isReadAndWritableUserSelectedOutputURLBookmark());
}

}  // namespace

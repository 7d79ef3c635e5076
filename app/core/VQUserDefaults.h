#pragma once
// The application's settings: every key with its default, and the typed
// getters through which the application reads them. A missing key is written
// with its default on its first read, so after one launch the settings file
// shows every setting the application uses.
#include <QSettings>
#include <QString>
#include <QVariant>
#include <memory>

namespace vq::app {

inline constexpr const char* kOpenFileAfterConversion = "VQPapyrantSettings_OpenFileAfterConversion";
inline constexpr const char* kParserPDFAnnotsAction = "VQPapyrantSettings_ParserPDFAnnotsAction";
inline constexpr const char* kImageDPI = "VQPapyrantSettings_ImageDPI";
inline constexpr const char* kOutputFormat = "Setting_Key_Papyrant_OutputFormat";
inline constexpr const char* kOutputFormatImageType = "Setting_Key_Papyrant_OutputFormat_ImageType";
inline constexpr const char* kWordIsMergeParagraphs = "Setting_Key_Papyrant_Word_isMergeParagraphs";
inline constexpr const char* kWordIsTrimmingBlankSpaceCharacters =
    "Setting_Key_Papyrant_Word_isTrimmingBlankSpaceCharacters";
inline constexpr const char* kWordEnableShapToImage = "Setting_Key_Papyrant_Word_enableShapToImage";
inline constexpr const char* kWordEnableMergeIntersectImages = "Setting_Key_Papyrant_Word_enableMergeIntersectImages";
inline constexpr const char* kExcelFormatStyle = "Setting_Key_Papyrant_Excel_FormatStyle";
inline constexpr const char* kExcelThousandSepartor = "Setting_Key_Papyrant_Excel_ThousandSepartor";
inline constexpr const char* kExcelOverlapText = "Setting_Key_Papyrant_Excel_OverlapText";
inline constexpr const char* kExcelIsEachPageSheet = "Setting_Key_Papyrant_Excel_IsEachPageSheet";
inline constexpr const char* kExcelIsAiosAddToRow = "Setting_Key_Papyrant_Excel_IsAiosAddToRow";
inline constexpr const char* kImageImageDPI = "Setting_Key_Papyrant_Image_ImageDPI";
inline constexpr const char* kImageImageQuality = "Setting_Key_Papyrant_Image_ImageQuality";
inline constexpr const char* kIsHiddenSettings = "setttings_isHiddenSettings";
inline constexpr const char* kDefaulExportDirectory = "VQDefaulExportDirectory_SandBox";

inline constexpr const char* kDefaultOutputFormat = "Microsoft Word(.docx)";
inline constexpr const char* kDefaultImageType = "JPEG Image File(.jpeg)";

// The store behind the getters: the user's settings file under the config
// folder, or another file for tests.
class VQUserDefaults {
 public:
  static QSettings& store();
  // Later reads and writes go to the INI file at `path`; an empty path goes
  // back to the user's settings file.
  static void useFile(const QString& path);
  // Writes the value and synchronises the store; false when it could not be written.
  static bool set(const QString& key, const QVariant& value);
  static bool remove(const QString& key);
  // The stored value when the key has one; otherwise `defaultValue`, stored
  // and synchronised.
  static QVariant valueOrStoredDefault(const QString& key, const QVariant& defaultValue);
};

// Typed reads: the stored value when present, otherwise the default, which
// is stored and synchronised.
class VQCUtilities {
 public:
  static bool boolValueForKey(const QString& key, bool defaultValue);
  static int intValueForKey(const QString& key, int defaultValue);
  static qint64 integerValueForKey(const QString& key, qint64 defaultValue);
  static float floatValueForKey(const QString& key, float defaultValue);
  // A null default returns a null string and stores nothing.
  static QString stringValueForKey(const QString& key, const QString& defaultValue);
};

// The three application-wide preferences, read afresh at every use so that a
// change applies to whatever starts afterwards.
struct VQPreferences {
  static bool openFileAfterConversion() { return VQCUtilities::boolValueForKey(kOpenFileAfterConversion, true); }
  static bool parserPDFAnnots() { return VQCUtilities::boolValueForKey(kParserPDFAnnotsAction, true); }
  static qint64 imageDPI() { return VQCUtilities::integerValueForKey(kImageDPI, 144); }
};

// Every text the application shows passes through here; the English text is
// the key and the default.
QString vqLocalized(const char* text);

}  // namespace vq::app

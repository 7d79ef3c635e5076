#pragma once
// Stateless helpers for file-type tests, paths, file texts, temporary paths,
// typed settings, screen and network information. Two families live side by
// side: the upper-case names and the lower-case ones, whose extension lists
// differ in places.
#include <QByteArray>
#include <QColor>
#include <QDateTime>
#include <QFont>
#include <QList>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVariantList>
#include <QVariantMap>
#include <optional>

class QAction;

namespace vq::app {

// A network service as a plain record: what a service browser would report.
// Nothing here browses or resolves: `hostName` and `addresses` (socket
// addresses, as bytes) are filled by whoever has resolved the service.
struct VQNetService {
  QString domain;
  QString type;
  QString name;
  int port = 0;
  QString hostName;
  QList<QByteArray> addresses;
};

class VQUtilities {
 public:
  // File-type tests: the lower-cased last extension against a fixed list;
  // the file is not looked at.
  static bool IsFolderFileTypeForPath(const QString& path);
  static bool IsWordTypeForPath(const QString& path);
  static bool IsPDFTypeForPath(const QString& path);
  static bool IsImageTypeForPath(const QString& path);
  static bool IsVideoTypeForPath(const QString& path);
  static bool IsAudioTypeForPath(const QString& path);
  static bool IsZipTypeForPath(const QString& path);
  static bool IsRarTypeForPath(const QString& path);
  static bool IsZipedDocTypeForPath(const QString& path);
  static bool IsTxtTypeForPath(const QString& path);
  static bool IsGoogleDocTypeForPath(const QString& path);

  static bool isFolderFileTypeForPath(const QString& path) { return IsFolderFileTypeForPath(path); }
  static bool isWordTypeForPath(const QString& path) { return IsWordTypeForPath(path); }
  static bool isPDFTypeForPath(const QString& path);
  static bool isPostScriptTypeForPath(const QString& path);
  static bool isURFTypeForPath(const QString& path);
  static bool isPrintTypeForPath(const QString& path);
  static bool isPictureTypeForPath(const QString& path);
  static bool isVideoTypeForPath(const QString& path) { return IsVideoTypeForPath(path); }
  static bool isAudioTypeForPath(const QString& path) { return IsAudioTypeForPath(path); }
  static bool isZipTypeForPath(const QString& path);
  static bool isZipedDocTypeForPath(const QString& path) { return IsZipedDocTypeForPath(path); }
  static bool isTxtTypeForPath(const QString& path) { return IsTxtTypeForPath(path); }
  static bool isGoogleDocTypeForPath(const QString& path) { return IsGoogleDocTypeForPath(path); }

  // Path tests.
  static bool IsPath(const QString& path, const QString& type);
  static bool IsPath(const QString& path, const QStringList& types);
  static bool IsPath(const QString& path, const QString& type, bool needExists, bool ifExitThenShouldBeDirectory);
  static bool IsPath(const QString& path, const QString& type, bool isDirectory) {
    return IsPath(path, type, true, isDirectory);
  }
  static bool IsDirectoryAtPath(const QString& path);
  static bool isDirectoryAtPath(const QString& path) { return IsDirectoryAtPath(path); }

  // Files and folders.
  static bool CreateFolderIfNeed(const QString& path);
  static bool createFolderIfNeed(const QString& path) { return CreateFolderIfNeed(path); }
  // The path itself when free, else "name N.ext" (or "name N") from 2 on;
  // an empty string when every counter is taken.
  static QString NewPathWithPath(const QString& path);
  static qint64 NumberOfContentsInFolderDeeper(const QString& path);
  static qint64 numberOfFilesInFolder(const QString& path) { return NumberOfContentsInFolderDeeper(path); }
  // The file at `filePathInBundle` inside the application's resource bundle
  // `bundle`; nothing when the bundle or the file is missing.
  static std::optional<QString> PathInBundle(const QString& bundle, const QString& filePathInBundle);
  static QString NewImportImagePath(const QString& folder, const QString& imageName, const QString& imageExtension);
  static QString FilterFileNameString(const QString& name);
  static QString LastPathComponent(const QString& path, const QString& withNewExtention);

  // Temporary paths under the home folder.
  static QString TempFilePath();
  static QString CacheThumbFilePath();
  static QString tempFile();
  static QString tempPDFFile();
  static QString cacheThumbFile();
  static QString pathForTemporaryFileWithPrefix(const QString& prefix);

  // Texts of files and dates, in a fixed English locale.
  static QString StringFileSizeAtPath(const QString& path);
  static QString StringFileSize(qint64 bytes);
  static std::optional<QString> FileModifiedDateAtPath(const QString& path);
  static std::optional<QString> FileModifiedDateString(const QString& path) { return FileModifiedDateAtPath(path); }
  static std::optional<QString> StringFileCreationDateAtPath(const QString& path);
  static std::optional<QString> StringFileModificationDateAtPath(const QString& path);
  static std::optional<QString> FormatDateValue(const QDateTime& date);
  static std::optional<QString> formatDateValue(const QDateTime& date) { return FormatDateValue(date); }
  static std::optional<QString> formatDateTimeValue(const QDateTime& date);

  // "icon_image.png", "icon_video.png" or "icon_audio.png" for pictures,
  // videos and sounds; else "icon_<extension>.png" when the application's
  // resources hold such an icon; else "icon_unknown.png".
  static QString IconNameForURLPath(const QString& path);

  // Typed settings in the application's settings store. A getter returns the
  // stored value, or stores the default and returns it; each saver
  // synchronises the store and says whether the value was written.
  static bool BoolValueForKey(const QString& key, bool withDefault);
  static qint64 IntegerValueForKey(const QString& key, qint64 withDefault);
  static double FloatValueForKey(const QString& key, double withDefault);
  static QString StringValueForKey(const QString& key, const QString& withDefault);
  static QUrl URLValueForKey(const QString& key, const QUrl& withDefault);
  static QVariantList ArrayValueForKey(const QString& key, const QVariantList& withDefault);
  static QVariantList MutableArrayValueForKey(const QString& key, const QVariantList& withDefault) {
    return ArrayValueForKey(key, withDefault);
  }
  static QVariantMap MutableDictionaryValueForKey(const QString& key, const QVariantMap& withDefault);
  // A stored colour, or a stored list of numbers from 0 to 1 (grey; grey and
  // alpha; red, green, blue; red, green, blue, alpha); otherwise the default,
  // stored when given.
  static std::optional<QColor> ColorValueForKey(const QString& key, const std::optional<QColor>& withDefault);
  // The font of the stored family and point size; otherwise the default,
  // whose family and size are then stored.
  static std::optional<QFont> FontForNameKey(const QString& nameKey, const QString& sizeKey,
                                             const std::optional<QFont>& withDefault);
  static bool SaveBoolValue(bool value, const QString& key);
  static bool SaveIntegerValue(qint64 value, const QString& key);
  static bool SaveFloatValue(float value, const QString& key);
  static bool SaveDoubleValue(double value, const QString& key);
  static bool SaveStringValue(const QString& value, const QString& key);
  static bool SaveURLValue(const QUrl& value, const QString& key);
  static bool SaveArrayValue(const QVariantList& value, const QString& key);
  static bool SaveDictionaryValue(const QVariantMap& value, const QString& key);
  // No colour removes the value.
  static bool SaveColorValue(const std::optional<QColor>& value, const QString& key);
  // Any fully transparent colour: nothing of it shows.
  static bool IsClearColor(const QColor& color);

  // The primary screen's physical resolution in dots per inch, horizontal
  // and vertical; nothing without a screen (no graphical application).
  static std::optional<QSizeF> DisplayDeviceScreenDPI();

  // The machine's model name, cached once found; "Mac" when unknown.
  static QString VQAppleModelName();
  static QString modelNameFromFile(const QString& path);

  // URLs.
  // True for no URL; false for an http or https URL; otherwise whether a
  // file exists at the URL's path.
  static bool urlIsLocalPath(const QUrl& url);
  static QByteArray encodeBase64(const QByteArray& bytes);
  static std::optional<QUrl> smartURLForString(const QString& text);
  // The header fields of a "HEAD" request to an http or https URL, waited
  // for (at most 30 seconds) with the calling thread's events running; an
  // HTTP error status still answers its headers. Nothing when the request
  // could not be made or no response came.
  static std::optional<QVariantMap> getHTTPHeadInfo(const QUrl& url, const std::optional<QString>& withAuthToken);

  // Network-service records and URLs.
  static std::optional<VQNetService> netServiceByDictionary(const QVariantMap& dictionary);
  static QVariantMap dictionaryByNetService(const VQNetService& service);
  static std::optional<VQNetService> NetServiceWithHTTPURL(const QUrl& url);
  // The dotted address of an IPv4 socket address; nothing for anything else.
  static std::optional<QString> getStringFromAddressData(const QByteArray& address);
  static std::optional<QUrl> HTTPURLWithNetServiceBonjour(const VQNetService& service);
  static std::optional<QUrl> HTTPURLWithNetServiceIP(const VQNetService& service);

  // Unchecks the items of `menu` whose titles are listed.
  static void TurnOffMenus(const QList<QAction*>& menu, const QStringList& withTitles);
};

}  // namespace vq::app

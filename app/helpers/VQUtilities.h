#pragma once
// Stateless helpers for file-type tests, paths, file texts, temporary paths
// and URLs. Two families live side by side: the upper-case names and the
// lower-case ones, whose extension lists differ in places.
#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <optional>

namespace vq::app {

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

  // Files and folders.
  static bool CreateFolderIfNeed(const QString& path);
  // The path itself when free, else "name N.ext" (or "name N") from 2 on;
  // an empty string when every counter is taken.
  static QString NewPathWithPath(const QString& path);
  static qint64 NumberOfContentsInFolderDeeper(const QString& path);
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
  static std::optional<QString> StringFileCreationDateAtPath(const QString& path);
  static std::optional<QString> StringFileModificationDateAtPath(const QString& path);
  static std::optional<QString> FormatDateValue(const QDateTime& date);
  static std::optional<QString> formatDateTimeValue(const QDateTime& date);

  // The machine's model name, cached once found; "Mac" when unknown.
  static QString VQAppleModelName();
  static QString modelNameFromFile(const QString& path);

  // URLs.
  // True for no URL; false for an http or https URL; otherwise whether a
  // file exists at the URL's path.
  static bool urlIsLocalPath(const QUrl& url);
  static QByteArray encodeBase64(const QByteArray& bytes);
  static std::optional<QUrl> smartURLForString(const QString& text);
};

}  // namespace vq::app

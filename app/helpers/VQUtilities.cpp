#include "helpers/VQUtilities.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QMutex>
#include <QUuid>
#include <initializer_list>

namespace vq::app {

namespace {

QString lowerExtension(const QString& path) { return QFileInfo(path).suffix().toLower(); }

bool extensionIn(const QString& path, std::initializer_list<const char*> list) {
  const QString ext = lowerExtension(path);
  if (ext.isEmpty()) return false;
  for (const char* item : list)
    if (ext == QLatin1String(item)) return true;
  return false;
}

QLocale fixedLocale() { return QLocale(QLocale::English, QLocale::UnitedStates); }

QString newUuid() { return QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper(); }

QString homeTmp() { return QDir::home().filePath("tmp"); }

QString createdFolder(const QString& folder) {
  VQUtilities::CreateFolderIfNeed(folder);
  return folder;
}

std::optional<QString> formatted(const QDateTime& date, const QString& pattern) {
  if (!date.isValid()) return std::nullopt;
  return fixedLocale().toString(date, pattern);
}

}  // namespace

bool VQUtilities::IsFolderFileTypeForPath(const QString& path) {
  return extensionIn(path, {"rtfd", "app", "xcodeproj"});
}
bool VQUtilities::IsWordTypeForPath(const QString& path) { return extensionIn(path, {"doc", "docx"}); }
bool VQUtilities::IsPDFTypeForPath(const QString& path) { return extensionIn(path, {"pdf", "ai"}); }
bool VQUtilities::isPDFTypeForPath(const QString& path) { return extensionIn(path, {"pdf", "ps", "ai"}); }
bool VQUtilities::isPostScriptTypeForPath(const QString& path) { return extensionIn(path, {"ps"}); }
bool VQUtilities::isURFTypeForPath(const QString& path) { return extensionIn(path, {"urf"}); }
bool VQUtilities::isPrintTypeForPath(const QString& path) { return extensionIn(path, {"prn", "urf"}); }

bool VQUtilities::IsImageTypeForPath(const QString& path) {
  return isPictureTypeForPath(path) || extensionIn(path, {"j2k", "tga"});
}

bool VQUtilities::isPictureTypeForPath(const QString& path) {
  return extensionIn(path,
                     {"jpg", "jpeg", "gif", "thm", "bmpf", "bmp", "tif", "tiff", "png", "cur", "xbm", "ico", "icns"});
}

bool VQUtilities::IsVideoTypeForPath(const QString& path) {
  return extensionIn(path, {"mp4", "m4v", "mov", "dv", "3gpp", "3gpp2", "mp1", "avi", "rm", "rmvb", "wmv", "mpv"});
}

bool VQUtilities::IsAudioTypeForPath(const QString& path) {
  return extensionIn(path, {"mp3", "aif", "aiff", "aifc", "adts", "next", "acc", "m4p", "caf", "wav", "au", "midi",
                            "mid", "m4a", "m4b", "snd", "sd2", "amr"});
}

bool VQUtilities::IsZipTypeForPath(const QString& path) {
  return extensionIn(path, {"zip", "z01", "gz", "gzip", "tgz", "tar-gz", "ipa", "epub"});
}
bool VQUtilities::isZipTypeForPath(const QString& path) { return extensionIn(path, {"zip", "ipa", "epub"}); }
bool VQUtilities::IsRarTypeForPath(const QString& path) { return extensionIn(path, {"rar", "r00", "r01", "cbr"}); }

bool VQUtilities::IsZipedDocTypeForPath(const QString& path) {
  const QString name = QFileInfo(path).fileName().toLower();
  for (const char* end : {".key.zip", ".numbers.zip", ".pages.zip", ".rtfd.zip"})
    if (name.endsWith(QLatin1String(end))) return true;
  return false;
}

bool VQUtilities::IsTxtTypeForPath(const QString& path) {
  return extensionIn(path, {"txt", "text", "h", "m", "mm", "c", "php", "cs"});
}

bool VQUtilities::IsGoogleDocTypeForPath(const QString& path) {
  return lowerExtension(path).isEmpty() || extensionIn(path, {"doc", "docx", "rtf", "txt", "html", "htm"});
}

bool VQUtilities::IsPath(const QString& path, const QString& type) { return lowerExtension(path) == type.toLower(); }

bool VQUtilities::IsPath(const QString& path, const QStringList& types) { return types.contains(lowerExtension(path)); }

bool VQUtilities::IsPath(const QString& path, const QString& type, bool needExists, bool ifExitThenShouldBeDirectory) {
  if (needExists) {
    const QFileInfo info(path);
    if (!info.exists() || info.isDir() != ifExitThenShouldBeDirectory) return false;
  }
  return IsPath(path, type);
}

bool VQUtilities::IsDirectoryAtPath(const QString& path) { return !path.isEmpty() && QFileInfo(path).isDir(); }

bool VQUtilities::CreateFolderIfNeed(const QString& path) {
  if (path.isEmpty()) return false;
  if (IsDirectoryAtPath(path)) return true;
  return QDir().mkpath(path);
}

QString VQUtilities::NewPathWithPath(const QString& path) {
  if (!QFileInfo::exists(path)) return path;
  const QFileInfo info(path);
  const QString folder = info.path();
  const QString ext = info.suffix();
  const QString base = ext.isEmpty() ? info.fileName() : info.completeBaseName();
  for (qint64 counter = 2; counter <= 99999999; ++counter) {
    const QString name =
        ext.isEmpty() ? QString("%1 %2").arg(base).arg(counter) : QString("%1 %2.%3").arg(base).arg(counter).arg(ext);
    const QString candidate = QDir(folder).filePath(name);
    if (!QFileInfo::exists(candidate)) return candidate;
  }
  return QString();
}

qint64 VQUtilities::NumberOfContentsInFolderDeeper(const QString& path) {
  const QFileInfo info(path);
  if (!info.isDir() || info.isSymLink()) return 1;
  qint64 count = 0;
  const QDir dir(path);
  for (const QFileInfo& entry :
       dir.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot))
    count += NumberOfContentsInFolderDeeper(entry.filePath());
  return count;
}

QString VQUtilities::NewImportImagePath(const QString& folder, const QString& imageName,
                                        const QString& imageExtension) {
  for (qint64 counter = 1; counter <= 10000000; ++counter) {
    const QString candidate =
        QString("%1/%2_%3.%4").arg(folder, imageName).arg(counter, 6, 10, QChar('0')).arg(imageExtension);
    if (!QFileInfo::exists(candidate)) return candidate;
  }
  return QString();
}

QString VQUtilities::FilterFileNameString(const QString& name) {
  QString out = name;
  for (QChar& c : out)
    if (QStringLiteral(":/\\?%*|\"<>").contains(c)) c = QChar('-');
  return out;
}

QString VQUtilities::LastPathComponent(const QString& path, const QString& withNewExtention) {
  const QFileInfo info(path);
  const QString base = info.suffix().isEmpty() ? info.fileName() : info.completeBaseName();
  return withNewExtention.isEmpty() ? base : base + "." + withNewExtention;
}

QString VQUtilities::TempFilePath() { return homeTmp() + QString("/Temp-%1.png").arg(newUuid()); }
QString VQUtilities::CacheThumbFilePath() {
  return createdFolder(QDir::home().filePath("tmp/thumbnails")) + QString("/Temp-%1.png").arg(newUuid());
}
QString VQUtilities::tempFile() { return createdFolder(homeTmp()) + QString("/Temp-%1.png").arg(newUuid()); }
QString VQUtilities::tempPDFFile() { return createdFolder(homeTmp()) + QString("/Temp-%1.pdf").arg(newUuid()); }
QString VQUtilities::cacheThumbFile() { return CacheThumbFilePath(); }
QString VQUtilities::pathForTemporaryFileWithPrefix(const QString& prefix) {
  return QDir(homeTmp()).filePath(QString("%1-%2").arg(prefix, newUuid()));
}

QString VQUtilities::StringFileSize(qint64 bytes) {
  const qint64 kib = bytes / 1024;
  if (bytes < 1048576) return QString("%1 KB").arg(double(kib), 0, 'f', 1);
  if (bytes < 1073741824) return QString("%1 MB").arg(double(kib) / 1024.0, 0, 'f', 1);
  return QString("%1 GB").arg(double(kib) / 1048576.0, 0, 'f', 1);
}

QString VQUtilities::StringFileSizeAtPath(const QString& path) {
  const QFileInfo info(path);
  if (!info.exists() || !info.isFile()) return QString("");
  return StringFileSize(info.size());
}

std::optional<QString> VQUtilities::FileModifiedDateAtPath(const QString& path) {
  const QFileInfo info(path);
  if (!info.exists()) return std::nullopt;
  return formatted(info.lastModified(), "MMM dd, yyyy 'at' hh:mm AP");
}

std::optional<QString> VQUtilities::StringFileCreationDateAtPath(const QString& path) {
  const QFileInfo info(path);
  if (!info.exists()) return std::nullopt;
  QDateTime date = info.birthTime();
  if (!date.isValid()) date = info.metadataChangeTime();
  return formatted(date, "MMM dd, yyyy, hh:mm AP");
}

std::optional<QString> VQUtilities::StringFileModificationDateAtPath(const QString& path) {
  const QFileInfo info(path);
  if (!info.exists()) return std::nullopt;
  return formatted(info.lastModified(), "MMM dd, yyyy, hh:mm AP");
}

std::optional<QString> VQUtilities::FormatDateValue(const QDateTime& date) { return formatted(date, "MMM d, yyyy"); }

std::optional<QString> VQUtilities::formatDateTimeValue(const QDateTime& date) {
  return formatted(date, "MMM d, yyyy, h:mm AP");
}

QString VQUtilities::modelNameFromFile(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return QString();
  return QString::fromUtf8(file.readAll()).trimmed();
}

QString VQUtilities::VQAppleModelName() {
  static QMutex mutex;
  static QString cached;
  const QMutexLocker lock(&mutex);
  if (!cached.isEmpty()) return cached;
  const QString name = modelNameFromFile("/sys/class/dmi/id/product_name");
  if (name.isEmpty()) return QString("Mac");
  cached = name;
  return cached;
}

bool VQUtilities::urlIsLocalPath(const QUrl& url) {
  if (url.isEmpty()) return true;
  const QString scheme = url.scheme().toLower();
  if (scheme == "http" || scheme == "https") return false;
  const QString path = url.isLocalFile() ? url.toLocalFile() : url.path();
  return !path.isEmpty() && QFileInfo::exists(path);
}

QByteArray VQUtilities::encodeBase64(const QByteArray& bytes) { return bytes.toBase64(); }

std::optional<QUrl> VQUtilities::smartURLForString(const QString& text) {
  const QString trimmed = text.trimmed();
  if (trimmed.isEmpty()) return std::nullopt;
  if (!trimmed.contains("://")) return QUrl(QString("http://%1").arg(trimmed));
  const QString scheme = trimmed.left(trimmed.indexOf("://")).toLower();
  if (scheme != "http" && scheme != "https") return std::nullopt;
  return QUrl(trimmed);
}

}  // namespace vq::app

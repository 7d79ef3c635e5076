#include "helpers/VQUtilities.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLocale>
#include <QMutex>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QScreen>
#include <QUuid>
#include <algorithm>
#include <cstring>
#include <initializer_list>

#include "common/VQResources.h"
#include "core/VQUserDefaults.h"

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

std::optional<QString> VQUtilities::PathInBundle(const QString& bundle, const QString& filePathInBundle) {
  if (bundle.isEmpty() || filePathInBundle.isEmpty()) return std::nullopt;
  const auto path = vq::VQResourcePath(bundle.toStdString(), filePathInBundle.toStdString());
  if (!path) return std::nullopt;
  return QString::fromStdString(*path);
}

QString VQUtilities::IconNameForURLPath(const QString& path) {
  if (isPictureTypeForPath(path)) return "icon_image.png";
  if (isVideoTypeForPath(path)) return "icon_video.png";
  if (isAudioTypeForPath(path)) return "icon_audio.png";
  const QString ext = lowerExtension(path).remove('.');
  if (!ext.isEmpty()) {
    const QString name = QString("icon_%1.png").arg(ext);
    if (PathInBundle("VQVellumate", name)) return name;
  }
  return "icon_unknown.png";
}

bool VQUtilities::BoolValueForKey(const QString& key, bool withDefault) {
  return VQCUtilities::boolValueForKey(key, withDefault);
}

qint64 VQUtilities::IntegerValueForKey(const QString& key, qint64 withDefault) {
  return VQCUtilities::integerValueForKey(key, withDefault);
}

double VQUtilities::FloatValueForKey(const QString& key, double withDefault) {
  bool ok = false;
  const double value = VQUserDefaults::valueOrStoredDefault(key, withDefault).toDouble(&ok);
  return ok ? value : withDefault;
}

QString VQUtilities::StringValueForKey(const QString& key, const QString& withDefault) {
  return VQCUtilities::stringValueForKey(key, withDefault);
}

QUrl VQUtilities::URLValueForKey(const QString& key, const QUrl& withDefault) {
  if (withDefault.isEmpty() && !VQUserDefaults::store().contains(key)) return withDefault;
  return VQUserDefaults::valueOrStoredDefault(key, withDefault).toUrl();
}

QVariantList VQUtilities::ArrayValueForKey(const QString& key, const QVariantList& withDefault) {
  return VQUserDefaults::valueOrStoredDefault(key, withDefault).toList();
}

QVariantMap VQUtilities::MutableDictionaryValueForKey(const QString& key, const QVariantMap& withDefault) {
  return VQUserDefaults::valueOrStoredDefault(key, withDefault).toMap();
}

namespace {

// A list of one to four numbers as a colour; nothing when the value is not
// such a list.
std::optional<QColor> colorFromNumbers(const QVariant& value) {
  const QVariantList list = value.toList();
  if (list.isEmpty()) return std::nullopt;
  std::vector<double> n;
  for (const QVariant& item : list) {
    bool ok = false;
    const double v = item.toDouble(&ok);
    if (!ok) return std::nullopt;
    n.push_back(std::clamp(v, 0.0, 1.0));
  }
  switch (n.size()) {
    case 1:
      return QColor::fromRgbF(float(n[0]), float(n[0]), float(n[0]), 1);
    case 2:
      return QColor::fromRgbF(float(n[0]), float(n[0]), float(n[0]), float(n[1]));
    case 3:
      return QColor::fromRgbF(float(n[0]), float(n[1]), float(n[2]), 1);
    default:
      return QColor::fromRgbF(float(n[0]), float(n[1]), float(n[2]), float(n[3]));
  }
}

}  // namespace

std::optional<QColor> VQUtilities::ColorValueForKey(const QString& key, const std::optional<QColor>& withDefault) {
  QSettings& settings = VQUserDefaults::store();
  if (settings.contains(key)) {
    const QVariant value = settings.value(key);
    if (value.metaType() == QMetaType::fromType<QColor>() && value.value<QColor>().isValid())
      return value.value<QColor>();
    if (const auto color = colorFromNumbers(value)) return color;
  }
  if (!withDefault || !withDefault->isValid()) return std::nullopt;
  SaveColorValue(withDefault, key);
  return withDefault;
}

std::optional<QFont> VQUtilities::FontForNameKey(const QString& nameKey, const QString& sizeKey,
                                                 const std::optional<QFont>& withDefault) {
  QSettings& settings = VQUserDefaults::store();
  const QString family = settings.value(nameKey).toString();
  bool ok = false;
  const double size = settings.value(sizeKey).toDouble(&ok);
  if (!family.isEmpty() && ok && size > 0) {
    QFont font(family);
    font.setPointSizeF(size);
    return font;
  }
  if (!withDefault) return std::nullopt;
  VQUserDefaults::set(nameKey, withDefault->family());
  VQUserDefaults::set(sizeKey, withDefault->pointSizeF());
  return withDefault;
}

bool VQUtilities::SaveBoolValue(bool value, const QString& key) { return VQUserDefaults::set(key, value); }
bool VQUtilities::SaveIntegerValue(qint64 value, const QString& key) { return VQUserDefaults::set(key, value); }
bool VQUtilities::SaveFloatValue(float value, const QString& key) { return VQUserDefaults::set(key, value); }
bool VQUtilities::SaveDoubleValue(double value, const QString& key) { return VQUserDefaults::set(key, value); }
bool VQUtilities::SaveStringValue(const QString& value, const QString& key) { return VQUserDefaults::set(key, value); }
bool VQUtilities::SaveURLValue(const QUrl& value, const QString& key) { return VQUserDefaults::set(key, value); }
bool VQUtilities::SaveArrayValue(const QVariantList& value, const QString& key) {
  return VQUserDefaults::set(key, value);
}
bool VQUtilities::SaveDictionaryValue(const QVariantMap& value, const QString& key) {
  return VQUserDefaults::set(key, value);
}

bool VQUtilities::SaveColorValue(const std::optional<QColor>& value, const QString& key) {
  if (!value || !value->isValid()) return VQUserDefaults::remove(key);
  return VQUserDefaults::set(key, QVariant::fromValue(*value));
}

bool VQUtilities::IsClearColor(const QColor& color) { return color.isValid() && color.alpha() == 0; }

std::optional<QSizeF> VQUtilities::DisplayDeviceScreenDPI() {
  if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return std::nullopt;
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (!screen) return std::nullopt;
  return QSizeF(screen->physicalDotsPerInchX(), screen->physicalDotsPerInchY());
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

std::optional<QVariantMap> VQUtilities::getHTTPHeadInfo(const QUrl& url, const std::optional<QString>& withAuthToken) {
  const QString scheme = url.scheme().toLower();
  if (!url.isValid() || url.host().isEmpty() || (scheme != "http" && scheme != "https")) return std::nullopt;
  if (!QCoreApplication::instance()) return std::nullopt;
  QString appName = QCoreApplication::applicationName();
  if (appName.isEmpty()) appName = "Vellumate";
  QNetworkRequest request(url);
  request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
  request.setTransferTimeout(30000);
  request.setRawHeader("Content-Type", "text/xml; charset=\"utf-8\"");
  // A server on another port than the scheme's own needs the port too.
  const QString host = url.port() < 0 ? url.host() : QString("%1:%2").arg(url.host()).arg(url.port());
  request.setRawHeader("Host", host.toUtf8());
  request.setRawHeader("User-Agent", (appName + "/" + appName).toUtf8());
  if (withAuthToken) request.setRawHeader("Authorization", withAuthToken->toUtf8());
  QNetworkAccessManager manager;
  QNetworkReply* reply = manager.head(request);
  QEventLoop loop;
  QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
  if (!reply->isFinished()) loop.exec();
  reply->deleteLater();
  if (!reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid()) {
    if (reply->error() == QNetworkReply::NoError) return QVariantMap();
    return std::nullopt;
  }
  QVariantMap headers;
  for (const auto& [name, value] : reply->rawHeaderPairs())
    headers.insert(QString::fromLatin1(name), QString::fromLatin1(value));
  return headers;
}

std::optional<VQNetService> VQUtilities::netServiceByDictionary(const QVariantMap& dictionary) {
  VQNetService service;
  service.domain = dictionary.value("domain").toString();
  service.type = dictionary.value("type").toString();
  service.name = dictionary.value("name").toString();
  bool ok = true;
  if (dictionary.contains("port")) service.port = dictionary.value("port").toInt(&ok);
  if (service.type.isEmpty() || !ok || service.port < 0 || service.port > 65535) return std::nullopt;
  return service;
}

QVariantMap VQUtilities::dictionaryByNetService(const VQNetService& service) {
  return {{"domain", service.domain}, {"type", service.type}, {"name", service.name}, {"port", service.port}};
}

std::optional<VQNetService> VQUtilities::NetServiceWithHTTPURL(const QUrl& url) {
  if (!url.isValid() || url.host().isEmpty() || url.scheme().isEmpty()) return std::nullopt;
  const QString scheme = url.scheme().toLower();
  VQNetService service;
  service.domain = url.host();
  service.type = url.scheme();
  service.port = url.port(scheme == "https" ? 443 : scheme == "http" ? 80 : 0);
  return service;
}

std::optional<QString> VQUtilities::getStringFromAddressData(const QByteArray& address) {
  sockaddr_in in{};
  if (size_t(address.size()) < sizeof(in)) return std::nullopt;
  std::memcpy(&in, address.constData(), sizeof(in));
  if (in.sin_family != AF_INET) return std::nullopt;
  char text[INET_ADDRSTRLEN] = {};
  if (!inet_ntop(AF_INET, &in.sin_addr, text, sizeof(text))) return std::nullopt;
  return QString::fromLatin1(text);
}

std::optional<QUrl> VQUtilities::HTTPURLWithNetServiceBonjour(const VQNetService& service) {
  QString host = service.hostName;
  // Resolved host names end in the root's point; only that point goes.
  if (host.endsWith('.')) host.chop(1);
  if (host.isEmpty()) return std::nullopt;
  return QUrl(QString("http://%1:%2").arg(host).arg(service.port));
}

std::optional<QUrl> VQUtilities::HTTPURLWithNetServiceIP(const VQNetService& service) {
  for (const QByteArray& address : service.addresses)
    if (const auto ip = getStringFromAddressData(address))
      return QUrl(QString("http://%1:%2").arg(*ip).arg(service.port));
  return std::nullopt;
}

void VQUtilities::TurnOffMenus(const QList<QAction*>& menu, const QStringList& withTitles) {
  for (QAction* item : menu) {
    if (!item) continue;
    QString title = item->text();
    title.remove('&');
    if (withTitles.contains(item->text()) || withTitles.contains(title)) item->setChecked(false);
  }
}

}  // namespace vq::app

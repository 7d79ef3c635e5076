#include "helpers/VQDesktopHandlers.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QMimeDatabase>
#include <QMutex>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <utility>

namespace vq::app {

namespace {

QMutex runnerMutex;
VQCommandRunner customRunner;

int runProcess(const QString& program, const QStringList& arguments, QString* output) {
  QProcess process;
  process.start(program, arguments);
  if (!process.waitForStarted() || !process.waitForFinished()) return -1;
  if (output) *output = QString::fromUtf8(process.readAllStandardOutput());
  return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

QString schemeType(const QString& scheme) { return "x-scheme-handler/" + scheme.toLower(); }

}  // namespace

void LaunchServicesWrapper::setCommandRunner(VQCommandRunner runner) {
  const QMutexLocker lock(&runnerMutex);
  customRunner = std::move(runner);
}

int LaunchServicesWrapper::run(const QString& program, const QStringList& arguments, QString* output) {
  VQCommandRunner runner;
  {
    const QMutexLocker lock(&runnerMutex);
    runner = customRunner;
  }
  return runner ? runner(program, arguments, output) : runProcess(program, arguments, output);
}

QString LaunchServicesWrapper::UTIforFileMimeType(const QString& mimeType) {
  const QMimeType type = QMimeDatabase().mimeTypeForName(mimeType);
  return type.isValid() ? type.name() : QString();
}

QString LaunchServicesWrapper::UTIforFileExtension(const QString& extension) {
  if (extension.isEmpty()) return QString();
  const QMimeType type = QMimeDatabase().mimeTypeForFile("file." + extension, QMimeDatabase::MatchExtension);
  return type.isDefault() ? QString() : type.name();
}

std::optional<QString> LaunchServicesWrapper::defaultApplicationForMimeType(const QString& mimeType) {
  if (mimeType.isEmpty()) return std::nullopt;
  QString output;
  if (run("xdg-mime", {"query", "default", mimeType}, &output) != 0) return std::nullopt;
  const QString application = output.trimmed();
  if (application.isEmpty()) return std::nullopt;
  return application;
}

std::optional<QString> LaunchServicesWrapper::defaultApplicationForExtension(const QString& extension) {
  return defaultApplicationForMimeType(UTIforFileExtension(extension));
}

std::optional<QString> LaunchServicesWrapper::defaultApplicationForScheme(const QString& scheme) {
  if (scheme.isEmpty()) return std::nullopt;
  return defaultApplicationForMimeType(schemeType(scheme));
}

int LaunchServicesWrapper::setDefaultApplication(const QString& application, const QString& mimeType) {
  if (application.isEmpty() || mimeType.isEmpty()) return -1;
  return run("xdg-mime", {"default", application, mimeType}, nullptr);
}

int LaunchServicesWrapper::setDefaultApplicationForExtension(const QString& application, const QString& extension) {
  return setDefaultApplication(application, UTIforFileExtension(extension));
}

int LaunchServicesWrapper::setDefaultApplicationForScheme(const QString& application, const QString& scheme) {
  if (scheme.isEmpty()) return -1;
  return setDefaultApplication(application, schemeType(scheme));
}

QString LaunchServicesWrapper::myApplicationId() { return QStringLiteral("vellumate.desktop"); }

bool LaunchServicesWrapper::isMyselfNotDefaultApplicationForExtension(const QString& extension) {
  return defaultApplicationForExtension(extension).value_or(QString()).toLower() != myApplicationId().toLower();
}

bool LaunchServicesWrapper::setMyselfAsDefaultApplicationForFileExtension(const QString& extension) {
  return setDefaultApplicationForExtension(myApplicationId().toLower(), extension) == 0;
}

QStringList LaunchServicesWrapper::applicationsForMimeType(const QString& mimeType) {
  QStringList found, seen;
  if (mimeType.isEmpty()) return found;
  for (const QString& root : QStandardPaths::standardLocations(QStandardPaths::ApplicationsLocation)) {
    QDirIterator it(root, {"*.desktop"}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
      const QString path = it.next();
      // The desktop-file id: the path below the folder, '/' read as '-'.
      const QString id = QDir(root).relativeFilePath(path).replace('/', '-');
      if (seen.contains(id)) continue;  // a user's file hides the system's
      seen.append(id);
      QFile file(path);
      if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) continue;
      bool inEntry = false;
      while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith('[')) inEntry = line == "[Desktop Entry]";
        if (!inEntry || !line.startsWith("MimeType=")) continue;
        if (line.mid(9).split(';', Qt::SkipEmptyParts).contains(mimeType, Qt::CaseInsensitive)) found.append(id);
        break;
      }
    }
  }
  return found;
}

bool ATMailHelper::isAppleMailDefault() {
  if (LaunchServicesWrapper::defaultApplicationForScheme("mailto")) return true;
  return LaunchServicesWrapper::applicationsForMimeType("x-scheme-handler/mailto").size() == 1;
}

QUrl ATMailHelper::mailtoURL(const QString& to, const QString& subject, const QString& body) {
  QByteArray text = "mailto:" + QUrl::toPercentEncoding(to, "@");
  QByteArray separator = "?";
  for (const auto& [key, value] : {std::pair{"subject", subject}, std::pair{"body", body}}) {
    if (value.isEmpty()) continue;
    text += separator + key + "=" + QUrl::toPercentEncoding(value);
    separator = "&";
  }
  return QUrl::fromEncoded(text, QUrl::StrictMode);
}

bool ATMailHelper::mailHTMLString(const QString& html, const QString& subject, const QUrl& alternateMailToURL) {
  return mailWebArchive(html.toUtf8(), subject, QString(), alternateMailToURL);
}

bool ATMailHelper::mailHTMLString(const QString& html, const QUrl& baseURL, const QString& subject,
                                  const QUrl& alternateMailToURL) {
  QString text = html;
  if (baseURL.isValid() && !baseURL.isEmpty()) {
    const QString base = QString("<base href=\"%1\">").arg(baseURL.toString(QUrl::FullyEncoded).toHtmlEscaped());
    const qsizetype head =
        text.indexOf(QRegularExpression("<head(\\s[^>]*)?>", QRegularExpression::CaseInsensitiveOption));
    if (head >= 0) {
      text.insert(text.indexOf('>', head) + 1, base);
    } else {
      text.prepend("<head>" + base + "</head>");
    }
  }
  return mailHTMLString(text, subject, alternateMailToURL);
}

bool ATMailHelper::mailWebArchive(const QByteArray& archive, const QString& title, const QString& url,
                                  const QUrl& alternateMailToURL) {
  // The message goes as an attached HTML file, since a mail body handed over
  // on the command line is plain text.
  if (!archive.isEmpty()) {
    QTemporaryFile file(QDir::tempPath() + "/message-XXXXXX.html");
    file.setAutoRemove(false);
    if (file.open() && file.write(archive) == archive.size() && file.flush()) {
      file.close();
      QStringList arguments = {"--utf8", "--subject", title};
      if (!url.isEmpty()) arguments << "--body" << url;
      arguments << "--attach" << file.fileName();
      if (LaunchServicesWrapper::run("xdg-email", arguments, nullptr) == 0) return true;
    }
    QFile::remove(file.fileName());
  }
  return composeMail(alternateMailToURL);
}

bool ATMailHelper::composeMail(const QUrl& mailtoURL) {
  return mailtoURL.isValid() && !mailtoURL.isEmpty() &&
         LaunchServicesWrapper::run("xdg-email", {mailtoURL.toString(QUrl::FullyEncoded)}, nullptr) == 0;
}

}  // namespace vq::app

#pragma once
// Default applications through xdg-mime, and mail through xdg-email.
// Applications are named by their desktop-file ids ("vellumate.desktop"),
// types by MIME types; URL schemes are "x-scheme-handler/<scheme>".
#include <QString>
#include <QStringList>
#include <QUrl>
#include <functional>
#include <optional>

namespace vq::app {

// Runs a program with arguments; its exit status (-1 when it could not
// start) and, when `output` is given, its standard output.
using VQCommandRunner = std::function<int(const QString& program, const QStringList& arguments, QString* output)>;

class LaunchServicesWrapper {
 public:
  static QString UTIforFileMimeType(const QString& mimeType);
  static QString UTIforFileExtension(const QString& extension);
  static std::optional<QString> defaultApplicationForExtension(const QString& extension);
  static std::optional<QString> defaultApplicationForMimeType(const QString& mimeType);
  static std::optional<QString> defaultApplicationForScheme(const QString& scheme);
  // The program's exit status: 0 on success.
  static int setDefaultApplication(const QString& application, const QString& mimeType);
  static int setDefaultApplicationForExtension(const QString& application, const QString& extension);
  static int setDefaultApplicationForScheme(const QString& application, const QString& scheme);
  static bool isMyselfNotDefaultApplicationForExtension(const QString& extension);
  static bool setMyselfAsDefaultApplicationForFileExtension(const QString& extension);
  static QString myApplicationId();

  // The runner every call goes through; a null one restores the real one.
  static void setCommandRunner(VQCommandRunner runner);
  static int run(const QString& program, const QStringList& arguments, QString* output);

  // The ids of the installed applications whose desktop files declare
  // `mimeType`, from the data folders' "applications" folders (user's first;
  // an id found twice counts once).
  static QStringList applicationsForMimeType(const QString& mimeType);
};

class ATMailHelper {
 public:
  // Whether mail has a program to go to: the desktop names a default
  // handler of "mailto", or, with no default, exactly one installed
  // application handles it.
  static bool isAppleMailDefault();
  // A mailto: URL with the subject and body encoded.
  static QUrl mailtoURL(const QString& to, const QString& subject, const QString& body);
  // Opens a new message of the desktop's mail program from a mailto: URL.
  static bool composeMail(const QUrl& mailtoURL);
  // Hands the message to the default mail program; when that cannot be
  // started, opens `alternateMailToURL`. False when neither worked.
  static bool mailHTMLString(const QString& html, const QString& subject, const QUrl& alternateMailToURL);
  // The same with a base URL for the message's relative links, written into
  // its head.
  static bool mailHTMLString(const QString& html, const QUrl& baseURL, const QString& subject,
                             const QUrl& alternateMailToURL);
  // Hands `archive` (an HTML document) to the mail program as an attached
  // file, with `title` as the subject and `url`, when given, as the body;
  // when that fails, opens `alternateMailToURL`. False when neither worked.
  static bool mailWebArchive(const QByteArray& archive, const QString& title, const QString& url,
                             const QUrl& alternateMailToURL);
};

}  // namespace vq::app

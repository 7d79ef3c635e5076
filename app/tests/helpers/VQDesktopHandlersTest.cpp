#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QHash>
#include <QTemporaryDir>
#include <functional>

#include "helpers/VQDesktopHandlers.h"

using namespace vq::app;

namespace {

struct Call {
  QString program;
  QStringList arguments;
};

// Records every command and answers from a table of "xdg-mime query" results.
class DesktopHandlersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    LaunchServicesWrapper::setCommandRunner([this](const QString& program, const QStringList& args, QString* out) {
      calls.push_back({program, args});
      if (args.value(0) == "query") {
        if (out) *out = defaults.value(args.value(2)) + "\n";
        return 0;
      }
      return status;
    });
  }
  void TearDown() override { LaunchServicesWrapper::setCommandRunner(nullptr); }

  std::vector<Call> calls;
  QHash<QString, QString> defaults;
  int status = 0;
};

TEST_F(DesktopHandlersTest, DefaultApplications) {
  defaults["application/pdf"] = "vellumate.desktop";
  defaults["x-scheme-handler/mailto"] = "thunderbird.desktop";
  struct Row {
    std::function<std::optional<QString>()> query;
    const char* expected;  // nullptr: none
  };
  const std::vector<Row> rows = {
      {[] { return LaunchServicesWrapper::defaultApplicationForExtension("PDF"); }, "vellumate.desktop"},
      {[] { return LaunchServicesWrapper::defaultApplicationForMimeType("application/pdf"); }, "vellumate.desktop"},
      {[] { return LaunchServicesWrapper::defaultApplicationForScheme("MAILTO"); }, "thunderbird.desktop"},
      {[] { return LaunchServicesWrapper::defaultApplicationForMimeType("text/plain"); }, nullptr},
      {[] { return LaunchServicesWrapper::defaultApplicationForScheme(""); }, nullptr},
  };
  for (size_t i = 0; i < rows.size(); ++i) {
    const auto found = rows[i].query();
    ASSERT_EQ(found.has_value(), rows[i].expected != nullptr) << i;
    if (rows[i].expected) {
      EXPECT_EQ(*found, rows[i].expected) << i;
    }
  }
  EXPECT_FALSE(LaunchServicesWrapper::isMyselfNotDefaultApplicationForExtension("pdf"));
  EXPECT_TRUE(LaunchServicesWrapper::isMyselfNotDefaultApplicationForExtension("txt"));
}

TEST_F(DesktopHandlersTest, SettingDefaults) {
  EXPECT_EQ(LaunchServicesWrapper::setDefaultApplicationForScheme("mail.desktop", "mailto"), 0);
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].program, "xdg-mime");
  EXPECT_EQ(calls[0].arguments, QStringList({"default", "mail.desktop", "x-scheme-handler/mailto"}));
  EXPECT_TRUE(LaunchServicesWrapper::setMyselfAsDefaultApplicationForFileExtension("pdf"));
  EXPECT_EQ(calls.back().arguments, QStringList({"default", "vellumate.desktop", "application/pdf"}));
  status = 3;
  EXPECT_FALSE(LaunchServicesWrapper::setMyselfAsDefaultApplicationForFileExtension("pdf"));
  EXPECT_EQ(LaunchServicesWrapper::setDefaultApplication("", "application/pdf"), -1);
  EXPECT_EQ(LaunchServicesWrapper::UTIforFileExtension("pdf"), "application/pdf");
  EXPECT_EQ(LaunchServicesWrapper::UTIforFileExtension(""), "");
}

TEST_F(DesktopHandlersTest, Mail) {
  EXPECT_EQ(ATMailHelper::mailtoURL("a@b.c", "Hi & bye", "x y").toEncoded(),
            "mailto:a@b.c?subject=Hi%20%26%20bye&body=x%20y");
  EXPECT_EQ(ATMailHelper::mailtoURL("a@b.c", "", "").toEncoded(), "mailto:a@b.c");

  EXPECT_TRUE(ATMailHelper::mailHTMLString("<p>hi</p>", "Subject", QUrl("mailto:a@b.c")));
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].program, "xdg-email");
  EXPECT_EQ(calls[0].arguments.mid(0, 4), QStringList({"--utf8", "--subject", "Subject", "--attach"}));
  QFile attached(calls[0].arguments.value(4));
  ASSERT_TRUE(attached.open(QIODevice::ReadOnly));
  EXPECT_EQ(attached.readAll(), "<p>hi</p>");
  attached.remove();

  // When the mail program fails, the mailto URL is tried, and its failure reported.
  calls.clear();
  status = 1;
  EXPECT_FALSE(ATMailHelper::mailHTMLString("<p>hi</p>", "Subject", QUrl("mailto:a@b.c")));
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[1].arguments, QStringList({"mailto:a@b.c"}));
}

// Desktop files in a data folder of the test's own, which stands in for
// the user's and the system's.
class InstalledApplications {
 public:
  InstalledApplications() {
    for (const char* name : {"XDG_DATA_HOME", "XDG_DATA_DIRS"})
      if (qEnvironmentVariableIsSet(name)) saved_.insert(name, qgetenv(name));
    qputenv("XDG_DATA_HOME", dir_.filePath("home").toUtf8());
    qputenv("XDG_DATA_DIRS", dir_.filePath("system").toUtf8());
  }
  ~InstalledApplications() {
    for (const char* name : {"XDG_DATA_HOME", "XDG_DATA_DIRS"}) {
      if (saved_.contains(name)) {
        qputenv(name, saved_.value(name));
      } else {
        qunsetenv(name);
      }
    }
  }
  void add(const QString& where, const QString& relativePath, const QByteArray& mimeLine) {
    const QString path = dir_.filePath(where + "/applications/" + relativePath);
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
      file.write("[Desktop Entry]\nType=Application\nName=X\n" + mimeLine + "\n[Desktop Action new]\nMimeType=x/y;\n");
  }

 private:
  QTemporaryDir dir_;
  QHash<QByteArray, QByteArray> saved_;
};

TEST_F(DesktopHandlersTest, MailProgramCheck) {
  InstalledApplications apps;
  EXPECT_FALSE(ATMailHelper::isAppleMailDefault());
  apps.add("system", "org.example.Mail.desktop", "MimeType=text/html;x-scheme-handler/mailto;");
  apps.add("system", "viewer.desktop", "MimeType=application/pdf;");
  EXPECT_EQ(LaunchServicesWrapper::applicationsForMimeType("x-scheme-handler/mailto"),
            QStringList({"org.example.Mail.desktop"}));
  EXPECT_TRUE(ATMailHelper::isAppleMailDefault());  // the only handler
  apps.add("home", "kde/mailer.desktop", "MimeType=x-scheme-handler/mailto");
  // The user's copy of a file hides the system's: it no longer handles mail.
  apps.add("home", "org.example.Mail.desktop", "MimeType=text/html;");
  EXPECT_EQ(LaunchServicesWrapper::applicationsForMimeType("x-scheme-handler/mailto"),
            QStringList({"kde-mailer.desktop"}));
  apps.add("system", "other.desktop", "MimeType=x-scheme-handler/mailto;");
  EXPECT_FALSE(ATMailHelper::isAppleMailDefault());  // two handlers, no default
  defaults["x-scheme-handler/mailto"] = "other.desktop";
  EXPECT_TRUE(ATMailHelper::isAppleMailDefault());
}

TEST_F(DesktopHandlersTest, MailWithBaseUrlAndWebArchive) {
  EXPECT_TRUE(ATMailHelper::mailHTMLString("<html><head><title>t</title></head><p>hi</p></html>",
                                           QUrl("https://example.com/a b/"), "S", QUrl("mailto:a@b.c")));
  ASSERT_EQ(calls.size(), 1u);
  QFile attached(calls[0].arguments.last());
  ASSERT_TRUE(attached.open(QIODevice::ReadOnly));
  EXPECT_EQ(attached.readAll(),
            "<html><head><base href=\"https://example.com/a%20b/\"><title>t</title></head><p>hi</p></html>");
  attached.remove();

  calls.clear();
  EXPECT_TRUE(ATMailHelper::mailWebArchive("<p>x</p>", "Title", "https://example.com/page", QUrl()));
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].arguments.mid(0, 6),
            QStringList({"--utf8", "--subject", "Title", "--body", "https://example.com/page", "--attach"}));
  QFile::remove(calls[0].arguments.last());

  // An empty archive goes straight to the mailto URL; without one, nothing is sent.
  calls.clear();
  EXPECT_TRUE(ATMailHelper::mailWebArchive("", "Title", "", QUrl("mailto:a@b.c")));
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].arguments, QStringList({"mailto:a@b.c"}));
  calls.clear();
  EXPECT_FALSE(ATMailHelper::mailWebArchive("", "Title", "", QUrl()));
  EXPECT_TRUE(calls.empty());
}

}  // namespace

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>

#include <QAction>
#include <QDir>
#include <QFile>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <cstring>
#include <functional>

#include "core/AppTestSupport.h"
#include "helpers/VQUtilities.h"

using namespace vq::app;

namespace {

class UtilitiesTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(dir_.isValid()); }
  QString path(const QString& name) const { return dir_.filePath(name); }
  QString write(const QString& name, qint64 size = 0) const {
    const QString p = path(name);
    QDir().mkpath(QFileInfo(p).path());
    QFile file(p);
    if (file.open(QIODevice::WriteOnly)) file.write(QByteArray(size, 'x'));
    return p;
  }

 private:
  QTemporaryDir dir_;
};

struct TypeRow {
  const char* name;
  std::function<bool(const QString&)> test;
  const char* path;
  bool expected;
};

TEST(UtilitiesTypes, ExtensionsAreLowerCasedAndOnlyTheLastCounts) {
  const std::vector<TypeRow> rows = {
      {"word upper", VQUtilities::IsWordTypeForPath, "/a/Report.DOCX", true},
      {"word two ext", VQUtilities::IsWordTypeForPath, "/a/Report.docx.pdf", false},
      {"pdf ai", VQUtilities::IsPDFTypeForPath, "x.AI", true},
      {"upper pdf no ps", VQUtilities::IsPDFTypeForPath, "x.ps", false},
      {"lower pdf ps", VQUtilities::isPDFTypeForPath, "x.ps", true},
      {"image j2k", VQUtilities::IsImageTypeForPath, "x.j2k", true},
      {"picture no j2k", VQUtilities::isPictureTypeForPath, "x.j2k", false},
      {"picture tiff", VQUtilities::isPictureTypeForPath, "x.TIFF", true},
      {"video", VQUtilities::IsVideoTypeForPath, "x.rmvb", true},
      {"audio", VQUtilities::IsAudioTypeForPath, "x.Mid", true},
      {"zip gz", VQUtilities::IsZipTypeForPath, "x.gz", true},
      {"lower zip no gz", VQUtilities::isZipTypeForPath, "x.gz", false},
      {"rar", VQUtilities::IsRarTypeForPath, "x.cbr", true},
      {"zipped doc", VQUtilities::IsZipedDocTypeForPath, "/a/Talk.KEY.zip", true},
      {"plain zip no doc", VQUtilities::IsZipedDocTypeForPath, "/a/Talk.zip", false},
      {"txt", VQUtilities::IsTxtTypeForPath, "x.mm", true},
      {"google no ext", VQUtilities::IsGoogleDocTypeForPath, "/a/README", true},
      {"google htm", VQUtilities::IsGoogleDocTypeForPath, "x.htm", true},
      {"google pdf", VQUtilities::IsGoogleDocTypeForPath, "x.pdf", false},
      {"print urf", VQUtilities::isPrintTypeForPath, "x.urf", true},
      {"folder app", VQUtilities::IsFolderFileTypeForPath, "/Applications/X.app", true},
      {"no ext", VQUtilities::IsPDFTypeForPath, "/a/pdf", false},
  };
  for (const TypeRow& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(row.test(row.path), row.expected);
  }
}

TEST_F(UtilitiesTest, FileSizeTexts) {
  struct Row {
    qint64 size;
    const char* expected;
  };
  const std::vector<Row> rows = {
      {0, "0.0 KB"},
      {1536, "1.0 KB"},
      {1048575, "1023.0 KB"},
      {1048576 + 524288, "1.5 MB"},
      {qint64(1073741824) * 2, "2.0 GB"},
  };
  for (const Row& row : rows) EXPECT_EQ(VQUtilities::StringFileSize(row.size), row.expected) << row.size;
  EXPECT_EQ(VQUtilities::StringFileSizeAtPath(write("a.bin", 1536)), "1.0 KB");
  EXPECT_EQ(VQUtilities::StringFileSizeAtPath(path("missing.bin")), "");
}

TEST_F(UtilitiesTest, NewPathCountsFromTwo) {
  const QString file = write("doc.pdf");
  EXPECT_EQ(VQUtilities::NewPathWithPath(path("free.pdf")), path("free.pdf"));
  EXPECT_EQ(VQUtilities::NewPathWithPath(file), path("doc 2.pdf"));
  write("doc 2.pdf");
  EXPECT_EQ(VQUtilities::NewPathWithPath(file), path("doc 3.pdf"));
  EXPECT_EQ(VQUtilities::NewPathWithPath(write("plain")), path("plain 2"));
}

TEST_F(UtilitiesTest, CountsFilesDeeply) {
  write("f/a");
  write("f/b");
  write("f/sub/c");
  write("f/sub/d");
  write("f/sub/e");
  QDir().mkpath(path("empty"));
  EXPECT_EQ(VQUtilities::NumberOfContentsInFolderDeeper(path("f")), 5);
  EXPECT_EQ(VQUtilities::NumberOfContentsInFolderDeeper(path("empty")), 0);
  EXPECT_EQ(VQUtilities::NumberOfContentsInFolderDeeper(path("f/a")), 1);
}

TEST_F(UtilitiesTest, FoldersAndPathTests) {
  EXPECT_TRUE(VQUtilities::CreateFolderIfNeed(path("x/y/z")));
  EXPECT_TRUE(VQUtilities::IsDirectoryAtPath(path("x/y/z")));
  EXPECT_TRUE(VQUtilities::CreateFolderIfNeed(path("x/y/z")));
  EXPECT_FALSE(VQUtilities::CreateFolderIfNeed(write("file") + "/below"));
  const QString pdf = write("a.PDF");
  EXPECT_TRUE(VQUtilities::IsPath(pdf, QString("pdf")));
  EXPECT_TRUE(VQUtilities::IsPath(pdf, QStringList{"doc", "pdf"}));
  EXPECT_TRUE(VQUtilities::IsPath(pdf, "pdf", false));
  EXPECT_FALSE(VQUtilities::IsPath(pdf, "pdf", true));
  EXPECT_FALSE(VQUtilities::IsPath(path("none.pdf"), "pdf", true, false));
  EXPECT_TRUE(VQUtilities::IsPath(path("none.pdf"), "pdf", false, false));
}

TEST_F(UtilitiesTest, ImportPathsAndNames) {
  EXPECT_EQ(VQUtilities::NewImportImagePath(path(""), "img", "png"), path("img_000001.png"));
  write("img_000001.png");
  EXPECT_EQ(VQUtilities::NewImportImagePath(path(""), "img", "png"), path("img_000002.png"));
  EXPECT_EQ(VQUtilities::FilterFileNameString("a:b/c\\d?e%f*g|h\"i<j>k"), "a-b-c-d-e-f-g-h-i-j-k");
  EXPECT_EQ(VQUtilities::LastPathComponent("/a/b/report.pdf", "docx"), "report.docx");
}

TEST(UtilitiesUrls, SmartUrls) {
  struct Row {
    const char* text;
    const char* expected;  // nullptr: no URL
  };
  const std::vector<Row> rows = {
      {"  example.com/x ", "http://example.com/x"},
      {"HTTPS://example.com", "HTTPS://example.com"},
      {"ftp://example.com", nullptr},
      {"   ", nullptr},
      {"", nullptr},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    const auto url = VQUtilities::smartURLForString(row.text);
    ASSERT_EQ(url.has_value(), row.expected != nullptr);
    if (row.expected) {
      EXPECT_EQ(url->toString().toLower(), QString(row.expected).toLower());
    }
  }
}

TEST_F(UtilitiesTest, LocalPathsWithHttpInTheirNameStayLocal) {
  const QString file = write("http-notes.txt");
  EXPECT_TRUE(VQUtilities::urlIsLocalPath(QUrl()));
  EXPECT_TRUE(VQUtilities::urlIsLocalPath(QUrl::fromLocalFile(file)));
  EXPECT_FALSE(VQUtilities::urlIsLocalPath(QUrl::fromLocalFile(path("http-missing.txt"))));
  EXPECT_FALSE(VQUtilities::urlIsLocalPath(QUrl("https://example.com/a.pdf")));
}

TEST(UtilitiesText, Base64AndDates) {
  EXPECT_EQ(VQUtilities::encodeBase64("foob"), "Zm9vYg==");
  EXPECT_EQ(VQUtilities::encodeBase64(""), "");
  const QDateTime date(QDate(2024, 3, 5), QTime(14, 7));
  EXPECT_EQ(VQUtilities::FormatDateValue(date).value_or(""), "Mar 5, 2024");
  EXPECT_EQ(VQUtilities::formatDateTimeValue(date).value_or(""), "Mar 5, 2024, 2:07 PM");
  EXPECT_FALSE(VQUtilities::FormatDateValue(QDateTime()).has_value());
  EXPECT_FALSE(VQUtilities::FileModifiedDateAtPath("/no/such/file").has_value());
}

TEST_F(UtilitiesTest, ModelNameFromFile) {
  QFile file(path("product_name"));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("ThinkPad X1\n");
  file.close();
  EXPECT_EQ(VQUtilities::modelNameFromFile(path("product_name")), "ThinkPad X1");
  EXPECT_EQ(VQUtilities::modelNameFromFile(path("none")), "");
  EXPECT_FALSE(VQUtilities::VQAppleModelName().isEmpty());
}

class UtilitiesDefaultsTest : public vqtest::AppTest {};

TEST_F(UtilitiesDefaultsTest, GettersStoreTheirDefaultsOnce) {
  EXPECT_TRUE(VQUtilities::BoolValueForKey("b", true));
  EXPECT_TRUE(VQUtilities::BoolValueForKey("b", false));
  EXPECT_EQ(VQUtilities::IntegerValueForKey("i", 7), 7);
  EXPECT_EQ(VQUtilities::IntegerValueForKey("i", 9), 7);
  EXPECT_DOUBLE_EQ(VQUtilities::FloatValueForKey("f", 0.25), 0.25);
  EXPECT_DOUBLE_EQ(VQUtilities::FloatValueForKey("f", 1), 0.25);
  EXPECT_EQ(VQUtilities::StringValueForKey("s", "x"), "x");
  EXPECT_EQ(VQUtilities::StringValueForKey("s", "y"), "x");
  EXPECT_EQ(VQUtilities::URLValueForKey("u", QUrl("https://a.example/")), QUrl("https://a.example/"));
  EXPECT_EQ(VQUtilities::URLValueForKey("u", QUrl()), QUrl("https://a.example/"));
  EXPECT_EQ(VQUtilities::URLValueForKey("none", QUrl()), QUrl());
  EXPECT_EQ(VQUtilities::ArrayValueForKey("a", {"p", "q"}), QVariantList({"p", "q"}));
  EXPECT_EQ(VQUtilities::MutableArrayValueForKey("a", {}), QVariantList({"p", "q"}));
  EXPECT_EQ(VQUtilities::MutableDictionaryValueForKey("d", {{"k", "v"}}).value("k"), "v");
  ASSERT_TRUE(VQUtilities::SaveIntegerValue(3, "i"));
  ASSERT_TRUE(VQUtilities::SaveDoubleValue(2.5, "f"));
  ASSERT_TRUE(VQUtilities::SaveStringValue("z", "s"));
  EXPECT_EQ(VQUtilities::IntegerValueForKey("i", 9), 3);
  EXPECT_DOUBLE_EQ(VQUtilities::FloatValueForKey("f", 1), 2.5);
  EXPECT_EQ(VQUtilities::StringValueForKey("s", "y"), "z");
  // What was written survives a new store on the same file.
  vq::app::VQUserDefaults::useFile(scratchPath("settings.ini"));
  EXPECT_EQ(VQUtilities::IntegerValueForKey("i", 9), 3);
  EXPECT_EQ(VQUtilities::ArrayValueForKey("a", {}), QVariantList({"p", "q"}));
}

TEST_F(UtilitiesDefaultsTest, ColoursFromStoredColoursAndNumberLists) {
  struct Row {
    const char* name;
    QVariantList numbers;
    std::optional<QColor> expected;
  };
  const std::vector<Row> rows = {
      {"grey", {0.5}, QColor::fromRgbF(0.5, 0.5, 0.5, 1)},
      {"grey alpha", {1, 0.5}, QColor::fromRgbF(1, 1, 1, 0.5)},
      {"rgb", {1, 0, 0}, QColor::fromRgbF(1, 0, 0, 1)},
      {"rgba", {0, 0, 1, 0.25, 9}, QColor::fromRgbF(0, 0, 1, 0.25)},
      {"out of range clamped", {2, -1, 0}, QColor::fromRgbF(1, 0, 0, 1)},
      {"not numbers", {"red"}, std::nullopt},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ASSERT_TRUE(VQUtilities::SaveArrayValue(row.numbers, "c"));
    vq::app::VQUserDefaults::useFile(scratchPath("settings.ini"));  // read back from the file
    const auto color = VQUtilities::ColorValueForKey("c", std::nullopt);
    ASSERT_EQ(color.has_value(), row.expected.has_value());
    if (color) {
      EXPECT_EQ(color->rgba(), row.expected->rgba());
    }
  }
  // Neither a colour nor numbers: the default is stored and read back.
  EXPECT_EQ(VQUtilities::ColorValueForKey("c", QColor(Qt::green)).value_or(QColor()), QColor(Qt::green));
  vq::app::VQUserDefaults::useFile(scratchPath("settings.ini"));
  EXPECT_EQ(VQUtilities::ColorValueForKey("c", std::nullopt).value_or(QColor()), QColor(Qt::green));
  ASSERT_TRUE(VQUtilities::SaveColorValue(std::nullopt, "c"));
  EXPECT_FALSE(VQUtilities::ColorValueForKey("c", std::nullopt).has_value());

  const std::vector<std::pair<QColor, bool>> clear = {
      {QColor(Qt::transparent), true},      {QColor::fromRgbF(1, 1, 1, 0), true},
      {QColor::fromRgbF(1, 0, 0, 0), true}, {QColor::fromRgbF(0, 0, 0, 0.1f), false},
      {QColor(Qt::white), false},
  };
  for (const auto& [color, expected] : clear)
    EXPECT_EQ(VQUtilities::IsClearColor(color), expected) << color.name(QColor::HexArgb).toStdString();
}

TEST_F(UtilitiesDefaultsTest, FontsByNameAndSize) {
  EXPECT_FALSE(VQUtilities::FontForNameKey("fn", "fs", std::nullopt).has_value());
  QFont font("DejaVu Sans");
  font.setPointSizeF(13);
  const auto stored = VQUtilities::FontForNameKey("fn", "fs", font);
  ASSERT_TRUE(stored);
  const auto read = VQUtilities::FontForNameKey("fn", "fs", QFont("Other", 5));
  ASSERT_TRUE(read);
  EXPECT_EQ(read->family(), "DejaVu Sans");
  EXPECT_DOUBLE_EQ(read->pointSizeF(), 13);
  // A size of zero is no font: the default takes its place.
  ASSERT_TRUE(VQUtilities::SaveDoubleValue(0, "fs"));
  EXPECT_EQ(VQUtilities::FontForNameKey("fn", "fs", QFont("Other", 5))->family(), "Other");
}

TEST(UtilitiesSystem, ScreenDpiIconsAndMenus) {
  const auto dpi = VQUtilities::DisplayDeviceScreenDPI();
  ASSERT_TRUE(dpi);
  EXPECT_GT(dpi->width(), 0);
  EXPECT_GT(dpi->height(), 0);
  EXPECT_EQ(VQUtilities::IconNameForURLPath("/a/b.JPG"), "icon_image.png");
  EXPECT_EQ(VQUtilities::IconNameForURLPath("/a/b.mov"), "icon_video.png");
  EXPECT_EQ(VQUtilities::IconNameForURLPath("/a/b.wav"), "icon_audio.png");
  EXPECT_EQ(VQUtilities::IconNameForURLPath("/a/b.nosuchtype"), "icon_unknown.png");
  EXPECT_EQ(VQUtilities::IconNameForURLPath("/a/b"), "icon_unknown.png");
  EXPECT_FALSE(VQUtilities::PathInBundle("NoSuchBundle", "x.png").has_value());
  EXPECT_FALSE(VQUtilities::PathInBundle("VQVellumate", "../../CMakeLists.txt").has_value());

  QAction a("&Alpha"), b("Beta"), c("Gamma");
  for (QAction* action : {&a, &b, &c}) {
    action->setCheckable(true);
    action->setChecked(true);
  }
  VQUtilities::TurnOffMenus({&a, &b, &c, nullptr}, {"Alpha", "Gamma"});
  EXPECT_FALSE(a.isChecked());
  EXPECT_TRUE(b.isChecked());
  EXPECT_FALSE(c.isChecked());
}

// A one-shot HTTP server on the loopback: answers every request with
// `response` and keeps the last request it read.
class OneShotServer {
 public:
  explicit OneShotServer(QByteArray response) : response_(std::move(response)) {
    server_.listen(QHostAddress::LocalHost);
    QObject::connect(&server_, &QTcpServer::newConnection, [this] {
      QTcpSocket* socket = server_.nextPendingConnection();
      QObject::connect(socket, &QTcpSocket::readyRead, [this, socket] {
        request_ += socket->readAll();
        if (!request_.contains("\r\n\r\n")) return;
        socket->write(response_);
        socket->disconnectFromHost();
      });
    });
  }
  quint16 port() const { return server_.serverPort(); }
  const QByteArray& request() const { return request_; }

 private:
  QTcpServer server_;
  QByteArray response_;
  QByteArray request_;
};

TEST(UtilitiesNetwork, HeadRequestsSendTheirFieldsAndAnswerHeaders) {
  OneShotServer server("HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nX-Probe: yes\r\nConnection: close\r\n\r\n");
  const QUrl url(QString("http://127.0.0.1:%1/file.pdf").arg(server.port()));
  const auto headers = VQUtilities::getHTTPHeadInfo(url, QString("Bearer t0k"));
  ASSERT_TRUE(headers);
  EXPECT_EQ(headers->value("X-Probe").toString(), "yes");
  const QByteArray request = server.request();
  EXPECT_TRUE(request.startsWith("HEAD /file.pdf HTTP/1.1\r\n")) << request.constData();
  EXPECT_TRUE(request.contains("Authorization: Bearer t0k\r\n"));
  EXPECT_TRUE(request.contains(QString("Host: 127.0.0.1:%1\r\n").arg(server.port()).toUtf8()));
  EXPECT_TRUE(request.contains("Content-Type: text/xml; charset=\"utf-8\"\r\n"));

  // Nothing listens on a port just closed; other schemes are not asked.
  quint16 closed = 0;
  {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    closed = probe.serverPort();
  }
  EXPECT_FALSE(VQUtilities::getHTTPHeadInfo(QUrl(QString("http://127.0.0.1:%1/").arg(closed)), std::nullopt));
  EXPECT_FALSE(VQUtilities::getHTTPHeadInfo(QUrl("ftp://127.0.0.1/"), std::nullopt));
  EXPECT_FALSE(VQUtilities::getHTTPHeadInfo(QUrl(), std::nullopt));
}

QByteArray ipv4(const char* dotted) {
  sockaddr_in in{};
  in.sin_family = AF_INET;
  inet_pton(AF_INET, dotted, &in.sin_addr);
  return QByteArray(reinterpret_cast<const char*>(&in), sizeof(in));
}

TEST(UtilitiesNetwork, ServiceRecordsAndTheirUrls) {
  const auto service = VQUtilities::netServiceByDictionary(
      {{"domain", "local."}, {"type", "_http._tcp."}, {"name", "Printer"}, {"port", 8080}});
  ASSERT_TRUE(service);
  EXPECT_EQ(VQUtilities::dictionaryByNetService(*service),
            QVariantMap({{"domain", "local."}, {"type", "_http._tcp."}, {"name", "Printer"}, {"port", 8080}}));
  EXPECT_FALSE(VQUtilities::netServiceByDictionary({{"name", "x"}}));
  EXPECT_FALSE(VQUtilities::netServiceByDictionary({{"type", "_http._tcp."}, {"port", 70000}}));

  const auto fromUrl = VQUtilities::NetServiceWithHTTPURL(QUrl("https://files.example"));
  ASSERT_TRUE(fromUrl);
  EXPECT_EQ(fromUrl->domain, "files.example");
  EXPECT_EQ(fromUrl->type, "https");
  EXPECT_EQ(fromUrl->name, "");
  EXPECT_EQ(fromUrl->port, 443);

  VQNetService resolved = *service;
  EXPECT_FALSE(VQUtilities::HTTPURLWithNetServiceBonjour(resolved));
  EXPECT_FALSE(VQUtilities::HTTPURLWithNetServiceIP(resolved));
  resolved.hostName = "printer.local.";
  EXPECT_EQ(VQUtilities::HTTPURLWithNetServiceBonjour(resolved).value_or(QUrl()), QUrl("http://printer.local:8080"));
  resolved.hostName = "printer.local";  // no root point: the name stays whole
  EXPECT_EQ(VQUtilities::HTTPURLWithNetServiceBonjour(resolved).value_or(QUrl()), QUrl("http://printer.local:8080"));

  sockaddr_in6 six{};
  six.sin6_family = AF_INET6;
  const QByteArray v6(reinterpret_cast<const char*>(&six), sizeof(six));
  EXPECT_EQ(VQUtilities::getStringFromAddressData(ipv4("192.168.1.20")).value_or(""), "192.168.1.20");
  EXPECT_FALSE(VQUtilities::getStringFromAddressData(v6));
  EXPECT_FALSE(VQUtilities::getStringFromAddressData(QByteArray(3, '\0')));
  resolved.addresses = {v6, ipv4("10.0.0.5")};
  EXPECT_EQ(VQUtilities::HTTPURLWithNetServiceIP(resolved).value_or(QUrl()), QUrl("http://10.0.0.5:8080"));
}

}  // namespace

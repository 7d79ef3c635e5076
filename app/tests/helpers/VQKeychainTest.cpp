#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <openssl/pkcs12.h>
#include <openssl/x509.h>

#include <QFile>
#include <QTemporaryDir>

#include "helpers/VQKeychain.h"

using namespace vq::app;

namespace {

class KeychainTest : public ::testing::Test {
 protected:
  void SetUp() override { VQSecretStore::setShared(std::make_shared<VQMemorySecretStore>()); }
  void TearDown() override { VQSecretStore::setShared(nullptr); }
};

TEST_F(KeychainTest, PasswordsByUserAndService) {
  VQKeychainError error;
  EXPECT_FALSE(STKeychain::getKeychainItemReferenceForUsername("ann", "mail", &error));
  EXPECT_EQ(error.code, 0);
  const QString longPassword(5000, QChar(0x00e9));
  ASSERT_TRUE(STKeychain::storeUsername("ann", longPassword, "mail", false, &error));
  EXPECT_TRUE(STKeychain::getKeychainItemReferenceForUsername("ann", "mail", &error));
  EXPECT_EQ(STKeychain::getPasswordForUsername("ann", "mail", &error).value_or(""), longPassword);

  // Without the update flag an existing item is kept and reported.
  EXPECT_FALSE(STKeychain::storeUsername("ann", "other", "mail", false, &error));
  EXPECT_EQ(error.code, kVQKeychainDuplicateItem);
  EXPECT_EQ(STKeychain::getPasswordForUsername("ann", "mail", nullptr).value_or(""), longPassword);
  EXPECT_TRUE(STKeychain::storeUsername("ann", "other", "mail", true, &error));
  EXPECT_EQ(STKeychain::getPasswordForUsername("ann", "mail", nullptr).value_or(""), "other");

  EXPECT_TRUE(STKeychain::deleteItemForUsername("ann", "mail", &error));
  EXPECT_FALSE(STKeychain::deleteItemForUsername("ann", "mail", &error));
  EXPECT_EQ(error.code, kVQKeychainItemNotFound);
  EXPECT_FALSE(STKeychain::getPasswordForUsername("ann", "mail", &error).has_value());
}

TEST_F(KeychainTest, MissingArguments) {
  struct Row {
    const char* user;
    const char* service;
  };
  for (const Row& row : std::vector<Row>{{"", "s"}, {"u", ""}}) {
    VQKeychainError error;
    EXPECT_FALSE(STKeychain::storeUsername(row.user, "p", row.service, true, &error));
    EXPECT_EQ(error.code, kVQKeychainParam);
    error.code = 0;
    EXPECT_FALSE(STKeychain::getPasswordForUsername(row.user, row.service, &error).has_value());
    EXPECT_EQ(error.code, kVQKeychainParam);
    error.code = 0;
    EXPECT_FALSE(STKeychain::deleteItemForUsername(row.user, row.service, &error));
    EXPECT_EQ(error.code, kVQKeychainParam);
  }
}

// A store that refuses every write.
class RefusingStore : public VQMemorySecretStore {
 public:
  int store(const QString&, const QString&, const QByteArray&) override { return kVQKeychainUnavailable; }
};

TEST_F(KeychainTest, FailedStoresAreReported) {
  VQSecretStore::setShared(std::make_shared<RefusingStore>());
  VQKeychainError error;
  EXPECT_FALSE(STKeychain::storeUsername("ann", "p", "mail", true, &error));
  EXPECT_EQ(error.code, kVQKeychainUnavailable);
  EXPECT_FALSE(VQCKeyChain::storeString("v", "k"));
}

TEST_F(KeychainTest, ApplicationItems) {
  EXPECT_FALSE(VQCKeyChain::getDataWithKey("").has_value());
  EXPECT_FALSE(VQCKeyChain::storeData("x", ""));
  EXPECT_TRUE(VQCKeyChain::storeData(QByteArray("\0\1\2", 3), "blob"));
  EXPECT_EQ(VQCKeyChain::getDataWithKey("blob").value_or(""), QByteArray("\0\1\2", 3));
  EXPECT_TRUE(VQCKeyChain::storeString("first", "token"));
  EXPECT_TRUE(VQCKeyChain::storeString("second", "token"));
  EXPECT_EQ(VQCKeyChain::getStringWithKey("token").value_or(""), "second");
  EXPECT_TRUE(VQCKeyChain::deleteItemWithKey("token"));
  EXPECT_FALSE(VQCKeyChain::deleteItemWithKey("token"));
  EXPECT_FALSE(VQCKeyChain::getStringWithKey("token").has_value());
  EXPECT_TRUE(VQCKeyChain::accountForKey("k").endsWith(" - k"));
}

// A self-signed certificate and its PKCS#12 file with the pass phrase "pw".
struct Credentials {
  QByteArray certificate, pkcs12;
};

Credentials makeCredentials() {
  EVP_PKEY* key = EVP_EC_gen("P-256");
  X509* cert = X509_new();
  X509_set_version(cert, 2);
  ASN1_INTEGER_set(X509_get_serialNumber(cert), 1);
  X509_gmtime_adj(X509_getm_notBefore(cert), -3600);
  X509_gmtime_adj(X509_getm_notAfter(cert), 3600L * 24 * 365);
  X509_set_pubkey(cert, key);
  X509_NAME* name = X509_get_subject_name(cert);
  X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>("test"), -1, -1, 0);
  X509_set_issuer_name(cert, name);
  X509_sign(cert, key, EVP_sha256());
  Credentials out;
  unsigned char* der = nullptr;
  int n = i2d_X509(cert, &der);
  out.certificate = QByteArray(reinterpret_cast<char*>(der), n);
  OPENSSL_free(der);
  PKCS12* p12 = PKCS12_create("pw", "test", key, cert, nullptr, 0, 0, 0, 0, 0);
  der = nullptr;
  n = i2d_PKCS12(p12, &der);
  out.pkcs12 = QByteArray(reinterpret_cast<char*>(der), n);
  OPENSSL_free(der);
  PKCS12_free(p12);
  X509_free(cert);
  EVP_PKEY_free(key);
  return out;
}

QString write(const QTemporaryDir& dir, const char* name, const QByteArray& bytes) {
  QFile file(dir.filePath(name));
  if (file.open(QIODevice::WriteOnly)) file.write(bytes);
  return file.fileName();
}

TEST(KeychainKeys, CertificatesAndPkcs12) {
  QTemporaryDir dir;
  const Credentials c = makeCredentials();
  const QString cert = write(dir, "c.der", c.certificate);
  const QString p12 = write(dir, "c.p12", c.pkcs12);
  const QString junk = write(dir, "junk", "not a certificate");

  STKeychain keys;
  EXPECT_EQ(keys.extractPublicKeyFromCertificateFile(junk), kVQKeychainTrustFailed);
  EXPECT_EQ(keys.publicKey(), nullptr);
  EXPECT_EQ(keys.extractPublicKeyFromCertificateFile(cert), kVQKeychainSuccess);
  EXPECT_NE(keys.publicKey(), nullptr);
  EXPECT_EQ(keys.extractPublicKeyFromCertificateFile(cert), -1);

  EXPECT_EQ(keys.extractEveryThingFromPKCS12File(p12, "wrong"), kVQKeychainTrustFailed);
  EXPECT_EQ(keys.privateKey(), nullptr);
  EXPECT_EQ(keys.extractEveryThingFromPKCS12File(dir.filePath("missing"), "pw"), -1);
  EXPECT_EQ(keys.extractEveryThingFromPKCS12File(p12, "pw"), kVQKeychainSuccess);
  EXPECT_NE(keys.privateKey(), nullptr);

  EXPECT_FALSE(keys.loadPrivateKey(p12, "wrong"));
  EXPECT_EQ(keys.privateKey(), nullptr);
  EXPECT_TRUE(keys.loadPrivateKey(p12, "pw"));
  EXPECT_TRUE(keys.loadPublicKeyWithFilePath(cert));
  EXPECT_FALSE(keys.loadPublicKeyWithFilePath(junk));
  EXPECT_EQ(keys.publicKey(), nullptr);
}

}  // namespace

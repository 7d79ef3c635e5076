#include "helpers/VQKeychain.h"

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/pkcs12.h>
#include <openssl/x509.h>
#include <openssl/x509_vfy.h>

#include <QCoreApplication>
#include <QFile>

namespace vq::app {

namespace {

constexpr const char* kService = "VQService";

void report(VQKeychainError* error, int code) {
  if (error) error->code = code;
}

std::optional<QByteArray> readAll(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
  return file.readAll();
}

X509* readCertificate(const QByteArray& bytes) {
  BIO* bio = BIO_new_mem_buf(bytes.constData(), int(bytes.size()));
  X509* cert = PEM_read_bio_X509(bio, nullptr, nullptr, nullptr);
  BIO_free(bio);
  if (cert) return cert;
  const unsigned char* p = reinterpret_cast<const unsigned char*>(bytes.constData());
  return d2i_X509(nullptr, &p, long(bytes.size()));
}

struct Pkcs12 {
  EVP_PKEY* key = nullptr;
  X509* cert = nullptr;
  STACK_OF(X509) * chain = nullptr;
  ~Pkcs12() {
    EVP_PKEY_free(key);
    X509_free(cert);
    sk_X509_pop_free(chain, X509_free);
  }
};

bool parsePkcs12(const QByteArray& bytes, const QString& passphrase, Pkcs12& out) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(bytes.constData());
  PKCS12* p12 = d2i_PKCS12(nullptr, &p, long(bytes.size()));
  if (!p12) return false;
  const bool ok = PKCS12_parse(p12, passphrase.toUtf8().constData(), &out.key, &out.cert, &out.chain) == 1;
  PKCS12_free(p12);
  return ok && out.key && out.cert;
}

// The certificate verifies against the anchors (itself when none are given).
bool trusted(X509* cert, STACK_OF(X509) * anchors) {
  X509_STORE* store = X509_STORE_new();
  X509_STORE_add_cert(store, cert);
  for (int i = 0; anchors && i < sk_X509_num(anchors); ++i) X509_STORE_add_cert(store, sk_X509_value(anchors, i));
  X509_STORE_CTX* ctx = X509_STORE_CTX_new();
  bool ok = X509_STORE_CTX_init(ctx, store, cert, anchors) == 1;
  ok = ok && X509_verify_cert(ctx) == 1;
  X509_STORE_CTX_free(ctx);
  X509_STORE_free(store);
  return ok;
}

void replace(EVP_PKEY*& slot, EVP_PKEY* key) {
  EVP_PKEY_free(slot);
  slot = key;
}

}  // namespace

STKeychain::STKeychain() = default;

STKeychain::~STKeychain() {
  EVP_PKEY_free(privateKey_);
  EVP_PKEY_free(publicKey_);
}

bool STKeychain::getKeychainItemReferenceForUsername(const QString& username, const QString& serviceName,
                                                     VQKeychainError* error) {
  if (username.isEmpty() || serviceName.isEmpty()) {
    report(error, kVQKeychainParam);
    return false;
  }
  int status = kVQKeychainSuccess;
  const bool found = VQSecretStore::shared()->find(serviceName, username, &status).has_value();
  report(error, status == kVQKeychainItemNotFound ? kVQKeychainSuccess : status);
  return found;
}

std::optional<QString> STKeychain::getPasswordForUsername(const QString& username, const QString& serviceName,
                                                          VQKeychainError* error) {
  if (username.isEmpty() || serviceName.isEmpty()) {
    report(error, kVQKeychainParam);
    return std::nullopt;
  }
  int status = kVQKeychainSuccess;
  const auto secret = VQSecretStore::shared()->find(serviceName, username, &status);
  report(error, status);
  if (!secret) return std::nullopt;
  return QString::fromUtf8(*secret);
}

bool STKeychain::storeUsername(const QString& username, const QString& password, const QString& serviceName,
                               bool updateExisting, VQKeychainError* error) {
  if (username.isEmpty() || password.isNull() || serviceName.isEmpty()) {
    report(error, kVQKeychainParam);
    return false;
  }
  const auto store = VQSecretStore::shared();
  int status = kVQKeychainSuccess;
  const bool exists = store->find(serviceName, username, &status).has_value();
  if (!exists && status != kVQKeychainItemNotFound) {
    report(error, status);
    return false;
  }
  if (exists && !updateExisting) {
    report(error, kVQKeychainDuplicateItem);
    return false;
  }
  status = store->store(serviceName, username, password.toUtf8());
  report(error, status);
  return status == kVQKeychainSuccess;
}

bool STKeychain::deleteItemForUsername(const QString& username, const QString& serviceName, VQKeychainError* error) {
  if (username.isEmpty() || serviceName.isEmpty()) {
    report(error, kVQKeychainParam);
    return false;
  }
  const int status = VQSecretStore::shared()->remove(serviceName, username);
  report(error, status);
  return status == kVQKeychainSuccess;
}

int STKeychain::extractEveryThingFromPKCS12File(const QString& path, const QString& passphrase) {
  const auto bytes = readAll(path);
  if (privateKey_ || !bytes) return -1;
  Pkcs12 p12;
  if (!parsePkcs12(*bytes, passphrase, p12)) return kVQKeychainTrustFailed;
  if (!trusted(p12.cert, p12.chain)) return kVQKeychainTrustFailed;
  replace(privateKey_, p12.key);
  p12.key = nullptr;
  return kVQKeychainSuccess;
}

int STKeychain::extractPublicKeyFromCertificateFile(const QString& path) {
  const auto bytes = readAll(path);
  if (publicKey_ || !bytes) return -1;
  X509* cert = readCertificate(*bytes);
  if (!cert) return kVQKeychainTrustFailed;
  const bool ok = trusted(cert, nullptr);
  if (ok) replace(publicKey_, X509_get_pubkey(cert));
  X509_free(cert);
  return ok ? kVQKeychainSuccess : kVQKeychainTrustFailed;
}

bool STKeychain::loadPublicKeyWithFilePath(const QString& path) {
  replace(publicKey_, nullptr);
  const auto bytes = readAll(path);
  X509* cert = bytes ? readCertificate(*bytes) : nullptr;
  if (!cert) return false;
  replace(publicKey_, X509_get_pubkey(cert));
  X509_free(cert);
  return publicKey_ != nullptr;
}

bool STKeychain::loadPrivateKey(const QString& path, const QString& password) {
  replace(privateKey_, nullptr);
  const auto bytes = readAll(path);
  Pkcs12 p12;
  if (!bytes || !parsePkcs12(*bytes, password, p12)) return false;
  replace(privateKey_, p12.key);
  p12.key = nullptr;
  return true;
}

QString VQCKeyChain::appName() {
  const QString name = QCoreApplication::applicationName();
  return name.isEmpty() ? QStringLiteral("Vellumate") : name;
}

QString VQCKeyChain::accountForKey(const QString& key) { return QString("%1 - %2").arg(appName(), key); }

bool VQCKeyChain::storeData(const QByteArray& data, const QString& key) {
  if (key.isEmpty() || data.isNull()) return false;
  return VQSecretStore::shared()->store(kService, accountForKey(key), data) == kVQKeychainSuccess;
}

bool VQCKeyChain::storeString(const QString& string, const QString& key) {
  return !string.isNull() && storeData(string.toUtf8(), key);
}

std::optional<QByteArray> VQCKeyChain::getDataWithKey(const QString& key) {
  if (key.isEmpty()) return std::nullopt;
  return VQSecretStore::shared()->find(kService, accountForKey(key), nullptr);
}

std::optional<QString> VQCKeyChain::getStringWithKey(const QString& key) {
  const auto data = getDataWithKey(key);
  if (!data) return std::nullopt;
  return QString::fromUtf8(*data);
}

bool VQCKeyChain::deleteItemWithKey(const QString& key) {
  return !key.isEmpty() && VQSecretStore::shared()->remove(kService, accountForKey(key)) == kVQKeychainSuccess;
}

}  // namespace vq::app

#pragma once
// Passwords by user name and service, data items under a key for this
// application, and keys from PKCS#12 and certificate files.
#include <QByteArray>
#include <QString>
#include <memory>
#include <optional>

#include "helpers/VQSecretStore.h"

typedef struct evp_pkey_st EVP_PKEY;

namespace vq::app {

struct VQKeychainError {
  QString domain = QStringLiteral("STKeychainErrorDomain");
  int code = 0;
};

class STKeychain {
 public:
  STKeychain();
  ~STKeychain();
  STKeychain(const STKeychain&) = delete;
  STKeychain& operator=(const STKeychain&) = delete;

  // Whether the item exists; false with no error when it does not.
  static bool getKeychainItemReferenceForUsername(const QString& username, const QString& serviceName,
                                                  VQKeychainError* error);
  // The whole password; nothing when missing or on error.
  static std::optional<QString> getPasswordForUsername(const QString& username, const QString& serviceName,
                                                       VQKeychainError* error);
  // With `updateExisting` off an existing item is kept and the call fails
  // with kVQKeychainDuplicateItem. False whenever the store fails.
  static bool storeUsername(const QString& username, const QString& password, const QString& serviceName,
                            bool updateExisting, VQKeychainError* error);
  static bool deleteItemForUsername(const QString& username, const QString& serviceName, VQKeychainError* error);

  // Status 0 when the file's key is taken, -1 when a key is already held or
  // the file cannot be read, kVQKeychainTrustFailed when it does not verify.
  int extractEveryThingFromPKCS12File(const QString& path, const QString& passphrase);
  int extractPublicKeyFromCertificateFile(const QString& path);
  // Replace the held key without judging trust; false when nothing was read.
  bool loadPublicKeyWithFilePath(const QString& path);
  bool loadPrivateKey(const QString& path, const QString& password);

  EVP_PKEY* privateKey() const { return privateKey_; }
  EVP_PKEY* publicKey() const { return publicKey_; }

 private:
  EVP_PKEY* privateKey_ = nullptr;
  EVP_PKEY* publicKey_ = nullptr;
};

// Items with the service "VQService" and the account "<app name> - <key>".
class VQCKeyChain {
 public:
  static bool storeData(const QByteArray& data, const QString& key);
  static bool storeString(const QString& string, const QString& key);
  static std::optional<QByteArray> getDataWithKey(const QString& key);
  static std::optional<QString> getStringWithKey(const QString& key);
  static bool deleteItemWithKey(const QString& key);
  static QString appName();
  static QString accountForKey(const QString& key);
};

}  // namespace vq::app

#pragma once
// Where passwords and small secrets live: an interface with the desktop's
// secret service behind it and an in-memory store for tests.
#include <QByteArray>
#include <QHash>
#include <QMutex>
#include <QString>
#include <memory>
#include <optional>
#include <utility>

namespace vq::app {

// Status codes shared by the keychain classes.
inline constexpr int kVQKeychainSuccess = 0;
inline constexpr int kVQKeychainParam = -2000;
inline constexpr int kVQKeychainDuplicateItem = -25299;
inline constexpr int kVQKeychainItemNotFound = -25300;
inline constexpr int kVQKeychainUnavailable = -25291;
inline constexpr int kVQKeychainTrustFailed = -67808;

class VQSecretStore {
 public:
  virtual ~VQSecretStore() = default;
  // The secret under (service, account); nothing with kVQKeychainItemNotFound
  // or another status in `status`.
  virtual std::optional<QByteArray> find(const QString& service, const QString& account, int* status) = 0;
  // Adds or replaces the secret; the status.
  virtual int store(const QString& service, const QString& account, const QByteArray& secret) = 0;
  // Removes the secret; kVQKeychainItemNotFound when there was none.
  virtual int remove(const QString& service, const QString& account) = 0;

  // The store the keychain classes use: the secret service unless replaced.
  static std::shared_ptr<VQSecretStore> shared();
  static void setShared(std::shared_ptr<VQSecretStore> store);
};

class VQMemorySecretStore : public VQSecretStore {
 public:
  std::optional<QByteArray> find(const QString& service, const QString& account, int* status) override;
  int store(const QString& service, const QString& account, const QByteArray& secret) override;
  int remove(const QString& service, const QString& account) override;

 private:
  QMutex mutex_;
  QHash<std::pair<QString, QString>, QByteArray> items_;
};

// The desktop's secret service through libsecret; without a running service
// every call reports kVQKeychainUnavailable.
class VQLibsecretStore : public VQSecretStore {
 public:
  std::optional<QByteArray> find(const QString& service, const QString& account, int* status) override;
  int store(const QString& service, const QString& account, const QByteArray& secret) override;
  int remove(const QString& service, const QString& account) override;
};

}  // namespace vq::app

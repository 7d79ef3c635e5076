#include "helpers/VQSecretStore.h"

// GLib uses "signals" as a field name, which Qt defines as a macro.
#pragma push_macro("signals")
#undef signals
#include <libsecret/secret.h>
#pragma pop_macro("signals")

namespace vq::app {

namespace {

QMutex sharedMutex;
std::shared_ptr<VQSecretStore> sharedStore;

const SecretSchema* schema() {
  static const SecretSchema s = {"org.vellumate.Password",
                                 SECRET_SCHEMA_NONE,
                                 {{"service", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                  {"account", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                  {nullptr, SECRET_SCHEMA_ATTRIBUTE_STRING}},
                                 0,
                                 nullptr,
                                 nullptr,
                                 nullptr,
                                 nullptr,
                                 nullptr,
                                 nullptr,
                                 nullptr};
  return &s;
}

void set(int* status, int value) {
  if (status) *status = value;
}

}  // namespace

std::shared_ptr<VQSecretStore> VQSecretStore::shared() {
  const QMutexLocker lock(&sharedMutex);
  if (!sharedStore) sharedStore = std::make_shared<VQLibsecretStore>();
  return sharedStore;
}

void VQSecretStore::setShared(std::shared_ptr<VQSecretStore> store) {
  const QMutexLocker lock(&sharedMutex);
  sharedStore = std::move(store);
}

std::optional<QByteArray> VQMemorySecretStore::find(const QString& service, const QString& account, int* status) {
  const QMutexLocker lock(&mutex_);
  const auto it = items_.constFind({service, account});
  if (it == items_.constEnd()) {
    set(status, kVQKeychainItemNotFound);
    return std::nullopt;
  }
  set(status, kVQKeychainSuccess);
  return *it;
}

int VQMemorySecretStore::store(const QString& service, const QString& account, const QByteArray& secret) {
  const QMutexLocker lock(&mutex_);
  items_.insert({service, account}, secret);
  return kVQKeychainSuccess;
}

int VQMemorySecretStore::remove(const QString& service, const QString& account) {
  const QMutexLocker lock(&mutex_);
  return items_.remove({service, account}) ? kVQKeychainSuccess : kVQKeychainItemNotFound;
}

// Secrets go in as Base64 text so that any bytes survive the text interface.
std::optional<QByteArray> VQLibsecretStore::find(const QString& service, const QString& account, int* status) {
  GError* error = nullptr;
  gchar* text = secret_password_lookup_sync(schema(), nullptr, &error, "service", service.toUtf8().constData(),
                                            "account", account.toUtf8().constData(), nullptr);
  if (error) {
    g_error_free(error);
    set(status, kVQKeychainUnavailable);
    return std::nullopt;
  }
  if (!text) {
    set(status, kVQKeychainItemNotFound);
    return std::nullopt;
  }
  const QByteArray secret = QByteArray::fromBase64(QByteArray(text));
  secret_password_free(text);
  set(status, kVQKeychainSuccess);
  return secret;
}

int VQLibsecretStore::store(const QString& service, const QString& account, const QByteArray& secret) {
  GError* error = nullptr;
  const QString label = QString("%1 - %2").arg(service, account);
  const gboolean ok = secret_password_store_sync(
      schema(), SECRET_COLLECTION_DEFAULT, label.toUtf8().constData(), secret.toBase64().constData(), nullptr, &error,
      "service", service.toUtf8().constData(), "account", account.toUtf8().constData(), nullptr);
  if (error) g_error_free(error);
  return ok ? kVQKeychainSuccess : kVQKeychainUnavailable;
}

int VQLibsecretStore::remove(const QString& service, const QString& account) {
  GError* error = nullptr;
  const gboolean removed =
      secret_password_clear_sync(schema(), nullptr, &error, "service", service.toUtf8().constData(), "account",
                                 account.toUtf8().constData(), nullptr);
  if (error) {
    g_error_free(error);
    return kVQKeychainUnavailable;
  }
  return removed ? kVQKeychainSuccess : kVQKeychainItemNotFound;
}

}  // namespace vq::app

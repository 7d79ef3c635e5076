#include "core/VQUserDefaults.h"

#include <QCoreApplication>

namespace vq::app {

namespace {
std::unique_ptr<QSettings>& storage() {
  static std::unique_ptr<QSettings> settings;
  return settings;
}
}  // namespace

QSettings& VQUserDefaults::store() {
  auto& settings = storage();
  if (!settings)
    settings = std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, "vellumate", "vellumate");
  return *settings;
}

void VQUserDefaults::useFile(const QString& path) {
  if (path.isEmpty()) storage().reset();
  else storage() = std::make_unique<QSettings>(path, QSettings::IniFormat);
}

bool VQUserDefaults::set(const QString& key, const QVariant& value) {
  store().setValue(key, value);
  store().sync();
  return store().status() == QSettings::NoError;
}

bool VQUserDefaults::remove(const QString& key) {
  store().remove(key);
  store().sync();
  return store().status() == QSettings::NoError;
}

QVariant VQUserDefaults::valueOrStoredDefault(const QString& key, const QVariant& defaultValue) {
  QSettings& settings = store();
  if (settings.contains(key)) return settings.value(key);
  set(key, defaultValue);
  return defaultValue;
}

namespace {
QVariant valueOrStoredDefault(const QString& key, const QVariant& defaultValue) {
  return VQUserDefaults::valueOrStoredDefault(key, defaultValue);
}
}  // namespace

bool VQCUtilities::boolValueForKey(const QString& key, bool defaultValue) {
  return valueOrStoredDefault(key, defaultValue).toBool();
}

int VQCUtilities::intValueForKey(const QString& key, int defaultValue) {
  bool ok = false;
  int value = valueOrStoredDefault(key, defaultValue).toInt(&ok);
  return ok ? value : defaultValue;
}

qint64 VQCUtilities::integerValueForKey(const QString& key, qint64 defaultValue) {
  bool ok = false;
  qint64 value = valueOrStoredDefault(key, defaultValue).toLongLong(&ok);
  return ok ? value : defaultValue;
}

float VQCUtilities::floatValueForKey(const QString& key, float defaultValue) {
  bool ok = false;
  float value = valueOrStoredDefault(key, defaultValue).toFloat(&ok);
  return ok ? value : defaultValue;
}

QString VQCUtilities::stringValueForKey(const QString& key, const QString& defaultValue) {
  if (defaultValue.isNull() && !VQUserDefaults::store().contains(key)) return QString();
  return valueOrStoredDefault(key, defaultValue).toString();
}

QString vqLocalized(const char* text) { return QCoreApplication::translate("VQLocalizable", text); }

}  // namespace vq::app

#include "core/VQSandBoxUtilities.h"

#include <unistd.h>

#include <QDir>
#include <QFileInfo>

#include "core/VQUserDefaults.h"

namespace vq::app {

QString VQSandBoxUtilities::UserSelectedOutputURLBookmark() {
  const QString path = VQUserDefaults::store().value(kDefaulExportDirectory).toString();
  if (path.isEmpty() || !QFileInfo(path).isDir()) return QString();
  return path;
}

bool VQSandBoxUtilities::isReadAndWritableUserSelectedOutputURLBookmark() {
  return isReadAndWritableUserSelectedOutputURL(UserSelectedOutputURLBookmark());
}

bool VQSandBoxUtilities::isReadAndWritableUserSelectedOutputURL(const QString& folder) {
  if (folder.isEmpty()) return false;
  // Creating a file in a folder needs search permission as well as write.
  return ::access(QFile::encodeName(folder).constData(), R_OK | W_OK | X_OK) == 0;
}

bool VQSandBoxUtilities::SaveUserSelectedOutputURLBookmark(const QString& folder) {
  if (folder.isEmpty()) return false;
  return VQUserDefaults::set(kDefaulExportDirectory, QDir(folder).absolutePath());
}

bool VQSandBoxUtilities::RemoveUserSelectedOutputURLBookmark() {
  return VQUserDefaults::remove(kDefaulExportDirectory);
}

QString VQSandBoxUtilities::outputFolder() {
  const QString chosen = UserSelectedOutputURLBookmark();
  if (!chosen.isEmpty()) return chosen;
  const QString downloads = QDir::home().filePath("Downloads");
  QDir().mkpath(downloads);
  return downloads;
}

}  // namespace vq::app

#include "ui/VQDesktopWorkspace.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

namespace vq::app {

bool VQDesktopWorkspace::openFile(const QString& path) {
  if (path.isEmpty() || !QFileInfo::exists(path)) return false;
  return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

bool VQDesktopWorkspace::revealFile(const QString& path) {
  // Without a portable way to select a file in the file manager, its folder is opened.
  const QFileInfo info(path);
  if (path.isEmpty() || !info.exists()) return false;
  return QDesktopServices::openUrl(QUrl::fromLocalFile(info.absolutePath()));
}

}  // namespace vq::app

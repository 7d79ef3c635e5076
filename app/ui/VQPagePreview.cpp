#include "ui/VQPagePreview.h"

#include <QCache>
#include <QImage>

#include "ui/VQIcons.h"
#include "vqpapyrant/VQDocuments.h"

namespace vq::app {

QPixmap VQSourceFilePreview(const VQSourceFileItemRef& item, int size) {
  // Enough pixels for a thumbnail of any usual page size without drawing more.
  constexpr double kDPI = 24;
  static QCache<QString, QPixmap> cache(32);
  const QString key = item->sourcePath() + '\n' + item->sourcePassword() + '\n' + QString::number(size);
  if (QPixmap* found = cache.object(key)) return *found;
  const std::optional<VQPageImage> page =
      VQRenderPDFPageImage(item->sourcePath().toStdString(), item->sourcePassword().toStdString(), 1, kDPI);
  if (!page) return VQImageNamed(item->sourceFileIcon(), size);
  const QImage image(page->rgb.data(), page->width, page->height, static_cast<qsizetype>(page->stride),
                     QImage::Format_RGB888);
  // The copy owns its pixels; the bitmap goes when this returns.
  QPixmap preview = QPixmap::fromImage(image.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation).copy());
  cache.insert(key, new QPixmap(preview));
  return preview;
}

}  // namespace vq::app

#include "ui/VQPagePreview.h"

#include <QCache>
#include <QImage>

#include "platform/graphics/VQPageRenderer.h"
#include "ui/VQIcons.h"

namespace vq::app {

QPixmap VQSourceFilePreview(const VQSourceFileItemRef& item, int size) {
  // Enough pixels for a thumbnail of any usual page size without drawing more.
  constexpr double kDPI = 24;
  static QCache<QString, QPixmap> cache(32);
  const QString key = item->sourcePath() + '\n' + item->sourcePassword() + '\n' + QString::number(size);
  if (QPixmap* found = cache.object(key)) return *found;
  std::optional<Bitmap> page =
      RenderPDFPage(item->sourcePath().toStdString(), item->sourcePassword().toStdString(), 1, kDPI, kDPI);
  if (!page || page->empty() || page->format != PixelFormat::RGB8) return VQImageNamed(item->sourceFileIcon(), size);
  const QImage image(page->pixels.data(), page->width, page->height, static_cast<qsizetype>(page->stride),
                     QImage::Format_RGB888);
  // The copy owns its pixels; the bitmap goes when this returns.
  QPixmap preview = QPixmap::fromImage(image.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation).copy());
  cache.insert(key, new QPixmap(preview));
  return preview;
}

}  // namespace vq::app

#include "ui/VQIcons.h"

#include <QHash>
#include <QPainter>
#include <QPainterPath>

namespace vq::app {

namespace {
struct Badge {
  const char* label;
  QColor colour;
};

// A document sheet with a folded corner and a coloured band naming the format.
QPixmap drawDocument(const Badge& badge, int size, bool locked) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  const qreal w = size * 0.72, h = size * 0.92, x = (size - w) / 2, y = (size - h) / 2, fold = w * 0.28;
  QPainterPath sheet;
  sheet.moveTo(x, y);
  sheet.lineTo(x + w - fold, y);
  sheet.lineTo(x + w, y + fold);
  sheet.lineTo(x + w, y + h);
  sheet.lineTo(x, y + h);
  sheet.closeSubpath();
  painter.setPen(QPen(QColor(150, 150, 150), 1));
  painter.setBrush(Qt::white);
  painter.drawPath(sheet);
  painter.drawLine(QPointF(x + w - fold, y), QPointF(x + w - fold, y + fold));
  painter.drawLine(QPointF(x + w - fold, y + fold), QPointF(x + w, y + fold));
  const QRectF band(x - size * 0.06, y + h * 0.52, w + size * 0.12, h * 0.28);
  painter.setPen(Qt::NoPen);
  painter.setBrush(badge.colour);
  painter.drawRoundedRect(band, 2, 2);
  QFont font = painter.font();
  font.setBold(true);
  font.setPixelSize(std::max(6, static_cast<int>(band.height() * 0.7)));
  painter.setFont(font);
  painter.setPen(Qt::white);
  painter.drawText(band, Qt::AlignCenter, badge.label);
  if (locked) {
    const QRectF body(x + w * 0.3, y + h * 0.18, w * 0.4, h * 0.24);
    painter.setPen(QPen(QColor(90, 90, 90), std::max(1.0, size / 24.0)));
    painter.setBrush(Qt::NoBrush);
    painter.drawArc(
        QRectF(body.x() + body.width() * 0.2, body.y() - body.height() * 0.6, body.width() * 0.6, body.height() * 1.2),
        0, 180 * 16);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(90, 90, 90));
    painter.drawRoundedRect(body, 1.5, 1.5);
  }
  return pixmap;
}

// A round mark: a check for success, a cross for failure, a clock face for waiting.
QPixmap drawMark(const QString& name, int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  const QRectF circle(1, 1, size - 2, size - 2);
  const QColor colour = name == "status_success"   ? QColor(52, 168, 83)
                        : name == "status_failure" ? QColor(217, 48, 37)
                                                   : QColor(140, 140, 140);
  painter.setPen(Qt::NoPen);
  painter.setBrush(colour);
  painter.drawEllipse(circle);
  painter.setPen(QPen(Qt::white, std::max(1.5, size / 8.0), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  const qreal s = size;
  if (name == "status_success") {
    painter.drawPolyline(
        QPolygonF({QPointF(s * 0.28, s * 0.52), QPointF(s * 0.44, s * 0.68), QPointF(s * 0.72, s * 0.34)}));
  } else if (name == "status_failure") {
    painter.drawLine(QPointF(s * 0.33, s * 0.33), QPointF(s * 0.67, s * 0.67));
    painter.drawLine(QPointF(s * 0.67, s * 0.33), QPointF(s * 0.33, s * 0.67));
  } else {
    painter.drawLine(QPointF(s * 0.5, s * 0.5), QPointF(s * 0.5, s * 0.26));
    painter.drawLine(QPointF(s * 0.5, s * 0.5), QPointF(s * 0.68, s * 0.58));
  }
  return pixmap;
}

const QHash<QString, Badge>& badges() {
  static const QHash<QString, Badge> table = {
      {"icon_pdf", {"PDF", QColor(200, 40, 40)}},    {"icon_pdf_pw", {"PDF", QColor(200, 40, 40)}},
      {"icon_docx", {"DOCX", QColor(43, 87, 154)}},  {"icon_pptx", {"PPTX", QColor(208, 71, 38)}},
      {"icon_xlsx", {"XLSX", QColor(33, 115, 70)}},  {"icon_csv", {"CSV", QColor(60, 140, 90)}},
      {"icon_txt", {"TXT", QColor(100, 100, 100)}},  {"icon_rtf", {"RTF", QColor(70, 90, 160)}},
      {"icon_html", {"HTML", QColor(227, 120, 30)}}, {"icon_image", {"IMG", QColor(120, 70, 170)}},
      {"icon_jpeg", {"JPEG", QColor(120, 70, 170)}}, {"icon_png", {"PNG", QColor(120, 70, 170)}},
      {"icon_bmp", {"BMP", QColor(120, 70, 170)}},   {"icon_gif", {"GIF", QColor(120, 70, 170)}},
      {"icon_tiff", {"TIFF", QColor(120, 70, 170)}}, {"icon_tga", {"TGA", QColor(120, 70, 170)}},
      {"icon_j2k", {"JP2", QColor(120, 70, 170)}},   {"icon_unknown", {"?", QColor(150, 150, 150)}},
      {"default-eye", {"", QColor(210, 210, 210)}},
  };
  return table;
}
}  // namespace

QPixmap VQImageNamed(const QString& name, int size) {
  static QHash<QString, QPixmap> cache;
  const QString key = name + "@" + QString::number(size);
  auto found = cache.find(key);
  if (found != cache.end()) return *found;
  QPixmap pixmap;
  if (name.startsWith("status_") || name == "POI_History") pixmap = drawMark(name, size);
  else pixmap = drawDocument(badges().value(name, Badge{"", QColor(150, 150, 150)}), size, name == "icon_pdf_pw");
  cache.insert(key, pixmap);
  return pixmap;
}

}  // namespace vq::app

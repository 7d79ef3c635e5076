#include "ui/VQSourceRowDelegate.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>

#include "ui/VQIcons.h"
#include "ui/VQSourceListModel.h"

namespace vq::app {

VQSourceRowDelegate::VQSourceRowDelegate(VQSourceListModel* model, QObject* parent)
    : QStyledItemDelegate(parent), model_(model) {}

QSize VQSourceRowDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const {
  return QSize(option.rect.width(), kRowHeight);
}

QRect VQSourceRowDelegate::removeRect(const QRect& row) {
  return QRect(row.right() - 22, row.top() + (row.height() - 16) / 2, 16, 16);
}

QRect VQSourceRowDelegate::outputIconRect(const QRect& row) {
  return QRect(row.right() - 64, row.top() + (row.height() - 36) / 2, 36, 36);
}

void VQSourceRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
  const VQSourceFileItemRef item = model_->itemAt(index.row());
  if (!item) return;
  const QRect row = option.rect;
  const bool selected = option.state & QStyle::State_Selected;
  const bool hovered = option.state & QStyle::State_MouseOver;
  painter->save();
  painter->setRenderHint(QPainter::Antialiasing);
  painter->fillRect(row, Qt::white);
  if (selected) {
    painter->fillRect(row.adjusted(0, 0, 0, -1), QColor::fromRgbF(0.42, 0.68, 0.88, 0.6));
  } else if (hovered) {
    painter->fillRect(row, QColor::fromRgbF(0.5, 0.5, 0.5, 0.12));
  }
  painter->setPen(QColor::fromRgbF(0.8, 0.8, 0.8));
  painter->drawLine(row.bottomLeft(), row.bottomRight());

  painter->drawPixmap(row.left() + 8, row.top() + 6, VQImageNamed(item->sourceFileIcon(), 40));
  const int textLeft = row.left() + 56;
  const int textWidth = std::max(40, outputIconRect(row).left() - 8 - textLeft);
  QFont title = option.font;
  title.setBold(true);
  painter->setFont(title);
  painter->setPen(Qt::black);
  const QFontMetrics titleMetrics(title);
  painter->drawText(QRect(textLeft, row.top() + 3, textWidth, 17), Qt::AlignLeft | Qt::AlignVCenter,
                    titleMetrics.elidedText(item->fileName(), Qt::ElideMiddle, textWidth));
  QFont small = option.font;
  small.setPointSizeF(std::max(6.0, option.font.pointSizeF() - 1.5));
  painter->setFont(small);
  const QFontMetrics smallMetrics(small);
  painter->setPen(QColor(90, 90, 90));
  painter->drawText(QRect(textLeft, row.top() + 19, textWidth, 15), Qt::AlignLeft | Qt::AlignVCenter,
                    smallMetrics.elidedText(item->sourceInfo(), Qt::ElideRight, textWidth));

  const QRect statusLine(textLeft, row.top() + 34, textWidth, 14);
  const double progress = model_->progress(item);
  if (progress >= 0) {
    // The numbers beside the bar: "page 2 of 5".
    const QString text = model_->progressText(item);
    const int textWidth = text.isEmpty() ? 0 : smallMetrics.horizontalAdvance(text) + 8;
    painter->drawText(QRect(statusLine.right() - textWidth + 1, statusLine.top(), textWidth, statusLine.height()),
                      Qt::AlignRight | Qt::AlignVCenter, text);
    QStyleOptionProgressBar bar;
    bar.rect = statusLine.adjusted(0, 3, -textWidth, -3);
    bar.minimum = 0;
    bar.maximum = 1000;
    bar.progress = static_cast<int>(std::clamp(progress, 0.0, 100.0) * 10);
    bar.state = QStyle::State_Enabled | QStyle::State_Horizontal;
    QApplication::style()->drawControl(QStyle::CE_ProgressBar, &bar, painter);
  } else {
    QString mark = "POI_History";
    if (item->currentResult()) mark = item->failureReason().isEmpty() ? "status_success" : "status_failure";
    painter->drawPixmap(statusLine.left(), statusLine.top() + 1, VQImageNamed(mark, 12));
    if (mark == "status_failure") painter->setPen(QColor(170, 40, 30));
    const QRect text = statusLine.adjusted(16, 0, 0, 0);
    painter->drawText(text, Qt::AlignLeft | Qt::AlignVCenter,
                      smallMetrics.elidedText(item->conversionOptions(), Qt::ElideRight, text.width()));
  }

  QPixmap output = VQImageNamed(item->outputFileIcon(), 36);
  painter->setOpacity(item->outputFileIconEnable() ? 1.0 : 0.45);
  painter->drawPixmap(outputIconRect(row), output);
  painter->setOpacity(1.0);
  if (hovered) {
    const QRect remove = removeRect(row);
    painter->setPen(Qt::NoPen);
    painter->setBrush(QColor(150, 150, 150));
    painter->drawEllipse(remove);
    painter->setPen(QPen(Qt::white, 1.6));
    painter->drawLine(remove.center() + QPoint(-3, -3), remove.center() + QPoint(3, 3));
    painter->drawLine(remove.center() + QPoint(3, -3), remove.center() + QPoint(-3, 3));
  }
  painter->restore();
}

bool VQSourceRowDelegate::editorEvent(QEvent* event, QAbstractItemModel*, const QStyleOptionViewItem& option,
                                      const QModelIndex& index) {
  if (event->type() != QEvent::MouseButtonRelease) return false;
  const auto* mouse = static_cast<QMouseEvent*>(event);
  if (mouse->button() != Qt::LeftButton) return false;
  const VQSourceFileItemRef item = model_->itemAt(index.row());
  if (!item) return false;
  if (removeRect(option.rect).contains(mouse->position().toPoint())) {
    emit removeRequested(item);
    return true;
  }
  if (outputIconRect(option.rect).contains(mouse->position().toPoint()) && item->outputFileIconEnable()) {
    emit openOutputRequested(item);
    return true;
  }
  return false;
}

}  // namespace vq::app

#pragma once
// Paints one source row: the file's icon, name and info, its status line (or
// a progress bar while it converts), the output format's icon, and a remove
// mark while the pointer is over the row.
#include <QStyledItemDelegate>

#include "core/VQSourceFileItem.h"

namespace vq::app {

class VQSourceListModel;

class VQSourceRowDelegate : public QStyledItemDelegate {
  Q_OBJECT
 public:
  static constexpr int kRowHeight = 52;
  VQSourceRowDelegate(VQSourceListModel* model, QObject* parent);

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;

  static QRect removeRect(const QRect& row);
  static QRect outputIconRect(const QRect& row);

 signals:
  void removeRequested(const vq::app::VQSourceFileItemRef& item);
  void openOutputRequested(const vq::app::VQSourceFileItemRef& item);

 private:
  VQSourceListModel* model_;
};

}  // namespace vq::app

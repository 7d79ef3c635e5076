#pragma once
// The items of the source list as a Qt model: rows are items in list order.
// Files dropped between rows are handed on with their drop row; rows dragged
// within the list move there.
#include <QAbstractListModel>
#include <map>
#include <set>
#include <vector>

#include "core/VQSourceFileItem.h"

namespace vq::app {

inline constexpr const char* kMovedRowsMimeType = "application/x-vellumate-moved-rows";

class VQSourceListModel : public QAbstractListModel {
  Q_OBJECT
 public:
  enum Role { ProgressRole = Qt::UserRole + 1 };
  using QAbstractListModel::QAbstractListModel;

  const std::vector<VQSourceFileItemRef>& items() const { return items_; }
  VQSourceFileItemRef itemAt(int row) const;
  int rowOf(const VQSourceFileItemRef& item) const;
  // Each item goes in at `row` in turn, so the batch ends up there in reverse order.
  void insertItemsAtRow(const std::vector<VQSourceFileItemRef>& items, int row);
  void removeItems(const std::vector<VQSourceFileItemRef>& items);
  void removeAll();
  void moveRowsToDropRow(const std::set<int>& rows, int dropRow);
  void refresh(const VQSourceFileItemRef& item);
  void refreshAll();
  // A negative progress: the row shows its status line, not a bar.
  void setProgress(const VQSourceFileItemRef& item, double progress);
  double progress(const VQSourceFileItemRef& item) const;
  void clearProgress();

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  QStringList mimeTypes() const override;
  QMimeData* mimeData(const QModelIndexList& indexes) const override;
  bool canDropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                       const QModelIndex& parent) const override;
  bool dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                    const QModelIndex& parent) override;
  Qt::DropActions supportedDropActions() const override { return Qt::CopyAction | Qt::MoveAction; }
  Qt::DropActions supportedDragActions() const override { return Qt::CopyAction | Qt::MoveAction; }

 signals:
  void filesDropped(const QStringList& paths, int row);
  void rowsMovedByDrop();

 private:
  std::vector<VQSourceFileItemRef> items_;
  // Progress of listed items only, keyed on the items themselves: an item
  // that leaves the list takes its entry along, and no later item made at
  // its address can show its progress.
  std::map<VQSourceFileItemRef, double> progress_;
};

}  // namespace vq::app

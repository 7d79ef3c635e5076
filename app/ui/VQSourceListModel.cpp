#include "ui/VQSourceListModel.h"

#include <QDataStream>
#include <QIODevice>
#include <QMimeData>
#include <QUrl>
#include <algorithm>

#include "core/VQRowMoves.h"

namespace vq::app {

VQSourceFileItemRef VQSourceListModel::itemAt(int row) const {
  return row >= 0 && row < static_cast<int>(items_.size()) ? items_[row] : nullptr;
}

int VQSourceListModel::rowOf(const VQSourceFileItemRef& item) const {
  auto found = std::find(items_.begin(), items_.end(), item);
  return found == items_.end() ? -1 : static_cast<int>(found - items_.begin());
}

void VQSourceListModel::insertItemsAtRow(const std::vector<VQSourceFileItemRef>& items, int row) {
  row = std::clamp(row, 0, static_cast<int>(items_.size()));
  for (const auto& item : items) {
    beginInsertRows(QModelIndex(), row, row);
    items_.insert(items_.begin() + row, item);
    endInsertRows();
  }
}

void VQSourceListModel::removeItems(const std::vector<VQSourceFileItemRef>& items) {
  for (const auto& item : items) {
    const int row = rowOf(item);
    if (row < 0) continue;
    beginRemoveRows(QModelIndex(), row, row);
    progress_.erase(item);
    items_.erase(items_.begin() + row);
    endRemoveRows();
  }
}

void VQSourceListModel::removeAll() {
  beginResetModel();
  items_.clear();
  progress_.clear();
  endResetModel();
}

void VQSourceListModel::moveRowsToDropRow(const std::set<int>& rows, int dropRow) {
  beginResetModel();
  MoveRows(items_, rows, dropRow);
  endResetModel();
}

void VQSourceListModel::refresh(const VQSourceFileItemRef& item) {
  const int row = rowOf(item);
  if (row >= 0) emit dataChanged(index(row), index(row));
}

void VQSourceListModel::refreshAll() {
  if (!items_.empty()) emit dataChanged(index(0), index(static_cast<int>(items_.size()) - 1));
}

void VQSourceListModel::setProgress(const VQSourceFileItemRef& item, double progress) {
  if (!item) return;
  if (progress < 0) progress_.erase(item);
  else if (rowOf(item) >= 0) progress_[item] = progress;
  refresh(item);
}

double VQSourceListModel::progress(const VQSourceFileItemRef& item) const {
  const auto it = progress_.find(item);
  return it == progress_.end() ? -1 : it->second;
}

void VQSourceListModel::clearProgress() {
  progress_.clear();
  refreshAll();
}

int VQSourceListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(items_.size());
}

QVariant VQSourceListModel::data(const QModelIndex& index, int role) const {
  const VQSourceFileItemRef item = itemAt(index.row());
  if (!item) return QVariant();
  switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
      return item->fileName();
    case ProgressRole:
      return progress(item);
    default:
      return QVariant();
  }
}

Qt::ItemFlags VQSourceListModel::flags(const QModelIndex& index) const {
  // Drops go between rows only: the list itself takes them, rows do not.
  if (!index.isValid()) return Qt::ItemIsDropEnabled;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled | Qt::ItemNeverHasChildren;
}

QStringList VQSourceListModel::mimeTypes() const { return {kMovedRowsMimeType, "text/uri-list"}; }

QMimeData* VQSourceListModel::mimeData(const QModelIndexList& indexes) const {
  auto* data = new QMimeData;
  QByteArray rows;
  QDataStream stream(&rows, QIODevice::WriteOnly);
  QList<QUrl> urls;
  for (const QModelIndex& index : indexes) {
    if (!itemAt(index.row())) continue;
    stream << qint32(index.row());
    urls << QUrl::fromLocalFile(itemAt(index.row())->sourcePath());
  }
  data->setData(kMovedRowsMimeType, rows);
  // Dragged out of the window, the rows are their source files.
  data->setUrls(urls);
  return data;
}

bool VQSourceListModel::canDropMimeData(const QMimeData* data, Qt::DropAction, int, int,
                                        const QModelIndex& parent) const {
  if (parent.isValid() || !data) return false;
  return data->hasFormat(kMovedRowsMimeType) || data->hasUrls();
}

bool VQSourceListModel::dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                                     const QModelIndex& parent) {
  if (!canDropMimeData(data, action, row, column, parent)) return false;
  if (row < 0) row = rowCount();
  if (data->hasFormat(kMovedRowsMimeType)) {
    std::set<int> rows;
    QByteArray bytes = data->data(kMovedRowsMimeType);
    QDataStream stream(&bytes, QIODevice::ReadOnly);
    while (!stream.atEnd()) {
      qint32 r = -1;
      stream >> r;
      if (stream.status() != QDataStream::Ok) break;
      if (r >= 0 && r < rowCount()) rows.insert(r);
    }
    if (rows.empty()) return false;
    moveRowsToDropRow(rows, row);
    emit rowsMovedByDrop();
    // Not reported as accepted: the view would otherwise remove the dragged rows itself.
    return false;
  }
  QStringList paths;
  for (const QUrl& url : data->urls())
    if (url.isLocalFile()) paths << url.toLocalFile();
  if (paths.isEmpty()) return false;
  emit filesDropped(paths, row);
  return true;
}

}  // namespace vq::app

#pragma once
// The left half of the window: the list of source files. New files are
// checked one at a time (locked or not printable: the password sheet) and the
// accepted ones inserted together, in the order given; the files that could
// not be added are named in one report.
#include <QDialog>
#include <QWidget>
#include <deque>
#include <functional>
#include <vector>

#include "core/VQSourceFileItem.h"

class QLabel;
class QLineEdit;
class QListView;
class QStackedLayout;

namespace vq::app {

class VQSourceListModel;

// A window-modal sheet asking for one file's password, with a notice that
// says why a password was refused.
class VQFileSheet : public QDialog {
  Q_OBJECT
 public:
  explicit VQFileSheet(QWidget* parent);
  void showItem(const VQSourceFileItemRef& item);
  const VQSourceFileItemRef& item() const { return item_; }
  QLineEdit* passwordField() const { return password_; }
  QLabel* passwordNotice() const { return notice_; }
  // The password answer: accepted when it opens the file and allows printing,
  // otherwise the notice shows and the sheet stays.
  void confirm();

 private:
  VQSourceFileItemRef item_;
  QLabel* icon_ = nullptr;
  QLabel* title_ = nullptr;
  QLabel* info_ = nullptr;
  QLineEdit* password_ = nullptr;
  QLabel* notice_ = nullptr;
};

class VQSourceFileViewController : public QWidget {
  Q_OBJECT
 public:
  explicit VQSourceFileViewController(QWidget* parent = nullptr);

  VQSourceListModel* model() const { return model_; }
  QListView* tableView() const { return view_; }
  const std::vector<VQSourceFileItemRef>& ma_sourceItems() const;

  // Files from the system, a second launch or the sample: checked, then added at the end in the order given.
  void addFilesToCheckQueue(const QStringList& paths);
  // Files dropped between rows: checked, then inserted at `row` in the order dropped.
  void addDroppedFiles(const QStringList& paths, int row);
  // The open panel.
  void sourceFileBrowse();
  void addSourceItemsToTable(const std::vector<VQSourceFileItemRef>& items, int row);
  void removeItemsFromTable(const std::vector<VQSourceFileItemRef>& items);
  void sourceFileRemoveAllFromQueue();

  std::vector<VQSourceFileItemRef> selectedItems() const;
  void selectAll();
  VQSourceFileItemRef selectedItem() const;
  void selectTableRowWithItem(const VQSourceFileItemRef& item);
  void applyFormatToAllData(const QString& format, const QString& imageType);
  void reloadTableView();
  void resetBeforeConversion();
  // Every row back to its status line; then, when `item` is given and a batch
  // runs, its row shows `progress` (0..100) and `text` beside the bar.
  void updateConversion(const VQSourceFileItemRef& item, double progress, bool converting,
                        const QString& text = QString());

  // The sheet open for a file, or none.
  VQFileSheet* openSheet() const;
  bool isCheckingFiles() const { return !batches_.empty(); }
  // Pause after a sheet closes before the check goes on (tests set 0).
  void setCheckDelay(int milliseconds) { checkDelay_ = milliseconds; }

 signals:
  void didUpdateSelection();
  void itemsChanged();
  // Files of one addition that were not added: paths that hold no file
  // (missing, or an empty folder), and files that are no PDF or cannot be read.
  void filesNotAdded(const QStringList& notFound, const QStringList& unsupported);

 private:
  // Files added together: checked in order, then inserted at one row.
  struct Batch {
    std::deque<VQSourceFileItemRef> waiting;
    std::vector<VQSourceFileItemRef> checked;
    int row = -1;  // -1: at the end
    QStringList notFound, unsupported;
  };
  void reportFilesNotAdded(const Batch& batch);
  void enqueue(Batch batch);
  void continueCheckPDFPassword();
  void sheetFinished(VQFileSheet* sheet, bool accepted);
  void showEmptyMessageIfNeeded();
  void showContextMenu(const QPoint& at);

  VQSourceListModel* model_;
  QListView* view_;
  QLabel* emptyMsg_;
  QStackedLayout* stack_;
  VQFileSheet* passwordSheet_;
  std::deque<Batch> batches_;
  int checkDelay_ = 600;
  bool checkScheduled_ = false;
};

}  // namespace vq::app

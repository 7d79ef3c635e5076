#include "ui/VQSourceFileViewController.h"

#include <QAction>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPushButton>
#include <QStackedLayout>
#include <QTimer>
#include <QVBoxLayout>

#include "core/VQCPDFUtilities.h"
#include "core/VQUserDefaults.h"
#include "core/VQWorkspace.h"
#include "ui/VQIcons.h"
#include "ui/VQSourceListModel.h"
#include "ui/VQSourceRowDelegate.h"

namespace vq::app {

VQFileSheet::VQFileSheet(QWidget* parent) : QDialog(parent) {
  setWindowModality(Qt::WindowModal);
  auto* layout = new QGridLayout(this);
  icon_ = new QLabel(this);
  title_ = new QLabel(this);
  info_ = new QLabel(this);
  QFont bold = title_->font();
  bold.setBold(true);
  title_->setFont(bold);
  layout->addWidget(icon_, 0, 0, 2, 1);
  layout->addWidget(title_, 0, 1);
  layout->addWidget(info_, 1, 1);
  auto* buttons = new QDialogButtonBox(this);
  setWindowTitle(vqLocalized("Password"));
  auto* message = new QLabel(vqLocalized("This PDF is protected. Enter its password to convert it:"), this);
  password_ = new QLineEdit(this);
  password_->setEchoMode(QLineEdit::Password);
  notice_ = new QLabel(this);
  notice_->setWordWrap(true);
  notice_->setStyleSheet("color: #c0392b");
  layout->addWidget(message, 2, 0, 1, 2);
  layout->addWidget(password_, 3, 0, 1, 2);
  layout->addWidget(notice_, 4, 0, 1, 2);
  connect(password_, &QLineEdit::textEdited, notice_, &QLabel::hide);
  buttons->addButton(vqLocalized("OK"), QDialogButtonBox::AcceptRole);
  buttons->addButton(vqLocalized("Cancel"), QDialogButtonBox::RejectRole);
  layout->addWidget(buttons, 5, 0, 1, 2);
  connect(buttons, &QDialogButtonBox::accepted, this, &VQFileSheet::confirm);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

void VQFileSheet::showItem(const VQSourceFileItemRef& item) {
  item_ = item;
  icon_->setPixmap(VQImageNamed(item->sourceFileIcon(), 48));
  title_->setText(item->fileName());
  info_->setText(item->fileSizeString());
  password_->clear();
  notice_->hide();
  password_->setFocus();
  open();
}

void VQFileSheet::confirm() {
  if (!item_) return;
  const QString typed = password_->text();
  switch (VQCPDFUtilities::checkPasswordAtPath(item_->sourcePath(), typed)) {
    case VQCPDFUtilities::PasswordCheck::Accepted:
      item_->setSourcePassword(typed);
      accept();
      return;
    case VQCPDFUtilities::PasswordCheck::PrintingForbidden:
      notice_->setText(
          vqLocalized("This PDF forbids printing with this password. Its owner password would allow it: enter "
                      "the owner password to convert it."));
      break;
    case VQCPDFUtilities::PasswordCheck::Wrong:
      notice_->setText(vqLocalized("The password is wrong."));
      break;
  }
  notice_->show();
}

VQSourceFileViewController::VQSourceFileViewController(QWidget* parent)
    : QWidget(parent), model_(new VQSourceListModel(this)) {
  view_ = new QListView(this);
  view_->setModel(model_);
  auto* rows = new VQSourceRowDelegate(model_, this);
  view_->setItemDelegate(rows);
  view_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  view_->setDragDropMode(QAbstractItemView::DragDrop);
  view_->setDefaultDropAction(Qt::MoveAction);
  view_->setDragDropOverwriteMode(false);
  view_->setDropIndicatorShown(true);
  view_->setMouseTracking(true);
  // Rows show their remove mark while the pointer is over them.
  view_->viewport()->setAttribute(Qt::WA_Hover);
  view_->setUniformItemSizes(true);
  view_->setContextMenuPolicy(Qt::CustomContextMenu);
  emptyMsg_ = new QLabel(vqLocalized("Drop PDF files here, or click Convert to choose them."), this);
  emptyMsg_->setAlignment(Qt::AlignCenter);
  emptyMsg_->setWordWrap(true);
  emptyMsg_->setAcceptDrops(false);
  emptyMsg_->setStyleSheet("QLabel { background: #fff8d6; color: #6b5d22; font-size: 14px; }");
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  auto* host = new QWidget(this);
  stack_ = new QStackedLayout(host);
  stack_->setStackingMode(QStackedLayout::StackAll);
  stack_->addWidget(emptyMsg_);
  stack_->addWidget(view_);
  layout->addWidget(host);
  // The empty message lies over the list but lets drops through to it.
  emptyMsg_->setAttribute(Qt::WA_TransparentForMouseEvents);
  stack_->setCurrentWidget(emptyMsg_);
  passwordSheet_ = new VQFileSheet(this);
  connect(passwordSheet_, &QDialog::finished, this,
          [this](int result) { sheetFinished(passwordSheet_, result == QDialog::Accepted); });

  connect(model_, &VQSourceListModel::filesDropped, this, &VQSourceFileViewController::addDroppedFiles);
  connect(model_, &VQSourceListModel::rowsMovedByDrop, this, [this] { emit itemsChanged(); });
  connect(view_->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] { emit didUpdateSelection(); });
  connect(model_, &QAbstractItemModel::modelReset, this, [this] { emit didUpdateSelection(); });
  connect(rows, &VQSourceRowDelegate::removeRequested, this,
          [this](const VQSourceFileItemRef& item) { removeItemsFromTable({item}); });
  connect(rows, &VQSourceRowDelegate::openOutputRequested, this, [](const VQSourceFileItemRef& item) {
    if (VQWorkspace::shared() && item->outputFileIconEnable()) VQWorkspace::shared()->openFile(item->outputPath());
  });
  connect(view_, &QWidget::customContextMenuRequested, this, &VQSourceFileViewController::showContextMenu);
  showEmptyMessageIfNeeded();
}

const std::vector<VQSourceFileItemRef>& VQSourceFileViewController::ma_sourceItems() const { return model_->items(); }

void VQSourceFileViewController::addFilesToCheckQueue(const QStringList& paths) {
  Batch batch;
  for (const QString& path : paths) {
    auto items = VQSourceFileItem::CreateSourceItemsOfFileOrDirectoryAtPath(path);
    if (items.empty()) batch.notFound << path;
    for (auto& item : items) batch.waiting.push_back(item);
  }
  enqueue(std::move(batch));
}

void VQSourceFileViewController::addDroppedFiles(const QStringList& paths, int row) {
  Batch batch;
  for (const QString& path : paths)
    if (auto item = VQSourceFileItem::initWithPath(path)) batch.waiting.push_back(item);
  batch.row = row;
  enqueue(std::move(batch));
  if (window()) window()->activateWindow();
}

void VQSourceFileViewController::sourceFileBrowse() {
  auto* panel = new QFileDialog(window(), vqLocalized("Select PDF files for conversion:"));
  panel->setAttribute(Qt::WA_DeleteOnClose);
  panel->setWindowModality(Qt::WindowModal);
  panel->setFileMode(QFileDialog::ExistingFiles);
  panel->setNameFilters({vqLocalized("PDF documents (*.pdf *.PDF)"), vqLocalized("All files (*)")});
  panel->setLabelText(QFileDialog::Accept, vqLocalized("Select"));
  connect(panel, &QFileDialog::filesSelected, this, [this](const QStringList& files) {
    Batch batch;
    for (const QString& file : files) {
      if (auto item = VQSourceFileItem::initWithPath(file)) batch.waiting.push_back(item);
      else batch.notFound << file;
    }
    enqueue(std::move(batch));
  });
  panel->open();
}

void VQSourceFileViewController::enqueue(Batch batch) {
  if (batch.waiting.empty()) {
    reportFilesNotAdded(batch);
    return;
  }
  batches_.push_back(std::move(batch));
  // While a sheet is open the new files wait their turn; the sheet's end
  // carries on with them.
  if (!openSheet() && !checkScheduled_) continueCheckPDFPassword();
}

VQFileSheet* VQSourceFileViewController::openSheet() const {
  return passwordSheet_->isVisible() ? passwordSheet_ : nullptr;
}

void VQSourceFileViewController::reportFilesNotAdded(const Batch& batch) {
  if (!batch.notFound.isEmpty() || !batch.unsupported.isEmpty()) emit filesNotAdded(batch.notFound, batch.unsupported);
}

void VQSourceFileViewController::continueCheckPDFPassword() {
  checkScheduled_ = false;
  while (!batches_.empty()) {
    Batch& batch = batches_.front();
    while (!batch.waiting.empty()) {
      VQSourceFileItemRef item = batch.waiting.front();
      if (!VQCPDFUtilities::isPDFDocumentValidAtPath(item->sourcePath())) {
        // Named with the others in one notice when the batch is done, not
        // a dialog each: a folder may hold many such files.
        batch.unsupported << item->sourcePath();
        batch.waiting.pop_front();
        continue;
      }
      if (VQCPDFUtilities::isPDFDocumentLockPritingAtPath(item->sourcePath())) {
        passwordSheet_->showItem(item);
        return;
      }
      batch.waiting.pop_front();
      batch.checked.push_back(item);
    }
    Batch done = std::move(batch);
    batches_.pop_front();
    const int row = done.row < 0 ? static_cast<int>(model_->items().size()) : done.row;
    if (!done.checked.empty()) addSourceItemsToTable(done.checked, row);
    reportFilesNotAdded(done);
  }
}

void VQSourceFileViewController::sheetFinished(VQFileSheet* sheet, bool accepted) {
  // The answer is for the file the sheet showed, wherever it waits now.
  const VQSourceFileItemRef item = sheet->item();
  for (Batch& batch : batches_) {
    auto found = std::find(batch.waiting.begin(), batch.waiting.end(), item);
    if (found == batch.waiting.end()) continue;
    batch.waiting.erase(found);
    if (accepted) batch.checked.push_back(item);
    break;
  }
  checkScheduled_ = true;
  QTimer::singleShot(checkDelay_, this, [this] {
    if (!openSheet()) continueCheckPDFPassword();
  });
}

void VQSourceFileViewController::addSourceItemsToTable(const std::vector<VQSourceFileItemRef>& items, int row) {
  const VQSourceFileItemRef selected = selectedItem();
  model_->insertItemsAtRow(items, std::min(row, static_cast<int>(model_->items().size())));
  if (selected) selectTableRowWithItem(selected);
  showEmptyMessageIfNeeded();
  emit itemsChanged();
}

void VQSourceFileViewController::removeItemsFromTable(const std::vector<VQSourceFileItemRef>& items) {
  int selectedRow = selectedItem() ? model_->rowOf(selectedItem()) : -1;
  model_->removeItems(items);
  const int count = static_cast<int>(model_->items().size());
  if (selectedRow >= 0 && count > 0) {
    selectedRow = std::min(selectedRow, count - 1);
    view_->selectionModel()->select(model_->index(selectedRow), QItemSelectionModel::ClearAndSelect);
    view_->scrollTo(model_->index(selectedRow));
  }
  showEmptyMessageIfNeeded();
  emit itemsChanged();
  emit didUpdateSelection();
}

void VQSourceFileViewController::sourceFileRemoveAllFromQueue() {
  if (model_->items().empty()) return;
  model_->removeAll();
  showEmptyMessageIfNeeded();
  emit itemsChanged();
}

std::vector<VQSourceFileItemRef> VQSourceFileViewController::selectedItems() const {
  std::vector<VQSourceFileItemRef> items;
  QModelIndexList rows = view_->selectionModel()->selectedRows();
  std::sort(rows.begin(), rows.end(), [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
  for (const QModelIndex& index : rows)
    if (auto item = model_->itemAt(index.row())) items.push_back(item);
  return items;
}

void VQSourceFileViewController::selectAll() { view_->selectAll(); }

VQSourceFileItemRef VQSourceFileViewController::selectedItem() const {
  auto items = selectedItems();
  return items.empty() ? nullptr : items.back();
}

void VQSourceFileViewController::selectTableRowWithItem(const VQSourceFileItemRef& item) {
  const int row = model_->rowOf(item);
  if (row < 0) return;
  view_->selectionModel()->select(model_->index(row), QItemSelectionModel::ClearAndSelect);
  view_->scrollTo(model_->index(row));
}

void VQSourceFileViewController::applyFormatToAllData(const QString& format, const QString& imageType) {
  for (const auto& item : model_->items()) {
    item->setSettings_outputFormat(format);
    item->setSettings_outputFormat_imageType(imageType);
  }
}

void VQSourceFileViewController::reloadTableView() {
  model_->refreshAll();
  if (auto item = selectedItem()) view_->scrollTo(model_->index(model_->rowOf(item)));
}

void VQSourceFileViewController::resetBeforeConversion() {
  for (const auto& item : model_->items()) item->resetConversion();
  model_->refreshAll();
}

void VQSourceFileViewController::updateConversion(const VQSourceFileItemRef& item, double progress, bool converting,
                                                  const QString& text) {
  model_->clearProgress();
  if (item && converting && model_->rowOf(item) >= 0) model_->setProgress(item, progress, text);
}

void VQSourceFileViewController::showEmptyMessageIfNeeded() {
  const bool empty = model_->items().empty();
  emptyMsg_->setVisible(empty);
  if (empty) emptyMsg_->raise();
}

void VQSourceFileViewController::showContextMenu(const QPoint& at) {
  const VQSourceFileItemRef clicked = model_->itemAt(view_->indexAt(at).row());
  auto* menu = new QMenu(this);
  menu->setAttribute(Qt::WA_DeleteOnClose);
  VQWorkspace* workspace = VQWorkspace::shared();
  QAction* showSource = menu->addAction(vqLocalized("Show Source File in File Manager"));
  showSource->setEnabled(clicked && workspace);
  connect(showSource, &QAction::triggered, this,
          [clicked, workspace] { workspace->revealFile(clicked->sourcePath()); });
  QAction* showOutput = menu->addAction(vqLocalized("Show Output File in File Manager"));
  // Only a finished output that exists is shown.
  showOutput->setEnabled(clicked && workspace && clicked->outputFileIconEnable());
  connect(showOutput, &QAction::triggered, this,
          [clicked, workspace] { workspace->revealFile(clicked->outputPath()); });
  menu->addSeparator();
  QAction* remove = menu->addAction(vqLocalized("Remove"));
  remove->setEnabled(bool(clicked));
  connect(remove, &QAction::triggered, this, [this, clicked] { removeItemsFromTable({clicked}); });
  QAction* removeAll = menu->addAction(vqLocalized("Remove All"));
  removeAll->setEnabled(!model_->items().empty());
  connect(removeAll, &QAction::triggered, this, &VQSourceFileViewController::sourceFileRemoveAllFromQueue);
  menu->popup(view_->viewport()->mapToGlobal(at));
}

}  // namespace vq::app

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

VQFileSheet::VQFileSheet(Kind kind, QWidget* parent) : QDialog(parent), kind_(kind) {
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
  if (kind == Kind::Unsupported) {
    setWindowTitle(vqLocalized("Unsupported File"));
    auto* message = new QLabel(vqLocalized("This file is not a PDF document that can be converted."), this);
    layout->addWidget(message, 2, 0, 1, 2);
    buttons->addButton(vqLocalized("Discard"), QDialogButtonBox::AcceptRole);
  } else {
    setWindowTitle(vqLocalized("Password"));
    auto* message = new QLabel(vqLocalized("This PDF is protected. Enter its password to convert it:"), this);
    password_ = new QLineEdit(this);
    password_->setEchoMode(QLineEdit::Password);
    notice_ = new QLabel(vqLocalized("The password is wrong, or it does not allow printing."), this);
    notice_->setStyleSheet("color: #c0392b");
    layout->addWidget(message, 2, 0, 1, 2);
    layout->addWidget(password_, 3, 0, 1, 2);
    layout->addWidget(notice_, 4, 0, 1, 2);
    connect(password_, &QLineEdit::textEdited, notice_, &QLabel::hide);
    buttons->addButton(vqLocalized("OK"), QDialogButtonBox::AcceptRole);
    buttons->addButton(vqLocalized("Cancel"), QDialogButtonBox::RejectRole);
  }
  layout->addWidget(buttons, 5, 0, 1, 2);
  connect(buttons, &QDialogButtonBox::accepted, this, [this] {
    if (kind_ == Kind::Password) confirm();
    else accept();
  });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

void VQFileSheet::showItem(const VQSourceFileItemRef& item) {
  item_ = item;
  icon_->setPixmap(VQImageNamed(kind_ == Kind::Unsupported ? "icon_unknown" : item->sourceFileIcon(), 48));
  title_->setText(item->fileName());
  info_->setText(item->fileSizeString());
  if (password_) {
    password_->clear();
    notice_->hide();
    password_->setFocus();
  }
  open();
}

void VQFileSheet::confirm() {
  if (!item_) return;
  const QString typed = password_->text();
  if (VQCPDFUtilities::isAllowPrintingPDFDcoumentAtPath(item_->sourcePath(), typed)) {
    item_->setSourcePassword(typed);
    accept();
  } else {
    notice_->show();
  }
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
  unsupportedSheet_ = new VQFileSheet(VQFileSheet::Kind::Unsupported, this);
  passwordSheet_ = new VQFileSheet(VQFileSheet::Kind::Password, this);
  for (VQFileSheet* sheet : {unsupportedSheet_, passwordSheet_})
    connect(sheet, &QDialog::finished, this,
            [this, sheet](int result) { sheetFinished(sheet, result == QDialog::Accepted); });

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
  auto* removeSelected = new QAction(vqLocalized("Remove"), view_);
  removeSelected->setShortcuts({QKeySequence::Delete, Qt::Key_Backspace});
  removeSelected->setShortcutContext(Qt::WidgetShortcut);
  connect(removeSelected, &QAction::triggered, this, [this] { removeItemsFromTable(selectedItems()); });
  view_->addAction(removeSelected);
  showEmptyMessageIfNeeded();
}

const std::vector<VQSourceFileItemRef>& VQSourceFileViewController::ma_sourceItems() const { return model_->items(); }

void VQSourceFileViewController::addFilesToCheckQueue(const QStringList& paths) {
  Batch batch;
  QStringList missing;
  for (const QString& path : paths) {
    auto items = VQSourceFileItem::CreateSourceItemsOfFileOrDirectoryAtPath(path);
    if (items.empty()) missing << path;
    for (auto& item : items) batch.waiting.push_back(item);
  }
  batch.row = -1;
  enqueue(std::move(batch));
  if (!missing.isEmpty()) emit filesNotFound(missing);
}

void VQSourceFileViewController::addDroppedFiles(const QStringList& paths, int row) {
  Batch batch;
  for (auto it = paths.rbegin(); it != paths.rend(); ++it)
    if (auto item = VQSourceFileItem::initWithPath(*it)) batch.waiting.push_back(item);
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
    for (const QString& file : files)
      if (auto item = VQSourceFileItem::initWithPath(file)) batch.waiting.push_back(item);
    batch.row = -1;
    enqueue(std::move(batch));
  });
  panel->open();
}

void VQSourceFileViewController::enqueue(Batch batch) {
  if (batch.waiting.empty()) return;
  batches_.push_back(std::move(batch));
  // While a sheet is open the new files wait their turn; the sheet's end
  // carries on with them.
  if (!openSheet() && !checkScheduled_) continueCheckPDFPassword();
}

VQFileSheet* VQSourceFileViewController::openSheet() const {
  if (unsupportedSheet_->isVisible()) return unsupportedSheet_;
  if (passwordSheet_->isVisible()) return passwordSheet_;
  return nullptr;
}

void VQSourceFileViewController::continueCheckPDFPassword() {
  checkScheduled_ = false;
  while (!batches_.empty()) {
    Batch& batch = batches_.front();
    while (!batch.waiting.empty()) {
      VQSourceFileItemRef item = batch.waiting.front();
      if (!VQCPDFUtilities::isPDFDocumentValidAtPath(item->sourcePath())) {
        unsupportedSheet_->showItem(item);
        return;
      }
      if (VQCPDFUtilities::isPDFDocumentLockPritingAtPath(item->sourcePath())) {
        passwordSheet_->showItem(item);
        return;
      }
      batch.waiting.pop_front();
      batch.checked.push_back(item);
    }
    std::vector<VQSourceFileItemRef> checked = std::move(batch.checked);
    const int row = batch.row < 0 ? static_cast<int>(model_->items().size()) : batch.row;
    batches_.pop_front();
    if (!checked.empty()) addSourceItemsToTable(checked, row);
  }
}

void VQSourceFileViewController::sheetFinished(VQFileSheet* sheet, bool accepted) {
  // The answer is for the file the sheet showed, wherever it waits now.
  const VQSourceFileItemRef item = sheet->item();
  for (Batch& batch : batches_) {
    auto found = std::find(batch.waiting.begin(), batch.waiting.end(), item);
    if (found == batch.waiting.end()) continue;
    batch.waiting.erase(found);
    if (accepted && sheet == passwordSheet_) batch.checked.push_back(item);
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
  for (const auto& item : model_->items()) item->setOutputPath(QString());
  model_->refreshAll();
}

void VQSourceFileViewController::updateConversion(const VQSourceFileItemRef& item, double progress, bool converting) {
  model_->clearProgress();
  if (item && converting && model_->rowOf(item) >= 0) model_->setProgress(item, progress);
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

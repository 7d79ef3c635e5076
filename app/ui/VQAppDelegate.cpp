#include "ui/VQAppDelegate.h"

#include <QApplication>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QSplitter>
#include <QStatusBar>
#include <QVBoxLayout>

#include "core/VQSandBoxUtilities.h"
#include "core/VQUserDefaults.h"
#include "core/VQWorkspace.h"
#include "ui/VQPreferencesWindowController.h"
#include "ui/VQSettingsViewController.h"
#include "ui/VQSourceFileViewController.h"

namespace vq::app {

VQAppDelegate::VQAppDelegate(std::unique_ptr<VQPapyrantManager> manager)
    : manager_(manager ? std::move(manager) : std::make_unique<VQPapyrantManager>()) {
  manager_->setDelegate(this);
  setWindowTitle("Vellumate");
  setAcceptDrops(false);
  auto* central = new QWidget(this);
  auto* columns = new QHBoxLayout(central);
  columns->setContentsMargins(0, 0, 0, 0);
  columns->setSpacing(0);
  auto* left = new QWidget(central);
  auto* leftLayout = new QVBoxLayout(left);
  leftLayout->setContentsMargins(0, 0, 0, 8);
  list_ = new VQSourceFileViewController(left);
  leftLayout->addWidget(list_, 1);
  auto* bar = new QHBoxLayout;
  bar->setContentsMargins(8, 0, 8, 0);
  auto* add = new QPushButton(vqLocalized("Add Files…"), left);
  auto* toggle = new QPushButton(vqLocalized("Settings"), left);
  convert_ = new QPushButton(vqLocalized("Convert"), left);
  convert_->setMinimumWidth(140);
  convert_->setDefault(true);
  convert_->setStyleSheet(
      "QPushButton { background: #d99a0a; color: white; font-weight: bold; padding: 6px 18px; border-radius: 4px; }"
      "QPushButton:disabled { background: #c8b98f; }");
  bar->addWidget(add);
  bar->addWidget(toggle);
  bar->addStretch(1);
  bar->addWidget(convert_);
  leftLayout->addLayout(bar);
  rightView_ = new QWidget(central);
  auto* rightLayout = new QVBoxLayout(rightView_);
  rightLayout->setContentsMargins(0, 0, 0, 0);
  settings_ = new VQSettingsViewController(rightView_);
  rightView_->setFixedWidth(320);
  rightLayout->addWidget(settings_);
  columns->addWidget(left, 1);
  columns->addWidget(rightView_);
  setCentralWidget(central);
  resize(900, 560);

  QMenu* file = menuBar()->addMenu(vqLocalized("File"));
  file->addAction(vqLocalized("Add Files…"), QKeySequence::Open, list_, &VQSourceFileViewController::sourceFileBrowse);
  file->addAction(vqLocalized("Convert"), this, &VQAppDelegate::startOrStopConversion);
  file->addSeparator();
  file->addAction(vqLocalized("Remove All"), list_, &VQSourceFileViewController::sourceFileRemoveAllFromQueue);
  file->addSeparator();
  file->addAction(vqLocalized("Quit"), QKeySequence::Quit, qApp, &QApplication::quit);
  QMenu* edit = menuBar()->addMenu(vqLocalized("Edit"));
  edit->addAction(vqLocalized("Preferences…"), QKeySequence::Preferences, this,
                  [this] { preferences()->showWindow(); });
  QMenu* view = menuBar()->addMenu(vqLocalized("View"));
  view->addAction(vqLocalized("Show or Hide Settings"), this, &VQAppDelegate::showOrHidenSettingView);

  connect(add, &QPushButton::clicked, list_, &VQSourceFileViewController::sourceFileBrowse);
  connect(toggle, &QPushButton::clicked, this, &VQAppDelegate::showOrHidenSettingView);
  connect(convert_, &QPushButton::clicked, this, &VQAppDelegate::startOrStopConversion);
  connect(list_, &VQSourceFileViewController::didUpdateSelection, this,
          [this] { settings_->setSourceFileItem(list_->selectedItem()); });
  connect(list_, &VQSourceFileViewController::itemsChanged, this, [this] {
    const size_t count = list_->ma_sourceItems().size();
    statusBar()->showMessage(count ? vqLocalized("%1 files").arg(count) : QString());
  });
  connect(settings_, &VQSettingsViewController::didUpdateSettings, this, [this] {
    if (settings_->applyToAll() && settings_->sourceFileItem())
      list_->applyFormatToAllData(settings_->sourceFileItem()->settings_outputFormat(),
                                  settings_->sourceFileItem()->settings_outputFormat_imageType());
    list_->reloadTableView();
  });
  connect(list_, &VQSourceFileViewController::filesNotFound, this, [this](const QStringList& paths) {
    auto* message = new QMessageBox(QMessageBox::Warning, vqLocalized("Files Not Found"),
                                    vqLocalized("Nothing to convert was found at:"), QMessageBox::Ok, this);
    message->setInformativeText(paths.join('\n'));
    message->setAttribute(Qt::WA_DeleteOnClose);
    message->setWindowModality(Qt::WindowModal);
    message->open();
  });
  connect(settings_, &VQSettingsViewController::didCreationFirstOutputDirectory, this,
          &VQAppDelegate::startOrStopConversionGo);
  if (VQCUtilities::boolValueForKey(kIsHiddenSettings, false)) hidenSettingView(true);
  // Read once at launch so that the settings file shows every preference
  // with its value from the first run on.
  VQPreferences::openFileAfterConversion();
  VQPreferences::parserPDFAnnots();
  VQPreferences::imageDPI();
  setConvertButtonState();
}

VQAppDelegate::~VQAppDelegate() { manager_->setDelegate(nullptr); }

VQPreferencesWindowController* VQAppDelegate::preferences() {
  if (!preferences_) preferences_ = new VQPreferencesWindowController(this);
  return preferences_;
}

void VQAppDelegate::openFiles(const QStringList& paths) {
  list_->addFilesToCheckQueue(paths);
  raise();
  activateWindow();
}

void VQAppDelegate::startOrStopConversion() {
  if (manager_->isStopping()) return;
  if (manager_->isConverting()) {
    startOrStopConversionGo();
    return;
  }
  if (list_->ma_sourceItems().empty()) {
    list_->sourceFileBrowse();
    return;
  }
  if (!VQSandBoxUtilities::isReadAndWritableUserSelectedOutputURLBookmark()) {
    settings_->browseOutputDirectryBeforeConversion();
    return;
  }
  startOrStopConversionGo();
}

void VQAppDelegate::startOrStopConversionGo() {
  if (!list_->ma_sourceItems().empty() && manager_->state() == VQPapyrantManager::State::Idle) {
    doStartConversion();
    return;
  }
  manager_->stopConversion();
  setConvertButtonState();
}

void VQAppDelegate::doStartConversion() {
  manager_->setMa_sourceItems(list_->ma_sourceItems());
  manager_->startConversion();
  setConvertButtonState();
}

void VQAppDelegate::setConvertButtonState() {
  // While a stopped batch waits for the engine, Convert cannot start another.
  convert_->setEnabled(!manager_->isStopping());
  convert_->setText(manager_->isConverting() ? vqLocalized("Cancel") : vqLocalized("Convert"));
}

bool VQAppDelegate::isSettingsHidden() const { return rightView_->isHidden(); }

void VQAppDelegate::hidenSettingView(bool hidden) {
  const int paneWidth = rightView_->width();
  rightView_->setHidden(hidden);
  if (isVisible()) resize(width() + (hidden ? -paneWidth : paneWidth), height());
}

void VQAppDelegate::showOrHidenSettingView() {
  const bool hide = !isSettingsHidden();
  hidenSettingView(hide);
  VQUserDefaults::set(kIsHiddenSettings, hide);
}

double VQAppDelegate::PageProgress(uint64_t done, uint64_t total) {
  if (total == 0) return 0.1f;
  const float percent = static_cast<float>(done) * 100.0f / static_cast<float>(total);
  return std::max(static_cast<double>(0.1f), static_cast<double>(percent) * 0.85);
}

void VQAppDelegate::willStartConversion(VQPapyrantManager*) { list_->resetBeforeConversion(); }

void VQAppDelegate::didStartConversionWithError(VQPapyrantManager*, const VQSourceFileItemRef& item,
                                                const std::optional<VQError>&) {
  list_->selectTableRowWithItem(item);
  list_->updateConversion(item, 1.0, manager_->isConverting());
}

void VQAppDelegate::didConversionToPageIndexToTotalPages(VQPapyrantManager*, const VQSourceFileItemRef& item,
                                                         uint64_t done, uint64_t total) {
  list_->updateConversion(item, PageProgress(done, total), manager_->isConverting());
}

void VQAppDelegate::didConversionWillSaveDoc(VQPapyrantManager*, const VQSourceFileItemRef& item, const QString&) {
  list_->updateConversion(item, 90.0, manager_->isConverting());
}

void VQAppDelegate::didEndConversionWithError(VQPapyrantManager*, const VQSourceFileItemRef& item,
                                              const std::optional<VQError>& error) {
  list_->updateConversion(item, 100.0, manager_->isConverting());
  list_->reloadTableView();
  // Only a finished output is opened: a failed or cancelled item has none,
  // or only the remains of an earlier file.
  VQWorkspace* workspace = VQWorkspace::shared();
  if (error || !item->outputFileIconEnable() || !workspace || !VQPreferences::openFileAfterConversion()) return;
  if (!workspace->openFile(item->outputPath())) workspace->revealFile(item->outputPath());
}

void VQAppDelegate::didEndConversion(VQPapyrantManager*) {
  list_->updateConversion(nullptr, 0, false);
  list_->reloadTableView();
  setConvertButtonState();
  raise();
}

}  // namespace vq::app

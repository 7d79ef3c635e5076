#include "ui/VQAppDelegate.h"

#include <pwd.h>
#include <unistd.h>

#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLocale>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QSplitter>
#include <QStatusBar>
#include <QSysInfo>
#include <QUrl>
#include <QVBoxLayout>

#include "core/VQSandBoxUtilities.h"
#include "core/VQUserDefaults.h"
#include "core/VQWorkspace.h"
#include "helpers/VQDesktopHandlers.h"
#include "ui/VQPreferencesWindowController.h"
#include "ui/VQSettingsViewController.h"
#include "ui/VQSourceFileViewController.h"
#include "vqpapyrant/VQResources.h"

namespace vq::app {

namespace {
// The user's full name from the account's comment field, else the login name.
QString VQUserFullName() {
  if (const passwd* account = ::getpwuid(::getuid())) {
    const QString gecos = QString::fromLocal8Bit(account->pw_gecos ? account->pw_gecos : "").section(',', 0, 0);
    if (!gecos.isEmpty()) return gecos;
    if (account->pw_name) return QString::fromLocal8Bit(account->pw_name);
  }
  return qEnvironmentVariable("USER");
}

// The machine's model as its firmware names it.
QString VQDeviceModel() {
  QFile file("/sys/devices/virtual/dmi/id/product_name");
  const QString model = file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()).trimmed() : QString();
  return model.isEmpty() ? QString("Unknown device") : model;
}
}  // namespace

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

  buildMenus();

  connect(add, &QPushButton::clicked, list_, &VQSourceFileViewController::sourceFileBrowse);
  connect(toggle, &QPushButton::clicked, this, &VQAppDelegate::showOrHidenSettingView);
  connect(convert_, &QPushButton::clicked, this, &VQAppDelegate::startOrStopConversion);
  connect(list_, &VQSourceFileViewController::didUpdateSelection, this,
          [this] { settings_->setSourceFileItem(list_->selectedItem()); });
  connect(list_, &VQSourceFileViewController::itemsChanged, this, [this] {
    // The batch follows the list: removed rows leave it, added ones join it.
    manager_->setMa_sourceItems(list_->ma_sourceItems());
    updateStatusBar();
  });
  connect(settings_, &VQSettingsViewController::didUpdateSettings, this, [this] {
    if (settings_->applyToAll() && settings_->sourceFileItem())
      list_->applyFormatToAllData(settings_->sourceFileItem()->settings_outputFormat(),
                                  settings_->sourceFileItem()->settings_outputFormat_imageType());
    list_->reloadTableView();
  });
  connect(list_, &VQSourceFileViewController::filesNotAdded, this, &VQAppDelegate::showFilesNotAdded);
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

void VQAppDelegate::buildMenus() {
  QMenu* file = menuBar()->addMenu(vqLocalized("&File"));
  file->addAction(vqLocalized("Add Files…"), QKeySequence::Open, list_, &VQSourceFileViewController::sourceFileBrowse);
  convertAction_ = file->addAction(vqLocalized("Convert"), QKeySequence(Qt::CTRL | Qt::Key_Return), this,
                                   &VQAppDelegate::startOrStopConversion);
  cancelAction_ = file->addAction(vqLocalized("Cancel Conversion"), QKeySequence(Qt::Key_Escape), this, [this] {
    if (manager_->isConverting()) startOrStopConversionGo();
  });
  file->addSeparator();
  file->addAction(vqLocalized("Quit"), QKeySequence::Quit, this, &QWidget::close);
  QMenu* edit = menuBar()->addMenu(vqLocalized("&Edit"));
  QAction* remove =
      edit->addAction(vqLocalized("Remove"), this, [this] { list_->removeItemsFromTable(list_->selectedItems()); });
  // Text fields keep these keys for themselves while they have the focus.
  remove->setShortcuts({QKeySequence::Delete, QKeySequence(Qt::Key_Backspace)});
  edit->addAction(vqLocalized("Remove All"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backspace), list_,
                  &VQSourceFileViewController::sourceFileRemoveAllFromQueue);
  edit->addAction(vqLocalized("Select All"), QKeySequence::SelectAll, list_, &VQSourceFileViewController::selectAll);
  edit->addSeparator();
  edit->addAction(vqLocalized("Preferences…"), QKeySequence::Preferences, this,
                  [this] { preferences()->showWindow(); });
  QMenu* view = menuBar()->addMenu(vqLocalized("&View"));
  view->addAction(vqLocalized("Show or Hide Settings"), this, &VQAppDelegate::showOrHidenSettingView);
  QMenu* help = menuBar()->addMenu(vqLocalized("&Help"));
  help->addAction(vqLocalized("Add the Getting Started Sample"), this, &VQAppDelegate::support_copySampleFiles);
  help->addSeparator();
  help->addAction(vqLocalized("Technical Support…"), this, &VQAppDelegate::support_TechnicalSupport);
  help->addAction(vqLocalized("Tell a Friend…"), this, &VQAppDelegate::support_tellAFriend);
  help->addSeparator();
  help->addAction(vqLocalized("About Vellumate"), this, &VQAppDelegate::showAboutBox);
}

QString VQAppDelegate::versionString() { return QStringLiteral(VQ_VERSION); }

void VQAppDelegate::support_copySampleFiles() {
  const auto sample = VQResourcePath("VQVellumate", "Getting Started.pdf");
  if (!sample) {
    showFilesNotAdded({vqLocalized("Getting Started.pdf")}, {});
    return;
  }
  list_->addFilesToCheckQueue({QFile::decodeName(QByteArray::fromStdString(*sample))});
}

QUrl VQAppDelegate::SupportMailURL() {
  // No support address exists yet: the writer fills in the addressee.
  const QString subject = QString("Vellumate - %1: %2").arg(versionString(), vqLocalized("Technical Support"));
  QString body;
  for (int i = 0; i < 5; ++i) body += " \n";
  body += "My Device Short Info:\n";
  const QLocale locale;
  const QString country = QLocale::territoryToCode(locale.territory());
  const QString language = QLocale::languageToCode(locale.language());
  const std::pair<const char*, QString> lines[] = {
      {"User Name", VQUserFullName()},
      {"Device Model", VQDeviceModel()},
      {"System Version",
       QSysInfo::prettyProductName() + " (" + QSysInfo::kernelType() + " " + QSysInfo::kernelVersion() + ")"},
      {"Country", country},
      {"Language", language}};
  for (const auto& [label, value] : lines) body += QString("%1:%2\n ").arg(label, value);
  return ATMailHelper::mailtoURL(QString(), subject, body);
}

QUrl VQAppDelegate::TellAFriendMailURL() {
  QString body;
  if (const auto text = VQResourcePath("VQVellumate", "tellfriend-short.txt")) {
    QFile file(QFile::decodeName(QByteArray::fromStdString(*text)));
    if (file.open(QIODevice::ReadOnly)) body = QString::fromUtf8(file.readAll());
  }
  return ATMailHelper::mailtoURL(QString(), vqLocalized("Try out \"Vellumate\" on Linux"), body);
}

void VQAppDelegate::support_TechnicalSupport() { composeMail(SupportMailURL()); }

void VQAppDelegate::support_tellAFriend() { composeMail(TellAFriendMailURL()); }

void VQAppDelegate::composeMail(const QUrl& url) {
  if (ATMailHelper::composeMail(url)) return;
  auto* message =
      new QMessageBox(QMessageBox::Warning, vqLocalized("No Mail Program"),
                      vqLocalized("No mail program could be started to write the message."), QMessageBox::Ok, this);
  message->setAttribute(Qt::WA_DeleteOnClose);
  message->setWindowModality(Qt::WindowModal);
  message->open();
}

void VQAppDelegate::showAboutBox() {
  auto* about = new QMessageBox(QMessageBox::NoIcon, vqLocalized("About Vellumate"),
                                vqLocalized("<b>Vellumate</b> %1").arg(versionString()), QMessageBox::Ok, this);
  about->setObjectName("aboutBox");
  about->setInformativeText(
      vqLocalized("Converts PDF documents to Word, Excel, PowerPoint, text, RTF, HTML and images."));
  about->setAttribute(Qt::WA_DeleteOnClose);
  about->setWindowModality(Qt::WindowModal);
  about->open();
}

void VQAppDelegate::updateStatusBar() {
  const VQPapyrantManager::BatchPosition at = manager_->batchPosition();
  if (at.k > 0) {
    statusBar()->showMessage(vqLocalized("Converting file %1 of %2").arg(at.k).arg(at.m));
    return;
  }
  const size_t count = list_->ma_sourceItems().size();
  statusBar()->showMessage(count == 1 ? vqLocalized("1 file") : count ? vqLocalized("%1 files").arg(count) : QString());
}

void VQAppDelegate::closeEvent(QCloseEvent* event) {
  if (manager_->isStopping()) {
    // Cancel was pressed already: quit once the engine has stopped.
    quitAfterStop_ = true;
    event->ignore();
    return;
  }
  if (!manager_->isConverting()) {
    QMainWindow::closeEvent(event);
    return;
  }
  event->ignore();
  if (closeQuestion_ && closeQuestion_->isVisible()) return;
  closeQuestion_ = new QMessageBox(QMessageBox::Question, vqLocalized("Quit Vellumate?"),
                                   vqLocalized("A conversion is running."), QMessageBox::NoButton, this);
  closeQuestion_->setInformativeText(
      vqLocalized("Stop it and quit, or keep converting? A stopped file leaves no output."));
  QPushButton* stop = closeQuestion_->addButton(vqLocalized("Stop and Quit"), QMessageBox::DestructiveRole);
  QPushButton* keep = closeQuestion_->addButton(vqLocalized("Keep Converting"), QMessageBox::RejectRole);
  closeQuestion_->setDefaultButton(keep);
  closeQuestion_->setAttribute(Qt::WA_DeleteOnClose);
  closeQuestion_->setWindowModality(Qt::WindowModal);
  connect(closeQuestion_, &QMessageBox::buttonClicked, this, [this, stop](QAbstractButton* button) {
    if (button != stop) return;
    quitAfterStop_ = true;
    // Stopping ends the batch from the engine's end report, which closes the window.
    if (manager_->isConverting()) startOrStopConversionGo();
    else if (!manager_->isStopping()) close();
  });
  closeQuestion_->open();
}

void VQAppDelegate::showFilesNotAdded(const QStringList& notFound, const QStringList& unsupported) {
  QStringList lines;
  for (const QString& path : notFound) lines << vqLocalized("%1: nothing to convert was found there").arg(path);
  for (const QString& path : unsupported)
    lines << vqLocalized("%1: not a PDF document, or it cannot be read").arg(path);
  auto* message =
      new QMessageBox(QMessageBox::Warning, vqLocalized("Files Not Added"),
                      lines.size() == 1 ? vqLocalized("This file could not be added:")
                                        : vqLocalized("These %1 files could not be added:").arg(lines.size()),
                      QMessageBox::Ok, this);
  message->setInformativeText(lines.join('\n'));
  message->setAttribute(Qt::WA_DeleteOnClose);
  message->setWindowModality(Qt::WindowModal);
  message->open();
}

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
  convertAction_->setEnabled(manager_->state() == VQPapyrantManager::State::Idle);
  cancelAction_->setEnabled(manager_->isConverting());
  updateStatusBar();
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
  updateStatusBar();
}

void VQAppDelegate::didConversionToPageIndexToTotalPages(VQPapyrantManager*, const VQSourceFileItemRef& item,
                                                         uint64_t done, uint64_t total) {
  list_->updateConversion(item, PageProgress(done, total), manager_->isConverting(),
                          vqLocalized("page %1 of %2").arg(done).arg(total));
}

void VQAppDelegate::didConversionWillSaveDoc(VQPapyrantManager*, const VQSourceFileItemRef& item, const QString&) {
  list_->updateConversion(item, 90.0, manager_->isConverting(), vqLocalized("saving"));
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
  if (quitAfterStop_) {
    // After the report has been handled: closing starts no new report.
    QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
    return;
  }
  raise();
}

}  // namespace vq::app

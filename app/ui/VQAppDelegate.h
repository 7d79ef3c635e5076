#pragma once
// The main window and its controller: the source list on the left, the
// settings pane on the right, the Convert button below; it runs the batch
// through the conversion manager and turns the manager's reports into row
// progress.
#include <QMainWindow>
#include <QMessageBox>
#include <QPointer>
#include <memory>

#include "core/VQPapyrantManager.h"

class QAction;
class QPushButton;

namespace vq::app {

class VQPreferencesWindowController;
class VQSettingsViewController;
class VQSourceFileViewController;

class VQAppDelegate : public QMainWindow, private VQPapyrantManagerDelegate {
  Q_OBJECT
 public:
  // Tests hand in a manager with scripted engines.
  explicit VQAppDelegate(std::unique_ptr<VQPapyrantManager> manager = nullptr);
  ~VQAppDelegate() override;

  VQSourceFileViewController* sourceFileViewController() const { return list_; }
  VQSettingsViewController* settingsViewController() const { return settings_; }
  VQPapyrantManager* converterManager() const { return manager_.get(); }
  QPushButton* convertButton() const { return convert_; }
  VQPreferencesWindowController* preferences();

  // Files from the system or a second launch.
  void openFiles(const QStringList& paths);
  // The Convert / Cancel button.
  void startOrStopConversion();
  void startOrStopConversionGo();
  void showOrHidenSettingView();
  bool isSettingsHidden() const;

  // The row's progress for `done` of `total` pages: 85 percent of the way,
  // computed in single precision as the row has always shown it, at least 0.1.
  static double PageProgress(uint64_t done, uint64_t total);

  // The Help menu: the sample added to the list, the support and the
  // recommendation mails, the About box.
  void support_copySampleFiles();
  void support_TechnicalSupport();
  void support_tellAFriend();
  void showAboutBox();
  static QUrl SupportMailURL();
  static QUrl TellAFriendMailURL();
  static QString versionString();

  // The question shown when the window is closed during a conversion; null when none is open.
  QMessageBox* closeQuestion() const { return closeQuestion_; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void buildMenus();
  void updateStatusBar();
  void showFilesNotAdded(const QStringList& notFound, const QStringList& unsupported);
  void composeMail(const QUrl& url);
  void doStartConversion();
  void setConvertButtonState();
  void hidenSettingView(bool hidden);

  void willStartConversion(VQPapyrantManager*) override;
  void didStartConversionWithError(VQPapyrantManager*, const VQSourceFileItemRef& item,
                                   const std::optional<VQError>& error) override;
  void didConversionToPageIndexToTotalPages(VQPapyrantManager*, const VQSourceFileItemRef& item, uint64_t done,
                                            uint64_t total) override;
  void didConversionWillSaveDoc(VQPapyrantManager*, const VQSourceFileItemRef& item, const QString& path) override;
  void didEndConversionWithError(VQPapyrantManager*, const VQSourceFileItemRef& item,
                                 const std::optional<VQError>& error) override;
  void didEndConversion(VQPapyrantManager*) override;

  std::unique_ptr<VQPapyrantManager> manager_;
  VQSourceFileViewController* list_;
  VQSettingsViewController* settings_;
  QWidget* rightView_;
  QPushButton* convert_;
  VQPreferencesWindowController* preferences_ = nullptr;
  QAction* convertAction_ = nullptr;
  QAction* cancelAction_ = nullptr;
  QPointer<QMessageBox> closeQuestion_;
  bool quitAfterStop_ = false;  // the window closes when the stopped batch has ended
};

}  // namespace vq::app

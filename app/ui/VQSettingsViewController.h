#pragma once
// The right half of the window: the settings of the item selected in the
// list: output format, page range, output folder, and the option sheets.
#include <QWidget>

#include "core/VQSourceFileItem.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace vq::app {

class VQPDFConversionSettings;
class VQWordSettings;
class VQExcelSettings;
class VQImageSettings;

class VQSettingsViewController : public QWidget {
  Q_OBJECT
 public:
  explicit VQSettingsViewController(QWidget* parent = nullptr);

  void setSourceFileItem(const VQSourceFileItemRef& item);
  const VQSourceFileItemRef& sourceFileItem() const { return item_; }
  // Writes the pane's choices into the shown item.
  void settingsButtonPressed();
  // Opens the option sheet of the item's format; none for formats without options.
  VQPDFConversionSettings* moreSettingsButtonAction();
  void browseOutputDirectry();
  // Convert without a usable folder: choose one, and the conversion starts once chosen.
  void browseOutputDirectryBeforeConversion();
  void revealOutputDirectry();
  // Stores the chosen folder and shows it.
  void outputDirectoryChosen(const QString& folder);
  bool applyToAll() const;

  QComboBox* formatPopup() const { return format_; }
  QButtonGroup* pageRangeRadios() const { return range_; }
  QLineEdit* pageRangeField() const { return rangeText_; }
  // Says so when the custom range names none of the document's pages.
  QLabel* pageRangeNotice() const { return rangeNotice_; }
  QLineEdit* outputPathField() const { return outputPath_; }
  QPushButton* optionsButton() const { return options_; }
  QCheckBox* applyToAllBox() const { return applyToAll_; }
  VQWordSettings* wordSettings() const { return word_; }
  VQExcelSettings* excelSettings() const { return excel_; }
  VQImageSettings* imageSettings() const { return image_; }

 signals:
  void didUpdateSettings();
  void didCreationFirstOutputDirectory();

 private:
  void updateUI();
  void updateRangeNotice();
  void showOutputFolder();
  void chooseFolder(const QString& start, bool beforeConversion);

  VQSourceFileItemRef item_;
  QLabel* previewIcon_;
  QLabel* previewTitle_;
  QLabel* previewInfo_;
  QComboBox* format_;
  QButtonGroup* range_;
  QLineEdit* rangeText_;
  QLabel* rangeNotice_;
  QLineEdit* outputPath_;
  QPushButton* options_;
  QCheckBox* applyToAll_;
  VQWordSettings* word_;
  VQExcelSettings* excel_;
  VQImageSettings* image_;
  bool showing_ = false;
};

}  // namespace vq::app

#include "ui/VQSettingsViewController.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "core/VQConversionFormats.h"
#include "core/VQPapyrantManager.h"
#include "core/VQSandBoxUtilities.h"
#include "core/VQUserDefaults.h"
#include "core/VQWorkspace.h"
#include "ui/VQIcons.h"
#include "ui/VQPDFConversionSettings.h"
#include "ui/VQPagePreview.h"

namespace vq::app {

VQSettingsViewController::VQSettingsViewController(QWidget* parent) : QWidget(parent) {
  auto* layout = new QVBoxLayout(this);
  auto* previewTitleLabel = new QLabel(vqLocalized("Preview"), this);
  QFont bold = previewTitleLabel->font();
  bold.setBold(true);
  previewTitleLabel->setFont(bold);
  layout->addWidget(previewTitleLabel);
  auto* preview = new QGridLayout;
  previewIcon_ = new QLabel(this);
  previewIcon_->setFixedSize(100, 100);
  previewIcon_->setAlignment(Qt::AlignCenter);
  previewTitle_ = new QLabel(this);
  previewTitle_->setFont(bold);
  previewInfo_ = new QLabel(this);
  preview->addWidget(previewIcon_, 0, 0, 2, 1);
  preview->addWidget(previewTitle_, 0, 1);
  preview->addWidget(previewInfo_, 1, 1);
  preview->setColumnStretch(1, 1);
  layout->addLayout(preview);

  auto* optionsTitle = new QLabel(vqLocalized("Options"), this);
  optionsTitle->setFont(bold);
  layout->addWidget(optionsTitle);
  format_ = new QComboBox(this);
  format_->addItems(VQConversionFormats::mainFormatNames());
  auto* formatRow = new QHBoxLayout;
  formatRow->addWidget(format_, 1);
  options_ = new QPushButton(vqLocalized("Options"), this);
  formatRow->addWidget(options_);
  layout->addLayout(formatRow);
  applyToAll_ = new QCheckBox(vqLocalized("Apply to All"), this);
  layout->addWidget(applyToAll_);

  auto* rangeTitle = new QLabel(vqLocalized("Page Range:"), this);
  rangeTitle->setFont(bold);
  layout->addWidget(rangeTitle);
  range_ = new QButtonGroup(this);
  auto* all = new QRadioButton(vqLocalized("All Pages"), this);
  auto* custom = new QRadioButton(vqLocalized("Custom"), this);
  range_->addButton(all, 0);
  range_->addButton(custom, 1);
  all->setChecked(true);
  rangeText_ = new QLineEdit(vqLocalized("All Pages"), this);
  rangeText_->setPlaceholderText(vqLocalized("E.g. 1,5,3-12"));
  rangeText_->setEnabled(false);
  auto* rangeRow = new QHBoxLayout;
  rangeRow->addWidget(all);
  rangeRow->addWidget(custom);
  rangeRow->addWidget(rangeText_, 1);
  layout->addLayout(rangeRow);
  auto* exampleLabel = new QLabel(vqLocalized("E.g. 1,5,3-12"), this);
  exampleLabel->setStyleSheet("color: gray");
  layout->addWidget(exampleLabel);
  rangeNotice_ = new QLabel(vqLocalized(kNoPagesInRange), this);
  rangeNotice_->setStyleSheet("color: #c0392b");
  rangeNotice_->setWordWrap(true);
  rangeNotice_->hide();
  layout->addWidget(rangeNotice_);

  auto* folderTitle = new QLabel(vqLocalized("Output Directory:"), this);
  folderTitle->setFont(bold);
  layout->addWidget(folderTitle);
  outputPath_ = new QLineEdit(this);
  outputPath_->setReadOnly(true);
  layout->addWidget(outputPath_);
  auto* folderRow = new QHBoxLayout;
  auto* browse = new QPushButton(vqLocalized("Browse"), this);
  auto* reveal = new QPushButton(vqLocalized("Reveal"), this);
  folderRow->addStretch(1);
  folderRow->addWidget(browse);
  folderRow->addWidget(reveal);
  layout->addLayout(folderRow);
  layout->addStretch(1);

  word_ = new VQWordSettings(this);
  excel_ = new VQExcelSettings(this);
  image_ = new VQImageSettings(this);
  for (VQPDFConversionSettings* sheet : std::initializer_list<VQPDFConversionSettings*>{word_, excel_, image_})
    connect(sheet, &VQPDFConversionSettings::valueUpdated, this, [this, sheet] {
      if (!item_) return;
      sheet->applyToItem(item_);
      settingsButtonPressed();
    });

  connect(format_, &QComboBox::currentIndexChanged, this, [this] {
    if (!showing_) settingsButtonPressed();
  });
  connect(range_, &QButtonGroup::idToggled, this, [this](int, bool on) {
    if (on && !showing_) settingsButtonPressed();
  });
  connect(rangeText_, &QLineEdit::textEdited, this, [this](const QString& text) {
    if (item_) item_->settings_customPageRange = text;
    updateRangeNotice();
    emit didUpdateSettings();
  });
  connect(options_, &QPushButton::clicked, this, [this] { moreSettingsButtonAction(); });
  connect(browse, &QPushButton::clicked, this, &VQSettingsViewController::browseOutputDirectry);
  connect(reveal, &QPushButton::clicked, this, &VQSettingsViewController::revealOutputDirectry);

  showOutputFolder();
  const QString stored = VQCUtilities::stringValueForKey(kOutputFormat, kDefaultOutputFormat);
  if (format_->findText(stored) < 0) VQUserDefaults::set(kOutputFormat, kDefaultOutputFormat);
  setSourceFileItem(nullptr);
}

void VQSettingsViewController::showOutputFolder() {
  const QString folder = VQSandBoxUtilities::UserSelectedOutputURLBookmark();
  outputPath_->setText(folder.isEmpty() ? QDir::home().filePath("Downloads") : folder);
}

void VQSettingsViewController::setSourceFileItem(const VQSourceFileItemRef& item) {
  item_ = item;
  showing_ = true;
  const bool has = bool(item);
  options_->setEnabled(has);
  applyToAll_->setEnabled(has);
  format_->setEnabled(has);
  for (QAbstractButton* b : range_->buttons()) b->setEnabled(has);
  if (has) {
    previewIcon_->setPixmap(VQSourceFilePreview(item, 96));
    previewTitle_->setText(item->fileName());
    previewTitle_->setToolTip(item->fileName());
    previewInfo_->setText(item->sourceInfo());
    format_->setCurrentIndex(std::max(0, format_->findText(item->settings_outputFormat())));
    range_->button(item->settings_pageRangeType == 1 ? 1 : 0)->setChecked(true);
    rangeText_->setText(item->settings_customPageRange);
  } else {
    previewIcon_->setPixmap(VQImageNamed("default-eye", 96));
    previewTitle_->setText(vqLocalized("No File Selected"));
    previewTitle_->setToolTip(previewTitle_->text());
    previewInfo_->clear();
    rangeText_->setEnabled(false);
  }
  showing_ = false;
  updateUI();
}

void VQSettingsViewController::updateUI() {
  updateRangeNotice();
  if (!item_) {
    const int at = format_->findText(VQCUtilities::stringValueForKey(kOutputFormat, kDefaultOutputFormat));
    showing_ = true;
    format_->setCurrentIndex(std::max(0, at));
    showing_ = false;
    return;
  }
  rangeText_->setEnabled(range_->checkedId() == 1);
  static const QStringList withOptions = {"Microsoft Word(.docx)", "Microsoft Excel(.xlsx)",
                                          "Comma-Separated Values(.csv)", kImageFilesFormat};
  options_->setEnabled(withOptions.contains(format_->currentText()));
}

void VQSettingsViewController::settingsButtonPressed() {
  if (!item_) return;
  item_->setSettings_outputFormat(format_->currentText());
  item_->settings_pageRangeType = range_->checkedId() == 1 ? 1 : 0;
  item_->settings_customPageRange = rangeText_->text();
  // The item keeps its own image type: only its image sheet changes it.
  updateUI();
  emit didUpdateSettings();
}

void VQSettingsViewController::updateRangeNotice() {
  const bool none =
      item_ && item_->settings_pageRangeType == 1 && item_->sourcePages() > 0 && item_->outputPDFPageIndexs().empty();
  rangeNotice_->setVisible(none);
}

VQPDFConversionSettings* VQSettingsViewController::moreSettingsButtonAction() {
  if (!item_) return nullptr;
  const QString format = item_->settings_outputFormat();
  VQPDFConversionSettings* sheet = nullptr;
  if (format == "Microsoft Excel(.xlsx)" || format == "Comma-Separated Values(.csv)") sheet = excel_;
  else if (format == "Microsoft Word(.docx)") sheet = word_;
  else if (format == kImageFilesFormat) sheet = image_;
  if (!sheet) return nullptr;
  sheet->fillWithValues(item_);
  sheet->open();
  return sheet;
}

void VQSettingsViewController::chooseFolder(const QString& start, bool beforeConversion) {
  auto* panel = new QFileDialog(window(), vqLocalized("Choose a output directory to save documents:"), start);
  panel->setAttribute(Qt::WA_DeleteOnClose);
  panel->setWindowModality(Qt::WindowModal);
  panel->setFileMode(QFileDialog::Directory);
  panel->setOption(QFileDialog::ShowDirsOnly);
  panel->setLabelText(QFileDialog::Accept, vqLocalized("Choose"));
  connect(panel, &QFileDialog::fileSelected, this, [this, beforeConversion](const QString& folder) {
    outputDirectoryChosen(folder);
    if (beforeConversion) emit didCreationFirstOutputDirectory();
  });
  panel->open();
}

void VQSettingsViewController::browseOutputDirectry() {
  chooseFolder(VQSandBoxUtilities::UserSelectedOutputURLBookmark(), false);
}

void VQSettingsViewController::browseOutputDirectryBeforeConversion() {
  chooseFolder(QDir::home().filePath("Documents"), true);
}

void VQSettingsViewController::outputDirectoryChosen(const QString& folder) {
  if (folder.isEmpty()) return;
  VQSandBoxUtilities::SaveUserSelectedOutputURLBookmark(folder);
  showOutputFolder();
}

void VQSettingsViewController::revealOutputDirectry() {
  const QString folder = outputPath_->text();
  if (QFileInfo::exists(folder) && VQWorkspace::shared()) VQWorkspace::shared()->openFile(folder);
}

bool VQSettingsViewController::applyToAll() const { return applyToAll_->isChecked(); }

}  // namespace vq::app

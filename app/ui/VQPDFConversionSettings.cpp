#include "ui/VQPDFConversionSettings.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <cmath>

#include "core/VQConversionFormats.h"
#include "core/VQUserDefaults.h"

namespace vq::app {

namespace {
// A row of exclusive toggle buttons, ids 0.. in order.
QButtonGroup* segments(QWidget* parent, QBoxLayout* into, const QStringList& titles) {
  auto* group = new QButtonGroup(parent);
  auto* row = new QHBoxLayout;
  row->setSpacing(0);
  for (int i = 0; i < titles.size(); ++i) {
    auto* button = new QPushButton(titles[i], parent);
    button->setCheckable(true);
    group->addButton(button, i);
    row->addWidget(button);
  }
  into->addLayout(row);
  return group;
}

QButtonGroup* radios(QWidget* parent, QBoxLayout* into, const QStringList& titles, bool horizontal = false) {
  auto* group = new QButtonGroup(parent);
  QBoxLayout* row = horizontal ? static_cast<QBoxLayout*>(new QHBoxLayout) : new QVBoxLayout;
  for (int i = 0; i < titles.size(); ++i) {
    auto* button = new QRadioButton(titles[i], parent);
    group->addButton(button, i);
    row->addWidget(button);
  }
  into->addLayout(row);
  return group;
}

void check(QButtonGroup* group, int id) {
  if (QAbstractButton* button = group->button(id)) button->setChecked(true);
}
}  // namespace

VQPDFConversionSettings::VQPDFConversionSettings(QWidget* parent) : QDialog(parent) {
  setWindowModality(Qt::WindowModal);
  new QVBoxLayout(this);
}

void VQPDFConversionSettings::addDoneButton() {
  auto* buttons = new QDialogButtonBox(this);
  buttons->addButton(vqLocalized("Done"), QDialogButtonBox::AcceptRole);
  connect(buttons, &QDialogButtonBox::accepted, this, [this] {
    storeDefaults();
    accept();
  });
  layout()->addWidget(buttons);
}

void VQPDFConversionSettings::updateValueAction() {
  if (!filling_) emit valueUpdated();
}

VQWordSettings::VQWordSettings(QWidget* parent) : VQPDFConversionSettings(parent) {
  setWindowTitle(vqLocalized("Microsoft Word Options"));
  auto* box = static_cast<QBoxLayout*>(layout());
  mergeParagraph = new QCheckBox(vqLocalized("Merge lines into paragraphs"), this);
  trimBlankSpace = new QCheckBox(vqLocalized("Trim blank space characters"), this);
  enableShapToImage = new QCheckBox(vqLocalized("Convert vector shapes to images"), this);
  enableMergeIntersectImages = new QCheckBox(vqLocalized("Merge images that overlap"), this);
  for (QCheckBox* c : {mergeParagraph, trimBlankSpace, enableShapToImage, enableMergeIntersectImages}) {
    box->addWidget(c);
    connect(c, &QCheckBox::toggled, this, &VQWordSettings::updateValueAction);
  }
  addDoneButton();
}

void VQWordSettings::fillWithValues(const VQSourceFileItemRef& item) {
  filling_ = true;
  const VQWordOptions& o = item->convertOpts.wordOptions;
  mergeParagraph->setChecked(o.isMergeParagraphs);
  trimBlankSpace->setChecked(o.isTrimmingBlankSpaceCharacters);
  enableShapToImage->setChecked(o.enableShapToImage);
  enableMergeIntersectImages->setChecked(o.enableMergeIntersectImages);
  filling_ = false;
}

void VQWordSettings::applyToItem(const VQSourceFileItemRef& item) const {
  VQWordOptions& o = item->convertOpts.wordOptions;
  o.isMergeParagraphs = mergeParagraph->isChecked();
  o.isTrimmingBlankSpaceCharacters = trimBlankSpace->isChecked();
  o.enableShapToImage = enableShapToImage->isChecked();
  o.enableMergeIntersectImages = enableMergeIntersectImages->isChecked();
}

void VQWordSettings::storeDefaults() const {
  VQUserDefaults::set(kWordIsMergeParagraphs, mergeParagraph->isChecked());
  VQUserDefaults::set(kWordIsTrimmingBlankSpaceCharacters, trimBlankSpace->isChecked());
  VQUserDefaults::set(kWordEnableShapToImage, enableShapToImage->isChecked());
  VQUserDefaults::set(kWordEnableMergeIntersectImages, enableMergeIntersectImages->isChecked());
}

VQExcelSettings::VQExcelSettings(QWidget* parent) : VQPDFConversionSettings(parent) {
  setWindowTitle(vqLocalized("Microsoft Excel and CSV Options"));
  auto* box = static_cast<QBoxLayout*>(layout());
  auto* structure = new QGroupBox(vqLocalized("Cell formatting"), this);
  auto* structureBox = new QVBoxLayout(structure);
  dataStruct = radios(this, structureBox,
                      {vqLocalized("Keep the page's fonts, row heights and column widths"),
                       vqLocalized("Default font size, row height and column width"),
                       vqLocalized("Plain cells: default font, no number recognition")});
  box->addWidget(structure);
  auto* form = new QFormLayout;
  thousandSepartor = new QComboBox(this);
  thousandSepartor->addItems({vqLocalized("1,234.56"), vqLocalized("1.234,56")});
  overlapText = new QComboBox(this);
  overlapText->addItems({vqLocalized("Narrow"), vqLocalized("Medium"), vqLocalized("Wide")});
  form->addRow(vqLocalized("Numbers:"), thousandSepartor);
  form->addRow(vqLocalized("Join text of one line:"), overlapText);
  box->addLayout(form);
  auto* sheets = new QGroupBox(vqLocalized("Worksheets"), this);
  auto* sheetsBox = new QVBoxLayout(sheets);
  eachPageSheet = radios(this, sheetsBox, {vqLocalized("One sheet per page"), vqLocalized("All pages in one sheet")});
  aiosAddToRow = radios(this, sheetsBox,
                        {vqLocalized("Each page below the previous one"), vqLocalized("Each page to the right")}, true);
  box->addWidget(sheets);
  for (QButtonGroup* g : {dataStruct, eachPageSheet, aiosAddToRow})
    connect(g, &QButtonGroup::idToggled, this, [this](int, bool on) {
      updateAiosEnabled();
      if (on) updateValueAction();
    });
  for (QComboBox* c : {thousandSepartor, overlapText})
    connect(c, &QComboBox::currentIndexChanged, this, &VQExcelSettings::updateValueAction);
  addDoneButton();
}

void VQExcelSettings::updateAiosEnabled() {
  const bool oneSheet = eachPageSheet->checkedId() == 1;
  for (QAbstractButton* b : aiosAddToRow->buttons()) b->setEnabled(oneSheet);
}

void VQExcelSettings::fillWithValues(const VQSourceFileItemRef& item) {
  filling_ = true;
  const VQExcelOptions& o = item->convertOpts.excelOptions;
  check(dataStruct, std::clamp(o.excelFormatOption, 0, 2));
  thousandSepartor->setCurrentIndex(std::clamp(o.thousandSepartor, 0, thousandSepartor->count() - 1));
  overlapText->setCurrentIndex(std::clamp(o.overlapText, 0, overlapText->count() - 1));
  check(eachPageSheet, o.allInOneSheet ? 1 : 0);
  check(aiosAddToRow, o.aiosAddToRow ? 0 : 1);
  updateAiosEnabled();
  filling_ = false;
}

void VQExcelSettings::applyToItem(const VQSourceFileItemRef& item) const {
  VQExcelOptions& o = item->convertOpts.excelOptions;
  o.excelFormatOption = std::max(0, dataStruct->checkedId());
  o.thousandSepartor = thousandSepartor->currentIndex();
  o.overlapText = overlapText->currentIndex();
  o.allInOneSheet = eachPageSheet->checkedId() == 1;
  o.aiosAddToRow = aiosAddToRow->checkedId() == 0;
}

void VQExcelSettings::storeDefaults() const {
  VQUserDefaults::set(kExcelFormatStyle, std::max(0, dataStruct->checkedId()));
  VQUserDefaults::set(kExcelThousandSepartor, thousandSepartor->currentIndex());
  VQUserDefaults::set(kExcelOverlapText, overlapText->currentIndex());
  VQUserDefaults::set(kExcelIsEachPageSheet, eachPageSheet->checkedId() == 1);
  VQUserDefaults::set(kExcelIsAiosAddToRow, aiosAddToRow->checkedId() == 0);
}

VQImageSettings::VQImageSettings(QWidget* parent) : VQPDFConversionSettings(parent) {
  setWindowTitle(vqLocalized("Image Options"));
  auto* box = static_cast<QBoxLayout*>(layout());
  auto* form = new QFormLayout;
  imageType = new QComboBox(this);
  imageType->addItems(VQConversionFormats::imageTypeNames());
  form->addRow(vqLocalized("Image type:"), imageType);
  box->addLayout(form);
  QStringList dpis, qualities;
  for (int dpi : kImageDPITable) dpis << QString::number(dpi);
  for (float q : kImageQualityTable) qualities << QString::number(static_cast<int>(std::lround(q * 100))) + "%";
  box->addWidget(new QLabel(vqLocalized("Resolution (DPI):"), this));
  imageDPI = segments(this, box, dpis);
  box->addWidget(new QLabel(vqLocalized("Quality:"), this));
  imageQuality = segments(this, box, qualities);
  for (QButtonGroup* g : {imageDPI, imageQuality})
    connect(g, &QButtonGroup::idToggled, this, [this](int, bool on) {
      if (on) updateValueAction();
    });
  connect(imageType, &QComboBox::currentIndexChanged, this, &VQImageSettings::updateValueAction);
  addDoneButton();
}

int VQImageSettings::selectedSegmentFor_ImageDPI(int64_t dpi) {
  dpi = std::clamp<int64_t>(dpi, 36, 1200);
  for (int i = 0; i < 10; ++i)
    if (kImageDPITable[i] == dpi) return i;
  return 5;
}

int VQImageSettings::selectedSegmentFor_ImageQuality(double quality) {
  quality = std::clamp(quality, 0.1, 1.0);
  for (int i = 0; i < 5; ++i)
    if (std::fabs(static_cast<double>(kImageQualityTable[i]) - quality) < static_cast<double>(0.05f)) return i;
  return 3;
}

QString VQImageSettings::selectedValue_ImageType() const {
  const QString title = imageType->currentText();
  return VQConversionFormats::imageTypeNames().contains(title) ? title : QString(kDefaultImageType);
}

int64_t VQImageSettings::selectedValue_ImageDPI() const {
  const int id = imageDPI->checkedId();
  return id >= 0 && id < 10 ? kImageDPITable[id] : 144;
}

double VQImageSettings::selectedValue_ImageQuality() const {
  const int id = imageQuality->checkedId();
  return id >= 0 && id < 5 ? static_cast<double>(kImageQualityTable[id]) : static_cast<double>(0.92f);
}

void VQImageSettings::fillWithValues(const VQSourceFileItemRef& item) {
  filling_ = true;
  check(imageDPI, selectedSegmentFor_ImageDPI(item->convertOpts.imageOptions.dpi()));
  check(imageQuality, selectedSegmentFor_ImageQuality(item->convertOpts.imageOptions.quality()));
  const int at = imageType->findText(item->settings_outputFormat_imageType());
  imageType->setCurrentIndex(at >= 0 ? at : imageType->findText(kDefaultImageType));
  filling_ = false;
}

void VQImageSettings::applyToItem(const VQSourceFileItemRef& item) const {
  // The type goes to this item (and becomes the default of new items); it is
  // never read back from the defaults, which another item may have changed.
  item->setSettings_outputFormat_imageType(selectedValue_ImageType());
  item->convertOpts.imageOptions.setDpi(selectedValue_ImageDPI());
  item->convertOpts.imageOptions.setQuality(selectedValue_ImageQuality());
}

void VQImageSettings::storeDefaults() const {
  VQUserDefaults::set(kImageImageDPI, static_cast<qint64>(selectedValue_ImageDPI()));
  VQUserDefaults::set(kImageImageQuality, static_cast<float>(selectedValue_ImageQuality()));
}

}  // namespace vq::app

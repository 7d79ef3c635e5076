#include "ui/VQPreferencesWindowController.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/VQUserDefaults.h"
#include "ui/VQPDFConversionSettings.h"

namespace vq::app {

VQPreferencesWindowController::VQPreferencesWindowController(QWidget* parent) : QDialog(parent) {
  setWindowTitle(vqLocalized("Preferences"));
  auto* layout = new QVBoxLayout(this);
  auto* general = new QLabel(vqLocalized("General"), this);
  QFont bold = general->font();
  bold.setBold(true);
  general->setFont(bold);
  layout->addWidget(general);
  openAfter_ = new QCheckBox(vqLocalized("Open file after conversion"), this);
  annots_ = new QCheckBox(vqLocalized("Convert PDF Markups too"), this);
  layout->addWidget(openAfter_);
  layout->addWidget(annots_);
  layout->addWidget(new QLabel(vqLocalized("The DPI of images When export PDF elements"), this));
  dpi_ = new QButtonGroup(this);
  auto* row = new QHBoxLayout;
  row->setSpacing(0);
  for (int i = 0; i < 10; ++i) {
    auto* button = new QPushButton(QString::number(kImageDPITable[i]), this);
    button->setCheckable(true);
    dpi_->addButton(button, i);
    row->addWidget(button);
  }
  layout->addLayout(row);
  loadUpdateSettings();
  connect(openAfter_, &QCheckBox::toggled, this, [](bool on) { VQUserDefaults::set(kOpenFileAfterConversion, on); });
  connect(annots_, &QCheckBox::toggled, this, [](bool on) { VQUserDefaults::set(kParserPDFAnnotsAction, on); });
  connect(dpi_, &QButtonGroup::idClicked, this, [this](int id) {
    imageDPI_ = kImageDPITable[id];
    VQUserDefaults::set(kImageDPI, static_cast<qint64>(imageDPI_));
  });
}

void VQPreferencesWindowController::loadUpdateSettings() {
  openAfter_->setChecked(VQPreferences::openFileAfterConversion());
  annots_->setChecked(VQPreferences::parserPDFAnnots());
  // Shown within the table's range; stored only when the user picks a value.
  imageDPI_ = std::clamp<int64_t>(VQPreferences::imageDPI(), 36, 1200);
  int segment = 5;
  for (int i = 0; i < 10; ++i)
    if (kImageDPITable[i] == imageDPI_) segment = i;
  dpi_->button(segment)->setChecked(true);
}

void VQPreferencesWindowController::showWindow() {
  if (isVisible()) {
    close();
    return;
  }
  loadUpdateSettings();
  show();
  raise();
}

}  // namespace vq::app

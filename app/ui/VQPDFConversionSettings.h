#pragma once
// The option sheets of the settings pane: Word, Excel/CSV and image options
// of one item. Every change goes straight into the item; Done also keeps the
// values as the defaults of new items.
#include <QDialog>

#include "core/VQSourceFileItem.h"

class QAbstractButton;
class QButtonGroup;
class QCheckBox;
class QComboBox;

namespace vq::app {

class VQPDFConversionSettings : public QDialog {
  Q_OBJECT
 public:
  explicit VQPDFConversionSettings(QWidget* parent);
  // Sets the controls from the item (without reporting a change).
  virtual void fillWithValues(const VQSourceFileItemRef& item) = 0;
  // Copies the controls into the item.
  virtual void applyToItem(const VQSourceFileItemRef& item) const = 0;

 signals:
  void valueUpdated();

 protected:
  // The Done button: keeps the defaults, then closes.
  virtual void storeDefaults() const = 0;
  void addDoneButton();
  void updateValueAction();
  bool filling_ = false;
};

class VQWordSettings : public VQPDFConversionSettings {
  Q_OBJECT
 public:
  explicit VQWordSettings(QWidget* parent);
  void fillWithValues(const VQSourceFileItemRef& item) override;
  void applyToItem(const VQSourceFileItemRef& item) const override;
  QCheckBox* mergeParagraph;
  QCheckBox* trimBlankSpace;
  QCheckBox* enableShapToImage;
  QCheckBox* enableMergeIntersectImages;

 protected:
  void storeDefaults() const override;
};

class VQExcelSettings : public VQPDFConversionSettings {
  Q_OBJECT
 public:
  explicit VQExcelSettings(QWidget* parent);
  void fillWithValues(const VQSourceFileItemRef& item) override;
  void applyToItem(const VQSourceFileItemRef& item) const override;
  QButtonGroup* dataStruct;  // ids 0, 1, 2: the format style
  QComboBox* thousandSepartor;
  QComboBox* overlapText;
  QButtonGroup* eachPageSheet;  // 0 one sheet per page, 1 all pages in one sheet
  QButtonGroup* aiosAddToRow;   // 0 below the previous page, 1 to its right

 protected:
  void storeDefaults() const override;

 private:
  void updateAiosEnabled();
};

class VQImageSettings : public VQPDFConversionSettings {
  Q_OBJECT
 public:
  explicit VQImageSettings(QWidget* parent);
  void fillWithValues(const VQSourceFileItemRef& item) override;
  void applyToItem(const VQSourceFileItemRef& item) const override;

  static int selectedSegmentFor_ImageDPI(int64_t dpi);
  static int selectedSegmentFor_ImageQuality(double quality);
  QString selectedValue_ImageType() const;
  int64_t selectedValue_ImageDPI() const;
  double selectedValue_ImageQuality() const;

  QButtonGroup* imageDPI;
  QButtonGroup* imageQuality;
  QComboBox* imageType;

 protected:
  void storeDefaults() const override;
};

inline constexpr int kImageDPITable[10] = {36, 48, 72, 96, 120, 144, 216, 300, 600, 1200};
inline constexpr float kImageQualityTable[5] = {0.3f, 0.6f, 0.83f, 0.92f, 1.0f};

}  // namespace vq::app

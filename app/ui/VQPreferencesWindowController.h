#pragma once
// The preferences window: open outputs after conversion, convert markups,
// and the resolution of images rendered into documents. Each change is
// stored at once; the manager and the window read them at every use.
#include <QDialog>

class QButtonGroup;
class QCheckBox;

namespace vq::app {

class VQPreferencesWindowController : public QDialog {
  Q_OBJECT
 public:
  explicit VQPreferencesWindowController(QWidget* parent = nullptr);
  // The menu command: shows the window, or closes it when it is shown.
  void showWindow();
  void loadUpdateSettings();
  int64_t imageDPI() const { return imageDPI_; }

  QCheckBox* openFileAfterConversionBox() const { return openAfter_; }
  QCheckBox* parserPDFAnnotsBox() const { return annots_; }
  QButtonGroup* imageDPISegments() const { return dpi_; }

 private:
  QCheckBox* openAfter_;
  QCheckBox* annots_;
  QButtonGroup* dpi_;
  int64_t imageDPI_ = 144;
};

}  // namespace vq::app

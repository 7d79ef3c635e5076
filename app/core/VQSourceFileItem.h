#pragma once
// One PDF of the list: its path and password, the settings the user picked
// for it, the output of its last conversion and that conversion's error; and
// what the list row and the engine need from it.
#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "front/exporter/VQError.h"
#include "front/exporter/VQPDFOptions.h"

namespace vq::app {

class VQSourceFileItem;
using VQSourceFileItemRef = std::shared_ptr<VQSourceFileItem>;

class VQSourceFileItem {
 public:
  // A file gives one item; a folder gives one per file directly inside it
  // (sub-folders are skipped); nothing at the path gives none.
  static std::vector<VQSourceFileItemRef> CreateSourceItemsOfFileOrDirectoryAtPath(const QString& path);
  // Null when nothing exists at the path. The settings come from the defaults.
  static VQSourceFileItemRef initWithPath(const QString& path);

  const QString& sourcePath() const { return sourcePath_; }
  QString fileName() const;
  const QString& sourcePassword() const { return sourcePassword_; }
  void setSourcePassword(const QString& password);

  // Choosing a format or image type also makes it the default of new items.
  const QString& settings_outputFormat() const { return outputFormat_; }
  void setSettings_outputFormat(const QString& format);
  const QString& settings_outputFormat_imageType() const { return imageType_; }
  void setSettings_outputFormat_imageType(const QString& imageType);
  int64_t settings_pageRangeType = 0;  // 0 all pages, 1 custom range
  QString settings_customPageRange;

  const QString& outputPath() const { return outputPath_; }
  void setOutputPath(const QString& path) { outputPath_ = path; }
  std::optional<VQError> conversionError;
  VQPDFOptions convertOpts;

  uint64_t fileSize() const;
  QString fileSizeString() const;
  static QString FileSizeAtPath(const QString& path);
  static QString FileSizeString(uint64_t bytes);
  // Cached once known; 0 (and asked again next time) while the document does not open.
  int64_t sourcePages();
  bool isLocked() const;
  QString sourceFileIcon() const;
  QString sourceInfo();
  QString conversionOptions() const;
  QString outputFileIcon() const;
  bool outputFileIconEnable() const;
  QString outputFileFormat() const;
  // A new path in the output folder that nothing occupies yet, stored as `outputPath`.
  QString newOutputPath();
  std::vector<uint64_t> outputPDFPageIndexs();

  // The page list that `rangeType` and `rangeText` give for a document of `pageCount` pages.
  static std::vector<uint64_t> PageIndexs(int64_t rangeType, const QString& rangeText, int64_t pageCount);
  // `path` when nothing exists there, else "name N.ext" for the first free N from 2.
  static QString getNewPathby(const QString& path);

 private:
  explicit VQSourceFileItem(const QString& path);
  void initDefaults();

  int64_t sourcePages_ = 0;
  // Whether the file opens without a password, asked once: rows ask at every paint.
  mutable std::optional<bool> locked_;
  QString sourcePath_;
  QString sourcePassword_;
  QString outputPath_;
  QString outputFormat_;
  QString imageType_;
};

}  // namespace vq::app

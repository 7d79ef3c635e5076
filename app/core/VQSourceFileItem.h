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

#include "vqpapyrant/VQError.h"
#include "vqpapyrant/VQPDFOptions.h"

namespace vq::app {

class VQSourceFileItem;
using VQSourceFileItemRef = std::shared_ptr<VQSourceFileItem>;

// The end error of an item whose page range names none of its pages.
inline constexpr const char* kNoPagesInRange = "No pages of the document are in the page range.";
// The end error of an item whose output folder cannot be written.
inline constexpr const char* kOutputNotWritable = "The output folder can't be written.";

// The per-file choices that decide what a conversion makes.
struct VQConversionSettings {
  QString outputFormat;
  QString imageType;
  int64_t pageRangeType = 0;
  QString customPageRange;
  VQWordOptions wordOptions;
  VQExcelOptions excelOptions;
  VQImageOptions imageOptions;
  friend bool operator==(const VQConversionSettings&, const VQConversionSettings&) = default;
};

// What the item's last conversion made, with the settings it was made from.
struct VQConversionResult {
  VQConversionSettings settings;
  QString formatToken;  // "docx"
  QString pagesText;    // "All Pages", "1-3"
  QString outputPath;
  bool ended = false;
  std::optional<VQError> error;
  uint64_t failedPages = 0;
  QString exceptionReason;  // the last exception caught while converting
};

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

  // The settings as they are now.
  VQConversionSettings conversionSettings() const;
  // The conversion's course, reported by the manager: its start (after
  // `newOutputPath`), its failed pages and caught exceptions, its end.
  void conversionDidStart();
  void conversionDidFailPage();
  void conversionDidCatchException(const QString& reason);
  void conversionDidEnd(const std::optional<VQError>& error);
  // Forgets the last conversion: the row shows "Ready" again.
  void resetConversion();
  // The last conversion, when it has ended and the settings are still those
  // it was made with: a changed setting means the file is not yet converted.
  const VQConversionResult* currentResult() const;
  // Why the current result failed, in words; empty when it did not.
  QString failureReason() const;
  // The row's tool tip: the source path, and the output or the failure.
  QString toolTip() const;

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
  std::optional<VQConversionResult> result_;
};

}  // namespace vq::app

#include "core/VQSourceFileItem.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <filesystem>
#include <limits>

#include "core/VQCPDFUtilities.h"
#include "core/VQConversionFormats.h"
#include "core/VQSandBoxUtilities.h"
#include "core/VQUserDefaults.h"

namespace vq::app {

namespace {
// Something exists at the path, a dangling link included: an output must not
// replace it.
bool occupied(const QString& path) {
  std::error_code error;
  return std::filesystem::exists(std::filesystem::symlink_status(QFile::encodeName(path).toStdString(), error));
}

// The leading integer of `text` after leading blanks, with an optional sign;
// 0 when there is none. Digits past the 64-bit range saturate.
int64_t leadingInteger(const QString& text) {
  int i = 0;
  while (i < text.size() && text[i].isSpace()) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  int64_t value = 0;
  constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    const int digit = text[i].unicode() - '0';
    value = value > (kMax - digit) / 10 ? kMax : value * 10 + digit;
  }
  return negative ? -value : value;
}
}  // namespace

VQSourceFileItem::VQSourceFileItem(const QString& path) : sourcePath_(path) {}

std::vector<VQSourceFileItemRef> VQSourceFileItem::CreateSourceItemsOfFileOrDirectoryAtPath(const QString& path) {
  std::vector<VQSourceFileItemRef> items;
  const QFileInfo info(path);
  if (!info.exists()) return items;
  if (!info.isDir()) {
    if (auto item = initWithPath(path)) items.push_back(item);
    return items;
  }
  const QDir folder(path);
  for (const QString& name : folder.entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Unsorted))
    if (auto item = initWithPath(folder.filePath(name))) items.push_back(item);
  return items;
}

VQSourceFileItemRef VQSourceFileItem::initWithPath(const QString& path) {
  if (path.isEmpty() || !QFileInfo::exists(path)) return nullptr;
  VQSourceFileItemRef item(new VQSourceFileItem(path));
  item->initDefaults();
  return item;
}

void VQSourceFileItem::initDefaults() {
  outputFormat_ = VQCUtilities::stringValueForKey(kOutputFormat, kDefaultOutputFormat);
  imageType_ = VQCUtilities::stringValueForKey(kOutputFormatImageType, kDefaultImageType);
  settings_pageRangeType = 0;
  settings_customPageRange = vqLocalized("All Pages");
  VQWordOptions& word = convertOpts.wordOptions;
  word.isMergeParagraphs = VQCUtilities::boolValueForKey(kWordIsMergeParagraphs, true);
  word.isTrimmingBlankSpaceCharacters = VQCUtilities::boolValueForKey(kWordIsTrimmingBlankSpaceCharacters, true);
  word.enableShapToImage = VQCUtilities::boolValueForKey(kWordEnableShapToImage, false);
  word.enableMergeIntersectImages = VQCUtilities::boolValueForKey(kWordEnableMergeIntersectImages, true);
  VQExcelOptions& excel = convertOpts.excelOptions;
  excel.excelFormatOption = VQCUtilities::intValueForKey(kExcelFormatStyle, 0);
  excel.thousandSepartor = VQCUtilities::intValueForKey(kExcelThousandSepartor, 0);
  excel.overlapText = VQCUtilities::intValueForKey(kExcelOverlapText, 0);
  excel.allInOneSheet = VQCUtilities::boolValueForKey(kExcelIsEachPageSheet, false);
  excel.aiosAddToRow = VQCUtilities::boolValueForKey(kExcelIsAiosAddToRow, true);
  convertOpts.imageOptions.setDpi(VQCUtilities::integerValueForKey(kImageImageDPI, 144));
  convertOpts.imageOptions.setQuality(VQCUtilities::floatValueForKey(kImageImageQuality, 0.92f));
}

QString VQSourceFileItem::fileName() const { return QFileInfo(sourcePath_).fileName(); }

void VQSourceFileItem::setSourcePassword(const QString& password) {
  sourcePassword_ = password;
  sourcePages_ = 0;
}

void VQSourceFileItem::setSettings_outputFormat(const QString& format) {
  outputFormat_ = format;
  VQUserDefaults::set(kOutputFormat, format);
}

void VQSourceFileItem::setSettings_outputFormat_imageType(const QString& imageType) {
  imageType_ = imageType;
  VQUserDefaults::set(kOutputFormatImageType, imageType);
}

uint64_t VQSourceFileItem::fileSize() const {
  const QFileInfo info(sourcePath_);
  return info.isFile() ? static_cast<uint64_t>(info.size()) : 0;
}

QString VQSourceFileItem::FileSizeString(uint64_t bytes) {
  const double k = static_cast<double>(bytes >> 10);
  if (bytes < (1ull << 20)) return QString::asprintf("%0.1f %cB", k, 'K');
  if (bytes < (1ull << 30)) return QString::asprintf("%0.1f %cB", k / 1024, 'M');
  return QString::asprintf("%0.1f %cB", k / 1048576, 'G');
}

QString VQSourceFileItem::fileSizeString() const { return FileSizeString(fileSize()); }

QString VQSourceFileItem::FileSizeAtPath(const QString& path) {
  const QFileInfo info(path);
  return info.exists() ? FileSizeString(info.isFile() ? static_cast<uint64_t>(info.size()) : 0) : QString("");
}

int64_t VQSourceFileItem::sourcePages() {
  if (sourcePages_ > 0) return sourcePages_;
  sourcePages_ = VQCPDFUtilities::pageCountAtPath(sourcePath_, sourcePassword_);
  return sourcePages_;
}

bool VQSourceFileItem::isLocked() const {
  if (!locked_) locked_ = VQCPDFUtilities::isPDFDocumentLockedAtPath(sourcePath_);
  return *locked_;
}

QString VQSourceFileItem::sourceFileIcon() const { return isLocked() ? "icon_pdf_pw" : "icon_pdf"; }

QString VQSourceFileItem::sourceInfo() { return vqLocalized("%1 Pages, %2").arg(sourcePages()).arg(fileSizeString()); }

VQConversionSettings VQSourceFileItem::conversionSettings() const {
  return VQConversionSettings{outputFormat_,           imageType_,
                              settings_pageRangeType,  settings_customPageRange,
                              convertOpts.wordOptions, convertOpts.excelOptions,
                              convertOpts.imageOptions};
}

void VQSourceFileItem::conversionDidStart() {
  const QString pages = settings_pageRangeType == 1 ? settings_customPageRange : vqLocalized("All Pages");
  result_.emplace();
  result_->settings = conversionSettings();
  result_->formatToken = outputFileFormat();
  result_->pagesText = pages;
  result_->outputPath = outputPath_;
  conversionError.reset();
}

void VQSourceFileItem::conversionDidFailPage() {
  if (result_) ++result_->failedPages;
}

void VQSourceFileItem::conversionDidCatchException(const QString& reason) {
  if (result_) result_->exceptionReason = reason;
}

void VQSourceFileItem::conversionDidEnd(const std::optional<VQError>& error) {
  conversionError = error;
  if (!result_) return;
  result_->ended = true;
  result_->error = error;
}

void VQSourceFileItem::resetConversion() {
  outputPath_.clear();
  conversionError.reset();
  result_.reset();
}

const VQConversionResult* VQSourceFileItem::currentResult() const {
  if (!result_ || !result_->ended || result_->settings != conversionSettings()) return nullptr;
  return &*result_;
}

QString VQSourceFileItem::failureReason() const {
  const VQConversionResult* result = currentResult();
  if (!result) return QString();
  if (!result->error) return occupied(result->outputPath) ? QString() : vqLocalized("the output file is missing");
  const VQError& error = *result->error;
  if (error.reason == kOutputNotWritable) return vqLocalized("the output folder is not writable");
  switch (error.code) {
    case VQPapyrantErrorSourceMissing:
      return vqLocalized("the source file is missing");
    case VQPapyrantErrorLoad:
      return vqLocalized("the PDF document cannot be loaded");
    case VQPapyrantErrorCanceled:
      return vqLocalized("cancelled");
    case VQPapyrantErrorPage:
      if (error.reason == kNoPagesInRange) return vqLocalized("no page of the document is in the range");
      break;
    default:
      break;
  }
  // The engine's words for anything else, with the exception behind it when one was caught.
  QString reason = QString::fromStdString(error.reason);
  if (!result->exceptionReason.isEmpty()) reason += " " + result->exceptionReason;
  return reason;
}

QString VQSourceFileItem::conversionOptions() const {
  const VQConversionResult* result = currentResult();
  if (!result) {
    const QString pages = settings_pageRangeType == 1 ? settings_customPageRange : vqLocalized("All Pages");
    return QString("%1, %2, %3!").arg(pages, outputFileFormat().toUpper(), vqLocalized("Ready"));
  }
  const QString head = QString("%1, %2, ").arg(result->pagesText, result->formatToken.toUpper());
  const QString reason = failureReason();
  if (result->error && result->error->code == VQPapyrantErrorCanceled) return head + vqLocalized("Cancelled");
  if (!reason.isEmpty()) return head + vqLocalized("Failed: %1").arg(reason);
  if (result->failedPages == 1) return head + vqLocalized("Success, 1 page failed");
  if (result->failedPages > 1) return head + vqLocalized("Success, %1 pages failed").arg(result->failedPages);
  return head + vqLocalized("Success") + "!";
}

QString VQSourceFileItem::toolTip() const {
  QString tip = sourcePath_;
  if (outputFileIconEnable()) tip += "\n" + vqLocalized("Output: %1").arg(currentResult()->outputPath);
  else if (const QString reason = failureReason(); !reason.isEmpty())
    tip += "\n" + vqLocalized("Failed: %1").arg(reason);
  return tip;
}

QString VQSourceFileItem::outputFileIcon() const {
  QString icon = VQConversionFormats::formatIcon(outputFormat_);
  if (icon == "icon_image") icon = VQConversionFormats::formatIcon(imageType_);
  return icon;
}

// A conversion that failed may leave something at its destination (or find
// something there from before): that is not its output. Nor is an output
// made with other settings than the row now shows.
bool VQSourceFileItem::outputFileIconEnable() const {
  const VQConversionResult* result = currentResult();
  return result && !result->error && !result->outputPath.isEmpty() && occupied(result->outputPath);
}

QString VQSourceFileItem::outputFileFormat() const {
  QString token = VQConversionFormats::formatToken(outputFormat_);
  if (token == "image") token = VQConversionFormats::formatToken(imageType_);
  return token.isEmpty() ? QString("docx") : token;
}

QString VQSourceFileItem::getNewPathby(const QString& path) {
  if (!occupied(path)) return path;
  const QFileInfo info(path);
  const QString suffix = info.suffix();
  const QString stem = suffix.isEmpty() ? path : path.left(path.size() - suffix.size() - 1);
  QString candidate;
  for (int n = 2; n <= 99999999; ++n) {
    candidate = suffix.isEmpty() ? QString("%1 %2").arg(stem).arg(n) : QString("%1 %2.%3").arg(stem).arg(n).arg(suffix);
    if (!occupied(candidate)) break;
  }
  return candidate;
}

QString VQSourceFileItem::newOutputPath() {
  const QString name = QFileInfo(sourcePath_).completeBaseName() + "." + outputFileFormat();
  outputPath_ = getNewPathby(QDir(VQSandBoxUtilities::outputFolder()).filePath(name));
  return outputPath_;
}

std::vector<uint64_t> VQSourceFileItem::outputPDFPageIndexs() {
  return PageIndexs(settings_pageRangeType, settings_customPageRange, sourcePages());
}

std::vector<uint64_t> VQSourceFileItem::PageIndexs(int64_t rangeType, const QString& rangeText, int64_t pageCount) {
  std::vector<uint64_t> pages;
  auto allPages = [&] {
    for (int64_t p = 1; p <= pageCount; ++p) pages.push_back(static_cast<uint64_t>(p));
  };
  if (rangeType == 0) {
    allPages();
    return pages;
  }
  if (rangeType != 1) return pages;
  if (rangeText.isEmpty()) {
    if (pageCount > 0) pages.push_back(1);
    return pages;
  }
  if (rangeText == vqLocalized("All Pages")) {
    allPages();
    return pages;
  }
  for (const QString& part : rangeText.split(',')) {
    if (!part.contains('-')) {
      const int64_t v = leadingInteger(part);
      if (v >= 1 && v <= pageCount) pages.push_back(static_cast<uint64_t>(v));
      continue;
    }
    const QStringList ends = part.split('-');
    if (ends.size() != 2) continue;
    const int64_t a = leadingInteger(ends[0]), b = leadingInteger(ends[1]);
    // Only values within the document survive, so the walk starts and stops
    // there: "1-2000000000" costs as much as "1-N".
    if (a <= b) {
      for (int64_t v = std::max<int64_t>(a, 1); v <= std::min(b, pageCount); ++v)
        pages.push_back(static_cast<uint64_t>(v));
    } else {
      for (int64_t v = std::min(a, pageCount); v >= std::max<int64_t>(b, 1); --v)
        pages.push_back(static_cast<uint64_t>(v));
    }
  }
  return pages;
}

}  // namespace vq::app

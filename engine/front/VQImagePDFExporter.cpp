#include "front/VQImagePDFExporter.h"

#include <fmt/format.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "common/VQPDFPathUtilities.h"
#include "pdf/images/VQPDFImageFile.h"
#include "platform/diagnostics/VQDiagnostics.h"

namespace vq {

namespace {

std::string lowerASCII(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

}  // namespace

std::shared_ptr<VQPDFExporter> VQImageNewExporter(const std::string& destDocType, const std::string& destDocPath,
                                                  const VQPDFOptions& moreOptions) {
  if (!VQImagePDFExporter::IsImageTypeSupport(destDocType)) return nullptr;
  return VQSetUpExporter(std::make_shared<VQImagePDFExporter>(), destDocType, destDocPath, moreOptions);
}

bool VQImagePDFExporter::IsImageTypeSupport(const std::string& type) {
  static const char* const kTypes[] = {"jpg", "jpeg", "png", "bmp", "gif", "tiff", "tga", "jp2"};
  std::string key = lowerASCII(type);
  return std::any_of(std::begin(kTypes), std::end(kTypes), [&](const char* t) { return key == t; });
}

std::string VQImagePDFExporter::ImageFileName(const std::string& imageName, uint64_t pageIndex,
                                              const std::string& type) {
  std::string name = fmt::format("{}_{:05}.{}", imageName, pageIndex + 1, lowerASCII(type));
  // Characters that are path separators or wildcards on one system or another.
  std::erase_if(name, [](char c) { return std::string_view("/\\?%*|\"<>").find(c) != std::string_view::npos; });
  return name;
}

void VQImagePDFExporter::convertPDFBegin(const std::string&, const std::shared_ptr<const pdf::Document>&) {
  isShouldCancel = false;
  written_.clear();
  lastDrawingKey_.clear();
  saved_ = false;
  folderMade_ = false;
  std::error_code ec;
  const auto status = std::filesystem::symlink_status(destDocPath, ec);
  // A file at the destination stays until the images that replace it exist;
  // so does a link to a file, or to nothing, which is replaced as a document
  // replaces it (the file it names is left alone). A link to a folder takes
  // the images.
  const bool replaced =
      std::filesystem::is_regular_file(status) ||
      (std::filesystem::is_symlink(status) && !std::filesystem::is_directory(std::filesystem::status(destDocPath, ec)));
  imageFolder_ = replaced ? VQPDFPathUtilities::temporarySiblingName(destDocPath) : destDocPath;
}

void VQImagePDFExporter::convertPDFEnd(const std::shared_ptr<const pdf::Document>&) {
  if (written_.empty()) {
    convertPDFClean();
    return;
  }
  if (imageFolder_ != destDocPath && !VQPDFPathUtilities::replaceWith(imageFolder_, destDocPath)) {
    VQDiagnose(VQDiagnosticCategory::Output, "Can't put the page images at " + destDocPath);
    written_.clear();
    return;
  }
  saved_ = true;
}

void VQImagePDFExporter::convertPDFClean() {
  std::error_code ec;
  if (folderMade_) std::filesystem::remove_all(imageFolder_, ec);
  else
    for (const auto& path : written_) std::filesystem::remove(path, ec);
  written_.clear();
}

bool VQImagePDFExporter::isOutputWritten(const std::string&) const { return saved_ && !written_.empty(); }

std::string VQImagePDFExporter::nextPagePath() {
  std::string type = lowerASCII(destDocType);
  std::filesystem::path folder(imageFolder_);
  std::string path = VQPDFPathUtilities::getNewPathby(
      (folder / ImageFileName(moreOptions.imageOptions.imageName, pageIndex, type)).string());
  if (written_.empty() && !folderMade_) {
    std::error_code ec;
    folderMade_ = !std::filesystem::exists(std::filesystem::symlink_status(folder, ec));
  }
  VQPDFPathUtilities::createFolderIfNeed(folder.string());
  return path;
}

bool VQImagePDFExporter::repeatLastPage(const std::string& drawingKey) {
  if (written_.empty() || drawingKey != lastDrawingKey_) return false;
  // Read whole, in one call: an uncompressed page is megabytes.
  std::string bytes;
  {
    std::ifstream in(written_.back(), std::ios::binary | std::ios::ate);
    const std::streamoff size = in ? static_cast<std::streamoff>(in.tellg()) : -1;
    if (size <= 0) return false;
    bytes.resize(static_cast<size_t>(size));
    in.seekg(0);
    if (!in.read(bytes.data(), size)) return false;
  }
  const std::string path = nextPagePath();
  if (!VQPDFPathUtilities::writeFileAtomically(path, bytes)) return false;
  written_.push_back(path);
  return true;
}

bool VQImagePDFExporter::convertPDFPage(const std::optional<pdf::Page>& page, int64_t, int64_t) {
  // A stopped conversion writes no more pages, drawn or repeated.
  if (!page || isShouldCancel) return false;
  // A page drawn like the one before it (a document repeating one page
  // object, or pages sharing their contents and resources) is that page's
  // file again, not drawn and encoded once more.
  const std::optional<std::string> drawingKey = page->drawingKey();
  if (drawingKey && repeatLastPage(*drawingKey)) return true;
  lastDrawingKey_.clear();
  const auto& options = moreOptions.imageOptions;
  const double dpi = static_cast<double>(options.dpi());
  std::string error;
  std::optional<Bitmap> image = CapturePDFPage(*page, dpi, dpi, &error, &isShouldCancel, std::move(pageBitmap_));
  if (!image || image->empty()) {
    VQDiagnose(VQDiagnosticCategory::Render, fmt::format("Can't render page {}: {}", page->number(), error));
    return false;
  }
  std::string type = lowerASCII(destDocType);
  // Keys this exporter does not know are written as JPEG.
  std::string format = IsImageTypeSupport(type) ? type : "jpg";
  const std::string path = nextPagePath();
  if (!VQPDFExportCGImageToFileWithDestination_VQLib(*image, path, format, dpi, dpi,
                                                     static_cast<float>(options.quality()))) {
    VQDiagnose(VQDiagnosticCategory::Output, "Can't write the page image: " + path);
    return false;
  }
  written_.push_back(path);
  pageBitmap_ = std::move(*image);
  if (drawingKey) lastDrawingKey_ = *drawingKey;
  return true;
}

}  // namespace vq

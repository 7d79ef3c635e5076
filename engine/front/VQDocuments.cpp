#include "vqpapyrant/VQDocuments.h"

#include <exception>
#include <filesystem>
#include <system_error>

#include "exporter/VQPDFExporter.h"
#include "platform/graphics/VQPageRenderer.h"
#include "platform/pdf/PdfDocument.h"

namespace vq {

VQPDFDocumentInfo VQInspectPDFDocument(const std::string& path, const std::string& password) {
  VQPDFDocumentInfo info;
  std::error_code ignored;
  if (path.empty() || !std::filesystem::is_regular_file(path, ignored)) return info;
  pdf::OpenError error = pdf::OpenError::None;
  std::shared_ptr<pdf::Document> document;
  try {
    document = pdf::Document::open(path, password, &error);
  } catch (const std::exception&) {
    error = pdf::OpenError::Damaged;
  }
  if (!document) {
    switch (error) {
      case pdf::OpenError::PasswordRequired:
        info.status = VQPDFOpenStatus::PasswordRequired;
        break;
      case pdf::OpenError::NotFound:
        info.status = VQPDFOpenStatus::NotFound;
        break;
      default:
        info.status = VQPDFOpenStatus::Damaged;
    }
    return info;
  }
  info.status = VQPDFOpenStatus::Opened;
  info.allowsPrinting = document->allowsPrinting();
  info.pageCount = static_cast<uint64_t>(document->pageCount());
  return info;
}

std::optional<VQPageImage> VQRenderPDFPageImage(const std::string& path, const std::string& password, int pageNumber,
                                                double dpi) {
  // A preview goes through the same page checks as a conversion: a page
  // that would keep the renderer drawing for minutes (or that it refuses
  // as the file writes it) is not handed to it as it stands.
  std::shared_ptr<pdf::Document> document;
  try {
    document = pdf::Document::open(path, password);
  } catch (const std::exception&) {
    return std::nullopt;
  }
  std::optional<pdf::Page> source = document ? document->page(pageNumber) : std::nullopt;
  if (!source) return std::nullopt;
  std::optional<Bitmap> page = VQPDFExporter::CapturePDFPage(*source, dpi, dpi);
  if (!page || page->empty() || page->format != PixelFormat::RGB8) return std::nullopt;
  return VQPageImage{page->width, page->height, page->stride, std::move(page->pixels)};
}

}  // namespace vq

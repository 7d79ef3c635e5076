#pragma once
// The page exporter: the base of every output format. A conversion front
// creates one exporter per conversion, tells it once that a document begins,
// hands it the selected pages, polls it to write finished pages in page
// order, and finally has it write the output or clean up after a
// cancellation. Every operation has a do-nothing default.
#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "exporter/VQPDFOptions.h"
#include "platform/graphics/VQGeometry.h"
#include "platform/imageio/VQBitmap.h"
#include "platform/pdf/PdfDocument.h"

namespace vq {

class VQPDFExporter;

// Progress within one page; both fronts relay it to their own delegates on
// the main thread.
class VQPDFExporterDelegate {
 public:
  virtual ~VQPDFExporterDelegate() = default;
  virtual void pageIndexProgress(VQPDFExporter* exporter, uint64_t pageIndex, uint64_t progress) {
    (void)exporter, (void)pageIndex, (void)progress;
  }
};

class VQPDFExporter {
 public:
  VQPDFExporter() = default;
  virtual ~VQPDFExporter();
  VQPDFExporter(const VQPDFExporter&) = delete;
  VQPDFExporter& operator=(const VQPDFExporter&) = delete;

  // Set by the front before convertPDFBegin; read-only afterwards.
  VQPDFOptions moreOptions;
  std::string destDocType;
  std::string destDocPath;  // a file, or the folder of page images
  // The selection's length, set before convertPDFBegin.
  uint64_t toTotalPages = 0;
  // 0-based output place of the page being converted. Set before each page
  // only when pages arrive one at a time: by VQPapyrant to the number of pages
  // accepted so far, by VQPapyrantMutliThread to the page's position - 1.
  uint64_t pageIndex = 0;
  // Read inside page work by exporters that can stop early; cleared by every
  // exporter in convertPDFBegin.
  std::atomic<bool> isShouldCancel{false};
  VQPDFExporterDelegate* delegate = nullptr;  // not owned

  // Pages written in page order so far.
  virtual int64_t numFinishedPages();
  // Writes the finished pages that come next in page order; true when it
  // wrote something.
  virtual bool writePagesInOrderIfReadyTemp();
  // Once, before the first page.
  virtual void convertPDFBegin(const std::string& destPath, const std::shared_ptr<const pdf::Document>& document);
  // Converts one page. `page` is absent when the document cannot give it.
  // `toPageIndex` is the page's 1-based place in the output order, 1 to
  // `toTotalPages`. true = accepted, false = refused.
  virtual bool convertPDFPage(const std::optional<pdf::Page>& page, int64_t toPageIndex, int64_t toTotalPages);
  // The place `toPageIndex` stays empty: its page was out of range, could not
  // be read, was refused or threw. Sent once for every such place (never for a
  // place whose convertPDFPage answered true), so exporters that write pages
  // in order go on past it. May arrive on any thread the pages arrive on.
  virtual void skipPDFPage(int64_t toPageIndex, int64_t toTotalPages);
  // After the last page when not cancelled: writes the rest of the output,
  // including finished pages no poll wrote, and saves it at destDocPath.
  virtual void convertPDFEnd(const std::shared_ptr<const pdf::Document>& document);
  // Sent by stopConvertsionIfNeed and when a front is destroyed, on the
  // caller's thread, possibly while a page is being converted: sets
  // isShouldCancel, so that page work (a page being drawn by the renderer
  // too) ends early.
  virtual void cancelConvertPDF();
  // Sent instead of convertPDFEnd after a cancellation.
  virtual void convertPDFClean();
  // After convertPDFEnd: whether the conversion left an output at
  // `destPath` (the one convertPDFBegin had). A conversion that writes
  // nothing has failed, whatever its pages said.
  virtual bool isOutputWritten(const std::string& destPath) const;
  // Whether convertPDFPage may run on several threads at once while the
  // front polls writePagesInOrderIfReadyTemp and numFinishedPages. Only
  // exporters that say so are driven in parallel.
  virtual bool isConcurrentPagesSupported() const;

  // The whole page (crop box, turned by /Rotate) drawn over white at the
  // given resolution; nullopt when it cannot be rendered, or when `stop`
  // is set while it is being drawn. The bitmap takes the room of
  // `recycled` when that fits (a page after page caller hands back the
  // last one).
  static std::optional<Bitmap> CapturePDFPage(const pdf::Page& page, double dpiX, double dpiY,
                                              std::string* error = nullptr, const std::atomic<bool>* stop = nullptr,
                                              Bitmap recycled = {});
  // Maps `from` onto `to`: minus from's origin, then scale by to/from size,
  // then plus to's origin.
  static AffineTransform CGAffineTransformFromRect(const Rect& from, const Rect& to);
  // Writes the image as a 72 dpi PNG to a new temporary file; its path, or
  // nullopt when the image is empty or the write fails.
  static std::optional<std::string> SaveTempCGImage(const Bitmap& image);
};

// Every format makes its exporters the same way: from the destination type
// key, the destination path and the conversion's options, fully set up
// (moreOptions, destDocType and destDocPath filled in), or nullptr when the
// format has no exporter for the key.
using VQPDFExporterMaker = std::shared_ptr<VQPDFExporter> (*)(const std::string& destDocType,
                                                              const std::string& destDocPath,
                                                              const VQPDFOptions& moreOptions);

// Fills in what every new exporter carries and hands it back; nullptr stays
// nullptr.
template <typename Exporter>
std::shared_ptr<VQPDFExporter> VQSetUpExporter(std::shared_ptr<Exporter> exporter, const std::string& destDocType,
                                               const std::string& destDocPath, const VQPDFOptions& moreOptions) {
  if (!exporter) return nullptr;
  exporter->moreOptions = moreOptions;
  exporter->destDocType = destDocType;
  exporter->destDocPath = destDocPath;
  return exporter;
}

}  // namespace vq

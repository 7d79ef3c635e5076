#pragma once
// The page exporter for "docx": converts each page through a DOCX page parser,
// has the document write it as a part file of its own (from any page thread),
// appends finished pages in page order when polled, and writes the package at
// the end.
#include <memory>

#include "exporter/VQPDFExporter.h"
#include "pdf/VQPDFFontCache.h"

namespace vq {

class VQDocxDocument;

class VQDocxPDFExporter : public VQPDFExporter {
 public:
  VQDocxPDFExporter() = default;
  ~VQDocxPDFExporter() override;

  int64_t numFinishedPages() override;
  bool writePagesInOrderIfReadyTemp() override;
  // Throws when the work folder or the main part cannot be created.
  void convertPDFBegin(const std::string& destPath, const std::shared_ptr<const pdf::Document>& document) override;
  // False when the page is absent, the parser makes no page, or its part file
  // cannot be written; the front then reports the page and skips its place.
  bool convertPDFPage(const std::optional<pdf::Page>& page, int64_t toPageIndex, int64_t toTotalPages) override;
  void skipPDFPage(int64_t toPageIndex, int64_t toTotalPages) override;
  // Closes the body with every page that arrived and writes the package;
  // throws (leaving nothing at the destination) when any part or the zip
  // fails. The work folder is removed either way.
  void convertPDFEnd(const std::shared_ptr<const pdf::Document>& document) override;
  // Drops the document and its work folder; nothing is written.
  void convertPDFClean() override;
  bool isConcurrentPagesSupported() const override { return true; }

  const std::shared_ptr<VQDocxDocument>& documentHandle() const { return documentHandle_; }

 private:
  std::shared_ptr<VQDocxDocument> documentHandle_;
  std::unique_ptr<VQPDFThreadFontCaches> fontCaches_;
};

// The exporter for "docx"; nullptr for any other key. Its page parsers take
// the conversion's options from it.
std::shared_ptr<VQPDFExporter> VQDocxNewExporter(const std::string& destDocType, const std::string& destDocPath,
                                                 const VQPDFOptions& moreOptions);

}  // namespace vq

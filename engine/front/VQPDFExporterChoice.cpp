#include "front/VQPDFExporterChoice.h"

#include "flowtext/VQFlowTextPDFExporter.h"
#include "front/VQImagePDFExporter.h"
#include "office/docx/VQDocxPDFExporter.h"

namespace vq {

std::shared_ptr<VQPDFExporter> VQNewExporter(const std::string& destDocType, const std::string& destDocPath,
                                             const VQPDFOptions& moreOptions, VQFrontKind front) {
  std::shared_ptr<VQPDFExporter> exporter;
  // The document formats ("docx", "pptx", "xlsx"/"csv", "txt", "rtf",
  // "html") come before the image keys, compared exactly; their exporters
  // join this list as they are built.
  if (destDocType == "docx")
    exporter = VQDocxPDFExporter::makeForFront(moreOptions, front == VQFrontKind::SingleThread);
  if (destDocType == "html" || destDocType == "rtf" || destDocType == "txt")
    exporter = VQFlowTextNewExporter(destDocType);
  if (VQImagePDFExporter::IsImageTypeSupport(destDocType)) exporter = std::make_shared<VQImagePDFExporter>();
  if (!exporter) return nullptr;
  exporter->moreOptions = moreOptions;
  exporter->destDocType = destDocType;
  exporter->destDocPath = destDocPath;
  return exporter;
}

}  // namespace vq

#include "front/VQPDFExporterChoice.h"

#include "flowtext/VQFlowTextPDFExporter.h"
#include "front/VQImagePDFExporter.h"
#include "docx/VQDocxPDFExporter.h"
#include "pptx/VQPPTXPDFExporter.h"
#include "xlsx/VQExcelPDFExporter.h"

namespace vq {

std::shared_ptr<VQPDFExporter> VQNewExporter(const std::string& destDocType, const std::string& destDocPath,
                                             const VQPDFOptions& moreOptions, VQFrontKind front) {
  std::shared_ptr<VQPDFExporter> exporter;
  // The document formats come before the image keys and are compared
  // exactly; the image keys take any letter case.
  if (destDocType == "docx")
    exporter = VQDocxPDFExporter::makeForFront(moreOptions, front == VQFrontKind::SingleThread);
  if (destDocType == "pptx") exporter = std::make_shared<VQPPTXPDFExporter>();
  if (destDocType == "xlsx" || destDocType == "csv") exporter = VQExcelNewExporter(destDocType);
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

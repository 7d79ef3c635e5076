#include "front/VQPDFExporterChoice.h"

#include "docx/VQDocxPDFExporter.h"
#include "flowtext/VQFlowTextPDFExporter.h"
#include "front/VQImagePDFExporter.h"
#include "pptx/VQPPTXPDFExporter.h"
#include "xlsx/VQExcelPDFExporter.h"

namespace vq {

std::shared_ptr<VQPDFExporter> VQNewExporter(const std::string& destDocType, const std::string& destDocPath,
                                             const VQPDFOptions& moreOptions) {
  // Each maker answers only the keys of its own format; the document formats
  // compare keys exactly, the image keys take any letter case.
  static constexpr VQPDFExporterMaker kMakers[] = {VQDocxNewExporter, VQPPTXNewExporter, VQExcelNewExporter,
                                                   VQFlowTextNewExporter, VQImageNewExporter};
  for (VQPDFExporterMaker make : kMakers) {
    if (auto exporter = make(destDocType, destDocPath, moreOptions)) return exporter;
  }
  return nullptr;
}

}  // namespace vq

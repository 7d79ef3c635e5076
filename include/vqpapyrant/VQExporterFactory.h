#pragma once
// The hook through which a front can be handed the exporter of a conversion
// instead of the built-in choice for the destination type. The exporter is
// the engine's own type: a host sees it only as an opaque handle.
#include <functional>
#include <memory>
#include <string>

namespace vq {

class VQPDFExporter;
class VQPDFOptions;

using VQExporterFactory = std::function<std::shared_ptr<VQPDFExporter>(
    const std::string& destDocType, const std::string& destDocPath, const VQPDFOptions& moreOptions)>;

}  // namespace vq

#pragma once
// Which exporter a destination type key gets.
#include <memory>
#include <string>

#include "exporter/VQPDFExporter.h"

namespace vq {

// The exporter for `destDocType` (compared exactly, except that the image
// keys are taken in any case), with moreOptions, destDocType and destDocPath
// set; nullptr when the key has no exporter.
std::shared_ptr<VQPDFExporter> VQNewExporter(const std::string& destDocType, const std::string& destDocPath,
                                             const VQPDFOptions& moreOptions);

}  // namespace vq

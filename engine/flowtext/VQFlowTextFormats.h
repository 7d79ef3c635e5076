#pragma once
// The three flow-text document objects, HTML (VQHTMLPapyrant), RTF
// (VQRTFPapyrant) and plain UTF-8 text (VQTextWriter), and the choice
// between them by destination type.
#include <cstdint>
#include <memory>
#include <string>

#include "flowtext/VQFlowTextDocument.h"
#include "flowtext/VQHTMLPapyrant.h"
#include "flowtext/VQRTFPapyrant.h"
#include "flowtext/VQTextWriter.h"

namespace vq::flowtext {

// Makes the document object for a destination type: "html", "rtf" or "txt".
std::unique_ptr<VQFlowTextDocument> VQFlowTextMakeDocument(const std::string& destDocType,
                                                           const std::string& destinationPath, int64_t totalPages);

}  // namespace vq::flowtext

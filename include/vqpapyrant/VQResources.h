#pragma once
// The one lookup of the files in the engine's resource bundles (VQPDFParser,
// VQVellumate, VQTabulette, VQSlidequay).
//
// Resource roots are searched in this order:
//   1. share/vqpapyrant beside the running program's folder (../share/vqpapyrant
//      from its bin/), so that a tree installed under any prefix reads its own;
//   2. the install location (share/vqpapyrant under the configured prefix);
//   3. the folders named by the environment variable VQPAPYRANT_RESOURCES
//      (several may be given, separated by ':');
//   4. the source tree's engine/resources (builds that are not installed).
#include <optional>
#include <string>

#include "vqpapyrant/VQExport.h"

namespace vq {

// The full path of the file `relativePath` (for example
// "PDFEncodings/CMap/UniGB-UCS2-H") inside the resource bundle `bundle`, or
// nothing when no root's bundle holds such a file. The bundle is the folder
// <root>/<bundle> (or <root>/<bundle>.bundle); every root's copy is asked in
// turn. Absolute paths and paths with "." or ".." components are refused,
// since parts of such names (CMap names) come from the PDF being read. When no
// root has the bundle at all, a message goes to stderr.
VQ_EXPORT std::optional<std::string> VQResourcePath(const std::string& bundle, const std::string& relativePath);

}  // namespace vq

#pragma once
// Finding the engine's resource bundles (VQPDFParser, VQVellumate, VQTabulette,
// VQSlidequay) and the files inside them.
//
// Resource roots are searched in this order:
//   1. the folder named by the environment variable VQPAPYRANT_RESOURCES
//      (several folders may be given, separated by ':');
//   2. the install location (share/vqpapyrant under the install prefix);
//   3. the source tree's engine/resources (builds that are not installed).
#include <optional>
#include <string>
#include <vector>

// The path of the resource `name` of type `type` among the resource roots, or
// nothing. Type "bundle" names a bundle folder: "VQPDFParser", "bundle" gives
// <root>/VQPDFParser (a folder "VQPDFParser.bundle" is accepted as well). Any
// other type is a file extension ("FontBook", "plist" -> <root>/FontBook.plist);
// an empty type takes the name as it is.
std::optional<std::string> PathForResource_VQLib(const std::string& name, const std::string& type);

// The full path of `relativePath` (for example "PDFEncodings/CMap/UniGB-UCS2-H")
// inside the resource bundle `bundle`, or nothing when no root's bundle holds
// it. Absolute paths and paths with "." or ".." components are refused, since
// parts of such names (CMap names) come from the PDF being read.
std::optional<std::string> VQResourcePath(const std::string& bundle, const std::string& relativePath);

// The resource roots that exist, in search order.
std::vector<std::string> VQResourceRoots();

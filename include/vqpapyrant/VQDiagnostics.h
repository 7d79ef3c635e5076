#pragma once
// The engine's diagnostics: reports of something that went wrong on the way
// (an image that cannot be decoded, a file that cannot be written) that do not
// by themselves end the conversion. Each report is one line of text with a
// category. The lines go to standard error unless the host installs a
// handler, for instance to show them in its own window or log.
#include <functional>
#include <string_view>

#include "vqpapyrant/VQExport.h"

namespace vq {

enum class VQDiagnosticCategory {
  PDF,         // reading and interpreting the source document
  Image,       // decoding and encoding images
  Render,      // drawing pages and shapes into bitmaps
  Output,      // writing the converted files and their temporary parts
  Conversion,  // the conversion job itself
  Resources,   // the engine's own resource files
};

using VQDiagnosticHandler = std::function<void(VQDiagnosticCategory, std::string_view)>;

// Reports one line, given without its line break. Safe on any thread: the
// reports reach the handler one at a time, so a handler need not be
// thread-safe itself. A handler must neither throw nor report in turn.
VQ_EXPORT void VQDiagnose(VQDiagnosticCategory category, std::string_view message);

// Every later report goes to `handler`; an empty handler (nullptr) restores
// standard error. Returns once no report is still running in the old handler.
VQ_EXPORT void VQSetDiagnosticHandler(VQDiagnosticHandler handler);

}  // namespace vq

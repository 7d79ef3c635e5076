#include "flowtext/VQFlowTextFormats.h"

#include <algorithm>
#include <cctype>

namespace vq::flowtext {

std::unique_ptr<VQFlowTextDocument> VQFlowTextMakeDocument(const std::string& type, const std::string& path,
                                                           int64_t totalPages) {
  std::string t = type;
  std::transform(t.begin(), t.end(), t.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (t == "html") return std::make_unique<VQHTMLPapyrant>(path, totalPages);
  if (t == "rtf") return std::make_unique<VQRTFPapyrant>(path, totalPages);
  if (t == "txt") return std::make_unique<VQTextWriter>(path, totalPages);
  return nullptr;
}

}  // namespace vq::flowtext

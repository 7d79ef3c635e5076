#pragma once
// The RTF document object of a flow-text conversion: the body is written
// into a work file while the font and colour tables are gathered, and the
// destination is assembled from both at the end.
#include <cstdint>
#include <memory>
#include <string>

#include "flowtext/VQFlowTextDocument.h"
#include "flowtext/VQRTFState.h"

namespace vq::flowtext {

class VQRTFPapyrant : public VQFlowTextDocument {
 public:
  VQRTFPapyrant(std::string destinationPath, int64_t totalPages)
      : VQFlowTextDocument(std::move(destinationPath), totalPages) {}
  ~VQRTFPapyrant() override;
  const VQRTFState& state() const { return state_; }

 protected:
  VQFlowTextFileWriter* bodyWriter() override { return contentWriter_.get(); }
  bool openWriters() override;
  void closeAndRemoveWriters() override;
  bool assemble() override;
  void writeParagraphOpen(VQFlowTextParagraph& paragraph, const VQFlowTextMargin& margin) override;
  void writeRun(const VQFlowTextRunText& run) override;
  void resetStyles() override { state_.resetToDefault(); }

 private:
  std::unique_ptr<VQRTFFileWriter> fileWriter_;
  std::unique_ptr<VQRTFFileWriter> contentWriter_;
  VQRTFState state_;
};

}  // namespace vq::flowtext

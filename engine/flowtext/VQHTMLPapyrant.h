#pragma once
// The HTML document object of a flow-text conversion: the body is written
// into a work file with a style sheet of paragraph and span classes
// gathered on the way, and the destination is assembled from both at the
// end.
#include <cstdint>
#include <memory>
#include <string>

#include "flowtext/VQFlowTextDocument.h"
#include "flowtext/VQHTMLState.h"

namespace vq::flowtext {

class VQHTMLPapyrant : public VQFlowTextDocument {
 public:
  VQHTMLPapyrant(std::string destinationPath, int64_t totalPages)
      : VQFlowTextDocument(std::move(destinationPath), totalPages) {}
  ~VQHTMLPapyrant() override;
  const VQHTMLState& state() const { return state_; }

 protected:
  VQFlowTextFileWriter* bodyWriter() override { return contentWriter_.get(); }
  bool openWriters() override;
  void closeAndRemoveWriters() override;
  bool assemble() override;
  void writeParagraphOpen(VQFlowTextParagraph& paragraph, const VQFlowTextMargin& margin) override;
  void writeRun(const VQFlowTextRunText& run) override;
  void closePage() override;
  void resetStyles() override { state_.resetToDefault(); }

 private:
  std::unique_ptr<VQHTMLFileWriter> fileWriter_;
  std::unique_ptr<VQHTMLFileWriter> contentWriter_;
  VQHTMLState state_;
};

}  // namespace vq::flowtext

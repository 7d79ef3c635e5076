#pragma once
// The plain-text document object of a flow-text conversion: UTF-8 text
// written straight into the destination.
#include <cstdint>
#include <memory>
#include <string>

#include "flowtext/VQFlowTextDocument.h"

namespace vq::flowtext {

class VQTextWriter : public VQFlowTextDocument {
 public:
  VQTextWriter(std::string destinationPath, int64_t totalPages)
      : VQFlowTextDocument(std::move(destinationPath), totalPages) {}
  ~VQTextWriter() override;

 protected:
  VQFlowTextFileWriter* bodyWriter() override { return fileWriter_.get(); }
  bool openWriters() override;
  void closeAndRemoveWriters() override;
  bool assemble() override;
  bool measuresLineGaps() const override { return false; }
  void writeParagraphOpen(VQFlowTextParagraph&, const VQFlowTextMargin&) override {}
  void writeRun(const VQFlowTextRunText& run) override;

 private:
  std::unique_ptr<VQTextFileWriter> fileWriter_;
};

}  // namespace vq::flowtext

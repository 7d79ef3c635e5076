#pragma once
// The three flow-text document objects: HTML (a style sheet of paragraph and
// span classes), RTF (font and colour tables) and plain UTF-8 text.
#include <memory>

#include "flowtext/VQFlowTextDocument.h"
#include "flowtext/VQHTMLState.h"
#include "flowtext/VQRTFState.h"

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

// Makes the document object for a destination type: "html", "rtf" or "txt".
std::unique_ptr<VQFlowTextDocument> VQFlowTextMakeDocument(const std::string& destDocType,
                                                           const std::string& destinationPath, int64_t totalPages);

}  // namespace vq::flowtext

#include "flowtext/VQTextWriter.h"

namespace vq::flowtext {

VQTextWriter::~VQTextWriter() = default;

bool VQTextWriter::openWriters() {
  fileWriter_ = VQFlowTextFileWriter::Open<VQTextFileWriter>(partFilePath_);
  return fileWriter_ != nullptr;
}

void VQTextWriter::closeAndRemoveWriters() {
  fileWriter_.reset();
  removePartFile();
}

void VQTextWriter::writeRun(const VQFlowTextRunText& run) { fileWriter_->write(run.runText); }

bool VQTextWriter::assemble() { return fileWriter_ && fileWriter_->closeFile(); }

}  // namespace vq::flowtext

#include "flowtext/VQTextWriter.h"

namespace vq::flowtext {

VQTextWriter::~VQTextWriter() = default;

bool VQTextWriter::openWriters() {
  fileWriter_ = VQFlowTextFileWriter::Open<VQTextFileWriter>(savedFilePath_);
  return fileWriter_ != nullptr;
}

void VQTextWriter::closeAndRemoveWriters() {
  fileWriter_.reset();
  removeDestinationFile();
}

void VQTextWriter::writeRun(const VQFlowTextRunText& run) { fileWriter_->write(run.runText); }

bool VQTextWriter::assemble() { return fileWriter_ && fileWriter_->closeFile(); }

}  // namespace vq::flowtext

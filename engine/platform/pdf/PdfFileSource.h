#pragma once
// The bytes of a PDF file as qpdf reads them. qpdf reads a file in many small
// pieces, each after a seek (a token, an object header, a cross-reference
// entry); through a C stream every one of them costs a seek and a read of
// the system. This source keeps a window of the file and answers reads
// inside it from memory, reading the file with pread only when a read falls
// outside, so a page costs a few system calls instead of hundreds.
#include <qpdf/InputSource.hh>

#include <string>
#include <vector>

namespace vq::pdf {

class PdfFileSource final : public InputSource {
 public:
  // Throws std::runtime_error when the file cannot be opened.
  explicit PdfFileSource(const std::string& path);
  ~PdfFileSource() override;
  PdfFileSource(const PdfFileSource&) = delete;
  PdfFileSource& operator=(const PdfFileSource&) = delete;

  qpdf_offset_t findAndSkipNextEOL() override;
  std::string const& getName() const override { return name_; }
  qpdf_offset_t tell() override { return position_; }
  void seek(qpdf_offset_t offset, int whence) override;
  void rewind() override { position_ = 0; }
  size_t read(char* buffer, size_t length) override;
  void unreadCh(char ch) override;

 private:
  // Reads up to `length` bytes at `offset`; 0 at the end of the file.
  size_t readAt(char* buffer, size_t length, qpdf_offset_t offset) const;
  // Clamps the position to the end of the file and refills the window there
  // when it does not hold it; false at the end of the file.
  bool windowHoldsPosition();

  std::string name_;
  int fd_ = -1;
  qpdf_offset_t size_ = 0;
  qpdf_offset_t position_ = 0;
  std::vector<char> window_;
  qpdf_offset_t windowStart_ = 0;
  size_t windowLength_ = 0;
};

}  // namespace vq::pdf

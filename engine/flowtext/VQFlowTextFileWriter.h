#pragma once
// Append-only UTF-8 text files for the flow-text formats. The three formats
// share the token rule: a run of line-break or indentation tokens is cut after
// five, so long runs of empty paragraphs do not pad the output. They differ in
// their tokens and in how content is escaped.
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

namespace vq::flowtext {

class VQFlowTextFileWriter {
 public:
  virtual ~VQFlowTextFileWriter();
  VQFlowTextFileWriter(const VQFlowTextFileWriter&) = delete;
  VQFlowTextFileWriter& operator=(const VQFlowTextFileWriter&) = delete;

  // Creates (or empties) the file and opens it. Returns nullptr when that is
  // impossible; LastOpenFailure() then says why.
  template <class W>
  static std::unique_ptr<W> Open(const std::string& path) {
    std::unique_ptr<W> w(new W());
    if (!w->open(path)) return nullptr;
    return w;
  }

  // Appends text unescaped. A text equal to the line-break or indentation
  // token counts towards the limit and is dropped past five in a row; any
  // other non-empty text resets the count.
  void write(std::string_view text);
  void writeContent(std::string_view text) { write(formatText(text)); }
  virtual void writeLinebreak() { write(lineBreak_); }
  virtual void writeIndentation() { write(indentation_); }
  void writeData(std::string_view bytes);  // no token rule
  // Flushes and closes; false when any write or the close failed.
  bool closeFile();

  bool failed() const { return failed_; }
  // The system's reason the calling thread's last open failed.
  static const std::string& LastOpenFailure() { return LastOpenFailureSlot(); }
  const std::string& textPath() const { return path_; }
  const std::string& lineBreak() const { return lineBreak_; }
  const std::string& indentation() const { return indentation_; }
  virtual std::string formatText(std::string_view text) const = 0;

 protected:
  VQFlowTextFileWriter(std::string lineBreak, std::string indentation);

 private:
  static std::string& LastOpenFailureSlot();
  bool open(const std::string& path);
  void append(std::string_view bytes);
  void flushPending();

  struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
  };
  std::unique_ptr<std::FILE, FileCloser> file_;
  std::string path_;
  std::string lineBreak_;
  std::string indentation_;
  static constexpr size_t kPendingLimit = 1 << 16;
  std::string pending_;  // written, not yet handed to the file
  long lineBreakCount_ = 0;
  bool failed_ = false;
};

// HTML body text: markup characters become entities, line ends and tabs a
// line break element.
class VQHTMLFileWriter : public VQFlowTextFileWriter {
 public:
  VQHTMLFileWriter() : VQFlowTextFileWriter("<br>", "   ") {}
  std::string formatText(std::string_view text) const override;
};

// RTF text: control characters are escaped; line breaks go through the
// escaping too, so only indentations count towards the limit.
class VQRTFFileWriter : public VQFlowTextFileWriter {
 public:
  VQRTFFileWriter() : VQFlowTextFileWriter("\n", "    ") {}
  std::string formatText(std::string_view text) const override;
  void writeLinebreak() override { writeContent(lineBreak()); }
  void writeIndentation() override { writeContent(indentation()); }
};

// Plain UTF-8 text, unescaped.
class VQTextFileWriter : public VQFlowTextFileWriter {
 public:
  VQTextFileWriter() : VQFlowTextFileWriter("\n", "    ") {}
  std::string formatText(std::string_view text) const override { return std::string(text); }
};

// UTF-8 helpers shared by the writers.
// Decodes one code point at `i` and advances it; malformed bytes give U+FFFD.
char32_t VQFlowTextNextCodePoint(std::string_view s, size_t& i);
void VQFlowTextAppendUTF8(std::string& out, char32_t cp);

// HTML text with its markup characters as entities and control characters
// dropped. Body text keeps its apostrophes and shows tabs and line ends as
// line breaks; the head's text (its title and meta contents) escapes the
// apostrophe too and drops those controls with the others.
enum class VQHTMLEscaping { bodyText, headText };
std::string VQHTMLEscape(std::string_view text, VQHTMLEscaping escaping);

}  // namespace vq::flowtext

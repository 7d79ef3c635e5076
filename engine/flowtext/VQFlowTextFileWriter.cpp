#include "flowtext/VQFlowTextFileWriter.h"

#include <fmt/format.h>

#include "platform/diagnostics/VQDiagnostics.h"
#include "platform/text/Utf8.h"

#include <cerrno>
#include <cstring>

namespace vq::flowtext {

VQFlowTextFileWriter::VQFlowTextFileWriter(std::string lineBreak, std::string indentation)
    : lineBreak_(std::move(lineBreak)), indentation_(std::move(indentation)) {}

// A writer dropped without being closed hands on what it holds, as the
// stream's own buffer would on closing.
VQFlowTextFileWriter::~VQFlowTextFileWriter() { flushPending(); }

bool VQFlowTextFileWriter::open(const std::string& path) {
  path_ = path;
  file_.reset(std::fopen(path.c_str(), "wb"));
  if (!file_) {
    // Said by the caller, which knows what the file is for.
    LastOpenFailureSlot() = std::strerror(errno);
    return false;
  }
  return true;
}

void VQFlowTextFileWriter::append(std::string_view bytes) {
  if (!file_) {
    failed_ = true;
    return;
  }
  if (bytes.empty()) return;
  // Text comes a run (often a glyph) at a time: gathered here and handed to
  // the file in large pieces, it does not take the stream's lock per run.
  pending_.append(bytes);
  if (pending_.size() >= kPendingLimit) flushPending();
}

void VQFlowTextFileWriter::flushPending() {
  if (pending_.empty() || !file_) return;
  if (std::fwrite(pending_.data(), 1, pending_.size(), file_.get()) != pending_.size()) failed_ = true;
  pending_.clear();
}

void VQFlowTextFileWriter::write(std::string_view text) {
  if (text.empty()) return;
  if (text == lineBreak_ || text == indentation_) {
    const long before = lineBreakCount_++;
    if (before > 4) return;
  } else {
    lineBreakCount_ = 0;
  }
  append(text);
}

void VQFlowTextFileWriter::writeData(std::string_view bytes) { append(bytes); }

bool VQFlowTextFileWriter::closeFile() {
  if (file_) {
    flushPending();
    if (std::fflush(file_.get()) != 0 || std::ferror(file_.get())) failed_ = true;
    if (std::fclose(file_.release()) != 0) failed_ = true;
  }
  return !failed_;
}

char32_t VQFlowTextNextCodePoint(std::string_view s, size_t& i) {
  char32_t cp = 0;
  if (const size_t n = text::decodeUTF8At(s, i, &cp)) {
    i += n;
    return cp;
  }
  // One U+FFFD stands for a byte that starts no sequence, for the bytes of a
  // sequence cut short by a non-continuation byte (or the end), or for a whole
  // overlong, surrogate or out-of-range sequence.
  const size_t len = text::utf8SequenceLength(static_cast<unsigned char>(s[i]));
  size_t k = 1;
  while (k < len && i + k < s.size() && (static_cast<unsigned char>(s[i + k]) & 0xC0) == 0x80) ++k;
  i += k;
  return 0xFFFD;
}

// Every caller passes a code point from VQFlowTextNextCodePoint, so there is
// never a surrogate or a value above U+10FFFF to drop.
void VQFlowTextAppendUTF8(std::string& out, char32_t cp) { text::appendUTF8(out, cp); }

std::string VQHTMLEscape(std::string_view text, VQHTMLEscaping escaping) {
  const bool body = escaping == VQHTMLEscaping::bodyText;
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const char32_t cp = VQFlowTextNextCodePoint(text, i);
    switch (cp) {
      case '"':
        out += "&quot;";
        break;
      case '\'':
        if (body) out += '\'';
        else out += "&#39;";
        break;
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '\t':
      case '\n':
      case '\r':
        if (body) out += "<br \\>";
        break;
      default:
        // Other control characters are not allowed in HTML text.
        if (cp < 0x20 || cp == 0x7F) break;
        VQFlowTextAppendUTF8(out, cp);
    }
  }
  return out;
}

std::string VQHTMLFileWriter::formatText(std::string_view text) const {
  return VQHTMLEscape(text, VQHTMLEscaping::bodyText);
}

namespace {

// RTF control word parameters are signed 16-bit numbers, so a UTF-16 unit
// from 32768 up is written as its value less 65536. Each is followed by the
// one fallback character that \uc1 in the header announces: readers without
// Unicode show it, the others skip it.
void AppendRTFUnicode(std::string& out, char32_t unit) {
  const int value = static_cast<int>(unit);
  out += fmt::format("\\u{}?", value >= 0x8000 ? value - 0x10000 : value);
}

}  // namespace

std::string VQRTFFileWriter::formatText(std::string_view text) const {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const char32_t cp = VQFlowTextNextCodePoint(text, i);
    if (cp == '\\' || cp == '{' || cp == '}') {
      out += '\\';
      out += static_cast<char>(cp);
    } else if (cp == '\n' || cp == '\r') {
      out += '\\';  // a backslash before a line end is a paragraph mark
      out += static_cast<char>(cp);
    } else if (cp == '\t') {
      out += "\\tab ";
    } else if (cp < 0x20 || cp == 0x7F) {
      // Other control characters have no meaning in RTF text.
    } else if (cp < 0x80) {
      out += static_cast<char>(cp);
    } else if (cp < 0x10000) {
      AppendRTFUnicode(out, cp);
    } else {
      // Beyond the 16-bit range a character is its UTF-16 surrogate pair,
      // each half a \u of its own.
      const char32_t v = cp - 0x10000;
      AppendRTFUnicode(out, 0xD800 + (v >> 10));
      AppendRTFUnicode(out, 0xDC00 + (v & 0x3FF));
    }
  }
  return out;
}

std::string& VQFlowTextFileWriter::LastOpenFailureSlot() {
  thread_local std::string reason;
  return reason;
}

}  // namespace vq::flowtext

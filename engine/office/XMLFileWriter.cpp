#include "office/XMLFileWriter.h"

#include <fmt/format.h>

#include "platform/text/Utf8.h"

namespace vq {

namespace {

constexpr std::string_view kXMLNamespace = "http://www.w3.org/XML/1998/namespace";
constexpr std::string_view kXMLNSNamespace = "http://www.w3.org/2000/xmlns/";

// Runs of bytes that pass go out through `emit` in one piece; a dropped or
// replaced character ends the run.
template <typename Emit>
void filterText(std::string_view s, bool escapeMarkup, Emit&& emit) {
  size_t runStart = 0;
  size_t i = 0;
  auto flush = [&](size_t end) {
    if (end > runStart) emit(s.substr(runStart, end - runStart));
  };
  while (i < s.size()) {
    char32_t cp = 0;
    const size_t len = text::decodeUTF8At(s, i, &cp);
    if (len == 0) {
      flush(i);
      ++i;
      runStart = i;
      continue;
    }
    std::string_view replacement;
    bool drop = false;
    if (escapeMarkup) {
      switch (cp) {
        case '&':
          replacement = "&amp;";
          break;
        case '<':
          replacement = "&lt;";
          break;
        case '>':
          replacement = "&gt;";
          break;
        case '"':
          replacement = "&quot;";
          break;
        default:
          // XML 1.0 cannot carry other C0 controls, nor the two noncharacters.
          drop = (cp < 0x20 && cp != 0x09 && cp != 0x0A && cp != 0x0D) || cp == 0xFFFE || cp == 0xFFFF;
      }
    }
    if (drop || !replacement.empty()) {
      flush(i);
      if (!replacement.empty()) emit(replacement);
      i += len;
      runStart = i;
      continue;
    }
    i += len;
  }
  flush(i);
}

}  // namespace

std::unique_ptr<XMLFileWriter> XMLFileWriter::initWithPath(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return nullptr;
  return std::unique_ptr<XMLFileWriter>(new XMLFileWriter(path, file));
}

std::unique_ptr<XMLFileWriter> XMLFileWriter::initInMemory() {
  auto writer = std::unique_ptr<XMLFileWriter>(new XMLFileWriter({}, nullptr));
  writer->memoryOpen_ = true;
  return writer;
}

XMLFileWriter::XMLFileWriter(std::string path, std::FILE* file) : xmlPath_(std::move(path)), file_(file) {
  namespaceCounts_.push_back(2);
  setPrefix("xml", kXMLNamespace);
  setPrefix("xmlns", kXMLNSNamespace);
}

XMLFileWriter::~XMLFileWriter() {
  if (file_) std::fclose(file_);
}

std::string XMLFileWriter::escape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  filterText(text, true, [&](std::string_view piece) { out.append(piece); });
  return out;
}

void XMLFileWriter::writeRaw(std::string_view bytes) {
  if (memoryOpen_) {
    memory_.append(bytes);
    return;
  }
  if (!file_ || bytes.empty()) return;
  // A writer belongs to one thread at a time: the stream's lock, taken for
  // each of the many small pieces, is not needed.
  if (fwrite_unlocked(bytes.data(), 1, bytes.size(), file_) != bytes.size()) writeFailed_ = true;
}

void XMLFileWriter::write(std::string_view markup) {
  filterText(markup, false, [&](std::string_view piece) { writeRaw(piece); });
}

void XMLFileWriter::writeEscape(std::string_view text) {
  filterText(text, true, [&](std::string_view piece) { writeRaw(piece); });
}

void XMLFileWriter::writeLinebreak() { writeRaw(lineBreak_); }

void XMLFileWriter::writeIndentation() {
  if (indentation_.empty()) return;
  for (int k = 0; k < level_; ++k) writeRaw(indentation_);
}

void XMLFileWriter::finishOpenStartTag() {
  if (newElement_) {
    writeRaw(">");
    newElement_ = false;
  }
}

void XMLFileWriter::setPrefix(std::optional<std::string_view> prefix, std::optional<std::string_view> namespaceURI) {
  if (!namespaceURI) throw XMLWriterException("Namespace cannot be NULL");
  if (!prefix) throw XMLWriterException("Prefix cannot be NULL");
  if (namespaceURIPrefixMap_.find(*namespaceURI) != namespaceURIPrefixMap_.end()) {
    throw XMLWriterException(fmt::format("Name namespace {} has already been set", *namespaceURI));
  }
  if (prefixNamespaceURIMap_.find(*prefix) != prefixNamespaceURIMap_.end()) {
    if (prefix->empty()) throw XMLWriterException("Default namespace has already been set");
    throw XMLWriterException(fmt::format("Prefix {} has already been set", *prefix));
  }
  namespaceURIs_.emplace_back(*namespaceURI);
  namespaceWritten_.push_back(false);
  namespaceURIPrefixMap_.emplace(std::string(*namespaceURI), std::string(*prefix));
  prefixNamespaceURIMap_.emplace(std::string(*prefix), std::string(*namespaceURI));
}

void XMLFileWriter::pushNamespaceStack() { namespaceCounts_.push_back(namespaceURIs_.size()); }

void XMLFileWriter::popNamespaceStack() {
  if (namespaceCounts_.size() < 2) return;
  const size_t top = namespaceCounts_.back();
  const size_t below = namespaceCounts_[namespaceCounts_.size() - 2];
  for (size_t k = std::min(top, namespaceURIs_.size()); k > below; --k) {
    const std::string uri = namespaceURIs_[k - 1];
    auto it = namespaceURIPrefixMap_.find(uri);
    if (it != namespaceURIPrefixMap_.end()) {
      if (lastPrefix_ == &*it) lastPrefix_ = nullptr;
      prefixNamespaceURIMap_.erase(it->second);
      namespaceURIPrefixMap_.erase(it);
    }
    namespaceURIs_.erase(namespaceURIs_.begin() + static_cast<std::ptrdiff_t>(k - 1));
    namespaceWritten_.erase(namespaceWritten_.begin() + static_cast<std::ptrdiff_t>(k - 1));
  }
  namespaceCounts_.pop_back();
}

std::string_view XMLFileWriter::getPrefix(std::string_view namespaceURI) const {
  // Names come in long runs of one namespace; the entry found last is kept
  // until its binding ends.
  if (lastPrefix_ && namespaceURI == lastPrefix_->first) return lastPrefix_->second;
  auto it = namespaceURIPrefixMap_.find(namespaceURI);
  if (it == namespaceURIPrefixMap_.end()) {
    throw XMLWriterException(fmt::format("Unknown namespace URI {}", namespaceURI));
  }
  lastPrefix_ = &*it;
  return it->second;
}

void XMLFileWriter::writeQualifiedName(std::string_view namespaceURI, std::string_view localName) {
  if (!namespaceURI.empty()) {
    const std::string_view prefix = getPrefix(namespaceURI);
    if (!prefix.empty()) {
      writeRaw(prefix);
      writeRaw(":");
    }
  }
  writeRaw(localName);
}

void XMLFileWriter::pushElementStack(std::string_view namespaceURI, std::string_view localName) {
  elementLocalNames_.emplace_back(localName);
  // The namespace is kept as a view of the map's own copy of it (entries
  // stay where they are), not copied for every element.
  if (namespaceURI.empty()) {
    elementNamespaceURIs_.emplace_back();
  } else {
    getPrefix(namespaceURI);
    elementNamespaceURIs_.emplace_back(lastPrefix_->first);
  }
}

void XMLFileWriter::popElementStack() {
  if (!elementLocalNames_.empty()) elementLocalNames_.pop_back();
  if (!elementNamespaceURIs_.empty()) elementNamespaceURIs_.pop_back();
}

void XMLFileWriter::writeStartDocumentWithEncodingAndVersion(std::optional<std::string_view> encoding,
                                                             std::optional<std::string_view> version,
                                                             std::optional<std::string_view> standalone) {
  if (!isOpen()) return;
  if (memoryOpen_ ? !memory_.empty() : std::ftell(file_) != 0)
    throw XMLWriterException("Document has already been started");
  writeRaw("<?xml version=\"");
  writeRaw(version ? *version : std::string_view("1.0"));
  writeRaw("\"");
  if (encoding) {
    writeRaw(" encoding=\"");
    writeRaw(*encoding);
    writeRaw("\"");
    encoding_ = std::string(*encoding);
  }
  if (standalone) {
    writeRaw(" standalone=\"");
    writeRaw(*standalone);
    writeRaw("\"");
  }
  writeRaw(" ?>");
}

void XMLFileWriter::writeNamespaceAttributes() {
  const size_t from = namespaceCounts_.back();
  for (size_t k = from; k < namespaceURIs_.size(); ++k) {
    if (namespaceWritten_[k]) continue;
    auto xmlns = namespaceURIPrefixMap_.find(kXMLNSNamespace);
    if (xmlns == namespaceURIPrefixMap_.end()) {
      throw XMLWriterException(fmt::format("Cannot declare namespace without namespace {}", kXMLNSNamespace));
    }
    const std::string& prefix = namespaceURIPrefixMap_.find(namespaceURIs_[k])->second;
    writeRaw(" ");
    writeRaw(xmlns->second);
    if (!prefix.empty()) {
      writeRaw(":");
      writeRaw(prefix);
    }
    writeRaw("=\"");
    writeEscape(namespaceURIs_[k]);
    writeRaw("\"");
    namespaceWritten_[k] = true;
  }
}

void XMLFileWriter::writeStartElementWithNamespace(std::string_view namespaceURI, std::string_view localName) {
  finishOpenStartTag();
  writeLinebreak();
  writeIndentation();
  writeRaw("<");
  writeQualifiedName(namespaceURI, localName);
  pushElementStack(namespaceURI, localName);
  newElement_ = true;
  emptyElement_ = true;
  ++level_;
  writeNamespaceAttributes();
  namespaceCounts_.push_back(namespaceURIs_.size());
}

void XMLFileWriter::writeAttributeWithNamespace(std::string_view namespaceURI, std::string_view localName,
                                                std::string_view value) {
  if (!newElement_) throw XMLWriterException("No open start element");
  writeRaw(" ");
  writeQualifiedName(namespaceURI, localName);
  writeRaw("=\"");
  writeEscape(value);
  writeRaw("\"");
}

void XMLFileWriter::writeCharacters(std::string_view text) {
  finishOpenStartTag();
  writeEscape(text);
  emptyElement_ = false;
}

void XMLFileWriter::writeEmptyElementWithNamespace(std::string_view namespaceURI, std::string_view localName) {
  finishOpenStartTag();
  writeLinebreak();
  writeIndentation();
  writeRaw("<");
  writeQualifiedName(namespaceURI, localName);
  writeRaw("/>");
  newElement_ = false;
  emptyElement_ = true;
}

void XMLFileWriter::writeEndElement() {
  if (newElement_ && automaticEmptyElements_ && level_ > 0) {
    writeRaw("/>");
    newElement_ = false;
    emptyElement_ = true;
    popNamespaceStack();
    popElementStack();
    --level_;
    return;
  }
  if (level_ < 1 || elementLocalNames_.empty()) {
    throw XMLWriterException("Cannot write more end elements than start elements.");
  }
  // Copies: the end-tag writer pops the stacks these come from.
  const std::string localName = elementLocalNames_.back();
  const std::string_view namespaceURI = elementNamespaceURIs_.back();
  writeEndElementWithNamespace(namespaceURI, localName);
}

void XMLFileWriter::writeEndElementWithNamespace(std::string_view namespaceURI, std::string_view localName) {
  if (level_ < 1) throw XMLWriterException("Cannot write more end elements than start elements.");
  --level_;
  if (newElement_) {
    writeRaw(">");
    newElement_ = false;
  } else if (emptyElement_) {
    writeLinebreak();
    writeIndentation();
  }
  writeRaw("</");
  writeQualifiedName(namespaceURI, localName);
  writeRaw(">");
  popNamespaceStack();
  popElementStack();
  newElement_ = false;
  emptyElement_ = true;
}

void XMLFileWriter::writeCloseElement(bool empty) {
  writeRaw(empty ? "/>" : ">");
  newElement_ = false;
}

void XMLFileWriter::writeEndDocument() {
  while (level_ > 0) writeEndElement();
  closeFile();
}

void XMLFileWriter::closeFile() {
  memoryOpen_ = false;
  if (!file_) return;
  const bool closed = std::fclose(file_) == 0;
  file_ = nullptr;
  if (!closed || writeFailed_) throw XMLWriterException(fmt::format("Could not write the file {}", xmlPath_));
}

}  // namespace vq

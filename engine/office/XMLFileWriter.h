#pragma once
// A streaming XML writer: every piece of markup goes to the file as it is
// written; only the stacks of open elements and namespace bindings are kept.
// It writes no line breaks or indentation unless asked to, declares each
// namespace on the start tag that follows its binding, and closes an element
// without content as an empty element ("/>").
#include <cstdio>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace vq {

// Every misuse of the writer throws this, with the reason as what().
class XMLWriterException : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class XMLFileWriter {
 public:
  // Creates (or truncates) the file and opens it; nullptr when that fails.
  static std::unique_ptr<XMLFileWriter> initWithPath(const std::string& path);
  // Writes into memory instead of a file (a fragment that another writer
  // appends later, without a file written and read back in between); the
  // text is taken with takeText() once the writer is closed.
  static std::unique_ptr<XMLFileWriter> initInMemory();
  ~XMLFileWriter();
  XMLFileWriter(const XMLFileWriter&) = delete;
  XMLFileWriter& operator=(const XMLFileWriter&) = delete;

  const std::string& xmlPath() const { return xmlPath_; }
  const std::string& encoding() const { return encoding_; }
  int level() const { return level_; }
  bool isOpen() const { return file_ != nullptr || memoryOpen_; }

  void setIndentation(std::string indentation) { indentation_ = std::move(indentation); }
  void setLineBreak(std::string lineBreak) { lineBreak_ = std::move(lineBreak); }
  void setAutomaticEmptyElements(bool on) { automaticEmptyElements_ = on; }
  bool automaticEmptyElements() const { return automaticEmptyElements_; }

  // Binds a prefix ("" for the default namespace) to a URI. The declaration
  // is written on the next start tag and the binding ends with that element.
  void setPrefix(std::optional<std::string_view> prefix, std::optional<std::string_view> namespaceURI);
  // Counts every binding made so far as declared elsewhere: it is used but
  // never declared in this file (fragments appended into another document).
  void pushNamespaceStack();

  // Each argument may be absent; the version defaults to "1.0".
  void writeStartDocumentWithEncodingAndVersion(std::optional<std::string_view> encoding,
                                                std::optional<std::string_view> version,
                                                std::optional<std::string_view> standalone);

  // An empty namespace URI means "no namespace".
  void writeStartElementWithNamespace(std::string_view namespaceURI, std::string_view localName);
  void writeStartElement(std::string_view localName) { writeStartElementWithNamespace({}, localName); }
  void writeAttributeWithNamespace(std::string_view namespaceURI, std::string_view localName, std::string_view value);
  void writeAttribute(std::string_view localName, std::string_view value) {
    writeAttributeWithNamespace({}, localName, value);
  }
  void writeCharacters(std::string_view text);
  void writeEmptyElementWithNamespace(std::string_view namespaceURI, std::string_view localName);
  void writeEndElement();
  void writeEndElement(std::string_view localName) { writeEndElementWithNamespace({}, localName); }
  void writeEndElementWithNamespace(std::string_view namespaceURI, std::string_view localName);
  // Finishes the open start tag with "/>" (true) or ">" (false), unchecked.
  void writeCloseElement(bool empty);
  // Appends markup as it is (only bytes that are not UTF-8 are dropped, so
  // each call must hold whole characters).
  void write(std::string_view markup);
  // Appends the text of another writer as it is: what a writer writes is
  // already cleaned, so it is not checked again.
  void writeWrittenText(std::string_view written) { writeRaw(written); }
  // Ends every open element, then closes the file.
  void writeEndDocument();
  // Flushes and closes the file; throws when the data could not be written.
  void closeFile();
  // What an in-memory writer wrote, once closed (empty for a file writer);
  // the writer gives it up.
  std::string takeText() { return std::move(memory_); }

  // Escapes character data or an attribute value. Drops what XML 1.0 cannot
  // carry: control characters other than TAB, LF and CR, U+FFFE, U+FFFF,
  // surrogate code points and bytes that are not UTF-8.
  static std::string escape(std::string_view text);

 private:
  XMLFileWriter(std::string path, std::FILE* file);
  void writeRaw(std::string_view bytes);
  void writeEscape(std::string_view text);
  void writeLinebreak();
  void writeIndentation();
  void writeNamespaceAttributes();
  std::string_view getPrefix(std::string_view namespaceURI) const;
  void writeQualifiedName(std::string_view namespaceURI, std::string_view localName);
  void pushElementStack(std::string_view namespaceURI, std::string_view localName);
  void popElementStack();
  void popNamespaceStack();
  void finishOpenStartTag();

  std::string xmlPath_;
  std::FILE* file_ = nullptr;
  bool memoryOpen_ = false;  // an in-memory writer that is not closed yet
  std::string memory_;
  bool writeFailed_ = false;
  std::string encoding_;
  int level_ = 0;
  bool newElement_ = false;
  bool emptyElement_ = false;
  std::vector<std::string> elementLocalNames_;
  std::vector<std::string_view> elementNamespaceURIs_;  // views of namespaceURIPrefixMap_'s keys
  std::vector<std::string> namespaceURIs_;
  std::vector<size_t> namespaceCounts_;
  std::vector<bool> namespaceWritten_;
  std::map<std::string, std::string, std::less<>> namespaceURIPrefixMap_;
  // The entry getPrefix found last (map entries stay where they are until
  // their binding ends, which forgets it).
  mutable const std::pair<const std::string, std::string>* lastPrefix_ = nullptr;
  std::map<std::string, std::string, std::less<>> prefixNamespaceURIMap_;
  std::string indentation_;
  std::string lineBreak_;
  bool automaticEmptyElements_ = true;
};

}  // namespace vq

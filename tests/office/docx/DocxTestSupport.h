#pragma once
// Test pages and package readers for the DOCX writer tests.
#include <pugixml.hpp>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "office/VQOpenXMLNameSpace.h"
#include "office/XMLFileWriter.h"
#include "office/docx/VQDocxDocumentPage.h"
#include "support/TestSupport.h"

namespace vqtest {

// A page that shows a line of text after its bookmark, so a reader of the
// package can tell the pages apart.
class TextPage : public vq::VQDocxDocumentPage {
 public:
  TextPage(int64_t wordPageIndex, int64_t /*pdfPageIndex*/) : wordPageIndex_(wordPageIndex) {}
  int64_t wordPageIndex() const override { return wordPageIndex_; }
  // The bookmark pair that the layout's pages write, then the line.
  void writePageWithXMLWriter(vq::XMLFileWriter& w) override {
    const auto& ns = vq::gl_namespace_xmlns_w;
    const std::string id = std::to_string(wordPageIndex_);
    w.writeStartElementWithNamespace(ns, "bookmarkStart");
    w.writeAttributeWithNamespace(ns, "id", id);
    w.writeAttributeWithNamespace(ns, "name", id);
    w.writeEndElement();
    w.writeStartElementWithNamespace(ns, "bookmarkEnd");
    w.writeAttributeWithNamespace(ns, "id", id);
    w.writeEndElement();
    w.writeStartElementWithNamespace(ns, "p");
    w.writeStartElementWithNamespace(ns, "r");
    w.writeStartElementWithNamespace(ns, "t");
    w.writeCharacters("Test page " + std::to_string(wordPageIndex()));
    w.writeEndElement();
    w.writeEndElement();
    w.writeEndElement();
  }

 private:
  int64_t wordPageIndex_;
};

inline std::string quoted(const std::filesystem::path& p) { return "'" + p.string() + "'"; }

// The entry names of a zip file, in archive order.
inline std::vector<std::string> zipEntries(const std::filesystem::path& zip) {
  std::string out;
  if (runCommand("unzip -Z1 " + quoted(zip) + " 2>/dev/null", &out) != 0) return {};
  std::vector<std::string> names;
  std::istringstream lines(out);
  for (std::string line; std::getline(lines, line);)
    if (!line.empty()) names.push_back(line);
  return names;
}

inline bool unzipTo(const std::filesystem::path& zip, const std::filesystem::path& dir) {
  return runCommand("unzip -o -q " + quoted(zip) + " -d " + quoted(dir) + " >/dev/null 2>&1") == 0;
}

// The w:name of every bookmark that starts in the document body, in order.
inline std::vector<std::string> bodyBookmarks(const std::string& documentXML) {
  pugi::xml_document doc;
  std::vector<std::string> names;
  if (!doc.load_string(documentXML.c_str())) return {"<not well-formed>"};
  for (auto node : doc.child("w:document").child("w:body").children("w:bookmarkStart"))
    names.push_back(node.attribute("w:name").value());
  return names;
}

inline bool haveSoffice() { return runCommand("command -v soffice >/dev/null 2>&1") == 0; }

// The package converted to plain text by LibreOffice, or nothing when it
// could not be opened (soffice exits 0 either way; only the output tells).
inline std::optional<std::string> sofficeText(const std::filesystem::path& docx) {
  ScratchDir home;
  const std::string command = "cd " + quoted(home.path()) + " && HOME=" + quoted(home.path()) +
                              " timeout 180 soffice --headless --convert-to txt:Text --outdir " + quoted(home.path()) +
                              " " + quoted(docx) + " >/dev/null 2>&1";
  runCommand(command);
  const auto out = home / (docx.stem().string() + ".txt");
  if (!std::filesystem::exists(out)) return std::nullopt;
  return readFile(out);
}

}  // namespace vqtest

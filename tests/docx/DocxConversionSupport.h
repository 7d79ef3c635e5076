#pragma once
// Small generated PDFs converted through the DOCX exporter, and readers of
// the main part they give.
#include <pugixml.hpp>

#include <filesystem>
#include <fstream>
#include <ostream>
#include <string>
#include <vector>

#include "docx/VQDocxPDFExporter.h"
#include "office/docx/DocxTestSupport.h"
#include "platform/pdf/PdfDocument.h"
#include "support/TestSupport.h"

namespace vqtest {

// A one-page 612 x 792 PDF with Helvetica as /F1 and the given content
// stream. `catalogExtra` goes into the catalog (object 1), `resourcesExtra`
// into the page's resources; `extraObjects` are numbered from 6 on.
inline std::string OneHelveticaPagePDF(const std::string& content, const std::string& catalogExtra = "",
                                       const std::vector<std::string>& extraObjects = {},
                                       const std::string& resourcesExtra = "") {
  std::vector<std::string> objects = {
      "<< /Type /Catalog /Pages 2 0 R " + catalogExtra + " >>",
      "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
      "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Resources << /Font << /F1 4 0 R >> " + resourcesExtra +
          " >> /Contents 5 0 R >>",
      "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>",
      PDFStream(content),
  };
  objects.insert(objects.end(), extraObjects.begin(), extraObjects.end());
  return BuildPDF(objects);
}

// Converts every page of the PDF held in `pdfBytes` into `dir`/out.docx and
// returns the main part; empty when the conversion failed.
inline std::string ConvertToMainPart(const std::string& pdfBytes, const ScratchDir& dir,
                                     const vq::VQPDFOptions& options = {}) {
  const auto pdfPath = dir / "in.pdf";
  std::ofstream(pdfPath, std::ios::binary | std::ios::trunc) << pdfBytes;
  auto document = vq::pdf::Document::open(pdfPath.string(), "");
  if (!document) return {};
  const auto dest = dir / "out.docx";
  auto exporter =
      std::dynamic_pointer_cast<vq::VQDocxPDFExporter>(vq::VQDocxNewExporter("docx", dest.string(), options));
  if (!exporter) return {};
  const int pages = document->pageCount();
  exporter->toTotalPages = pages;
  exporter->convertPDFBegin(dest.string(), document);
  for (int n = 1; n <= pages; ++n)
    if (!exporter->convertPDFPage(document->page(n), n, pages)) return {};
  exporter->convertPDFEnd(document);
  std::string out;
  runCommand("unzip -p " + quoted(dest) + " word/document.xml", &out);
  return out;
}

// The text of every paragraph that has one, with its outline level ("" when
// it has none), in document order.
struct ParagraphOutline {
  std::string text, level;
  friend bool operator==(const ParagraphOutline&, const ParagraphOutline&) = default;
  friend std::ostream& operator<<(std::ostream& out, const ParagraphOutline& p) {
    return out << "{" << p.text << " | " << p.level << "}";
  }
};

inline std::vector<ParagraphOutline> ParagraphOutlines(const std::string& mainPart) {
  pugi::xml_document doc;
  std::vector<ParagraphOutline> out;
  // A word gap may be a run of its own, <w:t xml:space="preserve"> </w:t>:
  // text of blanks alone is kept.
  if (!doc.load_string(mainPart.c_str(), pugi::parse_default | pugi::parse_ws_pcdata)) return out;
  for (const auto& node : doc.select_nodes("/w:document/w:body/w:p")) {
    std::string text;
    for (const auto& t : node.node().select_nodes(".//w:r/w:t")) text += t.node().text().get();
    if (text.find_first_not_of(' ') == std::string::npos) continue;
    out.push_back({text, node.node().child("w:pPr").child("w:outlineLvl").attribute("w:val").value()});
  }
  return out;
}

// Schema problems of a main part, as xmllint reports them; empty when valid.
// Word writes xml:space on the document element although the published
// schema does not declare it there, so the check leaves that one attribute
// out.
inline std::string SchemaProblems(const std::string& mainPart, const std::filesystem::path& scratch) {
  std::string part = mainPart;
  const size_t root = part.find("<w:document");
  const size_t rootEnd = part.find('>', root);
  if (root != std::string::npos && rootEnd != std::string::npos) {
    const std::string attribute = " xml:space=\"preserve\"";
    const size_t at = part.find(attribute, root);
    if (at != std::string::npos && at < rootEnd) part.erase(at, attribute.size());
  }
  const std::filesystem::path file = scratch / "document.xml";
  std::ofstream(file, std::ios::binary | std::ios::trunc) << part;
  const std::filesystem::path schema = vqtest::corpusDir().parent_path() / "schemas" / "ecma-376" / "docx-main.xsd";
  std::string out;
  const int status = vqtest::runCommand(
      "xmllint --noout --schema " + vqtest::quoted(schema) + " " + vqtest::quoted(file) + " 2>&1", &out);
  return status == 0 ? std::string() : out.substr(0, 2000);
}

}  // namespace vqtest

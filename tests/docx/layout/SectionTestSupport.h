#pragma once
// Small pieces for section tests: a table that records what the layout
// does with it, paragraphs placed on the page, and written XML parsed.
#include <memory>
#include <pugixml.hpp>
#include <string>
#include <vector>

#include "docx/capture/VQDocxParagraph.h"
#include "docx/capture/VQDocxRunTextLine.h"
#include "docx/layout/VQDocxPageSection.h"
#include "docx/layout/VQDocxTable.h"
#include "office/OfficeTestSupport.h"
#include "office/VQDocxUtilities.h"

namespace vqtest {

// Records the calls the layout makes and writes a marker w:tbl.
struct FakeTable : vq::VQDocxTable {
  explicit FakeTable(vq::Rect rect) { bounds = rect; }

  bool isInline = false;
  bool isFloating = false;
  double marginTop = 0;
  double marginBottom = 0;
  vq::Rect columnFrame = vq::RectZero;
  std::weak_ptr<vq::VQDocxParagraph> relativeParagraph;
  int sectPropertyCount = 0;
  int convertCount = 0;

  void setSectProperty(const vq::VQDocx_SectPr&) override { ++sectPropertyCount; }
  void convertToXMLProperty() override { ++convertCount; }
  void setColumnFrame(const vq::Rect& frame) override { columnFrame = frame; }
  void changeXMLPropertyTextWrappingToNone() override {
    isInline = true;
    tblProperty.tblpPr = vq::VQDocxUtilities::defaultTblpProperty();
  }
  void setTextWrappingToNoneMarginTop(double top) override { marginTop = top; }
  void setTextWrappingToNoneMarginBottom(double bottom) override { marginBottom = bottom; }
  void changeXMLPropertyTextWrappingToFloatTextBox() override {
    isFloating = true;
    tblProperty.tblpPr = vq::VQDocxUtilities::defaultTblpProperty();
  }
  void setTextBoxRelativeParagraph(const std::weak_ptr<vq::VQDocxParagraph>& paragraph) override {
    relativeParagraph = paragraph;
  }
  void writeWithXMLWriter(vq::XMLFileWriter& writer) override {
    writer.writeStartElementWithNamespace(vq::gl_namespace_xmlns_w, "tbl");
    writer.writeEndElement();
  }
};

inline std::shared_ptr<FakeTable> Table(double x, double y, double w, double h) {
  return std::make_shared<FakeTable>(vq::RectMake(x, y, w, h));
}

// A paragraph whose content covers `content` in a column; with text it has
// one line that shows it, without it is a blank line of the content's height.
inline std::shared_ptr<vq::VQDocxParagraph> Paragraph(const vq::Rect& content, const std::string& text = "",
                                                      const vq::Rect& column = vq::RectMake(72, 0, 468, 792)) {
  auto p = std::make_shared<vq::VQDocxParagraph>();
  p->contentFrame = content;
  p->columnFrame = column;
  p->pProperty.spacing.line = static_cast<float>(content.size.height);
  if (!text.empty()) {
    auto line = std::make_shared<vq::VQDocxRunTextLine>();
    line->lineText = text;
    p->lineArray = {line};
    p->paragraphText = text;
  }
  return p;
}

// The section's page properties: a Letter page with 72 pt margins.
inline vq::VQDocx_SectPr LetterSectProperty() {
  vq::VQDocx_SectPr s = vq::VQDocxUtilities::defaultSectPropertyHiden();
  s.shouldWrite = 1;
  s.pgSz = {612, 792};
  s.pgMar = {72, 72, 72, 72, 36, 36, 0};
  return s;
}

// Written markup inside a <body> element, parsed.
struct WrittenBody {
  std::string xml;
  pugi::xml_document doc;
  pugi::xml_node body;

  explicit WrittenBody(const std::function<void(vq::XMLFileWriter&)>& write) {
    xml = writeXML(write);
    const std::string wrapped = "<body>" + xml + "</body>";
    if (!doc.load_string(wrapped.c_str())) ADD_FAILURE() << "not XML: " << xml;
    body = doc.child("body");
  }
  std::vector<pugi::xml_node> children() const { return {body.begin(), body.end()}; }
};

template <class T>
std::vector<std::shared_ptr<T>> OfKind(const std::vector<std::shared_ptr<vq::VQDocxObject>>& objects) {
  std::vector<std::shared_ptr<T>> out;
  for (const auto& object : objects)
    if (auto cast = std::dynamic_pointer_cast<T>(object)) out.push_back(cast);
  return out;
}

}  // namespace vqtest

#include "pptx/VQPPTXPage.h"

#include <fmt/format.h>
#include <filesystem>
#include <stdexcept>

#include "common/VQPDFPathUtilities.h"
#include "office/VQOpenXMLNameSpace.h"
#include "office/XMLFileWriter.h"

namespace vq {
namespace {

constexpr std::string_view A = gl_namespace_xmlns_a;
constexpr std::string_view R = gl_namespace_xmlns_r;
constexpr std::string_view P = "http://schemas.openxmlformats.org/presentationml/2006/main";
constexpr std::string_view kRelsNS = "http://schemas.openxmlformats.org/package/2006/relationships";

std::string lastComponent(const std::string& path) { return std::filesystem::path(path).filename().string(); }

void leaf(XMLFileWriter& w, std::string_view ns, std::string_view name,
          std::initializer_list<std::pair<std::string_view, std::string_view>> attrs = {}) {
  w.writeStartElementWithNamespace(ns, name);
  for (const auto& [k, v] : attrs) w.writeAttribute(k, v);
  w.writeEndElement();
}

}  // namespace

VQPPTXPage::VQPPTXPage(uint64_t number, const std::string& root) : pageNumber(number) {
  for (const char* sub : {"/ppt", "/ppt/slides", "/ppt/slides/_rels"})
    if (!VQPDFPathUtilities::createFolderIfNeed(root + sub))
      throw std::runtime_error("Can't create the folder " + root + sub);
  slidePath_ = fmt::format("{}/ppt/slides/slide{}.xml", root, number);
  relsPath_ = fmt::format("{}/ppt/slides/_rels/slide{}.xml.rels", root, number);
}

void VQPPTXPage::writeDocumentBegin() {
  sharepsArr.clear();
  pageRelsArr_.assign(1, Rel{std::string(gl_relType_slideLayout), "../slideLayouts/slideLayout1.xml"});
}

std::string VQPPTXPage::findExistRelsWithImagePath(const std::string& mediaTarget) const {
  const std::string target = "../media/" + lastComponent(mediaTarget);
  for (size_t k = 0; k < pageRelsArr_.size(); ++k)
    if (pageRelsArr_[k].target == target) return fmt::format("rId{}", k + 1);
  return {};
}

std::string VQPPTXPage::addNewRelsWithImagePath(const std::string& mediaTarget) {
  pageRelsArr_.push_back(Rel{std::string(gl_relType_image), "../media/" + lastComponent(mediaTarget)});
  return fmt::format("rId{}", pageRelsArr_.size());
}

VQPPTXParagraph& VQPPTXPage::cachedTextBoxNewParagraph() {
  VQPPTXParagraph p;
  if (!cachedTextBoxParagraphs.empty()) p.pProperty = cachedTextBoxParagraphs.back().pProperty;
  cachedTextBoxParagraphs.push_back(std::move(p));
  return cachedTextBoxParagraphs.back();
}

VQPPTXParagraph& VQPPTXPage::cachedTextBoxLastParagraph() {
  if (cachedTextBoxParagraphs.empty()) cachedTextBoxParagraphs.emplace_back();
  return cachedTextBoxParagraphs.back();
}

float VQPPTXPage::cachedTextBoxWidthMax() const {
  float m = 0;
  for (const auto& p : cachedTextBoxParagraphs) m = std::max(m, static_cast<float>(p.textWidth() + p.pProperty.marL));
  return m;
}

double VQPPTXPage::cachedTextBoxHeight() const {
  double h = 0;
  for (const auto& p : cachedTextBoxParagraphs) h += p.pProperty.lnSpc;
  return h;
}

void VQPPTXPage::addShape(std::unique_ptr<VQPPTXShape> shape) {
  // Ids are unique within the slide; 1 is the shape tree itself.
  shape->shapeId = static_cast<int64_t>(sharepsArr.size()) + 2;
  sharepsArr.push_back(std::move(shape));
}

void VQPPTXPage::writePageAll() {
  {
    auto writer = XMLFileWriter::initWithPath(slidePath_);
    if (!writer) throw std::runtime_error("Can't create the slide part " + slidePath_);
    XMLFileWriter& w = *writer;
    w.writeStartDocumentWithEncodingAndVersion("UTF-8", "1.0", "yes");
    w.setPrefix("a", A);
    w.setPrefix("r", R);
    w.setPrefix("p", P);
    w.writeStartElementWithNamespace(P, "sld");
    w.writeStartElementWithNamespace(P, "cSld");
    w.writeStartElementWithNamespace(P, "spTree");
    w.writeStartElementWithNamespace(P, "nvGrpSpPr");
    leaf(w, P, "cNvPr", {{"id", "1"}, {"name", ""}});
    leaf(w, P, "cNvGrpSpPr");
    leaf(w, P, "nvPr");
    w.writeEndElement();
    w.writeStartElementWithNamespace(P, "grpSpPr");
    w.writeStartElementWithNamespace(A, "xfrm");
    leaf(w, A, "off", {{"x", "0"}, {"y", "0"}});
    leaf(w, A, "ext", {{"cx", "0"}, {"cy", "0"}});
    leaf(w, A, "chOff", {{"x", "0"}, {"y", "0"}});
    leaf(w, A, "chExt", {{"cx", "0"}, {"cy", "0"}});
    w.writeEndElement();
    w.writeEndElement();
    for (auto& shape : sharepsArr) shape->writeShapeWith(w);
    w.writeEndElement();  // spTree
    w.writeEndElement();  // cSld
    w.writeStartElementWithNamespace(P, "clrMapOvr");
    leaf(w, A, "masterClrMapping");
    w.writeEndElement();
    w.writeEndElement();  // sld
    w.writeEndDocument();
  }
  auto writer = XMLFileWriter::initWithPath(relsPath_);
  if (!writer) throw std::runtime_error("Can't create the slide relationships " + relsPath_);
  XMLFileWriter& w = *writer;
  w.writeStartDocumentWithEncodingAndVersion("UTF-8", "1.0", "yes");
  w.setPrefix("", kRelsNS);
  w.writeStartElementWithNamespace(kRelsNS, "Relationships");
  for (size_t k = 0; k < pageRelsArr_.size(); ++k) {
    w.writeStartElementWithNamespace(kRelsNS, "Relationship");
    w.writeAttribute("Id", fmt::format("rId{}", k + 1));
    w.writeAttribute("Type", pageRelsArr_[k].type);
    w.writeAttribute("Target", pageRelsArr_[k].target);
    w.writeEndElement();
  }
  w.writeEndDocument();
}

}  // namespace vq

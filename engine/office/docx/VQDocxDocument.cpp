#include "office/docx/VQDocxDocument.h"

#include <fmt/format.h>
#include <fmt/ranges.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "common/VQPDFPathUtilities.h"
#include "common/VQRandomString.h"
#include "common/VQResources.h"
#include "office/VQDocxUtilities.h"
#include "office/VQNumberFormat.h"
#include "office/VQOpenXMLNameSpace.h"
#include "office/XMLFileWriter.h"
#include "office/docx/VQDocxDocumentPage.h"
#include "platform/diagnostics/VQDiagnostics.h"

namespace vq {

std::atomic<int64_t> gl_wordVersion{2006};

namespace {

namespace fs = std::filesystem;

std::string lastPathComponent(const std::string& path) { return fs::path(path).filename().string(); }

std::optional<std::string> readWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream out;
  out << in.rdbuf();
  if (in.bad()) return std::nullopt;
  return out.str();
}

void makeFolder(const std::string& path) {
  if (!VQPDFPathUtilities::createFolderIfNeed(path))
    throw VQDocxDocumentException(fmt::format("Can't create the folder {}", path));
}

std::unique_ptr<XMLFileWriter> openPart(const std::string& path) {
  auto writer = XMLFileWriter::initWithPath(path);
  if (!writer) throw VQDocxDocumentException(fmt::format("Can't create the package part {}", path));
  return writer;
}

void startPart(XMLFileWriter& writer) { writer.writeStartDocumentWithEncodingAndVersion("UTF-8", "1.0", "yes"); }

// A relationship Id is an XML ID: keep letters, digits, '_', '-' and '.'.
std::string idSafe(const std::string& text) {
  std::string out = text;
  for (char& c : out) {
    const bool ok =
        (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '-' || c == '.';
    if (!ok) c = '_';
  }
  return out;
}

void textElement(XMLFileWriter& writer, std::string_view name, std::string_view text) {
  writer.writeStartElement(name);
  writer.writeCharacters(text);
  writer.writeEndElement();
}

void valElement(XMLFileWriter& writer, std::string_view name, std::string_view attribute, std::string_view value) {
  writer.writeStartElementWithNamespace(gl_namespace_xmlns_w, name);
  writer.writeAttributeWithNamespace(gl_namespace_xmlns_w, attribute, value);
  writer.writeEndElement();
}

bool hasStylesWithEffects() { return gl_wordVersion.load() >= 2009; }

// A document view as WordprocessingML names it; the page view is "print"
// (print layout).
std::string_view settingsView(std::string_view view) {
  for (std::string_view known : {"none", "print", "outline", "masterPages", "normal", "web"})
    if (view == known) return known;
  return "print";
}

}  // namespace

std::shared_ptr<VQDocxDocument> VQDocxDocument::initWithPath(const std::string& path, int64_t toTotalPages) {
  const std::string tempFolder = VQPDFPathUtilities::tempFolder();
  // The work folder's name is its own, not the destination's: that may be
  // ".." or as long as a name can be, and the folder it lies in is new.
  const std::string workFolder = tempFolder + "/document.docx";
  if (!VQPDFPathUtilities::createFolderIfNeed(workFolder)) {
    std::error_code ec;
    fs::remove_all(tempFolder, ec);
    throw VQDocxDocumentException(fmt::format("Can't create the work folder {}", workFolder));
  }
  return std::shared_ptr<VQDocxDocument>(new VQDocxDocument(path, tempFolder, workFolder, toTotalPages));
}

VQDocxDocument::VQDocxDocument(std::string path, std::string tempFolder, std::string workFolder, int64_t total)
    : savedFilePath_(std::move(path)),
      savedWorkFolder_(std::move(workFolder)),
      savedTempFolder_(std::move(tempFolder)),
      totalNumOfPages_(total) {
  std::snprintf(docxProperty_.view, sizeof docxProperty_.view, "%s", "page");
  docxProperty_.zoom = 120;
}

VQDocxDocument::~VQDocxDocument() {
  fileWriter_.reset();
  removeWorkFolder();
}

void VQDocxDocument::removeWorkFolder() {
  std::vector<std::string> media;
  {
    std::lock_guard lock(mutex_);
    media = docxMediaCollection_;
  }
  std::error_code ec;
  // Collected images belong to this document; those still in the temporary
  // root were never packaged.
  for (const auto& path : media) fs::remove(path, ec);
  if (!savedTempFolder_.empty()) fs::remove_all(savedTempFolder_, ec);
}

void VQDocxDocument::setDocumentWriterDefaults(XMLFileWriter& writer) {
  writer.setPrefix("w", gl_namespace_xmlns_w);
  writer.setPrefix("v", gl_namespace_xmlns_v);
  writer.setPrefix("r", gl_namespace_xmlns_r);
  writer.setPrefix("o", gl_namespace_xmlns_o);
  writer.setPrefix("wp", gl_namespace_xmlns_wp);
  writer.setPrefix("w10", gl_namespace_xmlns_w10);
  writer.setPrefix("ve", gl_namespace_xmlns_ve);
  writer.setPrefix("m", gl_namespace_xmlns_m);
  writer.setPrefix("wne", gl_namespace_xmlns_wne);
}

std::optional<std::string> VQDocxDocument::pathForDocxTemplatesResources(const std::string& name) {
  return VQResourcePath("VQVellumate", "Docx XML Templates/" + name);
}

void VQDocxDocument::writeDocumentBegin() {
  gl_wordVersion = 2006;
  writePagesCountTemp_ = 1;
  // The character set is a two-digit hexadecimal byte in WordprocessingML
  // ("00", ANSI); a single digit is not a valid value.
  docxFontTable_ = {{"Times New Roman", "00", "roman", "variable"}, {"Arial", "00", "swiss", "variable"}};
  {
    std::lock_guard lock(mutex_);
    writePagesCount_ = 1;
    pendingPageMarkup_.clear();
    skippedPages_.clear();
    docxMediaCollection_.clear();
    docxRelationships_.clear();
    auto add = [&](std::string_view type, const char* target) {
      docxRelationships_.push_back(
          {fmt::format("rId{}", docxRelationships_.size() + 1), std::string(type), std::string(target)});
    };
    add(gl_relType_styles, "styles.xml");
    add(gl_relType_fontTable, "fontTable.xml");
    add(gl_relType_theme, "theme/theme1.xml");
    add(gl_relType_settings, "settings.xml");
    add(gl_relType_webSettings, "webSettings.xml");
    if (hasStylesWithEffects()) add(gl_relType_stylesWithEffects, "stylesWithEffects.xml");
  }

  fileWriter_.reset();
  makeFolder(savedWorkFolder_ + "/word");
  fileWriter_ = openPart(savedWorkFolder_ + "/word/document.xml");
  setDocumentWriterDefaults(*fileWriter_);
  startPart(*fileWriter_);
  fileWriter_->writeStartElementWithNamespace(gl_namespace_xmlns_w, "document");
  fileWriter_->writeAttributeWithNamespace(gl_namespace_xml, "space", "preserve");
  fileWriter_->writeStartElementWithNamespace(gl_namespace_xmlns_w, "body");
  // The body's start tag stays open until the first page or the end.
  bodyStartTagOpen_ = true;
}

bool VQDocxDocument::writeDocumentPageTemp(const std::shared_ptr<VQDocxDocumentPage>& page) {
  if (!page) return false;
  const int64_t position = page->wordPageIndex();
  // In memory: a page's markup is appended once, so a file written and read
  // back in between would only cost time.
  auto writer = XMLFileWriter::initInMemory();
  try {
    setDocumentWriterDefaults(*writer);
    // The page's markup uses the prefixes declared on word/document.xml.
    writer->pushNamespaceStack();
    page->writePageBegin();
    try {
      page->writePageWithXMLWriter(*writer);
    } catch (...) {
      page->writePageEnd();
      throw;
    }
    page->writePageEnd();
    writer->writeEndDocument();
  } catch (const XMLWriterException& e) {
    // The markup is incomplete: the page counts as not converted.
    VQDiagnose(VQDiagnosticCategory::Output, fmt::format("Can't write the DOCX page {}: {}", position, e.what()));
    return false;
  }
  // Recorded only now that the markup is whole, so the appending never takes
  // a half-written page.
  std::string markup = writer->takeText();
  std::lock_guard lock(mutex_);
  ++writePagesCount_;
  pendingPageMarkup_[position] = std::move(markup);
  return true;
}

void VQDocxDocument::skipDocumentPage(int64_t position) {
  std::lock_guard lock(mutex_);
  skippedPages_.insert(position);
}

void VQDocxDocument::finishBodyStartTagIfNeeded() {
  if (!bodyStartTagOpen_) return;
  fileWriter_->writeCloseElement(false);
  bodyStartTagOpen_ = false;
}

bool VQDocxDocument::appendReadyPages(bool final) {
  bool appended = false;
  int64_t n = writePagesCountTemp_;
  while (n <= totalNumOfPages_) {
    std::optional<std::string> markup;
    bool skipped = false;
    {
      std::lock_guard lock(mutex_);
      if (auto found = pendingPageMarkup_.find(n); found != pendingPageMarkup_.end()) {
        markup = std::move(found->second);
        pendingPageMarkup_.erase(found);
      }
      skipped = skippedPages_.count(n) > 0;
    }
    if (!markup) {
      if (!skipped && !final) break;  // the next page in order is still being converted
      if (!skipped) VQDiagnose(VQDiagnosticCategory::Output, fmt::format("The DOCX page {} never arrived", n));
      ++n;
      continue;
    }
    finishBodyStartTagIfNeeded();
    fileWriter_->writeWrittenText(*markup);
    appended = true;
    ++n;
  }
  writePagesCountTemp_ = n;
  return appended;
}

bool VQDocxDocument::writeDocumentPageTempInOrderIfReady() {
  if (!fileWriter_ || writePagesCountTemp_ > totalNumOfPages_) return false;
  return appendReadyPages(false);
}

void VQDocxDocument::writeDocumentEnd() {
  if (!fileWriter_) throw VQDocxDocumentException("The DOCX main part is not open");
  appendReadyPages(true);
  XMLFileWriter& w = *fileWriter_;
  // The view and zoom go to word/settings.xml: WordprocessingML allows only
  // block content and the section properties in the body, and Word refuses a
  // main part that carries anything else there. Ending the body finishes its
  // start tag when no page came.
  bodyStartTagOpen_ = false;
  w.writeEndElement();  // body
  w.writeEndElement();  // document
  w.writeEndDocument();
  fileWriter_.reset();
}

std::string VQDocxDocument::collectImageWithPath(const std::string& imagePath) {
  const std::string name = lastPathComponent(imagePath);
  const std::string target = "media/" + name;
  std::lock_guard lock(mutex_);
  if (std::find(docxMediaCollection_.begin(), docxMediaCollection_.end(), imagePath) != docxMediaCollection_.end()) {
    for (const auto& rel : docxRelationships_)
      if (rel.Target == target && !rel.relastionID.empty()) return rel.relastionID;
  }
  docxMediaCollection_.push_back(imagePath);
  const std::string id = "rId_" + idSafe(fs::path(name).stem().string());
  docxRelationships_.push_back({id, std::string(gl_relType_image), target});
  return id;
}

void VQDocxDocument::removeCollectedImageWithRunImages(const std::vector<std::string>& imagePaths) {
  if (imagePaths.empty()) return;
  std::lock_guard lock(mutex_);
  for (const auto& path : imagePaths) {
    std::erase(docxMediaCollection_, path);
    const std::string target = "media/" + lastPathComponent(path);
    auto rel = std::find_if(docxRelationships_.begin(), docxRelationships_.end(),
                            [&](const VQDocxRelationship& r) { return r.Target == target; });
    if (rel != docxRelationships_.end()) docxRelationships_.erase(rel);
  }
}

void VQDocxDocument::setOutline(std::shared_ptr<const VQPDFOutLineManager> outline) {
  std::lock_guard lock(mutex_);
  outline_ = std::move(outline);
}

std::shared_ptr<const VQPDFOutLineManager> VQDocxDocument::outline() const {
  std::lock_guard lock(mutex_);
  return outline_;
}

int64_t VQDocxDocument::writePagesCount() const {
  std::lock_guard lock(mutex_);
  return writePagesCount_;
}

std::vector<VQDocxRelationship> VQDocxDocument::docxRelationships() const {
  std::lock_guard lock(mutex_);
  return docxRelationships_;
}

std::vector<std::string> VQDocxDocument::docxMediaCollection() const {
  std::lock_guard lock(mutex_);
  return docxMediaCollection_;
}

// ---- Package parts ----

void VQDocxDocument::packetZipFileIfNeed() {
  try {
    if (fileWriter_) throw VQDocxDocumentException("The DOCX main part is still open");
    const std::string& wf = savedWorkFolder_;
    makeFolder(wf + "/word");
    _docxWrite_Rels(wf);
    _docxWrite_DocProps_app(wf);
    _docxWrite_DocProps_core(wf);
    _docxWrite_ContentTypes(wf);
    _docxWrite_Word_Media(wf);
    _docxWrite_Word_Rels(wf);
    _docxWrite_Word_FontTable(wf);
    _docxWrite_Word_Settings(wf);
    _docxWrite_Word_Styles(wf);
    _docxWrite_Word_Theme_Theme1(wf);
    _docxWrite_Word_StylesWithEffects(wf);
    _docxWrite_Word_WebSettings(wf);
    const std::vector<std::string> items = {wf + "/_rels", wf + "/[Content_Types].xml", wf + "/docProps", wf + "/word"};
    if (!CreateZipFileAtPath(savedFilePath_, items))
      throw VQDocxDocumentException(fmt::format("Can't write the DOCX package {}: {}", savedFilePath_, LastFailure()));
  } catch (...) {
    removeWorkFolder();
    throw;
  }
  removeWorkFolder();
}

void VQDocxDocument::_docxWrite_Rels(const std::string& folder) const {
  makeFolder(folder + "/_rels");
  auto w = openPart(folder + "/_rels/.rels");
  startPart(*w);
  w->writeStartElement("Relationships");
  w->writeAttribute("xmlns", VQOpenXMLNameSpace::nameSpace_Rels());
  const std::pair<std::string_view, const char*> rels[] = {{gl_relType_extendedProperties, "docProps/app.xml"},
                                                           {gl_relType_coreProperties, "docProps/core.xml"},
                                                           {gl_relType_officeDocument, "word/document.xml"}};
  int id = 0;
  for (const auto& [type, target] : rels) {
    w->writeStartElement("Relationship");
    w->writeAttribute("Id", fmt::format("rId{}", ++id));
    w->writeAttribute("Type", type);
    w->writeAttribute("Target", target);
    w->writeEndElement();
  }
  w->writeEndDocument();
}

void VQDocxDocument::_docxWrite_DocProps_app(const std::string& folder) const {
  makeFolder(folder + "/docProps");
  auto w = openPart(folder + "/docProps/app.xml");
  w->setPrefix("vt", VQOpenXMLNameSpace::nameSpace_vt());
  startPart(*w);
  w->writeStartElement("Properties");
  w->writeAttribute("xmlns", gl_namespace_extendedProperties);
  textElement(*w, "Template", "Normal.dotm");
  textElement(*w, "TotalTime", "0");
  textElement(*w, "Application", "Microsoft Office Word");
  textElement(*w, "DocSecurity", "0");
  textElement(*w, "ScaleCrop", "false");
  textElement(*w, "Company", "Converted by VQPapyrant");
  textElement(*w, "LinksUpToDate", "false");
  textElement(*w, "SharedDoc", "false");
  textElement(*w, "HyperlinksChanged", "false");
  w->writeEndDocument();
}

void VQDocxDocument::_docxWrite_DocProps_core(const std::string& folder) const {
  makeFolder(folder + "/docProps");
  auto w = openPart(folder + "/docProps/core.xml");
  w->setPrefix("cp", VQOpenXMLNameSpace::nameSpace_cp());
  w->setPrefix("dc", VQOpenXMLNameSpace::nameSpace_dc());
  w->setPrefix("dcterms", VQOpenXMLNameSpace::nameSpace_dcterms());
  w->setPrefix("dcmitype", VQOpenXMLNameSpace::nameSpace_dcmitype());
  w->setPrefix("xsi", VQOpenXMLNameSpace::nameSpace_xsi());
  startPart(*w);
  w->writeStartElementWithNamespace(VQOpenXMLNameSpace::nameSpace_cp(), "coreProperties");
  w->writeEndElement();
  w->writeEndDocument();
}

void VQDocxDocument::_docxWrite_ContentTypes(const std::string& folder) const {
  auto w = openPart(folder + "/[Content_Types].xml");
  startPart(*w);
  w->writeStartElement("Types");
  w->writeAttribute("xmlns", gl_namespace_contentTypes);
  auto def = [&](std::string_view extension, std::string_view type) {
    w->writeStartElement("Default");
    w->writeAttribute("Extension", extension);
    w->writeAttribute("ContentType", type);
    w->writeEndElement();
  };
  auto over = [&](std::string_view part, std::string_view type) {
    w->writeStartElement("Override");
    w->writeAttribute("PartName", part);
    w->writeAttribute("ContentType", type);
    w->writeEndElement();
  };
  def("rels", gl_contentType_relationships);
  def("xml", gl_contentType_xml);
  over("/docProps/app.xml", gl_contentType_extendedProperties);
  over("/docProps/core.xml", gl_contentType_coreProperties);
  over("/word/document.xml", gl_contentType_wordDocument);
  over("/word/styles.xml", gl_contentType_wordStyles);
  over("/word/settings.xml", gl_contentType_wordSettings);
  over("/word/theme/theme1.xml", gl_contentType_theme);
  over("/word/fontTable.xml", gl_contentType_wordFontTable);
  over("/word/webSettings.xml", gl_contentType_wordWebSettings);
  if (hasStylesWithEffects()) over("/word/stylesWithEffects.xml", gl_contentType_wordStylesWithEffects);
  def("jpg", "image/jpg");
  def("jpeg", "image/jpeg");
  def("jp2", "image/jp2");
  def("png", "image/png");
  w->writeEndDocument();
}

void VQDocxDocument::_docxWrite_Word_Media(const std::string& folder) {
  makeFolder(folder + "/word/media");
  for (const auto& source : docxMediaCollection()) {
    const std::string destination = folder + "/word/media/" + lastPathComponent(source);
    std::error_code ec;
    fs::rename(source, destination, ec);
    if (ec) {
      // Another file system: copy, then drop the original.
      std::error_code copyError;
      fs::copy_file(source, destination, fs::copy_options::overwrite_existing, copyError);
      if (copyError) throw VQDocxDocumentException(fmt::format("Can't move the image {} into the package", source));
      fs::remove(source, ec);
    }
  }
}

void VQDocxDocument::_docxWrite_Word_Rels(const std::string& folder) const {
  makeFolder(folder + "/word/_rels");
  auto w = openPart(folder + "/word/_rels/document.xml.rels");
  startPart(*w);
  w->writeStartElement("Relationships");
  w->writeAttribute("xmlns", VQOpenXMLNameSpace::nameSpace_Rels());
  for (const auto& rel : docxRelationships()) {
    w->writeStartElement("Relationship");
    w->writeAttribute("Id", rel.relastionID);
    w->writeAttribute("Type", rel.Type);
    w->writeAttribute("Target", rel.Target);
    w->writeEndElement();
  }
  w->writeEndDocument();
}

void VQDocxDocument::_docxWrite_Word_FontTable(const std::string& folder) const {
  makeFolder(folder + "/word");
  auto w = openPart(folder + "/word/fontTable.xml");
  w->setPrefix("r", gl_namespace_xmlns_r);
  w->setPrefix("w", gl_namespace_xmlns_w);
  startPart(*w);
  w->writeStartElementWithNamespace(gl_namespace_xmlns_w, "fonts");
  for (const auto& font : docxFontTable_) {
    w->writeStartElementWithNamespace(gl_namespace_xmlns_w, "font");
    w->writeAttributeWithNamespace(gl_namespace_xmlns_w, "name", font.altName);
    valElement(*w, "altName", "val", font.altName);
    valElement(*w, "charset", "val", font.charset);
    valElement(*w, "family", "val", font.family);
    valElement(*w, "pitch", "val", font.pitch);
    w->writeEndElement();
  }
  w->writeEndDocument();
}

void VQDocxDocument::_docxWrite_Word_Settings(const std::string& folder) const {
  makeFolder(folder + "/word");
  auto w = openPart(folder + "/word/settings.xml");
  w->setPrefix("o", gl_namespace_xmlns_o);
  w->setPrefix("r", gl_namespace_xmlns_r);
  w->setPrefix("m", gl_namespace_xmlns_m);
  w->setPrefix("v", gl_namespace_xmlns_v);
  w->setPrefix("w10", gl_namespace_xmlns_w10);
  w->setPrefix("w", gl_namespace_xmlns_w);
  w->setPrefix("sl", gl_namespace_xmlns_sl);
  startPart(*w);
  w->writeStartElementWithNamespace(gl_namespace_xmlns_w, "settings");
  valElement(*w, "view", "val", settingsView(docxProperty_.view));
  valElement(*w, "zoom", "percent", VQFormatFixed(docxProperty_.zoom, 0));
  valElement(*w, "defaultTabStop", "val", "720");
  valElement(*w, "drawingGridHorizontalSpacing", "val", "110");
  valElement(*w, "displayHorizontalDrawingGridEvery", "val", "2");
  valElement(*w, "characterSpacingControl", "val", "doNotCompress");
  w->writeStartElementWithNamespace(gl_namespace_xmlns_w, "compat");
  w->writeEmptyElementWithNamespace(gl_namespace_xmlns_w, "ulTrailSpace");
  w->writeEmptyElementWithNamespace(gl_namespace_xmlns_w, "useFELayout");
  w->writeEndElement();
  w->writeEndDocument();
}

namespace {

void copyTemplate(const std::string& templateName, const std::string& destination) {
  const auto source = VQDocxDocument::pathForDocxTemplatesResources(templateName);
  if (!source) throw VQDocxDocumentException(fmt::format("The DOCX template \"{}\" is missing", templateName));
  const auto text = readWholeFile(*source);
  if (!text || text->empty()) throw VQDocxDocumentException(fmt::format("Can't read the DOCX template {}", *source));
  if (!VQPDFPathUtilities::writeFileAtomically(destination, *text))
    throw VQDocxDocumentException(fmt::format("Can't write the package part {}", destination));
}

}  // namespace

void VQDocxDocument::_docxWrite_Word_Styles(const std::string& folder) const {
  makeFolder(folder + "/word");
  copyTemplate("docx-template-styles-2006.xml", folder + "/word/styles.xml");
}

void VQDocxDocument::_docxWrite_Word_Theme_Theme1(const std::string& folder) const {
  makeFolder(folder + "/word/theme");
  copyTemplate("docx-template-theme1-2006.xml", folder + "/word/theme/theme1.xml");
}

void VQDocxDocument::_docxWrite_Word_StylesWithEffects(const std::string& folder) const {
  if (!hasStylesWithEffects()) return;
  makeFolder(folder + "/word");
  copyTemplate("docx-template-stylesWithEffects-2010.xml", folder + "/word/stylesWithEffects.xml");
}

void VQDocxDocument::_docxWrite_Word_WebSettings(const std::string& folder) const {
  makeFolder(folder + "/word");
  copyTemplate("docx-template-webSettings-2006.xml", folder + "/word/webSettings.xml");
}

}  // namespace vq

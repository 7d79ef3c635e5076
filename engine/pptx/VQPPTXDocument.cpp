#include "pptx/VQPPTXDocument.h"

#include <fmt/format.h>
#include <algorithm>
#include <cmath>
#include <ctime>
#include <filesystem>
#include <set>
#include <stdexcept>

#include "common/VQPDFPathUtilities.h"
#include "common/VQResources.h"
#include "office/VQOpenXMLNameSpace.h"
#include "office/XMLFileWriter.h"
#include "pptx/VQPPTXPage.h"
#include "pptx/VQPPTXUtilities.h"

namespace fs = std::filesystem;

namespace vq {
namespace {

constexpr std::string_view A = gl_namespace_xmlns_a;
constexpr std::string_view R = gl_namespace_xmlns_r;
constexpr std::string_view P = "http://schemas.openxmlformats.org/presentationml/2006/main";
constexpr std::string_view kRelsNS = "http://schemas.openxmlformats.org/package/2006/relationships";
constexpr std::string_view kRelThumbnail =
    "http://schemas.openxmlformats.org/package/2006/relationships/metadata/thumbnail";
constexpr int kLayoutCount = 11;

std::string lowerExtension(const std::string& path) {
  std::string e = fs::path(path).extension().string();
  if (!e.empty() && e[0] == '.') e.erase(0, 1);
  std::transform(e.begin(), e.end(), e.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return e;
}

// MIME types of the image files the converter may place.
std::string_view imageContentType(const std::string& ext) {
  if (ext == "jpeg" || ext == "jpg" || ext == "jpe") return "image/jpeg";
  if (ext == "png") return "image/png";
  if (ext == "gif") return "image/gif";
  if (ext == "tif" || ext == "tiff") return "image/tiff";
  if (ext == "bmp") return "image/bmp";
  if (ext == "jp2") return "image/jp2";
  return "application/octet-stream";
}

void makeFolder(const std::string& path) {
  if (!VQPDFPathUtilities::createFolderIfNeed(path)) throw std::runtime_error("Can't create the folder " + path);
}

class Part {
 public:
  explicit Part(const std::string& path) : writer_(XMLFileWriter::initWithPath(path)) {
    if (!writer_) throw std::runtime_error("Can't create the package part " + path);
    writer_->writeStartDocumentWithEncodingAndVersion("UTF-8", "1.0", "yes");
  }
  XMLFileWriter& w() { return *writer_; }
  void open(std::string_view ns, std::string_view name) { writer_->writeStartElementWithNamespace(ns, name); }
  void close() { writer_->writeEndElement(); }
  void attr(std::string_view k, std::string_view v) { writer_->writeAttribute(k, v); }
  void leaf(std::string_view ns, std::string_view name,
            std::initializer_list<std::pair<std::string_view, std::string_view>> attrs = {}) {
    open(ns, name);
    for (const auto& [k, v] : attrs) attr(k, v);
    close();
  }
  void text(std::string_view ns, std::string_view name, std::string_view value) {
    open(ns, name);
    writer_->writeCharacters(value);
    close();
  }
  // Ends the document and closes the file; throws when it was not written.
  void finish() { writer_->writeEndDocument(); }

 private:
  std::unique_ptr<XMLFileWriter> writer_;
};

void writeRelationships(const std::string& path, const std::vector<std::pair<std::string, std::string>>& rels) {
  Part part(path);
  part.w().setPrefix("", kRelsNS);
  part.open(kRelsNS, "Relationships");
  for (size_t k = 0; k < rels.size(); ++k) {
    const std::string id = fmt::format("rId{}", k + 1);
    part.leaf(kRelsNS, "Relationship", {{"Id", id}, {"Type", rels[k].first}, {"Target", rels[k].second}});
  }
  part.finish();
}

void bindPresentationPrefixes(XMLFileWriter& w) {
  w.setPrefix("a", A);
  w.setPrefix("r", R);
  w.setPrefix("p", P);
}

}  // namespace

VQPPTXDocument::VQPPTXDocument(const std::string& path, uint64_t toTotalPages)
    : savedFilePath_(path), totalNumOfPages_(toTotalPages) {
  workRoot_ = VQPDFPathUtilities::tempFolder();
  // Named for itself, not after the destination (which may be ".." or a
  // name as long as names go): the folder it lies in is new.
  savedWorkFolder_ = workRoot_ + "/Presentation.pptx";
  makeFolder(savedWorkFolder_);
}

VQPPTXDocument::~VQPPTXDocument() { removeWorkFiles(); }

void VQPPTXDocument::removeWorkFiles() {
  std::lock_guard lock(mutex_);
  std::error_code ec;
  // The collected images are temporary files handed over by the pages.
  for (const auto& m : pptxMediaCollection_) fs::remove(m.sourcePath, ec);
  pptxMediaCollection_.clear();
  // The work folder lies in a folder of its own, made for this document.
  if (!workRoot_.empty()) fs::remove_all(workRoot_, ec);
}

void VQPPTXDocument::convertPDFClean() { removeWorkFiles(); }

void VQPPTXDocument::writeDocumentBegin() {
  std::lock_guard lock(mutex_);
  pptxMediaCollection_.clear();
  pptRelationships_ = {{std::string(gl_relType_slideMaster), "slideMasters/slideMaster1.xml"},
                       {std::string(gl_relType_presProps), "presProps.xml"},
                       {std::string(gl_relType_viewProps), "viewProps.xml"},
                       {std::string(gl_relType_theme), "theme/theme1.xml"},
                       {std::string(gl_relType_tableStyles), "tableStyles.xml"}};
  for (uint64_t i = 1; i <= totalNumOfPages_; ++i)
    pptRelationships_.push_back({std::string(gl_relType_slide), fmt::format("slides/slide{}.xml", i)});
  writePagesCount_ = 1;
}

void VQPPTXDocument::updateDocumentPageSize(const Size& size) {
  std::lock_guard lock(mutex_);
  const float w = static_cast<float>(size.width), h = static_cast<float>(size.height);
  if (!std::isnan(w)) slideSize_.width = std::max(static_cast<float>(slideSize_.width), w);
  if (!std::isnan(h)) slideSize_.height = std::max(static_cast<float>(slideSize_.height), h);
  ++writePagesCount_;
}

Size VQPPTXDocument::slideSize() const {
  std::lock_guard lock(mutex_);
  return slideSize_;
}

int64_t VQPPTXDocument::writePagesCount() const {
  std::lock_guard lock(mutex_);
  return writePagesCount_;
}

std::string VQPPTXDocument::collectImageWithPath(const std::string& imagePath, VQPPTXPage& page) {
  std::lock_guard lock(mutex_);
  std::string found;
  for (const auto& m : pptxMediaCollection_)
    if (m.sourcePath == imagePath)
      if (std::string id = page.findExistRelsWithImagePath(m.destPath); !id.empty()) found = id;
  if (!found.empty()) return found;
  std::string ext = fs::path(imagePath).extension().string();
  if (!ext.empty() && ext[0] == '.') ext.erase(0, 1);
  const std::string target = fmt::format("../media/image{}.{}", pptxMediaCollection_.size() + 1, ext);
  pptxMediaCollection_.push_back({imagePath, target});
  return page.addNewRelsWithImagePath(target);
}

std::string VQPPTXDocument::formatedDate(int64_t unixSeconds) {
  const std::time_t t = static_cast<std::time_t>(unixSeconds);
  std::tm tm{};
  gmtime_r(&t, &tm);
  return fmt::format("{:04}-{:02}-{:02}T{:02}:{:02}:{:02}Z", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour,
                     tm.tm_min, tm.tm_sec);
}

void VQPPTXDocument::packetZipFileIfNeed() {
  try {
    writeRels();
    writeContentTypes();
    writeDocPropsApp();
    writeDocPropsCore();
    makeFolder(savedWorkFolder_ + "/docProps");
    copyResource("thumbnail.jpeg", savedWorkFolder_ + "/docProps/thumbnail.jpeg");
    writePPTRels();
    writePPTMedia();
    writePresentation();
    writePresProps();
    writeSlideLayouts();
    writeSlideMasters();
    writeTableStyles();
    makeFolder(savedWorkFolder_ + "/ppt/theme");
    copyResource("theme1.xml", savedWorkFolder_ + "/ppt/theme/theme1.xml");
    writeViewProps();
    writeMissingSlides();
    const std::string& W = savedWorkFolder_;
    if (!CreateZipFileAtPath(savedFilePath_, {W + "/_rels", W + "/[Content_Types].xml", W + "/docProps", W + "/ppt"}))
      throw std::runtime_error("Can't write the PPTX package " + savedFilePath_ + ": " + LastFailure());
  } catch (...) {
    removeWorkFiles();
    throw;
  }
  removeWorkFiles();
}

void VQPPTXDocument::writeRels() {
  makeFolder(savedWorkFolder_ + "/_rels");
  writeRelationships(savedWorkFolder_ + "/_rels/.rels",
                     {{std::string(gl_relType_officeDocument), "ppt/presentation.xml"},
                      {std::string(kRelThumbnail), "docProps/thumbnail.jpeg"},
                      {std::string(gl_relType_coreProperties), "docProps/core.xml"},
                      {std::string(gl_relType_extendedProperties), "docProps/app.xml"}});
}

void VQPPTXDocument::writeContentTypes() {
  Part part(savedWorkFolder_ + "/[Content_Types].xml");
  part.w().setPrefix("", gl_namespace_contentTypes);
  part.open(gl_namespace_contentTypes, "Types");
  std::vector<std::pair<std::string, std::string>> defaults = {{"xml", "application/xml"},
                                                               {"jpeg", "image/jpeg"},
                                                               {"png", "image/png"},
                                                               {"rels", std::string(gl_contentType_relationships)}};
  // Every media extension needs its own default, or the package refers to
  // parts of no content type.
  std::set<std::string> known = {"xml", "jpeg", "png", "rels"};
  {
    std::lock_guard lock(mutex_);
    for (const auto& m : pptxMediaCollection_) {
      const std::string ext = lowerExtension(m.destPath);
      if (!ext.empty() && known.insert(ext).second) defaults.push_back({ext, std::string(imageContentType(ext))});
    }
  }
  for (const auto& [ext, type] : defaults)
    part.leaf(gl_namespace_contentTypes, "Default", {{"Extension", ext}, {"ContentType", type}});
  auto over = [&](const std::string& name, std::string_view type) {
    part.leaf(gl_namespace_contentTypes, "Override", {{"PartName", name}, {"ContentType", type}});
  };
  over("/ppt/presentation.xml", gl_contentType_presentation);
  over("/ppt/slideMasters/slideMaster1.xml", gl_contentType_slideMaster);
  over("/ppt/presProps.xml", gl_contentType_presProps);
  over("/ppt/viewProps.xml", gl_contentType_viewProps);
  over("/ppt/theme/theme1.xml", gl_contentType_theme);
  over("/ppt/tableStyles.xml", gl_contentType_tableStyles);
  for (int i = 1; i <= kLayoutCount; ++i)
    over(fmt::format("/ppt/slideLayouts/slideLayout{}.xml", i), gl_contentType_slideLayout);
  over("/docProps/core.xml", gl_contentType_coreProperties);
  over("/docProps/app.xml", gl_contentType_extendedProperties);
  for (uint64_t i = 1; i <= totalNumOfPages_; ++i)
    over(fmt::format("/ppt/slides/slide{}.xml", i), gl_contentType_slide);
  part.finish();
}

void VQPPTXDocument::writeDocPropsApp() {
  makeFolder(savedWorkFolder_ + "/docProps");
  Part part(savedWorkFolder_ + "/docProps/app.xml");
  const std::string_view E = gl_namespace_extendedProperties;
  const std::string_view VT = "http://schemas.openxmlformats.org/officeDocument/2006/docPropsVTypes";
  part.w().setPrefix("", E);
  part.w().setPrefix("vt", VT);
  part.open(E, "Properties");
  part.text(E, "TotalTime", "7");
  part.text(E, "Words", "0");
  part.text(E, "Application", "Microsoft Office PowerPoint");
  part.text(E, "PresentationFormat", "On-screen Show (4:3)");
  part.text(E, "Paragraphs", "0");
  part.text(E, "Slides", fmt::format("{}", totalNumOfPages_));
  part.text(E, "Notes", "0");
  part.text(E, "HiddenSlides", "0");
  part.text(E, "MMClips", "0");
  part.text(E, "ScaleCrop", "false");
  part.open(E, "HeadingPairs");
  part.open(VT, "vector");
  part.attr("size", "4");
  part.attr("baseType", "variant");
  for (auto [kind, value] : {std::pair{"lpstr", "Theme"}, {"i4", "1"}, {"lpstr", "Slide Titles"}, {"i4", "1"}}) {
    part.open(VT, "variant");
    part.text(VT, kind, value);
    part.close();
  }
  part.close();
  part.close();
  part.open(E, "TitlesOfParts");
  part.open(VT, "vector");
  part.attr("size", "2");
  part.attr("baseType", "lpstr");
  part.text(VT, "lpstr", "Office Theme");
  part.text(VT, "lpstr", "Slide 1");
  part.close();
  part.close();
  part.leaf(E, "Company");
  part.text(E, "LinksUpToDate", "false");
  part.text(E, "SharedDoc", "false");
  part.text(E, "HyperlinksChanged", "false");
  part.text(E, "AppVersion", "12.0000");
  part.finish();
}

void VQPPTXDocument::writeDocPropsCore() {
  Part part(savedWorkFolder_ + "/docProps/core.xml");
  const std::string_view CP = "http://schemas.openxmlformats.org/package/2006/metadata/core-properties";
  const std::string_view DC = "http://purl.org/dc/elements/1.1/", DCT = "http://purl.org/dc/terms/",
                         DCMI = "http://purl.org/dc/dcmitype/", XSI = "http://www.w3.org/2001/XMLSchema-instance";
  auto& w = part.w();
  w.setPrefix("cp", CP);
  w.setPrefix("dc", DC);
  w.setPrefix("dcterms", DCT);
  w.setPrefix("dcmitype", DCMI);
  w.setPrefix("xsi", XSI);
  part.open(CP, "coreProperties");
  part.text(DC, "title", "Slide 1");
  part.leaf(DC, "creator");
  part.text(CP, "lastModifiedBy", "Slidequay");
  part.text(CP, "revision", "3");
  const std::string now = formatedDate(static_cast<int64_t>(std::time(nullptr)));
  for (const char* name : {"created", "modified"}) {
    part.open(DCT, name);
    w.writeAttributeWithNamespace(XSI, "type", "dcterms:W3CDTF");
    w.writeCharacters(now);
    part.close();
  }
  part.finish();
}

void VQPPTXDocument::copyResource(const std::string& name, const std::string& dest) {
  // The theme, master, layouts and thumbnail are parts the package refers
  // to: without them the presentation does not open, so a missing one fails
  // the conversion.
  const auto source = VQResourcePath("VQSlidequay", name);
  if (!source) throw std::runtime_error("The presentation resource " + name + " is missing");
  std::error_code ec;
  fs::copy_file(*source, dest, fs::copy_options::overwrite_existing, ec);
  if (ec) throw std::runtime_error("Can't copy the presentation resource " + name + ": " + ec.message());
}

void VQPPTXDocument::writePPTRels() {
  makeFolder(savedWorkFolder_ + "/ppt/_rels");
  slideIdsList_.clear();
  std::vector<std::pair<std::string, std::string>> rels;
  for (size_t k = 0; k < pptRelationships_.size(); ++k) {
    rels.push_back({pptRelationships_[k].type, pptRelationships_[k].target});
    if (pptRelationships_[k].type == gl_relType_slide) slideIdsList_.push_back(fmt::format("rId{}", k + 1));
  }
  writeRelationships(savedWorkFolder_ + "/ppt/_rels/presentation.xml.rels", rels);
}

void VQPPTXDocument::writePPTMedia() {
  std::vector<Media> media;
  {
    std::lock_guard lock(mutex_);
    media = pptxMediaCollection_;
  }
  if (media.empty()) return;
  makeFolder(savedWorkFolder_ + "/ppt/media");
  // A source may stand behind several entries (one per slide that shows
  // it), so each is copied; the sources go when the work files are removed.
  for (const auto& m : media) {
    const std::string dest = savedWorkFolder_ + "/ppt/media/" + fs::path(m.destPath).filename().string();
    std::error_code ec;
    fs::copy_file(m.sourcePath, dest, fs::copy_options::overwrite_existing, ec);
    if (ec) throw std::runtime_error("Can't store the image " + m.sourcePath + ": " + ec.message());
  }
}

void VQPPTXDocument::writePresentation() {
  Part part(savedWorkFolder_ + "/ppt/presentation.xml");
  auto& w = part.w();
  bindPresentationPrefixes(w);
  part.open(P, "presentation");
  part.attr("saveSubsetFonts", "1");
  part.open(P, "sldMasterIdLst");
  part.open(P, "sldMasterId");
  part.attr("id", "2147483648");
  w.writeAttributeWithNamespace(R, "id", "rId1");
  part.close();
  part.close();
  if (!slideIdsList_.empty()) {
    part.open(P, "sldIdLst");
    for (size_t k = 0; k < slideIdsList_.size(); ++k) {
      part.open(P, "sldId");
      part.attr("id", fmt::format("{}", 256 + k));
      w.writeAttributeWithNamespace(R, "id", slideIdsList_[k]);
      part.close();
    }
    part.close();
  }
  const Size size = slideSize();
  const int64_t cx = VQPPTXSlideSizeEmu(size.width), cy = VQPPTXSlideSizeEmu(size.height);
  part.leaf(P, "sldSz",
            {{"cx", fmt::format("{}", cx)},
             {"cy", fmt::format("{}", cy)},
             {"type", std::string(VQPPTXSlideSizeType(cx, cy))}});
  part.leaf(P, "notesSz", {{"cx", "6858000"}, {"cy", "9144000"}});
  part.open(P, "defaultTextStyle");
  part.open(A, "defPPr");
  part.leaf(A, "defRPr", {{"lang", "en-US"}});
  part.close();
  for (int level = 1; level <= 9; ++level) {
    part.open(A, fmt::format("lvl{}pPr", level));
    part.attr("marL", fmt::format("{}", (level - 1) * 457200));
    part.attr("algn", "l");
    part.attr("defTabSz", "914400");
    part.attr("rtl", "0");
    part.attr("eaLnBrk", "1");
    part.attr("latinLnBrk", "0");
    part.attr("hangingPunct", "1");
    part.open(A, "defRPr");
    part.attr("sz", "1800");
    part.attr("kern", "1200");
    part.open(A, "solidFill");
    part.leaf(A, "schemeClr", {{"val", "tx1"}});
    part.close();
    part.leaf(A, "latin", {{"typeface", "+mn-lt"}});
    part.leaf(A, "ea", {{"typeface", "+mn-ea"}});
    part.leaf(A, "cs", {{"typeface", "+mn-cs"}});
    part.close();
    part.close();
  }
  part.close();
  part.finish();
}

void VQPPTXDocument::writePresProps() {
  Part part(savedWorkFolder_ + "/ppt/presProps.xml");
  bindPresentationPrefixes(part.w());
  part.leaf(P, "presentationPr");
  part.finish();
}

void VQPPTXDocument::writeSlideLayouts() {
  const std::string folder = savedWorkFolder_ + "/ppt/slideLayouts";
  makeFolder(folder + "/_rels");
  for (int i = 1; i <= kLayoutCount; ++i) {
    writeRelationships(fmt::format("{}/_rels/slideLayout{}.xml.rels", folder, i),
                       {{std::string(gl_relType_slideMaster), "../slideMasters/slideMaster1.xml"}});
    const std::string name = fmt::format("slideLayout{}.xml", i);
    copyResource(name, folder + "/" + name);
  }
}

void VQPPTXDocument::writeSlideMasters() {
  const std::string folder = savedWorkFolder_ + "/ppt/slideMasters";
  makeFolder(folder + "/_rels");
  std::vector<std::pair<std::string, std::string>> rels;
  for (int i = 1; i <= kLayoutCount; ++i)
    rels.push_back({std::string(gl_relType_slideLayout), fmt::format("../slideLayouts/slideLayout{}.xml", i)});
  rels.push_back({std::string(gl_relType_theme), "../theme/theme1.xml"});
  writeRelationships(folder + "/_rels/slideMaster1.xml.rels", rels);
  copyResource("slideMaster1.xml", folder + "/slideMaster1.xml");
}

void VQPPTXDocument::writeTableStyles() {
  Part part(savedWorkFolder_ + "/ppt/tableStyles.xml");
  part.w().setPrefix("a", A);
  part.leaf(A, "tblStyleLst", {{"def", "{5C22544A-7EE6-4342-B048-85BDC9FD1C3A}"}});
  part.finish();
}

void VQPPTXDocument::writeViewProps() {
  Part part(savedWorkFolder_ + "/ppt/viewProps.xml");
  bindPresentationPrefixes(part.w());
  auto scale = [&] {
    part.open(P, "scale");
    part.leaf(A, "sx", {{"n", "100"}, {"d", "100"}});
    part.leaf(A, "sy", {{"n", "100"}, {"d", "100"}});
    part.close();
  };
  part.open(P, "viewPr");
  part.open(P, "normalViewPr");
  part.attr("showOutlineIcons", "0");
  part.leaf(P, "restoredLeft", {{"sz", "15620"}});
  part.leaf(P, "restoredTop", {{"sz", "94660"}});
  part.close();
  part.open(P, "slideViewPr");
  part.open(P, "cSldViewPr");
  part.open(P, "cViewPr");
  part.attr("varScale", "1");
  scale();
  part.leaf(P, "origin", {{"x", "-252"}, {"y", "-84"}});
  part.close();
  part.open(P, "guideLst");
  part.leaf(P, "guide", {{"orient", "horz"}, {"pos", "2160"}});
  part.leaf(P, "guide", {{"pos", "2880"}});
  part.close();
  part.close();
  part.close();
  part.open(P, "notesTextViewPr");
  part.open(P, "cViewPr");
  scale();
  part.leaf(P, "origin", {{"x", "0"}, {"y", "0"}});
  part.close();
  part.close();
  part.leaf(P, "gridSpacing", {{"cx", "78028800"}, {"cy", "78028800"}});
  part.close();
  part.finish();
}

void VQPPTXDocument::writeMissingSlides() {
  // Every requested page is named as a slide; one whose page never came
  // (out of range, unreadable, failed) becomes an empty slide so that no
  // relationship points at a missing part.
  for (uint64_t i = 1; i <= totalNumOfPages_; ++i) {
    VQPPTXPage page(i, savedWorkFolder_);
    if (fs::exists(page.slidePath()) && fs::exists(page.relsPath())) continue;
    page.writeDocumentBegin();
    page.writePageAll();
  }
}

}  // namespace vq

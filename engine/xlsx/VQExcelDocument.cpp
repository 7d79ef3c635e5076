#include "xlsx/VQExcelDocument.h"

#include <fmt/format.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <filesystem>

#include "common/VQPDFPathUtilities.h"
#include "common/VQResources.h"
#include "office/VQOpenXMLNameSpace.h"
#include "office/VQOutputWriter.h"
#include "office/XMLFileWriter.h"
#include "pdf/docinfo/VQPDFInfo.h"
#include "platform/text/Utf8.h"
#include "xlsx/VQExcelPage.h"

namespace vq {

namespace fs = std::filesystem;

namespace {
constexpr std::string_view kRelTheme = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/theme";
constexpr std::string_view kRelStyles = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles";
constexpr std::string_view kRelSharedStrings =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings";
constexpr std::string_view kRelOfficeDocument =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument";
constexpr std::string_view kRelCore =
    "http://schemas.openxmlformats.org/package/2006/relationships/metadata/core-properties";
constexpr std::string_view kRelExtended =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/extended-properties";
constexpr std::string_view kNsContentTypes = "http://schemas.openxmlformats.org/package/2006/content-types";
constexpr std::string_view kNsExtended = "http://schemas.openxmlformats.org/officeDocument/2006/extended-properties";

std::optional<std::string> themeResource() { return VQResourcePath("VQTabulette", "theme1.xml"); }

// Writes a part; false when the file cannot be made or written.
template <typename F>
bool writePart(const std::string& path, F&& body) {
  VQPDFPathUtilities::createFolderIfNeed(fs::path(path).parent_path().string());
  auto w = XMLFileWriter::initWithPath(path);
  if (!w) return false;
  try {
    w->writeStartDocumentWithEncodingAndVersion("UTF-8", "1.0", "yes");
    body(*w);
    w->writeEndDocument();
    w->closeFile();
  } catch (const std::exception&) {
    return false;
  }
  return true;
}

void element(XMLFileWriter& w, std::string_view name, std::string_view text) {
  w.writeStartElement(name);
  w.writeCharacters(text);
  w.writeEndElement();
}

void element(XMLFileWriter& w, std::string_view ns, std::string_view name, std::string_view text) {
  w.writeStartElementWithNamespace(ns, name);
  w.writeCharacters(text);
  w.writeEndElement();
}

std::string toUtf16LE(std::string_view text) {
  std::string out = "\xFF\xFE";  // byte-order mark
  auto put = [&out](uint32_t u) {
    out += static_cast<char>(u & 0xFF);
    out += static_cast<char>((u >> 8) & 0xFF);
  };
  for (char32_t c : text::utf8ToCodePoints(text)) {
    if (c >= 0x10000) {
      const uint32_t v = static_cast<uint32_t>(c) - 0x10000;
      put(0xD800 + (v >> 10));
      put(0xDC00 + (v & 0x3FF));
    } else {
      put(static_cast<uint32_t>(c));
    }
  }
  return out;
}

// The package's relationships: the workbook and the two property parts.
bool WritePackageRelationships(const std::string& root) {
  return writePart(root + "/_rels/.rels", [](XMLFileWriter& w) {
    w.setPrefix("", VQOpenXMLNameSpace::nameSpace_Rels());
    w.writeStartElementWithNamespace(VQOpenXMLNameSpace::nameSpace_Rels(), "Relationships");
    const std::pair<std::string_view, std::string_view> rels[] = {
        {kRelOfficeDocument, "xl/workbook.xml"}, {kRelCore, "docProps/core.xml"}, {kRelExtended, "docProps/app.xml"}};
    int id = 1;
    for (const auto& [type, target] : rels) {
      w.writeStartElement("Relationship");
      w.writeAttribute("Id", fmt::format("rId{}", id++));
      w.writeAttribute("Type", type);
      w.writeAttribute("Target", target);
      w.writeEndElement();
    }
  });
}

bool WriteCoreProperties(const std::string& root, const VQPDFInfo* info) {
  return writePart(root + "/docProps/core.xml", [&](XMLFileWriter& w) {
    const auto cp = VQOpenXMLNameSpace::nameSpace_cp(), dc = VQOpenXMLNameSpace::nameSpace_dc(),
               dcterms = VQOpenXMLNameSpace::nameSpace_dcterms(), xsi = VQOpenXMLNameSpace::nameSpace_xsi();
    w.setPrefix("cp", cp);
    w.setPrefix("dc", dc);
    w.setPrefix("dcterms", dcterms);
    w.setPrefix("dcmitype", VQOpenXMLNameSpace::nameSpace_dcmitype());
    w.setPrefix("xsi", xsi);
    w.writeStartElementWithNamespace(cp, "coreProperties");
    element(w, dc, "title", info ? info->title : "");
    element(w, dc, "subject", info ? info->subject : "");
    element(w, dc, "creator", info && info->author ? *info->author : "");
    element(w, cp, "keywords", info ? info->keywords : "");
    element(w, dc, "description", info ? info->note : "");
    element(w, cp, "lastModifiedBy", "Tabulette");
    const std::string now = VQExcelDocument::formatedDate(
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch()).count());
    for (const char* name : {"created", "modified"}) {
      w.writeStartElementWithNamespace(dcterms, name);
      w.writeAttributeWithNamespace(xsi, "type", "dcterms:W3CDTF");
      w.writeCharacters(now);
      w.writeEndElement();
    }
  });
}

}  // namespace

VQExcelDocument::VQExcelDocument(const std::string& destPath, uint64_t totalPages, const VQExcelOptions& options,
                                 bool isExcel)
    : manager_(options), savedFilePath_(destPath), totalSheetPages_(totalPages), isExcel_(isExcel) {
  tempRoot_ = VQPDFPathUtilities::tempFolder();
  // Named for itself, not after the destination (which may be ".." or a
  // name as long as names go): the folder it lies in is new.
  savedWorkFolder_ = tempRoot_ + "/Tables";
  VQPDFPathUtilities::createFolderIfNeed(isExcel_ ? savedWorkFolder_ + "/xl/worksheets" : savedWorkFolder_);
  if (manager_.isAllInOneSheetEnabled()) totalSheetPages_ = 1;
  aiosWriter_ = std::make_unique<VQExcelAIOSWriter>(savedWorkFolder_);
  sharedStrings_ = std::make_unique<VQExcelSharedStrings>(savedWorkFolder_, manager_, isExcel_);
}

// A document that was never saved takes its work folder with it.
VQExcelDocument::~VQExcelDocument() { removeWorkFolder(); }

bool VQExcelDocument::isExcelConvert() const { return isExcel_; }

int64_t VQExcelDocument::writePagesCount() const {
  std::lock_guard g(lock_);
  return writePagesCount_;
}

void VQExcelDocument::writeDocumentBegin() {
  std::lock_guard g(lock_);
  excelRelationships_.clear();
  for (uint64_t i = 1; i <= totalSheetPages_; ++i)
    excelRelationships_.emplace_back(VQOpenXMLNameSpace::nameSpace_Rels_WorkSheet(),
                                     fmt::format("worksheets/sheet{}.xml", i));
  // A package names its theme only when the bundle has one to copy.
  if (themeResource()) excelRelationships_.emplace_back(kRelTheme, "theme/theme1.xml");
  excelRelationships_.emplace_back(kRelStyles, "styles.xml");
  excelRelationships_.emplace_back(kRelSharedStrings, "sharedStrings.xml");
  writePagesCount_ = 1;
  reportedPagesCount_ = 1;
}

void VQExcelDocument::writePage(VQExcelPage& page) {
  {
    std::lock_guard g(lock_);
    ++writePagesCount_;
  }
  if (isExcelConvert()) {
    page.creatSheet();
    if (manager_.isAllInOneSheetEnabled()) {
      {
        std::lock_guard g(aiosLock_);
        aiosPending_[page.pageNumber()] =
            VQExcelAIOSPage{std::move(page.columns), std::move(page.sheetRows), std::move(page.mergeCells)};
      }
      collectAIOSPagesInOrder(false);
    } else if (!page.writeSheetXML()) {
      std::lock_guard g(lock_);
      pageWriteError_ = fmt::format("Can't write the worksheet of page {}", page.pageNumber());
    }
    return;
  }
  // A page without text still gets its (empty) table: the folder shows one
  // table per page converted.
  const std::string text = page.creatCSV().value_or("");
  const std::string path = fmt::format("{}/Table {}.csv", savedWorkFolder_, page.pageNumber());
  if (!VQPDFPathUtilities::writeFileAtomically(path, toUtf16LE(text))) {
    std::lock_guard g(lock_);
    pageWriteError_ = "Can't write the table " + path;
  }
}

void VQExcelDocument::skipPage(uint64_t pageNumber) {
  if (!manager_.isAllInOneSheetEnabled()) return;
  {
    std::lock_guard g(aiosLock_);
    aiosPending_.emplace(pageNumber, VQExcelAIOSPage{});
  }
  collectAIOSPagesInOrder(false);
}

void VQExcelDocument::collectAIOSPagesInOrder(bool all) {
  std::lock_guard g(aiosLock_);
  while (!aiosPending_.empty() && (all || aiosPending_.begin()->first <= aiosNext_)) {
    auto node = aiosPending_.extract(aiosPending_.begin());
    if (manager_.isAllInOneSheetAddToRow()) aiosWriter_->collectPageXMLToRow(node.mapped());
    else aiosWriter_->collectPageXMLToColumn(node.mapped());
    aiosNext_ = std::max(aiosNext_, node.key() + 1);
  }
}

bool VQExcelDocument::writeDocumentPageTempInOrderIfReady() {
  const bool flushed = sharedStrings_->writeInOrderIfReady();
  // Pages that add no shared string (tables, pages without text) are progress too.
  std::lock_guard g(lock_);
  const bool more = writePagesCount_ != reportedPagesCount_;
  reportedPagesCount_ = writePagesCount_;
  return flushed || more;
}

std::string VQExcelDocument::formatedDate(int64_t seconds) {
  const std::time_t t = static_cast<std::time_t>(seconds);
  std::tm tm{};
  gmtime_r(&t, &tm);
  return fmt::format("{:04d}-{:02d}-{:02d}T{:02d}:{:02d}:{:02d}Z", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,
                     tm.tm_hour, tm.tm_min, tm.tm_sec);
}

bool VQExcelDocument::writeContentTypes(const std::string& root, bool hasTheme) const {
  return writePart(root + "/[Content_Types].xml", [&](XMLFileWriter& w) {
    w.setPrefix("", kNsContentTypes);
    w.writeStartElementWithNamespace(kNsContentTypes, "Types");
    const std::pair<std::string_view, std::string_view> defaults[] = {
        {"xml", "application/xml"},
        {"jpeg", "image/jpeg"},
        {"png", "image/png"},
        {"rels", "application/vnd.openxmlformats-package.relationships+xml"}};
    for (const auto& [ext, type] : defaults) {
      w.writeStartElement("Default");
      w.writeAttribute("Extension", ext);
      w.writeAttribute("ContentType", type);
      w.writeEndElement();
    }
    std::vector<std::pair<std::string, std::string>> overrides = {
        {"/xl/sharedStrings.xml", "application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml"},
        {"/xl/styles.xml", "application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml"}};
    if (hasTheme)
      overrides.emplace_back("/xl/theme/theme1.xml", "application/vnd.openxmlformats-officedocument.theme+xml");
    overrides.emplace_back("/xl/workbook.xml",
                           "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml");
    overrides.emplace_back("/docProps/core.xml", "application/vnd.openxmlformats-package.core-properties+xml");
    overrides.emplace_back("/docProps/app.xml",
                           "application/vnd.openxmlformats-officedocument.extended-properties+xml");
    for (uint64_t i = 1; i <= totalSheetPages_; ++i)
      overrides.emplace_back(fmt::format("/xl/worksheets/sheet{}.xml", i),
                             "application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml");
    for (const auto& [part, type] : overrides) {
      w.writeStartElement("Override");
      w.writeAttribute("PartName", part);
      w.writeAttribute("ContentType", type);
      w.writeEndElement();
    }
  });
}

bool VQExcelDocument::writeAppProperties(const std::string& root, const VQPDFInfo* info) const {
  return writePart(root + "/docProps/app.xml", [&](XMLFileWriter& w) {
    const auto vt = VQOpenXMLNameSpace::nameSpace_vt();
    w.setPrefix("vt", vt);
    w.setPrefix("", kNsExtended);
    w.writeStartElementWithNamespace(kNsExtended, "Properties");
    element(w, "Application", "Microsoft Excel");
    element(w, "DocSecurity", "0");
    element(w, "ScaleCrop", "false");
    w.writeStartElement("HeadingPairs");
    w.writeStartElementWithNamespace(vt, "vector");
    w.writeAttribute("size", "2");
    w.writeAttribute("baseType", "variant");
    w.writeStartElementWithNamespace(vt, "variant");
    element(w, vt, "lpstr", "worksheet");
    w.writeEndElement();
    w.writeStartElementWithNamespace(vt, "variant");
    element(w, vt, "i4", fmt::format("{}", totalSheetPages_));
    w.writeEndElement();
    w.writeEndElement();
    w.writeEndElement();
    w.writeStartElement("TitlesOfParts");
    w.writeStartElementWithNamespace(vt, "vector");
    w.writeAttribute("size", fmt::format("{}", totalSheetPages_));
    w.writeAttribute("baseType", "lpstr");
    for (uint64_t i = 1; i <= totalSheetPages_; ++i) element(w, vt, "lpstr", fmt::format("Sheet {}", i));
    w.writeEndElement();
    w.writeEndElement();
    element(w, "Company", info && info->creator ? *info->creator : "");
    element(w, "Manager", info ? info->producer : "");
    element(w, "LinksUpToDate", "false");
    element(w, "SharedDoc", "false");
    element(w, "HyperlinksChanged", "false");
    element(w, "AppVersion", "12.0000");
  });
}

bool VQExcelDocument::writeWorkbookRelationships(const std::string& root) {
  return writePart(root + "/xl/_rels/workbook.xml.rels", [&](XMLFileWriter& w) {
    sheetIdsList_.clear();
    w.setPrefix("", VQOpenXMLNameSpace::nameSpace_Rels());
    w.writeStartElementWithNamespace(VQOpenXMLNameSpace::nameSpace_Rels(), "Relationships");
    size_t k = 1;
    for (const auto& [type, target] : excelRelationships_) {
      const std::string id = fmt::format("rId{}", k++);
      w.writeStartElement("Relationship");
      w.writeAttribute("Id", id);
      w.writeAttribute("Type", type);
      w.writeAttribute("Target", target);
      w.writeEndElement();
      if (type == VQOpenXMLNameSpace::nameSpace_Rels_WorkSheet()) sheetIdsList_.push_back(id);
    }
  });
}

bool VQExcelDocument::writeWorkbook(const std::string& root) const {
  return writePart(root + "/xl/workbook.xml", [&](XMLFileWriter& w) {
    const auto main = VQOpenXMLNameSpace::nameSpace_SpreadSheetml2006Main();
    const auto r = VQOpenXMLNameSpace::nameSpace_r();
    w.setPrefix("r", r);
    w.setPrefix("", main);
    w.writeStartElementWithNamespace(main, "workbook");
    w.writeStartElement("fileVersion");
    w.writeAttribute("appName", "xl");
    w.writeAttribute("lastEdited", "4");
    w.writeAttribute("lowestEdited", "4");
    w.writeAttribute("rupBuild", "4506");
    w.writeEndElement();
    w.writeStartElement("workbookPr");
    w.writeAttribute("defaultThemeVersion", "124226");
    w.writeEndElement();
    w.writeStartElement("bookViews");
    w.writeStartElement("workbookView");
    for (const auto& [k, v] : std::initializer_list<std::pair<const char*, const char*>>{{"xWindow", "240"},
                                                                                         {"yWindow", "15"},
                                                                                         {"windowWidth", "11670"},
                                                                                         {"windowHeight", "9480"},
                                                                                         {"activeTab", "0"}})
      w.writeAttribute(k, v);
    w.writeEndElement();
    w.writeEndElement();
    w.writeStartElement("sheets");
    for (size_t i = 0; i < sheetIdsList_.size(); ++i) {
      w.writeStartElement("sheet");
      w.writeAttribute("name", fmt::format("Sheet {}", i + 1));
      w.writeAttribute("sheetId", fmt::format("{}", i + 1));
      w.writeAttributeWithNamespace(r, "id", sheetIdsList_[i]);
      w.writeEndElement();
    }
    w.writeEndElement();
    w.writeStartElement("calcPr");
    w.writeAttribute("calcId", "125725");
    w.writeEndElement();
  });
}

bool VQExcelDocument::writePackageParts(const std::shared_ptr<const pdf::Document>& document) {
  const std::string& root = savedWorkFolder_;
  const auto info = VQPDFInfo::initWithCGPDFDocument(document);
  const auto theme = themeResource();
  bool ok = WritePackageRelationships(root);
  ok = ok && writeContentTypes(root, theme.has_value());
  ok = ok && writeAppProperties(root, info.get());
  ok = ok && WriteCoreProperties(root, info.get());
  ok = ok && writeWorkbookRelationships(root);

  ok = sharedStrings_->writeStringItemsEnd() && ok;
  ok = ok && excelStyle_.writeStyleTo(root, manager_);
  if (ok && theme) {
    VQPDFPathUtilities::createFolderIfNeed(root + "/xl/theme");
    std::error_code ec;
    fs::copy_file(*theme, root + "/xl/theme/theme1.xml", fs::copy_options::overwrite_existing, ec);
    ok = !ec;
  }

  ok = ok && writeWorkbook(root);

  if (ok && manager_.isAllInOneSheetEnabled()) {
    collectAIOSPagesInOrder(true);
    ok = aiosWriter_->writeSheetXML(manager_);
  }
  // Every listed worksheet must exist: a page that never arrived gets an empty one.
  for (uint64_t i = 1; ok && i <= totalSheetPages_; ++i) {
    const std::string sheet = fmt::format("{}/xl/worksheets/sheet{}.xml", root, i);
    if (!fs::exists(sheet)) ok = VQExcelPage::WriteWorksheet(sheet, {}, {}, {}, manager_);
  }
  return ok;
}

bool VQExcelDocument::packetZipFileIfNeed(const std::shared_ptr<const pdf::Document>& document, std::string* error) {
  VQPDFPathUtilities::createFolderIfNeed(savedWorkFolder_);
  bool ok = true;
  std::error_code ec;
  std::string pageError;
  {
    std::lock_guard g(lock_);
    pageError = pageWriteError_;
  }
  if (!pageError.empty()) {
    // A page whose part could not be written would be missing from the output.
    sharedStrings_->writeStringItemsEnd();
    if (error) *error = pageError;
    ok = false;
  } else if (!isExcelConvert()) {
    sharedStrings_->writeStringItemsEnd();
    // The destination becomes the folder of tables. It replaces a file, or
    // the tables of an earlier conversion, once they are all written; a
    // folder holding anything else is left alone.
    if (!VQExcelDocument::IsReplaceableTablesDestination(savedFilePath_)) {
      if (error) *error = "Can't save the tables: a folder of other files exists at " + savedFilePath_;
      ok = false;
    } else {
      // Moved (or copied, from another file system) beside the destination
      // first, so the last step is a rename there.
      const std::string fresh = VQPDFPathUtilities::temporarySiblingName(savedFilePath_);
      fs::rename(savedWorkFolder_, fresh, ec);
      if (ec) fs::copy(savedWorkFolder_, fresh, fs::copy_options::recursive, ec);
      if (ec || !VQPDFPathUtilities::replaceWith(fresh, savedFilePath_)) {
        fs::remove_all(fresh, ec);
        if (error) *error = "Can't save the tables at " + savedFilePath_;
        ok = false;
      }
    }
  } else {
    ok = writePackageParts(document);
    if (!ok) {
      if (error) *error = "Can't write the parts of " + savedFilePath_;
    } else {
      const std::vector<std::string> paths = {savedWorkFolder_ + "/_rels", savedWorkFolder_ + "/[Content_Types].xml",
                                              savedWorkFolder_ + "/docProps", savedWorkFolder_ + "/xl"};
      ok = VQOutputWriter::CreateZipFileAtPath(savedFilePath_, paths);
      if (!ok && error) *error = "Can't write the file " + savedFilePath_ + ": " + VQOutputWriter::LastFailure();
    }
  }
  removeWorkFolder();
  return ok;
}

bool VQExcelDocument::IsReplaceableTablesDestination(const std::string& path) {
  std::error_code ec;
  const fs::file_status status = fs::symlink_status(path, ec);
  if (!fs::exists(status)) return true;
  if (!fs::is_directory(status)) return fs::is_regular_file(status);
  for (const auto& entry : fs::directory_iterator(path, ec)) {
    const std::string name = entry.path().filename().string();
    if (!entry.is_regular_file(ec) || name.rfind("Table ", 0) != 0 || entry.path().extension() != ".csv") return false;
  }
  return !ec;
}

void VQExcelDocument::removeWorkFolder() {
  std::error_code ec;
  fs::remove_all(tempRoot_, ec);
}

}  // namespace vq

#include "support/OutputText.h"

#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unzip.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <fstream>
#include <pugixml.hpp>
#include <set>
#include <sstream>
#include <string_view>

#include <fmt/format.h>

namespace fs = std::filesystem;

namespace vqtest {

namespace {

std::string ReadWholeFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw OutputTextError("cannot read " + path.string());
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

void AppendCodePoint(std::string& out, UChar32 c) { icu::UnicodeString(c).toUTF8String(out); }

pugi::xml_document ParseXml(const std::string& xml, const std::string& what) {
  pugi::xml_document doc;
  // A text element of blanks alone (<w:t xml:space="preserve"> </w:t>, the
  // word gap of a line written a run per word) is text, not layout.
  if (!doc.load_buffer(xml.data(), xml.size(), pugi::parse_default | pugi::parse_ws_pcdata))
    throw OutputTextError(what + " is not well-formed XML");
  return doc;
}

const std::string& Part(const std::map<std::string, std::string>& parts, const std::string& name) {
  auto it = parts.find(name);
  if (it == parts.end()) throw OutputTextError("the package has no " + name);
  return it->second;
}

// The part a relationship of `relsPart` (a folder's _rels/x.rels) points at,
// by its id, as a name inside the package.
std::string RelationshipTarget(const std::map<std::string, std::string>& parts, const std::string& relsPart,
                               const std::string& folder, const std::string& id) {
  const auto rels = ParseXml(Part(parts, relsPart), relsPart);
  for (const auto& rel : rels.child("Relationships").children("Relationship")) {
    if (id != rel.attribute("Id").value()) continue;
    std::string target = rel.attribute("Target").value();
    return target.rfind('/', 0) == 0 ? target.substr(1) : folder + target;
  }
  throw OutputTextError(relsPart + " has no relationship " + id);
}

// ---- DOCX ----

void WalkDocx(const pugi::xml_node& node, std::string& out) {
  for (const auto& child : node.children()) {
    const std::string_view name = child.name();
    if (name == "mc:Fallback" || name == "w:pPr" || name == "w:rPr" || name == "w:tblPr" || name == "w:trPr" ||
        name == "w:tcPr" || name == "w:sectPr" || name == "w:tblGrid" || name == "w:instrText" || name == "w:delText")
      continue;
    if (name == "w:t") {
      out += child.text().get();
    } else if (name == "w:tab") {
      out += '\t';
    } else if (name == "w:br" || name == "w:cr") {
      out += '\n';
    } else if (name == "w:noBreakHyphen") {
      out += '-';
    } else {
      // A text box inside a run is set apart from the text around it.
      const bool box = name == "w:txbxContent";
      if (box) out += '\n';
      WalkDocx(child, out);
      if (box || name == "w:p") out += '\n';
      if (name == "w:tc") out += '\t';
    }
  }
}

// The paragraphs below `node`; `open` holds the paragraphs being read, the
// innermost last, and `pendingBreak` tells of a break no text has followed
// yet.
void WalkDocxParagraphs(const pugi::xml_node& node, std::vector<DocxParagraph>& out, std::vector<DocxParagraph>& open,
                        bool& pendingBreak) {
  auto add = [&](const std::string& text) {
    if (open.empty()) return;
    DocxParagraph& paragraph = open.back();
    if (!SplitWords(text).empty() && SplitWords(paragraph.text).empty()) {
      paragraph.afterBreak = pendingBreak;
      pendingBreak = false;
    }
    paragraph.text += text;
  };
  for (const auto& child : node.children()) {
    const std::string_view name = child.name();
    if (name == "mc:Fallback" || name == "w:instrText" || name == "w:delText" || name == "w:rPr") continue;
    if (name == "w:br") {
      const std::string_view type = child.attribute("w:type").value();
      if (type == "page" || type == "column") pendingBreak = true;
      else add("\n");
    } else if (name == "w:pageBreakBefore") {
      pendingBreak = true;
    } else if (name == "w:p") {
      open.emplace_back();
      WalkDocxParagraphs(child, out, open, pendingBreak);
      DocxParagraph paragraph = std::move(open.back());
      open.pop_back();
      // A paragraph that holds a section's properties is the section's last.
      if (child.child("w:pPr").child("w:sectPr")) pendingBreak = true;
      if (!SplitWords(paragraph.text).empty()) out.push_back(std::move(paragraph));
    } else if (name == "w:t") {
      add(child.text().get());
    } else if (name == "w:tab") {
      add("\t");
    } else if (name == "w:cr") {
      add("\n");
    } else if (name == "w:noBreakHyphen") {
      add("-");
    } else {
      WalkDocxParagraphs(child, out, open, pendingBreak);
    }
  }
}

// ---- XLSX ----

// A number as General shows it: the shortest text that reads back as the
// same value.
std::string GeneralNumber(double value) {
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

std::string GroupThousands(const std::string& digits) {
  std::string out;
  const size_t n = digits.size();
  for (size_t i = 0; i < n; ++i) {
    if (i > 0 && (n - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return out;
}

// `value` shown through the number format `code` (its first section): the
// literal text before and after the digits, decimals, thousands groups, per
// cent.
std::string FormatNumber(const std::string& valueText, const std::string& code) {
  double value = 0;
  const auto parsed = std::from_chars(valueText.data(), valueText.data() + valueText.size(), value);
  if (parsed.ec != std::errc() || parsed.ptr != valueText.data() + valueText.size()) return valueText;
  std::string format = code.substr(0, code.find(';'));
  if (format.empty() || format == "General" || format == "@") return GeneralNumber(value);
  // Literal text (quoted, escaped or plain) around the digit placeholders.
  std::string before, after, digits;
  bool percent = false;
  for (size_t i = 0; i < format.size(); ++i) {
    const char c = format[i];
    std::string literal;
    if (c == '"') {
      const size_t end = format.find('"', i + 1);
      literal = format.substr(i + 1, end == std::string::npos ? std::string::npos : end - i - 1);
      i = end == std::string::npos ? format.size() : end;
    } else if (c == '\\' && i + 1 < format.size()) {
      literal = format.substr(++i, 1);
    } else if (c == '0' || c == '#' || c == '?' || ((c == ',' || c == '.') && !digits.empty())) {
      digits += c;
      continue;
    } else if (c == '[') {  // colours and conditions show nothing
      i = std::min(format.find(']', i), format.size());
      continue;
    } else if (c == '_' || c == '*') {  // padding to the width of the next character
      ++i;
      continue;
    } else {
      percent |= c == '%';
      literal = std::string(1, c);
    }
    (digits.empty() ? before : after) += literal;
  }
  if (digits.empty()) return GeneralNumber(value);
  if (percent) value *= 100;
  const size_t point = digits.find('.');
  const int decimals = point == std::string::npos
                           ? 0
                           : static_cast<int>(std::count_if(digits.begin() + static_cast<long>(point), digits.end(),
                                                            [](char c) { return c == '0' || c == '#' || c == '?'; }));
  const bool grouped = digits.substr(0, point).find(',') != std::string::npos;
  std::string number = fmt::format("{:.{}f}", std::fabs(value), decimals);
  const size_t dot = number.find('.');
  std::string whole = number.substr(0, dot);
  if (grouped) whole = GroupThousands(whole);
  number = whole + (dot == std::string::npos ? "" : number.substr(dot));
  return (value < 0 ? "-" : "") + before + number + after;
}

// The column of a cell reference such as "AB12", from 1.
int ColumnOf(std::string_view reference) {
  int column = 0;
  for (char c : reference) {
    if (c < 'A' || c > 'Z') break;
    column = column * 26 + (c - 'A' + 1);
  }
  return column;
}

std::string StringItemText(const pugi::xml_node& item) {
  std::string text;
  // Phonetic runs (rPh) are reading aids, not cell text.
  for (const auto& t : item.select_nodes(".//*[local-name()='t'][not(ancestor::*[local-name()='rPh'])]"))
    text += t.node().text().get();
  return text;
}

// The format code of every cell format (cellXfs), by index.
std::vector<std::string> CellFormatCodes(const std::map<std::string, std::string>& parts) {
  static const std::map<int, std::string> builtIn = {{0, "General"},  {1, "0"},  {2, "0.00"},   {3, "#,##0"},
                                                     {4, "#,##0.00"}, {9, "0%"}, {10, "0.00%"}, {49, "@"}};
  std::vector<std::string> codes;
  auto it = parts.find("xl/styles.xml");
  if (it == parts.end()) return codes;
  const auto styles = ParseXml(it->second, "xl/styles.xml");
  const auto sheet = styles.child("styleSheet");
  std::map<int, std::string> custom;
  for (const auto& f : sheet.child("numFmts").children("numFmt"))
    custom[f.attribute("numFmtId").as_int()] = f.attribute("formatCode").value();
  for (const auto& xf : sheet.child("cellXfs").children("xf")) {
    const int id = xf.attribute("numFmtId").as_int();
    if (auto c = custom.find(id); c != custom.end()) codes.push_back(c->second);
    else if (auto b = builtIn.find(id); b != builtIn.end()) codes.push_back(b->second);
    else codes.push_back("General");
  }
  return codes;
}

std::string SheetText(const std::string& sheetXml, const std::string& name, const std::vector<std::string>& strings,
                      const std::vector<std::string>& formats) {
  const auto sheet = ParseXml(sheetXml, name);
  std::string out;
  std::vector<pugi::xml_node> rows;
  for (const auto& row : sheet.child("worksheet").child("sheetData").children("row")) rows.push_back(row);
  std::stable_sort(rows.begin(), rows.end(), [](const pugi::xml_node& a, const pugi::xml_node& b) {
    return a.attribute("r").as_int() < b.attribute("r").as_int();
  });
  for (const auto& row : rows) {
    std::vector<pugi::xml_node> cells;
    for (const auto& c : row.children("c")) cells.push_back(c);
    std::stable_sort(cells.begin(), cells.end(), [](const pugi::xml_node& a, const pugi::xml_node& b) {
      return ColumnOf(a.attribute("r").value()) < ColumnOf(b.attribute("r").value());
    });
    for (const auto& c : cells) {
      const std::string type = c.attribute("t").value();
      const std::string v = c.child("v").text().get();
      if (type == "s") {
        const size_t index = static_cast<size_t>(c.child("v").text().as_ullong());
        if (index >= strings.size()) throw OutputTextError(name + " names shared string " + v + " that is not there");
        out += strings[index];
      } else if (type == "inlineStr") {
        out += StringItemText(c.child("is"));
      } else if (type == "str" || type == "e") {
        out += v;
      } else if (type == "b") {
        out += v == "1" ? "TRUE" : "FALSE";
      } else if (!v.empty()) {
        const size_t style = c.attribute("s").as_uint();
        out += FormatNumber(v, style < formats.size() ? formats[style] : "General");
      }
      out += '\t';
    }
    out += '\n';
  }
  return out;
}

// ---- PPTX ----

void WalkSlide(const pugi::xml_node& node, std::string& out) {
  for (const auto& child : node.children()) {
    const std::string_view name = child.name();
    if (name == "mc:Fallback") continue;
    if (name == "a:t") {
      out += child.text().get();
    } else if (name == "a:br") {
      out += '\n';
    } else {
      WalkSlide(child, out);
      if (name == "a:p" || name == "p:sp") out += '\n';
      if (name == "a:tc") out += '\t';
    }
  }
}

// ---- HTML ----

bool StartsWithNoCase(std::string_view text, size_t at, std::string_view prefix) {
  if (text.size() - at < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(text[at + i])) != prefix[i]) return false;
  return true;
}

void AppendEntity(std::string& out, std::string_view entity) {
  static const std::map<std::string_view, UChar32> named = {
      {"amp", '&'},      {"lt", '<'},       {"gt", '>'},       {"quot", '"'},     {"apos", '\''},
      {"nbsp", 0xA0},    {"shy", 0xAD},     {"ndash", 0x2013}, {"mdash", 0x2014}, {"lsquo", 0x2018},
      {"rsquo", 0x2019}, {"ldquo", 0x201C}, {"rdquo", 0x201D}, {"bull", 0x2022},  {"hellip", 0x2026}};
  if (!entity.empty() && entity[0] == '#') {
    const bool hex = entity.size() > 1 && (entity[1] == 'x' || entity[1] == 'X');
    const std::string_view digits = entity.substr(hex ? 2 : 1);
    uint32_t value = 0;
    const auto r = std::from_chars(digits.data(), digits.data() + digits.size(), value, hex ? 16 : 10);
    if (r.ec == std::errc() && r.ptr == digits.data() + digits.size()) {
      AppendCodePoint(out, static_cast<UChar32>(value));
      return;
    }
  } else if (auto it = named.find(entity); it != named.end()) {
    AppendCodePoint(out, it->second);
    return;
  }
  out += "&" + std::string(entity) + ";";  // not an entity this reader knows: kept as written
}

bool IsBlockElement(const std::string& name) {
  static const std::set<std::string> blocks = {
      "address",    "article", "aside",  "blockquote", "br",  "dd",    "div", "dl",  "dt",
      "figcaption", "figure",  "footer", "h1",         "h2",  "h3",    "h4",  "h5",  "h6",
      "header",     "hr",      "li",     "main",       "nav", "ol",    "p",   "pre", "section",
      "table",      "tbody",   "td",     "tfoot",      "th",  "thead", "tr",  "ul"};
  return blocks.count(name) > 0;
}

// ---- RTF ----

// Windows-1252's characters 0x80 to 0x9F; the rest of the code page is Latin-1.
UChar32 FromWindows1252(unsigned char c) {
  static const UChar32 high[32] = {0x20AC, 0x81,   0x201A, 0x192,  0x201E, 0x2026, 0x2020, 0x2021,
                                   0x2C6,  0x2030, 0x160,  0x2039, 0x152,  0x8D,   0x17D,  0x8F,
                                   0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                   0x2DC,  0x2122, 0x161,  0x203A, 0x153,  0x9D,   0x17E,  0x178};
  return c >= 0x80 && c < 0xA0 ? high[c - 0x80] : c;
}

bool IsSkippedDestination(std::string_view word) {
  static const std::set<std::string_view> skipped = {"fonttbl",
                                                     "colortbl",
                                                     "stylesheet",
                                                     "info",
                                                     "pict",
                                                     "listtable",
                                                     "listoverridetable",
                                                     "header",
                                                     "headerl",
                                                     "headerr",
                                                     "headerf",
                                                     "footer",
                                                     "footerl",
                                                     "footerr",
                                                     "footerf",
                                                     "fldinst",
                                                     "themedata",
                                                     "colorschememapping",
                                                     "datastore",
                                                     "latentstyles",
                                                     "rsidtbl",
                                                     "generator",
                                                     "xmlnstbl",
                                                     "filetbl",
                                                     "revtbl",
                                                     "object",
                                                     "objdata"};
  return skipped.count(word) > 0;
}

}  // namespace

std::map<std::string, std::string> ZipParts(const fs::path& zip) {
  unzFile file = unzOpen64(zip.string().c_str());
  if (!file) throw OutputTextError(zip.string() + " is not a zip archive");
  std::map<std::string, std::string> parts;
  std::string failure;
  for (int status = unzGoToFirstFile(file); status == UNZ_OK; status = unzGoToNextFile(file)) {
    char name[1024];
    unz_file_info64 info;
    if (unzGetCurrentFileInfo64(file, &info, name, sizeof name, nullptr, 0, nullptr, 0) != UNZ_OK ||
        unzOpenCurrentFile(file) != UNZ_OK) {
      failure = "an entry cannot be opened";
      break;
    }
    std::string data;
    char buffer[65536];
    int n;
    while ((n = unzReadCurrentFile(file, buffer, sizeof buffer)) > 0) data.append(buffer, static_cast<size_t>(n));
    if (unzCloseCurrentFile(file) != UNZ_OK || n < 0) {
      failure = std::string(name) + " does not inflate";
      break;
    }
    parts[name] = std::move(data);
  }
  unzClose(file);
  if (!failure.empty()) throw OutputTextError(zip.string() + ": " + failure);
  return parts;
}

std::string DocxText(const std::string& documentXml) {
  const auto doc = ParseXml(documentXml, "word/document.xml");
  std::string out;
  WalkDocx(doc.child("w:document").child("w:body"), out);
  return out;
}

std::vector<DocxParagraph> DocxParagraphs(const std::string& documentXml) {
  const auto doc = ParseXml(documentXml, "word/document.xml");
  std::vector<DocxParagraph> out, open;
  bool pendingBreak = false;
  WalkDocxParagraphs(doc.child("w:document").child("w:body"), out, open, pendingBreak);
  return out;
}

std::string XlsxText(const std::map<std::string, std::string>& parts) {
  std::vector<std::string> strings;
  if (auto it = parts.find("xl/sharedStrings.xml"); it != parts.end()) {
    const auto sst = ParseXml(it->second, "xl/sharedStrings.xml");
    for (const auto& si : sst.child("sst").children("si")) strings.push_back(StringItemText(si));
  }
  const std::vector<std::string> formats = CellFormatCodes(parts);
  const auto workbook = ParseXml(Part(parts, "xl/workbook.xml"), "xl/workbook.xml");
  std::string out;
  for (const auto& sheet : workbook.child("workbook").child("sheets").children("sheet")) {
    const std::string target =
        RelationshipTarget(parts, "xl/_rels/workbook.xml.rels", "xl/", sheet.attribute("r:id").value());
    out += SheetText(Part(parts, target), target, strings, formats);
  }
  return out;
}

std::string CsvText(const std::string& table) {
  std::string text;
  if (table.size() >= 2 && (table.compare(0, 2, "\xFF\xFE") == 0 || table.compare(0, 2, "\xFE\xFF") == 0)) {
    const bool little = table[0] == '\xFF';
    std::u16string units;
    for (size_t i = 2; i + 1 < table.size(); i += 2) {
      const auto a = static_cast<unsigned char>(table[i]), b = static_cast<unsigned char>(table[i + 1]);
      units += static_cast<char16_t>(little ? (b << 8 | a) : (a << 8 | b));
    }
    icu::UnicodeString(units.data(), static_cast<int32_t>(units.size())).toUTF8String(text);
  } else {
    text = table.compare(0, 3, "\xEF\xBB\xBF") == 0 ? table.substr(3) : table;
  }
  std::string out;
  bool quoted = false, fieldStart = true;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quoted) {
      if (c != '"') {
        out += c;
      } else if (i + 1 < text.size() && text[i + 1] == '"') {
        out += '"';
        ++i;
      } else {
        quoted = false;
      }
      continue;
    }
    if (c == '"' && fieldStart) {
      quoted = true;
      fieldStart = false;
    } else if (c == '\t' || c == ',' || c == '\n' || c == '\r') {
      out += c == ',' ? '\t' : c;
      fieldStart = true;
    } else {
      out += c;
      fieldStart = false;
    }
  }
  return out;
}

// Each slide's shape tree, in the order of the slide list.
template <class Each>
void ForEachSlideTree(const std::map<std::string, std::string>& parts, Each each) {
  const auto presentation = ParseXml(Part(parts, "ppt/presentation.xml"), "ppt/presentation.xml");
  for (const auto& id : presentation.child("p:presentation").child("p:sldIdLst").children("p:sldId")) {
    const std::string target =
        RelationshipTarget(parts, "ppt/_rels/presentation.xml.rels", "ppt/", id.attribute("r:id").value());
    const auto slide = ParseXml(Part(parts, target), target);
    each(slide.child("p:sld"));
  }
}

std::string PptxText(const std::map<std::string, std::string>& parts) {
  std::string out;
  ForEachSlideTree(parts, [&](const pugi::xml_node& slide) {
    WalkSlide(slide, out);
    out += '\n';
  });
  return out;
}

std::vector<std::string> PptxShapeTexts(const std::map<std::string, std::string>& parts) {
  std::vector<std::string> out;
  ForEachSlideTree(parts, [&](const pugi::xml_node& slide) {
    for (const auto& shape : slide.select_nodes(".//p:sp[not(ancestor::mc:Fallback)]")) {
      std::string text;
      WalkSlide(shape.node(), text);
      if (text.find_first_not_of(" \t\n") != std::string::npos) out.push_back(std::move(text));
    }
  });
  return out;
}

std::string HtmlText(const std::string& html) {
  std::string out;
  const std::string_view text(html);
  for (size_t i = 0; i < text.size();) {
    if (text[i] == '&') {
      const size_t end = text.find(';', i);
      if (end != std::string_view::npos && end - i <= 10) {
        AppendEntity(out, text.substr(i + 1, end - i - 1));
        i = end + 1;
      } else {
        out += text[i++];
      }
      continue;
    }
    if (text[i] != '<') {
      out += text[i++];
      continue;
    }
    if (text.compare(i, 4, "<!--") == 0) {
      const size_t end = text.find("-->", i + 4);
      i = end == std::string_view::npos ? text.size() : end + 3;
      continue;
    }
    // A tag: its name, then to its end, past quoted attribute values.
    size_t j = i + 1;
    const bool closing = j < text.size() && text[j] == '/';
    if (closing) ++j;
    std::string name;
    while (j < text.size() && std::isalnum(static_cast<unsigned char>(text[j])))
      name += static_cast<char>(std::tolower(static_cast<unsigned char>(text[j++])));
    char quote = 0;
    while (j < text.size() && (quote || text[j] != '>')) {
      if (quote && text[j] == quote) quote = 0;
      else if (!quote && (text[j] == '"' || text[j] == '\'')) quote = text[j];
      ++j;
    }
    i = j + 1;
    if (!closing && text[j - 1] != '/' && (name == "head" || name == "script" || name == "style")) {
      // Skipped to its end tag, which ends the skipped element.
      size_t end = i;
      while (end < text.size() && !(text[end] == '<' && StartsWithNoCase(text, end, "</" + name))) ++end;
      i = std::min(text.find('>', end), text.size() - 1) + 1;
      continue;
    }
    if (IsBlockElement(name)) out += name == "td" || name == "th" ? '\t' : '\n';
  }
  return out;
}

std::string RtfText(const std::string& rtf) {
  struct Group {
    bool skip = false;
    int fallback = 1;  // characters after \uN that stand in for it (\ucN)
  };
  std::vector<Group> groups(1);
  std::string out;
  UChar32 highSurrogate = 0;
  int toSkip = 0;  // fallback characters still to pass over
  auto emit = [&](UChar32 c) {
    if (toSkip > 0) {
      --toSkip;
      return;
    }
    if (groups.back().skip) return;
    if (c >= 0xD800 && c < 0xDC00) {
      highSurrogate = c;
      return;
    }
    if (c >= 0xDC00 && c < 0xE000 && highSurrogate) c = 0x10000 + ((highSurrogate - 0xD800) << 10) + (c - 0xDC00);
    highSurrogate = 0;
    AppendCodePoint(out, c);
  };
  for (size_t i = 0; i < rtf.size(); ++i) {
    const char c = rtf[i];
    if (c == '{') {
      groups.push_back(groups.back());
      toSkip = 0;
    } else if (c == '}') {
      if (groups.size() > 1) groups.pop_back();
      toSkip = 0;
    } else if (c == '\r' || c == '\n') {
      // Line ends in RTF source are no text.
    } else if (c != '\\') {
      emit(static_cast<unsigned char>(c));
    } else if (++i < rtf.size()) {
      const char s = rtf[i];
      if (std::isalpha(static_cast<unsigned char>(s))) {
        size_t j = i;
        while (j < rtf.size() && std::isalpha(static_cast<unsigned char>(rtf[j]))) ++j;
        const std::string word = rtf.substr(i, j - i);
        size_t k = j;
        if (k < rtf.size() && rtf[k] == '-') ++k;
        while (k < rtf.size() && std::isdigit(static_cast<unsigned char>(rtf[k]))) ++k;
        const bool hasParameter = k > j && std::isdigit(static_cast<unsigned char>(rtf[k - 1]));
        const long parameter = hasParameter ? std::stol(rtf.substr(j, k - j)) : 0;
        if (!hasParameter) k = j;
        i = (k < rtf.size() && rtf[k] == ' ') ? k : k - 1;  // one space ends the word and is part of it
        if (IsSkippedDestination(word)) {
          groups.back().skip = true;
        } else if (word == "uc") {
          groups.back().fallback = static_cast<int>(parameter);
        } else if (word == "u") {
          emit(static_cast<UChar32>(parameter < 0 ? parameter + 65536 : parameter));
          toSkip = groups.back().fallback;
        } else if (word == "par" || word == "line" || word == "sect" || word == "page" || word == "column" ||
                   word == "row") {
          emit('\n');
        } else if (word == "tab" || word == "cell") {
          emit('\t');
        } else if (word == "emdash") {
          emit(0x2014);
        } else if (word == "endash") {
          emit(0x2013);
        } else if (word == "lquote" || word == "rquote") {
          emit(word == "lquote" ? 0x2018 : 0x2019);
        } else if (word == "ldblquote" || word == "rdblquote") {
          emit(word == "ldblquote" ? 0x201C : 0x201D);
        } else if (word == "bullet") {
          emit(0x2022);
        } else if (toSkip > 0) {
          --toSkip;  // a control word may stand in for \uN, and then counts as one character
        }
      } else if (s == '\'') {
        unsigned value = 0;
        if (i + 2 < rtf.size() && std::from_chars(rtf.data() + i + 1, rtf.data() + i + 3, value, 16).ec == std::errc())
          emit(FromWindows1252(static_cast<unsigned char>(value)));
        i += 2;
      } else if (s == '*') {
        groups.back().skip = true;
      } else if (s == '\n' || s == '\r') {
        emit('\n');
      } else if (s == '~') {
        emit(0xA0);
      } else if (s == '_') {
        emit('-');
      } else if (s == '-') {
        // An optional hyphen: no character unless the line breaks there.
      } else {
        emit(static_cast<unsigned char>(s));  // \\, \{ and \}
      }
    }
  }
  return out;
}

std::string OutputText(const fs::path& file, const std::string& format) {
  if (format == "docx") return DocxText(Part(ZipParts(file), "word/document.xml"));
  if (format == "xlsx") return XlsxText(ZipParts(file));
  if (format == "pptx") return PptxText(ZipParts(file));
  if (format == "html") return HtmlText(ReadWholeFile(file));
  if (format == "rtf") return RtfText(ReadWholeFile(file));
  if (format == "txt") return ReadWholeFile(file);
  if (format == "csv") {
    if (!fs::is_directory(file)) return CsvText(ReadWholeFile(file));
    // A page without cells has no table, so the numbers may have gaps.
    std::map<int, fs::path> tables;
    for (const auto& entry : fs::directory_iterator(file)) {
      const std::string name = entry.path().filename().string();
      int n = 0;
      if (name.rfind("Table ", 0) == 0 && entry.path().extension() == ".csv" &&
          std::from_chars(name.data() + 6, name.data() + name.size(), n).ec == std::errc())
        tables[n] = entry.path();
    }
    std::string out;
    for (const auto& [n, path] : tables) out += CsvText(ReadWholeFile(path)) + "\n";
    return out;
  }
  throw OutputTextError("no reader for the format " + format);
}

std::vector<std::string> SplitWords(const std::string& utf8) {
  const icu::UnicodeString text = icu::UnicodeString::fromUTF8(utf8);
  std::vector<std::string> words;
  icu::UnicodeString word;
  for (int32_t i = 0; i < text.length();) {
    const UChar32 c = text.char32At(i);
    i += U16_LENGTH(c);
    if (u_isUWhiteSpace(c)) {
      if (!word.isEmpty()) words.emplace_back(), word.toUTF8String(words.back()), word.remove();
    } else {
      word.append(c);
    }
  }
  if (!word.isEmpty()) words.emplace_back(), word.toUTF8String(words.back());
  return words;
}

}  // namespace vqtest

#pragma once
// Namespace URIs and relationship types of the Office Open XML packages
// (transitional form), character for character as the standards publish them.
#include <string_view>

namespace vq {

class VQOpenXMLNameSpace {
 public:
  VQOpenXMLNameSpace() = delete;
  static std::string_view nameSpace_a() { return "http://schemas.openxmlformats.org/drawingml/2006/main"; }
  static std::string_view nameSpace_p() { return "http://schemas.openxmlformats.org/presentationml/2006/main"; }
  static std::string_view nameSpace_r() {
    return "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
  }
  static std::string_view nameSpace_vt() {
    return "http://schemas.openxmlformats.org/officeDocument/2006/docPropsVTypes";
  }
  static std::string_view nameSpace_cp() {
    return "http://schemas.openxmlformats.org/package/2006/metadata/core-properties";
  }
  static std::string_view nameSpace_dc() { return "http://purl.org/dc/elements/1.1/"; }
  static std::string_view nameSpace_dcterms() { return "http://purl.org/dc/terms/"; }
  static std::string_view nameSpace_dcmitype() { return "http://purl.org/dc/dcmitype/"; }
  static std::string_view nameSpace_xsi() { return "http://www.w3.org/2001/XMLSchema-instance"; }
  static std::string_view nameSpace_Rels() { return "http://schemas.openxmlformats.org/package/2006/relationships"; }
  static std::string_view nameSpace_Rels_WorkSheet() {
    return "http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet";
  }
  static std::string_view nameSpace_SpreadSheetml2006Main() {
    return "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
  }
};

// Namespaces of the WordprocessingML parts and of the drawing markup in them.
inline constexpr std::string_view gl_namespace_xml = "http://www.w3.org/XML/1998/namespace";
inline constexpr std::string_view gl_namespace_xmlns_w = "http://schemas.openxmlformats.org/wordprocessingml/2006/main";
inline constexpr std::string_view gl_namespace_xmlns_v = "urn:schemas-microsoft-com:vml";
inline constexpr std::string_view gl_namespace_xmlns_r =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
inline constexpr std::string_view gl_namespace_xmlns_o = "urn:schemas-microsoft-com:office:office";
inline constexpr std::string_view gl_namespace_xmlns_w10 = "urn:schemas-microsoft-com:office:word";
inline constexpr std::string_view gl_namespace_xmlns_ve = "http://schemas.openxmlformats.org/markup-compatibility/2006";
inline constexpr std::string_view gl_namespace_xmlns_m = "http://schemas.openxmlformats.org/officeDocument/2006/math";
inline constexpr std::string_view gl_namespace_xmlns_wp =
    "http://schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing";
inline constexpr std::string_view gl_namespace_xmlns_wne = "http://schemas.microsoft.com/office/word/2006/wordml";
inline constexpr std::string_view gl_namespace_xmlns_a = "http://schemas.openxmlformats.org/drawingml/2006/main";
inline constexpr std::string_view gl_namespace_xmlns_pic = "http://schemas.openxmlformats.org/drawingml/2006/picture";
inline constexpr std::string_view gl_namespace_xmlns_sl = "http://schemas.openxmlformats.org/schemaLibrary/2006/main";

// Package-level namespaces.
inline constexpr std::string_view gl_namespace_contentTypes =
    "http://schemas.openxmlformats.org/package/2006/content-types";
inline constexpr std::string_view gl_namespace_extendedProperties =
    "http://schemas.openxmlformats.org/officeDocument/2006/extended-properties";

// Relationship types.
inline constexpr std::string_view gl_relType_coreProperties =
    "http://schemas.openxmlformats.org/package/2006/relationships/metadata/core-properties";
inline constexpr std::string_view gl_relType_extendedProperties =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/extended-properties";
inline constexpr std::string_view gl_relType_officeDocument =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument";
inline constexpr std::string_view gl_relType_styles =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles";
inline constexpr std::string_view gl_relType_stylesWithEffects =
    "http://schemas.microsoft.com/office/2007/relationships/stylesWithEffects";
inline constexpr std::string_view gl_relType_fontTable =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/fontTable";
inline constexpr std::string_view gl_relType_theme =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/theme";
inline constexpr std::string_view gl_relType_settings =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/settings";
inline constexpr std::string_view gl_relType_webSettings =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/webSettings";
inline constexpr std::string_view gl_relType_image =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/image";
inline constexpr std::string_view gl_relType_hyperlink =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/hyperlink";
inline constexpr std::string_view gl_relType_worksheet =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet";
inline constexpr std::string_view gl_relType_sharedStrings =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings";
inline constexpr std::string_view gl_relType_slide =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/slide";
inline constexpr std::string_view gl_relType_slideLayout =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/slideLayout";
inline constexpr std::string_view gl_relType_slideMaster =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/slideMaster";
inline constexpr std::string_view gl_relType_presProps =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/presProps";
inline constexpr std::string_view gl_relType_viewProps =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/viewProps";
inline constexpr std::string_view gl_relType_tableStyles =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/tableStyles";
inline constexpr std::string_view gl_relType_thumbnail =
    "http://schemas.openxmlformats.org/package/2006/relationships/metadata/thumbnail";

// Content types of the parts.
inline constexpr std::string_view gl_contentType_relationships =
    "application/vnd.openxmlformats-package.relationships+xml";
inline constexpr std::string_view gl_contentType_xml = "application/xml";
inline constexpr std::string_view gl_contentType_coreProperties =
    "application/vnd.openxmlformats-package.core-properties+xml";
inline constexpr std::string_view gl_contentType_extendedProperties =
    "application/vnd.openxmlformats-officedocument.extended-properties+xml";
inline constexpr std::string_view gl_contentType_theme = "application/vnd.openxmlformats-officedocument.theme+xml";
inline constexpr std::string_view gl_contentType_wordDocument =
    "application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml";
inline constexpr std::string_view gl_contentType_wordStyles =
    "application/vnd.openxmlformats-officedocument.wordprocessingml.styles+xml";
inline constexpr std::string_view gl_contentType_wordStylesWithEffects =
    "application/vnd.ms-word.stylesWithEffects+xml";
inline constexpr std::string_view gl_contentType_wordSettings =
    "application/vnd.openxmlformats-officedocument.wordprocessingml.settings+xml";
inline constexpr std::string_view gl_contentType_wordFontTable =
    "application/vnd.openxmlformats-officedocument.wordprocessingml.fontTable+xml";
inline constexpr std::string_view gl_contentType_wordWebSettings =
    "application/vnd.openxmlformats-officedocument.wordprocessingml.webSettings+xml";
inline constexpr std::string_view gl_contentType_sheetWorkbook =
    "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml";
inline constexpr std::string_view gl_contentType_sheetWorksheet =
    "application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml";
inline constexpr std::string_view gl_contentType_sheetStyles =
    "application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml";
inline constexpr std::string_view gl_contentType_sheetSharedStrings =
    "application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml";
inline constexpr std::string_view gl_contentType_presentation =
    "application/vnd.openxmlformats-officedocument.presentationml.presentation.main+xml";
inline constexpr std::string_view gl_contentType_slide =
    "application/vnd.openxmlformats-officedocument.presentationml.slide+xml";
inline constexpr std::string_view gl_contentType_slideLayout =
    "application/vnd.openxmlformats-officedocument.presentationml.slideLayout+xml";
inline constexpr std::string_view gl_contentType_slideMaster =
    "application/vnd.openxmlformats-officedocument.presentationml.slideMaster+xml";
inline constexpr std::string_view gl_contentType_presProps =
    "application/vnd.openxmlformats-officedocument.presentationml.presProps+xml";
inline constexpr std::string_view gl_contentType_viewProps =
    "application/vnd.openxmlformats-officedocument.presentationml.viewProps+xml";
inline constexpr std::string_view gl_contentType_tableStyles =
    "application/vnd.openxmlformats-officedocument.presentationml.tableStyles+xml";

}  // namespace vq

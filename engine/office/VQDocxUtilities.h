#pragma once
// Default property records and their WordprocessingML serialisers. Every
// element and attribute is written in the WordprocessingML main namespace,
// whose prefix the caller has bound on the writer.
#include <optional>
#include <string>

#include "office/VQDocxTypes.h"
#include "platform/graphics/VQColor.h"

namespace vq {

class XMLFileWriter;

class VQDocxUtilities {
 public:
  VQDocxUtilities() = delete;

  // Default makers.
  static VQDocx_RPr defaultRProperty();
  static VQDocx_PPr defaultPProperty();
  static VQDocx_Tabs defaultTabsProperty();
  static VQDocx_Cols defaultColsProperty();
  static VQDocx_PgMar defaultPageMarginProperty();
  static VQDocx_SectPr defaultSectPropertyHiden();
  static VQDocx_Border defaultBorder_SingleLine();
  static VQDocx_Border defaultBorder_None();
  static VQDocx_Borders defaultPageBordersNone();
  static VQDocx_Borders defaultTableBorders();
  static VQDocx_Borders defaultCellBorders();
  static VQDocx_Shading defaultShading();
  static VQDocx_Margin defaultMargin();
  static VQDocx_Margins defaultMargins();
  static VQDocx_TblpPr defaultTblpProperty();
  static VQDocx_TblPr defaultTblProperty();
  static VQDocx_TblGrid defaultTblGridProperty();
  static VQDocx_TrPr defaultTrProperty();
  static VQDocx_TcPr defaultTcProperty();

  // An RGB colour gives its components times 255, a grey colour its value
  // in all three; none, or any other model, gives black. Alpha is always
  // opaque: the colour's own opacity is not carried.
  static VQDocx_Color VQDocxColorFromCGColor(const Color* color);

  // Run, paragraph and section properties.
  static void WriteRProperty(const VQDocx_RPr& rPr, XMLFileWriter& writer);
  static void WritePProperty(const VQDocx_PPr& pPr, const VQDocx_RPr& rPr, const VQDocx_SectPr& sectPr,
                             const VQDocx_Tabs& tabs, XMLFileWriter& writer);
  static void WriteSectProperty(const VQDocx_SectPr& sectPr, XMLFileWriter& writer);
  static void Write1BlankParagraphWithProperty(const VQDocx_PPr& pPr, const VQDocx_RPr& rPr,
                                               const VQDocx_SectPr& sectPr, XMLFileWriter& writer);
  static std::string TextPathStyleForRProperty(const VQDocx_RPr& rPr);
  // The highlight colour name within 2 of the colour, or nullptr.
  static const char* NameFromColorValue(VQDocx_Color color);
  static const char* _underlineValue(int value);
  static const char* _scriptValue(int value);
  static const char* _sectTypeValue(int value);

  // Tables, borders and margins.
  static void WriteBorderProperty(const VQDocx_Border& border, std::string_view localName, XMLFileWriter& writer);
  static void WriteMarginProperty(const VQDocx_Margin& margin, std::string_view localName, XMLFileWriter& writer);
  static void WriteTblProperty(const VQDocx_TblPr& tblPr, XMLFileWriter& writer);
  static void WriteTblGridProperty(const VQDocx_TblGrid& grid, XMLFileWriter& writer);
  static void WriteTrProperty(const VQDocx_TrPr& trPr, XMLFileWriter& writer);
  static bool IsBorderEqualTcProperty(const VQDocx_TcPr& tcPr, VQDocxRange columnRange, VQDocxRange rowRange,
                                      const VQDocx_TblPr& tblPr);
  static void WriteTcProperty(const VQDocx_TcPr& tcPr, VQDocxRange columnRange, VQDocxRange rowRange,
                              const VQDocx_TblPr& tblPr, XMLFileWriter& writer);
  // An empty paragraph whose mark is `halfPoints` high (where Word needs a
  // paragraph that should take no room).
  static void WriteEmptyParagraph(const char* halfPoints, XMLFileWriter& writer);

  // "RRGGBB", upper case, components clamped to 0..255.
  static std::string HexColor(VQDocx_Color color);
};

}  // namespace vq

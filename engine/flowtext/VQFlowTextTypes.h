#pragma once
// The value records of the flow-text pipeline (HTML, RTF, plain text): run
// formatting, glyph placement, run texts and paragraphs. All geometry is in
// page display space: points, origin at the page's top-left, y downwards.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "pdf/VQPDFWordGaps.h"
#include "platform/graphics/VQGeometry.h"

namespace vq::flowtext {

inline constexpr const char* kFallbackFontName = "Arial Unicode MS";
inline constexpr const char* kDefaultFontName = "Times New Roman";

struct VQFlowTextColor {
  int red = 0, green = 0, blue = 0, alpha = 255;  // 0..255
  friend bool operator==(const VQFlowTextColor&, const VQFlowTextColor&) = default;
};

// Run formatting, the subset of WordprocessingML run properties the three
// writers use. Starts as the word processor's default run.
struct VQFlowTextRPr {
  std::string fontName = kDefaultFontName;
  double sz = 12;  // effective font size on the page, points
  bool b = false;
  bool i = false;
  int u = 0;  // underline: 0 none
  VQFlowTextColor color;
  friend bool operator==(const VQFlowTextRPr&, const VQFlowTextRPr&) = default;
};

// Paragraph formatting: exact line spacing and left indent, in points.
struct VQFlowTextPPr {
  double line = 12;
  double indLeft = 0;
};

// Text margin of a page: its top-most text and its left-most line.
struct VQFlowTextMargin {
  double top = 63;
  double left = 0;
};

// Where a run's first glyph stands: the top-left and bottom-left (baseline)
// corners of its box, and the effective font size along the text's x and y.
struct VQFlowTextPlacement {
  Point topLeft;
  Point bottomLeft;
  Size fontSize{3, 3};
  // The baseline's y, where the glyph's placement gives one.
  std::optional<double> base;
};

struct VQFlowTextRunText {
  int64_t pdfScanIndex = 0;
  VQFlowTextRPr rProperty;
  VQFlowTextPlacement ctmInfo;
  std::string runText;    // UTF-8
  double textWidth = 0;   // display points
  double spaceWidth = 0;  // width of a blank in display points
  // The capture saw a word gap before the run (a blank glyph, however
  // narrow, or a gap wide enough for its type).
  bool wordGapBefore = false;
  // What word gaps beside the run are measured by (its first glyph's type
  // along the line as displayed, and the font's blank), as the capture gives it.
  VQPDFWordGapFont gapFont;

  double top() const { return ctmInfo.topLeft.y; }
  double bottom() const { return ctmInfo.bottomLeft.y; }
  // The baseline, or the bottom where none is known.
  double base() const { return ctmInfo.base.value_or(ctmInfo.bottomLeft.y); }
  double left() const { return ctmInfo.bottomLeft.x; }
  double right() const { return ctmInfo.bottomLeft.x + textWidth; }
  Rect displayRect() const;
};

struct VQFlowTextParagraph {
  VQFlowTextPPr pProperty;
  VQFlowTextRPr rProperty;
  std::vector<VQFlowTextRunText> runArray;
  double xColumnPosition = 0;  // left edge of the paragraph's column
  bool breakColumn = false;    // first paragraph of a column other than a block's first
  bool sectionEnd = false;     // last paragraph before a change of column layout
  // Set on the first paragraph of a block whose text stands in columns over
  // more than one line: each column's left edge, left to right. A single
  // edge marks the first paragraph after such a block, where the page's text
  // is one column again.
  std::vector<double> columnLefts;

  VQFlowTextParagraph() = default;
  explicit VQFlowTextParagraph(std::vector<VQFlowTextRunText> runs);

  // Line spacing = largest font size, left indent = left of the first run,
  // run formatting = the last run's. Returns the resolved height (0).
  double resolvePProperty();
  // Left indent relative to the column; false when there is no run.
  bool resolveXColumnProperty();

  const VQFlowTextRunText* firstRunText() const;
  const VQFlowTextRunText* lastRunText() const;
  VQFlowTextRunText* lastRunText();
  bool isHaveMainText() const { return !runArray.empty(); }
  bool haveText() const;
  double textWidth() const;

  // Empty paragraphs filling a vertical gap of `height`: as many lines of the
  // larger of the font size and `spaceLine` as fit (at least one), sharing the
  // gap equally.
  static std::vector<VQFlowTextParagraph> BlankParagraph(double height, double spaceLine, double indLeft,
                                                         const VQFlowTextRPr& rProperty);
};

}  // namespace vq::flowtext

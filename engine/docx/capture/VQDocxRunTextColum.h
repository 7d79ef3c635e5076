#pragma once
// A column band: a horizontal slice of a page made of text lines stacked one
// below the other, the white rivers that run through every one of its lines,
// and the column groups cut at those rivers. The page's text assembly builds
// bands, joins neighbours whose rivers agree and cuts them into columns; the
// page sections turn the groups into sections with columns.
//
// A river is as tall as the band; only its horizontal extent matters. A copy
// of a band has arrays of its own but shares the lines.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "docx/capture/VQDocxRunTextLine.h"
#include "platform/graphics/VQGeometry.h"

namespace vq {

class VQDocxRunTextColum {
 public:
  using Array = std::vector<std::shared_ptr<VQDocxRunTextColum>>;
  using LineArray = VQDocxRunTextLine::Array;
  using GroupArray = std::vector<LineArray>;

  // Groups narrower than this between two others are no real column.
  static constexpr double kMinInnerColumnWidth = 36;

  VQDocxRunTextColum() = default;

  uint64_t minPDFScanIndex = 0;
  uint64_t maxPDFScanIndex = 0;
  std::vector<Rect> spaceColumArray;  // the rivers, left to right
  Rect columGroupFrame;               // union of the line frames
  GroupArray columGroupArray;         // the column groups, left to right
  bool isColumnMode = true;           // rivers are looked for only when set

  // A band in the given mode holding the lines.
  static std::shared_ptr<VQDocxRunTextColum> CreateRunTextColum(const LineArray& lines, bool columnMode);

  const LineArray& lineArray() const { return lineArray_; }
  // Stores the lines and works out frame, scan range and rivers.
  void setLineArray(LineArray lines);
  // Frame and scan range of the lines; nothing for no lines.
  void _updateColumInfo(const LineArray& lines);

  // Cuts the band into groups at the rivers, unless it has groups already or
  // no lines. Every run of the band lands in exactly one group.
  void createColumGroup();
  // Drops rivers that do not part real columns; empties the groups when the
  // river count changed, so that the next cut starts afresh.
  void optimizeColumnSpaces();
  // Regroups the existing groups between the rivers that are left.
  void updateColumGroupArrayWhileSpaceUpdated();
  // Removes the blank groups; the rivers stay.
  void optimizeColumnGroups();
  // Inner groups narrower than kMinInnerColumnWidth (three groups or more).
  GroupArray findSmallWidthColumns() const;
  // Groups of blank runs only (two groups or more); an empty group is blank.
  GroupArray findBankSpaceColumns() const;
  // Extra room the band needs below its last line; 0 for none.
  double bottomNeedSpace() const;
  // Whether each group's runs, in scan order, follow each other without a gap.
  bool isPDFScanIndexContinuousRunTextInEveryColum();

  std::string description() const;

  // Whether a line of `a` meets, across the page, the height of a line of `b`.
  static bool ColumYIntersectLineArrayA(const LineArray& a, const LineArray& b);
  // Whether a group of one line lines up with exactly one line of the other.
  static bool IsSingleColumLineArrayA(const LineArray& a, const LineArray& b);
  // The leading bands that can join the first one; empty for no bands.
  static Array FindMergeRunTextColumArray(const Array& bands);
  // The leading run of closely stacked one-line bands; empty for no bands.
  static Array FindSingleRunTextColumArray(const Array& bands);

 private:
  // Removes every river equal to a marked one and regroups when any was marked.
  void removeSpaces(const std::vector<Rect>& marked);

  LineArray lineArray_;
};

}  // namespace vq

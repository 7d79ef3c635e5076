#pragma once
// Run texts and whole documents for the flow-text tests.
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "flowtext/VQFlowTextFormats.h"
#include "support/TestSupport.h"

namespace ftest {

using namespace vq::flowtext;

// A run whose first glyph stands at x on the baseline `base`, `size` points
// high, with a blank a quarter of the size wide.
inline VQFlowTextRunText MakeRun(const std::string& text, double x, double base, double width, double size = 10) {
  VQFlowTextRunText r;
  r.runText = text;
  r.ctmInfo.topLeft = {x, base - size};
  r.ctmInfo.bottomLeft = {x, base};
  r.ctmInfo.fontSize = {size, size};
  r.rProperty.sz = size;
  r.rProperty.fontName = "Helvetica";
  r.textWidth = width;
  r.spaceWidth = size / 4;
  r.gapFont.fontSize = size;
  r.gapFont.blankEm = 0.25;
  return r;
}

// The run with its baseline at `base` (its bottom, where the face's
// descent ends, stays where it was).
inline VQFlowTextRunText WithBase(VQFlowTextRunText r, double base) {
  r.ctmInfo.base = base;
  return r;
}

// Writes the pages through the document object of `type` into `dest` and
// returns the file's content.
inline std::string Convert(const std::string& type, const std::filesystem::path& dest,
                           const std::vector<std::vector<VQFlowTextRunText>>& pages) {
  auto doc = VQFlowTextMakeDocument(type, dest.string(), static_cast<int64_t>(pages.size()));
  if (!doc || !doc->writeDocumentBegin()) return "<no document>";
  for (const auto& runs : pages) {
    doc->writeDocumentBegin(612, 792);
    doc->currentPage().allRunTextArray = runs;
    doc->writePageEnd();
  }
  if (!doc->packetZipFileIfNeed()) return "<failed>";
  return vqtest::readFile(dest);
}

}  // namespace ftest

#pragma once
// Text runs placed by hand in display space, for the tests of lines and
// column bands.
#include <cstdint>
#include <memory>
#include <string>

#include "docx/capture/VQDocxRunText.h"

namespace vqtest {

struct PlacedText {
  std::string text = "ab";
  uint64_t index = 0;      // scan position
  uint64_t textIndex = 0;  // text position
  double x = 0, width = 10, top = 0, height = 12, base = 10;
  float size = 12;
  double wordHeight = 0;
};

// A run of glyphs from x to x + width whose frame spans top to top + height
// and stands on base.
inline std::shared_ptr<vq::VQDocxRunText> PlacedTextRun(const PlacedText& p) {
  auto run = std::make_shared<vq::VQDocxRunText>();
  run->setRunText(p.text);
  run->setPdfScanIndex(p.index);
  run->textScanIndex = p.textIndex;
  run->textWidth = p.width;
  run->rProperty.sz = p.size;
  run->wordSingleLineHeight = p.wordHeight;
  run->ctmInfo.xLeft = p.x;
  run->ctmInfo.xRight = p.x + p.width;
  run->ctmInfo.yTop = p.top;
  run->ctmInfo.yBase = p.base;
  run->ctmInfo.yBottom = p.top + p.height;
  run->ctmInfo.frame = vq::RectMake(p.x, p.top, p.width, p.height);
  run->ctmInfo.fontSize = vq::SizeMake(p.height, p.height);
  return run;
}

}  // namespace vqtest

#pragma once
// Runs, documents and file helpers for the spreadsheet tests.
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "xlsx/VQExcelTypes.h"

namespace xtest {

// A run whose box spans x .. x + width across and top .. top + height down,
// with its base line 2 points above the bottom.
inline vq::VQExcelRunPtr MakeRun(const std::string& text, double x, double top, double width, double height = 10,
                                 double size = 10, const std::string& color = "000000") {
  auto r = std::make_shared<vq::VQExcelRunText>();
  r->text = text;
  r->ctmInfo.xLeft = x;
  r->ctmInfo.xRight = x + width;
  r->ctmInfo.yTop = top;
  r->ctmInfo.yBottom = top + height;
  r->ctmInfo.yBase = top + height - 2;
  r->textWidth = width;
  r->rPr.sz = size;
  r->gapFont.fontSize = size;
  r->rPr.rFont = "Helvetica";
  r->rPr.family = "Helvetica";
  r->rPr.rgbColor = color;
  return r;
}

// The text between the first start tag named `tag` and the end of the file
// part it opens (for golden comparisons of one element).
inline std::string Element(const std::string& xml, const std::string& tag) {
  const size_t b = xml.find("<" + tag);
  if (b == std::string::npos) return "";
  const size_t selfEnd = xml.find("/>", b), open = xml.find(">", b);
  if (selfEnd != std::string::npos && selfEnd < open) return xml.substr(b, selfEnd + 2 - b);
  const std::string close = "</" + tag + ">";
  const size_t e = xml.find(close, b);
  return e == std::string::npos ? "" : xml.substr(b, e + close.size() - b);
}

}  // namespace xtest

#pragma once
// Paragraphs of a page section built by hand for the tests of its spacing,
// merging and space borrowing: one-line text paragraphs placed on the page,
// blank spacers, and the section that holds them.
#include <memory>
#include <string>
#include <vector>

#include "docx/capture/PlacedTextRun.h"
#include "docx/capture/VQDocxParagraph.h"
#include "docx/layout/VQDocxPageSection.h"
#include "office/VQDocxUtilities.h"

namespace vqtest {

inline const vq::Rect kColumn = vq::RectMake(0, 0, 400, 800);

struct PlacedLine {
  std::string text = "some words";
  double x = 0, width = 200, top = 100, height = 12;
  // Room of the paragraph: above the line, the line, below it.
  double before = 0, room = 12, after = 0;
  double firstWordWidth = 20;
  int textAlign = 0;
  vq::Rect column = kColumn;
};

// One line of the runs as given, with the runs' texts joined by a blank.
inline std::shared_ptr<vq::VQDocxRunTextLine> LineOfRuns(const vq::VQDocxRunText::Array& runs) {
  auto line = std::make_shared<vq::VQDocxRunTextLine>();
  line->setRunTextArray(runs);
  for (const auto& run : runs) line->lineText += (line->lineText.empty() ? "" : " ") + run->runText();
  return line;
}

inline std::shared_ptr<vq::VQDocxRunText> TextRunAt(const std::string& text, double x, double width, double top,
                                                    double height) {
  auto run = PlacedTextRun(
      {.text = text, .x = x, .width = width, .top = top, .height = height, .base = top + height * 10 / 12});
  run->spaceWidth = 3;
  run->spaceWidth_orignal = 3;
  return run;
}

inline std::shared_ptr<vq::VQDocxParagraph> ParagraphOfRuns(const vq::VQDocxRunText::Array& runs, const PlacedLine& p) {
  auto paragraph =
      std::make_shared<vq::VQDocxParagraph>(vq::VQDocxRunTextLine::Array{LineOfRuns(runs)}, p.before, p.room, p.after,
                                            p.column, p.textAlign, vq::VQDocxUtilities::defaultSectPropertyHiden());
  // The width of the first word as the page measured it, not as an installed
  // font would.
  paragraph->firstWordWidth = p.firstWordWidth;
  return paragraph;
}

// A one-line text paragraph of one run.
inline std::shared_ptr<vq::VQDocxParagraph> TextParagraph(const PlacedLine& p) {
  return ParagraphOfRuns({TextRunAt(p.text, p.x, p.width, p.top, p.height)}, p);
}

// A blank spacer paragraph with the given spacing.
inline std::shared_ptr<vq::VQDocxParagraph> BlankSpacer(double line, double before = 0, double after = 0) {
  auto paragraph = std::make_shared<vq::VQDocxParagraph>();
  paragraph->pProperty.spacing.line = static_cast<float>(line);
  paragraph->pProperty.spacing.before = static_cast<float>(before);
  paragraph->pProperty.spacing.after = static_cast<float>(after);
  paragraph->setYBefore(before, line, after);
  return paragraph;
}

inline vq::VQDocxPageSection::ParagraphColum Colum(const vq::VQDocxParagraph::Array& paragraphs) {
  return vq::VQDocxPageSection::ParagraphColum(paragraphs.begin(), paragraphs.end());
}

}  // namespace vqtest

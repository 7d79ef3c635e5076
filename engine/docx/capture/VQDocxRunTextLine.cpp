#include "docx/capture/VQDocxRunTextLine.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>

#include "common/VQConverterUtilities.h"
#include "office/VQDocxEquality.h"

namespace vq {

namespace {

// Word's hints are compared in single precision, as Word keeps them; a hint
// that is no number never wins.
double floatMax(double current, double candidate) {
  return static_cast<double>(std::fmax(static_cast<float>(current), static_cast<float>(candidate)));
}

double finiteOrZero(double value) { return std::isfinite(value) ? value : 0; }

// Removes the picked run from `from` and appends it to `to` until `from` is empty.
template <class Pick>
VQDocxRunTextLine::RunArray drain(VQDocxRunTextLine::RunArray from, Pick pick) {
  VQDocxRunTextLine::RunArray to;
  to.reserve(from.size());
  while (!from.empty()) {
    auto run = pick(from);
    from.erase(std::find(from.begin(), from.end(), run));
    to.push_back(std::move(run));
  }
  return to;
}

}  // namespace

VQDocxRunTextLine::VQDocxRunTextLine(RunArray runs) : runTextArray_(std::move(runs)) { processRunTextArray(); }

void VQDocxRunTextLine::setRunTextArray(RunArray runs) {
  runTextArray_ = std::move(runs);
  updateLineInfo(runTextArray_);
}

void VQDocxRunTextLine::addRunTextArray(const RunArray& runs) {
  runTextArray_.insert(runTextArray_.end(), runs.begin(), runs.end());
  updateLineInfo(runTextArray_);
}

void VQDocxRunTextLine::processRunTextArray() {
  if (runTextArray_.empty()) return;

  const RunArray scanOrder = drain(runTextArray_, FindNewScanRunText);

  // Each group joins into its first run, which stands for the whole group.
  RunArray merged;
  RunArray rest = scanOrder;
  while (!rest.empty()) {
    const RunArray group = FindLeft2RightMergeRunTextArray(rest);
    merged.push_back(MergeLeft2RightRunTextArray(group));
    std::erase_if(rest, [&](const auto& run) { return std::find(group.begin(), group.end(), run) != group.end(); });
  }

  runTextArray_ = drain(std::move(merged), FindXLeftRunText);
  updateLineInfo(runTextArray_);
  spaceRowArray = _findRowSpace(runTextArray_);
}

void VQDocxRunTextLine::updateLineInfo(const RunArray& runs) {
  if (runs.empty()) return;
  const VQDocxRunText& first = *runs.front();
  lineFrame = first.ctmInfo.frame;
  yBaseLine = first.ctmInfo.yBase;
  minPDFScanIndex = first.pdfScanIndex();
  maxPDFScanIndex = first.pdfScanIndex() + first.pdfScanLength;
  // The hints end up in paragraph spacing: one that is no number counts as none.
  wordSingleLineHeight = finiteOrZero(first.wordSingleLineHeight);
  wordSingleLineBlankTop = finiteOrZero(first.wordSingleLineBlankTop);
  lineHeightMin = first.ctmInfo.frame.size.height;

  bool missingHint = first.wordSingleLineHeight < 1;
  for (size_t k = 1; k < runs.size(); ++k) {
    const VQDocxRunText& run = *runs[k];
    lineFrame = RectUnion(lineFrame, run.ctmInfo.frame);
    yBaseLine = std::max(yBaseLine, run.ctmInfo.yBase);
    minPDFScanIndex = std::min(minPDFScanIndex, run.pdfScanIndex());
    maxPDFScanIndex = std::max(maxPDFScanIndex, run.pdfScanIndex() + run.pdfScanLength);
    wordSingleLineHeight = floatMax(wordSingleLineHeight, run.wordSingleLineHeight);
    wordSingleLineBlankTop = floatMax(wordSingleLineBlankTop, run.wordSingleLineBlankTop);
    lineHeightMin = floatMax(lineHeightMin, run.ctmInfo.frame.size.height);
    missingHint = missingHint || run.wordSingleLineHeight < 1;
  }
  // Word's line height is known for the line only when every run knows it.
  if (runs.size() >= 2 && missingHint) wordSingleLineHeight = 0;
}

std::vector<VQDocxRunTextLineSpace> VQDocxRunTextLine::_findRowSpace(const RunArray& runs) {
  std::vector<VQDocxRunTextLineSpace> spaces;
  if (runs.empty()) return spaces;
  auto add = [&](std::shared_ptr<VQDocxRunText> left, std::shared_ptr<VQDocxRunText> right) {
    if (auto space = VQDocxRunTextLineSpace::RunTextLineSpaceWithLeftRunText(std::move(left), std::move(right)))
      spaces.push_back(std::move(*space));
  };

  add(nullptr, runs.front());
  std::string text = runs.front()->runText();
  auto previous = runs.front();
  for (size_t k = 1; k < runs.size(); ++k) {
    const auto& run = runs[k];
    if (previous->textScanIndex + previous->textScanLength == run->textScanIndex) {
      // Neighbours in text order: the distance tells a joined word, a word
      // break, or (within one operator) a jump to a tab stop.
      const double gap = run->ctmInfo.xLeft - previous->ctmInfo.xRight;
      if (gap < 1 && !VQDocxRunText::IsWordGapBetween(*previous, *run, gap)) text += run->runText();
      else if (gap < 5 || previous->pdfScanIndex_ShowText != run->pdfScanIndex_ShowText) text += " " + run->runText();
      else text += "\t" + run->runText();
    } else {
      text += " | " + run->runText();
      add(previous, run);
    }
    previous = run;
  }
  add(runs.back(), nullptr);
  lineText = std::move(text);
  return spaces;
}

double VQDocxRunTextLine::getTextWidth(const std::string& text) const {
  if (runTextArray_.empty()) return 0;
  const VQDocx_RPr& rPr = runTextArray_.front()->rProperty;
  return VQConverterUtilities::TextWidth(text, std::string(VQDocxText(rPr.rFonts.ascii)), rPr.sz, 1024);
}

double VQDocxRunTextLine::allRunTextWidth() const {
  double width = 0;
  for (const auto& run : runTextArray_) width += run->textWidth;
  return width;
}

double VQDocxRunTextLine::behindTextSpaceWidth() const {
  return runTextArray_.empty() ? 0 : runTextArray_.back()->spaceWidth;
}

void VQDocxRunTextLine::addBlankSpaceTextBehind() {
  if (runTextArray_.empty()) return;
  runTextArray_.back()->addBlankSpaceTextBehind();
  updateLineInfo(runTextArray_);
}

void VQDocxRunTextLine::removeScript() {
  for (const auto& run : runTextArray_) {
    // Word sizes text in half points; the glyph height is the size the text
    // really has once it is no longer raised or lowered. A glyph height under
    // a point (or none at all) says nothing: the run keeps its size then,
    // rather than being written too small to see.
    const float size = std::floor(2.0f * static_cast<float>(run->ctmInfo.fontSize.height)) / 2.0f;
    if (std::isfinite(size) && size >= 1) {
      run->rProperty.sz = size;
      run->rProperty.szCs = size;
    }
    run->rProperty.scrpit = 0;
    run->ctmInfo.yBase = run->ctmInfo.yBottom;
  }
}

std::string VQDocxRunTextLine::description() const {
  std::string rects;
  for (const auto& space : spaceRowArray) {
    if (!rects.empty()) rects += ", ";
    rects += fmt::format("({:f}-{:f})", space.spaceRect.origin.x, space.spaceRect.size.width);
  }
  const double firstBase = runTextArray_.empty() ? 0 : runTextArray_.front()->ctmInfo.yBase;
  return fmt::format(
      "<VQDocxRunTextLine: {}:[yBase:{:f}][yBottom:{:f}][lineFrame:{}][wordSingleLineHeight:{:f}]"
      "[runTextArray.count:{}][spaceRowArray.count:{}][lineText:{}][pdfScanIndex:{}~{}][spaceRects:{}]>",
      fmt::ptr(this), firstBase, lineFrame.origin.y + lineFrame.size.height, NSStringFromCGRect_VQLib(lineFrame),
      wordSingleLineHeight, runTextArray_.size(), spaceRowArray.size(), lineText, static_cast<int64_t>(minPDFScanIndex),
      static_cast<int64_t>(maxPDFScanIndex), rects);
}

std::shared_ptr<VQDocxRunText> VQDocxRunTextLine::FindNewScanRunText(const RunArray& runs) {
  std::shared_ptr<VQDocxRunText> found;
  for (const auto& run : runs)
    if (!found || run->pdfScanIndex() < found->pdfScanIndex()) found = run;
  return found;
}

std::shared_ptr<VQDocxRunText> VQDocxRunTextLine::FindXLeftRunText(const RunArray& runs) {
  std::shared_ptr<VQDocxRunText> found;
  for (const auto& run : runs)
    if (!found || run->ctmInfo.xLeft < found->ctmInfo.xLeft) found = run;
  return found;
}

VQDocxRunTextLine::RunArray VQDocxRunTextLine::FindLeft2RightMergeRunTextArray(const RunArray& runs) {
  RunArray group;
  if (runs.empty()) return group;
  const VQDocxRunText& first = *runs.front();
  group.push_back(runs.front());
  double lastRight = first.ctmInfo.xRight;
  // Pieces of one operator follow each other in the stream, stand on one base
  // line with the same look, and touch from left to right.
  for (size_t i = 1; i < runs.size(); ++i) {
    const VQDocxRunText& run = *runs[i];
    if (!(std::fabs(run.ctmInfo.yBase - first.ctmInfo.yBase) < 1)) break;
    if (run.pdfScanIndex() != first.pdfScanIndex() + i) break;
    if (!IsEqualRPr(run.rProperty, first.rProperty)) break;
    if (!(run.ctmInfo.xLeft > first.ctmInfo.xLeft)) break;
    const double gap = run.ctmInfo.xLeft - lastRight;
    if (!(gap < 1)) break;
    // A word gap parts the pieces, however close they stand (a blank of
    // small or condensed type is narrower than a point).
    if (VQDocxRunText::IsWordGapBetween(*runs[i - 1], run, gap)) break;
    group.push_back(runs[i]);
    lastRight = run.ctmInfo.xRight;
  }
  return group;
}

std::shared_ptr<VQDocxRunText> VQDocxRunTextLine::MergeLeft2RightRunTextArray(const RunArray& runs) {
  if (runs.empty()) return nullptr;
  auto first = runs.front();
  if (runs.size() == 1) return first;

  std::string text = first->runText();
  double width = first->textWidth;
  Rect frame = first->ctmInfo.frame;
  for (size_t k = 1; k < runs.size(); ++k) {
    const VQDocxRunText& run = *runs[k];
    text += run.runText();
    width += run.textWidth;
    frame = RectUnion(frame, run.ctmInfo.frame);
    first->setPdfScanIndex(std::min(first->pdfScanIndex(), run.pdfScanIndex()));
    first->pdfScanLength += run.pdfScanLength;
    first->textScanIndex = std::min(first->textScanIndex, run.textScanIndex);
    first->textScanLength += run.textScanLength;
  }

  VQPDF_CTMInfo& info = first->ctmInfo;
  const double x = frame.origin.x, y = frame.origin.y;
  const double bottom = y + frame.size.height;
  info.frame = frame;
  info.xLeft = x;
  info.bottomLeft = PointMake(x, bottom);
  info.yTop = y;
  info.yAscent = y;
  info.topLeft = PointMake(x, y);
  info.xRight = x + frame.size.width;
  info.yDescent = bottom;
  info.yBottom = bottom;

  first->setRunText(std::move(text));
  first->textWidth = width;
  // What the PDF spreads beyond the pieces' own widths becomes character spacing.
  first->insideSpacing = frame.size.width - width;
  first->rProperty.spacing = static_cast<float>(finiteOrZero(first->insideSpacing));
  first->optimizePropertyAtStart(false);
  return first;
}

}  // namespace vq

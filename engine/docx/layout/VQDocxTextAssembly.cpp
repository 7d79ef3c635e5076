// Text runs made lines, bands and column sets: the steps shared by a page's
// text assembly and the area layout (see VQDocxTextAssembly.h).
#include "docx/layout/VQDocxTextAssembly.h"
#include "docx/capture/VQDocxMeasures.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <unordered_map>
#include <unordered_set>

namespace vq::docxtext {
namespace {

using docxmeasure::bottomOf;

using Line = VQDocxRunTextLine;
using Band = VQDocxRunTextColum;
using RunArray = VQDocxRunText::Array;

template <class T>
void removeAll(std::vector<std::shared_ptr<T>>& from, const std::vector<std::shared_ptr<T>>& taken) {
  if (taken.empty()) return;
  const std::unordered_set<const T*> gone = [&] {
    std::unordered_set<const T*> s;
    for (const auto& t : taken) s.insert(t.get());
    return s;
  }();
  std::erase_if(from, [&](const auto& item) { return gone.count(item.get()) != 0; });
}

// The runs that repeat a kept run: of text painted several times at one
// place (as for fake bold) only the last copy stays, or the first one. Runs
// are compared only with runs of the same text and of a base line within a
// point, which are the only ones that can repeat them (runs of one letter
// recur all over a page).
std::unordered_set<const VQDocxRunText*> duplicateRuns(const RunArray& runs, bool keepLast) {
  // Base lines in whole points: a repeat lies in the run's bucket or a
  // neighbour.
  const auto bucketOf = [](double yBase) -> long long {
    if (!std::isfinite(yBase) || std::fabs(yBase) > 1e15) return std::numeric_limits<long long>::min();
    return static_cast<long long>(std::floor(yBase));
  };
  std::unordered_map<std::string, std::unordered_map<long long, std::vector<size_t>>> byText;
  for (size_t k = 0; k < runs.size(); ++k) byText[runs[k]->runText()][bucketOf(runs[k]->ctmInfo.yBase)].push_back(k);
  std::vector<bool> taken(runs.size(), false);
  std::unordered_set<const VQDocxRunText*> duplicates;
  std::vector<size_t> candidates;
  for (size_t k = 0; k < runs.size(); ++k) {
    if (taken[k]) continue;
    taken[k] = true;
    const long long bucket = bucketOf(runs[k]->ctmInfo.yBase);
    if (bucket == std::numeric_limits<long long>::min()) continue;  // no number: repeats nothing
    const auto& buckets = byText[runs[k]->runText()];
    candidates.clear();
    for (long long b = bucket - 1; b <= bucket + 1; ++b)
      if (auto it = buckets.find(b); it != buckets.end())
        candidates.insert(candidates.end(), it->second.begin(), it->second.end());
    std::sort(candidates.begin(), candidates.end());
    size_t last = k;
    for (const size_t j : candidates) {
      if (j <= k || taken[j] || !runs[k]->isDuplicateRunText(*runs[j])) continue;
      taken[j] = true;
      if (keepLast) {
        duplicates.insert(runs[last].get());
        last = j;
      } else {
        duplicates.insert(runs[j].get());
      }
    }
  }
  return duplicates;
}

// Runs of one base line, lines in base-line order (the first run of a line
// decides which runs join it). Blank lines are dropped; with trimming on, the
// blank runs of every line are too. Every dropped run goes to `removed`.
// The lines are not processed yet: that waits until the dropped runs have
// left the page and the rest are numbered again.
Line::Array linesOfRuns(RunArray runs, bool trimBlanks, std::unordered_set<const VQDocxRunText*>& removed) {
  // Taking the run of the lowest base line again and again, the earlier of
  // equals first, is a stable sort by base line.
  std::stable_sort(runs.begin(), runs.end(),
                   [](const auto& a, const auto& b) { return a->ctmInfo.yBase < b->ctmInfo.yBase; });
  Line::Array lines;
  size_t begin = 0;
  while (begin < runs.size()) {
    // Only runs close to the first one's base line can share its line; in
    // base-line order they follow it directly.
    const double base = runs[begin]->ctmInfo.yBase;
    size_t end = begin + 1;
    while (end < runs.size() && !(runs[end]->ctmInfo.yBase - base > 2)) ++end;
    RunArray window(runs.begin() + static_cast<std::ptrdiff_t>(begin), runs.begin() + static_cast<std::ptrdiff_t>(end));
    RunArray same = VQDocxRunText::CollectSameBaseLineRunTexts(window);
    removeAll(window, same);
    // The runs left in the window go back, in their order, after the line.
    std::copy(window.begin(), window.end(), runs.begin() + static_cast<std::ptrdiff_t>(begin + same.size()));
    begin += same.size();

    if (Line::IsBankSpaceRunTextArray(same)) {
      for (const auto& run : same) removed.insert(run.get());
      continue;
    }
    if (trimBlanks) {
      const RunArray blanks = Line::FindBankSpaceRunTextArray(same);
      for (const auto& run : blanks) removed.insert(run.get());
      removeAll(same, blanks);
    }
    if (same.empty()) continue;
    auto line = std::make_shared<Line>();
    line->addRunTextArray(same);
    lines.push_back(std::move(line));
  }
  return lines;
}

// The lines of a band of overlapping lines rebuilt: pieces that continue
// each other in text order and make one visual line (a line with its raised
// or lowered text, columns that share a base line) are merged into one line.
// A drop capital found beside merged lines leaves them for `dropCapitals`.
Line::Array rebuildBand(const Line::Array& band, std::vector<RunArray>& dropCapitals) {
  Line::Array group;
  Line::Array split = Line::SplitRunTextLineArrayContinuous(band);
  while (!split.empty()) {
    Line::Array continuous = Line::FindRunTextLineArrayIndexContinuous(split);
    if (continuous.empty()) continuous = {split.front()};
    removeAll(split, continuous);
    while (!continuous.empty()) {
      Line::Array set = Line::FindRunTextLineArrayAs1Line(continuous);
      if (set.empty()) set = {continuous.front()};
      // Lines that are not one stretch of text stay apart: the first is
      // taken alone and the others are looked at again.
      if (set.size() >= 2 && !Line::IsRunLineArrayPDFTextIndexContinuous(set)) set = {set.front()};
      removeAll(continuous, set);
      if (set.size() < 2) {
        group.push_back(set.front());
        continue;
      }
      const Line::Array ordered = Line::SortRunTextLineArrayByBaseY(set);
      const bool script = Line::IsScriptRunTextLineArray(ordered);
      if (script) Line::SetupScriptRunTextLineArray(ordered);
      group.push_back(Line::MergeRunTextLineArray(ordered));
      if (script) continue;
      const RunArray capital = Line::FindFirstBigFontRunTextLine(group);
      if (capital.empty()) continue;
      for (const auto& line : group) {
        RunArray runs = line->runTextArray();
        const size_t before = runs.size();
        removeAll(runs, capital);
        if (runs.size() == before) continue;
        line->setRunTextArray(std::move(runs));
        line->processRunTextArray();
      }
      std::erase_if(group, [](const auto& line) { return line->runTextArray().empty(); });
      dropCapitals.push_back(capital);
    }
  }
  return group;
}

Line::Array linesOfBands(const Band::Array& bands, size_t first, size_t last) {
  Line::Array lines;
  for (size_t k = first; k <= last; ++k)
    lines.insert(lines.end(), bands[k]->lineArray().begin(), bands[k]->lineArray().end());
  return lines;
}

// Whether bands[first..h-1], already joined as `current`, may take band h
// as well, joined as `extension`.
bool mayExtend(const Band::Array& bands, size_t h, Band& current, Band& extension) {
  const Band& upper = *bands[h - 1];
  const Band& lower = *bands[h];
  const double gap = lower.columGroupFrame.origin.y - bottomOf(upper.columGroupFrame);
  const float smaller = std::min(static_cast<float>(upper.lineArray().back()->lineFrame.size.height),
                                 static_cast<float>(lower.lineArray().front()->lineFrame.size.height));
  const double threshold = std::max(5.0, static_cast<double>(1.5f * smaller));
  const size_t riversExtension = extension.spaceColumArray.size();
  const size_t riversCurrent = current.spaceColumArray.size();
  if (riversExtension < riversCurrent) return false;
  if (lower.spaceColumArray.size() > riversExtension) return false;
  if (riversExtension == riversCurrent)
    return !(gap > threshold) && extension.isPDFScanIndexContinuousRunTextInEveryColum();
  if (gap > threshold) return false;
  if (h + 2 < bands.size()) {
    const double nextGap = bands[h + 1]->columGroupFrame.origin.y - bottomOf(lower.columGroupFrame);
    if (gap > nextGap) return false;
  }
  return true;
}

// Consecutive bands joined while their rivers agree and they stand close.
Band::Array columSetsOfBands(const Band::Array& bands) {
  Band::Array sets;
  size_t m = 0;
  while (m < bands.size()) {
    std::shared_ptr<Band> current = bands[m];
    size_t covered = 1;
    for (size_t h = m + 1; h < bands.size(); ++h) {
      auto extension = Band::CreateRunTextColum(linesOfBands(bands, m, h), true);
      if (!mayExtend(bands, h, *current, *extension)) break;
      current = std::move(extension);
      covered = h - m + 1;
    }
    sets.push_back(std::move(current));
    m += covered;
  }
  return sets;
}

// Each leading run of sets that `find` picks is replaced by one set of all
// their lines in the given mode.
template <class Find>
Band::Array mergeColumSets(const Band::Array& sets, Find find, bool columnMode) {
  Band::Array merged;
  Band::Array rest = sets;
  while (!rest.empty()) {
    Band::Array taken = find(rest);
    if (taken.empty()) taken = {rest.front()};
    removeAll(rest, taken);
    if (taken.size() == 1) {
      merged.push_back(taken.front());
      continue;
    }
    Line::Array lines;
    for (const auto& set : taken) lines.insert(lines.end(), set->lineArray().begin(), set->lineArray().end());
    merged.push_back(Band::CreateRunTextColum(lines, columnMode));
  }
  return merged;
}

template <class Set>
void removeRuns(RunArray& runs, const Set& gone) {
  std::erase_if(runs, [&](const auto& run) { return gone.count(run.get()) != 0; });
}

}  // namespace

Band::Array AssembleColumSets(RunArray& runs, const TextAssemblyMode& mode, const std::function<void()>& renumber,
                              std::vector<RunArray>& dropCapitals) {
  // Text painted several times at one place keeps one copy.
  const auto duplicates = duplicateRuns(runs, mode.keepLastDuplicate);
  removeRuns(runs, duplicates);
  if ((mode.renumberAlways || !duplicates.empty()) && renumber) renumber();

  std::unordered_set<const VQDocxRunText*> removed;
  const Line::Array lines = linesOfRuns(runs, mode.trimBlanks, removed);
  removeRuns(runs, removed);
  if ((mode.renumberAlways || !removed.empty()) && renumber) renumber();
  // A line's gaps tell words from columns by text order: runs that follow
  // each other in it are words of one line, a jump is text set elsewhere.
  // Numbered before the dropped runs left, the blank glyphs that words of
  // one string were spaced with would leave a jump at every word gap, and
  // every word gap would become a river.
  for (const auto& line : lines) line->processRunTextArray();

  // Bands of lines that overlap vertically, top to bottom.
  Band::Array bands;
  Line::Array working = lines;
  while (!working.empty()) {
    Line::Array band = Line::FindIntersectRunTextLineArrayY(working);
    if (band.empty()) band = {working.front()};
    removeAll(working, band);
    Line::Array group = band.size() >= 2 ? rebuildBand(band, dropCapitals) : band;
    if (group.empty()) continue;
    bands.push_back(Band::CreateRunTextColum(Line::SortRunTextLineArrayByBaseY(group), mode.columnMode));
  }

  if (!mode.joinBandsByRivers) {
    Band::Array sets = mergeColumSets(bands, &Band::FindMergeRunTextColumArray, mode.columnMode);
    for (const auto& set : sets) set->createColumGroup();
    return sets;
  }
  Band::Array sets = columSetsOfBands(bands);
  sets = mergeColumSets(sets, &Band::FindMergeRunTextColumArray, mode.columnMode);
  sets = mergeColumSets(sets, &Band::FindSingleRunTextColumArray, false);
  for (const auto& set : sets) {
    set->createColumGroup();
    set->optimizeColumnSpaces();
    set->createColumGroup();
    set->optimizeColumnGroups();
  }
  return sets;
}

}  // namespace vq::docxtext

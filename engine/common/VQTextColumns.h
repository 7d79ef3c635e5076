#pragma once
// What sets text columns apart, for every format that finds them: the white
// between two columns is wider than the word gaps of their type, and each
// column holds lines of running text. Below either floor the lines of a
// block stay whole: short lines whose word gaps happen to line up (a list,
// centred lines, repeated labels) are no columns. Both are in ems of the
// text's type size.
namespace vq {

// Word gaps, stretched ones of justified text too, stay narrower.
inline constexpr double kLeastColumnGapEm = 0.75;
// A column of running text is at least this wide; a list's numbers, a word
// or two of labels are narrower.
inline constexpr double kLeastColumnWidthEm = 10.0;

}  // namespace vq

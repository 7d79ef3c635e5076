#pragma once
// Numbers for XML attribute values, independent of the process locale.
#include <string>

namespace vq {

// Fixed-point text with the given decimals, rounding like printf's "%.Nf"
// (an exact binary half goes to the even neighbour: 20.5 gives "20").
// A value that is not finite is written as 0, and a negative zero as "0",
// so that no attribute ever carries "nan", "inf" or "-0".
std::string VQFormatFixed(double value, int decimals = 0);

// Rounds half away from zero, then formats with no decimals.
std::string VQFormatRounded(double value);

}  // namespace vq

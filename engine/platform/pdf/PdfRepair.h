#pragma once
// A second, tolerant reading of a file whose cross-reference qpdf cannot use
// even after its own reconstruction (all offsets zero, a table that points
// into nothing): the objects are found by their "N G obj" headers.
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace vq::pdf {

// The file's bytes followed by a fresh cross-reference table and trailer
// that list every object found by scanning (the last one of a number wins)
// and name the catalog as the root; nullopt when no catalog is found.
// Numbers that do not fit an object number are skipped.
std::optional<std::string> RebuildCrossReference(std::string_view bytes);

}  // namespace vq::pdf

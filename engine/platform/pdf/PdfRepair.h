#pragma once
// Tolerant readings of what qpdf gives up on: a file whose cross-reference
// it cannot use even after its own reconstruction (all offsets zero, a
// table that points into nothing), where the objects are found by their
// "N G obj" headers; and single objects it reads as null.
#include <qpdf/QPDF.hh>

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

// `handle` itself, unless it refers to an object that qpdf read as null
// although the file has one at that place (a stream whose /Length refers to
// the stream itself, a value nested deeper than qpdf reads): that object is
// then read again from the file at `path`, or from `repairedBytes` when
// given. Values nested deeper than a hundred levels become null and a
// stream ends at its "endstream"; what is read replaces the object in `q`
// and is returned. Objects of encrypted files are left as they are.
QPDFObjectHandle ReadableObject(QPDF& q, QPDFObjectHandle handle, const std::string& path,
                                const std::string* repairedBytes);

}  // namespace vq::pdf

#pragma once
// The engine's one maker of random names: UUIDs for temporary files, folders
// and package parts, and four capital letters for generated identifiers.
//
// Thread rule: both may be called from any number of threads at once. The
// letters come from a generator each thread owns; the UUIDs come from libuuid,
// whose fallback random source keeps process-wide state, so its calls are
// made one at a time behind a lock.
#include <string>

namespace vq {

class VQRandomString {
 public:
  VQRandomString() = delete;

  // Four letters, each drawn uniformly from "A" to "Z".
  static std::string Random4BigLetter();
  // A fresh random UUID in its 36-character upper-case text form, 8-4-4-4-12
  // hexadecimal digits ("6F9619FF-8B86-D011-B42D-00C04FC964FF").
  static std::string UUIDString();
};

}  // namespace vq

#pragma once
// Random names for temporary files and generated identifiers. Safe to call
// from several threads at once.
#include <string>

namespace vq {

class VQRandomString {
 public:
  // Four letters, each drawn uniformly from "A" to "Z".
  static std::string Random4BigLetter();
  // A fresh random UUID in its upper-case text form
  // ("6F9619FF-8B86-D011-B42D-00C04FC964FF").
  static std::string UUIDString();
};

}  // namespace vq

#include "common/VQRandomString.h"

#include <uuid/uuid.h>

#include <random>

namespace vq {

std::string VQRandomString::Random4BigLetter() {
  // One generator per thread: no shared state, no lock.
  thread_local std::mt19937 generator{std::random_device{}()};
  std::uniform_int_distribution<int> letter(0, 25);
  std::string s(4, 'A');
  for (char& c : s) c = static_cast<char>('A' + letter(generator));
  return s;
}

std::string VQRandomString::UUIDString() {
  // The random variant draws from the kernel's generator and keeps no
  // process-wide clock state, unlike the time-based one.
  uuid_t id;
  uuid_generate_random(id);
  char text[37];
  uuid_unparse_upper(id, text);
  return text;
}

}  // namespace vq

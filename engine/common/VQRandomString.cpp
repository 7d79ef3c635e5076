#include "common/VQRandomString.h"

#include <uuid/uuid.h>

#include <mutex>
#include <random>

namespace vq {

std::string VQRandomString::Random4BigLetter() {
  thread_local std::mt19937 generator{std::random_device{}()};
  std::uniform_int_distribution<int> letter(0, 25);
  std::string s(4, 'A');
  for (char& c : s) c = static_cast<char>('A' + letter(generator));
  return s;
}

std::string VQRandomString::UUIDString() {
  // The random variant keeps no clock state, unlike the time-based one.
  static std::mutex lock;
  uuid_t id;
  {
    std::lock_guard<std::mutex> guard(lock);
    uuid_generate_random(id);
  }
  char text[37];
  uuid_unparse_upper(id, text);
  return std::string(text, 36);
}

}  // namespace vq

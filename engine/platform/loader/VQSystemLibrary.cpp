#include "platform/loader/VQSystemLibrary.h"

#include <dlfcn.h>

#include <stdexcept>
#include <string>

namespace vq {

void* OpenSystemLibrary(const char* soname) {
  // Opened once per table and never closed: the functions stay valid for as
  // long as the process runs. A library already loaded (a host linked to it)
  // is the one found.
  void* library = ::dlopen(soname, RTLD_NOW | RTLD_LOCAL);
  if (!library) {
    const char* why = ::dlerror();
    throw std::runtime_error(std::string("The system library ") + soname + " cannot be loaded" +
                             (why ? std::string(": ") + why : std::string()));
  }
  return library;
}

void* SystemLibraryFunction(void* library, const char* soname, const char* name) {
  void* function = ::dlsym(library, name);
  if (!function) throw std::runtime_error(std::string("The system library ") + soname + " has no function " + name);
  return function;
}

}  // namespace vq

#include "exporter/VQError.h"

#include <cxxabi.h>
#include <fmt/format.h>

#include <cstdlib>
#include <exception>
#include <memory>
#include <typeinfo>

namespace vq {

std::string VQError::description() const { return fmt::format("Error Domain={} Code={} \"{}\"", domain, code, reason); }

VQException VQException::current() {
  try {
    throw;
  } catch (const std::exception& e) {
    int status = 0;
    std::unique_ptr<char, void (*)(void*)> demangled(abi::__cxa_demangle(typeid(e).name(), nullptr, nullptr, &status),
                                                     std::free);
    return VQException{status == 0 && demangled ? demangled.get() : typeid(e).name(), e.what()};
  } catch (...) {
    return VQException{"unknown", "unknown exception"};
  }
}

}  // namespace vq

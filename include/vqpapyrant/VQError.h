#pragma once
// The error record of a conversion: a domain, a numeric code and a reason.
#include <cstdint>
#include <string>

#include "vqpapyrant/VQExport.h"

namespace vq {

// Errors of the conversion fronts.
inline constexpr const char* VQPapyrantErrorDomain = "com.vqpapyrant.error";
// Exceptions caught while converting.
inline constexpr const char* VQPapyrantExceptionDomain = "com.vqpapyrant.exception";

// Codes of VQPapyrantErrorDomain.
enum VQPapyrantErrorCode : int64_t {
  VQPapyrantErrorUnknown = 400,        // "Unknow error while converting."
  VQPapyrantErrorPage = 401,           // a page out of range, unreadable or refused
  VQPapyrantErrorSourceMissing = 404,  // "Source File isn't exist."
  VQPapyrantErrorLoad = 405,           // "Can't load the PDF Document."
  VQPapyrantErrorCanceled = 406,       // "Conversion has been canceled."
};

struct VQ_EXPORT VQError {
  std::string domain;
  int64_t code = 0;
  std::string reason;

  // "Error Domain=<domain> Code=<code> \"<reason>\""
  std::string description() const;
  friend bool operator==(const VQError&, const VQError&) = default;

  static VQError make(int64_t code, const std::string& reason, const std::string& domain = VQPapyrantErrorDomain) {
    return VQError{domain, code, reason};
  }
};

// A caught exception as a value: it is caught on a conversion thread and
// reported on the main thread, and exception objects are not shared between
// threads.
struct VQ_EXPORT VQException {
  std::string name;    // the exception's type
  std::string reason;  // its what()

  std::string description() const { return reason; }
  // The exception being handled; call inside a catch block.
  static VQException current();
};

}  // namespace vq

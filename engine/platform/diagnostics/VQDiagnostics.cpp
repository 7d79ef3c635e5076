#include "platform/diagnostics/VQDiagnostics.h"

#include <cstdio>
#include <mutex>
#include <string>
#include <utility>

namespace vq {

namespace {

// One lock for the handler and for the calls into it: reports from the
// worker threads never overlap, neither on standard error nor in a handler.
// Both live until the process ends (never destroyed), so a thread that still
// reports while the program exits finds them intact.
std::mutex& diagnosticsMutex() {
  static auto* mutex = new std::mutex;
  return *mutex;
}

VQDiagnosticHandler& installedHandler() {
  static auto* handler = new VQDiagnosticHandler;
  return *handler;
}

}  // namespace

void VQDiagnose(VQDiagnosticCategory category, std::string_view message) {
  std::lock_guard lock(diagnosticsMutex());
  if (const VQDiagnosticHandler& handler = installedHandler()) {
    handler(category, message);
    return;
  }
  // The whole line in one write, so that it is not torn by other output.
  std::string line;
  line.reserve(message.size() + 1);
  line.append(message).push_back('\n');
  std::fwrite(line.data(), 1, line.size(), stderr);
}

void VQSetDiagnosticHandler(VQDiagnosticHandler handler) {
  std::lock_guard lock(diagnosticsMutex());
  installedHandler() = std::move(handler);
}

}  // namespace vq

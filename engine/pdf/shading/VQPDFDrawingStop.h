#pragma once
// The stop flag of the page being parsed on this thread, where the
// rasterisers of shadings, meshes and patterns look between rows: a single
// sh can keep a page busy far longer than the gap between two operators,
// and a stopped conversion must not wait for it.
//
//   VQPDFDrawingStop scope(settings.cancel);  // for the parse's duration
//   ... if (VQPDFDrawingStop::requested()) return;
#include <atomic>

namespace vq {

class VQPDFDrawingStop {
 public:
  explicit VQPDFDrawingStop(const std::atomic<bool>* flag) : previous_(current()) { current() = flag; }
  ~VQPDFDrawingStop() { current() = previous_; }
  VQPDFDrawingStop(const VQPDFDrawingStop&) = delete;
  VQPDFDrawingStop& operator=(const VQPDFDrawingStop&) = delete;

  static bool requested() {
    const std::atomic<bool>* flag = current();
    return flag && flag->load(std::memory_order_relaxed);
  }

 private:
  static const std::atomic<bool>*& current() {
    thread_local const std::atomic<bool>* flag = nullptr;
    return flag;
  }
  const std::atomic<bool>* previous_;
};

}  // namespace vq

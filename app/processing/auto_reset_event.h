#pragma once

#include <atomic>

namespace vidmora {

// A flag that one thread sets and another consumes: a successful check clears
// it, so one request stops one run.
class AutoResetEvent {
 public:
  void Set() { signalled_.store(true, std::memory_order_release); }
  void Reset() { signalled_.store(false, std::memory_order_release); }
  // True (and cleared) when it was set.
  bool TryConsume() { return signalled_.exchange(false, std::memory_order_acq_rel); }

 private:
  std::atomic<bool> signalled_{false};
};

}  // namespace vidmora

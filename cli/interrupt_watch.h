#pragma once

// Ctrl-C and termination requests for a program that runs a batch: the
// signals are blocked in every thread and taken by a watcher thread, which
// calls back outside signal context.

#include <atomic>
#include <functional>
#include <thread>

namespace vidmora::cli {

class InterruptWatch {
 public:
  // Blocks SIGINT and SIGTERM for the calling thread and every thread it
  // starts later; call first thing in main.
  static void BlockSignals();

  // `onInterrupt` gets the number of requests so far (SIGTERM counts as two:
  // it asks to end now). Called on the watcher thread.
  explicit InterruptWatch(std::function<void(int count)> onInterrupt);
  ~InterruptWatch();
  InterruptWatch(const InterruptWatch&) = delete;
  InterruptWatch& operator=(const InterruptWatch&) = delete;

 private:
  std::function<void(int)> onInterrupt_;
  std::atomic<bool> done_{false};
  std::thread thread_;
};

}  // namespace vidmora::cli

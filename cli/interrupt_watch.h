#pragma once

// Ctrl-C and termination requests for a program that runs a batch: the
// signals are blocked in every thread and read by a watcher thread (through
// a signal descriptor), which calls back outside signal context.

#include <functional>
#include <thread>

namespace vidmora::cli {

class InterruptWatch {
 public:
  // Blocks SIGINT, SIGTERM and SIGHUP for the calling thread and every thread it
  // starts later; call first thing in main.
  static void BlockSignals();

  // `onInterrupt` gets the number of requests so far (SIGTERM and SIGHUP
  // count as two: they ask to end now). Called on the watcher thread.
  explicit InterruptWatch(std::function<void(int count)> onInterrupt);
  // Ends the watcher at once.
  ~InterruptWatch();
  InterruptWatch(const InterruptWatch&) = delete;
  InterruptWatch& operator=(const InterruptWatch&) = delete;

 private:
  void Watch();

  std::function<void(int)> onInterrupt_;
  int signalFd_ = -1;  // the watched signals arrive here
  int wakeFd_ = -1;    // written once to end the watcher
  std::thread thread_;
};

}  // namespace vidmora::cli

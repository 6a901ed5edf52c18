#include "cli/interrupt_watch.h"

#include <algorithm>
#include <csignal>
#include <ctime>

namespace vidmora::cli {

namespace {

sigset_t WatchedSignals() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  return set;
}

}  // namespace

void InterruptWatch::BlockSignals() {
  const sigset_t set = WatchedSignals();
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

InterruptWatch::InterruptWatch(std::function<void(int)> onInterrupt) : onInterrupt_(std::move(onInterrupt)) {
  thread_ = std::thread([this] {
    const sigset_t set = WatchedSignals();
    const timespec pollInterval{0, 200'000'000};
    int count = 0;
    while (!done_.load()) {
      const int signal = sigtimedwait(&set, nullptr, &pollInterval);
      if (signal == SIGINT) onInterrupt_(++count);
      if (signal == SIGTERM) onInterrupt_(count = std::max(count + 1, 2));
    }
  });
}

InterruptWatch::~InterruptWatch() {
  done_.store(true);
  thread_.join();
}

}  // namespace vidmora::cli

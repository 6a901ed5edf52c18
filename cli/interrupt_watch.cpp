#include "cli/interrupt_watch.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <system_error>

namespace vidmora::cli {

namespace {

sigset_t WatchedSignals() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  sigaddset(&set, SIGHUP);  // the terminal was closed
  return set;
}

}  // namespace

void InterruptWatch::BlockSignals() {
  const sigset_t set = WatchedSignals();
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

InterruptWatch::InterruptWatch(std::function<void(int)> onInterrupt) : onInterrupt_(std::move(onInterrupt)) {
  const sigset_t set = WatchedSignals();
  signalFd_ = signalfd(-1, &set, SFD_CLOEXEC);
  wakeFd_ = eventfd(0, EFD_CLOEXEC);
  if (signalFd_ < 0 || wakeFd_ < 0) {
    const int error = errno;
    if (signalFd_ >= 0) close(signalFd_);
    if (wakeFd_ >= 0) close(wakeFd_);
    throw std::system_error(error, std::generic_category(), "cannot watch for Ctrl-C");
  }
  thread_ = std::thread([this] { Watch(); });
}

InterruptWatch::~InterruptWatch() {
  const uint64_t one = 1;
  while (write(wakeFd_, &one, sizeof one) < 0 && errno == EINTR) {
  }
  thread_.join();
  close(signalFd_);
  close(wakeFd_);
}

void InterruptWatch::Watch() {
  pollfd fds[2] = {{signalFd_, POLLIN, 0}, {wakeFd_, POLLIN, 0}};
  int count = 0;
  while (true) {
    if (poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      return;
    }
    if (fds[1].revents != 0) return;
    signalfd_siginfo info;
    if (!(fds[0].revents & POLLIN) || read(signalFd_, &info, sizeof info) != sizeof info) continue;
    if (info.ssi_signo == SIGINT) onInterrupt_(++count);
    if (info.ssi_signo == SIGTERM || info.ssi_signo == SIGHUP) onInterrupt_(count = std::max(count + 1, 2));
  }
}

}  // namespace vidmora::cli

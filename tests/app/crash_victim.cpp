// A program that installs the crash reporter and then crashes as its first
// argument says, for the crash reporter's tests:
//   crash_victim FOLDER null|abort|fault-in-handler
// A second thread waits meanwhile, so that reports show more than one thread,
// and the program itself is mapped as data once, as fonts and caches are.

#include "app/support/crash_reporter.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/resource.h>

#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace {

std::atomic<bool> g_waiterRunning{false};

[[gnu::noinline]] void WriteThroughNullPointer() {
  // A volatile pointer: the compiler cannot tell that it is null.
  volatile int* volatile nowhere = nullptr;
  *nowhere = 42;  // NOLINT(clang-analyzer-core.NullDereference): the crash this program exists for
}

[[gnu::noinline]] void AbortOnPurpose() {
  std::abort();
}

void FaultInsideHandler() { WriteThroughNullPointer(); }

void Wait() {
  g_waiterRunning = true;
  g_waiterRunning.notify_all();
  for (;;) pause();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: crash_victim FOLDER null|abort|fault-in-handler\n");
    return 2;
  }
  // No core files in the test's folder.
  rlimit noCore{0, 0};
  setrlimit(RLIMIT_CORE, &noCore);
  if (!vidmora::InstallCrashReporter(argv[1])) return 3;

  const int self = open("/proc/self/exe", O_RDONLY | O_CLOEXEC);
  if (self < 0 || mmap(nullptr, 4096, PROT_READ, MAP_PRIVATE, self, 0) == MAP_FAILED) return 5;

  std::thread waiter(Wait);
  waiter.detach();
  g_waiterRunning.wait(false);

  const char* mode = argv[2];
  if (std::strcmp(mode, "null") == 0) {
    WriteThroughNullPointer();
  } else if (std::strcmp(mode, "abort") == 0) {
    AbortOnPurpose();
  } else if (std::strcmp(mode, "fault-in-handler") == 0) {
    vidmora::SetCrashHandlerHookForTesting(FaultInsideHandler);
    AbortOnPurpose();
  }
  _exit(4);
}

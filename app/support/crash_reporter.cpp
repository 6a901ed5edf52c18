#include "app/support/crash_reporter.h"

#include "app/support/crash_state.h"
#include "app/support/crash_text.h"
#include "app/support/minidump_writer.h"
#include "app/support/process_snapshot.h"
#include "app/support/signal_safe_io.h"
#include "shared/version.h"

#include <errno.h>
#include <fcntl.h>
#include <pwd.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#if defined(__x86_64__)
#include <cpuid.h>
#endif

#include <atomic>
#include <cstdlib>
#include <cstring>

namespace vidmora {

namespace {

using namespace crash;

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitizerOwnsFaults = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kSanitizerOwnsFaults = true;
#else
constexpr bool kSanitizerOwnsFaults = false;
#endif
#else
constexpr bool kSanitizerOwnsFaults = false;
#endif

constexpr int kFaultSignals[] = {SIGSEGV, SIGBUS, SIGFPE};
constexpr int kOtherSignals[] = {SIGILL, SIGABRT};
constexpr int kWriterTimeoutMs = 60'000;

bool IsHandled(int signal) {
  for (int fault : kFaultSignals)
    if (signal == fault) return !kSanitizerOwnsFaults;
  for (int other : kOtherSignals)
    if (signal == other) return true;
  return false;
}

// Everything the handler touches, reserved before any crash.
ReporterSettings g_settings;
CrashInfo g_crash;
Snapshot* g_snapshot = nullptr;
std::atomic<bool> g_reporting{false};
std::atomic<void (*)()> g_testHook{nullptr};
char g_pathScratch[kMaxPath + 32];

void RestoreDefaultActions() {
  struct sigaction action {};
  action.sa_handler = SIG_DFL;
  sigemptyset(&action.sa_mask);
  for (int signal = 1; signal < NSIG; ++signal)
    if (IsHandled(signal)) sigaction(signal, &action, nullptr);
}

void SleepMs(long ms) {
  timespec pause{ms / 1000, ms % 1000 * 1'000'000};
  while (nanosleep(&pause, &pause) != 0 && errno == EINTR) {
  }
}

void WriteReports(pid_t ownMemory, bool stopOthers) {
  if (g_settings.crashFolder[0] == '\0') return;  // no folder of this user's to write to
  Snapshot& snapshot = *g_snapshot;
  ReadMappings(g_crash.processId, snapshot);
  ReadThreads(g_crash, ownMemory, stopOthers, snapshot);
  MakeDirectories(g_settings.crashFolder, g_pathScratch, sizeof(g_pathScratch));
  char path[kMaxPath + 16];
  FixedText(path, sizeof(path)).Add(g_settings.crashFolder).Add("/crash.txt");
  WriteCrashText(path, g_settings, &g_crash, snapshot);
  FixedText(path, sizeof(path)).Add(g_settings.crashFolder).Add("/crash.dmp");
  WriteMinidump(path, g_settings, g_crash, snapshot);
  if (stopOthers) ReleaseThreads(snapshot, g_crash);
}

// Forks a writer (a copy of the process as it crashed), lets it trace this
// process, and waits for it. False when no writer could be started.
bool ReportFromWriterProcess() {
  int ready[2];
  if (pipe2(ready, O_CLOEXEC) != 0) return false;
  const pid_t writer = _Fork();
  if (writer < 0) {
    close(ready[0]);
    close(ready[1]);
    return false;
  }
  if (writer == 0) {
    close(ready[1]);
    char go = 0;
    while (read(ready[0], &go, 1) < 0 && errno == EINTR) {
    }
    WriteReports(getpid(), /*stopOthers=*/true);
    _exit(0);
  }
  close(ready[0]);
  // Where Yama restricts ptrace, only a named process may trace this one.
  prctl(PR_SET_PTRACER, writer, 0, 0, 0);
  while (write(ready[1], "x", 1) < 0 && errno == EINTR) {
  }
  close(ready[1]);
  for (int waited = 0;; waited += 10) {
    int status = 0;
    pid_t done = waitpid(writer, &status, WNOHANG | __WALL);
    if (done == writer || (done < 0 && errno != EINTR)) break;
    if (waited >= kWriterTimeoutMs) {
      kill(writer, SIGKILL);
      waitpid(writer, &status, __WALL);
      break;
    }
    SleepMs(10);
  }
  return true;
}

void HandleCrash(int signal, siginfo_t* info, void* context) {
  const int savedErrno = errno;
  // From here on a second fault, here or in another thread, takes the default action.
  RestoreDefaultActions();
  if (g_reporting.exchange(true)) {
    // Another thread is reporting; it ends the process when done.
    for (;;) SleepMs(1000);
  }
  if (auto hook = g_testHook.load()) hook();

  g_crash.signal = signal;
  g_crash.code = info != nullptr ? info->si_code : 0;
  g_crash.faultAddress = info != nullptr ? reinterpret_cast<uint64_t>(info->si_addr) : 0;
  g_crash.processId = getpid();
  g_crash.threadId = CurrentThreadId();
  g_crash.access = signal == SIGSEGV || signal == SIGBUS ? AccessOfFault(context) : CrashInfo::Access::kUnknown;
  ContextFromSignal(context, g_crash.context);

  if (g_snapshot != nullptr && !ReportFromWriterProcess()) WriteReports(getpid(), /*stopOthers=*/false);

  // The signal stays blocked until the handler returns, and is then delivered
  // with its default action; a fault would also recur at the same instruction.
  syscall(SYS_tgkill, getpid(), CurrentThreadId(), signal);
  errno = savedErrno;
}

void FillSettings(const std::string& crashFolder) {
  Copy(g_settings.crashFolder, sizeof(g_settings.crashFolder), crashFolder.c_str());
  ssize_t length = readlink("/proc/self/exe", g_settings.executable, sizeof(g_settings.executable) - 1);
  g_settings.executable[length > 0 ? length : 0] = '\0';
  Copy(g_settings.version, sizeof(g_settings.version), kVersionText);
  time_t now = time(nullptr);
  struct tm local {};
  if (localtime_r(&now, &local) != nullptr) g_settings.utcOffsetSeconds = local.tm_gmtoff;
  g_settings.processorCount = static_cast<int>(sysconf(_SC_NPROCESSORS_ONLN));
#if defined(__x86_64__)
  unsigned highest = 0, vendor[3] = {};
  if (__get_cpuid(0, &highest, &vendor[0], &vendor[2], &vendor[1]) != 0)
    std::memcpy(g_settings.cpuVendor, vendor, sizeof(vendor));
#endif
}

bool InstallAlternateStack() {
  constexpr size_t kStackSize = size_t{256} * 1024;
  static void* stack = std::malloc(kStackSize);
  if (stack == nullptr) return false;
  stack_t alternate{};
  alternate.ss_sp = stack;
  alternate.ss_size = kStackSize;
  return sigaltstack(&alternate, nullptr) == 0;
}

}  // namespace

std::string DefaultCrashFolder() {
  std::string dataHome;
  const char* xdg = std::getenv("XDG_DATA_HOME");
  if (xdg != nullptr && xdg[0] == '/') {
    dataHome = xdg;
  } else if (const char* home = std::getenv("HOME"); home != nullptr && home[0] == '/') {
    dataHome = std::string(home) + "/.local/share";
  } else {
    // Never a shared folder such as /tmp: the user's home from the password database, else nowhere.
    char buffer[16384];
    passwd entry {};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer, sizeof(buffer), &found) != 0 || found == nullptr ||
        found->pw_dir == nullptr || found->pw_dir[0] != '/')
      return {};
    dataHome = std::string(found->pw_dir) + "/.local/share";
  }
  return dataHome + "/Vidmora/crashLog";
}

bool InstallCrashReporter(const std::string& crashFolder) {
  FillSettings(crashFolder);
  if (g_snapshot == nullptr) {
    // Reserved now and touched only at a crash.
    g_snapshot = new (std::nothrow) Snapshot;
    if (g_snapshot == nullptr) return false;
  }
  InstallAlternateStack();
  struct sigaction action {};
  action.sa_sigaction = HandleCrash;
  action.sa_flags = SA_SIGINFO | SA_ONSTACK;
  sigemptyset(&action.sa_mask);
  bool installed = true;
  for (int signal = 1; signal < NSIG; ++signal)
    if (IsHandled(signal) && sigaction(signal, &action, nullptr) != 0) installed = false;
  return installed;
}

bool CrashReporterHandlesFaultSignals() { return !kSanitizerOwnsFaults; }

void SetCrashHandlerHookForTesting(void (*hook)()) { g_testHook.store(hook); }

}  // namespace vidmora

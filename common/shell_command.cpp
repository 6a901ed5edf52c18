// DoShellCmd2 and DoShellCmd: starting programs, documents and addresses.
#include "common/platform/command_line.h"
#include "common/quorvil.h"
#include "common/text_argument.h"
#include "shared/text/utf.h"

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <optional>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

// "https:", "mailto:", "file:": a scheme of two or more characters and a colon.
bool IsAddress(std::string_view text) {
  const size_t colon = text.find(':');
  if (colon == std::string_view::npos || colon < 2) return false;
  for (size_t i = 0; i < colon; ++i) {
    const char c = text[i];
    const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    if (!letter && (i == 0 || !((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.'))) return false;
  }
  return true;
}

bool IsExecutableFile(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(path.c_str(), X_OK) == 0;
}

bool IsProgram(const std::string& file) {
  if (file.find('/') != std::string::npos) return IsExecutableFile(file);
  const char* path = std::getenv("PATH");
  std::string_view folders = path ? path : "/usr/local/bin:/usr/bin:/bin";
  while (true) {
    const size_t colon = folders.find(':');
    std::string folder(folders.substr(0, colon));
    if (IsExecutableFile((folder.empty() ? std::string(".") : folder) + "/" + file)) return true;
    if (colon == std::string_view::npos) return false;
    folders.remove_prefix(colon + 1);
  }
}

bool Exists(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0;
}

// The argument vector that starts `file`, or nothing when there is nothing to start.
std::optional<std::vector<std::string>> CommandFor(std::string file, std::u16string_view parameters) {
  if (file.size() >= 2 && file.front() == '"' && file.back() == '"') file = file.substr(1, file.size() - 2);
  if (file.empty()) return std::nullopt;
  if (!IsAddress(file) && IsProgram(file)) {
    std::vector<std::string> argv{file};
    for (const std::u16string& argument : quorvil::SplitCommandLine(parameters))
      argv.push_back(vidmora::ToUtf8(argument));
    return argv;
  }
  if (IsAddress(file) || Exists(file)) return std::vector<std::string>{"xdg-open", file};
  return std::nullopt;
}

std::optional<pid_t> Spawn(std::vector<std::string> argv) {
  std::vector<char*> pointers;
  pointers.reserve(argv.size() + 1);
  for (std::string& argument : argv) pointers.push_back(argument.data());
  pointers.push_back(nullptr);

  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  // The child gets no blocked signals, a default SIGPIPE even if we ignore
  // it, and its own process group, so a Ctrl+C meant for us does not end it.
  sigset_t none, defaults;
  sigemptyset(&none);
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGPIPE);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  posix_spawnattr_setpgroup(&attributes, 0);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETPGROUP);
  pid_t pid = 0;
  const int error = posix_spawnp(&pid, pointers[0], nullptr, &attributes, pointers.data(), environ);
  posix_spawnattr_destroy(&attributes);
  if (error != 0) return std::nullopt;
  return pid;
}

// A child that nobody waits for would stay a zombie when it ends: a detached
// thread waits for it instead.
void ReapWhenDone(pid_t pid) {
  try {
    std::thread([pid] {
      while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
      }
    }).detach();
  } catch (const std::system_error&) {
    // No thread to be had: the child stays a zombie until we exit.
  }
}

// Reaps the child if it has ended. True when it has.
bool Reaped(pid_t pid) {
  pid_t result;
  while ((result = waitpid(pid, nullptr, WNOHANG)) < 0 && errno == EINTR) {
  }
  return result != 0;  // the pid, or an error such as ECHILD: nothing left to wait for
}

// Waits until the child ends or the deadline passes. True when it ended.
bool WaitUntil(pid_t pid, Clock::time_point deadline) {
  const int pidFd = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
  if (pidFd >= 0) {
    while (true) {
      const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
      pollfd watch{pidFd, POLLIN, 0};
      const int ready = poll(&watch, 1, static_cast<int>(std::max<int64_t>(left.count(), 0)));
      if (ready < 0 && errno == EINTR) continue;
      close(pidFd);
      return ready > 0 && Reaped(pid);
    }
  }
  // Kernels without process descriptors: look every few milliseconds.
  while (!Reaped(pid)) {
    if (Clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

}  // namespace

extern "C" {

int DoShellCmd2(const char16_t* file, const char16_t* parameters, int /*showCommand: no meaning here*/, bool wait,
                unsigned char* timedOut, int timeoutMs) {
  const std::optional<std::vector<std::string>> command =
      CommandFor(vidmora::ToUtf8(quorvil::TextArgument(file)), quorvil::TextArgument(parameters));
  if (!command) return 0;
  const std::optional<pid_t> pid = Spawn(*command);
  if (!pid) return 0;
  if (!wait) {
    ReapWhenDone(*pid);
    return 1;
  }
  if (timeoutMs <= 0) {
    while (waitpid(*pid, nullptr, 0) < 0 && errno == EINTR) {
    }
    return 1;
  }
  if (!WaitUntil(*pid, Clock::now() + std::chrono::milliseconds(timeoutMs))) {
    if (timedOut) *timedOut = 1;
    ReapWhenDone(*pid);
  }
  return 1;
}

int DoShellCmd(const char16_t* file, const char16_t* parameters, int showCommand, bool wait, int timeoutMs) {
  unsigned char timedOut = 0;
  return DoShellCmd2(file, parameters, showCommand, wait, &timedOut, timeoutMs);
}

}  // extern "C"

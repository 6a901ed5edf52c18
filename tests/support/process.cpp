#include "tests/support/process.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <stdexcept>
#include <system_error>

extern char** environ;

namespace vidmora::test {

namespace {

std::vector<std::string> ChildEnvironment(const std::map<std::string, std::string>& overrides) {
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) {
    std::string entry(*e);
    std::string name = entry.substr(0, entry.find('='));
    if (!overrides.count(name)) env.push_back(entry);
  }
  for (const auto& [name, value] : overrides) env.push_back(std::string(name).append("=").append(value));
  return env;
}

std::vector<char*> CStrings(std::vector<std::string>& strings) {
  std::vector<char*> out;
  out.reserve(strings.size() + 1);
  for (auto& s : strings) out.push_back(s.data());
  out.push_back(nullptr);
  return out;
}

}  // namespace

RunningProcess::RunningProcess(const std::vector<std::string>& argv,
                               const std::map<std::string, std::string>& environment) {
  if (argv.empty()) throw std::invalid_argument("RunningProcess: no program");
  int outPipe[2], errPipe[2];
  if (pipe2(outPipe, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  if (pipe2(errPipe, O_CLOEXEC) != 0) {
    close(outPipe[0]);
    close(outPipe[1]);
    throw std::runtime_error("pipe failed");
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, outPipe[1], STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, errPipe[1], STDERR_FILENO);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);

  std::vector<std::string> args = argv;
  std::vector<std::string> env = ChildEnvironment(environment);
  std::vector<char*> cArgs = CStrings(args);
  std::vector<char*> cEnv = CStrings(env);
  pid_t pid = 0;
  const int rc = posix_spawnp(&pid, cArgs[0], &actions, nullptr, cArgs.data(), cEnv.data());
  posix_spawn_file_actions_destroy(&actions);
  close(outPipe[1]);
  close(errPipe[1]);
  outFd_ = outPipe[0];
  errFd_ = errPipe[0];
  if (rc != 0) {
    close(outFd_);
    close(errFd_);
    throw std::runtime_error("cannot start " + argv[0] + ": " + std::generic_category().message(rc));
  }
  pid_ = pid;
}

RunningProcess::~RunningProcess() {
  if (pid_ > 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  if (outFd_ >= 0) close(outFd_);
  if (errFd_ >= 0) close(errFd_);
}

bool RunningProcess::ReadSome(int timeoutMs) {
  if (outFd_ < 0 && errFd_ < 0) return false;
  pollfd fds[2] = {{outFd_, POLLIN, 0}, {errFd_, POLLIN, 0}};  // a closed (negative) fd is skipped
  if (poll(fds, 2, timeoutMs) <= 0) return true;
  int* pipes[2] = {&outFd_, &errFd_};
  std::string* sinks[2] = {&result_.out, &result_.err};
  char buffer[65536];
  for (int i = 0; i < 2; ++i) {
    if (*pipes[i] < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
    const ssize_t n = read(*pipes[i], buffer, sizeof buffer);
    if (n > 0) {
      sinks[i]->append(buffer, static_cast<size_t>(n));
    } else if (n == 0 || errno != EINTR) {
      close(*pipes[i]);
      *pipes[i] = -1;
    }
  }
  return true;
}

bool RunningProcess::WaitForOutput(const std::string& text, int timeoutMs) {
  return WaitFor(result_.out, text, timeoutMs);
}

bool RunningProcess::WaitForError(const std::string& text, int timeoutMs) {
  return WaitFor(result_.err, text, timeoutMs);
}

bool RunningProcess::WaitFor(const std::string& stream, const std::string& text, int timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (stream.find(text) == std::string::npos) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0 || !ReadSome(static_cast<int>(left.count()))) return false;
  }
  return true;
}

void RunningProcess::Signal(int signal) {
  if (pid_ > 0) kill(pid_, signal);
}

ProcessResult RunningProcess::Finish() {
  while (ReadSome(-1)) {
  }
  int status = 0;
  while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
  }
  pid_ = -1;
  result_.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return result_;
}

ProcessResult RunProcess(const std::vector<std::string>& argv, const std::map<std::string, std::string>& environment) {
  return RunningProcess(argv, environment).Finish();
}

}  // namespace vidmora::test

// KillProcess: ending a program found by the name of its executable.
#include "common/quorvil.h"
#include "common/text_argument.h"
#include "shared/text/utf.h"

#include <dirent.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

namespace {

namespace fs = std::filesystem;

std::vector<pid_t> ProcessIds() {
  std::vector<pid_t> ids;
  DIR* proc = opendir("/proc");
  if (!proc) return ids;
  while (const dirent* entry = readdir(proc)) {
    char* end = nullptr;
    const long id = std::strtol(entry->d_name, &end, 10);
    if (*end == '\0' && id > 0) ids.push_back(static_cast<pid_t>(id));
  }
  closedir(proc);
  std::sort(ids.begin(), ids.end());
  return ids;
}

std::string ReadFirstLine(const fs::path& file) {
  std::ifstream in(file);
  std::string line;
  std::getline(in, line);
  return line;
}

// Kernel threads and zombies have an empty command line: they are not
// running programs.
bool IsRunningProgram(const fs::path& folder) {
  std::ifstream in(folder / "cmdline");
  return in.get() != std::char_traits<char>::eof();
}

// The file name of the process's executable; the kernel's short name when
// the executable link may not be read (another user's process).
std::string ExecutableName(const fs::path& folder) {
  std::error_code error;
  std::string exe = fs::read_symlink(folder / "exe", error).filename().string();
  if (error) return ReadFirstLine(folder / "comm");
  constexpr std::string_view kDeleted = " (deleted)";
  if (exe.size() > kDeleted.size() && exe.compare(exe.size() - kDeleted.size(), kDeleted.size(), kDeleted) == 0)
    exe.resize(exe.size() - kDeleted.size());
  return exe;
}

}  // namespace

extern "C" {

int KillProcess(const char16_t* name) {
  const std::string wanted = vidmora::ToUtf8(quorvil::TextArgument(name));
  // Every name contains the empty text: that would end whatever runs first.
  if (wanted.empty()) return 0;
  const pid_t self = getpid();
  for (pid_t id : ProcessIds()) {
    if (id == self) continue;
    const fs::path folder = fs::path("/proc") / std::to_string(id);
    if (!IsRunningProgram(folder) || ExecutableName(folder).find(wanted) == std::string::npos) continue;
    return kill(id, SIGKILL) == 0 ? 1 : 0;
  }
  return 0;
}

}  // extern "C"

#include "common/platform/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <system_error>
#include <vector>

namespace quorvil {

namespace fs = std::filesystem;

namespace {

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = write(fd, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<size_t>(written));
  }
  return true;
}

void SyncFolder(const fs::path& folder) {
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}

}  // namespace

bool WriteFileAtomically(const fs::path& path, std::string_view bytes) {
  std::error_code error;
  fs::path target = path;
  if (fs::is_symlink(path, error)) {
    target = fs::weakly_canonical(path, error);
    if (error) return false;
  }
  mode_t mode = 0644;
  struct stat existing {};
  if (stat(target.c_str(), &existing) == 0) mode = existing.st_mode & 07777;

  const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
  std::string pattern = (folder / ("." + target.filename().string() + ".XXXXXX")).native();
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int fd = mkostemp(name.data(), O_CLOEXEC);
  if (fd < 0) return false;

  const bool written = WriteAll(fd, bytes) && fchmod(fd, mode) == 0 && fsync(fd) == 0;
  const bool closed = close(fd) == 0;
  if (!written || !closed || rename(name.data(), target.c_str()) != 0) {
    unlink(name.data());
    return false;
  }
  SyncFolder(folder);
  return true;
}

}  // namespace quorvil

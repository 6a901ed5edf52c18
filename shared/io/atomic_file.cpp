#include "shared/io/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <random>
#include <string>

namespace vidmora {

namespace fs = std::filesystem;

namespace {

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<size_t>(written));
  }
  return true;
}

// A folder's entries reach the disk only when the folder itself is flushed.
void SyncFolder(const fs::path& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

// Opens a new file ".<name>.<random>.tmp" beside `path`, the name cut so
// that the temporary name is never longer than the longest the file itself
// may have; -1 with errno set.
int OpenNewBeside(const fs::path& path, std::string& temporary) {
  constexpr size_t kNameBytes = 200;
  const fs::path folder = path.has_parent_path() ? path.parent_path() : fs::path(".");
  const std::string name = path.filename().string().substr(0, kNameBytes);
  std::random_device random;
  for (int attempt = 0; attempt < 16; ++attempt) {
    char suffix[24];
    std::snprintf(suffix, sizeof(suffix), ".%08x.tmp", static_cast<unsigned>(random()));
    temporary = (folder / ("." + name + suffix)).native();
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

std::error_code Errno(int error) { return std::error_code(error, std::generic_category()); }

}  // namespace

std::error_code ReplaceFileAtomically(const fs::path& path, std::string_view bytes) {
  if (path.empty() || !path.has_filename()) return Errno(EISDIR);
  struct stat existing {};
  bool keepMode = false;
  if (::lstat(path.c_str(), &existing) == 0) {
    if (S_ISLNK(existing.st_mode)) return Errno(ELOOP);
    if (!S_ISREG(existing.st_mode)) return Errno(EISDIR);
    keepMode = true;
  } else if (errno != ENOENT) {
    return Errno(errno);
  }

  std::string temporary;
  const int fd = OpenNewBeside(path, temporary);
  if (fd < 0) return Errno(errno);
  int error = 0;
  if (!WriteAll(fd, bytes) || (keepMode && ::fchmod(fd, existing.st_mode & 07777) != 0) || ::fsync(fd) != 0)
    error = errno;
  if (::close(fd) != 0 && error == 0) error = errno;
  if (error == 0 && ::rename(temporary.c_str(), path.c_str()) != 0) error = errno;
  if (error != 0) {
    ::unlink(temporary.c_str());
    return Errno(error);
  }
  SyncFolder(path.has_parent_path() ? path.parent_path() : fs::path("."));
  return {};
}

}  // namespace vidmora

// DeleteDirectory: removing a folder, its files and (when asked) its
// sub-folders.
//
// The walk works on open folder descriptors (openat, unlinkat), never on
// path texts, so a folder swapped for a symbolic link while we work can
// never lead the delete outside the tree. Symbolic links are removed as
// links. Hidden entries are deleted like any other: skipping them would leave
// the folder undeletable.
#include "common/quorvil.h"
#include "common/text_argument.h"
#include "shared/text/utf.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

namespace {

struct Entry {
  std::string name;
  bool isFolder = false;
};

// Opens a folder for the walk; a symbolic link is not followed.
int OpenFolder(int parentFd, const char* name) {
  return openat(parentFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

// Reads all entries first, since deleting while reading leaves the listing
// order unspecified. Returns 0 or the errno of the failure. Takes `fd`.
int ListFolder(int fd, std::vector<Entry>& entries) {
  DIR* folder = fdopendir(fd);
  if (!folder) {
    const int error = errno;
    close(fd);
    return error;
  }
  errno = 0;
  while (const dirent* entry = readdir(folder)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") {
      struct stat info {};
      const bool isFolder = fstatat(dirfd(folder), name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 &&
                            S_ISDIR(info.st_mode);
      entries.push_back({name, isFolder});
    }
    errno = 0;
  }
  const int error = errno;
  closedir(folder);
  return error;
}

// A read-only folder keeps its entries; as the read-only attribute is
// cleared on Windows, the owner's write permission is added here.
void MakeWritable(int fd) {
  struct stat info {};
  if (fstat(fd, &info) == 0 && (info.st_mode & S_IWUSR) == 0) fchmod(fd, (info.st_mode & 07777) | S_IWUSR);
}

// Deletes the contents of the open folder `fd` (which it takes). Sets
// `keptSubFolder` when a sub-folder was left in place.
int DeleteContents(int fd, bool recursive, bool& keptSubFolder) {
  MakeWritable(fd);
  const int listFd = dup(fd);
  if (listFd < 0) {
    const int error = errno;
    close(fd);
    return error;
  }
  std::vector<Entry> entries;
  int error = ListFolder(listFd, entries);
  for (size_t i = 0; error == 0 && i < entries.size(); ++i) {
    const Entry& entry = entries[i];
    if (!entry.isFolder) {
      if (unlinkat(fd, entry.name.c_str(), 0) != 0 && errno != ENOENT) error = errno;
      continue;
    }
    if (!recursive) {
      keptSubFolder = true;
      continue;
    }
    const int childFd = OpenFolder(fd, entry.name.c_str());
    if (childFd < 0) {
      error = errno;
      break;
    }
    bool childKept = false;
    error = DeleteContents(childFd, true, childKept);
    if (error == 0 && unlinkat(fd, entry.name.c_str(), AT_REMOVEDIR) != 0) error = errno;
  }
  close(fd);
  return error;
}

}  // namespace

extern "C" {

int DeleteDirectory(const char16_t* path, bool recursive) {
  const std::string folder = vidmora::ToUtf8(quorvil::TextArgument(path));
  const int fd = OpenFolder(AT_FDCWD, folder.c_str());
  if (fd < 0) return errno == ENOENT ? 0 : errno;
  bool keptSubFolder = false;
  if (const int error = DeleteContents(fd, recursive, keptSubFolder)) return error;
  if (keptSubFolder) return 0;
  return rmdir(folder.c_str()) == 0 ? 0 : errno;
}

}  // extern "C"

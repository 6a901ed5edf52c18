#include "app/processing/settings/preview_cache.h"

#include "app/processing/settings/app_folders.h"
#include "common/platform/folders.h"
#include "shared/io/atomic_file.h"

#include <QDir>
#include <QFileInfo>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

namespace vidmora {

QString PreviewCacheFolder() {
  const std::filesystem::path cache = quorvil::CacheFolder(kApplicationName);
  if (cache.empty()) return {};
  return QString::fromStdString((cache / "preview").native());
}

QString PreviewCachePath(const QString& sourcePath) {
  const QString folder = PreviewCacheFolder();
  if (folder.isEmpty()) return {};
  return folder + QDir::cleanPath(QFileInfo(sourcePath).absoluteFilePath()) + QStringLiteral(".png");
}

bool WritePreviewCacheFile(const QString& cachePath, const QByteArray& bytes) {
  // The cache folder is private, so the folders below it are this program's own.
  if (cachePath.isEmpty() || !QDir().mkpath(QFileInfo(cachePath).path())) return false;
  const std::string path = cachePath.toStdString();
  return !ReplaceFileAtomically(path, std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
}

namespace {

// Whether `inner` is `outer` or lies below it, links resolved.
bool IsSameOrBelow(const QString& inner, const QString& outer) {
  const QString a = QFileInfo(inner).canonicalFilePath();
  const QString b = QFileInfo(outer).canonicalFilePath();
  return !a.isEmpty() && !b.isEmpty() && (a == b || a.startsWith(b + u'/'));
}

bool IsPicture(const char* name) {
  const size_t length = std::strlen(name);
  return length > 4 && std::strcmp(name + length - 4, ".png") == 0;
}

// Removes the pictures under the open folder `fd` (which it closes) and the
// sub-folders left empty; links are never followed. False when a picture stayed.
bool EmptyFolder(int fd) {
  DIR* dir = fdopendir(fd);
  if (dir == nullptr) {
    close(fd);
    return false;
  }
  bool emptied = true;
  while (const dirent* entry = readdir(dir)) {
    const char* name = entry->d_name;
    if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) continue;
    struct stat info {};
    if (fstatat(dirfd(dir), name, &info, AT_SYMLINK_NOFOLLOW) != 0) continue;
    if (S_ISDIR(info.st_mode)) {
      const int child = openat(dirfd(dir), name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
      if (child >= 0 && !EmptyFolder(child)) emptied = false;
      unlinkat(dirfd(dir), name, AT_REMOVEDIR);  // only when nothing is left in it
    } else if (S_ISREG(info.st_mode) && IsPicture(name)) {
      if (unlinkat(dirfd(dir), name, 0) != 0) emptied = false;
    }
  }
  closedir(dir);
  return emptied;
}

}  // namespace

bool EmptyPreviewCache() {
  const QString cache = PreviewCacheFolder();
  if (cache.isEmpty()) return false;
  // A cache home set to the data folder (or above it) would make the cache
  // hold the user's templates and settings: those are never deleted.
  if (IsSameOrBelow(DataFolder(), cache)) return false;
  const int fd = open(cache.toStdString().c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return errno == ENOENT;
  const bool emptied = EmptyFolder(fd);
  rmdir(cache.toStdString().c_str());  // only when nothing is left in it
  return emptied;
}

}  // namespace vidmora

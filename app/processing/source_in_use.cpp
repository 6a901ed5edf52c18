#include "app/processing/source_in_use.h"

#include <QFile>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>
#include <thread>

namespace vidmora {

namespace {

constexpr int kRecentSeconds = 2;

struct DirCloser {
  void operator()(DIR* dir) const { closedir(dir); }
};
using DirPtr = std::unique_ptr<DIR, DirCloser>;

bool IsNumber(const char* name) {
  if (!*name) return false;
  for (const char* c = name; *c; ++c)
    if (*c < '0' || *c > '9') return false;
  return true;
}

// The access mode of descriptor `fd` of process `pid`, from the octal
// "flags:" line of its fdinfo; -1 when it cannot be read.
int AccessMode(const std::string& pid, const char* fd) {
  const std::string path = "/proc/" + pid + "/fdinfo/" + fd;
  FILE* file = std::fopen(path.c_str(), "re");
  if (!file) return -1;
  int mode = -1;
  char line[256];
  while (std::fgets(line, sizeof line, file)) {
    if (std::strncmp(line, "flags:", 6) == 0) {
      mode = static_cast<int>(std::strtol(line + 6, nullptr, 8) & O_ACCMODE);
      break;
    }
  }
  std::fclose(file);
  return mode;
}

bool ProcessWrites(const std::string& pid, const struct stat& target) {
  const std::string fdFolder = "/proc/" + pid + "/fd";
  const DirPtr dir(opendir(fdFolder.c_str()));
  if (!dir) return false;  // gone, or another user's
  while (const dirent* entry = readdir(dir.get())) {
    if (!IsNumber(entry->d_name)) continue;
    struct stat info {};
    if (stat((fdFolder + "/" + entry->d_name).c_str(), &info) != 0) continue;
    if (info.st_dev != target.st_dev || info.st_ino != target.st_ino) continue;
    const int mode = AccessMode(pid, entry->d_name);
    if (mode == O_WRONLY || mode == O_RDWR) return true;
  }
  return false;
}

}  // namespace

bool IsOpenForWritingElsewhere(const QString& path) {
  struct stat target {};
  if (stat(QFile::encodeName(path).constData(), &target) != 0) return false;
  const std::string self = std::to_string(getpid());
  const DirPtr proc(opendir("/proc"));
  if (!proc) return false;
  while (const dirent* entry = readdir(proc.get())) {
    if (!IsNumber(entry->d_name) || self == entry->d_name) continue;
    if (ProcessWrites(entry->d_name, target)) return true;
  }
  return false;
}

QString StillBeingWritten(const QString& path, std::chrono::milliseconds settle) {
  QString message = QString("%1 is still being written by another program; it is left for a later run.").arg(path);
  if (IsOpenForWritingElsewhere(path)) return message;
  const QByteArray local = QFile::encodeName(path);
  struct stat before {};
  if (stat(local.constData(), &before) != 0) return {};
  // A file left alone for a while is complete: only a recent one is watched.
  if (std::time(nullptr) - before.st_mtim.tv_sec > kRecentSeconds) return {};
  std::this_thread::sleep_for(settle);
  struct stat after {};
  if (stat(local.constData(), &after) != 0) return {};
  const bool changed = after.st_size != before.st_size || after.st_mtim.tv_sec != before.st_mtim.tv_sec ||
                       after.st_mtim.tv_nsec != before.st_mtim.tv_nsec;
  return changed ? message : QString();
}

}  // namespace vidmora

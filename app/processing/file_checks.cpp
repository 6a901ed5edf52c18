#include "app/processing/file_checks.h"

#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace vidmora {

namespace {

QByteArray Local(const QString& path) { return QFile::encodeName(path); }

QString ErrorText(int error) { return QString::fromLocal8Bit(std::generic_category().message(error).c_str()); }

QString KindOf(mode_t mode) {
  if (S_ISDIR(mode)) return "a folder";
  if (S_ISFIFO(mode)) return "a pipe (FIFO)";
  if (S_ISCHR(mode)) return "a character device";
  if (S_ISBLK(mode)) return "a block device";
  if (S_ISSOCK(mode)) return "a socket";
  return "not a regular file";
}

}  // namespace

QString SourceFileProblem(const QString& sourcePath) {
  struct stat info {};
  if (stat(Local(sourcePath).constData(), &info) != 0)
    return QString("The source %1 cannot be read: %2.").arg(sourcePath, ErrorText(errno));
  if (!S_ISREG(info.st_mode))
    return QString("The source %1 is %2, not a video file; it is not opened.").arg(sourcePath, KindOf(info.st_mode));
  return {};
}

bool IsSameFile(const QString& a, const QString& b) {
  struct stat first {};
  struct stat second {};
  return stat(Local(a).constData(), &first) == 0 && stat(Local(b).constData(), &second) == 0 &&
         first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

QString OutputNameProblem(const QString& outputPath) {
  const QFileInfo info(outputPath);
  const qsizetype nameBytes = Local(info.fileName()).size();
  long limit = pathconf(Local(info.absolutePath()).constData(), _PC_NAME_MAX);
  if (limit <= 0) limit = NAME_MAX;
  if (nameBytes <= limit) return {};
  return QString("The output name %1 is %2 bytes long; the file system takes at most %3.")
      .arg(info.fileName())
      .arg(nameBytes)
      .arg(limit);
}

QString MakeOutputFolder(const QString& folder) {
  std::error_code error;
  std::filesystem::create_directories(std::filesystem::path(Local(folder).toStdString()), error);
  if (error) return QString("The output folder %1 cannot be created: %2.").arg(folder, ErrorText(error.value()));
  if (!QFileInfo(folder).isDir()) return QString("The output folder %1 is not a folder.").arg(folder);
  return {};
}

}  // namespace vidmora

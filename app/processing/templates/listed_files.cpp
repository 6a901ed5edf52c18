#include "app/processing/templates/listed_files.h"

#include "shared/io/atomic_file.h"

#include <QFile>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <optional>
#include <system_error>

namespace vidmora {

namespace {

std::optional<QByteArray> ReadBytes(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
  return file.readAll();
}

bool WriteBytes(const QString& path, const QByteArray& bytes) {
  return !ReplaceFileAtomically(QFile::encodeName(path).toStdString(),
                                std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
}

}  // namespace

FolderLock::FolderLock(const QString& folder) {
  fd_ = open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd_ < 0) return;
  while (flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
  }
}

FolderLock::~FolderLock() {
  if (fd_ >= 0) close(fd_);  // closing releases the lock
}

bool ClaimNewFile(const QString& path) {
  const int fd = open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  close(fd);
  return true;
}

QString FileErrorText(int error) {
  switch (error) {
    case ENOSPC: return QStringLiteral("the disk is full");
    case EDQUOT: return QStringLiteral("the disk quota is used up");
    case EFBIG: return QStringLiteral("the file would be larger than allowed");
    case ENAMETOOLONG: return QStringLiteral("the name is too long for the file system");
    case EACCES:
    case EPERM: return QStringLiteral("permission denied");
    case EROFS: return QStringLiteral("the disk is read-only");
    case EEXIST: return QStringLiteral("a file of that name is there already");
    case ENOENT: return QStringLiteral("the folder does not exist");
    case 0: return QStringLiteral("unknown error");
    default: return QString::fromLocal8Bit(std::generic_category().message(error).c_str());
  }
}

QString NamedPath(const QString& folder, const QString& name) {
  return QString::fromStdU16String(NamedFilePath(folder.toStdU16String(), name.toStdU16String()));
}

StoreResult RenameListedFile(const QString& folder, const QString& listPath, NameListKind kind, const QString& name,
                             const QString& newName, const QString& what) {
  const QString from = NamedPath(folder, name);
  const QString to = NamedPath(folder, newName);
  const std::optional<QByteArray> savedList = ReadBytes(listPath);
  // The list first: a file renamed under a list that still names the old
  // file would leave the thing broken after a restart (a full disk, say).
  if (!savedList || !RenameInNameList(listPath.toStdU16String(), kind, name.toStdU16String(), newName.toStdU16String()))
    return StoreResult::Failed(QStringLiteral("The list %1 could not be updated; the %2 keeps the name \"%3\".")
                                   .arg(listPath, what, name));
  if (QFile::rename(from, to)) return {};  // QFile::rename never replaces a file

  const bool restored = WriteBytes(listPath, *savedList);
  QString message = QStringLiteral("The %1 file %2 could not be renamed to %3; the %1 keeps the name \"%4\".")
                        .arg(what, from, to, name);
  if (!restored)
    message += QStringLiteral(" The list %1 could not be put back and now names \"%2\".").arg(listPath, newName);
  return StoreResult::Failed(message);
}

}  // namespace vidmora

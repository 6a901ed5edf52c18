#include "app/templates/listed_files.h"

#include <QFile>

#include <optional>

namespace vidmora {

namespace {

std::optional<QByteArray> ReadBytes(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
  return file.readAll();
}

bool WriteBytes(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size() && file.flush();
}

}  // namespace

QString NamedPath(const QString& folder, const QString& name) {
  return QString::fromStdU16String(NamedFilePath(folder.toStdU16String(), name.toStdU16String()));
}

StoreResult RenameListedFile(const QString& folder, const QString& listPath, NameListKind kind, const QString& name,
                             const QString& newName, const QString& what) {
  const std::optional<QByteArray> savedList = ReadBytes(listPath);
  const bool listed = RenameInNameList(listPath.toStdU16String(), kind, name.toStdU16String(), newName.toStdU16String());

  const QString from = NamedPath(folder, name);
  const QString to = NamedPath(folder, newName);
  if (QFile::rename(from, to)) return {};  // QFile::rename never replaces a file

  const bool restored = !listed || (savedList && WriteBytes(listPath, *savedList));
  QString message = QStringLiteral("The %1 file %2 could not be renamed to %3; the %1 keeps the name \"%4\".")
                        .arg(what, from, to, name);
  if (!restored)
    message += QStringLiteral(" The list %1 could not be put back and now names \"%2\".").arg(listPath, newName);
  return StoreResult::Failed(message);
}

}  // namespace vidmora

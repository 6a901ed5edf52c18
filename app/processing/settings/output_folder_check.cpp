#include "app/processing/settings/output_folder_check.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <system_error>
#include <vector>

namespace vidmora {

namespace {

// Tries to create, then removes, a folder in `existing`: the one sure test of
// permission (root, read-only file systems and access lists included).
int TryCreatingIn(const QString& existing) {
  std::string pattern = QFile::encodeName(existing + QStringLiteral("/.vidmora-check-XXXXXX")).toStdString();
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  if (mkdtemp(name.data()) == nullptr) return errno;
  rmdir(name.data());
  return 0;
}

}  // namespace

QString OutputFolderProblem(const QString& folder) {
  if (folder.trimmed().isEmpty()) return QStringLiteral("Please choose the folder the outputs are saved in.");
  if (!folder.startsWith(u'/'))
    return QStringLiteral("The output folder \"%1\" is not a full path: it must begin with \"/\".").arg(folder);
  const QString clean = QDir::cleanPath(folder);
  // The folder itself, or the nearest existing folder above it.
  QString existing = clean;
  while (!QFileInfo::exists(existing) && existing != QStringLiteral("/")) existing = QFileInfo(existing).path();
  const QFileInfo found(existing);
  if (!found.isDir()) {
    return existing == clean
               ? QStringLiteral("The output folder \"%1\" is a file, not a folder.").arg(folder)
               : QStringLiteral("The output folder \"%1\" cannot be made: %2 is a file.").arg(folder, existing);
  }
  if (const int error = TryCreatingIn(existing); error != 0) {
    const QString reason = QString::fromLocal8Bit(std::generic_category().message(error).c_str());
    return existing == clean
               ? QStringLiteral("Outputs cannot be saved in the folder \"%1\" (%2).").arg(folder, reason)
               : QStringLiteral("The output folder \"%1\" cannot be made in %2 (%3).").arg(folder, existing, reason);
  }
  return {};
}

}  // namespace vidmora

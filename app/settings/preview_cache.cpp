#include "app/settings/preview_cache.h"

#include "app/settings/app_folders.h"
#include "common/quorvil.h"

#include <QDir>
#include <QFileInfo>

#include <string>

namespace vidmora {

QString PreviewCacheFolder() { return QDir::tempPath() + u'/' + QString::fromUtf16(kApplicationName); }

QString PreviewCachePath(const QString& sourcePath) {
  return PreviewCacheFolder() + QDir::cleanPath(QFileInfo(sourcePath).absoluteFilePath()) + QStringLiteral(".png");
}

namespace {

// Whether `inner` is `outer` or lies below it, links resolved.
bool IsSameOrBelow(const QString& inner, const QString& outer) {
  const QString a = QFileInfo(inner).canonicalFilePath();
  const QString b = QFileInfo(outer).canonicalFilePath();
  return !a.isEmpty() && !b.isEmpty() && (a == b || a.startsWith(b + u'/'));
}

}  // namespace

bool EmptyPreviewCache() {
  const QString cache = PreviewCacheFolder();
  // A temporary folder set to the data folder (or above it) would make the
  // cache hold the user's templates and settings: those are never deleted.
  if (IsSameOrBelow(DataFolder(), cache)) return false;
  const std::u16string folder = cache.toStdU16String();
  return DeleteDirectory(folder.c_str(), true) == 0;
}

}  // namespace vidmora

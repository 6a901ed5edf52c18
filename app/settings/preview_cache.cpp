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

bool EmptyPreviewCache() {
  const std::u16string folder = PreviewCacheFolder().toStdU16String();
  return DeleteDirectory(folder.c_str(), true) == 0;
}

}  // namespace vidmora

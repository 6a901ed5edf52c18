#include "app/processing/settings/app_folders.h"

#include "common/platform/folders.h"
#include "common/quorvil.h"

#include <string>

namespace vidmora {

QString DataFolder() {
  std::u16string folder;
  GetAppDataPath(folder, kApplicationName);
  return QString::fromStdU16String(folder);
}

QString TemplatesFolder() { return DataFolder() + "/templates"; }

QString DocumentsFolder() {
  return QString::fromStdString(quorvil::DocumentsFolderPath(kApplicationName).native());
}

QString DataFile(const QString& fileName) { return DataFolder() + "/" + fileName; }

}  // namespace vidmora

#include "app/processing/engine.h"

#include "app/processing/first_start.h"
#include "app/processing/settings/app_folders.h"
#include "common/quorvil.h"
#include "draw/glyphra.h"

#include <string>

namespace vidmora {

EngineStart StartEngine() {
  EngineStart start;
  start.preferencesReady = PrepareDataFolder(&start.warnings);
  InitTemplateFolderPathForDrawlixDll(kApplicationName);
  return start;
}

QString ProgramFolder() {
  std::u16string folder;
  GetAppPath(folder);
  return QString::fromStdU16String(folder);
}

QString EncoderLibraryFolder() { return ProgramFolder(); }

}  // namespace vidmora

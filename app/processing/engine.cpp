#include "app/processing/engine.h"

#include "app/processing/first_start.h"
#include "app/processing/settings/app_folders.h"
#include "common/quorvil.h"
#include "draw/glyphra.h"

#include <string>

namespace vidmora {

EngineStart StartEngine() {
  EngineStart start;
  // The AV1 encoder writes a banner to the standard error unless told to keep
  // to errors. Set here, on the main thread before any encode starts: changing
  // the environment while encoder threads read it would race.
  if (!qEnvironmentVariableIsSet("SVT_LOG")) qputenv("SVT_LOG", "1");
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

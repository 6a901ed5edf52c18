#include "app/settings/first_start.h"

#include "app/settings/app_folders.h"
#include "app/settings/output_preferences.h"
#include "app/templates/template_store.h"

#include <QFileInfo>

namespace vidmora {

bool PrepareDataFolder() {
  bool ok = true;
  const QString preferences = DataFile(kPreferencesFileName);
  if (!QFileInfo::exists(preferences))
    ok = WriteOutputPreferences(preferences, FirstStartPreferences(DocumentsFolder()));
  EnsureDemoTemplate(TemplatesFolder());
  return ok;
}

}  // namespace vidmora

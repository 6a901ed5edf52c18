#include "app/processing/job_settings.h"

#include "app/settings/app_folders.h"

#include <QSettings>

namespace vidmora {

JobSettings StoredJobSettings::Load() {
  JobSettings settings;
  settings.templateName = templateName_;
  settings.output = ReadOutputPreferences(DataFile(kPreferencesFileName));
  QSettings profile(kProfileOrganization, kProfileApplication);
  settings.encoding = ReadEncodingSettings(profile);
  return settings;
}

}  // namespace vidmora

#include "app/processing/job_settings.h"

#include "app/settings/app_folders.h"
#include "app/settings/session_choices.h"

#include <QSettings>

namespace vidmora {

JobSettings StoredJobSettings::Load() {
  JobSettings settings;
  settings.templateName = templateName_;
  settings.output = ReadOutputPreferences(DataFile(kPreferencesFileName));
  QSettings profile(kProfileOrganization, kProfileApplication);
  QStringList unreadableKeys;
  settings.encoding = ReadEncodingSettings(profile, &unreadableKeys);
  settings.encoding.disableAudio = AudioDisabled();
  for (const QString& key : unreadableKeys)
    settings.warnings << QString("%1: the value of %2/%3 is neither a number nor auto; auto is used.")
                             .arg(profile.fileName(), kEncodingSettingsGroup, key);
  return settings;
}

}  // namespace vidmora

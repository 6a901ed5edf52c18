#include "app/processing/job_settings.h"

#include "app/processing/presets.h"
#include "app/processing/settings/app_folders.h"
#include "app/processing/settings/resizing_settings.h"
#include "app/processing/settings/session_choices.h"

#include <QSettings>

namespace vidmora {

JobSettings StoredJobSettings::Load() {
  JobSettings settings;
  settings.templateName = templateName_;
  settings.output = ReadOutputPreferences(DataFile(kPreferencesFileName));
  QSettings profile(kProfileOrganization, kProfileApplication);
  StoredValueProblems problems;
  settings.encoding = ReadEncodingSettings(profile, problems);
  settings.encoding.disableAudio = AudioDisabled();
  // The Resize settings size the videos too while they are on; else the
  // size of the preset chosen, while the settings are still the preset's.
  const ResizingSettings resizing = ReadResizingSettings(DataFile(kResizingSettingsFileName));
  const bool resize = ResizeJustThisTime() || resizing.resizeEveryTime;
  const QSize size = OutputSize(resizing, resize);
  settings.encoding.outputWidth = size.width();
  settings.encoding.outputHeight = size.height();
  settings.encoding.enlargeOutput = resizing.enlarge;
  if (const auto preset = FindPreset(AllPresets(profile), settings.encoding.preset);
      !resize && preset && HoldsPreset(settings.encoding, *preset)) {
    settings.encoding.outputWidth = preset->width;
    settings.encoding.outputHeight = preset->height;
    settings.encoding.enlargeOutput = false;
  }
  for (const QString& key : problems.unreadableKeys)
    settings.warnings << QString("%1: the value of %2/%3 is neither a number nor auto; auto is used.")
                             .arg(profile.fileName(), kEncodingSettingsGroup, key);
  for (const StoredValueProblems::TooLarge& value : problems.tooLarge)
    settings.warnings << QString("%1: the value %2 of %3/%4 is above the largest the encoder takes (%5); auto is used.")
                             .arg(profile.fileName(), value.value, kEncodingSettingsGroup, value.key,
                                  QString::number(value.largest, 'g', 10));
  return settings;
}

}  // namespace vidmora

#pragma once

// The stored settings with the command line's overrides on top, read afresh
// for every file like the stored ones. Nothing stored is changed.

#include "app/processing/job_settings.h"
#include "cli/cli_options.h"

namespace vidmora::cli {

// Applies the overrides; a new container first makes the stored codecs fit it,
// as the settings page does, then explicit codecs apply.
void ApplyOverrides(const SettingOverrides& overrides, JobSettings& settings);

// One line when an explicitly chosen codec is not offered by the container;
// empty when the settings are fine.
QString CheckCodecChoice(const SettingOverrides& overrides, const EncodingSettings& settings);

class OverriddenJobSettings : public JobSettingsSource {
 public:
  OverriddenJobSettings(QString templateName, SettingOverrides overrides)
      : stored_(std::move(templateName)), overrides_(std::move(overrides)) {}
  JobSettings Load() override {
    JobSettings settings = stored_.Load();
    ApplyOverrides(overrides_, settings);
    return settings;
  }

 private:
  StoredJobSettings stored_;
  SettingOverrides overrides_;
};

}  // namespace vidmora::cli

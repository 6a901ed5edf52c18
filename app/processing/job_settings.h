#pragma once

// Everything one transcode job needs besides its source: a plain value that a
// front end builds and the engine runs.

#include "app/processing/encoding_settings.h"
#include "app/processing/settings/output_preferences.h"

#include <QString>
#include <QStringList>

namespace vidmora {

struct JobSettings {
  QString templateName;
  OutputPreferences output;
  EncodingSettings encoding;
  QStringList warnings;  // stored values that could not be read and were replaced, one line each
};

// Supplies the settings at the start of every file of a batch, so that a
// change made between two files takes effect on the second. Called on the
// batch's worker thread.
class JobSettingsSource {
 public:
  virtual ~JobSettingsSource() = default;
  virtual JobSettings Load() = 0;
};

// Reads the stored settings afresh each time: "preference.xml" in the data
// folder, the profile group "CodeSettings", and the output size from the
// Resize settings while they are on, else from the chosen preset while the
// settings still hold it; the template name is given, and "Disable Audio"
// is the choice of the running program.
class StoredJobSettings : public JobSettingsSource {
 public:
  explicit StoredJobSettings(QString templateName) : templateName_(std::move(templateName)) {}
  JobSettings Load() override;

 private:
  QString templateName_;
};

}  // namespace vidmora

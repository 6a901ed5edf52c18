#pragma once

// Where the output of one source goes and what it is called.

#include "app/processing/encoding_settings.h"
#include "app/processing/settings/output_preferences.h"

#include <QString>

namespace vidmora {

struct OutputPlan {
  QString folder;    // without a trailing "/"
  QString baseName;  // the source's file name up to its last "."
  QString path;      // folder/baseName[suffix]extension
};

// Beside the source (outputFolderOpts 0) or in the custom folder (1); the
// source's base name, followed by the suffix when outputFileNameOpts is 1; the
// extension of the output format. Pure: touches no file.
OutputPlan PlanOutput(const QString& sourcePath, const OutputPreferences& preferences,
                      const EncodingSettings& settings);

}  // namespace vidmora

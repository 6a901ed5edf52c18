#pragma once

// Where the output of one source goes and what it is called.

#include "app/processing/encoding_settings.h"
#include "app/processing/settings/output_preferences.h"
#include "shared/template/text_tokens.h"

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

// How outputs are named beyond the preferences: by a pattern of tokens
// ("{file}_{recipient}"; empty: the source's base name), and, for one of a
// recipient list, with "_" + the recipient after the suffix unless the
// pattern names {recipient} itself. Names are made fit for file names
// (SafeFileNamePart) and cut to the file system's 255 bytes.
struct OutputNaming {
  QString pattern;
  TokenValues tokens;  // the file's and the recipient's
  QString recipient;   // empty: not one of a list
};
OutputPlan PlanOutput(const QString& sourcePath, const OutputPreferences& preferences, const EncodingSettings& settings,
                      const OutputNaming& naming);

}  // namespace vidmora

#pragma once

// The commands of vidmora-cli; each returns the process's exit status.

#include "cli/cli_options.h"

#include <optional>

namespace vidmora::cli {

class OverriddenJobSettings;

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;
// EX_TEMPFAIL: interrupted, or a cause that may pass (disk full, output folder
// gone, encoder library missing); a retry may succeed. Wins over kExitFailed.
inline constexpr int kExitTempFail = 75;

int RunBatchCommand(const CliOptions& options);
int RunRenderCommand(const CliOptions& options);
int RunTemplatesCommand(const CliOptions& options);
int RunWatchCommand(const CliOptions& options);

// The template a batch or watch run paints with (--template, else the stored
// choice). kExitOk when it is listed; otherwise the exit status, its reason
// printed.
int ChooseTemplate(const CliOptions& options, QString& templateName);

// The settings a batch or watch run encodes with: the chosen template's
// stored settings under the command line's overrides. kExitOk when the
// template is listed and the chosen codecs fit the container; otherwise the
// exit status, its reason printed.
int ChooseSettings(const CliOptions& options, std::optional<OverriddenJobSettings>& settings);

// Prints "vidmora-cli: <text>" on standard error.
void PrintError(const QString& text);

}  // namespace vidmora::cli

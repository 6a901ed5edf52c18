#pragma once

// The commands of vidmora-cli; each returns the process's exit status.

#include "cli/cli_options.h"

namespace vidmora::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

int RunBatchCommand(const CliOptions& options);
int RunRenderCommand(const CliOptions& options);
int RunTemplatesCommand(const CliOptions& options);

// Prints "vidmora-cli: <text>" on standard error.
void PrintError(const QString& text);

}  // namespace vidmora::cli

#pragma once

// crash.txt: a plain report of the crash (system, program, version, faulting
// module, signal, registers, call stack, threads, modules) written as UTF-16
// little-endian text of at most 8,000 characters (the terminating null
// included), without a byte-order mark. Lines are separated by "\r\n".
// Safe in a signal handler and in a process forked from a crashed one.

#include "app/support/crash_state.h"

namespace vidmora::crash {

inline constexpr size_t kMaxReportCharacters = 8000;

// Writes the report to `path` (created or truncated). `crash` may be null for
// a report without a signal (no module, signal or register lines). False when
// the file cannot be written.
bool WriteCrashText(const char* path, const ReporterSettings& settings, const CrashInfo* crash,
                    const Snapshot& snapshot);

}  // namespace vidmora::crash

#pragma once

// crash.dmp: the crashed process in the minidump format that debuggers open
// (`lldb -c crash.dmp program`): header, stream directory, system
// information, the exception, the threads with their registers and stacks,
// the modules (with their GNU build ids), the memory list, and the process's
// memory map, status and command line as Linux streams.
// Safe in a signal handler and in a process forked from a crashed one.

#include "app/support/crash_state.h"

namespace vidmora::crash {

// Writes the dump to `path` (created or truncated). Threads without
// registers are left out. False when the file cannot be written or the
// processor is not x86-64.
bool WriteMinidump(const char* path, const ReporterSettings& settings, const CrashInfo& crash,
                   const Snapshot& snapshot);

}  // namespace vidmora::crash

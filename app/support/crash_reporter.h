#pragma once

// The crash reporter: when the program dies of SIGSEGV, SIGBUS, SIGILL, SIGFPE
// or SIGABRT it writes crash.txt (a readable report) and crash.dmp (a
// minidump that `lldb -c crash.dmp program` opens) into the crash folder,
// replacing the previous ones, and then lets the signal end the process as
// it would have without the reporter (exit status, core dump).
//
// The reports are made by a process forked at the crash, which stops the
// other threads with ptrace to read their registers; when that is refused,
// the threads are listed without registers, and when no process can be
// forked the crashed process writes the reports itself. Nothing in the
// handler allocates or locks. A fault while reporting ends the process with
// that signal's default action.
//
// Sanitizer builds leave SIGSEGV, SIGBUS and SIGFPE to the sanitizer, whose
// report is more useful there.

#include <string>

namespace vidmora {

// <data home>/Vidmora/crashLog, where the data home is $XDG_DATA_HOME (when
// absolute) or ~/.local/share, the home being $HOME or, when that is unset,
// the password database's. Empty when there is no home: reports are then not
// written (never to a shared folder such as /tmp). Reports replace earlier
// ones and are never written through a link.
std::string DefaultCrashFolder();

// Installs the handlers for the whole process, the alternate signal stack
// for the calling thread, and reserves what the handler needs. Call once at
// start-up, from the main thread, before other threads start; a second call
// only changes the folder. False when the handlers could not be installed.
bool InstallCrashReporter(const std::string& crashFolder = DefaultCrashFolder());

// False in sanitizer builds, where SIGSEGV, SIGBUS and SIGFPE are left to the sanitizer.
bool CrashReporterHandlesFaultSignals();

// For tests of the reporter itself: `hook` runs inside the handler before the
// reports are written.
void SetCrashHandlerHookForTesting(void (*hook)());

}  // namespace vidmora

#pragma once

// Whether a source is still being written by another program (a recording in
// progress, a copy not yet finished): such a file would be encoded only up to
// where it had got, and reported done. Any thread.

#include <QString>

#include <chrono>

namespace vidmora {

// True when a process other than this one holds the file at `path` open for
// writing, as /proc/<pid>/fdinfo tells (only processes this user may inspect).
bool IsOpenForWritingElsewhere(const QString& path);

// Empty when the file is complete as far as can be told: no other process
// has it open for writing, and, when it was changed in the last few seconds,
// its size and time stay the same over `settle`. Otherwise one line for the
// user ("... is still being written by another program ...").
QString StillBeingWritten(const QString& path,
                          std::chrono::milliseconds settle = std::chrono::milliseconds(250));

}  // namespace vidmora

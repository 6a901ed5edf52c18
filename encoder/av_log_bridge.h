#pragma once

// Routes FFmpeg's own warnings and errors into the application's log
// (va_logx). FFmpeg keeps one log callback for the whole process, so it is
// set once, by the first call, and stays: the library that holds it is then
// kept in memory even when the application unloads it after a file, so the
// callback never points into unmapped code, and no encode swaps it while
// another thread's FFmpeg calls may log.

namespace vencor {

// Installs the bridge once per process; later calls do nothing. Any thread.
void InstallAvLogBridge();

}  // namespace vencor

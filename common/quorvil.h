#pragma once

// libquorvil.so: folder, file, process, shell and operating-system helpers
// shared by the application and the drawing library.
//
// Wide text is UTF-16. Out strings are the caller's std::u16string objects,
// assigned by the library (one C++ runtime and heap for the whole program).
// Paths use "/" and carry no trailing "/". A null text pointer counts as an
// empty text. No export throws, logs or shows anything: failures come back
// as results only. Every export may be called from any thread.

#include "shared/export.h"

#include <cstdint>
#include <string>

extern "C" {

// Trace output of the library: does nothing.
VIDMORA_EXPORT void MyTrace(const char16_t* format, ...);

// Windows version tests: false on Linux.
VIDMORA_EXPORT bool is_xp_os();
VIDMORA_EXPORT bool is_vista_os();
VIDMORA_EXPORT bool is_win7_os();
VIDMORA_EXPORT bool is_win8_os();
VIDMORA_EXPORT bool is_vista_os_plus();
// True for a 32-bit process on a 64-bit kernel; false for a 64-bit build.
VIDMORA_EXPORT bool is_os_64bit();

// The folder of the running executable; empty when it cannot be read.
VIDMORA_EXPORT void GetAppPath(std::u16string& path);

// Creates the folder and every missing parent, top-down ("/" separators, one
// trailing "/" ignored). Failures are ignored.
VIDMORA_EXPORT void CreateAllDirectories(const char16_t* path);

// The per-user data folder ($XDG_DATA_HOME, else ~/.local/share) joined with
// appName, created if missing. When the data folder cannot be had, "Profile"
// beside the program (appName unused); empty if even that is unknown.
VIDMORA_EXPORT void GetAppDataPath(std::u16string& path, const char16_t* appName);

// As GetAppDataPath, under the user's documents folder (XDG_DOCUMENTS_DIR of
// user-dirs.dirs, else the XDG_DOCUMENTS_DIR variable, else ~/Documents).
VIDMORA_EXPORT void GetPersonalFolder(std::u16string& path, const char16_t* subFolder);

// Starts `file`: a program (searched on PATH when it holds no "/") gets
// `parameters` split into arguments the way Windows programs split them; a
// document, folder or address ("https:", "mailto:", ...) is opened with
// xdg-open. One pair of double quotes around `file` is dropped. showCommand
// is accepted and ignored. The program starts in a process group of its own.
// Without wait, returns at once: 1 when the process started, 0 when not.
// With wait, waits for the process to end, without limit when timeoutMs is 0
// or negative, else for at most timeoutMs milliseconds; on time-out sets
// *timedOut (when not null) to 1 and leaves the process running. Returns 1
// once waited, 0 when nothing could be started. Processes that are not
// waited for are reaped when they end, so none is left as a zombie.
VIDMORA_EXPORT int DoShellCmd2(const char16_t* file, const char16_t* parameters, int showCommand, bool wait,
                               unsigned char* timedOut, int timeoutMs);

// DoShellCmd2 without the timed-out flag.
VIDMORA_EXPORT int DoShellCmd(const char16_t* file, const char16_t* parameters, int showCommand, bool wait,
                              int timeoutMs);

// Reads the USB vendor and product ids from a device path such as
// "\\?\usb#vid_0bda&pid_0129#6&1...": the text after the first four
// characters, "#" read as "\", upper-cased, must match
// ".*VID_(\w+).*PID_(\w+).*" as a whole. Returns true and sets both ids on a
// match; returns false and leaves both unchanged otherwise.
VIDMORA_EXPORT bool GetVIDPIDFromDevString(const char16_t* device, std::u16string& vendorId,
                                           std::u16string& productId);

// Kills (SIGKILL) the first running process, in process-id order, whose
// executable file name contains `name` (case-sensitive). Returns 1 when it
// was killed; 0 when none matched, `name` is empty, or the match may not be
// killed (the walk then stops). The calling process itself never matches.
VIDMORA_EXPORT int KillProcess(const char16_t* name);

// The size in bytes of a regular file; -1 when it cannot be opened for
// reading, is not a regular file, or is held open for writing by any process
// (as far as the system can tell: see file_exports.cpp).
VIDMORA_EXPORT int64_t FileSize(const char16_t* path);

// False when the name holds one of \ / : ? < > | * "; true otherwise (also
// for an empty name).
VIDMORA_EXPORT bool IsFileNameLegal(const char16_t* name);

// The local time of `time` (seconds since 1970) as "%m/%d/%Y %H:%M:%S";
// empty when the time cannot be represented.
VIDMORA_EXPORT void time_t2string(int64_t time, std::u16string& text);

// Deletes the files of a folder and, when recursive, its sub-folders, then
// the folder. Without recursion a folder that holds a sub-folder keeps that
// sub-folder and itself (its files are still deleted) and 0 is returned.
// Symbolic links inside are deleted, never followed; a path that is itself a
// link is refused (ELOOP). Returns 0 on success or when the folder does not
// exist, else the errno code of the first failure.
VIDMORA_EXPORT int DeleteDirectory(const char16_t* path, bool recursive);

}  // extern "C"

#pragma once

// The folders the program works in, resolved the way a Linux desktop expects:
// the program folder (where the executable lives), the per-user data folder of
// an application, the user's documents folder and the temporary folder.
//
// All functions read the environment (HOME, XDG_DATA_HOME, XDG_CONFIG_HOME,
// XDG_DOCUMENTS_DIR, TMPDIR) at each call and may be called from any thread as
// long as no thread changes the environment at the same time.

#include <filesystem>
#include <string>
#include <string_view>

namespace quorvil {

// Folder of the running executable (/proc/self/exe), without a trailing "/".
// Empty when the link cannot be read.
std::filesystem::path ProgramFolder();

// <data home>/<appName>, where the data home is $XDG_DATA_HOME (when absolute)
// or ~/.local/share. When the data home cannot be found or created, the
// fall-back is "Profile" beside the program (appName is then not used); empty
// when even the program folder is unknown. The result is created with its
// parents; failure to create it is not reported (the path is still returned).
// appName is joined as text: "/" in it makes sub-folders, and a leading "/"
// never escapes the data home.
std::filesystem::path AppDataFolder(std::u16string_view appName);

// <documents>/<subFolder>, where the documents folder is XDG_DOCUMENTS_DIR of
// $XDG_CONFIG_HOME/user-dirs.dirs (~/.config when unset), else the
// XDG_DOCUMENTS_DIR environment variable, else ~/Documents. Same fall-back and
// creation as AppDataFolder.
std::filesystem::path DocumentsFolder(std::u16string_view subFolder);

// $TMPDIR when set and not empty, else /tmp; without a trailing "/".
std::filesystem::path TempFolder();

// The user's home folder: $HOME, else the password database; empty if neither.
std::filesystem::path HomeFolder();

// Creates the folder and every missing parent, top-down. One trailing "/" is
// ignored; an empty path does nothing. Failures are ignored: callers check
// the folder when they use it.
void CreateAllDirectories(const std::string& utf8Path);

// Paths are UTF-8 bytes on this system; the program's text is UTF-16.
std::u16string PathToText(const std::filesystem::path& path);
std::filesystem::path TextToPath(std::u16string_view text);

}  // namespace quorvil

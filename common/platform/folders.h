#pragma once

// The folders the program works in, resolved the way a Linux desktop expects:
// the program folder (where the executable lives), the per-user data folder of
// an application, the user's documents folder, the cache and the temporary
// folders.
//
// All functions read the environment (HOME, XDG_DATA_HOME, XDG_CONFIG_HOME,
// XDG_CACHE_HOME, XDG_RUNTIME_DIR, XDG_DOCUMENTS_DIR, TMPDIR) at each call and
// may be called from any thread as long as no thread changes the environment
// at the same time.

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
// The same path, but nothing is created: for a folder that is made only when
// something is saved there.
std::filesystem::path DocumentsFolderPath(std::u16string_view subFolder);

// $TMPDIR when set and not empty, else /tmp; without a trailing "/". A
// shared folder: other local users can plant files and links there, so the
// program makes only private folders of its own in it (MakeShortLivedFolder).
std::filesystem::path TempFolder();

// Makes `folder` a folder only this user can enter: created with mode 0700
// (and missing parents as usual) when it does not exist; an existing one
// must be a real folder, not a link, owned by this user, and loses any
// group and other permissions. Returns 0, or the errno why the folder
// cannot be used (ENOTDIR for a link or a file, EPERM for another owner).
int MakePrivateFolder(const std::filesystem::path& folder);

// <cache home>/<appName>, where the cache home is $XDG_CACHE_HOME (when
// absolute) or ~/.cache; made private (MakePrivateFolder). Empty when there
// is no home or the folder cannot be made private.
std::filesystem::path CacheFolder(std::u16string_view appName);

// A new private folder (mkdtemp, mode 0700) named <prefix>XXXXXX for
// short-lived files: under $XDG_RUNTIME_DIR when that is an absolute folder
// of this user's, else under TempFolder(). Empty when none can be made. The
// caller removes it.
std::filesystem::path MakeShortLivedFolder(std::string_view prefix);

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

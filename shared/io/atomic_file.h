#pragma once

// The one way this program replaces a file: readers see either the old or the
// new content, never a half-written one, even if the program dies while
// writing; and a link planted in the file's place is never followed.

#include <filesystem>
#include <string_view>
#include <system_error>

namespace vidmora {

// Writes `bytes` to a new file beside `path` (created with O_EXCL and
// O_NOFOLLOW), flushes it to disk, renames it over `path` and flushes the
// folder. An existing file keeps its permission bits; a new one gets 0666
// less the umask. Refuses, with ELOOP, when `path` is a symbolic link, and
// with EISDIR when it is a folder or another non-regular file: the link, and
// the file it names, stay as they were.
//
// Returns an empty error_code, or the errno of the step that failed (in the
// generic category, so message() is the system's text for it); `path` is then
// untouched and the new file removed. Any thread may call it.
[[nodiscard]] std::error_code ReplaceFileAtomically(const std::filesystem::path& path, std::string_view bytes);

}  // namespace vidmora

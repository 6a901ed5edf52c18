#pragma once

// Replacing a file so that readers see either the old or the new content,
// never a half-written one, even if the program dies while writing.

#include <filesystem>
#include <string_view>

namespace quorvil {

// Writes `bytes` to a temporary file beside `path`, flushes it to disk and
// renames it over `path`. An existing file keeps its permissions; a symbolic
// link is followed, so the file it names is replaced and the link stays. A
// new file gets mode 0644. Returns false (and leaves `path` untouched) when
// any step fails. Any thread may call it.
bool WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes);

}  // namespace quorvil

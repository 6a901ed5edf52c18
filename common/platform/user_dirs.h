#pragma once

// Reader of the XDG user-dirs file (~/.config/user-dirs.dirs), which names the
// user's documents, pictures and other folders in shell syntax:
//   XDG_DOCUMENTS_DIR="$HOME/Documents"

#include <filesystem>
#include <optional>
#include <string_view>

namespace quorvil {

// The folder that `file` gives for `key`, with a leading $HOME replaced by
// `home`. Nothing when the file cannot be read, the key is missing, the value
// is neither absolute nor under $HOME, or $HOME is needed but `home` is empty.
std::optional<std::filesystem::path> ReadUserDir(const std::filesystem::path& file, std::string_view key,
                                                 const std::filesystem::path& home);

}  // namespace quorvil

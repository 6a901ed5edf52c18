#pragma once

// Reads one tag of a media file's container (the file's global metadata).

#include <optional>
#include <string>

namespace vencor {

// The value of `key` (compared without case) in the container's tags;
// nothing when the file has no such tag. Throws VENCOR_ERROR_INPUT when the
// file cannot be opened as media. Reads only the container's header.
std::optional<std::string> ReadContainerTag(const std::string& path, const std::string& key);

}  // namespace vencor

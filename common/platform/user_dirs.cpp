#include "common/platform/user_dirs.h"

#include <fstream>
#include <string>

namespace quorvil {

namespace {

std::string_view TrimBlanks(std::string_view text) {
  const size_t first = text.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  const size_t last = text.find_last_not_of(" \t\r");
  return text.substr(first, last - first + 1);
}

// The text between double quotes, with shell backslash escapes undone.
std::optional<std::string> ShellUnquote(std::string_view value) {
  if (value.size() < 2 || value.front() != '"' || value.back() != '"') return std::nullopt;
  value = value.substr(1, value.size() - 2);
  std::string out;
  for (size_t i = 0; i < value.size(); ++i) {
    if (value[i] == '\\' && i + 1 < value.size()) ++i;
    out += value[i];
  }
  return out;
}

}  // namespace

std::optional<std::filesystem::path> ReadUserDir(const std::filesystem::path& file, std::string_view key,
                                                 const std::filesystem::path& home) {
  std::ifstream in(file);
  std::string line;
  while (std::getline(in, line)) {
    std::string_view text = TrimBlanks(line);
    if (text.empty() || text.front() == '#') continue;
    const size_t equals = text.find('=');
    if (equals == std::string_view::npos || TrimBlanks(text.substr(0, equals)) != key) continue;
    std::optional<std::string> value = ShellUnquote(TrimBlanks(text.substr(equals + 1)));
    if (!value) return std::nullopt;
    constexpr std::string_view kHome = "$HOME";
    if (value->compare(0, kHome.size(), kHome) == 0 &&
        (value->size() == kHome.size() || (*value)[kHome.size()] == '/')) {
      if (home.empty()) return std::nullopt;
      return std::filesystem::path(home.native() + value->substr(kHome.size()));
    }
    if (!value->empty() && value->front() == '/') return std::filesystem::path(*value);
    return std::nullopt;
  }
  return std::nullopt;
}

}  // namespace quorvil

#pragma once

// vidmora-cli as the tests start it: the program beside the test programs.

#include "common/quorvil.h"
#include "tests/support/process.h"

#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace vidmora::test {

inline std::string CliPath() {
  std::u16string folder;
  GetAppPath(folder);
  return (std::filesystem::path(folder) / "vidmora-cli").string();
}

// The argument vector that runs vidmora-cli with `arguments`.
inline std::vector<std::string> Cli(const std::vector<std::string>& arguments) {
  std::vector<std::string> argv = {CliPath()};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  return argv;
}

// Runs vidmora-cli with `arguments`, with `environment` over the test's own.
inline ProcessResult RunCli(const std::vector<std::string>& arguments,
                            const std::map<std::string, std::string>& environment = {}) {
  return RunProcess(Cli(arguments), environment);
}

// The last line of a program's output.
inline std::string LastLine(const std::string& text) {
  std::string trimmed = text;
  while (!trimmed.empty() && trimmed.back() == '\n') trimmed.pop_back();
  return trimmed.substr(trimmed.rfind('\n') + 1);
}

// The names of the files in `folder`.
inline std::set<std::string> NamesIn(const std::filesystem::path& folder) {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) names.insert(entry.path().filename().string());
  return names;
}

}  // namespace vidmora::test

#pragma once

// vidmora-cli as the tests start it: the program beside the test programs.

#include "common/quorvil.h"

#include <filesystem>
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

}  // namespace vidmora::test

#pragma once

#include <map>
#include <string>
#include <vector>

namespace vidmora::test {

struct ProcessResult {
  int exitCode = -1;   // the exit status, or 128 + signal number
  std::string out;     // standard output
  std::string err;     // standard error
};

// Runs a program (searched on PATH) with arguments, waits for it and collects its
// output. `environment` adds or replaces variables for the child only.
ProcessResult RunProcess(const std::vector<std::string>& argv,
                         const std::map<std::string, std::string>& environment = {});

}  // namespace vidmora::test

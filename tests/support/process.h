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

// A program (searched on PATH) running beside the test, whose standard output
// the test reads as it comes (standard error is collected too). `environment`
// adds or replaces variables for the child only. Killed if still running when
// the object goes away.
class RunningProcess {
 public:
  explicit RunningProcess(const std::vector<std::string>& argv,
                          const std::map<std::string, std::string>& environment = {});
  ~RunningProcess();
  RunningProcess(const RunningProcess&) = delete;
  RunningProcess& operator=(const RunningProcess&) = delete;

  // Reads until standard output (WaitForError: standard error) holds `text`
  // (true), or the program closes both or `timeoutMs` passes (false).
  bool WaitForOutput(const std::string& text, int timeoutMs);
  bool WaitForError(const std::string& text, int timeoutMs);
  void Signal(int signal);
  // Reads everything that is left and waits for the program to end.
  ProcessResult Finish();

 private:
  // Waits up to timeoutMs for output and reads what came; false once both
  // pipes are closed.
  bool ReadSome(int timeoutMs);
  bool WaitFor(const std::string& stream, const std::string& text, int timeoutMs);

  int pid_ = -1;
  int outFd_ = -1;
  int errFd_ = -1;
  ProcessResult result_;
};

// Runs a program to its end and collects its output.
ProcessResult RunProcess(const std::vector<std::string>& argv,
                         const std::map<std::string, std::string>& environment = {});

}  // namespace vidmora::test

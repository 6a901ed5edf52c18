#pragma once

// A runtime folder for programs started where the session sets none (ssh,
// cron, containers, CI): Qt and other libraries look for $XDG_RUNTIME_DIR and
// warn when it is unset. Created at start-up, before any thread exists.

#include <filesystem>

namespace quorvil {

// When XDG_RUNTIME_DIR is unset or not absolute, makes a private short-lived
// folder (MakeShortLivedFolder, mode 0700) and sets XDG_RUNTIME_DIR to it for
// this process and its children; removes it, and unsets the variable again,
// when the object goes away. Changes nothing when the variable is set. Call
// from the main thread while no other thread reads the environment.
class RuntimeFolderForProcess {
 public:
  RuntimeFolderForProcess();
  ~RuntimeFolderForProcess();
  RuntimeFolderForProcess(const RuntimeFolderForProcess&) = delete;
  RuntimeFolderForProcess& operator=(const RuntimeFolderForProcess&) = delete;

  // The folder made here; empty when the session's was used or none could be made.
  const std::filesystem::path& Made() const { return made_; }

 private:
  std::filesystem::path made_;
};

}  // namespace quorvil

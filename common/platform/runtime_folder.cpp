#include "common/platform/runtime_folder.h"

#include "common/platform/folders.h"

#include <cstdlib>
#include <system_error>

namespace quorvil {

RuntimeFolderForProcess::RuntimeFolderForProcess() {
  const char* set = std::getenv("XDG_RUNTIME_DIR");
  if (set != nullptr && set[0] == '/') return;
  made_ = MakeShortLivedFolder("vidmora-runtime-");
  // The programs make this object first in main, before any thread starts.
  if (!made_.empty()) setenv("XDG_RUNTIME_DIR", made_.c_str(), 1);  // NOLINT(concurrency-mt-unsafe)
}

RuntimeFolderForProcess::~RuntimeFolderForProcess() {
  if (made_.empty()) return;
  std::error_code ignored;
  std::filesystem::remove_all(made_, ignored);
  unsetenv("XDG_RUNTIME_DIR");  // NOLINT(concurrency-mt-unsafe): at the end of main, as it was set
}

}  // namespace quorvil

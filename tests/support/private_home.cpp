// Every test program starts in a home of its own, so that nothing it runs
// (the logging library, the settings, a child program) writes into the real
// home of whoever runs the tests: HOME and the XDG folders point into a fresh
// private folder, removed when the program ends. Tests that need a clean home
// of their own still make one with TempEnv.

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace {

// Plain storage: a std::string here would be destroyed before the removal
// runs (its destructor is registered after this file's constructor).
char g_root[4096] = {};
pid_t g_owner = 0;

void RemovePrivateHome() {
  // Only the program that made it: a forked child that exits leaves it alone.
  if (g_root[0] == '\0' || getpid() != g_owner) return;
  std::error_code ignored;
  std::filesystem::remove_all(g_root, ignored);
}

// Before any other initialisation of the program reads the environment.
[[gnu::constructor(101)]] void MoveIntoPrivateHome() {
  const char* base = std::getenv("TMPDIR");
  std::string pattern = std::string(base != nullptr && base[0] == '/' ? base : "/tmp") + "/vidmora-test-home-XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  if (name.size() > sizeof(g_root) || mkdtemp(name.data()) == nullptr) return;
  std::memcpy(g_root, name.data(), name.size());
  g_owner = getpid();
  const std::pair<const char*, const char*> folders[] = {
      {"HOME", "/home"},           {"XDG_DATA_HOME", "/data"},        {"XDG_CONFIG_HOME", "/config"},
      {"XDG_CACHE_HOME", "/cache"}, {"XDG_RUNTIME_DIR", "/runtime"}, {"XDG_DOCUMENTS_DIR", "/home/Documents"},
  };
  for (const auto& [variable, folder] : folders) {
    const std::string path = std::string(g_root) + folder;
    mkdir(path.c_str(), 0700);
    setenv(variable, path.c_str(), 1);
  }
  std::atexit(RemovePrivateHome);
}

}  // namespace

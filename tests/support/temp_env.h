#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>

namespace vidmora::test {

// A temporary home for one test: HOME, XDG_DATA_HOME, XDG_CONFIG_HOME,
// XDG_CACHE_HOME, XDG_RUNTIME_DIR (mode 0700), XDG_DOCUMENTS_DIR and TMPDIR
// point into a fresh folder, which is removed
// (and the variables restored) when the object goes away. Tests never touch
// the real home.
class TempEnv {
 public:
  TempEnv();
  ~TempEnv();
  TempEnv(const TempEnv&) = delete;
  TempEnv& operator=(const TempEnv&) = delete;

  const std::filesystem::path& Root() const { return root_; }
  std::filesystem::path Home() const { return root_ / "home"; }
  std::filesystem::path DataHome() const { return root_ / "data"; }
  std::filesystem::path ConfigHome() const { return root_ / "config"; }
  std::filesystem::path Documents() const { return root_ / "home" / "Documents"; }
  std::filesystem::path Tmp() const { return root_ / "tmp"; }
  std::filesystem::path CacheHome() const { return root_ / "cache"; }
  std::filesystem::path Runtime() const { return root_ / "runtime"; }
  // A fresh empty folder under the root, for a test's own files.
  std::filesystem::path MakeDir(const std::string& name) const;

 private:
  void Set(const char* name, const std::string& value);

  std::filesystem::path root_;
  std::map<std::string, std::optional<std::string>> saved_;
};

// Writes bytes to a file, creating its folder.
void WriteFile(const std::filesystem::path& path, std::string_view bytes);
// The whole file as bytes; empty when it cannot be read.
std::string ReadFile(const std::filesystem::path& path);

// Folder for pictures that tests write for people to look at (under the build folder).
std::filesystem::path TestOutputDir();

}  // namespace vidmora::test

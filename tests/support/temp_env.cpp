#include "tests/support/temp_env.h"

#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <vector>

namespace vidmora::test {

namespace fs = std::filesystem;

TempEnv::TempEnv() {
  const char* base = std::getenv("TMPDIR");
  std::string pattern = (base && *base ? std::string(base) : std::string("/tmp")) + "/vidmora-test-XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  if (!mkdtemp(buffer.data())) throw std::runtime_error("mkdtemp failed for " + pattern);
  root_ = buffer.data();
  for (const auto& dir : {Home(), DataHome(), ConfigHome(), Documents(), Tmp(), CacheHome(), Runtime()})
    fs::create_directories(dir);
  fs::permissions(Runtime(), fs::perms::owner_all);
  Set("HOME", Home().string());
  Set("XDG_DATA_HOME", DataHome().string());
  Set("XDG_CONFIG_HOME", ConfigHome().string());
  Set("XDG_DOCUMENTS_DIR", Documents().string());
  Set("TMPDIR", Tmp().string());
  Set("XDG_CACHE_HOME", CacheHome().string());
  Set("XDG_RUNTIME_DIR", Runtime().string());
}

TempEnv::~TempEnv() {
  for (const auto& [name, value] : saved_) {
    if (value) setenv(name.c_str(), value->c_str(), 1);
    else unsetenv(name.c_str());
  }
  std::error_code ignored;
  fs::remove_all(root_, ignored);
}

void TempEnv::Set(const char* name, const std::string& value) {
  if (!saved_.count(name)) {
    const char* old = std::getenv(name);
    saved_[name] = old ? std::optional<std::string>(old) : std::nullopt;
  }
  setenv(name, value.c_str(), 1);
}

fs::path TempEnv::MakeDir(const std::string& name) const {
  fs::path dir = root_ / "files" / name;
  fs::create_directories(dir);
  return dir;
}

void WriteFile(const fs::path& path, std::string_view bytes) {
  if (path.has_parent_path()) fs::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

fs::path TestOutputDir() {
  const char* dir = std::getenv("VIDMORA_TEST_OUTPUT");
  fs::path out = dir && *dir ? fs::path(dir) : fs::path(VIDMORA_TEST_OUTPUT_DEFAULT);
  fs::create_directories(out);
  return out;
}

}  // namespace vidmora::test

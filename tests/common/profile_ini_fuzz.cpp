// Fuzzes the INI reader and writer with arbitrary file contents: nothing may
// crash, and a key just written must read back as written.
#include "common/platform/profile_ini.h"

#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace {

// On a memory file system: the writer flushes to disk on every call.
fs::path FuzzFile() {
  const fs::path folder = fs::exists("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
  return folder / ("vidmora-ini-fuzz-" + std::to_string(getpid()) + ".ini");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const fs::path file = FuzzFile();
  {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  const struct {
    std::u16string section, key;
  } names[] = {{u"General", u"template"}, {u"a", u"b"}, {u"STRING", u"101"}};
  for (const auto& name : names) {
    quorvil::GetPrivateProfileString(name.section, name.key, u"default", file);
    quorvil::GetPrivateProfileInt(name.section, name.key, 7, file);
  }
  const auto& chosen = names[size % 3];
  if (!quorvil::WritePrivateProfileString(chosen.section, chosen.key, u"written value", file)) __builtin_trap();
  if (quorvil::GetPrivateProfileString(chosen.section, chosen.key, u"", file) != u"written value") __builtin_trap();
  return 0;
}

#include "shared/io/atomic_file.h"
#include "tests/support/temp_env.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <set>
#include <string>

namespace vidmora {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::TempEnv;
using test::WriteFile;

std::set<std::string> Names(const fs::path& folder) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename().string());
  return names;
}

fs::perms Mode(const fs::path& path) { return fs::symlink_status(path).permissions() & fs::perms::all; }

// What stands at the path decides: a file is replaced whole and keeps its
// mode; a link, followed or not, is never written through; a folder stays.
TEST(AtomicFile, ReplacesRegularFilesOnlyAndLeavesNoTemporary) {
  TempEnv env;
  const fs::path folder = env.MakeDir("files");
  const mode_t umaskBits = umask(022);
  umask(umaskBits);
  const fs::path victim = env.MakeDir("elsewhere") / "victim";
  WriteFile(victim, "victim's");
  struct Case {
    const char* name;
    void (*plant)(const fs::path& at, const fs::path& victim);
    int error;
  };
  const Case cases[] = {
      {"missing", [](const fs::path&, const fs::path&) {}, 0},
      {"private_file", [](const fs::path& at, const fs::path&) {
         WriteFile(at, "old");
         chmod(at.c_str(), 0600);
       }, 0},
      {"link_to_a_file", [](const fs::path& at, const fs::path& v) { fs::create_symlink(v, at); }, ELOOP},
      {"dangling_link", [](const fs::path& at, const fs::path& v) { fs::create_symlink(v.string() + "-new", at); }, ELOOP},
      {"folder", [](const fs::path& at, const fs::path&) { fs::create_directory(at); }, EISDIR},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path path = folder / c.name;
    c.plant(path, victim);
    const fs::file_status before = fs::symlink_status(path);
    const fs::perms mode = Mode(path);
    EXPECT_EQ(ReplaceFileAtomically(path, "new").value(), c.error);
    if (c.error == 0) {
      EXPECT_EQ(ReadFile(path), "new");
      if (fs::exists(before)) {
        EXPECT_EQ(Mode(path), mode);
      } else {
        EXPECT_EQ(Mode(path), fs::perms(0666 & ~umaskBits));
      }
    } else {
      EXPECT_EQ(fs::symlink_status(path).type(), before.type());
    }
  }
  EXPECT_EQ(ReadFile(victim), "victim's");
  EXPECT_FALSE(fs::exists(victim.string() + "-new"));
  EXPECT_EQ(Names(folder), (std::set<std::string>{"missing", "private_file", "link_to_a_file", "dangling_link", "folder"}));
  EXPECT_EQ(ReplaceFileAtomically(folder / "no-such-folder" / "x", "new"), std::errc::no_such_file_or_directory);
}

}  // namespace
}  // namespace vidmora

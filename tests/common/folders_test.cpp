#include "common/platform/folders.h"
#include "common/quorvil.h"
#include "tests/support/temp_env.h"

#include <gtest/gtest.h>

#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;
using vidmora::test::TempEnv;
using vidmora::test::WriteFile;

namespace {

fs::path Path(const std::u16string& text) { return quorvil::TextToPath(text); }

TEST(Folders, AppDataPathIsCreatedUnderDataHome) {
  TempEnv env;
  std::u16string path;
  GetAppDataPath(path, u"Vidmora");
  EXPECT_EQ(Path(path), env.DataHome() / "Vidmora");
  EXPECT_TRUE(fs::is_directory(env.DataHome() / "Vidmora"));
}

TEST(Folders, DataHomeDefaultsToLocalShareAndIsCreated) {
  TempEnv env;
  unsetenv("XDG_DATA_HOME");
  std::u16string path;
  GetAppDataPath(path, u"Vidmora");
  EXPECT_EQ(Path(path), env.Home() / ".local/share/Vidmora");
  EXPECT_TRUE(fs::is_directory(Path(path)));
}

TEST(Folders, NameNeverEscapesTheDataHome) {
  TempEnv env;
  EXPECT_EQ(quorvil::AppDataFolder(u"/etc"), env.DataHome() / "etc");
}

TEST(Folders, ProfileBesideTheProgramWhenTheDataHomeCannotBeMade) {
  TempEnv env;
  WriteFile(env.Root() / "blocked", "a file, not a folder");
  setenv("XDG_DATA_HOME", (env.Root() / "blocked" / "data").c_str(), 1);
  const fs::path profile = quorvil::ProgramFolder() / "Profile";
  const bool existed = fs::exists(profile);
  std::u16string path;
  GetAppDataPath(path, u"Vidmora");
  EXPECT_EQ(Path(path), profile);
  EXPECT_TRUE(fs::is_directory(profile));
  if (!existed) fs::remove(profile);
}

TEST(Folders, DocumentsFromUserDirsFileThenVariableThenHome) {
  TempEnv env;
  std::u16string path;

  // The variable (set by TempEnv) counts when the file has no entry.
  setenv("XDG_DOCUMENTS_DIR", (env.Root() / "docs-by-variable").c_str(), 1);
  GetPersonalFolder(path, u"Vidmora");
  EXPECT_EQ(Path(path), env.Root() / "docs-by-variable/Vidmora");

  WriteFile(env.ConfigHome() / "user-dirs.dirs",
            "# written by xdg-user-dirs-update\nXDG_DESKTOP_DIR=\"$HOME/Desktop\"\n"
            "XDG_DOCUMENTS_DIR=\"$HOME/My \\\"Docs\\\"\"\n");
  GetPersonalFolder(path, u"Vidmora");
  EXPECT_EQ(Path(path), env.Home() / "My \"Docs\"/Vidmora");
  EXPECT_TRUE(fs::is_directory(Path(path)));

  fs::remove(env.ConfigHome() / "user-dirs.dirs");
  unsetenv("XDG_DOCUMENTS_DIR");
  GetPersonalFolder(path, u"Vidmora");
  EXPECT_EQ(Path(path), env.Home() / "Documents/Vidmora");
}

TEST(Folders, AppPathIsTheFolderOfTheExecutable) {
  std::u16string path;
  GetAppPath(path);
  EXPECT_EQ(Path(path), fs::read_symlink("/proc/self/exe").parent_path());
  EXPECT_NE(path.back(), u'/');
}

TEST(Folders, TempFolderFollowsTmpdir) {
  TempEnv env;
  EXPECT_EQ(quorvil::TempFolder(), env.Tmp());
  setenv("TMPDIR", "", 1);
  EXPECT_EQ(quorvil::TempFolder(), fs::path("/tmp"));
}

TEST(Folders, CreateAllDirectoriesMakesThreeLevelsWithTrailingSlash) {
  TempEnv env;
  const fs::path top = env.MakeDir("create");
  CreateAllDirectories(quorvil::PathToText(top / "one/two/three/").c_str());
  EXPECT_TRUE(fs::is_directory(top / "one/two/three"));
  // Existing folders and an empty path are no error.
  CreateAllDirectories(quorvil::PathToText(top / "one/two").c_str());
  CreateAllDirectories(u"");
  CreateAllDirectories(nullptr);
}

}  // namespace

namespace {

fs::perms Mode(const fs::path& path) { return fs::symlink_status(path).permissions() & fs::perms::all; }

// A private folder is this user's own: whatever stands in its place and is
// not a real folder of this user's is refused and left as it was.
TEST(Folders, PrivateFolderIsCreatedOrCheckedNeverTaken) {
  TempEnv env;
  const fs::path elsewhere = env.MakeDir("elsewhere");
  const fs::perms elsewhereMode = Mode(elsewhere);
  struct Case {
    const char* name;
    void (*plant)(const fs::path& at, const fs::path& elsewhere);
    int error;
  };
  const Case cases[] = {
      {"missing", [](const fs::path&, const fs::path&) {}, 0},
      {"own_open_folder", [](const fs::path& at, const fs::path&) {
         fs::create_directory(at);
         fs::permissions(at, fs::perms::all);
       }, 0},
      {"link_to_a_folder", [](const fs::path& at, const fs::path& to) { fs::create_directory_symlink(to, at); }, ENOTDIR},
      {"file", [](const fs::path& at, const fs::path&) { WriteFile(at, "x"); }, ENOTDIR},
      {"another_users_folder", [](const fs::path& at, const fs::path&) {
         fs::create_directory(at);
         fs::permissions(at, fs::perms::all);
         if (geteuid() == 0) {
           EXPECT_EQ(chown(at.c_str(), 65534, 65534), 0);
         }
       }, EPERM},
  };
  for (const Case& c : cases) {
    if (c.error == EPERM && geteuid() != 0) continue;  // only root can give a folder away
    const fs::path folder = env.Root() / "private" / c.name;
    fs::create_directories(folder.parent_path());
    c.plant(folder, elsewhere);
    const fs::perms before = Mode(folder);
    EXPECT_EQ(quorvil::MakePrivateFolder(folder), c.error) << c.name;
    if (c.error == 0) {
      EXPECT_TRUE(fs::is_directory(fs::symlink_status(folder))) << c.name;
      EXPECT_EQ(Mode(folder), fs::perms::owner_all) << c.name;
    } else {
      EXPECT_EQ(Mode(folder), before) << c.name;
    }
  }
  EXPECT_EQ(Mode(elsewhere), elsewhereMode);
  EXPECT_TRUE(fs::is_empty(elsewhere));
}

TEST(Folders, CacheFolderUnderTheCacheHomeElseHomeCache) {
  TempEnv env;
  EXPECT_EQ(quorvil::CacheFolder(u"Vidmora"), env.CacheHome() / "Vidmora");
  EXPECT_EQ(Mode(env.CacheHome() / "Vidmora"), fs::perms::owner_all);
  unsetenv("XDG_CACHE_HOME");
  EXPECT_EQ(quorvil::CacheFolder(u"Vidmora"), env.Home() / ".cache" / "Vidmora");
  EXPECT_EQ(Mode(env.Home() / ".cache" / "Vidmora"), fs::perms::owner_all);
  // A link planted in its place is no cache.
  fs::remove(env.Home() / ".cache" / "Vidmora");
  fs::create_directory_symlink(env.Tmp(), env.Home() / ".cache" / "Vidmora");
  EXPECT_EQ(quorvil::CacheFolder(u"Vidmora"), fs::path());
}

TEST(Folders, ShortLivedFoldersArePrivateAndNew) {
  TempEnv env;
  const fs::path first = quorvil::MakeShortLivedFolder("vidmora-");
  const fs::path second = quorvil::MakeShortLivedFolder("vidmora-");
  EXPECT_EQ(first.parent_path(), env.Runtime());
  EXPECT_NE(first, second);
  EXPECT_EQ(Mode(first), fs::perms::owner_all);
  // Without a runtime folder of this user's: the temporary folder.
  unsetenv("XDG_RUNTIME_DIR");
  const fs::path third = quorvil::MakeShortLivedFolder("vidmora-");
  EXPECT_EQ(third.parent_path(), env.Tmp());
  EXPECT_EQ(Mode(third), fs::perms::owner_all);
  setenv("XDG_RUNTIME_DIR", "relative/run", 1);
  EXPECT_EQ(quorvil::MakeShortLivedFolder("vidmora-").parent_path(), env.Tmp());
}

}  // namespace

namespace {

// Whoever runs the tests keeps their home as it was: every test program
// starts in a private one.
TEST(TestPrograms, NeverRunInTheUsersHome) {
  const passwd* user = getpwuid(getuid());
  ASSERT_NE(user, nullptr);
  const fs::path real = user->pw_dir;
  for (const char* variable : {"HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME"}) {
    const char* value = std::getenv(variable);
    ASSERT_NE(value, nullptr) << variable;
    EXPECT_NE(fs::weakly_canonical(value), fs::weakly_canonical(real)) << variable;
    EXPECT_NE(fs::path(value).parent_path(), real) << variable;
    EXPECT_NE(fs::path(value).parent_path().parent_path(), real) << variable;
  }
}

}  // namespace

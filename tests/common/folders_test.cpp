#include "common/platform/folders.h"
#include "common/quorvil.h"
#include "tests/support/temp_env.h"

#include <gtest/gtest.h>

#include <unistd.h>

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

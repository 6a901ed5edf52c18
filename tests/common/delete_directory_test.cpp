#include "common/platform/folders.h"
#include "common/quorvil.h"
#include "tests/support/temp_env.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cerrno>

namespace fs = std::filesystem;
using quorvil::PathToText;
using vidmora::test::TempEnv;
using vidmora::test::WriteFile;

namespace {

// folder/{a.txt, .hidden, sub/{b.txt, deeper/c.txt}, link -> outside}
fs::path MakeTree(const TempEnv& env, const fs::path& outside) {
  fs::path folder = env.MakeDir("tree");
  WriteFile(folder / "a.txt", "a");
  WriteFile(folder / ".hidden", "h");
  WriteFile(folder / "sub/b.txt", "b");
  WriteFile(folder / "sub/deeper/c.txt", "c");
  fs::create_directory_symlink(outside, folder / "link");
  return folder;
}

TEST(DeleteDirectory, WithoutRecursionKeepsTheSubFolder) {
  TempEnv env;
  const fs::path outside = env.MakeDir("outside");
  WriteFile(outside / "keep.txt", "k");
  const fs::path folder = MakeTree(env, outside);
  EXPECT_EQ(DeleteDirectory(PathToText(folder).c_str(), false), 0);
  EXPECT_TRUE(fs::is_directory(folder));
  EXPECT_FALSE(fs::exists(folder / "a.txt"));
  EXPECT_FALSE(fs::exists(folder / ".hidden"));
  EXPECT_FALSE(fs::exists(fs::symlink_status(folder / "link")));
  EXPECT_TRUE(fs::exists(folder / "sub/deeper/c.txt"));
  EXPECT_TRUE(fs::exists(outside / "keep.txt"));
}

TEST(DeleteDirectory, RecursiveRemovesEverythingButFollowsNoLink) {
  TempEnv env;
  const fs::path outside = env.MakeDir("outside");
  WriteFile(outside / "keep.txt", "k");
  const fs::path folder = MakeTree(env, outside);
  chmod((folder / "sub").c_str(), 0555);  // read-only folders are deleted too
  EXPECT_EQ(DeleteDirectory(PathToText(folder).c_str(), true), 0);
  EXPECT_FALSE(fs::exists(fs::symlink_status(folder)));
  EXPECT_TRUE(fs::exists(outside / "keep.txt"));
}

TEST(DeleteDirectory, MissingFolderIsNothingToDoAndAFileIsAnError) {
  TempEnv env;
  EXPECT_EQ(DeleteDirectory(PathToText(env.Root() / "missing").c_str(), true), 0);
  WriteFile(env.Root() / "file", "x");
  EXPECT_EQ(DeleteDirectory(PathToText(env.Root() / "file").c_str(), true), ENOTDIR);
  EXPECT_TRUE(fs::exists(env.Root() / "file"));
}

}  // namespace

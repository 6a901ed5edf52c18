#include "common/platform/folders.h"
#include "common/quorvil.h"
#include "tests/support/temp_env.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

namespace fs = std::filesystem;
using quorvil::PathToText;
using vidmora::test::TempEnv;
using vidmora::test::WriteFile;

namespace {

TEST(FileExports, IsFileNameLegal) {
  for (const char16_t* legal : {u"clip.final.mp4", u"", u"Ünïcode name (1)"}) EXPECT_TRUE(IsFileNameLegal(legal));
  for (std::u16string_view illegal : {u"what?.mp4", u"a\\b", u"a/b", u"c:", u"<x", u"x>", u"a|b", u"*.mp4", u"\"q\""})
    EXPECT_FALSE(IsFileNameLegal(illegal.data())) << std::string(illegal.begin(), illegal.end());
  EXPECT_TRUE(IsFileNameLegal(nullptr));
}

TEST(FileExports, FileSizeOfFilesAndOfWhatIsNoFile) {
  TempEnv env;
  WriteFile(env.Root() / "five.bin", "12345");
  WriteFile(env.Root() / "empty.bin", "");
  EXPECT_EQ(FileSize(PathToText(env.Root() / "five.bin").c_str()), 5);
  EXPECT_EQ(FileSize(PathToText(env.Root() / "empty.bin").c_str()), 0);
  EXPECT_EQ(FileSize(PathToText(env.Root() / "missing.bin").c_str()), -1);
  EXPECT_EQ(FileSize(PathToText(env.Root()).c_str()), -1);
  EXPECT_EQ(FileSize(nullptr), -1);
}

TEST(FileExports, FileSizeOfAFileHeldOpenForWriting) {
  TempEnv env;
  const fs::path file = env.Root() / "growing.bin";
  WriteFile(file, "1234");
  const int writer = open(file.c_str(), O_WRONLY | O_APPEND);
  ASSERT_GE(writer, 0);
  EXPECT_EQ(FileSize(PathToText(file).c_str()), -1);
  close(writer);
  EXPECT_EQ(FileSize(PathToText(file).c_str()), 4);
  // A reader does not hold it.
  const int reader = open(file.c_str(), O_RDONLY);
  EXPECT_EQ(FileSize(PathToText(file).c_str()), 4);
  close(reader);
}

class TimeZone {
 public:
  explicit TimeZone(const char* zone) {
    if (const char* old = std::getenv("TZ")) saved_ = old;
    setenv("TZ", zone, 1);
  }
  ~TimeZone() {
    if (saved_) setenv("TZ", saved_->c_str(), 1);
    else unsetenv("TZ");
    tzset();
  }

 private:
  std::optional<std::string> saved_;
};

TEST(FileExports, TimeToStringInLocalTime) {
  std::u16string text = u"stale";
  {
    TimeZone utc("UTC");
    time_t2string(0, text);
    EXPECT_EQ(text, u"01/01/1970 00:00:00");
    time_t2string(1700000000, text);
    EXPECT_EQ(text, u"11/14/2023 22:13:20");
  }
  TimeZone ahead("XYZ-2");  // two hours east of UTC
  time_t2string(0, text);
  EXPECT_EQ(text, u"01/01/1970 02:00:00");
}

}  // namespace

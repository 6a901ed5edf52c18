#include "common/platform/profile_ini.h"
#include "tests/support/temp_env.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <thread>

namespace fs = std::filesystem;
using quorvil::GetPrivateProfileInt;
using quorvil::GetPrivateProfileString;
using quorvil::WritePrivateProfileString;
using vidmora::test::ReadFile;
using vidmora::test::TempEnv;
using vidmora::test::WriteFile;

namespace {

constexpr std::string_view kConfig =
    "; settings\r\n"
    "stray=before any section\r\n"
    "[General]\r\n"
    "template = 3\r\n"
    "Name=\"  quoted  \"\r\n"
    "single='x'\r\n"
    "width=12px\r\n"
    "offset= -40\r\n"
    "empty=\r\n"
    "letters=abc\r\n"
    "\r\n"
    "[general]\r\n"
    "template=99\r\n"
    "[Ünïcode Section]\r\n"
    "Ключ=значение\r\n";

TEST(ProfileIni, ReadsWithWindowsRules) {
  TempEnv env;
  const fs::path file = env.Root() / "config.ini";
  WriteFile(file, kConfig);
  struct Case {
    std::u16string section, key, expected;
  } cases[] = {
      {u"General", u"template", u"3"},         // blanks around the name and value
      {u"GENERAL", u"TEMPLATE", u"3"},         // names without case; the first section counts
      {u"General", u"name", u"  quoted  "},    // one pair of quotes dropped, inner blanks kept
      {u"General", u"single", u"x"},
      {u"General", u"empty", u""},
      {u"ünïcode section", u"ключ", u"значение"},
      {u"General", u"stray", u"default"},      // lines before the first section belong to none
      {u"General", u"missing", u"default"},
      {u"Missing", u"template", u"default"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.key.begin(), c.key.end()));
    EXPECT_EQ(GetPrivateProfileString(c.section, c.key, u"default", file), c.expected);
  }
  EXPECT_EQ(GetPrivateProfileString(u"General", u"template", u"default", env.Root() / "none.ini"), u"default");
}

TEST(ProfileIni, IntegersTakeTheLeadingDigits) {
  TempEnv env;
  const fs::path file = env.Root() / "config.ini";
  WriteFile(file, kConfig);
  EXPECT_EQ(GetPrivateProfileInt(u"General", u"template", 7, file), 3);
  EXPECT_EQ(GetPrivateProfileInt(u"General", u"width", 7, file), 12);
  EXPECT_EQ(GetPrivateProfileInt(u"General", u"offset", 7, file), -40);
  EXPECT_EQ(GetPrivateProfileInt(u"General", u"letters", 7, file), 0);
  EXPECT_EQ(GetPrivateProfileInt(u"General", u"empty", 7, file), 7);
  EXPECT_EQ(GetPrivateProfileInt(u"General", u"missing", 7, file), 7);
  EXPECT_EQ(GetPrivateProfileInt(u"General", u"template", 7, env.Root() / "none.ini"), 7);
}

TEST(ProfileIni, WriteChangesOnlyTheKeyLine) {
  TempEnv env;
  const fs::path file = env.Root() / "config.ini";
  WriteFile(file, kConfig);
  ASSERT_TRUE(WritePrivateProfileString(u"GENERAL", u"Template", u"5", file));
  std::string expected(kConfig);
  expected.replace(expected.find("template = 3"), 12, "template=5");
  EXPECT_EQ(ReadFile(file), expected);
}

TEST(ProfileIni, WriteAddsKeyAtTheEndOfItsSectionAndNewSectionsAtTheEnd) {
  TempEnv env;
  const fs::path file = env.Root() / "config.ini";
  WriteFile(file, "[A]\nx=1\n\n[B]\ny=2");  // LF line breaks, no break at the end
  ASSERT_TRUE(WritePrivateProfileString(u"a", u"z", u"3", file));
  ASSERT_TRUE(WritePrivateProfileString(u"B", u"w", u"4", file));
  ASSERT_TRUE(WritePrivateProfileString(u"C", u"v", u"5", file));
  EXPECT_EQ(ReadFile(file), "[A]\nx=1\nz=3\n\n[B]\ny=2\nw=4\n[C]\nv=5\n");
}

TEST(ProfileIni, WriteAfterALastLineEndingInALoneCarriageReturn) {
  TempEnv env;
  const fs::path file = env.Root() / "config.ini";
  WriteFile(file, "[A]\nx=1\r");
  EXPECT_EQ(GetPrivateProfileString(u"A", u"x", u"", file), u"1");
  ASSERT_TRUE(WritePrivateProfileString(u"A", u"z", u"3", file));
  EXPECT_EQ(GetPrivateProfileString(u"A", u"z", u"", file), u"3");
  EXPECT_EQ(GetPrivateProfileString(u"A", u"x", u"", file), u"1");

  // A section line ended so is the section, for the reader and the writer alike.
  WriteFile(file, "[a\r");
  ASSERT_TRUE(WritePrivateProfileString(u"a", u"b", u"written", file));
  EXPECT_EQ(GetPrivateProfileString(u"a", u"b", u"", file), u"written");
}

TEST(ProfileIni, WriteCreatesTheFileAndReadsBack) {
  TempEnv env;
  const fs::path folder = env.MakeDir("new");
  const fs::path file = folder / "config.ini";
  ASSERT_TRUE(WritePrivateProfileString(u"General", u"template", u"0", file));
  EXPECT_EQ(ReadFile(file), "[General]\ntemplate=0\n");
  EXPECT_EQ(GetPrivateProfileInt(u"general", u"TEMPLATE", 9, file), 0);
  EXPECT_EQ(fs::status(file).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::others_read);
  // Nothing but the file is left in the folder (no temporary file).
  EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
}

TEST(ProfileIni, WriteRefusesTextsThatWouldChangeTheStructure) {
  TempEnv env;
  const fs::path file = env.Root() / "config.ini";
  WriteFile(file, kConfig);
  EXPECT_FALSE(WritePrivateProfileString(u"General", u"template", u"1\r\n[Evil]\r\nx=1", file));
  EXPECT_FALSE(WritePrivateProfileString(u"General]", u"template", u"1", file));
  EXPECT_FALSE(WritePrivateProfileString(u"General", u"a=b", u"1", file));
  EXPECT_FALSE(WritePrivateProfileString(u"General", u"  ", u"1", file));
  EXPECT_FALSE(WritePrivateProfileString(u"General", u"[x", u"1", file));
  EXPECT_EQ(ReadFile(file), kConfig);
}

TEST(ProfileIni, WriteKeepsPermissionsAndRefusesSymbolicLinks) {
  TempEnv env;
  const fs::path real = env.Root() / "real.ini";
  const fs::path link = env.Root() / "link.ini";
  WriteFile(real, "[S]\nk=1\n");
  chmod(real.c_str(), 0600);
  fs::create_symlink(real, link);
  EXPECT_FALSE(WritePrivateProfileString(u"S", u"k", u"2", link));
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(ReadFile(real), "[S]\nk=1\n");
  ASSERT_TRUE(WritePrivateProfileString(u"S", u"k", u"2", real));
  EXPECT_EQ(ReadFile(real), "[S]\nk=2\n");
  EXPECT_EQ(fs::status(real).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
}

TEST(ProfileIni, Utf16FilesStayUtf16) {
  TempEnv env;
  const fs::path file = env.Root() / "lang.ini";
  const std::u16string text = u"[STRING]\r\n101=Über\r\n";
  std::string bytes = "\xFF\xFE";
  for (char16_t c : text) bytes += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
  WriteFile(file, bytes);
  EXPECT_EQ(GetPrivateProfileString(u"string", u"101", u"", file), u"Über");
  ASSERT_TRUE(WritePrivateProfileString(u"STRING", u"102", u"ß", file));
  std::string expected = "\xFF\xFE";
  for (char16_t c : std::u16string(u"[STRING]\r\n101=Über\r\n102=ß\r\n"))
    expected += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
  EXPECT_EQ(ReadFile(file), expected);
}

TEST(ProfileIni, ThreadsWritingOneFileLoseNoKey) {
  TempEnv env;
  const fs::path file = env.Root() / "config.ini";
  constexpr int kKeys = 40;
  auto writer = [&](char16_t prefix) {
    for (int i = 0; i < kKeys; ++i) {
      std::u16string key(1, prefix);
      for (char c : std::to_string(i)) key += static_cast<char16_t>(c);
      ASSERT_TRUE(WritePrivateProfileString(u"General", key, u"1", file));
    }
  };
  std::thread first(writer, u'a'), second(writer, u'b');
  first.join();
  second.join();
  for (char16_t prefix : {u'a', u'b'})
    for (int i = 0; i < kKeys; ++i) {
      std::u16string key(1, prefix);
      for (char c : std::to_string(i)) key += static_cast<char16_t>(c);
      EXPECT_EQ(GetPrivateProfileInt(u"General", key, 0, file), 1);
    }
}

}  // namespace

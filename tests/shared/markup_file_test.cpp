// Loading and saving MarkupDoc files: encodings, byte-order marks, file
// events, and saves that never leave a damaged file.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "shared/markup/markup_doc.h"
#include "tests/shared/markup_test_util.h"
#include "tests/support/temp_env.h"

namespace vidmora {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::U8;
using test::WriteFile;

std::u16string P(const fs::path& path) { return FromUtf8(path.string()); }

std::string Message(const MarkupDoc& doc) { return U8(MarkupDoc::ResultMessage(doc.GetResult())); }

std::u16string RootData(MarkupDoc& doc) {
  doc.ResetPos();
  doc.FindElem();
  return doc.GetData();
}

std::string Utf16(std::u16string_view text, bool bigEndian) {
  std::string bytes;
  for (char16_t c : text) {
    const char low = static_cast<char>(c & 0xFF);
    const char high = static_cast<char>(c >> 8);
    bytes += bigEndian ? high : low;
    bytes += bigEndian ? low : high;
  }
  return bytes;
}

TEST(MarkupFile, EncodingsLoadAndSaveBackByteForByte) {
  test::TempEnv env;
  const std::u16string data = u"caf\u00E9 \u20AC \u4E2D\U0001F600";
  const std::string utf8Doc = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<r>" + U8(data) + "</r>\r\n";
  const std::u16string wideDoc = u"<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n<r>" + data + u"</r>\r\n";
  struct Case {
    std::string name;
    std::string bytes;
    int flags;
    std::string message;
  };
  const Case cases[] = {
      {"utf8", utf8Doc, 0, "UTF-8 length 66 to UTF-16 length 59"},
      {"utf8-bom", "\xEF\xBB\xBF" + utf8Doc, MarkupDoc::kDocUtf8Preamble, "BOM + UTF-8 length 66 to UTF-16 length 59"},
      {"utf16le", "\xFF\xFE" + Utf16(wideDoc, false), MarkupDoc::kDocUtf16LeFile, "BOM + UTF-16LE length 60"},
      {"utf16be", "\xFE\xFF" + Utf16(wideDoc, true), MarkupDoc::kDocUtf16BeFile,
       "BOM + UTF-16BE length 60 endian swap"},
  };
  for (const Case& c : cases) {
    const fs::path path = env.Root() / (c.name + ".xml");
    WriteFile(path, c.bytes);
    MarkupDoc doc;
    ASSERT_TRUE(doc.Load(P(path))) << c.name << ": " << Message(doc);
    EXPECT_EQ(doc.GetDocFlags(), c.flags) << c.name;
    EXPECT_EQ(Message(doc), c.message) << c.name;
    EXPECT_EQ(RootData(doc), data) << c.name;
    const fs::path copy = env.Root() / (c.name + "-copy.xml");
    ASSERT_TRUE(doc.Save(P(copy))) << c.name << ": " << Message(doc);
    EXPECT_EQ(ReadFile(copy), c.bytes) << c.name;
  }
}

TEST(MarkupFile, DeclaredWindows1252FileRoundTrips) {
  test::TempEnv env;
  const std::string bytes =
      "<?xml version=\"1.0\" encoding=\"windows-1252\"?>\r\n<r>caf\xE9 \x80 \x93quoted\x94</r>\r\n";
  const fs::path path = env.Root() / "ansi.xml";
  WriteFile(path, bytes);
  MarkupDoc doc;
  ASSERT_TRUE(doc.Load(P(path))) << Message(doc);
  EXPECT_EQ(Message(doc), "windows-1252 length 71 to UTF-16 length 71");
  EXPECT_EQ(RootData(doc), u"caf\u00E9 \u20AC \u201Cquoted\u201D");
  ASSERT_TRUE(doc.Save(P(path)));
  EXPECT_EQ(ReadFile(path), bytes);
  // A character the code page lacks is written as a reference and reads back.
  doc.ResetPos();
  doc.FindElem();
  doc.SetData(u"\u00E9\u4E2D");
  ASSERT_TRUE(doc.Save(P(path)));
  EXPECT_EQ(ReadFile(path), "<?xml version=\"1.0\" encoding=\"windows-1252\"?>\r\n<r>\xE9&#20013;</r>\r\n");
  MarkupDoc again;
  ASSERT_TRUE(again.Load(P(path)));
  EXPECT_EQ(RootData(again), u"\u00E9\u4E2D");
}

TEST(MarkupFile, DetectionNullsAndDeclaredCharsets) {
  test::TempEnv env;
  struct Case {
    std::string name;
    std::string bytes;
    std::u16string data;
    std::string message;
  };
  const Case cases[] = {
      {"detected", "\r\n<r>\xC3\xA9</r>", u"\u00E9", "UTF-8 length 11 (used UTF-8 detection) to UTF-16 length 10"},
      {"not-utf8", "\r\n<r>\xE9</r>", u"\uFFFD",
       "length 10 (used UTF-8 detection) to UTF-16 length 10 (chars lost in conversion!)"},
      {"nulls", std::string("<r>a\0b\0</r>", 11), u"ab", "UTF-8 length 11 removed 2 nulls to UTF-16 length 9"},
      {"html",
       "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1251\"/></head>"
       "<body>\xC0</body></html>",
       u"", "windows-1251 length 115 to UTF-16 length 115"},
      {"odd-utf16", std::string("\xFF\xFE<\0r\0/\0>\0x", 11), u"", "BOM + UTF-16LE length 4 encoding UTF-16LE adjustment error"},
  };
  for (const Case& c : cases) {
    const fs::path path = env.Root() / (c.name + ".xml");
    WriteFile(path, c.bytes);
    MarkupDoc doc;
    EXPECT_TRUE(doc.Load(P(path))) << c.name << ": " << Message(doc);
    EXPECT_EQ(Message(doc), c.message) << c.name;
    if (!c.data.empty()) {
      EXPECT_EQ(RootData(doc), c.data) << c.name;
    }
  }
  MarkupDoc html;
  html.Load(P(env.Root() / "html.xml"));
  html.FindElem();
  html.IntoElem();
  html.FindElem(u"body");
  EXPECT_EQ(html.GetData(), u"\u0410");
}

TEST(MarkupFile, MissingFileFailsAndKeepsTheDocument) {
  test::TempEnv env;
  MarkupDoc doc(u"<keep/>");
  EXPECT_FALSE(doc.Load(P(env.Root() / "absent.xml")));
  EXPECT_EQ(Message(doc), "No such file or directory");
  EXPECT_EQ(doc.GetDoc(), u"<keep/>");
  EXPECT_TRUE(doc.FindElem(u"keep"));
  // Two top-level elements load but are not well-formed.
  WriteFile(env.Root() / "two.xml", "<a/><b/>");
  EXPECT_FALSE(doc.Load(P(env.Root() / "two.xml")));
  EXPECT_EQ(Message(doc), "UTF-8 length 8 to UTF-16 length 8 root element has sibling");
}

TEST(MarkupFile, SetDocTextIsSavedWithoutMarkAndWithoutLeftovers) {
  test::TempEnv env;
  const fs::path folder = env.MakeDir("save");
  const fs::path path = folder / "t.xml";
  WriteFile(path, "old");
  ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
  MarkupDoc doc(u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<r>\u00E9</r>\r\n");
  ASSERT_TRUE(doc.Save(P(path)));
  EXPECT_EQ(ReadFile(path), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<r>\xC3\xA9</r>\r\n");
  EXPECT_EQ(Message(doc), "UTF-16 length 50 to UTF-8 length 51");
  EXPECT_EQ(fs::status(path).permissions() & fs::perms::all, fs::perms(0640));
  int files = 0;
  for (const auto& entry : fs::directory_iterator(folder)) files += entry.is_regular_file() ? 1 : 0;
  EXPECT_EQ(files, 1);
}

TEST(MarkupFile, FailedSaveLeavesTheTargetAndNoTemporaryFile) {
  test::TempEnv env;
  const fs::path folder = env.MakeDir("fail");
  MarkupDoc doc(u"<r/>");
  // The target is a folder: the new file is written, then cannot replace it.
  fs::create_directories(folder / "target.xml" / "inside");
  EXPECT_FALSE(doc.Save(P(folder / "target.xml")));
  EXPECT_FALSE(Message(doc).empty());
  EXPECT_TRUE(fs::is_directory(folder / "target.xml" / "inside"));
  int entries = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator(folder)) ++entries;
  EXPECT_EQ(entries, 1);
  // A parent that is not a folder.
  WriteFile(folder / "file", "x");
  EXPECT_FALSE(doc.Save(P(folder / "file" / "t.xml")));
  EXPECT_EQ(Message(doc), "UTF-16 length 4 to UTF-8 length 4 Not a directory");
  // An encoding that cannot be written here: the old file stays.
  const fs::path mac = folder / "mac.xml";
  WriteFile(mac, "keep me");
  MarkupDoc macDoc(u"<?xml version=\"1.0\" encoding=\"x-mac-arabic\"?><r/>");
  EXPECT_FALSE(macDoc.Save(P(mac)));
  EXPECT_EQ(ReadFile(mac), "keep me");
  EXPECT_NE(Message(macDoc).find("cannot write encoding x-mac-arabic"), std::string::npos);
}

}  // namespace
}  // namespace vidmora

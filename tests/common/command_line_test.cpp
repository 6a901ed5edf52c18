#include "common/platform/command_line.h"

#include <gtest/gtest.h>

namespace {

TEST(CommandLine, SplitsLikeWindowsPrograms) {
  struct Case {
    std::u16string text;
    std::vector<std::u16string> arguments;
  } cases[] = {
      {u"", {}},
      {u"  \t ", {}},
      {u"\"Vidmora\" \"My Template\" \"/v/a b.mp4\" 320 240",
       {u"Vidmora", u"My Template", u"/v/a b.mp4", u"320", u"240"}},
      {u"a\"b c\"d", {u"ab cd"}},                // quotes join parts of one argument
      {u"\"\" x", {u"", u"x"}},                  // an empty quoted argument is kept
      {u"\"say \"\"hi\"\"\"", {u"say \"hi\""}},  // "" inside quotes is one quote
      {u"a\\\\b \\\"x\\\" c\\\\\\\"d", {u"a\\\\b", u"\"x\"", u"c\\\"d"}},
      {u"\"end\\\\\" next", {u"end\\", u"next"}},
      {u"\"unterminated arg", {u"unterminated arg"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.text.begin(), c.text.end()));
    EXPECT_EQ(quorvil::SplitCommandLine(c.text), c.arguments);
  }
}

}  // namespace

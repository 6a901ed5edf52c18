// Tokens in layer texts: splitting, expansion with escapes and unknown names,
// and the timecode of a frame (drop-frame at 29.97 and 59.94).

#include <gtest/gtest.h>

#include "shared/template/text_tokens.h"
#include "shared/text/utf.h"

#include <string>

namespace vidmora {
namespace {

std::string U8(const std::u16string& text) { return ToUtf8(text); }

TEST(TextTokens, ExpandsKnownKeepsUnknownAndResolvesEscapes) {
  const TokenValues values = {{u"file", u"clip"}, {u"recipient.Company", u"Acme {West}"}, {u"index", u"3"}};
  struct Case {
    std::u16string text;
    std::string expected;
    std::string unknown;  // the first unknown token, as typed
  };
  const Case cases[] = {
      {u"{file} #{index}", "clip #3", ""},
      {u"{{file}} {{{file}}}", "{file} {clip}", ""},
      {u"}} { file } {} {", "} { file } {} {", ""},
      {u"{recipient.Company}", "Acme {West}", ""},
      {u"{nosuch} and {nosuch} {file}", "{nosuch} and {nosuch} clip", "{nosuch}"},
      {u"at {timecode}", "at {timecode}", ""},
      {u"{recipient}", "{recipient}", "{recipient}"},
  };
  for (const Case& c : cases) {
    const TokenExpansion out = ExpandTokens(c.text, values);
    EXPECT_EQ(U8(out.text), c.expected) << U8(c.text);
    EXPECT_EQ(out.unknown.empty() ? "" : U8(out.unknown.front()), c.unknown) << U8(c.text);
  }
  EXPECT_EQ(ExpandTokens(u"{nosuch} and {nosuch}", values).unknown.size(), 1u);
  EXPECT_TRUE(ExpandTokens(u"{frame}", values).hasFrameTokens);
  EXPECT_FALSE(ExpandTokens(u"{{frame}}", values).hasFrameTokens);
}

// A pattern is expanded again per frame: its literal braces (from escapes,
// values and unknown tokens) must not turn into tokens then.
TEST(TextTokens, PatternKeepsLiteralBracesLiteral) {
  const TokenValues values = {{u"file", u"a{frame}b"}};
  const TokenExpansion pattern = ExpandTokens(u"{file} {{seconds}} {odd} {frame}", values, ExpandedAs::kPattern);
  EXPECT_TRUE(pattern.hasFrameTokens);
  const TokenExpansion frame = ExpandTokens(pattern.text, FrameTokenValues(41, {25, 1}, 1.64, 0));
  EXPECT_EQ(U8(frame.text), "a{frame}b {seconds} {odd} 42");
  EXPECT_TRUE(frame.unknown.empty());
}

TEST(TextTokens, TimecodesCountDropFramesAtNtscRates) {
  const FrameRate ntsc{30000, 1001}, ntsc60{60000, 1001}, pal{25, 1}, film{24000, 1001};
  struct Case {
    FrameRate rate;
    int64_t frames;
    std::string timecode;
  };
  const Case cases[] = {
      {pal, 0, "00:00:00:00"},
      {pal, 25 * 3600 + 24, "01:00:00:24"},
      {film, int64_t{24} * 60, "00:01:00:00"},  // 23.976 counts 24 a second, nothing dropped
      {ntsc, 1799, "00:00:59;29"},
      {ntsc, 1800, "00:01:00;02"},   // ;00 and ;01 skipped
      {ntsc, 17982, "00:10:00;00"},  // not at every tenth minute
      {ntsc, 17982 + 1800, "00:11:00;02"},
      {ntsc60, 3600, "00:01:00;04"},
      {pal, int64_t{25} * 86400, "00:00:00:00"},  // hours wrap
  };
  for (const Case& c : cases) {
    EXPECT_EQ(U8(FormatTimecode(c.frames, c.rate)), c.timecode) << c.frames;
    if (c.frames < int64_t{25} * 86400) {
      EXPECT_EQ(ParseTimecode(c.timecode, c.rate), c.frames) << c.timecode;
    }
  }
  EXPECT_EQ(ParseTimecode("10:00:00;00", ntsc), 1078920);
  EXPECT_EQ(ParseTimecode("10:00:00:00", ntsc), 1078920);  // a drop-frame rate counts so either way
  for (const char* bad : {"", "10:00:00", "10:00:00:30", "10:60:00:00", "1a:00:00:00", "10:00:00:00 "})
    EXPECT_FALSE(ParseTimecode(bad, ntsc)) << bad;
}

TEST(TextTokens, FrameValuesCountFromOneAndFromTheSourceTimecode) {
  const FrameRate ntsc{30000, 1001};
  const TokenValues first = FrameTokenValues(0, ntsc, 0.0, *ParseTimecode("10:00:00;00", ntsc));
  EXPECT_EQ(U8(first.at(u"timecode")), "10:00:00;00");
  EXPECT_EQ(U8(first.at(u"frame")), "1");
  EXPECT_EQ(U8(first.at(u"seconds")), "0.0");
  const TokenValues later = FrameTokenValues(1800, ntsc, 60.06, *ParseTimecode("10:00:00;00", ntsc));
  EXPECT_EQ(U8(later.at(u"timecode")), "10:01:00;02");
  EXPECT_EQ(U8(later.at(u"frame")), "1801");
  EXPECT_EQ(U8(later.at(u"seconds")), "60.1");
}

}  // namespace
}  // namespace vidmora

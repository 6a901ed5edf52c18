// UTF-8 / UTF-16 conversions and the C runtime's number conversions that the
// file formats were written for.
#include "shared/text/utf.h"
#include "shared/text/wide_number.h"

#include <gtest/gtest.h>

#include <string>

namespace vidmora {
namespace {

TEST(Utf, ConvertsEveryKindOfSequenceBothWays) {
  struct Case {
    std::string utf8;
    std::u16string utf16;
  };
  const Case cases[] = {
      {"", u""},
      {"plain ascii longer than eight bytes", u"plain ascii longer than eight bytes"},
      {"caf\xC3\xA9 \xE2\x82\xAC", u"café €"},
      {"\xF0\x9F\x8E\xAC clip", u"\U0001F3AC clip"},            // a surrogate pair
      {"12345678\xC3\xA9" "12345678", u"12345678é12345678"},   // a non-ASCII byte right after an 8-byte run
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.utf8);
    EXPECT_EQ(FromUtf8(c.utf8), c.utf16);
    EXPECT_EQ(ToUtf8(c.utf16), c.utf8);
    EXPECT_TRUE(IsValidUtf8(c.utf8));
  }
}

TEST(Utf, InvalidInputBecomesReplacementCharacters) {
  struct Case {
    std::string utf8;
    std::u16string utf16;
  };
  const Case cases[] = {
      {"a\xFFz", u"a\uFFFDz"},                    // a byte that starts nothing
      {"a\xC3", u"a\uFFFD"},                      // cut short at the end
      {"\xC0\xAF", u"\uFFFD\uFFFD"},              // an overlong form
      {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},    // an encoded surrogate
      {"abcdefgh\x80", u"abcdefgh\uFFFD"},        // a lone continuation byte after a run
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.utf8);
    EXPECT_EQ(FromUtf8(c.utf8), c.utf16);
    EXPECT_FALSE(IsValidUtf8(c.utf8));
  }
  EXPECT_EQ(ToUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");  // a lone surrogate
}

TEST(WideNumbers, ReadLikeTheCRuntime) {
  EXPECT_EQ(WideToInt(u"  -42px"), -42);
  EXPECT_EQ(WideToInt(u"+7"), 7);
  EXPECT_EQ(WideToInt(u"px"), 0);
  EXPECT_EQ(WideToInt(u"99999999999"), INT32_MAX);
  EXPECT_EQ(WideToInt(u"-99999999999"), INT32_MIN);
  EXPECT_EQ(WideToUnsigned(u"4294967295"), 4294967295u);
  EXPECT_EQ(WideToUnsigned(u"4294967296"), 4294967295u);
  EXPECT_EQ(WideToUnsigned(u"-1"), 4294967295u);
  EXPECT_EQ(WideToUnsigned(u" 734110"), 734110u);
}

TEST(WideNumbers, ReadDecimalsLikeWtof) {
  struct Case {
    std::u16string text;
    double value;
  } cases[] = {
      {u"22050", 22050}, {u"  +2.5e3px", 2500}, {u"-0.5", -0.5}, {u".25", 0.25}, {u"7.", 7},
      {u"", 0},          {u"abc", 0},           {u"--1", 0},     {u"1e999", 0},  {u"\u0663", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(ToUtf8(c.text));
    EXPECT_DOUBLE_EQ(WideToDouble(c.text), c.value);
  }
}

}  // namespace
}  // namespace vidmora

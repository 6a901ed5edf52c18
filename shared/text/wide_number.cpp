#include "shared/text/wide_number.h"

#include <charconv>
#include <limits>
#include <string>
#include <system_error>

namespace vidmora {

namespace {

bool IsBlank(char16_t c) { return c == u' ' || (c >= u'\t' && c <= u'\r'); }
bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

// Skips blanks and a sign; returns true for a minus.
bool SkipBlanksAndSign(std::u16string_view text, size_t& i) {
  while (i < text.size() && IsBlank(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
  return negative;
}

}  // namespace

int32_t WideToInt(std::u16string_view text) {
  size_t i = 0;
  const bool negative = SkipBlanksAndSign(text, i);
  int64_t value = 0;
  for (; i < text.size() && IsDigit(text[i]); ++i) {
    value = value * 10 + (text[i] - u'0');
    if (value > int64_t{std::numeric_limits<int32_t>::max()} + 1) break;
  }
  if (negative) value = -value;
  if (value > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  if (value < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(value);
}

uint32_t WideToUnsigned(std::u16string_view text) {
  size_t i = 0;
  const bool negative = SkipBlanksAndSign(text, i);
  uint64_t value = 0;
  for (; i < text.size() && IsDigit(text[i]); ++i) {
    value = value * 10 + static_cast<uint64_t>(text[i] - u'0');
    if (value > std::numeric_limits<uint32_t>::max()) return std::numeric_limits<uint32_t>::max();
  }
  const auto result = static_cast<uint32_t>(value);
  return negative ? static_cast<uint32_t>(0u - result) : result;
}

double WideToDouble(std::u16string_view text) {
  size_t i = 0;
  const bool negative = SkipBlanksAndSign(text, i);
  // from_chars reads only ASCII and knows no locale, which is what we want.
  std::string ascii;
  for (; i < text.size() && text[i] < 0x80; ++i) ascii += static_cast<char>(text[i]);
  if (ascii.empty() || ascii.front() == '+' || ascii.front() == '-') return 0;
  double value = 0;
  const auto [end, error] = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value);
  if (error != std::errc()) return 0;
  return negative ? -value : value;
}

}  // namespace vidmora

#include "shared/markup/markup_text.h"

#include "shared/markup/named_references.h"

namespace vidmora {

namespace {

// The value of a reference body (the text between "&" and ";"), or 0.
char32_t ReferenceValue(std::u16string_view body) {
  if (body.size() >= 2 && body[0] == u'#') {
    const bool hex = AsciiLower(body[1]) == u'x';
    const std::u16string_view digits = body.substr(hex ? 2 : 1);
    if (digits.empty()) return 0;
    char32_t value = 0;
    for (char16_t c : digits) {
      int digit = -1;
      if (c >= u'0' && c <= u'9') {
        digit = c - u'0';
      } else if (hex && AsciiLower(c) >= u'a' && AsciiLower(c) <= u'f') {
        digit = AsciiLower(c) - u'a' + 10;
      }
      if (digit < 0) return 0;
      value = value * (hex ? 16 : 10) + static_cast<char32_t>(digit);
      if (value > 0x10FFFF) return 0;
    }
    return value;
  }
  return LookUpNamedReference(body);
}

}  // namespace

bool EqualsIgnoreCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

void AppendUnescaped(std::u16string& out, std::u16string_view text) {
  size_t i = 0;
  while (i < text.size()) {
    const size_t amp = text.find(u'&', i);
    if (amp == std::u16string_view::npos) {
      out.append(text.substr(i));
      return;
    }
    out.append(text.substr(i, amp - i));
    char32_t value = 0;
    size_t semicolon = amp + 1;
    while (semicolon < text.size() && semicolon <= amp + 9 && text[semicolon] != u';') ++semicolon;
    if (semicolon < text.size() && text[semicolon] == u';') {
      value = ReferenceValue(text.substr(amp + 1, semicolon - amp - 1));
    }
    if (value == 0) {
      out += u'&';
      i = amp + 1;
      continue;
    }
    if (value >= 0x10000) {
      value -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (value >> 10));
      out += static_cast<char16_t>(0xDC00 + (value & 0x3FF));
    } else {
      out += static_cast<char16_t>(value);
    }
    i = semicolon + 1;
  }
}

}  // namespace vidmora

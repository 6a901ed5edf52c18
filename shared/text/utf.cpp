#include "shared/text/utf.h"

#include <cstdint>
#include <cstring>

namespace vidmora {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// Decodes one UTF-8 sequence at `i`; advances `i` past it (or past one byte
// when the sequence is invalid) and returns the code point or U+FFFD.
char32_t DecodeUtf8(std::string_view bytes, size_t& i, bool& valid) {
  const auto byte = [&](size_t k) { return static_cast<uint8_t>(bytes[k]); };
  const uint8_t lead = byte(i);
  valid = true;
  if (lead < 0x80) {
    ++i;
    return lead;
  }
  int length = 0;
  char32_t c = 0;
  char32_t minimum = 0;
  if ((lead & 0xE0) == 0xC0) {
    length = 2, c = lead & 0x1F, minimum = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3, c = lead & 0x0F, minimum = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4, c = lead & 0x07, minimum = 0x10000;
  }
  if (length == 0 || i + length > bytes.size()) {
    ++i;
    valid = false;
    return kReplacement;
  }
  for (int k = 1; k < length; ++k) {
    const uint8_t next = byte(i + k);
    if ((next & 0xC0) != 0x80) {
      ++i;
      valid = false;
      return kReplacement;
    }
    c = (c << 6) | (next & 0x3F);
  }
  if (c < minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
    ++i;
    valid = false;
    return kReplacement;
  }
  i += length;
  return c;
}

// Length of the run of ASCII bytes at the start of `bytes`, read eight at a
// time: most text of the program's files is ASCII.
size_t AsciiPrefix(std::string_view bytes) {
  size_t i = 0;
  for (; i + 8 <= bytes.size(); i += 8) {
    uint64_t word;
    std::memcpy(&word, bytes.data() + i, 8);
    if (word & 0x8080808080808080ull) break;
  }
  while (i < bytes.size() && static_cast<uint8_t>(bytes[i]) < 0x80) ++i;
  return i;
}

}  // namespace

std::string ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = kReplacement;  // a lone surrogate has no UTF-8 form
    }
    AppendUtf8(out, c);
  }
  return out;
}

std::u16string FromUtf8(std::string_view bytes) {
  // No byte sequence gives more UTF-16 units than it has bytes.
  std::u16string out(bytes.size(), u'\0');
  char16_t* next = out.data();
  bool valid = true;
  for (size_t i = 0; i < bytes.size();) {
    const size_t ascii = AsciiPrefix(bytes.substr(i));
    for (size_t end = i + ascii; i < end; ++i) *next++ = static_cast<uint8_t>(bytes[i]);
    if (i == bytes.size()) break;
    char32_t c = DecodeUtf8(bytes, i, valid);
    if (c < 0x10000) {
      *next++ = static_cast<char16_t>(c);
    } else {
      c -= 0x10000;
      *next++ = static_cast<char16_t>(0xD800 | (c >> 10));
      *next++ = static_cast<char16_t>(0xDC00 | (c & 0x3FF));
    }
  }
  out.resize(static_cast<size_t>(next - out.data()));
  return out;
}

bool IsValidUtf8(std::string_view bytes) {
  bool valid = true;
  for (size_t i = 0; i < bytes.size() && valid;) {
    i += AsciiPrefix(bytes.substr(i));
    if (i < bytes.size()) DecodeUtf8(bytes, i, valid);
  }
  return valid;
}

}  // namespace vidmora

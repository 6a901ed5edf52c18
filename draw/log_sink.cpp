#include "draw/log_sink.h"

#include "shared/text/utf.h"

#include <cstdio>
#include <string_view>

namespace glyphra {
namespace {

// Length of bytes without a multi-byte sequence that the cut left unfinished.
size_t WithoutCutSequence(std::string_view bytes) {
  size_t lead = bytes.size();
  // A sequence is at most 4 bytes: look back over up to 3 continuation bytes.
  for (size_t back = 1; back <= 4 && back <= bytes.size(); ++back) {
    const auto byte = static_cast<unsigned char>(bytes[bytes.size() - back]);
    if ((byte & 0xC0) != 0x80) {
      lead = bytes.size() - back;
      break;
    }
  }
  if (lead == bytes.size()) return bytes.size();
  const auto byte = static_cast<unsigned char>(bytes[lead]);
  const size_t expected = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
  return bytes.size() - lead < expected ? lead : bytes.size();
}

}  // namespace

std::u16string FormatLogMessage(const char* format, va_list args) {
  char buffer[kLogBufferBytes] = {};
  const int wanted = format ? std::vsnprintf(buffer, sizeof buffer, format, args) : 0;
  std::string_view bytes(buffer);
  if (wanted >= static_cast<int>(sizeof buffer)) bytes = bytes.substr(0, WithoutCutSequence(bytes));
  return vidmora::FromUtf8(bytes);
}

}  // namespace glyphra

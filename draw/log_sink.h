#pragma once

// The text of a va_logx message: printf-formatted into 512 zeroed bytes, so a
// longer message is cut to 511 bytes. The bytes are the locale's text (UTF-8);
// a character cut in two at the end is dropped, other invalid bytes become
// U+FFFD. Any thread.

#include <cstdarg>
#include <string>

namespace glyphra {

inline constexpr size_t kLogBufferBytes = 512;

std::u16string FormatLogMessage(const char* format, va_list args);

}  // namespace glyphra

#pragma once

// Conversions between the program's UTF-16 text and the UTF-8 bytes that the
// system, file names and the encoder's argument vector use.

#include <string>
#include <string_view>

namespace vidmora {

// Invalid sequences become U+FFFD; nothing is dropped silently.
std::string ToUtf8(std::u16string_view text);
std::u16string FromUtf8(std::string_view bytes);

// True when the bytes are well-formed UTF-8 (no overlong forms, no surrogates).
bool IsValidUtf8(std::string_view bytes);

}  // namespace vidmora

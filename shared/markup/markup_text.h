#pragma once

// Character classes and reference handling shared by the parser, the
// document operations and the file reader.

#include <string>
#include <string_view>

namespace vidmora {

inline bool IsMarkupSpace(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }

// An ASCII capital in lower case; everything else as it is.
inline char16_t AsciiLower(char16_t c) { return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c; }

// Characters that end an element name in a tag.
inline bool IsNameEnd(char16_t c) { return IsMarkupSpace(c) || c == u'/' || c == u'>' || c == u'<'; }

// ASCII letters compared without case; everything else exactly.
bool EqualsIgnoreCase(std::u16string_view a, std::u16string_view b);

// Appends `text` with its character and named references replaced. An "&"
// not followed within 9 characters by ";", naming no known reference, or
// giving the value 0 or a value beyond U+10FFFF stays a literal "&".
void AppendUnescaped(std::u16string& out, std::u16string_view text);

}  // namespace vidmora

#pragma once

// Character-set names (IANA names and common aliases, lower case) with the
// Windows code pages they stand for, and the iconv names of those code pages.
// The table is one packed string of entries: two digits for the name's
// length, five digits for the code page, then the name.

#include <string>
#include <string_view>

namespace vidmora {

inline constexpr int kCodePageUtf8 = 65001;
inline constexpr int kCodePageUtf16Le = 1200;
inline constexpr int kCodePageUtf16Be = 1201;

// The code page of a character-set name, compared without regard to case
// and surrounding blanks; 0 when the name is not in the table.
int CodePageOfCharset(std::string_view name);

// The iconv name for a code page; empty when there is none.
std::string IconvNameOfCodePage(int codePage);

}  // namespace vidmora

#pragma once

// Splitting a command-line parameter text into the argument vector of a
// program, by the rules that Windows programs parse their command line with,
// since callers build parameter texts in that form ("\"Vidmora\" \"a b\" 320"):
// - blanks (space, tab) separate arguments outside double quotes;
// - a double quote starts or ends a quoted part and is dropped ("" inside a
//   quoted part gives one literal quote);
// - 2n backslashes before a quote give n backslashes, 2n+1 give n and a
//   literal quote; backslashes before anything else stay as they are.

#include <string>
#include <string_view>
#include <vector>

namespace quorvil {

std::vector<std::u16string> SplitCommandLine(std::u16string_view parameters);

}  // namespace quorvil

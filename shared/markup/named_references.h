#pragma once

// The HTML 4 named character references (all 252, plus XML's "apos"), kept
// in 130 buckets by the sum of the name's lower-case code units. Each bucket
// is a string of entries: one digit for the name's length, four digits for
// the code point, then the name.

#include <string_view>

namespace vidmora {

// The code point of a reference name (without "&" and ";"), or 0 when the
// name is unknown. An exact match wins; otherwise the first entry whose name
// matches without regard to case is taken, so "&Agrave;" and "&agrave;"
// differ while "&AMP;" still reads as "&".
char32_t LookUpNamedReference(std::u16string_view name);

// Number of entries in the table (for tests).
int NamedReferenceCount();

}  // namespace vidmora

#pragma once

// The number conversions that the template files and MediaInfo's texts were
// written for: the wide `_wtoi`, `wcstoul(…, 10)` and `_wtof` of the C runtime
// on a system with 32-bit long.

#include <cstdint>
#include <string_view>

namespace vidmora {

// Leading blanks skipped, an optional sign, then digits; no digits gives 0;
// out of range gives INT32_MAX or INT32_MIN.
int32_t WideToInt(std::u16string_view text);

// Leading blanks skipped, an optional sign (a minus negates modulo 2^32), then
// decimal digits; no digits gives 0; out of range gives 4294967295.
uint32_t WideToUnsigned(std::u16string_view text);

// _wtof of the C locale: blanks, a sign, then the longest decimal number
// (digits, point, exponent; "inf" and "nan" too); 0 when there is none or it
// is out of the range of double. Independent of the process's locale.
double WideToDouble(std::u16string_view text);

}  // namespace vidmora

#pragma once

// a × b ÷ c with 64-bit intermediate and rounding half away from zero, the
// rounding that text fitting was designed with. Division by 0 and results
// outside ±2147483647 give -1.

#include <cstdint>

namespace glyphra {

constexpr int32_t MulDiv(int32_t number, int32_t numerator, int32_t denominator) {
  if (denominator == 0) return -1;
  int64_t a = number;
  int64_t c = denominator;
  if (c < 0) {
    a = -a;
    c = -c;
  }
  const int64_t product = a * numerator;
  const int64_t rounded = product >= 0 ? (product + c / 2) / c : (product - c / 2) / c;
  if (rounded > INT32_MAX || rounded < -INT32_MAX) return -1;
  return static_cast<int32_t>(rounded);
}

}  // namespace glyphra

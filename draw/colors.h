#pragma once

// Template colours are 0x00BBGGRR values (red in the low byte) with the
// opacity kept apart; painting wants 0xAARRGGBB.

#include <QRgb>

#include <cstdint>

namespace glyphra {

// Alpha is the low byte of alphaField, whatever its other bits hold.
constexpr QRgb ArgbFromColorRef(uint32_t colorRef, int32_t alphaField) {
  const uint32_t red = colorRef & 0xFF;
  const uint32_t green = (colorRef >> 8) & 0xFF;
  const uint32_t blue = (colorRef >> 16) & 0xFF;
  const uint32_t alpha = static_cast<uint32_t>(alphaField) & 0xFF;
  return (alpha << 24) | (red << 16) | (green << 8) | blue;
}

}  // namespace glyphra

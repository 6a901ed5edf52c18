#pragma once

// LogFont: the 92-byte logical font record that layer files store under
// "Font" and that the drawing library turns into a QFont.
//
// Byte form (little-endian, no padding): height, width, escapement,
// orientation, weight as signed 32-bit integers (20 bytes); italic,
// underline, strike-out, char set, out precision, clip precision, quality,
// pitch-and-family as single bytes (8 bytes); the face name as 32 UTF-16 code
// units, zero-padded (64 bytes). In files it is written as those 92 bytes in
// order, each an unsigned decimal number, joined by "," ("24,0,0,…").
//
// A height below 0 is the character height in pixels, above 0 the cell
// height; weight 0 is the default weight (400 normal, 700 bold).
// Plain value type; any thread.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace vidmora {

struct LogFont {
  static constexpr size_t kByteSize = 92;
  static constexpr size_t kFaceNameUnits = 32;

  int32_t height = 0;
  int32_t width = 0;
  int32_t escapement = 0;
  int32_t orientation = 0;
  int32_t weight = 0;
  uint8_t italic = 0;
  uint8_t underline = 0;
  uint8_t strikeOut = 0;
  uint8_t charSet = 0;
  uint8_t outPrecision = 0;
  uint8_t clipPrecision = 0;
  uint8_t quality = 0;
  uint8_t pitchAndFamily = 0;
  std::array<char16_t, kFaceNameUnits> faceName{};

  using Bytes = std::array<uint8_t, kByteSize>;
  Bytes ToBytes() const;
  static LogFont FromBytes(const Bytes& bytes);

  // The face name up to its first zero unit.
  std::u16string FaceName() const;
  // Stores at most 31 units so that the name stays zero-terminated.
  void SetFaceName(std::u16string_view name);

  bool operator==(const LogFont&) const = default;
};

// Height 24, face "Arial", everything else 0: the font of every new layer.
LogFont DefaultLogFont();

// The byte-list text: 92 unsigned decimal numbers joined by ",".
std::u16string EncodeByteList(const LogFont& font);

// Reads a byte list into `font`, starting at its first byte: blanks are
// skipped, each number is read with automatic base (decimal, "0x" hex,
// leading "0" octal, optional sign, 32-bit range) and its low byte stored.
// Reading stops at the end of the text, where no digits can be read (a 0 is
// stored for that place), after a number not followed by ",", or after 92
// stored bytes. Bytes after the last stored one keep their values.
// Returns the number of bytes stored.
size_t ParseByteList(std::string_view text, LogFont& font);

// The "Font" element's data as the readers take it: converted to the
// locale's 8-bit form (UTF-8), cut to 2047 bytes, then ParseByteList.
size_t ParseFontData(std::u16string_view data, LogFont& font);

}  // namespace vidmora

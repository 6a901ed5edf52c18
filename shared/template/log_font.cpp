#include "shared/template/log_font.h"

#include <cstdint>
#include <limits>
#include <string>

#include "shared/text/utf.h"

namespace vidmora {

namespace {

// Byte offsets of the record's parts.
constexpr size_t kInts = 5;
constexpr size_t kFlagsAt = kInts * 4;
constexpr size_t kFaceAt = kFlagsAt + 8;
static_assert(kFaceAt + LogFont::kFaceNameUnits * 2 == LogFont::kByteSize);

constexpr size_t kFontDataBytes = 2047;

void PutInt(LogFont::Bytes& bytes, size_t at, int32_t value) {
  const auto bits = static_cast<uint32_t>(value);
  for (size_t k = 0; k < 4; ++k) bytes[at + k] = static_cast<uint8_t>(bits >> (8 * k));
}

int32_t GetInt(const LogFont::Bytes& bytes, size_t at) {
  uint32_t bits = 0;
  for (size_t k = 0; k < 4; ++k) bits |= static_cast<uint32_t>(bytes[at + k]) << (8 * k);
  return static_cast<int32_t>(bits);
}

bool IsCSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

int DigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return 99;
}

// A number read as the C library's strtol with base 0 and a 32-bit long:
// optional sign, "0x" hex, leading "0" octal, else decimal; out of range
// saturates. Returns false when no digits were read.
bool ReadNumber(std::string_view text, size_t& i, int32_t& value) {
  size_t k = i;
  bool negative = false;
  if (k < text.size() && (text[k] == '+' || text[k] == '-')) negative = text[k++] == '-';
  int base = 10;
  if (k < text.size() && text[k] == '0') {
    base = 8;
    if (k + 2 < text.size() && (text[k + 1] == 'x' || text[k + 1] == 'X') && DigitValue(text[k + 2]) < 16) {
      base = 16;
      k += 2;
    }
  }
  const size_t digitsStart = k;
  uint64_t magnitude = 0;
  for (; k < text.size() && DigitValue(text[k]) < base; ++k) {
    magnitude = magnitude * static_cast<uint64_t>(base) + static_cast<uint64_t>(DigitValue(text[k]));
    if (magnitude > (uint64_t{1} << 32)) magnitude = uint64_t{1} << 32;
  }
  if (k == digitsStart) return false;
  constexpr int64_t kMax = std::numeric_limits<int32_t>::max();
  constexpr int64_t kMin = std::numeric_limits<int32_t>::min();
  int64_t signedValue = negative ? -static_cast<int64_t>(magnitude) : static_cast<int64_t>(magnitude);
  if (signedValue > kMax) signedValue = kMax;
  if (signedValue < kMin) signedValue = kMin;
  value = static_cast<int32_t>(signedValue);
  i = k;
  return true;
}

}  // namespace

LogFont::Bytes LogFont::ToBytes() const {
  Bytes bytes{};
  const int32_t ints[kInts] = {height, width, escapement, orientation, weight};
  for (size_t k = 0; k < kInts; ++k) PutInt(bytes, k * 4, ints[k]);
  const uint8_t flags[8] = {italic, underline, strikeOut, charSet, outPrecision, clipPrecision, quality, pitchAndFamily};
  for (size_t k = 0; k < 8; ++k) bytes[kFlagsAt + k] = flags[k];
  for (size_t k = 0; k < kFaceNameUnits; ++k) {
    bytes[kFaceAt + 2 * k] = static_cast<uint8_t>(faceName[k] & 0xFF);
    bytes[kFaceAt + 2 * k + 1] = static_cast<uint8_t>(faceName[k] >> 8);
  }
  return bytes;
}

LogFont LogFont::FromBytes(const Bytes& bytes) {
  LogFont font;
  font.height = GetInt(bytes, 0);
  font.width = GetInt(bytes, 4);
  font.escapement = GetInt(bytes, 8);
  font.orientation = GetInt(bytes, 12);
  font.weight = GetInt(bytes, 16);
  uint8_t* flags[8] = {&font.italic,       &font.underline,     &font.strikeOut, &font.charSet,
                       &font.outPrecision, &font.clipPrecision, &font.quality,   &font.pitchAndFamily};
  for (size_t k = 0; k < 8; ++k) *flags[k] = bytes[kFlagsAt + k];
  for (size_t k = 0; k < kFaceNameUnits; ++k) {
    font.faceName[k] = static_cast<char16_t>(bytes[kFaceAt + 2 * k] | (bytes[kFaceAt + 2 * k + 1] << 8));
  }
  return font;
}

std::u16string LogFont::FaceName() const {
  size_t length = 0;
  while (length < kFaceNameUnits && faceName[length] != 0) ++length;
  return std::u16string(faceName.data(), length);
}

void LogFont::SetFaceName(std::u16string_view name) {
  faceName.fill(0);
  const size_t length = name.size() < kFaceNameUnits - 1 ? name.size() : kFaceNameUnits - 1;
  for (size_t k = 0; k < length; ++k) faceName[k] = name[k];
}

LogFont DefaultLogFont() {
  LogFont font;
  font.height = 24;
  font.SetFaceName(u"Arial");
  return font;
}

std::u16string EncodeByteList(const LogFont& font) {
  std::string text;
  for (uint8_t byte : font.ToBytes()) {
    if (!text.empty()) text += ',';
    text += std::to_string(byte);
  }
  return FromUtf8(text);
}

size_t ParseByteList(std::string_view text, LogFont& font) {
  LogFont::Bytes bytes = font.ToBytes();
  size_t stored = 0;
  size_t i = 0;
  while (stored < LogFont::kByteSize) {
    while (i < text.size() && IsCSpace(text[i])) ++i;
    if (i >= text.size()) break;
    int32_t value = 0;
    const bool read = ReadNumber(text, i, value);
    bytes[stored++] = static_cast<uint8_t>(static_cast<uint32_t>(value) & 0xFF);
    if (!read) break;
    while (i < text.size() && IsCSpace(text[i])) ++i;
    if (i >= text.size() || text[i] != ',') break;
    ++i;
  }
  font = LogFont::FromBytes(bytes);
  return stored;
}

size_t ParseFontData(std::u16string_view data, LogFont& font) {
  std::string narrow = ToUtf8(data);
  if (narrow.size() > kFontDataBytes) narrow.resize(kFontDataBytes);
  return ParseByteList(narrow, font);
}

}  // namespace vidmora

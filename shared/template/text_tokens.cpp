#include "shared/template/text_tokens.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace vidmora {

namespace {

bool IsNameChar(char16_t c) {
  return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'_' || c == u'-' ||
         c == u'.' || c == u' ' || c > 0x7F;
}

void AddLiteral(std::vector<TextPiece>& pieces, std::u16string_view text) {
  if (text.empty()) return;
  if (pieces.empty() || pieces.back().token) pieces.push_back({false, {}});
  pieces.back().text += text;
}

std::u16string Escaped(std::u16string_view text) {
  std::u16string out;
  for (const char16_t c : text) {
    out += c;
    if (c == u'{' || c == u'}') out += c;
  }
  return out;
}

std::u16string Ascii(const char* text) { return std::u16string(text, text + std::char_traits<char>::length(text)); }

// Frames a second as counted by a timecode: 30 for 29.97.
int64_t NominalRate(FrameRate rate) {
  if (rate.num <= 0 || rate.den <= 0) return 25;
  return std::max<int64_t>(1, std::llround(static_cast<double>(rate.num) / rate.den));
}

int64_t DroppedPerMinute(FrameRate rate) { return IsDropFrameRate(rate) ? NominalRate(rate) / 15 : 0; }

}  // namespace

bool IsFrameToken(std::u16string_view name) {
  return std::find(std::begin(kFrameTokens), std::end(kFrameTokens), name) != std::end(kFrameTokens);
}

std::vector<TextPiece> SplitTokens(std::u16string_view text) {
  std::vector<TextPiece> pieces;
  size_t i = 0;
  while (i < text.size()) {
    const char16_t c = text[i];
    if ((c == u'{' || c == u'}') && i + 1 < text.size() && text[i + 1] == c) {
      AddLiteral(pieces, text.substr(i, 1));
      i += 2;
      continue;
    }
    if (c == u'{') {
      size_t end = i + 1;
      while (end < text.size() && IsNameChar(text[end])) ++end;
      if (end < text.size() && text[end] == u'}' && end > i + 1 && text[i + 1] != u' ') {
        pieces.push_back({true, std::u16string(text.substr(i + 1, end - i - 1))});
        i = end + 1;
        continue;
      }
    }
    AddLiteral(pieces, text.substr(i, 1));
    ++i;
  }
  return pieces;
}

TokenExpansion ExpandTokens(std::u16string_view text, const TokenValues& values, ExpandedAs as) {
  TokenExpansion out;
  const auto literal = [&](std::u16string_view piece) {
    out.text += as == ExpandedAs::kPattern ? Escaped(piece) : std::u16string(piece);
  };
  for (const TextPiece& piece : SplitTokens(text)) {
    if (!piece.token) {
      literal(piece.text);
      continue;
    }
    if (const auto value = values.find(piece.text); value != values.end()) {
      literal(value->second);
      continue;
    }
    const std::u16string typed = u"{" + piece.text + u"}";
    if (IsFrameToken(piece.text)) {
      out.hasFrameTokens = true;
      out.text += typed;
      continue;
    }
    // As typed; in a pattern it stays literal text, not a token to try again.
    literal(typed);
    if (std::find(out.unknown.begin(), out.unknown.end(), typed) == out.unknown.end()) out.unknown.push_back(typed);
  }
  return out;
}

bool IsDropFrameRate(FrameRate rate) {
  if (rate.num <= 0 || rate.den <= 0) return false;
  const double fps = static_cast<double>(rate.num) / rate.den;
  return std::abs(fps - 30000.0 / 1001) < 0.005 || std::abs(fps - 60000.0 / 1001) < 0.005;
}

std::optional<int64_t> ParseTimecode(std::string_view text, FrameRate rate) {
  int fields[4] = {};
  size_t at = 0;
  for (int field = 0; field < 4; ++field) {
    if (field > 0) {
      if (at >= text.size()) return std::nullopt;
      const char separator = text[at++];
      if (separator != ':' && !(field == 3 && (separator == ';' || separator == '.'))) return std::nullopt;
    }
    const size_t start = at;
    int value = 0;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9' && at - start < 4)
      value = value * 10 + (text[at++] - '0');
    if (at == start) return std::nullopt;
    fields[field] = value;
  }
  if (at != text.size()) return std::nullopt;
  const int64_t nominal = NominalRate(rate);
  if (fields[1] > 59 || fields[2] > 59 || fields[3] >= nominal) return std::nullopt;
  const int64_t minutes = int64_t{fields[0]} * 60 + fields[1];
  const int64_t dropped = DroppedPerMinute(rate) * (minutes - minutes / 10);
  return (minutes * 60 + fields[2]) * nominal + fields[3] - dropped;
}

std::u16string FormatTimecode(int64_t frames, FrameRate rate) {
  const int64_t nominal = NominalRate(rate);
  const int64_t drop = DroppedPerMinute(rate);
  if (frames < 0) frames = 0;
  if (drop > 0) {
    // Frame numbers ;00 and ;01 (;00 to ;03 at 59.94) are skipped at every
    // minute but each tenth.
    const int64_t perMinute = nominal * 60 - drop;
    const int64_t perTenMinutes = perMinute * 10 + drop;
    const int64_t tens = frames / perTenMinutes;
    const int64_t rest = frames % perTenMinutes;
    frames += drop * 9 * tens + (rest > drop ? drop * ((rest - drop) / perMinute) : 0);
  }
  const int64_t ff = frames % nominal;
  const int64_t seconds = frames / nominal;
  char text[96];
  std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld%c%02lld", static_cast<long long>(seconds / 3600 % 24),
                static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60), drop > 0 ? ';' : ':',
                static_cast<long long>(ff));
  return Ascii(text);
}

TokenValues FrameTokenValues(int64_t index, FrameRate rate, double seconds, int64_t startFrames) {
  char text[64];
  std::snprintf(text, sizeof text, "%.1f", std::min(std::max(0.0, seconds), 1e9));
  return {{u"timecode", FormatTimecode(startFrames + index, rate)},
          {u"frame", Ascii(std::to_string(index + 1).c_str())},
          {u"seconds", Ascii(text)}};
}

std::u16string WidestFrameValue(std::u16string_view name) {
  if (name == u"timecode") return u"99:99:99:99";
  if (name == u"frame") return u"9999999";
  if (name == u"seconds") return u"99999.9";
  return {};
}

}  // namespace vidmora

#pragma once

// Tokens in a text layer's text: "{name}" is replaced by a value when a file
// is painted ("{file}", "{timecode}", "{recipient.Company}", ...). "{{" and
// "}}" stand for literal braces. A stored template keeps its tokens as plain
// text, so older programs show them as typed. Pure functions; any thread.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vidmora {

// The tokens that change every frame: kept as typed by ExpandTokens unless
// given a value, and filled in per frame by the painter.
inline constexpr std::u16string_view kFrameTokens[] = {u"timecode", u"frame", u"seconds"};
bool IsFrameToken(std::u16string_view name);

// The tokens a file's values can hold, in the order menus offer them
// (recipient columns come as "recipient.NAME").
inline constexpr std::u16string_view kFileTokens[] = {u"file", u"ext",     u"folder", u"date",
                                                      u"time", u"created", u"index",  u"count"};

// Token name (without braces) to value.
using TokenValues = std::map<std::u16string, std::u16string>;

// One piece of a text: literal text (escapes resolved), or a token.
struct TextPiece {
  bool token = false;
  std::u16string text;  // literal text, or the token's name
};

// Splits a text into literal pieces and tokens. A token is "{" + a name of
// letters, digits, "_", "-", "." and blanks that starts with no blank + "}";
// any other brace is literal text as typed. Adjacent literal text is one piece.
std::vector<TextPiece> SplitTokens(std::u16string_view text);

// What kind of text ExpandTokens gives.
enum class ExpandedAs {
  kText,     // the text to paint: every brace literal
  kPattern,  // a text to expand again (per frame): literal braces written "{{" and "}}" again
};

struct TokenExpansion {
  std::u16string text;
  std::vector<std::u16string> unknown;  // tokens without a value (frame tokens excepted), as typed, each once
  bool hasFrameTokens = false;          // frame tokens were kept as typed
};

// Replaces every token that has a value in `values`. Frame tokens without a
// value, and unknown tokens, stay as typed ("{name}"); unknown ones are listed.
TokenExpansion ExpandTokens(std::u16string_view text, const TokenValues& values, ExpandedAs as = ExpandedAs::kText);

// A frame rate as a fraction (30000/1001 for 29.97).
struct FrameRate {
  int num = 25;
  int den = 1;
};

// True for 29.97 and 59.94 frames a second, whose timecode drops frame
// numbers (written with ";" before the frames).
bool IsDropFrameRate(FrameRate rate);

// Frames counted by a timecode "HH:MM:SS:FF" (";" or "." before the frames
// also read) at `rate`; drop-frame counting at drop-frame rates. Nothing for
// text that is no timecode or a frames field beyond the rate.
std::optional<int64_t> ParseTimecode(std::string_view text, FrameRate rate);

// The timecode of frame number `frames` (from 00:00:00:00) at `rate`:
// "HH:MM:SS:FF", or "HH:MM:SS;FF" at drop-frame rates; hours wrap at 24.
std::u16string FormatTimecode(int64_t frames, FrameRate rate);

// The values of the frame tokens for output frame `index` (from 0) at `rate`,
// at `seconds` from the clip's start, counted from `startFrames` (the source's
// timecode, 0 when it has none).
TokenValues FrameTokenValues(int64_t index, FrameRate rate, double seconds, int64_t startFrames);

// The widest value each frame token takes, as a pattern of the characters
// it can hold: '9' for a digit, others as they stand (":" for the separator
// that may be ";"). Placement is measured with these so the text never jumps.
std::u16string WidestFrameValue(std::u16string_view name);

}  // namespace vidmora

#pragma once

// Turns a logical font record into the QFont that measures and outlines text.
// Fonts are made per call: a QFont must not outlive the QGuiApplication, and
// the caller's thread owns it. Needs a QGuiApplication.

#include "shared/template/log_font.h"

#include <QFont>

namespace glyphra {

// Pixel size of a font whose record asks for height 0 (the font mapper's
// default: 12 points at 96 dpi).
inline constexpr int kDefaultFontPixelSize = 16;

// Face name through fontconfig ("Arial" finds a metric-compatible face);
// pixel size from the height (negative: character height, the em size;
// positive: cell height, ascent plus descent; 0: the default size); weight
// (0 = normal), italic, underline, strike-out; a non-zero width stretches the
// glyphs so that the average character is |width| pixels wide.
QFont FontFromLogFont(const vidmora::LogFont& logFont);

// Style flags of a face at a size, as outlines are asked for.
enum FontStyle : int {
  kFontStyleRegular = 0,
  kFontStyleBold = 1,
  kFontStyleItalic = 2,
  kFontStyleUnderline = 4,
  kFontStyleStrikeout = 8,
};

// The same face and stretch at another em size (pixels) in the given style;
// the font's own weight, slant and decorations are replaced.
QFont StyledFont(const QFont& face, int style, int emPixels);

}  // namespace glyphra

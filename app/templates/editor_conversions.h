#pragma once

// Conversions between the layer file's values and what Qt's choosers and
// widgets take: 0x00BBGGRR colours and the logical font record.

#include "shared/template/log_font.h"

#include <QColor>
#include <QFont>
#include <QString>
#include <QStringList>

#include <cstdint>

namespace vidmora {

QColor ColorFromRef(uint32_t colorRef);
uint32_t RefFromColor(const QColor& color);

// The font the font chooser starts from: face, size in points at 96 dpi
// (from the character or cell height), weight, italic, underline, strike-out.
QFont ChooserFontFromLogFont(const LogFont& font);

// `font` with the chooser's face, size (a changed size becomes a character
// height in pixels at 96 dpi), weight, italic, underline and strike-out; its
// other fields stay.
LogFont LogFontWithChoice(LogFont font, const QFont& chosen);

// The font as a person names it: "Liberation Sans, 20 pt, Bold Italic".
QString FontDescription(const LogFont& font);

}  // namespace vidmora

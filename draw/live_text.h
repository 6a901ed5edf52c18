#pragma once

// A text with frame tokens ({timecode}, {frame}, {seconds}) laid out once in
// cells, so that every frame is composed from glyphs painted once per layer
// with the layer's effects. The text is laid out with each frame token at its
// widest value (WidestFrameValue), so neither fitting nor placement changes
// from frame to frame: a literal run of the text is one cell, every character
// of a frame token's value one more, and a frame shows in each cell the
// character of its own value (nothing where the value is shorter). Pure
// functions but for font metrics (a QGuiApplication); any thread.

#include "draw/layer_timing.h"
#include "shared/template/text_tokens.h"

#include <QFont>
#include <QPointF>
#include <QString>

#include <vector>

namespace glyphra {

struct LiveCell {
  QString fixed;     // a literal run; empty for a token's character
  QString token;     // the frame token whose character this cell shows
  int position = 0;  // of that character in the token's value
  QString alphabet;  // every character the cell can show (the literal run: itself)
  QPointF offset;    // of the cell's top-left corner from the text's, before rotation
};

// The cells of `pattern` (an expanded pattern, see ExpandedAs::kPattern)
// laid out in `font`.
std::vector<LiveCell> LiveCells(const QString& pattern, const QFont& font);

// The frame token values of the frame at `time` (no time: the first frame).
vidmora::TokenValues FrameValues(const FrameTime& time);

// What each cell shows on the frame whose token values are `values`.
std::vector<QString> LiveCellTexts(const std::vector<LiveCell>& cells, const vidmora::TokenValues& values);

}  // namespace glyphra

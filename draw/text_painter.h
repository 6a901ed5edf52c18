#pragma once

// Paints the text part of a layer: soft shadow, edge, fill and cover tiles, in
// that order, rotated about the text's anchor. Clears the layer's 3D-text and
// gradient switches, which are never painted. The painter's state is restored
// afterwards. Needs a QGuiApplication; the calling thread owns everything.

#include "draw/base/graphics.h"
#include "draw/frame_rect.h"
#include "draw/layer_timing.h"
#include "draw/live_text.h"
#include "draw/watermark_layer.h"

#include <QRectF>
#include <QString>

#include <vector>

namespace glyphra {

// Strokes of a soft shadow are capped here: a hand-edited blur radius must not
// stall a frame. The template editor offers at most 10 + 8.
inline constexpr int kMaxShadowStrokes = 64;

// A text with frame tokens (layer.livePattern) shows the values of the frame
// at `time` (no time: the first frame), composed cell by cell (live_text.h);
// it has no cover tiles.
void PaintTextPart(Graphics& graphics, WatermarkLayer& layer, const FrameRect& frame, const FrameTime& time = {});

// The cells of a layer with frame tokens, laid out in its font.
std::vector<LiveCell> LiveCellsOf(const WatermarkLayer& layer);

// PaintTextPart with `texts[i]` in cell `cells[i]` (an empty text paints
// nothing there); for a layer without frame tokens the cells are not used.
void PaintTextCells(Graphics& graphics, WatermarkLayer& layer, const FrameRect& frame,
                    const std::vector<LiveCell>& cells, const std::vector<QString>& texts);

// Where painting `text` in `cell` may touch, in the coordinates the layer is
// painted in (turned, before the painter's own transform).
QRectF TextCellBounds(const WatermarkLayer& layer, const FrameRect& frame, const LiveCell& cell, const QString& text);

// Where the text part lies before its rotation: its measured box at its
// anchor with the offsets.
QRectF TextPartBox(const WatermarkLayer& layer, const FrameRect& frame);

}  // namespace glyphra

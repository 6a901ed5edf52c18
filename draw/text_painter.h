#pragma once

// Paints the text part of a layer: soft shadow, edge, fill and cover tiles, in
// that order, rotated about the text's anchor. Clears the layer's 3D-text and
// gradient switches, which are never painted. The painter's state is restored
// afterwards. Needs a QGuiApplication; the calling thread owns everything.

#include "draw/base/graphics.h"
#include "draw/frame_rect.h"
#include "draw/watermark_layer.h"

namespace glyphra {

// Strokes of a soft shadow are capped here: a hand-edited blur radius must not
// stall a frame. The template editor offers at most 10 + 8.
inline constexpr int kMaxShadowStrokes = 64;

void PaintTextPart(Graphics& graphics, WatermarkLayer& layer, const FrameRect& frame);

// Where the text part lies before its rotation: its measured box at its
// anchor with the offsets.
QRectF TextPartBox(const WatermarkLayer& layer, const FrameRect& frame);

}  // namespace glyphra

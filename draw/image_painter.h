#pragma once

// Paints the image part of a layer: the picture at its drawn size and anchor,
// turned about the anchor, its own alpha multiplied by transparency ÷ 100.
// A missing or undecodable picture draws nothing and records FileNotFound or
// UnknownImageFormat in the graphics. Uses the painter's current smoothing.
// The calling thread owns everything.

#include "draw/base/graphics.h"
#include "draw/frame_rect.h"
#include "draw/picture_cache.h"
#include "draw/watermark_layer.h"

namespace glyphra {

void PaintImagePart(Graphics& graphics, const WatermarkLayer& layer, const FrameRect& frame, PictureCache& pictures);

// Where the image part lies before its rotation; empty without a picture
// that can be drawn.
QRectF ImagePartBox(const WatermarkLayer& layer, const FrameRect& frame, PictureCache& pictures);

// The picture with every pixel's alpha multiplied by factor and clamped to
// 0..255; colours are kept. factor 1 gives the picture itself.
QImage WithAlphaScaled(const QImage& picture, double factor);

}  // namespace glyphra

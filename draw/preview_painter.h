#pragma once

// In-memory painting for previews: prepared layers painted onto a picture of
// any size, which is the frame they are placed in, exactly as the frame hook
// paints a video frame of that size. Uses a context of its own: no thread's
// prepared template is read or changed, and nothing is kept between calls.
// Needs a QGuiApplication; any thread; the caller owns the picture.

#include "draw/base/graphics.h"
#include "draw/layer_timing.h"
#include "draw/watermark_layer.h"

#include <QImage>

#include <vector>

namespace glyphra {

// Paints `layers` onto `image`. Opaque pictures go through the frame hook's
// overlay and blend (the pixels a video frame of that size gets) and keep
// their format (8-bit grey and palette pictures become RGB32); pictures with
// alpha are painted directly. Returns Ok, InvalidParameter for a null image,
// WrongState without a QGuiApplication (the image is then unchanged), or the
// status of a layer's picture that could not be drawn (FileNotFound,
// UnknownImageFormat: the rest is painted).
// With a known `time` the layers are shown as they are on a clip's frame at
// that time (timing and motion), else every layer as painted.
Status PaintOntoImage(std::vector<WatermarkLayer> layers, QImage& image, FrameTime time = {});

}  // namespace glyphra

#pragma once

// Paints prepared layers onto a graphics in list order (earlier layers lie
// below later ones): each layer's text part, then its image part. Failures
// only set the graphics' last status; painting goes on. Needs a
// QGuiApplication; the calling thread owns everything.

#include "draw/base/graphics.h"
#include "draw/frame_rect.h"
#include "draw/layer_timing.h"
#include "draw/picture_cache.h"
#include "draw/watermark_layer.h"

#include <vector>

namespace glyphra {

void PaintLayers(Graphics& graphics, std::vector<WatermarkLayer>& layers, const FrameRect& frame,
                 PictureCache& pictures);

// PaintLayers for a frame at `time`: layers with timing or motion are shown
// as they are at that time (each painted apart and laid on with its opacity
// and offset), the others as PaintLayers paints them. For the direct
// painting that the overlay replaces; slower.
void PaintLayersAt(Graphics& graphics, std::vector<WatermarkLayer>& layers, const FrameRect& frame,
                   PictureCache& pictures, FrameTime time);

}  // namespace glyphra

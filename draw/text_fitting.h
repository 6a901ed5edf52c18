#pragma once

// Fits a text layer's font to the frame when a template is loaded: the text
// as measured on the 677 × 625 reference canvas is scaled to the frame by one
// factor, the smaller of W ÷ 677 and H ÷ 625 (so that letters keep their
// shape), and the font's height and width are rewritten so that the text
// covers about that many pixels. Divisions by 0
// give -1 (no error). Needs a QGuiApplication; any thread.

#include "draw/frame_rect.h"
#include "draw/watermark_layer.h"

namespace glyphra {

// Logical resolution of the measuring surface, dots per inch.
inline constexpr int kLogicalDpi = 96;

void FitTextToFrame(WatermarkLayer& layer, const FrameRect& frame);

}  // namespace glyphra

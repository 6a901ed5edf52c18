#pragma once

// The frame hook's work: paints the calling thread's prepared layers into a
// caller's 24-bit frame in place. The frame holds height rows of width
// pixels (blue, green, red), each row padded to a multiple of 4 bytes, first
// row at the top; padding bytes are never touched. Layers are placed in the
// prepared frame rectangle, whatever size the frame has; a frame of the
// prepared stored size (pixels that are not square) gets them scaled from the
// rectangle onto it, as a player shows the frame stretched to the rectangle.
//
// The layers are painted once into an overlay of the frame's size, which is
// then blended into each frame; when the overlay cannot be allocated the
// frame is painted directly.

#include "draw/base/graphics.h"
#include "draw/render_context.h"

#include <QRgb>

namespace glyphra {

// True when the process has a QGuiApplication, without which fonts and
// painting are unavailable.
bool PaintingAvailable();

// Ok when painted (or nothing to paint); InvalidParameter for a null or
// impossible frame; WrongState without a QGuiApplication. The frame is left
// unchanged on every failure.
Status PaintFrame(RenderContext& context, unsigned char* bits, int width, int height);

// The rows [firstRow, endRow) that the next PaintFrame of a width x height
// frame will change; false when they cannot be known (direct painting) or the
// size is impossible. Brings the overlay up to date and pins it for that next
// PaintFrame, which then uses it without looking at the picture files again.
bool FrameRows(RenderContext& context, int width, int height, int& firstRow, int& endRow);

// The overlay's rows [firstRow, endRow) of a width x height frame, as
// premultiplied ARGB32 (width pixels a row); false when the layers would be
// painted directly, or for impossible arguments.
bool CopyOverlayRows(RenderContext& context, int width, int height, int firstRow, int endRow, QRgb* pixels);

}  // namespace glyphra

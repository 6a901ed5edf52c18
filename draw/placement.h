#pragma once

// Where a layer's parts lie on the frame: the nine anchors (0 top left … 4
// centre … 8 bottom right; any other code places as 0), the offsets, the
// drawn size of pictures and the rotation about the anchor. Pure functions.

#include "draw/frame_rect.h"

#include <QPoint>
#include <QPointF>
#include <QSize>
#include <QSizeF>

#include <cstdint>

class QPainter;

namespace glyphra {

// Width of the canvas that templates are designed on; images scale with
// frame width ÷ this.
inline constexpr int kReferenceCanvasWidth = 677;
inline constexpr int kReferenceCanvasHeight = 625;

// Top-left corner of a text box of the given size. Half the frame is the
// integer half, half the text exact; then the offsets are added. No clamping.
QPointF TextAnchor(int location, const FrameRect& frame, QSizeF textBox, int offsetH, int offsetV);

struct ImageGeometry {
  QSize drawnSize;  // may be empty: nothing to draw
  QPointF anchor;   // top-left corner before rotation; also the rotation centre
};

struct ImagePlacementInput {
  int location = 0;
  int offsetH = 0;
  int offsetV = 0;
  int width = 0;       // stored size; counts only when both are at least 1
  int height = 0;
  bool scaleWithFrame = false;
};

// The drawn size (the stored size, scaled by frame width ÷ 677 when asked,
// or the picture's own size) and the anchor, where half the frame is exact and
// half the picture the integer half.
ImageGeometry PlaceImage(const ImagePlacementInput& input, const FrameRect& frame, QSize pictureSize);

// The cover pattern: rows and columns are counted with the text box plus 10
// pixels but laid out at steps of the box plus 100 (columns) and plus 55
// (rows) from the frame's corner; a count of 0 or less paints no tile.
struct CoverTileGrid {
  int64_t rows = 0;
  int64_t columns = 0;
  qreal columnStep = 0;
  qreal rowStep = 0;

  QPointF Origin(int64_t row, int64_t column) const {
    return {static_cast<qreal>(column) * columnStep, static_cast<qreal>(row) * rowStep};
  }
};
CoverTileGrid CoverTiles(const FrameRect& frame, QSizeF textBox);

// The point truncated toward zero to whole pixels (clamped to the int range).
QPoint TruncatedPoint(QPointF point);

// Turns what the painter draws next about centre; positive degrees turn
// counter-clockwise on the screen. Applied before the painter's transform.
void RotateAbout(QPainter& painter, QPointF centre, int degrees);

}  // namespace glyphra

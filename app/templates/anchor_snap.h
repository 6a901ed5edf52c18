#pragma once

// Placing a layer's part where it was dropped on the preview: the anchor is
// the nearest of the nine places (by the part's centre, in thirds of the
// frame) and the offsets are what remains from that place to the drop, as
// the drawing library places the part. Pure functions; any thread.

#include <QRectF>
#include <QSize>

namespace vidmora {

// Text parts place with half the frame rounded down and half the box exact;
// pictures with half the frame exact and half the picture rounded down.
enum class PartKind { kText, kPicture };

struct SnappedPlace {
  int location = 0;  // 0 top left ... 4 centre ... 8 bottom right
  int offsetH = 0;
  int offsetV = 0;
};

// Where a part whose box (before rotation) is `box` on a frame of `frame`
// pixels is anchored.
SnappedPlace SnapToAnchor(const QRectF& box, QSize frame, PartKind kind);

}  // namespace vidmora

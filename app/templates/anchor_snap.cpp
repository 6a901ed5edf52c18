#include "app/templates/anchor_snap.h"

#include <cmath>

namespace vidmora {

namespace {

// 0, 1 or 2: the third of `length` that `centre` lies in.
int Third(double centre, int length) {
  if (centre < length / 3.0) return 0;
  if (centre < 2.0 * length / 3.0) return 1;
  return 2;
}

// The part's top-left coordinate at place `index` (0 start, 1 middle, 2 end)
// with no offset.
double PlaceStart(int index, int frameLength, double partLength, PartKind kind) {
  switch (index) {
    case 1: {
      // As the painters place them: a text about the frame's whole-pixel middle,
      // a picture by its own whole-pixel half.
      const int frameMiddle = frameLength / 2;
      const int partHalf = static_cast<int>(partLength) / 2;
      return kind == PartKind::kText ? frameMiddle - partLength / 2 : frameLength / 2.0 - partHalf;
    }
    case 2: return frameLength - partLength;
    default: return 0;
  }
}

}  // namespace

SnappedPlace SnapToAnchor(const QRectF& box, QSize frame, PartKind kind) {
  const int column = Third(box.center().x(), frame.width());
  const int row = Third(box.center().y(), frame.height());
  SnappedPlace place;
  place.location = row * 3 + column;
  place.offsetH = static_cast<int>(std::lround(box.left() - PlaceStart(column, frame.width(), box.width(), kind)));
  place.offsetV = static_cast<int>(std::lround(box.top() - PlaceStart(row, frame.height(), box.height(), kind)));
  return place;
}

}  // namespace vidmora

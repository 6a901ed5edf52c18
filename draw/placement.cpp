#include "draw/placement.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace glyphra {
namespace {

enum class Column { kLeft, kCentre, kRight };
enum class Row { kTop, kMiddle, kBottom };

struct Anchor {
  Column column;
  Row row;
};

Anchor AnchorOf(int location) {
  if (location < 0 || location > 8) location = 0;
  return {static_cast<Column>(location % 3), static_cast<Row>(location / 3)};
}

qreal Place(int index, qreal frameHalf, qreal frameSize, qreal partHalf, qreal partSize) {
  switch (index) {
    case 1: return frameHalf - partHalf;
    case 2: return frameSize - partSize;
    default: return 0;
  }
}

}  // namespace

QPointF TextAnchor(int location, const FrameRect& frame, QSizeF textBox, int offsetH, int offsetV) {
  const Anchor anchor = AnchorOf(location);
  const int width = frame.Width();
  const int height = frame.Height();
  // The frame's middle in whole pixels, as templates have always been placed.
  const int middleX = width / 2;
  const int middleY = height / 2;
  const qreal x = Place(static_cast<int>(anchor.column), middleX, width, textBox.width() / 2, textBox.width());
  const qreal y = Place(static_cast<int>(anchor.row), middleY, height, textBox.height() / 2, textBox.height());
  return {x + offsetH, y + offsetV};
}

ImageGeometry PlaceImage(const ImagePlacementInput& input, const FrameRect& frame, QSize pictureSize) {
  const bool storedSize = input.width >= 1 && input.height >= 1;
  QSize drawn = storedSize ? QSize(input.width, input.height) : pictureSize;
  if (input.scaleWithFrame && storedSize) {
    const int64_t drawnWidth = int64_t{frame.Width()} * input.width / kReferenceCanvasWidth;
    const int64_t drawnHeight = drawnWidth * input.height / input.width;
    drawn = QSize(static_cast<int>(std::clamp<int64_t>(drawnWidth, INT32_MIN, INT32_MAX)),
                  static_cast<int>(std::clamp<int64_t>(drawnHeight, INT32_MIN, INT32_MAX)));
  }
  const Anchor anchor = AnchorOf(input.location);
  const qreal width = frame.Width();
  const qreal height = frame.Height();
  // The picture's middle in whole pixels, as templates have always been placed.
  const int halfWidth = drawn.width() / 2;
  const int halfHeight = drawn.height() / 2;
  const qreal x = Place(static_cast<int>(anchor.column), width / 2, width, halfWidth, drawn.width());
  const qreal y = Place(static_cast<int>(anchor.row), height / 2, height, halfHeight, drawn.height());
  return {drawn, QPointF(x + input.offsetH, y + input.offsetV)};
}

CoverTileGrid CoverTiles(const FrameRect& frame, QSizeF textBox) {
  return {static_cast<int64_t>(frame.Height() / (textBox.height() + 10)),
          static_cast<int64_t>(frame.Width() / (textBox.width() + 10)), textBox.width() + 100, textBox.height() + 55};
}

QPoint TruncatedPoint(QPointF point) {
  const auto truncate = [](qreal value) {
    return static_cast<int>(std::clamp<qreal>(std::trunc(value), INT32_MIN, INT32_MAX));
  };
  return {truncate(point.x()), truncate(point.y())};
}

void RotateAbout(QPainter& painter, QPointF centre, int degrees) {
  painter.translate(centre);
  painter.rotate(-static_cast<qreal>(degrees));
  painter.translate(-centre);
}

}  // namespace glyphra

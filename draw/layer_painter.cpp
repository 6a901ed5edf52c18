#include "draw/layer_painter.h"

#include "draw/image_painter.h"
#include "draw/text_painter.h"

#include <QRect>

#include <algorithm>

namespace glyphra {

void PaintLayers(Graphics& graphics, std::vector<WatermarkLayer>& layers, const FrameRect& frame,
                 PictureCache& pictures) {
  if (!graphics.IsActive()) return;
  for (WatermarkLayer& layer : layers) {
    PaintTextPart(graphics, layer, frame);
    PaintImagePart(graphics, layer, frame, pictures);
  }
}

namespace {

// The bounds of the pixels that are not wholly transparent.
QRect PaintedBounds(const QImage& image) {
  int left = image.width(), right = -1, top = image.height(), bottom = -1;
  for (int y = 0; y < image.height(); ++y) {
    const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    for (int x = 0; x < image.width(); ++x) {
      if (row[x] == 0) continue;
      left = std::min(left, x);
      right = std::max(right, x);
      top = std::min(top, y);
      bottom = std::max(bottom, y);
    }
  }
  return right < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

}  // namespace

void PaintLayersAt(Graphics& graphics, std::vector<WatermarkLayer>& layers, const FrameRect& frame,
                   PictureCache& pictures, FrameTime time) {
  if (!graphics.IsActive()) return;
  QPainter& painter = graphics.Painter();
  const QSize size(painter.device()->width(), painter.device()->height());
  for (WatermarkLayer& layer : layers) {
    if (!time.Known() || !layer.timing.IsTimed()) {
      PaintTextPart(graphics, layer, frame, time);
      PaintImagePart(graphics, layer, frame, pictures);
      continue;
    }
    QImage alone(size, QImage::Format_ARGB32_Premultiplied);
    if (alone.isNull()) {
      graphics.SetStatus(Status::OutOfMemory);
      continue;
    }
    alone.fill(Qt::transparent);
    {
      Graphics own(alone);
      if (!own.IsActive()) continue;
      own.Painter().setTransform(painter.transform());
      PaintTextPart(own, layer, frame, time);
      PaintImagePart(own, layer, frame, pictures);
      graphics.SetStatus(own.GetLastStatus());
    }
    const MarkState state = MarkStateAt(layer.timing, time, size, PaintedBounds(alone));
    if (!state.visible || state.opacity <= 0) continue;
    painter.save();
    painter.resetTransform();
    painter.setOpacity(painter.opacity() * state.opacity);
    painter.drawImage(state.offset, alone);
    painter.restore();
  }
}

}  // namespace glyphra

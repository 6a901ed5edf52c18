#include "draw/textdesigner/diffused_shadow_strategy.h"

#include "draw/font_mapping.h"
#include "draw/text_layout.h"

#include <QColor>
#include <QLineF>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QTransform>

#include <algorithm>

namespace glyphra::TextDesigner {

namespace {

// Strokes the path with widths 1..thickness. Piling translucent strokes up
// one by one on an 8-bit picture rounds at every stroke, and a dozen of them
// drift several levels from the exact result; so they are piled up in a
// 16-bit transparent layer over the shadow's extent and laid onto the picture
// once.
void StrokeWidening(QPainter& painter, const QPainterPath& path, QRgb color, int thickness) {
  if (thickness <= 0 || qAlpha(color) == 0) return;
  const QPaintDevice* device = painter.device();
  const QTransform toDevice = painter.deviceTransform();
  // The widest stroke reaches thickness / 2 beyond the outline, in device
  // pixels as far as the transform stretches it.
  const qreal stretch = std::max(toDevice.map(QLineF(0, 0, 1, 0)).length(), toDevice.map(QLineF(0, 0, 0, 1)).length());
  const qreal margin = thickness * stretch / 2 + 2;
  const QRect extent = toDevice.map(path).boundingRect().adjusted(-margin, -margin, margin, margin).toAlignedRect() &
                       QRect(0, 0, device->width(), device->height());
  if (extent.isEmpty()) return;
  QImage layer(extent.size(), QImage::Format_RGBA64_Premultiplied);
  if (layer.isNull()) return;
  layer.fill(Qt::transparent);
  {
    QPainter layerPainter(&layer);
    layerPainter.setRenderHints(painter.renderHints());
    layerPainter.setTransform(toDevice * QTransform::fromTranslate(-extent.left(), -extent.top()));
    QPen pen{QColor::fromRgba(color)};
    pen.setJoinStyle(Qt::RoundJoin);
    pen.setCapStyle(Qt::FlatCap);
    for (int width = 1; width <= thickness; ++width) {
      pen.setWidth(width);
      layerPainter.strokePath(path, pen);
    }
  }
  painter.save();
  painter.setViewTransformEnabled(false);
  painter.resetTransform();
  painter.drawImage(extent.topLeft(), layer);
  painter.restore();
}

}  // namespace

bool DiffusedShadowStrategy::DrawString(Graphics& graphics, const QFont& family, int style, int emSize,
                                        const QString& text, QPoint point) {
  QPainterPath path;
  AddTextToPath(path, StyledFont(family, style, emSize), text, QPointF(point));

  QPainter& painter = graphics.Painter();
  StrokeWidening(painter, path, outlineColor_, thickness_);
  // A transparent fill changes no pixel; skip the work.
  if (qAlpha(textColor_) != 0) {
    const int fills = fillOnce_ ? 1 : thickness_;
    for (int i = 0; i < fills; ++i) painter.fillPath(path, QColor::fromRgba(textColor_));
  }
  return true;
}

}  // namespace glyphra::TextDesigner

#include "draw/textdesigner/diffused_shadow_strategy.h"

#include "draw/base/font_mapping.h"
#include "draw/base/text_layout.h"

#include <QColor>
#include <QLineF>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QTransform>

#include <QPolygonF>
#include <QRgba64>

#include <algorithm>
#include <cmath>
#include <vector>

namespace glyphra::TextDesigner {

namespace {

// The squared distance from p to the segment a–b.
float SquaredDistanceToSegment(QPointF p, QPointF a, QPointF b) {
  const double abx = b.x() - a.x(), aby = b.y() - a.y();
  const double apx = p.x() - a.x(), apy = p.y() - a.y();
  const double length2 = abx * abx + aby * aby;
  const double t = length2 > 0 ? std::clamp((apx * abx + apy * aby) / length2, 0.0, 1.0) : 0.0;
  const double dx = apx - t * abx, dy = apy - t * aby;
  return static_cast<float>(dx * dx + dy * dy);
}

// The outline's distance, in the path's own units, from the centre of each
// pixel of `extent` (device pixels), up to `reach`; farther pixels keep
// reach². Each segment of the flattened outline visits only the pixels of its
// own box widened by the reach.
std::vector<float> SquaredDistances(const QPainterPath& path, const QTransform& toDevice, const QTransform& toUser,
                                    const QRect& extent, qreal reach) {
  const auto width = static_cast<size_t>(extent.width());
  std::vector<float> nearest(width * static_cast<size_t>(extent.height()), static_cast<float>(reach * reach));
  // Flattened as the device sees the curves, measured where the strokes are.
  const QList<QPolygonF> outlines = path.toSubpathPolygons(toDevice);
  // One pixel to the right, in path units.
  const QPointF column = toUser.map(QPointF(1, 0)) - toUser.map(QPointF(0, 0));
  for (const QPolygonF& outline : outlines) {
    for (qsizetype i = 1; i < outline.size(); ++i) {
      const QPointF a = toUser.map(outline[i - 1]);
      const QPointF b = toUser.map(outline[i]);
      const QRectF around = QRectF(a, b).normalized().adjusted(-reach, -reach, reach, reach);
      const QRect pixels = toDevice.mapRect(around).toAlignedRect() & extent;
      for (int y = pixels.top(); y <= pixels.bottom(); ++y) {
        float* out = nearest.data() + static_cast<size_t>(y - extent.top()) * width;
        QPointF sample = toUser.map(QPointF(pixels.left() + 0.5, y + 0.5));
        for (int x = pixels.left(); x <= pixels.right(); ++x, sample += column) {
          float& best = out[x - extent.left()];
          best = std::min(best, SquaredDistanceToSegment(sample, a, b));
        }
      }
    }
  }
  return nearest;
}

// The outline stroked with widths 1..thickness, round joins, one stroke over
// another. A stroke of width w covers the points within w / 2 of the outline,
// so the whole pile at a pixel follows from the pixel's distance d to the
// outline: stroke w covers it by (w / 2 − d) pixels plus the half pixel of its
// antialiased edge, and the strokes lay alpha α on it each by that coverage,
// giving 1 − Π(1 − α·coverage). One distance per pixel costs a fraction of
// stroking the outline `thickness` times (each a flattening and a rasterising
// of every glyph), and the pile is summed exactly rather than rounded to the
// picture's precision at every stroke.
void PaintStrokePile(QPainter& painter, const QPainterPath& path, QRgb color, int thickness) {
  if (thickness <= 0 || qAlpha(color) == 0 || path.isEmpty()) return;
  const QPaintDevice* device = painter.device();
  const QTransform toDevice = painter.deviceTransform();
  bool invertible = false;
  const QTransform toUser = toDevice.inverted(&invertible);
  if (!invertible) return;
  // Device pixels per path unit, for the width of the antialiased edge.
  const qreal scale = std::sqrt(std::abs(toDevice.determinant()));
  if (!(scale > 0)) return;
  const qreal halfPixel = 0.5 / scale;
  const qreal reach = thickness / 2.0 + halfPixel;
  // The widest stroke reaches its half width beyond the outline, in device
  // pixels as far as the transform stretches it.
  const qreal stretch = std::max(toDevice.map(QLineF(0, 0, 1, 0)).length(), toDevice.map(QLineF(0, 0, 0, 1)).length());
  const qreal margin = reach * stretch + 2;
  const QRect extent = toDevice.map(path).boundingRect().adjusted(-margin, -margin, margin, margin).toAlignedRect() &
                       QRect(0, 0, device->width(), device->height());
  if (extent.isEmpty()) return;
  QImage layer(extent.size(), QImage::Format_RGBA64_Premultiplied);
  if (layer.isNull()) return;

  const std::vector<float> distances = SquaredDistances(path, toDevice, toUser, extent, reach);
  const double alpha = qAlpha(color) / 255.0;
  const double red = qRed(color) * 257.0, green = qGreen(color) * 257.0, blue = qBlue(color) * 257.0;
  for (int y = 0; y < extent.height(); ++y) {
    auto* out = reinterpret_cast<QRgba64*>(layer.scanLine(y));
    const float* in = distances.data() + static_cast<size_t>(y) * static_cast<size_t>(extent.width());
    for (int x = 0; x < extent.width(); ++x) {
      const double distance = std::sqrt(static_cast<double>(in[x]));
      double clear = 1.0;  // the share of the pixel that no stroke covers
      // Only strokes wider than 2 × (d − half a pixel) reach the pixel.
      const int narrowest = std::max(1, static_cast<int>(std::floor(2 * (distance - halfPixel))) + 1);
      for (int w = narrowest; w <= thickness; ++w) {
        const double coverage = std::clamp((w / 2.0 - distance) * scale + 0.5, 0.0, 1.0);
        clear *= 1.0 - alpha * coverage;
      }
      const double covered = 1.0 - clear;
      out[x] = QRgba64::fromRgba64(
          static_cast<quint16>(std::lround(red * covered)), static_cast<quint16>(std::lround(green * covered)),
          static_cast<quint16>(std::lround(blue * covered)), static_cast<quint16>(std::lround(65535.0 * covered)));
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
  PaintStrokePile(painter, path, outlineColor_, thickness_);
  // A transparent fill changes no pixel; skip the work.
  if (qAlpha(textColor_) != 0) {
    const int fills = fillOnce_ ? 1 : thickness_;
    for (int i = 0; i < fills; ++i) painter.fillPath(path, QColor::fromRgba(textColor_));
  }
  return true;
}

}  // namespace glyphra::TextDesigner

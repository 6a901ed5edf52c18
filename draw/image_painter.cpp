#include "draw/image_painter.h"

#include "draw/placement.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace glyphra {

QImage WithAlphaScaled(const QImage& picture, double factor) {
  if (factor == 1.0) return picture;
  // Straight alpha, so that colours stay as they are while alpha changes.
  QImage scaled = picture.convertToFormat(QImage::Format_ARGB32);
  if (scaled.isNull()) return scaled;
  uint8_t table[256];
  for (int alpha = 0; alpha < 256; ++alpha) {
    table[alpha] = static_cast<uint8_t>(std::clamp(std::lround(alpha * factor), 0L, 255L));
  }
  for (int y = 0; y < scaled.height(); ++y) {
    auto* row = reinterpret_cast<QRgb*>(scaled.scanLine(y));
    for (int x = 0; x < scaled.width(); ++x) row[x] = (row[x] & 0x00FFFFFF) | (uint32_t{table[qAlpha(row[x])]} << 24);
  }
  return scaled;
}

QRectF ImagePartBox(const WatermarkLayer& layer, const FrameRect& frame, PictureCache& pictures) {
  if (layer.imagePath.isEmpty()) return {};
  const Picture& picture = pictures.Get(layer.imagePath);
  if (picture.status != Status::Ok) return {};
  const ImageGeometry geometry = PlaceImage({layer.imageLocation, layer.imageOffsetH, layer.imageOffsetV,
                                             layer.imageWidth, layer.imageHeight, layer.scaleImage != 0},
                                            frame, picture.image.size());
  if (geometry.drawnSize.isEmpty()) return {};
  return {QPointF(std::trunc(geometry.anchor.x()), std::trunc(geometry.anchor.y())), QSizeF(geometry.drawnSize)};
}

void PaintImagePart(Graphics& graphics, const WatermarkLayer& layer, const FrameRect& frame, PictureCache& pictures) {
  if (layer.imagePath.isEmpty()) return;
  const Picture& picture = pictures.Get(layer.imagePath);
  if (picture.status != Status::Ok) {
    graphics.SetStatus(picture.status);
    return;
  }

  const ImageGeometry geometry = PlaceImage({layer.imageLocation, layer.imageOffsetH, layer.imageOffsetV,
                                             layer.imageWidth, layer.imageHeight, layer.scaleImage != 0},
                                            frame, picture.image.size());
  if (geometry.drawnSize.width() <= 0 || geometry.drawnSize.height() <= 0) return;
  const QImage faded = WithAlphaScaled(picture.image, layer.imageTransparency / 100.0);
  if (faded.isNull()) {
    graphics.SetStatus(Status::OutOfMemory);
    return;
  }

  QPainter& painter = graphics.Painter();
  painter.save();
  RotateAbout(painter, geometry.anchor, layer.imageRotation);
  // Whole pixels, truncated toward zero; kept in reals so that no far-off
  // offset can overflow.
  const QRectF target(std::trunc(geometry.anchor.x()), std::trunc(geometry.anchor.y()), geometry.drawnSize.width(),
                      geometry.drawnSize.height());
  painter.drawImage(target, faded, QRectF(faded.rect()));
  painter.restore();
}

}  // namespace glyphra

#include "draw/preview_painter.h"

#include "draw/frame_hook.h"
#include "draw/layer_painter.h"
#include "draw/render_context.h"

namespace glyphra {

namespace {

// The format an opaque picture is given back in.
QImage::Format OpaqueResultFormat(QImage::Format format) {
  switch (format) {
    case QImage::Format_Mono:
    case QImage::Format_MonoLSB:
    case QImage::Format_Indexed8:
    case QImage::Format_Grayscale8:
    case QImage::Format_Grayscale16:
      return QImage::Format_RGB32;
    default:
      return format;
  }
}

// The first picture of a layer that could not be drawn, as the painter saw it.
Status PictureStatus(const RenderContext& context) {
  for (const WatermarkLayer& layer : context.layers) {
    if (layer.imagePath.isEmpty()) continue;
    const Status status = context.pictures.Peek(layer.imagePath);
    if (status != Status::Ok) return status;
  }
  return Status::Ok;
}

}  // namespace

Status PaintOntoImage(std::vector<WatermarkLayer> layers, QImage& image, FrameTime time) {
  if (image.isNull()) return Status::InvalidParameter;
  if (!PaintingAvailable()) return Status::WrongState;
  if (layers.empty()) return Status::Ok;

  RenderContext context;
  context.frameRect = {0, 0, image.width(), image.height()};
  context.layers = std::move(layers);
  context.frameTime = time;

  if (image.hasAlphaChannel()) {
    if (image.format() != QImage::Format_ARGB32_Premultiplied)
      image = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    Graphics graphics(image);
    PaintLayersAt(graphics, context.layers, context.frameRect, context.pictures, time);
    return graphics.GetLastStatus();
  }

  // QImage rows are padded to 4 bytes, as the frame hook's frames are.
  QImage frame = image.convertToFormat(QImage::Format_BGR888);
  const Status status = PaintFrame(context, frame.bits(), frame.width(), frame.height());
  if (status != Status::Ok) return status;
  image = frame.convertToFormat(OpaqueResultFormat(image.format()));
  return PictureStatus(context);
}

}  // namespace glyphra

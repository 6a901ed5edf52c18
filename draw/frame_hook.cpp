#include "draw/frame_hook.h"

#include "draw/layer_painter.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QImage>

#include <cstdint>
#include <limits>

namespace glyphra {

bool PaintingAvailable() {
  return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
}

Status PaintFrame(RenderContext& context, unsigned char* bits, int width, int height) {
  if (bits == nullptr || width <= 0 || height <= 0) return Status::InvalidParameter;
  const int64_t strideBytes = (int64_t{width} * 3 + 3) & ~int64_t{3};
  if (strideBytes > std::numeric_limits<int>::max()) return Status::InvalidParameter;
  if (context.layers.empty()) return Status::Ok;
  if (!PaintingAvailable()) return Status::WrongState;

  const QSize frameSize(width, height);
  if (context.overlay.IsCurrent(frameSize) ||
      context.overlay.Render(context.layers, context.frameRect, frameSize, context.pictures)) {
    context.overlay.BlendInto(bits, strideBytes);
    return Status::Ok;
  }

  QImage frame(bits, width, height, static_cast<qsizetype>(strideBytes), QImage::Format_BGR888);
  Graphics graphics(frame);
  PaintLayers(graphics, context.layers, context.frameRect, context.pictures);
  return Status::Ok;
}

}  // namespace glyphra

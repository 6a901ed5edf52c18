#include "draw/frame_hook.h"

#include "draw/layer_painter.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QImage>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <tuple>
#include <utility>

namespace glyphra {

bool PaintingAvailable() {
  return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
}

namespace {

int64_t StrideBytes(int width) { return (int64_t{width} * 3 + 3) & ~int64_t{3}; }

bool IsAddressable(int width, int height) {
  return width > 0 && height > 0 && StrideBytes(width) <= std::numeric_limits<int>::max();
}

// True when the overlay is ready for a frame of this size (painted again
// when needed); false when it cannot be had.
bool UpToDateOverlay(RenderContext& context, QSize frameSize) {
  return context.overlay.IsCurrent(frameSize) ||
         context.overlay.Render(context.layers, context.frameRect, frameSize, FrameTransform(context, frameSize),
                                context.pictures);
}

}  // namespace

Status PaintFrame(RenderContext& context, unsigned char* bits, int width, int height) {
  const bool pinned = std::exchange(context.overlayPinned, false);
  if (bits == nullptr || !IsAddressable(width, height)) return Status::InvalidParameter;
  const int64_t strideBytes = StrideBytes(width);
  if (context.layers.empty()) return Status::Ok;
  if (!PaintingAvailable()) return Status::WrongState;

  const QSize frameSize(width, height);
  if ((pinned && context.overlay.IsPaintedFor(frameSize)) || UpToDateOverlay(context, frameSize)) {
    context.overlay.BlendInto(bits, strideBytes, context.frameTime);
    return Status::Ok;
  }

  QImage frame(bits, width, height, static_cast<qsizetype>(strideBytes), QImage::Format_BGR888);
  Graphics graphics(frame);
  if (graphics.IsActive()) graphics.Painter().setTransform(FrameTransform(context, frameSize));
  PaintLayersAt(graphics, context.layers, context.frameRect, context.pictures, context.frameTime);
  return Status::Ok;
}

bool FrameRows(RenderContext& context, int width, int height, int& firstRow, int& endRow) {
  context.overlayPinned = false;
  if (!IsAddressable(width, height)) return false;
  firstRow = endRow = 0;
  // Without layers, or without a QGuiApplication, PaintFrame changes nothing.
  if (context.layers.empty() || !PaintingAvailable()) return true;
  if (!UpToDateOverlay(context, QSize(width, height))) return false;
  std::tie(firstRow, endRow) = context.overlay.PaintedRows(context.frameTime);
  context.overlayPinned = true;
  return true;
}

bool CopyOverlayRows(RenderContext& context, int width, int height, int firstRow, int endRow, QRgb* pixels) {
  if (pixels == nullptr || !IsAddressable(width, height) || firstRow < 0 || endRow > height || firstRow > endRow)
    return false;
  if (context.layers.empty() || !PaintingAvailable()) {
    std::fill(pixels, pixels + int64_t{width} * (endRow - firstRow), QRgb{0});
    return true;
  }
  if (!UpToDateOverlay(context, QSize(width, height))) return false;
  context.overlay.CopyRows(firstRow, endRow, pixels, context.frameTime);
  return true;
}

}  // namespace glyphra

#include "draw/frame_overlay.h"

#include "draw/graphics.h"
#include "draw/layer_painter.h"

#include <algorithm>

namespace glyphra {
namespace {

// x ÷ 255 rounded, exact for every product of two bytes.
inline uint32_t Div255(uint32_t x) {
  x += 128;
  return (x + (x >> 8)) >> 8;
}

}  // namespace

bool FrameOverlay::IsCurrent(QSize frameSize) const {
  if (!valid_ || frameSize_ != frameSize) return false;
  for (const auto& [path, stamp] : pictureStamps_) {
    if (StampOf(path) != stamp) return false;
  }
  return true;
}

bool FrameOverlay::Render(std::vector<WatermarkLayer>& layers, const FrameRect& frame, QSize frameSize,
                          const QTransform& toFrame, PictureCache& pictures) {
  valid_ = false;
  spans_.clear();
  pictureStamps_.clear();
  QImage canvas(frameSize, QImage::Format_RGBA64_Premultiplied);
  if (canvas.isNull()) return false;
  canvas.fill(Qt::transparent);

  // Stamps taken before painting: a file that changes meanwhile differs from
  // its stamp and is painted again on the next frame.
  for (const WatermarkLayer& layer : layers) {
    if (!layer.imagePath.isEmpty()) pictureStamps_.emplace_back(layer.imagePath, pictures.Get(layer.imagePath).stamp);
  }
  {
    Graphics graphics(canvas);
    if (graphics.IsActive()) graphics.Painter().setTransform(toFrame);
    PaintLayers(graphics, layers, frame, pictures);
  }
  const QImage pixels = canvas.convertToFormat(QImage::Format_ARGB32_Premultiplied);
  if (pixels.isNull()) return false;
  FindSpans(pixels);
  frameSize_ = frameSize;
  valid_ = true;
  return true;
}

void FrameOverlay::FindSpans(const QImage& pixels) {
  spans_.clear();
  spanPixels_.clear();
  const int width = pixels.width();
  for (int y = 0; y < pixels.height(); ++y) {
    const auto* row = reinterpret_cast<const QRgb*>(pixels.constScanLine(y));
    int x = 0;
    while (true) {
      while (x < width && row[x] == 0) ++x;
      if (x >= width) break;
      const int start = x;
      while (x < width && row[x] != 0) ++x;
      const int end = x;
      spans_.push_back({y, start, end});
      spanPixels_.insert(spanPixels_.end(), row + start, row + end);
    }
  }
  spans_.shrink_to_fit();
  spanPixels_.shrink_to_fit();
}

void FrameOverlay::BlendInto(unsigned char* bits, int64_t strideBytes) const {
  const QRgb* source = spanPixels_.data();
  for (const Span& span : spans_) {
    unsigned char* target = bits + span.y * strideBytes + int64_t{span.x0} * 3;
    for (int n = span.x1 - span.x0; n > 0; --n, ++source, target += 3) {
      const uint32_t pixel = *source;
      const uint32_t alpha = pixel >> 24;
      const uint32_t blue = pixel & 0xFF;
      const uint32_t green = (pixel >> 8) & 0xFF;
      const uint32_t red = (pixel >> 16) & 0xFF;
      if (alpha == 255) {
        target[0] = static_cast<unsigned char>(blue);
        target[1] = static_cast<unsigned char>(green);
        target[2] = static_cast<unsigned char>(red);
        continue;
      }
      // Source over, premultiplied: result = overlay + frame × (1 − alpha).
      const uint32_t rest = 255 - alpha;
      target[0] = static_cast<unsigned char>(blue + Div255(target[0] * rest));
      target[1] = static_cast<unsigned char>(green + Div255(target[1] * rest));
      target[2] = static_cast<unsigned char>(red + Div255(target[2] * rest));
    }
  }
}

void FrameOverlay::CopyRows(int firstRow, int endRow, QRgb* pixels) const {
  const int width = frameSize_.width();
  std::fill(pixels, pixels + int64_t{width} * (endRow - firstRow), QRgb{0});
  const QRgb* source = spanPixels_.data();
  for (const Span& span : spans_) {
    const int count = span.x1 - span.x0;
    if (span.y >= firstRow && span.y < endRow)
      std::copy(source, source + count, pixels + int64_t{span.y - firstRow} * width + span.x0);
    source += count;
  }
}

}  // namespace glyphra

#include "draw/frame_overlay.h"

#include "draw/graphics.h"
#include "draw/layer_painter.h"

namespace glyphra {
namespace {

// Transparent gaps shorter than this stay inside a span: a transparent pixel
// blends to itself, and fewer spans cost less than the skipped pixels.
constexpr int kSpanMergeGap = 16;

// x ÷ 255 rounded, exact for every product of two bytes.
inline uint32_t Div255(uint32_t x) {
  x += 128;
  return (x + (x >> 8)) >> 8;
}

}  // namespace

bool FrameOverlay::IsCurrent(QSize frameSize) const {
  if (!valid_ || pixels_.size() != frameSize) return false;
  for (const auto& [path, stamp] : pictureStamps_) {
    if (StampOf(path) != stamp) return false;
  }
  return true;
}

bool FrameOverlay::Render(std::vector<WatermarkLayer>& layers, const FrameRect& frame, QSize frameSize,
                          PictureCache& pictures) {
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
    PaintLayers(graphics, layers, frame, pictures);
  }
  pixels_ = canvas.convertToFormat(QImage::Format_ARGB32_Premultiplied);
  if (pixels_.isNull()) return false;
  FindSpans();
  valid_ = true;
  return true;
}

void FrameOverlay::FindSpans() {
  const int width = pixels_.width();
  for (int y = 0; y < pixels_.height(); ++y) {
    const auto* row = reinterpret_cast<const QRgb*>(pixels_.constScanLine(y));
    int x = 0;
    while (true) {
      while (x < width && row[x] == 0) ++x;
      if (x >= width) break;
      const int start = x;
      int end = x;
      // Extend over visible pixels and over short transparent gaps.
      while (x < width) {
        if (row[x] != 0) {
          end = ++x;
        } else if (x - end < kSpanMergeGap) {
          ++x;
        } else {
          break;
        }
      }
      spans_.push_back({y, start, end});
    }
  }
}

void FrameOverlay::BlendInto(unsigned char* bits, int64_t strideBytes) const {
  for (const Span& span : spans_) {
    const auto* source = reinterpret_cast<const QRgb*>(pixels_.constScanLine(span.y)) + span.x0;
    unsigned char* target = bits + span.y * strideBytes + int64_t{span.x0} * 3;
    for (int n = span.x1 - span.x0; n > 0; --n, ++source, target += 3) {
      const uint32_t pixel = *source;
      const uint32_t alpha = pixel >> 24;
      if (alpha == 0) continue;
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

}  // namespace glyphra

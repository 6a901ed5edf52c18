#pragma once

// The layers of a prepared template painted once into a transparent,
// premultiplied overlay of the frame's size, and blended into every frame.
// Only the row spans that hold a visible pixel are stored and touched. The
// overlay is painted again when the template is prepared again, when the
// frame size changes, or when a picture file of the layers changes.
// One overlay per thread.

#include "draw/frame_rect.h"
#include "draw/picture_cache.h"
#include "draw/watermark_layer.h"

#include <QImage>
#include <QRgb>
#include <QSize>
#include <QString>
#include <QTransform>

#include <cstdint>
#include <utility>
#include <vector>

namespace glyphra {

class FrameOverlay {
 public:
  // Forgets the painted overlay.
  void Invalidate() { valid_ = false; }

  // True when the overlay was painted for a frame of this size and no picture
  // file of its layers has changed since (one stat per picture).
  bool IsCurrent(QSize frameSize) const;

  // Paints the layers (placed in frame, then mapped by toFrame) into a new
  // overlay of frameSize. False when the overlay cannot be allocated.
  bool Render(std::vector<WatermarkLayer>& layers, const FrameRect& frame, QSize frameSize, const QTransform& toFrame,
              PictureCache& pictures);

  // True when painted for a frame of this size (whatever became of its pictures).
  bool IsPaintedFor(QSize frameSize) const { return valid_ && frameSize_ == frameSize; }

  // [first, end) of the rows that hold a visible pixel; empty when none.
  std::pair<int, int> PaintedRows() const {
    return spans_.empty() ? std::pair{0, 0} : std::pair{spans_.front().y, spans_.back().y + 1};
  }

  // Blends the overlay over 24-bit blue-green-red rows of the overlay's size
  // that lie strideBytes apart. Touches only the visible spans; allocates
  // nothing.
  void BlendInto(unsigned char* bits, int64_t strideBytes) const;

  // Writes the overlay's rows [firstRow, endRow) as premultiplied ARGB32,
  // width pixels a row, transparent where nothing is painted.
  void CopyRows(int firstRow, int endRow, QRgb* pixels) const;

 private:
  struct Span {
    int y;
    int x0;  // first pixel
    int x1;  // one past the last pixel
  };
  void FindSpans(const QImage& pixels);

  QSize frameSize_;
  std::vector<Span> spans_;
  std::vector<QRgb> spanPixels_;  // the spans' pixels one after the other, ARGB32 premultiplied
  std::vector<std::pair<QString, FileStamp>> pictureStamps_;
  bool valid_ = false;
};

}  // namespace glyphra

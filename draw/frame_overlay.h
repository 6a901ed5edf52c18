#pragma once

// The layers of a prepared template painted once into transparent,
// premultiplied overlays of the frame's size, and blended into every frame.
// Layers that show on every frame as painted share one overlay (per run of
// such layers); a layer with timing or motion has its own, which each frame
// blends with the opacity and offset of its time (layer_timing.h), so that
// nothing is painted again per frame. Only the row spans that hold a visible
// pixel are stored and touched. The overlays are painted again when the
// template is prepared again, when the frame size changes, or when a picture
// file of the layers changes. One overlay per thread.
//
// A text with frame tokens (live_text.h) is painted once per character it
// can show in each of its cells, each a part of its own, and every frame
// lays on the parts of the characters its values show.

#include "draw/frame_rect.h"
#include "draw/layer_timing.h"
#include "draw/live_text.h"
#include "draw/picture_cache.h"
#include "draw/watermark_layer.h"

#include <QImage>
#include <QRect>
#include <QRgb>
#include <QSize>
#include <QString>
#include <QTransform>

#include <cstdint>
#include <optional>
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

  // Paints the layers (placed in frame, then mapped by toFrame) into new
  // overlays of frameSize. False when an overlay cannot be allocated.
  bool Render(std::vector<WatermarkLayer>& layers, const FrameRect& frame, QSize frameSize, const QTransform& toFrame,
              PictureCache& pictures);

  // True when painted for a frame of this size (whatever became of its pictures).
  bool IsPaintedFor(QSize frameSize) const { return valid_ && frameSize_ == frameSize; }

  // True when some layer has timing or motion: frames then differ by time.
  bool IsTimed() const;

  // [first, end) of the rows that hold a visible pixel on a frame at `time`;
  // empty when none.
  std::pair<int, int> PaintedRows(FrameTime time = {}) const;

  // Blends the overlay, as it shows at `time`, over 24-bit blue-green-red
  // rows of the overlay's size that lie strideBytes apart. Touches only the
  // visible spans; allocates nothing.
  void BlendInto(unsigned char* bits, int64_t strideBytes, FrameTime time = {}) const;

  // The overlay's parts, each a layer with timing or motion or a run of
  // layers without: for a caller that lays them on itself.
  size_t PartCount() const { return parts_.size(); }
  // The rows [first, end) that part `index` covers where it was painted.
  std::pair<int, int> PartRows(size_t index) const {
    const QRect& box = parts_[index].box;
    return {box.top(), box.bottom() + 1};
  }
  // Part `index` as painted (still, opaque), rows [firstRow, endRow), as CopyRows writes them.
  void CopyPartRows(size_t index, int firstRow, int endRow, QRgb* pixels) const;
  // Whether part `index` shows at `time`, and with which opacity (1..256) and offset.
  bool PartAt(size_t index, FrameTime time, uint32_t& opacity, QPoint& offset) const;

  // Writes the overlay's rows [firstRow, endRow) as it shows at `time`, as
  // premultiplied ARGB32, width pixels a row, transparent where nothing is
  // painted.
  void CopyRows(int firstRow, int endRow, QRgb* pixels, FrameTime time = {}) const;

 private:
  struct Span {
    int y;
    int x0;  // first pixel
    int x1;  // one past the last pixel
  };
  // The painted pixels of one layer, or of a run of layers without timing.
  struct Part {
    std::vector<Span> spans;
    std::vector<QRgb> pixels;  // the spans' pixels one after the other, ARGB32 premultiplied
    QRect box;                 // bounds of the spans
    std::optional<LayerTiming> timing;
    QRect timingBox;  // what the layer's motion moves: its box, or its whole layer's
    // A character of a text with frame tokens: shown when cell `cell` of
    // live layer `live` shows `glyph`; -1: always.
    int live = -1;
    int cell = 0;
    QString glyph;
  };
  // How a part shows at a time: nothing (nullopt), or with an opacity
  // (0..256) and an offset.
  struct Placed {
    const Part* part;
    uint32_t opacity;
    QPoint offset;
  };
  static Part FindSpans(const QImage& pixels, QPoint origin = {});
  // The parts of a layer with frame tokens: its picture, then one part per
  // cell and character.
  bool RenderLive(WatermarkLayer& layer, const FrameRect& frame, QSize frameSize, const QTransform& toFrame,
                  PictureCache& pictures);
  // What each live layer's cells show at `time` (kept for the last time asked).
  const std::vector<std::vector<QString>>& LiveTextsAt(const FrameTime& time) const;
  std::optional<Placed> PlaceAt(const Part& part, FrameTime time) const;
  // Calls visit(pixels, y, x, count, opacity) for every run of a part shown at
  // `time`, moved by its offset and cut to the frame's width and rows
  // [firstRow, endRow); `pixels` are the run's first `count` source pixels.
  template <typename Visit>
  void ForEachShownRun(FrameTime time, int firstRow, int endRow, Visit visit) const;

  QSize frameSize_;
  std::vector<Part> parts_;
  std::vector<std::vector<LiveCell>> liveCells_;  // per live layer
  mutable std::optional<FrameTime> liveTime_;     // of liveTexts_
  mutable std::vector<std::vector<QString>> liveTexts_;
  std::vector<std::pair<QString, FileStamp>> pictureStamps_;
  bool valid_ = false;
};

}  // namespace glyphra

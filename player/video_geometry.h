#pragma once

// Where the clip's picture lands in the player and at which size the
// watermark is painted for it.

#include <QRect>
#include <QSize>

namespace vidplay {

// The video as mpv describes it (its "video-params" property).
struct VideoFormat {
  int width = 0;           // stored frame, in pixels
  int height = 0;
  int displayWidth = 0;    // the stored frame stretched by its pixel aspect
  int displayHeight = 0;   // ratio, before rotation
  int rotateDegrees = 0;   // clockwise turn that shows the picture upright

  bool IsValid() const { return width > 0 && height > 0 && displayWidth > 0 && displayHeight > 0; }
  bool operator==(const VideoFormat&) const = default;
};

// The frame the batch paints on: the stored frame turned upright (width and
// height swapped for a quarter turn). Pixel aspect is left out, as the batch
// paints the stored pixels and the stretch applies to watermark and picture
// alike.
QSize PaintedFrameSize(const VideoFormat& format);

// The largest frame the player paints a watermark for: 8192 pixels a side
// and 8192 x 4320 pixels in all (an 8K frame; its overlay takes 140 MB).
inline constexpr int kLargestPaintedSide = 8192;
inline constexpr long long kLargestPaintedPixels = 8192LL * 4320;
bool IsPaintable(QSize frame);

// The picture's shape on screen: the display size turned upright.
QSize DisplayedSize(const VideoFormat& format);

// The rectangle of `target` (device pixels) that mpv fills with the picture:
// the displayed shape fitted into the target and centred, rounded as mpv
// rounds it with its default options.
QRect VideoRectangle(const VideoFormat& format, QSize target);

}  // namespace vidplay

#include "player/video_geometry.h"

#include <algorithm>

namespace vidplay {
namespace {

bool QuarterTurn(int degrees) { return ((degrees % 180) + 180) % 180 == 90; }

}  // namespace

bool IsPaintable(QSize frame) {
  return frame.width() > 0 && frame.height() > 0 && frame.width() <= kLargestPaintedSide &&
         frame.height() <= kLargestPaintedSide &&
         static_cast<long long>(frame.width()) * frame.height() <= kLargestPaintedPixels;
}

QSize PaintedFrameSize(const VideoFormat& format) {
  if (!format.IsValid()) return {};
  return QuarterTurn(format.rotateDegrees) ? QSize(format.height, format.width) : QSize(format.width, format.height);
}

QSize DisplayedSize(const VideoFormat& format) {
  if (!format.IsValid()) return {};
  return QuarterTurn(format.rotateDegrees) ? QSize(format.displayHeight, format.displayWidth)
                                           : QSize(format.displayWidth, format.displayHeight);
}

QRect VideoRectangle(const VideoFormat& format, QSize target) {
  if (!format.IsValid() || target.isEmpty()) return {};
  const QSize shown = DisplayedSize(format);
  const int shownWidth = shown.width();
  const int shownHeight = shown.height();

  // Fit by width first; fall back to the height when that is too tall. The
  // single-precision arithmetic and truncation follow mpv, so that the
  // rectangle matches the picture to the pixel.
  int fittedWidth = target.width();
  int fittedHeight = static_cast<int>(static_cast<float>(target.width()) / static_cast<float>(shownWidth) *
                                      static_cast<float>(shownHeight));
  if (fittedHeight > target.height()) {
    const int byHeight = static_cast<int>(static_cast<float>(target.height()) / static_cast<float>(shownHeight) *
                                          static_cast<float>(shownWidth));
    if (byHeight <= target.width()) {
      fittedHeight = target.height();
      fittedWidth = byHeight;
    }
  }
  fittedWidth = std::max(fittedWidth, 1);
  fittedHeight = std::max(fittedHeight, 1);
  const int left = static_cast<int>(static_cast<float>(target.width() - fittedWidth) * 0.5f);
  const int top = static_cast<int>(static_cast<float>(target.height() - fittedHeight) * 0.5f);
  return QRect(left, top, fittedWidth, fittedHeight);
}

}  // namespace vidplay

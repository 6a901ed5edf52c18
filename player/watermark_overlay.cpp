#include "player/watermark_overlay.h"

#include "draw/glyphra.h"

#include <algorithm>
#include <cmath>

namespace vidplay {

void UseTemplatesOf(const QString& applicationName) {
  InitTemplateFolderPathForDrawlixDll(reinterpret_cast<const char16_t*>(applicationName.utf16()));
}

std::optional<WatermarkOverlay> PaintWatermark(const QString& templateName, QSize frameSize) {
  if (templateName.isEmpty() || frameSize.isEmpty()) return std::nullopt;
  // Purpose 0: a preview; the painting is the batch's.
  if (PrepareWMForDrawlixDll(reinterpret_cast<const char16_t*>(templateName.utf16()), frameSize.width(),
                             frameSize.height(), 0) != 0) {
    return std::nullopt;
  }
  QImage frame(frameSize, QImage::Format_ARGB32_Premultiplied);
  if (frame.isNull()) return std::nullopt;
  frame.fill(Qt::transparent);
  {
    glyphra::Graphics graphics(frame);
    DrawGraphicsWithTempConf(&graphics);
  }
  SetFrameHookTime(-1, 0);
  if (FrameHookTimed(frameSize.width(), frameSize.height())) return WatermarkAt(frameSize, 0, 0);
  WatermarkOverlay overlay;
  overlay.frameSize = frameSize;
  overlay.frameRegion = PaintedRegion(frame);
  if (!overlay.frameRegion.isEmpty()) overlay.picture = frame.copy(overlay.frameRegion);
  return overlay;
}

std::optional<WatermarkOverlay> WatermarkAt(QSize frameSize, double seconds, double clipSeconds) {
  if (frameSize.isEmpty()) return std::nullopt;
  SetFrameHookTime(std::llround(std::max(seconds, 0.0) * 1000), clipSeconds > 0 ? std::llround(clipSeconds * 1000) : 0);
  WatermarkOverlay overlay;
  overlay.frameSize = frameSize;
  overlay.timed = true;
  int firstRow = 0, endRow = 0;
  if (!FrameHookRows(frameSize.width(), frameSize.height(), &firstRow, &endRow)) return std::nullopt;
  if (firstRow >= endRow) return overlay;
  QImage rows(frameSize.width(), endRow - firstRow, QImage::Format_ARGB32_Premultiplied);
  if (rows.isNull() || rows.bytesPerLine() != static_cast<qsizetype>(frameSize.width()) * 4) return std::nullopt;
  if (!FrameHookOverlay(frameSize.width(), frameSize.height(), firstRow, endRow,
                        reinterpret_cast<unsigned int*>(rows.bits())))
    return std::nullopt;
  const QRect painted = PaintedRegion(rows);
  if (painted.isEmpty()) return overlay;
  overlay.frameRegion = painted.translated(0, firstRow);
  overlay.picture = rows.copy(painted);
  return overlay;
}

QRect PaintedRegion(const QImage& picture) {
  const QImage argb = picture.format() == QImage::Format_ARGB32_Premultiplied
                          ? picture
                          : picture.convertToFormat(QImage::Format_ARGB32_Premultiplied);
  int left = argb.width(), top = argb.height(), right = -1, bottom = -1;
  for (int y = 0; y < argb.height(); ++y) {
    const auto* row = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
    for (int x = 0; x < argb.width(); ++x) {
      if (qAlpha(row[x]) == 0) continue;
      left = std::min(left, x);
      right = std::max(right, x);
      top = std::min(top, y);
      bottom = y;
    }
  }
  if (right < 0) return {};
  return QRect(QPoint(left, top), QPoint(right, bottom));
}

}  // namespace vidplay

#pragma once

// The watermark as the player draws it: the template painted once by the
// drawing library on a transparent picture of the clip's frame size, exactly
// as the batch paints it into every frame, then cut to the part that holds
// paint so that drawing it over each video frame stays cheap.
//
// User-interface thread only (the drawing library keeps one prepared
// template per thread).

#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>

#include <optional>

namespace vidplay {

struct WatermarkOverlay {
  QSize frameSize;    // the frame the template was painted for
  QImage picture;     // the painted part (premultiplied ARGB); null when nothing was painted
  QRect frameRegion;  // where `picture` sits in the frame
  // The template has layers that live in time: the picture holds for one
  // playback time only (WatermarkAt gives it for another).
  bool timed = false;
};

// Tells the drawing library the application whose templates folder to use.
void UseTemplatesOf(const QString& applicationName);

// Paints the template for a frame of `frameSize`. Nothing when the template
// is missing or cannot be read.
std::optional<WatermarkOverlay> PaintWatermark(const QString& templateName, QSize frameSize);

// For a timed template painted last by PaintWatermark on this thread: the
// watermark as it is on the frame at `seconds` of a clip of `clipSeconds`
// (0 when unknown). The layers are not painted again, only laid on for that
// time, as the batch does for that frame.
std::optional<WatermarkOverlay> WatermarkAt(QSize frameSize, double seconds, double clipSeconds);

// The bounding box of the pixels of `picture` that are not fully transparent.
QRect PaintedRegion(const QImage& picture);

}  // namespace vidplay

#pragma once

// A picture of a video for the output preview: the frame shown at a given
// time, decoded with the encoder library (FFmpeg), upright and at the size
// players show it (the source's rotation and sample aspect ratio applied),
// which is the picture the batch places the watermark in. Paint the
// watermark on it with the drawing library's PaintTemplateOntoImage to see
// what the output will look like.
//
// Any thread (the preview renders on a pool thread); blocking, it decodes
// from the key frame before the time. Loads the encoder library from
// `encoderLibraryFolder` (EncoderLibraryFolder() of engine.h) for the call.

#include <QImage>
#include <QString>

namespace vidmora {

struct GrabbedFrame {
  QImage image;   // 24-bit; null on failure
  QString error;  // one line for the user on failure; empty otherwise
};

// The time of the picture that previews show of a clip (the output preview and
// the template editor), so that both show the same frame.
inline constexpr double kPreviewFrameSeconds = 3.0;

GrabbedFrame GrabFrame(const QString& encoderLibraryFolder, const QString& sourcePath, double seconds);

}  // namespace vidmora

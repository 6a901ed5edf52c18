#pragma once

// The one answer to "how big is this frame" for painting a source: the size
// its frames are decoded at (upright, as the encoder hands them to the frame
// hook) and the size players show them at (the sample aspect ratio applied).
// The watermark is placed in the shown size; the batch, the output preview
// and the player's launch all ask here. The decoder decides: where MediaInfo's
// size (when given) differs from the decoded picture, both are logged and the
// decoded one is used. Any thread; blocking (opens the source).

#include "app/processing/encoder_library.h"

#include <QSize>
#include <QString>

namespace vidmora {

class MediaProbe;

struct PaintSize {
  QSize frame;    // as decoded, upright; empty when the source has no video
  QSize shown;    // as players show it
  QString error;  // one line when the sizes could not be read
  bool Known() const { return !frame.isEmpty() && !shown.isEmpty(); }
};

// With the encoder library already loaded for the file.
PaintSize SourcePaintSize(const EncoderLibrary& library, const QString& sourcePath, const MediaProbe* probe);

// Loads the encoder library from `encoderLibraryFolder` for the call.
PaintSize SourcePaintSize(const QString& encoderLibraryFolder, const QString& sourcePath);

}  // namespace vidmora

#pragma once

// The picture of the output preview: one frame of a source (3 seconds in, or
// the last frame of a shorter clip), upright at its displayed size, with the
// template painted over it as the batch paints it, kept as a PNG in the
// preview cache (preview_cache.h). A cache picture older than the source or
// than any file of the templates folder, or painted with another template, is
// made again.
//
// Any thread: the output preview runs it on a pool thread. Blocking.

#include <QImage>
#include <QString>

namespace vidmora {

struct PreviewPicture {
  QImage image;   // null on failure
  QString error;  // one line naming the source and the reason; empty otherwise
};

// `encoderLibraryFolder` as EncoderLibraryFolder() gives it.
PreviewPicture RenderPreview(const QString& encoderLibraryFolder, const QString& templatesFolder,
                             const QString& templateName, const QString& sourcePath);

}  // namespace vidmora

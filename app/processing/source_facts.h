#pragma once

// What a list shows of a source before it is encoded: whether it is a video
// at all, its length and the size players show it at. Read from the file with
// the media probe and the encoder library, as the transcode job reads them,
// so that a file the job would refuse is named as such when it is added.
//
// Any thread; blocking (opens the file, and loads the encoder library for the
// call), so a window calls it off its user-interface thread.

#include <QSize>
#include <QString>

namespace vidmora {

struct SourceFacts {
  bool video = false;
  QString problem;             // not a video: why, to follow "Not a video: "; else empty
  QSize shown;                 // the picture as players show it; empty when unknown
  double durationSeconds = 0;  // 0 when unknown
};

SourceFacts ReadSourceFacts(const QString& encoderLibraryFolder, const QString& sourcePath);

}  // namespace vidmora

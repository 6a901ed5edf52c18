#pragma once

// Which files the window takes as videos: the file dialog's filter and the
// check applied to dropped files and folders.

#include <QString>
#include <QStringList>

namespace vidmora {

// The file dialog's name filter: "All Supported Files (*.3g2 *.3gp ...)".
QString VideoFileDialogFilter();

// Whether the file name ends in a supported extension, compared whole and
// without regard to case ("IMG_0001.MOV" yes, "clip.mp" and "clip" no).
bool IsSupportedVideo(const QString& fileName);

// What a list of dropped or chosen paths gives: supported videos (a folder
// gives the supported videos inside it, sub-folders included, sorted by
// path) and the number of paths left out because they are not videos.
struct VideoPathScan {
  QStringList videos;
  int refused = 0;
};
VideoPathScan ScanVideoPaths(const QStringList& paths);

}  // namespace vidmora

#include "app/shell/video_files.h"

#include <QDirIterator>
#include <QFileInfo>

#include <algorithm>
#include <iterator>

namespace vidmora {

namespace {

// The extensions of the supported videos, lower case, without the dot.
constexpr const char* kVideoExtensions[] = {
    "3g2",  "3gp",  "3gp2", "3gpp", "amv",  "asf",   "avi",   "divx",  "drc",  "dv",
    "f4v",  "flv",  "gxf",  "m1v",  "m2t",  "m2v",   "m2ts",  "m4v",   "mkv",  "mov",
    "mp2",  "mp2v", "mp4",  "mp4v", "mpa",  "mpe",   "mpeg",  "mpeg1", "mpeg2", "mpeg4",
    "mpg",  "mpv2", "mts",  "mtv",  "mxf",  "nsv",   "nuv",   "ogg",   "ogm",  "ogx",
    "ogv",  "rec",  "rm",   "rmvb", "tod",  "ts",    "tts",   "vob",   "vro",  "webm",
    "wmv",
};

QStringList NamePatterns() {
  QStringList patterns;
  for (const char* extension : kVideoExtensions) patterns << QStringLiteral("*.") + QLatin1String(extension);
  return patterns;
}

}  // namespace

QString VideoFileDialogFilter() {
  return QStringLiteral("All Supported Files (%1)").arg(NamePatterns().join(' '));
}

bool IsSupportedVideo(const QString& fileName) {
  const QString suffix = QFileInfo(fileName).suffix();
  if (suffix.isEmpty()) return false;
  return std::any_of(std::begin(kVideoExtensions), std::end(kVideoExtensions), [&](const char* extension) {
    return suffix.compare(QLatin1String(extension), Qt::CaseInsensitive) == 0;
  });
}

VideoPathScan ScanVideoPaths(const QStringList& paths) {
  VideoPathScan scan;
  for (const QString& path : paths) {
    const QFileInfo info(path);
    if (info.isDir()) {
      QStringList inside;
      QDirIterator it(info.absoluteFilePath(), QDir::Files | QDir::Readable, QDirIterator::Subdirectories);
      while (it.hasNext()) {
        const QString file = it.next();
        if (IsSupportedVideo(file)) inside << file;
      }
      inside.sort();
      scan.videos << inside;
    } else if (info.isFile() && IsSupportedVideo(path)) {
      scan.videos << info.absoluteFilePath();
    } else {
      ++scan.refused;
    }
  }
  return scan;
}

}  // namespace vidmora

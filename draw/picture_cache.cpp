#include "draw/picture_cache.h"

#include <QFile>
#include <QImageReader>

#include <sys/stat.h>

namespace glyphra {

FileStamp StampOf(const QString& path) {
  struct stat info {};
  if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &info) != 0) return {};
  return {true, static_cast<int64_t>(info.st_size),
          static_cast<int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec};
}

const Picture& PictureCache::Get(const QString& path) {
  const FileStamp stamp = StampOf(path);
  Picture& picture = pictures_[path];
  if (picture.stamp == stamp && (stamp.exists || picture.status != Status::Ok)) return picture;

  picture = Picture{};
  picture.stamp = stamp;
  if (!stamp.exists) {
    picture.status = Status::FileNotFound;
    return picture;
  }
  QImageReader reader(path);
  if (!reader.read(&picture.image)) {
    picture.status = reader.error() == QImageReader::FileNotFoundError ? Status::FileNotFound
                                                                       : Status::UnknownImageFormat;
    picture.image = QImage();
  }
  return picture;
}

Status PictureCache::Peek(const QString& path) const {
  const auto it = pictures_.find(path);
  return it == pictures_.end() ? Status::Ok : it->second.status;
}

}  // namespace glyphra

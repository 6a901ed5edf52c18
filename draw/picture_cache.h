#pragma once

// Decoded pictures of image layers, kept while their files are unchanged: a
// file whose size or modification time changes is decoded again. One cache per
// thread; not shared.

#include "draw/base/graphics.h"

#include <QImage>
#include <QString>

#include <cstdint>
#include <map>

namespace glyphra {

// What identifies a version of a file: whether it exists, its size and its
// modification time.
struct FileStamp {
  bool exists = false;
  int64_t sizeBytes = 0;
  int64_t modifiedNs = 0;
  bool operator==(const FileStamp&) const = default;
};

FileStamp StampOf(const QString& path);

struct Picture {
  QImage image;                  // null when status is not Ok
  Status status = Status::Ok;    // FileNotFound or UnknownImageFormat
  FileStamp stamp;               // of the file that was decoded
};

class PictureCache {
 public:
  // The picture at path, decoded again when the file changed since it was
  // last decoded (PNG, JPEG, BMP, GIF, TIFF and whatever Qt's plugins read).
  const Picture& Get(const QString& path);
  // The status of the picture last decoded from path; Ok when none was.
  Status Peek(const QString& path) const;

  // Forgets every picture whose path is not in keep.
  template <typename Paths>
  void Retain(const Paths& keep) {
    std::erase_if(pictures_, [&](const auto& entry) {
      for (const QString& path : keep) {
        if (path == entry.first) return false;
      }
      return true;
    });
  }

 private:
  std::map<QString, Picture> pictures_;
};

}  // namespace glyphra

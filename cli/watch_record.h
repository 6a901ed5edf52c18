#pragma once

// What a watch folder has handled, kept in a file so that a restart never
// handles a file twice: per source, the size and time it had and how it
// ended. A file that changed since (another size or time) is handled anew.
// One thread.

#include <QHash>
#include <QString>

#include <optional>

namespace vidmora::cli {

struct FileStamp {
  qint64 sizeBytes = -1;
  qint64 modifiedNs = 0;  // modification time, nanoseconds since the epoch
  bool operator==(const FileStamp&) const = default;
};

// The stamp of the file at `path`; nothing when it is not a regular file.
std::optional<FileStamp> StampOf(const QString& path);

class WatchRecord {
 public:
  // The record kept at `recordPath`; empty when there is none yet. A damaged
  // record is kept as "<recordPath>.bak" and `warning` says so.
  WatchRecord(QString recordPath, QString& warning);

  // True when `source` was handled as it is now (same stamp).
  bool Handled(const QString& source, const FileStamp& stamp) const;
  // Notes how `source` ended ("done", "failed", "skipped"; "retry" for a
  // failure that may pass, tried again after a restart) and saves the
  // record at once (written whole, then renamed). Empty, or the reason the
  // record could not be saved.
  QString Note(const QString& source, const FileStamp& stamp, const QString& state);

 private:
  struct Entry {
    FileStamp stamp;
    QString state;
  };
  QString path_;
  QHash<QString, Entry> entries_;
};

// Where the record of watching `inFolder` into `outFolder` is kept: in the
// data folder, under a name made from both folders.
QString WatchRecordPath(const QString& inFolder, const QString& outFolder);

}  // namespace vidmora::cli
